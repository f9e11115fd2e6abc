#include "framework/CheckListBox.h"
#include "framework/Handle.h"

#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

namespace {

constexpr UINT_PTR KSubclassId = 1;

int BoxMargin() { return ScaleByDpi(2); }
int TextGap() { return ScaleByDpi(4); }

TCheckBoxState StateFromData(LRESULT Data) {
  switch (Data) {
    case static_cast<LRESULT>(TCheckBoxState::cbChecked): return TCheckBoxState::cbChecked;
    case static_cast<LRESULT>(TCheckBoxState::cbGrayed): return TCheckBoxState::cbGrayed;
    default: return TCheckBoxState::cbUnchecked;
  }
}

// The box of an item whose row is ItemRect.
RECT BoxInRow(const RECT& ItemRect, int Size) {
  RECT Box{};
  Box.left = ItemRect.left + BoxMargin();
  Box.top = ItemRect.top + (ItemRect.bottom - ItemRect.top - Size) / 2;
  Box.right = Box.left + Size;
  Box.bottom = Box.top + Size;
  return Box;
}

HFONT FontOf(HWND Window) {
  const auto Font = reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0));
  return Font != nullptr ? Font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

TCheckListBox::~TCheckListBox() { Unsubclass(); }

void TCheckListBox::Create(HWND Parent, int Id, DWORD ExtraStyle) {
  const HWND Created = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
          LBS_NOINTEGRALHEIGHT | ExtraStyle,
      0, 0, 0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(), nullptr);
  Win32Check(Created != nullptr, L"Check list box");
  Attach(Created);
}

void TCheckListBox::Attach(HWND Handle) {
  Unsubclass();
  FHandle = Handle;
  if (FHandle == nullptr) return;
  // The marks are drawn by us and kept as item data beside the texts; a
  // sorted box would move texts away from the order the callers rely on.
  const auto Style = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE));
  if ((Style & LBS_OWNERDRAWFIXED) == 0 || (Style & LBS_HASSTRINGS) == 0 || (Style & LBS_SORT) != 0)
    throw Exception(L"Check list box " + std::to_wstring(Id()) +
                    L": the list box must be owner-drawn, hold strings and not sort");
  Subclass();
  UpdateItemHeight();
  ExposeItems();
}

// The marks are drawn by us, so the platform cannot tell a reader which
// items are checked: every item is a check button child with its state.
void TCheckListBox::ExposeItems() {
  const HWND Box = FHandle;
  TAccessibleInfo Info;
  if (const TAccessibleInfo* Named = AccessibleInfoOf(Box); Named != nullptr) Info.Name = Named->Name;
  Info.ChildCount = [Box] { return static_cast<int>(std::max<LRESULT>(0, SendMessageW(Box, LB_GETCOUNT, 0, 0))); };
  Info.ChildName = [Box](int Index) {
    const LRESULT Length = SendMessageW(Box, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
    if (Length == LB_ERR) return std::wstring();
    std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
    Text.resize(static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(Box, LB_GETTEXT, static_cast<WPARAM>(Index),
                                                                        reinterpret_cast<LPARAM>(Text.data())))));
    return Text;
  };
  Info.ChildState = [Box](int Index) -> DWORD {
    DWORD State = STATE_SYSTEM_FOCUSABLE;
    switch (StateFromData(SendMessageW(Box, LB_GETITEMDATA, static_cast<WPARAM>(Index), 0))) {
      case TCheckBoxState::cbChecked: State |= STATE_SYSTEM_CHECKED; break;
      case TCheckBoxState::cbGrayed: State |= STATE_SYSTEM_MIXED; break;
      case TCheckBoxState::cbUnchecked: break;
    }
    if (SendMessageW(Box, LB_GETSEL, static_cast<WPARAM>(Index), 0) > 0) State |= STATE_SYSTEM_SELECTED;
    return State;
  };
  Info.ChildRole = ROLE_SYSTEM_CHECKBUTTON;
  SetAccessibleInfo(Box, std::move(Info));
}

void TCheckListBox::Subclass() {
  FSubclassed = SetWindowSubclass(FHandle, &TCheckListBox::SubclassProc, KSubclassId,
                                  reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  Win32Check(FSubclassed, L"Check list box");
}

void TCheckListBox::Unsubclass() noexcept {
  if (FSubclassed && FHandle != nullptr && IsWindow(FHandle))
    RemoveWindowSubclass(FHandle, &TCheckListBox::SubclassProc, KSubclassId);
  FSubclassed = false;
}

int TCheckListBox::CheckSize() const { return ScaleByDpi(13); }

void TCheckListBox::UpdateItemHeight() {
  // The list box measures owner-drawn rows only once, when it is created
  // (before anyone could answer WM_MEASUREITEM); the row height follows the font here.
  int TextHeight = 0;
  if (const TWindowDC DC(FHandle); DC) {
    const HGDIOBJ Old = SelectObject(DC.get(), FontOf(FHandle));
    TEXTMETRICW Metrics{};
    if (GetTextMetricsW(DC.get(), &Metrics)) TextHeight = Metrics.tmHeight;
    SelectObject(DC.get(), Old);
  }
  const int Height = std::max(TextHeight, CheckSize()) + ScaleByDpi(2);
  SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, MAKELPARAM(Height, 0));
  InvalidateRect(FHandle, nullptr, TRUE);
}

// ---- Items ---------------------------------------------------------------------------

int TCheckListBox::Count() const { return static_cast<int>(SendMessageW(FHandle, LB_GETCOUNT, 0, 0)); }

void TCheckListBox::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
}

std::wstring TCheckListBox::Item(int Index) const {
  CheckIndex(Index);
  const LRESULT Length = SendMessageW(FHandle, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (Length <= 0) return {};
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  const LRESULT Copied =
      SendMessageW(FHandle, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Text.data()));
  Text.resize(Copied > 0 ? static_cast<size_t>(Copied) : 0);
  return Text;
}

std::vector<std::wstring> TCheckListBox::Items() const {
  std::vector<std::wstring> Result;
  const int Total = Count();
  Result.reserve(static_cast<size_t>(Total));
  for (int i = 0; i < Total; ++i) Result.push_back(Item(i));
  return Result;
}

void TCheckListBox::SetItems(const std::vector<std::wstring>& NewItems) {
  SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
  try {
    Clear();
    for (const std::wstring& Text : NewItems) Add(Text);
  } catch (...) {
    SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
    throw;
  }
  SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(FHandle, nullptr, TRUE);
}

int TCheckListBox::Add(const std::wstring& Text, TCheckBoxState State) {
  const LRESULT Index = SendMessageW(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
  if (Index < 0) throw Exception(L"Check list box " + std::to_wstring(Id()) + L": out of memory for items");
  SendMessageW(FHandle, LB_SETITEMDATA, static_cast<WPARAM>(Index), static_cast<LPARAM>(State));
  return static_cast<int>(Index);
}

void TCheckListBox::Clear() { SendMessageW(FHandle, LB_RESETCONTENT, 0, 0); }

TCheckBoxState TCheckListBox::State(int Index) const {
  CheckIndex(Index);
  return StateFromData(SendMessageW(FHandle, LB_GETITEMDATA, static_cast<WPARAM>(Index), 0));
}

void TCheckListBox::SetState(int Index, TCheckBoxState Value) {
  CheckIndex(Index);
  if (State(Index) == Value) return;
  SendMessageW(FHandle, LB_SETITEMDATA, static_cast<WPARAM>(Index), static_cast<LPARAM>(Value));
  InvalidateItem(Index);
}

bool TCheckListBox::Checked(int Index) const { return State(Index) == TCheckBoxState::cbChecked; }

void TCheckListBox::SetChecked(int Index, bool Value) {
  SetState(Index, Value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

int TCheckListBox::ItemIndex() const { return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0)); }

void TCheckListBox::SetItemIndex(int Value) { SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(Value), 0); }

void TCheckListBox::InvalidateItem(int Index) {
  RECT Row{};
  if (SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Row)) != LB_ERR)
    InvalidateRect(FHandle, &Row, FALSE);
}

RECT TCheckListBox::CheckBoxRect(int Index) const {
  CheckIndex(Index);
  RECT Row{};
  SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Row));
  return BoxInRow(Row, CheckSize());
}

// ---- Painting -------------------------------------------------------------------------

bool TCheckListBox::HandleDrawItem(const DRAWITEMSTRUCT& Draw) {
  if (Draw.hwndItem != FHandle || Draw.CtlType != ODT_LISTBOX) return false;
  const HDC DC = Draw.hDC;
  RECT Row = Draw.rcItem;
  if (Draw.itemID == static_cast<UINT>(-1)) {
    // An empty box that has the focus still shows where it is.
    if ((Draw.itemState & ODS_FOCUS) != 0) DrawFocusRect(DC, &Row);
    return true;
  }
  const bool Enabled = IsWindowEnabled(FHandle) != FALSE;
  const bool Selected = Enabled && (Draw.itemState & ODS_SELECTED) != 0;
  FillRect(DC, &Row, GetSysColorBrush(Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

  RECT Box = BoxInRow(Row, CheckSize());
  UINT Flags = DFCS_BUTTONCHECK | DFCS_FLAT;
  switch (StateFromData(static_cast<LRESULT>(Draw.itemData))) {
    case TCheckBoxState::cbUnchecked: break;
    case TCheckBoxState::cbChecked: Flags |= DFCS_CHECKED; break;
    case TCheckBoxState::cbGrayed: Flags |= DFCS_BUTTON3STATE | DFCS_CHECKED; break;
  }
  if (!Enabled) Flags |= DFCS_INACTIVE;
  DrawFrameControl(DC, &Box, DFC_BUTTON, Flags);

  const LRESULT Length = SendMessageW(FHandle, LB_GETTEXTLEN, Draw.itemID, 0);
  std::wstring Text(Length > 0 ? static_cast<size_t>(Length) + 1 : 1, L'\0');
  const LRESULT Copied = Length > 0 ? SendMessageW(FHandle, LB_GETTEXT, Draw.itemID,
                                                   reinterpret_cast<LPARAM>(Text.data()))
                                    : 0;
  Text.resize(Copied > 0 ? static_cast<size_t>(Copied) : 0);

  RECT TextRect = Row;
  TextRect.left = Box.right + TextGap();
  const HGDIOBJ OldFont = SelectObject(DC, FontOf(FHandle));
  const COLORREF OldColor =
      SetTextColor(DC, GetSysColor(!Enabled ? COLOR_GRAYTEXT : Selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int OldMode = SetBkMode(DC, TRANSPARENT);
  DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &TextRect,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetBkMode(DC, OldMode);
  SetTextColor(DC, OldColor);
  SelectObject(DC, OldFont);

  if ((Draw.itemState & ODS_FOCUS) != 0 && (Draw.itemState & ODS_NOFOCUSRECT) == 0) DrawFocusRect(DC, &Row);
  return true;
}

// ---- Input -------------------------------------------------------------------------------

void TCheckListBox::ToggleByUser(int Index) {
  TCheckBoxState Next = TCheckBoxState::cbUnchecked;
  switch (State(Index)) {
    case TCheckBoxState::cbUnchecked: Next = TCheckBoxState::cbChecked; break;
    case TCheckBoxState::cbChecked: Next = FAllowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked; break;
    case TCheckBoxState::cbGrayed: Next = TCheckBoxState::cbUnchecked; break;
  }
  SetState(Index, Next);
  if (OnClickCheck) OnClickCheck(this);
}

bool TCheckListBox::ShowPopup(LPARAM Position) {
  POINT At{GET_X_LPARAM(Position), GET_Y_LPARAM(Position)};
  if (At.x == -1 && At.y == -1) {
    // From the keyboard: below the focused item, or at the box's corner.
    RECT Anchor{};
    const auto Caret = static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
    if (Caret < 0 || Caret >= Count() ||
        SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Caret), reinterpret_cast<LPARAM>(&Anchor)) ==
            LB_ERR) {
      GetClientRect(FHandle, &Anchor);
      Anchor.bottom = Anchor.top;
    }
    At = POINT{Anchor.left, Anchor.bottom};
    ClientToScreen(FHandle, &At);
  }
  bool Handled = false;
  if (OnContextPopup) OnContextPopup(this, At, Handled);
  if (Handled) return true;
  if (FPopupMenu == nullptr) return false;
  TrackPopupMenu(FPopupMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, At.x, At.y, 0,
                 GetAncestor(FHandle, GA_ROOT), nullptr);
  return true;
}

LRESULT TCheckListBox::HandleSubclassed(UINT Msg, WPARAM WParam, LPARAM LParam, bool& Handled) {
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // Selection and focus first, as for any list box; then the box under the mouse.
      const LRESULT Result = DefSubclassProc(FHandle, Msg, WParam, LParam);
      Handled = true;
      const POINT At{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
      const LRESULT Hit = SendMessageW(FHandle, LB_ITEMFROMPOINT, 0, MAKELPARAM(At.x, At.y));
      if (HIWORD(Hit) != 0) return Result;
      const int Index = LOWORD(Hit);
      if (Index >= Count()) return Result;
      RECT Row{};
      SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Row));
      const RECT Box = BoxInRow(Row, CheckSize());
      if (At.x >= Row.left && At.x < Box.right + BoxMargin() && At.y >= Row.top && At.y < Row.bottom)
        ToggleByUser(Index);
      return Result;
    }
    case WM_KEYDOWN:
      if (WParam != VK_SPACE) return 0;
      Handled = true;
      if (const auto Caret = static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
          Caret >= 0 && Caret < Count())
        ToggleByUser(Caret);
      return 0;
    case WM_CHAR:
      // The space went to the mark, not to the search by first letter.
      Handled = WParam == L' ';
      return 0;
    case WM_SETFONT: {
      const LRESULT Result = DefSubclassProc(FHandle, Msg, WParam, LParam);
      Handled = true;
      UpdateItemHeight();
      return Result;
    }
    case WM_CONTEXTMENU:
      Handled = ShowPopup(LParam);
      return 0;
    default:
      return 0;
  }
}

LRESULT CALLBACK TCheckListBox::SubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR,
                                             DWORD_PTR Data) {
  auto* Self = reinterpret_cast<TCheckListBox*>(Data);
  if (Msg == WM_NCDESTROY) {
    RemoveWindowSubclass(Window, &TCheckListBox::SubclassProc, KSubclassId);
    Self->FSubclassed = false;
    return DefSubclassProc(Window, Msg, WParam, LParam);
  }
  bool Handled = false;
  LRESULT Result = 0;
  try {
    Result = Self->HandleSubclassed(Msg, WParam, LParam, Handled);
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
  } catch (...) {
    Application().HandleException(Exception(L"Unexpected error"));
  }
  return Handled ? Result : DefSubclassProc(Window, Msg, WParam, LParam);
}
