#pragma once
// The names of list entries, "Item0", "Item1", ...: the folder list and the
// keep list the program stores, and the policies' lists, which the
// administrative templates write as "Item1", "Item2", ... One reading for
// all, so that a name nobody expects ("Item١", "Item99999999999", "Item-1")
// orders the same everywhere and never stops a start.

#include <cstdint>
#include <optional>
#include <string_view>

// The number of "Item<n>" ("item" in any letter case among A to Z, then the
// digits 0-9 alone, up to 2,147,483,647); none for any other name.
std::optional<int32_t> ItemNumber(std::wstring_view Name);

// The order of entries: by their numbers (Item2 before Item10, however the
// registry lists them), names without one after all that have one.
bool ItemNameLess(std::wstring_view A, std::wstring_view B);
