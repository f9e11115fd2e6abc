#pragma once
// The program's report-style list: the platform list view with the settings
// every use of it shares (whole-row selection, captions not editable,
// selection visible without focus), sorting by a click on a column header
// with a direction arrow in that header, and a hook for a custom comparison.

#include "framework/Handle.h"
#include "framework/ListView.h"
#include "listview/VKRListViewFind.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Res < 0 puts Str1 first; leaving Handled false lets the default comparison decide.
using TVKROnCustomSort = std::function<void(TObject* Sender, int ColumnIndex, const std::wstring& Str1,
                                            const std::wstring& Str2, int& Res, bool& Handled)>;

class TVKRListView : public TListView {
public:
  // A header click sorts; assigning OnColumnClick replaces that.
  TVKRListView();
  ~TVKRListView() override;

  void Create(HWND Parent, int Id, bool MultiSelect);
  // Builds the arrow images once the view has its columns and image list:
  // appended to the view's small-image list, or in a list of the view's own.
  // Raises EResNotFound when an arrow picture is missing.
  void Loaded();

  // Sorts by a column in a direction and shows the arrow in that header.
  // A column that does not exist raises EListError before anything changes.
  void Sort(int ColumnIndex, bool SortAscending);
  // Sorts again by the current column and direction; nothing before the first sort.
  void SortAsIs();
  // A new row with these texts (the caption, then the sub-items): where the
  // current sort puts it, after the rows it sorts equal to; at the end while
  // the view is not sorted. The rows already there do not move.
  TListItem AddSorted(const std::vector<std::wstring>& Texts);

  bool LastSortAscending() const { return FLastSortAscending; }
  int LastSortIndex() const { return FLastSortIndex; }
  const TVKROnCustomSort& OnCustomSort() const { return FOnCustomSort; }
  void SetOnCustomSort(TVKROnCustomSort Value) { FOnCustomSort = std::move(Value); }

  // The image indices of the arrows, -1 until Loaded built them.
  int IndexUp() const { return FIndexUp; }
  int IndexDown() const { return FIndexDown; }

  // The default order of two cell texts: as date-times, else as numbers, else
  // as dotted addresses, when both texts are of that kind; otherwise as text
  // of the user's locale, ignoring case. -1, 0 or 1.
  static int CompareItemTexts(const std::wstring& Text1, const std::wstring& Text2) noexcept;

  // What the header click does for column Column.
  void HeaderClick(int Column);

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
  void ShowArrow(int ColumnIndex);
  void SortItems();
  // The comparison of two rows' texts in the sorted column, as the platform's
  // sort calls it: nothing may leave it.
  int CompareItems(const std::wstring& Text1, const std::wstring& Text2) noexcept;

  void StartFind(const std::wstring& AString);
  void FindStep();
  bool RowMatches(int Index, const std::wstring& Normalized, const std::wstring& Typed);

  UniqueImageList FArrows;
  std::unique_ptr<TFindDialog> FFindDialog;
  int32_t FFindOldStartPos = 0;
  TFindOptions FFindOptions{TFindOption::foIgnoreAccentedChars};
  int32_t FFindStartPos = 0;
  int32_t FIndexDown = -1;
  int32_t FIndexUp = -1;
  bool FLastSortAscending = true;
  int32_t FLastSortIndex = -1;
  TVKROnCustomSort FOnCustomSort;
  bool FUpdatingImages = false;
  // An error of OnCustomSort, raised again once the platform's sort returned.
  std::exception_ptr FSortError;
};
