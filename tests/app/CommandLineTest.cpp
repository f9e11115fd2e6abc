#include <doctest.h>

#include "app/CommandLine.h"
#include "support/TestStrings.h"

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
