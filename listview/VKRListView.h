#pragma once
// The program's report-style list: the platform list view with the settings
// every use of it shares (whole-row selection, captions not editable,
// selection visible without focus).

#include "framework/ListView.h"
#include "listview/VKRListViewFind.h"

#include <cstdint>
#include <memory>

class TVKRListView : public TListView {
public:
  TVKRListView() = default;

  void Create(HWND Parent, int Id, bool MultiSelect);

  // Forward text search over the rows (listview/VKRListViewFind.cpp).
  // Find shows the find dialog for a new search; FindText starts one for
  // AString without the dialog and takes its first step; FindNext takes the
  // next step; FindRefresh makes the next step start at the selected row.
  void Find();
  void FindText(const std::wstring& AString);
  void FindNext();
  void FindRefresh();
  TFindOptions FindOptions() const { return FFindOptions; }
  void SetFindOptions(TFindOptions Value) { FFindOptions = Value; }
  // The dialog of the current search, or null before the first one.
  TFindDialog* FindDialog() const { return FFindDialog.get(); }
  TVKROnCustomFind OnCustomFind;

private:
  void StartFind(const std::wstring& AString);
  void FindStep();
  bool RowMatches(int Index, const std::wstring& Normalized, const std::wstring& Typed);

  std::unique_ptr<TFindDialog> FFindDialog;
  int32_t FFindOldStartPos = 0;
  TFindOptions FFindOptions{TFindOption::foIgnoreAccentedChars};
  int32_t FFindStartPos = 0;
};
