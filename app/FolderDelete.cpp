// Placeholder until the engine lands: the plain behaviour, no batching.
#include "app/FolderDelete.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "search/Subfolders.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {
bool ShellDelete(const std::wstring& Path, FILEOP_FLAGS Flags) {
  std::wstring From = Path;
  From.push_back(L'\0');
  SHFILEOPSTRUCTW Operation{};
  Operation.wFunc = FO_DELETE;
  Operation.pFrom = From.c_str();
  Operation.fFlags = Flags;
  return SHFileOperationW(&Operation) == 0;
}
}  // namespace

bool IsFileInUse(const std::wstring& FileName) {
  if (!FileExists(FileName)) return false;
  UniqueFile File(CreateFileW(LongPathForm(FileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !File.valid();
}

bool DeleteOneFile(const std::wstring& FileName, TDeleteMode Mode) {
  if (Mode == TDeleteMode::dmRecycleBin) return ShellDelete(FileName, 0x06D4);
  return DeleteFileW(LongPathForm(FileName).c_str()) != FALSE;
}

bool DeleteFoundFiles(std::vector<std::wstring>& Files, TDeleteMode Mode, const std::function<bool()>& Step) {
  std::vector<std::wstring> Left;
  size_t i = 0;
  bool Finished = true;
  for (; i < Files.size(); ++i) {
    if (IsFileInUse(Files[i]) || !DeleteOneFile(Files[i], Mode)) Left.push_back(Files[i]);
    if (Step && !Step()) {
      ++i;
      Finished = false;
      break;
    }
  }
  for (; i < Files.size(); ++i) Left.push_back(Files[i]);
  Files.swap(Left);
  return Finished;
}

bool DeleteDirectoryTree(const std::wstring& Path, TDeleteMode Mode) {
  if (Mode == TDeleteMode::dmRecycleBin)
    return ShellDelete(JoinPath(Path, L"*.*"), 0x0654) && ShellDelete(ExcludeTrailingPathDelimiter(Path), 0x0654);
  RemoveTree(Path);
  return !DirectoryExists(Path);
}

int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue) {
  int32_t Deleted = 0;
  for (const TSubfolderEntry& Entry : ListSubfolders(Path)) {
    if (Continue && !Continue()) break;
    if ((Entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    if (DeleteDirectoryTree(JoinPath(Path, Entry.Name), Mode)) ++Deleted;
  }
  return Deleted;
}

std::wstring ProtectedFolderReason(const std::wstring& Folder) {
  wchar_t Full[MAX_PATH] = L"";
  if (GetFullPathNameW(Folder.c_str(), MAX_PATH, Full, nullptr) == 0) return L"not a folder";
  const std::wstring Path = ExcludeTrailingPathDelimiter(Full);
  if (Path.size() <= 2) return L"a drive root";
  const int Csidls[] = {CSIDL_WINDOWS, CSIDL_PROFILE, CSIDL_PROGRAM_FILES, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL};
  for (int Csidl : Csidls) {
    wchar_t Known[MAX_PATH] = L"";
    if (SUCCEEDED(SHGetFolderPathW(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, Known)) &&
        lstrcmpiW(ExcludeTrailingPathDelimiter(Known).c_str(), Path.c_str()) == 0)
      return L"a system or personal folder";
  }
  return {};
}
