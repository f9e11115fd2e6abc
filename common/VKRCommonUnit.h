#pragma once
// Small helpers the forms share: the size text every window shows, the shell
// request, and two control helpers of the options dialog. None keeps state.

#include "framework/CheckListBox.h"
#include "framework/UpDown.h"

#include <windows.h>

#include <cstdint>
#include <string>

enum class TSizeUnit : uint8_t { fsAuto = 0, fsBytes = 1, fsKiloBytes = 2, fsMegaBytes = 3, fsGigaBytes = 4 };

// The byte count in the unit, grouped with the user's thousands separator:
// "0 KB" for nothing, "1 KB" for any other amount below a kilobyte, otherwise
// whole (truncated) units. fsAuto picks the largest unit the value exceeds.
// An unknown unit gives an empty text.
std::wstring FormatFileSize(int64_t Value, TSizeUnit SizeUnit);

// Asks the shell to carry out Operation on FileName; empty texts reach the
// shell as empty strings, never as null. True when the shell accepted it.
bool ExecuteShellCommand(HWND WindowHandle, const std::wstring& Operation, const std::wstring& FileName,
                         const std::wstring& Parameters, const std::wstring& Directory, int ShowCommand);

// Enables or disables the up-down and, with it, the control it is attached to.
void SetUpDownEnabled(TUpDown& UpDown, bool Enabled);

// Sets the state of item Index, or of every item when Index is not one of them.
void SetCheckListBoxState(TCheckListBox& CheckListBox, TCheckBoxState State, int Index);
