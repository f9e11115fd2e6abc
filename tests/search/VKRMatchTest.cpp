#include <doctest.h>

#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/VKRMatch.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

namespace {

struct TFileResult {
  bool Found;
  int32_t Hits;
};

TFileResult MatchFiles(const std::wstring& Source, const std::wstring& Pattern, bool HitsCount,
                       bool SkipBinary = false) {
  TVKRMatch Match;
  Match.SetSourceIsFile(true);
  Match.SetSource(Source);
  Match.SetPattern(Pattern);
  Match.SetHitsCountEnabled(HitsCount);
  Match.SetSkipBinaryFile(SkipBinary);
  const bool Found = Match.Match();
  return {Found, Match.HitsCount()};
}

std::string Bytes(std::initializer_list<int> Values) {
  std::string Result;
  for (const int Value : Values) Result.push_back(static_cast<char>(Value));
  return Result;
}

// UTF-16 code units of Text in the given byte order.
std::string Utf16(const std::wstring& Text, bool BigEndian) {
  std::string Result;
  for (const wchar_t c : Text) {
    const char Low = static_cast<char>(c & 0xFF), High = static_cast<char>((c >> 8) & 0xFF);
    Result.push_back(BigEndian ? High : Low);
    Result.push_back(BigEndian ? Low : High);
  }
  return Result;
}

}  // namespace

TEST_CASE("file sources: encodings and line ends") {
  TTempDir Dir;
  const std::wstring Cafe = L"caf\u00E9";
  const std::string AnsiCafe = "caf\xE9";
  struct TCase {
    const char* Name;
    std::string Content;
    std::wstring Pattern;
    bool Expected;
  };
  const std::vector<TCase> Cases = {
      // Without a byte-order mark the bytes are read in the ANSI code page,
      // whatever it is on this system.
      {"ANSI", "x " + AnsiCafe + " y\r\n", Cafe, AnsiToWide(AnsiCafe) == Cafe},
      {"UTF-8 with a mark", Bytes({0xEF, 0xBB, 0xBF}) + "x caf\xC3\xA9 y", Cafe, true},
      {"UTF-8 without a mark is ANSI", "x caf\xC3\xA9 y", Cafe,
       AnsiToWide("x caf\xC3\xA9 y").find(Cafe) != std::wstring::npos},
      {"UTF-16 little endian", Bytes({0xFF, 0xFE}) + Utf16(L"a\r\nx " + Cafe + L" y\r\n", false), Cafe, true},
      {"UTF-16 big endian", Bytes({0xFE, 0xFF}) + Utf16(L"a\nx " + Cafe + L" y", true), Cafe, true},
      {"UTF-16 lines end too", Bytes({0xFF, 0xFE}) + Utf16(L"ab\r\ncd", false), L"b*c", false},
      {"LF ends a line", "ab\ncd", L"b*c", false},
      {"CR ends a line", "ab\rcd", L"b*c", false},
      {"CR LF ends a line", "ab\r\ncd", L"b*c", false},
      {"within one line", "ab cd\r\n", L"b*c", true},
      {"last line without a break", "first\nneedle", L"needle", true},
      {"empty file", "", L"x", false},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    const std::wstring File = Dir.MakeFile(L"case.txt", Case.Content);
    CHECK(MatchFiles(File, Case.Pattern, false).Found == Case.Expected);
    CHECK(MatchFiles(File, Case.Pattern, true).Found == Case.Expected);
  }
}

TEST_CASE("hit counting reads every line of every file, also after a match") {
  TTempDir Dir;
  const std::wstring First = Dir.MakeFile(L"first.txt", std::string("ab ab\nxx\r\nab\r"));
  const std::wstring Second = Dir.MakeFile(L"second.txt", std::string("ABAB\r\nabab"));
  const std::wstring Missing = Dir / L"missing.txt";
  const std::wstring Folder = Dir.MakeDir(L"folder");

  const TFileResult Result = MatchFiles(First + L";" + Missing + L";" + Folder + L";" + Second, L"ab", true);
  CHECK(Result.Found);
  CHECK(Result.Hits == 3 + 2 + 2);

  // Missing files and folders are passed over without an error.
  CHECK_FALSE(MatchFiles(Missing + L";" + Folder, L"ab", true).Found);
}

TEST_CASE("without hit counting a line is tested through its first 8192 characters") {
  TTempDir Dir;
  struct TCase {
    const char* Name;
    size_t Before;  // characters in front of "needle"
    bool SimpleFinds;
  };
  const std::vector<TCase> Cases = {
      {"ends on the last character of the window", 8192 - 6, true},
      {"one character past the window", 8192 - 5, false},
      {"starts after the window", 8192, false},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    const std::string Line = std::string(Case.Before, 'x') + "needle" + std::string(10000 - Case.Before, 'y');
    const std::wstring File = Dir.MakeFile(L"long.txt", Line + "\r\nshort line\r\n");
    CHECK(MatchFiles(File, L"needle", false).Found == Case.SimpleFinds);
    // The set engine sees the whole line.
    CHECK(MatchFiles(File, L"needle", true).Found);
  }
  // A later line is still tested.
  const std::wstring File = Dir.MakeFile(L"later.txt", std::string(10000, 'x') + "needle\nneedle\n");
  CHECK(MatchFiles(File, L"needle", false).Found);
}

TEST_CASE("a file name with a semicolon is two names as Source, one through SourceFiles") {
  TTempDir Dir;
  const std::wstring File = Dir.MakeFile(L"x;y.txt", std::string("the needle is here"));
  CHECK_FALSE(MatchFiles(File, L"needle", false).Found);

  TVKRMatch Match;
  Match.SetSourceIsFile(true);
  Match.SetSource(File);
  REQUIRE(Match.SourceFiles().size() == 2);
  CHECK(Match.SourceFiles()[0] == Dir / L"x");
  CHECK(Match.SourceFiles()[1] == L"y.txt");
  CHECK(Match.Source() == File);

  Match.SetSourceFiles({File});
  Match.SetPattern(L"needle");
  CHECK(Match.Match());
}

TEST_CASE("Source is a text or a file list after SourceIsFile") {
  TVKRMatch Match;
  Match.SetSource(L"a;;b");
  CHECK(Match.Source() == L"a;;b");
  Match.SetSourceIsFile(true);
  CHECK(Match.Source() == L"");
  Match.SetSource(L"a;;b;");
  CHECK(Match.SourceFiles() == std::vector<std::wstring>{L"a", L"b"});
  CHECK(Match.Source() == L"a;b");
  Match.SetSourceIsFile(false);
  CHECK(Match.Source() == L"a;;b");
}

TEST_CASE("the binary test looks at the first 1000 bytes only") {
  TTempDir Dir;
  struct TCase {
    const char* Name;
    std::string Content;
    bool IsText;
  };
  const std::vector<TCase> Cases = {
      {"plain ASCII", "needle\r\n", true},
      {"control bytes", std::string("needle\0\x01\x7F", 9), true},
      {"high byte at 1000", "needle" + std::string(993, ' ') + "\x80", false},
      {"high byte at 1001", "needle" + std::string(994, ' ') + "\x80", true},
      {"UTF-8 letter", "needle caf\xC3\xA9", false},
      {"UTF-16 mark", Bytes({0xFF, 0xFE}) + Utf16(L"needle", false), false},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    const std::wstring File = Dir.MakeFile(L"probe.txt", Case.Content);
    for (const bool HitsCount : {false, true}) {
      CHECK(MatchFiles(File, L"needle", HitsCount, false).Found);
      CHECK(MatchFiles(File, L"needle", HitsCount, true).Found == Case.IsText);
    }
  }
}

TEST_CASE("a file that exists but cannot be read raises") {
  TTempDir Dir;
  const std::wstring File = Dir.MakeFile(L"locked.txt", std::string("needle"));
  UniqueFile Lock(CreateFileW(File.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  REQUIRE(Lock.valid());
  for (const bool HitsCount : {false, true}) {
    for (const bool SkipBinary : {false, true}) {
      CAPTURE(HitsCount);
      CAPTURE(SkipBinary);
      CHECK_THROWS_AS(MatchFiles(File, L"needle", HitsCount, SkipBinary), EOSError);
    }
  }
}
