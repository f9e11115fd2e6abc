#include "store/ItemList.h"

#include "framework/Exception.h"
#include "framework/Text.h"

#include <algorithm>
#include <optional>

namespace {

// The number of a stored list entry "Item<n>"; none for any other name.
std::optional<int32_t> ItemNumber(const std::wstring& Name) {
  if (Name.size() <= 4 || !SameTextAZ(Name.substr(0, 4), L"Item")) return std::nullopt;
  const std::wstring Digits = Name.substr(4);
  if (Digits.find_first_not_of(L"0123456789") != std::wstring::npos) return std::nullopt;
  int32_t Number = 0;
  if (!TryStrToInt(Digits, Number)) return std::nullopt;
  return Number;
}

}  // namespace

void SortByItemNumber(std::vector<std::wstring>& Names) {
  std::stable_sort(Names.begin(), Names.end(), [](const std::wstring& A, const std::wstring& B) {
    const std::optional<int32_t> NumberA = ItemNumber(A);
    const std::optional<int32_t> NumberB = ItemNumber(B);
    if (NumberA && NumberB) return *NumberA < *NumberB;
    return NumberA.has_value() && !NumberB.has_value();
  });
}

std::vector<std::wstring> LoadItemList(TVKRRegistryEnhanced& Store, const std::wstring& Key) {
  try {
    Store.FinishReplacedValues(Key);
  } catch (const Exception&) {
    // The journal stays for the next start to finish; what the key holds now is read.
  }
  std::vector<std::wstring> Names;
  Store.GetValueNames(Key, Names);
  SortByItemNumber(Names);
  std::vector<std::wstring> Items;
  Items.reserve(Names.size());
  for (const std::wstring& Name : Names) Items.push_back(Store.GetValue(Key + L"\\" + Name).ToString());
  return Items;
}

void SaveItemList(TVKRRegistryEnhanced& Store, const std::wstring& Key, const std::vector<std::wstring>& Items) {
  std::vector<TStoredValue> Values;
  Values.reserve(Items.size());
  for (size_t i = 0; i < Items.size(); ++i) Values.push_back(TStoredValue::Text(L"Item" + std::to_wstring(i), Items[i]));
  Store.ReplaceValues(Key, Values);
}
