// The check list box record: one REG_DWORD per item, named by its text.

#include "StoreTestSupport.h"

#include "framework/CheckListBox.h"
#include "framework/Exception.h"
#include "support/HostForm.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using TNames = std::vector<std::wstring>;
using TStates = std::vector<TCheckBoxState>;
constexpr TCheckBoxState U = TCheckBoxState::cbUnchecked;
constexpr TCheckBoxState C = TCheckBoxState::cbChecked;
constexpr TCheckBoxState G = TCheckBoxState::cbGrayed;

// A check list box on a real form, filled with items and marks.
struct TBoxFixture {
  THostForm Form;
  TCheckListBox Box;
  TBoxFixture(const TNames& Items, const TStates& States) {
    Box.Create(Form.Handle(), 100);
    Form.RegisterControl(Box);
    Box.SetAllowGrayed(true);
    for (size_t i = 0; i < Items.size(); ++i) Box.Add(Items[i], States[i]);
  }
  TStates States() const {
    TStates Result;
    for (int i = 0; i < Box.Count(); ++i) Result.push_back(Box.State(i));
    return Result;
  }
};

// The design items of the options dialog.
const TNames KDesigned = {L"*.tmp", L"*.log", L"*.old", L"*.bak"};

}  // namespace

TEST_CASE("on a first start the designed items stay, all checked only when asked") {
  for (const bool CheckAll : {true, false}) {
    CAPTURE(CheckAll);
    TStoreFixture F;
    TBoxFixture Box(KDesigned, {U, C, G, U});
    CHECK(&F.Records.GetCheckListBox(L"Extensions", Box.Box, CheckAll) == &Box.Box);
    CHECK(Box.Box.Items() == KDesigned);
    CHECK(Box.States() == (CheckAll ? TStates{C, C, C, C} : TStates{U, C, G, U}));
    // Reading creates nothing.
    CHECK_FALSE(F.Fixture.KeyExists(L"Extensions"));
  }
}

TEST_CASE("after a save the registry alone decides the items and their marks") {
  TStoreFixture F;
  // Texts whose sorted order is their order, so that the registry's
  // enumeration order does not matter here.
  TBoxFixture Saved({L"*.bak", L"*.log", L"*.old", L"*.tmp"}, {C, U, G, C});
  F.Fixture.WriteDword(L"Extensions", L"*.stale", 1);
  F.Records.SetCheckListBox(L"Extensions", Saved.Box);

  // The key was rewritten: one REG_DWORD per item, a greyed mark counts as unchecked.
  CHECK(F.Fixture.ValueNames(L"Extensions") == TNames{L"*.bak", L"*.log", L"*.old", L"*.tmp"});
  for (const auto& [Name, Mark] : std::vector<std::pair<std::wstring, uint32_t>>{
           {L"*.bak", 1}, {L"*.log", 0}, {L"*.old", 0}, {L"*.tmp", 1}}) {
    CAPTURE(WideToUtf8(Name));
    const auto Raw = F.Fixture.ReadRaw(L"Extensions", Name);
    REQUIRE(Raw);
    CHECK(Raw->Type == REG_DWORD);
    CHECK(Raw->AsDword() == Mark);
  }

  // Restarted with other design items, all of them checked on a first start.
  for (const bool CheckAll : {true, false}) {
    CAPTURE(CheckAll);
    TBoxFixture Loaded({L"*.tmp", L"*.new"}, {C, C});
    F.Records.GetCheckListBox(L"Extensions", Loaded.Box, CheckAll);
    CHECK(Loaded.Box.Items() == TNames{L"*.bak", L"*.log", L"*.old", L"*.tmp"});
    CHECK(Loaded.States() == TStates{C, U, U, C});
  }
}

TEST_CASE("the items come back in the registry's enumeration order, on Windows the saved order") {
  TStoreFixture F;
  TBoxFixture Saved(KDesigned, {C, U, C, U});
  F.Records.SetCheckListBox(L"Extensions", Saved.Box);

  TBoxFixture Loaded({}, {});
  F.Records.GetCheckListBox(L"Extensions", Loaded.Box, true);
  const TNames Enumerated = F.Fixture.ValueNames(L"Extensions");
  CHECK(Loaded.Box.Items() == Enumerated);
  for (int i = 0; i < Loaded.Box.Count(); ++i) {
    CAPTURE(WideToUtf8(Loaded.Box.Item(i)));
    CHECK(Loaded.Box.Checked(i) == (Loaded.Box.Item(i) == L"*.tmp" || Loaded.Box.Item(i) == L"*.old"));
  }
  if (RunningOnWine()) {
    // Wine's registry keeps values sorted by name.
    WARN(Enumerated == KDesigned);
  } else {
    CHECK(Enumerated == KDesigned);
  }
}

TEST_CASE("items of equal text share one value, and the last mark wins") {
  TStoreFixture F;
  TBoxFixture Saved({L"*.log", L"*.tmp", L"*.log"}, {C, C, U});
  F.Records.SetCheckListBox(L"Extensions", Saved.Box);
  TBoxFixture Loaded({}, {});
  F.Records.GetCheckListBox(L"Extensions", Loaded.Box, false);
  CHECK(Loaded.Box.Items() == TNames{L"*.log", L"*.tmp"});
  CHECK(Loaded.States() == TStates{U, C});
}

TEST_CASE("a box saved without items empties the box at the next load") {
  TStoreFixture F;
  TBoxFixture Saved({}, {});
  F.Records.SetCheckListBox(L"Extensions", Saved.Box);
  CHECK(F.Fixture.KeyExists(L"Extensions"));
  CHECK(F.Fixture.ValueNames(L"Extensions").empty());

  TBoxFixture Loaded(KDesigned, {C, C, C, C});
  F.Records.GetCheckListBox(L"Extensions", Loaded.Box, true);
  CHECK(Loaded.Box.Count() == 0);
}

TEST_CASE("a check mark that is not a four-byte REG_DWORD raises after the items were replaced") {
  struct TCase {
    const char* Name;
    DWORD Type;
    TBytes Data;
    const wchar_t* Message;
  };
  const TCase Cases[] = {
      {"text", REG_SZ, TextBytes(L"1"), L"Invalid data type for '*.log'"},
      {"two bytes", REG_BINARY, {1, 0}, L"Invalid data type for '*.log'"},
      {"eight bytes", REG_BINARY, RawBytes(uint64_t{1}), L"Failed to get data for '*.log'"},
      {"an integer of eight bytes", REG_DWORD, RawBytes(uint64_t{1}), L"Failed to get data for '*.log'"},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    TStoreFixture F;
    F.Fixture.WriteDword(L"Extensions", L"*.bak", 1);
    WriteBytes(F.Fixture, L"Extensions", L"*.log", Case.Type, Case.Data);
    TBoxFixture Loaded(KDesigned, {U, U, U, U});
    CHECK(ThrownMessage<ERegistryException>([&] { F.Records.GetCheckListBox(L"Extensions", Loaded.Box, true); }) ==
          Case.Message);
    CHECK(Loaded.Box.Items() == F.Fixture.ValueNames(L"Extensions"));
    CHECK(Loaded.States() == TStates{C, U});
  }
}
