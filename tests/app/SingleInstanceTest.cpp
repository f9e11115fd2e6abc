#include <doctest.h>

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "support/RegistryFixture.h"
#include "ProcessWindows.h"

#include <string>

namespace {

const wchar_t* const ProgramKey = L"Software\\Brenlow\\Marrowby";
const wchar_t* const BackupKey = L"Software\\Brenlow\\Marrowby.single-instance-test";

// The program's own key is what the program uses: keep what was there and put it back.
class TProgramKeyBackup {
public:
  TProgramKeyBackup() {
    RegDeleteTreeW(HKEY_CURRENT_USER, BackupKey);
    UniqueHKey Source;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ProgramKey, 0, KEY_READ, Source.put()) == ERROR_SUCCESS) {
      UniqueHKey Backup;
      RegCreateKeyExW(HKEY_CURRENT_USER, BackupKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, Backup.put(), nullptr);
      FHadKey = RegCopyTreeW(Source.get(), nullptr, Backup.get()) == ERROR_SUCCESS;
    }
  }
  ~TProgramKeyBackup() {
    RegDeleteTreeW(HKEY_CURRENT_USER, ProgramKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, ProgramKey);
    if (FHadKey) {
      UniqueHKey Backup, Target;
      RegOpenKeyExW(HKEY_CURRENT_USER, BackupKey, 0, KEY_READ, Backup.put());
      RegCreateKeyExW(HKEY_CURRENT_USER, ProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, Target.put(), nullptr);
      RegCopyTreeW(Backup.get(), nullptr, Target.get());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, BackupKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, BackupKey);
  }

private:
  bool FHadKey = false;
};

struct TProcess {
  UniqueKernelObject Process;
  DWORD Id = 0;
};

TProcess Start(const std::wstring& Exe) {
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Info{};
  // Marrowby takes no arguments for a normal start; an unknown one would only bring up the usage.
  std::wstring CommandLine = L"\"" + Exe + L"\"";
  REQUIRE(CreateProcessW(Exe.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                         &Info));
  CloseHandle(Info.hThread);
  TProcess Result;
  Result.Process.reset(Info.hProcess);
  Result.Id = Info.dwProcessId;
  return Result;
}

HWND MainWindowOf(DWORD ProcessId) {
  return FindWindowOfProcess(ProcessId, [](HWND Window) {
    wchar_t Class[64] = L"";
    GetClassNameW(Window, Class, 64);
    return std::wstring(Class) == L"TForm1";
  });
}

}  // namespace

TEST_CASE("a second start hands over to the running instance and ends with exit code 0") {
  const std::wstring Exe = ExtractFilePath(ApplicationExeName()) + L"Marrowby.exe";
  REQUIRE(FileExists(Exe));
  TProgramKeyBackup Backup;

  TProcess First = Start(Exe);
  HWND Window = nullptr;
  for (int i = 0; i < 300 && Window == nullptr; ++i) {
    Window = MainWindowOf(First.Id);
    if (Window == nullptr) Sleep(100);
  }
  REQUIRE(Window != nullptr);
  // The first instance writes only when it closes; whatever appears now came from the second.
  RegDeleteTreeW(HKEY_CURRENT_USER, ProgramKey);

  TProcess Second = Start(Exe);
  REQUIRE(WaitForSingleObject(Second.Process.get(), 30000) == WAIT_OBJECT_0);
  DWORD SecondExit = 99;
  GetExitCodeProcess(Second.Process.get(), &SecondExit);
  CHECK(SecondExit == 0);
  CHECK(MainWindowOf(Second.Id) == nullptr);

  CHECK(WaitForSingleObject(First.Process.get(), 0) == WAIT_TIMEOUT);
  CHECK(IsWindow(Window));
  UniqueHKey Untouched;
  CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, ProgramKey, 0, KEY_READ, Untouched.put()) == ERROR_FILE_NOT_FOUND);

  PostMessageW(Window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(First.Process.get(), 30000) == WAIT_OBJECT_0);
  DWORD FirstExit = 99;
  GetExitCodeProcess(First.Process.get(), &FirstExit);
  CHECK(FirstExit == 0);
  // Closed politely, the first instance saved its list.
  UniqueHKey Saved;
  CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(ProgramKey) + L"\\Locations").c_str(), 0, KEY_READ,
                      Saved.put()) == ERROR_SUCCESS);
}
