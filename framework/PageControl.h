#pragma once
// A page control: the platform's tab control, each tab showing its own set of
// the parent's controls. The controls are siblings of the tab control (so the
// parent receives their notifications); a page shows or hides them.

#include "framework/Controls.h"
#include "framework/Handle.h"

#include <string>
#include <vector>

class TPageControl;

// Ctrl+Tab and Ctrl+Shift+Tab (and Ctrl+Page Down / Page Up) in a window
// with a tab control switch to its next or previous page, as a click on the
// tab does. True when the key was used.
bool SwitchPageByKey(HWND Root, const MSG& Message);

class TTabSheet {
public:
  TTabSheet() = default;
  int PageIndex() const { return FIndex; }
  TPageControl* PageControl() const { return FOwner; }

private:
  friend class TPageControl;
  TPageControl* FOwner = nullptr;
  int FIndex = -1;
};

class TPageControl : public TControl {
public:
  // Takes over a tab control of a dialog template and puts it under every sibling.
  void Attach(HWND Handle) override;

  // Appends a page whose tab reads Caption and which shows the controls ControlIds.
  void AddPage(TTabSheet& Sheet, const std::wstring& Caption, std::vector<int> ControlIds);
  int PageCount() const { return static_cast<int>(FPages.size()); }

  int ActivePageIndex() const;
  void SetActivePage(const TTabSheet& Sheet);
  void SetActivePageIndex(int Index);
  std::wstring PageCaption(int Index) const;

  bool HandleNotify(NMHDR* Header, LRESULT& Result) override;

  // The parent's answer to WM_CTLCOLORSTATIC and WM_CTLCOLORBTN: check boxes,
  // labels and buttons of the pages get the page body's colour (a themed tab
  // control's body is not the dialog's), edits keep their own. False when
  // Control is not one of those.
  bool HandleCtlColor(HDC DC, HWND Control, LRESULT& Result);
  // After WM_THEMECHANGED or WM_SYSCOLORCHANGE: the page body may look different.
  void PageColorChanged() { FPageBrush.reset(); }

private:
  void ShowPage(int Index);
  bool OnPage(HWND Control) const;
  COLORREF PageColor() const;

  std::vector<std::vector<int>> FPages;
  UniqueGdi<HBRUSH> FPageBrush;
};
