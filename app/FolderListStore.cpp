#include "app/FolderListStore.h"

#include "framework/Exception.h"
#include "framework/Text.h"

#include <algorithm>
#include <optional>

namespace {

const wchar_t* const ListKey = L"Locations";

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

std::vector<std::wstring> LoadFolderList(TVKRRegistryEnhanced& Store) {
  if (Store.KeyExists(L"Location")) Store.RenameKey(L"Location", L"Locations");
  try {
    Store.FinishReplacedValues(ListKey);
  } catch (const Exception&) {
    // The journal stays for the next start to finish; what the key holds now is read.
  }
  std::vector<std::wstring> Names;
  Store.GetValueNames(ListKey, Names);
  SortByItemNumber(Names);
  std::vector<std::wstring> Folders;
  Folders.reserve(Names.size());
  for (const std::wstring& Name : Names)
    Folders.push_back(Store.GetValue(std::wstring(ListKey) + L"\\" + Name).ToString());
  return Folders;
}

void SaveFolderList(TVKRRegistryEnhanced& Store, const std::vector<std::wstring>& Folders) {
  std::vector<TStoredValue> Values;
  Values.reserve(Folders.size());
  for (size_t i = 0; i < Folders.size(); ++i)
    Values.push_back(TStoredValue::Text(L"Item" + std::to_wstring(i), Folders[i]));
  Store.ReplaceValues(ListKey, Values);
}
