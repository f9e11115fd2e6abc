#pragma once
// File-system questions asked all over the program, with paths longer than
// MAX_PATH handled through their "\\?\" form.

#include "framework/Handle.h"

#include <string>
#include <string_view>

// The "\\?\" (or "\\?\UNC\") form of an absolute path longer than MAX_PATH - 12;
// any other path unchanged.
std::wstring LongPathForm(const std::wstring& Path);
// The ordinary form of a path that may carry a "\\?\" prefix.
std::wstring OrdinaryPathForm(const std::wstring& Path);

// The full path of Path, "." and ".." resolved against the current
// directory, as the system makes it, except that a last name ending in dots
// or blanks keeps them: the system drops them, and the path then names
// another entry (emptying it would empty the wrong folder). Empty when the
// system cannot make one.
std::wstring FullPathName(const std::wstring& Path);

// A path that names one place whatever the current folder and drive: a
// drive's absolute path ("C:\\x"), a network path ("\\\\server\\share..."),
// or either in its "\\\\?\\" form. A relative path, a drive-relative one ("C:",
// "C:x"), an empty one or a number read from a setting ("5") is not: the
// system would take it from wherever the process stands.
bool IsFullPath(const std::wstring& Path);

bool DirectoryExists(const std::wstring& Path);
// "." or "..", the entries every folder listing may carry.
bool IsDotName(const wchar_t* Name);
bool FileExists(const std::wstring& Path);  // an existing file, not a directory

// Folder and Name joined by one "\" (none added when Folder ends with one,
// as a drive root "C:\" does).
std::wstring JoinPath(std::wstring_view Folder, std::wstring_view Name);

std::wstring IncludeTrailingPathDelimiter(const std::wstring& Path);
std::wstring ExcludeTrailingPathDelimiter(const std::wstring& Path);  // one separator at most
// The folder part of a path, with its trailing separator ("C:\a\b.exe" gives "C:\a\").
std::wstring ExtractFilePath(const std::wstring& Path);
std::wstring ExtractFileName(const std::wstring& Path);
// The extension with its dot, "" when there is none.
std::wstring ExtractFileExt(const std::wstring& Path);
std::wstring ChangeFileExt(const std::wstring& Path, const std::wstring& Extension);

// Removes a folder and everything below it, whatever the attributes; true
// when all of it is gone. A link to a folder is removed as a link, never
// followed (Path itself too); every entry is reached from the handle of the
// folder above it (FolderHandle.h). When the current directory lies in the tree (a
// search leaves it in the folder it listed last), it is moved out first,
// since the current directory cannot be removed. Whatever cannot be removed
// stays, with the folders that hold it.
bool RemoveTree(const std::wstring& Path);
// Moves the process's current directory to Folder's parent when it lies in
// Folder or below.
void LeaveCurrentDirectoryBelow(const std::wstring& Folder);

// A network path to a file on a share of another computer:
// \\server\share\folder\file, a server of letters, digits, "-", "_" and
// ".", no "." or ".." step, no ":" (a stream), not the local machine's name
// for itself and not a drive's administrative share ("C$"). Never "\\?\",
// "\\.\", a device or a drive.
bool IsNetworkSharePath(const std::wstring& Path);

// The full path of the running executable.
std::wstring ApplicationExeName();
