#pragma once
// What a screen reader learns of a control. Controls without a text of their
// own (edits, lists, toolbars, bars) get a name here; lists whose items carry
// a state the platform cannot see (an owner-drawn check list) report it. The
// control answers WM_GETOBJECT with the platform's own accessible object,
// wrapped so that only these answers change.

#include <windows.h>

#include <functional>
#include <string>

struct TAccessibleInfo {
  // The control's name; empty keeps the platform's answer.
  std::function<std::wstring()> Name;
  // Items exposed as children 1..ChildCount(); none when not set.
  std::function<int()> ChildCount;
  std::function<std::wstring(int Index)> ChildName;  // Index from 0
  std::function<DWORD(int Index)> ChildState;       // STATE_SYSTEM_* flags
  DWORD ChildRole = 0;                               // ROLE_SYSTEM_*
};

// Replaces what the control tells a screen reader; the control keeps the
// information until it is destroyed. Calling it again replaces the record.
void SetAccessibleInfo(HWND Control, TAccessibleInfo Info);
void SetAccessibleName(HWND Control, const std::wstring& Name);
// The record given to the control, or nullptr.
const TAccessibleInfo* AccessibleInfoOf(HWND Control);

// The text a user reads on a label or a button: one "&" marking a mnemonic
// is dropped and "&&" shows as "&".
std::wstring StripMnemonic(const std::wstring& Text);

// Every edit, list, combo box, up-down and tab control of a dialog that has
// no name of its own is named after the label (a static text or a check box)
// that comes before it, as screen readers do on Windows; an up-down takes its
// edit's name. Read when asked, so a changed label renames the control.
void NameControlsFromLabels(HWND Dialog);

// A report list without a label reads as its first column ("Location").
std::wstring ListViewName(HWND ListView);

// Makes a static text (SS_NOTIFY) behave as a link for the keyboard: a tab
// stop with a focus rectangle, whose Enter or Space clicks it (STN_CLICKED
// to its parent, as a mouse click does).
void MakeKeyboardLink(HWND Static);

// A tooltip for a control of a dialog (buttons whose caption is too short to
// say what they do). The tooltip window belongs to the dialog.
void AddToolTip(HWND Control, const std::wstring& Text);
