#include <doctest.h>

#include "app/CommandLine.h"
#include "support/TestStrings.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

TEST_CASE("the command line: switches, their spellings and mistakes") {
  using A = TCommandLineAction;
  struct TCase {
    std::vector<std::wstring> Arguments;
    TCommandLineAction Action;
    std::wstring Offending;
    std::wstring Output = L"";
  };
  const TCase Cases[] = {
      {{}, A::clNormalStart, L""},
      {{L"/auto"}, A::clUnattended, L""},
      {{L"/AUTO"}, A::clUnattended, L""},
      {{L"-Auto"}, A::clUnattended, L""},
      {{L"/aUtO"}, A::clUnattended, L""},
      {{L"/auto", L"-auto"}, A::clUnattended, L""},
      {{L"/?"}, A::clUsage, L""},
      {{L"-?"}, A::clUsage, L""},
      {{L"/auto", L"/?"}, A::clUsage, L""},
      {{L"/?", L"/auto"}, A::clUsage, L""},
      {{L"/x"}, A::clBadCommandLine, L"/x"},
      {{L"auto"}, A::clBadCommandLine, L"auto"},
      {{L"/autox"}, A::clBadCommandLine, L"/autox"},
      {{L"/auto:yes"}, A::clBadCommandLine, L"/auto:yes"},
      {{L"//auto"}, A::clBadCommandLine, L"//auto"},
      {{L"/"}, A::clBadCommandLine, L"/"},
      {{L""}, A::clBadCommandLine, L""},
      // A mistake anywhere runs nothing, not even the switches that were right.
      {{L"/auto", L"C:\\Temp"}, A::clBadCommandLine, L"C:\\Temp"},
      {{L"/?", L"/y", L"/z"}, A::clBadCommandLine, L"/y"},
      {{L"/find"}, A::clFind, L""},
      {{L"-Find"}, A::clFind, L""},
      {{L"/FIND", L"C:\\Found folders.txt"}, A::clFind, L"", L"C:\\Found folders.txt"},
      {{L"/find", L"\\\\server\\share\\found.txt"}, A::clFind, L"", L"\\\\server\\share\\found.txt"},
      // The file is overwritten: it is never taken from wherever the program was started.
      {{L"/find", L"found.txt"}, A::clBadCommandLine, L"found.txt"},
      {{L"/find", L"C:found.txt"}, A::clBadCommandLine, L"C:found.txt"},
      {{L"/find", L"C:\\a.txt", L"C:\\b.txt"}, A::clBadCommandLine, L"C:\\b.txt"},
      {{L"/find", L"/?"}, A::clUsage, L""},
      {{L"/auto", L"/find"}, A::clBadCommandLine, L"/find"},
      {{L"/find", L"/auto"}, A::clBadCommandLine, L"/auto"},
      {{L"/find", L"/find"}, A::clBadCommandLine, L"/find"},
  };
  for (const TCase& Case : Cases) {
    std::wstring Joined;
    for (const std::wstring& Argument : Case.Arguments) Joined += L"[" + Argument + L"]";
    CAPTURE(Joined);
    const TCommandLine Line = ParseCommandLine(Case.Arguments);
    CHECK(Line.Action == Case.Action);
    CHECK(Line.Offending == Case.Offending);
    CHECK(Line.Output == Case.Output);
  }
}

TEST_CASE("the usage names the argument that was not understood") {
  const std::wstring Usage = UsageText(ParseCommandLine({L"/?"}));
  CHECK(Usage.find(L"/auto") != std::wstring::npos);
  CHECK(Usage.find(L"Unknown") == std::wstring::npos);
  CHECK(UsageText(ParseCommandLine({L"/bogus"})).find(L"Unknown switch: \"/bogus\"\n\n" + Usage) == 0);
  CHECK(UsageText(ParseCommandLine({L"bogus"})).find(L"Unknown argument: \"bogus\"\n\n" + Usage) == 0);
  CHECK(Usage.find(L"/find") != std::wstring::npos);
  CHECK(UsageText(ParseCommandLine({L"/find", L"x.txt"}))
            .find(L"The file of /find must be a full path (C:\\...): \"x.txt\"\n\n" + Usage) == 0);
}

TEST_CASE("any command line is read without an error, and a mistake names an argument given") {
  using A = TCommandLineAction;
  const std::vector<std::vector<std::wstring>> Hostile = {
      {L""}, {L"/"}, {L"-"}, {L"//auto"}, {L"/auto\0x"}, {std::wstring(L"/auto\0", 6)}, {L"/\xD800"}, {L"/\xDC00" L"auto"},
      {L"/\x0130" L"auto"}, {L"/AUTO\x0301"}, {std::wstring(40000, L'/')}, {L"/auto", std::wstring(1 << 20, L'a')},
      {L"\"/auto\""}, {L"/?\x0000"}, {L"\xFEFF/auto"}, {L"/auto", L""},
  };
  std::mt19937 Random(32);
  const wchar_t Pieces[] = {L'/', L'-', L'?', L'a', L'u', L't', L'o', L'A', L'U', L'T', L'O', L' ', L'\0', L'\xD800',
                            L'\xDFFF', L'\x0131', L'"', L':'};
  std::vector<std::vector<std::wstring>> Lines = Hostile;
  for (int i = 0; i < 4000; ++i) {
    std::vector<std::wstring> Arguments(Random() % 4);
    for (std::wstring& Argument : Arguments)
      for (uint32_t n = Random() % (i % 100 == 0 ? 3000 : 7); n > 0; --n)
        Argument += Random() % 5 == 0 ? static_cast<wchar_t>(Random() % 0x10000) : Pieces[Random() % std::size(Pieces)];
    Lines.push_back(std::move(Arguments));
  }
  for (size_t i = 0; i < Lines.size(); ++i) {
    CAPTURE(i);
    const std::vector<std::wstring>& Arguments = Lines[i];
    TCommandLine Line;
    REQUIRE_NOTHROW(Line = ParseCommandLine(Arguments));
    CHECK((Line.Action == A::clNormalStart) == Arguments.empty());
    if (Line.Action == A::clBadCommandLine)
      CHECK(std::find(Arguments.begin(), Arguments.end(), Line.Offending) != Arguments.end());
    else
      CHECK(Line.Offending.empty());
    // Only the two switches, in their spellings, are understood.
    const auto Known = [](const std::wstring& Argument) {
      std::wstring Lower = Argument;
      for (wchar_t& C : Lower)
        if (C >= L'A' && C <= L'Z') C = static_cast<wchar_t>(C + 32);
      return Lower == L"/auto" || Lower == L"-auto" || Lower == L"/?" || Lower == L"-?";
    };
    CHECK((Line.Action == A::clBadCommandLine) ==
          std::any_of(Arguments.begin(), Arguments.end(), [&](const std::wstring& Argument) { return !Known(Argument); }));
    std::wstring Usage;
    CHECK_NOTHROW(Usage = UsageText(Line));
    CHECK_FALSE(Usage.empty());
  }
}
