#pragma once
// The subfolders directly in a listed folder, as Scan counts them and Delete
// removes them: every entry of a "*.*" listing that is a folder or a system
// entry, except hidden ones and "." and "..". Scan and Delete must see the
// same entries whatever the spelling of the folder (trailing separator, a
// path past MAX_PATH), so both ask here.

#include <windows.h>

#include <string>
#include <vector>

struct TSubfolderEntry {
  std::wstring Name;
  DWORD Attributes = 0;
};

// Empty when Path cannot be listed or is not a full path.
std::vector<TSubfolderEntry> ListSubfolders(const std::wstring& Path);
