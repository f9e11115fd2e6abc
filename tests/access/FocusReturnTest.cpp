// The keyboard comes back to the folder list after every dialog: each dialog
// is closed the ways a keyboard or mouse user closes it (Esc, Enter where a
// default button closes it, its close button), with the keys posted to the
// window that has the focus, as the keyboard's are. Then the focus of the
// interface thread is read as another program would read it
// (GetGUIThreadInfo), and an arrow key pressed at once must move the list's
// selection. The same after the main window was left for another window and
// came back.
#include <doctest.h>

#include "app/FilesView.h"
#include "app/MainWindowFixture.h"
#include "common/VKRAboutDialog.h"
#include "common/VKRFileIconDialog.h"
#include "framework/Application.h"
#include "support/HostForm.h"
#include "update/VKRAppUpdateNotify.h"

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

enum class TCloseBy { Escape, Enter, Button };

std::string CloseByName(TCloseBy Way) {
  switch (Way) {
    case TCloseBy::Escape: return "Esc";
    case TCloseBy::Enter: return "Enter";
    case TCloseBy::Button: return "its close button";
  }
  return "";
}

GUITHREADINFO ThreadInfo() {
  GUITHREADINFO Info{};
  Info.cbSize = sizeof(Info);
  if (!GetGUIThreadInfo(GetCurrentThreadId(), &Info)) FAIL_CHECK("GetGUIThreadInfo failed");
  return Info;
}

// A key as the keyboard gives it: posted to the window with the focus (the
// active window when nothing has it), read by whatever loop runs then.
void PostKey(int Key) {
  const GUITHREADINFO Info = ThreadInfo();
  const HWND Target = Info.hwndFocus != nullptr ? Info.hwndFocus : Info.hwndActive;
  PostMessageW(Target, WM_KEYDOWN, static_cast<WPARAM>(Key), 1);
  PostMessageW(Target, WM_KEYUP, static_cast<WPARAM>(Key), static_cast<LPARAM>(0xC0000001u));
}

// Closes the first window other than Main that becomes the thread's active
// window and holds the button CloseId, the way Way says, once. A dialog that
// is still up long after is a failure: it is closed so the test goes on.
class TDialogCloser {
public:
  TDialogCloser(HWND Main, int CloseId, TCloseBy Way) : FMain(Main), FCloseId(CloseId), FWay(Way) {
    FTimer = SetTimer(nullptr, 0, 20, &TDialogCloser::Tick);
    Closers()[FTimer] = this;
  }
  ~TDialogCloser() {
    KillTimer(nullptr, FTimer);
    Closers().erase(FTimer);
  }
  TDialogCloser(const TDialogCloser&) = delete;
  TDialogCloser& operator=(const TDialogCloser&) = delete;

  // The dialog was seen and the closing done.
  bool Acted() const { return FDialog != nullptr; }
  // The dialog is no longer on the screen.
  bool Gone() const { return FDialog != nullptr && (!IsWindow(FDialog) || !IsWindowVisible(FDialog)); }

private:
  static std::map<UINT_PTR, TDialogCloser*>& Closers() {
    static std::map<UINT_PTR, TDialogCloser*> Map;
    return Map;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR Id, DWORD) {
    const auto Found = Closers().find(Id);
    if (Found != Closers().end()) Found->second->Step();
  }

  void Step() {
    if (FDialog != nullptr) {
      if (Gone() || ++FTicksSince < 500) return;
      FAIL_CHECK("the dialog did not close");
      PostMessageW(FDialog, WM_CLOSE, 0, 0);
      FTicksSince = 0;
      return;
    }
    const HWND Active = ThreadInfo().hwndActive;
    if (Active == nullptr || Active == FMain || !IsWindowVisible(Active)) return;
    const HWND Button = GetDlgItem(Active, FCloseId);
    if (Button == nullptr || !IsWindowVisible(Button)) return;
    FDialog = Active;
    switch (FWay) {
      case TCloseBy::Escape:
        PostKey(VK_ESCAPE);
        break;
      case TCloseBy::Enter:
        PostKey(VK_RETURN);
        break;
      case TCloseBy::Button:
        // The button's own procedure presses and releases it, as a click does.
        PostMessageW(Button, BM_CLICK, 0, 0);
        break;
    }
  }

  HWND FMain;
  int FCloseId;
  TCloseBy FWay;
  UINT_PTR FTimer = 0;
  HWND FDialog = nullptr;
  int FTicksSince = 0;
};

// Delivers messages until Done is true; false when it never became true.
bool PumpUntil(const std::function<bool()>& Done) {
  const ULONGLONG Limit = GetTickCount64() + 20000;  // a bound for a failure, not a wait for success
  while (!Done()) {
    if (GetTickCount64() > Limit) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    Application().ProcessMessages();
  }
  return true;
}

int FirstSelected(HWND List) { return ListView_GetNextItem(List, -1, LVNI_SELECTED); }

void SelectOnly(HWND List, int Row) {
  ListView_SetItemState(List, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(List, Row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// The main window is active, the list has the keyboard, and Down moves the
// selection from the first row to the second.
void CheckKeyboardOnList(HWND Main, HWND List) {
  Application().ProcessMessages();
  const GUITHREADINFO Info = ThreadInfo();
  CHECK(Info.hwndActive == Main);
  CHECK(Info.hwndFocus == List);
  SelectOnly(List, 0);
  PostKey(VK_DOWN);
  Application().ProcessMessages();
  CHECK(FirstSelected(List) == 1);
  SelectOnly(List, 0);
}

struct TDialogCase {
  std::string Name;
  int CloseId;                 // the button a person clicks to close it
  bool EnterCloses;            // its default button closes it
  std::function<void()> Show;  // shows it; a modal one is closed when this returns
};

}  // namespace

TEST_CASE("after every dialog, closed with Esc, Enter or its button, the keys reach the folder list") {
  TMainWindowFixture F;
  F.Start({L"one", L"two", L"three"});
  F.Scan();
  F.Form1->Show();
  Application().ProcessMessages();
  const HWND Main = F.Form1->Handle();
  const HWND List = F.Form1->VKRListView1.Handle();
  SelectOnly(List, 0);
  CheckKeyboardOnList(Main, List);

  // The icon picker shows the test program's own icon: Enter has one to accept.
  wchar_t Self[MAX_PATH] = L"";
  REQUIRE(GetModuleFileNameW(nullptr, Self, MAX_PATH) > 0);
  const std::wstring IconFile = Self;

  const std::vector<TDialogCase> Dialogs = {
      {"Statistics", IDOK, true, [&] { F.Form1->StatisticsToolButtonClick(F.Form1.get()); }},
      {"Options", IDCANCEL, true, [&] { F.Form1->OptionsToolButtonClick(F.Form1.get()); }},
      {"About", IDOK, true, [&] { F.Form1->AboutToolButtonClick(F.Form1.get()); }},
      {"View Files", IDOK, true, [&] { F.Form1->ViewFiles1Click(F.Form1.get()); }},
      {"Find (modeless)", IDCANCEL, false, [&] { F.Form1->VKRListView1Find(F.Form1.get()); }},
      // The platform's own box, as MessageDlg shows the update check's
      // (the tests' own hook would answer it without a window).
      {"a message box", IDOK, true,
       [&] { MessageBoxW(Main, L"There are no new versions available.", L"Marrowby", MB_OK | MB_ICONINFORMATION); }},
      {"New Version", IDOK, true,
       [&] {
         TVKRAppUpdateNotifyBox Box;
         Box.SetReadmeText(L"What is new");
         Box.ShowModal();
       }},
      {"the icon picker", IDCANCEL, true,
       [&] {
         TVKRFileIconDlg Dialog(Main);
         Dialog.FileIcon().SetIconFileName(IconFile);
         Dialog.FileIcon().SetIconIndex(0);
         Dialog.ShowModal();
       }},
      // Enter adds the folder the shell's dialog selects to the test's own list.
      {"the folder browse dialog", IDCANCEL, true, [&] { F.Form1->AddFolderToolButtonClick(F.Form1.get()); }},
  };

  // The user leaves the window, then comes back to it (Alt+Tab, a click).
  THostForm Other;
  struct TLeave {
    std::string Name;
    std::function<void()> Leave;
  };
  const std::vector<TLeave> Leaves = {
      {"another window of the program", [&] { Other.Show(); }},
      // As when another program takes the foreground: the thread has no active window.
      {"another program", [&] { SetForegroundWindow(GetDesktopWindow()); }},
  };

  for (const TDialogCase& Dialog : Dialogs) {
    for (const TCloseBy Way : {TCloseBy::Escape, TCloseBy::Enter, TCloseBy::Button}) {
      if (Way == TCloseBy::Enter && !Dialog.EnterCloses) continue;
      const std::string ClosedWith = CloseByName(Way);
      CAPTURE(Dialog.Name);
      CAPTURE(ClosedWith);
      SelectOnly(List, 0);
      {
        TDialogCloser Closer(Main, Dialog.CloseId, Way);
        Dialog.Show();
        CHECK(PumpUntil([&] { return Closer.Gone(); }));
      }
      CheckKeyboardOnList(Main, List);

      for (const TLeave& Leave : Leaves) {
        CAPTURE(Leave.Name);
        Leave.Leave();
        Application().ProcessMessages();
        // Away means away: the list has lost the keyboard, coming back must give it again.
        const GUITHREADINFO Away = ThreadInfo();
        CHECK(Away.hwndActive != Main);
        CHECK(Away.hwndFocus != List);
        SetForegroundWindow(Main);
        CheckKeyboardOnList(Main, List);
      }
      Other.Hide();
      Application().ProcessMessages();
    }
  }
}

TEST_CASE("a hidden form keeps no focus, and the window it came from has it back") {
  TMainWindowFixture F;
  F.Start({L"one", L"two"});
  F.Form1->Show();
  Application().ProcessMessages();
  const HWND Main = F.Form1->Handle();
  const HWND List = F.Form1->VKRListView1.Handle();
  CheckKeyboardOnList(Main, List);

  // The focus rests on the main window itself: the window hands it to the list.
  SetFocus(Main);
  CHECK(ThreadInfo().hwndFocus == List);

  // A form hidden from code while it has the keyboard (not closed by the
  // user): the dialog's own focus must not stay behind.
  TForm3& Statistics = F.Form1->StatisticsDialog();
  Statistics.Show();
  Application().ProcessMessages();
  REQUIRE(ThreadInfo().hwndActive == Statistics.Handle());
  Statistics.Hide();
  CheckKeyboardOnList(Main, List);
  const HWND Focus = ThreadInfo().hwndFocus;
  CHECK_FALSE((Focus == Statistics.Handle() || IsChild(Statistics.Handle(), Focus)));
}
