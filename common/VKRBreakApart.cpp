#include "common/VKRBreakApart.h"

#include <windows.h>

#include <algorithm>

namespace {

size_t CountQuotes(const std::wstring& Part) { return static_cast<size_t>(std::count(Part.begin(), Part.end(), L'"')); }

bool OddQuotes(const std::wstring& Part) { return CountQuotes(Part) % 2 == 1; }

// Removes one pair of enclosing double or single quotation marks.
std::wstring StripOuterQuotes(const std::wstring& Text) {
  if (Text.size() >= 2 && Text.front() == Text.back() && (Text.front() == L'"' || Text.front() == L'\''))
    return Text.substr(1, Text.size() - 2);
  return Text;
}

std::wstring LowerEachCharacter(const std::wstring& Text) {
  std::wstring Result = Text;
  if (!Result.empty()) CharLowerBuffW(Result.data(), static_cast<DWORD>(Result.size()));
  return Result;
}

}  // namespace

bool TVKRBreakApart::IgnoresCase() const {
  // Only a separator made of letters is matched without regard to case.
  if (FCaseSensitive || FBreakString.empty()) return false;
  std::vector<WORD> Types(FBreakString.size());
  if (!GetStringTypeExW(LOCALE_USER_DEFAULT, CT_CTYPE1, FBreakString.c_str(), static_cast<int>(FBreakString.size()),
                        Types.data()))
    return false;
  return std::all_of(Types.begin(), Types.end(), [](WORD Type) { return (Type & C1_ALPHA) != 0; });
}

void TVKRBreakApart::BreakApart() {
  FStringList.clear();
  const bool Fold = IgnoresCase();
  // Lower-casing character by character keeps every position of the original.
  const std::wstring Haystack = Fold ? LowerEachCharacter(FBaseString) : FBaseString;
  const std::wstring Needle = Fold ? LowerEachCharacter(FBreakString) : FBreakString;

  size_t Start = 0;
  if (!Needle.empty()) {
    for (size_t At = Haystack.find(Needle, Start); At != std::wstring::npos; At = Haystack.find(Needle, Start)) {
      std::wstring Part = FBaseString.substr(Start, At - Start);
      if (!Part.empty() || FAllowEmptyString) FStringList.push_back(std::move(Part));
      Start = At + Needle.size();
    }
  }
  std::wstring Last = FBaseString.substr(Start);
  if (!Last.empty() || FAllowEmptyString) FStringList.push_back(std::move(Last));

  if (FDoubleQuoteMode) JoinQuotedRuns();
}

void TVKRBreakApart::JoinQuotedRuns() {
  std::vector<std::wstring>& Parts = FStringList;
  size_t i = 0;
  bool InRun = false;
  while (i < Parts.size()) {
    if (Parts[i] == L"\"\"" && !FAllowEmptyString) {
      Parts.erase(Parts.begin() + static_cast<std::ptrdiff_t>(i));
      if (i >= Parts.size()) break;
    }
    // An opening quote: the run starts with this part, which the next parts join.
    if (OddQuotes(Parts[i]) && Parts[i].front() == L'"' && !InRun && i != Parts.size() - 1) {
      InRun = true;
      ++i;
    }
    if (InRun) {
      Parts[i - 1] += FBreakString + Parts[i];
      if (OddQuotes(Parts[i]) && Parts[i].back() == L'"') {
        Parts[i - 1] = StripOuterQuotes(Parts[i - 1]);
        InRun = false;
      }
      Parts.erase(Parts.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      if (Parts[i].size() > 1 && Parts[i].front() == L'"' && Parts[i].back() == L'"')
        Parts[i] = StripOuterQuotes(Parts[i]);
      ++i;
    }
  }
}

void TVKRBreakApart::ReverseBreakApart() {
  std::wstring Result;
  if (!FDoubleQuoteMode) {
    for (const std::wstring& Part : FStringList) {
      if (Part.empty() && !FAllowEmptyString) continue;
      Result += Part;
      Result += FBreakString;
    }
    if (!FStringList.empty() && !Result.empty()) Result.erase(Result.size() - FBreakString.size());
  } else {
    bool First = true;
    for (const std::wstring& Part : FStringList) {
      if (Part.empty() && !FAllowEmptyString) continue;
      // A skipped first part leaves no separator in front.
      if (!First) Result += FBreakString;
      Result += L'"' + Part + L'"';
      First = false;
    }
  }
  FBaseString = std::move(Result);
}

std::vector<std::wstring> TVKRBreakApart::Split(const std::wstring& Text, const std::wstring& Separator,
                                                bool AllowEmpty) {
  TVKRBreakApart Splitter;
  Splitter.SetBaseString(Text);
  Splitter.SetBreakString(Separator);
  Splitter.SetAllowEmptyString(AllowEmpty);
  Splitter.BreakApart();
  return std::move(Splitter.StringList());
}

std::wstring TVKRBreakApart::Join(const std::vector<std::wstring>& Parts, const std::wstring& Separator,
                                  bool AllowEmpty) {
  TVKRBreakApart Splitter;
  Splitter.SetStringList(Parts);
  Splitter.SetBreakString(Separator);
  Splitter.SetAllowEmptyString(AllowEmpty);
  Splitter.ReverseBreakApart();
  return Splitter.BaseString();
}
