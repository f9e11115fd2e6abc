#include "options/OptionsRecord.h"

#include "framework/Exception.h"
#include "framework/Text.h"
#include "options/VKRInternetUnit.h"
#include "store/ItemList.h"

#include <algorithm>
#include <optional>

namespace {

const wchar_t* const DesignPatterns[] = {L"*.tmp", L"*.log", L"*.old", L"*.bak"};

std::wstring OptionPath(const TOptionDescriptor& Option) { return std::wstring(OptionsSubKey) + L"\\" + Option.Name; }

// A value the registry refuses to give reads as nothing stored.
Variant ReadStored(TVKRRegistryEnhanced& Store, const std::wstring& Path) {
  try {
    return Store.GetValue(Path);
  } catch (const Exception&) {
    return Variant();
  }
}

}  // namespace

TProxyDefaults TProxyDefaults::FromSystem() {
  TProxyDefaults Proxy;
  GetSystemProxy(L"http", Proxy.InUse, Proxy.Address, Proxy.Port);
  return Proxy;
}

std::vector<TExtensionMark> DesignExtensions(bool Checked) {
  std::vector<TExtensionMark> Marks;
  for (const wchar_t* Pattern : DesignPatterns) Marks.push_back({Pattern, Checked});
  return Marks;
}

void SetOptionDefault(const TOptionDescriptor& Option, const TProxyDefaults& Proxy, TOptions& Options) {
  switch (Option.DefaultFrom) {
    case TOptionDefault::odFixed:
      if (Option.Kind == TOptionKind::okBoolean) Options.*Option.Flag = Option.Default != 0;
      if (Option.Kind == TOptionKind::okInteger) Options.*Option.Number = Option.Default;
      if (Option.Kind == TOptionKind::okText) (Options.*Option.Text).clear();
      break;
    case TOptionDefault::odProxyInUse:
      Options.*Option.Flag = Proxy.InUse;
      break;
    case TOptionDefault::odProxyAddress:
      Options.*Option.Text = Proxy.Address;
      break;
    case TOptionDefault::odProxyPort:
      Options.*Option.Text = std::to_wstring(Proxy.Port);
      break;
  }
}

TOptions DefaultOptions(const TProxyDefaults& Proxy) {
  TOptions Options;
  for (const TOptionDescriptor& Option : OptionTable) SetOptionDefault(Option, Proxy, Options);
  Options.Extensions = DesignExtensions(true);
  return Options;
}

bool LoadOption(TVKRRegistryEnhanced& Store, const TOptionDescriptor& Option, TOptions& Options) {
  const Variant Stored = ReadStored(Store, OptionPath(Option));
  try {
    switch (Option.Kind) {
      case TOptionKind::okBoolean:
        // Text reads as "True"/"False" or a number; anything else is not a Boolean.
        if (!Stored.IsOrdinal() && !Stored.IsText()) return false;
        Options.*Option.Flag = Stored.IsOrdinal() ? Stored.ToInt64() != 0 : Stored.ToBoolean();
        return true;
      case TOptionKind::okInteger: {
        if (!Stored.IsOrdinal() && !Stored.IsText()) return false;
        // A number no 32-bit integer holds is no number of this option at all.
        Options.*Option.Number = std::clamp(Stored.ToInteger(), Option.Min, Option.Max);
        return true;
      }
      case TOptionKind::okText:
        if (!Stored.IsOrdinal() && !Stored.IsText()) return false;
        Options.*Option.Text = Stored.ToString();
        return true;
    }
  } catch (const EConvertError&) {
    // Text that is no number or Boolean: as if nothing were stored.
  }
  return false;
}

bool LoadExtensions(TVKRRegistryEnhanced& Store, TOptions& Options) {
  try {
    Store.FinishReplacedValues(ExtensionsSubKey);
  } catch (const Exception&) {
    // The journal stays for the next load to finish; what the key holds now is read.
  }
  if (!Store.KeyExists(ExtensionsSubKey)) {
    // Without stored marks the design list is all checked, as on a first
    // start; but where the restriction itself is stored on, the marks were
    // lost, and checking every pattern would widen what Delete removes.
    Options.Extensions = DesignExtensions(!Options.RestrictSearch);
    return false;
  }
  // The items come back in the registry's enumeration order, which is the
  // order they were written in on Windows (Wine sorts them by name). A mark
  // that is not stored as a number leaves that pattern alone unchecked:
  // checking it, or resetting the list, would widen what Delete removes.
  std::vector<std::wstring> Names;
  try {
    Store.GetValueNames(ExtensionsSubKey, Names);
  } catch (const Exception&) {
    Names.clear();
  }
  Options.Extensions.clear();
  for (const std::wstring& Name : Names) {
    const Variant Mark = ReadStored(Store, std::wstring(ExtensionsSubKey) + L"\\" + Name);
    Options.Extensions.push_back({Name, Mark.IsOrdinal() && Mark.ToInt64() != 0});
  }
  return true;
}

TOptions LoadOptions(TVKRRegistryEnhanced& Store, const TProxyDefaults& Proxy) {
  return LoadOptions(Store, [&Proxy] { return Proxy; });
}

TOptions LoadOptions(TVKRRegistryEnhanced& Store, const std::function<TProxyDefaults()>& AskProxy) {
  TOptions Options = DefaultOptions(TProxyDefaults());
  std::optional<TProxyDefaults> Proxy;
  for (const TOptionDescriptor& Option : OptionTable) {
    if (LoadOption(Store, Option, Options) || Option.DefaultFrom == TOptionDefault::odFixed) continue;
    if (!Proxy) Proxy = AskProxy();
    SetOptionDefault(Option, *Proxy, Options);
  }
  LoadExtensions(Store, Options);
  try {
    Options.KeepList = LoadItemList(Store, KeepListKey);
  } catch (const EListUnreadable& Error) {
    Options.KeepListUnreadable = Error.Message();
  }
  return Options;
}

void TakeProxyDefaults(TVKRRegistryEnhanced& Store, const TProxyDefaults& Proxy, TOptions& Options) {
  for (const TOptionDescriptor& Option : OptionTable) {
    if (Option.DefaultFrom == TOptionDefault::odFixed) continue;
    TOptions Stored;
    if (!LoadOption(Store, Option, Stored)) SetOptionDefault(Option, Proxy, Options);
  }
}

TOptions LoadOptions(TRootKey Root, const std::wstring& KeyPath, const TProxyDefaults& Proxy) {
  TVKRRegistryEnhanced Store;
  Store.SetRootKey(Root);
  Store.SetAccess(TAccess::kRead);
  Store.SetKey(KeyPath);
  return LoadOptions(Store, Proxy);
}

void SaveOptions(TVKRRegistryEnhanced& Store, const TOptions& Options) {
  for (const TOptionDescriptor& Option : OptionTable) {
    const std::wstring Path = OptionPath(Option);
    switch (Option.Kind) {
      case TOptionKind::okBoolean:
        Store.SetValue(Path, Variant(Options.*Option.Flag));
        break;
      case TOptionKind::okInteger:
        Store.SetValue(Path, Variant(int32_t{Options.*Option.Number}));
        break;
      case TOptionKind::okText:
        Store.SetValue(Path, Variant(Options.*Option.Text));
        break;
    }
  }
  // Patterns of equal text share one value: the last mark wins.
  std::vector<TStoredValue> Marks;
  for (const TExtensionMark& Extension : Options.Extensions) {
    // A pattern without text finds nothing, and its name is the key's default value.
    if (Extension.Pattern.empty()) continue;
    std::erase_if(Marks, [&Extension](const TStoredValue& Mark) { return SameTextAZ(Mark.Name, Extension.Pattern); });
    Marks.push_back(TStoredValue::Boolean(Extension.Pattern, Extension.Checked));
  }
  Store.ReplaceValues(ExtensionsSubKey, Marks);
  // A stored list that could not be read is not saved over with what was read of it: nothing.
  if (Options.KeepListUnreadable.empty()) SaveItemList(Store, KeepListKey, Options.KeepList);
}

std::wstring SearchPatternOf(const TOptions& Options) {
  if (!Options.RestrictSearch) return L"*.*";
  // The search drops empty pieces: with nothing checked the list is empty and nothing is found.
  std::wstring Pattern;
  for (const TExtensionMark& Extension : Options.Extensions)
    if (Extension.Checked) Pattern += L";" + Extension.Pattern;
  return Pattern;
}
