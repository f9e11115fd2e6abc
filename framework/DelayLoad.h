#pragma once
// System DLLs of single commands are loaded when first called (their
// functions come through delay-load stubs, cmake/DelayLoad.cmake). When such
// a DLL, or a function in it, is missing (an older or a trimmed-down
// Windows), the stub's helper raises a structured exception that no C++
// handler sees and the process ends, even inside a window procedure. With
// the hook installed, the call instead raises EDelayLoad: the command that
// needed the DLL fails with a plain message, the window stays, and an
// unattended run ends with the reason in its log.

#include "framework/Exception.h"

// "Marrowby could not load <dll>: <the system's reason>", or
// "Marrowby could not load <function> from <dll>: ...".
class EDelayLoad : public Exception {
public:
  using Exception::Exception;
};

// Installs the hook for the whole process; a second call changes nothing.
// The first call of every start, before any delay-loaded function is called.
void InstallDelayLoadFailureHook() noexcept;
