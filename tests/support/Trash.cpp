#include "support/Trash.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "framework/Handle.h"
#include "framework/Text.h"

#include <windows.h>

#include <vector>

std::wstring WineTrashFolder() {
  wchar_t Home[MAX_PATH];
  const DWORD Length = GetEnvironmentVariableW(L"WINEHOMEDIR", Home, MAX_PATH);
  if (Length == 0 || Length >= MAX_PATH) return {};
  std::wstring Folder(Home, Length);
  if (Folder.rfind(L"\\??\\", 0) == 0) Folder.erase(0, 4);
  Folder += L"\\.local\\share\\Trash";
  return DirectoryExists(Folder) ? Folder : std::wstring();
}

void RemoveTrashEntriesOf(const std::wstring& Marker) {
  const std::wstring Trash = WineTrashFolder();
  if (Trash.empty() || Marker.empty()) return;
  const std::string Wanted = WideToUtf8(Marker);
  std::vector<std::wstring> Records;
  for (TFolderListing Listing(Trash + L"\\info", L"*.trashinfo"); Listing.HasEntry(); Listing.Next())
    Records.push_back(Listing.Entry().cFileName);
  for (const std::wstring& Record : Records) {
    const std::wstring Info = Trash + L"\\info\\" + Record;
    char Text[4096];
    DWORD Read = 0;
    {
      UniqueFile Handle(CreateFileW(Info.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      if (!Handle || !ReadFile(Handle.get(), Text, sizeof(Text), &Read, nullptr)) continue;
    }
    if (std::string(Text, Read).find(Wanted) == std::string::npos) continue;
    const std::wstring Entry = Trash + L"\\files\\" + Record.substr(0, Record.size() - 10);  // less ".trashinfo"
    if (!RemoveTree(Entry)) {
      SetFileAttributesW(Entry.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(Entry.c_str());
    }
    if (GetFileAttributesW(Entry.c_str()) == INVALID_FILE_ATTRIBUTES) DeleteFileW(Info.c_str());
  }
}
