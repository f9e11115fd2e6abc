#pragma once
// Lets a window accept files dragged from the shell: the window's procedure
// is replaced by one that catches WM_DROPFILES, collects the full paths of
// the dropped items and raises OnDrop once per drop. Every other message goes
// on to the window's own procedure.

#include "framework/Object.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// X and Y: the drop point in the owner window's client coordinates.
using TDropEvent = std::function<void(TObject* Sender, int X, int Y)>;

class TVKRFileDrag : public TObject {
public:
  // No window yet: nothing is hooked and Enabled is false until HookWindow.
  TVKRFileDrag() = default;
  // Hooks Owner at once; a null Owner leaves the component disabled.
  explicit TVKRFileDrag(HWND Owner);
  ~TVKRFileDrag() override;

  // Hooks the owner window (once) and accepts drops on it; a null window
  // hooks nothing and leaves Enabled false.
  void HookWindow(HWND Owner);

  // The paths of the last drop, in the shell's order; the handler of OnDrop
  // may change them in place.
  std::vector<std::wstring>& Files() { return FFiles; }
  const std::vector<std::wstring>& Files() const { return FFiles; }
  uint32_t FileCount() const { return FFileCount; }

  // While false, the window refuses drops.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

  TDropEvent OnDrop;

private:
  static LRESULT CALLBACK WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  void Unhook() noexcept;
  void HandleDrop(HDROP Drop);

  std::vector<std::wstring> FFiles;
  uint32_t FFileCount = 0;
  bool FEnabled = false;
  HWND FWindow = nullptr;
  WNDPROC FPreviousProc = nullptr;
};
