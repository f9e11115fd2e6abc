#include "common/VKRIconCtls.h"

#include "common/VKRFileIcon.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/FileSystem.h"

namespace {

constexpr UINT_PTR KSubclassId = 1;
constexpr DWORD RequiredStyle = LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_MULTICOLUMN;

// The hourglass while every icon of a file is extracted.
class THourGlass {
public:
  explicit THourGlass(bool Show) : FShown(Show) {
    if (FShown) SetScreenCursor(TCursor::crHourGlass);
  }
  ~THourGlass() {
    if (FShown) SetScreenCursor(TCursor::crDefault);
  }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;

private:
  bool FShown;
};

}  // namespace

TVKRIconListBox::TVKRIconListBox() {
  const int Height = GetSystemMetrics(SM_CYICON) + FMargin;
  FFont.reset(CreateFontW(-Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
}

TVKRIconListBox::~TVKRIconListBox() {
  if (FHandle != nullptr && IsWindow(FHandle)) RemoveWindowSubclass(FHandle, &TVKRIconListBox::SubclassProc, KSubclassId);
}

void TVKRIconListBox::Create(HWND Parent, int Id, int Left, int Top, int Width, int Height) {
  const HWND Created = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | RequiredStyle | LBS_NOTIFY |
                                           LBS_NOINTEGRALHEIGHT,
                                       Left, Top, Width, Height, Parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(),
                                       nullptr);
  Win32Check(Created != nullptr, L"Icon list box");
  Attach(Created);
}

void TVKRIconListBox::Attach(HWND Handle) {
  FHandle = Handle;
  if (FHandle == nullptr) return;
  const auto Style = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE));
  if ((Style & RequiredStyle) != RequiredStyle || (Style & LBS_SORT) != 0)
    throw Exception(L"Icon list box " + std::to_wstring(Id()) +
                    L": the list box must be owner-drawn, multi-column, hold strings and not sort");
  Subclass();
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
  ApplyMetrics();
  ApplyAutoDisable();
}

void TVKRIconListBox::Subclass() {
  Win32Check(SetWindowSubclass(FHandle, &TVKRIconListBox::SubclassProc, KSubclassId,
                               reinterpret_cast<DWORD_PTR>(this)) != FALSE,
             L"Icon list box");
}

LRESULT CALLBACK TVKRIconListBox::SubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR,
                                               DWORD_PTR Data) {
  if (Msg == WM_NCDESTROY) {
    auto* Self = reinterpret_cast<TVKRIconListBox*>(Data);
    RemoveWindowSubclass(Window, &TVKRIconListBox::SubclassProc, KSubclassId);
    // The items die with the window, unless it is only being made anew.
    if (!Self->FRecreating) Self->FIcons.clear();
    if (Self->FHandle == Window) Self->FHandle = nullptr;
  }
  return DefSubclassProc(Window, Msg, WParam, LParam);
}

void TVKRIconListBox::RecreateWnd() {
  if (FHandle == nullptr) return;
  const HWND Parent = GetParent(FHandle);
  const int ControlId = Id();
  RECT Bounds{};
  GetWindowRect(FHandle, &Bounds);
  MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&Bounds), 2);
  const int Selected = ItemIndex();
  std::vector<std::wstring> Texts;
  for (int i = 0; i < Count(); ++i) Texts.push_back(Item(i));
  const bool WasEnabled = IsWindowEnabled(FHandle) != FALSE;

  FRecreating = true;
  try {
    DestroyWindow(FHandle);
    FHandle = nullptr;
    Create(Parent, ControlId, Bounds.left, Bounds.top, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top);
  } catch (...) {
    FRecreating = false;
    throw;
  }
  FRecreating = false;
  for (const std::wstring& Text : Texts) SendMessageW(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
  EnableWindow(FHandle, WasEnabled ? TRUE : FALSE);
  SetItemIndex(Selected);
}

void TVKRIconListBox::ApplyMetrics() {
  FColumnWidth = GetSystemMetrics(SM_CXICON) + FMargin;
  if (FHandle == nullptr) return;
  SendMessageW(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(FColumnWidth), 0);
  SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, MAKELPARAM(GetSystemMetrics(SM_CYICON) + FMargin, 0));
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TVKRIconListBox::ApplyAutoDisable() {
  if (FHandle == nullptr) return;
  EnableWindow(FHandle, !FAutoDisable || FileExists(FFileName) ? TRUE : FALSE);
}

void TVKRIconListBox::SetFileName(const std::wstring& Value) {
  if (Value == FFileName) return;
  FFileName = Value;
  LoadIcons();
  if (OnFileChange) OnFileChange(this);
}

void TVKRIconListBox::SetAutoDisable(bool Value) {
  FAutoDisable = Value;
  ApplyAutoDisable();
}

void TVKRIconListBox::SetEnableCaching(bool Value) {
  if (Value == FEnableCaching) return;
  FEnableCaching = Value;
  // Without caching every icon must be there already.
  if (!FEnableCaching) LoadIcons();
}

void TVKRIconListBox::SetMargin(int32_t Value) {
  FMargin = Value;
  ApplyMetrics();
}

void TVKRIconListBox::LoadIcons() {
  if (FHandle != nullptr) SendMessageW(FHandle, LB_RESETCONTENT, 0, 0);
  FIcons.clear();
  FNumberOfIcons = -1;
  ApplyAutoDisable();
  if (!FileExists(FFileName)) return;

  const THourGlass Busy(!FEnableCaching);
  const HINSTANCE Instance = Application().HInstance();
  FNumberOfIcons = FileIconCount(Instance, FFileName);
  FIcons.resize(static_cast<size_t>(FNumberOfIcons));
  for (int32_t i = 0; i < FNumberOfIcons; ++i) {
    if (!FEnableCaching) FIcons[static_cast<size_t>(i)] = ExtractFileIcon(Instance, FFileName, i);
    if (FHandle != nullptr)
      SendMessageW(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(i).c_str()));
  }
  SetItemIndex(0);
}

HICON TVKRIconListBox::GetVKRIcon(int Index) {
  if (Index < 0 || static_cast<size_t>(Index) >= FIcons.size()) throw EListError::IndexOutOfBounds(Index);
  UniqueIcon& Icon = FIcons[static_cast<size_t>(Index)];
  if (FEnableCaching && !Icon) Icon = ExtractFileIcon(Application().HInstance(), FFileName, Index);
  return Icon.get();
}

HICON TVKRIconListBox::AttachedIcon(int Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FIcons.size()) throw EListError::IndexOutOfBounds(Index);
  return FIcons[static_cast<size_t>(Index)].get();
}

int TVKRIconListBox::Count() const {
  if (FHandle == nullptr) return static_cast<int>(FIcons.size());
  return static_cast<int>(SendMessageW(FHandle, LB_GETCOUNT, 0, 0));
}

std::wstring TVKRIconListBox::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
  if (FHandle == nullptr) return std::to_wstring(Index);
  const auto Length = SendMessageW(FHandle, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  const auto Copied = SendMessageW(FHandle, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Text.data()));
  Text.resize(Copied > 0 ? static_cast<size_t>(Copied) : 0);
  return Text;
}

int TVKRIconListBox::ItemIndex() const {
  if (FHandle == nullptr) return -1;
  return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
}

void TVKRIconListBox::SetItemIndex(int Value) {
  if (FHandle != nullptr) SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

int TVKRIconListBox::ItemHeight() const {
  if (FHandle == nullptr) return GetSystemMetrics(SM_CYICON) + FMargin;
  return static_cast<int>(SendMessageW(FHandle, LB_GETITEMHEIGHT, 0, 0));
}

void TVKRIconListBox::HandleFontChanged() {
  if (FHandle != nullptr) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
  ApplyMetrics();
}

bool TVKRIconListBox::HandleDrawItem(const DRAWITEMSTRUCT& Draw) {
  // Drawing never fails the window: an icon that cannot be had is left out.
  try {
    const bool Selected = (Draw.itemState & ODS_SELECTED) != 0;
    FillRect(Draw.hDC, &Draw.rcItem, GetSysColorBrush(Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (Draw.itemID != static_cast<UINT>(-1)) {
      const HICON Icon = GetVKRIcon(static_cast<int>(Draw.itemID));
      if (Icon != nullptr) {
        const int Width = GetSystemMetrics(SM_CXICON);
        const int Height = GetSystemMetrics(SM_CYICON);
        const int X = Draw.rcItem.left + (Draw.rcItem.right - Draw.rcItem.left - Width) / 2;
        const int Y = Draw.rcItem.top + (Draw.rcItem.bottom - Draw.rcItem.top - Height) / 2;
        DrawIconEx(Draw.hDC, X, Y, Icon, Width, Height, 0, nullptr, DI_NORMAL);
      }
    }
    if ((Draw.itemState & ODS_FOCUS) != 0) DrawFocusRect(Draw.hDC, &Draw.rcItem);
  } catch (...) {
  }
  return true;
}
