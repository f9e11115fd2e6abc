#include "framework/PageControl.h"

#include "framework/Exception.h"

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
