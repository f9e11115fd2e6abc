#pragma once
// A report list view that holds no rows of its own (LVS_OWNERDATA): it asks
// for the text of the rows it shows. A hundred thousand rows cost nothing
// until they are scrolled into view.

#include "framework/ListView.h"

#include <functional>
#include <string>

class TVirtualListView : public TListView {
public:
  // The list's window must have LVS_OWNERDATA (a dialog template's control).
  void Attach(HWND Handle) override;

  // Keeps the scroll position where the rows allow it.
  void SetRowCount(int Count);

  // The text of a row in a column (column 0: the first).
  std::function<std::wstring(int Row, int Column)> OnGetText;

  bool HandleNotify(NMHDR* Header, LRESULT& Result) override;

  // Shows the sort arrow in one column's header (none elsewhere); Column -1: none at all.
  void SetSortArrow(int Column, bool Ascending);

private:
  std::wstring FText;  // the text handed out last: the list copies it before asking again
};
