#pragma once
// Path rules of the file search: start folder normalisation, folder depths
// and their common base, backup names, and how a start folder is resolved
// and entered without changing the process's current directory.

#include "framework/FileSystem.h"  // JoinPath

#include <cstdint>
#include <string>
#include <string_view>

// One trailing "\" removed, except from "\" itself and from a drive root such as "C:\".
std::wstring NormaliseStartDir(std::wstring Line);

// The number of "\"-separated pieces that contain no ":", empty pieces and
// the machine name of a UNC path left out: "C:\" is 0, "C:\Temp" and
// "C:\Temp\" are 1, "\\server\share\dir" is 2.
int32_t FolderDepth(std::wstring_view Path);

// FolderDepth of Path when it names an existing folder, else of its folder
// part (ExtractFilePath).
int32_t PathDepth(const std::wstring& Path);

// True when Entry, a found file or folder, lies less than MinDepth or more
// than MaxDepth levels below a start folder of depth Base. A folder entry
// lies one level deeper than a file of the same path would; the disk is
// asked which it is only when that decides.
bool OutsideDepthRange(const std::wstring& Entry, int32_t Base, int32_t MinDepth, int32_t MaxDepth);

// The length of the common beginning of A and B, compared case-sensitively;
// when the two differ inside the shorter one, it is cut back to the last "\"
// or ":" of the common part (if there is one), so that a partial folder name
// does not count.
int32_t CommonPrefixLength(std::wstring_view A, std::wstring_view B);

// Backup copies carry an extension starting with ".~" (report.~doc, a.~).
bool IsBackupFileName(const std::wstring& Path);

// The folder that making Path the current directory would give, with Base as
// the current directory: relative, root-relative ("\x") and drive-relative
// ("D:x") paths are resolved against Base, "." and ".." removed, and the
// result has the form the platform reports a current directory in (no
// trailing "\" except after a drive letter).
std::wstring ResolveDirectory(const std::wstring& Base, const std::wstring& Path);

// True when Folder (a full path) could be made the current directory: it is a
// folder and opens with traverse access.
bool CanEnterDirectory(const std::wstring& Folder);

// The process's current directory.
std::wstring CurrentDirectory();
