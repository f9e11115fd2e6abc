// Marrowby's own start on the settings the start-up benchmark gives it:
//   startup_marrowby.exe <registry key> <instance name> [/without-dialogs]
// It makes the windows app/Main.cpp makes, in the same order, so that the
// benchmark times the program's start without touching the user's settings
// or meeting a running Marrowby. Keep it in step with app/Main.cpp.
// /without-dialogs leaves out the options and statistics dialogs, which the
// first paint does not need: what they cost the start shows apart.

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "framework/Application.h"
#include "options/QuenloUnit2.h"

#include <windows.h>

#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if ((__argc != 3 && __argc != 4) || __wargv == nullptr) return 99;
  const bool WithDialogs = __argc == 3;
  try {
    Application().Initialize();
    Application().MainFormOnTaskBar = true;
    Application().SetTitle(L"Marrowby");
    TForm1Options Options;
    Options.RegistryKey = __wargv[1];
    Options.InstanceName = __wargv[2];
    TForm1* Form1 = Application().CreateForm<TForm1>(Options);
    if (Application().Terminated()) return 0;
    if (WithDialogs) {
      Application().CreateForm<TForm2>(*Form1);
      Form1->Form3 = Application().CreateForm<TForm3>(Form1->Handle());
    }
    Application().Run();
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    return 1;
  }
  return 0;
}
