#pragma once
// The thin layer between the settings store and the Win32 registry. One
// accessor lives for one store operation: it remembers a root key, an access
// mask and at most one open key (the current key), and closes that key when
// it goes, also when an error passes through.
//
// Paths that begin with "\" are taken from the root key; any other path is
// taken from the current key, or from the root key when no key is open.
// Failed reads and writes raise ERegistryException with the value's name.

#include "framework/Handle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The classes of stored data the store tells apart; every type other than the
// four it writes, and a value that is not there, is rdUnknown.
enum class TRegDataType : uint8_t { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = TRegDataType::rdUnknown;
  DWORD DataSize = 0;
};

// A value exactly as the registry keeps it, for copies that must not change
// anything about it.
struct TRegRawValue {
  DWORD Type = REG_NONE;
  std::vector<uint8_t> Data;
};

class TRegistryAccessor {
public:
  TRegistryAccessor(HKEY RootKey, REGSAM Access) noexcept : FRootKey(RootKey), FAccess(Access) {}
  TRegistryAccessor(const TRegistryAccessor&) = delete;
  TRegistryAccessor& operator=(const TRegistryAccessor&) = delete;

  // Opens Path (creating what is missing along it when CanCreate is true) and
  // makes it the current key. Failure is an answer, not an error.
  bool OpenKey(const std::wstring& Path, bool CanCreate);
  // Opens Path for reading only, with the read rights of the access mask: a
  // key that may be read but not written is still read, and nothing is asked
  // of the system that the reading does not need.
  bool OpenKeyToRead(const std::wstring& Path);
  // The system's answer to the last OpenKey or OpenKeyToRead: ERROR_SUCCESS,
  // ERROR_FILE_NOT_FOUND for a key that is not there, or why it was refused.
  LONG LastOpenStatus() const noexcept { return FLastOpenStatus; }
  void CloseKey() noexcept;
  bool HasCurrentKey() const noexcept { return FCurrentKey.valid(); }

  // Values of the current key. GetDataInfo answers false for a value that is
  // not there (or cannot be queried); Info then says rdUnknown.
  bool GetDataInfo(const std::wstring& Name, TRegDataInfo& Info) const;
  bool ValueExists(const std::wstring& Name) const;
  // REG_SZ or REG_EXPAND_SZ, up to the first zero, nothing expanded.
  std::wstring ReadString(const std::wstring& Name) const;
  // REG_DWORD of exactly four bytes.
  int32_t ReadInteger(const std::wstring& Name) const;
  // REG_BINARY (or an unknown type), all of its bytes whatever their number.
  std::vector<uint8_t> ReadBinaryData(const std::wstring& Name) const;
  // Any type; false when the value is not there.
  bool ReadRaw(const std::wstring& Name, TRegRawValue& Value) const;

  void WriteString(const std::wstring& Name, const std::wstring& Value);
  void WriteExpandString(const std::wstring& Name, const std::wstring& Value);
  void WriteInteger(const std::wstring& Name, int32_t Value);
  void WriteBinaryData(const std::wstring& Name, const void* Buffer, size_t Size);
  void WriteRaw(const std::wstring& Name, const TRegRawValue& Value);

  // Names in the registry's enumeration order; the unnamed default value is
  // an empty name. False (and the list untouched) when the key cannot be
  // enumerated.
  bool GetValueNames(std::vector<std::wstring>& Names) const;
  bool GetKeyNames(std::vector<std::wstring>& Names) const;

  bool DeleteValue(const std::wstring& Name);
  // Deletes the key with its whole subtree, deepest keys first. A root key is
  // never deleted. True when the key itself is gone.
  bool DeleteKey(const std::wstring& Path);
  // Copies OldPath with its values and subtree to NewPath (which must not
  // exist) and, when Delete is true, then removes OldPath. Values keep their
  // type and bytes. Refuses a NewPath inside OldPath, which would copy
  // itself without end. True when everything was copied (and deleted).
  bool MoveKey(const std::wstring& OldPath, const std::wstring& NewPath, bool Delete);
  // Opened with a read-only mask, whatever the access mask says.
  bool KeyExists(const std::wstring& Path) const;

  // The errors of failed reads and writes, named by the value.
  [[noreturn]] static void RaiseGetData(const std::wstring& Name);
  [[noreturn]] static void RaiseSetData(const std::wstring& Name);
  [[noreturn]] static void RaiseInvalidType(const std::wstring& Name);

  // Path resolved against the current key, from the root key, without a
  // leading separator ("" is the root key itself).
  std::wstring FullPath(const std::wstring& Path) const;

private:
  HKEY FRootKey;
  REGSAM FAccess;
  UniqueHKey FCurrentKey;
  std::wstring FCurrentPath;  // from the root key, without a leading separator
  LONG FLastOpenStatus = ERROR_SUCCESS;
};
