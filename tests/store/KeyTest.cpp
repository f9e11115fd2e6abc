// Keys and names: existence, listing, deleting, copying and renaming.

#include "StoreTestSupport.h"

#include "framework/Exception.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

using TNames = std::vector<std::wstring>;

// Every value of a key and its subtree, by path below it.
using TTree = std::map<std::pair<std::wstring, std::wstring>, TRegistryFixture::TRawValue>;

TTree ReadTree(const TRegistryFixture& Fixture, const std::wstring& Relative, const std::wstring& Below = L"") {
  TTree Tree;
  const std::wstring Here = Below.empty() ? Relative : Relative + L"\\" + Below;
  for (const std::wstring& Name : Fixture.ValueNames(Here)) Tree[{Below, Name}] = Fixture.ReadRaw(Here, Name).value();
  for (const std::wstring& Child : Fixture.SubKeyNames(Here)) {
    const TTree Sub = ReadTree(Fixture, Relative, Below.empty() ? Child : Below + L"\\" + Child);
    Tree.insert(Sub.begin(), Sub.end());
  }
  return Tree;
}

bool SameTree(const TTree& A, const TTree& B) {
  if (A.size() != B.size()) return false;
  for (const auto& [Where, Value] : A) {
    const auto Other = B.find(Where);
    if (Other == B.end() || Other->second.Type != Value.Type || Other->second.Data != Value.Data) return false;
  }
  return true;
}

// A key holding a value of every type, its default value and two levels of subkeys.
void MakeRichKey(TRegistryFixture& Fixture, const std::wstring& Key) {
  Fixture.WriteString(Key, L"", L"default value");
  Fixture.WriteString(Key, L"Text", L"C:\\Temp");
  Fixture.WriteString(Key, L"Expand", L"%TEMP%", REG_EXPAND_SZ);
  Fixture.WriteDword(Key, L"Number", 0xDEADBEEFu);
  WriteBytes(Fixture, Key, L"Binary", REG_BINARY, TBytes(3000, 0x5A));
  WriteBytes(Fixture, Key, L"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  WriteBytes(Fixture, Key, L"Quad", REG_QWORD, RawBytes(uint64_t{0x0102030405060708ull}));
  WriteBytes(Fixture, Key, L"None", REG_NONE, {9, 8, 7});
  WriteBytes(Fixture, Key, L"Empty", REG_BINARY, {});
  Fixture.WriteString(Key + L"\\Sub", L"Inner", L"inner text");
  Fixture.WriteDword(Key + L"\\Sub\\Deeper", L"Level", 2);
  Fixture.CreateKey(Key + L"\\Sub\\Empty key");
  Fixture.WriteString(Key + L"\\Second", L"\u00C9t\u00E9", L"\u65E5\u672C");
}

}  // namespace

TEST_CASE("key existence is tested from the application key, or the root when it is empty") {
  TStoreFixture F;
  F.Fixture.CreateKey(L"Options\\Inner");
  CHECK(F.Store.KeyExists(L""));
  CHECK(F.Store.KeyExists(L"Options"));
  CHECK(F.Store.KeyExists(L"\\Options\\Inner\\"));
  CHECK_FALSE(F.Store.KeyExists(L"Missing"));
  CHECK_FALSE(F.Store.KeyExists(L"Options\\Missing"));

  // A write-only store still tests existence: the test opens read-only.
  F.Store.SetAccess(TAccess::kWrite);
  CHECK(F.Store.KeyExists(L"Options"));
  F.Store.SetAccess(TAccess::kAllAccess);

  // The root key is the store's: the fixture lives in the current user's hive only.
  F.Store.SetKey(L"");
  CHECK(F.Store.KeyExists(F.Fixture.KeyPath() + L"\\Options"));
  F.Store.SetRootKey(TRootKey::hkLocalMachine);
  CHECK_FALSE(F.Store.KeyExists(F.Fixture.KeyPath() + L"\\Options"));
}

TEST_CASE("value names come back in the registry's order, which is creation order") {
  TStoreFixture F;
  for (const wchar_t* Name : {L"b", L"a", L"c"}) F.Store.SetValue(std::wstring(L"Locations\\") + Name, Name);
  TNames Names;
  F.Store.GetValueNames(L"Locations", Names);
  // The store passes the registry's own enumeration on, whatever it is.
  CHECK(Names == F.Fixture.ValueNames(L"Locations"));
  const TNames CreationOrder = {L"b", L"a", L"c"};
  if (RunningOnWine()) {
    // Wine's registry keeps values sorted by name; Windows keeps them in
    // the order they were created.
    WARN(Names == CreationOrder);
  } else {
    CHECK(Names == CreationOrder);
  }
}

TEST_CASE("value and subkey lists") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Keys", L"", L"default value");
  F.Fixture.WriteDword(L"Keys", L"Count", 2);
  F.Fixture.CreateKey(L"Keys\\First");
  F.Fixture.CreateKey(L"Keys\\Second\\Nested");
  F.Fixture.CreateKey(L"Empty");
  TNames List = {L"left over"};

  SUBCASE("the default value is listed with an empty name; subkeys are the direct ones") {
    F.Store.GetValueNames(L"Keys", List);
    CHECK(List == F.Fixture.ValueNames(L"Keys"));
    CHECK(std::find(List.begin(), List.end(), L"") != List.end());
    CHECK(F.Store.CountValueNames(L"Keys") == 2);
    F.Store.GetSubKeys(L"Keys", List);
    CHECK(List == TNames{L"First", L"Second"});
    CHECK(F.Store.CountSubKeys(L"Keys") == 2);
  }
  SUBCASE("an existing empty key empties the list") {
    F.Store.GetValueNames(L"Empty", List);
    CHECK(List.empty());
    List = {L"left over"};
    F.Store.GetSubKeys(L"Empty", List);
    CHECK(List.empty());
  }
  SUBCASE("a missing key leaves the list alone") {
    F.Store.GetValueNames(L"Missing", List);
    CHECK(List == TNames{L"left over"});
    F.Store.GetSubKeys(L"Missing", List);
    CHECK(List == TNames{L"left over"});
    CHECK(F.Store.CountValueNames(L"Missing") == 0);
    CHECK(F.Store.CountSubKeys(L"Missing") == 0);
  }
  SUBCASE("with an empty application key the paths are taken from the root key") {
    F.Store.SetKey(L"");
    F.Store.GetSubKeys(F.Fixture.KeyPath() + L"\\Keys", List);
    CHECK(List == TNames{L"First", L"Second"});
    CHECK(F.Store.ValueExists(F.Fixture.KeyPath() + L"\\Keys\\Count"));
  }
}

TEST_CASE("deleting keys and values") {
  TStoreFixture F;
  MakeRichKey(F.Fixture, L"Locations");
  F.Fixture.WriteString(L"", L"Version", L"1.0");

  SUBCASE("a key goes with its whole subtree") {
    CHECK(F.Store.DeleteKey(L"Locations"));
    CHECK_FALSE(F.Fixture.KeyExists(L"Locations"));
    CHECK(F.Fixture.ReadRaw(L"", L"Version").has_value());
    CHECK_FALSE(F.Store.DeleteKey(L"Locations"));
  }
  SUBCASE("a key path with a leading separator is taken from the root key, never the root itself") {
    TVKRRegistryEnhanced Store;
    Store.SetKey(F.Fixture.KeyPath() + L"\\Application");
    F.Fixture.CreateKey(L"Application");
    CHECK_FALSE(Store.DeleteKey(L"\\"));
    CHECK(F.Fixture.KeyExists(L"Application"));
    CHECK(Store.DeleteKey(L"\\" + F.Fixture.KeyPath() + L"\\Locations"));
    CHECK_FALSE(F.Fixture.KeyExists(L"Locations"));
    CHECK(F.Fixture.KeyExists(L"Application"));
  }
  SUBCASE("an empty key path deletes the application key itself") {
    CHECK(F.Store.DeleteKey(L""));
    CHECK_FALSE(F.Fixture.KeyExists(L""));
  }
  SUBCASE("values") {
    CHECK(F.Store.DeleteValue(L"Locations\\Text"));
    CHECK_FALSE(F.Fixture.ReadRaw(L"Locations", L"Text").has_value());
    CHECK_FALSE(F.Store.DeleteValue(L"Locations\\Text"));
    CHECK_FALSE(F.Store.DeleteValue(L"Missing\\Text"));
    CHECK(F.Store.DeleteValue(L"Version"));
  }
  SUBCASE("nothing is deleted with an empty application key") {
    F.Store.SetKey(L"");
    CHECK_FALSE(F.Store.DeleteKey(F.Fixture.KeyPath() + L"\\Locations"));
    CHECK_FALSE(F.Store.DeleteValue(F.Fixture.KeyPath() + L"\\Version"));
    CHECK(F.Fixture.KeyExists(L"Locations"));
    CHECK(F.Fixture.ReadRaw(L"", L"Version").has_value());
  }
}

TEST_CASE("renaming and copying a key carries every value and subkey unchanged") {
  for (const bool Rename : {true, false}) {
    CAPTURE(Rename);
    TStoreFixture F;
    MakeRichKey(F.Fixture, L"Location");
    const TTree Before = ReadTree(F.Fixture, L"Location");
    const TNames OrderBefore = F.Fixture.ValueNames(L"Location");

    CHECK((Rename ? F.Store.RenameKey(L"Location", L"Locations") : F.Store.CopyKey(L"Location", L"Locations")));
    CHECK(SameTree(ReadTree(F.Fixture, L"Locations"), Before));
    CHECK(F.Fixture.KeyExists(L"Locations\\Sub\\Empty key"));
    CHECK(F.Fixture.KeyExists(L"Location") == !Rename);
    if (!Rename) CHECK(SameTree(ReadTree(F.Fixture, L"Location"), Before));
    // The copy keeps the order of the values as well.
    CHECK(F.Fixture.ValueNames(L"Locations") == OrderBefore);
  }
}

TEST_CASE("a key is not renamed or copied onto an existing key, nor into itself") {
  struct TCase {
    const char* Name;
    std::wstring OldKey;
    std::wstring NewKey;
  };
  const std::vector<TCase> Cases = {
      {"onto an existing key", L"Location", L"Locations"},
      {"onto an existing key in other case", L"Location", L"LOCATIONS"},
      {"into its own subtree", L"Location", L"Location\\Inside"},
      {"into its own subtree in other case", L"Location", L"location\\Inside\\Deeper"},
      {"from a missing key", L"Missing", L"Fresh"},
  };
  for (const bool Rename : {true, false}) {
    for (const TCase& Case : Cases) {
      CAPTURE(Rename);
      CAPTURE(Case.Name);
      TStoreFixture F;
      MakeRichKey(F.Fixture, L"Location");
      F.Fixture.WriteString(L"Locations", L"Item0", L"C:\\Windows\\Temp");
      const TTree Before = ReadTree(F.Fixture, L"");
      CHECK_FALSE((Rename ? F.Store.RenameKey(Case.OldKey, Case.NewKey) : F.Store.CopyKey(Case.OldKey, Case.NewKey)));
      CHECK(SameTree(ReadTree(F.Fixture, L""), Before));
      CHECK(F.Fixture.SubKeyNames(L"") == TNames{L"Location", L"Locations"});
    }
  }
}

TEST_CASE("renaming a value inside its key") {
  TStoreFixture F;
  WriteBytes(F.Fixture, L"Options", L"Old", REG_MULTI_SZ, {'x', 0, 0, 0, 0, 0});
  F.Fixture.WriteString(L"Options", L"Taken", L"keep me");

  SUBCASE("to a free name, keeping type and data") {
    CHECK(F.Store.RenameValue(L"Options\\Old", L"\\Options\\New"));
    CHECK_FALSE(F.Fixture.ReadRaw(L"Options", L"Old").has_value());
    const auto Raw = F.Fixture.ReadRaw(L"Options", L"New");
    REQUIRE(Raw.has_value());
    CHECK(Raw->Type == REG_MULTI_SZ);
    CHECK(Raw->Data == TBytes{'x', 0, 0, 0, 0, 0});
  }
  SUBCASE("to a taken name: nothing changes") {
    CHECK_FALSE(F.Store.RenameValue(L"Options\\Old", L"Options\\Taken"));
    CHECK(F.Fixture.ReadRaw(L"Options", L"Old")->Type == REG_MULTI_SZ);
    CHECK(F.Fixture.ReadRaw(L"Options", L"Taken")->AsString() == L"keep me");
  }
  SUBCASE("a key path in other case is the same key: the name is taken") {
    CHECK_FALSE(F.Store.RenameValue(L"Options\\Taken", L"OPTIONS\\taken"));
    CHECK(F.Fixture.ReadRaw(L"Options", L"Taken")->AsString() == L"keep me");
  }
  SUBCASE("a missing value") {
    CHECK_FALSE(F.Store.RenameValue(L"Options\\Missing", L"Options\\Other"));
    CHECK_FALSE(F.Fixture.ReadRaw(L"Options", L"Other").has_value());
  }
  SUBCASE("a refused write keeps the old value") {
    F.Store.SetAccess(TAccess::kRead);
    CHECK(ThrownMessage<ERegistryException>([&] { F.Store.RenameValue(L"Options\\Old", L"Options\\New"); }) ==
          L"Failed to set data for 'New'");
    CHECK(F.Fixture.ReadRaw(L"Options", L"Old").has_value());
  }
}

TEST_CASE("moving a value between keys") {
  TStoreFixture F;
  F.Fixture.WriteString(L"From", L"Text", L"moved text", REG_EXPAND_SZ);
  F.Fixture.WriteDword(L"To", L"Text", 1);
  WriteBytes(F.Fixture, L"From", L"Binary", REG_BINARY, {1, 2, 3});
  WriteBytes(F.Fixture, L"To", L"Binary", REG_BINARY, {4});

  SUBCASE("overwrites the target whatever its type") {
    CHECK(F.Store.RenameValue(L"From\\Text", L"To\\Text"));
    CHECK_FALSE(F.Fixture.ReadRaw(L"From", L"Text").has_value());
    const auto Raw = F.Fixture.ReadRaw(L"To", L"Text");
    CHECK(Raw->Type == REG_EXPAND_SZ);
    CHECK(Raw->AsString() == L"moved text");
  }
  SUBCASE("creates the target key") {
    CHECK(F.Store.RenameValue(L"From\\Text", L"New\\Key\\Name"));
    CHECK(F.Fixture.ReadRaw(L"New\\Key", L"Name")->AsString() == L"moved text");
  }
  SUBCASE("a binary source is not copied, so it is not deleted either") {
    CHECK_FALSE(F.Store.RenameValue(L"From\\Binary", L"To\\Binary"));
    CHECK(F.Fixture.ReadRaw(L"From", L"Binary")->Data == TBytes{1, 2, 3});
    CHECK(F.Fixture.ReadRaw(L"To", L"Binary")->Data == TBytes{4});
  }
}

TEST_CASE("copying values") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Source", L"Text", L"text");
  F.Fixture.WriteString(L"Source", L"Expand", L"%TEMP%", REG_EXPAND_SZ);
  F.Fixture.WriteDword(L"Source", L"Number", 0x80000001u);
  WriteBytes(F.Fixture, L"Source", L"Binary", REG_BINARY, {1, 2, 3});
  F.Fixture.WriteString(L"Target", L"Binary", L"older");

  SUBCASE("text, expandable text and integers keep their type") {
    for (const wchar_t* Name : {L"Text", L"Expand", L"Number"}) {
      CAPTURE(WideToUtf8(Name));
      CHECK(F.Store.CopyValue(std::wstring(L"Source\\") + Name, std::wstring(L"Target\\Copy") + Name));
      const auto Source = F.Fixture.ReadRaw(L"Source", Name);
      const auto Copy = F.Fixture.ReadRaw(L"Target", std::wstring(L"Copy") + Name);
      REQUIRE(Copy.has_value());
      CHECK(Copy->Type == Source->Type);
      CHECK(Copy->Data == Source->Data);
    }
  }
  SUBCASE("a binary source copies nothing; the answer is whether the target existed") {
    CHECK(F.Store.CopyValue(L"Source\\Binary", L"Target\\Binary"));
    CHECK(F.Fixture.ReadRaw(L"Target", L"Binary")->AsString() == L"older");
    CHECK_FALSE(F.Store.CopyValue(L"Source\\Binary", L"Elsewhere\\Binary"));
    CHECK_FALSE(F.Fixture.ReadRaw(L"Elsewhere", L"Binary").has_value());
  }
  SUBCASE("a missing source or key copies nothing") {
    CHECK(F.Store.CopyValue(L"Source\\Missing", L"Target\\Binary"));  // the target exists
    CHECK(F.Fixture.ReadRaw(L"Target", L"Binary")->AsString() == L"older");
    CHECK_FALSE(F.Store.CopyValue(L"Missing\\Text", L"Target\\Text"));
    CHECK_FALSE(F.Fixture.ReadRaw(L"Target", L"Text").has_value());
  }
  SUBCASE("nothing is copied, renamed or moved with an empty application key") {
    F.Store.SetKey(L"");
    const std::wstring Root = F.Fixture.KeyPath() + L"\\";
    CHECK_FALSE(F.Store.CopyValue(Root + L"Source\\Text", Root + L"Target\\Text"));
    CHECK_FALSE(F.Store.RenameValue(Root + L"Source\\Text", Root + L"Source\\Other"));
    CHECK_FALSE(F.Store.CopyKey(Root + L"Source", Root + L"Copy"));
    CHECK_FALSE(F.Store.RenameKey(Root + L"Source", Root + L"Copy"));
    CHECK(F.Fixture.SubKeyNames(L"") == TNames{L"Source", L"Target"});
    CHECK(F.Fixture.ValueNames(L"Source").size() == 4);
  }
}
