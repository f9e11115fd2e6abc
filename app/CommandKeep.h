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

// The keep list in force: the user's entries (the options' KeepList). Entries
// that a policy sets are to be added here, before the user's, once the
// program reads policies.
TKeepList KeepListInForce(const std::vector<std::wstring>& UserEntries);

// Takes out of the search's result the files the list keeps below Folder.
void DropKeptFiles(const TKeepList& List, const std::wstring& Folder, TVKRFileFind& Find);

// What keeps a subfolder of Folder from Delete: something kept in it, or,
// with an age limit, a file too young to go; none when neither can.
TKeepSubfolder SubfolderKeeper(const TKeepList& List, const std::wstring& Folder, std::optional<uint64_t> AgeLimit);
