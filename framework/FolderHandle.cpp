#include "framework/FolderHandle.h"

#include "framework/FileSystem.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

namespace {

// NtCreateFile's dispositions and options, under names of our own: the
// headers of the platform's kits do not agree on which they define.
constexpr ULONG OpenExisting = 1;                 // FILE_OPEN
constexpr ULONG DirectoryOnly = 0x00000001;       // FILE_DIRECTORY_FILE
constexpr ULONG SynchronousIo = 0x00000020;       // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG NonDirectoryOnly = 0x00000040;    // FILE_NON_DIRECTORY_FILE
constexpr ULONG ForBackup = 0x00004000;           // FILE_OPEN_FOR_BACKUP_INTENT
constexpr ULONG LinkItself = 0x00200000;          // FILE_OPEN_REPARSE_POINT
constexpr LONG SharingViolation = static_cast<LONG>(0xC0000043);

// FILE_FULL_DIR_INFO and its two classes, which older kits declare only for
// Windows 8 and later (Windows 7 and Wine answer them all the same).
struct TFullDirInfo {
  ULONG NextEntryOffset;
  ULONG FileIndex;
  LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime, EndOfFile, AllocationSize;
  ULONG FileAttributes;
  ULONG FileNameLength;
  ULONG EaSize;
  WCHAR FileName[1];
};
constexpr auto FullDirectoryInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(14);
constexpr auto FullDirectoryRestartInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(15);

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Without FILE_SHARE_DELETE nobody can rename or delete a folder we hold:
// nobody can swap it for a link while we work below it.
constexpr DWORD ShareButRename = FILE_SHARE_READ | FILE_SHARE_WRITE;

constexpr DWORD FolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

using TNtCreateFile = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, LARGE_INTEGER*, ULONG,
                                   ULONG, ULONG, ULONG, void*, ULONG);
using TNtQueryObject = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using TNtQueryInformationFile = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);

template <typename T>
T NtdllFunction(const char* Name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), Name)));
}

// Opens Name relative to the folder Root is open on; no path text above Root
// takes part.
UniqueFile OpenRelative(HANDLE Root, std::wstring_view Name, ACCESS_MASK Access, ULONG Share, ULONG Options,
                        LONG* Status = nullptr) {
  static const auto Create = NtdllFunction<TNtCreateFile>("NtCreateFile");
  if (Create == nullptr || Name.empty() || Name.size() > 32767) return {};
  UNICODE_STRING Text;
  Text.Buffer = const_cast<wchar_t*>(Name.data());
  Text.Length = Text.MaximumLength = static_cast<USHORT>(Name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES Attributes{};
  Attributes.Length = sizeof(Attributes);
  Attributes.RootDirectory = Root;
  Attributes.ObjectName = &Text;
  Attributes.Attributes = OBJ_CASE_INSENSITIVE;
  IO_STATUS_BLOCK Io{};
  HANDLE Handle = nullptr;
  const LONG Result = Create(&Handle, Access | SYNCHRONIZE, &Attributes, &Io, nullptr, 0, Share, OpenExisting,
                             Options | SynchronousIo | ForBackup | LinkItself, nullptr, 0);
  if (Status != nullptr) *Status = Result;
  return Result >= 0 ? UniqueFile(Handle) : UniqueFile();
}

// A folder held against renames where nobody else holds it for deleting;
// one shared for renames otherwise (checked all the same), which Held then
// says.
UniqueFile OpenFolderRelative(HANDLE Root, std::wstring_view Name, ACCESS_MASK Access, bool& Held) {
  LONG Status = 0;
  UniqueFile Handle = OpenRelative(Root, Name, Access, ShareButRename, DirectoryOnly, &Status);
  Held = Handle.valid();
  if (!Handle && Status == SharingViolation) Handle = OpenRelative(Root, Name, Access, ShareAll, DirectoryOnly);
  return Handle;
}

// A system name with the dots and blanks that end any of its names left
// out: Wine leaves them out of a folder's own name ("space " gives "space")
// but keeps them in the names of the entries below it.
std::wstring WithoutTrailingDotsAndBlanks(std::wstring_view Path) {
  std::wstring Result;
  Result.reserve(Path.size());
  size_t Begin = 0;
  while (Begin <= Path.size()) {
    size_t End = Path.find(L'\\', Begin);
    if (End == std::wstring_view::npos) End = Path.size();
    std::wstring_view Piece = Path.substr(Begin, End - Begin);
    const size_t Kept = Piece.find_last_not_of(L". ");
    if (Kept != std::wstring_view::npos) Piece = Piece.substr(0, Kept + 1);
    Result.append(Piece);
    if (End < Path.size()) Result.push_back(L'\\');
    Begin = End + 1;
  }
  return Result;
}

bool IsLink(DWORD Attributes) { return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Wine shows a drive whose dosdevices entry leads to "/" as a link; a drive
// root is a volume's, whatever its attributes say.
bool IsDriveRoot(const std::wstring& Path) {
  const std::wstring Full = FullPathName(OrdinaryPathForm(Path));
  return Full.size() == 3 && Full[1] == L':';
}

// The attributes of what Handle is open on. Not IdentityOf: the volume
// serial it needs costs Wine a round trip to its mount manager, over a
// millisecond, where this costs one request.
bool AttributesOf(HANDLE Handle, DWORD& Attributes) {
  FILE_ATTRIBUTE_TAG_INFO Info{};
  if (!GetFileInformationByHandleEx(Handle, FileAttributeTagInfo, &Info, sizeof(Info))) return false;
  Attributes = Info.FileAttributes;
  return true;
}

bool SetAttributesByHandle(HANDLE Handle, DWORD Attributes) {
  FILE_BASIC_INFO Basic{};  // times of 0 stay as they are
  Basic.FileAttributes = Attributes;
  return SetFileInformationByHandle(Handle, FileBasicInfo, &Basic, sizeof(Basic)) != FALSE;
}

}  // namespace

bool IdentityOf(HANDLE Handle, TFileIdentity& Identity, DWORD* Attributes) {
  BY_HANDLE_FILE_INFORMATION Info{};
  if (!GetFileInformationByHandle(Handle, &Info)) return false;
  Identity.Volume = Info.dwVolumeSerialNumber;
  Identity.File = (uint64_t{Info.nFileIndexHigh} << 32) | Info.nFileIndexLow;
  if (Attributes != nullptr) *Attributes = Info.dwFileAttributes;
  return true;
}

bool FileIndexOf(HANDLE Handle, uint64_t& File) {
  // FILE_INTERNAL_INFORMATION: what GetFileInformationByHandle reports as
  // the file index, on Windows as under Wine.
  constexpr int FileInternalInformation = 6;
  static const auto Query = NtdllFunction<TNtQueryInformationFile>("NtQueryInformationFile");
  if (Query == nullptr) return false;
  IO_STATUS_BLOCK Io{};
  LARGE_INTEGER Index{};
  if (Query(Handle, &Io, &Index, sizeof(Index), FileInternalInformation) < 0) return false;
  File = static_cast<uint64_t>(Index.QuadPart);
  return true;
}

std::wstring ObjectPathOf(HANDLE Handle) {
  // The object manager's name, not GetFinalPathNameByHandleW: Wine's fails
  // past MAX_PATH.
  constexpr int ObjectNameInformation = 1;
  static const auto Query = NtdllFunction<TNtQueryObject>("NtQueryObject");
  if (Query == nullptr) return {};
  // A UNICODE_STRING followed by its characters; 8-byte units keep it aligned.
  std::vector<unsigned long long> Buffer((sizeof(UNICODE_STRING) + 2 * MAX_PATH * sizeof(wchar_t)) / 8);
  ULONG Length = 0;
  for (int Attempt = 0;; ++Attempt) {
    const ULONG Size = static_cast<ULONG>(Buffer.size() * 8);
    if (Query(Handle, ObjectNameInformation, Buffer.data(), Size, &Length) >= 0) break;
    if (Attempt > 0 || Length <= Size) return {};
    Buffer.resize(Length / 8 + 1);
  }
  const auto* Name = reinterpret_cast<const UNICODE_STRING*>(Buffer.data());
  return std::wstring(Name->Buffer, Name->Length / sizeof(wchar_t));
}

std::wstring FinalPathOf(HANDLE Handle) {
  std::wstring Path(MAX_PATH, L'\0');
  DWORD Length = GetFinalPathNameByHandleW(Handle, Path.data(), static_cast<DWORD>(Path.size()), 0);
  if (Length >= Path.size()) {
    Path.resize(Length + 1);
    Length = GetFinalPathNameByHandleW(Handle, Path.data(), static_cast<DWORD>(Path.size()), 0);
  }
  if (Length > 0 && Length < Path.size()) {
    Path.resize(Length);
    return Path;
  }
  // Wine's object names are "\??\C:\...", which is a "\\?\" path.
  const std::wstring Object = ObjectPathOf(Handle);
  if (Object.rfind(L"\\??\\", 0) == 0) return L"\\\\?\\" + Object.substr(4);
  return {};
}

UniqueFile OpenToInspect(const std::wstring& Path) {
  return UniqueFile(CreateFileW(LongPathForm(Path).c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool DeleteByHandle(HANDLE Handle) {
  FILE_DISPOSITION_INFO Disposition{};
  Disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(Handle, FileDispositionInfo, &Disposition, sizeof(Disposition)) != FALSE;
}

TOpenedFolder TOpenedFolder::Open(const std::wstring& Path, bool ForDelete) {
  TOpenedFolder Folder;
  if (!IsFullPath(Path)) return Folder;
  const DWORD Access = FolderAccess | (ForDelete ? DELETE | FILE_WRITE_ATTRIBUTES : 0);
  const DWORD Flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
  const std::wstring Long = LongPathForm(Path);
  UniqueFile Handle(CreateFileW(Long.c_str(), Access, ShareButRename, nullptr, OPEN_EXISTING, Flags, nullptr));
  Folder.FHeld = Handle.valid();
  if (!Handle && GetLastError() == ERROR_SHARING_VIOLATION)
    Handle.reset(CreateFileW(Long.c_str(), Access, ShareAll, nullptr, OPEN_EXISTING, Flags, nullptr));
  DWORD Attributes = 0;
  // A link or junction is never emptied: its target is somewhere else. Wine
  // opens a Unix link's target whatever the flags say, but its listing
  // still tells a link by the reparse bit.
  if (!Handle || !AttributesOf(Handle.get(), Attributes) || IsLink(Attributes) ||
      (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return Folder;
  const DWORD Named = GetFileAttributesW(Long.c_str());
  if (Named == INVALID_FILE_ATTRIBUTES || (IsLink(Named) && !IsDriveRoot(Path))) return Folder;
  std::wstring ObjectPath = ObjectPathOf(Handle.get());
  if (!Folder.TakeHandle(std::move(Handle), std::move(ObjectPath))) return {};
  return Folder;
}

bool TOpenedFolder::TakeHandle(UniqueFile Handle, std::wstring ObjectPath) {
  if (ObjectPath.empty()) return false;
  FObjectPath = std::move(ObjectPath);
  FEntryPrefix = WithoutTrailingDotsAndBlanks(FObjectPath);
  if (FEntryPrefix.empty() || FEntryPrefix.back() != L'\\') FEntryPrefix.push_back(L'\\');
  FHandle = std::move(Handle);
  return true;
}

bool TOpenedFolder::IsOwnEntry(std::wstring_view EntryPath, std::wstring_view Name) const {
  // Wine follows a Unix link even when asked for the link itself: the opened
  // entry's name then is the target's, not this folder's name plus Name.
  // The entry's own name is compared exactly: it comes from the folder's
  // own listing, and in a folder that tells names apart by case ("L" beside
  // "l") a link to the twin differs from the name asked for in case alone.
  // The folder part is the handle's, however the listed folder was spelled.
  const std::wstring Entry = WithoutTrailingDotsAndBlanks(EntryPath);
  const std::wstring Own = WithoutTrailingDotsAndBlanks(Name);
  const std::wstring_view Prefix = std::wstring_view(Entry).substr(0, std::min(Entry.size(), FEntryPrefix.size()));
  return Entry.size() == FEntryPrefix.size() + Own.size() &&
         (Prefix == FEntryPrefix ||
          CompareStringOrdinal(Prefix.data(), static_cast<int>(Prefix.size()), FEntryPrefix.data(),
                               static_cast<int>(FEntryPrefix.size()), TRUE) == CSTR_EQUAL) &&
         std::wstring_view(Entry).substr(FEntryPrefix.size()) == Own;
}

bool TOpenedFolder::IsOwnEntry(HANDLE Entry, std::wstring_view Name) const {
  return IsOwnEntry(ObjectPathOf(Entry), Name);
}

TOpenedFolder TOpenedFolder::OpenFolder(std::wstring_view Name, bool ForDelete) const {
  TOpenedFolder Folder;
  if (!valid() || Name.find_first_of(L"\\/") != std::wstring_view::npos || Name == L"." || Name == L"..")
    return Folder;
  UniqueFile Handle = OpenFolderRelative(FHandle.get(), Name,
                                         FolderAccess | (ForDelete ? DELETE | FILE_WRITE_ATTRIBUTES : 0), Folder.FHeld);
  DWORD Attributes = 0;
  if (!Handle || !AttributesOf(Handle.get(), Attributes) || IsLink(Attributes)) return Folder;
  std::wstring ObjectPath = ObjectPathOf(Handle.get());
  if (!IsOwnEntry(ObjectPath, Name) || !Folder.TakeHandle(std::move(Handle), std::move(ObjectPath))) return {};
  return Folder;
}

UniqueFile TOpenedFolder::OpenFile(std::wstring_view Name, DWORD Access, DWORD Share) const {
  if (!valid() || Name.find_first_of(L"\\/") != std::wstring_view::npos) return {};
  UniqueFile Handle = OpenRelative(FHandle.get(), Name, Access, Share, NonDirectoryOnly);
  if (!Handle || !IsOwnEntry(Handle.get(), Name)) return {};
  return Handle;
}

bool TOpenedFolder::List(const std::function<void(std::wstring_view Name, DWORD Attributes)>& Entry) const {
  if (!valid()) return false;
  // 8-byte units keep the records aligned.
  std::vector<unsigned long long> Buffer(64 * 1024 / 8);
  FILE_INFO_BY_HANDLE_CLASS Class = FullDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(FHandle.get(), Class, Buffer.data(), static_cast<DWORD>(Buffer.size() * 8)))
      return GetLastError() == ERROR_NO_MORE_FILES;
    Class = FullDirectoryInfo;
    const auto* Bytes = reinterpret_cast<const unsigned char*>(Buffer.data());
    for (size_t Offset = 0;;) {
      const auto* Info = reinterpret_cast<const TFullDirInfo*>(Bytes + Offset);
      const std::wstring_view Name(Info->FileName, Info->FileNameLength / sizeof(wchar_t));
      if (Name != L"." && Name != L"..") Entry(Name, Info->FileAttributes);
      if (Info->NextEntryOffset == 0) break;
      Offset += Info->NextEntryOffset;
    }
  }
}

bool TOpenedFolder::DeleteFileEntry(std::wstring_view Name) const {
  // No sharing: another program's handle keeps the file (it is in use). A
  // read-only file opens, but the system refuses to mark it for deletion.
  const UniqueFile Handle = OpenFile(Name, DELETE, 0);
  return Handle && DeleteByHandle(Handle.get());
}

bool TOpenedFolder::RemoveLeaf(std::wstring_view Name, DWORD Attributes) const {
  if (IsLink(Attributes)) {
    // A link goes as a link, attributes untouched and never entered; Wine
    // reaches the target instead, which the entry check refuses.
    const UniqueFile Link = OpenRelative(FHandle.get(), Name, DELETE | FILE_READ_ATTRIBUTES, ShareAll, 0);
    DWORD Opened = 0;
    return Link && IsOwnEntry(Link.get(), Name) && AttributesOf(Link.get(), Opened) && IsLink(Opened) &&
           DeleteByHandle(Link.get());
  }
  const bool ReadOnly = (Attributes & FILE_ATTRIBUTE_READONLY) != 0;
  const UniqueFile File = OpenFile(Name, DELETE | FILE_READ_ATTRIBUTES | (ReadOnly ? FILE_WRITE_ATTRIBUTES : 0), ShareAll);
  if (!File) return false;
  if (!ReadOnly) return DeleteByHandle(File.get());
  // The system deletes no read-only file: the attribute goes first, and
  // comes back when the file stays after all.
  if (!SetAttributesByHandle(File.get(), FILE_ATTRIBUTE_NORMAL)) return false;
  if (DeleteByHandle(File.get())) return true;
  SetAttributesByHandle(File.get(), Attributes);
  return false;
}

bool TOpenedFolder::RemoveEntry(std::wstring_view Name, DWORD Attributes, const std::function<bool()>& Continue) const {
  if (!valid()) return false;
  if (IsLink(Attributes) || (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return RemoveLeaf(Name, Attributes);
  // A folder: walked with a stack of its own, not by recursion (a planted
  // tree may be thousands of levels deep); each folder on the way is held
  // open while what is below it goes.
  struct TLevel {
    TOpenedFolder Folder;
    DWORD Attributes = 0;
    std::vector<std::pair<std::wstring, DWORD>> Entries;
    size_t Next = 0;
    bool AllGone = true;
  };
  std::vector<TLevel> Stack;
  const auto Enter = [&Stack](const TOpenedFolder& Parent, std::wstring_view Sub, DWORD SubAttributes) {
    TLevel Level;
    Level.Folder = Parent.OpenFolder(Sub, true);
    if (!Level.Folder.valid()) return false;
    Level.Attributes = SubAttributes;
    // Wine keeps a read-only folder's entries from being deleted.
    if ((SubAttributes & FILE_ATTRIBUTE_READONLY) != 0) SetAttributesByHandle(Level.Folder.get(), FILE_ATTRIBUTE_NORMAL);
    if (!Level.Folder.List([&Level](std::wstring_view Entry, DWORD EntryAttributes) {
          Level.Entries.emplace_back(std::wstring(Entry), EntryAttributes);
        }))
      Level.AllGone = false;
    Stack.push_back(std::move(Level));
    return true;
  };
  if (!Enter(*this, Name, Attributes)) return false;
  bool Stopped = false;
  for (;;) {
    TLevel& Top = Stack.back();
    if (!Stopped && Top.Next < Top.Entries.size()) {
      if (Continue && !Continue()) {
        Stopped = true;
        continue;
      }
      const auto& [Entry, EntryAttributes] = Top.Entries[Top.Next++];
      if (IsLink(EntryAttributes) || (EntryAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!Top.Folder.RemoveLeaf(Entry, EntryAttributes)) Top.AllGone = false;
      } else if (!Enter(Top.Folder, Entry, EntryAttributes)) {
        Top.AllGone = false;  // Enter added nothing: Top still stands
      }
      continue;
    }
    bool Gone = !Stopped && Top.AllGone && DeleteByHandle(Top.Folder.get());
    // A folder that stays keeps the attributes it had.
    if (!Gone && (Top.Attributes & FILE_ATTRIBUTE_READONLY) != 0) SetAttributesByHandle(Top.Folder.get(), Top.Attributes);
    Stack.pop_back();  // the close completes the delete
    if (Stack.empty()) return Gone;
    if (!Gone) Stack.back().AllGone = false;
  }
}
