#pragma once
// The digest that verifies a downloaded installer.

#include "update/VKRAppUpdate.h"

#include <string>

// The MD5, SHA-1 or SHA-256 digest of the whole file as lower-case
// hexadecimal; empty for htNone or when the file cannot be read.
std::wstring FileDigest(const std::wstring& FileName, THashType HashType);
