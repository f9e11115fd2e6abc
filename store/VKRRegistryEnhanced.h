#pragma once
// The settings store: typed values addressed by paths below one application
// key of the registry ("Options\ScanAtStartup" is the value ScanAtStartup of
// the subkey Options). No key stays open between calls, so the registry is
// always current and nothing needs flushing at shutdown.

#include "common/VKRBreakApart.h"
#include "common/VKRLangType.h"
#include "store/DurableValues.h"
#include "framework/Exception.h"
#include "framework/Object.h"
#include "framework/Variant.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TRegistryAccessor;

enum class TRootKey : uint8_t {
  hkClassesRoot,
  hkCurrentConfig,
  hkCurrentUser,
  hkDynData,
  hkLocalMachine,
  hkPerformanceData,
  hkUsers
};

enum class TAccess : uint8_t { kAllAccess, kExecute, kRead, kWrite };

// How the next value written or read is treated; the typed operations set it
// for one call only.
enum class TBinaryType : uint8_t { btNone, btEncryptString, btExpandString, btBinary32BitMax, btBinary32BitMin };

enum class TSearchOption : uint8_t { opValue, opData, opValueData, opKey };

// Raised only when RaiseExceptions is on, with a text of the current language.
class ERegistryEnhanced : public Exception {
public:
  using Exception::Exception;
};

class TVKRRegistryEnhanced : public TObject {
public:
  TVKRRegistryEnhanced();
  ~TVKRRegistryEnhanced() override;

  TAccess Access() const { return FAccess; }
  void SetAccess(TAccess Value) { FAccess = Value; }
  TBinaryType BinaryType() const { return FBinaryType; }
  void SetBinaryType(TBinaryType Value) { FBinaryType = Value; }
  const std::wstring& Key() const { return FKey; }
  void SetKey(const std::wstring& Value) { FKey = Value; }
  TLangType LangType() const { return FLangType; }
  // Replaces the messages of every instance: the texts belong to the unit.
  void SetLangType(TLangType Value);
  bool RaiseExceptions() const { return FRaiseExceptions; }
  void SetRaiseExceptions(bool Value) { FRaiseExceptions = Value; }
  TRootKey RootKey() const { return FRootKey; }
  void SetRootKey(TRootKey Value) { FRootKey = Value; }
  std::vector<std::wstring>& EntriesFound() { return FEntriesFound; }
  const std::vector<std::wstring>& EntriesFound() const { return FEntriesFound; }

  void SetValue(const std::wstring& AValue, const Variant& AValueData);
  void SetTypedValue(const std::wstring& AValue, const Variant& AValueData, TBinaryType ABinaryType);
  Variant GetValue(const std::wstring& AValue);
  Variant GetTypedValue(const std::wstring& AValue, TBinaryType ABinaryType);
  // The default is what a missing or unreadable value reads as; it is never
  // written, and its kind does not steer the reading.
  Variant GetValueDefault(const std::wstring& AValue, const Variant& AValueDataDefault);
  Variant GetTypedValueDefault(const std::wstring& AValue, const Variant& AValueDataDefault,
                               TBinaryType ABinaryType);

  // Every value of ASubKey replaced so that an end at any instant leaves the
  // old set or the new one (store/DurableValues.h). A refusal always raises
  // ERegistryException, whatever RaiseExceptions says: what was not saved
  // must not pass for saved.
  void ReplaceValues(const std::wstring& ASubKey, const std::vector<TStoredValue>& Values);
  // Finishes or drops what an interrupted ReplaceValues left; before ASubKey
  // is read. Raises ERegistryException when the system refuses. A store whose
  // Access holds no right to write leaves it as it is.
  void FinishReplacedValues(const std::wstring& ASubKey);

  bool KeyExists(const std::wstring& ASubKey);
  bool ValueExists(const std::wstring& AValue);
  void GetValueNames(const std::wstring& ASubKey, std::vector<std::wstring>& AList);
  int32_t CountValueNames(const std::wstring& ASubKey);
  void GetSubKeys(const std::wstring& ASubKey, std::vector<std::wstring>& AList);
  int32_t CountSubKeys(const std::wstring& ASubKey);

  bool DeleteKey(const std::wstring& AKey);
  bool DeleteValue(const std::wstring& AValue);
  bool CopyKey(const std::wstring& OldKey, const std::wstring& NewKey);
  bool CopyValue(const std::wstring& OldValue, const std::wstring& NewValue);
  bool RenameKey(const std::wstring& OldKey, const std::wstring& NewKey);
  bool RenameValue(const std::wstring& OldValue, const std::wstring& NewValue);

  void SetEncryptionParameters(const std::wstring& ABaseKey, int32_t ADecryptKey);
  // Scrambles (Scramble true) or unscrambles text with the encryption
  // parameters. Text that does not unscramble, and text with characters the
  // scrambling cannot give back, raise EConvertError.
  std::wstring CryptString(const std::wstring& Text, bool Scramble) const;

  // Moves widths kept as ASubKey\Columns\Sizes ("a,b") to the value AValue
  // ("a, b"), the layout of the list view record (records/StoreRecords.h).
  void ImportListViewInfo(const std::wstring& ASubKey, const std::wstring& AValue, bool DeleteSubKey);
  // Moves a placement kept as one value per field under ASubKey to the value
  // AValue, the layout of the placement record.
  void ImportFormInfo(const std::wstring& ASubKey, const std::wstring& AValue, bool DeleteSubKey);

  // What the records of user-interface objects build on: an accessor with
  // the store's root and access, the full key path of a value or a subkey,
  // and a text written as a value of a key created when missing.
  TRegistryAccessor NewAccessor() const;
  std::wstring ValueKeyPath(const std::wstring& AValue) const;
  std::wstring SubKeyPath(const std::wstring& ASubKey) const;
  void WriteRecordText(const std::wstring& AValue, const std::wstring& Text);

  // Whole keys (store/VKRRegistryExport.cpp). ExportKeyToRegFile writes the
  // key and its subtree as a REGEDIT4 script; Search fills EntriesFound with
  // the full paths of the values (or, with opKey, subkeys) whose name or data
  // holds AString, A to Z compared without case; SaveKeyContentToFile and
  // LoadKeyContentFromFile keep the values of one key as lines of name,
  // ABreakString and data text (they come back as strings).
  void ExportKeyToRegFile(const std::wstring& ASubKey, const std::wstring& AFileName);
  void Search(const std::wstring& ASubKey, const std::wstring& AString, TSearchOption ASearchOption, bool Recursive);
  void SaveKeyContentToFile(const std::wstring& ASubKey, const std::wstring& AFilename,
                            const std::wstring& ABreakString);
  void LoadKeyContentFromFile(const std::wstring& ASubKey, const std::wstring& AFilename,
                              const std::wstring& ABreakString);

  // Path rules. A key path becomes "\A\B" (one trailing separator dropped);
  // a value path is split at every "\" with empty pieces dropped: all pieces
  // but the last name the key, the last one names the value.
  static std::wstring NormalizeKeyPath(const std::wstring& P);
  static std::wstring ExtractKeyPath(const std::wstring& V);
  static std::wstring ExtractValueName(const std::wstring& V);

private:
  // The file message of the current language.
  static const std::wstring& FileErrorMessage();
  void WriteWithoutRule(TRegistryAccessor& Reg, const std::wstring& Name, const Variant& AValueData);
  size_t ReadBinaryIntoBuffer(TRegistryAccessor& Reg, const std::wstring& Name);
  bool MoveKey(const std::wstring& OldKey, const std::wstring& NewKey, bool Delete);
  // CopyValue, also telling whether data was written (a binary source is not copied).
  bool CopyValueData(const std::wstring& OldValue, const std::wstring& NewValue, bool& Copied);

  TAccess FAccess = TAccess::kAllAccess;
  std::wstring FBaseKey;
  TBinaryType FBinaryType = TBinaryType::btNone;
  int32_t FDecryptKey = 0;
  std::wstring FKey;
  TLangType FLangType = TLangType::ltEnglish;
  TRootKey FRootKey = TRootKey::hkCurrentUser;
  TVKRBreakApart FBrkApart;  // the imported layouts are split with it
  std::vector<std::wstring> FEntriesFound;
  bool FRaiseExceptions = false;
  // Keeps the first bytes of the last binary value read, up to its size;
  // longer values are read whole elsewhere and never past its end.
  std::array<uint8_t, 2048> FBuffer{};
};

// Splits a record value (a list of fields, empty ones kept, no quoting) into
// Splitter's string list; the records of the store and of records/ share it.
void SplitRecord(TVKRBreakApart& Splitter, const std::wstring& Text, const std::wstring& Separator);
