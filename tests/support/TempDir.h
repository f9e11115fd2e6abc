#pragma once
// A private folder under the temp folder, removed with everything in it
// (whatever the attributes) when the fixture goes.

#include "framework/FileSystem.h"  // FileExists, DirectoryExists, RemoveTree

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The names directly in Folder (files and folders, not "." and ".."), sorted.
std::vector<std::wstring> NamesIn(const std::wstring& Folder);

class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // The folder, without a trailing separator.
  const std::wstring& Path() const { return FPath; }
  // Path joined with a relative path.
  std::wstring operator/(const std::wstring& Relative) const;

  // Creates folders along Relative; returns the full path.
  std::wstring MakeDir(const std::wstring& Relative, DWORD Attributes = 0);
  // Creates a file of Size bytes (folders along the way too); returns the full path.
  std::wstring MakeFile(const std::wstring& Relative, uint64_t Size = 0, DWORD Attributes = 0);
  std::wstring MakeFile(const std::wstring& Relative, const std::string& Content, DWORD Attributes = 0);

  // The names directly in the folder (files and folders), sorted.
  std::vector<std::wstring> Entries() const { return NamesIn(FPath); }

private:
  std::wstring FPath;
};

