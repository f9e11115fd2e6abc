#include "framework/UpDown.h"

#include "framework/Application.h"
#include "framework/Exception.h"

#include <algorithm>

void TUpDown::Create(HWND Parent, int Id, HWND AssociateWindow) {
  // No thousands separators: the associate is a digits-only edit.
  FHandle = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                            WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                                UDS_NOTHOUSANDS,
                            0, 0, 0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                            Application().HInstance(), nullptr);
  Win32Check(FHandle != nullptr, L"Up-down");
  SetRange(0, 100);
  if (AssociateWindow != nullptr) SetAssociate(AssociateWindow);
}

int TUpDown::Position() const {
  BOOL Error = FALSE;
  return static_cast<int>(SendMessageW(FHandle, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&Error)));
}

void TUpDown::SetPosition(int Value) {
  const int Low = std::min(Min(), Max());
  const int High = std::max(Min(), Max());
  SendMessageW(FHandle, UDM_SETPOS32, 0, std::clamp(Value, Low, High));
}

int TUpDown::Min() const {
  int Minimum = 0, Maximum = 0;
  SendMessageW(FHandle, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&Minimum), reinterpret_cast<LPARAM>(&Maximum));
  return Minimum;
}

int TUpDown::Max() const {
  int Minimum = 0, Maximum = 0;
  SendMessageW(FHandle, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&Minimum), reinterpret_cast<LPARAM>(&Maximum));
  return Maximum;
}

void TUpDown::SetMin(int Value) { SetRange(Value, Max()); }

void TUpDown::SetMax(int Value) { SetRange(Min(), Value); }

void TUpDown::SetRange(int Minimum, int Maximum) {
  SendMessageW(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(Minimum), Maximum);
}

HWND TUpDown::Associate() const { return reinterpret_cast<HWND>(SendMessageW(FHandle, UDM_GETBUDDY, 0, 0)); }

void TUpDown::SetAssociate(HWND Value) {
  // The new associate shows the position, not whatever text it held before.
  const int Current = Position();
  SendMessageW(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Value), 0);
  if (Value != nullptr) SendMessageW(FHandle, UDM_SETPOS32, 0, Current);
}
