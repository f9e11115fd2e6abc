#include "app/RunLog.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"

#include <shlobj.h>

#include <algorithm>

namespace {

// Creates Folder and the folders above it; true when it exists afterwards.
bool ForceFolders(const std::wstring& Folder) {
  if (Folder.empty() || DirectoryExists(Folder)) return true;
  const std::wstring Parent = ExtractFilePath(ExcludeTrailingPathDelimiter(Folder));
  if (Parent.size() < ExcludeTrailingPathDelimiter(Folder).size() && !ForceFolders(Parent)) return false;
  return CreateDirectoryW(Folder.c_str(), nullptr) != FALSE || DirectoryExists(Folder);
}

bool ReadAll(HANDLE File, std::string& Content) {
  LARGE_INTEGER Size{};
  if (!GetFileSizeEx(File, &Size) || Size.QuadPart < 0) return false;
  Content.resize(static_cast<size_t>(Size.QuadPart));
  size_t Done = 0;
  while (Done < Content.size()) {
    DWORD Read = 0;
    const auto Chunk = static_cast<DWORD>(std::min<size_t>(Content.size() - Done, 1 << 20));
    if (!ReadFile(File, Content.data() + Done, Chunk, &Read, nullptr) || Read == 0) return false;
    Done += Read;
  }
  return true;
}

}  // namespace

bool WriteAllBytes(HANDLE File, std::string_view Bytes) {
  size_t Done = 0;
  while (Done < Bytes.size()) {
    DWORD Written = 0;
    const auto Chunk = static_cast<DWORD>(std::min<size_t>(Bytes.size() - Done, 1 << 20));
    if (!WriteFile(File, Bytes.data() + Done, Chunk, &Written, nullptr) || Written == 0) return false;
    Done += Written;
  }
  return true;
}

std::wstring DefaultRunLogPath() {
  wchar_t Folder[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, Folder)) || Folder[0] == 0)
    return {};
  return JoinPath(JoinPath(JoinPath(Folder, L"Brenlow"), L"Marrowby"), L"Marrowby.log");
}

bool AppendRunLogLine(const std::wstring& Path, const std::string& Line, size_t Limit) {
  if (Path.empty() || !ForceFolders(ExtractFilePath(Path))) return false;
  // Nobody else writes while the lines are counted and the file rewritten.
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return false;
  std::string Content;
  if (!ReadAll(File.get(), Content)) return false;
  const std::string Result = AppendWithinLimit(std::move(Content), Line, Limit);
  LARGE_INTEGER Start{};
  return SetFilePointerEx(File.get(), Start, nullptr, FILE_BEGIN) && WriteAllBytes(File.get(), Result) &&
         SetEndOfFile(File.get());
}

std::optional<std::string> ReadRunLog(const std::wstring& Path) {
  if (Path.empty()) return std::nullopt;
  // A run may be appending right now: it shares reading, so this waits for nothing.
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return std::nullopt;
  std::string Content;
  if (!ReadAll(File.get(), Content)) return std::nullopt;
  return Content;
}
