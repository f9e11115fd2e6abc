#pragma once
// Layout sizes are designed for 96 dots per inch; the program is aware of
// every monitor's DPI, so it scales them itself, per window. The DPI is a
// parameter wherever a size is computed, so any DPI can be checked without
// a monitor that has it.

#include <windows.h>

int ScreenPixelsPerInch();
int ScaleByDpi(int DesignPixels);

// The DPI the window is shown at: its monitor's under per-monitor awareness,
// the screen's on a system without it.
int WindowPixelsPerInch(HWND Window);
int ScaleForDpi(int DesignPixels, int Dpi);
// The DPI of the monitor a rectangle of the screen mostly lies on (the
// nearest one when it lies on none); the screen's on a system that has one DPI.
int MonitorPixelsPerInch(const RECT& Bounds);

// The system's font for tooltips and status texts, made for Dpi; nullptr
// when the system does not say. The caller owns it.
HFONT CreateTooltipFontForDpi(int Dpi);

// The sizes the program's pictures are drawn in (resources/images).
constexpr int PictureSizes[] = {16, 20, 24, 32, 48};
// The picture size for a picture designed DesignSize pixels wide at 96 DPI:
// the largest drawn size that is not larger than the scaled one (16 at least).
int PictureSizeForDpi(int DesignSize, int Dpi);
// A strip drawn in several sizes has one resource per size: SizedBase + size.
constexpr int PictureStripId(int SizedBase, int Size) { return SizedBase + Size; }

// Bounds moved, and shrunk where they must be, to lie inside the work area
// of the monitor they are mostly on.
RECT KeepInWorkArea(const RECT& Bounds);
