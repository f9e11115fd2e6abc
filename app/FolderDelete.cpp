#include "app/FolderDelete.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "framework/Handle.h"
#include "search/Subfolders.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
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

// A file the Recycle Bin may take now: the shell can name it, it is not in
// use (an exclusive open for reading and writing works, and it is not
// read-only, which Wine lets an administrator open for writing) and it is
// not a link whose target the shell would move instead.
bool RecyclableNow(TEntryOpener& Opener, const std::wstring& FileName) {
  if (!ShellCanTake(FileName)) return false;
  const UniqueFile Handle = Opener.Open(FileName, GENERIC_READ | GENERIC_WRITE, 0);
  FILE_BASIC_INFO Basic{};
  return Handle && Opener.IsEntryItself(Handle.get(), FileName) &&
         GetFileInformationByHandleEx(Handle.get(), FileBasicInfo, &Basic, sizeof(Basic)) &&
         (Basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// Recycles Files[Begin, End) that may go, in one shell call; Gone[i - Begin]
// tells afterwards which went.
std::vector<bool> RecycleFiles(TEntryOpener& Opener, const std::vector<std::wstring>& Files, size_t Begin,
                               size_t End) {
  std::vector<std::wstring> Batch;
  std::vector<bool> Handed(End - Begin, false);
  for (size_t i = Begin; i < End; ++i)
    if (RecyclableNow(Opener, Files[i])) {
      Batch.push_back(Files[i]);
      Handed[i - Begin] = true;
    }
  ShellDelete(Batch, RecycleFileFlags);
  std::vector<bool> Gone(End - Begin, false);
  for (size_t i = Begin; i < End; ++i) Gone[i - Begin] = Handed[i - Begin] && IsGone(Files[i]);
  return Gone;
}

// What of a tree the Recycle Bin may be handed. A folder with no link and no
// name the shell cannot take anywhere below it goes whole; any other folder
// stays, with those entries, and what else it holds goes piece by piece.
struct TRecyclePlan {
  std::wstring Path;
  bool Whole = true;
  bool Empty = true;
  std::vector<std::wstring> Files;     // kept only when the folder is not Whole
  std::vector<TRecyclePlan> Folders;  // likewise
};

// A file that is the entry its path names, not a link's target.
bool IsPlainFile(TEntryOpener& Opener, const std::wstring& FileName) {
  const UniqueFile Handle = Opener.Open(FileName, FILE_READ_ATTRIBUTES, ShareAll);
  return Handle && Opener.IsEntryItself(Handle.get(), FileName);
}

TRecyclePlan PlanRecycle(TEntryOpener& Opener, const std::wstring& Path) {
  TRecyclePlan Plan;
  Plan.Path = Path;
  TFolderListing Listing(Path);
  // A folder that cannot be read may hide anything: it stays.
  if (!Listing.Opened()) Plan.Whole = false;
  for (; Listing.HasEntry(); Listing.Next()) {
    const WIN32_FIND_DATAW& Data = Listing.Entry();
    if (IsDotName(Data.cFileName)) continue;
    Plan.Empty = false;
    const std::wstring Child = JoinPath(Path, Data.cFileName);
    if ((Data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !ShellCanTake(Child)) {
      Plan.Whole = false;
    } else if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Plan.Folders.push_back(PlanRecycle(Opener, Child));
      if (!Plan.Folders.back().Whole) Plan.Whole = false;
    } else if (IsPlainFile(Opener, Child)) {
      Plan.Files.push_back(Child);
    } else {
      Plan.Whole = false;
    }
  }
  if (Listing.EndError() != ERROR_NO_MORE_FILES) Plan.Whole = false;
  if (Plan.Whole) {
    Plan.Files.clear();
    Plan.Folders.clear();
  }
  return Plan;
}

// Carries a plan out; true when the folder went.
bool Recycle(TEntryOpener& Opener, const TRecyclePlan& Plan) {
  if (Plan.Whole) {
    // The content first, then the folder itself.
    if (!Plan.Empty) ShellDelete({JoinPath(Plan.Path, L"*.*")}, RecycleTreeFlags);
    ShellDelete({Plan.Path}, RecycleTreeFlags);
    return IsGone(Plan.Path);
  }
  for (size_t Begin = 0; Begin < Plan.Files.size(); Begin += RecycleBatch)
    RecycleFiles(Opener, Plan.Files, Begin, std::min(Plan.Files.size(), Begin + RecycleBatch));
  for (const TRecyclePlan& Folder : Plan.Folders) Recycle(Opener, Folder);
  return false;
}

// A drive's absolute path or a network path; anything else would be taken
// from the current directory.
bool IsFullPath(const std::wstring& Path) {
  const auto Separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (Path.size() >= 2 && Separator(Path[0]) && Separator(Path[1])) return true;
  return Path.size() >= 3 && Path[1] == L':' && Separator(Path[2]);
}

bool SamePath(const std::wstring& A, const wchar_t* B, size_t BLength) {
  return A.size() == BLength && CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B,
                                                     static_cast<int>(BLength), TRUE) == CSTR_EQUAL;
}

// A folder as a listing of it reaches it: full, in the ordinary form, "."
// and ".." resolved, without a trailing separator (a drive root keeps its
// own), short names made long where the folder exists.
std::wstring NormalFolder(const std::wstring& Folder) {
  if (Folder.empty()) return {};
  std::wstring Full = FullPathName(JoinPath(OrdinaryPathForm(Folder), L"*"));
  if (Full.empty()) return {};
  Full.pop_back();  // the "*"
  if (!(Full.size() == 3 && Full[1] == L':')) Full = ExcludeTrailingPathDelimiter(Full);
  std::wstring Long(Full.size() + MAX_PATH, L'\0');
  const DWORD Length = GetLongPathNameW(Full.c_str(), Long.data(), static_cast<DWORD>(Long.size()));
  if (Length == 0 || Length >= Long.size()) return Full;
  Long.resize(Length);
  return Long;
}

bool IsRoot(const std::wstring& Folder) {
  if (Folder.size() == 3 && Folder[1] == L':') return true;
  // "\\server\share": a network share's root.
  return Folder.rfind(L"\\\\", 0) == 0 && std::count(Folder.begin() + 2, Folder.end(), L'\\') == 1;
}

struct TProtectedFolder {
  std::wstring Path;
  const wchar_t* Reason;
};

std::vector<TProtectedFolder> ProtectedFolders() {
  std::vector<TProtectedFolder> Result;
  const auto Add = [&Result](const std::wstring& Path, const wchar_t* Reason) {
    const std::wstring Normal = NormalFolder(Path);
    if (!Normal.empty()) Result.push_back({Normal, Reason});
  };
  wchar_t Path[MAX_PATH + 1];
  const struct {
    int Csidl;
    const wchar_t* Reason;
  } Known[] = {
      {CSIDL_WINDOWS, L"the Windows folder"},
      {CSIDL_PROGRAM_FILES, L"a Program Files folder"},
      {CSIDL_PROGRAM_FILESX86, L"a Program Files folder"},
      {CSIDL_PROFILE, L"the user's profile folder"},
      {CSIDL_DESKTOPDIRECTORY, L"the Desktop folder"},
      {CSIDL_PERSONAL, L"the Documents folder"},
      {CSIDL_MYPICTURES, L"the Pictures folder"},
      {CSIDL_MYMUSIC, L"the Music folder"},
      {CSIDL_MYVIDEO, L"the Videos folder"},
  };
  for (const auto& Folder : Known)
    if (SUCCEEDED(SHGetFolderPathW(nullptr, Folder.Csidl, nullptr, SHGFP_TYPE_CURRENT, Path))) Add(Path, Folder.Reason);
  return Result;
}

bool DeleteTree(const std::wstring& Path, DWORD Attributes, TDeleteMode Mode) {
  if (Attributes == INVALID_FILE_ATTRIBUTES || (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  if (Mode == TDeleteMode::dmPermanent) return RemoveTree(Path);
  // The shell would move a link's target: a link is never handed to it.
  if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !ShellCanTake(Path)) return false;
  LeaveCurrentDirectoryBelow(Path);
  TEntryOpener Opener;
  return Recycle(Opener, PlanRecycle(Opener, Path));
}

}  // namespace

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
  TEntryOpener Opener;
  // An exclusive open for deleting serves as the in-use test too: another
  // program's handle or the read-only attribute keeps the file.
  if (Mode == TDeleteMode::dmPermanent) return Opener.DeleteEntry(FileName, 0);
  return RecycleFiles(Opener, {FileName}, 0, 1)[0];
}

bool DeleteFoundFiles(std::vector<std::wstring>& Files, TDeleteMode Mode, const std::function<bool()>& Step) {
  // The files that stay are moved forward over those that went, in one pass.
  size_t Kept = 0;
  size_t Next = 0;
  bool Stopped = false;
  TEntryOpener Opener;
  const auto Settle = [&](size_t Index, bool Gone) {
    if (!Gone) {
      if (Kept != Index) Files[Kept] = std::move(Files[Index]);
      ++Kept;
    }
    if (Step && !Step()) Stopped = true;
  };
  while (Next < Files.size() && !Stopped) {
    if (Mode == TDeleteMode::dmPermanent) {
      Settle(Next, Opener.DeleteEntry(Files[Next], 0));
      ++Next;
      continue;
    }
    // Each batch is dealt with as a whole before the next stop request counts.
    const size_t End = std::min(Files.size(), Next + RecycleBatch);
    const std::vector<bool> Gone = RecycleFiles(Opener, Files, Next, End);
    for (size_t i = Next; i < End; ++i) Settle(i, Gone[i - Next]);
    Next = End;
  }
  // The files not dealt with stay, in their order, after those kept.
  const auto At = [&Files](size_t Index) { return Files.begin() + static_cast<std::ptrdiff_t>(Index); };
  if (Kept != Next) std::move(At(Next), Files.end(), At(Kept));
  Files.resize(Kept + (Files.size() - Next));
  return !Stopped;
}

bool DeleteDirectoryTree(const std::wstring& Path, TDeleteMode Mode) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Path);
  return DeleteTree(Top, GetFileAttributesW(LongPathForm(Top).c_str()), Mode);
}

namespace {

// The subfolders to delete by full path, with the attributes their listing gave.
std::vector<TSubfolderEntry> PlanSubfolders(const std::wstring& Path, const TKeepSubfolder& Keep) {
  // Never a relative or empty path (that would name the current drive's
  // root), nor a folder that must never be emptied.
  if (!ProtectedFolderReason(Path).empty() || !IsFullPath(Path)) return {};
  std::vector<TSubfolderEntry> Result;
  for (TSubfolderEntry& Entry : ListSubfolders(Path)) {
    // A system file listed beside the folders is neither removed nor counted.
    if ((Entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    Entry.Name = JoinPath(Path, Entry.Name);
    if (Keep && Keep(Entry.Name)) continue;
    Result.push_back(std::move(Entry));
  }
  return Result;
}

}  // namespace

std::vector<std::wstring> SubfoldersToDelete(const std::wstring& Path, const TKeepSubfolder& Keep) {
  std::vector<std::wstring> Result;
  for (TSubfolderEntry& Entry : PlanSubfolders(Path, Keep)) Result.push_back(std::move(Entry.Name));
  return Result;
}

int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue,
                         const TKeepSubfolder& Keep, int32_t* Stayed) {
  const std::vector<TSubfolderEntry> Planned = PlanSubfolders(Path, Keep);
  int32_t Deleted = 0;
  for (const TSubfolderEntry& Entry : Planned) {
    if (Continue && !Continue()) break;
    if (DeleteTree(Entry.Name, Entry.Attributes, Mode)) ++Deleted;
  }
  if (Stayed != nullptr) *Stayed = static_cast<int32_t>(Planned.size()) - Deleted;
  return Deleted;
}

std::wstring ProtectedFolderReason(const std::wstring& Folder) {
  const std::wstring Normal = NormalFolder(Folder);
  if (Normal.empty()) return {};
  if (IsRoot(Normal)) return L"a drive root";
  const std::vector<TProtectedFolder> Protected = ProtectedFolders();
  for (const TProtectedFolder& Entry : Protected)
    if (SamePath(Normal, Entry.Path.c_str(), Entry.Path.size())) return Entry.Reason;
  // Emptying a folder deletes its subfolders whole: one that holds a
  // protected folder would take it along.
  for (const TProtectedFolder& Entry : Protected)
    if (Entry.Path.size() > Normal.size() && Entry.Path[Normal.size()] == L'\\' &&
        SamePath(Normal, Entry.Path.c_str(), Normal.size()))
      return std::wstring(L"a folder that holds ") + Entry.Reason;
  return {};
}
