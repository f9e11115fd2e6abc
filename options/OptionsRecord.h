#pragma once
// Every user option, as one record the program holds and one table that says
// how each is stored: its value name under the "Options" subkey, its kind, its
// default and its range. Loading and saving go through the table alone, so
// whatever reads the options elsewhere (a key of locked options, say) reads
// them by the same names and kinds with the same code.

#include "search/FileAge.h"
#include "store/VKRRegistryEnhanced.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One pattern of the extension list and whether the search uses it.
struct TExtensionMark {
  std::wstring Pattern;
  bool Checked = false;
  bool operator==(const TExtensionMark&) const = default;
};

// The proxy the system names for "http": the defaults of the proxy options.
struct TProxyDefaults {
  bool InUse = false;
  std::wstring Address;
  int Port = 80;
  // Asks the system; a system that does not answer gives no proxy, no address and 80.
  static TProxyDefaults FromSystem();
};

inline constexpr int32_t DefaultMaxSearchDepth = 8;
inline constexpr int32_t MinSearchDepth = 0;
inline constexpr int32_t MaxSearchDepthLimit = 128;

struct TOptions {
  bool ScanAtStartup = true;
  bool Recursive = true;
  bool PromptBeforeDeletingFiles = true;
  bool UseRecycleBinWhenDeletingFiles = true;
  bool ShowStatisticsAfterDeletingFiles = true;
  bool LimitSearchDepth = false;
  int32_t MaxSearchDepth = DefaultMaxSearchDepth;
  // Only files last written at least OlderThanDays days before a command starts.
  bool OnlyOlderThan = false;
  int32_t OlderThanDays = DefaultOlderThanDays;
  bool RestrictSearch = false;
  // In list order; the search uses the checked ones when RestrictSearch is on.
  std::vector<TExtensionMark> Extensions;
  bool UseProxyServer = false;
  std::wstring ProxyAddress;
  std::wstring ProxyPort = L"80";  // text, as typed and as stored
  // Names and paths no command deletes (search/KeepList.h), stored as the
  // values "Item<n>" of the subkey "Keep", each exactly as entered.
  std::vector<std::wstring> KeepList;
  // Why the stored keep list could not be read (an ACL refused it); empty
  // when it was read. Such a list is never saved over, and Delete waits
  // until it can be read: what it keeps is not known.
  std::wstring KeepListUnreadable;

  bool operator==(const TOptions&) const = default;
};

enum class TOptionKind : uint8_t { okBoolean, okInteger, okText };

// Where an option's default comes from when nothing usable is stored.
enum class TOptionDefault : uint8_t { odFixed, odProxyInUse, odProxyAddress, odProxyPort };

// One stored option. Exactly one of the member pointers is set, the one of its kind.
struct TOptionDescriptor {
  const wchar_t* Name;  // the value's name under OptionsSubKey
  TOptionKind Kind;
  TOptionDefault DefaultFrom;
  int32_t Default;  // with odFixed: a Boolean as 0 or 1, or the integer
  int32_t Min;      // integers: a stored number outside Min..Max is brought to the nearer end
  int32_t Max;
  bool TOptions::*Flag;
  int32_t TOptions::*Number;
  std::wstring TOptions::*Text;
};

inline constexpr const wchar_t* OptionsSubKey = L"Options";
// The extension list is a subkey of its own: one Boolean per pattern, named by it.
inline constexpr const wchar_t* ExtensionsSubKey = L"Extensions";

namespace OptionTableDetail {
constexpr TOptionDescriptor Flag(const wchar_t* Name, bool TOptions::*Member, bool Default,
                                 TOptionDefault From = TOptionDefault::odFixed) {
  return {Name, TOptionKind::okBoolean, From, Default ? 1 : 0, 0, 1, Member, nullptr, nullptr};
}
constexpr TOptionDescriptor Number(const wchar_t* Name, int32_t TOptions::*Member, int32_t Default, int32_t Min,
                                   int32_t Max) {
  return {Name, TOptionKind::okInteger, TOptionDefault::odFixed, Default, Min, Max, nullptr, Member, nullptr};
}
constexpr TOptionDescriptor Text(const wchar_t* Name, std::wstring TOptions::*Member, TOptionDefault From) {
  return {Name, TOptionKind::okText, From, 0, 0, 0, nullptr, nullptr, Member};
}
}  // namespace OptionTableDetail

// In the order they are loaded and saved.
inline constexpr TOptionDescriptor OptionTable[] = {
    OptionTableDetail::Flag(L"ScanAtStartup", &TOptions::ScanAtStartup, true),
    OptionTableDetail::Flag(L"Recursive", &TOptions::Recursive, true),
    OptionTableDetail::Flag(L"PromptBeforeDeletingFiles", &TOptions::PromptBeforeDeletingFiles, true),
    OptionTableDetail::Flag(L"UseRecycleBinWhenDeletingFiles", &TOptions::UseRecycleBinWhenDeletingFiles, true),
    OptionTableDetail::Flag(L"ShowStatisticsAfterDeletingFiles", &TOptions::ShowStatisticsAfterDeletingFiles, true),
    OptionTableDetail::Flag(L"LimitSearchDepth", &TOptions::LimitSearchDepth, false),
    OptionTableDetail::Number(L"MaxSearchDepth", &TOptions::MaxSearchDepth, DefaultMaxSearchDepth, MinSearchDepth,
                              MaxSearchDepthLimit),
    OptionTableDetail::Flag(L"OnlyOlderThan", &TOptions::OnlyOlderThan, false),
    OptionTableDetail::Number(L"OlderThanDays", &TOptions::OlderThanDays, DefaultOlderThanDays, MinOlderThanDays,
                              MaxOlderThanDays),
    OptionTableDetail::Flag(L"RestrictSearch", &TOptions::RestrictSearch, false),
    OptionTableDetail::Flag(L"UseProxyServer", &TOptions::UseProxyServer, false, TOptionDefault::odProxyInUse),
    OptionTableDetail::Text(L"ProxyAddress", &TOptions::ProxyAddress, TOptionDefault::odProxyAddress),
    OptionTableDetail::Text(L"ProxyPort", &TOptions::ProxyPort, TOptionDefault::odProxyPort),
};

// The design extension list: what a first start shows.
std::vector<TExtensionMark> DesignExtensions(bool Checked);

// Every option at its default; the extension list the design one, all checked.
TOptions DefaultOptions(const TProxyDefaults& Proxy);

// Sets Option's field of Options to its default.
void SetOptionDefault(const TOptionDescriptor& Option, const TProxyDefaults& Proxy, TOptions& Options);

// Reads Option from "Options\<Name>" of Store into Options; false, leaving
// the field as it was, when nothing usable is stored. A value of another
// kind (binary data, a list of texts, text that is no number or Boolean) or
// one the registry refuses to give counts as not stored; a number out of
// range is brought to the nearer end and counts as stored.
bool LoadOption(TVKRRegistryEnhanced& Store, const TOptionDescriptor& Option, TOptions& Options);

// Reads the extension list of Store into Options; false when none is stored.
// RestrictSearch must already be loaded: see the .cpp for why it matters.
bool LoadExtensions(TVKRRegistryEnhanced& Store, TOptions& Options);

// Every option of the store at Store's root and key; what is missing or
// unusable takes its default. Never raises for the content of the key.
TOptions LoadOptions(TVKRRegistryEnhanced& Store, const TProxyDefaults& Proxy);
// The same, asking AskProxy for the proxy defaults only when a proxy option
// takes its default, and then once: asking the system costs.
TOptions LoadOptions(TVKRRegistryEnhanced& Store, const std::function<TProxyDefaults()>& AskProxy);
// Gives each proxy option of Options that Store holds nothing usable of its
// default from Proxy; the other options stay as they are.
void TakeProxyDefaults(TVKRRegistryEnhanced& Store, const TProxyDefaults& Proxy, TOptions& Options);
// The same from any key: Root and KeyPath (below Root, no leading separator).
TOptions LoadOptions(TRootKey Root, const std::wstring& KeyPath, const TProxyDefaults& Proxy);

// Writes every option, each as its kind (Booleans as REG_DWORD 0/1, integers
// as REG_DWORD, texts as REG_SZ); the extension list and the keep list each
// replace the stored one whole (store/DurableValues.h). Raises Exception when the system refuses.
void SaveOptions(TVKRRegistryEnhanced& Store, const TOptions& Options);

// The search's pattern list for the options: the checked patterns joined
// with ";" in list order under a restriction, otherwise "*.*".
std::wstring SearchPatternOf(const TOptions& Options);
