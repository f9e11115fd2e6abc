// Marrowby's command line as its own process, looking for the disposable
// folders in a private profile instead of the machine's:
//   test_find_child.exe <registry key> <profile root> [arguments...]
// The profile below the root is laid out as FindFoldersLayout.h says; the
// policies are read from subkeys of the test's own key. A message box is
// answered at once and its text written to the standard error.

#include "app/AutoRun.h"
#include "app/CommandLine.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Text.h"
#include "FindFoldersLayout.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  if (__argc < 3 || __wargv == nullptr) return 99;
  Application().Initialize();
  Application().SetTitle(L"Marrowby");

  TAutoRunSettings Settings;
  Settings.RegistryKey = __wargv[1];
  Settings.PolicyRoots.MachineRoot = HKEY_CURRENT_USER;
  Settings.PolicyRoots.MachineKey = Settings.RegistryKey + L"\\MachinePolicies";
  Settings.PolicyRoots.UserKey = Settings.RegistryKey + L"\\UserPolicies";
  Settings.Bases = FixtureBases(__wargv[2]);
  TMessageDialogHook Hook([](const TMessageDialogRequest& Request) {
    const std::string Text = WideToUtf8(L"box: " + Request.Text + L"\n");
    DWORD Written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    return mrOk;
  });

  std::vector<std::wstring> Arguments;
  for (int i = 3; i < __argc; ++i) Arguments.emplace_back(__wargv[i]);
  const TCommandLine Line = ParseCommandLine(Arguments);
  if (Line.Action == TCommandLineAction::clNormalStart) return 98;
  return RunCommandLine(Line, Settings);
}
