// The options dialog under policies: a control whose option an administrator
// sets stays greyed, and a page that holds one says so.

#include "options/QuenloUnit2.h"

#include "framework/Application.h"
#include "options/QuenloUnit2Res.h"

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
  // Each where the page has room: under the check boxes, beside the pattern list, under the proxy.
  if (AnyLocked({L"ScanAtStartup", L"Recursive", L"PromptBeforeDeletingFiles", L"UseRecycleBinWhenDeletingFiles",
                 L"ShowStatisticsAfterDeletingFiles"}))
    ShowManagedLine(ManagedPreferencesLabel, IDC_MANAGEDPREFERENCES, {17, 150, 245, 158});
  if (FLocks.Extensions ||
      AnyLocked({L"LimitSearchDepth", L"MaxSearchDepth", L"OnlyOlderThan", L"OlderThanDays", L"RestrictSearch"}))
    ShowManagedLine(ManagedAdvancedLabel, IDC_MANAGEDADVANCED, {155, 103, 245, 139});
  if (ProxyLocked) ShowManagedLine(ManagedUpdateLabel, IDC_MANAGEDUPDATE, {17, 84, 245, 92});
}

void TForm2::SetScheduleLocked(bool Locked) {
  SchedulePage.SetLocked(Locked);
  // Under the last run and its button, where the page has room.
  if (Locked) ShowManagedLine(ManagedScheduleLabel, IDC_MANAGEDSCHEDULE, {17, 174, 245, 182});
}

void TForm2::ShowManagedLine(TLabel& Line, int Id, RECT Bounds) {
  if (Line.Handle() != nullptr) return;
  MapDialogRect(Handle(), &Bounds);
  // Hidden at first: the page control shows it with its page.
  const HWND Made = CreateWindowExW(0, L"STATIC", ManagedText, WS_CHILD | SS_LEFT, Bounds.left, Bounds.top,
                                    Bounds.right - Bounds.left, Bounds.bottom - Bounds.top, Handle(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Application().HInstance(),
                                    nullptr);
  if (Made == nullptr) return;  // the greyed controls still say it
  SendMessageW(Made, WM_SETFONT, SendMessageW(Handle(), WM_GETFONT, 0, 0), FALSE);
  AttachControl(Line, Id);
  OptionsPageControl.SetActivePageIndex(OptionsPageControl.ActivePageIndex());
}
