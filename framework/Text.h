#pragma once
// Text rules shared by every unit: conversions between encodings, the
// integer parsing of the settings and records, and the A-to-Z-only case
// folding that folder paths are compared with.

#include <cstdint>
#include <string>
#include <string_view>

std::string WideToUtf8(std::wstring_view Text);
std::wstring Utf8ToWide(std::string_view Text);
// 8-bit text in the system's ANSI code page.
std::wstring AnsiToWide(std::string_view Text);
std::string WideToAnsi(std::wstring_view Text);

// Lower-cases the letters A to Z only; every other character stays.
std::wstring LowerCaseAZ(std::wstring_view Text);
// Equality after LowerCaseAZ of both sides.
bool SameTextAZ(std::wstring_view A, std::wstring_view B);

// Integer parsing as the settings have always been read: optional leading
// blanks, an optional sign, decimal digits or hexadecimal after "$", "0x" or
// "x"; nothing may follow. Out-of-range values fail.
bool TryStrToInt(std::wstring_view Text, int32_t& Value);
bool TryStrToInt64(std::wstring_view Text, int64_t& Value);
// As above; raises EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::wstring_view Text);
int64_t StrToInt64(std::wstring_view Text);
// As above; returns Default when the text does not parse.
int32_t StrToIntDef(std::wstring_view Text, int32_t Default);

std::wstring IntToStr(int64_t Value);
// Upper-case hexadecimal, at least Digits digits.
std::wstring IntToHex(uint64_t Value, int Digits);

// Position of Needle in Text, counted from 1; 0 when absent.
size_t Pos(std::wstring_view Needle, std::wstring_view Text);

std::wstring StringReplaceAll(std::wstring Text, std::wstring_view From, std::wstring_view To);
