#pragma once
// The platform's report-style list view: columns, rows addressed by index,
// selection, the events the forms use, and sorting with a comparison.

#include "framework/Controls.h"
#include "framework/Graphics.h"

#include <functional>
#include <string>

class TListView;

// One row of a list view; "none" when it refers to no row.
class TListItem {
public:
  TListItem() = default;
  TListItem(TListView* Owner, int Index) : FOwner(Owner), FIndex(Index) {}

  explicit operator bool() const { return FOwner != nullptr && FIndex >= 0; }
  int Index() const { return FIndex; }
  TListView* Owner() const { return FOwner; }

  std::wstring Caption() const;
  void SetCaption(const std::wstring& Value);
  // Sub-item k is shown in column k + 1.
  std::wstring SubItem(int k) const;
  void SetSubItem(int k, const std::wstring& Value);
  bool Selected() const;
  void SetSelected(bool Value);

private:
  TListView* FOwner = nullptr;
  int FIndex = -1;
};

enum class TCustomDrawStage { cdPrePaint, cdPostPaint };

class TListView : public TControl {
public:
  // Report style, whole-row selection, captions not editable, selection shown
  // without focus; ExtraStyle adds to that (LVS_SINGLESEL, ...).
  void Create(HWND Parent, int Id, DWORD ExtraStyle = 0);

  void AddColumn(const std::wstring& Caption, int Width, bool RightAligned = false);
  int ColumnCount() const;
  std::wstring ColumnCaption(int Column) const;
  int ColumnWidth(int Column) const;
  void SetColumnWidth(int Column, int Width);
  bool ColumnRightAligned(int Column) const;
  // The header image of a column, -1 for none.
  int ColumnImage(int Column) const;
  void SetColumnImage(int Column, int ImageIndex);

  void SetSmallImages(HIMAGELIST Images);
  HIMAGELIST SmallImages() const;

  int Count() const;
  TListItem Add(const std::wstring& Caption, int ImageIndex = 0);
  // A row put before the row at Index (Count() appends).
  TListItem Insert(int Index, const std::wstring& Caption, int ImageIndex = 0);
  TListItem Item(int Index);
  void Delete(int Index);
  void Clear();

  int SelCount() const;
  // The first selected row, or none.
  TListItem Selected();
  // The next selected row after the row at Index, or none.
  TListItem GetNextSelected(int Index);

  // Text of a row in a column: column 0 is the caption.
  std::wstring ItemText(int Index, int Column) const;
  void SetItemText(int Index, int Column, const std::wstring& Value);

  // Sorts the rows with Compare(index1, index2) < 0 meaning row 1 goes first.
  // The indices are those the rows had before the sort: read what the
  // comparison needs first, the rows move while it runs.
  void CustomSort(const std::function<int(int, int)>& Compare);

  // The font of the row being drawn, for OnAdvancedCustomDrawItem.
  TFont& CanvasFont() { return FCanvasFont; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)> OnKeyDown;
  std::function<void(TObject* Sender, int Column)> OnColumnClick;
  std::function<void(TListView* Sender, TListItem Item, UINT State, TCustomDrawStage Stage, bool& DefaultDraw)>
      OnAdvancedCustomDrawItem;

  bool HandleNotify(NMHDR* Header, LRESULT& Result) override;

private:
  LRESULT CustomDraw(NMLVCUSTOMDRAW* Draw);

  TFont FCanvasFont;
};
