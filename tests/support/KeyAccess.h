#pragma once
// A private key's access list set for a test and put back when the test
// leaves it, a failing check included: the fixture must still delete the key.

#include <doctest.h>

#include "framework/Handle.h"

#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <string>
#include <vector>

// Sets the access list of HKEY_CURRENT_USER\Path from SDDL while alive.
class TKeyAccess {
public:
  TKeyAccess(const std::wstring& Path, const wchar_t* Sddl) : FPath(Path) {
    UniqueHKey Key;
    REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, Path.c_str(), 0, READ_CONTROL | WRITE_DAC, Key.put()) == ERROR_SUCCESS);
    DWORD Size = 0;
    RegGetKeySecurity(Key.get(), DACL_SECURITY_INFORMATION, nullptr, &Size);
    FOld.resize(Size);
    REQUIRE(RegGetKeySecurity(Key.get(), DACL_SECURITY_INFORMATION, FOld.data(), &Size) == ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR Descriptor = nullptr;
    REQUIRE(ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl, SDDL_REVISION_1, &Descriptor, nullptr));
    const LONG Status = RegSetKeySecurity(Key.get(), DACL_SECURITY_INFORMATION, Descriptor);
    LocalFree(Descriptor);
    REQUIRE(Status == ERROR_SUCCESS);
  }
  ~TKeyAccess() {
    UniqueHKey Key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, FPath.c_str(), 0, WRITE_DAC, Key.put()) == ERROR_SUCCESS)
      RegSetKeySecurity(Key.get(), DACL_SECURITY_INFORMATION, FOld.data());
  }
  TKeyAccess(const TKeyAccess&) = delete;
  TKeyAccess& operator=(const TKeyAccess&) = delete;

private:
  std::wstring FPath;
  std::vector<uint8_t> FOld;
};

// With a list that allows reading alone: true when the system refuses a
// write, as it must for the tests of such keys to mean anything.
inline bool AccessIsChecked(const std::wstring& Path) {
  UniqueHKey Key;
  return RegOpenKeyExW(HKEY_CURRENT_USER, Path.c_str(), 0, KEY_SET_VALUE, Key.put()) == ERROR_ACCESS_DENIED;
}

