#pragma once
// Changes the process's current directory for the object's lifetime.

#include <windows.h>

#include <string>

class TCurrentDirectory {
public:
  explicit TCurrentDirectory(const std::wstring& Path) {
    wchar_t Old[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, Old);
    FOld = Old;
    FSet = SetCurrentDirectoryW(Path.c_str()) != FALSE;
  }
  ~TCurrentDirectory() { SetCurrentDirectoryW(FOld.c_str()); }
  TCurrentDirectory(const TCurrentDirectory&) = delete;
  TCurrentDirectory& operator=(const TCurrentDirectory&) = delete;
  // False when the directory could not be made current.
  bool Set() const { return FSet; }

private:
  std::wstring FOld;
  bool FSet = false;
};
