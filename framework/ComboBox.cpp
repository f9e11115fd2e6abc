#include "framework/ComboBox.h"

#include "framework/Application.h"
#include "framework/Exception.h"

#include <windowsx.h>

void TComboBox::Create(HWND Parent, int Id, TComboBoxStyle Style) {
  DWORD Kind = CBS_DROPDOWN;
  if (Style == TComboBoxStyle::csSimple) Kind = CBS_SIMPLE;
  if (Style == TComboBoxStyle::csDropDownList) Kind = CBS_DROPDOWNLIST;
  // The height includes the dropped-down list.
  const HWND Created = CreateWindowExW(0, WC_COMBOBOXW, L"",
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL | Kind, 0, 0,
                                       160, 200, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                                       Application().HInstance(), nullptr);
  Win32Check(Created != nullptr, L"Combo box");
  Attach(Created);
}

int TComboBox::Count() const { return ComboBox_GetCount(FHandle); }

std::wstring TComboBox::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
  const int Length = ComboBox_GetLBTextLen(FHandle, Index);
  if (Length <= 0) return std::wstring();
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  const int Copied = ComboBox_GetLBText(FHandle, Index, Text.data());
  Text.resize(static_cast<size_t>(Copied > 0 ? Copied : 0));
  return Text;
}

std::vector<std::wstring> TComboBox::Items() const {
  std::vector<std::wstring> Result;
  const int Total = Count();
  for (int i = 0; i < Total; ++i) Result.push_back(Item(i));
  return Result;
}

void TComboBox::SetItems(const std::vector<std::wstring>& Items) {
  // The list is emptied item by item: resetting the contents would also
  // empty the edit field.
  while (Count() > 0) ComboBox_DeleteString(FHandle, Count() - 1);
  for (const std::wstring& Text : Items) Add(Text);
}

int TComboBox::Add(const std::wstring& Text) {
  const int Index = ComboBox_AddString(FHandle, Text.c_str());
  if (Index < 0) throw EOSError(ERROR_NOT_ENOUGH_MEMORY, L"Combo box item");
  return Index;
}

void TComboBox::Clear() {
  ComboBox_ResetContent(FHandle);
  if (!IsDropDownList()) SetWindowTextW(FHandle, L"");
}

int TComboBox::ItemIndex() const { return ComboBox_GetCurSel(FHandle); }

void TComboBox::SetItemIndex(int Value) { ComboBox_SetCurSel(FHandle, Value); }

void TComboBox::SetText(const std::wstring& Value) {
  if (IsDropDownList()) {
    SetItemIndex(ComboBox_FindStringExact(FHandle, -1, Value.c_str()));
    return;
  }
  TControl::SetText(Value);
}

bool TComboBox::IsDropDownList() const {
  return (GetWindowLongPtrW(FHandle, GWL_STYLE) & 0x3) == CBS_DROPDOWNLIST;
}

bool TComboBox::HandleCommand(WORD Code) {
  if (Code != CBN_SELCHANGE || !OnChange) return false;
  OnChange(this);
  return true;
}
