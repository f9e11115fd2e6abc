#pragma once
// The keep list: what no command ever deletes. An entry is either a name
// pattern ("*.lock", "desktop.ini", ".stfolder"), matched against the name of
// every file and folder below a listed folder, or the full path of one file
// or folder. A kept folder keeps everything in it; a kept entry keeps every
// folder above it up to the listed folder, as a file too young to go does.
//
// A path entry is taken by what it names, not by how it is spelled: it is
// resolved as the system resolves a full path ("." and "..", "/", the dots
// and blanks that end a name), and the entry and the listed folder are both
// opened and compared by identity (another drive letter, a short name or a
// link to the same folder make no difference). An entry that is not a full
// path names nothing: it is never taken from the current folder. An entry
// with ";" is several entries (SplitKeepEntry). The list is read once when
// a command starts; what it names is looked up then.

#include "framework/FolderHandle.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// True when Entry is a path (it holds "\", "/" or ":"); a name pattern otherwise.
bool IsKeepPathEntry(const std::wstring& Entry);

// True when Entry is a full path that names a file or folder on this PC now.
bool KeepPathNamesSomething(const std::wstring& Entry);

// The entries Entry stands for: split at ";" ("*.keep;*.tmp" is two
// patterns), the blanks around each piece and the empty pieces left out;
// Entry alone when it holds no ";" or is a full path that names something
// (a name may hold ";").
std::vector<std::wstring> SplitKeepEntry(const std::wstring& Entry);

// Name patterns with "*" and "?", letters compared without regard to case
// as the file system compares them; "*" and "*.*" match every name, as they
// do in a folder listing. An empty pattern matches nothing.
class TKeepPatterns {
public:
  void Add(const std::wstring& Pattern);
  bool Empty() const { return !FEverything && FExact.empty() && FSuffixes.empty() && FOthers.empty(); }
  bool MatchesEverything() const { return FEverything; }
  bool Matches(std::wstring_view Name) const;
  // Name upper-cased as file names compare (the list's own upper-casing).
  bool MatchesUpper(const std::wstring& UpperName) const;

private:
  bool FEverything = false;
  std::unordered_set<std::wstring> FExact;  // upper case, no wildcard
  // "*" followed by text without wildcards: the text, upper case, by its length.
  std::unordered_map<size_t, std::unordered_set<std::wstring>> FSuffixes;
  std::vector<std::wstring> FOthers;  // upper case, any other pattern
};

// What the keep list keeps below one listed folder.
class TKeptBelow {
public:
  // Everything in the folder is kept: the folder itself, or one above it, is
  // on the list, or a pattern matches every name.
  bool KeepsEverything() const { return FEverything; }
  bool Empty() const { return !FEverything && FPaths.empty() && (FPatterns == nullptr || FPatterns->Empty()); }
  // A file a search of the listed folder found (a full path starting with
  // the listed folder's text as the search was given it): kept when its
  // name, or the name of a folder between it and the listed folder, matches
  // a pattern, or when it or one of those folders is a kept path.
  bool KeepsFile(const std::wstring& Path) const;
  // A subfolder of the listed folder, deleted as a whole tree: kept when it
  // is kept itself or holds anything kept, at any depth (hidden and system
  // entries included; links are not followed). A folder that cannot be
  // listed is not known to hold nothing kept: it stays.
  bool KeepsSubfolder(const std::wstring& Subfolder) const;

private:
  friend class TKeepList;
  bool KeepsRelative(std::wstring_view Relative) const;

  bool FEverything = false;
  std::wstring FFolder;  // the listed folder's text, without a trailing separator (a root keeps its own)
  const TKeepPatterns* FPatterns = nullptr;
  // Kept paths below the folder, relative to it, upper case, one "\" between names.
  std::unordered_set<std::wstring> FPaths;
  // The first names of those paths, upper case: the subfolders they keep.
  std::unordered_set<std::wstring> FFirstNames;
  // Found files come folder by folder: the answer for the last folder serves the next file.
  mutable std::wstring FLastFolder;
  mutable bool FLastFolderKept = false;
  mutable bool FLastValid = false;
};

class TKeepList {
public:
  TKeepList() = default;
  // Takes the entries as stored, each exactly as it is (no trimming, no
  // splitting at ";"), and looks up what every path entry names now.
  explicit TKeepList(const std::vector<std::wstring>& Entries);

  bool Empty() const { return FPatterns.Empty() && FPaths.empty(); }
  // What is kept below Folder (a full path); the list must outlive the result.
  TKeptBelow Below(const std::wstring& Folder) const;

private:
  struct TKeptPath {
    // The identity of every folder from the root down to the entry itself
    // (the last); a level that could not be opened has none.
    std::vector<std::optional<TFileIdentity>> Chain;
    std::vector<std::wstring> Names;  // the names below the root, upper case, long form
  };

  TKeepPatterns FPatterns;
  std::vector<TKeptPath> FPaths;
};
