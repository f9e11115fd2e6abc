#pragma once
// Emptying a listed folder: the files Delete found, then the folder's direct
// subfolders as whole trees, permanently or to the Recycle Bin. The listed
// folder is opened once, refused when it is a link or a protected folder
// (by identity, see ProtectedFolders.h), and held open; every file and
// folder removed is reached from its handle, one folder at a time, each
// checked to be the entry its folder holds under that name. A junction or
// symbolic link, wherever and whenever it appears, never leads a delete out
// of the listed folder: it is removed as a link or left alone, never
// entered, and never handed to the shell's Recycle Bin operation (which
// would move the link's target). The listed folder itself is never deleted.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TDeleteMode { dmPermanent, dmRecycleBin };

// True when FileName names an existing file (not a folder) that cannot be
// opened for reading and writing without sharing: held open by another
// program, or read-only.
bool IsFileInUse(const std::wstring& FileName);

// Deletes one file that is not in use; true when it is gone.
bool DeleteOneFile(const std::wstring& FileName, TDeleteMode Mode);

// Deletes every file of Files (full paths below Folder) that is not in use
// and removes it from Files, as below; none when Folder is refused
// (ProtectedFolderReason). Each file is reached from Folder's handle.
bool DeleteFoundFiles(const std::wstring& Folder, std::vector<std::wstring>& Files, TDeleteMode Mode,
                      const std::function<bool()>& Step);

// Deletes every file of Files that is not in use and removes it from Files;
// the files that stay (in use, refused) keep their order. Step is called once
// after each file has been dealt with, in the order of Files, on the calling
// thread; when it returns false the walk stops there and the files not yet
// dealt with stay in Files. Permanent deletes run on a few threads and take
// up to PermanentDeleteAhead files ahead of the one Step was called for:
// those may still go after a stop, and leave Files when they do. Returns
// false when stopped.
bool DeleteFoundFiles(std::vector<std::wstring>& Files, TDeleteMode Mode, const std::function<bool()>& Step);

// Deletes Path and everything below it; true when all of it is gone. What
// cannot be deleted stays (and with it the folders that hold it). To the
// Recycle Bin, a link and a path the shell cannot name (past MAX_PATH, or a
// name ending in "." or " ") stay where they are; the rest goes.
bool DeleteDirectoryTree(const std::wstring& Path, TDeleteMode Mode);

// Tells, by its full path, a subfolder that must stay (it holds a file too
// young to go, say).
using TKeepSubfolder = std::function<bool(const std::wstring& Subfolder)>;

// The full paths of the subfolders DeleteSubfolders would delete: the folders
// (not the system files) that ListSubfolders names in Path, except those
// Keep keeps. None for a folder that ProtectedFolderReason refuses.
std::vector<std::wstring> SubfoldersToDelete(const std::wstring& Path, const TKeepSubfolder& Keep = {});

// Deletes, as whole trees, the subfolders SubfoldersToDelete names; returns
// how many went. Continue is asked before each tree; false stops. Stayed,
// when given, receives how many of them did not go (those a stop left
// included).
int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue = {},
                         const TKeepSubfolder& Keep = {}, int32_t* Stayed = nullptr);

// Why Folder must not be emptied now: not a full path, a link or junction,
// or a protected folder (ProtectedFolders.h); empty when it may be, and for a
// folder that does not exist.
std::wstring ProtectedFolderReason(const std::wstring& Folder);

// Called with each path just before it is deleted, after the listing that
// found it: tests change the tree there.
using TDeleteSeam = std::function<void(const std::wstring& Path)>;
void SetDeleteSeam(TDeleteSeam Seam);

// How many found files permanent deletes take ahead of the one the walk
// reports next: a stop may let that many more go (each reported as gone).
constexpr size_t PermanentDeleteAhead = 8;

// The threads that delete found files permanently beside the calling one
// (0: the calling thread alone); benchmarks and tests compare the counts.
// Returns the count it replaces.
unsigned SetDeleteWorkers(unsigned Workers);
