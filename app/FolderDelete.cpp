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

// Files handed to the shell in one call: large enough that the call's own
// cost stays small, small enough that progress and a stop request still
// show between calls.
constexpr size_t RecycleBatch = 400;

// Permanent deletes: the threads beside the caller's (the files they take
// ahead: PermanentDeleteAhead). A stop waits only for the files already
// started, one a thread. Under Wine two workers took 0.55 of the caller's
// time alone where idle processors made every request slow, and the same
// where they did not; one worker gained nothing.
unsigned DeleteWorkers = 2;

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

TDeleteSeam DeleteSeam;

void BeforeDelete(const std::wstring& Path) {
  if (DeleteSeam) DeleteSeam(Path);
}

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

// The folders from a listed folder down to the one that holds a file, each
// opened from the handle of the one above it and held open (nobody can
// rename them meanwhile). Files of one folder in a row share the chain. A
// folder handed out keeps the folders above it open for as long as its
// holder keeps it, after the chain has moved on to other folders.
class TFolderChain {
public:
  // Files below Root only; without a root, each file's own folder, opened by
  // its path, starts its chain.
  explicit TFolderChain(const std::wstring& Root = {}) : FRootText(ExcludeTrailingPathDelimiterKeepRoot(Root)) {
    if (!FRootText.empty()) FRoot = MakeLink(TOpenedFolder::Open(FRootText), nullptr);
  }

  // The opened folder that holds File, and File's name in it; null when File
  // is not below the root or a folder on the way is not itself.
  std::shared_ptr<const TOpenedFolder> FolderOf(const std::wstring& File, std::wstring_view& Name) {
    const size_t Separator = File.find_last_of(L'\\');
    if (Separator == std::wstring::npos || !IsFullPath(File)) return nullptr;
    Name = std::wstring_view(File).substr(Separator + 1);
    if (FRootText.empty()) {
      const std::wstring Folder = FolderOfPath(File);
      if (Folder != FOwnFolderText) {
        FOwnFolderText = Folder;
        FOwnFolder = MakeLink(TOpenedFolder::Open(Folder), nullptr);
      }
      return Handed(FOwnFolder);
    }
    if (FRoot == nullptr) return nullptr;
    // Files of one folder come in a row: the chain of the last one serves.
    const std::wstring_view Folder = std::wstring_view(File).substr(0, Separator);
    if (FLastValid && SameName(Folder, FLastFolder)) return Handed(FFolders.empty() ? FRoot : FFolders.back());
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
    while (Kept < Names.size() && Kept < FNames.size() && SameName(Names[Kept], FNames[Kept])) ++Kept;
    FNames.resize(Kept);
    FFolders.resize(Kept);
    for (size_t i = Kept; i < Names.size(); ++i) {
      const std::shared_ptr<const TLink>& Above = i == 0 ? FRoot : FFolders.back();
      std::shared_ptr<const TLink> Opened = MakeLink(Above->Folder.OpenFolder(Names[i], false), Above);
      if (Opened == nullptr) return nullptr;
      FNames.emplace_back(Names[i]);
      FFolders.push_back(std::move(Opened));
    }
    FLastFolder.assign(File, 0, Separator);
    FLastValid = true;
    return Handed(FFolders.empty() ? FRoot : FFolders.back());
  }

private:
  // An opened folder and the folder above it on the chain, held with it.
  struct TLink {
    TOpenedFolder Folder;
    std::shared_ptr<const TLink> Above;
  };

  static std::shared_ptr<const TLink> MakeLink(TOpenedFolder Folder, std::shared_ptr<const TLink> Above) {
    if (!Folder.valid()) return nullptr;
    return std::make_shared<const TLink>(TLink{std::move(Folder), std::move(Above)});
  }
  // The folder of Link, holding Link (and so every folder above it).
  static std::shared_ptr<const TOpenedFolder> Handed(const std::shared_ptr<const TLink>& Link) {
    if (Link == nullptr) return nullptr;
    return std::shared_ptr<const TOpenedFolder>(Link, &Link->Folder);
  }
  static bool SameName(std::wstring_view A, std::wstring_view B) {
    // Asked per file: the exact comparison first (see SameText of FolderHandle.cpp).
    if (A == B) return true;
    return A.size() == B.size() && CompareStringOrdinal(A.data(), static_cast<int>(A.size()), B.data(),
                                                        static_cast<int>(B.size()), TRUE) == CSTR_EQUAL;
  }
  static std::wstring ExcludeTrailingPathDelimiterKeepRoot(const std::wstring& Path) {
    if (Path.size() > 3 && Path.back() == L'\\') return Path.substr(0, Path.size() - 1);
    return Path;
  }

  std::wstring FRootText;
  std::shared_ptr<const TLink> FRoot;
  std::vector<std::wstring> FNames;
  std::vector<std::shared_ptr<const TLink>> FFolders;
  std::wstring FLastFolder;  // the folder part of the last file reached
  bool FLastValid = false;
  std::wstring FOwnFolderText;
  std::shared_ptr<const TLink> FOwnFolder;
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
// just before; Gone[i - Begin] tells afterwards which went.
std::vector<bool> RecycleFiles(TFolderChain& Chain, const std::vector<std::wstring>& Files, size_t Begin, size_t End) {
  std::vector<std::wstring> Batch;
  std::vector<bool> Handed(End - Begin, false);
  for (size_t i = Begin; i < End; ++i) {
    BeforeDelete(Files[i]);
    std::wstring_view Name;
    const std::shared_ptr<const TOpenedFolder> Folder = Chain.FolderOf(Files[i], Name);
    if (Folder != nullptr && RecyclableNow(*Folder, Name, Files[i])) {
      Batch.push_back(Files[i]);
      Handed[i - Begin] = true;
    }
  }
  ShellDelete(Batch, RecycleFileFlags);
  std::vector<bool> Gone(End - Begin, false);
  for (size_t i = Begin; i < End; ++i) Gone[i - Begin] = Handed[i - Begin] && IsGone(Files[i]);
  return Gone;
}

// What a folder holds, as checked from its handle: Whole when there is no
// link, no entry that is not itself and no name the shell cannot take
// anywhere below it.
struct TRecycleCheck {
  bool Whole = true;
  bool Empty = true;
  std::vector<std::wstring> Files;
  std::vector<std::wstring> Folders;
};

TRecycleCheck CheckForRecycle(const TOpenedFolder& Folder, const std::wstring& Path) {
  TRecycleCheck Check;
  std::vector<std::pair<std::wstring, DWORD>> Entries;
  // A folder that cannot be read may hide anything: it stays.
  if (!Folder.List([&Entries](std::wstring_view Name, DWORD Attributes) { Entries.emplace_back(Name, Attributes); }))
    Check.Whole = false;
  for (const auto& [Name, Attributes] : Entries) {
    Check.Empty = false;
    const std::wstring Child = JoinPath(Path, Name);
    if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !ShellCanTake(Child)) {
      Check.Whole = false;
    } else if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      const TOpenedFolder Sub = Folder.OpenFolder(Name, false);
      if (!Sub.valid() || !CheckForRecycle(Sub, Child).Whole) Check.Whole = false;
      Check.Folders.push_back(Name);
    } else if (Folder.OpenFile(Name, FILE_READ_ATTRIBUTES, ShareAll)) {
      Check.Files.push_back(Child);
    } else {
      Check.Whole = false;
    }
  }
  return Check;
}

// True when the entry Path names now is the folder Folder is open on.
bool StillNames(const std::wstring& Path, const TOpenedFolder& Folder) {
  const UniqueFile Now = OpenToInspect(Path);
  TFileIdentity Named, Held;
  DWORD Attributes = 0;
  return Now && IdentityOf(Now.get(), Named, &Attributes) && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
         IdentityOf(Folder.get(), Held) && Named == Held;
}

// Recycles the folder Name in Parent (whose path is ParentPath); true when
// it went. The shell takes paths, not handles: a folder goes whole only when
// the check of everything below it has just passed and its path still names
// it; any other folder stays, and what it holds goes piece by piece, each
// checked just before.
bool RecycleFolder(const TOpenedFolder& Parent, std::wstring_view Name, const std::wstring& ParentPath) {
  const std::wstring Path = JoinPath(ParentPath, Name);
  TOpenedFolder Folder = Parent.OpenFolder(Name, false);
  if (!Folder.valid() || !ShellCanTake(Path)) return false;
  const TRecycleCheck Check = CheckForRecycle(Folder, Path);
  if (Check.Whole && StillNames(Path, Folder)) {
    // The shell cannot move a folder we hold.
    Folder = TOpenedFolder();
    // The content first, then the folder itself.
    if (!Check.Empty) ShellDelete({JoinPath(Path, L"*.*")}, RecycleTreeFlags);
    ShellDelete({Path}, RecycleTreeFlags);
    return IsGone(Path);
  }
  TFolderChain Chain(Path);
  for (size_t Begin = 0; Begin < Check.Files.size(); Begin += RecycleBatch)
    RecycleFiles(Chain, Check.Files, Begin, std::min(Check.Files.size(), Begin + RecycleBatch));
  for (const std::wstring& Sub : Check.Folders) RecycleFolder(Folder, Sub, Path);
  return false;
}

// Deletes the folder Name in Parent as a whole tree; true when it went.
bool DeleteTree(const TOpenedFolder& Parent, std::wstring_view Name, DWORD Attributes, const std::wstring& ParentPath,
                TDeleteMode Mode) {
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  const std::wstring Path = JoinPath(ParentPath, Name);
  LeaveCurrentDirectoryBelow(Path);
  if (Mode == TDeleteMode::dmPermanent) return Parent.RemoveEntry(Name, Attributes);
  // The shell would move a link's target: a link is never handed to it.
  if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  return RecycleFolder(Parent, Name, ParentPath);
}

bool DeleteFiles(TFolderChain& Chain, std::vector<std::wstring>& Files, TDeleteMode Mode,
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
  if (Mode == TDeleteMode::dmPermanent) {
    TFileDeletePool Pool(DeleteWorkers, PermanentDeleteAhead);
    size_t Added = 0;
    while (Next < Files.size() && !Stopped) {
      while (Added < Files.size() && !Pool.Full()) {
        BeforeDelete(Files[Added]);
        std::wstring_view Name;
        std::shared_ptr<const TOpenedFolder> Folder = Chain.FolderOf(Files[Added], Name);
        // An exclusive open for deleting serves as the in-use test too.
        Pool.Add(std::move(Folder), Name);
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
  while (Mode == TDeleteMode::dmRecycleBin && Next < Files.size() && !Stopped) {
    // Each batch is dealt with as a whole before the next stop request counts.
    const size_t End = std::min(Files.size(), Next + RecycleBatch);
    const std::vector<bool> Gone = RecycleFiles(Chain, Files, Next, End);
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

// The listed folder opened for emptying: never when it is not a full path
// or a protected folder.
TOpenedFolder OpenForEmptying(const std::wstring& Path) {
  TOpenedFolder Listed = TOpenedFolder::Open(Path);
  if (!Listed.valid() || !ProtectedFolders().Reason(Listed).empty()) return {};
  return Listed;
}

}  // namespace

void SetDeleteSeam(TDeleteSeam Seam) { DeleteSeam = std::move(Seam); }

unsigned SetDeleteWorkers(unsigned Workers) { return std::exchange(DeleteWorkers, Workers); }

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
  TFolderChain Chain;
  DeleteFiles(Chain, Files, Mode, {});
  return Files.empty();
}

bool DeleteFoundFiles(std::vector<std::wstring>& Files, TDeleteMode Mode, const std::function<bool()>& Step) {
  TFolderChain Chain;
  return DeleteFiles(Chain, Files, Mode, Step);
}

bool DeleteFoundFiles(const std::wstring& Folder, std::vector<std::wstring>& Files, TDeleteMode Mode,
                      const std::function<bool()>& Step) {
  if (!ProtectedFolderReason(Folder).empty()) {
    // Nothing goes; the walk still steps, so that progress counts the files.
    for (size_t i = 0; i < Files.size(); ++i)
      if (Step && !Step()) return false;
    return true;
  }
  TFolderChain Chain(Folder);
  return DeleteFiles(Chain, Files, Mode, Step);
}

bool DeleteDirectoryTree(const std::wstring& Path, TDeleteMode Mode) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Path);
  const std::wstring Parent = FolderOfPath(Top);
  if (!IsFullPath(Top) || Parent.empty()) return false;
  const TOpenedFolder Opened = TOpenedFolder::Open(Parent);
  if (!Opened.valid()) return false;
  const std::wstring Name = Top.substr(Top.find_last_of(L'\\') + 1);
  const DWORD Attributes = GetFileAttributesW(LongPathForm(Top).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES) return false;
  return DeleteTree(Opened, Name, Attributes, Parent, Mode);
}

std::vector<std::wstring> SubfoldersToDelete(const std::wstring& Path, const TKeepSubfolder& Keep) {
  std::vector<std::wstring> Result;
  const TOpenedFolder Listed = OpenForEmptying(Path);
  if (!Listed.valid()) return Result;
  for (const auto& [Name, Attributes] : PlanSubfolders(Listed, Path, Keep)) Result.push_back(JoinPath(Path, Name));
  return Result;
}

int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue,
                         const TKeepSubfolder& Keep, int32_t* Stayed) {
  // Held open until the end: nobody can swap the listed folder meanwhile.
  const TOpenedFolder Listed = OpenForEmptying(Path);
  const auto Planned = Listed.valid() ? PlanSubfolders(Listed, Path, Keep) : decltype(PlanSubfolders(Listed, Path, Keep)){};
  int32_t Deleted = 0;
  for (const auto& [Name, Attributes] : Planned) {
    if (Continue && !Continue()) break;
    BeforeDelete(JoinPath(Path, Name));
    if (DeleteTree(Listed, Name, Attributes, ExcludeTrailingPathDelimiter(Path), Mode)) ++Deleted;
  }
  if (Stayed != nullptr) *Stayed = static_cast<int32_t>(Planned.size()) - Deleted;
  return Deleted;
}

std::wstring ProtectedFolderReason(const std::wstring& Folder) {
  if (!IsFullPath(Folder)) return L"not a full path: it would be taken from wherever the program stands";
  const DWORD Attributes = GetFileAttributesW(LongPathForm(Folder).c_str());
  // A folder that is not there has nothing to empty; that is no refusal.
  if (Attributes == INVALID_FILE_ATTRIBUTES) return {};
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return L"not a folder";
  const TOpenedFolder Opened = TOpenedFolder::Open(Folder);
  if (Opened.valid()) return ProtectedFolders().Reason(Opened);
  if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return L"a link or junction: what it leads to is not emptied";
  return L"it cannot be opened";
}
