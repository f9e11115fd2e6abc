// The program with the keyboard alone: the folder list has the focus at
// start and again after every dialog, Tab walks the tab stops of a window,
// Ctrl+Tab turns the options' pages, menus and labels carry mnemonics.
#include <doctest.h>

#include "app/FilesView.h"
#include "app/MainWindowFixture.h"
#include "common/VKRAbout.h"
#include "common/VKRAboutDialog.h"
#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/PageControl.h"
#include "framework/Text.h"
#include "support/HostForm.h"
#include "support/ModalAnswer.h"
#include "options/QuenloUnit2Res.h"
#include "update/VKRAppUpdateNotify.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Holds keys down as far as GetKeyState can tell, for one thread's messages.
class TKeysDown {
public:
  explicit TKeysDown(std::initializer_list<int> Keys) {
    GetKeyboardState(FSaved);
    BYTE State[256];
    GetKeyboardState(State);
    for (int Key : Keys) State[Key] = 0x80;
    SetKeyboardState(State);
  }
  ~TKeysDown() { SetKeyboardState(FSaved); }
  TKeysDown(const TKeysDown&) = delete;
  TKeysDown& operator=(const TKeysDown&) = delete;

private:
  BYTE FSaved[256]{};
};

void PressKey(HWND Target, int Key) {
  MSG Message{};
  Message.hwnd = Target;
  Message.message = WM_KEYDOWN;
  Message.wParam = static_cast<WPARAM>(Key);
  Message.lParam = 1;
  Application().Deliver(Message);
}

// A platform message box, closed by a thread timer once it is up.
HWND GMessageBoxOwner = nullptr;
bool GMessageBoxSeen = false;
void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR Id, DWORD) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND Window, LPARAM) -> BOOL {
        wchar_t Class[16] = L"";
        GetClassNameW(Window, Class, 16);
        if (wcscmp(Class, L"#32770") == 0 && IsWindowVisible(Window) && GetWindow(Window, GW_OWNER) == GMessageBoxOwner) {
          GMessageBoxSeen = true;
          PostMessageW(Window, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
      },
      0);
  if (GMessageBoxSeen) KillTimer(nullptr, Id);
}

}  // namespace

TEST_CASE("the folder list has the focus at start and after every dialog") {
  TMainWindowFixture F;
  F.Start({L"one", L"two"});
  F.Scan();
  F.Form1->Show();
  Application().ProcessMessages();
  const HWND List = F.Form1->VKRListView1.Handle();
  CHECK(GetFocus() == List);
  F.Form1->VKRListView1.Item(0).SetSelected(true);

  struct TDialog {
    std::string Name;
    std::function<void()> Run;  // shows the dialog and closes it as a person would
  };
  const std::vector<TDialog> Dialogs = {
      {"Statistics",
       [&] {
         TModalAnswer Answer(*F.Form3, [&](TForm&) { F.Form3->CloseButton.Click(); });
         F.Form1->StatisticsToolButtonClick(F.Form1.get());
         CHECK(Answer.Answered());
       }},
      {"Options",
       [&] {
         TModalAnswer Answer(*F.Form2, [&](TForm&) { F.Form2->CancelButton.Click(); });
         F.Form1->OptionsToolButtonClick(F.Form1.get());
         CHECK(Answer.Answered());
       }},
      {"About",
       [&] {
         TVKRAboutBox* Shown = nullptr;
         F.Form1->VKRAboutDialog1.OnBeforeShow = [&](TVKRAboutBox& Box) { Shown = &Box; };
         TModalAnswer Answer([&]() -> TForm* { return Shown; }, [&](TForm&) { Shown->OKButton.Click(); });
         F.Form1->AboutToolButtonClick(F.Form1.get());
         F.Form1->VKRAboutDialog1.OnBeforeShow = nullptr;
         CHECK(Answer.Answered());
       }},
      {"View Files",
       [&] {
         TFilesViewForm& View = F.Form1->FilesView();
         TModalAnswer Answer(View, [&](TForm&) { View.CloseButton.Click(); });
         F.Form1->ViewFiles1Click(F.Form1.get());
         CHECK(Answer.Answered());
       }},
      {"New Version (as the update check shows it)",
       [&] {
         TVKRAppUpdateNotifyBox Box;
         Box.SetReadmeText(L"What is new");
         TModalAnswer Answer(Box, [&](TForm&) { Box.OKButton.Click(); });
         Box.ShowModal();
         CHECK(Answer.Answered());
       }},
      {"a message box (as the update check shows)",
       [&] {
         GMessageBoxOwner = F.Form1->Handle();
         GMessageBoxSeen = false;
         const UINT_PTR Timer = SetTimer(nullptr, 0, 10, &CloseMessageBox);
         // The platform's own box, as the update check's message boxes are.
         MessageBoxW(F.Form1->Handle(), L"No update is available.", L"Marrowby", MB_OK | MB_ICONINFORMATION);
         KillTimer(nullptr, Timer);
         CHECK(GMessageBoxSeen);
       }},
  };
  for (const TDialog& Dialog : Dialogs) {
    CAPTURE(Dialog.Name);
    // The focus rests on the window itself, not on the list, before the
    // dialog: it must be the form that hands it to the list.
    SetFocus(F.Form1->Handle());
    Dialog.Run();
    Application().ProcessMessages();
    CHECK(GetActiveWindow() == F.Form1->Handle());
    CHECK(GetFocus() == List);
  }
}

TEST_CASE("Tab and Shift+Tab walk the tab stops of a window that is not a dialog") {
  THostForm Form;
  const auto Make = [&](int Id, DWORD Style) {
    return CreateWindowExW(0, L"Button", L"b", WS_CHILD | WS_VISIBLE | Style, 10, 10 + Id * 30, 80, 24, Form.Handle(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(), nullptr);
  };
  const HWND First = Make(1, WS_TABSTOP);
  Make(2, 0);  // not a tab stop: skipped
  const HWND Third = Make(3, WS_TABSTOP);
  Form.Show();
  Application().ProcessMessages();
  CHECK(GetFocus() == First);  // the first tab stop, when nothing had the focus before

  struct TStep {
    bool Shift;
    HWND Expected;
  };
  const std::vector<TStep> Steps = {{false, Third}, {false, First}, {true, Third}, {true, First}};
  for (size_t i = 0; i < Steps.size(); ++i) {
    CAPTURE(i);
    if (Steps[i].Shift) {
      const TKeysDown Shift{VK_SHIFT};
      PressKey(GetFocus(), VK_TAB);
    } else {
      PressKey(GetFocus(), VK_TAB);
    }
    CHECK(GetFocus() == Steps[i].Expected);
  }
  Form.Hide();
}

TEST_CASE("Ctrl+Tab and Ctrl+Shift+Tab switch the options' pages and show their controls") {
  TMainWindowFixture F;
  F.Start({L"one"});
  TForm2& Options = *F.Form2;
  Options.OptionsPageControl.SetActivePageIndex(0);
  struct TStep {
    bool Shift;
    int Page;
    TControl* Shown;  // a control of that page, visible after the switch
  };
  const std::vector<TStep> Steps = {
      {false, 1, &Options.LimitSearchDepthCheckBox}, {false, 2, &Options.UseProxyServerCheckBox},
      {false, 3, &Options.KeepPage.AddButton},       {false, 4, &Options.SchedulePage.KindComboBox},
      {false, 0, &Options.ScanAtStartupCheckBox},    {true, 4, &Options.SchedulePage.KindComboBox},
      {true, 3, &Options.KeepPage.AddButton},        {true, 2, &Options.UseProxyServerCheckBox},
      {true, 1, &Options.LimitSearchDepthCheckBox},
  };
  TModalAnswer Answer(Options, [&](TForm&) {
    Options.ScanAtStartupCheckBox.SetFocus();
    for (size_t i = 0; i < Steps.size(); ++i) {
      CAPTURE(i);
      {
        const TKeysDown Keys = Steps[i].Shift ? TKeysDown{VK_CONTROL, VK_SHIFT} : TKeysDown{VK_CONTROL};
        PressKey(GetFocus(), VK_TAB);
      }
      CHECK(Options.OptionsPageControl.ActivePageIndex() == Steps[i].Page);
      CHECK(IsWindowVisible(Steps[i].Shown->Handle()));
      // The focus never stays on a control of a hidden page.
      CHECK(IsWindowVisible(GetFocus()));
    }
    Options.CancelButton.Click();
  });
  F.Form1->OptionsToolButtonClick(F.Form1.get());
  CHECK(Answer.Answered());
}

TEST_CASE("every menu item and every options label carries a mnemonic, none twice in one place") {
  TMainWindowFixture F;
  F.Start({L"one"});

  // Mnemonic letters of one menu level; checks each item has one.
  std::function<void(HMENU, const std::string&)> CheckMenu = [&](HMENU Menu, const std::string& Where) {
    std::set<wchar_t> Seen;
    for (int i = 0; i < GetMenuItemCount(Menu); ++i) {
      wchar_t Text[256] = L"";
      MENUITEMINFOW Info{};
      Info.cbSize = sizeof(Info);
      Info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
      Info.dwTypeData = Text;
      Info.cch = 256;
      REQUIRE(GetMenuItemInfoW(Menu, static_cast<UINT>(i), TRUE, &Info));
      if ((Info.fType & MFT_SEPARATOR) != 0) continue;
      const std::wstring Caption = Text;
      CAPTURE(Where);
      CAPTURE(WideToUtf8(Caption));
      const size_t Amp = Caption.find(L'&');
      REQUIRE(Amp != std::wstring::npos);
      REQUIRE(Amp + 1 < Caption.size());
      CHECK(Seen.insert(static_cast<wchar_t>(towlower(Caption[Amp + 1]))).second);
      if (Info.hSubMenu != nullptr) CheckMenu(Info.hSubMenu, Where + "/" + WideToUtf8(StripMnemonic(Caption)));
    }
  };
  CheckMenu(GetMenu(F.Form1->Handle()), "menu bar");
  CheckMenu(F.Form1->ExploreFolder1.Menu(), "folder popup");
  CheckMenu(F.Form2->Checkall1.Menu(), "extensions popup");

  // On each page, every check box, button and label before a control has its own letter.
  TForm2& Options = *F.Form2;
  const std::vector<std::vector<HWND>> Pages = {
      {Options.ScanAtStartupCheckBox.Handle(), Options.RecursiveCheckBox.Handle(),
       Options.PromptBeforeDeletingFilesCheckBox.Handle(), Options.UseRecycleBinWhenDeletingFilesCheckBox.Handle(),
       Options.ShowStatisticsAfterDeletingFilesCheckBox.Handle()},
      {Options.LimitSearchDepthCheckBox.Handle(), GetDlgItem(Options.Handle(), IDC_MAXSEARCHDEPTHLABEL),
       Options.OnlyOlderThanCheckBox.Handle(), Options.RestrictSearchCheckBox.Handle(),
       GetDlgItem(Options.Handle(), IDC_EXTENSIONSLABEL), Options.AdvancedDefaultButton.Handle()},
      {Options.UseProxyServerCheckBox.Handle(), GetDlgItem(Options.Handle(), IDC_PROXYADDRESSLABEL),
       GetDlgItem(Options.Handle(), IDC_PROXYPORTLABEL), Options.UpdateIEButton.Handle(),
       Options.UpdateDefaultButton.Handle()},
      {Options.SchedulePage.KindLabel.Handle(), Options.SchedulePage.TimeLabel.Handle(),
       Options.SchedulePage.DayCheckBoxes[0].Handle(), Options.SchedulePage.DayCheckBoxes[1].Handle(),
       Options.SchedulePage.DayCheckBoxes[2].Handle(), Options.SchedulePage.DayCheckBoxes[3].Handle(),
       Options.SchedulePage.DayCheckBoxes[4].Handle(), Options.SchedulePage.DayCheckBoxes[5].Handle(),
       Options.SchedulePage.DayCheckBoxes[6].Handle(), Options.SchedulePage.BatteryCheckBox.Handle(),
       Options.SchedulePage.PointHereButton.Handle(), Options.SchedulePage.OpenLogButton.Handle()},
  };
  for (size_t Page = 0; Page < Pages.size(); ++Page) {
    std::set<wchar_t> Seen;
    for (HWND Control : Pages[Page]) {
      wchar_t Text[256] = L"";
      GetWindowTextW(Control, Text, 256);
      const std::wstring Caption = Text;
      CAPTURE(Page);
      CAPTURE(WideToUtf8(Caption));
      const size_t Amp = Caption.find(L'&');
      REQUIRE(Amp != std::wstring::npos);
      CHECK(Seen.insert(static_cast<wchar_t>(towlower(Caption[Amp + 1]))).second);
    }
  }
}

TEST_CASE("Alt and a label's letter put the focus in the edit after the label") {
  TMainWindowFixture F;
  F.Start({L"one"});
  TForm2& Options = *F.Form2;
  TModalAnswer Answer(Options, [&](TForm&) {
    Options.OptionsPageControl.SetActivePageIndex(2);
    Options.UseProxyServerCheckBox.SetChecked(true);
    Options.UseProxyServerCheckBox.SetFocus();
    MSG Message{};
    Message.hwnd = GetFocus();
    Message.message = WM_SYSCHAR;
    Message.wParam = L'p';
    Message.lParam = 1 | (1 << 29);  // Alt held
    Application().Deliver(Message);
    CHECK(GetFocus() == GetDlgItem(Options.Handle(), IDC_PROXYPORT));
    Options.CancelButton.Click();
  });
  F.Form1->OptionsToolButtonClick(F.Form1.get());
  CHECK(Answer.Answered());
}
