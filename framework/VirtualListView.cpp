#include "framework/VirtualListView.h"

#include <algorithm>

void TVirtualListView::Attach(HWND Handle) {
  TListView::Attach(Handle);
  ListView_SetExtendedListViewStyle(Handle, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
}

void TVirtualListView::SetRowCount(int Count) {
  ListView_SetItemCountEx(Handle(), Count, LVSICF_NOSCROLL);
  InvalidateRect(Handle(), nullptr, TRUE);
}

bool TVirtualListView::HandleNotify(NMHDR* Header, LRESULT& Result) {
  if (Header->code != LVN_GETDISPINFOW) return TListView::HandleNotify(Header, Result);
  LVITEMW& Item = reinterpret_cast<NMLVDISPINFOW*>(Header)->item;
  if ((Item.mask & LVIF_TEXT) != 0 && Item.pszText != nullptr && Item.cchTextMax > 0) {
    FText.clear();
    if (OnGetText) {
      try {
        FText = OnGetText(Item.iItem, Item.iSubItem);
      } catch (...) {
        // Painting must go on; the row simply shows nothing.
      }
    }
    const size_t Length = std::min(FText.size(), static_cast<size_t>(Item.cchTextMax - 1));
    std::copy_n(FText.c_str(), Length, Item.pszText);
    Item.pszText[Length] = L'\0';
  }
  Result = 0;
  return true;
}

void TVirtualListView::SetSortArrow(int Column, bool Ascending) {
  const HWND Header = ListView_GetHeader(Handle());
  for (int i = 0; i < ColumnCount(); ++i) {
    HDITEMW Item{};
    Item.mask = HDI_FORMAT;
    Header_GetItem(Header, i, &Item);
    Item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == Column) Item.fmt |= Ascending ? HDF_SORTUP : HDF_SORTDOWN;
    Header_SetItem(Header, i, &Item);
  }
}
