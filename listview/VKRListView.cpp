#include "listview/VKRListView.h"

void TVKRListView::Create(HWND Parent, int Id, bool MultiSelect) {
  // Report style, whole-row selection, read-only captions and a selection that
  // stays visible are part of the base creation.
  TListView::Create(Parent, Id, MultiSelect ? 0 : LVS_SINGLESEL);
}
