#include "search/FileDetails.h"

#include "framework/FileSystem.h"
#include "search/FileAge.h"

namespace {

int64_t FileSize64(DWORD High, DWORD Low) { return static_cast<int64_t>((static_cast<uint64_t>(High) << 32) | Low); }

}  // namespace

void TListedFileDetails::Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) {
  if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  FFiles.insert_or_assign(JoinPath(Folder, Data.cFileName),
                          TDetails{FileSize64(Data.nFileSizeHigh, Data.nFileSizeLow), FileTimeValue(Data.ftLastWriteTime)});
}

bool TListedFileDetails::Find(const std::wstring& File, int64_t& Size, uint64_t& LastWrite) const {
  if (const auto Found = FFiles.find(File); Found != FFiles.end()) {
    Size = Found->second.Size;
    LastWrite = Found->second.LastWrite;
    return true;
  }
  WIN32_FILE_ATTRIBUTE_DATA Data{};
  if (!GetFileAttributesExW(LongPathForm(File).c_str(), GetFileExInfoStandard, &Data)) return false;
  Size = FileSize64(Data.nFileSizeHigh, Data.nFileSizeLow);
  LastWrite = FileTimeValue(Data.ftLastWriteTime);
  return true;
}
