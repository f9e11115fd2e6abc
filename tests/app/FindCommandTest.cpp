// Ctrl+F and F3 of the main window: the find dialog on the folder list and
// the next row it finds.

#include <doctest.h>

#include "app/QuenloUnit1.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "resources/MainRes.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TestStrings.h"

#include <dlgs.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

TEST_CASE("Ctrl+F opens the find dialog on the folder list, F3 finds the next row") {
  TRegistryFixture Registry;
  TForm1Options Options;
  Options.RegistryKey = Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(Registry);
  Options.SingleInstance = false;
  auto Form = std::make_unique<TForm1>(Options);
  Form->Show();
  TVKRListView& List = Form->VKRListView1;
  List.Clear();
  for (const wchar_t* Caption : {L"C:\\a", L"C:\\Temp", L"C:\\b", L"C:\\t\u00E9mp"}) List.Add(Caption);
  // The list ignores accents, as it was made to.
  CHECK(List.FindOptions() == TFindOptions{TFindOption::foIgnoreAccentedChars});

  ACCEL Keys[32];
  const int KeyCount = CopyAcceleratorTableW(Form->Accelerators(), Keys, 32);
  const auto HasKey = [&](WORD Key, BYTE Flags, WORD Command) {
    return std::any_of(Keys, Keys + KeyCount, [&](const ACCEL& A) {
      return A.key == Key && (A.fVirt & ~FNOINVERT) == (Flags | FVIRTKEY) && A.cmd == Command;
    });
  };
  CHECK(HasKey('F', FCONTROL, IDM_FIND));
  CHECK(HasKey(VK_F3, 0, IDM_FINDNEXT));

  std::vector<std::wstring> Messages;
  TMessageDialogHook Answer([&](const TMessageDialogRequest& Request) {
    CHECK(Request.Caption == L"Search Results");
    Messages.push_back(Request.Text);
    return mrOk;
  });

  // F3 before any search does nothing.
  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(IDM_FINDNEXT, 1), 0);
  CHECK(List.SelCount() == 0);

  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(IDM_FIND, 1), 0);
  REQUIRE(List.FindDialog() != nullptr);
  const HWND Box = List.FindDialog()->Handle();
  REQUIRE(Box != nullptr);
  CHECK(IsWindowVisible(Box));
  CHECK(GetWindow(Box, GW_OWNER) == Form->Handle());
  SetDlgItemTextW(Box, edt1, L"temp");
  SendMessageW(GetDlgItem(Box, IDOK), BM_CLICK, 0, 0);
  CHECK(List.Selected().Index() == 1);

  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(IDM_FINDNEXT, 1), 0);
  CHECK(List.Selected().Index() == 3);
  CHECK(List.SelCount() == 1);
  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(IDM_FINDNEXT, 1), 0);
  CHECK(Messages == std::vector<std::wstring>{L"No more instances of \"temp\" found."});
  Application().ProcessMessages();
  CHECK_FALSE(IsWindow(Box));
}
