#include "framework/Forms.h"

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "framework/Menus.h"

#include <algorithm>
#include <utility>
#include <vector>

TForm::TForm(std::wstring ClassName, TCloseAction DefaultCloseAction)
    : FClassName(std::move(ClassName)), FDefaultCloseAction(DefaultCloseAction) {
  FFont.OnChange = [this](TObject*) { ApplyFont(); };
  Application().RegisterForm(this);
}

TForm::~TForm() { Application().UnregisterForm(this); }

void TForm::FormClose(TObject*, TCloseAction&) {}

void TForm::FormDestroy(TObject*) {}

// ---- Bounds ------------------------------------------------------------------------

namespace {

RECT WindowBounds(HWND Window) {
  RECT Bounds{};
  if (IsIconic(Window)) {
    WINDOWPLACEMENT Placement{};
    Placement.length = sizeof(Placement);
    GetWindowPlacement(Window, &Placement);
    Bounds = Placement.rcNormalPosition;
    // The normal position is in work-area coordinates; the form speaks screen coordinates.
    MONITORINFO Monitor{};
    Monitor.cbSize = sizeof(Monitor);
    if (GetMonitorInfoW(MonitorFromWindow(Window, MONITOR_DEFAULTTOPRIMARY), &Monitor))
      OffsetRect(&Bounds, Monitor.rcWork.left - Monitor.rcMonitor.left, Monitor.rcWork.top - Monitor.rcMonitor.top);
  } else {
    GetWindowRect(Window, &Bounds);
  }
  return Bounds;
}

}  // namespace

int TForm::Left() const { return WindowBounds(Handle()).left; }
int TForm::Top() const { return WindowBounds(Handle()).top; }
int TForm::Width() const {
  const RECT Bounds = WindowBounds(Handle());
  return Bounds.right - Bounds.left;
}
int TForm::Height() const {
  const RECT Bounds = WindowBounds(Handle());
  return Bounds.bottom - Bounds.top;
}

void TForm::SetBounds(int NewLeft, int NewTop, int NewWidth, int NewHeight) {
  if (IsIconic(Handle()) || IsZoomed(Handle())) {
    // Changing a minimised or maximised window changes where it is restored to.
    WINDOWPLACEMENT Placement{};
    Placement.length = sizeof(Placement);
    GetWindowPlacement(Handle(), &Placement);
    MONITORINFO Monitor{};
    Monitor.cbSize = sizeof(Monitor);
    int DX = 0, DY = 0;
    if (GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &Monitor)) {
      DX = Monitor.rcWork.left - Monitor.rcMonitor.left;
      DY = Monitor.rcWork.top - Monitor.rcMonitor.top;
    }
    Placement.rcNormalPosition = RECT{NewLeft - DX, NewTop - DY, NewLeft - DX + NewWidth, NewTop - DY + NewHeight};
    Placement.showCmd = IsWindowVisible(Handle()) ? (IsIconic(Handle()) ? SW_SHOWMINIMIZED : SW_SHOWMAXIMIZED) : SW_HIDE;
    SetWindowPlacement(Handle(), &Placement);
    return;
  }
  // A window that has these bounds already stays as it is: a move costs
  // (under Wine some thirty requests to the wineserver for a top-level
  // window: its size limits, the monitors) and changes nothing here.
  RECT Now{};
  GetWindowRect(Handle(), &Now);
  if (Now.left == NewLeft && Now.top == NewTop && Now.right - Now.left == NewWidth && Now.bottom - Now.top == NewHeight)
    return;
  SetWindowPos(Handle(), nullptr, NewLeft, NewTop, NewWidth, NewHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetLeft(int Value) { SetBounds(Value, Top(), Width(), Height()); }
void TForm::SetTop(int Value) { SetBounds(Left(), Value, Width(), Height()); }
void TForm::SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
void TForm::SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }

int TForm::ClientWidth() const {
  RECT Client{};
  GetClientRect(Handle(), &Client);
  return Client.right;
}

int TForm::ClientHeight() const {
  RECT Client{};
  GetClientRect(Handle(), &Client);
  return Client.bottom;
}

TWindowState TForm::WindowState() const {
  // A window hidden by being destroyed still carries the state the user gave
  // it; only a state set (or kept by Hide) while hidden is waiting to be shown.
  if (!IsWindowVisible(Handle()) && FStatePending) return FPendingState;
  if (IsIconic(Handle())) return TWindowState::wsMinimized;
  if (IsZoomed(Handle())) return TWindowState::wsMaximized;
  return TWindowState::wsNormal;
}

void TForm::SetWindowState(TWindowState Value) {
  FPendingState = Value;
  if (IsWindowVisible(Handle()))
    ApplyWindowState();
  else
    FStatePending = true;
}

void TForm::ApplyWindowState() {
  switch (FPendingState) {
    case TWindowState::wsNormal:
      ShowWindow(Handle(), SW_SHOWNORMAL);
      break;
    case TWindowState::wsMinimized:
      ShowWindow(Handle(), SW_SHOWMINIMIZED);
      break;
    case TWindowState::wsMaximized:
      ShowWindow(Handle(), SW_SHOWMAXIMIZED);
      break;
  }
}

std::wstring TForm::Caption() const {
  const int Length = GetWindowTextLengthW(Handle());
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  Text.resize(static_cast<size_t>(GetWindowTextW(Handle(), Text.data(), Length + 1)));
  return Text;
}

void TForm::SetCaption(const std::wstring& Value) { SetWindowTextW(Handle(), Value.c_str()); }

void TForm::ApplyFont() {
  if (!HandleAllocated()) return;
  // The font is made for the DPI of the form's monitor, which need not be the
  // screen's (a window opened on a second monitor); the change comes back here.
  if (const int Dpi = PixelsPerInch(); FFont.PixelsPerInch() != Dpi) {
    FFont.SetPixelsPerInch(Dpi);
    return;
  }
  const HFONT Font = FFont.Handle();
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
  EnumChildWindows(
      Handle(),
      [](HWND Child, LPARAM Param) -> BOOL {
        SendMessageW(Child, WM_SETFONT, static_cast<WPARAM>(Param), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(Font));
  std::vector<TControl*> Notified;
  for (const auto& [Window, Control] : FControls)
    if (std::find(Notified.begin(), Notified.end(), Control) == Notified.end()) {
      Notified.push_back(Control);
      Control->HandleFontChanged();
    }
}

void TForm::CenterOnScreen() {
  const int ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  SetBounds((ScreenWidth - Width()) / 2, (ScreenHeight - Height()) / 2, Width(), Height());
}

void TForm::SetClientSize(int NewWidth, int NewHeight) {
  RECT Bounds{0, 0, NewWidth, NewHeight};
  AdjustWindowRectEx(&Bounds, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), GetMenu(Handle()) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  SetWindowPos(Handle(), nullptr, 0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// The control that takes a form's focus: the one that had it last, or the
// first tab stop; null when the form has none.
HWND FocusTargetOf(HWND Form, HWND LastFocus) {
  HWND Target = LastFocus;
  if (Target == nullptr || !IsChild(Form, Target) || !IsWindowVisible(Target) || !IsWindowEnabled(Target))
    Target = GetNextDlgTabItem(Form, nullptr, FALSE);
  return Target != nullptr && IsChild(Form, Target) ? Target : nullptr;
}

bool CanTakeActivation(HWND Window) {
  return Window != nullptr && IsWindow(Window) && IsWindowVisible(Window) && IsWindowEnabled(Window);
}

// After Form hid: a hidden form never keeps the focus. The window that was
// active before it (Previous), or else its owner, is active again, and that
// window's last focused control has the focus. Without a window manager
// nothing else decides which window comes next (Wine), and a form shown
// while the program was in the background had none before it.
void HandBackFocus(HWND Form, HWND Previous) {
  HWND Next = Previous != Form && CanTakeActivation(Previous) ? Previous : nullptr;
  if (Next == nullptr) {
    const HWND Owner = GetWindow(Form, GW_OWNER);
    if (CanTakeActivation(Owner)) Next = Owner;
  }
  if (Next != nullptr && GetActiveWindow() != Next) SetActiveWindow(Next);
  // Activation hands the focus over through the window's own WM_ACTIVATE;
  // when the window was active already nothing did, and its WM_SETFOCUS
  // passes the focus on to its last control.
  const HWND Now = GetFocus();
  if (Now == nullptr || !(Now == Form || IsChild(Form, Now))) return;
  ::SetFocus(Next != nullptr && GetActiveWindow() == Next ? Next : nullptr);
}

}  // namespace

// ---- Showing and closing ------------------------------------------------------------

bool TForm::Visible() const { return IsWindowVisible(Handle()) != FALSE; }

void TForm::Show() {
  if (!FShownOnce && (FPosition == TPosition::poScreenCenter || FPosition == TPosition::poDesktopCenter))
    CenterOnScreen();
  FShownOnce = true;
  if (!IsWindowVisible(Handle())) {
    if (FPendingState == TWindowState::wsNormal) KeepInsideWorkArea();
    ApplyWindowState();
  }
  FStatePending = false;
  SetForegroundWindow(Handle());
}

void TForm::Hide() {
  if (IsWindowVisible(Handle())) {
    FPendingState = WindowState();
    FStatePending = true;
    const HWND Previous = GetActiveWindow();
    ShowWindow(Handle(), SW_HIDE);
    HandBackFocus(Handle(), Previous);
  }
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  TCloseAction Action = FDefaultCloseAction;
  FormClose(this, Action);
  switch (Action) {
    case TCloseAction::caNone:
      break;
    case TCloseAction::caHide:
      Hide();
      break;
    case TCloseAction::caMinimize:
      ShowWindow(Handle(), SW_MINIMIZE);
      break;
    case TCloseAction::caFree:
      // FormDestroy runs from WM_DESTROY, while the window still has its bounds.
      DestroyHandle();
      break;
  }
}

TModalResult TForm::ShowModal() {
  if (FModal || Visible()) throw Exception(L"Cannot make a visible window modal");
  // Every other window of the program stays disabled while the form is up.
  struct TEnumState {
    HWND Self;
    std::vector<HWND> Disabled;
  } State{Handle(), {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND Window, LPARAM Param) -> BOOL {
        auto* Enum = reinterpret_cast<TEnumState*>(Param);
        if (Window != Enum->Self && IsWindowVisible(Window) && IsWindowEnabled(Window))
          Enum->Disabled.push_back(Window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&State));
  const std::vector<HWND>& Disabled = State.Disabled;
  const HWND Previous = GetActiveWindow();
  for (HWND Window : Disabled) EnableWindow(Window, FALSE);

  FModal = true;
  FModalResult = mrNone;
  if (FPosition == TPosition::poScreenCenter || FPosition == TPosition::poDesktopCenter) CenterOnScreen();
  FShownOnce = true;
  KeepInsideWorkArea();
  ShowWindow(Handle(), SW_SHOW);
  FStatePending = false;
  SetForegroundWindow(Handle());
  try {
    while (FModalResult == mrNone && !Application().Terminated()) Application().HandleMessage();
  } catch (...) {
    for (HWND Window : Disabled) EnableWindow(Window, TRUE);
    FModal = false;
    ShowWindow(Handle(), SW_HIDE);
    HandBackFocus(Handle(), Previous);
    throw;
  }
  if (FModalResult == mrNone) FModalResult = mrCancel;
  // Re-enable the others first, so that activation returns to them.
  for (HWND Window : Disabled) EnableWindow(Window, TRUE);
  ShowWindow(Handle(), SW_HIDE);
  FModal = false;
  HandBackFocus(Handle(), Previous);
  return FModalResult;
}

// ---- DPI --------------------------------------------------------------------------

int TForm::PixelsPerInch() const { return FDpi > 0 ? FDpi : WindowPixelsPerInch(Handle()); }

void TForm::DpiChanged(int, int) {}

namespace {

// Every column stays in sight (Total: the columns' width, -1 to measure it): the first, the widest in this program's lists,
// gives up what the others need, down to a third of its width.
void FitColumns(HWND List, int Total) {
  if (Total < 0) {
    const HWND Header = ListView_GetHeader(List);
    const int Columns = Header != nullptr ? Header_GetItemCount(Header) : 0;
    Total = 0;
    for (int Column = 0; Column < Columns; ++Column) Total += ListView_GetColumnWidth(List, Column);
  }
  RECT Client{};
  GetClientRect(List, &Client);
  const int Excess = Total - Client.right;
  const int First = ListView_GetColumnWidth(List, 0);
  if (Excess <= 0 || First <= 0) return;
  ListView_SetColumnWidth(List, 0, std::max(First / 3, First - Excess));
}

// The controls of a dialog were placed for the DPI it had: each edge moves
// by the ratio of the DPIs, so controls that touched still touch (an edit and
// its up-down). A child dialog's controls are placed within it likewise.
void ScaleDialogControls(HWND Parent, int OldDpi, int NewDpi) {
  for (HWND Child = GetWindow(Parent, GW_CHILD); Child != nullptr; Child = GetWindow(Child, GW_HWNDNEXT)) {
    RECT Bounds{};
    GetWindowRect(Child, &Bounds);
    wchar_t Class[32] = L"";
    GetClassNameW(Child, Class, 32);
    // A combo box's height is that of its open list: the closed one is the font's.
    if (_wcsicmp(Class, WC_COMBOBOXW) == 0) {
      RECT Dropped{};
      if (SendMessageW(Child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&Dropped)))
        Bounds.bottom = std::max(Bounds.bottom, Dropped.bottom);
    }
    MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&Bounds), 2);
    const auto Scale = [OldDpi, NewDpi](LONG Value) { return MulDiv(Value, NewDpi, OldDpi); };
    SetWindowPos(Child, nullptr, Scale(Bounds.left), Scale(Bounds.top), Scale(Bounds.right) - Scale(Bounds.left),
                 Scale(Bounds.bottom) - Scale(Bounds.top), SWP_NOZORDER | SWP_NOACTIVATE);
    if (_wcsicmp(Class, L"#32770") == 0) ScaleDialogControls(Child, OldDpi, NewDpi);
  }
}

}  // namespace

void TForm::ChangeDpi(int NewDpi, const RECT& Suggested) {
  const int OldDpi = PixelsPerInch();
  FDpi = NewDpi;
  if (NewDpi == OldDpi) return;
  SetWindowPos(Handle(), nullptr, Suggested.left, Suggested.top, Suggested.right - Suggested.left,
               Suggested.bottom - Suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FFont.SetPixelsPerInch(NewDpi);  // gives every control the font again
  RefontTooltips(NewDpi);
  // A form made from a dialog template has its controls where the template
  // put them at the old DPI; a form made in code lays itself out.
  if (IsDialog()) ScaleDialogControls(Handle(), OldDpi, NewDpi);
  // Columns were sized for the old DPI: keep their share of the list.
  for (HWND Child = GetWindow(Handle(), GW_CHILD); Child != nullptr; Child = GetWindow(Child, GW_HWNDNEXT)) {
    wchar_t Class[32] = L"";
    GetClassNameW(Child, Class, 32);
    if (_wcsicmp(Class, WC_LISTVIEWW) != 0) continue;
    const HWND Header = ListView_GetHeader(Child);
    const int Columns = Header != nullptr ? Header_GetItemCount(Header) : 0;
    int Total = 0;
    for (int Column = 0; Column < Columns; ++Column) {
      ListView_SetColumnWidth(Child, Column, MulDiv(ListView_GetColumnWidth(Child, Column), NewDpi, OldDpi));
      Total += ListView_GetColumnWidth(Child, Column);
    }
    FitColumns(Child, Total);
  }
  std::vector<TControl*> Notified;
  for (const auto& [Window, Control] : FControls)
    if (std::find(Notified.begin(), Notified.end(), Control) == Notified.end()) {
      Notified.push_back(Control);
      Control->HandleDpiChanged(OldDpi, NewDpi);
    }
  DpiChanged(OldDpi, NewDpi);
}

void TForm::RefontTooltips(int Dpi) {
  // Tooltips are windows of their own, owned by the form: the form's font
  // does not reach them, and they keep the one of the DPI they were made at.
  UniqueGdi<HFONT> Font(CreateTooltipFontForDpi(Dpi));
  if (!Font) return;
  struct TEnumState {
    HWND Owner;
    HFONT Font;
  } State{Handle(), Font.get()};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND Window, LPARAM Param) -> BOOL {
        const auto* Enum = reinterpret_cast<const TEnumState*>(Param);
        wchar_t Class[32] = L"";
        GetClassNameW(Window, Class, 32);
        if (GetWindow(Window, GW_OWNER) == Enum->Owner && _wcsicmp(Class, TOOLTIPS_CLASSW) == 0)
          SendMessageW(Window, WM_SETFONT, reinterpret_cast<WPARAM>(Enum->Font), FALSE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&State));
  // The tooltips hold the new font before the old one goes.
  FTooltipFont = std::move(Font);
}

void TForm::KeepInsideWorkArea() {
  if (IsIconic(Handle()) || IsZoomed(Handle())) return;
  RECT Bounds{};
  GetWindowRect(Handle(), &Bounds);
  const RECT Inside = KeepInWorkArea(Bounds);
  if (EqualRect(&Bounds, &Inside)) return;
  SetWindowPos(Handle(), nullptr, Inside.left, Inside.top, Inside.right - Inside.left, Inside.bottom - Inside.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // A narrower window: its report lists keep every column in sight.
  if (Inside.right - Inside.left < Bounds.right - Bounds.left)
    for (HWND Child = GetWindow(Handle(), GW_CHILD); Child != nullptr; Child = GetWindow(Child, GW_HWNDNEXT)) {
      wchar_t Class[32] = L"";
      GetClassNameW(Child, Class, 32);
      if (_wcsicmp(Class, WC_LISTVIEWW) == 0) FitColumns(Child, -1);
    }
}

void TForm::SetWindowIcon(int IconId) {
  // Shared icons belong to the module: nothing to free.
  for (const auto& [Kind, Metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int Size = GetSystemMetrics(Metric);
    const HANDLE Icon = LoadImageW(Application().HInstance(), MAKEINTRESOURCEW(IconId), IMAGE_ICON, Size, Size, LR_SHARED);
    if (Icon != nullptr) SendMessageW(Handle(), WM_SETICON, static_cast<WPARAM>(Kind), reinterpret_cast<LPARAM>(Icon));
  }
}

// ---- Focus ------------------------------------------------------------------------

void TForm::RestoreFocus() {
  const HWND Target = FocusTargetOf(Handle(), FLastFocus);
  ::SetFocus(Target != nullptr ? Target : Handle());
}

// ---- Messages ---------------------------------------------------------------------

void TForm::BindCommand(int CommandId, std::function<void()> Handler) { FCommands[CommandId] = std::move(Handler); }

bool TForm::RunCommand(int CommandId) {
  const auto Found = FCommands.find(CommandId);
  if (Found == FCommands.end() || !Found->second) return false;
  Found->second();
  return true;
}

void TForm::RegisterControl(TControl& Control) {
  FControls[Control.Handle()] = &Control;
  for (HWND Source : Control.NotifySources()) FControls[Source] = &Control;
}

void TForm::AttachControl(TControl& Control, int ControlId) {
  Control.Attach(GetDlgItem(Handle(), ControlId));
  if (Control.Handle() == nullptr) throw EResNotFound(FClassName + L": control " + std::to_wstring(ControlId));
  RegisterControl(Control);
}

bool TForm::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_COMMAND: {
      const int Id = LOWORD(WParam);
      auto Control = LParam != 0 ? FControls.find(reinterpret_cast<HWND>(LParam)) : FControls.end();
      // Wine's IsDialogMessage looks for the default button's id among every
      // descendant, so Enter may name a part of a control that carries the
      // same id (a time picker's up-down has id 1): the form's own control is meant.
      if (Control == FControls.end() && LParam != 0 && GetParent(reinterpret_cast<HWND>(LParam)) != Handle())
        if (const HWND Own = GetDlgItem(Handle(), Id); Own != nullptr) Control = FControls.find(Own);
      if (Control != FControls.end()) {
        if (Control->second->HandleCommand(HIWORD(WParam))) return true;
        if (auto* Button = dynamic_cast<TButton*>(Control->second); Button != nullptr && Button->ModalResult != mrNone) {
          FModalResult = Button->ModalResult;
          return true;
        }
      }
      if (RunCommand(Id)) return true;
      // Menu items made at run time carry their own handlers.
      if (LParam == 0 && DispatchMenuCommand(static_cast<UINT>(Id))) return true;
      if (Id == IDCANCEL) {
        Close();
        return true;
      }
      return false;
    }
    case WM_NOTIFY: {
      auto* Header = reinterpret_cast<NMHDR*>(LParam);
      const auto Control = FControls.find(Header->hwndFrom);
      return Control != FControls.end() && Control->second->HandleNotify(Header, Result);
    }
    case WM_DRAWITEM: {
      const auto* Draw = reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
      if (Draw->CtlType == ODT_MENU) return false;
      const auto Control = FControls.find(Draw->hwndItem);
      if (Control == FControls.end() || !Control->second->HandleDrawItem(*Draw)) return false;
      Result = TRUE;
      return true;
    }
    case WM_ACTIVATE:
      // A dialog's own procedure keeps its focus; other forms do it here, so
      // the control that had the focus has it again when a dialog closes.
      if (IsDialog()) return false;
      if (LOWORD(WParam) == WA_INACTIVE) {
        const HWND Focus = GetFocus();
        if (Focus != nullptr && IsChild(Handle(), Focus)) FLastFocus = Focus;
        return false;
      }
      if (HIWORD(WParam) != 0) return false;  // activated while minimised: nothing to focus yet
      RestoreFocus();
      return true;
    case WM_SETFOCUS: {
      // The form itself takes no keys: the control that had the focus takes
      // it back (a dialog's own procedure does the same for a dialog).
      if (IsDialog()) return false;
      if (const HWND Target = FocusTargetOf(Handle(), FLastFocus); Target != nullptr) ::SetFocus(Target);
      Result = 0;
      return true;
    }
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(WParam), *reinterpret_cast<const RECT*>(LParam));
      Result = 0;
      return true;
    case WM_CLOSE:
      Close();
      return true;
    case WM_SETCURSOR:
      if (ScreenCursor() == TCursor::crHourGlass) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        Result = TRUE;
        return true;
      }
      return false;
    case WM_DESTROY:
      FormDestroy(this);
      if (Application().MainForm() == this) Application().Terminate();
      return false;
    default:
      return false;
  }
}
