#include "search/Subfolders.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"

std::vector<TSubfolderEntry> ListSubfolders(const std::wstring& Path) {
  std::vector<TSubfolderEntry> Result;
  // Any other path would list wherever the process stands.
  if (!IsFullPath(Path)) return Result;
  for (TFolderListing Listing(Path, L"*.*"); Listing.HasEntry(); Listing.Next()) {
    const WIN32_FIND_DATAW& Entry = Listing.Entry();
    // Hidden entries are left alone; system files count as subfolders.
    if ((Entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0 || IsDotName(Entry.cFileName)) continue;
    if ((Entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM)) != 0)
      Result.push_back({Entry.cFileName, Entry.dwFileAttributes});
  }
  return Result;
}
