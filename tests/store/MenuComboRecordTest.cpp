// The menu and combo box records: a key with "Count", the items and, for the
// combo box, its edit text.

#include "StoreTestSupport.h"

#include "framework/Application.h"
#include "framework/ComboBox.h"
#include "framework/Exception.h"
#include "framework/Menus.h"
#include "support/HostForm.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using TNames = std::vector<std::wstring>;

TNames CaptionsOf(const TMenu& Menu) {
  TNames Result;
  for (int i = 0; i < Menu.Count(); ++i) Result.push_back(Menu.Caption(i));
  return Result;
}

// Clicks on the menu items made by the store, by sender.
struct TClicks {
  std::vector<TObject*> Senders;
  TNotifyEvent Handler() {
    return [this](TObject* Sender) { Senders.push_back(Sender); };
  }
};

// A form with a menu bar of two resource-style items: a submenu and a command.
struct TMenuForm {
  THostForm Form;
  HMENU Bar = CreateMenu();
  TMenu Menu{Bar, nullptr};
  TMenuForm() {
    const HMENU File = CreatePopupMenu();
    AppendMenuW(File, MF_STRING, 1001, L"E&xit");
    AppendMenuW(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(File), L"&File");
    AppendMenuW(Bar, MF_STRING, 1002, L"&Help");
    ::SetMenu(Form.Handle(), Bar);  // the window destroys it
    Menu = TMenu(Bar, Form.Handle());
  }
  // What the platform sends the form when the user chooses a menu item.
  void Choose(UINT CommandId) { SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(CommandId, 0), 0); }
};

void WriteMenuRecord(TRegistryFixture& Fixture, const std::wstring& Key, uint32_t Count, const TNames& Items) {
  Fixture.WriteDword(Key, L"Count", Count);
  for (size_t i = 0; i < Items.size(); ++i) Fixture.WriteString(Key, L"Item" + std::to_wstring(i), Items[i]);
}

}  // namespace

TEST_CASE("a menu's top-level captions are stored with their count") {
  TStoreFixture F;
  TMenuForm Form;
  F.Fixture.WriteString(L"Recent", L"Item7", L"stale");
  F.Records.SetMenu(L"Recent", Form.Menu);
  CHECK(F.Fixture.ValueNames(L"Recent").size() == 3);
  CHECK(F.Fixture.ReadRaw(L"Recent", L"Count")->Type == REG_DWORD);
  CHECK(F.Fixture.ReadRaw(L"Recent", L"Count")->AsDword() == 2);
  CHECK(F.Fixture.ReadRaw(L"Recent", L"Item0")->AsString() == L"&File");
  CHECK(F.Fixture.ReadRaw(L"Recent", L"Item1")->AsString() == L"&Help");
}

TEST_CASE("a stored menu replaces the top-level items, and its items reach the click handler") {
  TStoreFixture F;
  WriteMenuRecord(F.Fixture, L"Recent", 3, {L"C:\\One", L"", L"C:\\Three"});
  F.Fixture.WriteDword(L"Recent", L"Count", 4);  // Item3 is missing
  TMenuForm Form;
  TClicks Clicks;
  CHECK(&F.Records.GetMenu(L"Recent", Form.Menu, Clicks.Handler()) == &Form.Menu);
  REQUIRE(CaptionsOf(Form.Menu) == TNames{L"C:\\One", L"", L"C:\\Three", L""});
  CHECK(GetMenuItemCount(Form.Bar) == 4);

  // Chosen from the menu bar, as the platform reports a choice.
  for (int i = 0; i < 4; ++i) {
    TMenuEntry* Item = Form.Menu.Item(i);
    REQUIRE(Item != nullptr);
    CHECK(Item->Caption() == Form.Menu.Caption(i));
    Form.Choose(Item->CommandId());
    REQUIRE(Clicks.Senders.size() == static_cast<size_t>(i + 1));
    CHECK(Clicks.Senders.back() == Item);
  }

  // The old command of the resource item is gone with it.
  Form.Choose(1002);
  CHECK(Clicks.Senders.size() == 4);

  // Saved again, the same captions come back.
  F.Records.SetMenu(L"Copy", Form.Menu);
  CHECK(F.Fixture.ReadRaw(L"Copy", L"Count")->AsDword() == 4);
  CHECK(F.Fixture.ReadRaw(L"Copy", L"Item2")->AsString() == L"C:\\Three");
}

TEST_CASE("the next load frees the items the store made, and so does the store's end") {
  TMenuForm Form;
  TClicks Clicks;
  std::vector<UINT> Commands;
  {
    TStoreFixture F;
    WriteMenuRecord(F.Fixture, L"Recent", 3, {L"One", L"Two", L"Three"});
    F.Records.GetMenu(L"Recent", Form.Menu, Clicks.Handler());
    for (int i = 0; i < Form.Menu.Count(); ++i) Commands.push_back(Form.Menu.Item(i)->CommandId());

    WriteMenuRecord(F.Fixture, L"Recent", 1, {L"Only"});
    F.Records.GetMenu(L"Recent", Form.Menu, Clicks.Handler());
    REQUIRE(CaptionsOf(Form.Menu) == TNames{L"Only"});
    const UINT Only = Form.Menu.Item(0)->CommandId();
    // The commands of the freed items reach nothing.
    for (const UINT Command : Commands)
      if (Command != Only) Form.Choose(Command);
    CHECK(Clicks.Senders.empty());
    Form.Choose(Only);
    CHECK(Clicks.Senders.size() == 1);
    Commands = {Only};
  }
  // The store is gone: its item left the menu and its command reaches nothing.
  CHECK(Form.Menu.Count() == 0);
  Form.Choose(Commands.front());
  CHECK(Clicks.Senders.size() == 1);
}

TEST_CASE("items of a stored menu in a popup menu reach the click handler") {
  TStoreFixture F;
  WriteMenuRecord(F.Fixture, L"Recent", 2, {L"First", L"Second"});
  THostForm Form;
  Form.Show();
  const UniqueHandle<handle_traits::Menu> Popup(CreatePopupMenu());
  TMenu Menu(Popup.get());
  TClicks Clicks;
  F.Records.GetMenu(L"Recent", Menu, Clicks.Handler());
  REQUIRE(Menu.Count() == 2);

  // The user opens the menu, goes down to the second item and presses Enter.
  for (const WPARAM Key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
    PostMessageW(Form.Handle(), WM_KEYDOWN, Key, 0);
    PostMessageW(Form.Handle(), WM_KEYUP, Key, 0xC0000000);
  }
  TrackPopupMenu(Popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN, 10, 10, 0, Form.Handle(), nullptr);
  Application().ProcessMessages();
  REQUIRE(Clicks.Senders.size() == 1);
  CHECK(Clicks.Senders.front() == Menu.Item(1));
}

TEST_CASE("a menu record without its count raises after the menu was emptied") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Recent", L"Item0", L"One");
  TMenuForm Form;
  TClicks Clicks;
  CHECK(ThrownMessage<ERegistryException>([&] { F.Records.GetMenu(L"Recent", Form.Menu, Clicks.Handler()); }) ==
        L"Failed to get data for 'Count'");
  CHECK(Form.Menu.Count() == 0);

  // Without a record key the menu stays as it is.
  TMenuForm Other;
  F.Records.GetMenu(L"Missing", Other.Menu, Clicks.Handler());
  CHECK(CaptionsOf(Other.Menu) == TNames{L"&File", L"&Help"});
}

TEST_CASE("a combo box is stored with its count, its text when asked and its items, and read back") {
  for (const bool ShowText : {true, false}) {
    CAPTURE(ShowText);
    TStoreFixture F;
    THostForm Form;
    TComboBox Source;
    Source.Create(Form.Handle(), 100);
    Source.SetItems({L"alpha", L"beta", L""});
    Source.SetText(L"gamma");
    F.Fixture.WriteString(L"History", L"Item9", L"stale");
    F.Records.SetComboBox(L"History", Source, ShowText);
    CHECK(F.Fixture.ValueNames(L"History").size() == 5);
    CHECK(F.Fixture.ReadRaw(L"History", L"Count")->Type == REG_DWORD);
    CHECK(F.Fixture.ReadRaw(L"History", L"Count")->AsDword() == 3);
    CHECK(F.Fixture.ReadRaw(L"History", L"Text")->AsString() == (ShowText ? L"gamma" : L""));
    CHECK(F.Fixture.ReadRaw(L"History", L"Item0")->AsString() == L"alpha");
    CHECK(F.Fixture.ReadRaw(L"History", L"Item1")->AsString() == L"beta");
    CHECK(F.Fixture.ReadRaw(L"History", L"Item2")->AsString() == L"");

    TComboBox Target;
    Target.Create(Form.Handle(), 101);
    Target.SetItems({L"old"});
    Target.SetText(L"old text");
    CHECK(&F.Records.GetComboBox(L"History", Target, ShowText) == &Target);
    CHECK(Target.Items() == TNames{L"alpha", L"beta", L""});
    CHECK(Target.Text() == (ShowText ? L"gamma" : L""));
  }
}

TEST_CASE("reading a combo box record: a missing item is empty, a missing key changes nothing") {
  TStoreFixture F;
  THostForm Form;
  TComboBox Combo;
  Combo.Create(Form.Handle(), 100);
  Combo.SetItems({L"kept"});
  Combo.SetText(L"kept text");
  F.Records.GetComboBox(L"Missing", Combo, true);
  CHECK(Combo.Items() == TNames{L"kept"});
  CHECK(Combo.Text() == L"kept text");

  F.Fixture.WriteDword(L"History", L"Count", 2);
  F.Fixture.WriteString(L"History", L"Item1", L"second");
  F.Records.GetComboBox(L"History", Combo, true);
  CHECK(Combo.Items() == TNames{L"", L"second"});
  CHECK(Combo.Text() == L"");
}

TEST_CASE("a combo box record without its count raises after the box was emptied and given its text") {
  TStoreFixture F;
  F.Fixture.WriteString(L"History", L"Text", L"typed");
  F.Fixture.WriteString(L"History", L"Item0", L"one");
  THostForm Form;
  TComboBox Combo;
  Combo.Create(Form.Handle(), 100);
  Combo.SetItems({L"old"});
  CHECK(ThrownMessage<ERegistryException>([&] { F.Records.GetComboBox(L"History", Combo, true); }) ==
        L"Failed to get data for 'Count'");
  CHECK(Combo.Count() == 0);
  CHECK(Combo.Text() == L"typed");
}
