#pragma once
// The folders a Delete must never empty, known by identity (volume and file
// ID from an opened handle), so that no other spelling of one (another drive
// letter, a link, a junction, a short name, a network path) gets through:
// the system's and the user's known folders, every folder that holds one
// (emptying it would delete the folder whole), every drive root, and
// everything inside the Windows folder except the few folders that exist to
// be emptied (WindowsFolderAllowed), whatever drive letter reaches it. A
// known folder whose identity cannot be read when the set is made (a
// redirected folder on a server that does not answer, a folder not there)
// is still protected by its full path, compared as the file system compares
// names: the set fails closed. The set is made afresh for every command.

#include "framework/FolderHandle.h"

#include <shtypes.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct TProtectedFolder {
  std::wstring Path;
  std::wstring Reason;  // what the folder is, as a message says it: "the Fonts folder"
};

// The known folders a Delete never empties, with what a message calls them.
struct TKnownProtectedFolder {
  const KNOWNFOLDERID* Id;
  const wchar_t* Reason;
};
std::span<const TKnownProtectedFolder> KnownProtectedFolders();

// Where a known folder is on this PC; empty when the system cannot say.
using TKnownFolderPath = std::function<std::wstring(const KNOWNFOLDERID& Id)>;
std::wstring SystemKnownFolderPath(const KNOWNFOLDERID& Id);

// The folders directly inside the Windows folder that may be emptied, with
// everything below them.
const std::vector<std::wstring>& WindowsFolderAllowed();

class TProtectedFolders {
public:
  // Folders given by path (links followed: the folder they reach counts);
  // WindowsFolder, when given, protects everything inside it but Allowed.
  TProtectedFolders(const std::vector<TProtectedFolder>& Folders, const std::wstring& WindowsFolder,
                    const std::vector<std::wstring>& Allowed = WindowsFolderAllowed(), bool DriveRoots = true);

  // The known folders (KnownProtectedFolders, where Where puts them), the
  // drive roots and the Windows folder; of this system and user unless
  // Where says otherwise.
  static TProtectedFolders System(const TKnownFolderPath& Where = SystemKnownFolderPath, bool DriveRoots = true);

  // Why the folder Folder is open on must not be emptied; empty when it may.
  // Spelled, when given, is the path it was opened by.
  std::wstring Reason(const TOpenedFolder& Folder, const std::wstring& Spelled = {}) const;

private:
  struct TEntry {
    TFileIdentity Identity;
    std::wstring Reason;
  };
  struct TNamed {
    std::wstring Path;  // full, without a trailing separator
    std::wstring Reason;
  };
  void Add(std::vector<TEntry>& To, HANDLE Handle, const std::wstring& Reason);
  void AddNamed(const std::wstring& Path, const std::wstring& Reason);
  const std::wstring* Find(const std::vector<TEntry>& In, const TFileIdentity& Identity) const;
  const std::wstring* FindNamed(const std::wstring& Path) const;
  bool IsWindowsFolder(HANDLE Handle) const;
  bool IsInsideWindowsFolder(HANDLE Handle) const;

  std::vector<TEntry> FFolders;
  std::vector<TEntry> FHolders;  // every folder that holds one of FFolders
  // Known folders inside the Windows folder (System, Fonts, ...): whatever
  // drive letter leads into one, everything below it is protected.
  std::vector<TEntry> FInsideWindows;
  // Known folders and holders whose identity could not be read, by path.
  std::vector<TNamed> FNamed;
  std::vector<TNamed> FNamedHolders;
  bool FHasWindows = false;
  TFileIdentity FWindows;
  std::vector<std::wstring> FAllowed;
};

// The set a command goes by, made now from the system's known folders and
// drives (Wine's identities follow its drive map, which may have changed
// since the last command), or a copy of the one a test put in place.
TProtectedFolders ProtectedFolders();

// Puts Folders in place of the system's set for as long as it lives.
class TProtectedFoldersOverride {
public:
  explicit TProtectedFoldersOverride(TProtectedFolders Folders);
  ~TProtectedFoldersOverride();
  TProtectedFoldersOverride(const TProtectedFoldersOverride&) = delete;
  TProtectedFoldersOverride& operator=(const TProtectedFoldersOverride&) = delete;

private:
  std::unique_ptr<TProtectedFolders> FFolders;
  const TProtectedFolders* FPrevious;
};
