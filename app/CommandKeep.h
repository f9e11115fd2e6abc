#pragma once
// The keep list as Scan, Delete, View Files and the unattended run apply it:
// read when a command starts, it takes kept files out of what the search
// found and keeps the subfolders that hold anything kept.

#include "app/FolderDelete.h"
#include "search/KeepList.h"
#include "search/VKRFileFind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The keep list in force: the entries a policy sets ("Keep" under the policy
// key, in the folder list's form) and the user's own (the options' KeepList).
TKeepList KeepListInForce(const std::vector<std::wstring>& PolicyEntries, const std::vector<std::wstring>& UserEntries);
// Its entries, policy's first.
std::vector<std::wstring> KeepEntriesInForce(const std::vector<std::wstring>& PolicyEntries, const std::vector<std::wstring>& UserEntries);

// What keeps a subfolder of Folder from Delete: something kept in it, or,
// with an age limit, a file too young to go; none when neither can.
TKeepSubfolder SubfolderKeeper(const TKeepList& List, const std::wstring& Folder, std::optional<uint64_t> AgeLimit);
