#include "InternetSettingsFixture.h"

#include "framework/Handle.h"

#include <doctest.h>

namespace {

const wchar_t* const KInternetSettings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Invalid when the key cannot be opened; never raises (the destructor uses it).
UniqueHKey OpenSettings() {
  UniqueHKey Key;
  RegCreateKeyExW(HKEY_CURRENT_USER, KInternetSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, Key.put(), nullptr);
  return Key;
}

void WriteText(HKEY Key, const wchar_t* Name, const std::wstring& Value) {
  REQUIRE(RegSetValueExW(Key, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                         static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS);
}

}  // namespace

TInternetSettingsFixture::TInternetSettingsFixture() {
  UniqueHKey Key = OpenSettings();
  REQUIRE(Key);
  for (const wchar_t* Name : {L"ProxyEnable", L"ProxyServer", L"ProxyOverride", L"AutoConfigURL"}) {
    TSaved Saved;
    Saved.Name = Name;
    DWORD Size = 0;
    if (RegQueryValueExW(Key.get(), Name, nullptr, &Saved.Type, nullptr, &Size) == ERROR_SUCCESS) {
      std::vector<BYTE> Data(Size);
      if (RegQueryValueExW(Key.get(), Name, nullptr, &Saved.Type, Data.data(), &Size) == ERROR_SUCCESS) {
        Data.resize(Size);
        Saved.Data = std::move(Data);
      }
    }
    FSaved.push_back(std::move(Saved));
  }
}

TInternetSettingsFixture::~TInternetSettingsFixture() {
  UniqueHKey Key = OpenSettings();
  if (!Key) return;
  for (const TSaved& Saved : FSaved) {
    if (Saved.Data)
      RegSetValueExW(Key.get(), Saved.Name.c_str(), 0, Saved.Type, Saved.Data->data(),
                     static_cast<DWORD>(Saved.Data->size()));
    else
      RegDeleteValueW(Key.get(), Saved.Name.c_str());
  }
}

void TInternetSettingsFixture::Set(bool ProxyEnable, const std::wstring& ProxyServer,
                                   const std::wstring& ProxyOverride) {
  UniqueHKey Key = OpenSettings();
  REQUIRE(Key);
  const DWORD Enable = ProxyEnable ? 1 : 0;
  REQUIRE(RegSetValueExW(Key.get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Enable),
                         sizeof(Enable)) == ERROR_SUCCESS);
  WriteText(Key.get(), L"ProxyServer", ProxyServer);
  WriteText(Key.get(), L"ProxyOverride", ProxyOverride);
}

bool EnvironmentNamesProxy() { return GetEnvironmentVariableW(L"http_proxy", nullptr, 0) != 0; }
