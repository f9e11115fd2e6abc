// The store's own errors, their language, and the registry's refusals.

#include "StoreTestSupport.h"

#include "framework/Exception.h"

#include <functional>

namespace {

const std::wstring English = L"Unknown data type.";
const std::wstring French = L"Type de donn\u00E9e inconnu.";

struct TErrorFixture : TStoreFixture {
  TErrorFixture() {
    WriteBytes(Fixture, L"", L"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0});
    WriteBytes(Fixture, L"", L"Binary", REG_BINARY, {1, 2});
  }
};

// Each case meets a value of a kind or type the store has no rule for.
struct TCase {
  const char* Name;
  std::function<void(TErrorFixture&)> Action;
  std::function<void(TErrorFixture&)> CheckSilent;  // what happens without the error
};

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> List = {
      {"SetValue of an empty variant", [](TErrorFixture& F) { F.Store.SetValue(L"Written", Variant()); },
       [](TErrorFixture& F) { CHECK_FALSE(F.Fixture.ReadRaw(L"", L"Written").has_value()); }},
      {"SetValue of an OLE string", [](TErrorFixture& F) { F.Store.SetValue(L"Written", Variant::OleStr(L"x")); },
       [](TErrorFixture& F) { CHECK_FALSE(F.Fixture.ReadRaw(L"", L"Written").has_value()); }},
      {"GetValue of REG_MULTI_SZ", [](TErrorFixture& F) { F.Store.GetValue(L"Multi"); },
       [](TErrorFixture& F) { CHECK(F.Store.GetValue(L"Multi").IsEmpty()); }},
      {"GetValueDefault of REG_MULTI_SZ", [](TErrorFixture& F) { F.Store.GetValueDefault(L"Multi", int32_t{4}); },
       [](TErrorFixture& F) { CHECK(F.Store.GetValueDefault(L"Multi", int32_t{4}) == Variant(int32_t{4})); }},
      {"CopyValue of a binary source", [](TErrorFixture& F) { F.Store.CopyValue(L"Binary", L"Copy"); },
       [](TErrorFixture& F) { CHECK_FALSE(F.Store.CopyValue(L"Binary", L"Copy")); }},
      {"CopyValue of REG_MULTI_SZ", [](TErrorFixture& F) { F.Store.CopyValue(L"Multi", L"Copy"); },
       [](TErrorFixture& F) { CHECK_FALSE(F.Store.CopyValue(L"Multi", L"Copy")); }},
  };
  return List;
}

}  // namespace

TEST_CASE("without RaiseExceptions values without a rule pass silently") {
  for (const TCase& Case : Cases()) {
    CAPTURE(Case.Name);
    TErrorFixture F;
    CHECK_NOTHROW(Case.Action(F));
    Case.CheckSilent(F);
  }
}

TEST_CASE("with RaiseExceptions they raise the unknown-data-type message of the current language") {
  for (const TLangType Language : {TLangType::ltEnglish, TLangType::ltFrench}) {
    for (const TCase& Case : Cases()) {
      CAPTURE(Case.Name);
      TErrorFixture F;
      F.Store.SetRaiseExceptions(true);
      F.Store.SetLangType(Language);
      CHECK(ThrownMessage<ERegistryEnhanced>([&] { Case.Action(F); }) ==
            (Language == TLangType::ltFrench ? French : English));
      CHECK_FALSE(F.Fixture.ReadRaw(L"", L"Written").has_value());
      CHECK_FALSE(F.Fixture.ReadRaw(L"", L"Copy").has_value());
    }
  }
}

TEST_CASE("missing values and keys are no error, even with RaiseExceptions") {
  TStoreFixture F;
  F.Store.SetRaiseExceptions(true);
  CHECK(F.Store.GetValue(L"Missing").IsEmpty());
  CHECK(F.Store.GetValue(L"Missing\\Key\\Value").IsEmpty());
  CHECK(F.Store.GetValueDefault(L"Missing", int32_t{1}) == Variant(int32_t{1}));
  CHECK_NOTHROW(F.Store.SetTypedValue(L"Nothing", Variant(), TBinaryType::btEncryptString));
}

TEST_CASE("the messages belong to the unit: the last language set anywhere wins") {
  TStoreFixture F;
  F.Fixture.WriteDword(L"", L"Unused", 0);
  F.Store.SetRaiseExceptions(true);
  const auto Raise = [&] { F.Store.SetValue(L"Written", Variant::Null()); };

  F.Store.SetLangType(TLangType::ltFrench);
  CHECK(ThrownMessage<ERegistryEnhanced>(Raise) == French);
  {
    // A second instance resets the messages to English for every instance.
    TVKRRegistryEnhanced Second;
    CHECK(ThrownMessage<ERegistryEnhanced>(Raise) == English);
    CHECK(F.Store.LangType() == TLangType::ltFrench);
    Second.SetLangType(TLangType::ltFrench);
    CHECK(ThrownMessage<ERegistryEnhanced>(Raise) == French);
  }
  // An ordinal outside the table keeps the messages as they are.
  F.Store.SetLangType(static_cast<TLangType>(7));
  CHECK(ThrownMessage<ERegistryEnhanced>(Raise) == French);
  F.Store.SetLangType(TLangType::ltEnglish);
  CHECK(ThrownMessage<ERegistryEnhanced>(Raise) == English);
}

TEST_CASE("a read-only store raises the registry's refusal on every write") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Options", L"Pattern", L"*.tmp");
  F.Store.SetAccess(TAccess::kRead);
  struct TWrite {
    const char* Name;
    std::wstring Path;
    Variant Value;
  };
  const std::vector<TWrite> Writes = {
      {"text", L"Options\\Pattern", Variant(L"*.log")},
      {"integer", L"Options\\MaxDepth", Variant(int32_t{2})},
      {"binary", L"Options\\Size", Variant(1.5)},
      {"value with a non-ASCII name", L"Options\\Gr\u00F6\u00DFe", Variant(true)},
  };
  for (const TWrite& Write : Writes) {
    CAPTURE(Write.Name);
    CHECK(ThrownMessage<ERegistryException>([&] { F.Store.SetValue(Write.Path, Write.Value); }) ==
          L"Failed to set data for '" + TVKRRegistryEnhanced::ExtractValueName(Write.Path) + L"'");
  }
  // Reading still works, and nothing was changed.
  CHECK(F.Store.GetValue(L"Options\\Pattern") == Variant(L"*.tmp"));
  CHECK(F.Fixture.ValueNames(L"Options") == std::vector<std::wstring>{L"Pattern"});
  CHECK_FALSE(F.Store.DeleteValue(L"Options\\Pattern"));
}

TEST_CASE("a write-only store reads defaults") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Options", L"Pattern", L"*.tmp");
  F.Store.SetAccess(TAccess::kWrite);
  CHECK(F.Store.GetValueDefault(L"Options\\Pattern", Variant(L"*.*")) == Variant(L"*.*"));
  CHECK(F.Store.GetValue(L"Options\\Pattern").IsEmpty());
  F.Store.SetValue(L"Options\\Pattern", L"*.log");
  CHECK(F.Fixture.ReadRaw(L"Options", L"Pattern")->AsString() == L"*.log");
}

TEST_CASE("an empty application key writes nothing anywhere") {
  TRegistryFixture Fixture;
  TVKRRegistryEnhanced Store;
  const std::wstring Name = L"MarrowbyStoreTest-" + std::to_wstring(GetCurrentProcessId());
  Store.SetValue(Name, L"must not appear");
  Store.SetValue(Fixture.KeyPath() + L"\\" + Name, L"must not appear");
  CHECK(RegQueryValueExW(HKEY_CURRENT_USER, Name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
        ERROR_FILE_NOT_FOUND);
  CHECK_FALSE(Fixture.KeyExists(L""));
}
