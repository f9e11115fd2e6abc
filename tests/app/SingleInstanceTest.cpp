#include <doctest.h>

#include "app/SingleInstance.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/UserSid.h"
#include "support/RegistryFixture.h"
#include "ProcessWindows.h"

#include <memory>
#include <string>

namespace {

struct TProcess {
  UniqueKernelObject Process;
  DWORD Id = 0;
};

// The program's normal start on a private key and instance name.
TProcess Start(const std::wstring& Exe, const std::wstring& Key, const std::wstring& Instance) {
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Info{};
  std::wstring CommandLine = L"\"" + Exe + L"\" \"" + Key + L"\" \"" + Instance + L"\"";
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
  const std::wstring Exe = ExtractFilePath(ApplicationExeName()) + L"test_main_window_child.exe";
  REQUIRE(FileExists(Exe));
  TRegistryFixture Registry;
  const std::wstring Instance = L"Local\\Brenlow.Marrowby.SingleInstanceTest." + std::to_wstring(GetCurrentProcessId());

  TProcess First = Start(Exe, Registry.KeyPath(), Instance);
  HWND Window = nullptr;
  for (int i = 0; i < 300 && Window == nullptr; ++i) {
    Window = MainWindowOf(First.Id);
    if (Window == nullptr) Sleep(100);
  }
  REQUIRE(Window != nullptr);
  // The first instance writes only when it closes; whatever appears now came from the second.
  RegDeleteTreeW(HKEY_CURRENT_USER, Registry.KeyPath().c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, Registry.KeyPath().c_str());

  TProcess Second = Start(Exe, Registry.KeyPath(), Instance);
  REQUIRE(WaitForSingleObject(Second.Process.get(), 30000) == WAIT_OBJECT_0);
  DWORD SecondExit = 99;
  GetExitCodeProcess(Second.Process.get(), &SecondExit);
  CHECK(SecondExit == 0);
  CHECK(MainWindowOf(Second.Id) == nullptr);

  CHECK(WaitForSingleObject(First.Process.get(), 0) == WAIT_TIMEOUT);
  CHECK(IsWindow(Window));
  UniqueHKey Untouched;
  CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, Registry.KeyPath().c_str(), 0, KEY_READ, Untouched.put()) ==
        ERROR_FILE_NOT_FOUND);

  PostMessageW(Window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(First.Process.get(), 30000) == WAIT_OBJECT_0);
  DWORD FirstExit = 99;
  GetExitCodeProcess(First.Process.get(), &FirstExit);
  CHECK(FirstExit == 0);
  // Closed politely, the first instance saved its list.
  CHECK(Registry.KeyExists(L"Locations"));
}

TEST_CASE("the guard is one name per user in every session: a Global name with the user's SID") {
  const std::wstring Sid = CurrentUserSid();
  REQUIRE(Sid.rfind(L"S-1-", 0) == 0);
  CHECK(TSingleInstanceGuard::DefaultName() == L"Global\\Brenlow.Marrowby.Instance." + Sid);

  // A private name in the same namespace: the second holder gives way, and
  // the name is free again once the first has gone.
  const std::wstring Name = L"Global\\Brenlow.Marrowby.GuardTest." + std::to_wstring(GetCurrentProcessId());
  auto First = std::make_unique<TSingleInstanceGuard>(Name);
  REQUIRE(First->Acquire());
  First->PublishUnattended();
  TSingleInstanceGuard Second(Name);
  CHECK_FALSE(Second.Acquire());
  // What the first published reaches the second through the global mapping.
  CHECK(Second.RunningUnattended());
  First.reset();
  TSingleInstanceGuard Third(Name);
  CHECK(Third.Acquire());
}
