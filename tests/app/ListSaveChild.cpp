// Saves two folder lists in turn, for ever, on the registry key a test gives
// it, so that the test can kill it at any moment of a save:
//   test_list_save_child.exe <registry key> <inherited event handle, decimal>
// The lists are those of FolderListSaveTest.cpp; the event is set once the
// first save begins.

#include "app/FolderListStore.h"
#include "framework/Handle.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> List(const wchar_t* Base, int Count) {
  std::vector<std::wstring> Folders;
  for (int i = 0; i < Count; ++i) Folders.push_back(std::wstring(Base) + std::to_wstring(i));
  return Folders;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  if (__argc < 3 || __wargv == nullptr) return 99;
  TVKRRegistryEnhanced Store;
  Store.SetKey(__wargv[1]);
  const UniqueKernelObject Started(
      reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::wcstoull(__wargv[2], nullptr, 10))));
  if (!Started) return 98;
  const std::vector<std::wstring> Old = List(L"C:\\old\\folder", 3000);
  const std::vector<std::wstring> New = List(L"D:\\new\\a longer folder name ", 5000);
  SetEvent(Started.get());
  try {
    for (;;) {
      SaveFolderList(Store, New);
      SaveFolderList(Store, Old);
    }
  } catch (...) {
    return 1;
  }
}
