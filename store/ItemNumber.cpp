#include "store/ItemNumber.h"

#include <algorithm>

std::optional<int32_t> ItemNumber(std::wstring_view Name) {
  constexpr std::wstring_view Prefix = L"item";
  if (Name.size() <= Prefix.size()) return std::nullopt;
  for (size_t i = 0; i < Prefix.size(); ++i) {
    const wchar_t C = Name[i] >= L'A' && Name[i] <= L'Z' ? static_cast<wchar_t>(Name[i] - L'A' + L'a') : Name[i];
    if (C != Prefix[i]) return std::nullopt;
  }
  int64_t Number = 0;
  for (const wchar_t C : Name.substr(Prefix.size())) {
    // Only the ASCII digits: other scripts' digits are no part of a name the program writes.
    if (C < L'0' || C > L'9') return std::nullopt;
    Number = Number * 10 + (C - L'0');
    if (Number > INT32_MAX) return std::nullopt;
  }
  return static_cast<int32_t>(Number);
}

bool ItemNameLess(std::wstring_view A, std::wstring_view B) {
  const std::optional<int32_t> NumberA = ItemNumber(A);
  const std::optional<int32_t> NumberB = ItemNumber(B);
  if (NumberA && NumberB) return *NumberA < *NumberB;
  return NumberA.has_value() && !NumberB.has_value();
}
