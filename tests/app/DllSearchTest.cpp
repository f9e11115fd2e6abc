#include <doctest.h>

#include "app/MainStart.h"
#include "framework/FileSystem.h"
#include "support/CurrentDirectory.h"
#include "support/TempDir.h"

#include <windows.h>

#include <string>

// The DLLs of single commands are loaded by name while the program runs
// (cmake/DelayLoad.cmake): a DLL of that name in the current folder or
// beside the program must never be the one loaded.
TEST_CASE("once started, the program loads DLLs by name from the system folder alone") {
  const std::wstring Built = ExtractFilePath(ApplicationExeName()) + L"marrowby_probe.dll";
  // The fixture is built beside the test programs.
  REQUIRE(GetFileAttributesW(Built.c_str()) != INVALID_FILE_ATTRIBUTES);
  TTempDir Temp;
  const std::wstring Copy = Temp / L"marrowby_probe.dll";
  REQUIRE(CopyFileW(Built.c_str(), Copy.c_str(), TRUE));
  // It is a DLL that loads where it is named in full.
  const HMODULE Full = LoadLibraryW(Copy.c_str());
  REQUIRE(Full != nullptr);
  FreeLibrary(Full);

  InitializeMarrowby();
  const TCurrentDirectory Here(Temp.Path());
  REQUIRE(Here.Set());
  const HMODULE ByName = LoadLibraryW(L"marrowby_probe.dll");
  CHECK(ByName == nullptr);
  if (ByName != nullptr) FreeLibrary(ByName);
  // The system's own still load by name, the delay-loaded ones among them.
  for (const wchar_t* Name : {L"winhttp.dll", L"wininet.dll", L"comdlg32.dll"}) {
    CAPTURE(Name);
    const HMODULE System = LoadLibraryW(Name);
    CHECK(System != nullptr);
    if (System != nullptr) FreeLibrary(System);
  }
}
