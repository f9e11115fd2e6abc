#pragma once
// A private registry key under HKEY_CURRENT_USER\Software\Brenlow\MarrowbyTests,
// deleted with its subtree when the fixture goes, plus raw access for checks
// that must see exactly what is stored.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TRegistryFixture {
public:
  TRegistryFixture();
  ~TRegistryFixture();
  TRegistryFixture(const TRegistryFixture&) = delete;
  TRegistryFixture& operator=(const TRegistryFixture&) = delete;

  // Relative to HKEY_CURRENT_USER, without leading or trailing separator.
  const std::wstring& KeyPath() const { return FKeyPath; }
  // KeyPath joined with a relative subkey path ("" for the key itself).
  std::wstring Sub(const std::wstring& Relative) const;

  // Raw writes and reads under KeyPath\Relative.
  void WriteRaw(const std::wstring& Relative, const std::wstring& Name, DWORD Type, const void* Data, DWORD Size);
  void WriteString(const std::wstring& Relative, const std::wstring& Name, const std::wstring& Value,
                   DWORD Type = REG_SZ);
  void WriteDword(const std::wstring& Relative, const std::wstring& Name, uint32_t Value);
  void CreateKey(const std::wstring& Relative);

  struct TRawValue {
    DWORD Type = REG_NONE;
    std::vector<uint8_t> Data;
    std::wstring AsString() const;
    uint32_t AsDword() const;
  };
  std::optional<TRawValue> ReadRaw(const std::wstring& Relative, const std::wstring& Name) const;
  bool KeyExists(const std::wstring& Relative) const;
  std::vector<std::wstring> ValueNames(const std::wstring& Relative) const;
  std::vector<std::wstring> SubKeyNames(const std::wstring& Relative) const;

private:
  std::wstring FKeyPath;
};
