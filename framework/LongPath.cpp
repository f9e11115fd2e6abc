#include "framework/LongPath.h"

#include <windows.h>

namespace {

// CreateDirectoryW is the strictest of the ordinary-path calls: it leaves
// room for an 8.3 name below MAX_PATH.
constexpr size_t OrdinaryLimit = MAX_PATH - 12;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasExtendedPrefix(const std::wstring& Path) {
  return Path.size() >= 4 && Path[0] == L'\\' && Path[1] == L'\\' && (Path[2] == L'?' || Path[2] == L'.') &&
         Path[3] == L'\\';
}

}  // namespace

std::wstring ExtendedLengthPath(const std::wstring& Path) {
  if (Path.size() < OrdinaryLimit || HasExtendedPrefix(Path)) return Path;
  const bool DriveAbsolute = Path.size() >= 3 && Path[1] == L':' && IsSeparator(Path[2]);
  const bool Unc = Path.size() >= 3 && IsSeparator(Path[0]) && IsSeparator(Path[1]) && !IsSeparator(Path[2]);
  if (!DriveAbsolute && !Unc) return Path;
  // The extended form skips every normalisation: do it here.
  const std::wstring Full = FullPathName(Path);
  if (Full.size() >= 2 && Full[0] == L'\\' && Full[1] == L'\\') return L"\\\\?\\UNC\\" + Full.substr(2);
  return L"\\\\?\\" + Full;
}

std::wstring FullPathName(const std::wstring& Path) {
  const DWORD Needed = GetFullPathNameW(Path.c_str(), 0, nullptr, nullptr);
  if (Needed == 0) return Path;
  std::wstring Result(Needed, L'\0');
  const DWORD Length = GetFullPathNameW(Path.c_str(), Needed, Result.data(), nullptr);
  if (Length == 0 || Length >= Needed) return Path;
  Result.resize(Length);
  return Result;
}
