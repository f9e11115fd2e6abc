#include "framework/Text.h"

#include "framework/Exception.h"

#include <windows.h>

#include <limits>

namespace {

std::wstring MultiByteToWide(UINT CodePage, std::string_view Text) {
  if (Text.empty()) return {};
  const int Length = MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring Result(static_cast<size_t>(Length), L'\0');
  MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), Result.data(), Length);
  return Result;
}

std::string WideToMultiByte(UINT CodePage, std::wstring_view Text) {
  if (Text.empty()) return {};
  const int Length =
      WideCharToMultiByte(CodePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string Result(static_cast<size_t>(Length), '\0');
  WideCharToMultiByte(CodePage, 0, Text.data(), static_cast<int>(Text.size()), Result.data(), Length, nullptr,
                      nullptr);
  return Result;
}

bool ParseInteger(std::wstring_view Text, int64_t Min, int64_t Max, int64_t& Value) {
  size_t i = 0;
  while (i < Text.size() && Text[i] == L' ') ++i;
  bool Negative = false;
  if (i < Text.size() && (Text[i] == L'+' || Text[i] == L'-')) {
    Negative = Text[i] == L'-';
    ++i;
  }
  unsigned Base = 10;
  if (i < Text.size() && Text[i] == L'$') {
    Base = 16;
    ++i;
  } else if (i + 1 < Text.size() && Text[i] == L'0' && (Text[i + 1] == L'x' || Text[i + 1] == L'X')) {
    Base = 16;
    i += 2;
  } else if (i < Text.size() && (Text[i] == L'x' || Text[i] == L'X')) {
    Base = 16;
    ++i;
  }
  if (i >= Text.size()) return false;
  // Accumulate as unsigned so that the most negative value still fits.
  const uint64_t Limit = Negative ? static_cast<uint64_t>(-(Min + 1)) + 1 : static_cast<uint64_t>(Max);
  uint64_t Magnitude = 0;
  for (; i < Text.size(); ++i) {
    const wchar_t c = Text[i];
    unsigned Digit;
    if (c >= L'0' && c <= L'9')
      Digit = static_cast<unsigned>(c - L'0');
    else if (Base == 16 && c >= L'a' && c <= L'f')
      Digit = static_cast<unsigned>(c - L'a' + 10);
    else if (Base == 16 && c >= L'A' && c <= L'F')
      Digit = static_cast<unsigned>(c - L'A' + 10);
    else
      return false;
    if (Magnitude > (std::numeric_limits<uint64_t>::max() - Digit) / Base) return false;
    Magnitude = Magnitude * Base + Digit;
    // Hexadecimal text may spell the two's complement of a negative value.
    if (Base == 10 && Magnitude > Limit) return false;
  }
  if (Base == 16) {
    const uint64_t Width = Max == std::numeric_limits<int32_t>::max() ? 0xFFFFFFFFull : ~0ull;
    if (Magnitude > Width) return false;
    int64_t Signed = Width == 0xFFFFFFFFull ? static_cast<int32_t>(static_cast<uint32_t>(Magnitude))
                                             : static_cast<int64_t>(Magnitude);
    Value = Negative ? -Signed : Signed;
    return true;
  }
  Value = Negative ? static_cast<int64_t>(0 - Magnitude) : static_cast<int64_t>(Magnitude);
  return true;
}

[[noreturn]] void RaiseNotInteger(std::wstring_view Text) {
  throw EConvertError(L"'" + std::wstring(Text) + L"' is not a valid integer value");
}

}  // namespace

std::string WideToUtf8(std::wstring_view Text) { return WideToMultiByte(CP_UTF8, Text); }
std::wstring Utf8ToWide(std::string_view Text) { return MultiByteToWide(CP_UTF8, Text); }
std::wstring AnsiToWide(std::string_view Text) { return MultiByteToWide(CP_ACP, Text); }
std::string WideToAnsi(std::wstring_view Text) { return WideToMultiByte(CP_ACP, Text); }

std::wstring LowerCaseAZ(std::wstring_view Text) {
  std::wstring Result(Text);
  for (wchar_t& c : Result)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return Result;
}

bool SameTextAZ(std::wstring_view A, std::wstring_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    wchar_t a = A[i], b = B[i];
    if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a + (L'a' - L'A'));
    if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b + (L'a' - L'A'));
    if (a != b) return false;
  }
  return true;
}

bool TryStrToInt(std::wstring_view Text, int32_t& Value) {
  int64_t Wide = 0;
  if (!ParseInteger(Text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), Wide))
    return false;
  Value = static_cast<int32_t>(Wide);
  return true;
}

bool TryStrToInt64(std::wstring_view Text, int64_t& Value) {
  return ParseInteger(Text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), Value);
}

int32_t StrToInt(std::wstring_view Text) {
  int32_t Value = 0;
  if (!TryStrToInt(Text, Value)) RaiseNotInteger(Text);
  return Value;
}

int64_t StrToInt64(std::wstring_view Text) {
  int64_t Value = 0;
  if (!TryStrToInt64(Text, Value)) RaiseNotInteger(Text);
  return Value;
}

int32_t StrToIntDef(std::wstring_view Text, int32_t Default) {
  int32_t Value = 0;
  return TryStrToInt(Text, Value) ? Value : Default;
}

std::wstring IntToStr(int64_t Value) { return std::to_wstring(Value); }

std::wstring IntToHex(uint64_t Value, int Digits) {
  static const wchar_t HexDigits[] = L"0123456789ABCDEF";
  std::wstring Result;
  do {
    Result.insert(Result.begin(), HexDigits[Value & 0xF]);
    Value >>= 4;
  } while (Value != 0);
  while (static_cast<int>(Result.size()) < Digits) Result.insert(Result.begin(), L'0');
  return Result;
}

size_t Pos(std::wstring_view Needle, std::wstring_view Text) {
  if (Needle.empty()) return 0;
  const size_t At = Text.find(Needle);
  return At == std::wstring_view::npos ? 0 : At + 1;
}

std::wstring StringReplaceAll(std::wstring Text, std::wstring_view From, std::wstring_view To) {
  if (From.empty()) return Text;
  size_t At = 0;
  while ((At = Text.find(From, At)) != std::wstring::npos) {
    Text.replace(At, From.size(), To);
    At += To.size();
  }
  return Text;
}
