#include <doctest.h>

#include "common/VKRBreakApart.h"
#include "framework/Text.h"

#include <string>
#include <vector>

namespace {

using Parts = std::vector<std::wstring>;

struct TSplitCase {
  const char* Name;
  std::wstring Text;
  std::wstring Separator;
  bool AllowEmpty;
  bool CaseSensitive;
  bool DoubleQuote;
  Parts Expected;
};

Parts SplitWith(const TSplitCase& Case) {
  TVKRBreakApart Splitter;
  Splitter.SetBaseString(Case.Text);
  Splitter.SetBreakString(Case.Separator);
  Splitter.SetAllowEmptyString(Case.AllowEmpty);
  Splitter.SetCaseSensitive(Case.CaseSensitive);
  Splitter.SetDoubleQuoteMode(Case.DoubleQuote);
  Splitter.StringList() = {L"left over from an earlier call"};
  Splitter.BreakApart();
  return Splitter.StringList();
}

}  // namespace

TEST_CASE("splitting follows the separator, empty-part and case rules") {
  const std::vector<TSplitCase> Cases = {
      {"empty parts dropped", L"a,,b", L",", false, false, false, {L"a", L"b"}},
      {"empty parts kept", L"a,,b", L",", true, false, false, {L"a", L"", L"b"}},
      {"trailing separator", L"a,b,", L",", false, false, false, {L"a", L"b"}},
      {"trailing separator kept", L"a,b,", L",", true, false, false, {L"a", L"b", L""}},
      {"empty text", L"", L",", false, false, false, {}},
      {"empty text kept", L"", L",", true, false, false, {L""}},
      {"placement record", L"600, 208, 132, 943, wsNormal", L", ", true, false, false,
       {L"600", L"208", L"132", L"943", L"wsNormal"}},
      {"minimised placement record", L"600, 208, 132, 943, ", L", ", true, false, false,
       {L"600", L"208", L"132", L"943", L""}},
      {"letters match without case", L"xandyANDz", L"AND", false, false, false, {L"x", L"y", L"z"}},
      {"parts keep their case", L"XaNdYandZ", L"and", false, false, false, {L"X", L"Y", L"Z"}},
      {"case-sensitive letters", L"xandyANDz", L"AND", false, true, false, {L"xandy", L"z"}},
      {"spaces force exact matching", L"x AND y and z", L" AND ", false, false, false, {L"x", L"y and z"}},
      {"punctuation is exact", L"a;b;c", L";", false, false, false, {L"a", L"b", L"c"}},
      {"empty separator never matches", L"a,b", L"", false, false, false, {L"a,b"}},
      {"separator longer than text", L"ab", L"abc", false, false, false, {L"ab"}},
      {"backslash paths", L"\\Software\\\\Brenlow\\", L"\\", false, false, false, {L"Software", L"Brenlow"}},
      {"file name with semicolon stays split", L"*.tmp;*.log", L";", false, false, false, {L"*.tmp", L"*.log"}},
  };
  for (const TSplitCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(SplitWith(Case) == Case.Expected);
  }
}

TEST_CASE("double-quote mode joins quoted runs") {
  const std::vector<TSplitCase> Cases = {
      {"quoted part with separator", L"a,\"b,c\",d", L",", false, false, true, {L"a", L"b,c", L"d"}},
      {"single quoted word", L"\"word\",x", L",", false, false, true, {L"word", L"x"}},
      {"unclosed run stays joined", L"a,\"b,c", L",", false, false, true, {L"a", L"\"b,c"}},
      {"quoted last part", L"a,\"b\"", L",", false, false, true, {L"a", L"b"}},
      {"empty quotes dropped", L"a,\"\",b", L",", false, false, true, {L"a", L"b"}},
      {"empty quotes kept", L"a,\"\",b", L",", true, false, true, {L"a", L"", L"b"}},
      {"run of three parts", L"\"a,b,c\",d", L",", false, false, true, {L"a,b,c", L"d"}},
      {"doubled quotes inside stay", L"\"a,\"\",b\"", L",", false, false, true, {L"a,\"\",b"}},
      {"lone quote", L"\"", L",", false, false, true, {L"\""}},
  };
  for (const TSplitCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(SplitWith(Case) == Case.Expected);
  }
}

TEST_CASE("joining skips or keeps empty parts and quotes in double-quote mode") {
  struct TJoinCase {
    const char* Name;
    Parts List;
    bool AllowEmpty;
    bool DoubleQuote;
    std::wstring Expected;
  };
  const std::vector<TJoinCase> Cases = {
      {"empty part skipped", {L"a", L"", L"b"}, false, false, L"a,b"},
      {"empty part kept", {L"a", L"", L"b"}, true, false, L"a,,b"},
      {"empty list", {}, false, false, L""},
      {"only empty parts", {L"", L""}, false, false, L""},
      {"trailing empty kept", {L"a", L""}, true, false, L"a,"},
      {"every part quoted", {L"a", L"b,c"}, false, true, L"\"a\",\"b,c\""},
      {"empty first part skipped", {L"", L"b"}, false, true, L"\"b\""},
      {"empty parts kept quoted", {L"", L"b"}, true, true, L"\"\",\"b\""},
  };
  for (const TJoinCase& Case : Cases) {
    CAPTURE(Case.Name);
    TVKRBreakApart Joiner;
    Joiner.SetBaseString(L"left over");
    Joiner.SetBreakString(L",");
    Joiner.SetAllowEmptyString(Case.AllowEmpty);
    Joiner.SetDoubleQuoteMode(Case.DoubleQuote);
    Joiner.SetStringList(Case.List);
    Joiner.ReverseBreakApart();
    CHECK(Joiner.BaseString() == Case.Expected);
  }
}

TEST_CASE("a quoted join splits back to the same parts") {
  const Parts Original = {L"one", L"two, three", L"four"};
  TVKRBreakApart Splitter;
  Splitter.SetBreakString(L",");
  Splitter.SetDoubleQuoteMode(true);
  Splitter.SetStringList(Original);
  Splitter.ReverseBreakApart();
  Splitter.BreakApart();
  CHECK(Splitter.StringList() == Original);
}
