// Marrowby: empties the folders where disposable files collect.

#include "app/AutoRun.h"
#include "app/CommandLine.h"
#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "options/QuenloUnit2.h"
#include "framework/Application.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> Result;
  for (int i = 1; i < __argc && __wargv != nullptr; ++i) Result.emplace_back(__wargv[i]);
  return Result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  try {
    Application().Initialize();
    Application().MainFormOnTaskBar = true;
    Application().SetTitle(L"Marrowby");
    const TCommandLine Line = ParseCommandLine(Arguments());
    if (Line.Action != TCommandLineAction::clNormalStart) return RunCommandLine(Line);
    TForm1* Form1 = Application().CreateForm<TForm1>();
    // A second start has handed over to the running instance.
    if (Application().Terminated()) return 0;
    // The options load here, and the scan at start-up runs before the window shows.
    Application().CreateForm<TForm2>(*Form1);
    Form1->Form3 = Application().CreateForm<TForm3>(Form1->Handle());
    Application().Run();
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    return 1;
  }
  return 0;
}
