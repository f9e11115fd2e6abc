#pragma once
// Emptying a listed folder: the files Delete found, then the folder's direct
// subfolders as whole trees, permanently or to the Recycle Bin. The listed
// folder is opened once per command (TFolderToEmpty), refused when it is a
// link or a protected folder (by identity, see ProtectedFolders.h), and held
// open; every file and folder removed is reached from that handle, one
// folder at a time, each checked to be the entry its folder holds under
// that name. A junction or symbolic link, wherever and whenever it appears,
// never leads a delete out of the listed folder: it is removed as a link or
// left alone, never entered. The shell's Recycle Bin operation takes paths,
// not handles: every folder on a path handed to it, from the listed folder
// down to the entry's parent, is held open against renames from its check
// until the shell has returned, and it gets whole entries, never a
// wildcard. The listed folder itself is never deleted.

#include "framework/FolderHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProtectedFolders;

enum class TDeleteMode { dmPermanent, dmRecycleBin };

// True when FileName names an existing file (not a folder) that cannot be
// opened for reading and writing without sharing: held open by another
// program, or read-only.
bool IsFileInUse(const std::wstring& FileName);

// Deletes one file that is not in use; true when it is gone.
bool DeleteOneFile(const std::wstring& FileName, TDeleteMode Mode);

// How many found files permanent deletes take ahead of the one the walk
// reports next: a stop may let that many more go (each reported as gone).
constexpr size_t PermanentDeleteAhead = 8;

// The threads that delete found files permanently beside the calling one.
// A stop waits only for the files already started, one a thread. Under Wine
// two workers took 0.55 of the caller's time alone where idle processors
// made every request slow, and the same where they did not; one worker
// gained nothing.
constexpr unsigned DefaultDeleteWorkers = 2;

// What a caller hands the deletes beside the mode: the points where tests
// change the tree, and the threads. The program hands the defaults.
struct TDeleteSeams {
  // Called with each path just before it is deleted, after the listing that
  // found it.
  std::function<void(const std::wstring& Path)> BeforeDelete;
  // Called with the entries about to be handed to the shell's Recycle Bin
  // operation, after every check they passed, while the folders that hold
  // them are held.
  std::function<void(const std::vector<std::wstring>& Entries)> BeforeShell;
  // Threads deleting found files permanently beside the calling one (0: the
  // calling thread alone); benchmarks and tests compare the counts.
  unsigned Workers = DefaultDeleteWorkers;
};

// A listed folder as one command finds it: opened once, checked against a
// protected set, and held open (nobody can rename or replace it) for as long
// as this lives. The found files and the subfolders are reached from that
// very handle.
class TFolderToEmpty {
public:
  TFolderToEmpty(const std::wstring& Path, const TProtectedFolders& Protected);

  const std::wstring& Path() const { return FPath; }
  // Why the folder must not be emptied: not a full path, not a folder, a
  // link or junction, or a protected folder; empty when it may be, and for a
  // folder that is not there.
  const std::wstring& Reason() const { return FReason; }
  // True when it may be emptied: it is there, opened, checked and held.
  bool Usable() const { return FFolder != nullptr; }
  const std::shared_ptr<const TOpenedFolder>& Folder() const { return FFolder; }

private:
  std::wstring FPath;
  std::wstring FReason;
  std::shared_ptr<const TOpenedFolder> FFolder;
};

// Deletes every file of Files (full paths below the listed folder) that is
// not in use and removes it from Files, as below; none when Listed is not
// Usable. Each file is reached from Listed's handle.
bool DeleteFoundFiles(const TFolderToEmpty& Listed, std::vector<std::wstring>& Files, TDeleteMode Mode,
                      const std::function<bool()>& Step, const TDeleteSeams& Seams = {});
// The same, with Folder opened for it and checked against ProtectedFolders().
bool DeleteFoundFiles(const std::wstring& Folder, std::vector<std::wstring>& Files, TDeleteMode Mode,
                      const std::function<bool()>& Step, const TDeleteSeams& Seams = {});

// Deletes every file of Files that is not in use and removes it from Files;
// the files that stay (in use, refused) keep their order. Step is called once
// after each file has been dealt with, in the order of Files, on the calling
// thread; when it returns false the walk stops there and the files not yet
// dealt with stay in Files. Permanent deletes run on a few threads and take
// up to PermanentDeleteAhead files ahead of the one Step was called for:
// those may still go after a stop, and leave Files when they do. Returns
// false when stopped. Each file is reached from its drive's root, folder by
// folder.
bool DeleteFoundFiles(std::vector<std::wstring>& Files, TDeleteMode Mode, const std::function<bool()>& Step,
                      const TDeleteSeams& Seams = {});

// Deletes Path and everything below it; true when all of it is gone. What
// cannot be deleted stays (and with it the folders that hold it). To the
// Recycle Bin, a link and a path the shell cannot name (past MAX_PATH, or a
// name ending in "." or " ") stay where they are; the rest goes.
bool DeleteDirectoryTree(const std::wstring& Path, TDeleteMode Mode);

// Tells, by its full path, a subfolder that must stay (it holds a file too
// young to go, say).
using TKeepSubfolder = std::function<bool(const std::wstring& Subfolder)>;

// The full paths of the subfolders DeleteSubfolders would delete: the folders
// (not the system files) that ListSubfolders names in the listed folder,
// except those Keep keeps. None when Listed is not Usable.
std::vector<std::wstring> SubfoldersToDelete(const TFolderToEmpty& Listed, const TKeepSubfolder& Keep = {});
std::vector<std::wstring> SubfoldersToDelete(const std::wstring& Path, const TKeepSubfolder& Keep = {});

// Deletes, as whole trees, the subfolders SubfoldersToDelete names; returns
// how many went. Continue is asked before each tree and between the entries
// inside one (so that a stop does not wait for a large tree); false stops,
// and the tree in hand stays with what it still holds. Stayed, when given,
// receives how many of them did not go (those a stop left included).
int32_t DeleteSubfolders(const TFolderToEmpty& Listed, TDeleteMode Mode, const std::function<bool()>& Continue = {},
                         const TKeepSubfolder& Keep = {}, int32_t* Stayed = nullptr, const TDeleteSeams& Seams = {});
int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue = {},
                         const TKeepSubfolder& Keep = {}, int32_t* Stayed = nullptr, const TDeleteSeams& Seams = {});

// Why Folder must not be emptied now, by ProtectedFolders() (see
// TFolderToEmpty::Reason).
std::wstring ProtectedFolderReason(const std::wstring& Folder);
