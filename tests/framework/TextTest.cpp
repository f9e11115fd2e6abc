#include <doctest.h>

#include "framework/Exception.h"
#include "framework/FormatSettings.h"
#include "framework/Text.h"

#include <cstdint>
#include <vector>

TEST_CASE("integer parsing accepts what stored settings hold and refuses the rest") {
  struct TCase {
    std::wstring Text;
    bool Valid;
    int32_t Value;
  };
  const std::vector<TCase> Cases = {
      {L"0", true, 0},          {L"8", true, 8},
      {L"-5", true, -5},        {L"+7", true, 7},
      {L"  12", true, 12},      {L"$FF", true, 255},
      {L"0x10", true, 16},      {L"$FFFFFFFF", true, -1},
      {L"2147483647", true, 2147483647},
      {L"-2147483648", true, INT32_MIN},
      {L"2147483648", false, 0}, {L"", false, 0},
      {L"12 ", false, 0},        {L"abc", false, 0},
      {L"1.5", false, 0},        {L"-", false, 0},
      {L"$", false, 0},          {L"100000000000", false, 0},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Text));
    int32_t Value = 0;
    REQUIRE(TryStrToInt(Case.Text, Value) == Case.Valid);
    if (Case.Valid) CHECK(Value == Case.Value);
  }
  CHECK_THROWS_AS(StrToInt(L"abc"), EConvertError);
  CHECK(StrToIntDef(L"abc", 8) == 8);
}

TEST_CASE("A-to-Z folding leaves every other character alone") {
  CHECK(LowerCaseAZ(L"C:\\TEMP\\Ärger") == L"c:\\temp\\Ärger");
  CHECK(SameTextAZ(L"C:\\TEMP", L"c:\\temp"));
  CHECK_FALSE(SameTextAZ(L"C:\\ÄRGER", L"c:\\ärger"));
  CHECK_FALSE(SameTextAZ(L"C:\\Temp\\", L"C:\\Temp"));
}

TEST_CASE("grouping uses the separator it is given") {
  CHECK(FormatGrouped(0, L",") == L"0");
  CHECK(FormatGrouped(999, L",") == L"999");
  CHECK(FormatGrouped(1000, L",") == L"1,000");
  CHECK(FormatGrouped(-1234567, L".") == L"-1.234.567");
  CHECK(FormatGrouped(12056, L"") == L"12056");
  CHECK(FormatGrouped(INT64_MIN, L",") == L"-9,223,372,036,854,775,808");
}

TEST_CASE("texts round-trip through UTF-8 and hexadecimal has upper-case digits") {
  const std::wstring Text = L"Ärger über Temp \u20AC";
  CHECK(Utf8ToWide(WideToUtf8(Text)) == Text);
  CHECK(IntToHex(0, 2) == L"00");
  CHECK(IntToHex(0xAB, 2) == L"AB");
  CHECK(IntToHex(0xFFFFFFFFu, 2) == L"FFFFFFFF");
  CHECK(Pos(L"KB", L"12 KB") == 4);
  CHECK(Pos(L"x", L"abc") == 0);
}
