// The program's normal start as its own process, on the settings a test gives
// it instead of the program's own key and instance name:
//   test_main_window_child.exe <registry key> <instance name>
// A test that starts the program twice sees the hand-over between two real
// processes without ever touching what the user has stored. Its policies
// are read from the private keys "MachinePolicies" and "UserPolicies" below
// the given key; a reading of this machine's own ends it with exit code 97.

#include "app/MainStart.h"
#include "framework/Application.h"
#include "store/MachinePolicies.h"

#include <windows.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  if (__argc < 3 || __wargv == nullptr) return 99;
  try {
    InitializeMarrowby();
    TForm1Options Options;
    Options.RegistryKey = __wargv[1];
    Options.InstanceName = __wargv[2];
    // Policies from private keys beside the settings; this machine's are never read.
    Options.PolicyRoots = {HKEY_CURRENT_USER, Options.RegistryKey + L"\\MachinePolicies", HKEY_CURRENT_USER,
                           Options.RegistryKey + L"\\UserPolicies"};
    const TOwnPoliciesGuard Guard([] { ExitProcess(97); });
    RunMainWindow(Options);
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    return 1;
  }
  return 0;
}
