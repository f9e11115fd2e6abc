// Marrowby's own start on the settings the start-up benchmark gives it:
//   startup_marrowby.exe <registry key> <instance name>
// It starts the way Marrowby.exe does (app/MainStart), so that the benchmark
// times the program's start without touching the user's settings or meeting
// a running Marrowby.

#include "app/MainStart.h"
#include "framework/Application.h"

#include <windows.h>

#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (__argc != 3 || __wargv == nullptr) return 99;
  try {
    InitializeMarrowby();
    TForm1Options Options;
    Options.RegistryKey = __wargv[1];
    Options.InstanceName = __wargv[2];
    RunMainWindow(Options);
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    return 1;
  }
  return 0;
}
