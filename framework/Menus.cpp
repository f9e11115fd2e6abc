#include "framework/Menus.h"

#include "framework/Exception.h"

#include <algorithm>
#include <map>

namespace {

// Resource menus of the program use ids far below; 0xE000 and above are
// commonly taken by frameworks and the system menu.
constexpr UINT FirstCommandId = 0xC000;
constexpr UINT LastCommandId = 0xDFFF;

// Every live run-time item by its command id; user-interface thread only.
std::map<UINT, TMenuEntry*>& LiveItems() {
  static std::map<UINT, TMenuEntry*> Items;
  return Items;
}

UINT FreeCommandId() {
  const std::map<UINT, TMenuEntry*>& Items = LiveItems();
  UINT Id = FirstCommandId;
  // The map is ordered: the first gap is the lowest free id.
  for (const auto& [Used, Item] : Items) {
    if (Used != Id) break;
    ++Id;
  }
  if (Id > LastCommandId) throw Exception(L"No menu command id is left for a new menu item");
  return Id;
}

void RedrawMenuBar(HWND Window, HMENU Menu) {
  if (Window != nullptr && IsWindow(Window) && GetMenu(Window) == Menu) DrawMenuBar(Window);
}

}  // namespace

// ---- TMenuEntry ---------------------------------------------------------------------

TMenuEntry::TMenuEntry(TMenuItemOwner& Owner, UINT CommandId) : FOwner(&Owner), FCommandId(CommandId) {
  LiveItems()[FCommandId] = this;
}

TMenuEntry::~TMenuEntry() {
  Leave();
  LiveItems().erase(FCommandId);
}

void TMenuEntry::Leave() noexcept {
  // The menu may have gone with its window already.
  if (FMenu != nullptr && IsMenu(FMenu)) {
    RemoveMenu(FMenu, FCommandId, MF_BYCOMMAND);
    RedrawMenuBar(FWindow, FMenu);
  }
  FMenu = nullptr;
  FWindow = nullptr;
}

void TMenuEntry::SetCaption(const std::wstring& Value) {
  FCaption = Value;
  if (FMenu == nullptr || !IsMenu(FMenu)) return;
  MENUITEMINFOW Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_STRING;
  Info.dwTypeData = FCaption.data();
  SetMenuItemInfoW(FMenu, FCommandId, FALSE, &Info);
  RedrawMenuBar(FWindow, FMenu);
}

void TMenuEntry::Click() {
  // A copy: the handler may free this item, and with it OnClick.
  const TNotifyEvent Handler = OnClick;
  if (Handler) Handler(this);
}

bool DispatchMenuCommand(UINT CommandId) {
  const auto Found = LiveItems().find(CommandId);
  if (Found == LiveItems().end()) return false;
  Found->second->Click();
  return true;
}

// ---- TMenuItemOwner -----------------------------------------------------------------

TMenuItemOwner::~TMenuItemOwner() {
  // Freed one by one from the end, so the list stays valid while they leave.
  while (!FItems.empty()) FItems.pop_back();
}

TMenuEntry& TMenuItemOwner::CreateItem() {
  FItems.push_back(std::unique_ptr<TMenuEntry>(new TMenuEntry(*this, FreeCommandId())));
  return *FItems.back();
}

void TMenuItemOwner::FreeItem(TMenuEntry& Item) {
  const auto Found = std::find_if(FItems.begin(), FItems.end(),
                                  [&Item](const std::unique_ptr<TMenuEntry>& Owned) { return Owned.get() == &Item; });
  if (Found == FItems.end()) return;
  std::unique_ptr<TMenuEntry> Freed = std::move(*Found);
  FItems.erase(Found);
}

// ---- TMenu --------------------------------------------------------------------------

int TMenu::Count() const {
  const int Total = GetMenuItemCount(FHandle);
  return Total > 0 ? Total : 0;
}

void TMenu::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
}

std::wstring TMenu::Caption(int Index) const {
  CheckIndex(Index);
  MENUITEMINFOW Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_STRING;
  Info.dwTypeData = nullptr;
  if (!GetMenuItemInfoW(FHandle, static_cast<UINT>(Index), TRUE, &Info) || Info.cch == 0) return std::wstring();
  std::wstring Text(static_cast<size_t>(Info.cch) + 1, L'\0');
  Info.dwTypeData = Text.data();
  Info.cch = static_cast<UINT>(Text.size());
  if (!GetMenuItemInfoW(FHandle, static_cast<UINT>(Index), TRUE, &Info)) return std::wstring();
  Text.resize(Info.cch);
  return Text;
}

TMenuEntry* TMenu::Item(int Index) const {
  CheckIndex(Index);
  MENUITEMINFOW Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_ID | MIIM_SUBMENU;
  if (!GetMenuItemInfoW(FHandle, static_cast<UINT>(Index), TRUE, &Info) || Info.hSubMenu != nullptr) return nullptr;
  const auto Found = LiveItems().find(Info.wID);
  return Found != LiveItems().end() && Found->second->FMenu == FHandle ? Found->second : nullptr;
}

void TMenu::Add(TMenuEntry& Item) {
  Item.Leave();
  MENUITEMINFOW Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
  Info.fType = MFT_STRING;
  Info.wID = Item.FCommandId;
  Info.dwTypeData = Item.FCaption.data();
  Win32Check(InsertMenuItemW(FHandle, static_cast<UINT>(Count()), TRUE, &Info) != FALSE, L"Menu item");
  Item.FMenu = FHandle;
  Item.FWindow = FWindow;
  RedrawMenuBar(FWindow, FHandle);
}

void TMenu::Delete(int Index) {
  if (TMenuEntry* Entry = Item(Index)) {
    Entry->Owner().FreeItem(*Entry);
    return;
  }
  DeleteMenu(FHandle, static_cast<UINT>(Index), MF_BYPOSITION);
  RedrawMenuBar(FWindow, FHandle);
}

void TMenu::Clear() {
  for (int i = Count() - 1; i >= 0; --i) Delete(i);
}
