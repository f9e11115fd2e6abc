#include <doctest.h>

#include "app/FindFoldersForm.h"
#include "app/QuenloUnit1.h"
#include "framework/Application.h"
#include "framework/FileSystem.h"
#include "resources/MainRes.h"
#include "support/ModalAnswer.h"
#include "support/RecordedBoxes.h"
#include "support/RegistryFixture.h"
#include "support/TestStrings.h"
#include "FindFoldersFixture.h"
#include "Links.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// The main window on a private key, finding folders in a private profile
// where a few of the catalogue's folders are made and filled, some absent,
// one a link.
struct TFindWindowFixture {
  TFindFoldersProfile Profile;
  TRegistryFixture Registry;
  std::unique_ptr<TForm1> Form1;
  const std::wstring Local = L"Users\\me\\AppData\\Local\\";
  bool Linked = false;

  TFindWindowFixture() {
    Profile.Dir.MakeFile(Local + L"Temp\\a.tmp", 10);
    Profile.Dir.MakeFile(L"Windows\\Temp\\w.tmp", 2048);
    Profile.Dir.MakeFile(Local + L"CrashDumps\\x.dmp", 3000);
    Profile.Dir.MakeFile(Local + L"CrashDumps\\old\\y.dmp", 1000, FILE_ATTRIBUTE_HIDDEN);
    Profile.Dir.MakeFile(Local + L"Google\\Chrome\\User Data\\Default\\Cache\\Cache_Data\\f_0001", 5000);
    Profile.Dir.MakeFile(Local + L"Target\\shader", 4000);
    Linked = MakeLink(Profile.Dir / (Local + L"D3DSCache"), L"Target", true);
  }
  ~TFindWindowFixture() {
    Form1.reset();
    RemoveLink(Profile.Dir / (Local + L"D3DSCache"));
  }

  TPolicyRoots Roots() const {
    TPolicyRoots Result;
    Result.MachineRoot = HKEY_CURRENT_USER;
    Result.MachineKey = Registry.Sub(L"Machine");
    Result.UserKey = Registry.Sub(L"User");
    return Result;
  }

  // Starts the window with the user's temporary folder already listed, or
  // as a first start (nothing listed: the default folders of the machine).
  void Start(bool FirstStart = false) {
    if (!FirstStart) Registry.WriteString(L"Settings\\Locations", L"Item0", Profile.Dir / (Local + L"Temp"));
    Registry.WriteDword(L"Settings\\Options", L"ScanAtStartup", 0);
    TForm1Options Options;
    Options.RegistryKey = Registry.Sub(L"Settings");
    Options.SingleInstance = false;
    Options.PolicyRoots = Roots();
    Options.FindFoldersBases = Profile.Bases();
    Form1 = std::make_unique<TForm1>(Options);
  }

  std::wstring Relative(const std::wstring& Path) const {
    const std::wstring Root = Profile.Dir.Path() + L"\\";
    return Path.rfind(Root, 0) == 0 ? Path.substr(Root.size()) : Path;
  }

  std::vector<std::wstring> Captions() const {
    std::vector<std::wstring> Result;
    for (int i = 0; i < Form1->VKRListView1.Count(); ++i) Result.push_back(Relative(Form1->VKRListView1.Item(i).Caption()));
    return Result;
  }

  std::vector<std::wstring> Stored() const {
    std::vector<std::wstring> Result;
    for (const std::wstring& Name : Registry.ValueNames(L"Settings\\Locations"))
      Result.push_back(Relative(Registry.ReadRaw(L"Settings\\Locations", Name)->AsString()));
    std::sort(Result.begin(), Result.end());
    return Result;
  }
};

// A row of the window as a person reads it: ticked or not, name, size, location, description.
std::wstring Shown(const TFindWindowFixture& F, const TFindFoldersForm& Window, size_t Row) {
  const TFindFoldersRow& Data = Window.Rows()[Row];
  TFindFoldersForm& Form = const_cast<TFindFoldersForm&>(Window);
  const TListItem Item = Form.FoldersListView.Item(static_cast<int>(Row));
  const bool Ticked = ListView_GetCheckState(Form.FoldersListView.Handle(), static_cast<int>(Row)) != FALSE;
  CHECK(Ticked == Data.Checked);
  return std::wstring(Ticked ? L"[x] " : L"[ ] ") + Item.Caption() + L" | " + Item.SubItem(0) + L" | " +
         F.Relative(Item.SubItem(2)) + L" | " + Item.SubItem(1);
}

void WaitForMeasuring(const TFindFoldersForm& Window) {
  // Each measured folder is a message to the window: waiting for messages is waiting for the measuring.
  while (Window.Measuring() && !Application().Terminated()) Application().HandleMessage();
}

}  // namespace

TEST_CASE("Find Folders lists the folders found and not listed, with Scan's sizes; Add lists and saves them") {
  TFindWindowFixture F;
  REQUIRE(F.Linked);
  F.Start();
  TFindFoldersForm& Window = F.Form1->FindFoldersWindow();
  std::vector<std::wstring> Rows;
  std::vector<std::wstring> Sizes;
  const TModalAnswer Answer(Window, [&](TForm&) {
    WaitForMeasuring(Window);
    for (size_t Row = 0; Row < Window.Rows().size(); ++Row) Rows.push_back(Shown(F, Window, Row));
    for (const TFindFoldersRow& Row : Window.Rows()) Sizes.push_back(Row.SizeText());
    // The crash dumps join the ticked temporary folder; the link cannot be ticked.
    Window.SetChecked(1, true);
    ListView_SetCheckState(Window.FoldersListView.Handle(), 3, TRUE);
    CHECK_FALSE(Window.Rows()[3].Checked);
    Window.AddButton.Click();
  });
  F.Form1->FindFolders1Click(F.Form1.get());
  REQUIRE(Answer.Answered());

  const std::wstring L = F.Local;
  const std::vector<std::wstring> Expected{
      L"[x] Windows temporary files | 2 KB | Windows\\Temp | "
      L"Files Windows and services put aside while they work and leave behind.",
      L"[ ] Crash dumps | 3 KB | " + L + L"CrashDumps | Memory dumps Windows writes when a program crashes.",
      L"[ ] Chrome cache | 4 KB | " + L + L"Google\\Chrome\\User Data\\Default\\Cache | "
      L"Web pages and pictures Google Chrome keeps to show them again faster.",
      L"[ ] DirectX shader cache | not offered | " + L + L"D3DSCache | "
      L"a link or junction: what it leads to is not offered",
  };
  CHECK(Rows == Expected);

  // Sorted in, and saved at once.
  const std::vector<std::wstring> Listed{L + L"CrashDumps", L + L"Temp", L"Windows\\Temp"};
  CHECK(F.Captions() == Listed);
  std::vector<std::wstring> SortedListed = Listed;
  std::sort(SortedListed.begin(), SortedListed.end());
  CHECK(F.Stored() == SortedListed);
  CHECK_FALSE(F.Form1->DeleteToolButton.Enabled());

  // A Scan shows the sizes the window showed.
  F.Form1->ScanToolButtonClick(F.Form1.get());
  CHECK(F.Form1->VKRListView1.Item(0).SubItem(2) == Sizes[1]);
  CHECK(F.Form1->VKRListView1.Item(2).SubItem(2) == Sizes[0]);
  // Finding deleted nothing.
  CHECK(FileExists(F.Profile.Dir / (L + L"Target\\shader")));
  CHECK(FileExists(F.Profile.Dir / (L + L"CrashDumps\\x.dmp")));

  SUBCASE("a second look offers only what is not listed yet") {
    std::vector<std::wstring> Again;
    const TModalAnswer Second(Window, [&](TForm&) {
      WaitForMeasuring(Window);
      for (const TFindFoldersRow& Row : Window.Rows()) Again.push_back(Row.Name);
      Window.CancelButton.Click();
    });
    F.Form1->FindFolders1Click(F.Form1.get());
    REQUIRE(Second.Answered());
    CHECK(Again == std::vector<std::wstring>{L"Chrome cache", L"DirectX shader cache"});
    CHECK(F.Captions() == Listed);
  }
}

TEST_CASE("Cancel stops the measuring and adds nothing") {
  TFindWindowFixture F;
  F.Start();
  TFindFoldersForm& Window = F.Form1->FindFoldersWindow();
  const TModalAnswer Answer(Window, [&](TForm&) {
    // At once, before anything need have been measured: the window is usable.
    Window.CancelButton.Click();
    CHECK_FALSE(Window.Measuring());
    CHECK(Window.StatusLabel.Text().find(L"that can be emptied") != std::wstring::npos);
  });
  F.Form1->FindFolders1Click(F.Form1.get());
  REQUIRE(Answer.Answered());
  CHECK(F.Captions() == std::vector<std::wstring>{F.Local + L"Temp"});
  CHECK(F.Stored() == std::vector<std::wstring>{F.Local + L"Temp"});
}

TEST_CASE("Find Folders is greyed and says why when the administrator sets the folder list") {
  TFindWindowFixture F;
  F.Registry.WriteString(L"User\\Locations", L"Item1", F.Profile.Dir / L"Windows\\Temp");
  TRecordedBoxes Boxes;
  F.Start();
  CHECK_FALSE(F.Form1->FindFoldersToolButton.Enabled());
  CHECK_FALSE(F.Form1->FindFolders1.Enabled());
  CHECK(F.Form1->FindFoldersToolButton.Hint() == L"Find Folders - the folder list is set by your administrator");
  F.Form1->FindFolders1Click(F.Form1.get());
  REQUIRE(Boxes.Requests.size() == 1);
  CHECK(Boxes.Requests[0].Text == FolderListManagedText);
  CHECK(F.Captions() == std::vector<std::wstring>{L"Windows\\Temp"});
}

TEST_CASE("Find Folders is on the Tools menu, the toolbar and Ctrl+Shift+F") {
  TFindWindowFixture F;
  F.Start();
  CHECK(F.Form1->FindFolders1.Caption() == L"Find Folders...\tCtrl+Shift+F");
  CHECK(F.Form1->FindFolders1.Enabled());
  CHECK(F.Form1->FindFoldersToolButton.Enabled());
  CHECK(F.Form1->FindFoldersToolButton.Hint() == L"Find Folders");
  ACCEL Keys[32];
  const int KeyCount = CopyAcceleratorTableW(F.Form1->Accelerators(), Keys, 32);
  CHECK(std::any_of(Keys, Keys + KeyCount, [](const ACCEL& A) {
    return A.key == 'F' && (A.fVirt & ~FNOINVERT) == (FVIRTKEY | FCONTROL | FSHIFT) && A.cmd == IDM_FINDFOLDERS;
  }));
}

TEST_CASE("what a first start found beyond its list, as the status bar says it") {
  const struct {
    size_t Folders;
    int64_t Bytes;
    const wchar_t* Text;
  } Cases[] = {
      {5, 2469606195, L"Marrowby found 5 more folders with 2.3 GB that can be emptied: Find Folders..."},
      {1, 512, L"Marrowby found 1 more folder with 512 bytes that can be emptied: Find Folders..."},
      {2, 0, L"Marrowby found 2 more folders with 0 bytes that can be emptied: Find Folders..."},
      {0, 0, L""},
  };
  for (const auto& Case : Cases) CHECK(FoundMoreText(Case.Folders, Case.Bytes) == Case.Text);
}

TEST_CASE("a first start says in the status bar, after its first scan, what Find Folders found; never in a box") {
  TFindWindowFixture F;
  REQUIRE(F.Linked);
  TRecordedBoxes Boxes;
  for (const bool FirstStart : {true, false}) {
    CAPTURE(FirstStart);
    F.Start(FirstStart);
    CHECK_FALSE(F.Form1->FindingMoreFolders());
    F.Form1->ScanToolButtonClick(F.Form1.get());
    const std::wstring Scanned = F.Form1->StatusBar1.SimpleText();
    CHECK(F.Form1->FindingMoreFolders() == FirstStart);
    // Each measured folder is a message to the window: waiting for messages is waiting for the measuring.
    while (F.Form1->FindingMoreFolders() && !Application().Terminated()) Application().HandleMessage();
    // The temporary folders, the crash dumps and the Chrome cache; the link is no folder to offer.
    const int64_t Bytes = 10 + 2048 + 3000 + 1000 + 5000;
    CHECK(F.Form1->StatusBar1.SimpleText() == (FirstStart ? Scanned + L" - " + FoundMoreText(4, Bytes) : Scanned));
    // A second scan says nothing more.
    F.Form1->ScanToolButtonClick(F.Form1.get());
    CHECK_FALSE(F.Form1->FindingMoreFolders());
    F.Form1.reset();
  }
  CHECK(Boxes.Requests.empty());
}
