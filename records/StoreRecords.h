#pragma once
// Records: the state of a user-interface object kept in the settings store,
// in one text value (font, column widths, placement) or in a key of its own
// (check list box, menu, combo box). The store itself keeps values only; the
// records live on the user-interface side, on top of it.
//
// A record that is not there leaves the object as it is; text that does not
// parse raises EConvertError, a value of the wrong type ERegistryException,
// each after the fields before it were applied.

#include "common/VKRBreakApart.h"
#include "framework/Menus.h"
#include "framework/Object.h"
#include "store/VKRRegistryEnhanced.h"

#include <string>

class TCheckListBox;
class TComboBox;
class TFont;
class TForm;
class TListView;

class TStoreRecords {
public:
  // The records are kept in Store, which must outlive this object.
  explicit TStoreRecords(TVKRRegistryEnhanced& Store) : FStore(Store) {}
  TStoreRecords(const TStoreRecords&) = delete;
  TStoreRecords& operator=(const TStoreRecords&) = delete;

  void SetFont(const std::wstring& AValue, const TFont& AFont);
  TFont& GetFont(const std::wstring& AValue, TFont& AFont);
  void SetListViewInfo(const std::wstring& AValue, const TListView& AListView);
  void GetListViewInfo(const std::wstring& AValue, TListView& AListView);
  void SetFormInfo(const std::wstring& AValue, const TForm& AForm);
  // Without a stored placement the form is centred on the primary screen
  // when CenterDefault is true.
  void GetFormInfo(const std::wstring& AValue, TForm& AForm, bool CenterDefault);
  void SetCheckListBox(const std::wstring& ASubKey, const TCheckListBox& ACheckListBox);
  // Once a record exists it alone decides the items; before that the box
  // keeps its own, all checked when CheckAllFirstTime is true.
  TCheckListBox& GetCheckListBox(const std::wstring& ASubKey, TCheckListBox& ACheckListBox, bool CheckAllFirstTime);
  void SetMenu(const std::wstring& ASubKey, const TMenu& AMenu);
  // The items made belong to this object: the next GetMenu or its end frees them.
  TMenu& GetMenu(const std::wstring& ASubKey, TMenu& AMenu, const TNotifyEvent& AMenuClick);
  void SetComboBox(const std::wstring& ASubKey, const TComboBox& AComboBox, bool ShowText);
  TComboBox& GetComboBox(const std::wstring& ASubKey, TComboBox& AComboBox, bool ShowText);

private:
  // The record's key, emptied and opened for writing; false without a store
  // key or when it cannot be made.
  bool OpenEmptiedKey(TRegistryAccessor& Reg, const std::wstring& ASubKey);

  TVKRRegistryEnhanced& FStore;
  TVKRBreakApart FBrkApart;  // record values are split with it
  TMenuItemOwner FMenuItems;  // menu items made by GetMenu
};
