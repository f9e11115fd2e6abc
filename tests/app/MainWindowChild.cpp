// The program's normal start as its own process, on the settings a test gives
// it instead of the program's own key and instance name:
//   test_main_window_child.exe <registry key> <instance name>
// A test that starts the program twice sees the hand-over between two real
// processes without ever touching what the user has stored.

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "options/QuenloUnit2.h"
#include "framework/Application.h"

#include <windows.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  if (__argc < 3 || __wargv == nullptr) return 99;
  try {
    Application().Initialize();
    Application().MainFormOnTaskBar = true;
    Application().SetTitle(L"Marrowby");
    TForm1Options Options;
    Options.RegistryKey = __wargv[1];
    Options.InstanceName = __wargv[2];
    TForm1* Form1 = Application().CreateForm<TForm1>(Options);
    if (Application().Terminated()) return 0;
    Application().CreateForm<TForm2>(*Form1);
    Form1->Form3 = Application().CreateForm<TForm3>(Form1->Handle());
    Application().Run();
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    return 1;
  }
  return 0;
}
