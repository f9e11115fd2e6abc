#pragma once
// The folder list as the settings keep it: the value "Locations\Item<n>" for
// the row n, in the list's order.

#include "store/ItemList.h"
#include "store/VKRRegistryEnhanced.h"

#include <string>
#include <vector>

// The stored entries as texts, in their order; an earlier layout's key
// "Location" is renamed first, and a save that an end interrupted is
// finished or dropped, so the list read is always one that was saved whole.
std::vector<std::wstring> LoadFolderList(TVKRRegistryEnhanced& Store);

// Replaces the stored list; an end at any instant leaves the old list or this
// one. Raises ERegistryException when the system refuses.
void SaveFolderList(TVKRRegistryEnhanced& Store, const std::vector<std::wstring>& Folders);
