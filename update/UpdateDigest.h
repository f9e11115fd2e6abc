#pragma once
// The digest that verifies a downloaded installer.

#include "update/VKRAppUpdate.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The MD5, SHA-1 or SHA-256 digest of the whole file as lower-case
// hexadecimal; empty for htNone or when the file cannot be read.
std::wstring FileDigest(const std::wstring& FileName, THashType HashType);

// The same through an opened file, read from its start.
std::wstring HandleDigest(HANDLE File, THashType HashType);
// The SHA-256 digest of Data as bytes; empty after a failure.
std::vector<uint8_t> Sha256Digest(std::string_view Data);
