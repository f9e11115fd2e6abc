#pragma once
// Records kept in the process per window, for window procedures put in front
// of a window's own. A window property would do, but under Wine each
// GetPropW is a request to the wineserver, and the common controls'
// SetWindowSubclass reads a property three times for every message the
// window gets: the main window's list, filled with six rows while the
// program starts, paid some two hundred requests for it. A table here is
// answered without leaving the process.

#include "framework/SlimLock.h"

#include <windows.h>

#include <mutex>
#include <unordered_map>
#include <utility>

template <typename T>
class TWindowTable {
public:
  // The record of Window, or nullptr. It stays where it is until erased.
  T* Find(HWND Window) {
    const std::lock_guard<TSlimLock> Hold(FLock);
    const auto Found = FRecords.find(Window);
    return Found != FRecords.end() ? &Found->second : nullptr;
  }
  // Puts Value as the record of Window, replacing one it had.
  T& Put(HWND Window, T Value) {
    const std::lock_guard<TSlimLock> Hold(FLock);
    T& Record = FRecords[Window];
    Record = std::move(Value);
    return Record;
  }
  void Erase(HWND Window) {
    typename std::unordered_map<HWND, T>::node_type Gone;
    {
      const std::lock_guard<TSlimLock> Hold(FLock);
      Gone = FRecords.extract(Window);
    }
    // Gone ends here, outside the lock: its destructor may reach the table.
  }

private:
  TSlimLock FLock;
  std::unordered_map<HWND, T> FRecords;
};
