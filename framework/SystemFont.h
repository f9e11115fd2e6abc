#pragma once
// The system font rule: windows take the system's user-interface font, text
// meant for reading (release notes, multi-line editors) the content font.

#include "framework/Graphics.h"

enum class TSystemFontKind { sfkAuto, sfkUserInterface, sfkContent };

struct TSystemFontChoice {
  const wchar_t* Name;
  int Size;
};

// The face and size for a kind on a Windows version (major.minor).
TSystemFontChoice SystemFontFor(TSystemFontKind Kind, unsigned Major, bool MultiLineEditor = false);

// Sets name and size of Font for the running system; colour and style stay.
// With sfkAuto, MultiLineEditor picks the content font.
void SetSystemFont(TFont& Font, TSystemFontKind Kind, bool MultiLineEditor = false);

// The running system's version, not the compatibility one GetVersionEx may report.
unsigned WindowsMajorVersion();
