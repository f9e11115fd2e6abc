#include "search/FindPaths.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"

#include <windows.h>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t UpperAZ(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c; }

std::wstring AppendRelative(const std::wstring& Folder, const std::wstring& Relative) {
  if (Relative.empty()) return Folder;
  if (!Folder.empty() && IsSeparator(Folder.back())) return Folder + Relative;
  return Folder + L"\\" + Relative;
}

// "C:" for a drive path, "\\server\share" for a UNC path.
std::wstring RootOf(const std::wstring& Folder) {
  if (Folder.size() >= 2 && Folder[1] == L':') return Folder.substr(0, 2);
  if (Folder.size() >= 2 && IsSeparator(Folder[0]) && IsSeparator(Folder[1])) {
    size_t Separators = 0;
    for (size_t i = 2; i < Folder.size(); ++i)
      if (IsSeparator(Folder[i]) && ++Separators == 2) return Folder.substr(0, i);
  }
  return Folder;
}

// The current directory of another drive, as the command processor keeps it
// in the "=D:" environment variables; the drive's root without one.
std::wstring DriveCurrentDirectory(wchar_t Drive) {
  const wchar_t Name[] = {L'=', UpperAZ(Drive), L':', L'\0'};
  const DWORD Needed = GetEnvironmentVariableW(Name, nullptr, 0);
  if (Needed != 0) {
    std::wstring Value(Needed, L'\0');
    const DWORD Length = GetEnvironmentVariableW(Name, Value.data(), Needed);
    if (Length != 0 && Length < Needed) {
      Value.resize(Length);
      return Value;
    }
  }
  return std::wstring{Drive, L':', L'\\'};
}

}  // namespace

std::wstring NormaliseStartDir(std::wstring Line) {
  if (Line == L"\\" || Line.empty() || Line.back() != L'\\') return Line;
  if (Line.size() == 3 && Line[1] == L':') return Line;
  Line.pop_back();
  return Line;
}

int32_t FolderDepth(std::wstring_view Path) {
  const bool Unc = Path.size() > 2 && Path[0] == L'\\' && Path[1] == L'\\' && Path[2] != L'\\';
  int32_t Depth = 0;
  bool SkipMachine = Unc;
  size_t Start = 0;
  while (Start <= Path.size()) {
    size_t End = Path.find(L'\\', Start);
    if (End == std::wstring_view::npos) End = Path.size();
    const std::wstring_view Piece = Path.substr(Start, End - Start);
    if (!Piece.empty()) {
      if (SkipMachine)
        SkipMachine = false;
      else if (Piece.find(L':') == std::wstring_view::npos)
        ++Depth;
    }
    Start = End + 1;
  }
  return Depth;
}

int32_t PathDepth(const std::wstring& Path) {
  // A folder part ends with "\" or ":" and is its own folder part, so only
  // other paths need a look at the disk.
  if (!Path.empty() && (Path.back() == L'\\' || Path.back() == L':')) return FolderDepth(Path);
  if (DirectoryExists(Path)) return FolderDepth(Path);
  return FolderDepth(ExtractFilePath(Path));
}

bool OutsideDepthRange(const std::wstring& Entry, int32_t Base, int32_t MinDepth, int32_t MaxDepth) {
  const auto Outside = [&](int32_t Depth) { return Depth < MinDepth || Depth > MaxDepth; };
  const bool OutsideAsFile = Outside(FolderDepth(ExtractFilePath(Entry)) - Base);
  const bool OutsideAsFolder = Outside(FolderDepth(Entry) - Base);
  if (OutsideAsFile == OutsideAsFolder) return OutsideAsFile;
  return DirectoryExists(Entry) ? OutsideAsFolder : OutsideAsFile;
}

int32_t CommonPrefixLength(std::wstring_view A, std::wstring_view B) {
  if (A.empty() || B.empty()) return 0;
  const std::wstring_view Shorter = A.size() <= B.size() ? A : B;
  const std::wstring_view Longer = A.size() <= B.size() ? B : A;
  size_t Equal = 0, LastSeparator = 0;
  while (Equal < Shorter.size() && Shorter[Equal] == Longer[Equal]) {
    if (Shorter[Equal] == L'\\' || Shorter[Equal] == L':') LastSeparator = Equal + 1;
    ++Equal;
  }
  const bool StoppedAtDifference = Equal < Shorter.size();
  return static_cast<int32_t>(StoppedAtDifference && LastSeparator < Equal ? LastSeparator : Equal);
}

bool IsBackupFileName(const std::wstring& Path) {
  const std::wstring Extension = ExtractFileExt(Path);
  return Extension.size() >= 2 && Extension[1] == L'~';
}

std::wstring ResolveDirectory(const std::wstring& Base, const std::wstring& Path) {
  std::wstring Combined;
  if (Path.size() >= 2 && IsSeparator(Path[0]) && IsSeparator(Path[1])) {
    Combined = Path;
  } else if (Path.size() >= 2 && Path[1] == L':' && IsDriveLetter(Path[0])) {
    if (Path.size() >= 3 && IsSeparator(Path[2])) {
      Combined = Path;
    } else {
      const bool SameDrive = Base.size() >= 2 && Base[1] == L':' && UpperAZ(Base[0]) == UpperAZ(Path[0]);
      Combined = AppendRelative(SameDrive ? Base : DriveCurrentDirectory(Path[0]), Path.substr(2));
    }
  } else if (!Path.empty() && IsSeparator(Path[0])) {
    Combined = RootOf(Base) + Path;
  } else {
    Combined = AppendRelative(Base, Path);
  }
  std::wstring Full = FullPathName(Combined);
  if (Full.empty()) Full = Combined;
  if (Full.size() >= 2 && Full.back() == L'\\' && Full[Full.size() - 2] != L':') Full.pop_back();
  return Full;
}

bool CanEnterDirectory(const std::wstring& Folder) {
  // The access and sharing the platform asks for when it makes a folder current.
  UniqueFile Handle(CreateFileW(LongPathForm(Folder).c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
  if (!Handle) return false;
  BY_HANDLE_FILE_INFORMATION Information{};
  return GetFileInformationByHandle(Handle.get(), &Information) != FALSE &&
         (Information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring CurrentDirectory() {
  const DWORD Needed = GetCurrentDirectoryW(0, nullptr);
  std::wstring Result(Needed, L'\0');
  const DWORD Length = GetCurrentDirectoryW(Needed, Result.data());
  Result.resize(Length < Needed ? Length : 0);
  return Result;
}
