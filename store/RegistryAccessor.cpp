#include "store/RegistryAccessor.h"

#include "framework/Exception.h"

#include <cstring>
#include <limits>

namespace {

// Read-only access for existence tests: query values, enumerate subkeys.
constexpr REGSAM KeyExistsAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

TRegDataType DataTypeClass(DWORD Type) {
  switch (Type) {
    case REG_SZ: return TRegDataType::rdString;
    case REG_EXPAND_SZ: return TRegDataType::rdExpandString;
    case REG_DWORD: return TRegDataType::rdInteger;
    case REG_BINARY: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
  }
}

// Reads the whole value whatever its size. The value may grow between asking
// for its size and reading it, so a too-small buffer is tried again a few times.
LONG QueryValue(HKEY Key, const std::wstring& Name, DWORD& Type, std::vector<uint8_t>& Data) {
  DWORD Size = 0;
  LONG Status = RegQueryValueExW(Key, Name.c_str(), nullptr, &Type, nullptr, &Size);
  for (int Attempt = 0; Attempt < 8 && (Status == ERROR_SUCCESS || Status == ERROR_MORE_DATA); ++Attempt) {
    Data.assign(Size, 0);
    uint8_t Empty = 0;
    DWORD Got = Size;
    Status = RegQueryValueExW(Key, Name.c_str(), nullptr, &Type, Data.empty() ? &Empty : Data.data(), &Got);
    if (Status == ERROR_SUCCESS) {
      Data.resize(Got);
      return Status;
    }
    if (Status == ERROR_MORE_DATA) Size = Got > Size ? Got : Size + 1024;
  }
  return Status == ERROR_SUCCESS ? ERROR_MORE_DATA : Status;
}

void SetValue(HKEY Key, const std::wstring& Name, DWORD Type, const void* Data, size_t Size) {
  if (Key == nullptr || Size > std::numeric_limits<DWORD>::max()) TRegistryAccessor::RaiseSetData(Name);
  if (RegSetValueExW(Key, Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), static_cast<DWORD>(Size)) !=
      ERROR_SUCCESS)
    TRegistryAccessor::RaiseSetData(Name);
}

// Enumeration of value or subkey names. A name longer than the buffer makes
// the buffer grow and the same index be asked again.
template <typename TEnum>
bool EnumNames(HKEY Key, DWORD Initial, TEnum Enum, std::vector<std::wstring>& Names) {
  std::vector<std::wstring> Result;
  std::vector<wchar_t> Buffer(Initial + 1);
  for (DWORD Index = 0;;) {
    DWORD Length = static_cast<DWORD>(Buffer.size());
    const LONG Status = Enum(Key, Index, Buffer.data(), &Length);
    if (Status == ERROR_NO_MORE_ITEMS) break;
    if (Status == ERROR_MORE_DATA && Buffer.size() < 65536) {
      Buffer.resize(Buffer.size() * 2);
      continue;
    }
    if (Status != ERROR_SUCCESS) return false;
    Result.emplace_back(Buffer.data(), Length);
    ++Index;
  }
  Names = std::move(Result);
  return true;
}

bool EnumValueNames(HKEY Key, std::vector<std::wstring>& Names) {
  DWORD MaxName = 0;
  if (RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &MaxName, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return EnumNames(
      Key, MaxName,
      [](HKEY K, DWORD Index, wchar_t* Name, DWORD* Length) {
        return RegEnumValueW(K, Index, Name, Length, nullptr, nullptr, nullptr, nullptr);
      },
      Names);
}

bool EnumKeyNames(HKEY Key, std::vector<std::wstring>& Names) {
  DWORD MaxName = 0;
  if (RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, &MaxName, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return EnumNames(
      Key, MaxName,
      [](HKEY K, DWORD Index, wchar_t* Name, DWORD* Length) {
        return RegEnumKeyExW(K, Index, Name, Length, nullptr, nullptr, nullptr, nullptr);
      },
      Names);
}

std::wstring JoinPath(const std::wstring& Parent, const std::wstring& Child) {
  if (Parent.empty()) return Child;
  if (Child.empty()) return Parent;
  return Parent + L"\\" + Child;
}

// Registry names compare without case, by the system's own case table.
bool SameKeyOrInside(const std::wstring& Path, const std::wstring& Ancestor) {
  if (Ancestor.empty()) return true;
  if (Path.size() < Ancestor.size()) return false;
  if (Path.size() > Ancestor.size() && Path[Ancestor.size()] != L'\\') return false;
  return CompareStringOrdinal(Path.c_str(), static_cast<int>(Ancestor.size()), Ancestor.c_str(),
                              static_cast<int>(Ancestor.size()), TRUE) == CSTR_EQUAL;
}

bool DeleteTree(HKEY Root, REGSAM Access, const std::wstring& Path) {
  {
    UniqueHKey Key;
    std::vector<std::wstring> Children;
    // The names are taken first: deleting while enumerating would shift the indices.
    if (RegOpenKeyExW(Root, Path.c_str(), 0, Access, Key.put()) == ERROR_SUCCESS && EnumKeyNames(Key.get(), Children))
      for (const std::wstring& Child : Children) DeleteTree(Root, Access, JoinPath(Path, Child));
  }
  return RegDeleteKeyW(Root, Path.c_str()) == ERROR_SUCCESS;
}

void CopyRawValue(HKEY Source, HKEY Dest, const std::wstring& Name) {
  DWORD Type = REG_NONE;
  std::vector<uint8_t> Data;
  const LONG Status = QueryValue(Source, Name, Type, Data);
  if (Status == ERROR_FILE_NOT_FOUND) return;  // gone in between, or no default value
  if (Status != ERROR_SUCCESS) TRegistryAccessor::RaiseGetData(Name);
  SetValue(Dest, Name, Type, Data.data(), Data.size());
}

// Both levels are listed before the target is created, so a source that
// cannot be read leaves nothing behind at the top.
bool CopyTree(HKEY Root, REGSAM Access, const std::wstring& From, const std::wstring& To) {
  UniqueHKey Source;
  if (RegOpenKeyExW(Root, From.c_str(), 0, Access, Source.put()) != ERROR_SUCCESS) return false;
  std::vector<std::wstring> Values, Keys;
  if (!EnumValueNames(Source.get(), Values) || !EnumKeyNames(Source.get(), Keys)) return false;
  UniqueHKey Dest;
  if (RegCreateKeyExW(Root, To.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, Dest.put(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  CopyRawValue(Source.get(), Dest.get(), L"");
  for (const std::wstring& Name : Values)
    if (!Name.empty()) CopyRawValue(Source.get(), Dest.get(), Name);
  for (const std::wstring& Child : Keys)
    if (!CopyTree(Root, Access, JoinPath(From, Child), JoinPath(To, Child))) return false;
  return true;
}

}  // namespace

void TRegistryAccessor::RaiseGetData(const std::wstring& Name) {
  throw ERegistryException(L"Failed to get data for '" + Name + L"'");
}

void TRegistryAccessor::RaiseSetData(const std::wstring& Name) {
  throw ERegistryException(L"Failed to set data for '" + Name + L"'");
}

void TRegistryAccessor::RaiseInvalidType(const std::wstring& Name) {
  throw ERegistryException(L"Invalid data type for '" + Name + L"'");
}

std::wstring TRegistryAccessor::FullPath(const std::wstring& Path) const {
  if (!Path.empty() && Path.front() == L'\\') return Path.substr(1);
  return FCurrentKey.valid() ? JoinPath(FCurrentPath, Path) : Path;
}

bool TRegistryAccessor::OpenKey(const std::wstring& Path, bool CanCreate) {
  const std::wstring Full = FullPath(Path);
  UniqueHKey Key;
  const LONG Status =
      CanCreate ? RegCreateKeyExW(FRootKey, Full.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr,
                                  Key.put(), nullptr)
                : RegOpenKeyExW(FRootKey, Full.c_str(), 0, FAccess, Key.put());
  FLastOpenStatus = Status;
  if (Status != ERROR_SUCCESS) return false;
  FCurrentKey = std::move(Key);
  FCurrentPath = Full;
  return true;
}

bool TRegistryAccessor::OpenKeyToRead(const std::wstring& Path) {
  const std::wstring Full = FullPath(Path);
  UniqueHKey Key;
  FLastOpenStatus = RegOpenKeyExW(FRootKey, Full.c_str(), 0, FAccess & KEY_READ, Key.put());
  if (FLastOpenStatus != ERROR_SUCCESS) return false;
  FCurrentKey = std::move(Key);
  FCurrentPath = Full;
  return true;
}

void TRegistryAccessor::CloseKey() noexcept {
  FCurrentKey.reset();
  FCurrentPath.clear();
}

bool TRegistryAccessor::GetDataInfo(const std::wstring& Name, TRegDataInfo& Info) const {
  Info = TRegDataInfo{};
  if (!FCurrentKey) return false;
  DWORD Type = REG_NONE;
  DWORD Size = 0;
  if (RegQueryValueExW(FCurrentKey.get(), Name.c_str(), nullptr, &Type, nullptr, &Size) != ERROR_SUCCESS)
    return false;
  Info.RegData = DataTypeClass(Type);
  Info.DataSize = Size;
  return true;
}

bool TRegistryAccessor::ValueExists(const std::wstring& Name) const {
  TRegDataInfo Info;
  return GetDataInfo(Name, Info);
}

std::wstring TRegistryAccessor::ReadString(const std::wstring& Name) const {
  TRegRawValue Value;
  if (!ReadRaw(Name, Value)) RaiseGetData(Name);
  if (Value.Type != REG_SZ && Value.Type != REG_EXPAND_SZ) RaiseInvalidType(Name);
  // Stored text need not end with a zero, nor have an even size.
  std::wstring Text(Value.Data.size() / sizeof(wchar_t), L'\0');
  if (!Text.empty()) memcpy(Text.data(), Value.Data.data(), Text.size() * sizeof(wchar_t));
  const size_t Zero = Text.find(L'\0');
  if (Zero != std::wstring::npos) Text.resize(Zero);
  return Text;
}

int32_t TRegistryAccessor::ReadInteger(const std::wstring& Name) const {
  TRegRawValue Value;
  if (!ReadRaw(Name, Value)) RaiseGetData(Name);
  if (Value.Type != REG_DWORD || Value.Data.size() != sizeof(uint32_t)) RaiseInvalidType(Name);
  uint32_t Bits = 0;
  for (size_t i = 0; i < 4; ++i) Bits |= static_cast<uint32_t>(Value.Data[i]) << (8 * i);
  return static_cast<int32_t>(Bits);
}

std::vector<uint8_t> TRegistryAccessor::ReadBinaryData(const std::wstring& Name) const {
  TRegRawValue Value;
  if (!ReadRaw(Name, Value)) RaiseGetData(Name);
  const TRegDataType Class = DataTypeClass(Value.Type);
  if (Class != TRegDataType::rdBinary && Class != TRegDataType::rdUnknown) RaiseInvalidType(Name);
  return std::move(Value.Data);
}

bool TRegistryAccessor::ReadRaw(const std::wstring& Name, TRegRawValue& Value) const {
  if (!FCurrentKey) return false;
  return QueryValue(FCurrentKey.get(), Name, Value.Type, Value.Data) == ERROR_SUCCESS;
}

void TRegistryAccessor::WriteString(const std::wstring& Name, const std::wstring& Value) {
  SetValue(FCurrentKey.get(), Name, REG_SZ, Value.c_str(), (Value.size() + 1) * sizeof(wchar_t));
}

void TRegistryAccessor::WriteExpandString(const std::wstring& Name, const std::wstring& Value) {
  SetValue(FCurrentKey.get(), Name, REG_EXPAND_SZ, Value.c_str(), (Value.size() + 1) * sizeof(wchar_t));
}

void TRegistryAccessor::WriteInteger(const std::wstring& Name, int32_t Value) {
  const uint32_t Bits = static_cast<uint32_t>(Value);
  const uint8_t Bytes[4] = {static_cast<uint8_t>(Bits), static_cast<uint8_t>(Bits >> 8),
                            static_cast<uint8_t>(Bits >> 16), static_cast<uint8_t>(Bits >> 24)};
  SetValue(FCurrentKey.get(), Name, REG_DWORD, Bytes, sizeof(Bytes));
}

void TRegistryAccessor::WriteBinaryData(const std::wstring& Name, const void* Buffer, size_t Size) {
  SetValue(FCurrentKey.get(), Name, REG_BINARY, Buffer, Size);
}

void TRegistryAccessor::WriteRaw(const std::wstring& Name, const TRegRawValue& Value) {
  SetValue(FCurrentKey.get(), Name, Value.Type, Value.Data.data(), Value.Data.size());
}

bool TRegistryAccessor::GetValueNames(std::vector<std::wstring>& Names) const {
  return FCurrentKey && EnumValueNames(FCurrentKey.get(), Names);
}

bool TRegistryAccessor::GetKeyNames(std::vector<std::wstring>& Names) const {
  return FCurrentKey && EnumKeyNames(FCurrentKey.get(), Names);
}

bool TRegistryAccessor::DeleteValue(const std::wstring& Name) {
  return FCurrentKey && RegDeleteValueW(FCurrentKey.get(), Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistryAccessor::DeleteKey(const std::wstring& Path) {
  const std::wstring Full = FullPath(Path);
  if (Full.empty()) return false;
  return DeleteTree(FRootKey, FAccess, Full);
}

bool TRegistryAccessor::MoveKey(const std::wstring& OldPath, const std::wstring& NewPath, bool Delete) {
  const std::wstring From = FullPath(OldPath);
  const std::wstring To = FullPath(NewPath);
  if (!KeyExists(L"\\" + From) || KeyExists(L"\\" + To)) return false;
  if (SameKeyOrInside(To, From)) return false;
  if (!CopyTree(FRootKey, FAccess, From, To)) return false;
  return !Delete || DeleteTree(FRootKey, FAccess, From);
}

bool TRegistryAccessor::KeyExists(const std::wstring& Path) const {
  UniqueHKey Key;
  return RegOpenKeyExW(FRootKey, FullPath(Path).c_str(), 0, KeyExistsAccess, Key.put()) == ERROR_SUCCESS;
}
