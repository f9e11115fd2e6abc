#include <doctest.h>

#include "framework/Text.h"
#include "options/OptionsRecord.h"
#include "support/RegistryFixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

const TProxyDefaults SystemProxy{true, L"sys.proxy", 8888};

// What the options are, written down apart from the program's table: the
// stored name, the kind, the default (as FieldText shows it) and the range.
struct TExpectedOption {
  const wchar_t* Name;
  TOptionKind Kind;
  std::wstring Default;
  int32_t Min = 0;
  int32_t Max = 0;
};

const std::vector<TExpectedOption> ExpectedOptions = {
    {L"ScanAtStartup", TOptionKind::okBoolean, L"1"},
    {L"Recursive", TOptionKind::okBoolean, L"1"},
    {L"PromptBeforeDeletingFiles", TOptionKind::okBoolean, L"1"},
    {L"UseRecycleBinWhenDeletingFiles", TOptionKind::okBoolean, L"1"},
    {L"ShowStatisticsAfterDeletingFiles", TOptionKind::okBoolean, L"1"},
    {L"LimitSearchDepth", TOptionKind::okBoolean, L"0"},
    {L"MaxSearchDepth", TOptionKind::okInteger, L"8", 0, 128},
    {L"OnlyOlderThan", TOptionKind::okBoolean, L"0"},
    {L"OlderThanDays", TOptionKind::okInteger, L"7", 1, 3650},
    {L"RestrictSearch", TOptionKind::okBoolean, L"0"},
    {L"UseProxyServer", TOptionKind::okBoolean, L"1"},  // the system's proxy is in use
    {L"ProxyAddress", TOptionKind::okText, L"sys.proxy"},
    {L"ProxyPort", TOptionKind::okText, L"8888"},
};

std::wstring FieldText(const TOptions& Options, const TOptionDescriptor& Option) {
  switch (Option.Kind) {
    case TOptionKind::okBoolean:
      return Options.*Option.Flag ? L"1" : L"0";
    case TOptionKind::okInteger:
      return std::to_wstring(Options.*Option.Number);
    case TOptionKind::okText:
      return Options.*Option.Text;
  }
  return L"?";
}

std::vector<uint8_t> TextBytes(const std::wstring& Text, bool Multi = false) {
  std::wstring Data = Text + L'\0';
  if (Multi) Data += L'\0';
  const auto* First = reinterpret_cast<const uint8_t*>(Data.data());
  return std::vector<uint8_t>(First, First + Data.size() * sizeof(wchar_t));
}
std::vector<uint8_t> DwordBytes(uint32_t Value) {
  return {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8), static_cast<uint8_t>(Value >> 16),
          static_cast<uint8_t>(Value >> 24)};
}

// What a stored value of some registry type gives an option of one kind.
// Expected: the field as FieldText shows it; "default", "min" and "max" name
// the option's own. A value that gives the default counts as not stored.
struct TStoredCase {
  const char* What;
  TOptionKind Kind;
  DWORD Type;
  std::vector<uint8_t> Data;
  std::wstring Expected;
};

const std::vector<TStoredCase> StoredCases = {
    {"Boolean 0", TOptionKind::okBoolean, REG_DWORD, DwordBytes(0), L"0"},
    {"Boolean 1", TOptionKind::okBoolean, REG_DWORD, DwordBytes(1), L"1"},
    {"any number but 0 is true", TOptionKind::okBoolean, REG_DWORD, DwordBytes(7), L"1"},
    {"text True", TOptionKind::okBoolean, REG_SZ, TextBytes(L"True"), L"1"},
    {"text False", TOptionKind::okBoolean, REG_SZ, TextBytes(L"False"), L"0"},
    {"text 0", TOptionKind::okBoolean, REG_SZ, TextBytes(L"0"), L"0"},
    {"text that is no Boolean", TOptionKind::okBoolean, REG_SZ, TextBytes(L"maybe"), L"default"},
    {"binary data", TOptionKind::okBoolean, REG_BINARY, {1, 0, 0, 0}, L"default"},
    {"a list of texts", TOptionKind::okBoolean, REG_MULTI_SZ, TextBytes(L"1", true), L"default"},

    {"a number in range", TOptionKind::okInteger, REG_DWORD, DwordBytes(5), L"5"},
    {"a number below the range", TOptionKind::okInteger, REG_DWORD, DwordBytes(0xFFFFFFFF), L"min"},
    {"a number above the range", TOptionKind::okInteger, REG_DWORD, DwordBytes(100000), L"max"},
    {"a number as text", TOptionKind::okInteger, REG_SZ, TextBytes(L"12"), L"12"},
    {"text above the range", TOptionKind::okInteger, REG_SZ, TextBytes(L"5000"), L"max"},
    {"text no 32-bit number holds", TOptionKind::okInteger, REG_SZ, TextBytes(L"99999999999"), L"default"},
    {"text that is no number", TOptionKind::okInteger, REG_SZ, TextBytes(L"eight"), L"default"},
    {"empty text", TOptionKind::okInteger, REG_SZ, TextBytes(L""), L"default"},
    {"binary data", TOptionKind::okInteger, REG_BINARY, {5, 0, 0, 0}, L"default"},
    {"a list of texts", TOptionKind::okInteger, REG_MULTI_SZ, TextBytes(L"5", true), L"default"},

    {"text", TOptionKind::okText, REG_SZ, TextBytes(L"stored.host"), L"stored.host"},
    {"empty text", TOptionKind::okText, REG_SZ, TextBytes(L""), L""},
    {"a number", TOptionKind::okText, REG_DWORD, DwordBytes(3128), L"3128"},
    {"binary data", TOptionKind::okText, REG_BINARY, {0x41, 0, 0, 0}, L"default"},
    {"a list of texts", TOptionKind::okText, REG_MULTI_SZ, TextBytes(L"a", true), L"default"},
};

std::wstring Marks(const std::vector<TExtensionMark>& Extensions) {
  std::wstring Text;
  for (const TExtensionMark& Mark : Extensions) Text += Mark.Pattern + (Mark.Checked ? L"=1;" : L"=0;");
  return Text;
}

// Every field, for a comparison that shows what differs.
std::string Described(const TOptions& Options) {
  std::wstring Text;
  for (const TOptionDescriptor& Option : OptionTable) Text += std::wstring(Option.Name) + L"=" + FieldText(Options, Option) + L" ";
  return WideToUtf8(Text + Marks(Options.Extensions));
}

}  // namespace

TEST_CASE("every option: its stored name, kind, default and range; each stored type read, clamped or replaced") {
  std::set<std::wstring> Declared;
  for (const TOptionDescriptor& Option : OptionTable) Declared.insert(Option.Name);
  std::set<std::wstring> Expected;
  for (const TExpectedOption& Option : ExpectedOptions) Expected.insert(Option.Name);
  CHECK(Declared == Expected);
  CHECK(std::size(OptionTable) == ExpectedOptions.size());

  TRegistryFixture Registry;
  TVKRRegistryEnhanced Store;
  Store.SetKey(Registry.KeyPath());
  const TOptions Defaults = DefaultOptions(SystemProxy);
  for (const TExpectedOption& Want : ExpectedOptions) {
    CAPTURE(WideToUtf8(Want.Name));
    const auto Found = std::find_if(std::begin(OptionTable), std::end(OptionTable),
                                    [&Want](const TOptionDescriptor& Option) { return Want.Name == std::wstring(Option.Name); });
    REQUIRE(Found != std::end(OptionTable));
    const TOptionDescriptor& Option = *Found;
    REQUIRE(Option.Kind == Want.Kind);
    // Exactly the member of its kind is set: code that walks the table relies on it.
    CHECK((Option.Flag != nullptr) == (Want.Kind == TOptionKind::okBoolean));
    CHECK((Option.Number != nullptr) == (Want.Kind == TOptionKind::okInteger));
    CHECK((Option.Text != nullptr) == (Want.Kind == TOptionKind::okText));
    CHECK(FieldText(Defaults, Option) == Want.Default);
    if (Want.Kind == TOptionKind::okInteger) {
      CHECK(Option.Min == Want.Min);
      CHECK(Option.Max == Want.Max);
    }

    {
      TOptions Loaded = Defaults;
      CHECK_FALSE(LoadOption(Store, Option, Loaded));  // nothing stored
      CHECK(FieldText(Loaded, Option) == Want.Default);
    }
    for (const TStoredCase& Case : StoredCases) {
      if (Case.Kind != Want.Kind) continue;
      CAPTURE(Case.What);
      Registry.WriteRaw(OptionsSubKey, Want.Name, Case.Type, Case.Data.data(), static_cast<DWORD>(Case.Data.size()));
      std::wstring Result = Case.Expected;
      if (Result == L"default") Result = Want.Default;
      if (Result == L"min") Result = std::to_wstring(Want.Min);
      if (Result == L"max") Result = std::to_wstring(Want.Max);
      if (Want.Kind == TOptionKind::okInteger && Case.Expected != L"default" && Case.Expected != L"min" &&
          Case.Expected != L"max")
        Result = std::to_wstring(std::clamp(std::stoi(Case.Expected), Want.Min, Want.Max));
      TOptions Loaded = Defaults;
      CHECK(LoadOption(Store, Option, Loaded) == (Case.Expected != L"default"));
      CHECK(FieldText(Loaded, Option) == Result);
      // The whole load agrees with the one option's, and leaves the others at their defaults.
      const TOptions Whole = LoadOptions(Store, SystemProxy);
      CHECK(FieldText(Whole, Option) == Result);
      for (const TOptionDescriptor& Other : OptionTable)
        if (&Other != &Option) CHECK(FieldText(Whole, Other) == FieldText(Defaults, Other));
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, Registry.Sub(OptionsSubKey).c_str(), Want.Name);
  }
}

TEST_CASE("options saved are stored as their kinds and load back the same, from any key") {
  TRegistryFixture Registry;
  TVKRRegistryEnhanced Store;
  Store.SetKey(Registry.KeyPath());
  TOptions Options = DefaultOptions(SystemProxy);
  Options.ScanAtStartup = false;
  Options.LimitSearchDepth = true;
  Options.MaxSearchDepth = 3;
  Options.OnlyOlderThan = true;
  Options.OlderThanDays = 30;
  Options.RestrictSearch = true;
  Options.Extensions = {{L"*.tmp", true}, {L"*.zip", false}, {L"", true}, {L"*.TMP", false}};
  Options.UseProxyServer = false;
  Options.ProxyAddress = L"stored.host";
  Options.ProxyPort = L"3128";
  SaveOptions(Store, Options);

  for (const TOptionDescriptor& Option : OptionTable) {
    CAPTURE(WideToUtf8(Option.Name));
    const auto Raw = Registry.ReadRaw(OptionsSubKey, Option.Name);
    REQUIRE(Raw);
    CHECK(Raw->Type == (Option.Kind == TOptionKind::okText ? DWORD{REG_SZ} : DWORD{REG_DWORD}));
    if (Raw->Type == REG_DWORD) CHECK(Raw->Data.size() == 4);
  }
  // An empty pattern names the key's default value: it is not stored. Of
  // patterns that differ in case only, the last mark is the one stored.
  std::vector<std::wstring> Names = Registry.ValueNames(ExtensionsSubKey);
  std::sort(Names.begin(), Names.end());
  CHECK(Names.size() == 2);
  CHECK(Registry.ReadRaw(ExtensionsSubKey, L"*.tmp")->AsDword() == 0);
  CHECK(Registry.ReadRaw(ExtensionsSubKey, L"*.zip")->AsDword() == 0);

  // A name rewritten in place keeps the case it was first stored with: start afresh.
  RegDeleteKeyW(HKEY_CURRENT_USER, Registry.Sub(ExtensionsSubKey).c_str());
  Options.Extensions = {{L"*.tmp", true}, {L"*.zip", false}};
  SaveOptions(Store, Options);
  TOptions Loaded = LoadOptions(Store, TProxyDefaults());
  // Wine lists the values by name, Windows in the order written: the order is not compared.
  std::sort(Loaded.Extensions.begin(), Loaded.Extensions.end(),
            [](const TExtensionMark& A, const TExtensionMark& B) { return A.Pattern < B.Pattern; });
  CHECK(Described(Loaded) == Described(Options));
  CHECK(Loaded == Options);
  // The same code reads a key given by root and path, as a key of locked options would be read.
  TOptions Again = LoadOptions(TRootKey::hkCurrentUser, Registry.KeyPath(), TProxyDefaults());
  std::sort(Again.Extensions.begin(), Again.Extensions.end(),
            [](const TExtensionMark& A, const TExtensionMark& B) { return A.Pattern < B.Pattern; });
  CHECK(Described(Again) == Described(Options));
  CHECK(SearchPatternOf(Options) == L";*.tmp");
}

TEST_CASE("the extension list: design patterns, lost marks, and marks of the wrong type") {
  TRegistryFixture Registry;
  TVKRRegistryEnhanced Store;
  Store.SetKey(Registry.KeyPath());
  struct TCase {
    const char* Name;
    bool RestrictStored;
    bool WriteMarks;
    std::wstring Expected;  // sorted by pattern when marks are stored
  };
  const TCase Cases[] = {
      {"first start: the design patterns, all checked", false, false, L"*.tmp=1;*.log=1;*.old=1;*.bak=1;"},
      {"restriction stored on but no marks: none checked, nothing is widened", true, false,
       L"*.tmp=0;*.log=0;*.old=0;*.bak=0;"},
      {"marks of other types than a number stay unchecked", false, true, L"*.bak=0;*.log=0;*.old=0;*.tmp=1;"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    RegDeleteTreeW(HKEY_CURRENT_USER, Registry.Sub(ExtensionsSubKey).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, Registry.Sub(ExtensionsSubKey).c_str());
    Registry.WriteDword(OptionsSubKey, L"RestrictSearch", Case.RestrictStored ? 1 : 0);
    if (Case.WriteMarks) {
      Registry.WriteDword(ExtensionsSubKey, L"*.tmp", 1);
      Registry.WriteDword(ExtensionsSubKey, L"*.log", 0);
      Registry.WriteString(ExtensionsSubKey, L"*.old", L"1");
      const uint8_t Binary[] = {1, 0, 0, 0, 0, 0, 0, 0};
      Registry.WriteRaw(ExtensionsSubKey, L"*.bak", REG_BINARY, Binary, sizeof(Binary));
    }
    TOptions Loaded = LoadOptions(Store, SystemProxy);
    if (Case.WriteMarks)
      std::sort(Loaded.Extensions.begin(), Loaded.Extensions.end(),
                [](const TExtensionMark& A, const TExtensionMark& B) { return A.Pattern < B.Pattern; });
    CHECK(Marks(Loaded.Extensions) == Case.Expected);
    CHECK(Loaded.RestrictSearch == Case.RestrictStored);
  }
}

TEST_CASE("the system's proxy is asked only for proxy options nothing usable is stored of, and once") {
  // Which proxy options hold a value, and what the load then owes the system.
  struct TCase {
    const char* What;
    bool UseStored, AddressStored, PortStored;
  };
  const std::vector<TCase> Cases = {
      {"nothing stored", false, false, false},
      {"all three stored", true, true, true},
      {"the address alone missing", true, false, true},
      {"the flag alone stored", true, false, false},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    TRegistryFixture Registry;
    TVKRRegistryEnhanced Store;
    Store.SetKey(Registry.KeyPath());
    if (Case.UseStored) Registry.WriteDword(OptionsSubKey, L"UseProxyServer", 0);
    if (Case.AddressStored) Registry.WriteString(OptionsSubKey, L"ProxyAddress", L"stored.host");
    if (Case.PortStored) Registry.WriteString(OptionsSubKey, L"ProxyPort", L"3128");
    const bool AllStored = Case.UseStored && Case.AddressStored && Case.PortStored;

    int Asked = 0;
    TOptions Later = LoadOptions(Store, [&Asked] {
      ++Asked;
      return TProxyDefaults();
    });
    CHECK(Asked == (AllStored ? 0 : 1));
    // What the load at once gives, the load that asks later reaches once told the system's proxy.
    const TOptions AtOnce = LoadOptions(Store, SystemProxy);
    TakeProxyDefaults(Store, SystemProxy, Later);
    CHECK(Described(Later) == Described(AtOnce));
    CHECK(Later.UseProxyServer == (Case.UseStored ? false : SystemProxy.InUse));
    CHECK(Later.ProxyAddress == (Case.AddressStored ? L"stored.host" : SystemProxy.Address));
    CHECK(Later.ProxyPort == (Case.PortStored ? L"3128" : std::to_wstring(SystemProxy.Port)));
  }
}
