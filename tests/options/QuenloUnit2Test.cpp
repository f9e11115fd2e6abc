#include <doctest.h>

#include "InternetSettingsFixture.h"
#include "app/QuenloUnit1.h"
#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "options/QuenloUnit2.h"
#include "options/QuenloUnit2Res.h"
#include "support/PrivatePolicies.h"
#include "support/ModalAnswer.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace doctest {
template <>
struct StringMaker<std::map<std::wstring, std::wstring>> {
  static String convert(const std::map<std::wstring, std::wstring>& Value) {
    std::string Text = "{";
    for (const auto& [Name, Shown] : Value)
      Text += (Text.size() > 1 ? ", " : "") + WideToUtf8(Name) + "=\"" + WideToUtf8(Shown) + "\"";
    return (Text + "}").c_str();
  }
};
}  // namespace doctest

namespace {

enum TPage { Preferences = 0, Advanced = 1, Update = 2, Keep = 3, Schedule = 4 };

// The search leaves the current directory in the folders it walked; they
// could not be removed from under it.
class TLeaveFoldersAtEnd {
public:
  TLeaveFoldersAtEnd() = default;
  ~TLeaveFoldersAtEnd() {
    wchar_t Temp[MAX_PATH + 1] = L"";
    GetTempPathW(MAX_PATH + 1, Temp);
    SetCurrentDirectoryW(Temp);
  }
  TLeaveFoldersAtEnd(const TLeaveFoldersAtEnd&) = delete;
  TLeaveFoldersAtEnd& operator=(const TLeaveFoldersAtEnd&) = delete;
};

// ---- What a person does ---------------------------------------------------------------

void Click(const TControl& Control) { SendMessageW(Control.Handle(), BM_CLICK, 0, 0); }

void ClickAt(HWND Window, POINT At) {
  const LPARAM Where = MAKELPARAM(At.x, At.y);
  SendMessageW(Window, WM_LBUTTONDOWN, MK_LBUTTON, Where);
  SendMessageW(Window, WM_LBUTTONUP, 0, Where);
}

POINT Centre(const RECT& Rect) { return POINT{(Rect.left + Rect.right) / 2, (Rect.top + Rect.bottom) / 2}; }

// A click on the page's tab.
void SelectPage(TForm2& Form, int Page) {
  RECT Tab{};
  REQUIRE(TabCtrl_GetItemRect(Form.OptionsPageControl.Handle(), Page, &Tab));
  ClickAt(Form.OptionsPageControl.Handle(), Centre(Tab));
  REQUIRE(Form.OptionsPageControl.ActivePageIndex() == Page);
}

// Replaces the edit's text key by key, as typing over a selection does.
void Type(TEdit& Edit, const std::wstring& Text) {
  Edit.SetFocus();
  SendMessageW(Edit.Handle(), EM_SETSEL, 0, -1);
  SendMessageW(Edit.Handle(), WM_CHAR, VK_BACK, 0);
  for (wchar_t Char : Text) SendMessageW(Edit.Handle(), WM_CHAR, Char, 0);
}

void ClickMark(TCheckListBox& List, int Index) { ClickAt(List.Handle(), Centre(List.CheckBoxRect(Index))); }

// A right click on the list and the popup item at Position (from 1) chosen
// with the keyboard; the menu's loop reads the keys waiting in the queue.
void ChoosePopupItem(TCheckListBox& List, int Position) {
  const HWND Box = List.Handle();
  for (int i = 0; i < Position; ++i) {
    PostMessageW(Box, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(Box, WM_KEYUP, VK_DOWN, 0);
  }
  PostMessageW(Box, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(Box, WM_KEYUP, VK_RETURN, 0);
  // Should the keys go astray, the menu still closes.
  const UINT_PTR Guard = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  const LPARAM At = MAKELPARAM(10, 5);
  SendMessageW(Box, WM_RBUTTONDOWN, MK_RBUTTON, At);
  SendMessageW(Box, WM_RBUTTONUP, 0, At);
  KillTimer(nullptr, Guard);
  Application().ProcessMessages();
}

// Presses a key in the dialog the way the keyboard does: through the message loop.
void PressKey(TForm2& Form, WPARAM Key) {
  const HWND Focus = GetFocus() != nullptr && GetAncestor(GetFocus(), GA_ROOT) == Form.Handle()
                         ? GetFocus()
                         : Form.ScanAtStartupCheckBox.Handle();
  PostMessageW(Focus, WM_KEYDOWN, Key, 0);
  PostMessageW(Focus, WM_KEYUP, Key, 0);
}

// ---- Reading back ---------------------------------------------------------------------

std::wstring Mark(bool Checked) { return Checked ? L"1" : L"0"; }

std::wstring ListText(TCheckListBox& List) {
  std::wstring Text;
  for (int i = 0; i < List.Count(); ++i) {
    if (i > 0) Text += L";";
    Text += List.Item(i) + L"=" + (List.State(i) == TCheckBoxState::cbChecked ? L"1" : L"0");
  }
  return Text;
}

// Every option as the dialog's controls show it, with the enabled state of
// the controls that depend on a check box.
std::map<std::wstring, std::wstring> Shown(TForm2& Form) {
  return {
      {L"ScanAtStartup", Mark(Form.ScanAtStartupCheckBox.Checked())},
      {L"Recursive", Mark(Form.RecursiveCheckBox.Checked())},
      {L"PromptBeforeDeletingFiles", Mark(Form.PromptBeforeDeletingFilesCheckBox.Checked())},
      {L"UseRecycleBinWhenDeletingFiles", Mark(Form.UseRecycleBinWhenDeletingFilesCheckBox.Checked())},
      {L"ShowStatisticsAfterDeletingFiles", Mark(Form.ShowStatisticsAfterDeletingFilesCheckBox.Checked())},
      {L"LimitSearchDepth", Mark(Form.LimitSearchDepthCheckBox.Checked())},
      {L"MaxSearchDepth", Form.MaxSearchDepthEdit.Text() + L"/" + std::to_wstring(Form.MaxSearchDepthUpDown.Position())},
      {L"MaxSearchDepth enabled", Mark(Form.MaxSearchDepthEdit.Enabled()) + Mark(Form.MaxSearchDepthUpDown.Enabled())},
      {L"OnlyOlderThan", Mark(Form.OnlyOlderThanCheckBox.Checked())},
      {L"OlderThanDays", Form.OlderThanDaysEdit.Text() + L"/" + std::to_wstring(Form.OlderThanDaysUpDown.Position())},
      {L"OlderThanDays enabled", Mark(Form.OlderThanDaysEdit.Enabled()) + Mark(Form.OlderThanDaysUpDown.Enabled())},
      {L"RestrictSearch", Mark(Form.RestrictSearchCheckBox.Checked())},
      {L"Extensions", ListText(Form.ExtensionsCheckListBox)},
      {L"Extensions enabled", Mark(Form.ExtensionsCheckListBox.Enabled())},
      {L"UseProxyServer", Mark(Form.UseProxyServerCheckBox.Checked())},
      {L"ProxyAddress", Form.ProxyAddressEdit.Text()},
      {L"ProxyPort", Form.ProxyPortEdit.Text()},
      {L"Proxy enabled", Mark(Form.ProxyAddressEdit.Enabled()) + Mark(Form.ProxyPortEdit.Enabled())},
  };
}

void CheckShown(TForm2& Form, const std::map<std::wstring, std::wstring>& Expected) {
  const std::map<std::wstring, std::wstring> Actual = Shown(Form);
  for (const auto& [Name, Value] : Expected) {
    CAPTURE(WideToUtf8(Name));
    const auto Found = Actual.find(Name);
    REQUIRE(Found != Actual.end());
    CHECK(Found->second == Value);
  }
}

// Everything under the key: one line per value, with its type and data.
std::vector<std::wstring> Dump(const TRegistryFixture& Registry, const std::wstring& Relative = L"") {
  std::vector<std::wstring> Lines;
  for (const std::wstring& Name : Registry.ValueNames(Relative)) {
    const auto Value = Registry.ReadRaw(Relative, Name);
    std::wstring Line = Relative + L"\\" + Name + L" " + std::to_wstring(Value->Type) + L":";
    for (uint8_t Byte : Value->Data) Line += IntToHex(Byte, 2);
    Lines.push_back(Line);
  }
  for (const std::wstring& Sub : Registry.SubKeyNames(Relative)) {
    Lines.push_back(Relative + L"\\" + Sub + L"\\");
    for (const std::wstring& Line : Dump(Registry, Relative.empty() ? Sub : Relative + L"\\" + Sub))
      Lines.push_back(Line);
  }
  return Lines;
}

struct TStored {
  DWORD Type;
  std::wstring Text;  // REG_SZ
  uint32_t Number;    // REG_DWORD
};

// Checks that a value is stored exactly as Expected, four bytes for a number.
void CheckStored(const TRegistryFixture& Registry, const std::wstring& Key, const std::wstring& Name,
                 const TStored& Expected) {
  CAPTURE(WideToUtf8(Key + L"\\" + Name));
  const auto Value = Registry.ReadRaw(Key, Name);
  REQUIRE(Value);
  REQUIRE(Value->Type == Expected.Type);
  if (Expected.Type == REG_DWORD) {
    CHECK(Value->Data.size() == 4);
    CHECK(Value->AsDword() == Expected.Number);
  } else {
    CHECK(Value->AsString() == Expected.Text);
  }
}

TStored Dword(uint32_t Value) { return {REG_DWORD, L"", Value}; }
TStored Sz(const std::wstring& Value) { return {REG_SZ, Value, 0}; }

std::vector<uint8_t> Bytes(const std::wstring& Text) {
  const auto* First = reinterpret_cast<const uint8_t*>(Text.c_str());
  return std::vector<uint8_t>(First, First + (Text.size() + 1) * sizeof(wchar_t));
}
std::vector<uint8_t> Bytes(uint32_t Value) {
  return {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8), static_cast<uint8_t>(Value >> 16),
          static_cast<uint8_t>(Value >> 24)};
}

// ---- The program around the dialog ----------------------------------------------------

// A folder of the fixture's own for the main window to scan:
//   a.tmp b.bak c.log d.txt h.tmp[hidden]  sub\ e.tmp  sub\deep\ f.bak
//   hiddendir[hidden]\ g.tmp (hidden folders are not entered)
struct TOptionsFixture {
  TInternetSettingsFixture Internet;
  TTempDir Temp;
  TLeaveFoldersAtEnd LeaveFolders;
  TRegistryFixture Registry;
  std::unique_ptr<TForm1> Form1;
  TForm2* Form2 = nullptr;  // the main window's options dialog

  TOptionsFixture() {
    Internet.Set(true, L"sys.proxy:8888", L"<local>");
    for (const wchar_t* Name : {L"a.tmp", L"b.bak", L"c.log", L"d.txt", L"sub\\e.tmp", L"sub\\deep\\f.bak"})
      Temp.MakeFile(Name, 10);
    Temp.MakeFile(L"h.tmp", 10, FILE_ATTRIBUTE_HIDDEN);
    Temp.MakeDir(L"hiddendir", FILE_ATTRIBUTE_HIDDEN);
    Temp.MakeFile(L"hiddendir\\g.tmp", 10);
    Registry.WriteString(L"Locations", L"Item0", Temp.Path());
  }

  // The program's start: the main window, the scan at start-up, then the options dialog.
  void Start() {
    TForm1Options Options;
    Options.RegistryKey = Registry.KeyPath();
    Options.PolicyRoots = PrivatePolicyRoots(Registry);
    Options.SingleInstance = false;
    Form1 = std::make_unique<TForm1>(Options);
    REQUIRE(Form1->VKRListView1.Count() == 1);
    Form1->StartupScan();
    Form2 = &Form1->OptionsDialog();
  }

  // The Options command of the main window, answered by a person who does
  // Act and then closes the dialog with Close (or leaves it to Act).
  void ShowOptions(const std::function<void(TForm2&)>& Act, const std::function<void(TForm2&)>& Close) {
    TModalAnswer Answer(*Form2, [&](TForm&) {
      Act(*Form2);
      if (Close) Close(*Form2);
    });
    Form1->Options1.Click();
    CHECK(Answer.Answered());
    CHECK_FALSE(Form2->Visible());
  }
  void Ok(const std::function<void(TForm2&)>& Act) {
    ShowOptions(Act, [](TForm2& Form) { Click(Form.OKButton); });
  }
  void Cancel(const std::function<void(TForm2&)>& Act) {
    ShowOptions(Act, [](TForm2& Form) { Click(Form.CancelButton); });
  }

  std::wstring ScannedFiles() { return Form1->VKRListView1.Item(0).SubItem(1); }
  std::wstring Scan() {
    Form1->ScanToolButton.Click();
    return ScannedFiles();
  }
  std::wstring Proxy() { return Form1->VKRAppUpdate1.ProxyAddress() + L":" + Form1->VKRAppUpdate1.ProxyPort(); }
};

const std::vector<std::wstring> KDesignExtensions = {L"*.tmp", L"*.log", L"*.old", L"*.bak"};

}  // namespace

// ---------------------------------------------------------------------------------------

TEST_CASE("the dialog has five pages with the designed controls, captions and states") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Internet.Set(false, L"", L"");
  F.Start();
  TForm2& Form = *F.Form2;

  CHECK(Form.Caption() == L"Options");
  CHECK(Form.Font().Name() == L"Segoe UI");
  CHECK(Form.Font().Size() == 9);
  CHECK(Form.Position() == TPosition::poScreenCenter);
  CHECK((GetWindowLongPtrW(Form.Handle(), GWL_STYLE) & WS_THICKFRAME) == 0);
  CHECK(Form.OKButton.Text() == L"OK");
  CHECK(Form.CancelButton.Text() == L"Cancel");
  CHECK(LOWORD(SendMessageW(Form.Handle(), DM_GETDEFID, 0, 0)) == Form.OKButton.Id());
  CHECK(Form.CancelButton.Id() == IDCANCEL);

  REQUIRE(Form.OptionsPageControl.PageCount() == 5);
  CHECK(Form.OptionsPageControl.PageCaption(Preferences) == L"Preferences");
  CHECK(Form.OptionsPageControl.PageCaption(Advanced) == L"Advanced");
  CHECK(Form.OptionsPageControl.PageCaption(Update) == L"Update");
  CHECK(Form.OptionsPageControl.PageCaption(Keep) == L"Keep");
  CHECK(Form.OptionsPageControl.PageCaption(Schedule) == L"Schedule");
  CHECK(Form.PreferencesTabSheet.PageIndex() == Preferences);
  CHECK(Form.AdvancedTabSheet.PageIndex() == Advanced);
  CHECK(Form.UpdateTabSheet.PageIndex() == Update);
  CHECK(Form.KeepTabSheet.PageIndex() == Keep);
  CHECK(Form.ScheduleTabSheet.PageIndex() == Schedule);

  struct TDesigned {
    TControl* Control;
    int Page;
    const wchar_t* Caption;  // nullptr: not checked (edits, lists)
    bool Enabled;
  };
  const HWND Dialog = Form.Handle();
  TLabel MaxSearchDepthLabel, OlderThanDaysLabel, ExtensionsLabel, ProxyAddressLabel, ProxyPortLabel;
  MaxSearchDepthLabel.Attach(GetDlgItem(Dialog, IDC_MAXSEARCHDEPTHLABEL));
  OlderThanDaysLabel.Attach(GetDlgItem(Dialog, IDC_OLDERTHANDAYSLABEL));
  ExtensionsLabel.Attach(GetDlgItem(Dialog, IDC_EXTENSIONSLABEL));
  ProxyAddressLabel.Attach(GetDlgItem(Dialog, IDC_PROXYADDRESSLABEL));
  ProxyPortLabel.Attach(GetDlgItem(Dialog, IDC_PROXYPORTLABEL));
  const std::vector<TDesigned> Controls = {
      {&Form.ScanAtStartupCheckBox, Preferences, L"Scan at startup", true},
      {&Form.RecursiveCheckBox, Preferences, L"Recursive search", true},
      {&Form.PromptBeforeDeletingFilesCheckBox, Preferences, L"Prompt before deleting files", true},
      {&Form.UseRecycleBinWhenDeletingFilesCheckBox, Preferences, L"Use recycle bin when deleting files", true},
      {&Form.ShowStatisticsAfterDeletingFilesCheckBox, Preferences, L"Show statistics after deleting files", true},
      {&Form.LimitSearchDepthCheckBox, Advanced, L"Limit search depth", true},
      {&MaxSearchDepthLabel, Advanced, L"Max search depth :", true},
      {&Form.MaxSearchDepthEdit, Advanced, L"8", false},
      {&Form.MaxSearchDepthUpDown, Advanced, nullptr, false},
      {&Form.OnlyOlderThanCheckBox, Advanced, L"Only files older than", true},
      {&Form.OlderThanDaysEdit, Advanced, L"7", false},
      {&Form.OlderThanDaysUpDown, Advanced, nullptr, false},
      {&OlderThanDaysLabel, Advanced, L"days", true},
      {&Form.RestrictSearchCheckBox, Advanced, L"Restrict search to extensions listed below", true},
      {&ExtensionsLabel, Advanced, L"Extensions :", true},
      {&Form.ExtensionsCheckListBox, Advanced, nullptr, false},
      {&Form.AdvancedDefaultButton, Advanced, L"Default", true},
      {&Form.UseProxyServerCheckBox, Update, L"Use proxy server for web update", true},
      {&ProxyAddressLabel, Update, L"Proxy address :", true},
      {&Form.ProxyAddressEdit, Update, L"", false},
      {&ProxyPortLabel, Update, L"Proxy port :", true},
      {&Form.ProxyPortEdit, Update, L"80", false},
      {&Form.UpdateIEButton, Update, L"IE", true},
      {&Form.UpdateDefaultButton, Update, L"Default", true},
      {&Form.KeepPage.DescriptionLabel, Keep, nullptr, true},
      {&Form.KeepPage.ListLabel, Keep, L"Kept :", true},
      {&Form.KeepPage.KeepListBox, Keep, nullptr, true},
      {&Form.KeepPage.FileButton, Keep, L"File...", true},
      {&Form.KeepPage.FolderButton, Keep, L"Folder...", true},
      {&Form.KeepPage.RemoveButton, Keep, L"Remove", false},  // nothing to remove yet
      {&Form.KeepPage.EntryLabel, Keep, L"Pattern or path :", true},
      {&Form.KeepPage.EntryEdit, Keep, L"", true},
      {&Form.KeepPage.AddButton, Keep, L"Add", true},
      {&Form.KeepPage.EverythingLabel, Keep, L"", true},
  };
  for (int Page : {Advanced, Update, Keep, Preferences}) {
    SelectPage(Form, Page);
    for (const TDesigned& Designed : Controls) {
      CAPTURE(Designed.Control->Id());
      CHECK(Designed.Control->Visible() == (Designed.Page == Page));
      if (Designed.Page != Page) continue;
      if (Designed.Caption != nullptr) CHECK(Designed.Control->Text() == Designed.Caption);
      CHECK(Designed.Control->Enabled() == Designed.Enabled);
    }
  }

  // Check boxes of the first page: all checked; the others unchecked.
  for (TCheckBox* Box : {&Form.ScanAtStartupCheckBox, &Form.RecursiveCheckBox, &Form.PromptBeforeDeletingFilesCheckBox,
                         &Form.UseRecycleBinWhenDeletingFilesCheckBox, &Form.ShowStatisticsAfterDeletingFilesCheckBox}) {
    CAPTURE(WideToUtf8(Box->Text()));
    if (Box == &Form.ScanAtStartupCheckBox) continue;  // stored off for this test
    CHECK(Box->Checked());
  }
  CHECK_FALSE(Form.LimitSearchDepthCheckBox.Checked());
  CHECK_FALSE(Form.OnlyOlderThanCheckBox.Checked());
  CHECK_FALSE(Form.RestrictSearchCheckBox.Checked());
  CHECK_FALSE(Form.UseProxyServerCheckBox.Checked());

  // The depth: 0 to 128, shown in its digits-only edit; the port is digits only too.
  CHECK(Form.MaxSearchDepthUpDown.Min() == 0);
  CHECK(Form.MaxSearchDepthUpDown.Max() == 128);
  CHECK(Form.MaxSearchDepthUpDown.Position() == 8);
  CHECK(Form.MaxSearchDepthUpDown.Associate() == Form.MaxSearchDepthEdit.Handle());
  CHECK((GetWindowLongPtrW(Form.MaxSearchDepthEdit.Handle(), GWL_STYLE) & ES_NUMBER) != 0);
  // The days: 1 to 3650, 7 at first.
  CHECK(Form.OlderThanDaysUpDown.Min() == 1);
  CHECK(Form.OlderThanDaysUpDown.Max() == 3650);
  CHECK(Form.OlderThanDaysUpDown.Position() == 7);
  CHECK(Form.OlderThanDaysUpDown.Associate() == Form.OlderThanDaysEdit.Handle());
  CHECK((GetWindowLongPtrW(Form.OlderThanDaysEdit.Handle(), GWL_STYLE) & ES_NUMBER) != 0);
  CHECK((GetWindowLongPtrW(Form.ProxyPortEdit.Handle(), GWL_STYLE) & ES_NUMBER) != 0);
  CHECK((GetWindowLongPtrW(Form.ProxyAddressEdit.Handle(), GWL_STYLE) & ES_NUMBER) == 0);

  CHECK(Form.ExtensionsCheckListBox.Items() == KDesignExtensions);
  CHECK(Form.ExtensionsCheckListBox.PopupMenu() != nullptr);
  CHECK(Form.Checkall1.Caption() == L"Check All");
  CHECK(Form.Uncheckall1.Caption() == L"Uncheck All");
  CHECK(GetMenuItemCount(Form.ExtensionsCheckListBox.PopupMenu()) == 2);
}

TEST_CASE("the dialog's controls sit inside their page without overlapping, the up-down on its edit") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Start();
  F.ShowOptions(
      [](TForm2& Form) {
        const HWND Dialog = Form.Handle();
        const auto ScreenRect = [](HWND Window) {
          RECT Rect{};
          GetWindowRect(Window, &Rect);
          return Rect;
        };
        const auto Inside = [](const RECT& Inner, const RECT& Outer) {
          return Inner.left >= Outer.left && Inner.top >= Outer.top && Inner.right <= Outer.right &&
                 Inner.bottom <= Outer.bottom;
        };
        const auto Overlap = [](const RECT& A, const RECT& B) {
          RECT Common{};
          return IntersectRect(&Common, &A, &B) != FALSE;
        };

        // Shown in the middle of the screen.
        const RECT Whole = ScreenRect(Dialog);
        CHECK(std::abs((Whole.left + Whole.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1);
        CHECK(std::abs((Whole.top + Whole.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1);

        // The tab control is behind every other control and leaves room for the buttons below it.
        const HWND Tab = Form.OptionsPageControl.Handle();
        CHECK(GetWindow(Tab, GW_HWNDNEXT) == nullptr);
        RECT Pages = ScreenRect(Tab);
        TabCtrl_AdjustRect(Tab, FALSE, &Pages);
        RECT Client{};
        GetClientRect(Dialog, &Client);
        MapWindowPoints(Dialog, nullptr, reinterpret_cast<POINT*>(&Client), 2);
        for (TButton* Button : {&Form.OKButton, &Form.CancelButton}) {
          CHECK(ScreenRect(Button->Handle()).top >= ScreenRect(Tab).bottom);
          CHECK(Inside(ScreenRect(Button->Handle()), Client));
        }
        CHECK_FALSE(Overlap(ScreenRect(Form.OKButton.Handle()), ScreenRect(Form.CancelButton.Handle())));

        // Each up-down rides on the right edge of its edit, at the same height.
        const std::pair<HWND, HWND> Pairs[] = {
            {Form.MaxSearchDepthEdit.Handle(), Form.MaxSearchDepthUpDown.Handle()},
            {Form.OlderThanDaysEdit.Handle(), Form.OlderThanDaysUpDown.Handle()}};
        for (const auto& [EditHandle, ArrowsHandle] : Pairs) {
          const RECT Edit = ScreenRect(EditHandle);
          const RECT Arrows = ScreenRect(ArrowsHandle);
          CHECK(Arrows.left >= Edit.right - 2);
          CHECK(Arrows.left <= Edit.right);
          CHECK(Arrows.top == Edit.top);
          CHECK(Arrows.bottom == Edit.bottom);
        }

        for (int Page : {Preferences, Advanced, Update, Keep, Schedule}) {
          CAPTURE(Page);
          SelectPage(Form, Page);
          std::vector<HWND> Shown;
          for (HWND Child = GetWindow(Dialog, GW_CHILD); Child != nullptr; Child = GetWindow(Child, GW_HWNDNEXT))
            if (Child != Tab && IsWindowVisible(Child) && Child != Form.OKButton.Handle() &&
                Child != Form.CancelButton.Handle())
              Shown.push_back(Child);
          CHECK(Shown.size() >= 5);
          for (size_t i = 0; i < Shown.size(); ++i) {
            CAPTURE(GetDlgCtrlID(Shown[i]));
            CHECK(Inside(ScreenRect(Shown[i]), Pages));
            // Captions fit their control: nothing is cut off.
            wchar_t Caption[128] = L"";
            wchar_t Class[32] = L"";
            GetWindowTextW(Shown[i], Caption, 128);
            GetClassNameW(Shown[i], Class, 32);
            if (Caption[0] != L'\0' && (lstrcmpiW(Class, L"Button") == 0 || lstrcmpiW(Class, L"Static") == 0)) {
              const HDC DC = GetDC(Shown[i]);
              const HGDIOBJ Old =
                  SelectObject(DC, reinterpret_cast<HFONT>(SendMessageW(Shown[i], WM_GETFONT, 0, 0)));
              SIZE Extent{};
              GetTextExtentPoint32W(DC, Caption, lstrlenW(Caption), &Extent);
              SelectObject(DC, Old);
              ReleaseDC(Shown[i], DC);
              const LONG_PTR Kind = GetWindowLongPtrW(Shown[i], GWL_STYLE) & BS_TYPEMASK;
              const bool IsCheckBox = lstrcmpiW(Class, L"Button") == 0 && Kind == BS_AUTOCHECKBOX;
              const RECT Rect = ScreenRect(Shown[i]);
              CAPTURE(WideToUtf8(Caption));
              // A label of several lines wraps its words: the lines must fit its height.
              const LONG Width = Rect.right - Rect.left;
              const LONG Lines = Extent.cy > 0 ? (Rect.bottom - Rect.top) / Extent.cy : 0;
              if (lstrcmpiW(Class, L"Static") == 0 && Lines > 1) {
                CHECK(Extent.cx <= Width * Lines * 9 / 10);  // room lost at the ends of wrapped lines
              } else {
                CHECK(Extent.cx + (IsCheckBox ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0) <= Width);
                CHECK(Extent.cy <= Rect.bottom - Rect.top);
              }
            }
            for (size_t j = i + 1; j < Shown.size(); ++j) {
              const bool Pair = std::any_of(std::begin(Pairs), std::end(Pairs), [&](const auto& P) {
                return (Shown[i] == P.first && Shown[j] == P.second) || (Shown[j] == P.first && Shown[i] == P.second);
              });
              if (Pair) continue;
              CAPTURE(GetDlgCtrlID(Shown[j]));
              CHECK_FALSE(Overlap(ScreenRect(Shown[i]), ScreenRect(Shown[j])));
            }
          }
        }
      },
      [](TForm2& Form) { Click(Form.CancelButton); });
}

namespace {

// The colour Window paints at a point of the screen, painted off the screen.
COLORREF PaintedAt(HWND Window, POINT At) {
  RECT Client{};
  GetClientRect(Window, &Client);
  ScreenToClient(Window, &At);
  const HDC Screen = GetDC(Window);
  UniqueMemoryDC Memory(CreateCompatibleDC(Screen));
  UniqueGdi<HBITMAP> Bitmap(CreateCompatibleBitmap(Screen, Client.right, Client.bottom));
  ReleaseDC(Window, Screen);
  const HGDIOBJ Old = SelectObject(Memory.get(), Bitmap.get());
  UniqueGdi<HBRUSH> Unpainted(CreateSolidBrush(RGB(255, 0, 255)));
  FillRect(Memory.get(), &Client, Unpainted.get());
  SendMessageW(Window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Memory.get()), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF Color = GetPixel(Memory.get(), At.x, At.y);
  SelectObject(Memory.get(), Old);
  return Color;
}

}  // namespace

TEST_CASE("check boxes show the page's own colour around them, not the dialog's") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Start();
  F.Cancel([](TForm2& Form) {
    const std::vector<std::pair<int, TCheckBox*>> Boxes = {
        {Preferences, &Form.ScanAtStartupCheckBox},
        {Preferences, &Form.ShowStatisticsAfterDeletingFilesCheckBox},
        {Advanced, &Form.LimitSearchDepthCheckBox},
        {Advanced, &Form.RestrictSearchCheckBox},
        {Update, &Form.UseProxyServerCheckBox},
    };
    for (const auto& [Page, Box] : Boxes) {
      CAPTURE(WideToUtf8(Box->Text()));
      SelectPage(Form, Page);
      // The far end of the box's row holds no text: only its background.
      RECT Row{};
      GetWindowRect(Box->Handle(), &Row);
      const POINT Blank{Row.right - 2, (Row.top + Row.bottom) / 2};
      const COLORREF Body = PaintedAt(Form.OptionsPageControl.Handle(), Blank);
      CHECK(PaintedAt(Box->Handle(), Blank) == Body);
      CHECK(Body != RGB(255, 0, 255));
    }
  });
}

TEST_CASE("a first start: every default, the system's proxy, a search of everything, the scan at start-up") {
  TOptionsFixture F;
  F.Start();
  TForm2& Form = *F.Form2;

  CheckShown(Form, {
                       {L"ScanAtStartup", L"1"},
                       {L"Recursive", L"1"},
                       {L"PromptBeforeDeletingFiles", L"1"},
                       {L"UseRecycleBinWhenDeletingFiles", L"1"},
                       {L"ShowStatisticsAfterDeletingFiles", L"1"},
                       {L"LimitSearchDepth", L"0"},
                       {L"MaxSearchDepth", L"8/8"},
                       {L"MaxSearchDepth enabled", L"00"},
                       {L"OnlyOlderThan", L"0"},
                       {L"OlderThanDays", L"7/7"},
                       {L"OlderThanDays enabled", L"00"},
                       {L"RestrictSearch", L"0"},
                       {L"Extensions", L"*.tmp=1;*.log=1;*.old=1;*.bak=1"},
                       {L"Extensions enabled", L"0"},
                       {L"UseProxyServer", L"1"},
                       {L"ProxyAddress", L"sys.proxy"},
                       {L"ProxyPort", L"8888"},
                       {L"Proxy enabled", L"11"},
                   });
  CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.*");
  CHECK(F.Form1->VKRFileFind1.Recursive());
  CHECK(F.Proxy() == L"sys.proxy:8888");

  // The scan at start-up found every file but the hidden folder's.
  const TListItem Row = F.Form1->VKRListView1.Item(0);
  CHECK(Row.SubItem(0) == L"1");
  CHECK(Row.SubItem(1) == L"7");
  CHECK(F.Form1->DeleteToolButton.Enabled());
  CHECK(F.Form1->StatusBar1.SimpleText().rfind(L"1 folder(s) - 1 subfolder(s) - 7 file(s) - ", 0) == 0);

  // Nothing is stored until the user confirms.
  CHECK_FALSE(F.Registry.KeyExists(L"Options"));
  CHECK_FALSE(F.Registry.KeyExists(L"Extensions"));
  F.Cancel([](TForm2&) {});
  CHECK_FALSE(F.Registry.KeyExists(L"Options"));
  CHECK_FALSE(F.Registry.KeyExists(L"Extensions"));
}

TEST_CASE("the main window holds the stored options in force; the dialog is made only when first opened") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Options", L"Recursive", 0);
  F.Registry.WriteDword(L"Options", L"RestrictSearch", 1);
  F.Registry.WriteDword(L"Extensions", L"*.log", 1);
  F.Registry.WriteDword(L"Extensions", L"*.tmp", 0);
  TForm1Options Options;
  Options.RegistryKey = F.Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(F.Registry);
  Options.SingleInstance = false;
  F.Form1 = std::make_unique<TForm1>(Options);
  const auto OptionsWindows = [] {
    int Count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND Window, LPARAM Found) {
          wchar_t Text[16] = L"";
          GetWindowTextW(Window, Text, 16);
          if (std::wstring(Text) == L"Options") ++*reinterpret_cast<int*>(Found);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&Count));
    return Count;
  };
  CHECK(OptionsWindows() == 0);
  CHECK_FALSE(F.Form1->Options().Recursive);
  CHECK_FALSE(F.Form1->VKRFileFind1.Recursive());
  CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.log");
  F.Form1->StartupScan();
  CHECK(F.ScannedFiles() == L"?");

  F.Form2 = &F.Form1->OptionsDialog();
  CHECK(OptionsWindows() == 1);
  CHECK(&F.Form1->OptionsDialog() == F.Form2);
  CHECK_FALSE(F.Form2->RecursiveCheckBox.Checked());
}

TEST_CASE("the proxy options nothing is stored of take the system's proxy, with or without the dialog") {
  struct TCase {
    const char* What;
    const wchar_t* StoredAddress;  // nullptr: not stored
    bool OpenDialog;
    std::wstring Proxy;  // what the update component and the options in force hold
  };
  const std::vector<TCase> Cases = {
      {"nothing stored, the options read", nullptr, false, L"sys.proxy:8888"},
      {"nothing stored, the dialog opened", nullptr, true, L"sys.proxy:8888"},
      {"the address stored", L"own.example", false, L"own.example:8888"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    TOptionsFixture F;
    F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    if (Case.StoredAddress != nullptr) F.Registry.WriteString(L"Options", L"ProxyAddress", Case.StoredAddress);
    TForm1Options Options;
    Options.RegistryKey = F.Registry.KeyPath();
    Options.PolicyRoots = PrivatePolicyRoots(F.Registry);
    Options.SingleInstance = false;
    F.Form1 = std::make_unique<TForm1>(Options);
    if (Case.OpenDialog) F.Form2 = &F.Form1->OptionsDialog();
    const TOptions& InForce = F.Form1->Options();
    CHECK(InForce.UseProxyServer);
    CHECK(InForce.ProxyAddress + L":" + InForce.ProxyPort == Case.Proxy);
    CHECK(F.Proxy() == Case.Proxy);
    if (Case.OpenDialog) CHECK(F.Form2->ProxyAddressEdit.Text() + L":" + F.Form2->ProxyPortEdit.Text() == Case.Proxy);
    // Reading the system's proxy stores nothing.
    CHECK_FALSE(F.Registry.ReadRaw(L"Options", L"ProxyPort").has_value());
  }
}

TEST_CASE("\"Scan at startup\" off: the rows stay unscanned") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Start();
  CHECK_FALSE(F.Form2->ScanAtStartupCheckBox.Checked());
  CHECK(F.ScannedFiles() == L"?");
  CHECK(F.Form1->StatusBar1.SimpleText() == L"1 folder(s) - ? subfolder(s) - ? file(s) - ? KB");
}

TEST_CASE("OK stores every option in its registry form and applies it") {
  TOptionsFixture F;
  F.Start();
  F.Ok([](TForm2& Form) {
    Click(Form.PromptBeforeDeletingFilesCheckBox);
    Click(Form.ShowStatisticsAfterDeletingFilesCheckBox);
    SelectPage(Form, Advanced);
    Click(Form.LimitSearchDepthCheckBox);
    Type(Form.MaxSearchDepthEdit, L"12");
    Click(Form.OnlyOlderThanCheckBox);
    Type(Form.OlderThanDaysEdit, L"30");
    Click(Form.RestrictSearchCheckBox);
    ClickMark(Form.ExtensionsCheckListBox, 1);
    ClickMark(Form.ExtensionsCheckListBox, 2);
    SelectPage(Form, Update);
    Type(Form.ProxyAddressEdit, L"typed.host");
    Type(Form.ProxyPortEdit, L"3128");
  });

  const std::vector<std::pair<std::wstring, TStored>> Expected = {
      {L"ScanAtStartup", Dword(1)},
      {L"Recursive", Dword(1)},
      {L"PromptBeforeDeletingFiles", Dword(0)},
      {L"UseRecycleBinWhenDeletingFiles", Dword(1)},
      {L"ShowStatisticsAfterDeletingFiles", Dword(0)},
      {L"LimitSearchDepth", Dword(1)},
      {L"MaxSearchDepth", Dword(12)},
      {L"OnlyOlderThan", Dword(1)},
      {L"OlderThanDays", Dword(30)},
      {L"RestrictSearch", Dword(1)},
      {L"UseProxyServer", Dword(1)},
      {L"ProxyAddress", Sz(L"typed.host")},
      {L"ProxyPort", Sz(L"3128")},
  };
  std::vector<std::wstring> Names;
  for (const auto& [Name, Value] : Expected) {
    CheckStored(F.Registry, L"Options", Name, Value);
    Names.push_back(Name);
  }
  std::vector<std::wstring> StoredNames = F.Registry.ValueNames(L"Options");
  std::sort(Names.begin(), Names.end());
  std::sort(StoredNames.begin(), StoredNames.end());
  CHECK(StoredNames == Names);

  std::vector<std::wstring> Extensions = F.Registry.ValueNames(L"Extensions");
  std::sort(Extensions.begin(), Extensions.end());
  CHECK(Extensions == std::vector<std::wstring>{L"*.bak", L"*.log", L"*.old", L"*.tmp"});
  CheckStored(F.Registry, L"Extensions", L"*.tmp", Dword(1));
  CheckStored(F.Registry, L"Extensions", L"*.log", Dword(0));
  CheckStored(F.Registry, L"Extensions", L"*.old", Dword(0));
  CheckStored(F.Registry, L"Extensions", L"*.bak", Dword(1));
  CHECK(F.Registry.SubKeyNames(L"Extensions").empty());

  // Applied as well as stored.
  CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.tmp;*.bak");
  CHECK(F.Proxy() == L"typed.host:3128");

  // And read back as stored by the next start.
  F.Form2 = nullptr;
  F.Form1.reset();
  F.Start();
  CheckShown(*F.Form2, {
                           {L"PromptBeforeDeletingFiles", L"0"},
                           {L"ShowStatisticsAfterDeletingFiles", L"0"},
                           {L"LimitSearchDepth", L"1"},
                           {L"MaxSearchDepth", L"12/12"},
                           {L"MaxSearchDepth enabled", L"11"},
                           {L"OnlyOlderThan", L"1"},
                           {L"OlderThanDays", L"30/30"},
                           {L"OlderThanDays enabled", L"11"},
                           {L"RestrictSearch", L"1"},
                           {L"Extensions enabled", L"1"},
                           {L"ProxyAddress", L"typed.host"},
                           {L"ProxyPort", L"3128"},
                       });
}

TEST_CASE("the options in force decide what a scan finds") {
  struct TCase {
    std::string Name;
    std::function<void(TForm2&)> Act;
    std::wstring Pattern;
    bool Recursive;
    std::wstring Files;
  };
  const std::vector<TCase> Cases = {
      {"everything, recursively", [](TForm2&) {}, L"*.*", true, L"7"},
      {"not recursive", [](TForm2& Form) { Click(Form.RecursiveCheckBox); }, L"*.*", false, L"5"},
      {"\"*.tmp\" and \"*.bak\" checked",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.RestrictSearchCheckBox);
         ChoosePopupItem(Form.ExtensionsCheckListBox, 2);  // "Uncheck All"
         ClickMark(Form.ExtensionsCheckListBox, 0);
         ClickMark(Form.ExtensionsCheckListBox, 3);
       },
       L"*.tmp;*.bak", true, L"5"},
      {"nothing checked: no pattern, no file",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.RestrictSearchCheckBox);
         ChoosePopupItem(Form.ExtensionsCheckListBox, 2);
       },
       L"", true, L"0"},
      {"a restriction switched off again searches everything",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.RestrictSearchCheckBox);
         ChoosePopupItem(Form.ExtensionsCheckListBox, 2);
         Click(Form.RestrictSearchCheckBox);
       },
       L"*.*", true, L"7"},
      {"depth limited to 1",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.LimitSearchDepthCheckBox);
         Type(Form.MaxSearchDepthEdit, L"1");
       },
       L"*.*", true, L"6"},
      {"depth limited to 0",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.LimitSearchDepthCheckBox);
         Type(Form.MaxSearchDepthEdit, L"0");
       },
       L"*.*", true, L"5"},
      {"a depth typed while the limit is off does not count",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.LimitSearchDepthCheckBox);
         Type(Form.MaxSearchDepthEdit, L"0");
         Click(Form.LimitSearchDepthCheckBox);
       },
       L"*.*", true, L"7"},
      {"only files older than 7 days: the new ones are not counted",
       [](TForm2& Form) {
         SelectPage(Form, Advanced);
         Click(Form.OnlyOlderThanCheckBox);
       },
       L"*.*", true, L"0"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TOptionsFixture F;
    F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    F.Start();
    F.Ok(Case.Act);
    CHECK(F.Form1->VKRFileFind1.FilePattern() == Case.Pattern);
    CHECK(F.Form1->VKRFileFind1.Recursive() == Case.Recursive);
    CHECK(F.Scan() == Case.Files);
    CHECK(F.Form1->DeleteToolButton.Enabled() == (Case.Files != L"0"));
  }
}

TEST_CASE("the check boxes enable the controls that depend on them, by a click or when loaded") {
  using TControlOf = std::function<TControl&(TForm2&)>;
  struct TCase {
    std::string Name;
    int Page;
    TCheckBox TForm2::*Box;
    const wchar_t* Stored;
    std::vector<TControlOf> Dependents;
  };
  const std::vector<TCase> Cases = {
      {"depth limit", Advanced, &TForm2::LimitSearchDepthCheckBox, L"LimitSearchDepth",
       {[](TForm2& Form) -> TControl& { return Form.MaxSearchDepthEdit; },
        [](TForm2& Form) -> TControl& { return Form.MaxSearchDepthUpDown; }}},
      {"age limit", Advanced, &TForm2::OnlyOlderThanCheckBox, L"OnlyOlderThan",
       {[](TForm2& Form) -> TControl& { return Form.OlderThanDaysEdit; },
        [](TForm2& Form) -> TControl& { return Form.OlderThanDaysUpDown; }}},
      {"restriction", Advanced, &TForm2::RestrictSearchCheckBox, L"RestrictSearch",
       {[](TForm2& Form) -> TControl& { return Form.ExtensionsCheckListBox; }}},
      {"proxy", Update, &TForm2::UseProxyServerCheckBox, L"UseProxyServer",
       {[](TForm2& Form) -> TControl& { return Form.ProxyAddressEdit; },
        [](TForm2& Form) -> TControl& { return Form.ProxyPortEdit; }}},
  };
  const auto Enabled = [](TForm2& Form, const TCase& Case) {
    std::wstring States;
    for (const TControlOf& Dependent : Case.Dependents) States += Mark(Dependent(Form).Enabled());
    return States;
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    const std::wstring AllOn(Case.Dependents.size(), L'1');
    const std::wstring AllOff(Case.Dependents.size(), L'0');
    {
      TOptionsFixture F;
      F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
      F.Registry.WriteDword(L"Options", L"UseProxyServer", 0);
      F.Start();
      CHECK(Enabled(*F.Form2, Case) == AllOff);
      F.Cancel([&](TForm2& Form) {
        SelectPage(Form, Case.Page);
        Click(Form.*Case.Box);
        CHECK((Form.*Case.Box).Checked());
        CHECK(Enabled(Form, Case) == AllOn);
        Click(Form.*Case.Box);
        CHECK(Enabled(Form, Case) == AllOff);
        Click(Form.*Case.Box);
      });
      // Cancel reloads the stored state, which runs the rule again.
      CHECK_FALSE((F.Form2->*Case.Box).Checked());
      CHECK(Enabled(*F.Form2, Case) == AllOff);
    }
    {
      TOptionsFixture F;
      F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
      F.Registry.WriteDword(L"Options", Case.Stored, 1);
      F.Start();
      CHECK(Enabled(*F.Form2, Case) == AllOn);
    }
  }
}

TEST_CASE("the extension list: marks by click, \"Check All\" and \"Uncheck All\" from its popup menu") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Options", L"RestrictSearch", 1);
  F.Registry.WriteDword(L"Extensions", L"*.bak", 0);
  F.Registry.WriteDword(L"Extensions", L"*.tmp", 1);
  F.Registry.WriteDword(L"Extensions", L"*.zip", 0);
  F.Start();
  TCheckListBox& List = F.Form2->ExtensionsCheckListBox;
  // The stored items replace the designed ones, in the registry's order (Wine sorts them).
  CHECK(ListText(List) == L"*.bak=0;*.tmp=1;*.zip=0");
  CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.tmp");

  F.Ok([](TForm2& Form) {
    SelectPage(Form, Advanced);
    TCheckListBox& Extensions = Form.ExtensionsCheckListBox;
    ChoosePopupItem(Extensions, 1);
    CHECK(ListText(Extensions) == L"*.bak=1;*.tmp=1;*.zip=1");
    ChoosePopupItem(Extensions, 2);
    CHECK(ListText(Extensions) == L"*.bak=0;*.tmp=0;*.zip=0");
    ClickMark(Extensions, 2);
    ClickMark(Extensions, 0);
    ClickMark(Extensions, 0);
    CHECK(ListText(Extensions) == L"*.bak=0;*.tmp=0;*.zip=1");
    // The menu items run the same commands.
    Form.Checkall1.Click();
    CHECK(ListText(Extensions) == L"*.bak=1;*.tmp=1;*.zip=1");
    Form.Uncheckall1.Click();
    ClickMark(Extensions, 2);
  });
  CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.zip");
  CheckStored(F.Registry, L"Extensions", L"*.bak", Dword(0));
  CheckStored(F.Registry, L"Extensions", L"*.tmp", Dword(0));
  CheckStored(F.Registry, L"Extensions", L"*.zip", Dword(1));
}

TEST_CASE("Cancel, Escape and closing the window put back every stored option and write nothing") {
  struct TCase {
    std::string Name;
    std::function<void(TForm2&)> Close;
  };
  const std::vector<TCase> Cases = {
      {"Cancel button", [](TForm2& Form) { Click(Form.CancelButton); }},
      {"Escape key", [](TForm2& Form) { PressKey(Form, VK_ESCAPE); }},
      {"title bar", [](TForm2& Form) { SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TOptionsFixture F;
    TRegistryFixture& R = F.Registry;
    R.WriteDword(L"Options", L"ScanAtStartup", 0);
    R.WriteDword(L"Options", L"Recursive", 0);
    R.WriteDword(L"Options", L"PromptBeforeDeletingFiles", 1);
    R.WriteDword(L"Options", L"UseRecycleBinWhenDeletingFiles", 0);
    R.WriteDword(L"Options", L"ShowStatisticsAfterDeletingFiles", 1);
    R.WriteDword(L"Options", L"LimitSearchDepth", 1);
    R.WriteDword(L"Options", L"MaxSearchDepth", 3);
    R.WriteDword(L"Options", L"RestrictSearch", 1);
    R.WriteDword(L"Extensions", L"*.log", 0);
    R.WriteDword(L"Extensions", L"*.tmp", 1);
    R.WriteDword(L"Options", L"UseProxyServer", 1);
    R.WriteString(L"Options", L"ProxyAddress", L"stored.host");
    R.WriteString(L"Options", L"ProxyPort", L"3128");
    F.Start();
    const std::map<std::wstring, std::wstring> Before = Shown(*F.Form2);
    const std::vector<std::wstring> Stored = Dump(R);
    CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.tmp");
    CHECK_FALSE(F.Form1->VKRFileFind1.Recursive());
    CHECK(F.Proxy() == L"stored.host:3128");

    F.ShowOptions(
        [](TForm2& Form) {
          for (TCheckBox* Box :
               {&Form.ScanAtStartupCheckBox, &Form.RecursiveCheckBox, &Form.PromptBeforeDeletingFilesCheckBox,
                &Form.UseRecycleBinWhenDeletingFilesCheckBox, &Form.ShowStatisticsAfterDeletingFilesCheckBox})
            Click(*Box);
          SelectPage(Form, Advanced);
          Type(Form.MaxSearchDepthEdit, L"40");
          ChoosePopupItem(Form.ExtensionsCheckListBox, 1);
          Click(Form.RestrictSearchCheckBox);
          Click(Form.LimitSearchDepthCheckBox);
          SelectPage(Form, Update);
          Type(Form.ProxyAddressEdit, L"typed.host");
          Type(Form.ProxyPortEdit, L"1");
          Click(Form.UseProxyServerCheckBox);
          // What the dialog shows while it is open has changed everywhere.
          const std::map<std::wstring, std::wstring> Now = Shown(Form);
          CHECK(Now.at(L"ScanAtStartup") == L"1");
          CHECK(Now.at(L"MaxSearchDepth") == L"40/40");
          CHECK(Now.at(L"Extensions") == L"*.log=1;*.tmp=1");
          CHECK(Now.at(L"ProxyAddress") == L"typed.host");
        },
        Case.Close);

    CHECK(Shown(*F.Form2) == Before);
    CHECK(Dump(R) == Stored);
    CHECK(F.Form1->VKRFileFind1.FilePattern() == L"*.tmp");
    CHECK_FALSE(F.Form1->VKRFileFind1.Recursive());
    CHECK(F.Proxy() == L"stored.host:3128");
  }
}

TEST_CASE("Enter closes the dialog as OK does") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Start();
  F.ShowOptions(
      [](TForm2& Form) {
        Click(Form.RecursiveCheckBox);
        PressKey(Form, VK_RETURN);
      },
      nullptr);
  CheckStored(F.Registry, L"Options", L"Recursive", Dword(0));
  CHECK_FALSE(F.Form1->VKRFileFind1.Recursive());
}

TEST_CASE("every showing starts on the first page") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Start();
  F.Ok([](TForm2& Form) { SelectPage(Form, Update); });
  F.Cancel([](TForm2& Form) {
    CHECK(Form.OptionsPageControl.ActivePageIndex() == Preferences);
    CHECK(Form.ScanAtStartupCheckBox.Visible());
    CHECK_FALSE(Form.UseProxyServerCheckBox.Visible());
  });
}

TEST_CASE("proxy off: the update component gets no proxy, yet the typed texts are kept") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Options", L"UseProxyServer", 0);
  F.Registry.WriteString(L"Options", L"ProxyAddress", L"stored.host");
  F.Registry.WriteString(L"Options", L"ProxyPort", L"3128");
  F.Start();
  CheckShown(*F.Form2, {{L"UseProxyServer", L"0"},
                        {L"ProxyAddress", L"stored.host"},
                        {L"ProxyPort", L"3128"},
                        {L"Proxy enabled", L"00"}});
  CHECK(F.Proxy() == L":80");

  F.Ok([](TForm2& Form) {
    SelectPage(Form, Update);
    Click(Form.UseProxyServerCheckBox);
    Type(Form.ProxyAddressEdit, L"typed.host");
    Type(Form.ProxyPortEdit, L"8081");
    Click(Form.UseProxyServerCheckBox);
  });
  CHECK(F.Proxy() == L":80");
  CheckStored(F.Registry, L"Options", L"UseProxyServer", Dword(0));
  CheckStored(F.Registry, L"Options", L"ProxyAddress", Sz(L"typed.host"));
  CheckStored(F.Registry, L"Options", L"ProxyPort", Sz(L"8081"));

  // Switched on later, the kept texts are the proxy.
  F.Ok([](TForm2& Form) {
    SelectPage(Form, Update);
    Click(Form.UseProxyServerCheckBox);
  });
  CHECK(F.Proxy() == L"typed.host:8081");
}

TEST_CASE("the Update page's \"Default\" turns the proxy off and empties it") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Options", L"UseProxyServer", 1);
  F.Registry.WriteString(L"Options", L"ProxyAddress", L"stored.host");
  F.Registry.WriteString(L"Options", L"ProxyPort", L"3128");
  F.Start();
  const std::map<std::wstring, std::wstring> Before = Shown(*F.Form2);
  F.Ok([&](TForm2& Form) {
    SelectPage(Form, Update);
    Click(Form.UpdateDefaultButton);
    std::map<std::wstring, std::wstring> Expected = Before;
    Expected[L"UseProxyServer"] = L"0";
    Expected[L"ProxyAddress"] = L"";
    Expected[L"ProxyPort"] = L"80";
    Expected[L"Proxy enabled"] = L"00";
    CHECK(Shown(Form) == Expected);
  });
  CHECK(F.Proxy() == L":80");
  CheckStored(F.Registry, L"Options", L"UseProxyServer", Dword(0));
  CheckStored(F.Registry, L"Options", L"ProxyAddress", Sz(L""));
  CheckStored(F.Registry, L"Options", L"ProxyPort", Sz(L"80"));
}

TEST_CASE("the \"IE\" button copies the system's proxy into the page") {
  struct TCase {
    std::string Name;
    bool Enable;
    std::wstring Server;
    std::map<std::wstring, std::wstring> Shown;
    std::wstring Applied;
  };
  const std::vector<TCase> Cases = {
      {"one proxy for every scheme", true, L"sys.proxy:8888",
       {{L"UseProxyServer", L"1"}, {L"ProxyAddress", L"sys.proxy"}, {L"ProxyPort", L"8888"}, {L"Proxy enabled", L"11"}},
       L"sys.proxy:8888"},
      {"the http entry of a list", true, L"ftp=f:21;http=h:3128",
       {{L"UseProxyServer", L"1"}, {L"ProxyAddress", L"h"}, {L"ProxyPort", L"3128"}, {L"Proxy enabled", L"11"}},
       L"h:3128"},
      {"a proxy the system does not use", false, L"sys.proxy:8888",
       {{L"UseProxyServer", L"0"}, {L"ProxyAddress", L"sys.proxy"}, {L"ProxyPort", L"8888"}, {L"Proxy enabled", L"00"}},
       L":80"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    if (!Case.Enable && EnvironmentNamesProxy()) {
      MESSAGE("http_proxy is set in the environment: Wine reports it instead of the registry");
      continue;
    }
    TOptionsFixture F;
    F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    F.Registry.WriteDword(L"Options", L"UseProxyServer", Case.Enable ? 0 : 1);
    F.Registry.WriteString(L"Options", L"ProxyAddress", L"stored.host");
    F.Registry.WriteString(L"Options", L"ProxyPort", L"1");
    F.Start();
    F.Internet.Set(Case.Enable, Case.Server, L"");
    F.Ok([&](TForm2& Form) {
      SelectPage(Form, Update);
      Click(Form.UpdateIEButton);
      CheckShown(Form, Case.Shown);
    });
    CHECK(F.Proxy() == Case.Applied);
    CheckStored(F.Registry, L"Options", L"ProxyAddress", Sz(Case.Shown.at(L"ProxyAddress")));
    CheckStored(F.Registry, L"Options", L"ProxyPort", Sz(Case.Shown.at(L"ProxyPort")));
  }
}

TEST_CASE("the Advanced page's \"Default\" sets the depth to 8 and nothing else") {
  TOptionsFixture F;
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Registry.WriteDword(L"Options", L"Recursive", 0);
  F.Registry.WriteDword(L"Options", L"LimitSearchDepth", 1);
  F.Registry.WriteDword(L"Options", L"MaxSearchDepth", 20);
  F.Registry.WriteDword(L"Options", L"RestrictSearch", 1);
  F.Registry.WriteDword(L"Extensions", L"*.log", 0);
  F.Registry.WriteDword(L"Extensions", L"*.tmp", 1);
  F.Start();
  const std::map<std::wstring, std::wstring> Before = Shown(*F.Form2);
  CHECK(Before.at(L"MaxSearchDepth") == L"20/20");
  F.Ok([&](TForm2& Form) {
    SelectPage(Form, Advanced);
    Click(Form.AdvancedDefaultButton);
    std::map<std::wstring, std::wstring> Expected = Before;
    Expected[L"MaxSearchDepth"] = L"8/8";
    CHECK(Shown(Form) == Expected);
  });
  CheckStored(F.Registry, L"Options", L"MaxSearchDepth", Dword(8));
  CheckStored(F.Registry, L"Options", L"LimitSearchDepth", Dword(1));
  CheckStored(F.Registry, L"Extensions", L"*.log", Dword(0));
}

TEST_CASE("the up-down and its edit show and set one depth, within 0 to 128") {
  struct TCase {
    std::string Name;
    std::function<void(TForm2&)> Act;
    std::wstring Shown;
    uint32_t Stored;
  };
  const auto ClickArrow = [](TForm2& Form, bool Up) {
    RECT Arrows{};
    GetClientRect(Form.MaxSearchDepthUpDown.Handle(), &Arrows);
    const POINT At{Arrows.right / 2, Up ? Arrows.bottom / 4 : Arrows.bottom * 3 / 4};
    ClickAt(Form.MaxSearchDepthUpDown.Handle(), At);
  };
  const std::vector<TCase> Cases = {
      {"up arrow", [&](TForm2& Form) { ClickArrow(Form, true); }, L"9/9", 9},
      {"down arrow", [&](TForm2& Form) { ClickArrow(Form, false); }, L"7/7", 7},
      {"arrow key in the edit",
       [](TForm2& Form) {
         Form.MaxSearchDepthEdit.SetFocus();
         SendMessageW(Form.MaxSearchDepthEdit.Handle(), WM_KEYDOWN, VK_UP, 0);
         SendMessageW(Form.MaxSearchDepthEdit.Handle(), WM_KEYUP, VK_UP, 0);
       },
       L"9/9", 9},
      {"typed depth", [](TForm2& Form) { Type(Form.MaxSearchDepthEdit, L"100"); }, L"100/100", 100},
      {"typed beyond the range: the nearer end", [](TForm2& Form) { Type(Form.MaxSearchDepthEdit, L"999"); },
       L"128/128", 128},
      {"an emptied edit reads as 0", [](TForm2& Form) { Type(Form.MaxSearchDepthEdit, L""); }, L"0/0", 0},
      {"more digits than any depth: the top", [](TForm2& Form) { Type(Form.MaxSearchDepthEdit, L"99999999999"); },
       L"128/128", 128},
      {"letters are refused", [](TForm2& Form) { Type(Form.MaxSearchDepthEdit, L"x5"); }, L"5/5", 5},
      {"up arrow at the top stays at 128",
       [&](TForm2& Form) {
         Type(Form.MaxSearchDepthEdit, L"128");
         ClickArrow(Form, true);
       },
       L"128/128", 128},
      {"down arrow at the bottom stays at 0",
       [&](TForm2& Form) {
         Type(Form.MaxSearchDepthEdit, L"0");
         ClickArrow(Form, false);
       },
       L"0/0", 0},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TOptionsFixture F;
    F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    F.Registry.WriteDword(L"Options", L"LimitSearchDepth", 1);
    F.Start();
    F.Ok([&](TForm2& Form) {
      SelectPage(Form, Advanced);
      Case.Act(Form);
    });
    CHECK(Shown(*F.Form2).at(L"MaxSearchDepth") == Case.Shown);
    CheckStored(F.Registry, L"Options", L"MaxSearchDepth", Dword(Case.Stored));
  }
}

TEST_CASE("the days: typed numbers are kept within 1 to 3650") {
  struct TCase {
    const char* Typed;
    const wchar_t* Text;
    std::wstring Shown;
    uint32_t Stored;
  };
  const TCase Cases[] = {
      {"30", L"30", L"30/30", 30},
      {"0", L"0", L"1/1", 1},
      {"3651", L"3651", L"3650/3650", 3650},
      {"more digits than any number", L"99999999999", L"3650/3650", 3650},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Typed);
    TOptionsFixture F;
    F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    F.Registry.WriteDword(L"Options", L"OnlyOlderThan", 1);
    F.Start();
    F.Ok([&](TForm2& Form) {
      SelectPage(Form, Advanced);
      Type(Form.OlderThanDaysEdit, Case.Text);
    });
    CHECK(Shown(*F.Form2).at(L"OlderThanDays") == Case.Shown);
    CheckStored(F.Registry, L"Options", L"OlderThanDays", Dword(Case.Stored));
  }
}

TEST_CASE("a stored option of the wrong kind takes its default; the program still starts and scans") {
  // Every option stored away from its default; each case spoils one.
  const auto StoreAll = [](TRegistryFixture& R) {
    R.WriteDword(L"Options", L"ScanAtStartup", 1);
    R.WriteDword(L"Options", L"Recursive", 0);
    R.WriteDword(L"Options", L"PromptBeforeDeletingFiles", 0);
    R.WriteDword(L"Options", L"UseRecycleBinWhenDeletingFiles", 0);
    R.WriteDword(L"Options", L"ShowStatisticsAfterDeletingFiles", 0);
    R.WriteDword(L"Options", L"LimitSearchDepth", 1);
    R.WriteDword(L"Options", L"MaxSearchDepth", 5);
    R.WriteDword(L"Options", L"OnlyOlderThan", 0);
    R.WriteDword(L"Options", L"OlderThanDays", 30);
    R.WriteDword(L"Options", L"RestrictSearch", 0);
    R.WriteDword(L"Extensions", L"*.tmp", 1);
    R.WriteDword(L"Extensions", L"*.zip", 0);
    R.WriteDword(L"Options", L"UseProxyServer", 0);
    R.WriteString(L"Options", L"ProxyAddress", L"stored.host");
    R.WriteString(L"Options", L"ProxyPort", L"3128");
  };
  const std::map<std::wstring, std::wstring> AsStored = {
      {L"ScanAtStartup", L"1"},
      {L"Recursive", L"0"},
      {L"PromptBeforeDeletingFiles", L"0"},
      {L"UseRecycleBinWhenDeletingFiles", L"0"},
      {L"ShowStatisticsAfterDeletingFiles", L"0"},
      {L"LimitSearchDepth", L"1"},
      {L"MaxSearchDepth", L"5/5"},
      {L"MaxSearchDepth enabled", L"11"},
      {L"OnlyOlderThan", L"0"},
      {L"OlderThanDays", L"30/30"},
      {L"OlderThanDays enabled", L"00"},
      {L"RestrictSearch", L"0"},
      {L"Extensions", L"*.tmp=1;*.zip=0"},
      {L"Extensions enabled", L"0"},
      {L"UseProxyServer", L"0"},
      {L"ProxyAddress", L"stored.host"},
      {L"ProxyPort", L"3128"},
      {L"Proxy enabled", L"00"},
  };

  const std::wstring Hello = L"hello";
  const std::vector<uint8_t> MultiSz = {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0};
  const std::vector<uint8_t> One = {1, 0, 0, 0};
  const std::vector<uint8_t> LongDword = {1, 0, 0, 0, 0, 0, 0, 0};
  struct TCase {
    std::string Name;
    std::wstring Key;
    std::wstring Value;
    DWORD Type;
    std::vector<uint8_t> Data;
    std::map<std::wstring, std::wstring> Shown;  // what differs from AsStored
  };
  const std::vector<TCase> Cases = {
      {"text for a Boolean", L"Options", L"ScanAtStartup", REG_SZ, Bytes(Hello), {}},
      {"empty text for a Boolean", L"Options", L"LimitSearchDepth", REG_SZ, Bytes(std::wstring()),
       {{L"LimitSearchDepth", L"0"}, {L"MaxSearchDepth enabled", L"00"}}},
      {"binary data for a Boolean", L"Options", L"Recursive", REG_BINARY, One, {{L"Recursive", L"1"}}},
      {"a list of texts for a Boolean", L"Options", L"PromptBeforeDeletingFiles", REG_MULTI_SZ, MultiSz,
       {{L"PromptBeforeDeletingFiles", L"1"}}},
      {"eight bytes for a Boolean", L"Options", L"UseRecycleBinWhenDeletingFiles", REG_QWORD, LongDword,
       {{L"UseRecycleBinWhenDeletingFiles", L"1"}}},
      {"a number as text for a Boolean is that number", L"Options", L"ShowStatisticsAfterDeletingFiles", REG_SZ,
       Bytes(std::wstring(L"1")), {{L"ShowStatisticsAfterDeletingFiles", L"1"}}},
      {"\"True\" for a Boolean", L"Options", L"RestrictSearch", REG_SZ, Bytes(std::wstring(L"True")),
       {{L"RestrictSearch", L"1"}, {L"Extensions enabled", L"1"}}},
      {"any number but 0 is true", L"Options", L"UseProxyServer", REG_DWORD, Bytes(uint32_t{7}),
       {{L"UseProxyServer", L"1"}, {L"Proxy enabled", L"11"}}},
      {"binary data for the proxy switch: the system's", L"Options", L"UseProxyServer", REG_BINARY, One,
       {{L"UseProxyServer", L"1"}, {L"Proxy enabled", L"11"}}},
      {"text for the depth", L"Options", L"MaxSearchDepth", REG_SZ, Bytes(Hello), {{L"MaxSearchDepth", L"8/8"}}},
      {"a number as text for the depth", L"Options", L"MaxSearchDepth", REG_SZ, Bytes(std::wstring(L"12")),
       {{L"MaxSearchDepth", L"12/12"}}},
      {"binary data for the depth", L"Options", L"MaxSearchDepth", REG_BINARY, One, {{L"MaxSearchDepth", L"8/8"}}},
      {"a list of texts for the depth", L"Options", L"MaxSearchDepth", REG_MULTI_SZ, MultiSz,
       {{L"MaxSearchDepth", L"8/8"}}},
      {"a depth of eight bytes", L"Options", L"MaxSearchDepth", REG_DWORD, LongDword, {{L"MaxSearchDepth", L"8/8"}}},
      {"a depth of -5", L"Options", L"MaxSearchDepth", REG_DWORD, Bytes(static_cast<uint32_t>(-5)),
       {{L"MaxSearchDepth", L"0/0"}}},
      {"a depth of 100000", L"Options", L"MaxSearchDepth", REG_DWORD, Bytes(uint32_t{100000}),
       {{L"MaxSearchDepth", L"128/128"}}},
      {"a depth of 4294967295", L"Options", L"MaxSearchDepth", REG_DWORD, Bytes(uint32_t{0xFFFFFFFF}),
       {{L"MaxSearchDepth", L"0/0"}}},
      {"a depth of 99999999999 as text", L"Options", L"MaxSearchDepth", REG_SZ,
       Bytes(std::wstring(L"99999999999")), {{L"MaxSearchDepth", L"8/8"}}},
      {"text for the age switch", L"Options", L"OnlyOlderThan", REG_SZ, Bytes(Hello), {}},
      {"\"True\" for the age switch", L"Options", L"OnlyOlderThan", REG_SZ, Bytes(std::wstring(L"True")),
       {{L"OnlyOlderThan", L"1"}, {L"OlderThanDays enabled", L"11"}}},
      {"text for the days", L"Options", L"OlderThanDays", REG_SZ, Bytes(Hello), {{L"OlderThanDays", L"7/7"}}},
      {"binary data for the days", L"Options", L"OlderThanDays", REG_BINARY, One, {{L"OlderThanDays", L"7/7"}}},
      {"a number as text for the days", L"Options", L"OlderThanDays", REG_SZ, Bytes(std::wstring(L"12")),
       {{L"OlderThanDays", L"12/12"}}},
      {"0 days", L"Options", L"OlderThanDays", REG_DWORD, Bytes(uint32_t{0}), {{L"OlderThanDays", L"1/1"}}},
      {"a negative number of days", L"Options", L"OlderThanDays", REG_DWORD, Bytes(static_cast<uint32_t>(-5)),
       {{L"OlderThanDays", L"1/1"}}},
      {"100000 days", L"Options", L"OlderThanDays", REG_DWORD, Bytes(uint32_t{100000}),
       {{L"OlderThanDays", L"3650/3650"}}},
      {"days of eight bytes", L"Options", L"OlderThanDays", REG_QWORD, LongDword, {{L"OlderThanDays", L"7/7"}}},
      {"binary data for the address: the system's", L"Options", L"ProxyAddress", REG_BINARY, One,
       {{L"ProxyAddress", L"sys.proxy"}}},
      {"a list of texts for the port: the system's", L"Options", L"ProxyPort", REG_MULTI_SZ, MultiSz,
       {{L"ProxyPort", L"8888"}}},
      {"a number for the port is its text", L"Options", L"ProxyPort", REG_DWORD, Bytes(uint32_t{8080}),
       {{L"ProxyPort", L"8080"}}},
      {"a text without its closing zero", L"Options", L"ProxyAddress", REG_SZ, {'n', 0, 'o', 0, 'z', 0},
       {{L"ProxyAddress", L"noz"}}},
      {"a text of an odd number of bytes", L"Options", L"ProxyAddress", REG_SZ, {'o', 0, 'd', 0, 'd'},
       {{L"ProxyAddress", L"od"}}},
      {"an expandable text for the address", L"Options", L"ProxyAddress", REG_EXPAND_SZ,
       Bytes(std::wstring(L"expand.host")), {{L"ProxyAddress", L"expand.host"}}},
      // A mark that cannot be read leaves its pattern unchecked and the others as stored.
      {"a text among the extension marks", L"Extensions", L"*.log", REG_SZ, Bytes(std::wstring(L"1")),
       {{L"Extensions", L"*.log=0;*.tmp=1;*.zip=0"}}},
      {"binary data among the extension marks", L"Extensions", L"*.aaa", REG_BINARY, One,
       {{L"Extensions", L"*.aaa=0;*.tmp=1;*.zip=0"}}},
      {"an extension mark of eight bytes", L"Extensions", L"*.zip", REG_DWORD, LongDword,
       {{L"Extensions", L"*.tmp=1;*.zip=0"}}},
  };

  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TOptionsFixture F;
    StoreAll(F.Registry);
    F.Registry.WriteRaw(Case.Key, Case.Value, Case.Type, Case.Data.data(), static_cast<DWORD>(Case.Data.size()));
    F.Start();

    std::map<std::wstring, std::wstring> Expected = AsStored;
    for (const auto& [Name, Value] : Case.Shown) Expected[Name] = Value;
    CHECK(Shown(*F.Form2) == Expected);
    // The scan at start-up ran with the options it could read.
    const bool Recursive = Expected.at(L"Recursive") == L"1";
    const bool Restricted = Expected.at(L"RestrictSearch") == L"1";
    const bool NewFilesOnly = Expected.at(L"OnlyOlderThan") == L"1";  // the fixture's files are all new
    CHECK(F.ScannedFiles() == (NewFilesOnly ? L"0" : Restricted ? L"2" : Recursive ? L"7" : L"5"));

    // The next OK leaves only clean values behind.
    F.Ok([](TForm2&) {});
    for (const auto& [Name, Value] : Expected) {
      if (Name.find(L' ') != std::wstring::npos || Name == L"Extensions") continue;
      CAPTURE(WideToUtf8(Name));
      const auto Stored = F.Registry.ReadRaw(L"Options", Name);
      REQUIRE(Stored);
      if (Name == L"ProxyAddress" || Name == L"ProxyPort") {
        CHECK(Stored->Type == REG_SZ);
        CHECK(Stored->AsString() == Value);
      } else if (Name == L"MaxSearchDepth" || Name == L"OlderThanDays") {
        CHECK(Stored->Type == REG_DWORD);
        CHECK(Stored->Data.size() == 4);
        CHECK(std::to_wstring(Stored->AsDword()) + L"/" + std::to_wstring(Stored->AsDword()) == Value);
      } else {
        CHECK(Stored->Type == REG_DWORD);
        CHECK(Stored->Data.size() == 4);
        CHECK(Mark(Stored->AsDword() != 0) == Value);
        CHECK(Stored->AsDword() <= 1);
      }
    }
    for (const std::wstring& Name : F.Registry.ValueNames(L"Extensions")) {
      CAPTURE(WideToUtf8(Name));
      const auto Stored = F.Registry.ReadRaw(L"Extensions", Name);
      CHECK(Stored->Type == REG_DWORD);
      CHECK(Stored->Data.size() == 4);
    }
    CHECK(ListText(F.Form2->ExtensionsCheckListBox) == Expected.at(L"Extensions"));
  }
}

TEST_CASE("the extension marks a load finds: a lost list never widens what Delete removes, a saved one is whole") {
  struct TCase {
    const char* Name;
    std::function<void(TRegistryFixture&)> Store;
    std::wstring Marks;  // what the check list shows after the load
    std::wstring Pattern;  // what the search then looks for
  };
  const auto Restrict = [](TRegistryFixture& Registry, bool On) {
    Registry.WriteDword(L"Options", L"RestrictSearch", On ? 1 : 0);
  };
  const auto Marks = [](TRegistryFixture& Registry, const wchar_t* Key, std::vector<std::pair<const wchar_t*, int>> Values) {
    for (const auto& [Name, Mark] : Values) Registry.WriteDword(Key, Name, static_cast<uint32_t>(Mark));
  };
  const TCase Cases[] = {
      {"a first start: the design list, all checked", [](TRegistryFixture&) {}, L"*.tmp=1;*.log=1;*.old=1;*.bak=1",
       L"*.*"},
      {"restriction stored off, marks missing: all checked, nothing restricted",
       [&](TRegistryFixture& R) { Restrict(R, false); }, L"*.tmp=1;*.log=1;*.old=1;*.bak=1", L"*.*"},
      {"restriction stored on, marks missing: nothing checked, nothing found",
       [&](TRegistryFixture& R) { Restrict(R, true); }, L"*.tmp=0;*.log=0;*.old=0;*.bak=0", L""},
      {"a save that ended before its journal was complete: the old marks",
       [&](TRegistryFixture& R) {
         Restrict(R, true);
         Marks(R, L"Extensions", {{L"*.tmp", 1}, {L"*.log", 0}});
         Marks(R, L"Extensions.saving", {{L"*.tmp", 1}, {L"*.log", 1}});
       },
       L"*.log=0;*.tmp=1", L"*.tmp"},
      {"a save that ended after its journal was complete: the new marks",
       [&](TRegistryFixture& R) {
         Restrict(R, true);
         Marks(R, L"Extensions", {{L"*.tmp", 1}, {L"*.log", 0}});
         Marks(R, L"Extensions.saving", {{L"*.tmp", 0}, {L"*.log", 1}});
         R.WriteString(L"Extensions.saving", L"", L"complete");
       },
       L"*.log=1;*.tmp=0", L"*.log"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TOptionsFixture F;
    F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    Case.Store(F.Registry);
    F.Start();
    CHECK(ListText(F.Form2->ExtensionsCheckListBox) == Case.Marks);
    CHECK(F.Form1->VKRFileFind1.FilePattern() == Case.Pattern);
    CHECK_FALSE(F.Registry.KeyExists(L"Extensions.saving"));
  }
}
