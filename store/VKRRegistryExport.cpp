#include "store/VKRRegistryExport.h"

#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/TextFile.h"
#include "store/RegistryAccessor.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

const wchar_t* const LineEnd = L"\r\n";
// Names longer than this were never accepted for a script.
constexpr size_t MaxScriptFileName = 259;
// A hex line breaks after the byte at every multiple of this index.
constexpr size_t HexBytesPerLine = 25;

// A script quotes text: a backslash or a double quote inside it is escaped,
// so that importing the script gives back the very same text.
std::wstring Escaped(const std::wstring& Text) {
  std::wstring Result;
  Result.reserve(Text.size());
  for (const wchar_t c : Text) {
    if (c == L'\\' || c == L'"') Result += L'\\';
    Result += c;
  }
  return Result;
}

// Stored text up to its first zero; an odd last byte is no character.
std::wstring TextOf(const std::vector<uint8_t>& Data) {
  std::wstring Text(Data.size() / sizeof(wchar_t), L'\0');
  if (!Text.empty()) std::memcpy(Text.data(), Data.data(), Text.size() * sizeof(wchar_t));
  const size_t Zero = Text.find(L'\0');
  if (Zero != std::wstring::npos) Text.resize(Zero);
  return Text;
}

// 8-bit text in the ANSI code page, gathered and written in pieces. Closing
// (also on an error) writes what was gathered, so a failed export leaves the
// script up to the failure.
class TAnsiTextFile {
public:
  // False when the file cannot be created or replaced.
  bool Create(const std::wstring& FileName) {
    FFile.reset(CreateFileW(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    return FFile.valid();
  }
  void Write(const std::wstring& Text) {
    FPending += WideToAnsi(Text);
    if (FPending.size() >= 64 * 1024) Flush();
  }
  // True when everything gathered reached the file.
  bool Flush() noexcept {
    bool Ok = true;
    size_t Done = 0;
    while (Done < FPending.size()) {
      DWORD Written = 0;
      const DWORD Chunk = static_cast<DWORD>(std::min<size_t>(FPending.size() - Done, 1u << 20));
      if (!WriteFile(FFile.get(), FPending.data() + Done, Chunk, &Written, nullptr) || Written == 0) {
        Ok = false;
        break;
      }
      Done += Written;
    }
    FPending.clear();
    return Ok;
  }
  ~TAnsiTextFile() {
    if (FFile) Flush();
  }

private:
  UniqueFile FFile;
  std::string FPending;
};

// The value's data as the search and the key content file see it: the text
// of a string, the decimal number of a DWORD, nothing for other types.
std::wstring ValueText(const TRegistryAccessor& Reg, const std::wstring& Name) {
  TRegDataInfo Info;
  Reg.GetDataInfo(Name, Info);
  switch (Info.RegData) {
    case TRegDataType::rdString:
    case TRegDataType::rdExpandString:
      return Reg.ReadString(Name);
    case TRegDataType::rdInteger:
      return IntToStr(Reg.ReadInteger(Name));
    default:
      return std::wstring();
  }
}

void ExportKey(TRegistryAccessor& Reg, const std::wstring& RootName, const std::wstring& Path, TAnsiTextFile& File) {
  File.Write(LineEnd);
  File.Write(L"[" + RootName + Path + L"]" + LineEnd);
  std::vector<std::wstring> Values, Keys;
  if (Reg.OpenKey(Path, false)) {
    Reg.GetValueNames(Values);
    Reg.GetKeyNames(Keys);
    for (const std::wstring& Name : Values) {
      TRegRawValue Raw;
      if (!Reg.ReadRaw(Name, Raw)) TRegistryAccessor::RaiseGetData(Name);
      // A DWORD is read as the store reads it: four bytes or an error.
      if (Raw.Type == REG_DWORD) Reg.ReadInteger(Name);
      File.Write(RegFileValueLines(Name, Raw.Type, Raw.Data));
    }
    Reg.CloseKey();
  }
  for (const std::wstring& Key : Keys) ExportKey(Reg, RootName, Path + L"\\" + Key, File);
}

void AddEntry(std::vector<std::wstring>& Entries, std::wstring Entry) {
  try {
    Entries.push_back(std::move(Entry));
  } catch (const std::bad_alloc&) {
    throw EAbort();
  }
}

bool Holds(const std::wstring& Text, const std::wstring& LoweredNeedle) {
  return LowerCaseAZ(Text).find(LoweredNeedle) != std::wstring::npos;
}

void SearchKey(TRegistryAccessor& Reg, const std::wstring& Path, const std::wstring& LoweredNeedle,
               TSearchOption Option, bool Recursive, std::vector<std::wstring>& Entries) {
  std::vector<std::wstring> Keys;
  if (Reg.OpenKey(Path, false)) {
    Reg.GetKeyNames(Keys);
    if (Option != TSearchOption::opKey) {
      std::vector<std::wstring> Values;
      Reg.GetValueNames(Values);
      for (const std::wstring& Name : Values) {
        bool Hit = LoweredNeedle.empty();
        if (!Hit && Option != TSearchOption::opData) Hit = Holds(Name, LoweredNeedle);
        if (!Hit && Option != TSearchOption::opValue) Hit = Holds(ValueText(Reg, Name), LoweredNeedle);
        if (Hit) AddEntry(Entries, Path + L"\\" + Name);
      }
    }
    Reg.CloseKey();
  }
  for (const std::wstring& Key : Keys) {
    if (Option == TSearchOption::opKey && (LoweredNeedle.empty() || Holds(Key, LoweredNeedle)))
      AddEntry(Entries, Path + L"\\" + Key);
    if (Recursive) SearchKey(Reg, Path + L"\\" + Key, LoweredNeedle, Option, Recursive, Entries);
  }
}

}  // namespace

std::wstring RegFileRootKeyName(TRootKey RootKey) {
  switch (RootKey) {
    case TRootKey::hkClassesRoot: return L"HKEY_CLASSES_ROOT";
    case TRootKey::hkCurrentConfig: return L"HKEY_CURRENT_CONFIG";
    case TRootKey::hkCurrentUser: return L"HKEY_CURRENT_USER";
    case TRootKey::hkDynData: return L"HKEY_DYN_DATA";
    case TRootKey::hkLocalMachine: return L"HKEY_LOCAL_MACHINE";
    case TRootKey::hkPerformanceData: return L"HKEY_PERFORMANCE_DATA";
    case TRootKey::hkUsers: return L"HKEY_USERS";
  }
  return std::wstring();
}

std::wstring RegFileValueLines(const std::wstring& Name, DWORD Type, const std::vector<uint8_t>& Data) {
  std::wstring Line = Name.empty() ? L"@" : L"\"" + Escaped(Name) + L"\"";
  Line += L'=';
  switch (Type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      Line += L"\"" + Escaped(TextOf(Data)) + L"\"";
      break;
    case REG_DWORD: {
      uint32_t Bits = 0;
      for (size_t i = 0; i < 4 && i < Data.size(); ++i) Bits |= static_cast<uint32_t>(Data[i]) << (8 * i);
      Line += L"dword:" + IntToHex(Bits, 8);
      break;
    }
    case REG_BINARY:
      Line += L"hex:";
      for (size_t i = 0; i < Data.size(); ++i) {
        Line += IntToHex(Data[i], 2);
        if (i + 1 == Data.size()) break;
        Line += L',';
        if (i > 0 && i % HexBytesPerLine == 0) Line += std::wstring(L"\\") + LineEnd;
      }
      break;
    default:
      Line += L"\"\"";
      break;
  }
  return Line + LineEnd;
}

void TVKRRegistryEnhanced::ExportKeyToRegFile(const std::wstring& ASubKey, const std::wstring& AFileName) {
  if (FKey.empty()) return;
  if (AFileName.size() > MaxScriptFileName) return;
  TAnsiTextFile File;
  if (!File.Create(AFileName)) return;
  File.Write(std::wstring(L"REGEDIT4") + LineEnd);
  TRegistryAccessor Reg = NewAccessor();
  ExportKey(Reg, RegFileRootKeyName(FRootKey), SubKeyPath(ASubKey), File);
}

void TVKRRegistryEnhanced::Search(const std::wstring& ASubKey, const std::wstring& AString,
                                  TSearchOption ASearchOption, bool Recursive) {
  if (FKey.empty()) return;
  FEntriesFound.clear();
  TRegistryAccessor Reg = NewAccessor();
  SearchKey(Reg, SubKeyPath(ASubKey), LowerCaseAZ(AString), ASearchOption, Recursive, FEntriesFound);
}

void TVKRRegistryEnhanced::SaveKeyContentToFile(const std::wstring& ASubKey, const std::wstring& AFilename,
                                                const std::wstring& ABreakString) {
  if (FKey.empty()) return;
  TRegistryAccessor Reg = NewAccessor();
  if (!Reg.OpenKey(SubKeyPath(ASubKey), false)) return;
  std::vector<std::wstring> Names;
  Reg.GetValueNames(Names);
  std::wstring Content;
  // Each line is the value of that very name: a name holding "\" is a name
  // like any other here, not a path into a subkey.
  for (const std::wstring& Name : Names) Content += Name + ABreakString + ValueText(Reg, Name) + LineEnd;

  TAnsiTextFile File;
  bool Saved = File.Create(AFilename);
  if (Saved) {
    File.Write(Content);
    Saved = File.Flush();
  }
  if (!Saved && FRaiseExceptions) throw ERegistryEnhanced(FileErrorMessage());
}

void TVKRRegistryEnhanced::LoadKeyContentFromFile(const std::wstring& ASubKey, const std::wstring& AFilename,
                                                  const std::wstring& ABreakString) {
  if (FKey.empty()) return;
  std::vector<std::wstring> Lines;
  try {
    TTextFileReader Reader(AFilename);
    std::wstring Line;
    while (Reader.ReadLine(Line)) Lines.push_back(Line);
  } catch (const EOSError&) {
    if (FRaiseExceptions) throw ERegistryEnhanced(FileErrorMessage());
    Lines.clear();
  }

  TRegistryAccessor Reg = NewAccessor();
  for (const std::wstring& Line : Lines) {
    const std::vector<std::wstring> Pieces = TVKRBreakApart::Split(Line, ABreakString, /*AllowEmpty=*/true);
    if (Pieces.size() != 2) continue;
    // The name is written as it was saved, backslashes and all.
    if (Reg.OpenKey(SubKeyPath(ASubKey), true)) {
      Reg.WriteString(Pieces[0], Pieces[1]);
      Reg.CloseKey();
    }
  }
}
