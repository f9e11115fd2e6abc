#include <doctest.h>

#include "app/FolderListStore.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "support/RegistryFixture.h"
#include "MainWindowFixture.h"

#include <aclapi.h>
#include <sddl.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The two lists test_list_save_child saves in turn.
std::vector<std::wstring> List(const wchar_t* Base, int Count) {
  std::vector<std::wstring> Folders;
  for (int i = 0; i < Count; ++i) Folders.push_back(std::wstring(Base) + std::to_wstring(i));
  return Folders;
}

struct TChild {
  UniqueKernelObject Process;
};

TChild StartSaver(const std::wstring& Key, HANDLE Started) {
  const std::wstring Exe = ExtractFilePath(ApplicationExeName()) + L"test_list_save_child.exe";
  REQUIRE(FileExists(Exe));
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Info{};
  std::wstring CommandLine = L"\"" + Exe + L"\" \"" + Key + L"\" " +
                            std::to_wstring(reinterpret_cast<uintptr_t>(Started));
  REQUIRE(CreateProcessW(Exe.c_str(), CommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &Startup,
                         &Info));
  CloseHandle(Info.hThread);
  TChild Child;
  Child.Process.reset(Info.hProcess);
  return Child;
}

// Denies everyone the writes of a key (its values and subkeys) while it lives.
class TRefuseWrites {
public:
  explicit TRefuseWrites(const std::wstring& Path) : FPath(Path) {
    PSECURITY_DESCRIPTOR Descriptor = nullptr;
    // Deny set-value and create-subkey to everyone; allow everything else.
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                 &Descriptor, nullptr));
    UniqueHKey Key;
    REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, Path.c_str(), 0, WRITE_DAC, Key.put()) == ERROR_SUCCESS);
    const LSTATUS Status = RegSetKeySecurity(Key.get(), DACL_SECURITY_INFORMATION, Descriptor);
    LocalFree(Descriptor);
    REQUIRE(Status == ERROR_SUCCESS);
  }
  ~TRefuseWrites() { Allow(); }
  void Allow() {
    if (FAllowed) return;
    FAllowed = true;
    PSECURITY_DESCRIPTOR Descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KA;;;WD)", SDDL_REVISION_1, &Descriptor, nullptr))
      return;
    UniqueHKey Key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, FPath.c_str(), 0, WRITE_DAC, Key.put()) == ERROR_SUCCESS)
      RegSetKeySecurity(Key.get(), DACL_SECURITY_INFORMATION, Descriptor);
    LocalFree(Descriptor);
  }

private:
  std::wstring FPath;
  bool FAllowed = false;
};

}  // namespace

TEST_CASE("a folder list saved by a process killed at any moment reads back as the old or the new list, whole") {
  TRegistryFixture Registry;
  TVKRRegistryEnhanced Store;
  Store.SetKey(Registry.KeyPath());
  const std::vector<std::wstring> Old = List(L"C:\\old\\folder", 3000);
  const std::vector<std::wstring> New = List(L"D:\\new\\a longer folder name ", 5000);
  SaveFolderList(Store, Old);
  REQUIRE(LoadFolderList(Store) == Old);

  // Inherited by the child: it sets the event as its first save begins.
  SECURITY_ATTRIBUTES Inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const UniqueKernelObject Started(CreateEventW(&Inherited, TRUE, FALSE, nullptr));
  REQUIRE(Started);
  // A fixed seed: a failure comes back on the next run.
  std::mt19937 Random(20);
  std::uniform_int_distribution<DWORD> Moment(0, 600);
  int CaughtInASave = 0;
  for (int Round = 0; Round < 30; ++Round) {
    CAPTURE(Round);
    ResetEvent(Started.get());
    TChild Child = StartSaver(Registry.KeyPath(), Started.get());
    REQUIRE(WaitForSingleObject(Started.get(), 60000) == WAIT_OBJECT_0);
    Sleep(Moment(Random));
    REQUIRE(TerminateProcess(Child.Process.get(), 7));
    REQUIRE(WaitForSingleObject(Child.Process.get(), 60000) == WAIT_OBJECT_0);
    DWORD Exit = 0;
    GetExitCodeProcess(Child.Process.get(), &Exit);
    // Killed, not ended by an error of its own.
    REQUIRE(Exit == 7);
    if (Registry.KeyExists(L"Locations.saving")) ++CaughtInASave;
    const std::vector<std::wstring> Read = LoadFolderList(Store);
    CHECK((Read == Old || Read == New));
    CHECK_FALSE(Registry.KeyExists(L"Locations.saving"));
  }
  // The kills did land in the middle of saves, where a list can be lost.
  CHECK(CaughtInASave > 0);
}

TEST_CASE("a list that cannot be saved is said in a box and keeps the window open with the list in memory") {
  TMainWindowFixture F;
  F.Start({L"a", L"b", L"c"});
  REQUIRE(F.Form1->VKRListView1.Count() == 3);
  const std::vector<std::wstring> Stored = F.Registry.ValueNames(L"Locations");
  std::vector<std::wstring> Boxes;
  TMessageDialogHook Hook([&Boxes](const TMessageDialogRequest& Request) {
    Boxes.push_back(Request.Text);
    return mrOk;
  });
  TRefuseWrites Refuse(F.Registry.KeyPath());
  TRefuseWrites RefuseList(F.Registry.Sub(L"Locations"));
  {
    // The fixture itself: the key does refuse a write.
    UniqueHKey Key;
    const LSTATUS Opened = RegOpenKeyExW(HKEY_CURRENT_USER, F.Registry.Sub(L"Locations").c_str(), 0, KEY_SET_VALUE,
                                         Key.put());
    const DWORD Zero = 0;
    REQUIRE((Opened != ERROR_SUCCESS ||
             RegSetValueExW(Key.get(), L"probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Zero), sizeof(Zero)) !=
                 ERROR_SUCCESS));
  }

  // A change to the list is saved at once: refused, it is said.
  F.Form1->VKRListView1.Item(0).SetSelected(true);
  F.Form1->RemoveFolder2Click(F.Form1.get());
  REQUIRE(Boxes.size() == 1);
  CHECK(Boxes[0].find(L"could not be saved") != std::wstring::npos);
  CHECK(F.Form1->VKRListView1.Count() == 2);

  // Closing: said again, and the window stays with its list.
  F.Form1->Close();
  CHECK(Boxes.size() == 2);
  CHECK(IsWindow(F.Form1->Handle()));
  CHECK(F.Form1->VKRListView1.Count() == 2);
  CHECK(F.Registry.ValueNames(L"Locations") == Stored);

  // Writes allowed again: the close saves the list in memory and goes.
  RefuseList.Allow();
  Refuse.Allow();
  const std::wstring Second = F.Form1->VKRListView1.Item(1).Caption();
  F.Form1->Close();
  CHECK_FALSE(IsWindow(F.Form1->Handle()));
  CHECK(Boxes.size() == 2);
  CHECK(F.Registry.ValueNames(L"Locations") == std::vector<std::wstring>{L"Item0", L"Item1"});
  CHECK(F.Registry.ReadRaw(L"Locations", L"Item1")->AsString() == Second);
}
