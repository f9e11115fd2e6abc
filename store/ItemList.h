#pragma once
// A list of texts kept as the values "Item0", "Item1", ... of one subkey, in
// the list's order: the folder list ("Locations") and the keep list ("Keep").

#include "store/VKRRegistryEnhanced.h"

#include <string>
#include <vector>

// The stored list entries in the order of their numbers (Item2 before
// Item10, as the registry may list them by name), other names after them.
void SortByItemNumber(std::vector<std::wstring>& Names);

// A list whose key is there but cannot be read (an ACL set by a tool or an
// administrator): it is not an empty list, and nothing may replace it.
class EListUnreadable : public ERegistryException {
public:
  using ERegistryException::ERegistryException;
};

// The texts stored under Key, in their order; a save that an end interrupted
// is finished or dropped first, so the list read is always one saved whole.
// No key is an empty list; a key that cannot be read raises EListUnreadable.
// Values that are no text read as their number (REG_DWORD) or as empty.
std::vector<std::wstring> LoadItemList(TVKRRegistryEnhanced& Store, const std::wstring& Key);

// Replaces the list stored under Key; an end at any instant leaves the old
// list or this one. Raises ERegistryException when the system refuses.
void SaveItemList(TVKRRegistryEnhanced& Store, const std::wstring& Key, const std::vector<std::wstring>& Items);

// The keep list: names and paths that no command ever deletes (search/KeepList.h).
inline const wchar_t* const KeepListKey = L"Keep";
