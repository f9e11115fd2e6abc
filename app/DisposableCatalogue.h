#pragma once
// The catalogue of places where Windows and common programs keep what can go
// (crash dumps, error reports waiting to be sent, shader caches, browser and
// package-manager caches), and the expansion of its entries into the folders
// of one PC. The catalogue itself is data, the text resource
// resources/DisposableFolders.txt; this part knows no platform: where a
// base folder is and which subfolders a folder holds are asked of whoever
// calls.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TDisposableLocation {
  std::wstring Name;         // "Crash dumps"
  std::wstring Description;  // one sentence a user understands
  // Where the entry starts: a known folder by the name the catalogue gives
  // it ("LocalAppData"), or an environment variable in percent signs ("%TEMP%").
  std::wstring Base;
  // The folders below Base, one element each; "*" stands for every
  // subfolder there (a browser's profiles). Empty: Base itself.
  std::vector<std::wstring> Path;
  std::wstring Safe;       // why emptying it loses nothing the user keeps
  bool Temporary = false;  // a temporary folder: ticked when offered
};

// One line of the text that could not be taken, for the catalogue's own test.
struct TCatalogueError {
  int Line = 0;
  std::wstring Text;
};

// Reads the catalogue text: blocks that start with "[Name]", followed by
// "Description=", "Where=" ("{KnownFolder}\a\*\b" or "%VARIABLE%\a"),
// "Safe=" and optionally "Temporary=1"; ";" starts a comment line. A block
// that lacks a part, or whose path holds "." or "..", a wildcard inside a
// name, a drive or a colon, is left out and named in Errors.
std::vector<TDisposableLocation> ParseDisposableCatalogue(std::wstring_view Text,
                                                          std::vector<TCatalogueError>* Errors = nullptr);

// A subfolder as a folder's listing shows it.
struct TListedSubfolder {
  std::wstring Name;
  bool Link = false;  // a junction or symbolic link: never entered, never offered
};

// What the expansion asks of the file system.
struct TLocationSystem {
  // The folder a base names on this PC; none when the system cannot name it.
  std::function<std::optional<std::wstring>(const std::wstring& Base)> BaseFolder;
  // The subfolders directly in Folder; nothing when Folder is not there.
  std::function<std::vector<TListedSubfolder>(const std::wstring& Folder)> Subfolders;
};

// One folder an entry names on this PC.
struct TLocationCandidate {
  size_t Entry = 0;   // index into the catalogue
  std::wstring Path;  // full path
  // Why it is not offered ("a link or junction", "the path is too long");
  // empty for a candidate the caller still has to check on the folder itself.
  std::wstring Refusal;
};

// The longest path a candidate may have: past it the system cannot name the
// folder at all.
constexpr size_t LongestLocationPath = 32000;

// The folders the entries name: each "*" is replaced by every subfolder the
// folder above it holds, in the order listed. A "*" that matches a link
// gives a refused candidate (a folder reached through it is nobody's cache),
// and so does a path longer than Longest. Elements that are not "*" are
// joined as they are; whether such a folder exists is the caller's question.
std::vector<TLocationCandidate> ExpandLocations(const std::vector<TDisposableLocation>& Catalogue,
                                                const TLocationSystem& System,
                                                size_t Longest = LongestLocationPath);
