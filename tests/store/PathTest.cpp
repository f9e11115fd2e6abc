// How value paths and key paths become registry keys and value names.

#include "StoreTestSupport.h"

namespace {

using Store = TVKRRegistryEnhanced;

}  // namespace

TEST_CASE("key paths get one leading separator and lose one trailing separator") {
  struct TCase {
    std::wstring Path;
    std::wstring Expected;
  };
  const std::vector<TCase> Cases = {
      {L"", L""},
      {L"\\", L""},
      {L"Locations", L"\\Locations"},
      {L"\\Locations", L"\\Locations"},
      {L"Locations\\", L"\\Locations"},
      {L"\\Locations\\", L"\\Locations"},
      {L"Software\\Brenlow\\Marrowby", L"\\Software\\Brenlow\\Marrowby"},
      {L"Software\\Brenlow\\Marrowby\\", L"\\Software\\Brenlow\\Marrowby"},
      {L"Locations\\\\", L"\\Locations\\"},  // only one trailing separator goes
      {L"\\\\", L"\\"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Path);
    CHECK(Store::NormalizeKeyPath(Case.Path) == Case.Expected);
  }
}

TEST_CASE("value paths split into the holding key and the value name") {
  struct TCase {
    std::wstring Path;
    std::wstring KeyPath;
    std::wstring ValueName;
  };
  const std::vector<TCase> Cases = {
      {L"ApplicationPath", L"", L"ApplicationPath"},
      {L"Options\\ScanAtStartup", L"\\Options", L"ScanAtStartup"},
      {L"\\Options\\ScanAtStartup", L"\\Options", L"ScanAtStartup"},
      {L"Options\\\\ScanAtStartup", L"\\Options", L"ScanAtStartup"},
      {L"Options\\ScanAtStartup\\", L"\\Options", L"ScanAtStartup"},
      {L"\\\\Options\\\\ScanAtStartup\\\\", L"\\Options", L"ScanAtStartup"},
      {L"FormInfo\\Main Window", L"\\FormInfo", L"Main Window"},
      {L"A\\B\\C", L"\\A\\B", L"C"},
      // One piece: the name is the path as given, separators included.
      {L"Version\\", L"", L"Version\\"},
      {L"\\Version", L"", L"\\Version"},
      {L"\\", L"", L"\\"},
      {L"", L"", L""},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Path);
    CHECK(Store::ExtractKeyPath(Case.Path) == Case.KeyPath);
    CHECK(Store::ExtractValueName(Case.Path) == Case.ValueName);
  }
}

TEST_CASE("value paths address the registry the way the path rules say") {
  struct TCase {
    std::wstring Path;
    std::wstring Subkey;  // below the application key
    std::wstring Name;
  };
  const std::vector<TCase> Cases = {
      {L"Options\\ScanAtStartup", L"Options", L"ScanAtStartup"},
      {L"\\Options\\ScanAtStartup", L"Options", L"ScanAtStartup"},
      {L"Options\\\\ScanAtStartup", L"Options", L"ScanAtStartup"},
      {L"Options\\ScanAtStartup\\", L"Options", L"ScanAtStartup"},
      {L"ApplicationPath", L"", L"ApplicationPath"},
      {L"FormInfo\\Main Window", L"FormInfo", L"Main Window"},
      {L"Version\\", L"", L"Version\\"},
      {L"A\\B\\C", L"A\\B", L"C"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Path);
    TStoreFixture F;
    F.Store.SetValue(Case.Path, L"written");
    const auto Raw = F.Fixture.ReadRaw(Case.Subkey, Case.Name);
    REQUIRE(Raw.has_value());
    CHECK(Raw->Type == REG_SZ);
    CHECK(Raw->AsString() == L"written");
    // Exactly one value was written, and only the keys along the path exist.
    CHECK(F.Fixture.ValueNames(Case.Subkey) == std::vector<std::wstring>{Case.Name});
    if (!Case.Subkey.empty()) CHECK(F.Fixture.ValueNames(L"").empty());
    CHECK(F.Store.GetValue(Case.Path) == Variant(L"written"));
    CHECK(F.Store.ValueExists(Case.Path));
  }
}

TEST_CASE("the application key may be given with separators around it") {
  TRegistryFixture Fixture;
  Fixture.WriteString(L"Options", L"Pattern", L"*.tmp");
  const std::vector<std::wstring> Keys = {Fixture.KeyPath(), Fixture.KeyPath() + L"\\", L"\\" + Fixture.KeyPath(),
                                          L"\\" + Fixture.KeyPath() + L"\\"};
  for (const std::wstring& Key : Keys) {
    CAPTURE(Key);
    TVKRRegistryEnhanced Store;
    Store.SetKey(Key);
    CHECK(Store.GetValue(L"Options\\Pattern") == Variant(L"*.tmp"));
    CHECK(Store.KeyExists(L"Options"));
    CHECK(Store.KeyExists(L""));
    std::vector<std::wstring> Names;
    Store.GetValueNames(L"Options", Names);
    CHECK(Names == std::vector<std::wstring>{L"Pattern"});
    Store.SetValue(L"Written", int32_t{5});
    CHECK(Fixture.ReadRaw(L"", L"Written").value().AsDword() == 5u);
    CHECK(Store.DeleteValue(L"Written"));
  }
}

TEST_CASE("a value whose name holds a separator cannot be reached by a path") {
  TStoreFixture F;
  F.Fixture.WriteString(L"", L"A\\B", L"hidden");
  CHECK(F.Store.GetValueDefault(L"A\\B", L"default") == Variant(L"default"));
  CHECK_FALSE(F.Store.ValueExists(L"A\\B"));
  CHECK_FALSE(F.Fixture.KeyExists(L"A"));
}
