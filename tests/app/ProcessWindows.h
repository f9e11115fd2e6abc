#pragma once
// Finds the top-level windows another process has made, for the tests that
// start the program as a process of its own.

#include <windows.h>

#include <functional>

// The first top-level window of the process for which Wanted is true; none when there is none.
inline HWND FindWindowOfProcess(DWORD ProcessId, const std::function<bool(HWND)>& Wanted) {
  struct TSearch {
    DWORD Id;
    const std::function<bool(HWND)>* Wanted;
    HWND Found;
  } Search{ProcessId, &Wanted, nullptr};
  EnumWindows(
      [](HWND Window, LPARAM Param) -> BOOL {
        auto* S = reinterpret_cast<TSearch*>(Param);
        DWORD Owner = 0;
        GetWindowThreadProcessId(Window, &Owner);
        if (Owner != S->Id || !(*S->Wanted)(Window)) return TRUE;
        S->Found = Window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}
