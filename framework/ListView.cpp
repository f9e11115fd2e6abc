#include "framework/ListView.h"

#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Exception.h"

void TListView::Create(HWND Parent, int Id, DWORD ExtraStyle) {
  FHandle = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                LVS_SHAREIMAGELISTS | ExtraStyle,
                            0, 0, 0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                            Application().HInstance(), nullptr);
  Win32Check(FHandle != nullptr, L"List view");
  ListView_SetExtendedListViewStyle(FHandle, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  // Without a label beside it, the list reads as its first column.
  TAccessibleInfo Info;
  const HWND List = FHandle;
  Info.Name = [List] { return ListViewName(List); };
  SetAccessibleInfo(FHandle, std::move(Info));
}

void TListView::AddColumn(const std::wstring& Caption, int Width, bool RightAligned) {
  LVCOLUMNW Column{};
  Column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  Column.fmt = RightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
  Column.cx = Width;
  Column.pszText = const_cast<wchar_t*>(Caption.c_str());
  ListView_InsertColumn(FHandle, ColumnCount(), &Column);
}

int TListView::ColumnCount() const {
  const HWND Header = ListView_GetHeader(FHandle);
  return Header != nullptr ? Header_GetItemCount(Header) : 0;
}

std::wstring TListView::ColumnCaption(int Column) const {
  wchar_t Buffer[260] = L"";
  LVCOLUMNW Info{};
  Info.mask = LVCF_TEXT;
  Info.pszText = Buffer;
  Info.cchTextMax = 260;
  ListView_GetColumn(FHandle, Column, &Info);
  return Buffer;
}

int TListView::ColumnWidth(int Column) const {
  if (Column < 0 || Column >= ColumnCount()) throw EListError::IndexOutOfBounds(Column);
  return ListView_GetColumnWidth(FHandle, Column);
}

void TListView::SetColumnWidth(int Column, int Width) {
  if (Column < 0 || Column >= ColumnCount()) throw EListError::IndexOutOfBounds(Column);
  ListView_SetColumnWidth(FHandle, Column, Width);
}

bool TListView::ColumnRightAligned(int Column) const {
  LVCOLUMNW Info{};
  Info.mask = LVCF_FMT;
  ListView_GetColumn(FHandle, Column, &Info);
  return (Info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT;
}

int TListView::ColumnImage(int Column) const {
  HDITEMW Item{};
  Item.mask = HDI_FORMAT | HDI_IMAGE;
  Header_GetItem(ListView_GetHeader(FHandle), Column, &Item);
  return (Item.fmt & HDF_IMAGE) != 0 ? Item.iImage : -1;
}

void TListView::SetColumnImage(int Column, int ImageIndex) {
  if (Column < 0 || Column >= ColumnCount()) throw EListError::IndexOutOfBounds(Column);
  const HWND Header = ListView_GetHeader(FHandle);
  HDITEMW Item{};
  Item.mask = HDI_FORMAT;
  Header_GetItem(Header, Column, &Item);
  Item.mask = HDI_FORMAT | HDI_IMAGE;
  if (ImageIndex >= 0) {
    Item.fmt |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
    Item.iImage = ImageIndex;
  } else {
    Item.fmt &= ~(HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
    Item.iImage = -1;
  }
  Header_SetItem(Header, Column, &Item);
}

void TListView::SetSmallImages(HIMAGELIST Images) {
  ListView_SetImageList(FHandle, Images, LVSIL_SMALL);
  Header_SetImageList(ListView_GetHeader(FHandle), Images);
}

HIMAGELIST TListView::SmallImages() const { return ListView_GetImageList(FHandle, LVSIL_SMALL); }

int TListView::Count() const { return ListView_GetItemCount(FHandle); }

TListItem TListView::Add(const std::wstring& Caption, int ImageIndex) { return Insert(Count(), Caption, ImageIndex); }

TListItem TListView::Insert(int Index, const std::wstring& Caption, int ImageIndex) {
  if (Index < 0 || Index > Count()) throw EListError::IndexOutOfBounds(Index);
  LVITEMW Item{};
  Item.mask = LVIF_TEXT | LVIF_IMAGE;
  Item.iItem = Index;
  Item.iImage = ImageIndex;
  Item.pszText = const_cast<wchar_t*>(Caption.c_str());
  const int Inserted = ListView_InsertItem(FHandle, &Item);
  if (Inserted < 0) throw Exception(L"Cannot add a row to the list");
  return TListItem(this, Inserted);
}

TListItem TListView::Item(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
  return TListItem(this, Index);
}

void TListView::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
  ListView_DeleteItem(FHandle, Index);
}

void TListView::Clear() { ListView_DeleteAllItems(FHandle); }

int TListView::SelCount() const { return static_cast<int>(ListView_GetSelectedCount(FHandle)); }

TListItem TListView::Selected() { return GetNextSelected(-1); }

TListItem TListView::GetNextSelected(int Index) {
  const int Next = ListView_GetNextItem(FHandle, Index, LVNI_SELECTED);
  return Next >= 0 ? TListItem(this, Next) : TListItem();
}

std::wstring TListView::ItemText(int Index, int Column) const {
  // Grow the buffer until the text fits; paths may be long.
  std::wstring Buffer(512, L'\0');
  for (;;) {
    LVITEMW Item{};
    Item.iSubItem = Column;
    Item.pszText = Buffer.data();
    Item.cchTextMax = static_cast<int>(Buffer.size());
    const int Length =
        static_cast<int>(SendMessageW(FHandle, LVM_GETITEMTEXTW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Item)));
    if (Length < static_cast<int>(Buffer.size()) - 1) {
      Buffer.resize(static_cast<size_t>(Length));
      return Buffer;
    }
    Buffer.resize(Buffer.size() * 2);
  }
}

void TListView::SetItemText(int Index, int Column, const std::wstring& Value) {
  ListView_SetItemText(FHandle, Index, Column, const_cast<wchar_t*>(Value.c_str()));
}

void TListView::CustomSort(const std::function<int(int, int)>& Compare) {
  // Every row carries the index it has now: the indices a platform hands to a
  // comparison during a sort differ between platforms (Wine passes positions
  // in a list it is still reordering), the rows' own values do not.
  const int Rows = Count();
  for (int i = 0; i < Rows; ++i) {
    LVITEMW Item{};
    Item.mask = LVIF_PARAM;
    Item.iItem = i;
    Item.lParam = i;
    ListView_SetItem(FHandle, &Item);
  }
  ListView_SortItems(
      FHandle,
      [](LPARAM First, LPARAM Second, LPARAM Param) -> int {
        // A platform callback: an error must not unwind through the list view.
        try {
          const auto* Fn = reinterpret_cast<const std::function<int(int, int)>*>(Param);
          return (*Fn)(static_cast<int>(First), static_cast<int>(Second));
        } catch (...) {
          return 0;
        }
      },
      reinterpret_cast<LPARAM>(&Compare));
}

LRESULT TListView::CustomDraw(NMLVCUSTOMDRAW* Draw) {
  switch (Draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return OnAdvancedCustomDrawItem ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
      FCanvasFont.SetColor(clWindowText);
      bool DefaultDraw = true;
      OnAdvancedCustomDrawItem(this, TListItem(this, static_cast<int>(Draw->nmcd.dwItemSpec)),
                               Draw->nmcd.uItemState, TCustomDrawStage::cdPrePaint, DefaultDraw);
      Draw->clrText = ColorToRGB(FCanvasFont.Color());
      return DefaultDraw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

bool TListView::HandleNotify(NMHDR* Header, LRESULT& Result) {
  switch (Header->code) {
    case NM_CLICK:
      if (OnClick) OnClick(this);
      return false;
    case NM_DBLCLK:
      if (OnDblClick) OnDblClick(this);
      return false;
    case LVN_KEYDOWN: {
      auto* Key = reinterpret_cast<NMLVKEYDOWN*>(Header);
      if (OnKeyDown) OnKeyDown(this, Key->wVKey, TShiftState::FromKeyboard());
      return false;
    }
    case LVN_COLUMNCLICK:
      if (OnColumnClick) OnColumnClick(this, reinterpret_cast<NMLISTVIEW*>(Header)->iSubItem);
      return false;
    case NM_CUSTOMDRAW:
      Result = CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(Header));
      return true;
    default:
      return false;
  }
}

// ---- TListItem --------------------------------------------------------------------

std::wstring TListItem::Caption() const { return FOwner->ItemText(FIndex, 0); }

void TListItem::SetCaption(const std::wstring& Value) { FOwner->SetItemText(FIndex, 0, Value); }

std::wstring TListItem::SubItem(int k) const { return FOwner->ItemText(FIndex, k + 1); }

void TListItem::SetSubItem(int k, const std::wstring& Value) { FOwner->SetItemText(FIndex, k + 1, Value); }

bool TListItem::Selected() const {
  return ListView_GetItemState(FOwner->Handle(), FIndex, LVIS_SELECTED) != 0;
}

void TListItem::SetSelected(bool Value) {
  ListView_SetItemState(FOwner->Handle(), FIndex, Value ? LVIS_SELECTED : 0, LVIS_SELECTED);
}
