#include "app/FolderDelete.h"

#include "app/FileDeletePool.h"
#include "app/ProtectedFolders.h"
#include "framework/FileSystem.h"
#include "framework/FolderHandle.h"
#include "framework/Handle.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace {

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR |
// FOF_ALLOWUNDO, and FOF_FILESONLY for single files.
constexpr FILEOP_FLAGS RecycleTreeFlags = 0x0654;
constexpr FILEOP_FLAGS RecycleFileFlags = 0x06D4;

// Files handed to the shell in one call: a stop waits for the call in hand.
// Under Wine the Recycle Bin takes about 6.5 ms a file (NOTES.md), so a
// hundred keep that wait well below a second, and the call's own cost stays
// small beside the files'.
constexpr size_t RecycleBatch = 100;

// The most entries a subfolder handed to the shell whole may hold: the
// shell measures and moves a tree in one call, which no stop interrupts. A
// larger one goes in batches, the folder itself last.
constexpr size_t RecycleWholeMost = 1000;

bool IsGone(const std::wstring& Path) {
  if (GetFileAttributesW(LongPathForm(Path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD Error = GetLastError();
  return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND;
}

// The shell takes only the ordinary path form: a path past MAX_PATH, or a
// name ending in "." or " " (which that form would turn into another
// entry's name), is never handed to it.
bool ShellCanTake(const std::wstring& Path) { return LongPathForm(Path) == Path; }

// One shell "delete" over Paths (to the Recycle Bin, by the flags).
void ShellDelete(const std::vector<std::wstring>& Paths, FILEOP_FLAGS Flags) {
  if (Paths.empty()) return;
  std::wstring List;  // each path with its terminator, then one more
  for (const std::wstring& Path : Paths) {
    List += Path;
    List.push_back(L'\0');
  }
  List.push_back(L'\0');
  SHFILEOPSTRUCTW Operation{};
  Operation.wFunc = FO_DELETE;
  Operation.pFrom = List.c_str();
  Operation.fFlags = Flags;
  // What went is counted afterwards, file by file: the result code says
  // nothing about which entries of a list failed.
  SHFileOperationW(&Operation);
}

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// One Delete's work on a listed folder: the mode, the caller's seams and
// its stop request.
class TDeleteRun {
public:
  TDeleteRun(TDeleteMode Mode, const TDeleteSeams& Seams, std::function<bool()> Continue = {})
      : FMode(Mode), FSeams(Seams), FContinue(std::move(Continue)) {}
  TDeleteMode Mode() const { return FMode; }
  unsigned Workers() const { return FSeams.Workers; }
  // False once a stop was asked for.
  bool GoOn() {
    if (!FStopped && FContinue && !FContinue()) FStopped = true;
    return !FStopped;
  }
  bool Stopped() const { return FStopped; }
  std::function<bool()> Asker() {
    return [this] { return GoOn(); };
  }
  void BeforeDelete(const std::wstring& Path) const {
    if (FSeams.BeforeDelete) FSeams.BeforeDelete(Path);
  }
  // Hands Paths to the shell, whose folders the caller holds.
  void Recycle(const std::vector<std::wstring>& Paths, FILEOP_FLAGS Flags) const {
    if (Paths.empty()) return;
    if (FSeams.BeforeShell) FSeams.BeforeShell(Paths);
    ShellDelete(Paths, Flags);
  }

private:
  TDeleteMode FMode;
  const TDeleteSeams& FSeams;
  std::function<bool()> FContinue;
  bool FStopped = false;
};

bool StartsWithFolder(const std::wstring& Path, const std::wstring& Folder) {
  return Path.size() > Folder.size() &&
         CompareStringOrdinal(Path.c_str(), static_cast<int>(Folder.size()), Folder.c_str(),
                              static_cast<int>(Folder.size()), TRUE) == CSTR_EQUAL &&
         (Path[Folder.size()] == L'\\' || Folder.back() == L'\\');
}

// The folder of Path's last name ("C:\a\b" gives "C:\a", "C:\a" gives "C:\").
std::wstring FolderOfPath(const std::wstring& Path) {
  const size_t Separator = Path.find_last_of(L'\\');
  if (Separator == std::wstring::npos) return {};
  return Path.substr(0, Separator > 0 && Path[Separator - 1] == L':' ? Separator + 1 : Separator);
}

// The root a full path starts from: "C:\", "\\?\C:\", "\\server\share\",
// "\\?\UNC\server\share\"; empty for any other path.
std::wstring RootOfPath(const std::wstring& Path) {
  if (!IsFullPath(Path)) return {};
  size_t At = Path.rfind(L"\\\\?\\", 0) == 0 ? 4 : 0;
  if (Path.size() >= At + 3 && Path[At + 1] == L':' && Path[At + 2] == L'\\') return Path.substr(0, At + 3);
  // A network path: past the server's name and the share's.
  At = Path.rfind(L"\\\\?\\UNC\\", 0) == 0 ? 8 : 2;
  const size_t Share = Path.find(L'\\', At);
  if (Share == std::wstring::npos) return {};
  const size_t End = Path.find(L'\\', Share + 1);
  if (End == std::wstring::npos) return {};
  return Path.substr(0, End + 1);
}

// An opened folder and the folder above it on a chain, held with it. Held:
// this folder and every one above it are held against renames, so a path
// through them names what was checked.
struct TLink {
  std::shared_ptr<const TOpenedFolder> Folder;
  std::shared_ptr<const TLink> Above;
  bool Held = false;
};
using TLinkPtr = std::shared_ptr<const TLink>;

TLinkPtr MakeLink(std::shared_ptr<const TOpenedFolder> Folder, TLinkPtr Above) {
  if (Folder == nullptr || !Folder->valid()) return nullptr;
  const bool Held = Folder->HeldAgainstRename() && (Above == nullptr || Above->Held);
  return std::make_shared<const TLink>(TLink{std::move(Folder), std::move(Above), Held});
}
TLinkPtr MakeLink(TOpenedFolder Folder, TLinkPtr Above) {
  if (!Folder.valid()) return nullptr;
  return MakeLink(std::make_shared<const TOpenedFolder>(std::move(Folder)), std::move(Above));
}

// The folder of Link, holding Link (and so every folder above it).
std::shared_ptr<const TOpenedFolder> Handed(const TLinkPtr& Link) {
  if (Link == nullptr) return nullptr;
  return std::shared_ptr<const TOpenedFolder>(Link, Link->Folder.get());
}

// The folders from a root down to the one that holds a file, each opened
// from the handle of the one above it and held open (nobody can rename them
// meanwhile). Files of one folder in a row share the chain. A link handed
// out keeps the folders above it open for as long as its holder keeps it,
// after the chain has moved on to other folders.
class TFolderChain {
public:
  // Files below Root (a held listed folder whose path is RootText) only.
  TFolderChain(TLinkPtr Root, const std::wstring& RootText)
      : FFixedRoot(true), FRootText(ExcludeTrailingPathDelimiterKeepRoot(RootText)), FRoot(std::move(Root)) {}
  // Each file from the root of its drive or share.
  TFolderChain() = default;

  // The link of the opened folder that holds File, and File's name in it;
  // null when File is not below the root or a folder on the way is not
  // itself.
  TLinkPtr FolderOf(const std::wstring& File, std::wstring_view& Name) {
    const size_t Separator = File.find_last_of(L'\\');
    if (Separator == std::wstring::npos || !IsFullPath(File)) return nullptr;
    Name = std::wstring_view(File).substr(Separator + 1);
    if (!FFixedRoot) {
      const std::wstring Root = RootOfPath(File);
      if (Root.empty()) return nullptr;
      if (Root != FRootText || FRoot == nullptr) {
        FRootText = Root;
        FRoot = MakeLink(TOpenedFolder::Open(Root), nullptr);
        FNames.clear();
        FFolders.clear();
        FLastValid = false;
      }
    }
    if (FRoot == nullptr) return nullptr;
    // Files of one folder come in a row: the chain of the last one serves.
    // Compared exactly: "L" and "l" may be two folders.
    const std::wstring_view Folder = std::wstring_view(File).substr(0, Separator);
    if (FLastValid && Folder == FLastFolder) return FFolders.empty() ? FRoot : FFolders.back();
    FLastValid = false;
    if (!StartsWithFolder(File, FRootText)) return nullptr;
    // The names between the root and the file.
    const size_t Begin = FRootText.back() == L'\\' ? FRootText.size() : FRootText.size() + 1;
    std::vector<std::wstring_view> Names;
    for (size_t At = Begin; At < Separator;) {
      const size_t End = std::min(File.find(L'\\', At), Separator);
      Names.push_back(std::wstring_view(File).substr(At, End - At));
      At = End + 1;
    }
    size_t Kept = 0;
    while (Kept < Names.size() && Kept < FNames.size() && Names[Kept] == FNames[Kept]) ++Kept;
    FNames.resize(Kept);
    FFolders.resize(Kept);
    for (size_t i = Kept; i < Names.size(); ++i) {
      const TLinkPtr& Above = i == 0 ? FRoot : FFolders.back();
      TLinkPtr Opened = MakeLink(Above->Folder->OpenFolder(Names[i], false), Above);
      if (Opened == nullptr) return nullptr;
      FNames.emplace_back(Names[i]);
      FFolders.push_back(std::move(Opened));
    }
    FLastFolder.assign(File, 0, Separator);
    FLastValid = true;
    return FFolders.empty() ? FRoot : FFolders.back();
  }

private:
  static std::wstring ExcludeTrailingPathDelimiterKeepRoot(const std::wstring& Path) {
    if (Path.size() > 3 && Path.back() == L'\\') return Path.substr(0, Path.size() - 1);
    return Path;
  }

  bool FFixedRoot = false;
  std::wstring FRootText;
  TLinkPtr FRoot;
  std::vector<std::wstring> FNames;
  std::vector<TLinkPtr> FFolders;
  std::wstring FLastFolder;  // the folder part of the last file reached
  bool FLastValid = false;
};

// A file the Recycle Bin may take now: the shell can name it, it is the
// entry its folder holds under that name (not a link's target), it is not
// in use (an exclusive open for reading and writing works) and not
// read-only (which Wine lets an administrator open for writing).
bool RecyclableNow(const TOpenedFolder& Folder, std::wstring_view Name, const std::wstring& Path) {
  if (!ShellCanTake(Path)) return false;
  const UniqueFile Handle = Folder.OpenFile(Name, GENERIC_READ | GENERIC_WRITE, 0);
  FILE_BASIC_INFO Basic{};
  return Handle && GetFileInformationByHandleEx(Handle.get(), FileBasicInfo, &Basic, sizeof(Basic)) &&
         (Basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// Recycles Files[Begin, End) that may go, in one shell call, each checked
// just before; Gone[i - Begin] tells afterwards which went. Every folder on
// the way to a file handed over stays held until the shell has returned; a
// file whose folders cannot all be held against renames stays.
std::vector<bool> RecycleFiles(TFolderChain& Chain, const std::vector<std::wstring>& Files, size_t Begin, size_t End,
                               const TDeleteRun& Run) {
  std::vector<std::wstring> Batch;
  std::vector<TLinkPtr> Held;
  std::vector<bool> Handed(End - Begin, false);
  for (size_t i = Begin; i < End; ++i) {
    Run.BeforeDelete(Files[i]);
    std::wstring_view Name;
    TLinkPtr Folder = Chain.FolderOf(Files[i], Name);
    if (Folder != nullptr && Folder->Held && RecyclableNow(*Folder->Folder, Name, Files[i])) {
      Batch.push_back(Files[i]);
      Held.push_back(std::move(Folder));
      Handed[i - Begin] = true;
    }
  }
  Run.Recycle(Batch, RecycleFileFlags);
  std::vector<bool> Gone(End - Begin, false);
  for (size_t i = Begin; i < End; ++i) Gone[i - Begin] = Handed[i - Begin] && IsGone(Files[i]);
  return Gone;
}

// True when the shell may take Folder (whose path is Path) whole: no link, no
// entry that is not itself, no name the shell cannot take and no more than
// Budget entries anywhere below it. Each folder below is held while what it
// holds is checked; the walk ends at the first entry that fails, so it goes
// no deeper than a path the shell can take.
bool WholeForRecycle(const TOpenedFolder& Folder, const std::wstring& Path, size_t& Budget) {
  std::vector<std::pair<std::wstring, DWORD>> Entries;
  // A folder that cannot be read may hide anything.
  if (!Folder.List([&Entries](std::wstring_view Name, DWORD Attributes) { Entries.emplace_back(Name, Attributes); }))
    return false;
  for (const auto& [Name, Attributes] : Entries) {
    if (Budget == 0) return false;
    --Budget;
    const std::wstring Child = JoinPath(Path, Name);
    if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !ShellCanTake(Child)) return false;
    if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      const TOpenedFolder Sub = Folder.OpenFolder(Name, false);
      if (!Sub.valid() || !Sub.HeldAgainstRename() || !WholeForRecycle(Sub, Child, Budget)) return false;
    } else if (!Folder.OpenFile(Name, FILE_READ_ATTRIBUTES, ShareAll)) {
      return false;
    }
  }
  return true;
}

// True when the entry Path names now is the folder Folder is open on.
bool StillNames(const std::wstring& Path, const TOpenedFolder& Folder) {
  const UniqueFile Now = OpenToInspect(Path);
  TFileIdentity Named, Held;
  DWORD Attributes = 0;
  return Now && IdentityOf(Now.get(), Named, &Attributes) && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
         IdentityOf(Folder.get(), Held) && Named == Held;
}

// Hands the folder Name of Parent to the shell whole when it may go so (see
// WholeForRecycle); true when it was handed over. The folder itself is let
// go just before (the shell cannot move a folder we hold), Parent and the
// folders above it stay held.
bool RecycleWhole(const TLinkPtr& Parent, std::wstring_view Name, const std::wstring& Path, const TDeleteRun& Run) {
  {
    const TOpenedFolder Folder = Parent->Folder->OpenFolder(Name, false);
    size_t Budget = RecycleWholeMost;
    if (!Folder.valid() || !Folder.HeldAgainstRename() || !WholeForRecycle(Folder, Path, Budget) ||
        !StillNames(Path, Folder))
      return false;
  }
  Run.Recycle({Path}, RecycleTreeFlags);
  return true;
}

// Recycles the folder Name of Parent (whose path is ParentPath); true when
// it went. Small and clean, it goes whole; otherwise what it holds goes
// piece by piece, files in batches and subfolders the same way, each
// checked just before, and the folder last when nothing stayed in it.
bool RecycleFolder(const TLinkPtr& Parent, std::wstring_view Name, const std::wstring& ParentPath, TDeleteRun& Run) {
  const std::wstring Path = JoinPath(ParentPath, Name);
  // Only through folders nobody can rename meanwhile.
  if (!Parent->Held || !ShellCanTake(Path)) return false;
  if (RecycleWhole(Parent, Name, Path, Run)) return IsGone(Path);
  {
    const TLinkPtr Folder = MakeLink(Parent->Folder->OpenFolder(Name, false), Parent);
    if (Folder == nullptr || !Folder->Held) return false;
    std::vector<std::wstring> Files;
    std::vector<std::pair<std::wstring, DWORD>> Subfolders;
    Folder->Folder->List([&](std::wstring_view Entry, DWORD Attributes) {
      if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        Files.push_back(JoinPath(Path, Entry));
      else if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        Subfolders.emplace_back(Entry, Attributes);
    });
    TFolderChain Chain(Folder, Path);
    for (size_t Begin = 0; Begin < Files.size(); Begin += RecycleBatch) {
      if (!Run.GoOn()) return false;
      RecycleFiles(Chain, Files, Begin, std::min(Files.size(), Begin + RecycleBatch), Run);
    }
    for (const auto& [Sub, Attributes] : Subfolders) {
      if (!Run.GoOn()) return false;
      RecycleFolder(Folder, Sub, Path, Run);
    }
  }
  // Emptied: the folder itself goes now, whole.
  return Run.GoOn() && RecycleWhole(Parent, Name, Path, Run) && IsGone(Path);
}

// Deletes the folder Name in Parent as a whole tree; true when it went.
bool DeleteTree(const TLinkPtr& Parent, std::wstring_view Name, DWORD Attributes, const std::wstring& ParentPath,
                TDeleteRun& Run) {
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  const std::wstring Path = JoinPath(ParentPath, Name);
  LeaveCurrentDirectoryBelow(Path);
  if (Run.Mode() == TDeleteMode::dmPermanent) return Parent->Folder->RemoveEntry(Name, Attributes, Run.Asker());
  // The shell would move a link's target: a link is never handed to it.
  if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  return RecycleFolder(Parent, Name, ParentPath, Run);
}

bool DeleteFiles(TFolderChain& Chain, std::vector<std::wstring>& Files, const TDeleteRun& Run,
                 const std::function<bool()>& Step) {
  // The files that stay are moved forward over those that went, in one pass.
  size_t Kept = 0;
  size_t Next = 0;
  bool Stopped = false;
  const auto Keep = [&](size_t Index, bool Gone) {
    if (!Gone) {
      if (Kept != Index) Files[Kept] = std::move(Files[Index]);
      ++Kept;
    }
  };
  const auto Settle = [&](size_t Index, bool Gone) {
    Keep(Index, Gone);
    if (Step && !Step()) Stopped = true;
  };
  if (Run.Mode() == TDeleteMode::dmPermanent) {
    TFileDeletePool Pool(Run.Workers(), PermanentDeleteAhead);
    size_t Added = 0;
    while (Next < Files.size() && !Stopped) {
      while (Added < Files.size() && !Pool.Full()) {
        Run.BeforeDelete(Files[Added]);
        std::wstring_view Name;
        // An exclusive open for deleting serves as the in-use test too.
        Pool.Add(Handed(Chain.FolderOf(Files[Added], Name)), Name);
        ++Added;
      }
      Settle(Next, Pool.Take().value_or(false));
      ++Next;
    }
    // A stop: the files a thread had started are dealt with, and counted as
    // such whether they went or not; the others stay, not dealt with.
    Pool.DropUnstarted();
    for (; Next < Added; ++Next) {
      const std::optional<bool> Gone = Pool.Take();
      if (!Gone) break;  // and so every file after it
      Keep(Next, *Gone);
    }
  }
  while (Run.Mode() == TDeleteMode::dmRecycleBin && Next < Files.size() && !Stopped) {
    // Each batch is dealt with as a whole before the next stop request counts.
    const size_t End = std::min(Files.size(), Next + RecycleBatch);
    const std::vector<bool> Gone = RecycleFiles(Chain, Files, Next, End, Run);
    for (size_t i = Next; i < End; ++i) Settle(i, Gone[i - Next]);
    Next = End;
  }
  // The files not dealt with stay, in their order, after those kept.
  const auto At = [&Files](size_t Index) { return Files.begin() + static_cast<std::ptrdiff_t>(Index); };
  if (Kept != Next) std::move(At(Next), Files.end(), At(Kept));
  Files.resize(Kept + (Files.size() - Next));
  return !Stopped;
}

// The subfolders to delete, by name, with the attributes their listing gave:
// what the subfolder count counts (hidden entries never, system files not
// deleted), except those Keep keeps.
std::vector<std::pair<std::wstring, DWORD>> PlanSubfolders(const TOpenedFolder& Listed, const std::wstring& Path,
                                                          const TKeepSubfolder& Keep) {
  std::vector<std::pair<std::wstring, DWORD>> Result;
  Listed.List([&](std::wstring_view Name, DWORD Attributes) {
    if ((Attributes & FILE_ATTRIBUTE_HIDDEN) != 0 || (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
    if (Keep && Keep(JoinPath(Path, Name))) return;
    Result.emplace_back(Name, Attributes);
  });
  return Result;
}

}  // namespace

TFolderToEmpty::TFolderToEmpty(const std::wstring& Path, const TProtectedFolders& Protected) : FPath(Path) {
  if (!IsFullPath(Path)) {
    FReason = L"not a full path: it would be taken from wherever the program stands";
    return;
  }
  const DWORD Attributes = GetFileAttributesW(LongPathForm(Path).c_str());
  // A folder that is not there has nothing to empty; that is no refusal.
  if (Attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    FReason = L"not a folder";
    return;
  }
  TOpenedFolder Opened = TOpenedFolder::Open(Path);
  if (!Opened.valid()) {
    FReason = (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? L"a link or junction: what it leads to is not emptied"
                                                               : L"it cannot be opened";
    return;
  }
  FReason = Protected.Reason(Opened, Path);
  if (FReason.empty()) FFolder = std::make_shared<const TOpenedFolder>(std::move(Opened));
}

bool IsFileInUse(const std::wstring& FileName) {
  const DWORD Attributes = GetFileAttributesW(LongPathForm(FileName).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES || (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // Wine lets an administrator open a read-only file for writing.
  if ((Attributes & FILE_ATTRIBUTE_READONLY) != 0) return true;
  return !UniqueFile(CreateFileW(LongPathForm(FileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
              .valid();
}

bool DeleteOneFile(const std::wstring& FileName, TDeleteMode Mode) {
  std::vector<std::wstring> Files{FileName};
  DeleteFoundFiles(Files, Mode, {});
  return Files.empty();
}

bool DeleteFoundFiles(std::vector<std::wstring>& Files, TDeleteMode Mode, const std::function<bool()>& Step,
                      const TDeleteSeams& Seams) {
  TFolderChain Chain;
  return DeleteFiles(Chain, Files, TDeleteRun(Mode, Seams), Step);
}

bool DeleteFoundFiles(const TFolderToEmpty& Listed, std::vector<std::wstring>& Files, TDeleteMode Mode,
                      const std::function<bool()>& Step, const TDeleteSeams& Seams) {
  if (!Listed.Usable()) {
    // Nothing goes; the walk still steps, so that progress counts the files.
    for (size_t i = 0; i < Files.size(); ++i)
      if (Step && !Step()) return false;
    return true;
  }
  TFolderChain Chain(MakeLink(Listed.Folder(), nullptr), Listed.Path());
  return DeleteFiles(Chain, Files, TDeleteRun(Mode, Seams), Step);
}

bool DeleteFoundFiles(const std::wstring& Folder, std::vector<std::wstring>& Files, TDeleteMode Mode,
                      const std::function<bool()>& Step, const TDeleteSeams& Seams) {
  return DeleteFoundFiles(TFolderToEmpty(Folder, ProtectedFolders()), Files, Mode, Step, Seams);
}

bool DeleteDirectoryTree(const std::wstring& Path, TDeleteMode Mode) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Path);
  if (!IsFullPath(Top) || FolderOfPath(Top).empty()) return false;
  // Reached from its drive's root, folder by folder, as a found file is.
  TFolderChain Chain;
  std::wstring_view Name;
  const TLinkPtr Parent = Chain.FolderOf(Top, Name);
  if (Parent == nullptr) return false;
  const DWORD Attributes = GetFileAttributesW(LongPathForm(Top).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES) return false;
  const TDeleteSeams Seams;
  TDeleteRun Run(Mode, Seams);
  return DeleteTree(Parent, Name, Attributes, FolderOfPath(Top), Run);
}

std::vector<std::wstring> SubfoldersToDelete(const TFolderToEmpty& Listed, const TKeepSubfolder& Keep) {
  std::vector<std::wstring> Result;
  if (!Listed.Usable()) return Result;
  for (const auto& [Name, Attributes] : PlanSubfolders(*Listed.Folder(), Listed.Path(), Keep))
    Result.push_back(JoinPath(Listed.Path(), Name));
  return Result;
}

std::vector<std::wstring> SubfoldersToDelete(const std::wstring& Path, const TKeepSubfolder& Keep) {
  return SubfoldersToDelete(TFolderToEmpty(Path, ProtectedFolders()), Keep);
}

int32_t DeleteSubfolders(const TFolderToEmpty& Listed, TDeleteMode Mode, const std::function<bool()>& Continue,
                         const TKeepSubfolder& Keep, int32_t* Stayed, const TDeleteSeams& Seams) {
  std::vector<std::pair<std::wstring, DWORD>> Planned;
  if (Listed.Usable()) Planned = PlanSubfolders(*Listed.Folder(), Listed.Path(), Keep);
  const TLinkPtr Root = MakeLink(Listed.Folder(), nullptr);
  const std::wstring Path = ExcludeTrailingPathDelimiter(Listed.Path());
  TDeleteRun Run(Mode, Seams, Continue);
  int32_t Deleted = 0;
  for (const auto& [Name, Attributes] : Planned) {
    if (!Run.GoOn()) break;
    Run.BeforeDelete(JoinPath(Path, Name));
    if (DeleteTree(Root, Name, Attributes, Path, Run)) ++Deleted;
  }
  if (Stayed != nullptr) *Stayed = static_cast<int32_t>(Planned.size()) - Deleted;
  return Deleted;
}

int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue,
                         const TKeepSubfolder& Keep, int32_t* Stayed, const TDeleteSeams& Seams) {
  return DeleteSubfolders(TFolderToEmpty(Path, ProtectedFolders()), Mode, Continue, Keep, Stayed, Seams);
}

std::wstring ProtectedFolderReason(const std::wstring& Folder) {
  return TFolderToEmpty(Folder, ProtectedFolders()).Reason();
}
