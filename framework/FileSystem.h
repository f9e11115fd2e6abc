#pragma once
// File-system questions asked all over the program, with paths longer than
// MAX_PATH handled through their "\\?\" form.

#include <string>
#include <string_view>

// The "\\?\" (or "\\?\UNC\") form of an absolute path longer than MAX_PATH - 12;
// any other path unchanged.
std::wstring LongPathForm(const std::wstring& Path);
// The ordinary form of a path that may carry a "\\?\" prefix.
std::wstring OrdinaryPathForm(const std::wstring& Path);

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

// Removes a folder and everything below it, whatever the attributes; a link
// to a folder is removed itself, never followed. When the current directory
// lies in the tree (a search leaves it in the folder it listed last), it is
// moved to the folder's parent first, since the current directory cannot be
// removed. Whatever cannot be removed stays.
void RemoveTree(const std::wstring& Path);

// The full path of the running executable.
std::wstring ApplicationExeName();
