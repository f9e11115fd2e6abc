#include "framework/ShellExecute.h"


#include <utility>

namespace {

TShellExecuteHandler& CurrentHandler() {
  static TShellExecuteHandler Handler;
  return Handler;
}

}  // namespace

HINSTANCE RunShellExecute(const TShellExecuteRequest& Request) {
  if (CurrentHandler()) return reinterpret_cast<HINSTANCE>(CurrentHandler()(Request));
  return ShellExecuteW(Request.WindowHandle, Request.Operation, Request.FileName, Request.Parameters,
                       Request.Directory, Request.ShowCommand);
}

TShellExecuteHook::TShellExecuteHook(TShellExecuteHandler Handler) : FPrevious(std::move(CurrentHandler())) {
  CurrentHandler() = std::move(Handler);
}

TShellExecuteHook::~TShellExecuteHook() { CurrentHandler() = std::move(FPrevious); }
