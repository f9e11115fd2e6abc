#pragma once
// At most one Marrowby runs per session. The first instance owns a named
// mapping that holds its main window; a later start finds the mapping,
// brings that window forward, hands it its command line and gives up.

#include "framework/Handle.h"

#include <string>

class TSingleInstanceGuard {
public:
  explicit TSingleInstanceGuard(std::wstring Name = L"Local\\Brenlow.Marrowby.Instance");

  // True when no other instance runs; this instance then owns the name.
  bool Acquire();
  // Makes the main window findable by later starts.
  void Publish(HWND MainWindow);
  // From a later start: activates the running instance and hands it CommandLine.
  // Returns false when the running instance could not be reached.
  bool ActivateRunning(const std::wstring& CommandLine) const;

  // The WM_COPYDATA tag of a handed-over command line.
  static constexpr ULONG_PTR CommandLineTag = 0x4D52'4259;  // "MRBY"

private:
  std::wstring FName;
  UniqueKernelObject FMapping;
  UniqueMappedView FView;
};
