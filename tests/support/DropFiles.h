#pragma once
// A drop as the shell hands it over: an HDROP holding wide paths and a drop
// point, to be sent to a window with WM_DROPFILES. Whoever handles the
// message frees it (DragFinish); DropReleased tells whether that happened.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

inline HDROP MakeDrop(const std::vector<std::wstring>& Paths, POINT At = {0, 0}) {
  size_t Chars = 1;  // the closing empty path; an empty list is two nulls all the same
  for (const std::wstring& Path : Paths) Chars += Path.size() + 1;
  if (Paths.empty()) Chars = 2;
  const HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + Chars * sizeof(wchar_t));
  auto* Header = static_cast<DROPFILES*>(GlobalLock(Memory));
  Header->pFiles = sizeof(DROPFILES);
  Header->pt = At;
  Header->fNC = FALSE;
  Header->fWide = TRUE;
  auto* Text = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(Header) + sizeof(DROPFILES));
  for (const std::wstring& Path : Paths) {
    Path.copy(Text, Path.size());
    Text += Path.size() + 1;
  }
  GlobalUnlock(Memory);
  return static_cast<HDROP>(Memory);
}

// Sends the drop to Window as the shell does; true when the drop was freed.
inline bool SendDrop(HWND Window, HDROP Drop) {
  SendMessageW(Window, WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
  return GlobalFlags(Drop) == GMEM_INVALID_HANDLE;
}
