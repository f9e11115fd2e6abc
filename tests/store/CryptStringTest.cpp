// The keyed scrambling of text values.

#include "StoreTestSupport.h"

#include "framework/Exception.h"

namespace {

std::wstring Scramble(const std::wstring& BaseKey, int32_t Start, const std::wstring& Text) {
  TVKRRegistryEnhanced Store;
  Store.SetEncryptionParameters(BaseKey, Start);
  return Store.CryptString(Text, true);
}

std::wstring Unscramble(const std::wstring& BaseKey, const std::wstring& Text) {
  TVKRRegistryEnhanced Store;
  Store.SetEncryptionParameters(BaseKey, 0);  // the start value is read from the text
  return Store.CryptString(Text, false);
}

}  // namespace

TEST_CASE("scrambling chains every unit to the one before and cycles through the key") {
  // "AB" = 65, 66; start 16.  a: ((97 + 16) mod 255) xor 65 = 0x30;
  // b: ((98 + 0x30) mod 255) xor 66 = 0xD0;  c: ((99 + 0xD0) mod 255) xor 65 = 0x75.
  CHECK(Scramble(L"AB", 16, L"abc") == L"1030D075");
  CHECK(Unscramble(L"AB", L"1030D075") == L"abc");
  CHECK(Unscramble(L"AB", L"1030d075") == L"abc");
}

TEST_CASE("scrambled text comes back unchanged") {
  std::wstring EveryUnit;
  for (wchar_t c = 1; c <= 254; ++c) EveryUnit += c;
  const std::vector<std::wstring> Texts = {L"", L"a", L"C:\\Users\\Public\\Temp", L"caf\u00E9 na\u00EFve",
                                           EveryUnit, std::wstring(300, L'\u00FE')};
  const std::vector<std::wstring> Keys = {L"K", L"secret key", L"cl\u00E9", L"\u20AC uro", L""};
  for (const std::wstring& Key : Keys)
    for (const int32_t Start : {0, 1, 127, 255})
      for (const std::wstring& Text : Texts) {
        CAPTURE(Key);
        CAPTURE(Start);
        CAPTURE(Text);
        const std::wstring Scrambled = Scramble(Key, Start, Text);
        CHECK(Scrambled.size() == 2 * (Text.size() + 1));
        CHECK(Unscramble(Key, Scrambled) == Text);
      }
}

TEST_CASE("the start value leads the scrambled text as two digits") {
  CHECK(Scramble(L"K", 0, L"") == L"00");
  CHECK(Unscramble(L"K", L"00") == L"");
  CHECK(Scramble(L"K", 171, L"") == L"AB");
  // Only its low byte can be read back from two digits, so only that byte is used.
  struct TCase {
    int32_t Start;
    int32_t Same;
  };
  for (const TCase& Case : {TCase{-1, 255}, TCase{-256, 0}, TCase{261, 5}, TCase{INT32_MIN, 0}}) {
    CAPTURE(Case.Start);
    CHECK(Scramble(L"key", Case.Start, L"value") == Scramble(L"key", Case.Same, L"value"));
    CHECK(Unscramble(L"key", Scramble(L"key", Case.Start, L"value")) == L"value");
  }
}

TEST_CASE("text that is not scrambled text, or cannot be scrambled, raises a conversion error") {
  for (const std::wstring& Text : {std::wstring(L""), std::wstring(L"0"), std::wstring(L"001"),
                                   std::wstring(L"00ZZ"), std::wstring(L"0 12"), std::wstring(L"plain text")}) {
    CAPTURE(Text);
    CHECK_THROWS_AS(Unscramble(L"K", Text), EConvertError);
  }
  for (const std::wstring& Text : {std::wstring(L"\u20AC"), std::wstring(L"a\u00FFb"), std::wstring(L"a\0b", 3),
                                   std::wstring(L"\U0001F600")}) {
    CAPTURE(Text);
    CHECK_THROWS_AS(Scramble(L"K", 0, Text), EConvertError);
  }
}

TEST_CASE("scrambled values in the registry") {
  TStoreFixture F;
  F.Store.SetEncryptionParameters(L"Marrowby", 42);
  F.Store.SetTypedValue(L"Proxy\\Password", L"p\u00E4ss word", TBinaryType::btEncryptString);
  const auto Raw = F.Fixture.ReadRaw(L"Proxy", L"Password");
  REQUIRE(Raw.has_value());
  CHECK(Raw->Type == REG_SZ);
  CHECK(Raw->AsString() == F.Store.CryptString(L"p\u00E4ss word", true));
  CHECK(F.Store.GetTypedValue(L"Proxy\\Password", TBinaryType::btEncryptString) == Variant(L"p\u00E4ss word"));
  CHECK(F.Store.GetTypedValueDefault(L"Proxy\\Password", L"d", TBinaryType::btEncryptString) ==
        Variant(L"p\u00E4ss word"));
  CHECK(F.Store.GetValue(L"Proxy\\Password") == Variant(Raw->AsString()));

  SUBCASE("stored text that does not unscramble") {
    F.Fixture.WriteString(L"Proxy", L"Plain", L"not scrambled");
    CHECK_THROWS_AS(F.Store.GetTypedValue(L"Proxy\\Plain", TBinaryType::btEncryptString), EConvertError);
    CHECK(F.Store.GetTypedValueDefault(L"Proxy\\Plain", L"d", TBinaryType::btEncryptString) == Variant(L"d"));
  }
  SUBCASE("text that cannot be scrambled is not written") {
    CHECK_THROWS_AS(F.Store.SetTypedValue(L"Proxy\\Euro", L"5 \u20AC", TBinaryType::btEncryptString), EConvertError);
    CHECK_FALSE(F.Fixture.ReadRaw(L"Proxy", L"Euro").has_value());
  }
}
