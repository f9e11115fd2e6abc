// Marrowby: empties the folders where disposable files collect.

#include "app/AutoRun.h"
#include "app/CommandLine.h"
#include "app/MainStart.h"
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
    InitializeMarrowby();
    const TCommandLine Line = ParseCommandLine(Arguments());
    if (Line.Action != TCommandLineAction::clNormalStart) return RunCommandLine(Line);
    RunMainWindow();
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    return 1;
  }
  return 0;
}
