#pragma once
// The size of a folder's whole tree: every file below it, hidden and system
// ones included, whatever the search options say.

#include "search/FindWalk.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

// The sum of the sizes of every file below Folder (one trailing separator
// ignored). -1 when Folder does not exist, or when a listing stops with an
// error other than its normal end. A folder that cannot be listed at all
// (no access) adds 0. Links to folders (junctions, symbolic links) are not
// followed: what they point at is not this folder's content, and a link to
// an ancestor would never end.
// OnFolder, when set, is called before each folder is listed.
int64_t FolderTreeSize(const std::wstring& Folder, const std::function<void()>& OnFolder = {});

// Shows Visit every file in the tree below Top, hidden and system ones
// included, depth first; links to folders are not followed. Visit returns
// false to stop the walk there. True when every folder was listed to its
// end: false when Visit stopped it, when a listing broke off with an error,
// or, with UnlistedFails, when a folder could not be listed at all (without
// it, such a folder, gone or out of reach, simply adds nothing). OnFolder,
// when set, is called before each folder is listed.
bool WalkFilesBelow(const std::wstring& Top, bool UnlistedFails,
                    const std::function<bool(const WIN32_FIND_DATAW& File)>& Visit,
                    const std::function<void()>& OnFolder = {});

// The same measure, sharing the listings of a file search over the same
// folder: the search shows this object every folder it lists; Result then
// lists only what the search did not (hidden folders, or every subfolder of
// a search that was not recursive) and gives exactly what FolderTreeSize
// would.
class TFolderTreeMeasure : public TFindListingObserver {
public:
  void Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) override;
  void Listed(const std::wstring& Folder, DWORD EndError) override;

  int64_t Result(const std::wstring& Folder, const std::function<void()>& OnFolder = {});

private:
  int64_t FSum = 0;
  bool FFailed = false;
  std::unordered_set<std::wstring> FListed;
  std::vector<std::wstring> FSubfolders;
};
