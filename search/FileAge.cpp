#include "search/FileAge.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "search/FoundFiles.h"

#include <windows.h>

namespace {

constexpr uint64_t FileTimeTicksPerDay = 864'000'000'000ULL;

uint64_t ToUInt64(const FILETIME& Time) {
  return (static_cast<uint64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime;
}

}  // namespace

uint64_t AgeLimit(uint64_t Now, int Days) {
  const uint64_t Span = static_cast<uint64_t>(Days < 0 ? 0 : Days) * FileTimeTicksPerDay;
  return Now > Span ? Now - Span : 0;
}

uint64_t FileTimeNow() {
  FILETIME Now{};
  GetSystemTimeAsFileTime(&Now);
  return ToUInt64(Now);
}

bool LastWriteTime(const std::wstring& File, uint64_t& Time) {
  WIN32_FILE_ATTRIBUTE_DATA Data{};
  if (!GetFileAttributesExW(LongPathForm(File).c_str(), GetFileExInfoStandard, &Data)) return false;
  Time = ToUInt64(Data.ftLastWriteTime);
  return true;
}

void KeepFilesOlderThan(std::vector<std::wstring>& Files, std::vector<std::wstring>& Hits, uint64_t Limit) {
  KeepFoundFiles(Files, Hits, [Limit](const std::wstring& File) {
    uint64_t Time = 0;
    return LastWriteTime(File, Time) && Time <= Limit;
  });
}

bool HoldsFileNewerThan(const std::wstring& Folder, uint64_t Limit) {
  std::vector<std::wstring> Pending{Folder};
  while (!Pending.empty()) {
    const std::wstring Current = std::move(Pending.back());
    Pending.pop_back();
    TFolderListing Listing(Current, L"*");
    if (!Listing.Opened()) return true;
    for (; Listing.HasEntry(); Listing.Next()) {
      const WIN32_FIND_DATAW& Entry = Listing.Entry();
      if (IsDotName(Entry.cFileName)) continue;
      if ((Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (ToUInt64(Entry.ftLastWriteTime) > Limit) return true;
      } else if ((Entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        Pending.push_back(JoinPath(Current, Entry.cFileName));
      }
    }
    if (Listing.EndError() != ERROR_NO_MORE_FILES) return true;
  }
  return false;
}
