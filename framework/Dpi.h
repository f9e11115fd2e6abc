#pragma once
// Layout sizes are designed for 96 dots per inch; the program declares itself
// DPI-aware, so it scales them itself.

int ScreenPixelsPerInch();
int ScaleByDpi(int DesignPixels);
