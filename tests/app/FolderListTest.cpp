#include <doctest.h>

#include "framework/Application.h"
#include "framework/BrowseFolder.h"
#include "framework/Dialogs.h"
#include "framework/ShellExecute.h"
#include "resources/MainRes.h"
#include "support/KeyAccess.h"
#include "support/ModalAnswer.h"
#include "support/RecordedBoxes.h"
#include "support/TestStrings.h"
#include "MainWindowFixture.h"
#include "MainWindowStart.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Chooses Folder in the folder browser, or cancels it when Folder is empty.
struct TBrowseAnswer {
  std::wstring Folder;
  int Asked = 0;
  TBrowseFolderHook Hook{[this](const TBrowseFolderRequest&, std::wstring& Chosen) {
    ++Asked;
    Chosen = Folder;
    return !Folder.empty();
  }};
};

void Select(TMainWindowFixture& F, std::initializer_list<int> Rows) {
  for (int i = 0; i < F.Form1->VKRListView1.Count(); ++i) F.Form1->VKRListView1.Item(i).SetSelected(false);
  for (int Row : Rows) F.Form1->VKRListView1.Item(Row).SetSelected(true);
}

void PressKey(TMainWindowFixture& F, WORD Key) {
  F.Form1->VKRListView1KeyDown(F.Form1.get(), Key, TShiftState{});
}

}  // namespace

TEST_CASE("adding a folder through the browser") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"temp\\a.tmp", 10);
  F.Start({L"temp"});
  F.Scan();
  REQUIRE(F.Form1->DeleteToolButton.Enabled());

  SUBCASE("a folder listed already, in other letters, resets its row and withdraws Delete") {
    std::wstring Upper = F.Temp / L"TEMP";
    TBrowseAnswer Browse{Upper};
    F.Form1->AddFolderToolButtonClick(F.Form1.get());
    CHECK(Browse.Asked == 1);
    REQUIRE(F.Form1->VKRListView1.Count() == 1);
    CHECK(F.Row(0) == TTexts{L"?", L"?", L"? KB"});
    CHECK_FALSE(F.Form1->DeleteToolButton.Enabled());
    CHECK_FALSE(F.Form1->Delete1.Enabled());
  }
  SUBCASE("a new folder goes where the list's sort puts it") {
    // The list is sorted by location at start-up, its arrow in that header.
    REQUIRE(F.Form1->VKRListView1.LastSortIndex() == 0);
    TBrowseAnswer Browse{F.Temp.MakeDir(L"other")};
    F.Form1->AddFolderToolButtonClick(F.Form1.get());
    REQUIRE(F.Form1->VKRListView1.Count() == 2);
    CHECK(F.Form1->VKRListView1.Item(0).Caption() == F.Temp / L"other");
    CHECK(F.Row(0) == TTexts{L"?", L"?", L"? KB"});
    CHECK_FALSE(F.Form1->DeleteToolButton.Enabled());
    // Sorted the other way by the user, the next one follows that order.
    F.Form1->VKRListView1.HeaderClick(0);
    REQUIRE_FALSE(F.Form1->VKRListView1.LastSortAscending());
    Browse.Folder = F.Temp.MakeDir(L"same");
    F.Form1->AddFolderToolButtonClick(F.Form1.get());
    CHECK(F.Form1->VKRListView1.ItemText(1, 0) == F.Temp / L"same");
    CHECK(F.Form1->VKRListView1.ItemText(2, 0) == F.Temp / L"other");
  }
  SUBCASE("cancelling the browser changes nothing") {
    TBrowseAnswer Browse{L""};
    F.Form1->AddFolderToolButtonClick(F.Form1.get());
    CHECK(F.Form1->VKRListView1.Count() == 1);
    CHECK(F.Form1->DeleteToolButton.Enabled());
  }
  SUBCASE("the File menu runs the same command") {
    TBrowseAnswer Browse{L""};
    SendMessageW(F.Form1->Handle(), WM_COMMAND, MAKEWPARAM(IDM_ADDFOLDER, 0), 0);
    CHECK(Browse.Asked == 1);
  }
}

TEST_CASE("removing rows subtracts what the scanned ones show") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"r1\\a.tmp", 3000);
  F.Temp.MakeDir(L"r1\\sub");
  F.Temp.MakeFile(L"r2\\b.tmp", 5000);
  F.Temp.MakeFile(L"r3\\c.tmp", 500);
  F.Start({L"r1", L"r2", L"r3"});
  F.Scan();
  // A row that was never scanned.
  F.Form1->AddFolderToVKRListView(F.Temp.MakeDir(L"r4"), true);
  // 500 bytes show, and count, as 1 KB.
  REQUIRE(F.Form1->Current.SizeKB == 2 + 4 + 1);

  SUBCASE("a scanned row and an unscanned one") {
    Select(F, {0, 3});
    F.Form1->RemoveFolder2Click(F.Form1.get());
    REQUIRE(F.Form1->VKRListView1.Count() == 2);
    CHECK(F.Form1->VKRListView1.Item(0).Caption() == F.Temp / L"r2");
    CHECK(F.Form1->Current.Subfolders == 0);
    CHECK(F.Form1->Current.Files == 2);
    CHECK(F.Form1->Current.SizeKB == 4 + 1);
    CHECK(F.Form1->StatusBar1.SimpleText() == L"2 folder(s) - 0 subfolder(s) - 2 file(s) - 5 KB");
  }
  SUBCASE("a row showing 1 KB takes 1 KB away") {
    Select(F, {2});
    F.Form1->RemoveFolder2Click(F.Form1.get());
    CHECK(F.Form1->Current.SizeKB == 7 - 1);
  }
  SUBCASE("the Delete key removes the selected rows; Enter opens the first in the file manager") {
    Select(F, {1});
    std::vector<std::wstring> Opened;
    TShellExecuteHook Shell([&](const TShellExecuteRequest& Request) -> INT_PTR {
      CHECK(std::wstring(Request.Operation) == L"open");
      CHECK(std::wstring(Request.FileName).empty());
      CHECK(Request.ShowCommand == SW_SHOWNORMAL);
      Opened.push_back(Request.Directory);
      return 42;
    });
    PressKey(F, VK_RETURN);
    CHECK(Opened == std::vector<std::wstring>{F.Temp / L"r2"});
    PressKey(F, VK_DELETE);
    CHECK(F.Form1->VKRListView1.Count() == 3);
    CHECK(F.Form1->Current.Files == 2);
  }
  SUBCASE("with nothing selected, Enter does nothing and Delete only refreshes the status bar") {
    Select(F, {});
    F.Form1->StatusBar1.SetSimpleText(L"stale");
    PressKey(F, VK_RETURN);  // the shell would be asked here: the test run fails on any request
    PressKey(F, VK_DELETE);
    CHECK(F.Form1->VKRListView1.Count() == 4);
    CHECK(F.Form1->StatusBar1.SimpleText() == L"4 folder(s) - 1 subfolder(s) - 3 file(s) - 7 KB");
  }
}

TEST_CASE("which commands a click on the list and the popup menu offer") {
  TMainWindowFixture F;
  F.Start({L"a_here", L"b_gone"});
  RemoveTree(F.Temp / L"b_gone");

  Select(F, {0});
  F.Form1->VKRListView1Click(F.Form1.get());
  CHECK(F.Form1->RemoveFolderToolButton.Enabled());
  CHECK(F.Form1->RemoveFolder1.Enabled());
  F.Form1->PopupMenu1Popup(F.Form1.get());
  CHECK(F.Form1->ExploreFolder1.Enabled());
  CHECK(F.Form1->ViewFiles1.Enabled());
  CHECK(F.Form1->RemoveFolder2.Enabled());

  Select(F, {1});
  F.Form1->PopupMenu1Popup(F.Form1.get());
  CHECK_FALSE(F.Form1->ExploreFolder1.Enabled());
  CHECK_FALSE(F.Form1->ViewFiles1.Enabled());
  // A folder that is not there can still leave the list.
  CHECK(F.Form1->RemoveFolder2.Enabled());

  Select(F, {});
  F.Form1->VKRListView1Click(F.Form1.get());
  CHECK_FALSE(F.Form1->RemoveFolderToolButton.Enabled());
  CHECK_FALSE(F.Form1->RemoveFolder1.Enabled());
  F.Form1->PopupMenu1Popup(F.Form1.get());
  CHECK_FALSE(F.Form1->ExploreFolder1.Enabled());
  CHECK_FALSE(F.Form1->ViewFiles1.Enabled());
}

TEST_CASE("empty folders are drawn grey, every other row in the system's text colour") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"small\\a.bin", 10);
  F.Start({L"empty", L"small", L"unscanned"});
  F.Scan();
  F.Form1->Folders().SetNotScanned(F.Form1->VKRListView1.Item(2).Caption());
  F.Form1->ShowFolders();
  const struct {
    int Row;
    TColor Colour;
  } Cases[] = {{0, clGrayText}, {1, clWindowText}, {2, clWindowText}};
  for (const auto& Case : Cases) {
    CAPTURE(Case.Row);
    bool DefaultDraw = true;
    F.Form1->VKRListView1.CanvasFont().SetColor(clRed);
    F.Form1->VKRListView1AdvancedCustomDrawItem(&F.Form1->VKRListView1, F.Form1->VKRListView1.Item(Case.Row), 0,
                                                TCustomDrawStage::cdPrePaint, DefaultDraw);
    CHECK(F.Form1->VKRListView1.CanvasFont().Color() == Case.Colour);
    CHECK(DefaultDraw);
  }
}

TEST_CASE("cancelling the options dialog keeps the options in force") {
  TMainWindowFixture F;
  F.Start({L"f"});
  REQUIRE(F.Form2->RecursiveCheckBox.Checked());
  TModalAnswer Answer(*F.Form2, [&](TForm& Form) {
    F.Form2->RecursiveCheckBox.SetChecked(false);
    Form.SetModalResult(mrCancel);
  });
  F.Form1->OptionsToolButtonClick(F.Form1.get());
  CHECK(Answer.Answered());
  CHECK(F.Form2->RecursiveCheckBox.Checked());
  CHECK(F.Form1->VKRFileFind1.Recursive());
}

TEST_CASE("a folder list that cannot be read is said, replaced by no default folder and never saved over") {
  TMainWindowFixture F;
  const std::vector<std::wstring> Stored{F.Temp.MakeDir(L"one"), F.Temp.MakeDir(L"two"), F.Temp.MakeDir(L"three")};
  for (size_t i = 0; i < Stored.size(); ++i) F.Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i), Stored[i]);
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  const std::wstring Path = F.Registry.Sub(L"Locations");
  TRecordedBoxes Boxes;
  {
    // Readable but not writable: the user's folders, not the defaults.
    TKeyAccess ReadOnly(Path, L"D:(A;;KR;;;WD)");
    REQUIRE(AccessIsChecked(Path));
    auto Form1 = StartMainWindow(F.Registry);
    CHECK(Captions(*Form1) == std::vector<std::wstring>{Stored[0], Stored[2], Stored[1]});
    CHECK(Boxes.Requests.empty());
  }
  {
    std::optional<TKeyAccess> NoAccess;
    NoAccess.emplace(Path, L"D:(D;;KA;;;WD)");
    auto Form1 = StartMainWindow(F.Registry);
    REQUIRE(Boxes.Requests.size() == 1);
    CHECK(Boxes.Requests[0].Type == TMsgDlgType::mtError);
    CHECK(Boxes.Requests[0].Text.rfind(std::wstring(FolderListUnreadableText) + L"\n\nThe registry key \"" + Path +
                                           L"\" cannot be read: ",
                                       0) == 0);
    CHECK(Form1->VKRListView1.Count() == 0);
    // A folder added meanwhile is this session's alone.
    CHECK(static_cast<bool>(Form1->AddFolderToVKRListView(F.Temp.MakeDir(L"added"), true)));
    CHECK(Form1->SaveFolderList());
    // Once the key may be written again, a save still puts nothing over it.
    NoAccess.reset();
    CHECK(Form1->SaveFolderList());
  }
  CHECK(F.Registry.ValueNames(L"Locations") == std::vector<std::wstring>{L"Item0", L"Item1", L"Item2"});
  for (size_t i = 0; i < Stored.size(); ++i)
    CHECK(F.Registry.ReadRaw(L"Locations", L"Item" + std::to_wstring(i))->AsString() == Stored[i]);
}
