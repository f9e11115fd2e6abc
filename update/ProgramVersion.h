#pragma once
// The version text of a program file, as the update check compares it:
// major.minor.release with minor and release in two digits ("1.00.16" for
// file version 1.0.16.0). Empty when the file has no version resource.

#include <string>

std::wstring FormatFileVersion(const std::wstring& FileVersion);
std::wstring ProgramVersionText(const std::wstring& FileName);
