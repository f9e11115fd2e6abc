#include "framework/Dpi.h"

#include "framework/Handle.h"

#include <algorithm>

int ScreenPixelsPerInch() {
  static const int Dpi = [] {
    const TWindowDC Screen(nullptr);
    const int Value = Screen ? GetDeviceCaps(Screen.get(), LOGPIXELSY) : 96;
    return Value > 0 ? Value : 96;
  }();
  return Dpi;
}

int ScaleByDpi(int DesignPixels) { return MulDiv(DesignPixels, ScreenPixelsPerInch(), 96); }

int WindowPixelsPerInch(HWND Window) {
  // Windows 10 1607 and later; found at run time so older systems still start.
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto GetDpi = [] {
    const HMODULE User = GetModuleHandleW(L"user32.dll");
    return User != nullptr ? reinterpret_cast<TGetDpiForWindow>(
                                 reinterpret_cast<void*>(GetProcAddress(User, "GetDpiForWindow")))
                           : nullptr;
  }();
  if (Window != nullptr && GetDpi != nullptr) {
    const UINT Dpi = GetDpi(Window);
    if (Dpi > 0) return static_cast<int>(Dpi);
  }
  return ScreenPixelsPerInch();
}

int ScaleForDpi(int DesignPixels, int Dpi) { return MulDiv(DesignPixels, Dpi, 96); }

int MonitorPixelsPerInch(const RECT& Bounds) {
  // Windows 8.1 and later, in shcore.dll; found at run time so older systems still start.
  using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const UniqueModule Shcore(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  static const auto GetDpi =
      Shcore ? reinterpret_cast<TGetDpiForMonitor>(reinterpret_cast<void*>(GetProcAddress(Shcore.get(), "GetDpiForMonitor")))
             : nullptr;
  UINT DpiX = 0, DpiY = 0;
  constexpr int EffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: what the monitor's scale setting makes it
  if (GetDpi != nullptr &&
      SUCCEEDED(GetDpi(MonitorFromRect(&Bounds, MONITOR_DEFAULTTONEAREST), EffectiveDpi, &DpiX, &DpiY)) && DpiY > 0)
    return static_cast<int>(DpiY);
  return ScreenPixelsPerInch();
}

HFONT CreateTooltipFontForDpi(int Dpi) {
  // Windows 10 1607 and later answer for any DPI; older ones for the screen's only.
  using TParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto ForDpi = [] {
    const HMODULE User = GetModuleHandleW(L"user32.dll");
    return User != nullptr ? reinterpret_cast<TParametersForDpi>(
                                 reinterpret_cast<void*>(GetProcAddress(User, "SystemParametersInfoForDpi")))
                           : nullptr;
  }();
  NONCLIENTMETRICSW Metrics{};
  Metrics.cbSize = sizeof(Metrics);
  if (ForDpi == nullptr || !ForDpi(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0, static_cast<UINT>(Dpi))) {
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0)) return nullptr;
    Metrics.lfStatusFont.lfHeight = MulDiv(Metrics.lfStatusFont.lfHeight, Dpi, ScreenPixelsPerInch());
  }
  return CreateFontIndirectW(&Metrics.lfStatusFont);
}

int PictureSizeForDpi(int DesignSize, int Dpi) {
  const int Wanted = ScaleForDpi(DesignSize, Dpi);
  int Chosen = PictureSizes[0];
  for (int Size : PictureSizes)
    if (Size <= Wanted) Chosen = Size;
  return Chosen;
}

RECT KeepInWorkArea(const RECT& Bounds) {
  MONITORINFO Monitor{};
  Monitor.cbSize = sizeof(Monitor);
  if (!GetMonitorInfoW(MonitorFromRect(&Bounds, MONITOR_DEFAULTTONEAREST), &Monitor)) return Bounds;
  const RECT& Work = Monitor.rcWork;
  const LONG Width = std::min(Bounds.right - Bounds.left, Work.right - Work.left);
  const LONG Height = std::min(Bounds.bottom - Bounds.top, Work.bottom - Work.top);
  const LONG Left = std::clamp(Bounds.left, Work.left, Work.right - Width);
  const LONG Top = std::clamp(Bounds.top, Work.top, Work.bottom - Height);
  return RECT{Left, Top, Left + Width, Top + Height};
}
