#include "store/ItemList.h"

#include "framework/Exception.h"
#include "framework/Text.h"
#include "store/ItemNumber.h"
#include "store/RegistryAccessor.h"

#include <algorithm>
#include <cstdint>
#include <optional>

void SortByItemNumber(std::vector<std::wstring>& Names) {
  std::stable_sort(Names.begin(), Names.end(),
                   [](const std::wstring& A, const std::wstring& B) { return ItemNameLess(A, B); });
}

namespace {

// A stored entry as text: REG_SZ and REG_EXPAND_SZ up to their first zero
// (nothing expanded), a REG_DWORD as its number, any other type as nothing.
std::wstring EntryText(const TRegRawValue& Value) {
  if (Value.Type == REG_SZ || Value.Type == REG_EXPAND_SZ) {
    std::wstring Text(Value.Data.size() / sizeof(wchar_t), L'\0');
    std::copy_n(Value.Data.data(), Text.size() * sizeof(wchar_t), reinterpret_cast<uint8_t*>(Text.data()));
    const size_t Zero = Text.find(L'\0');
    if (Zero != std::wstring::npos) Text.resize(Zero);
    return Text;
  }
  if (Value.Type == REG_DWORD && Value.Data.size() == sizeof(uint32_t)) {
    uint32_t Bits = 0;
    for (size_t i = 0; i < sizeof(Bits); ++i) Bits |= static_cast<uint32_t>(Value.Data[i]) << (8 * i);
    return std::to_wstring(static_cast<int32_t>(Bits));
  }
  return {};
}

[[noreturn]] void RaiseUnreadable(const std::wstring& Path, LONG Status) {
  throw EListUnreadable(L"The registry key \"" + Path + L"\" cannot be read: " +
                        SysErrorMessage(static_cast<unsigned long>(Status)));
}

}  // namespace

std::vector<std::wstring> LoadItemList(TVKRRegistryEnhanced& Store, const std::wstring& Key) {
  if (Store.Key().empty()) return {};
  try {
    Store.FinishReplacedValues(Key);
  } catch (const Exception&) {
    // The journal stays for the next start to finish; what the key holds now is read.
  }
  // Read rights alone: a key that may be read but not written is read all the same.
  TRegistryAccessor Reg = Store.NewAccessor();
  const std::wstring Path = Store.SubKeyPath(Key);
  if (!Reg.OpenKeyToRead(Path)) {
    if (Reg.LastOpenStatus() == ERROR_FILE_NOT_FOUND) return {};
    RaiseUnreadable(Path.substr(1), Reg.LastOpenStatus());
  }
  std::vector<std::wstring> Names;
  if (!Reg.GetValueNames(Names)) RaiseUnreadable(Path.substr(1), ERROR_ACCESS_DENIED);
  SortByItemNumber(Names);
  std::vector<std::wstring> Items;
  Items.reserve(Names.size());
  for (const std::wstring& Name : Names) {
    // Read by its own name: a name may hold "\", which a value path would take apart.
    TRegRawValue Value;
    if (Reg.ReadRaw(Name, Value)) Items.push_back(EntryText(Value));
  }
  return Items;
}

void SaveItemList(TVKRRegistryEnhanced& Store, const std::wstring& Key, const std::vector<std::wstring>& Items) {
  std::vector<TStoredValue> Values;
  Values.reserve(Items.size());
  for (size_t i = 0; i < Items.size(); ++i) Values.push_back(TStoredValue::Text(L"Item" + std::to_wstring(i), Items[i]));
  Store.ReplaceValues(Key, Values);
}
