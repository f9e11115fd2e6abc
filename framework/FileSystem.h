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

// The full path of the running executable.
std::wstring ApplicationExeName();
