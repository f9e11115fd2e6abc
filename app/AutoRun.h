#pragma once
// Unattended runs (Marrowby.exe /auto), for the Task Scheduler: load the
// folder list and options, Scan, Delete, save what a close saves, write one
// line to the log, exit. No window is shown and nothing is asked; what would
// have been a box goes to the log.

#include "app/CommandLine.h"
#include "app/DisposableFolders.h"
#include "store/Policies.h"

#include <optional>
#include <string>

struct TAutoRunSettings {
  std::wstring RegistryKey = L"Software\\Brenlow\\Marrowby";  // under HKEY_CURRENT_USER
  std::wstring InstanceName;  // the single-instance name; empty: the program's own
  std::wstring LogPath;       // empty: DefaultRunLogPath()
  TPolicyRoots PolicyRoots;   // where the administrator's policies are read
  // Where /find looks for the catalogue's bases, and for the known folders
  // Delete never empties; none: this PC's and this user's.
  std::optional<TBaseFolders> Bases;
};

// Runs unattended and returns the exit code: ExitAllDeleted, ExitSomethingLeft
// or ExitCouldNotRun (another instance runs, or the run failed).
int RunUnattended(const TAutoRunSettings& Settings);

// /find: the catalogue's folders found here, measured as Scan measures with
// the stored options (and those a policy sets), written as tab-separated
// lines to Line.Output or to the console the program was started from.
// ExitAllDeleted when written, ExitCouldNotRun when there was nowhere to write.
int RunFindFolders(const TCommandLine& Line, const TAutoRunSettings& Settings);

// Carries out a command line that is not a normal start: the usage box for
// /? and for a bad command line, an unattended run, or /find. Returns the exit code.
int RunCommandLine(const TCommandLine& Line, const TAutoRunSettings& Settings = {});
