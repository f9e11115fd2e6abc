#include "framework/Dpi.h"

#include "framework/Handle.h"

#include <windows.h>

int ScreenPixelsPerInch() {
  static const int Dpi = [] {
    const TWindowDC Screen(nullptr);
    const int Value = Screen ? GetDeviceCaps(Screen.get(), LOGPIXELSY) : 96;
    return Value > 0 ? Value : 96;
  }();
  return Dpi;
}

int ScaleByDpi(int DesignPixels) { return MulDiv(DesignPixels, ScreenPixelsPerInch(), 96); }
