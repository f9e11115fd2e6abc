#pragma once
// The program's report-style list: the platform list view with the settings
// every use of it shares (whole-row selection, captions not editable,
// selection visible without focus).

#include "framework/ListView.h"

class TVKRListView : public TListView {
public:
  TVKRListView() = default;

  void Create(HWND Parent, int Id, bool MultiSelect);
};
