// The state of user-interface objects kept in the settings store: whole
// objects as one text value (font, column widths, window placement) or as a
// key of their own (check list box, menu, combo box).

#include "records/StoreRecords.h"

#include "framework/CheckListBox.h"
#include "framework/ComboBox.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/ListView.h"
#include "framework/Text.h"
#include "store/RegistryAccessor.h"

#include <cstddef>
#include <string>
#include <vector>

namespace {


// Characters From to To of Text, counted from 1 as the record formats are
// laid out; a range that holds nothing gives empty text.
std::wstring Chars(const std::wstring& Text, ptrdiff_t From, ptrdiff_t To) {
  if (From < 1) From = 1;
  if (To > static_cast<ptrdiff_t>(Text.size())) To = static_cast<ptrdiff_t>(Text.size());
  if (To < From) return std::wstring();
  return Text.substr(static_cast<size_t>(From - 1), static_cast<size_t>(To - From + 1));
}

ptrdiff_t CommaPos(const std::wstring& Text) { return static_cast<ptrdiff_t>(Pos(L",", Text)); }

// Drops characters 1 to Count.
void DropChars(std::wstring& Text, ptrdiff_t Count) {
  if (Count > 0) Text.erase(0, static_cast<size_t>(Count));
}

// A record value that is not there reads as empty text; one of another type
// than text is an error.
std::wstring ReadRecordText(const TRegistryAccessor& Reg, const std::wstring& Name) {
  if (!Reg.ValueExists(Name)) return std::wstring();
  return Reg.ReadString(Name);
}

// Counts and check marks are read as four bytes: data that does not fit
// cannot be fetched at all, any other type than REG_DWORD is the wrong one.
int32_t ReadRecordInteger(const TRegistryAccessor& Reg, const std::wstring& Name) {
  TRegDataInfo Info;
  if (Reg.GetDataInfo(Name, Info) && Info.DataSize > sizeof(int32_t)) TRegistryAccessor::RaiseGetData(Name);
  return Reg.ReadInteger(Name);
}

std::wstring ItemName(int32_t Index) { return L"Item" + IntToStr(Index); }

std::wstring FontText(const TFont& AFont) {
  const TFontStyles Style = AFont.Style();
  std::wstring Styles;
  if (Style.Contains(TFontStyle::fsBold)) Styles += L"|Bold";
  if (Style.Contains(TFontStyle::fsItalic)) Styles += L"|Italic";
  if (Style.Contains(TFontStyle::fsUnderline)) Styles += L"|Underline";
  if (Style.Contains(TFontStyle::fsStrikeOut)) Styles += L"|Strikeout";
  DropChars(Styles, 1);
  return L"\"" + AFont.Name() + L"\", " + IntToStr(AFont.Size()) + L", [" + Styles + L"], [" +
         ColorToString(AFont.Color()) + L"]";
}

std::wstring PlacementText(const TForm& AForm) {
  std::wstring Text = IntToStr(AForm.Height()) + L", " + IntToStr(AForm.Left()) + L", " + IntToStr(AForm.Top()) +
                      L", " + IntToStr(AForm.Width()) + L", ";
  switch (AForm.WindowState()) {
    case TWindowState::wsMaximized: Text += L"wsMaximized"; break;
    case TWindowState::wsNormal: Text += L"wsNormal"; break;
    case TWindowState::wsMinimized: break;  // restoring leaves the state alone
  }
  return Text;
}

// Without a stored placement the form goes to the middle of the primary screen.
void ApplyCentring(TForm& AForm, bool CenterDefault) {
  if (CenterDefault) AForm.CenterOnScreen();
}

}  // namespace

bool TStoreRecords::OpenEmptiedKey(TRegistryAccessor& Reg, const std::wstring& ASubKey) {
  if (FStore.Key().empty()) return false;
  const std::wstring Path = FStore.SubKeyPath(ASubKey);
  Reg.DeleteKey(Path);
  return Reg.OpenKey(Path, true);
}

// ---------------------------------------------------------------------------
// Font

void TStoreRecords::SetFont(const std::wstring& AValue, const TFont& AFont) {
  FStore.WriteRecordText(AValue, FontText(AFont));
}

TFont& TStoreRecords::GetFont(const std::wstring& AValue, TFont& AFont) {
  if (FStore.Key().empty()) return AFont;
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!Reg.OpenKeyToRead(FStore.ValueKeyPath(AValue))) return AFont;
  std::wstring Rest = ReadRecordText(Reg, TVKRRegistryEnhanced::ExtractValueName(AValue));
  if (Rest.empty()) return AFont;

  // "Name", Size, [Styles], [Colour]: each field up to the next comma. A
  // field that does not parse stops here; the ones before it stay applied.
  ptrdiff_t Comma = CommaPos(Rest);
  AFont.SetName(Chars(Rest, 2, Comma - 2));
  DropChars(Rest, Comma);

  Comma = CommaPos(Rest);
  AFont.SetSize(StrToInt(Chars(Rest, 2, Comma - 1)));
  DropChars(Rest, Comma);

  Comma = CommaPos(Rest);
  const std::wstring Styles = L"|" + Chars(Rest, 3, Comma - 2);
  DropChars(Rest, Comma);

  AFont.SetColor(StringToColor(Chars(Rest, 3, static_cast<ptrdiff_t>(Rest.size()) - 1)));

  TFontStyles Style;
  if (Pos(L"|Bold", Styles) > 0) Style.Include(TFontStyle::fsBold);
  if (Pos(L"|Italic", Styles) > 0) Style.Include(TFontStyle::fsItalic);
  if (Pos(L"|Underline", Styles) > 0) Style.Include(TFontStyle::fsUnderline);
  if (Pos(L"|Strikeout", Styles) > 0) Style.Include(TFontStyle::fsStrikeOut);
  AFont.SetStyle(Style);
  return AFont;
}

// ---------------------------------------------------------------------------
// List view columns

void TStoreRecords::SetListViewInfo(const std::wstring& AValue, const TListView& AListView) {
  std::wstring Text;
  const int Columns = AListView.ColumnCount();
  for (int i = 0; i < Columns; ++i) Text += (i > 0 ? L", " : L"") + IntToStr(AListView.ColumnWidth(i));
  FStore.WriteRecordText(AValue, Text);
}

void TStoreRecords::GetListViewInfo(const std::wstring& AValue, TListView& AListView) {
  if (FStore.Key().empty()) return;
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!Reg.OpenKeyToRead(FStore.ValueKeyPath(AValue))) return;
  const std::wstring Text = ReadRecordText(Reg, TVKRRegistryEnhanced::ExtractValueName(AValue));
  if (Text.empty()) return;
  SplitRecord(FBrkApart, Text, L", ");
  const std::vector<std::wstring> Widths = FBrkApart.StringList();
  // A width beyond the last column raises the list's index error once the
  // existing columns have theirs.
  for (size_t i = 0; i < Widths.size(); ++i) AListView.SetColumnWidth(static_cast<int>(i), StrToInt(Widths[i]));
}

// ---------------------------------------------------------------------------
// Window placement

void TStoreRecords::SetFormInfo(const std::wstring& AValue, const TForm& AForm) {
  FStore.WriteRecordText(AValue, PlacementText(AForm));
}

void TStoreRecords::GetFormInfo(const std::wstring& AValue, TForm& AForm, bool CenterDefault) {
  if (FStore.Key().empty()) return;
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!Reg.OpenKeyToRead(FStore.ValueKeyPath(AValue))) {
    ApplyCentring(AForm, CenterDefault);
    return;
  }
  // A form that is not at its designed position is placed all the same. The
  // warning box its developer would want is no message for whoever uses the
  // program: there is nothing they could do about it.

  const std::wstring Text = ReadRecordText(Reg, TVKRRegistryEnhanced::ExtractValueName(AValue));
  if (Text.empty()) {
    ApplyCentring(AForm, CenterDefault);
    return;
  }
  SplitRecord(FBrkApart, Text, L", ");
  const std::vector<std::wstring> Pieces = FBrkApart.StringList();
  if (Pieces.size() != 5) return;

  // Height, Left, Top and Width are read in that order, and a field that
  // does not parse leaves the ones before it applied. The others keep what
  // the form reported before any of them changed: a maximised form reports
  // its maximised bounds and would otherwise lose the earlier ones. The form
  // moves once: each move of a window costs the start (many requests to the
  // wineserver under Wine).
  int Left = AForm.Left();
  int Top = AForm.Top();
  int Width = AForm.Width();
  int Height = 0;
  bool Read = false;  // at least the height
  try {
    Height = StrToInt(Pieces[0]);
    Read = true;
    Left = StrToInt(Pieces[1]);
    Top = StrToInt(Pieces[2]);
    Width = StrToInt(Pieces[3]);
  } catch (...) {
    if (Read) AForm.SetBounds(Left, Top, Width, Height);
    throw;
  }
  AForm.SetBounds(Left, Top, Width, Height);

  // Maximising comes after the bounds, which become the restored bounds.
  if (Pieces[4] == L"wsMaximized")
    AForm.SetWindowState(TWindowState::wsMaximized);
  else if (Pieces[4] == L"wsNormal")
    AForm.SetWindowState(TWindowState::wsNormal);
}

// ---------------------------------------------------------------------------
// Check list box

void TStoreRecords::SetCheckListBox(const std::wstring& ASubKey, const TCheckListBox& ACheckListBox) {
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!OpenEmptiedKey(Reg, ASubKey)) return;
  // Items of equal text share one value: the last mark wins.
  const int Count = ACheckListBox.Count();
  for (int i = 0; i < Count; ++i) Reg.WriteInteger(ACheckListBox.Item(i), ACheckListBox.Checked(i) ? 1 : 0);
}

TCheckListBox& TStoreRecords::GetCheckListBox(const std::wstring& ASubKey, TCheckListBox& ACheckListBox,
                                                     bool CheckAllFirstTime) {
  if (FStore.Key().empty()) return ACheckListBox;
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (Reg.OpenKeyToRead(FStore.SubKeyPath(ASubKey))) {
    // The items come back in the registry's enumeration order, which is the
    // order they were written in on Windows (Wine sorts them by name).
    std::vector<std::wstring> Names;
    Reg.GetValueNames(Names);
    ACheckListBox.SetItems(Names);
    for (int i = 0; i < ACheckListBox.Count(); ++i)
      ACheckListBox.SetChecked(i, ReadRecordInteger(Reg, ACheckListBox.Item(i)) != 0);
  } else if (CheckAllFirstTime) {
    for (int i = 0; i < ACheckListBox.Count(); ++i) ACheckListBox.SetChecked(i, true);
  }
  return ACheckListBox;
}

// ---------------------------------------------------------------------------
// Menu

void TStoreRecords::SetMenu(const std::wstring& ASubKey, const TMenu& AMenu) {
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!OpenEmptiedKey(Reg, ASubKey)) return;
  const int32_t Count = AMenu.Count();
  Reg.WriteInteger(L"Count", Count);
  for (int32_t i = 0; i < Count; ++i) Reg.WriteString(ItemName(i), AMenu.Caption(i));
}

TMenu& TStoreRecords::GetMenu(const std::wstring& ASubKey, TMenu& AMenu, const TNotifyEvent& AMenuClick) {
  if (FStore.Key().empty()) return AMenu;
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!Reg.OpenKeyToRead(FStore.SubKeyPath(ASubKey))) return AMenu;
  AMenu.Clear();
  const int32_t Count = ReadRecordInteger(Reg, L"Count");
  for (int32_t i = 0; i < Count; ++i) {
    // Read first, so that a caption of the wrong type leaves no item behind.
    const std::wstring Caption = ReadRecordText(Reg, ItemName(i));
    TMenuEntry& Item = FMenuItems.CreateItem();
    Item.SetCaption(Caption);
    Item.OnClick = AMenuClick;
    AMenu.Add(Item);
  }
  return AMenu;
}

// ---------------------------------------------------------------------------
// Combo box

void TStoreRecords::SetComboBox(const std::wstring& ASubKey, const TComboBox& AComboBox, bool ShowText) {
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!OpenEmptiedKey(Reg, ASubKey)) return;
  const int32_t Count = AComboBox.Count();
  Reg.WriteInteger(L"Count", Count);
  Reg.WriteString(L"Text", ShowText ? AComboBox.Text() : std::wstring());
  for (int32_t i = 0; i < Count; ++i) Reg.WriteString(ItemName(i), AComboBox.Item(i));
}

TComboBox& TStoreRecords::GetComboBox(const std::wstring& ASubKey, TComboBox& AComboBox, bool ShowText) {
  if (FStore.Key().empty()) return AComboBox;
  TRegistryAccessor Reg = FStore.NewAccessor();
  if (!Reg.OpenKeyToRead(FStore.SubKeyPath(ASubKey))) return AComboBox;
  AComboBox.Clear();
  AComboBox.SetText(ShowText ? ReadRecordText(Reg, L"Text") : std::wstring());
  const int32_t Count = ReadRecordInteger(Reg, L"Count");
  for (int32_t i = 0; i < Count; ++i) AComboBox.Add(ReadRecordText(Reg, ItemName(i)));
  return AComboBox;
}
