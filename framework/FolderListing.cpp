#include "framework/FolderListing.h"

#include "framework/FileSystem.h"

TFolderListing::TFolderListing(const std::wstring& Folder, const wchar_t* Mask, bool WithShortNames) {
  const std::wstring Path = LongPathForm(JoinPath(Folder, Mask));
  FFind.reset(FindFirstFileExW(Path.c_str(), WithShortNames ? FindExInfoStandard : FindExInfoBasic, &FData, FindExSearchNameMatch, nullptr,
                               FIND_FIRST_EX_LARGE_FETCH));
  if (FFind) {
    FOpened = true;
    return;
  }
  // A folder with no matching entry lists fine; anything else means it could not be reached.
  FOpenError = GetLastError();
  FOpened = FOpenError == ERROR_FILE_NOT_FOUND || FOpenError == ERROR_NO_MORE_FILES;
}

void TFolderListing::Next() {
  if (!FindNextFileW(FFind.get(), &FData)) {
    FEndError = GetLastError();
    FFind.reset();
  }
}
