// Functions that come through delay-load stubs but cannot be had: a DLL that
// is not there, and a function that a DLL that is there does not export. The
// stubs are built for this test alone (tests/framework/CMakeLists.txt).

#include <doctest.h>

#include "framework/DelayLoad.h"
#include "framework/Text.h"
#include "support/HostForm.h"
#include "support/RecordedBoxes.h"

#include <windows.h>

#include <string>

extern "C" int WINAPI MarrowbyMissingDllFunction(int Value);     // in marrowby-missing.dll, which does not exist
extern "C" int WINAPI MarrowbyNoSuchKernelFunction(int Value);   // said to be in kernel32.dll, which lacks it

namespace {

// Sets its flag when it goes: the frames between the call and the handler unwind.
struct TUnwound {
  bool& Flag;
  ~TUnwound() { Flag = true; }
};

int CallWithCleanUp(int (*Function)(int), bool& Unwound) {
  TUnwound Guard{Unwound};
  return Function(32) + 1;
}

std::wstring MessageOf(int (*Function)(int)) {
  try {
    Function(32);
  } catch (const EDelayLoad& Error) {
    return Error.Message();
  }
  return L"(no error)";
}

int CallMissingDll(int Value) { return MarrowbyMissingDllFunction(Value); }
int CallMissingFunction(int Value) { return MarrowbyNoSuchKernelFunction(Value); }

}  // namespace

TEST_CASE("a delay-loaded DLL or function that is missing fails the call with a plain message") {
  InstallDelayLoadFailureHook();
  const struct {
    const char* What;
    int (*Function)(int);
    std::wstring Start;
    DWORD Error;
  } Cases[] = {
      {"a DLL that is not there", CallMissingDll, L"Marrowby could not load marrowby-missing.dll: ", ERROR_MOD_NOT_FOUND},
      {"a function the DLL lacks", CallMissingFunction,
       L"Marrowby could not load MarrowbyNoSuchKernelFunction from kernel32.dll: ", ERROR_PROC_NOT_FOUND},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    const std::wstring Expected = Case.Start + SysErrorMessage(Case.Error);
    // Twice: the second call tries again and is reported as the first was.
    for (int Round = 0; Round < 2; ++Round) {
      CAPTURE(Round);
      bool Unwound = false;
      std::wstring Message;
      try {
        CallWithCleanUp(Case.Function, Unwound);
      } catch (const EDelayLoad& Error) {
        Message = Error.Message();
      }
      CHECK(Unwound);
      CHECK(Message.rfind(Case.Start, 0) == 0);
      CHECK(Message.size() > Case.Start.size());
      CHECK(Message == Expected);
    }
  }
  // One failure does not colour the next: each names its own DLL.
  CHECK(MessageOf(CallMissingDll).find(L"marrowby-missing.dll") != std::wstring::npos);
  CHECK(MessageOf(CallMissingFunction).find(L"MarrowbyNoSuchKernelFunction from kernel32.dll") != std::wstring::npos);
  CHECK(MessageOf(CallMissingDll).find(L"kernel32") == std::wstring::npos);
}

TEST_CASE("a missing delay-loaded function called from a window procedure leaves the window standing") {
  InstallDelayLoadFailureHook();
  THostForm Form;
  int Calls = 0;
  Form.BindCommand(101, [&Calls] {
    ++Calls;
    MarrowbyMissingDllFunction(1);
  });
  TRecordedBoxes Boxes;
  for (int Round = 0; Round < 2; ++Round) {
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(101, 0), 0);
    CHECK(Calls == Round + 1);
    CHECK(IsWindow(Form.Handle()));
    REQUIRE(Boxes.Requests.size() == static_cast<size_t>(Round + 1));
    CHECK(Boxes.Requests.back().Type == TMsgDlgType::mtError);
    CHECK(Boxes.Requests.back().Text.rfind(L"Marrowby could not load marrowby-missing.dll: ", 0) == 0);
  }
}
