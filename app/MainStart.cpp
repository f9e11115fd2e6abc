#include "app/MainStart.h"

#include "framework/Application.h"
#include "framework/DelayLoad.h"
#include "update/UpdateFolder.h"

#include <windows.h>

// Headers for Windows 7 need not name it: it came to Windows 7 with an update.
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// Every DLL loaded once the program runs, by a delay-load stub (the DLLs of
// single commands, cmake/DelayLoad.cmake) or by name, comes from the system
// folder alone: never from the current folder, the program's folder or PATH,
// where another user may have put one (the program runs as administrator).
// Windows 7 has the call only with its update KB2533623: looked up by name.
void LoadDllsFromSystemFolderOnly() {
  using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE Kernel = GetModuleHandleW(L"kernel32.dll");
  const auto Set = Kernel != nullptr ? reinterpret_cast<TSetDefaultDllDirectories>(reinterpret_cast<void*>(
                                           GetProcAddress(Kernel, "SetDefaultDllDirectories")))
                                     : nullptr;
  if (Set != nullptr) Set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

void InitializeMarrowby() {
  LoadDllsFromSystemFolderOnly();
  // A missing system DLL then fails the one command that needs it, with a message.
  InstallDelayLoadFailureHook();
  Application().Initialize();
  Application().MainFormOnTaskBar = true;
  Application().SetTitle(L"Marrowby");
}

void RunMainWindow(const TForm1Options& Options) {
  TForm1* Form1 = Application().CreateForm<TForm1>(Options);
  // A second start has handed over to the running instance.
  if (Application().Terminated()) return;
  // What an update left (a check or download stopped by a kill, an installer
  // that has run) goes; a second start gave way above and touches nothing.
  RemoveUpdateLeftovers(DefaultUpdateRoot());
  Form1->StartupScan();
  Application().Run();
}
