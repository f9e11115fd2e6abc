#include "framework/PageControl.h"
#include "framework/Handle.h"

#include "framework/Exception.h"

#include <algorithm>

void TPageControl::Attach(HWND Handle) {
  TControl::Attach(Handle);
  // The pages' controls paint over the tab control, never under it.
  SetWindowPos(Handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowLongPtrW(Handle, GWL_STYLE, GetWindowLongPtrW(Handle, GWL_STYLE) | WS_CLIPSIBLINGS);
}

void TPageControl::AddPage(TTabSheet& Sheet, const std::wstring& Caption, std::vector<int> ControlIds) {
  TCITEMW Item{};
  Item.mask = TCIF_TEXT;
  Item.pszText = const_cast<wchar_t*>(Caption.c_str());
  const int Index = static_cast<int>(FPages.size());
  if (TabCtrl_InsertItem(FHandle, Index, &Item) != Index) throw Exception(L"Cannot add the page " + Caption);
  FPages.push_back(std::move(ControlIds));
  Sheet.FOwner = this;
  Sheet.FIndex = Index;
  ShowPage(ActivePageIndex());
}

int TPageControl::ActivePageIndex() const { return TabCtrl_GetCurSel(FHandle); }

void TPageControl::SetActivePage(const TTabSheet& Sheet) { SetActivePageIndex(Sheet.PageIndex()); }

void TPageControl::SetActivePageIndex(int Index) {
  if (Index < 0 || Index >= PageCount()) throw EListError::IndexOutOfBounds(Index);
  TabCtrl_SetCurSel(FHandle, Index);
  ShowPage(Index);
}

std::wstring TPageControl::PageCaption(int Index) const {
  wchar_t Caption[128] = L"";
  TCITEMW Item{};
  Item.mask = TCIF_TEXT;
  Item.pszText = Caption;
  Item.cchTextMax = 128;
  TabCtrl_GetItem(FHandle, Index, &Item);
  return Caption;
}

void TPageControl::ShowPage(int Index) {
  const HWND Parent = GetParent(FHandle);
  // Hide the others first, so that focus never rests on a hidden control.
  for (int Page = 0; Page < PageCount(); ++Page)
    if (Page != Index)
      for (int Id : FPages[static_cast<size_t>(Page)]) ShowWindow(GetDlgItem(Parent, Id), SW_HIDE);
  if (Index >= 0 && Index < PageCount())
    for (int Id : FPages[static_cast<size_t>(Index)]) ShowWindow(GetDlgItem(Parent, Id), SW_SHOW);
}

bool TPageControl::HandleNotify(NMHDR* Header, LRESULT&) {
  if (Header->code != TCN_SELCHANGE) return false;
  ShowPage(ActivePageIndex());
  return true;
}

bool TPageControl::OnPage(HWND Control) const {
  if (GetParent(Control) != GetParent(FHandle)) return false;
  const int Id = GetDlgCtrlID(Control);
  return std::any_of(FPages.begin(), FPages.end(), [Id](const std::vector<int>& Page) {
    return std::find(Page.begin(), Page.end(), Id) != Page.end();
  });
}

COLORREF TPageControl::PageColor() const {
  // The tab control paints its body itself, themed or not: ask it to paint
  // into a bitmap and read the colour back from the middle of the body.
  COLORREF Color = GetSysColor(COLOR_BTNFACE);
  RECT Client{};
  GetClientRect(FHandle, &Client);
  RECT Body = Client;
  TabCtrl_AdjustRect(FHandle, FALSE, &Body);
  if (Client.right <= 0 || Client.bottom <= 0 || Body.right <= Body.left || Body.bottom <= Body.top) return Color;
  const TWindowDC Screen(FHandle);
  if (!Screen) return Color;
  UniqueMemoryDC Memory(CreateCompatibleDC(Screen.get()));
  UniqueGdi<HBITMAP> Bitmap(CreateCompatibleBitmap(Screen.get(), Client.right, Client.bottom));
  if (Memory && Bitmap) {
    const HGDIOBJ Old = SelectObject(Memory.get(), Bitmap.get());
    SendMessageW(FHandle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Memory.get()), PRF_CLIENT | PRF_ERASEBKGND);
    const COLORREF Read = GetPixel(Memory.get(), (Body.left + Body.right) / 2, (Body.top + Body.bottom) / 2);
    if (Read != CLR_INVALID) Color = Read;
    SelectObject(Memory.get(), Old);
  }
  return Color;
}

bool TPageControl::HandleCtlColor(HDC DC, HWND Control, LRESULT& Result) {
  if (FHandle == nullptr || !OnPage(Control)) return false;
  // A disabled edit asks as a static does; it keeps the look of a disabled edit.
  wchar_t Class[16] = L"";
  GetClassNameW(Control, Class, 16);
  if (lstrcmpiW(Class, WC_BUTTONW) != 0 && lstrcmpiW(Class, WC_STATICW) != 0) return false;
  if (!FPageBrush) FPageBrush.reset(CreateSolidBrush(PageColor()));
  if (!FPageBrush) return false;
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, GetSysColor(COLOR_WINDOWTEXT));
  Result = reinterpret_cast<LRESULT>(FPageBrush.get());
  return true;
}

bool SwitchPageByKey(HWND Root, const MSG& Message) {
  if (Message.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) return false;
  bool Backward = false;
  if (Message.wParam == VK_TAB)
    Backward = GetKeyState(VK_SHIFT) < 0;
  else if (Message.wParam == VK_PRIOR || Message.wParam == VK_NEXT)
    Backward = Message.wParam == VK_PRIOR;
  else
    return false;
  HWND Tabs = nullptr;
  for (HWND Child = FindWindowExW(Root, nullptr, WC_TABCONTROLW, nullptr); Child != nullptr;
       Child = FindWindowExW(Root, Child, WC_TABCONTROLW, nullptr))
    if (IsWindowVisible(Child) && IsWindowEnabled(Child)) {
      Tabs = Child;
      break;
    }
  if (Tabs == nullptr) return false;
  const int Count = TabCtrl_GetItemCount(Tabs);
  if (Count <= 1) return true;
  const int Next = (TabCtrl_GetCurSel(Tabs) + (Backward ? Count - 1 : 1)) % Count;
  // The same notifications as a click on the tab, so the owner shows the page.
  NMHDR Header{Tabs, static_cast<UINT_PTR>(GetDlgCtrlID(Tabs)), TCN_SELCHANGING};
  const HWND Parent = GetParent(Tabs);
  if (SendMessageW(Parent, WM_NOTIFY, Header.idFrom, reinterpret_cast<LPARAM>(&Header)) != 0) return true;
  TabCtrl_SetCurSel(Tabs, Next);
  Header.code = TCN_SELCHANGE;
  SendMessageW(Parent, WM_NOTIFY, Header.idFrom, reinterpret_cast<LPARAM>(&Header));
  // The control that had the focus may be on the page just hidden.
  const HWND Focus = GetFocus();
  if (Focus == nullptr || !IsWindowVisible(Focus)) SetFocus(Tabs);
  return true;
}
