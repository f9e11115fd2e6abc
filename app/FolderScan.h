#pragma once
// The search Scan runs over one listed folder, shared by every command that
// measures a folder as Scan does (Scan itself, Delete, View Files, Find
// Folders), so that their figures cannot drift apart.

#include "app/FolderModel.h"
#include "app/FoundFilter.h"
#include "options/OptionsRecord.h"
#include "search/KeepList.h"
#include "search/VKRFileFind.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Sets Find up as the options say: every file, hidden and system ones too;
// folders entered unless hidden; the options' patterns and recursion.
void SetUpFolderSearch(TVKRFileFind& Find, const TOptions& Options);

// What a command fixes when it starts.
struct TFolderSearchRules {
  const TOptions& Options;
  std::optional<uint64_t> AgeLimit;  // "Only files older than", none when off
  const TKeepList& Keep;
};

// Runs Find over Folder (a full path; anything else finds nothing) and
// takes out of what it found the files the rules leave: deeper than the
// depth limit, too young, kept. A file matched by several patterns counts
// once. False when Stopped said so after the search.
bool SearchListedFolder(TVKRFileFind& Find, const std::wstring& Folder, const TFolderSearchRules& Rules,
                        const std::function<bool()>& Stopped);

// The rule of TFoundFilter for a search Find set up as Rules say.
TFoundRule FoundRuleOf(const TVKRFileFind& Find, const TFolderSearchRules& Rules);

// Measures Folder as Scan does: its subfolders, the files the search finds
// and the size of its whole tree (Bytes, -1 when the folder is not there or
// a listing broke off). None when Stopped said so. OnFolder is called
// before each folder the size walk lists itself.
std::optional<TFolderFigures> MeasureListedFolder(TVKRFileFind& Find, const std::wstring& Folder,
                                                  const TFolderSearchRules& Rules, const std::function<bool()>& Stopped,
                                                  const std::function<void()>& OnFolder = {}, int64_t* Bytes = nullptr);
