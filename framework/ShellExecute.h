#pragma once
// Every request the program makes to the shell's ShellExecuteW goes through
// RunShellExecute, so that a test can see the request and answer it without
// another program opening a window (TShellExecuteHook).

#include <windows.h>
#include <shellapi.h>

#include <functional>

// The arguments exactly as the shell would receive them: null pointers stay
// null. The texts live only while the handler runs.
struct TShellExecuteRequest {
  HWND WindowHandle = nullptr;
  const wchar_t* Operation = nullptr;
  const wchar_t* FileName = nullptr;
  const wchar_t* Parameters = nullptr;
  const wchar_t* Directory = nullptr;
  int ShowCommand = SW_SHOWNORMAL;
};

// Calls ShellExecuteW, or the installed hook; returns what ShellExecuteW returns
// (a value greater than 32 when the shell accepted the request).
HINSTANCE RunShellExecute(const TShellExecuteRequest& Request);

// Answers a request in place of the shell; returns the value ShellExecuteW would.
using TShellExecuteHandler = std::function<INT_PTR(const TShellExecuteRequest&)>;

// While alive, every RunShellExecute is answered by Handler instead of the shell.
class TShellExecuteHook {
public:
  explicit TShellExecuteHook(TShellExecuteHandler Handler);
  ~TShellExecuteHook();
  TShellExecuteHook(const TShellExecuteHook&) = delete;
  TShellExecuteHook& operator=(const TShellExecuteHook&) = delete;

private:
  TShellExecuteHandler FPrevious;
};
