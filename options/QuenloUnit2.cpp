#include "options/QuenloUnit2.h"

#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/SystemFont.h"
#include "framework/Text.h"
#include "options/QuenloUnit2Res.h"
#include "resources/MainRes.h"
#include "search/FileAge.h"

#include <algorithm>
#include <cstdint>

TForm2::TForm2(HWND Owner) : TForm(L"TForm2", TCloseAction::caHide) {
  CreateDialogHandle(IDD_OPTIONS, Owner);
  AttachControls();
  SetPosition(TPosition::poScreenCenter);
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);
  ShowOptionValues(DefaultOptions(TProxyDefaults()));
}

bool TForm2::EditOptions(TOptions& Options) {
  ShowOptionValues(Options);
  SchedulePage.Refresh();
  OptionsPageControl.SetActivePage(PreferencesTabSheet);
  const bool Accepted = ShowModal() == mrOk;
  if (Accepted) ReadOptionValues(Options);
  // Between two showings the controls hold the accepted options.
  ShowOptionValues(Options);
  return Accepted;
}

void TForm2::AttachControls() {
  AttachControl(OptionsPageControl, IDC_OPTIONSPAGECONTROL);
  OptionsPageControl.AddPage(PreferencesTabSheet, L"Preferences",
                             {IDC_SCANATSTARTUP, IDC_RECURSIVE, IDC_PROMPTBEFOREDELETINGFILES, IDC_USERECYCLEBIN,
                              IDC_SHOWSTATISTICS, IDC_MANAGEDPREFERENCES});
  OptionsPageControl.AddPage(AdvancedTabSheet, L"Advanced",
                             {IDC_LIMITSEARCHDEPTH, IDC_MAXSEARCHDEPTHLABEL, IDC_MAXSEARCHDEPTHEDIT,
                              IDC_MAXSEARCHDEPTHUPDOWN, IDC_ONLYOLDERTHAN, IDC_OLDERTHANDAYSEDIT,
                              IDC_OLDERTHANDAYSUPDOWN, IDC_OLDERTHANDAYSLABEL, IDC_RESTRICTSEARCH, IDC_EXTENSIONSLABEL, IDC_EXTENSIONS,
                              IDC_ADVANCEDDEFAULT, IDC_MANAGEDADVANCED});
  OptionsPageControl.AddPage(UpdateTabSheet, L"Update",
                             {IDC_USEPROXYSERVER, IDC_PROXYADDRESSLABEL, IDC_PROXYADDRESS, IDC_PROXYPORTLABEL,
                              IDC_PROXYPORT, IDC_UPDATEIE, IDC_UPDATEDEFAULT, IDC_MANAGEDUPDATE});
  OptionsPageControl.AddPage(KeepTabSheet, L"Keep",
                             {IDC_KEEPDESCRIPTION, IDC_KEEPLISTLABEL, IDC_KEEPLIST, IDC_KEEPFILE, IDC_KEEPFOLDER,
                              IDC_KEEPREMOVE, IDC_KEEPENTRYLABEL, IDC_KEEPENTRY, IDC_KEEPADD, IDC_KEEPEVERYTHING,
                              IDC_KEEPNOTE});
  OptionsPageControl.AddPage(ScheduleTabSheet, L"Schedule",
                             {IDC_SCHEDULEKINDLABEL, IDC_SCHEDULEKIND, IDC_SCHEDULETIMELABEL, IDC_SCHEDULETIME,
                              IDC_SCHEDULEDAYSLABEL, IDC_SCHEDULEDAY, IDC_SCHEDULEDAY + 1, IDC_SCHEDULEDAY + 2,
                              IDC_SCHEDULEDAY + 3, IDC_SCHEDULEDAY + 4, IDC_SCHEDULEDAY + 5, IDC_SCHEDULEDAY + 6,
                              IDC_SCHEDULEBATTERY, IDC_SCHEDULESTATE, IDC_SCHEDULEPOINTHERE, IDC_SCHEDULELASTRUN,
                              IDC_SCHEDULEOPENLOG, IDC_MANAGEDSCHEDULE});
  OptionsPageControl.SetActivePage(PreferencesTabSheet);

  AttachControl(ScanAtStartupCheckBox, IDC_SCANATSTARTUP);
  AttachControl(RecursiveCheckBox, IDC_RECURSIVE);
  AttachControl(PromptBeforeDeletingFilesCheckBox, IDC_PROMPTBEFOREDELETINGFILES);
  AttachControl(UseRecycleBinWhenDeletingFilesCheckBox, IDC_USERECYCLEBIN);
  AttachControl(ShowStatisticsAfterDeletingFilesCheckBox, IDC_SHOWSTATISTICS);
  AttachControl(LimitSearchDepthCheckBox, IDC_LIMITSEARCHDEPTH);
  AttachControl(MaxSearchDepthEdit, IDC_MAXSEARCHDEPTHEDIT);
  AttachControl(MaxSearchDepthUpDown, IDC_MAXSEARCHDEPTHUPDOWN);
  AttachControl(OnlyOlderThanCheckBox, IDC_ONLYOLDERTHAN);
  AttachControl(OlderThanDaysEdit, IDC_OLDERTHANDAYSEDIT);
  AttachControl(OlderThanDaysUpDown, IDC_OLDERTHANDAYSUPDOWN);
  AttachControl(RestrictSearchCheckBox, IDC_RESTRICTSEARCH);
  AttachControl(ExtensionsCheckListBox, IDC_EXTENSIONS);
  AttachControl(AdvancedDefaultButton, IDC_ADVANCEDDEFAULT);
  AttachControl(UseProxyServerCheckBox, IDC_USEPROXYSERVER);
  AttachControl(ProxyAddressEdit, IDC_PROXYADDRESS);
  AttachControl(ProxyPortEdit, IDC_PROXYPORT);
  AttachControl(UpdateIEButton, IDC_UPDATEIE);
  UpdateIEButton.SetHint(L"Copy the system's proxy settings");
  AttachControl(UpdateDefaultButton, IDC_UPDATEDEFAULT);
  AttachControl(KeepPage.DescriptionLabel, IDC_KEEPDESCRIPTION);
  AttachControl(KeepPage.ListLabel, IDC_KEEPLISTLABEL);
  AttachControl(KeepPage.KeepListBox, IDC_KEEPLIST);
  AttachControl(KeepPage.FileButton, IDC_KEEPFILE);
  AttachControl(KeepPage.FolderButton, IDC_KEEPFOLDER);
  AttachControl(KeepPage.RemoveButton, IDC_KEEPREMOVE);
  AttachControl(KeepPage.EntryLabel, IDC_KEEPENTRYLABEL);
  AttachControl(KeepPage.EntryEdit, IDC_KEEPENTRY);
  AttachControl(KeepPage.AddButton, IDC_KEEPADD);
  AttachControl(KeepPage.EverythingLabel, IDC_KEEPEVERYTHING);
  AttachControl(KeepPage.NoteLabel, IDC_KEEPNOTE);
  KeepPage.Start(Handle());
  AttachControl(SchedulePage.KindLabel, IDC_SCHEDULEKINDLABEL);
  AttachControl(SchedulePage.KindComboBox, IDC_SCHEDULEKIND);
  AttachControl(SchedulePage.TimeLabel, IDC_SCHEDULETIMELABEL);
  AttachControl(SchedulePage.TimePicker, IDC_SCHEDULETIME);
  AttachControl(SchedulePage.DaysLabel, IDC_SCHEDULEDAYSLABEL);
  for (int Day = 0; Day < 7; ++Day) AttachControl(SchedulePage.DayCheckBoxes[Day], IDC_SCHEDULEDAY + Day);
  AttachControl(SchedulePage.BatteryCheckBox, IDC_SCHEDULEBATTERY);
  AttachControl(SchedulePage.StateLabel, IDC_SCHEDULESTATE);
  AttachControl(SchedulePage.PointHereButton, IDC_SCHEDULEPOINTHERE);
  AttachControl(SchedulePage.LastRunLabel, IDC_SCHEDULELASTRUN);
  AttachControl(SchedulePage.OpenLogButton, IDC_SCHEDULEOPENLOG);
  SchedulePage.Start(Handle());
  AttachControl(OKButton, IDOK);
  AttachControl(CancelButton, IDCANCEL);
  // OK closes the dialog itself, once the schedule is set (OKButtonClick).
  OKButton.ModalResult = mrNone;
  CancelButton.ModalResult = mrCancel;

  // The design state: every Preferences box checked, depth 8 of 0..128.
  for (TCheckBox* Box : {&ScanAtStartupCheckBox, &RecursiveCheckBox, &PromptBeforeDeletingFilesCheckBox,
                         &UseRecycleBinWhenDeletingFilesCheckBox, &ShowStatisticsAfterDeletingFilesCheckBox})
    Box->SetChecked(true);
  MaxSearchDepthUpDown.SetRange(MinSearchDepth, MaxSearchDepthLimit);
  MaxSearchDepthUpDown.SetAssociate(MaxSearchDepthEdit.Handle());
  MaxSearchDepthUpDown.SetPosition(DefaultMaxSearchDepth);
  OlderThanDaysUpDown.SetRange(MinOlderThanDays, MaxOlderThanDays);
  OlderThanDaysUpDown.SetAssociate(OlderThanDaysEdit.Handle());
  OlderThanDaysUpDown.SetPosition(DefaultOlderThanDays);
  ProxyPortEdit.SetText(L"80");

  FExtensionsMenu.reset(LoadMenuW(Application().HInstance(), MAKEINTRESOURCEW(IDR_EXTENSIONSPOPUP)));
  if (!FExtensionsMenu) throw EResNotFound(L"Extensions popup menu");
  const HMENU Popup = GetSubMenu(FExtensionsMenu.get(), 0);
  ExtensionsCheckListBox.SetPopupMenu(Popup);
  // The pictures are those of the main window's popup strip, images 3 and 4.
  FMenuImages.Assign(Popup, IDM_CHECKALL, IDB_POPUPIMAGES, 16, 3);
  FMenuImages.Assign(Popup, IDM_UNCHECKALL, IDB_POPUPIMAGES, 16, 4);
  Checkall1 = TMenuItem(Popup, IDM_CHECKALL, Handle());
  Uncheckall1 = TMenuItem(Popup, IDM_UNCHECKALL, Handle());

  LimitSearchDepthCheckBox.OnClick = [this](TObject* Sender) { LimitSearchDepthCheckBoxClick(Sender); };
  OnlyOlderThanCheckBox.OnClick = [this](TObject* Sender) { OnlyOlderThanCheckBoxClick(Sender); };
  RestrictSearchCheckBox.OnClick = [this](TObject* Sender) { RestrictSearchCheckBoxClick(Sender); };
  UseProxyServerCheckBox.OnClick = [this](TObject* Sender) { UseProxyServerCheckBoxClick(Sender); };
  AdvancedDefaultButton.OnClick = [this](TObject* Sender) { AdvancedDefaultButtonClick(Sender); };
  UpdateDefaultButton.OnClick = [this](TObject* Sender) { UpdateDefaultButtonClick(Sender); };
  UpdateIEButton.OnClick = [this](TObject* Sender) { UpdateIEButtonClick(Sender); };
  OKButton.OnClick = [this](TObject* Sender) { OKButtonClick(Sender); };
  BindCommand(IDM_CHECKALL, [this] { Checkall1Click(this); });
  BindCommand(IDM_UNCHECKALL, [this] { Uncheckall1Click(this); });
}

// ---- The record --------------------------------------------------------------------

void TForm2::ShowOptionValues(const TOptions& Options) {
  ScanAtStartupCheckBox.SetChecked(Options.ScanAtStartup);
  RecursiveCheckBox.SetChecked(Options.Recursive);
  PromptBeforeDeletingFilesCheckBox.SetChecked(Options.PromptBeforeDeletingFiles);
  UseRecycleBinWhenDeletingFilesCheckBox.SetChecked(Options.UseRecycleBinWhenDeletingFiles);
  ShowStatisticsAfterDeletingFilesCheckBox.SetChecked(Options.ShowStatisticsAfterDeletingFiles);
  LimitSearchDepthCheckBox.SetChecked(Options.LimitSearchDepth);
  MaxSearchDepthUpDown.SetPosition(Options.MaxSearchDepth);
  OnlyOlderThanCheckBox.SetChecked(Options.OnlyOlderThan);
  OlderThanDaysUpDown.SetPosition(Options.OlderThanDays);
  RestrictSearchCheckBox.SetChecked(Options.RestrictSearch);
  std::vector<std::wstring> Patterns;
  for (const TExtensionMark& Extension : Options.Extensions) Patterns.push_back(Extension.Pattern);
  ExtensionsCheckListBox.SetItems(Patterns);
  for (size_t i = 0; i < Options.Extensions.size(); ++i)
    ExtensionsCheckListBox.SetChecked(static_cast<int>(i), Options.Extensions[i].Checked);
  UseProxyServerCheckBox.SetChecked(Options.UseProxyServer);
  ProxyAddressEdit.SetText(Options.ProxyAddress);
  ProxyPortEdit.SetText(Options.ProxyPort);
  KeepPage.SetEntries(Options.KeepList);
  // The enabling rules run on a change of state only: a state already held
  // from the last showing is brought in line here.
  LimitSearchDepthCheckBoxClick(this);
  OnlyOlderThanCheckBoxClick(this);
  RestrictSearchCheckBoxClick(this);
  UseProxyServerCheckBoxClick(this);
}

void TForm2::ReadOptionValues(TOptions& Options) const {
  Options.ScanAtStartup = ScanAtStartupCheckBox.Checked();
  Options.Recursive = RecursiveCheckBox.Checked();
  Options.PromptBeforeDeletingFiles = PromptBeforeDeletingFilesCheckBox.Checked();
  Options.UseRecycleBinWhenDeletingFiles = UseRecycleBinWhenDeletingFilesCheckBox.Checked();
  Options.ShowStatisticsAfterDeletingFiles = ShowStatisticsAfterDeletingFilesCheckBox.Checked();
  Options.LimitSearchDepth = LimitSearchDepthCheckBox.Checked();
  Options.MaxSearchDepth = MaxSearchDepthUpDown.Position();
  Options.OnlyOlderThan = OnlyOlderThanCheckBox.Checked();
  Options.OlderThanDays = OlderThanDaysUpDown.Position();
  Options.RestrictSearch = RestrictSearchCheckBox.Checked();
  Options.Extensions.clear();
  // Greyed is not checked: the search takes only what is checked.
  for (int i = 0; i < ExtensionsCheckListBox.Count(); ++i)
    Options.Extensions.push_back(
        {ExtensionsCheckListBox.Item(i), ExtensionsCheckListBox.State(i) == TCheckBoxState::cbChecked});
  Options.UseProxyServer = UseProxyServerCheckBox.Checked();
  Options.ProxyAddress = ProxyAddressEdit.Text();
  Options.ProxyPort = ProxyPortEdit.Text();
  Options.KeepList = KeepPage.Entries();
}

// ---- Enabling rules and buttons ------------------------------------------------------

void TForm2::LimitSearchDepthCheckBoxClick(TObject*) {
  SetUpDownEnabled(MaxSearchDepthUpDown, LimitSearchDepthCheckBox.Checked() && !Locked(L"MaxSearchDepth"));
}

void TForm2::OnlyOlderThanCheckBoxClick(TObject*) {
  SetUpDownEnabled(OlderThanDaysUpDown, OnlyOlderThanCheckBox.Checked() && !Locked(L"OlderThanDays"));
}

void TForm2::RestrictSearchCheckBoxClick(TObject*) {
  ExtensionsCheckListBox.SetEnabled(RestrictSearchCheckBox.Checked() && !FLocks.Extensions);
}

void TForm2::UseProxyServerCheckBoxClick(TObject*) {
  ProxyAddressEdit.SetEnabled(UseProxyServerCheckBox.Checked() && !Locked(L"ProxyAddress"));
  ProxyPortEdit.SetEnabled(UseProxyServerCheckBox.Checked() && !Locked(L"ProxyPort"));
}

void TForm2::AdvancedDefaultButtonClick(TObject*) { MaxSearchDepthUpDown.SetPosition(DefaultMaxSearchDepth); }

void TForm2::UpdateDefaultButtonClick(TObject*) {
  UseProxyServerCheckBox.SetChecked(false);
  ProxyAddressEdit.SetText(L"");
  ProxyAddressEdit.SetEnabled(false);
  ProxyPortEdit.SetText(L"80");
  ProxyPortEdit.SetEnabled(false);
}

void TForm2::UpdateIEButtonClick(TObject*) {
  const TProxyDefaults Proxy = TProxyDefaults::FromSystem();
  UseProxyServerCheckBox.SetChecked(Proxy.InUse);
  ProxyAddressEdit.SetText(Proxy.Address);
  ProxyPortEdit.SetText(std::to_wstring(Proxy.Port));
}

namespace {

// The up-down ignores a typed number outside its range and keeps its old
// position, so the edit could show 999 while 8 is stored and searched with.
// A typed number counts, brought to the nearer end of the range.
void KeepTypedNumber(TEdit& Edit, TUpDown& UpDown, int Min, int Max) {
  int64_t Number = UpDown.Position();
  const std::wstring Text = Edit.Text();
  const bool Digits =
      !Text.empty() && std::all_of(Text.begin(), Text.end(), [](wchar_t C) { return C >= L'0' && C <= L'9'; });
  // More digits than any integer holds is beyond the range all the same.
  if (Digits && !TryStrToInt64(Text, Number)) Number = Max;
  UpDown.SetPosition(static_cast<int>(std::clamp<int64_t>(Number, Min, Max)));
}

}  // namespace

void TForm2::OKButtonClick(TObject*) {
  KeepTypedNumber(MaxSearchDepthEdit, MaxSearchDepthUpDown, MinSearchDepth, MaxSearchDepthLimit);
  KeepTypedNumber(OlderThanDaysEdit, OlderThanDaysUpDown, MinOlderThanDays, MaxOlderThanDays);
  if (!SchedulePage.Apply()) {
    OptionsPageControl.SetActivePage(ScheduleTabSheet);
    SchedulePage.KindComboBox.SetFocus();
    return;
  }
  SetModalResult(mrOk);
}

void TForm2::Checkall1Click(TObject*) {
  if (FLocks.Extensions) return;
  SetCheckListBoxState(ExtensionsCheckListBox, TCheckBoxState::cbChecked, -1);
}

void TForm2::Uncheckall1Click(TObject*) {
  if (FLocks.Extensions) return;
  SetCheckListBoxState(ExtensionsCheckListBox, TCheckBoxState::cbUnchecked, -1);
}

// ---- Messages -------------------------------------------------------------------------

bool TForm2::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Without this the check boxes and labels show bands of the dialog's colour on the page.
      return OptionsPageControl.HandleCtlColor(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam), Result);
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
      OptionsPageControl.PageColorChanged();
      return TForm::HandleMessage(Msg, WParam, LParam, Result);
    default:
      return TForm::HandleMessage(Msg, WParam, LParam, Result);
  }
}
