#include "search/ListingPattern.h"

#include <cwchar>

namespace {

// Characters an extension may hold to be answered here: ASCII letters and
// digits and punctuation that no listing call treats as a wildcard. Dots
// and spaces are left out: the platform strips them from the end of a
// pattern, and a dot inside the extension would make "*" stop at other dots.
bool IsPlainExtensionCharacter(wchar_t C) {
  if ((C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z') || (C >= L'0' && C <= L'9')) return true;
  return std::wcschr(L"_-~$#!@%&()'^{}`+,=[]", C) != nullptr && C != L'\0';
}

wchar_t AsciiUpper(wchar_t C) { return C >= L'a' && C <= L'z' ? static_cast<wchar_t>(C - L'a' + L'A') : C; }

// "*.ext" matches the names that end in ".ext", compared without case. The
// suffix is ASCII, so a name character outside ASCII in the compared part
// could only match through case folding, which differs between platforms.
TNameAnswer EndsWith(const wchar_t* Name, const std::wstring& Suffix) {
  const size_t Length = std::wcslen(Name);
  if (Length < Suffix.size()) return TNameAnswer::No;
  const wchar_t* Tail = Name + (Length - Suffix.size());
  bool Unsure = false;
  for (size_t i = 0; i < Suffix.size(); ++i) {
    if (Tail[i] > 0x7F) {
      Unsure = true;
      continue;
    }
    if (AsciiUpper(Tail[i]) != AsciiUpper(Suffix[i])) return TNameAnswer::No;
  }
  return Unsure ? TNameAnswer::Unsure : TNameAnswer::Yes;
}

}  // namespace

TListingPattern ClassifyPattern(const std::wstring& Pattern) {
  TListingPattern Result;
  Result.Text = Pattern;
  if (Pattern == L"*" || Pattern == L"*.*") {
    Result.Kind = TPatternKind::Everything;
  } else if (Pattern.find_first_of(L"\\/") != std::wstring::npos) {
    Result.Kind = TPatternKind::NoEntries;
  } else if (Pattern.size() > 2 && Pattern.compare(0, 2, L"*.") == 0) {
    bool Plain = true;
    for (size_t i = 2; i < Pattern.size() && Plain; ++i) Plain = IsPlainExtensionCharacter(Pattern[i]);
    if (Plain) {
      Result.Kind = TPatternKind::Extension;
      Result.Suffix = Pattern.substr(1);
    }
  }
  return Result;
}

TNameAnswer MatchesPattern(const TListingPattern& Pattern, const wchar_t* Name, const wchar_t* ShortName) {
  switch (Pattern.Kind) {
    case TPatternKind::Everything:
      return TNameAnswer::Yes;
    case TPatternKind::NoEntries:
      return TNameAnswer::No;
    case TPatternKind::Extension: {
      // The listing call matches an entry whose long name or short alias matches.
      const TNameAnswer Long = EndsWith(Name, Pattern.Suffix);
      if (Long == TNameAnswer::Yes || ShortName == nullptr || ShortName[0] == L'\0') return Long;
      const TNameAnswer Short = EndsWith(ShortName, Pattern.Suffix);
      if (Short == TNameAnswer::Yes) return TNameAnswer::Yes;
      return Long == TNameAnswer::Unsure || Short == TNameAnswer::Unsure ? TNameAnswer::Unsure : TNameAnswer::No;
    }
    case TPatternKind::Platform:
      break;
  }
  return TNameAnswer::Unsure;
}
