#include "framework/FileSystem.h"

#include "framework/FolderHandle.h"
#include "framework/Handle.h"
#include "framework/Text.h"

#include <windows.h>

#include <string_view>
#include <vector>

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

namespace {

// The dots and blanks the last name of Path ends with ("a\b. " gives ". "),
// which the ordinary path rules drop; none for "." and "..".
std::wstring TrailingDotsAndBlanks(const std::wstring& Path) {
  size_t End = Path.size();
  while (End > 0 && IsSeparator(Path[End - 1])) --End;
  const size_t Separator = End == 0 ? std::wstring::npos : Path.find_last_of(L"\\/", End - 1);
  const size_t First = Separator == std::wstring::npos ? 0 : Separator + 1;
  const std::wstring Name = Path.substr(First, End - First);
  if (Name == L"." || Name == L"..") return {};
  const size_t Kept = Name.find_last_not_of(L". ");
  return Kept == std::wstring::npos ? std::wstring() : Name.substr(Kept + 1);
}

}  // namespace

std::wstring FullPathName(const std::wstring& Path) {
  if (Path.empty()) return {};
  std::wstring Full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length = GetFullPathNameW(Path.c_str(), static_cast<DWORD>(Full.size()), Full.data(), nullptr);
    if (Length == 0) return {};
    if (Length < Full.size()) {
      Full.resize(Length);
      break;
    }
    Full.resize(Length);
  }
  const std::wstring Tail = TrailingDotsAndBlanks(Path);
  if (Tail.empty() || Path.rfind(L"\\\\?\\", 0) == 0) return Full;
  // The system may have dropped all of them or only some: the name gets them all back.
  const bool Separator = !Full.empty() && Full.back() == L'\\';
  if (Separator) Full.pop_back();
  while (!Full.empty() && (Full.back() == L'.' || Full.back() == L' ')) Full.pop_back();
  return Full + Tail + (Separator ? L"\\" : L"");
}

std::wstring OrdinaryPathForm(const std::wstring& Path) {
  if (Path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + Path.substr(8);
  if (Path.rfind(L"\\\\?\\", 0) == 0) return Path.substr(4);
  return Path;
}

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "server\share" at the start of Rest, both names present.
bool StartsWithShare(std::wstring_view Rest) {
  const size_t Server = Rest.find_first_of(L"\\/");
  return Server != std::wstring_view::npos && Server > 0 && Server + 1 < Rest.size() &&
         !IsSeparator(Rest[Server + 1]);
}

}  // namespace

bool IsFullPath(const std::wstring& Path) {
  const std::wstring_view View(Path);
  if (View.size() >= 3 && IsDriveLetter(View[0]) && View[1] == L':' && IsSeparator(View[2])) return true;
  if (View.size() < 3 || !IsSeparator(View[0]) || !IsSeparator(View[1])) return false;
  if (View.substr(0, 4) == L"\\\\?\\") {
    const std::wstring_view Rest = View.substr(4);
    if (Rest.size() >= 3 && IsDriveLetter(Rest[0]) && Rest[1] == L':' && Rest[2] == L'\\') return true;
    return Rest.size() > 4 && CompareStringOrdinal(Rest.data(), 4, L"UNC\\", 4, TRUE) == CSTR_EQUAL &&
           StartsWithShare(Rest.substr(4));
  }
  // "\\.\" names devices, and the other "\\?\" forms no folder of a drive or share.
  if ((View[2] == L'?' || View[2] == L'.') && View.size() > 3 && IsSeparator(View[3])) return false;
  return StartsWithShare(View.substr(2));
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
  // Everything below is reached from the handle of the folder above it.
  const size_t Separator = Top.find_last_of(L'\\');
  if (Separator == std::wstring::npos) return false;
  const std::wstring Parent = Top.substr(0, Separator > 0 && Top[Separator - 1] == L':' ? Separator + 1 : Separator);
  return TOpenedFolder::Open(Parent).RemoveEntry(std::wstring_view(Top).substr(Separator + 1), Attributes);
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

namespace {

bool IsServerChar(wchar_t C) {
  return (C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z') || (C >= L'0' && C <= L'9') || C == L'-' ||
         C == L'_' || C == L'.';
}

// The names by which a computer reaches itself.
bool IsOwnMachineName(const std::wstring& Server) {
  const std::wstring Name = LowerCaseAZ(Server);
  if (Name == L"localhost" || Name.rfind(L"127.", 0) == 0 || Name == L"0.0.0.0") return true;
  wchar_t Computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
  DWORD Size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(Computer, &Size) && Name == LowerCaseAZ(Computer);
}

}  // namespace

bool IsNetworkSharePath(const std::wstring& Path) {
  if (Path.size() > 2048 || Path.rfind(L"\\\\", 0) != 0) return false;
  std::vector<std::wstring> Steps;
  size_t Start = 2;
  for (;;) {
    const size_t End = Path.find(L'\\', Start);
    Steps.push_back(Path.substr(Start, End == std::wstring::npos ? std::wstring::npos : End - Start));
    if (End == std::wstring::npos) break;
    Start = End + 1;
  }
  // The server, the share and at least a file on it.
  if (Steps.size() < 3) return false;
  for (const std::wstring& Step : Steps) {
    if (Step.empty() || Step == L"." || Step == L"..") return false;
    for (const wchar_t C : Step)
      if (C < L' ' || std::wstring_view(L"/:*?\"<>|").find(C) != std::wstring_view::npos) return false;
  }
  const std::wstring& Server = Steps[0];
  for (const wchar_t C : Server)
    if (!IsServerChar(C)) return false;
  if (Server.front() == L'.' || IsOwnMachineName(Server)) return false;
  // "C$", "D$": a whole drive of that computer.
  const std::wstring& Share = Steps[1];
  if (Share.size() == 2 && Share[1] == L'$' && ((Share[0] | 0x20) >= L'a' && (Share[0] | 0x20) <= L'z')) return false;
  return true;
}

