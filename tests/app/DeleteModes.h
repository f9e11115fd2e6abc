#pragma once
// What the tests of the deletion engine share: both delete modes, their
// names for the test output, COM for the shell's Recycle Bin operations,
// the shared trash emptied of what a test recycled.

#include "app/FolderDelete.h"
#include "framework/FileSystem.h"
#include "support/TempDir.h"
#include "support/Trash.h"

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

// Takes what a test recycled out of the shared trash again.
class TTrashGuard {
public:
  explicit TTrashGuard(const TTempDir& Dir) : FMarker(L"/" + ExtractFileName(Dir.Path()) + L"/") {}
  ~TTrashGuard() { RemoveTrashEntriesOf(FMarker); }
  TTrashGuard(const TTrashGuard&) = delete;
  TTrashGuard& operator=(const TTrashGuard&) = delete;

private:
  std::wstring FMarker;
};

}  // namespace
