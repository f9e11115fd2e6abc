#pragma once
// What the tests of the deletion engine share: both delete modes, their
// names for the test output, COM for the shell's Recycle Bin operations.

#include "app/FolderDelete.h"
#include "framework/FileSystem.h"

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

namespace {

using TTexts = std::vector<std::wstring>;

constexpr TDeleteMode BothModes[] = {TDeleteMode::dmPermanent, TDeleteMode::dmRecycleBin};

inline std::string ModeName(TDeleteMode Mode) { return Mode == TDeleteMode::dmPermanent ? "permanent" : "Recycle Bin"; }

// The shell's Recycle Bin operations want COM on the calling thread.
struct TComScope {
  TComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~TComScope() { CoUninitialize(); }
};

inline bool Exists(const std::wstring& Path) {
  return GetFileAttributesW(LongPathForm(Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace
