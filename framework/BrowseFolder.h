#pragma once
// The shell's folder browse dialog. Every request goes through
// BrowseForFolder, so that a test can answer it in place of a person
// (TBrowseFolderHook).

#include <windows.h>

#include <functional>
#include <string>

struct TBrowseFolderRequest {
  HWND Owner = nullptr;
  std::wstring Title;
};

// Shows the dialog rooted at the desktop (new style, a status line, no button
// for making a folder); true with the chosen folder, false when cancelled or
// when the choice is no file-system folder.
bool BrowseForFolder(const TBrowseFolderRequest& Request, std::wstring& Folder);

// Answers in place of a person: true with Folder set for a choice, false for Cancel.
using TBrowseFolderHandler = std::function<bool(const TBrowseFolderRequest&, std::wstring& Folder)>;

class TBrowseFolderHook {
public:
  explicit TBrowseFolderHook(TBrowseFolderHandler Handler);
  ~TBrowseFolderHook();
  TBrowseFolderHook(const TBrowseFolderHook&) = delete;
  TBrowseFolderHook& operator=(const TBrowseFolderHook&) = delete;

private:
  TBrowseFolderHandler FPrevious;
};
