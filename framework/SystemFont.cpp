#include "framework/SystemFont.h"

#include <windows.h>

TSystemFontChoice SystemFontFor(TSystemFontKind Kind, unsigned Major, bool MultiLineEditor) {
  const bool Content = Kind == TSystemFontKind::sfkContent || (Kind == TSystemFontKind::sfkAuto && MultiLineEditor);
  if (Major >= 6) return Content ? TSystemFontChoice{L"Calibri", 9} : TSystemFontChoice{L"Segoe UI", 9};
  if (Major == 5) return Content ? TSystemFontChoice{L"Verdana", 8} : TSystemFontChoice{L"Tahoma", 8};
  return {L"MS Sans Serif", 8};
}

void SetSystemFont(TFont& Font, TSystemFontKind Kind, bool MultiLineEditor) {
  const TSystemFontChoice Choice = SystemFontFor(Kind, WindowsMajorVersion(), MultiLineEditor);
  if (Font.Name() == Choice.Name && Font.Size() == Choice.Size) return;
  // One change, not one for the name and one for the size: a form's font
  // goes to every control, which measures and lays itself out again.
  TFont Wanted;
  Wanted.Assign(Font);
  Wanted.SetName(Choice.Name);
  Wanted.SetSize(Choice.Size);
  Font.Assign(Wanted);
}

unsigned WindowsMajorVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  static const unsigned Major = [] {
    OSVERSIONINFOW Info{};
    Info.dwOSVersionInfoSize = sizeof(Info);
    HMODULE Ntdll = GetModuleHandleW(L"ntdll.dll");
    auto Fn = Ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(
                                     reinterpret_cast<void*>(GetProcAddress(Ntdll, "RtlGetVersion")))
                               : nullptr;
    if (Fn != nullptr && Fn(&Info) == 0) return static_cast<unsigned>(Info.dwMajorVersion);
    return 6u;
  }();
  return Major;
}
