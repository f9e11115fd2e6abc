#pragma once
// The pieces of a REGEDIT4 registry script that the store writes, kept apart
// from the registry so that the format can be checked on its own.

#include "store/VKRRegistryEnhanced.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// "HKEY_CURRENT_USER" and the other standard names of the root keys.
std::wstring RegFileRootKeyName(TRootKey RootKey);

// One value of a script, from the name to the line end after the data:
// "@" or the quoted name, "=", then the data by type (text, dword:, hex: with
// a line break after every 25 bytes past the first 26, or "" for the rest).
// Backslashes and double quotes in names and text are escaped.
std::wstring RegFileValueLines(const std::wstring& Name, DWORD Type, const std::vector<uint8_t>& Data);
