// Every control a person can meet has a name a screen reader can say, read
// back through oleacc as a reader reads it; the owner-drawn pattern list
// tells which patterns are checked.
#include <doctest.h>

#include "access/AccessibleProbe.h"
#include "app/FilesView.h"
#include "app/MainWindowFixture.h"
#include "common/VKRAbout.h"
#include "common/VKRAboutDialog.h"
#include "framework/Text.h"
#include "options/QuenloUnit2Res.h"
#include "support/ModalAnswer.h"
#include "update/VKRAppUpdateDownload.h"
#include "update/VKRAppUpdateNotify.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

std::wstring ClassOf(HWND Window) {
  wchar_t Name[64] = L"";
  GetClassNameW(Window, Name, 64);
  return Name;
}

// A line or frame drawn for looks only: nothing to name.
bool IsDecoration(HWND Window) {
  if (_wcsicmp(ClassOf(Window).c_str(), L"Static") != 0) return false;
  const auto Kind = static_cast<DWORD>(GetWindowLongPtrW(Window, GWL_STYLE)) & SS_TYPEMASK;
  return Kind == SS_ETCHEDHORZ || Kind == SS_ETCHEDVERT || Kind == SS_ETCHEDFRAME;
}

// Every direct child of the window, with what oleacc reports of it.
void CheckEveryControlNamed(HWND Window, const std::string& What) {
  CAPTURE(What);
  int Checked = 0;
  for (HWND Child = GetWindow(Window, GW_CHILD); Child != nullptr; Child = GetWindow(Child, GW_HWNDNEXT)) {
    if (IsDecoration(Child)) continue;
    const std::string Control = WideToUtf8(ClassOf(Child)) + " #" + std::to_string(GetDlgCtrlID(Child));
    CAPTURE(Control);
    const TAccessibleRead Read = ReadAccessible(Child);
    REQUIRE(Read.Found);
    CHECK_FALSE(Read.Name.empty());
    ++Checked;
  }
  CHECK(Checked > 0);
}

}  // namespace

TEST_CASE("every control of the main window and of every dialog has a name") {
  TMainWindowFixture F;
  F.Start({L"one"});

  CheckEveryControlNamed(F.Form1->Handle(), "main window");
  CheckEveryControlNamed(F.Form2->Handle(), "options");
  CheckEveryControlNamed(F.Form3->Handle(), "statistics");
  // View Files as it shows a folder.
  F.Form1->VKRListView1.Item(0).SetSelected(true);
  TFilesViewForm& View = F.Form1->FilesView();
  TModalAnswer Answer(View, [&](TForm&) {
    CheckEveryControlNamed(View.Handle(), "view files");
    View.CloseButton.Click();
  });
  F.Form1->ViewFiles1Click(F.Form1.get());
  CHECK(Answer.Answered());
  const std::unique_ptr<TVKRAboutBox> About = F.Form1->VKRAboutDialog1.CreateAboutBox();
  CheckEveryControlNamed(About->Handle(), "about");
  // The update windows as the update check fills them.
  TVKRAppUpdateNotifyBox Notify;
  Notify.SetReadmeText(L"What is new");
  CheckEveryControlNamed(Notify.Handle(), "new version");
  TVKRAppUpdateDownloadBox Download(F.Form1->Handle());
  Download.SetBoxFont(F.Form1->Font());
  CheckEveryControlNamed(Download.Handle(), "download");
}

TEST_CASE("names say what the control is for") {
  TMainWindowFixture F;
  F.Start({L"one"});
  const HWND Options = F.Form2->Handle();
  struct TCase {
    HWND Control;
    const wchar_t* Name;
  };
  const std::vector<TCase> Cases = {
      // Edits after their labels: the label without its mnemonic and colon.
      {F.Form2->MaxSearchDepthEdit.Handle(), L"Max search depth"},
      {F.Form2->MaxSearchDepthUpDown.Handle(), L"Max search depth"},
      {F.Form2->OlderThanDaysEdit.Handle(), L"Only files older than"},
      {GetDlgItem(Options, IDC_PROXYADDRESS), L"Proxy address"},
      {GetDlgItem(Options, IDC_PROXYPORT), L"Proxy port"},
      {F.Form2->ExtensionsCheckListBox.Handle(), L"Extensions"},
      // A button whose caption is too short keeps it and gets a name.
      {F.Form2->UpdateIEButton.Handle(), L"Copy the system's proxy settings"},
      {F.Form2->OptionsPageControl.Handle(), L"Preferences"},
      // A list without a label reads as its first column.
      {F.Form1->VKRListView1.Handle(), L"Location"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Name));
    CHECK(ReadAccessible(Case.Control).Name == Case.Name);
  }
  CHECK(F.Form2->UpdateIEButton.Text() == L"IE");

  // Every toolbar button reads as its caption.
  const HWND Toolbar = F.Form1->ToolBar1.Handle();
  const std::vector<std::wstring> Expected = {L"Add Folder", L"Remove Folder", L"Find Folders", L"", L"Scan",
                                              L"Delete",     L"",              L"Statistics",   L"", L"Options",
                                              L"",           L"About",         L"Exit"};
  REQUIRE(ReadAccessible(Toolbar).ChildCount == static_cast<long>(Expected.size()));
  for (size_t i = 0; i < Expected.size(); ++i) {
    CAPTURE(i);
    CHECK(ReadChildName(Toolbar, static_cast<long>(i) + 1) == Expected[i]);
  }
  // Remove Folder starts disabled, and says so.
  CHECK((ReadChildState(Toolbar, 2) & STATE_SYSTEM_UNAVAILABLE) != 0);
  CHECK((ReadChildState(Toolbar, 1) & STATE_SYSTEM_UNAVAILABLE) == 0);
}

TEST_CASE("the pattern list tells a reader which patterns are checked") {
  TMainWindowFixture F;
  F.Start({L"one"});
  TCheckListBox& List = F.Form2->ExtensionsCheckListBox;
  const HWND Box = List.Handle();
  REQUIRE(List.Count() == 4);
  struct TCase {
    TCheckBoxState State;
    DWORD Expected;  // of STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED
  };
  const std::vector<TCase> Cases = {{TCheckBoxState::cbChecked, STATE_SYSTEM_CHECKED},
                                    {TCheckBoxState::cbUnchecked, 0},
                                    {TCheckBoxState::cbGrayed, STATE_SYSTEM_MIXED},
                                    {TCheckBoxState::cbChecked, STATE_SYSTEM_CHECKED}};
  for (int i = 0; i < 4; ++i) List.SetState(i, Cases[static_cast<size_t>(i)].State);
  CHECK(ReadAccessible(Box).ChildCount == 4);
  for (int i = 0; i < 4; ++i) {
    CAPTURE(i);
    CHECK(ReadChildName(Box, i + 1) == List.Item(i));
    const DWORD State = ReadChildState(Box, i + 1);
    REQUIRE(State != ~DWORD{0});
    CHECK((State & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED)) == Cases[static_cast<size_t>(i)].Expected);
  }
  // A change by the user is seen at the next read.
  List.SetState(1, TCheckBoxState::cbChecked);
  CHECK((ReadChildState(Box, 2) & STATE_SYSTEM_CHECKED) != 0);
}
