#pragma once
// At most one Marrowby runs per session. The first instance owns a named
// mapping that holds its main window; a later start finds the mapping,
// brings that window forward, hands it its command line and gives up.
// An unattended run owns the name too, without a window: a later start
// learns that from the mapping instead of waiting for a window.

#include "framework/Handle.h"

#include <string>

class TSingleInstanceGuard {
public:
  static constexpr const wchar_t* DefaultName = L"Local\\Brenlow.Marrowby.Instance";
  explicit TSingleInstanceGuard(std::wstring Name = DefaultName);

  // True when no other instance runs; this instance then owns the name.
  bool Acquire();
  // Makes the main window findable by later starts.
  void Publish(HWND MainWindow);
  // Tells later starts that this instance runs unattended and has no window.
  void PublishUnattended();
  // From a later start: true when the running instance is an unattended run.
  bool RunningUnattended() const;
  // From a later start: activates the running instance and hands it CommandLine.
  // Returns false when the running instance could not be reached (or has no
  // window: an unattended run).
  bool ActivateRunning(const std::wstring& CommandLine) const;

  // The WM_COPYDATA tag of a handed-over command line.
  static constexpr ULONG_PTR CommandLineTag = 0x4D52'4259;  // "MRBY"

private:
  std::wstring FName;
  UniqueKernelObject FMapping;
  UniqueMappedView FView;
};
