#pragma once
// What the store's tests share: a store aimed at a private registry key,
// raw byte builders for what the registry should hold, and a catcher for
// error messages.

#include <doctest.h>

#include "framework/Handle.h"
#include "framework/Text.h"
#include "framework/Variant.h"
#include "records/StoreRecords.h"
#include "store/VKRRegistryEnhanced.h"
#include "support/RegistryFixture.h"
#include "support/TestStrings.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>


// A store whose application key is the fixture's own key.
struct TStoreFixture {
  TRegistryFixture Fixture;
  TVKRRegistryEnhanced Store;
  TStoreRecords Records{Store};  // the records of user-interface objects, kept in Store
  TStoreFixture() { Store.SetKey(Fixture.KeyPath()); }
};

using TBytes = std::vector<uint8_t>;

inline TBytes DwordBytes(uint32_t Value) {
  return {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8), static_cast<uint8_t>(Value >> 16),
          static_cast<uint8_t>(Value >> 24)};
}

// UTF-16 text with its terminating zero, as REG_SZ holds it.
inline TBytes TextBytes(const std::wstring& Text) {
  TBytes Bytes((Text.size() + 1) * sizeof(wchar_t), 0);
  std::memcpy(Bytes.data(), Text.c_str(), Text.size() * sizeof(wchar_t));
  return Bytes;
}

template <typename T>
TBytes RawBytes(T Value) {
  TBytes Bytes(sizeof(T));
  std::memcpy(Bytes.data(), &Value, sizeof(T));
  return Bytes;
}

inline void WriteBytes(TRegistryFixture& Fixture, const std::wstring& Relative, const std::wstring& Name, DWORD Type,
                       const TBytes& Bytes) {
  Fixture.WriteRaw(Relative, Name, Type, Bytes.data(), static_cast<DWORD>(Bytes.size()));
}

// The text of a REG_SZ value under the fixture's key; none when it is not there.
inline std::optional<std::wstring> StoredText(const TRegistryFixture& Fixture, const std::wstring& Relative,
                                              const std::wstring& Name) {
  const auto Raw = Fixture.ReadRaw(Relative, Name);
  if (!Raw) return std::nullopt;
  REQUIRE(Raw->Type == REG_SZ);
  return Raw->AsString();
}

// A whole file as bytes, for files whose exact bytes matter.
inline std::string FileBytes(const std::wstring& Path) {
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  REQUIRE(File.valid());
  std::string Bytes;
  char Buffer[4096];
  DWORD Read = 0;
  while (ReadFile(File.get(), Buffer, sizeof(Buffer), &Read, nullptr) && Read > 0) Bytes.append(Buffer, Read);
  return Bytes;
}

// The message of the error of kind E that Action raises; other errors pass.
template <typename E, typename TAction>
std::wstring ThrownMessage(TAction&& Action) {
  try {
    Action();
  } catch (const E& Error) {
    return Error.Message();
  }
  return L"<nothing raised>";
}

inline bool RunningOnWine() {
  const HMODULE Ntdll = GetModuleHandleW(L"ntdll.dll");
  return Ntdll != nullptr && GetProcAddress(Ntdll, "wine_get_version") != nullptr;
}
