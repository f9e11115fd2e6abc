#pragma once
// What a progress bar showed while a command ran: every position it was
// moved to is read back from the bar itself, so a test sees the bar fill
// although it is empty again once the command has ended.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>

class TProgressWatch {
public:
  TProgressWatch(HWND Bar, std::function<bool()> Running) : FBar(Bar), FRunning(std::move(Running)) {
    FWatching = SetWindowSubclass(FBar, &TProgressWatch::Proc, KSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  }
  ~TProgressWatch() {
    if (FWatching) RemoveWindowSubclass(FBar, &TProgressWatch::Proc, KSubclassId);
  }
  TProgressWatch(const TProgressWatch&) = delete;
  TProgressWatch& operator=(const TProgressWatch&) = delete;

  bool Watching() const { return FWatching; }
  // The highest position shown while Running said true; -1 when none was.
  int HighestWhileRunning() const { return FHighest; }

private:
  static constexpr UINT_PTR KSubclassId = 0x5057;

  static LRESULT CALLBACK Proc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR, DWORD_PTR Data) {
    const LRESULT Result = DefSubclassProc(Window, Msg, WParam, LParam);
    if (Msg == PBM_SETPOS || Msg == PBM_STEPIT || Msg == PBM_DELTAPOS) {
      auto* Self = reinterpret_cast<TProgressWatch*>(Data);
      // Nothing may leave a window procedure.
      try {
        if (Self->FRunning())
          Self->FHighest = std::max(Self->FHighest, static_cast<int>(SendMessageW(Window, PBM_GETPOS, 0, 0)));
      } catch (...) {
      }
    }
    return Result;
  }

  HWND FBar;
  std::function<bool()> FRunning;
  bool FWatching = false;
  int FHighest = -1;
};
