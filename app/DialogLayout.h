#pragma once
// What the program's windows that can be sized (View Files, Find Folders)
// share in laying out the controls of their dialog templates.

#include <windows.h>

// Where Control lies in Dialog's client area.
inline RECT ClientRectOf(HWND Dialog, HWND Control) {
  RECT Rect{};
  GetWindowRect(Control, &Rect);
  MapWindowPoints(nullptr, Dialog, reinterpret_cast<POINT*>(&Rect), 2);
  return Rect;
}

// Size, measured at OldDpi, as it is at NewDpi.
inline SIZE RescaledForDpi(SIZE Size, int OldDpi, int NewDpi) {
  return SIZE{MulDiv(Size.cx, NewDpi, OldDpi), MulDiv(Size.cy, NewDpi, OldDpi)};
}

// Answers WM_GETMINMAXINFO (LParam) with Minimum as the smallest size the
// window can be given; false while Minimum is not known yet (the window is
// being made), and the message then takes its course.
inline bool KeepMinimumTrackSize(LPARAM LParam, SIZE Minimum) {
  if (Minimum.cx == 0) return false;
  reinterpret_cast<MINMAXINFO*>(LParam)->ptMinTrackSize = {Minimum.cx, Minimum.cy};
  return true;
}
