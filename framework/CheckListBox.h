#pragma once
// A list box whose items carry a check mark: unchecked, checked or greyed.
// It is an owner-drawn list box; the form it sits on routes WM_DRAWITEM to
// it (TForm does for every registered control). A click on an item's box or
// the space bar on the focused item toggles the mark.

#include "framework/Controls.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };

class TCheckListBox : public TControl {
public:
  TCheckListBox() = default;
  ~TCheckListBox() override;

  void Create(HWND Parent, int Id, DWORD ExtraStyle = 0);
  // Takes over a list box of a dialog template, which must be declared with
  // LBS_OWNERDRAWFIXED and LBS_HASSTRINGS (and without LBS_SORT).
  void Attach(HWND Handle) override;

  int Count() const;
  std::wstring Item(int Index) const;
  std::vector<std::wstring> Items() const;
  // Replaces every item; the new items are all unchecked.
  void SetItems(const std::vector<std::wstring>& Items);
  int Add(const std::wstring& Text, TCheckBoxState State = TCheckBoxState::cbUnchecked);
  void Clear();

  // An index outside the items raises EListError.
  TCheckBoxState State(int Index) const;
  void SetState(int Index, TCheckBoxState Value);
  bool Checked(int Index) const;
  void SetChecked(int Index, bool Value);

  // Whether a click can also lead to the greyed state (checked, greyed, unchecked).
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }

  // The selected item, -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int Value);

  // A popup menu (a menu's submenu, not owned) shown on a right click or the
  // context-menu key; its commands go to the top-level window as WM_COMMAND.
  HMENU PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(HMENU Value) { FPopupMenu = Value; }

  // After the user changed an item's mark.
  TNotifyEvent OnClickCheck;
  // Before the popup menu shows, at MousePos in screen coordinates; setting
  // Handled keeps the menu from showing.
  std::function<void(TObject* Sender, POINT MousePos, bool& Handled)> OnContextPopup;

  bool HandleDrawItem(const DRAWITEMSTRUCT& Draw) override;

  // Where an item's box is drawn, in client coordinates.
  RECT CheckBoxRect(int Index) const;

private:
  void Subclass();
  void ExposeItems();
  void Unsubclass() noexcept;
  void UpdateItemHeight();
  int CheckSize() const;
  void CheckIndex(int Index) const;
  void InvalidateItem(int Index);
  void ToggleByUser(int Index);
  bool ShowPopup(LPARAM Position);
  static LRESULT CALLBACK SubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR Id,
                                       DWORD_PTR Data);
  LRESULT HandleSubclassed(UINT Msg, WPARAM WParam, LPARAM LParam, bool& Handled);

  bool FAllowGrayed = false;
  HMENU FPopupMenu = nullptr;
  bool FSubclassed = false;
};
