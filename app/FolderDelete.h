#pragma once
// Emptying a listed folder: the files Delete found, then the folder's direct
// subfolders as whole trees, permanently or to the Recycle Bin. A junction or
// symbolic link never leads a delete out of the listed folder: it is removed
// as a link or left alone, never entered, and never handed to the shell's
// Recycle Bin operation (which would move the link's target). The listed
// folder itself is never deleted.

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

// Deletes every file of Files that is not in use and removes it from Files;
// the files that stay (in use, refused) keep their order. Step is called once
// after each file has been dealt with; when it returns false the walk stops
// there and the files not yet dealt with stay in Files. Returns false when
// stopped.
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
// Keep keeps. None for a path that is not a full path, or names a folder
// that must never be emptied (below).
std::vector<std::wstring> SubfoldersToDelete(const std::wstring& Path, const TKeepSubfolder& Keep = {});

// Deletes, as whole trees, the subfolders SubfoldersToDelete names; returns
// how many went. Continue is asked before each tree; false stops. Stayed,
// when given, receives how many of them did not go (those a stop left
// included).
int32_t DeleteSubfolders(const std::wstring& Path, TDeleteMode Mode, const std::function<bool()>& Continue = {},
                         const TKeepSubfolder& Keep = {}, int32_t* Stayed = nullptr);

// Why Folder must never be emptied (a drive root, the Windows folder, a
// Program Files folder, the user's profile folder, or the Desktop, Documents,
// Pictures, Music or Videos folder itself); empty when it may be.
std::wstring ProtectedFolderReason(const std::wstring& Folder);
