#include <doctest.h>

#include "framework/Exception.h"
#include "framework/FormatSettings.h"
#include "framework/Variant.h"

#include <vector>

TEST_CASE("variants convert to the kinds the settings need") {
  CHECK(Variant().IsEmpty());
  CHECK(Variant().ToString() == L"");
  CHECK(Variant().ToInteger() == 0);
  CHECK_FALSE(Variant().ToBoolean());

  CHECK(Variant(true).ToString() == L"True");
  CHECK(Variant(false).ToInteger() == 0);
  CHECK(Variant(int32_t{0}).ToBoolean() == false);
  CHECK(Variant(int32_t{1}).ToBoolean() == true);
  CHECK(Variant(int32_t{-7}).ToBoolean() == true);

  CHECK(Variant(L"42").ToInteger() == 42);
  CHECK(Variant(L"True").ToBoolean());
  CHECK_FALSE(Variant(L"false").ToBoolean());
  CHECK(Variant(L"1").ToBoolean());
  CHECK_FALSE(Variant(L"0").ToBoolean());
  CHECK(Variant(uint8_t{200}).ToInteger() == 200);
  CHECK(Variant(uint32_t{0xFFFFFFFFu}).ToInteger() == -1);
  CHECK(Variant(int32_t{-12}).ToString() == L"-12");
  CHECK(Variant(2.5).ToInteger() == 2);  // half to even
  CHECK(Variant(3.5).ToInteger() == 4);
}

TEST_CASE("variants refuse conversions that have no meaning") {
  CHECK_THROWS_AS(Variant(L"abc").ToInteger(), EConvertError);
  CHECK_THROWS_AS(Variant(L"yes").ToBoolean(), EConvertError);
  CHECK_THROWS_AS(Variant::Null().ToInteger(), EConvertError);
  CHECK_THROWS_AS(Variant(int64_t{5000000000}).ToInteger(), EConvertError);
  CHECK_THROWS_WITH_AS(Variant(L"x").ToInteger(),
                       "Could not convert variant of type (UnicodeString) into type (Integer)", EConvertError);
}

TEST_CASE("float texts follow the user's decimal separator") {
  TFormatSettings Comma;
  Comma.DecimalSeparator = L",";
  TFormatSettingsOverride Override(Comma);
  CHECK(Variant(3.5).ToString() == L"3,5");
  CHECK(Variant(L"2,5").ToDouble() == doctest::Approx(2.5));
  CHECK(Variant::Currency(12345).ToString() == L"1,2345");
}

TEST_CASE("equality compares kind and value") {
  CHECK(Variant(int32_t{1}) == Variant(int32_t{1}));
  CHECK_FALSE(Variant(int32_t{1}) == Variant(true));
  CHECK(Variant(L"a") == Variant(std::wstring(L"a")));
  CHECK_FALSE(Variant(L"a") == Variant::OleStr(L"a"));
}
