#include <doctest.h>

#include "framework/Text.h"
#include "search/MatchEngine.h"
#include "search/VKRMatch.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct TMatchCase {
  const char* Name;
  std::wstring Text;
  std::wstring Pattern;  // as given to the matcher, without the enclosing stars
  bool CaseSensitive;
  bool Expected;
};

// A string-source matcher as a caller would set it up.
bool MatchString(const std::wstring& Text, const std::wstring& Pattern, bool CaseSensitive, bool HitsCount,
                 bool ExtraChars = false, int32_t* Hits = nullptr) {
  TVKRMatch Match;
  Match.SetSource(Text);
  Match.SetPattern(Pattern);
  Match.SetCaseSensitive(CaseSensitive);
  Match.SetHitsCountEnabled(HitsCount);
  Match.SetExtraChars(ExtraChars);
  const bool Result = Match.Match();
  if (Hits != nullptr) *Hits = Match.HitsCount();
  return Result;
}

}  // namespace

TEST_CASE("the pattern is looked for anywhere in the text and reads back without its stars") {
  TVKRMatch Match;
  CHECK(Match.Pattern() == L"");
  Match.SetPattern(L"foo");
  CHECK(Match.Pattern() == L"foo");
  Match.SetPattern(L"");
  CHECK(Match.Pattern() == L"");
}

TEST_CASE("simple engine: stars, question marks and case folds") {
  const std::vector<TMatchCase> Cases = {
      {"substring", L"a quick fox", L"quick", false, true},
      {"absent", L"a quick fox", L"slow", false, false},
      {"star inside", L"alpha beta gamma", L"alpha*gamma", false, true},
      {"star order matters", L"alpha beta gamma", L"gamma*alpha", false, false},
      {"question mark", L"cat", L"c?t", false, true},
      {"question mark needs a character", L"ct", L"c?t", false, false},
      {"question mark at the end", L"ab", L"ab?", false, false},
      {"letters ignore case", L"HeLLo", L"hello", false, true},
      {"case-sensitive", L"HeLLo", L"hello", true, false},
      {"brackets are plain characters", L"x[0..9]y", L"[0..9]", false, true},
      {"brackets do not make a set", L"x5y", L"[0..9]", false, false},
      {"empty pattern", L"anything", L"", false, true},
      {"empty text, empty pattern", L"", L"", false, true},
      {"empty text", L"", L"a", false, false},
      {"many stars", L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", L"a*a*a*a*a*a*a*a*a*c", false, false},
  };
  for (const TMatchCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(MatchString(Case.Text, Case.Pattern, Case.CaseSensitive, false) == Case.Expected);
  }
}

TEST_CASE("simple engine: only the eleven accented letters fold, and only with ExtraChars") {
  struct TFoldCase {
    wchar_t Lower;
    wchar_t Upper;
    bool FoldsWithExtraChars;
  };
  const std::vector<TFoldCase> Cases = {
      {L'\u00E2', L'\u00C2', true},  {L'\u00E4', L'\u00C4', true},  {L'\u00E7', L'\u00C7', true},
      {L'\u00EA', L'\u00CA', true},  {L'\u00EB', L'\u00CB', true},  {L'\u00EE', L'\u00CE', true},
      {L'\u00EF', L'\u00CF', true},  {L'\u00F4', L'\u00D4', true},  {L'\u00F6', L'\u00D6', true},
      {L'\u00FB', L'\u00DB', true},  {L'\u00FC', L'\u00DC', true},  {L'\u00E9', L'\u00C9', false},
      {L'\u00E8', L'\u00C8', false}, {L'\u00E0', L'\u00C0', false}, {L'\u00F9', L'\u00D9', false},
  };
  for (const TFoldCase& Case : Cases) {
    CAPTURE(static_cast<int>(Case.Lower));
    const std::wstring Text = std::wstring(L"x") + Case.Upper + L"y";
    const std::wstring Pattern = std::wstring(L"x") + Case.Lower + L"y";
    CHECK_FALSE(MatchString(Text, Pattern, false, false, false));
    CHECK(MatchString(Text, Pattern, false, false, true) == Case.FoldsWithExtraChars);
    CHECK_FALSE(MatchString(Text, Pattern, true, false, true));
  }
}

TEST_CASE("set engine: sets, ranges, counts and negation") {
  const std::vector<TMatchCase> Cases = {
      {"digit present", L"abc7def", L"[0..9]", false, true},
      {"no digit", L"abcdef", L"[0..9]", false, false},
      {"range with several dots", L"x5", L"[0...9]", false, true},
      {"one-dot range", L"x5", L"[0.9]", false, true},
      {"negated: a character outside a to z", L"abc-def", L"[!a..z]", false, true},
      {"negated: only a to z", L"abcdef", L"[!a..z]", true, false},
      {"negated set meets a character above 255", L"abc\u20ACdef", L"[!a..z]", true, true},
      {"three digits in a row", L"ab123cd", L"[3:0..9]", false, true},
      {"only two digits in a row", L"ab12c3d", L"[3:0..9]", false, false},
      {"count at the very end", L"ab123", L"[3:0..9]", false, true},
      {"count beyond the end", L"ab12", L"[3:0..9]", false, false},
      {"list of characters", L"--b--", L"[a,b,c]", false, true},
      {"list and range", L"--y--", L"[a,x..z]", false, true},
      {"list misses", L"--d--", L"[a,b,c]", false, false},
      {"set among characters", L"id: A7-", L"A[0..9]-", false, true},
      {"question mark", L"cat", L"c?t", false, true},
      {"star between", L"key = 42;", L"key*[0..9];", false, true},
      {"backtracking after a partial find", L"aab", L"ab", false, true},
      {"set then literal after backtracking", L"a1x a2b", L"[0..9]b", false, true},
      {"bracket item of two characters is invalid", L"ab", L"[ab]", false, false},
      {"empty set is invalid", L"x", L"[]", false, false},
      {"missing bracket is invalid", L"a1", L"[0..9", false, false},
      {"range end below start is invalid", L"5", L"[9..0]", false, false},
      {"range end that ends an item is invalid", L"a", L"[a..]", false, false},
      {"anything after a range but , or ] is invalid", L"ab", L"[a..bc]", false, false},
      {"zero count is invalid", L"a", L"[0:a]", false, false},
      {"count that is no number is invalid", L"a", L"[x:a]", false, false},
      {"invalid set anywhere fails the match", L"abc", L"abc[zz]", false, false},
      {"members ignore case", L"Q", L"[a..z]", false, true},
      {"members keep case when asked", L"Q", L"[a..z]", true, false},
      {"Latin-1 letters fold", L"\u00C9t\u00C9", L"\u00E9t\u00E9", false, true},
      {"multiplication and division signs stay apart", L"\u00D7", L"\u00F7", false, false},
      {"characters above 255 compare as they are", L"\u0160", L"\u0161", false, false},
  };
  for (const TMatchCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(MatchString(Case.Text, Case.Pattern, Case.CaseSensitive, true) == Case.Expected);
  }
}

TEST_CASE("set parsing: what a set holds and where it ends") {
  struct TSetCase {
    const char* Name;
    std::wstring Pattern;
    size_t End;  // npos when invalid
    bool Negated;
    size_t Count;
    std::wstring Members;
  };
  const size_t Invalid = std::wstring::npos;
  const std::vector<TSetCase> Cases = {
      {"single", L"[a]x", 3, false, 1, L"a"},
      {"list", L"[a,c]", 5, false, 1, L"ac"},
      {"range", L"[a..d]", 6, false, 1, L"abcd"},
      {"negated", L"[!x]", 4, true, 1, L"x"},
      {"count then range", L"[3:0..2]", 8, false, 3, L"012"},
      {"count among items", L"[a,2:b]", 7, false, 2, L"ab"},
      {"capitals stored folded", L"[A..C]", 6, false, 1, L"abc"},
      {"comma cannot be a member", L"[,]", Invalid, false, 1, L""},
      {"colon alone", L"[:]", Invalid, false, 1, L""},
      {"no members after a count", L"[2:]", Invalid, false, 1, L""},
      {"NUL ends the set", std::wstring(L"[a\0]", 4), Invalid, false, 1, L""},
  };
  for (const TSetCase& Case : Cases) {
    CAPTURE(Case.Name);
    TSetPattern::TCharSet Set;
    const size_t End = TSetPattern::ParseSet(Case.Pattern, 0, false, Set);
    CHECK(End == Case.End);
    if (End == Invalid) continue;
    CHECK(Set.Negated == Case.Negated);
    CHECK(Set.Count == Case.Count);
    std::wstring Members;
    for (size_t c = 0; c < Set.Members.size(); ++c)
      if (Set.Members.test(c)) Members.push_back(static_cast<wchar_t>(c));
    CHECK(Members == Case.Members);
  }
}

TEST_CASE("the set engine's fold table is the platform's Windows-1252 lower case") {
  const auto& Table = Win1252LowerCaseTable();
  for (int Byte = 0; Byte < 256; ++Byte) {
    CAPTURE(Byte);
    const char Narrow = static_cast<char>(Byte);
    wchar_t Wide = 0;
    MultiByteToWideChar(1252, 0, &Narrow, 1, &Wide, 1);
    // The five bytes without a character in the code page map to themselves.
    const bool Undefined = Byte == 0x81 || Byte == 0x8D || Byte == 0x8F || Byte == 0x90 || Byte == 0x9D;
    wchar_t Expected = static_cast<wchar_t>(Byte);
    if (!Undefined) {
      Expected = Wide;
      CharLowerBuffW(&Expected, 1);
    }
    CHECK(static_cast<int>(Table[static_cast<size_t>(Byte)]) == static_cast<int>(Expected));
  }
  CHECK(Table[0x8A] == 0x0161);
  CHECK(Table[0x9A] == 0x0161);
  CHECK(Table[0x9F] == 0x00FF);
  CHECK(Table[0x80] == 0x20AC);
}

TEST_CASE("occurrence counts") {
  struct TCountCase {
    const char* Name;
    std::wstring Needle;
    std::wstring Line;
    bool CaseSensitive;
    int32_t Expected;
  };
  const std::vector<TCountCase> Cases = {
      {"overlap-free repeats", L"ab", L"ababab", false, 3},
      {"overlapping repeats stop before the end", L"aa", L"aaaa", false, 2},
      {"three overlapping of five", L"aa", L"aaaaa", false, 3},
      {"single character", L"a", L"banana", false, 3},
      {"single character ignores case", L"A", L"banana", false, 3},
      {"letters ignore case", L"AB", L"xabxAbx", false, 2},
      {"case-sensitive", L"AB", L"xabxAbx", true, 0},
      {"only letters a to z fold", L"\u00E9", L"\u00C9", false, 0},
      {"wildcards are plain characters", L"a*", L"a*ba*", false, 2},
      {"star does not match anything", L"a*", L"abab", false, 0},
      {"find at the very end", L"ab", L"xxab", false, 1},
      {"needle longer than line", L"abc", L"ab", false, 0},
      {"empty needle", L"", L"abc", false, 0},
      {"empty line", L"a", L"", false, 0},
      {"whole line", L"abc", L"abc", false, 1},
  };
  for (const TCountCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(CountOccurrences(Case.Needle, Case.Line, Case.CaseSensitive) == Case.Expected);
  }
}

TEST_CASE("a string source with hit counting answers and counts together") {
  int32_t Hits = -1;
  CHECK(MatchString(L"ababab", L"ab", false, true, false, &Hits));
  CHECK(Hits == 3);
  // The set is matched, but its text does not occur literally.
  CHECK(MatchString(L"a1", L"[0..9]", false, true, false, &Hits));
  CHECK(Hits == 0);
  CHECK_FALSE(MatchString(L"xyz", L"ab", false, true, false, &Hits));
  CHECK(Hits == 0);
  // Without hit counting nothing is counted.
  CHECK(MatchString(L"ababab", L"ab", false, false, false, &Hits));
  CHECK(Hits == 0);
}
