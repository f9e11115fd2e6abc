// The options dialog under policies: a control whose option an administrator
// sets stays greyed, and a page that holds one says so.

#include "options/QuenloUnit2.h"

#include <initializer_list>
#include <utility>

namespace {

constexpr wchar_t ManagedText[] = L"Some settings are managed by your administrator.";

}  // namespace

void TForm2::SetOptionLocks(const TOptionLocks& Locks) {
  FLocks = Locks;
  ApplyOptionLocks();
}

void TForm2::ApplyOptionLocks() {
  const std::pair<TCheckBox*, const wchar_t*> Boxes[] = {
      {&ScanAtStartupCheckBox, L"ScanAtStartup"},
      {&RecursiveCheckBox, L"Recursive"},
      {&PromptBeforeDeletingFilesCheckBox, L"PromptBeforeDeletingFiles"},
      {&UseRecycleBinWhenDeletingFilesCheckBox, L"UseRecycleBinWhenDeletingFiles"},
      {&ShowStatisticsAfterDeletingFilesCheckBox, L"ShowStatisticsAfterDeletingFiles"},
      {&LimitSearchDepthCheckBox, L"LimitSearchDepth"},
      {&OnlyOlderThanCheckBox, L"OnlyOlderThan"},
      {&RestrictSearchCheckBox, L"RestrictSearch"},
      {&UseProxyServerCheckBox, L"UseProxyServer"},
  };
  for (const auto& [Box, Name] : Boxes) Box->SetEnabled(!Locked(Name));
  // The controls that hang on a check box follow its enabling rule, which greys a locked one too.
  LimitSearchDepthCheckBoxClick(this);
  OnlyOlderThanCheckBoxClick(this);
  RestrictSearchCheckBoxClick(this);
  UseProxyServerCheckBoxClick(this);
  // The buttons that would set a locked value.
  AdvancedDefaultButton.SetEnabled(!Locked(L"MaxSearchDepth"));
  const bool ProxyLocked = Locked(L"UseProxyServer") || Locked(L"ProxyAddress") || Locked(L"ProxyPort");
  UpdateDefaultButton.SetEnabled(!ProxyLocked);
  UpdateIEButton.SetEnabled(!ProxyLocked);

  const auto AnyLocked = [this](std::initializer_list<const wchar_t*> Names) {
    for (const wchar_t* Name : Names)
      if (Locked(Name)) return true;
    return false;
  };
  const auto Say = [](TLabel& Label, bool Managed) { Label.SetText(Managed ? ManagedText : L""); };
  Say(ManagedPreferencesLabel, AnyLocked({L"ScanAtStartup", L"Recursive", L"PromptBeforeDeletingFiles",
                                          L"UseRecycleBinWhenDeletingFiles", L"ShowStatisticsAfterDeletingFiles"}));
  Say(ManagedAdvancedLabel, FLocks.Extensions || AnyLocked({L"LimitSearchDepth", L"MaxSearchDepth", L"OnlyOlderThan",
                                                            L"OlderThanDays", L"RestrictSearch"}));
  Say(ManagedUpdateLabel, ProxyLocked);
}
