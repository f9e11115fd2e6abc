#pragma once
// Menu items made at run time. Each one takes a command id of its own from a
// range that resource menus do not use, so that choosing it from a form's
// menu bar or popup menu (the platform sends WM_COMMAND with that id to the
// form) reaches its OnClick. Items belong to an owner, which frees them; an
// item that is freed leaves the menu it is in.

#include "framework/Object.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class TMenuItemOwner;

class TMenuEntry : public TObject {
public:
  ~TMenuEntry() override;

  TMenuItemOwner& Owner() const { return *FOwner; }
  UINT CommandId() const { return FCommandId; }
  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(const std::wstring& Value);
  // The menu the item is in, or null.
  HMENU Menu() const { return FMenu; }

  // Runs OnClick as choosing the item does.
  void Click();
  TNotifyEvent OnClick;

private:
  friend class TMenuItemOwner;
  friend class TMenu;
  TMenuEntry(TMenuItemOwner& Owner, UINT CommandId);
  void Leave() noexcept;

  TMenuItemOwner* FOwner;
  UINT FCommandId;
  std::wstring FCaption;
  HMENU FMenu = nullptr;
  HWND FWindow = nullptr;  // whose menu bar FMenu is, to redraw it
};

// Keeps the items a component made; they go with it at the latest.
class TMenuItemOwner {
public:
  TMenuItemOwner() = default;
  ~TMenuItemOwner();
  TMenuItemOwner(const TMenuItemOwner&) = delete;
  TMenuItemOwner& operator=(const TMenuItemOwner&) = delete;

  TMenuEntry& CreateItem();
  int Count() const { return static_cast<int>(FItems.size()); }
  // Frees one of this owner's items.
  void FreeItem(TMenuEntry& Item);

private:
  std::vector<std::unique_ptr<TMenuEntry>> FItems;
};

// The top-level items of a menu bar or popup menu. The menu handle is not
// owned: a window destroys its menu bar, the code that made a popup menu
// destroys it. Window names the window whose menu bar it is, if any.
class TMenu {
public:
  explicit TMenu(HMENU Handle, HWND Window = nullptr) : FHandle(Handle), FWindow(Window) {}

  HMENU Handle() const { return FHandle; }
  int Count() const;
  std::wstring Caption(int Index) const;
  // The item made at run time at Index, or null for any other item (from a
  // resource, a separator, a submenu). An index outside raises EListError.
  TMenuEntry* Item(int Index) const;

  // Appends the item, taking it out of the menu it was in.
  void Add(TMenuEntry& Item);
  // Removes the item at Index and frees it: an item made at run time
  // through its owner, any other one with its submenu.
  void Delete(int Index);
  void Clear();

private:
  void CheckIndex(int Index) const;

  HMENU FHandle;
  HWND FWindow;
};

// Runs OnClick of the run-time item with this command id; false when no
// such item exists.
bool DispatchMenuCommand(UINT CommandId);
