#include "framework/Controls.h"

#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"

#include <oleacc.h>
#include <windowsx.h>

// ---- TControl ----------------------------------------------------------------

namespace {

// Buttons and static texts draw "&x" as an underlined x, unless told not to.
bool ShowsMnemonic(HWND Window) {
  wchar_t Class[32] = L"";
  GetClassNameW(Window, Class, 32);
  const auto Style = static_cast<DWORD>(GetWindowLongPtrW(Window, GWL_STYLE));
  if (_wcsicmp(Class, L"Button") == 0) return true;
  return _wcsicmp(Class, L"Static") == 0 && (Style & SS_NOPREFIX) == 0;
}

}  // namespace

int TControl::Id() const { return GetDlgCtrlID(FHandle); }

bool TControl::Enabled() const { return IsWindowEnabled(FHandle) != FALSE; }

void TControl::SetEnabled(bool Value) { EnableWindow(FHandle, Value ? TRUE : FALSE); }

bool TControl::Visible() const { return (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0; }

void TControl::SetVisible(bool Value) { ShowWindow(FHandle, Value ? SW_SHOW : SW_HIDE); }

std::wstring TControl::Text() const {
  const int Length = GetWindowTextLengthW(FHandle);
  std::wstring Result(static_cast<size_t>(Length) + 1, L'\0');
  const int Copied = GetWindowTextW(FHandle, Result.data(), Length + 1);
  Result.resize(static_cast<size_t>(Copied > 0 ? Copied : 0));
  return ShowsMnemonic(FHandle) ? StripMnemonic(Result) : Result;
}

void TControl::SetText(const std::wstring& Value) { SetWindowTextW(FHandle, Value.c_str()); }

void TControl::SetFont(HFONT Font) { SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE); }

void TControl::SetBounds(int Left, int Top, int Width, int Height) {
  SetWindowPos(FHandle, nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetFocus() { ::SetFocus(FHandle); }

void TControl::SetHint(const std::wstring& Value) {
  AddToolTip(FHandle, Value);
  SetAccessibleName(FHandle, Value);
}

bool TControl::HandleCommand(WORD) { return false; }

bool TControl::HandleNotify(NMHDR*, LRESULT&) { return false; }

bool TControl::HandleDrawItem(const DRAWITEMSTRUCT&) { return false; }

// ---- TButton, TCheckBox ---------------------------------------------------------

void TButton::Click() {
  SendMessageW(GetParent(FHandle), WM_COMMAND, MAKEWPARAM(Id(), BN_CLICKED), reinterpret_cast<LPARAM>(FHandle));
}

bool TButton::HandleCommand(WORD Code) {
  if (Code != BN_CLICKED) return false;
  if (OnClick) OnClick(this);
  return ModalResult == mrNone;  // the form still has to take the modal result
}

bool TCheckBox::Checked() const { return Button_GetCheck(FHandle) == BST_CHECKED; }

void TCheckBox::SetChecked(bool Value) {
  if (Checked() == Value) return;
  Button_SetCheck(FHandle, Value ? BST_CHECKED : BST_UNCHECKED);
  if (OnClick) OnClick(this);
}

bool TCheckBox::HandleCommand(WORD Code) {
  if (Code != BN_CLICKED) return false;
  if (OnClick) OnClick(this);
  return true;
}

// ---- TProgressBar ---------------------------------------------------------------

void TProgressBar::Create(HWND Parent, int Id) {
  FHandle = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(), nullptr);
  Win32Check(FHandle != nullptr, L"Progress bar");
  SetAccessibleName(FHandle, L"Progress");
  SendMessageW(FHandle, PBM_SETRANGE32, 0, 100);
  SendMessageW(FHandle, PBM_SETSTEP, 1, 0);
}

int TProgressBar::Position() const { return static_cast<int>(SendMessageW(FHandle, PBM_GETPOS, 0, 0)); }

void TProgressBar::SetPosition(int Value) { SendMessageW(FHandle, PBM_SETPOS, static_cast<WPARAM>(Value), 0); }

int TProgressBar::Min() const { return static_cast<int>(SendMessageW(FHandle, PBM_GETRANGE, TRUE, 0)); }

int TProgressBar::Max() const { return static_cast<int>(SendMessageW(FHandle, PBM_GETRANGE, FALSE, 0)); }

void TProgressBar::SetMax(int Value) { SendMessageW(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(Min()), Value); }

void TProgressBar::SetStep(int Value) { SendMessageW(FHandle, PBM_SETSTEP, static_cast<WPARAM>(Value), 0); }

void TProgressBar::StepIt() { SendMessageW(FHandle, PBM_STEPIT, 0, 0); }

void TProgressBar::StepBy(int Delta) { SendMessageW(FHandle, PBM_DELTAPOS, static_cast<WPARAM>(Delta), 0); }

// ---- TStatusBar -----------------------------------------------------------------

void TStatusBar::Create(HWND Parent, int Id) {
  FHandle = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, Parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(), nullptr);
  Win32Check(FHandle != nullptr, L"Status bar");
  SendMessageW(FHandle, SB_SIMPLE, TRUE, 0);
  // A reader hears what the bar says now.
  TAccessibleInfo Info;
  const HWND Bar = FHandle;
  Info.Name = [Bar] {
    TStatusBar Reader;
    Reader.Attach(Bar);
    const std::wstring Text = Reader.SimpleText();
    return Text.empty() ? std::wstring(L"Status") : Text;
  };
  SetAccessibleInfo(FHandle, std::move(Info));
}

std::wstring TStatusBar::SimpleText() const {
  // Set through SB_SIMPLEID, the simple text reads back as part 0 while the bar is simple.
  const LRESULT Info = SendMessageW(FHandle, SB_GETTEXTLENGTHW, 0, 0);
  std::wstring Result(static_cast<size_t>(LOWORD(Info)) + 1, L'\0');
  SendMessageW(FHandle, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(Result.data()));
  Result.resize(LOWORD(Info));
  return Result;
}

void TStatusBar::SetSimpleText(const std::wstring& Value) {
  SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(Value.c_str()));
}

int TStatusBar::HeightInPixels() const {
  RECT Bounds{};
  GetWindowRect(FHandle, &Bounds);
  return Bounds.bottom - Bounds.top;
}

// ---- TToolBar ---------------------------------------------------------------------

bool TToolButton::Enabled() const {
  return SendMessageW(FOwner->Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(FCommandId), 0) != 0;
}

void TToolButton::SetEnabled(bool Value) {
  SendMessageW(FOwner->Handle(), TB_ENABLEBUTTON, static_cast<WPARAM>(FCommandId), MAKELPARAM(Value ? TRUE : FALSE, 0));
}

std::wstring TToolButton::Hint() const { return FOwner->HintOf(FCommandId); }

void TToolButton::SetHint(const std::wstring& Value) { FOwner->SetHintOf(FCommandId, Value); }

void TToolButton::Click() {
  SendMessageW(GetParent(FOwner->Handle()), WM_COMMAND, MAKEWPARAM(FCommandId, BN_CLICKED),
               reinterpret_cast<LPARAM>(FOwner->Handle()));
}

void TToolBar::Create(HWND Parent, int Id, int BitmapId, int ImageSize, int ButtonSize,
                      const std::vector<TToolButtonDef>& Buttons) {
  FButtons = Buttons;
  FButtonSize = ButtonSize;
  FHandle = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                            WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, Parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(), nullptr);
  Win32Check(FHandle != nullptr, L"Toolbar");
  SendMessageW(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

  LoadImages(BitmapId, ImageSize);
  // The button size holds only when it is set before any button exists.
  SendMessageW(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(ButtonSize, ButtonSize));

  std::vector<TBBUTTON> Native;
  for (const TToolButtonDef& Def : FButtons) {
    TBBUTTON Button{};
    if (Def.CommandId == 0) {
      Button.fsStyle = BTNS_SEP;
      Button.iBitmap = ScaleByDpi(6);
    } else {
      Button.iBitmap = Def.ImageIndex;
      Button.idCommand = Def.CommandId;
      Button.fsState = Def.Enabled ? TBSTATE_ENABLED : 0;
      Button.fsStyle = BTNS_BUTTON;
    }
    Native.push_back(Button);
  }
  SendMessageW(FHandle, TB_ADDBUTTONSW, Native.size(), reinterpret_cast<LPARAM>(Native.data()));
  SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
  ExposeButtons();
}

// The buttons have pictures only: a reader hears their captions, the same
// texts as their tooltips. Separators are children too, as the platform counts them.
void TToolBar::ExposeButtons() {
  const HWND Bar = FHandle;
  TAccessibleInfo Info;
  Info.Name = [] { return std::wstring(L"Toolbar"); };
  Info.ChildCount = [Bar] { return static_cast<int>(SendMessageW(Bar, TB_BUTTONCOUNT, 0, 0)); };
  Info.ChildName = [Bar, Buttons = FButtons](int Index) {
    TBBUTTON Button{};
    if (!SendMessageW(Bar, TB_GETBUTTON, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Button))) return std::wstring();
    for (const TToolButtonDef& Def : Buttons)
      if (Def.CommandId != 0 && Def.CommandId == Button.idCommand && Def.Caption != nullptr) return std::wstring(Def.Caption);
    return std::wstring();
  };
  Info.ChildState = [Bar](int Index) -> DWORD {
    TBBUTTON Button{};
    if (!SendMessageW(Bar, TB_GETBUTTON, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Button))) return 0;
    return (Button.fsState & TBSTATE_ENABLED) != 0 ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
  };
  Info.ChildRole = ROLE_SYSTEM_PUSHBUTTON;
  SetAccessibleInfo(FHandle, std::move(Info));
}

void TToolBar::LoadImages(int BitmapId, int ImageSize) {
  UniqueImageList Images(ImageList_LoadImageW(Application().HInstance(), MAKEINTRESOURCEW(BitmapId), ImageSize, 0,
                                              RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
  if (!Images) throw EResNotFound(L"Toolbar bitmap " + std::to_wstring(BitmapId));
  SendMessageW(FHandle, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(Images.get()));
  FImages = std::move(Images);
}

void TToolBar::CreateForDpi(HWND Parent, int Id, int SizedBase, int DesignImageSize, int DesignButtonSize, int Dpi,
                            const std::vector<TToolButtonDef>& Buttons) {
  const int Size = PictureSizeForDpi(DesignImageSize, Dpi);
  Create(Parent, Id, PictureStripId(SizedBase, Size), Size, ScaleForDpi(DesignButtonSize, Dpi), Buttons);
  FSizedBase = SizedBase;
  FDesignImageSize = DesignImageSize;
  FDesignButtonSize = DesignButtonSize;
}

int TToolBar::ImageSize() const {
  int Width = 0, Height = 0;
  return FImages && ImageList_GetIconSize(FImages.get(), &Width, &Height) ? Width : 0;
}

void TToolBar::HandleDpiChanged(int, int NewDpi) {
  if (FSizedBase == 0) return;
  const int Size = PictureSizeForDpi(FDesignImageSize, NewDpi);
  LoadImages(PictureStripId(FSizedBase, Size), Size);
  FButtonSize = ScaleForDpi(FDesignButtonSize, NewDpi);
  SendMessageW(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(FButtonSize, FButtonSize));
  SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
}

std::wstring TToolBar::HintOf(int CommandId) const {
  for (const auto& [Id, Hint] : FHints)
    if (Id == CommandId) return Hint;
  for (const TToolButtonDef& Def : FButtons)
    if (Def.CommandId == CommandId && Def.Caption != nullptr) return Def.Caption;
  return {};
}

void TToolBar::SetHintOf(int CommandId, const std::wstring& Value) {
  std::erase_if(FHints, [CommandId](const auto& Hint) { return Hint.first == CommandId; });
  if (!Value.empty()) FHints.emplace_back(CommandId, Value);
}

int TToolBar::HeightInPixels() const {
  RECT Bounds{};
  GetWindowRect(FHandle, &Bounds);
  return Bounds.bottom - Bounds.top;
}

std::vector<HWND> TToolBar::NotifySources() const {
  const HWND Tips = reinterpret_cast<HWND>(SendMessageW(FHandle, TB_GETTOOLTIPS, 0, 0));
  if (Tips == nullptr) return {};
  return {Tips};
}

bool TToolBar::HandleNotify(NMHDR* Header, LRESULT&) {
  if (Header->code != TTN_GETDISPINFOW) return false;
  auto* Info = reinterpret_cast<NMTTDISPINFOW*>(Header);
  for (const auto& [Id, Hint] : FHints) {
    if (static_cast<UINT_PTR>(Id) == Header->idFrom) {
      Info->lpszText = const_cast<wchar_t*>(Hint.c_str());
      Info->hinst = nullptr;
      return true;
    }
  }
  for (const TToolButtonDef& Def : FButtons) {
    if (Def.CommandId != 0 && static_cast<UINT_PTR>(Def.CommandId) == Header->idFrom) {
      Info->lpszText = const_cast<wchar_t*>(Def.Caption);
      Info->hinst = nullptr;
      return true;
    }
  }
  return false;
}

// A new font makes the toolbar size its buttons anew; they keep their designed size.
void TToolBar::HandleFontChanged() {
  SendMessageW(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(FButtonSize, FButtonSize));
  SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
}

// A button click comes as the button's command id; the form runs that command.
bool TToolBar::HandleCommand(WORD) { return false; }

// ---- TMenuItem --------------------------------------------------------------------

bool TMenuItem::Exists() const { return FMenu != nullptr && GetMenuState(FMenu, FCommandId, MF_BYCOMMAND) != 0xFFFFFFFF; }

bool TMenuItem::Enabled() const {
  const UINT State = GetMenuState(FMenu, static_cast<UINT>(FCommandId), MF_BYCOMMAND);
  return State != 0xFFFFFFFF && (State & (MF_DISABLED | MF_GRAYED)) == 0;
}

void TMenuItem::SetEnabled(bool Value) {
  EnableMenuItem(FMenu, static_cast<UINT>(FCommandId), MF_BYCOMMAND | (Value ? MF_ENABLED : MF_GRAYED));
  if (FOwner != nullptr && GetMenu(FOwner) == FMenu) DrawMenuBar(FOwner);
}

std::wstring TMenuItem::Caption() const {
  wchar_t Buffer[256] = L"";
  GetMenuStringW(FMenu, static_cast<UINT>(FCommandId), Buffer, 256, MF_BYCOMMAND);
  return StripMnemonic(Buffer);
}

bool TMenuItem::Default() const {
  return GetMenuDefaultItem(FMenu, FALSE, GMDI_USEDISABLED) == static_cast<UINT>(FCommandId);
}

void TMenuItem::Click() {
  if (FOwner != nullptr) SendMessageW(FOwner, WM_COMMAND, MAKEWPARAM(FCommandId, 0), 0);
}

// ---- Screen cursor ----------------------------------------------------------------

namespace {
TCursor GScreenCursor = TCursor::crDefault;
}

TCursor ScreenCursor() { return GScreenCursor; }

void SetScreenCursor(TCursor Cursor) {
  GScreenCursor = Cursor;
  SetCursor(LoadCursorW(nullptr, Cursor == TCursor::crHourGlass ? IDC_WAIT : IDC_ARROW));
}

TShiftState TShiftState::FromKeyboard() {
  TShiftState State;
  State.Shift = GetKeyState(VK_SHIFT) < 0;
  State.Ctrl = GetKeyState(VK_CONTROL) < 0;
  State.Alt = GetKeyState(VK_MENU) < 0;
  return State;
}
