// The unattended run as its own process, on the settings a test gives it
// instead of the program's own key, instance name and log:
//   test_autorun_child.exe <registry key> <instance name> <log path> <boxes file> [arguments...]
// The arguments after the fourth are Marrowby's command line. Every message
// box is answered with OK and its caption and text are appended to the boxes
// file, so a test sees whether a box came up and never waits on one. Its
// policies are read from the private keys "MachinePolicies" and
// "UserPolicies" below the given key (a reading of this machine's own ends
// it with exit code 97), and its events are appended to "<log path>.events".

#include "app/AutoRun.h"
#include "app/CommandLine.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/EventLog.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "store/MachinePolicies.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void AppendLine(const std::wstring& Path, const std::wstring& Line) {
  UniqueFile File(CreateFileW(Path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return;
  const std::string Text = WideToUtf8(Line);
  DWORD Written = 0;
  WriteFile(File.get(), Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
}

void AppendBox(const std::wstring& Path, const TMessageDialogRequest& Request) {
  AppendLine(Path, Request.Caption + L"|" + Request.Text + L"\n");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  if (__argc < 5 || __wargv == nullptr) return 99;
  Application().Initialize();
  Application().SetTitle(L"Marrowby");

  TAutoRunSettings Settings;
  Settings.RegistryKey = __wargv[1];
  Settings.InstanceName = __wargv[2];
  Settings.LogPath = __wargv[3];
  // Policies from private keys beside the settings; this machine's are never read.
  Settings.PolicyRoots = {HKEY_CURRENT_USER, Settings.RegistryKey + L"\\MachinePolicies", HKEY_CURRENT_USER,
                          Settings.RegistryKey + L"\\UserPolicies"};
  const TOwnPoliciesGuard Guard([] { ExitProcess(97); });
  // Events go to a file beside the log, never to this machine's event log.
  TEventLogHook Events([Path = Settings.LogPath + L".events"](const TEventReport& Report) {
    std::wstring Line = std::to_wstring(Report.EventId);
    for (const std::wstring& Text : Report.Strings) Line += L"|" + Text;
    AppendLine(Path, Line + L"\n");
    return true;
  });
  const std::wstring Boxes = __wargv[4];
  TMessageDialogHook Hook([&Boxes](const TMessageDialogRequest& Request) {
    AppendBox(Boxes, Request);
    return mrOk;
  });

  std::vector<std::wstring> Arguments;
  for (int i = 5; i < __argc; ++i) Arguments.emplace_back(__wargv[i]);
  const TCommandLine Line = ParseCommandLine(Arguments);
  // A normal start has no place here: the test asked for something else.
  if (Line.Action == TCommandLineAction::clNormalStart) return 98;
  return RunCommandLine(Line, Settings);
}
