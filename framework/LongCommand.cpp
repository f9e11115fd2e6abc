#include "framework/LongCommand.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/LongCommandRes.h"

#include <commctrl.h>

// The strip: a dialog of its own, enabled while its owner is not.
class TLongCommandStrip : public TForm {
public:
  TLongCommandStrip(HWND Owner, TLongCommand& Command) : TForm(L"TLongCommandStrip", TCloseAction::caHide), FCommand(Command) {
    CreateDialogHandle(IDD_LONGCOMMAND, Owner);
    AttachControl(ItemLabel, IDC_LONGCOMMANDITEM);
  }

  TLabel ItemLabel;

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override {
    // Cancel, Esc (the dialog manager turns it into IDCANCEL) and the strip's close.
    if ((Msg == WM_COMMAND && LOWORD(WParam) == IDCANCEL) || Msg == WM_CLOSE) {
      FCommand.RequestStop();
      EnableWindow(GetDlgItem(Handle(), IDCANCEL), FALSE);
      Result = 0;
      return true;
    }
    return TForm::HandleMessage(Msg, WParam, LParam, Result);
  }

private:
  TLongCommand& FCommand;
};

namespace {


bool IsUserActionNotification(UINT Code) {
  switch (Code) {
    case NM_CLICK:
    case NM_DBLCLK:
    case NM_RCLICK:
    case NM_RDBLCLK:
    case NM_RETURN:
    case LVN_KEYDOWN:
    case LVN_COLUMNCLICK:
    case LVN_ITEMACTIVATE:
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
    case LVN_BEGINLABELEDITW:
    case TBN_DROPDOWN:
      return true;
    default:
      return false;
  }
}

}  // namespace

TLongCommand::TLongCommand() = default;
TLongCommand::~TLongCommand() = default;

void TLongCommand::Attach(HWND Owner, TProgressBar* Bar, TStatusBar* Status) {
  FOwner = Owner;
  FBar = Bar;
  FStatus = Status;
}

bool TLongCommand::Run(const std::wstring& StatusText, const std::function<void()>& Work) {
  if (FRunning) return false;
  try {
    // Entering can fail half way (the status bar, the window's own handler):
    // what it did is undone like the rest.
    Enter(StatusText);
    Work();
  } catch (const std::exception& Error) {
    Leave();
    Application().HandleException(Error);
    return true;
  } catch (...) {
    Leave();
    Application().HandleException(Exception(L"Unexpected error"));
    return true;
  }
  Leave();
  return true;
}

void TLongCommand::Enter(const std::wstring& StatusText) {
  FRunning = true;
  FOwnerWasEnabled = false;
  FStop.store(false);
  FStatusText = StatusText;
  FItem.clear();
  FStarted = GetTickCount64();
  FLastResponse = FStarted;
  SetScreenCursor(TCursor::crHourGlass);
  if (OnEnableCommands) OnEnableCommands(false);
  FOwnerWasEnabled = FOwner != nullptr && IsWindowEnabled(FOwner);
  FOwnerWasActive = FOwner != nullptr && GetActiveWindow() == FOwner;
  DisableOwner();
  if (FStatus != nullptr && !StatusText.empty()) FStatus->SetSimpleText(StatusText);
}

void TLongCommand::Leave() noexcept {
  try {
    // Every step reaches the bar while the command still runs.
    ShowProgress();
    // The owner first: when the strip, the active window, goes, the system
    // activates the owner instead of another program's window.
    if (FOwner != nullptr && FOwnerWasEnabled) EnableWindow(FOwner, TRUE);
    FStrip.reset();
    // Disabling the active owner took its activation, and enabling it again
    // does not give it back: without this, the keyboard reaches nothing
    // when no strip was shown to hand the activation over.
    if (FOwnerWasActive && GetActiveWindow() != FOwner) SetActiveWindow(FOwner);
    if (OnEnableCommands) OnEnableCommands(true);
    // A full bar would say something still runs, or ran just now: it is
    // empty whenever nothing runs.
    if (FBar != nullptr) FBar->SetPosition(0);
  } catch (...) {
    // Leaving must finish: the window would stay unusable otherwise.
  }
  SetScreenCursor(TCursor::crDefault);
  FRunning = false;
}

void TLongCommand::DisableOwner() {
  if (FRunning && FOwner != nullptr && IsWindowEnabled(FOwner)) EnableWindow(FOwner, FALSE);
}

void TLongCommand::SetProgress(int Position, int Max) {
  FPendingSteps = 0;
  FFirstStep = true;
  if (FBar == nullptr) return;
  FBar->SetPosition(0);
  FBar->SetMax(Max);
  FBar->SetPosition(Position);
}

void TLongCommand::StepProgress(int By) {
  FPendingSteps += By;
  if (!FRunning || FFirstStep || GetTickCount64() - FLastBarStep >= FResponseInterval) ShowProgress();
}

void TLongCommand::ShowProgress() {
  FFirstStep = false;
  FLastBarStep = GetTickCount64();
  if (FPendingSteps == 0) return;
  const int Steps = FPendingSteps;
  FPendingSteps = 0;
  if (FBar != nullptr) FBar->StepBy(Steps);
}

void TLongCommand::SetItem(const std::wstring& Text) {
  FItem = Text;
  if (FStatus != nullptr) FStatus->SetSimpleText(Text.empty() ? FStatusText : FStatusText + L" - " + Text);
  if (FStrip) FStrip->ItemLabel.SetText(Text);
}

HWND TLongCommand::StripHandle() const { return FStrip ? FStrip->Handle() : nullptr; }

void TLongCommand::ShowStrip() {
  FStrip = std::make_unique<TLongCommandStrip>(FOwner, *this);
  if (Application().MainForm() != nullptr) FStrip->Font().Assign(Application().MainForm()->Font());
  FStrip->ItemLabel.SetText(FItem);
  // Over the bottom right corner of the window's client area, where the
  // progress bar and the status bar are.
  RECT Client{};
  GetClientRect(FOwner, &Client);
  POINT Corner{Client.right, Client.bottom};
  ClientToScreen(FOwner, &Corner);
  RECT Strip{};
  GetWindowRect(FStrip->Handle(), &Strip);
  const int Width = Strip.right - Strip.left;
  const int Height = Strip.bottom - Strip.top;
  SetWindowPos(FStrip->Handle(), nullptr, Corner.x - Width - 2, Corner.y - Height - 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(FStrip->Handle(), IsWindowVisible(FOwner) ? SW_SHOW : SW_SHOWNOACTIVATE);
  SetFocus(GetDlgItem(FStrip->Handle(), IDCANCEL));
}

void TLongCommand::KeepResponsive() {
  if (!FRunning) return;
  const ULONGLONG Now = GetTickCount64();
  if (Now - FLastResponse < FResponseInterval) return;
  FLastResponse = Now;
  if (!FStrip && FOwner != nullptr && Now - FStarted >= FStripDelay) ShowStrip();
  Respond();
}

void TLongCommand::Respond() {
  if (!FRunning) return;
  ShowProgress();
  MSG Message;
  while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
    if (Message.message == WM_QUIT) {
      // The program is ending: stop, and leave the quit for the main loop.
      PostQuitMessage(static_cast<int>(Message.wParam));
      RequestStop();
      break;
    }
    if (Message.message == WM_KEYDOWN && Message.wParam == VK_ESCAPE) {
      RequestStop();
      continue;
    }
    Application().Deliver(Message);
  }
}

bool TLongCommand::Blocks(UINT Msg, WPARAM, LPARAM LParam) const {
  if (!FRunning) return false;
  switch (Msg) {
    case WM_COMMAND:
    case WM_CONTEXTMENU:
    case WM_DROPFILES:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
      return true;
    case WM_NOTIFY:
      return IsUserActionNotification(reinterpret_cast<const NMHDR*>(LParam)->code);
    default:
      return false;
  }
}
