#include "framework/DelayLoad.h"

#include "framework/Text.h"

#include <windows.h>
// After windows.h: the delay-load declarations use its types.
#include <delayimp.h>

#include <string>

namespace {

// What the hook learnt of the failure that the next call of the stand-in
// below reports. Per thread: two threads may fail at once.
struct TFailure {
  std::wstring Message;
  FARPROC* Slot = nullptr;      // the import's entry, which now leads to the stand-in
  FARPROC Original = nullptr;   // what it held: the stub that loads on the next call
  HMODULE* ModuleSlot = nullptr;  // the DLL's handle as the helper keeps it ...
  HMODULE StandInModule = nullptr;  // ... when the hook gave it one in place of the missing DLL
};
thread_local TFailure GFailure;

std::wstring NameOf(const DelayLoadInfo& Info) {
  return Info.szDll != nullptr ? AnsiToWide(Info.szDll) : std::wstring(L"a system DLL");
}

std::wstring FunctionOf(const DelayLoadInfo& Info) {
  if (Info.dlp.fImportByName) return Info.dlp.szProcName != nullptr ? AnsiToWide(Info.dlp.szProcName) : L"?";
  return L"#" + std::to_wstring(Info.dlp.dwOrdinal);
}

// The module that holds the import descriptor: its addresses are relative to it.
HMODULE ModuleOf(const void* Address) {
  HMODULE Module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(Address), &Module);
  return Module;
}

// Takes the place of the missing function for one call. The delay-load
// helper jumps here with the caller's own return address and arguments, as
// if the caller had called it: an exception from here unwinds the caller's
// frames like one from any other function. The import entry is put back, so
// that the next call tries to load again and is reported afresh.
[[noreturn]] void CallUnavailable() {
  TFailure Failure = std::move(GFailure);
  GFailure = TFailure();
  if (Failure.Slot != nullptr) *Failure.Slot = Failure.Original;
  if (Failure.ModuleSlot != nullptr && *Failure.ModuleSlot == Failure.StandInModule) *Failure.ModuleSlot = nullptr;
  throw EDelayLoad(!Failure.Message.empty() ? Failure.Message
                                            : std::wstring(L"Marrowby could not load a function of a system DLL."));
}

FARPROC WINAPI DelayLoadFailed(unsigned Notification, PDelayLoadInfo Info) {
  if (Info == nullptr) return nullptr;
  // Nothing here may throw: the helper that calls it is no C++ code.
  try {
    if (Notification == dliFailLoadLib) {
      GFailure = TFailure();
      GFailure.Message = L"Marrowby could not load " + NameOf(*Info) + L": " + SysErrorMessage(Info->dwLastError);
      // The helper goes on to look the function up in the module it is given
      // here: this program's own, which exports none of them, so it asks
      // again below. The handle it keeps meanwhile is taken back.
      if (Info->pidd == nullptr) return nullptr;
      const HMODULE Own = ModuleOf(Info->pidd);
      if (Own == nullptr) return nullptr;
      const ULONG_PTR Base = (Info->pidd->grAttrs & dlattrRva) != 0 ? reinterpret_cast<ULONG_PTR>(Own) : 0;
      GFailure.ModuleSlot = reinterpret_cast<HMODULE*>(Base + Info->pidd->rvaHmod);
      GFailure.StandInModule = Own;
      return reinterpret_cast<FARPROC>(Own);
    }
    if (Notification == dliFailGetProc) {
      // After a missing DLL the reason is the DLL's, not the function's.
      if (GFailure.StandInModule == nullptr || GFailure.StandInModule != Info->hmodCur) {
        GFailure = TFailure();
        GFailure.Message = L"Marrowby could not load " + FunctionOf(*Info) + L" from " + NameOf(*Info) + L": " +
                           SysErrorMessage(Info->dwLastError);
      }
      GFailure.Slot = Info->ppfn;
      GFailure.Original = Info->ppfn != nullptr ? *Info->ppfn : nullptr;
      return reinterpret_cast<FARPROC>(&CallUnavailable);
    }
  } catch (...) {
    // Out of memory for a message: the helper's own exception follows.
  }
  return nullptr;
}

}  // namespace

#ifdef _MSC_VER
// The Visual C++ helper reads a constant that the program defines.
extern "C" const PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;
void InstallDelayLoadFailureHook() noexcept {}
#else
void InstallDelayLoadFailureHook() noexcept { __pfnDliFailureHook2 = DelayLoadFailed; }
#endif
