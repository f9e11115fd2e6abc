#include "store/VKRRegistryEnhanced.h"

#include "framework/Text.h"
#include "store/RegistryAccessor.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The unit's messages, shared by every instance; the last SetLangType of any
// instance decides their language.
std::wstring GUnknownDataType;
std::wstring GFileError;

HKEY RootKeyHandle(TRootKey RootKey) {
  switch (RootKey) {
    case TRootKey::hkClassesRoot: return HKEY_CLASSES_ROOT;
    case TRootKey::hkCurrentConfig: return HKEY_CURRENT_CONFIG;
    case TRootKey::hkCurrentUser: return HKEY_CURRENT_USER;
    case TRootKey::hkDynData: return HKEY_DYN_DATA;
    case TRootKey::hkLocalMachine: return HKEY_LOCAL_MACHINE;
    case TRootKey::hkPerformanceData: return HKEY_PERFORMANCE_DATA;
    case TRootKey::hkUsers: return HKEY_USERS;
  }
  return HKEY_CURRENT_USER;
}

REGSAM AccessMask(TAccess Access) {
  switch (Access) {
    case TAccess::kAllAccess: return KEY_ALL_ACCESS;
    case TAccess::kExecute: return KEY_EXECUTE;
    case TAccess::kRead: return KEY_READ;
    case TAccess::kWrite: return KEY_WRITE;
  }
  return KEY_ALL_ACCESS;
}

// Resets BinaryType on every way out of a typed operation, errors included.
class TBinaryTypeReset {
public:
  explicit TBinaryTypeReset(TBinaryType& Target) noexcept : FTarget(Target) {}
  ~TBinaryTypeReset() { FTarget = TBinaryType::btNone; }
  TBinaryTypeReset(const TBinaryTypeReset&) = delete;
  TBinaryTypeReset& operator=(const TBinaryTypeReset&) = delete;

private:
  TBinaryType& FTarget;
};

template <typename T>
void WriteLittleEndian(uint8_t* Bytes, T Value) {
  static_assert(sizeof(T) <= 8);
  uint64_t Bits = 0;
  std::memcpy(&Bits, &Value, sizeof(T));
  for (size_t i = 0; i < sizeof(T); ++i) Bytes[i] = static_cast<uint8_t>(Bits >> (8 * i));
}

// The number that the binary forms of a kind without a rule of its own hold:
// nothing converts to 0, anything else must convert to a 32-bit integer.
int32_t BinaryNumber(const Variant& Value) {
  if (Value.IsEmpty() || Value.IsNull()) return 0;
  return Value.ToInteger();
}

int32_t ClampToInt32(size_t Value) {
  return static_cast<int32_t>(std::min<size_t>(Value, static_cast<size_t>(std::numeric_limits<int32_t>::max())));
}

// Registry key names compare without case, by the system's own case table.
bool SameKeyName(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()), TRUE) ==
         CSTR_EQUAL;
}

[[noreturn]] void RaiseNotScrambled(const std::wstring& Text) {
  throw EConvertError(L"'" + Text + L"' is not a valid scrambled text");
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

int HexPair(const std::wstring& Text, size_t At) {
  const int High = HexDigit(Text[At]);
  const int Low = HexDigit(Text[At + 1]);
  if (High < 0 || Low < 0) RaiseNotScrambled(Text);
  return High * 16 + Low;
}

}  // namespace

TVKRRegistryEnhanced::TVKRRegistryEnhanced() { SetLangType(TLangType::ltEnglish); }

TVKRRegistryEnhanced::~TVKRRegistryEnhanced() = default;

void TVKRRegistryEnhanced::SetLangType(TLangType Value) {
  FLangType = Value;
  switch (Value) {
    case TLangType::ltFrench:
      GUnknownDataType = L"Type de donn\u00E9e inconnu.";
      GFileError = L"Impossible d'ouvrir le fichier.";
      break;
    case TLangType::ltEnglish:
      GUnknownDataType = L"Unknown data type.";
      GFileError = L"Can't open file.";
      break;
  }
}

const std::wstring& TVKRRegistryEnhanced::FileErrorMessage() { return GFileError; }

void TVKRRegistryEnhanced::SetEncryptionParameters(const std::wstring& ABaseKey, int32_t ADecryptKey) {
  FBaseKey = ABaseKey;
  FDecryptKey = ADecryptKey;
}

// ---------------------------------------------------------------------------
// Paths

std::wstring TVKRRegistryEnhanced::NormalizeKeyPath(const std::wstring& P) {
  if (P.empty() || P == L"\\") return std::wstring();
  std::wstring Result = P;
  if (Result.back() == L'\\') Result.pop_back();
  if (Result.empty() || Result.front() != L'\\') Result.insert(Result.begin(), L'\\');
  return Result;
}

std::wstring TVKRRegistryEnhanced::ExtractKeyPath(const std::wstring& V) {
  std::vector<std::wstring> Pieces = TVKRBreakApart::Split(V, L"\\");
  if (Pieces.size() < 2) return std::wstring();
  Pieces.pop_back();
  return L"\\" + TVKRBreakApart::Join(Pieces, L"\\");
}

std::wstring TVKRRegistryEnhanced::ExtractValueName(const std::wstring& V) {
  const std::vector<std::wstring> Pieces = TVKRBreakApart::Split(V, L"\\");
  return Pieces.size() < 2 ? V : Pieces.back();
}

std::wstring TVKRRegistryEnhanced::ValueKeyPath(const std::wstring& AValue) const {
  return NormalizeKeyPath(FKey) + ExtractKeyPath(AValue);
}

std::wstring TVKRRegistryEnhanced::SubKeyPath(const std::wstring& ASubKey) const {
  return NormalizeKeyPath(FKey) + NormalizeKeyPath(ASubKey);
}

void TVKRRegistryEnhanced::ReplaceValues(const std::wstring& ASubKey, const std::vector<TStoredValue>& Values) {
  if (FKey.empty()) throw ERegistryException(L"No registry key to save to");
  ReplaceKeyValues(RootKeyHandle(FRootKey), SubKeyPath(ASubKey).substr(1), Values);
}

void TVKRRegistryEnhanced::FinishReplacedValues(const std::wstring& ASubKey) {
  // A store opened to read writes nothing: the next store that may write finishes it.
  if (FKey.empty() || (AccessMask(FAccess) & KEY_SET_VALUE) == 0) return;
  FinishKeyValues(RootKeyHandle(FRootKey), SubKeyPath(ASubKey).substr(1));
}

TRegistryAccessor TVKRRegistryEnhanced::NewAccessor() const {
  return TRegistryAccessor(RootKeyHandle(FRootKey), AccessMask(FAccess));
}

// ---------------------------------------------------------------------------
// Values

void TVKRRegistryEnhanced::SetValue(const std::wstring& AValue, const Variant& AValueData) {
  if (FKey.empty()) return;
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKey(ValueKeyPath(AValue), true)) return;
  const std::wstring Name = ExtractValueName(AValue);
  switch (AValueData.VarType()) {
    case TVarType::varShortInt:
    case TVarType::varSmallint:
    case TVarType::varInteger:
    case TVarType::varInt64:
    case TVarType::varByte:
    case TVarType::varWord:
    case TVarType::varLongWord:
      // A 32-bit unsigned value keeps its bits; a 64-bit value outside the
      // 32-bit range raises EConvertError rather than being cut.
      Reg.WriteInteger(Name, AValueData.ToInteger());
      break;
    case TVarType::varBoolean:
      Reg.WriteInteger(Name, AValueData.AsInt64() != 0 ? 1 : 0);
      break;
    case TVarType::varDouble:
    case TVarType::varDate: {
      uint8_t Bytes[8];
      WriteLittleEndian(Bytes, AValueData.AsDouble());
      Reg.WriteBinaryData(Name, Bytes, sizeof(Bytes));
      break;
    }
    case TVarType::varCurrency: {
      uint8_t Bytes[8];
      WriteLittleEndian(Bytes, AValueData.AsInt64());
      Reg.WriteBinaryData(Name, Bytes, sizeof(Bytes));
      break;
    }
    case TVarType::varUString:
    case TVarType::varString: {
      const std::wstring Text = AValueData.ToString();
      Reg.WriteString(Name, FBinaryType == TBinaryType::btEncryptString ? CryptString(Text, true) : Text);
      break;
    }
    default:
      WriteWithoutRule(Reg, Name, AValueData);
      break;
  }
}

void TVKRRegistryEnhanced::WriteWithoutRule(TRegistryAccessor& Reg, const std::wstring& Name,
                                            const Variant& AValueData) {
  switch (FBinaryType) {
    case TBinaryType::btNone:
      if (FRaiseExceptions) throw ERegistryEnhanced(GUnknownDataType);
      break;
    case TBinaryType::btEncryptString:
      break;
    case TBinaryType::btExpandString:
      Reg.WriteExpandString(Name, AValueData.ToString());
      break;
    case TBinaryType::btBinary32BitMax: {
      // Read back with the same type, these bytes give the number again.
      uint8_t Bytes[4];
      WriteLittleEndian(Bytes, BinaryNumber(AValueData));
      Reg.WriteBinaryData(Name, Bytes, sizeof(Bytes));
      break;
    }
    case TBinaryType::btBinary32BitMin: {
      uint8_t Bytes[24] = {};
      WriteLittleEndian(Bytes, BinaryNumber(AValueData));
      Reg.WriteBinaryData(Name, Bytes, sizeof(Bytes));
      break;
    }
  }
}

size_t TVKRRegistryEnhanced::ReadBinaryIntoBuffer(TRegistryAccessor& Reg, const std::wstring& Name) {
  // Read whole, whatever its size; the buffer keeps what fits of it.
  const std::vector<uint8_t> Data = Reg.ReadBinaryData(Name);
  std::copy_n(Data.begin(), std::min(Data.size(), FBuffer.size()), FBuffer.begin());
  return Data.size();
}

Variant TVKRRegistryEnhanced::GetValue(const std::wstring& AValue) {
  if (FKey.empty()) return Variant();
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKeyToRead(ValueKeyPath(AValue))) return Variant();
  const std::wstring Name = ExtractValueName(AValue);
  TRegDataInfo Info;
  const bool Exists = Reg.GetDataInfo(Name, Info);
  switch (Info.RegData) {
    case TRegDataType::rdString: {
      const std::wstring Text = Reg.ReadString(Name);
      return Variant(FBinaryType == TBinaryType::btEncryptString ? CryptString(Text, false) : Text);
    }
    case TRegDataType::rdExpandString:
      return Variant(Reg.ReadString(Name));
    case TRegDataType::rdInteger:
      return Variant(Reg.ReadInteger(Name));
    case TRegDataType::rdBinary:
      if (FBinaryType == TBinaryType::btBinary32BitMax) {
        const size_t Size = ReadBinaryIntoBuffer(Reg, Name);
        uint32_t Bits = 0;
        for (size_t i = 0; i < 4 && i < Size; ++i) Bits |= static_cast<uint32_t>(FBuffer[i]) << (8 * i);
        return Variant(static_cast<int32_t>(Bits));
      }
      if (FBinaryType == TBinaryType::btBinary32BitMin) {
        const size_t Size = ReadBinaryIntoBuffer(Reg, Name);
        return Variant(static_cast<uint8_t>(Size > 0 ? FBuffer[0] : 0));
      }
      return Variant();
    case TRegDataType::rdUnknown:
      break;
  }
  if (Exists && FRaiseExceptions) throw ERegistryEnhanced(GUnknownDataType);
  return Variant();
}

Variant TVKRRegistryEnhanced::GetValueDefault(const std::wstring& AValue, const Variant& AValueDataDefault) {
  if (FKey.empty()) return Variant();
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKeyToRead(ValueKeyPath(AValue))) return AValueDataDefault;
  const std::wstring Name = ExtractValueName(AValue);
  TRegDataInfo Info;
  const bool Exists = Reg.GetDataInfo(Name, Info);
  if (Info.RegData == TRegDataType::rdUnknown) {
    if (Exists && FRaiseExceptions) throw ERegistryEnhanced(GUnknownDataType);
    return AValueDataDefault;
  }
  try {
    switch (Info.RegData) {
      case TRegDataType::rdString: {
        const std::wstring Text = Reg.ReadString(Name);
        return Variant(FBinaryType == TBinaryType::btEncryptString ? CryptString(Text, false) : Text);
      }
      case TRegDataType::rdExpandString:
        return Variant(Reg.ReadString(Name));
      case TRegDataType::rdInteger:
        return Variant(Reg.ReadInteger(Name));
      case TRegDataType::rdBinary:
        return Variant(ClampToInt32(ReadBinaryIntoBuffer(Reg, Name)));
      case TRegDataType::rdUnknown:
        break;
    }
  } catch (const Exception&) {
    // A value that cannot be read or unscrambled reads as the default.
  }
  return AValueDataDefault;
}

void TVKRRegistryEnhanced::SetTypedValue(const std::wstring& AValue, const Variant& AValueData,
                                         TBinaryType ABinaryType) {
  FBinaryType = ABinaryType;
  TBinaryTypeReset Reset(FBinaryType);
  SetValue(AValue, AValueData);
}

Variant TVKRRegistryEnhanced::GetTypedValue(const std::wstring& AValue, TBinaryType ABinaryType) {
  FBinaryType = ABinaryType;
  TBinaryTypeReset Reset(FBinaryType);
  return GetValue(AValue);
}

Variant TVKRRegistryEnhanced::GetTypedValueDefault(const std::wstring& AValue, const Variant& AValueDataDefault,
                                                   TBinaryType ABinaryType) {
  FBinaryType = ABinaryType;
  TBinaryTypeReset Reset(FBinaryType);
  return GetValueDefault(AValue, AValueDataDefault);
}

// ---------------------------------------------------------------------------
// Keys and names. These work from the root key when Key is empty.

bool TVKRRegistryEnhanced::KeyExists(const std::wstring& ASubKey) {
  const TRegistryAccessor Reg = NewAccessor();
  return Reg.KeyExists(SubKeyPath(ASubKey));
}

bool TVKRRegistryEnhanced::ValueExists(const std::wstring& AValue) {
  TRegistryAccessor Reg = NewAccessor();
  return Reg.OpenKeyToRead(ValueKeyPath(AValue)) && Reg.ValueExists(ExtractValueName(AValue));
}

void TVKRRegistryEnhanced::GetValueNames(const std::wstring& ASubKey, std::vector<std::wstring>& AList) {
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKeyToRead(SubKeyPath(ASubKey))) return;
  AList.clear();
  Reg.GetValueNames(AList);
}

int32_t TVKRRegistryEnhanced::CountValueNames(const std::wstring& ASubKey) {
  std::vector<std::wstring> Names;
  GetValueNames(ASubKey, Names);
  return ClampToInt32(Names.size());
}

void TVKRRegistryEnhanced::GetSubKeys(const std::wstring& ASubKey, std::vector<std::wstring>& AList) {
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKeyToRead(SubKeyPath(ASubKey))) return;
  AList.clear();
  Reg.GetKeyNames(AList);
}

int32_t TVKRRegistryEnhanced::CountSubKeys(const std::wstring& ASubKey) {
  std::vector<std::wstring> Names;
  GetSubKeys(ASubKey, Names);
  return ClampToInt32(Names.size());
}

// ---------------------------------------------------------------------------
// Deleting, copying, renaming

bool TVKRRegistryEnhanced::DeleteKey(const std::wstring& AKey) {
  if (FKey.empty()) return false;
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKey(NormalizeKeyPath(FKey), false)) return false;
  // A path that begins with "\" is taken from the root key; the root key
  // itself (a path of just "\") is never deleted.
  if (!AKey.empty() && AKey.front() == L'\\') {
    const std::wstring FromRoot = NormalizeKeyPath(AKey);
    return !FromRoot.empty() && Reg.DeleteKey(FromRoot);
  }
  return Reg.DeleteKey(SubKeyPath(AKey));
}

bool TVKRRegistryEnhanced::DeleteValue(const std::wstring& AValue) {
  if (FKey.empty()) return false;
  TRegistryAccessor Reg = NewAccessor();
  return Reg.OpenKey(ValueKeyPath(AValue), false) && Reg.DeleteValue(ExtractValueName(AValue));
}

bool TVKRRegistryEnhanced::MoveKey(const std::wstring& OldKey, const std::wstring& NewKey, bool Delete) {
  if (FKey.empty()) return false;
  TRegistryAccessor Reg = NewAccessor();
  if (Reg.KeyExists(SubKeyPath(NewKey))) return false;
  if (!Reg.OpenKey(NormalizeKeyPath(FKey), false)) return false;
  const bool Moved = Reg.MoveKey(SubKeyPath(OldKey), SubKeyPath(NewKey), Delete);
  Reg.CloseKey();
  return Moved && Reg.KeyExists(SubKeyPath(NewKey));
}

bool TVKRRegistryEnhanced::CopyKey(const std::wstring& OldKey, const std::wstring& NewKey) {
  return MoveKey(OldKey, NewKey, false);
}

bool TVKRRegistryEnhanced::RenameKey(const std::wstring& OldKey, const std::wstring& NewKey) {
  return MoveKey(OldKey, NewKey, true);
}

bool TVKRRegistryEnhanced::CopyValue(const std::wstring& OldValue, const std::wstring& NewValue) {
  bool Copied = false;
  return CopyValueData(OldValue, NewValue, Copied);
}

bool TVKRRegistryEnhanced::CopyValueData(const std::wstring& OldValue, const std::wstring& NewValue, bool& Copied) {
  Copied = false;
  if (FKey.empty()) return false;
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKey(ValueKeyPath(OldValue), false)) return false;
  const std::wstring OldName = ExtractValueName(OldValue);
  TRegDataInfo Info;
  Reg.GetDataInfo(OldName, Info);
  std::wstring Text;
  int32_t Number = 0;
  switch (Info.RegData) {
    case TRegDataType::rdString:
    case TRegDataType::rdExpandString:
      Text = Reg.ReadString(OldName);
      break;
    case TRegDataType::rdInteger:
      Number = Reg.ReadInteger(OldName);
      break;
    case TRegDataType::rdBinary:
    case TRegDataType::rdUnknown:
      if (FRaiseExceptions) throw ERegistryEnhanced(GUnknownDataType);
      break;
  }
  Reg.CloseKey();
  if (!Reg.OpenKey(ValueKeyPath(NewValue), true)) return false;
  const std::wstring NewName = ExtractValueName(NewValue);
  switch (Info.RegData) {
    case TRegDataType::rdString: Reg.WriteString(NewName, Text); Copied = true; break;
    case TRegDataType::rdExpandString: Reg.WriteExpandString(NewName, Text); Copied = true; break;
    case TRegDataType::rdInteger: Reg.WriteInteger(NewName, Number); Copied = true; break;
    default: break;  // nothing to copy: the answer is whether the target exists
  }
  return Reg.ValueExists(NewName);
}

bool TVKRRegistryEnhanced::RenameValue(const std::wstring& OldValue, const std::wstring& NewValue) {
  if (FKey.empty()) return false;
  // Key names ignore case: "Options\A" and "options\B" are in one key, and
  // must not be treated as a move between keys that deletes what it copied.
  if (!SameKeyName(ExtractKeyPath(OldValue), ExtractKeyPath(NewValue)))
  {
    // Only what was really copied may leave its old place.
    bool Copied = false;
    return CopyValueData(OldValue, NewValue, Copied) && Copied && DeleteValue(OldValue);
  }

  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKey(ValueKeyPath(OldValue), false)) return false;
  const std::wstring OldName = ExtractValueName(OldValue);
  const std::wstring NewName = ExtractValueName(NewValue);
  if (Reg.ValueExists(NewName)) return false;
  TRegRawValue Raw;
  if (Reg.ReadRaw(OldName, Raw)) {
    // Written before the old one goes, so a refused write loses nothing.
    Reg.WriteRaw(NewName, Raw);
    Reg.DeleteValue(OldName);
  }
  return Reg.ValueExists(NewName);
}

// ---------------------------------------------------------------------------
// Scrambling

std::wstring TVKRRegistryEnhanced::CryptString(const std::wstring& Text, bool Scramble) const {
  // The key's code units run 1, 2, ..., L, 1, 2, ...; only their low byte
  // counts, so every scrambled unit stays two hexadecimal digits. An empty
  // key leaves the units as the chaining makes them.
  size_t KeyIndex = 0;
  const auto NextKeyUnit = [this, &KeyIndex]() -> int {
    if (FBaseKey.empty()) return 0;
    KeyIndex = KeyIndex >= FBaseKey.size() ? 1 : KeyIndex + 1;
    return FBaseKey[KeyIndex - 1] & 0xFF;
  };

  std::wstring Result;
  if (Scramble) {
    // The start value is written as two digits and read back as two digits,
    // so only its low byte can take part.
    const int Start = static_cast<int>(static_cast<uint32_t>(FDecryptKey) & 0xFF);
    Result = IntToHex(static_cast<uint64_t>(Start), 2);
    int Previous = Start;
    for (const wchar_t c : Text) {
      // Units outside 1..254 would not come back as they went in.
      if (c < 1 || c > 254)
        throw EConvertError(L"The text cannot be scrambled: it holds the character U+" +
                            IntToHex(static_cast<uint64_t>(c), 4));
      const int Scrambled = ((c + Previous) % 255) ^ NextKeyUnit();
      Result += IntToHex(static_cast<uint64_t>(Scrambled), 2);
      Previous = Scrambled;
    }
    return Result;
  }

  if (Text.size() < 2 || Text.size() % 2 != 0) RaiseNotScrambled(Text);
  int Previous = HexPair(Text, 0);
  for (size_t At = 2; At < Text.size(); At += 2) {
    const int Scrambled = HexPair(Text, At);
    const int Unit = Scrambled ^ NextKeyUnit();
    Result += static_cast<wchar_t>(Unit > Previous ? Unit - Previous : Unit - Previous + 255);
    Previous = Scrambled;
  }
  return Result;
}
