#include "search/FolderSize.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "framework/Handle.h"

#include <windows.h>

#include <vector>

namespace {

int64_t FileSize(const WIN32_FIND_DATAW& Data) {
  return (static_cast<int64_t>(Data.nFileSizeHigh) << 32) | Data.nFileSizeLow;
}

bool IsFollowedFolder(DWORD Attributes) {
  return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

bool WalkFilesBelow(const std::wstring& Top, bool UnlistedFails,
                    const std::function<bool(const WIN32_FIND_DATAW& File)>& Visit,
                    const std::function<void()>& OnFolder) {
  // Depth first with an explicit stack: deep trees must not exhaust the thread's stack.
  std::vector<std::wstring> Pending{Top};
  while (!Pending.empty()) {
    const std::wstring Current = std::move(Pending.back());
    Pending.pop_back();
    if (OnFolder) OnFolder();
    TFolderListing Listing(Current);
    if (!Listing.Opened() && UnlistedFails) return false;
    for (; Listing.HasEntry(); Listing.Next()) {
      const WIN32_FIND_DATAW& Data = Listing.Entry();
      if (IsDotName(Data.cFileName)) continue;
      if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!Visit(Data)) return false;
      } else if (IsFollowedFolder(Data.dwFileAttributes)) {
        Pending.push_back(JoinPath(Current, Data.cFileName));
      }
    }
    if (Listing.Opened() && Listing.EndError() != ERROR_NO_MORE_FILES) return false;
  }
  return true;
}

namespace {

// The tree below a folder that exists (or existed a moment ago). Temp folders
// churn: a subfolder that is gone by the time it is listed is simply no longer
// part of the tree, so only a listing that breaks off with an error abandons
// the measure.
int64_t TreeSizeBelow(const std::wstring& Top, const std::function<void()>& OnFolder) {
  int64_t Total = 0;
  const bool Complete = WalkFilesBelow(
      Top, false,
      [&Total](const WIN32_FIND_DATAW& File) {
        Total += FileSize(File);
        return true;
      },
      OnFolder);
  return Complete ? Total : -1;
}

}  // namespace

int64_t FolderTreeSize(const std::wstring& Folder, const std::function<void()>& OnFolder) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Folder);
  // Any other path would measure wherever the process stands.
  if (!IsFullPath(Top) || !DirectoryExists(Top)) return -1;
  return TreeSizeBelow(Top, OnFolder);
}

void TFolderTreeMeasure::Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) {
  if (IsDotName(Data.cFileName)) return;
  if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    FSum += FileSize(Data);
  else if (IsFollowedFolder(Data.dwFileAttributes))
    FSubfolders.push_back(JoinPath(Folder, Data.cFileName));
}

void TFolderTreeMeasure::Listed(const std::wstring& Folder, DWORD EndError) {
  FListed.insert(Folder);
  if (EndError != ERROR_NO_MORE_FILES) FFailed = true;
}

int64_t TFolderTreeMeasure::Result(const std::wstring& Folder, const std::function<void()>& OnFolder) {
  // The search listed nothing (no such folder, or it could not start): measure alone.
  if (FListed.empty()) return FolderTreeSize(Folder, OnFolder);
  if (FFailed) return -1;
  int64_t Total = FSum;
  for (const std::wstring& Subfolder : FSubfolders) {
    if (FListed.count(Subfolder) != 0) continue;
    const int64_t Part = TreeSizeBelow(Subfolder, OnFolder);
    if (Part < 0) return -1;
    Total += Part;
  }
  return Total;
}
