#pragma once
// Paths past the classic MAX_PATH limit reach the file system only in their
// extended-length form ("\\?\C:\..." or "\\?\UNC\server\share\..."). Shorter
// paths keep their ordinary form, so the usual Win32 name rules still apply
// to them.

#include <string>

// Path itself when it is short or not absolute; otherwise its full,
// normalised extended-length form.
std::wstring ExtendedLengthPath(const std::wstring& Path);

// The platform's full path of Path ("." and ".." resolved, "/" turned into
// "\"); Path itself when the platform cannot make one.
std::wstring FullPathName(const std::wstring& Path);
