#include <doctest.h>

#include "app/MainWindowStart.h"
#include "app/QuenloUnit1.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"
#include "resources/MainRes.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring UserTemp() {
  wchar_t Temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, Temp);
  wchar_t Long[MAX_PATH + 1];
  GetLongPathNameW(Temp, Long, MAX_PATH + 1);
  return ExcludeTrailingPathDelimiter(Long);
}

std::wstring WindowsTemp() {
  wchar_t Windows[MAX_PATH + 1];
  GetWindowsDirectoryW(Windows, MAX_PATH + 1);
  return JoinPath(Windows, L"Temp");
}

}  // namespace

TEST_CASE("the main window has the designed menu, toolbar, list and status bar") {
  TRegistryFixture Registry;
  auto Form = StartMainWindow(Registry);

  CHECK(Form->Caption() == L"Marrowby");
  CHECK(Form->ClientWidth() == 927);
  CHECK(Form->ClientHeight() == 543);
  CHECK(Form->Font().Name() == L"Segoe UI");
  CHECK(Form->Font().Size() == 9);

  struct TColumn {
    const wchar_t* Caption;
    int Width;
    bool Right;
  };
  const std::vector<TColumn> Columns = {
      {L"Location", 500, false}, {L"Subfolder Count", 150, false}, {L"File Count", 125, false}, {L"Size", 100, true}};
  REQUIRE(Form->VKRListView1.ColumnCount() == 4);
  for (int i = 0; i < 4; ++i) {
    CAPTURE(i);
    CHECK(Form->VKRListView1.ColumnCaption(i) == Columns[static_cast<size_t>(i)].Caption);
    CHECK(Form->VKRListView1.ColumnWidth(i) == Columns[static_cast<size_t>(i)].Width);
    CHECK(Form->VKRListView1.ColumnRightAligned(i) == Columns[static_cast<size_t>(i)].Right);
  }
  const LONG_PTR ListStyle = GetWindowLongPtrW(Form->VKRListView1.Handle(), GWL_STYLE);
  CHECK((ListStyle & LVS_SINGLESEL) == 0);
  CHECK((ListStyle & LVS_SHOWSELALWAYS) != 0);
  CHECK((ListStyle & LVS_EDITLABELS) == 0);
  CHECK((ListView_GetExtendedListViewStyle(Form->VKRListView1.Handle()) & LVS_EX_FULLROWSELECT) != 0);

  struct TButtonState {
    TToolButton Button;
    const wchar_t* Hint;
    bool Enabled;
  };
  const std::vector<TButtonState> Buttons = {
      {Form->AddFolderToolButton, L"Add Folder", true},   {Form->RemoveFolderToolButton, L"Remove Folder", false},
      {Form->ScanToolButton, L"Scan", true},              {Form->DeleteToolButton, L"Delete", false},
      {Form->StatisticsToolButton, L"Statistics", false}, {Form->OptionsToolButton, L"Options", true},
      {Form->AboutToolButton, L"About", true},            {Form->ExitToolButton, L"Exit", true},
      {Form->FindFoldersToolButton, L"Find Folders", true},
  };
  for (const TButtonState& State : Buttons) {
    CAPTURE(WideToUtf8(State.Hint));
    CHECK(State.Button.Hint() == State.Hint);
    CHECK(State.Button.Enabled() == State.Enabled);
  }
  CHECK(SendMessageW(Form->ToolBar1.Handle(), TB_BUTTONCOUNT, 0, 0) == 13);  // nine buttons, four separators
  const LRESULT Size = SendMessageW(Form->ToolBar1.Handle(), TB_GETBUTTONSIZE, 0, 0);
  CHECK(LOWORD(Size) == 26);
  CHECK(HIWORD(Size) == 26);

  struct TItemState {
    TMenuItem Item;
    const wchar_t* Caption;
    bool Enabled;
  };
  const std::vector<TItemState> Items = {
      {Form->AddFolder1, L"Add Folder...", true},
      {Form->RemoveFolder1, L"Remove Folder", false},
      {Form->Exit1, L"Exit", true},
      {Form->Scan1, L"Scan\tCtrl+C", true},
      {Form->Delete1, L"Delete\tCtrl+D", false},
      {Form->Statistics1, L"Statistics...\tCtrl+S", false},
      {Form->Options1, L"Options...", true},
      {Form->FindFolders1, L"Find Folders...\tCtrl+Shift+F", true},
      {Form->ReleaseNotes1, L"Release Notes\tF1", true},
      {Form->CheckforUpdates1, L"Check for Updates...\tF9", true},
      {Form->About1, L"About...", true},
      {Form->ExploreFolder1, L"Explore Folder", true},
      {Form->RemoveFolder2, L"Remove Folder", true},
  };
  for (const TItemState& State : Items) {
    CAPTURE(WideToUtf8(State.Caption));
    CHECK(State.Item.Caption() == State.Caption);
    CHECK(State.Item.Enabled() == State.Enabled);
  }
  CHECK(Form->ExploreFolder1.Default());

  // Menu items show their toolbar or popup picture, magenta given the menu's
  // colour (Wine draws transparent pixels black).
  for (const TMenuItem& Item : {Form->AddFolder1, Form->Scan1, Form->Delete1, Form->About1, Form->ExploreFolder1}) {
    CAPTURE(WideToUtf8(Item.Caption()));
    MENUITEMINFOW Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = MIIM_BITMAP;
    REQUIRE(GetMenuItemInfoW(Item.Menu(), static_cast<UINT>(Item.CommandId()), FALSE, &Info));
    REQUIRE(Info.hbmpItem != nullptr);
    DIBSECTION Section{};
    REQUIRE(GetObjectW(Info.hbmpItem, sizeof(Section), &Section) == sizeof(Section));
    CHECK(Section.dsBm.bmBitsPixel == 32);
    const auto* Pixels = static_cast<const uint32_t*>(Section.dsBm.bmBits);
    const int Size = Section.dsBm.bmWidth;
    const COLORREF Menu = GetSysColor(COLOR_MENU);
    const uint32_t MenuPixel = 0xFF000000u | (static_cast<uint32_t>(GetRValue(Menu)) << 16) |
                               (static_cast<uint32_t>(GetGValue(Menu)) << 8) | GetBValue(Menu);
    const uint32_t Corner = Pixels[0];
    const uint32_t Middle = Pixels[(Size / 2) * Size + Size / 2];
    CHECK(Corner == MenuPixel);      // background
    CHECK((Middle >> 24) == 0xFF);   // picture
  }
  // Items without a toolbar button have no picture.
  MENUITEMINFOW Plain{};
  Plain.cbSize = sizeof(Plain);
  Plain.fMask = MIIM_BITMAP;
  REQUIRE(GetMenuItemInfoW(Form->ReleaseNotes1.Menu(), IDM_RELEASENOTES, FALSE, &Plain));
  CHECK(Plain.hbmpItem == nullptr);

  // The keys of the menu items are real accelerators of the window.
  ACCEL Keys[16];
  const int KeyCount = CopyAcceleratorTableW(Form->Accelerators(), Keys, 16);
  const auto HasKey = [&](WORD Key, BYTE Flags, WORD Command) {
    return std::any_of(Keys, Keys + KeyCount, [&](const ACCEL& A) {
      return A.key == Key && (A.fVirt & ~FNOINVERT) == (Flags | FVIRTKEY) && A.cmd == Command;
    });
  };
  CHECK(HasKey('C', FCONTROL, IDM_SCAN));
  CHECK(HasKey(VK_F5, 0, IDM_SCAN));  // where other programs refresh, and Ctrl+C copies
  CHECK(HasKey('D', FCONTROL, IDM_DELETE));
  CHECK(HasKey('S', FCONTROL, IDM_STATISTICS));
  CHECK(HasKey(VK_F1, 0, IDM_RELEASENOTES));
  CHECK(HasKey(VK_F9, 0, IDM_CHECKFORUPDATES));
}

TEST_CASE("a first start lists the default folders that exist, unscanned") {
  TRegistryFixture Registry;
  auto Form = StartMainWindow(Registry);

  const std::vector<std::wstring> Rows = Captions(*Form);
  for (const std::wstring& Row : Rows) CHECK(DirectoryExists(Row));
  // Wine has both temporary folders; start-up sorted the rows by location.
  const auto WindowsTempRow = std::find_if(Rows.begin(), Rows.end(), [](const std::wstring& R) { return SameTextAZ(R, WindowsTemp()); });
  const auto UserTempRow = std::find(Rows.begin(), Rows.end(), UserTemp());
  REQUIRE(WindowsTempRow != Rows.end());
  REQUIRE(UserTempRow != Rows.end());
  for (size_t i = 1; i < Rows.size(); ++i) CHECK(TVKRListView::CompareItemTexts(Rows[i - 1], Rows[i]) <= 0);

  for (int i = 0; i < Form->VKRListView1.Count(); ++i) {
    const TListItem Row = Form->VKRListView1.Item(i);
    CHECK(Row.SubItem(0) == L"?");
    CHECK(Row.SubItem(1) == L"?");
    CHECK(Row.SubItem(2) == L"? KB");
  }
  CHECK(Form->StatusBar1.SimpleText() ==
        std::to_wstring(Rows.size()) + L" folder(s) - ? subfolder(s) - ? file(s) - ? KB");
  // Reading the list creates nothing in the registry.
  CHECK_FALSE(Registry.KeyExists(L"Locations"));
}

TEST_CASE("default folders: every known base gives its candidates, unknown bases none") {
  TDefaultFolderBases Bases;
  Bases.ProgramFiles = L"C:\\Program Files";
  Bases.CommonAppData = L"C:\\ProgramData\\";
  Bases.LocalAppData = L"C:\\Users\\u\\AppData\\Local";
  Bases.Windows = L"C:\\Windows";
  Bases.Temp = L"C:\\Users\\u\\AppData\\Local\\Temp";
  CHECK(DefaultFolderCandidates(Bases) == std::vector<std::wstring>{
                                              L"C:\\Program Files\\InstallShield Installation Information",
                                              L"C:\\ProgramData\\Downloaded Installations",
                                              L"C:\\ProgramData\\Installations",
                                              L"C:\\Users\\u\\AppData\\Local\\Downloaded Installations",
                                              L"C:\\Windows\\Downloaded Installations",
                                              L"C:\\Windows\\Temp",
                                              L"C:\\Users\\u\\AppData\\Local\\Temp",
                                          });
  // An unresolved base must not turn into a folder at the root of the drive.
  Bases.ProgramFiles.clear();
  Bases.CommonAppData.clear();
  CHECK(DefaultFolderCandidates(Bases) == std::vector<std::wstring>{
                                              L"C:\\Users\\u\\AppData\\Local\\Downloaded Installations",
                                              L"C:\\Windows\\Downloaded Installations",
                                              L"C:\\Windows\\Temp",
                                              L"C:\\Users\\u\\AppData\\Local\\Temp",
                                          });
}

TEST_CASE("stored folders are restored, sorted by location; missing ones, non-folders and entries that are no full path stay rows") {
  TTempDir Temp;
  const std::wstring A = Temp.MakeDir(L"a");
  const std::wstring B = Temp.MakeDir(L"B dir\\");
  const std::wstring File = Temp.MakeFile(L"plain.txt", 3);
  TRegistryFixture Registry;
  Registry.WriteString(L"Locations", L"Item0", B);
  Registry.WriteString(L"Locations", L"Item1", Temp / L"gone");
  Registry.WriteString(L"Locations", L"Item2", File);
  Registry.WriteString(L"Locations", L"Item3", A);
  Registry.WriteString(L"Locations", L"Item4", A);  // duplicates stay
  Registry.WriteDword(L"Locations", L"Item5", 7);   // wrong type: no folder "7"
  const std::vector<uint8_t> Huge(100000, 0x41);
  Registry.WriteRaw(L"Locations", L"Item6", REG_BINARY, Huge.data(), static_cast<DWORD>(Huge.size()));
  Registry.WriteString(L"Locations", L"Item7", L"");

  auto Form = StartMainWindow(Registry);
  // What the user stored stays, whether or not it is there now; only an
  // empty entry names nothing at all.
  CHECK(Captions(*Form) == std::vector<std::wstring>{L"7", A, A, B, Temp / L"gone", File});
  CHECK(Form->StatusBar1.SimpleText() == L"6 folder(s) - ? subfolder(s) - ? file(s) - ? KB");
}

TEST_CASE("an old \"Location\" key is carried over; with both keys only \"Locations\" counts") {
  TTempDir Temp;
  const std::wstring A = Temp.MakeDir(L"a");
  const std::wstring B = Temp.MakeDir(L"b");

  SUBCASE("only the old key") {
    TRegistryFixture Registry;
    Registry.WriteString(L"Location", L"first", A);
    Registry.WriteString(L"Location", L"second", B);
    auto Form = StartMainWindow(Registry);
    CHECK(Captions(*Form) == std::vector<std::wstring>{A, B});
    CHECK_FALSE(Registry.KeyExists(L"Location"));
    CHECK(Registry.ValueNames(L"Locations") == std::vector<std::wstring>{L"first", L"second"});
  }
  SUBCASE("both keys") {
    TRegistryFixture Registry;
    Registry.WriteString(L"Location", L"Item0", A);
    Registry.WriteString(L"Locations", L"Item0", B);
    auto Form = StartMainWindow(Registry);
    CHECK(Captions(*Form) == std::vector<std::wstring>{B});
    CHECK(Registry.KeyExists(L"Location"));
    CHECK(Registry.ReadRaw(L"Location", L"Item0")->AsString() == A);
  }
}

TEST_CASE("closing writes the program path and the list in display order, replacing the old list") {
  TTempDir Temp;
  std::vector<std::wstring> Folders;
  for (const wchar_t* Name : {L"one", L"two", L"three", L"four", L"five"}) Folders.push_back(Temp.MakeDir(Name));
  TRegistryFixture Registry;
  for (size_t i = 0; i < Folders.size(); ++i)
    Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i), Folders[i]);
  Registry.WriteString(L"Locations", L"Stray", Folders[0]);

  auto Form = StartMainWindow(Registry);
  // Shown sorted: five, four, one, one, three, two.
  Form->VKRListView1.Delete(3);
  Form->VKRListView1.Delete(1);
  Form->Close();
  CHECK_FALSE(IsWindow(Form->Handle()));

  CHECK(Registry.ValueNames(L"Locations") == std::vector<std::wstring>{L"Item0", L"Item1", L"Item2", L"Item3"});
  CHECK(Registry.ReadRaw(L"Locations", L"Item0")->AsString() == Folders[4]);
  CHECK(Registry.ReadRaw(L"Locations", L"Item1")->AsString() == Folders[0]);
  CHECK(Registry.ReadRaw(L"Locations", L"Item2")->AsString() == Folders[2]);
  CHECK(Registry.ReadRaw(L"Locations", L"Item3")->AsString() == Folders[1]);
  CHECK(Registry.ReadRaw(L"Locations", L"Item2")->Type == REG_SZ);

  const auto Path = Registry.ReadRaw(L"", L"ApplicationPath");
  REQUIRE(Path);
  CHECK(Path->Type == REG_SZ);
  CHECK(Path->AsString() == ExtractFilePath(ApplicationExeName()));
  CHECK(Path->AsString().back() == L'\\');
}

TEST_CASE("a list emptied by the user leaves no key, and the next start fills the defaults again") {
  TTempDir Temp;
  TRegistryFixture Registry;
  Registry.WriteString(L"Locations", L"Item0", Temp.MakeDir(L"only"));
  {
    auto Form = StartMainWindow(Registry);
    REQUIRE(Form->VKRListView1.Count() == 1);
    Form->VKRListView1.Delete(0);
    Form->Close();
  }
  CHECK_FALSE(Registry.KeyExists(L"Locations"));
  auto Form = StartMainWindow(Registry);
  const std::vector<std::wstring> Rows = Captions(*Form);
  CHECK(std::find(Rows.begin(), Rows.end(), UserTemp()) != Rows.end());
}

TEST_CASE("a folder path longer than MAX_PATH survives a start and a close") {
  TTempDir Temp;
  std::wstring Relative;
  while ((Temp.Path() + L"\\" + Relative).size() < 300) Relative += L"deeper-folder-name\\";
  Relative.pop_back();
  const std::wstring Long = Temp.Path() + L"\\" + Relative;
  REQUIRE(Long.size() >= 300);
  // Made through the long form: the plain API refuses such paths.
  std::wstring Made = L"\\\\?\\" + Temp.Path();
  for (size_t At = 0; At != std::wstring::npos;) {
    const size_t Next = Relative.find(L'\\', At);
    Made += L"\\" + Relative.substr(At, Next == std::wstring::npos ? std::wstring::npos : Next - At);
    CreateDirectoryW(Made.c_str(), nullptr);
    At = Next == std::wstring::npos ? Next : Next + 1;
  }
  REQUIRE(DirectoryExists(Long));

  TRegistryFixture Registry;
  Registry.WriteString(L"Locations", L"Item0", Long);
  auto Form = StartMainWindow(Registry);
  CHECK(Captions(*Form) == std::vector<std::wstring>{Long});
  Form->Close();
  CHECK(Registry.ReadRaw(L"Locations", L"Item0")->AsString() == Long);
}

TEST_CASE("adding a folder: missing ones are refused, listed ones are refreshed only when asked to look") {
  TTempDir Temp;
  const std::wstring Folder = Temp.MakeDir(L"Mixed");
  TRegistryFixture Registry;
  Registry.WriteString(L"Locations", L"Item0", Folder);
  auto Form = StartMainWindow(Registry);
  Form->VKRListView1.Item(0).SetSubItem(0, L"4");
  Form->VKRListView1.Item(0).SetSubItem(1, L"10");
  Form->VKRListView1.Item(0).SetSubItem(2, L"12 KB");

  CHECK_FALSE(Form->AddFolderToVKRListView(Temp / L"missing", true));
  CHECK_FALSE(Form->AddFolderToVKRListView(L"", true));

  const std::wstring OtherCase = LowerCaseAZ(Folder) + L"\\";
  TListItem Row = Form->AddFolderToVKRListView(OtherCase, true);
  REQUIRE(Row);
  CHECK(Row.Index() == 0);
  CHECK(Form->VKRListView1.Count() == 1);
  CHECK(Row.Caption() == OtherCase);
  CHECK(Row.SubItem(0) == L"?");
  CHECK(Row.SubItem(2) == L"? KB");

  // Without looking, a second row; the list's sort puts it before the
  // first, whose caption now ends in a separator.
  TListItem Second = Form->AddFolderToVKRListView(Folder, false);
  REQUIRE(Second);
  CHECK(Second.Caption() == Folder);
  CHECK(Second.Index() == 0);
  CHECK(Form->VKRListView1.Count() == 2);
}

TEST_CASE("a folder whose name ends in dots or blanks is listed as itself, not as its namesake without them") {
  TTempDir Temp;
  // The namesake without the dot exists too: emptying it instead would be the fault.
  Temp.MakeFile(L"name\\keep.tmp", 10);
  TRegistryFixture Registry;
  auto Form = StartMainWindow(Registry);
  const int Before = Form->VKRListView1.Count();  // the defaults of a first start
  for (const wchar_t* Name : {L"name.", L"name ", L"name. ."}) {
    CAPTURE(WideToUtf8(Name));
    const std::wstring Folder = Temp.Path() + L"\\" + Name;
    REQUIRE(CreateDirectoryW((L"\\\\?\\" + Folder).c_str(), nullptr));
    for (const std::wstring& Given : {Folder, Folder + L"\\"}) {
      const TListItem Row = Form->AddFolderToVKRListView(Given, true);
      REQUIRE(Row);
      CHECK(Row.Caption() == Given);
      CHECK(Form->FindFolderListItem(Form->VKRListView1, Given).Index() == Row.Index());
      CHECK_FALSE(Form->FindFolderListItem(Form->VKRListView1, Temp / L"name"));
    }
  }
  CHECK(Form->VKRListView1.Count() == Before + 3);
}

TEST_CASE("finding a folder row ignores A-Z case and trailing separators of both sides") {
  TTempDir Temp;
  const std::wstring Folder = Temp.MakeDir(L"Temp");
  TRegistryFixture Registry;
  Registry.WriteString(L"Locations", L"Item0", Folder + L"\\");
  Registry.WriteString(L"Locations", L"Item1", Folder);
  auto Form = StartMainWindow(Registry);

  struct TCase {
    std::wstring Name;
    int Row;
  };
  // Both rows name the same folder: the first one is found.
  const std::vector<TCase> Cases = {
      {Folder, 0},
      {Folder + L"\\", 0},
      {Folder + L"\\\\", 0},
      {LowerCaseAZ(Folder), 0},
      {Temp / L"TEMP", 0},
      {Temp / L"Tem", -1},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Name));
    const TListItem Found = Form->FindFolderListItem(Form->VKRListView1, Case.Name);
    CHECK((Found ? Found.Index() : -1) == Case.Row);
  }
}
