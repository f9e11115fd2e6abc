#pragma once
// A list box that shows every icon of one file in a single row. Items are
// the icons' indexes ("0", "1", ...); the icons themselves are extracted when
// an item is first drawn, or all at once when caching is off. The form it
// sits on routes WM_DRAWITEM to it.

#include "framework/Controls.h"
#include "framework/Handle.h"

#include <cstdint>
#include <string>
#include <vector>

class TVKRIconListBox : public TControl {
public:
  TVKRIconListBox();
  ~TVKRIconListBox() override;

  void Create(HWND Parent, int Id, int Left, int Top, int Width, int Height);
  // Takes over a list box of a dialog template, declared with
  // LBS_OWNERDRAWFIXED, LBS_HASSTRINGS and LBS_MULTICOLUMN.
  void Attach(HWND Handle) override;
  // Makes the window anew; the items and their icons survive.
  void RecreateWnd();

  // Setting another file reloads the list, then raises OnFileChange.
  const std::wstring& FileName() const { return FFileName; }
  void SetFileName(const std::wstring& Value);
  // True: enabled exactly while FileName names an existing file.
  bool AutoDisable() const { return FAutoDisable; }
  void SetAutoDisable(bool Value);
  // False: every icon is extracted when the file is loaded.
  bool EnableCaching() const { return FEnableCaching; }
  void SetEnableCaching(bool Value);
  // Pixels added to the system icon size for the column width and the item height.
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t Value);
  // Icons in the loaded file; -1 when none is loaded.
  int32_t NumberOfIcons() const { return FNumberOfIcons; }

  TNotifyEvent OnFileChange;

  // The icon of an item, extracted on first use; null when the file has none there.
  HICON GetVKRIcon(int Index);
  // The icon attached to an item so far, without extracting it.
  HICON AttachedIcon(int Index) const;

  int Count() const;
  std::wstring Item(int Index) const;
  int ItemIndex() const;
  void SetItemIndex(int Value);
  int ItemHeight() const;
  int ColumnWidth() const { return FColumnWidth; }

  bool HandleDrawItem(const DRAWITEMSTRUCT& Draw) override;
  // The list keeps its own font whatever the form gives its children.
  void HandleFontChanged() override;

private:
  void LoadIcons();
  void ApplyAutoDisable();
  void ApplyMetrics();
  void Subclass();
  static LRESULT CALLBACK SubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR Id,
                                       DWORD_PTR Data);

  std::wstring FFileName;
  bool FAutoDisable = true;
  bool FEnableCaching = true;
  int32_t FNumberOfIcons = -1;
  int32_t FMargin = 5;
  bool FRecreating = false;
  std::vector<UniqueIcon> FIcons;  // one per item, null until extracted
  UniqueGdi<HFONT> FFont;
  int FColumnWidth = 0;
};
