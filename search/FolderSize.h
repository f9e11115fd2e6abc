#pragma once
// The size of a folder's whole tree: every file below it, hidden and system
// ones included, whatever the search options say.

#include <cstdint>
#include <functional>
#include <string>

// The sum of the sizes of every file below Folder (one trailing separator
// ignored). -1 when Folder does not exist, or when a listing stops with an
// error other than its normal end. A folder that cannot be listed at all
// (no access) adds 0. Links to folders (junctions, symbolic links) are not
// followed: what they point at is not this folder's content, and a link to
// an ancestor would never end.
// OnFolder, when set, is called before each folder is listed.
int64_t FolderTreeSize(const std::wstring& Folder, const std::function<void()>& OnFolder = {});
