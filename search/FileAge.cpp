#include "search/FileAge.h"

#include "framework/FileSystem.h"
#include "search/FolderSize.h"
#include "search/FoundFiles.h"

#include <windows.h>

namespace {

constexpr uint64_t FileTimeTicksPerDay = 864'000'000'000ULL;

}  // namespace

uint64_t FileTimeValue(const FILETIME& Time) {
  return (static_cast<uint64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime;
}

uint64_t AgeLimit(uint64_t Now, int Days) {
  const uint64_t Span = static_cast<uint64_t>(Days < 0 ? 0 : Days) * FileTimeTicksPerDay;
  return Now > Span ? Now - Span : 0;
}

uint64_t FileTimeNow() {
  FILETIME Now{};
  GetSystemTimeAsFileTime(&Now);
  return FileTimeValue(Now);
}

bool LastWriteTime(const std::wstring& File, uint64_t& Time) {
  WIN32_FILE_ATTRIBUTE_DATA Data{};
  if (!GetFileAttributesExW(LongPathForm(File).c_str(), GetFileExInfoStandard, &Data)) return false;
  Time = FileTimeValue(Data.ftLastWriteTime);
  return true;
}

void KeepFilesOlderThan(std::vector<std::wstring>& Files, std::vector<std::wstring>& Hits, uint64_t Limit) {
  KeepFoundFiles(Files, Hits, [Limit](const std::wstring& File) {
    uint64_t Time = 0;
    return LastWriteTime(File, Time) && Time <= Limit;
  });
}

bool HoldsFileNewerThan(const std::wstring& Folder, uint64_t Limit) {
  // A walk that does not get through the whole tree has found a young file,
  // or could not look everywhere.
  return !WalkFilesBelow(Folder, true,
                         [Limit](const WIN32_FIND_DATAW& File) { return FileTimeValue(File.ftLastWriteTime) <= Limit; });
}
