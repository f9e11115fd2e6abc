#pragma once
// The options dialog: it edits a copy of the options record, which the main
// window holds, applies and stores. Nothing reads an option from its controls.

#include "framework/CheckListBox.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/MenuImages.h"
#include "framework/PageControl.h"
#include "framework/UpDown.h"
#include "options/OptionPolicies.h"
#include "options/KeepPage.h"
#include "options/SchedulePage.h"
#include "options/OptionsRecord.h"

#include <string>

class TForm2 : public TForm {
public:
  explicit TForm2(HWND Owner);

  // Shows the dialog modally on the Preferences page with Options (the
  // Schedule page reads the task back first); on OK the controls are read
  // back into Options and true is given. Either way the controls hold Options
  // afterwards.
  bool EditOptions(TOptions& Options);

  TPageControl OptionsPageControl;
  TTabSheet PreferencesTabSheet;
  TTabSheet AdvancedTabSheet;
  TTabSheet UpdateTabSheet;
  TTabSheet KeepTabSheet;
  TTabSheet ScheduleTabSheet;

  TCheckBox ScanAtStartupCheckBox;
  TCheckBox RecursiveCheckBox;
  TCheckBox PromptBeforeDeletingFilesCheckBox;
  TCheckBox UseRecycleBinWhenDeletingFilesCheckBox;
  TCheckBox ShowStatisticsAfterDeletingFilesCheckBox;

  TCheckBox LimitSearchDepthCheckBox;
  TEdit MaxSearchDepthEdit;
  TUpDown MaxSearchDepthUpDown;
  // Only files last written at least this many days before a command starts.
  TCheckBox OnlyOlderThanCheckBox;
  TEdit OlderThanDaysEdit;
  TUpDown OlderThanDaysUpDown;
  TCheckBox RestrictSearchCheckBox;
  TCheckListBox ExtensionsCheckListBox;
  TButton AdvancedDefaultButton;

  TCheckBox UseProxyServerCheckBox;
  TEdit ProxyAddressEdit;
  TEdit ProxyPortEdit;
  TButton UpdateIEButton;
  TButton UpdateDefaultButton;

  TKeepPage KeepPage;
  TSchedulePage SchedulePage;

  TButton OKButton;
  TButton CancelButton;

  // The extension list's popup menu.
  TMenuItem Checkall1;
  TMenuItem Uncheckall1;

  // The options a policy sets: their controls stay greyed, whatever the
  // enabling rules say, and each page holding one says so in a line. Without
  // a policy the lines do not exist (no handle, no text).
  void SetOptionLocks(const TOptionLocks& Locks);
  TLabel ManagedPreferencesLabel;
  TLabel ManagedAdvancedLabel;
  TLabel ManagedUpdateLabel;
  // A policy sets the schedule: the Schedule page stays greyed and says so.
  void SetScheduleLocked(bool Locked);
  TLabel ManagedScheduleLabel;

  // Sets every control from Options; the enabling rules follow.
  void ShowOptionValues(const TOptions& Options);
  // Every option as the controls hold it.
  void ReadOptionValues(TOptions& Options) const;

  void LimitSearchDepthCheckBoxClick(TObject* Sender);
  void OnlyOlderThanCheckBoxClick(TObject* Sender);
  void RestrictSearchCheckBoxClick(TObject* Sender);
  void UseProxyServerCheckBoxClick(TObject* Sender);
  void AdvancedDefaultButtonClick(TObject* Sender);
  void UpdateDefaultButtonClick(TObject* Sender);
  void UpdateIEButtonClick(TObject* Sender);
  void Checkall1Click(TObject* Sender);
  void Uncheckall1Click(TObject* Sender);
  // Brings the depth and days edits in line with the numbers that are kept,
  // and sets a changed schedule, before the dialog closes; a schedule the
  // Task Scheduler refused keeps the dialog open on its page.
  void OKButtonClick(TObject* Sender);

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
  void AttachControls();

  bool Locked(const wchar_t* Name) const { return FLocks.Locked(Name); }
  void ApplyOptionLocks();
  // Makes the page's line at Bounds (dialog units) once it is needed.
  void ShowManagedLine(TLabel& Line, int Id, RECT Bounds);

  TOptionLocks FLocks;
  UniqueMenu FExtensionsMenu;
  TMenuImages FMenuImages;
};
