// Writing and reading values of every kind, defaults, and data the store
// did not write itself.

#include "StoreTestSupport.h"

#include "framework/Exception.h"

#include <climits>
#include <functional>
#include <optional>

namespace {

const std::vector<TBinaryType> AllBinaryTypes = {TBinaryType::btNone, TBinaryType::btEncryptString,
                                                 TBinaryType::btExpandString, TBinaryType::btBinary32BitMax,
                                                 TBinaryType::btBinary32BitMin};

std::string BinaryTypeName(TBinaryType Type) {
  switch (Type) {
    case TBinaryType::btNone: return "btNone";
    case TBinaryType::btEncryptString: return "btEncryptString";
    case TBinaryType::btExpandString: return "btExpandString";
    case TBinaryType::btBinary32BitMax: return "btBinary32BitMax";
    case TBinaryType::btBinary32BitMin: return "btBinary32BitMin";
  }
  return "?";
}

}  // namespace

TEST_CASE("a new store has the documented defaults") {
  TVKRRegistryEnhanced Store;
  CHECK(Store.Access() == TAccess::kAllAccess);
  CHECK(Store.BinaryType() == TBinaryType::btNone);
  CHECK(Store.Key().empty());
  CHECK(Store.LangType() == TLangType::ltEnglish);
  CHECK_FALSE(Store.RaiseExceptions());
  CHECK(Store.RootKey() == TRootKey::hkCurrentUser);
  CHECK(Store.EntriesFound().empty());
}

TEST_CASE("every kind with a rule of its own is stored and read back") {
  struct TCase {
    const char* Name;
    Variant Value;
    DWORD Type;
    TBytes Data;
    Variant Read;         // GetValue
    Variant ReadDefault;  // GetValueDefault
  };
  const Variant None;
  const std::vector<TCase> Cases = {
      {"Boolean true", Variant(true), REG_DWORD, DwordBytes(1), Variant(int32_t{1}), Variant(int32_t{1})},
      {"Boolean false", Variant(false), REG_DWORD, DwordBytes(0), Variant(int32_t{0}), Variant(int32_t{0})},
      {"8-bit signed", Variant(int8_t{-5}), REG_DWORD, DwordBytes(0xFFFFFFFBu), Variant(int32_t{-5}),
       Variant(int32_t{-5})},
      {"8-bit unsigned", Variant(uint8_t{200}), REG_DWORD, DwordBytes(200), Variant(int32_t{200}),
       Variant(int32_t{200})},
      {"16-bit signed", Variant(int16_t{-300}), REG_DWORD, DwordBytes(static_cast<uint32_t>(-300)),
       Variant(int32_t{-300}), Variant(int32_t{-300})},
      {"16-bit unsigned", Variant(uint16_t{65535}), REG_DWORD, DwordBytes(65535), Variant(int32_t{65535}),
       Variant(int32_t{65535})},
      {"32-bit signed", Variant(int32_t{INT_MIN}), REG_DWORD, DwordBytes(0x80000000u), Variant(int32_t{INT_MIN}),
       Variant(int32_t{INT_MIN})},
      // An unsigned value above the signed range keeps its bits.
      {"32-bit unsigned", Variant(uint32_t{0xFFFFFFFFu}), REG_DWORD, DwordBytes(0xFFFFFFFFu), Variant(int32_t{-1}),
       Variant(int32_t{-1})},
      {"64-bit signed in range", Variant(int64_t{-123456}), REG_DWORD, DwordBytes(static_cast<uint32_t>(-123456)),
       Variant(int32_t{-123456}), Variant(int32_t{-123456})},
      {"double", Variant(3.5), REG_BINARY, RawBytes(3.5), None, Variant(int32_t{8})},
      {"date", Variant::Date(45000.25), REG_BINARY, RawBytes(45000.25), None, Variant(int32_t{8})},
      {"currency", Variant::Currency(125000), REG_BINARY, RawBytes(int64_t{125000}), None, Variant(int32_t{8})},
      {"text", Variant(L"C:\\Temp\\"), REG_SZ, TextBytes(L"C:\\Temp\\"), Variant(L"C:\\Temp\\"),
       Variant(L"C:\\Temp\\")},
      {"empty text", Variant(L""), REG_SZ, TextBytes(L""), Variant(L""), Variant(L"")},
      {"ANSI text", Variant::AnsiString("plain"), REG_SZ, TextBytes(L"plain"), Variant(L"plain"), Variant(L"plain")},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TStoreFixture F;
    // An earlier value of another type is replaced.
    F.Fixture.WriteString(L"Options", L"Value", L"older text");
    F.Store.SetValue(L"Options\\Value", Case.Value);
    const auto Raw = F.Fixture.ReadRaw(L"Options", L"Value");
    REQUIRE(Raw.has_value());
    CHECK(Raw->Type == Case.Type);
    CHECK(Raw->Data == Case.Data);
    CHECK(F.Store.GetValue(L"Options\\Value") == Case.Read);
    CHECK(F.Store.GetValueDefault(L"Options\\Value", Variant(L"default")) == Case.ReadDefault);
  }
}

TEST_CASE("a 64-bit integer outside the 32-bit range is refused, not cut") {
  TStoreFixture F;
  for (const int64_t Value : {int64_t{5000000000}, int64_t{INT_MIN} - 1}) {
    CAPTURE(Value);
    CHECK_THROWS_AS(F.Store.SetValue(L"Big", Variant(Value)), EConvertError);
    CHECK_FALSE(F.Fixture.ReadRaw(L"", L"Big").has_value());
  }
  F.Store.SetValue(L"Big", Variant(int64_t{INT_MAX}));
  CHECK(F.Store.GetValue(L"Big") == Variant(int32_t{INT_MAX}));
}

TEST_CASE("kinds without a rule of their own follow BinaryType") {
  struct TKind {
    const char* Name;
    Variant Value;
    std::optional<std::wstring> Text;  // what btExpandString stores; none: no text form
    std::optional<int32_t> Number;     // what the binary forms hold; none: no number
  };
  const std::vector<TKind> Kinds = {
      {"empty", Variant(), L"", 0},
      {"null", Variant::Null(), L"", 0},
      {"32-bit float", Variant(2.0f), L"2", 2},
      {"OLE string", Variant::OleStr(L"-12"), L"-12", -12},
      {"64-bit unsigned", Variant(uint64_t{7}), L"7", 7},
      {"64-bit unsigned, large", Variant(uint64_t{18446744073709551615ull}), L"18446744073709551615", std::nullopt},
      {"array", Variant::Array({Variant(int32_t{1})}), std::nullopt, std::nullopt},
      {"object", Variant::Object(), std::nullopt, std::nullopt},
  };
  for (const TKind& Kind : Kinds) {
    for (const TBinaryType Type : AllBinaryTypes) {
      CAPTURE(Kind.Name);
      CAPTURE(BinaryTypeName(Type));
      TStoreFixture F;
      const auto Write = [&] { F.Store.SetTypedValue(L"V", Kind.Value, Type); };
      const auto Raw = [&] { return F.Fixture.ReadRaw(L"", L"V"); };
      switch (Type) {
        case TBinaryType::btNone:
        case TBinaryType::btEncryptString:
          CHECK_NOTHROW(Write());
          CHECK_FALSE(Raw().has_value());
          break;
        case TBinaryType::btExpandString:
          if (!Kind.Text) {
            CHECK_THROWS_AS(Write(), EConvertError);
            CHECK_FALSE(Raw().has_value());
            break;
          }
          Write();
          REQUIRE(Raw().has_value());
          CHECK(Raw()->Type == REG_EXPAND_SZ);
          CHECK(Raw()->AsString() == *Kind.Text);
          CHECK(F.Store.GetTypedValue(L"V", Type) == Variant(*Kind.Text));
          CHECK(F.Store.GetValueDefault(L"V", Variant(L"default")) == Variant(*Kind.Text));
          break;
        case TBinaryType::btBinary32BitMax:
        case TBinaryType::btBinary32BitMin: {
          if (!Kind.Number) {
            CHECK_THROWS_AS(Write(), EConvertError);
            CHECK_FALSE(Raw().has_value());
            break;
          }
          Write();
          const bool Max = Type == TBinaryType::btBinary32BitMax;
          TBytes Expected = DwordBytes(static_cast<uint32_t>(*Kind.Number));
          if (!Max) Expected.resize(24, 0);
          REQUIRE(Raw().has_value());
          CHECK(Raw()->Type == REG_BINARY);
          CHECK(Raw()->Data == Expected);
          // Read with the same type, the number comes back (the first byte of it for Min).
          CHECK(F.Store.GetTypedValue(L"V", Type) ==
                (Max ? Variant(*Kind.Number) : Variant(static_cast<uint8_t>(*Kind.Number & 0xFF))));
          CHECK(F.Store.GetValueDefault(L"V", Variant(L"default")) == Variant(int32_t{Max ? 4 : 24}));
          break;
        }
      }
      CHECK(F.Store.BinaryType() == TBinaryType::btNone);
    }
  }
}

TEST_CASE("binary data reads by BinaryType, of any length, never past the buffer") {
  TBytes Huge(100000);
  for (size_t i = 0; i < Huge.size(); ++i) Huge[i] = static_cast<uint8_t>(i * 7 + 3);
  Huge[0] = 0x10;
  Huge[1] = 0x20;
  Huge[2] = 0x30;
  Huge[3] = 0x40;
  TBytes JustOver(2049, 0xEE);
  TBytes Exactly(2048, 0x11);
  struct TCase {
    const char* Name;
    TBytes Data;
    int32_t Max;  // little-endian first four bytes, short data padded with zeros
    uint8_t Min;  // first byte
  };
  const std::vector<TCase> Cases = {
      {"four bytes and more", {0x78, 0x56, 0x34, 0x12, 0xFF}, 0x12345678, 0x78},
      {"top bit set", {0x01, 0x02, 0x03, 0x84}, static_cast<int32_t>(0x84030201u), 0x01},
      {"one byte", {0xAB}, 0xAB, 0xAB},
      {"no bytes", {}, 0, 0},
      {"exactly the buffer", Exactly, 0x11111111, 0x11},
      {"one byte over the buffer", JustOver, static_cast<int32_t>(0xEEEEEEEEu), 0xEE},
      {"100,000 bytes", Huge, 0x40302010, 0x10},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TStoreFixture F;
    WriteBytes(F.Fixture, L"Data", L"Blob", REG_BINARY, Case.Data);
    // A smaller value read before must not shine through.
    WriteBytes(F.Fixture, L"Data", L"Before", REG_BINARY, TBytes(16, 0x99));
    for (const TBinaryType Type : AllBinaryTypes) {
      CAPTURE(BinaryTypeName(Type));
      F.Store.GetTypedValue(L"Data\\Before", TBinaryType::btBinary32BitMax);
      Variant Expected;
      if (Type == TBinaryType::btBinary32BitMax) Expected = Variant(Case.Max);
      if (Type == TBinaryType::btBinary32BitMin) Expected = Variant(Case.Min);
      CHECK(F.Store.GetTypedValue(L"Data\\Blob", Type) == Expected);
      CHECK(F.Store.GetTypedValueDefault(L"Data\\Blob", Variant(L"default"), Type) ==
            Variant(static_cast<int32_t>(Case.Data.size())));
    }
  }
}

TEST_CASE("the default stands in for what cannot be read, and nothing is created") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Options", L"Present", L"yes");

  SUBCASE("a missing value keeps the default as given") {
    CHECK(F.Store.GetValueDefault(L"Options\\ScanAtStartup", Variant(true)) == Variant(true));
    CHECK(F.Store.GetValueDefault(L"Options\\MaxDepth", Variant(int32_t{3})) == Variant(int32_t{3}));
    CHECK(F.Store.GetValue(L"Options\\ScanAtStartup").IsEmpty());
    CHECK(F.Fixture.ValueNames(L"Options") == std::vector<std::wstring>{L"Present"});
  }
  SUBCASE("a missing key is read without being created") {
    CHECK(F.Store.GetValueDefault(L"Missing\\Deeper\\Value", Variant(L"d")) == Variant(L"d"));
    CHECK(F.Store.GetValue(L"Missing\\Deeper\\Value").IsEmpty());
    CHECK_FALSE(F.Store.ValueExists(L"Missing\\Deeper\\Value"));
    CHECK_FALSE(F.Fixture.KeyExists(L"Missing"));
  }
  SUBCASE("a missing application key is not created either") {
    TRegistryFixture Absent;
    TVKRRegistryEnhanced Store;
    Store.SetKey(Absent.KeyPath());
    CHECK(Store.GetValueDefault(L"Options\\ScanAtStartup", Variant(false)) == Variant(false));
    CHECK_FALSE(Store.KeyExists(L""));
    CHECK_FALSE(Absent.KeyExists(L""));
  }
  SUBCASE("types the store does not write read as the default") {
    struct TOther {
      const char* Name;
      DWORD Type;
      TBytes Data;
    };
    const std::vector<TOther> Others = {
        {"REG_MULTI_SZ", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {"REG_QWORD", REG_QWORD, RawBytes(uint64_t{42})},
        {"REG_NONE", REG_NONE, {1, 2, 3}},
        {"REG_NONE, empty", REG_NONE, {}},
        {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}},
    };
    for (const TOther& Other : Others) {
      CAPTURE(Other.Name);
      WriteBytes(F.Fixture, L"Options", L"Other", Other.Type, Other.Data);
      CHECK(F.Store.GetValueDefault(L"Options\\Other", Variant(int32_t{9})) == Variant(int32_t{9}));
      CHECK(F.Store.GetValue(L"Options\\Other").IsEmpty());
      CHECK(F.Store.ValueExists(L"Options\\Other"));
    }
  }
  SUBCASE("an empty application key reads as empty, even with a default") {
    F.Store.SetKey(L"");
    CHECK(F.Store.GetValueDefault(L"Options\\Present", Variant(L"d")).IsEmpty());
    CHECK(F.Store.GetValue(F.Fixture.KeyPath() + L"\\Options\\Present").IsEmpty());
  }
}

TEST_CASE("stored data of an unexpected form") {
  struct TCase {
    const char* Name;
    DWORD Type;
    TBytes Data;
    std::optional<Variant> Read;  // none: GetValue raises the registry error
  };
  TBytes Unterminated = TextBytes(L"ab");
  Unterminated.resize(4);
  TBytes OddSize = TextBytes(L"ab");
  OddSize.resize(5);
  const std::vector<TCase> Cases = {
      // The stored type decides what comes back, not the default's kind.
      {"integer where text is expected", REG_DWORD, DwordBytes(7), Variant(int32_t{7})},
      {"text where an integer is expected", REG_SZ, TextBytes(L"12"), Variant(L"12")},
      {"expandable text stays unexpanded", REG_EXPAND_SZ, TextBytes(L"%TEMP%\\x"), Variant(L"%TEMP%\\x")},
      {"text without its terminating zero", REG_SZ, Unterminated, Variant(L"ab")},
      {"text of an odd byte count", REG_SZ, OddSize, Variant(L"ab")},
      {"text with a zero inside", REG_SZ, TextBytes(std::wstring(L"a\0b", 3)), Variant(L"a")},
      {"empty text without any byte", REG_SZ, {}, Variant(L"")},
      {"integer of two bytes", REG_DWORD, {1, 2}, std::nullopt},
      {"integer of eight bytes", REG_DWORD, RawBytes(uint64_t{1}), std::nullopt},
      {"integer of no bytes", REG_DWORD, {}, std::nullopt},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TStoreFixture F;
    WriteBytes(F.Fixture, L"", L"Odd", Case.Type, Case.Data);
    if (Case.Read) {
      CHECK(F.Store.GetValue(L"Odd") == *Case.Read);
      CHECK(F.Store.GetValueDefault(L"Odd", Variant(L"default")) == *Case.Read);
    } else {
      CHECK(ThrownMessage<ERegistryException>([&] { F.Store.GetValue(L"Odd"); }) ==
            L"Invalid data type for 'Odd'");
      CHECK(F.Store.GetValueDefault(L"Odd", Variant(L"default")) == Variant(L"default"));
    }
  }
}

TEST_CASE("names and data outside ASCII pass unchanged") {
  TStoreFixture F;
  const std::wstring Path = L"R\u00E9glages\\Gr\u00F6\u00DFe \u2603";
  const std::wstring Text = L"\u0108u \u65E5\u672C\u8A9E \U0001F600 C:\\D\u00E9p\u00F4t";
  F.Store.SetValue(Path, Text);
  const auto Raw = F.Fixture.ReadRaw(L"R\u00E9glages", L"Gr\u00F6\u00DFe \u2603");
  REQUIRE(Raw.has_value());
  CHECK(Raw->AsString() == Text);
  CHECK(F.Store.GetValue(Path) == Variant(Text));
  CHECK(F.Store.GetValueDefault(Path, Variant(L"")) == Variant(Text));
  std::vector<std::wstring> Names;
  F.Store.GetValueNames(L"R\u00E9glages", Names);
  CHECK(Names == std::vector<std::wstring>{L"Gr\u00F6\u00DFe \u2603"});
}

TEST_CASE("typed operations leave BinaryType at btNone, also after an error") {
  TStoreFixture F;
  F.Fixture.WriteString(L"", L"NotScrambled", L"zz");
  WriteBytes(F.Fixture, L"", L"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0});
  struct TCase {
    const char* Name;
    std::function<void()> Action;
    bool Raises;
  };
  const std::vector<TCase> Cases = {
      {"write", [&] { F.Store.SetTypedValue(L"T", L"text", TBinaryType::btEncryptString); }, false},
      {"read", [&] { F.Store.GetTypedValue(L"T", TBinaryType::btEncryptString); }, false},
      {"read with default", [&] { F.Store.GetTypedValueDefault(L"T", int32_t{0}, TBinaryType::btEncryptString); }, false},
      {"write that cannot convert",
       [&] { F.Store.SetTypedValue(L"T", Variant::Object(), TBinaryType::btExpandString); }, true},
      {"read that cannot unscramble", [&] { F.Store.GetTypedValue(L"NotScrambled", TBinaryType::btEncryptString); },
       true},
      {"read of an unknown type",
       [&] {
         F.Store.SetRaiseExceptions(true);
         F.Store.GetTypedValueDefault(L"Multi", int32_t{0}, TBinaryType::btBinary32BitMax);
       },
       true},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    F.Store.SetRaiseExceptions(false);
    F.Store.SetBinaryType(TBinaryType::btBinary32BitMin);  // whatever it held before
    if (Case.Raises)
      CHECK_THROWS(Case.Action());
    else
      CHECK_NOTHROW(Case.Action());
    CHECK(F.Store.BinaryType() == TBinaryType::btNone);
  }
}

TEST_CASE("after a typed scrambled write a plain write stores plain text") {
  TStoreFixture F;
  F.Store.SetEncryptionParameters(L"key", 5);
  F.Store.SetBinaryType(TBinaryType::btEncryptString);
  F.Store.SetTypedValue(L"Secret", L"abc", TBinaryType::btEncryptString);
  F.Store.SetValue(L"Plain", L"abc");
  CHECK(F.Fixture.ReadRaw(L"", L"Secret")->AsString() == F.Store.CryptString(L"abc", true));
  CHECK(F.Fixture.ReadRaw(L"", L"Plain")->AsString() == L"abc");
}

TEST_CASE("a store left at btEncryptString keeps scrambling every text") {
  TStoreFixture F;
  F.Store.SetEncryptionParameters(L"key", 200);
  F.Store.SetBinaryType(TBinaryType::btEncryptString);
  F.Store.SetValue(L"A", L"first");
  F.Store.SetValue(L"B", L"second");
  CHECK(F.Fixture.ReadRaw(L"", L"A")->AsString() == F.Store.CryptString(L"first", true));
  CHECK(F.Store.GetValue(L"B") == Variant(L"second"));
  // Expandable text is never unscrambled, and integers are not touched.
  F.Fixture.WriteString(L"", L"Expand", F.Store.CryptString(L"x", true), REG_EXPAND_SZ);
  CHECK(F.Store.GetValue(L"Expand") == Variant(F.Store.CryptString(L"x", true)));
  F.Store.SetValue(L"Count", int32_t{3});
  CHECK(F.Store.GetValue(L"Count") == Variant(int32_t{3}));
}
