#include "options/QuenloUnit2.h"

#include "app/QuenloUnit1.h"
#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/SystemFont.h"
#include "framework/Text.h"
#include "options/QuenloUnit2Res.h"
#include "options/VKRInternetUnit.h"
#include "search/FileAge.h"
#include "resources/MainRes.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int DefaultMaxSearchDepth = 8;
constexpr int MinSearchDepth = 0;
constexpr int MaxSearchDepth = 128;

const wchar_t* const DesignExtensions[] = {L"*.tmp", L"*.log", L"*.old", L"*.bak"};

// A stored option is read for the kind its control needs. A value of another
// kind (binary data, a list of texts, text that is no number or Boolean) or
// one the registry refuses to give counts as missing: the option takes its
// default and the next OK stores it cleanly.
Variant ReadStored(TVKRRegistryEnhanced& Store, const std::wstring& Path) {
  try {
    return Store.GetValue(Path);
  } catch (const Exception&) {
    return Variant();
  }
}

bool ReadBoolean(TVKRRegistryEnhanced& Store, const std::wstring& Path, bool Default) {
  const Variant Stored = ReadStored(Store, Path);
  if (Stored.IsOrdinal()) return Stored.ToInteger() != 0;
  if (Stored.IsText()) {
    try {
      return Stored.ToBoolean();
    } catch (const EConvertError&) {
    }
  }
  return Default;
}

int ReadInteger(TVKRRegistryEnhanced& Store, const std::wstring& Path, int Default) {
  const Variant Stored = ReadStored(Store, Path);
  if (Stored.IsOrdinal() || Stored.IsText()) {
    try {
      return Stored.ToInteger();
    } catch (const EConvertError&) {
    }
  }
  return Default;
}

std::wstring ReadText(TVKRRegistryEnhanced& Store, const std::wstring& Path, const std::wstring& Default) {
  const Variant Stored = ReadStored(Store, Path);
  if (Stored.IsText() || Stored.IsOrdinal()) return Stored.ToString();
  return Default;
}

}  // namespace

TForm2::TForm2(TForm1& Form1) : TForm(L"TForm2", TCloseAction::caHide), FForm1(Form1) {
  // The scan at start-up runs inside this constructor and reads the options from here.
  FForm1.Form2 = this;
  CreateDialogHandle(IDD_OPTIONS, Form1.Handle());
  AttachControls();
  SetPosition(TPosition::poScreenCenter);
  FormCreate(this);
}

void TForm2::AttachControls() {
  AttachControl(OptionsPageControl, IDC_OPTIONSPAGECONTROL);
  OptionsPageControl.AddPage(PreferencesTabSheet, L"Preferences",
                             {IDC_SCANATSTARTUP, IDC_RECURSIVE, IDC_PROMPTBEFOREDELETINGFILES, IDC_USERECYCLEBIN,
                              IDC_SHOWSTATISTICS});
  OptionsPageControl.AddPage(AdvancedTabSheet, L"Advanced",
                             {IDC_LIMITSEARCHDEPTH, IDC_MAXSEARCHDEPTHLABEL, IDC_MAXSEARCHDEPTHEDIT,
                              IDC_MAXSEARCHDEPTHUPDOWN, IDC_ONLYOLDERTHAN, IDC_OLDERTHANDAYSEDIT,
                              IDC_OLDERTHANDAYSUPDOWN, IDC_OLDERTHANDAYSLABEL, IDC_RESTRICTSEARCH, IDC_EXTENSIONSLABEL, IDC_EXTENSIONS,
                              IDC_ADVANCEDDEFAULT});
  OptionsPageControl.AddPage(UpdateTabSheet, L"Update",
                             {IDC_USEPROXYSERVER, IDC_PROXYADDRESSLABEL, IDC_PROXYADDRESS, IDC_PROXYPORTLABEL,
                              IDC_PROXYPORT, IDC_UPDATEIE, IDC_UPDATEDEFAULT});
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
  AttachControl(OKButton, IDOK);
  AttachControl(CancelButton, IDCANCEL);
  OKButton.ModalResult = mrOk;
  CancelButton.ModalResult = mrCancel;

  // The design state: every Preferences box checked, depth 8 of 0..128.
  for (TCheckBox* Box : {&ScanAtStartupCheckBox, &RecursiveCheckBox, &PromptBeforeDeletingFilesCheckBox,
                         &UseRecycleBinWhenDeletingFilesCheckBox, &ShowStatisticsAfterDeletingFilesCheckBox})
    Box->SetChecked(true);
  MaxSearchDepthUpDown.SetRange(MinSearchDepth, MaxSearchDepth);
  MaxSearchDepthUpDown.SetAssociate(MaxSearchDepthEdit.Handle());
  MaxSearchDepthUpDown.SetPosition(DefaultMaxSearchDepth);
  OlderThanDaysUpDown.SetRange(MinOlderThanDays, MaxOlderThanDays);
  OlderThanDaysUpDown.SetAssociate(OlderThanDaysEdit.Handle());
  OlderThanDaysUpDown.SetPosition(DefaultOlderThanDays);
  ProxyPortEdit.SetText(L"80");
  SetDesignExtensions();

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

void TForm2::SetDesignExtensions() {
  ExtensionsCheckListBox.SetItems(std::vector<std::wstring>(std::begin(DesignExtensions), std::end(DesignExtensions)));
}

void TForm2::FormCreate(TObject*) {
  LoadOptionsFromRegistry();
  ActivateOptions();
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);
  // An unattended run scans once, itself.
  if (ScanAtStartupCheckBox.Checked() && !FForm1.Unattended()) FForm1.ScanToolButton.Click();
}

// ---- Persistence --------------------------------------------------------------------

void TForm2::LoadOptionsFromRegistry() {
  TVKRRegistryEnhanced& Store = FForm1.VKRRegistryEnhanced1;
  ScanAtStartupCheckBox.SetChecked(ReadBoolean(Store, L"Options\\ScanAtStartup", true));
  RecursiveCheckBox.SetChecked(ReadBoolean(Store, L"Options\\Recursive", true));
  PromptBeforeDeletingFilesCheckBox.SetChecked(ReadBoolean(Store, L"Options\\PromptBeforeDeletingFiles", true));
  UseRecycleBinWhenDeletingFilesCheckBox.SetChecked(
      ReadBoolean(Store, L"Options\\UseRecycleBinWhenDeletingFiles", true));
  ShowStatisticsAfterDeletingFilesCheckBox.SetChecked(
      ReadBoolean(Store, L"Options\\ShowStatisticsAfterDeletingFiles", true));
  LimitSearchDepthCheckBox.SetChecked(ReadBoolean(Store, L"Options\\LimitSearchDepth", false));
  // A depth outside the range the control offers is brought to its nearer end.
  MaxSearchDepthUpDown.SetPosition(
      std::clamp(ReadInteger(Store, L"Options\\MaxSearchDepth", DefaultMaxSearchDepth), MinSearchDepth, MaxSearchDepth));
  OnlyOlderThanCheckBox.SetChecked(ReadBoolean(Store, L"Options\\OnlyOlderThan", false));
  OlderThanDaysUpDown.SetPosition(std::clamp(ReadInteger(Store, L"Options\\OlderThanDays", DefaultOlderThanDays),
                                             MinOlderThanDays, MaxOlderThanDays));
  RestrictSearchCheckBox.SetChecked(ReadBoolean(Store, L"Options\\RestrictSearch", false));
  try {
    Store.FinishReplacedValues(L"Extensions");
  } catch (const Exception&) {
    // The journal stays for the next load to finish; what the key holds now is read.
  }
  try {
    // Without stored marks the design list is all checked, as on a first
    // start; but where the restriction itself is stored on, the marks were
    // lost, and checking every pattern would widen what Delete removes.
    const bool MarksLost = !Store.KeyExists(L"Extensions") && RestrictSearchCheckBox.Checked();
    Store.GetCheckListBox(L"Extensions", ExtensionsCheckListBox, !MarksLost);
    if (MarksLost) SetCheckListBoxState(ExtensionsCheckListBox, TCheckBoxState::cbUnchecked, -1);
  } catch (const Exception&) {
    // A mark that is not stored as a number: that pattern alone stays
    // unchecked. Resetting the whole list would check again the patterns the
    // user had unchecked, and Delete would act on them.
    std::vector<std::wstring> Names;
    Store.GetValueNames(L"Extensions", Names);
    ExtensionsCheckListBox.SetItems(Names);
    for (int i = 0; i < ExtensionsCheckListBox.Count(); ++i) {
      const Variant Mark = ReadStored(Store, L"Extensions\\" + Names[static_cast<size_t>(i)]);
      ExtensionsCheckListBox.SetChecked(i, Mark.IsOrdinal() && Mark.ToInteger() != 0);
    }
  }
  LoadManagedExtensions();

  bool InUse = false;
  std::wstring Address;
  int Port = 80;
  GetSystemProxy(L"http", InUse, Address, Port);
  UseProxyServerCheckBox.SetChecked(ReadBoolean(Store, L"Options\\UseProxyServer", InUse));
  ProxyAddressEdit.SetText(ReadText(Store, L"Options\\ProxyAddress", Address));
  ProxyPortEdit.SetText(ReadText(Store, L"Options\\ProxyPort", std::to_wstring(Port)));
}

void TForm2::SaveOptionsToRegistry() {
  TVKRRegistryEnhanced& Store = FForm1.VKRRegistryEnhanced1;
  Store.SetValue(L"Options\\ScanAtStartup", Variant(ScanAtStartupCheckBox.Checked()));
  Store.SetValue(L"Options\\Recursive", Variant(RecursiveCheckBox.Checked()));
  Store.SetValue(L"Options\\PromptBeforeDeletingFiles", Variant(PromptBeforeDeletingFilesCheckBox.Checked()));
  Store.SetValue(L"Options\\UseRecycleBinWhenDeletingFiles",
                 Variant(UseRecycleBinWhenDeletingFilesCheckBox.Checked()));
  Store.SetValue(L"Options\\ShowStatisticsAfterDeletingFiles",
                 Variant(ShowStatisticsAfterDeletingFilesCheckBox.Checked()));
  Store.SetValue(L"Options\\LimitSearchDepth", Variant(LimitSearchDepthCheckBox.Checked()));
  Store.SetValue(L"Options\\MaxSearchDepth", Variant(int32_t{MaxSearchDepthUpDown.Position()}));
  Store.SetValue(L"Options\\OnlyOlderThan", Variant(OnlyOlderThanCheckBox.Checked()));
  Store.SetValue(L"Options\\OlderThanDays", Variant(int32_t{OlderThanDaysUpDown.Position()}));
  Store.SetValue(L"Options\\RestrictSearch", Variant(RestrictSearchCheckBox.Checked()));
  {
    // Items of equal text share one value: the last mark wins.
    std::vector<TStoredValue> Marks;
    for (int i = 0; i < ExtensionsCheckListBox.Count(); ++i) {
      const std::wstring Item = ExtensionsCheckListBox.Item(i);
      // A pattern without text finds nothing, and its name is the key's default value.
      if (Item.empty()) continue;
      std::erase_if(Marks, [&Item](const TStoredValue& Mark) { return SameTextAZ(Mark.Name, Item); });
      Marks.push_back(TStoredValue::Boolean(Item, ExtensionsCheckListBox.Checked(i)));
    }
    // The administrator's patterns are never saved over the user's own.
    if (!FForm1.Policies().IsSet(L"Extensions")) Store.ReplaceValues(L"Extensions", Marks);
  }
  Store.SetValue(L"Options\\UseProxyServer", Variant(UseProxyServerCheckBox.Checked()));
  Store.SetValue(L"Options\\ProxyAddress", Variant(ProxyAddressEdit.Text()));
  Store.SetValue(L"Options\\ProxyPort", Variant(ProxyPortEdit.Text()));
}

void TForm2::ActivateOptions() {
  TVKRFileFind& Search = FForm1.VKRFileFind1;
  Search.SetRecursive(RecursiveCheckBox.Checked());
  if (RestrictSearchCheckBox.Checked()) {
    // The search drops the empty piece in front: the checked patterns remain, in list order.
    Search.SetFilePattern(L"");
    for (int i = 0; i < ExtensionsCheckListBox.Count(); ++i)
      if (ExtensionsCheckListBox.State(i) == TCheckBoxState::cbChecked)
        Search.SetFilePattern(Search.FilePattern() + L";" + ExtensionsCheckListBox.Item(i));
  } else {
    Search.SetFilePattern(L"*.*");
  }
  if (UseProxyServerCheckBox.Checked()) {
    FForm1.VKRAppUpdate1.SetProxyAddress(ProxyAddressEdit.Text());
    FForm1.VKRAppUpdate1.SetProxyPort(ProxyPortEdit.Text());
  } else {
    FForm1.VKRAppUpdate1.SetProxyAddress(L"");
    FForm1.VKRAppUpdate1.SetProxyPort(L"80");
  }
}

// ---- Enabling rules and buttons ------------------------------------------------------

void TForm2::LimitSearchDepthCheckBoxClick(TObject*) {
  SetUpDownEnabled(MaxSearchDepthUpDown, LimitSearchDepthCheckBox.Checked());
}

void TForm2::OnlyOlderThanCheckBoxClick(TObject*) {
  SetUpDownEnabled(OlderThanDaysUpDown, OnlyOlderThanCheckBox.Checked());
}

void TForm2::RestrictSearchCheckBoxClick(TObject*) {
  ExtensionsCheckListBox.SetEnabled(RestrictSearchCheckBox.Checked() && !FForm1.Policies().IsSet(L"Extensions"));
}

void TForm2::UseProxyServerCheckBoxClick(TObject*) {
  ProxyAddressEdit.SetEnabled(UseProxyServerCheckBox.Checked());
  ProxyPortEdit.SetEnabled(UseProxyServerCheckBox.Checked());
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
  bool InUse = false;
  std::wstring Address;
  int Port = 80;
  GetSystemProxy(L"http", InUse, Address, Port);
  UseProxyServerCheckBox.SetChecked(InUse);
  ProxyAddressEdit.SetText(Address);
  ProxyPortEdit.SetText(std::to_wstring(Port));
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
  KeepTypedNumber(MaxSearchDepthEdit, MaxSearchDepthUpDown, MinSearchDepth, MaxSearchDepth);
  KeepTypedNumber(OlderThanDaysEdit, OlderThanDaysUpDown, MinOlderThanDays, MaxOlderThanDays);
}

void TForm2::Checkall1Click(TObject*) {
  if (FForm1.Policies().IsSet(L"Extensions")) return;
  SetCheckListBoxState(ExtensionsCheckListBox, TCheckBoxState::cbChecked, -1);
}

void TForm2::Uncheckall1Click(TObject*) {
  if (FForm1.Policies().IsSet(L"Extensions")) return;
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
