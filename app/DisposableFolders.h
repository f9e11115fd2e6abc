#pragma once
// The catalogue's folders on this PC: read from the program's resources,
// expanded (DisposableCatalogue.h), and each checked on the folder itself
// before it is offered. A folder is offered only when it opens as itself
// all the way from its base folder (no link or junction on the way, nor the
// folder itself one) and Delete would empty it (ProtectedFolders.h): the
// check goes by what the opened folder is, never by how its path is
// spelled. Finding deletes nothing.

#include "app/DisposableCatalogue.h"
#include "app/ProtectedFolders.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The user's temporary folder: what GetTempPath names, without its trailing
// separator, in its long form (as it is when that cannot be made).
std::wstring UserTempFolder();

// The catalogue of the program's resources.
const std::vector<TDisposableLocation>& DisposableCatalogue();

// The known folder a catalogue base names ("LocalAppData"); none for "Temp"
// (the user's temporary folder), a variable and a name the catalogue does not know.
const KNOWNFOLDERID* KnownFolderOfBase(const std::wstring& Base);

// Where the catalogue's bases are: known folders where KnownFolder puts
// them, "Temp" the folder TempFolder names, "%NAME%" the environment
// variable (only when it holds a full path). This PC's and this user's
// unless a test says otherwise.
struct TBaseFolders {
  TKnownFolderPath KnownFolder = SystemKnownFolderPath;
  std::function<std::wstring()> TempFolder = UserTempFolder;
  // The folder Base names, without a trailing separator; none when it names none.
  std::optional<std::wstring> Of(const std::wstring& Base) const;
};

// The file system as the expansion asks it: bases from Bases, and the
// subfolders of a folder opened as itself.
TLocationSystem LocationSystemOf(const TBaseFolders& Bases);

// One catalogue folder found on this PC.
struct TFoundLocation {
  size_t Entry = 0;   // index into the catalogue
  std::wstring Path;
  std::wstring Refusal;  // why it is not offered; empty when it is
  bool Offered() const { return Refusal.empty(); }
};

// The folders of Catalogue that exist here, in the catalogue's order: those
// that may be offered, and those shown with why not (a link, a path through
// one, a folder Delete never empties, a path too long). Absent ones are
// left out. A folder named twice (two bases on one folder) is found once.
std::vector<TFoundLocation> FindDisposableFolders(const std::vector<TDisposableLocation>& Catalogue,
                                                  const TLocationSystem& System, const TProtectedFolders& Protected);
