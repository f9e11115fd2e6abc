#include <doctest.h>

#include "app/QuenloUnit1.h"
#include "framework/BrowseFolder.h"
#include "framework/Text.h"
#include "options/QuenloUnit2.h"
#include "support/PrivatePolicies.h"
#include "support/ModalAnswer.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

// The main window on a private key, listing "list" of a private folder:
//   a.tmp  b.lock  c.tmp  sub\d.tmp
struct TKeepPageFixture {
  TTempDir Temp;
  TRegistryFixture Registry;
  std::unique_ptr<TForm1> Form1;

  TKeepPageFixture() {
    for (const wchar_t* Name : {L"list\\a.tmp", L"list\\b.lock", L"list\\c.tmp", L"list\\sub\\d.tmp"})
      Temp.MakeFile(Name, 10);
    Registry.WriteString(L"Locations", L"Item0", Temp / L"list");
    Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    TForm1Options Options;
    Options.RegistryKey = Registry.KeyPath();
    Options.PolicyRoots = PrivatePolicyRoots(Registry);
    Options.SingleInstance = false;
    Form1 = std::make_unique<TForm1>(Options);
    Form1->StartupScan();
  }
  ~TKeepPageFixture() {
    // The search leaves the current directory in the folders it walked.
    wchar_t TempPath[MAX_PATH + 1] = L"";
    GetTempPathW(MAX_PATH + 1, TempPath);
    SetCurrentDirectoryW(TempPath);
  }

  // The Options command, with Act done on the Keep page before Close.
  void ShowKeepPage(const std::function<void(TForm2&)>& Act, bool Ok) {
    TForm2& Form = Form1->OptionsDialog();
    TModalAnswer Answer(Form, [&](TForm&) {
      Form.OptionsPageControl.SetActivePage(Form.KeepTabSheet);
      Act(Form);
      SendMessageW((Ok ? Form.OKButton : Form.CancelButton).Handle(), BM_CLICK, 0, 0);
    });
    Form1->Options1.Click();
    REQUIRE(Answer.Answered());
  }
  std::wstring ScannedFiles() {
    Form1->ScanToolButton.Click();
    return Form1->VKRListView1.Item(0).SubItem(1);
  }
};

void Click(const TControl& Control) { SendMessageW(Control.Handle(), BM_CLICK, 0, 0); }

void Add(TForm2& Form, const std::wstring& Entry) {
  Form.KeepPage.EntryEdit.SetText(Entry);
  Click(Form.KeepPage.AddButton);
}

void Select(TForm2& Form, int Index) {
  SendMessageW(Form.KeepPage.KeepListBox.Handle(), LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
}

}  // namespace

TEST_CASE("the Keep page: entries typed or browsed for, kept exactly as entered, removed; OK stores them") {
  TKeepPageFixture F;
  REQUIRE(F.ScannedFiles() == L"4");
  const std::wstring File = F.Temp / L"list\\a.tmp";
  const std::wstring Folder = F.Temp / L"list\\sub";
  TBrowseFolderHook Browse([&](const TBrowseFolderRequest&, std::wstring& Chosen) {
    Chosen = Folder;
    return true;
  });
  std::vector<std::wstring> Shown;
  std::wstring EverythingNote;
  F.ShowKeepPage(
      [&](TForm2& Form) {
        // Whatever is typed is an entry, blanks and all; a repeated one is
        // not added twice; ";" makes two, and the page says so.
        for (const wchar_t* Entry : {L"*.lock", L"   ", L"", L"a;b", L"trail.", L"*.lock"}) {
          Add(Form, Entry);
          CHECK((Form.KeepPage.NoteLabel.Text().find(L"\"a;b\" was taken as 2 entries") == 0) ==
                (std::wstring(Entry) == L"a;b"));
        }
        CHECK(Form.KeepPage.EverythingLabel.Text() == L"");
        CHECK(Form.KeepPage.RemoveButton.Enabled());
        // "*" keeps everything, and the page says so while it is on the list.
        Add(Form, L"*");
        EverythingNote = Form.KeepPage.EverythingLabel.Text();
        Select(Form, 6);
        Click(Form.KeepPage.RemoveButton);
        CHECK(Form.KeepPage.EverythingLabel.Text() == L"");
        Form.KeepPage.BrowseFile = [&](HWND, std::wstring& Chosen) {
          Chosen = File;
          return true;
        };
        Click(Form.KeepPage.FileButton);
        Click(Form.KeepPage.FolderButton);
        // The blank entry goes again.
        Select(Form, 1);
        Click(Form.KeepPage.RemoveButton);
        Shown = Form.KeepPage.Entries();
      },
      /*Ok=*/true);
  CHECK(EverythingNote.find(L"\"*\"") != std::wstring::npos);
  const std::vector<std::wstring> Expected = {L"*.lock", L"", L"a", L"b", L"trail.", File, Folder};
  CHECK(Shown == Expected);
  CHECK(F.Form1->Options().KeepList == Expected);
  REQUIRE(F.Registry.ValueNames(L"Keep").size() == Expected.size());
  for (size_t i = 0; i < Expected.size(); ++i) {
    const auto Stored = F.Registry.ReadRaw(L"Keep", L"Item" + std::to_wstring(i));
    REQUIRE(Stored);
    CHECK(Stored->Type == REG_SZ);
    CHECK(Stored->AsString() == Expected[i]);
  }
  // b.lock, a.tmp and what sub holds are kept: c.tmp alone is found.
  CHECK(F.ScannedFiles() == L"1");

  // Cancel forgets what the page did.
  // A path that names nothing now is named on the page; the others are not.
  const std::wstring Nowhere = F.Temp / L"list\\gone\\x.tmp";
  std::wstring Note;
  F.ShowKeepPage(
      [&](TForm2& Form) {
        Add(Form, L"c.tmp");
        Add(Form, Nowhere);
        Note = Form.KeepPage.NoteLabel.Text();
      },
      /*Ok=*/false);
  CHECK(Note == L"Names nothing on this PC now: " + Nowhere);
  CHECK(F.Form1->Options().KeepList == Expected);
  CHECK(F.Registry.ValueNames(L"Keep").size() == Expected.size());
  CHECK(F.ScannedFiles() == L"1");
}

TEST_CASE("the Keep page is reached by keyboard: every control a tab stop, each label's letter leads to its control") {
  TKeepPageFixture F;
  F.ShowKeepPage(
      [](TForm2& Form) {
        TKeepPage& Page = Form.KeepPage;
        for (const TControl* Control : std::initializer_list<const TControl*>{&Page.KeepListBox, &Page.FileButton, &Page.FolderButton, &Page.RemoveButton,
                                        &Page.EntryEdit, &Page.AddButton}) {
          CAPTURE(Control->Id());
          CHECK((GetWindowLongPtrW(Control->Handle(), GWL_STYLE) & WS_TABSTOP) != 0);
        }
        // A label's mnemonic moves to the next control in the tab order.
        CHECK(GetWindow(Page.ListLabel.Handle(), GW_HWNDNEXT) == Page.KeepListBox.Handle());
        CHECK(GetWindow(Page.EntryLabel.Handle(), GW_HWNDNEXT) == Page.EntryEdit.Handle());
        // Each control's letter, unique on the page.
        std::wstring Letters;
        for (const TControl* Control : std::initializer_list<const TControl*>{&Page.ListLabel, &Page.FileButton, &Page.FolderButton, &Page.RemoveButton,
                                        &Page.EntryLabel, &Page.AddButton}) {
          wchar_t Caption[64] = L"";
          GetWindowTextW(Control->Handle(), Caption, 64);
          const std::wstring Text = Caption;
          const size_t Amp = Text.find(L'&');
          REQUIRE(Amp != std::wstring::npos);
          const wchar_t Letter = static_cast<wchar_t>(towupper(Text[Amp + 1]));
          CHECK(Letters.find(Letter) == std::wstring::npos);
          Letters += Letter;
        }
      },
      /*Ok=*/false);
}
