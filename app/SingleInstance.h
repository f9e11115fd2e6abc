#pragma once
// At most one Marrowby runs per user, in all of the user's sessions: the
// settings, the folder list and its journal are the user's, not the
// session's, so an unattended run in another session (a task that runs
// whether the user is logged on or not, a second remote session) must not
// run beside an open window. The first instance owns a named mutex and a
// named mapping that holds its main window; a later start finds them, brings
// that window forward, hands it its command line and gives up. An unattended
// run owns the name too, without a window: a later start learns that from
// the mapping instead of waiting for a window.

#include "framework/Handle.h"

#include <string>

class TSingleInstanceGuard {
public:
  // "Global\Brenlow.Marrowby.Instance.<the user's SID>": one name per user
  // across sessions. Tests give names of their own.
  static std::wstring DefaultName();
  explicit TSingleInstanceGuard(std::wstring Name = DefaultName());

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
  UniqueKernelObject FMutex;
  UniqueKernelObject FMapping;
  UniqueMappedView FView;
};
