#include "framework/FileSystem.h"

#include "framework/FolderListing.h"
#include "framework/Handle.h"

#include <windows.h>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Drive letter, colon, separator: an absolute path of a drive.
bool IsDriveAbsolute(const std::wstring& Path) {
  return Path.size() >= 3 && Path[1] == L':' && IsSeparator(Path[2]);
}

DWORD Attributes(const std::wstring& Path) {
  DWORD Result = GetFileAttributesW(Path.c_str());
  if (Result == INVALID_FILE_ATTRIBUTES) {
    const std::wstring Long = LongPathForm(Path);
    if (Long != Path) Result = GetFileAttributesW(Long.c_str());
  }
  return Result;
}

// A name ending in "." or " " is legal on the disk, but the ordinary path form
// drops those characters and so names another entry (or none).
bool HasNameThatPlainFormLoses(const std::wstring& Path) {
  size_t Begin = 0;
  while (Begin <= Path.size()) {
    size_t End = Path.find_first_of(L"\\/", Begin);
    if (End == std::wstring::npos) End = Path.size();
    const std::wstring_view Name(Path.data() + Begin, End - Begin);
    if (!Name.empty() && Name != L"." && Name != L".." && (Name.back() == L'.' || Name.back() == L' ') &&
        Name.find_first_of(L"*?") == std::wstring_view::npos)
      return true;
    Begin = End + 1;
  }
  return false;
}

}  // namespace

std::wstring LongPathForm(const std::wstring& Path) {
  if (Path.rfind(L"\\\\?\\", 0) == 0) return Path;
  if (Path.size() < MAX_PATH - 12 && !HasNameThatPlainFormLoses(Path)) return Path;
  if (IsDriveAbsolute(Path)) return L"\\\\?\\" + Path;
  if (Path.size() > 2 && IsSeparator(Path[0]) && IsSeparator(Path[1])) return L"\\\\?\\UNC\\" + Path.substr(2);
  return Path;
}

std::wstring OrdinaryPathForm(const std::wstring& Path) {
  if (Path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + Path.substr(8);
  if (Path.rfind(L"\\\\?\\", 0) == 0) return Path.substr(4);
  return Path;
}

bool DirectoryExists(const std::wstring& Path) {
  if (Path.empty()) return false;
  const DWORD Result = Attributes(Path);
  return Result != INVALID_FILE_ATTRIBUTES && (Result & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::wstring& Path) {
  if (Path.empty()) return false;
  const DWORD Result = Attributes(Path);
  return Result != INVALID_FILE_ATTRIBUTES && (Result & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDotName(const wchar_t* Name) {
  return Name[0] == L'.' && (Name[1] == L'\0' || (Name[1] == L'.' && Name[2] == L'\0'));
}

namespace {

bool RemoveTreeEntry(const std::wstring& Path, DWORD Attributes);

// Every entry of Path, then Path itself; false when anything stays.
bool RemoveTreeBelow(const std::wstring& Path, DWORD Attributes) {
  const std::wstring Long = LongPathForm(Path);
  // Wine keeps a read-only folder's entries from being deleted.
  if ((Attributes & FILE_ATTRIBUTE_READONLY) != 0) SetFileAttributesW(Long.c_str(), FILE_ATTRIBUTE_NORMAL);
  bool AllGone = true;
  TFolderListing Listing(Path);
  if (!Listing.Opened()) AllGone = false;
  for (; Listing.HasEntry(); Listing.Next()) {
    const WIN32_FIND_DATAW& Data = Listing.Entry();
    if (IsDotName(Data.cFileName)) continue;
    if (!RemoveTreeEntry(JoinPath(Path, Data.cFileName), Data.dwFileAttributes)) AllGone = false;
  }
  if (Listing.EndError() != ERROR_NO_MORE_FILES) AllGone = false;
  return AllGone && RemoveDirectoryW(Long.c_str()) != FALSE;
}

bool RemoveTreeEntry(const std::wstring& Path, DWORD Attributes) {
  const std::wstring Long = LongPathForm(Path);
  // A link goes as a link, attributes untouched: setting them could reach
  // the target, and listing it would walk the target's entries.
  if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return ((Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryW(Long.c_str())
                                                          : DeleteFileW(Long.c_str())) != FALSE;
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RemoveTreeBelow(Path, Attributes);
  // Only the read-only attribute stops a delete; a file that stays keeps its others.
  if ((Attributes & FILE_ATTRIBUTE_READONLY) != 0) SetFileAttributesW(Long.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(Long.c_str()) != FALSE;
}

}  // namespace

void LeaveCurrentDirectoryBelow(const std::wstring& Folder) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Folder);
  wchar_t Current[MAX_PATH + 1] = L"";
  const DWORD Length = GetCurrentDirectoryW(MAX_PATH + 1, Current);
  const std::wstring Here(Current, Length <= MAX_PATH ? Length : 0);
  if (Here.size() >= Top.size() &&
      CompareStringOrdinal(Here.c_str(), static_cast<int>(Top.size()), Top.c_str(), static_cast<int>(Top.size()),
                           TRUE) == CSTR_EQUAL &&
      (Here.size() == Top.size() || Here[Top.size()] == L'\\'))
    SetCurrentDirectoryW(ExtractFilePath(Top).c_str());
}

bool RemoveTree(const std::wstring& Path) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Path);
  const DWORD Attributes = GetFileAttributesW(LongPathForm(Top).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES || (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  LeaveCurrentDirectoryBelow(Top);
  return RemoveTreeEntry(Top, Attributes);
}

std::wstring JoinPath(std::wstring_view Folder, std::wstring_view Name) {
  std::wstring Result;
  Result.reserve(Folder.size() + 1 + Name.size());
  Result.append(Folder);
  if (Result.empty() || Result.back() != L'\\') Result.push_back(L'\\');
  Result.append(Name);
  return Result;
}

std::wstring IncludeTrailingPathDelimiter(const std::wstring& Path) {
  if (!Path.empty() && Path.back() == L'\\') return Path;
  return Path + L'\\';
}

std::wstring ExcludeTrailingPathDelimiter(const std::wstring& Path) {
  if (!Path.empty() && Path.back() == L'\\') return Path.substr(0, Path.size() - 1);
  return Path;
}

std::wstring ExtractFilePath(const std::wstring& Path) {
  const size_t At = Path.find_last_of(L"\\:");
  return At == std::wstring::npos ? std::wstring() : Path.substr(0, At + 1);
}

std::wstring ExtractFileName(const std::wstring& Path) {
  const size_t At = Path.find_last_of(L"\\:");
  return At == std::wstring::npos ? Path : Path.substr(At + 1);
}

std::wstring ExtractFileExt(const std::wstring& Path) {
  const size_t At = Path.find_last_of(L".\\:");
  if (At == std::wstring::npos || Path[At] != L'.') return {};
  return Path.substr(At);
}

std::wstring ChangeFileExt(const std::wstring& Path, const std::wstring& Extension) {
  const size_t At = Path.find_last_of(L".\\:");
  if (At == std::wstring::npos || Path[At] != L'.') return Path + Extension;
  return Path.substr(0, At) + Extension;
}

std::wstring ApplicationExeName() {
  std::wstring Buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length = GetModuleFileNameW(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Length < Buffer.size()) {
      Buffer.resize(Length);
      return Buffer;
    }
    Buffer.resize(Buffer.size() * 2);
  }
}
