#include "app/FolderListStore.h"

namespace {

const wchar_t* const ListKey = L"Locations";

}  // namespace

std::vector<std::wstring> LoadFolderList(TVKRRegistryEnhanced& Store) {
  if (Store.KeyExists(L"Location")) Store.RenameKey(L"Location", L"Locations");
  return LoadItemList(Store, ListKey);
}

void SaveFolderList(TVKRRegistryEnhanced& Store, const std::vector<std::wstring>& Folders) {
  SaveItemList(Store, ListKey, Folders);
}
