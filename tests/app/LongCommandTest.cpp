#include <doctest.h>

#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/LongCommand.h"
#include "resources/MainRes.h"
#include "search/FolderSize.h"
#include "support/DropFiles.h"
#include "support/HostForm.h"
#include "support/TestStrings.h"
#include "MainWindowFixture.h"
#include "ProgressWatch.h"

#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Runs Action once from inside the message loop of whatever command runs
// then: a thread timer fires when that command lets the window repaint.
class TDuringCommand {
public:
  explicit TDuringCommand(std::function<void()> Action) : FAction(std::move(Action)) {
    Current() = this;
    FTimer = SetTimer(nullptr, 0, 1, &TDuringCommand::Tick);
  }
  ~TDuringCommand() {
    KillTimer(nullptr, FTimer);
    Current() = nullptr;
  }
  bool Ran() const { return FRan; }

private:
  static TDuringCommand*& Current() {
    static TDuringCommand* Instance = nullptr;
    return Instance;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR Id, DWORD) {
    TDuringCommand* Self = Current();
    if (Self == nullptr || Self->FTimer != Id || Self->FRan) return;
    Self->FRan = true;
    KillTimer(nullptr, Id);
    // Nothing may leave a timer callback.
    try {
      Self->FAction();
    } catch (...) {
      FAIL_CHECK("the action inside the command failed");
    }
  }

  std::function<void()> FAction;
  UINT_PTR FTimer = 0;
  bool FRan = false;
};

// Listed folders with enough subfolders that a scan of them takes many
// rounds of the message loop.
void MakeBusyFolders(TMainWindowFixture& F, int Folders) {
  std::vector<std::wstring> Names;
  for (int i = 0; i < Folders; ++i) {
    const std::wstring Name = L"busy" + std::to_wstring(i);
    for (int s = 0; s < 150; ++s)
      for (int k = 0; k < 3; ++k)
        F.Temp.MakeFile(Name + L"\\sub" + std::to_wstring(s) + L"\\f" + std::to_wstring(k) + L".tmp", 1024);
    Names.push_back(Name);
  }
  F.Start(Names);
  // The queue is delivered, and the strip is up, from the command's first
  // call of KeepResponsive: what runs during the command does not depend on
  // how fast this machine walks the folders.
  F.Form1->LongCommand1.SetStripDelay(0);
  F.Form1->LongCommand1.SetResponseInterval(0);
}

TTexts Unscanned() { return {L"?", L"?", L"? KB"}; }

// The sums of what the rows show, read back as a person would read them.
struct TShownTotals {
  int Subfolders = 0;
  int Files = 0;
  int SizeKB = 0;
};
TShownTotals ShownTotals(TMainWindowFixture& F) {
  TShownTotals Totals;
  for (int i = 0; i < F.Form1->VKRListView1.Count(); ++i) {
    const TTexts Row = F.Row(i);
    if (Row[0] == L"?") continue;
    Totals.Subfolders += std::stoi(Row[0]);
    Totals.Files += std::stoi(Row[1]);
    std::wstring Size = Row[2].substr(0, Row[2].find(L" KB"));
    Size.erase(std::remove(Size.begin(), Size.end(), L','), Size.end());
    Totals.SizeKB += std::stoi(Size);
  }
  return Totals;
}

void CheckTotalsAgreeWithRows(TMainWindowFixture& F) {
  const TShownTotals Shown = ShownTotals(F);
  CHECK(F.Form1->Current.Subfolders == Shown.Subfolders);
  CHECK(F.Form1->Current.Files == Shown.Files);
  CHECK(F.Form1->Current.SizeKB == Shown.SizeKB);
  CHECK(F.Form1->StatusBar1.SimpleText() ==
        std::to_wstring(F.Form1->VKRListView1.Count()) + L" folder(s) - " + std::to_wstring(Shown.Subfolders) +
            L" subfolder(s) - " + std::to_wstring(Shown.Files) + L" file(s) - " +
            FormatFileSize(int64_t{Shown.SizeKB} * 1024, TSizeUnit::fsKiloBytes));
}

}  // namespace

TEST_CASE("while a scan runs, input that would change the rows does nothing") {
  TMainWindowFixture F;
  MakeBusyFolders(F, 3);
  const HWND List = F.Form1->VKRListView1.Handle();
  F.Form1->VKRListView1.Item(0).SetSelected(true);
  F.Form1->VKRListView1.Item(1).SetSelected(true);
  int Boxes = 0;
  TMessageDialogHook Count([&](const TMessageDialogRequest&) {
    ++Boxes;
    return mrCancel;
  });
  bool WindowDisabled = false;
  bool StripShown = false;
  TDuringCommand During([&] {
    WindowDisabled = !IsWindowEnabled(F.Form1->Handle());
    // The Delete key on the list, a header click, the popup menu, a menu
    // command and a dropped folder: each would remove, reorder or add rows.
    SendMessageW(List, WM_KEYDOWN, VK_DELETE, 0);
    NMLISTVIEW Click{};
    Click.hdr = NMHDR{List, static_cast<UINT_PTR>(IDC_FOLDERLIST), LVN_COLUMNCLICK};
    Click.iSubItem = 0;
    SendMessageW(F.Form1->Handle(), WM_NOTIFY, IDC_FOLDERLIST, reinterpret_cast<LPARAM>(&Click));
    SendMessageW(F.Form1->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List), MAKELPARAM(10, 10));
    SendMessageW(F.Form1->Handle(), WM_COMMAND, MAKEWPARAM(IDM_REMOVEFOLDER, 0), 0);
    SendMessageW(F.Form1->Handle(), WM_COMMAND, MAKEWPARAM(IDM_ADDFOLDER, 0), 0);
    PostMessageW(F.Form1->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({F.Temp.MakeDir(L"dropped")})), 0);
    // A drop message without a drop, as another program might send one.
    SendMessageW(F.Form1->Handle(), WM_DROPFILES, 0, 0);
    CHECK(F.Form1->VKRListView1.Count() == 3);
    StripShown = F.Form1->LongCommand1.StripHandle() != nullptr;
  });
  F.Scan();
  CHECK(During.Ran());
  CHECK(WindowDisabled);
  CHECK(Boxes == 0);
  REQUIRE(F.Form1->VKRListView1.Count() == 3);
  for (int i = 0; i < 3; ++i) CHECK(F.Row(i) == TTexts{L"150", L"450", L"450 KB"});
  CHECK(IsWindowEnabled(F.Form1->Handle()));
  CHECK(StripShown);
  CHECK(F.Form1->LongCommand1.StripHandle() == nullptr);
}

TEST_CASE("Esc stops a scan: finished rows keep their figures, the others theirs, and the totals agree") {
  TMainWindowFixture F;
  MakeBusyFolders(F, 4);
  TDuringCommand During([&] { PostMessageW(F.Form1->VKRListView1.Handle(), WM_KEYDOWN, VK_ESCAPE, 0); });
  F.Scan();
  REQUIRE(During.Ran());
  // The scan ended early: the last row was never reached.
  CHECK(F.Row(3) == Unscanned());
  int Finished = 0;
  for (int i = 0; i < 4; ++i)
    if (F.Row(i) != Unscanned()) {
      CHECK(F.Row(i) == TTexts{L"150", L"450", L"450 KB"});
      ++Finished;
    }
  CHECK(Finished < 4);
  CheckTotalsAgreeWithRows(F);
  CHECK_FALSE(F.Form1->Busy());
  CHECK(F.Form1->ToolBar1.Enabled());
  CHECK(IsWindowEnabled(F.Form1->Handle()));

  SUBCASE("a second scan gives the figures of a scan that was never stopped") {
    F.Scan();
    for (int i = 0; i < 4; ++i) CHECK(F.Row(i) == TTexts{L"150", L"450", L"450 KB"});
    CHECK(F.Form1->Current.Files == 1800);
    CheckTotalsAgreeWithRows(F);
  }
}

TEST_CASE("the strip's Cancel button stops a scan as Esc does") {
  TMainWindowFixture F;
  MakeBusyFolders(F, 4);
  bool Clicked = false;
  const auto PressCancel = [&] {
    const HWND Strip = F.Form1->LongCommand1.StripHandle();
    REQUIRE(Strip != nullptr);
    CHECK(IsWindowEnabled(GetDlgItem(Strip, IDCANCEL)));
    SendMessageW(Strip, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Strip, IDCANCEL)));
    Clicked = true;
  };
  F.Form1->VKRFileFind1.OnChangeDirectory = nullptr;
  TDuringCommand During([&] { PressCancel(); });
  F.Scan();
  REQUIRE(Clicked);
  CHECK(F.Row(3) == Unscanned());
  CheckTotalsAgreeWithRows(F);
}

TEST_CASE("closing the window during a scan stops it and closes the window") {
  TMainWindowFixture F;
  MakeBusyFolders(F, 4);
  TDuringCommand During([&] { PostMessageW(F.Form1->Handle(), WM_CLOSE, 0, 0); });
  F.Scan();
  REQUIRE(During.Ran());
  CHECK(F.Row(3) == Unscanned());
  // The close follows at once, saving what a close saves.
  Application().ProcessMessages();
  CHECK_FALSE(IsWindow(F.Form1->Handle()));
  CHECK(F.Registry.ReadRaw(L"Locations", L"Item3")->AsString() == F.Temp / L"busy3");
}

TEST_CASE("no other command starts while one runs") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 10);
  F.Start({L"f"});
  int Runs = 0;
  bool SecondStarted = true;
  F.Form1->LongCommand1.Run(L"Working", [&] {
    ++Runs;
    SecondStarted = F.Form1->LongCommand1.Run(L"Again", [&] { ++Runs; });
    // The accelerators of the window do not fire either.
    F.Scan();
  });
  CHECK(Runs == 1);
  CHECK_FALSE(SecondStarted);
  CHECK(F.Row(0) == Unscanned());
}

TEST_CASE("an error inside a long command is shown once and leaves the window usable") {
  THostForm Host;
  TStatusBar Status;
  Status.Create(Host.Handle(), 10);
  TLongCommand Command;
  Command.Attach(Host.Handle(), nullptr, &Status);
  std::vector<std::wstring> Shown;
  TMessageDialogHook Answer([&](const TMessageDialogRequest& Request) {
    Shown.push_back(Request.Text);
    // A handler that fails while the first error is on screen stacks no second box.
    Application().HandleException(Exception(L"second"));
    return mrOk;
  });
  int Enabled = 0;
  Command.OnEnableCommands = [&](bool Value) { Enabled += Value ? 1 : -1; };
  Command.Run(L"Working", [] { throw Exception(L"The disk went away"); });
  CHECK(Shown == std::vector<std::wstring>{L"The disk went away"});
  CHECK_FALSE(Command.Running());
  CHECK(Enabled == 0);
  CHECK(IsWindowEnabled(Host.Handle()));
  CHECK(ScreenCursor() == TCursor::crDefault);
  // The next command runs as usual.
  bool Ran = false;
  CHECK(Command.Run(L"Working", [&] { Ran = true; }));
  CHECK(Ran);
}

namespace {

// A host that tells the moment it is enabled again.
class TEnableWatchForm : public THostForm {
public:
  std::function<void()> OnEnabled;

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override {
    if (Msg == WM_ENABLE && WParam != FALSE && OnEnabled) OnEnabled();
    return THostForm::HandleMessage(Msg, WParam, LParam, Result);
  }
};

}  // namespace

TEST_CASE("a long command gives its window back whole") {
  TEnableWatchForm Host;
  ShowWindow(Host.Handle(), SW_SHOWNORMAL);
  TLongCommand Command;
  Command.Attach(Host.Handle(), nullptr, nullptr);
  Command.SetStripDelay(0);
  Command.SetResponseInterval(0);
  std::vector<std::wstring> Shown;
  TMessageDialogHook Answer([&](const TMessageDialogRequest& Request) {
    Shown.push_back(Request.Text);
    return mrOk;
  });

  SUBCASE("the window is enabled while the strip is still there, so activation returns to it") {
    HWND Strip = nullptr;
    bool StripThereWhenEnabled = false;
    Host.OnEnabled = [&] { StripThereWhenEnabled = Strip != nullptr && IsWindow(Strip); };
    CHECK(Command.Run(L"Working", [&] {
      Command.KeepResponsive();
      Strip = Command.StripHandle();
    }));
    REQUIRE(Strip != nullptr);
    CHECK(StripThereWhenEnabled);
    CHECK_FALSE(IsWindow(Strip));
    CHECK(IsWindowEnabled(Host.Handle()));
  }

  SUBCASE("a failure as the command starts is shown once and leaves nothing running") {
    int Starts = 0;
    Command.OnEnableCommands = [&](bool Enabled) {
      if (!Enabled && ++Starts == 1) throw Exception(L"The toolbar went away");
    };
    bool Ran = false;
    CHECK(Command.Run(L"Working", [&] { Ran = true; }));
    CHECK_FALSE(Ran);
    CHECK(Shown == std::vector<std::wstring>{L"The toolbar went away"});
    CHECK_FALSE(Command.Running());
    CHECK(IsWindowEnabled(Host.Handle()));
    CHECK(ScreenCursor() == TCursor::crDefault);
    // The next command runs as usual.
    CHECK(Command.Run(L"Working", [&] { Ran = true; }));
    CHECK(Ran);
  }
}

TEST_CASE("a prompt of the command itself works, and the window stays disabled after it") {
  THostForm Host;
  TLongCommand Command;
  Command.Attach(Host.Handle(), nullptr, nullptr);
  TMessageDialogHook Answer([](const TMessageDialogRequest&) { return mrYes; });
  TModalResult Result = mrNone;
  bool DisabledAfter = false;
  Command.Run(L"Working", [&] {
    Result = Command.Prompt([] { return MessageDlg(L"Go on?", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes}); });
    // A real box enables its owner again as it closes.
    EnableWindow(Host.Handle(), TRUE);
    Command.Prompt([] { return 0; });
    DisabledAfter = !IsWindowEnabled(Host.Handle());
  });
  CHECK(Result == mrYes);
  CHECK(DisabledAfter);
  CHECK(IsWindowEnabled(Host.Handle()));
}

TEST_CASE("the progress bar gets every step while the command runs: together, as it repaints, before a prompt, at the end") {
  THostForm Host;
  TProgressBar Bar;
  Bar.Create(Host.Handle(), 1);
  TLongCommand Command;
  Command.Attach(Host.Handle(), &Bar, nullptr);
  // Never by the clock here: only what the command does brings the steps.
  Command.SetResponseInterval(24 * 60 * 60 * 1000);
  TMessageDialogHook Answer([](const TMessageDialogRequest&) { return mrYes; });
  const TProgressWatch Watch(Bar.Handle(), [&Command] { return Command.Running(); });
  REQUIRE(Watch.Watching());
  std::vector<int> Seen;
  Command.Run(L"Working", [&] {
    Command.SetProgress(0, 100);
    Command.StepProgress();  // the first step shows at once
    Seen.push_back(Bar.Position());
    for (int i = 0; i < 9; ++i) Command.StepProgress();
    Seen.push_back(Bar.Position());
    Command.Respond();
    Seen.push_back(Bar.Position());
    Command.StepProgress(5);
    Command.Prompt([&] {
      Seen.push_back(Bar.Position());
      return 0;
    });
    Command.StepProgress(3);
  });
  CHECK(Seen == std::vector<int>{1, 1, 10, 15});
  CHECK(Watch.HighestWhileRunning() == 18);
  CHECK(Bar.Position() == 0);
}

TEST_CASE("subfolders removed while the tree size is measured leave the rest of the size") {
  TTempDir Temp;
  Temp.MakeFile(L"top\\keep.bin", 4096);
  Temp.MakeFile(L"top\\a\\one.bin", 1024);
  Temp.MakeFile(L"top\\b\\two.bin", 2048);

  SUBCASE("gone before they are listed") {
    int Folders = 0;
    const int64_t Size = FolderTreeSize(Temp / L"top", [&] {
      // The top is listed; another program removes its subfolders now.
      if (++Folders != 2) return;
      RemoveTree(Temp / L"top\\a");
      RemoveTree(Temp / L"top\\b");
    });
    CHECK(Size == 4096);
  }
  SUBCASE("a hidden one gone between the search and the measure of what the search skipped") {
    Temp.MakeFile(L"top\\hidden\\three.bin", 1024);
    SetFileAttributesW((Temp / L"top\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    TVKRFileFind Find;
    Find.SetDirType({TFileType::ftDirectory});
    Find.SetFileType({TFileType::ftArchive, TFileType::ftNormal});
    Find.SetStartDirFolder(Temp / L"top");
    TFolderTreeMeasure Measure;
    Find.SetListingObserver(&Measure);
    Find.Execute();
    RemoveTree(Temp / L"top\\hidden");
    CHECK(Measure.Result(Temp / L"top") == 4096 + 1024 + 2048);
  }
}

TEST_CASE("a subfolder whose name ends in a dot or a space is measured, counted and searched") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\plain\\a.tmp", 1024);
  F.Start({L"f"});
  // Only the extended-length form can make these names.
  for (const wchar_t* Name : {L"dot.", L"space "}) {
    const std::wstring Folder = L"\\\\?\\" + (F.Temp / L"f\\") + Name;
    REQUIRE(CreateDirectoryW(Folder.c_str(), nullptr));
    UniqueFile File(CreateFileW((Folder + L"\\b.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    REQUIRE(File.valid());
    std::string Data(2048, 'x');
    DWORD Written = 0;
    WriteFile(File.get(), Data.data(), static_cast<DWORD>(Data.size()), &Written, nullptr);
  }
  F.Scan();
  CHECK(F.Row(0) == TTexts{L"3", L"3", L"5 KB"});
}
