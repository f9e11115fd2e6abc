#include "support/RegistryFixture.h"

#include "framework/Exception.h"
#include "framework/Handle.h"

#include <atomic>

namespace {
std::atomic<unsigned> GCounter{0};
}

TRegistryFixture::TRegistryFixture()
    : FKeyPath(L"Software\\Brenlow\\MarrowbyTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GCounter++)) {
  RegDeleteTreeW(HKEY_CURRENT_USER, FKeyPath.c_str());
}

TRegistryFixture::~TRegistryFixture() {
  RegDeleteTreeW(HKEY_CURRENT_USER, FKeyPath.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, FKeyPath.c_str());
}

std::wstring TRegistryFixture::Sub(const std::wstring& Relative) const {
  return Relative.empty() ? FKeyPath : FKeyPath + L"\\" + Relative;
}

void TRegistryFixture::CreateKey(const std::wstring& Relative) {
  UniqueHKey Key;
  const LONG Status = RegCreateKeyExW(HKEY_CURRENT_USER, Sub(Relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, Key.put(), nullptr);
  if (Status != ERROR_SUCCESS) throw EOSError(static_cast<unsigned long>(Status), Sub(Relative));
}

void TRegistryFixture::WriteRaw(const std::wstring& Relative, const std::wstring& Name, DWORD Type, const void* Data,
                                DWORD Size) {
  UniqueHKey Key;
  LONG Status = RegCreateKeyExW(HKEY_CURRENT_USER, Sub(Relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                Key.put(), nullptr);
  if (Status == ERROR_SUCCESS)
    Status = RegSetValueExW(Key.get(), Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
  if (Status != ERROR_SUCCESS) throw EOSError(static_cast<unsigned long>(Status), Sub(Relative) + L"\\" + Name);
}

void TRegistryFixture::WriteString(const std::wstring& Relative, const std::wstring& Name, const std::wstring& Value,
                                   DWORD Type) {
  WriteRaw(Relative, Name, Type, Value.c_str(), static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
}

void TRegistryFixture::WriteDword(const std::wstring& Relative, const std::wstring& Name, uint32_t Value) {
  WriteRaw(Relative, Name, REG_DWORD, &Value, sizeof(Value));
}

std::optional<TRegistryFixture::TRawValue> TRegistryFixture::ReadRaw(const std::wstring& Relative,
                                                                     const std::wstring& Name) const {
  UniqueHKey Key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Sub(Relative).c_str(), 0, KEY_READ, Key.put()) != ERROR_SUCCESS)
    return std::nullopt;
  TRawValue Value;
  DWORD Size = 0;
  if (RegQueryValueExW(Key.get(), Name.c_str(), nullptr, &Value.Type, nullptr, &Size) != ERROR_SUCCESS)
    return std::nullopt;
  Value.Data.resize(Size);
  if (RegQueryValueExW(Key.get(), Name.c_str(), nullptr, &Value.Type, Value.Data.data(), &Size) != ERROR_SUCCESS)
    return std::nullopt;
  Value.Data.resize(Size);
  return Value;
}

bool TRegistryFixture::KeyExists(const std::wstring& Relative) const {
  UniqueHKey Key;
  return RegOpenKeyExW(HKEY_CURRENT_USER, Sub(Relative).c_str(), 0, KEY_READ, Key.put()) == ERROR_SUCCESS;
}

std::vector<std::wstring> TRegistryFixture::ValueNames(const std::wstring& Relative) const {
  std::vector<std::wstring> Names;
  UniqueHKey Key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Sub(Relative).c_str(), 0, KEY_READ, Key.put()) != ERROR_SUCCESS) return Names;
  for (DWORD i = 0;; ++i) {
    wchar_t Name[16384];
    DWORD Length = 16384;
    if (RegEnumValueW(Key.get(), i, Name, &Length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Names.emplace_back(Name, Length);
  }
  return Names;
}

std::vector<std::wstring> TRegistryFixture::SubKeyNames(const std::wstring& Relative) const {
  std::vector<std::wstring> Names;
  UniqueHKey Key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Sub(Relative).c_str(), 0, KEY_READ, Key.put()) != ERROR_SUCCESS) return Names;
  for (DWORD i = 0;; ++i) {
    wchar_t Name[256];
    DWORD Length = 256;
    if (RegEnumKeyExW(Key.get(), i, Name, &Length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Names.emplace_back(Name, Length);
  }
  return Names;
}

std::wstring TRegistryFixture::TRawValue::AsString() const {
  std::wstring Text(reinterpret_cast<const wchar_t*>(Data.data()), Data.size() / sizeof(wchar_t));
  while (!Text.empty() && Text.back() == L'\0') Text.pop_back();
  return Text;
}

uint32_t TRegistryFixture::TRawValue::AsDword() const {
  uint32_t Value = 0;
  for (size_t i = 0; i < 4 && i < Data.size(); ++i) Value |= static_cast<uint32_t>(Data[i]) << (8 * i);
  return Value;
}
