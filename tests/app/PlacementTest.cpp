#include <doctest.h>

#include "Version.h"
#include "app/MainWindowStart.h"
#include "app/PlacementDpi.h"
#include "app/QuenloUnit1.h"
#include "common/VKRAbout.h"
#include "framework/Dpi.h"
#include "framework/FileSystem.h"
#include "records/StoreRecords.h"
#include "support/CurrentDirectory.h"
#include "support/ModalAnswer.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

RECT Bounds(const TForm& Form) { return RECT{Form.Left(), Form.Top(), Form.Left() + Form.Width(), Form.Top() + Form.Height()}; }

RECT PrimaryWorkArea() {
  RECT Work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
  return Work;
}

std::wstring TwoDigits(int Value) { return (Value < 10 ? L"0" : L"") + std::to_wstring(Value); }

}  // namespace

TEST_CASE("without a stored placement the main window opens centred") {
  TRegistryFixture Registry;
  auto Form = StartMainWindow(Registry);
  CHECK(Form->Left() == (GetSystemMetrics(SM_CXSCREEN) - Form->Width()) / 2);
  CHECK(Form->Top() == (GetSystemMetrics(SM_CYSCREEN) - Form->Height()) / 2);
  CHECK(Form->WindowState() == TWindowState::wsNormal);
}

TEST_CASE("the placement survives a close and a restart, normal or maximised") {
  TRegistryFixture Registry;
  {
    auto Form = StartMainWindow(Registry);
    Form->SetBounds(100, 120, 700, 500);
    Form->Close();
  }
  const auto Stored = Registry.ReadRaw(L"FormInfo", L"Main Window");
  REQUIRE(Stored);
  CHECK(Stored->AsString() == L"500, 100, 120, 700, wsNormal");
  {
    auto Form = StartMainWindow(Registry);
    CHECK(Form->Left() == 100);
    CHECK(Form->Top() == 120);
    CHECK(Form->Width() == 700);
    CHECK(Form->Height() == 500);
    CHECK(Form->WindowState() == TWindowState::wsNormal);
    Form->Show();
    Form->SetWindowState(TWindowState::wsMaximized);
    Form->Close();
  }
  // The record keeps the bounds the maximised window had, and its state.
  const std::wstring Maximised = Registry.ReadRaw(L"FormInfo", L"Main Window")->AsString();
  CHECK(Maximised.substr(Maximised.size() - 13) == L", wsMaximized");
  auto Form = StartMainWindow(Registry);
  CHECK(Form->WindowState() == TWindowState::wsMaximized);
  Form->Show();
  CHECK(IsZoomed(Form->Handle()));
}

TEST_CASE("a stored placement that cannot be used never stops the start nor hides the window") {
  const RECT Work = PrimaryWorkArea();
  struct TCase {
    const char* Name;
    DWORD Type;
    std::wstring Text;
  };
  const std::vector<TCase> Cases = {
      {"wrong type", REG_DWORD, L""},
      {"not numbers", REG_SZ, L"abc, 1, 2, 3, wsNormal"},
      {"absurd size and place", REG_SZ, L"100000, -50000, -50000, 100000, wsNormal"},
      {"on no monitor", REG_SZ, L"500, 30000, 30000, 700, wsNormal"},
      {"above the screen", REG_SZ, L"500, 100, -2000, 700, wsNormal"},
      {"no size", REG_SZ, L"0, 0, 0, 0, wsNormal"},
      {"negative size", REG_SZ, L"-400, 10, 10, -300, wsMaximized"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TRegistryFixture Registry;
    if (Case.Type == REG_DWORD)
      Registry.WriteDword(L"FormInfo", L"Main Window", 12345);
    else
      Registry.WriteString(L"FormInfo", L"Main Window", Case.Text);
    std::unique_ptr<TForm1> Form;
    REQUIRE_NOTHROW(Form = StartMainWindow(Registry));
    const RECT Window = Bounds(*Form);
    // The title bar lies on the screen, and the window is no larger than it.
    CHECK(Window.top >= Work.top);
    CHECK(Window.top < Work.bottom);
    CHECK(Window.left < Work.right - 50);
    CHECK(Window.right > Work.left + 50);
    CHECK(Window.right - Window.left <= Work.right - Work.left);
    CHECK(Window.bottom - Window.top <= Work.bottom - Work.top);
    CHECK(Window.right - Window.left >= GetSystemMetrics(SM_CXMIN));
    CHECK(Window.bottom - Window.top >= GetSystemMetrics(SM_CYMIN));
  }
}

TEST_CASE("start-up sorts the folder list by location with the arrow; closing records the version") {
  TTempDir Temp;
  const std::wstring B = Temp.MakeDir(L"D\\b");
  const std::wstring A = Temp.MakeDir(L"C\\a");
  TRegistryFixture Registry;
  Registry.WriteString(L"Locations", L"Item0", B);
  Registry.WriteString(L"Locations", L"Item1", A);

  auto Form = StartMainWindow(Registry);
  CHECK(Captions(*Form) == std::vector<std::wstring>{A, B});
  CHECK(Form->VKRListView1.LastSortIndex() == 0);
  CHECK(Form->VKRListView1.LastSortAscending());
  CHECK(Form->VKRListView1.ColumnImage(0) == Form->VKRListView1.IndexUp());
  CHECK(Form->VKRListView1.IndexUp() >= 1);  // after the folder picture
  CHECK(Form->VKRAboutDialog1.Font().Name() == L"Segoe UI");
  CHECK(Form->VKRAppUpdate1.FontReadme().Name() == L"Calibri");

  // Rows added later go where the sort shown in the header puts them.
  const std::wstring First = Temp.MakeDir(L"0");
  Form->AddFolderToVKRListView(First, true);
  CHECK(Captions(*Form) == std::vector<std::wstring>{First, A, B});

  Form->Close();
  const auto Version = Registry.ReadRaw(L"", L"Version");
  REQUIRE(Version);
  CHECK(Version->Type == REG_SZ);
  CHECK(Version->AsString() == std::to_wstring(MARROWBY_VERSION_MAJOR) + L"." + TwoDigits(MARROWBY_VERSION_MINOR) +
                                   L"." + TwoDigits(MARROWBY_VERSION_RELEASE) + L"b" +
                                   std::to_wstring(MARROWBY_VERSION_BUILD));
  // The list is saved in the order shown.
  CHECK(Registry.ReadRaw(L"Locations", L"Item0")->AsString() == First);
  CHECK(Registry.ReadRaw(L"Locations", L"Item2")->AsString() == B);
}

TEST_CASE("stored list entries are taken in the order of their numbers") {
  std::vector<std::wstring> Names = {L"Item0", L"Item1", L"Item10", L"Item11", L"Item2", L"Stray",
                                     L"Item3", L"Item20", L"Item9",  L"item4",  L"Item",  L"Item-1"};
  SortByItemNumber(Names);
  CHECK(Names == std::vector<std::wstring>{L"Item0", L"Item1", L"Item2", L"Item3", L"item4", L"Item9", L"Item10",
                                           L"Item11", L"Item20", L"Stray", L"Item", L"Item-1"});

  // Twelve stored folders all come back.
  TTempDir Temp;
  TRegistryFixture Registry;
  for (int i = 0; i < 12; ++i)
    Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i), Temp.MakeDir(L"f" + TwoDigits(i)));
  auto Form = StartMainWindow(Registry);
  CHECK(Form->VKRListView1.Count() == 12);
}

TEST_CASE("folders enter the list as full paths; the same folder written another way is found") {
  TTempDir Temp;
  const std::wstring Folder = Temp.MakeDir(L"fx\\1");
  TRegistryFixture Registry;
  // Entries that are no full path would name whatever folder the program
  // started in: they stay rows as they were stored, never resolved, even
  // where such folders exist.
  Registry.WriteString(L"Locations", L"Item0", L".");
  Registry.WriteString(L"Locations", L"Item1", L"fx\\1");
  Registry.WriteString(L"Locations", L"Item2", Temp.Path());
  Registry.WriteString(L"Locations", L"Item3", Temp.Path() + L"\\fx\\.\\1");
  std::unique_ptr<TForm1> Form;
  {
    TCurrentDirectory Current(Temp.Path());
    Form = StartMainWindow(Registry);
  }
  CHECK(Captions(*Form) == std::vector<std::wstring>{L".", Temp.Path(), Folder, L"fx\\1"});
  CHECK(Form->StoredFoldersNotFound() == 2);
  for (int Row : {0, 3}) CHECK(Form->VKRListView1.Item(Row).SubItem(2) == L"? KB");

  // Another current directory changes nothing of what a row names.
  TCurrentDirectory Elsewhere(Folder);
  struct TCase {
    std::wstring Name;
    int Row;
  };
  const std::vector<TCase> Cases = {
      {Folder, 2},
      {Folder + L"\\", 2},
      {LowerCaseAZ(Folder), 2},
      {Temp.Path() + L"\\fx\\.\\1", 2},
      {Temp.Path() + L"\\fx\\1\\..\\1\\", 2},
      // An entry that is no full path is only ever the same as itself.
      {L".", 0},
      {L"fx\\1", 3},
      {L"..\\..", -1},
      {Temp.Path() + L"\\fx", -1},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Name));
    const TListItem Found = Form->FindFolderListItem(Form->VKRListView1, Case.Name);
    CHECK((Found ? Found.Index() : -1) == Case.Row);
  }
  // Adding a listed folder written another way refreshes its row.
  CHECK_FALSE(Form->AddFolderToVKRListView(L"..\\1", true));
  const TListItem Row = Form->AddFolderToVKRListView(Temp.Path() + L"\\fx\\1\\..\\1", true);
  REQUIRE(Row);
  CHECK(Row.Index() == 2);
  CHECK(Row.Caption() == Folder);
  CHECK(Form->VKRListView1.Count() == 4);
}

TEST_CASE("the About command shows the about window with the program's version") {
  TRegistryFixture Registry;
  auto Form = StartMainWindow(Registry);
  std::unique_ptr<TModalAnswer> Answer;
  std::wstring VersionLine;
  Form->VKRAboutDialog1.OnBeforeShow = [&](TVKRAboutBox& Box) {
    Answer = std::make_unique<TModalAnswer>(Box, [&](TForm& Shown) {
      auto& About = static_cast<TVKRAboutBox&>(Shown);
      VersionLine = About.VersionLabel.Text();
      CHECK(About.URLLabel.Text().find(L"/brenlow/") != std::wstring::npos);
      CHECK(About.TextLabel.Visible());
      CHECK_FALSE(About.TextLabel.Text().empty());
      CHECK(About.ToolLogoImage.Visible());
      CHECK_FALSE(About.WindowsLogoImage.Visible());
      Shown.SetModalResult(mrOk);
    });
  };
  Form->AboutToolButton.Click();
  REQUIRE(Answer);
  CHECK(Answer->Answered());
  CHECK(VersionLine == L"Version " + std::to_wstring(MARROWBY_VERSION_MAJOR) + L"." +
                           TwoDigits(MARROWBY_VERSION_MINOR) + L"." + TwoDigits(MARROWBY_VERSION_RELEASE) +
                           L" - Build " + std::to_wstring(MARROWBY_VERSION_BUILD) + L" (64-bit)");
}

// The record keeps pixels; the DPI they were measured at is kept beside it.
TEST_CASE("a placement stored at one DPI comes back at the same size in inches at another") {
  const std::wstring Placement = L"FormInfo\\Main Window";
  struct TCase {
    const char* Name;
    std::optional<uint32_t> StoredDpi;  // none: a record of an earlier version
    const wchar_t* Text;
    int RestoredDpi;
    RECT Expected;
  };
  const std::vector<TCase> Cases = {
      {"96 at 96", 96u, L"300, 100, 120, 400, wsNormal", 96, {100, 120, 500, 420}},
      {"96 at 144", 96u, L"300, 100, 120, 400, wsNormal", 144, {100, 120, 700, 570}},
      {"96 at 192", 96u, L"300, 100, 120, 400, wsNormal", 192, {100, 120, 900, 720}},
      {"144 at 96", 144u, L"450, 100, 120, 600, wsNormal", 96, {100, 120, 500, 420}},
      {"192 at 96", 192u, L"600, 100, 120, 800, wsNormal", 96, {100, 120, 500, 420}},
      {"192 at 144", 192u, L"600, 100, 120, 800, wsNormal", 144, {100, 120, 700, 570}},
      // Pixels of an earlier version are taken as they are, whatever the DPI.
      {"no DPI at 144", std::nullopt, L"300, 100, 120, 400, wsNormal", 144, {100, 120, 500, 420}},
      {"absurd DPI at 144", 5u, L"300, 100, 120, 400, wsNormal", 144, {100, 120, 500, 420}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TRegistryFixture Registry;
    Registry.WriteString(L"FormInfo", L"Main Window", Case.Text);
    if (Case.StoredDpi) Registry.WriteDword(L"FormInfo", L"Main Window DPI", *Case.StoredDpi);
    auto Form = StartMainWindow(Registry);
    // The start applied it for the DPI of the monitor it lies on; the test's
    // screen has 96, so other DPIs are given as a monitor would give them.
    if (Case.RestoredDpi != 96) {
      TStoreRecords(Form->VKRRegistryEnhanced1).GetFormInfo(Placement, *Form, true);
      FollowPlacementDpi(*Form, StoredPlacementDpi(Form->VKRRegistryEnhanced1, Placement), Case.RestoredDpi);
    }
    CHECK(Form->Left() == Case.Expected.left);
    CHECK(Form->Top() == Case.Expected.top);
    CHECK(Form->Width() == Case.Expected.right - Case.Expected.left);
    CHECK(Form->Height() == Case.Expected.bottom - Case.Expected.top);
    // Laid out for that DPI: pictures and font follow. A record without a
    // DPI leaves that to the system's move to the monitor.
    const int LaidOut = Case.StoredDpi == 96u || Case.StoredDpi == 144u || Case.StoredDpi == 192u ? Case.RestoredDpi : 96;
    CHECK(Form->PixelsPerInch() == LaidOut);
    CHECK(Form->ToolBar1.ImageSize() == PictureSizeForDpi(18, LaidOut));
  }
}

TEST_CASE("a window closed at another DPI is stored with it and opens at its size for this one") {
  TRegistryFixture Registry;
  {
    auto Form = StartMainWindow(Registry);
    Form->SetBounds(100, 120, 400, 300);
    // Moved to a monitor of 192 DPI: the system doubles the window.
    const RECT Doubled{100, 120, 900, 720};
    SendMessageW(Form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&Doubled));
    REQUIRE(Form->PixelsPerInch() == 192);
    Form->Close();
  }
  CHECK(Registry.ReadRaw(L"FormInfo", L"Main Window")->AsString() == L"600, 100, 120, 800, wsNormal");
  const auto Dpi = Registry.ReadRaw(L"FormInfo", L"Main Window DPI");
  REQUIRE(Dpi);
  CHECK(Dpi->Type == REG_DWORD);
  CHECK(Dpi->AsDword() == 192);
  // Back on the test's screen of 96 DPI.
  auto Form = StartMainWindow(Registry);
  CHECK(Form->PixelsPerInch() == 96);
  CHECK(Form->Width() == 400);
  CHECK(Form->Height() == 300);
  CHECK(Form->Left() == 100);
  Form->Close();
  CHECK(Registry.ReadRaw(L"FormInfo", L"Main Window DPI")->AsDword() == 96);
}
