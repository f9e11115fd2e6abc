#pragma once
// Holds back a control's drawing while it is filled: a list view that
// redraws lays out its header and invalidates each row again for every row
// and column text it is given. When the pause ends the control lays itself
// out and invalidates itself once.

#include <windows.h>

class TRedrawPause {
public:
  explicit TRedrawPause(HWND Control) noexcept : FControl(Control) {
    if (FControl != nullptr) SendMessageW(FControl, WM_SETREDRAW, FALSE, 0);
  }
  ~TRedrawPause() {
    if (FControl != nullptr) SendMessageW(FControl, WM_SETREDRAW, TRUE, 0);
  }
  TRedrawPause(const TRedrawPause&) = delete;
  TRedrawPause& operator=(const TRedrawPause&) = delete;

private:
  HWND FControl;
};
