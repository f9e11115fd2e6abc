#pragma once
// The platform's combo box: a list of texts with an edit field (or a plain
// drop-down list). Items keep the order they were added in; a sorted combo
// box would move them away from the order the callers save and restore.

#include "framework/Controls.h"

#include <string>
#include <vector>

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TControl {
public:
  // The user chose another item (not a change made from code).
  TNotifyEvent OnChange;

  void Create(HWND Parent, int Id, TComboBoxStyle Style = TComboBoxStyle::csDropDown);

  int Count() const;
  // An index outside the items raises EListError.
  std::wstring Item(int Index) const;
  std::vector<std::wstring> Items() const;
  // Replaces every item; the edit text stays as it was.
  void SetItems(const std::vector<std::wstring>& Items);
  int Add(const std::wstring& Text);
  // Removes every item and, as the platform does, empties the edit field.
  void Clear();

  // The selected item, -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int Value);

  // Text() and SetText() of a control read and write the edit field. A
  // drop-down list has no edit field: its text is the selected item's, and
  // setting it selects the item of that text (or none).
  void SetText(const std::wstring& Value);

  bool HandleCommand(WORD Code) override;

private:
  bool IsDropDownList() const;
};
