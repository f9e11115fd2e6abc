#include "framework/Dpi.h"

#include <windows.h>

int ScreenPixelsPerInch() {
  static const int Dpi = [] {
    HDC Screen = GetDC(nullptr);
    const int Value = Screen != nullptr ? GetDeviceCaps(Screen, LOGPIXELSY) : 96;
    if (Screen != nullptr) ReleaseDC(nullptr, Screen);
    return Value > 0 ? Value : 96;
  }();
  return Dpi;
}

int ScaleByDpi(int DesignPixels) { return MulDiv(DesignPixels, ScreenPixelsPerInch(), 96); }
