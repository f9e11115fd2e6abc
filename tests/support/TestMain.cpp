// The entry of every test program: the application object is set up as the
// program sets it up, and no message box may wait for a person that is not
// there: a box no test expected fails the run and is answered with Cancel.
// Likewise no test may start another program through the shell: a request
// no test expected fails the run and is refused. Nor may it read this
// machine's policies or write to its event log.

#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include "framework/Application.h"
#include "framework/DelayLoad.h"
#include "framework/Dialogs.h"
#include "framework/EventLog.h"
#include "framework/ShellExecute.h"
#include "framework/Text.h"
#include "store/MachinePolicies.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
int GUnexpectedDialogs = 0;
int GUnexpectedShellRequests = 0;
int GMachineReached = 0;
}

int wmain(int argc, wchar_t** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  InstallDelayLoadFailureHook();
  Application().Initialize();
  Application().SetTitle(L"Marrowby");

  TMessageDialogHook Unexpected([](const TMessageDialogRequest& Request) {
    ++GUnexpectedDialogs;
    std::fprintf(stderr, "unexpected message box: %s\n", WideToUtf8(Request.Text).c_str());
    return mrCancel;
  });

  TShellExecuteHook UnexpectedShell([](const TShellExecuteRequest& Request) -> INT_PTR {
    ++GUnexpectedShellRequests;
    const auto Text = [](const wchar_t* Value) { return Value != nullptr ? WideToUtf8(Value) : std::string("(null)"); };
    std::fprintf(stderr, "unexpected shell request: %s %s %s in %s\n", Text(Request.Operation).c_str(),
                 Text(Request.FileName).c_str(), Text(Request.Parameters).c_str(), Text(Request.Directory).c_str());
    return SE_ERR_ACCESSDENIED;
  });

  // Nor may a test read the policies of the machine it runs on, or write to
  // its event log: tests read private policy keys and hook the log.
  TOwnPoliciesGuard OwnPolicies([] {
    ++GMachineReached;
    std::fprintf(stderr, "a test read the policies of this machine instead of private policy keys\n");
  });
  TEventLogHook OwnEventLog([](const TEventReport& Report) {
    ++GMachineReached;
    std::fprintf(stderr, "a test wrote event %lu to this machine's event log\n", static_cast<unsigned long>(Report.EventId));
    return false;
  });

  std::vector<std::string> Arguments;
  for (int i = 0; i < argc; ++i) Arguments.push_back(WideToUtf8(argv[i]));
  std::vector<const char*> Pointers;
  for (const std::string& Argument : Arguments) Pointers.push_back(Argument.c_str());

  doctest::Context Context;
  Context.applyCommandLine(static_cast<int>(Pointers.size()), Pointers.data());
  const int Result = Context.run();
  if (Context.shouldExit()) return Result;
  if (Result != 0) return Result;
  return GUnexpectedDialogs != 0 || GUnexpectedShellRequests != 0 || GMachineReached != 0 ? 3 : 0;
}
