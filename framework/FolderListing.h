#pragma once
// One listing of a folder with a wildcard, by full path: the one way the
// program reads a folder (the search's walk, the tree size, the subfolder
// count, the deletes). Paths past MAX_PATH are listed through their "\\?\"
// form; basic information and large fetches keep it fast.

#include <windows.h>

#include "framework/Handle.h"

#include <string>

class TFolderListing {
public:
  // Lists Folder (with or without a trailing separator) with Mask ("*" for every entry).
  // WithShortNames fills cAlternateFileName, which the faster basic listing leaves empty.
  explicit TFolderListing(const std::wstring& Folder, const wchar_t* Mask = L"*", bool WithShortNames = false);

  // The folder could be listed: a listing that matched nothing counts.
  bool Opened() const { return FOpened; }
  // Why the listing could not start (valid when Opened is false).
  DWORD OpenError() const { return FOpenError; }
  bool HasEntry() const { return FFind.valid(); }
  const WIN32_FIND_DATAW& Entry() const { return FData; }
  // A listing that fails half way simply ends; EndError tells how.
  void Next();
  // ERROR_NO_MORE_FILES when the listing reached its end.
  DWORD EndError() const { return FEndError; }

private:
  UniqueFind FFind;
  WIN32_FIND_DATAW FData{};
  bool FOpened = false;
  DWORD FOpenError = ERROR_SUCCESS;
  DWORD FEndError = ERROR_NO_MORE_FILES;
};
