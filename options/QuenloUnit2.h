#pragma once
// The options dialog. Its controls are the live option values: the scan and
// delete commands read them whenever they run.

#include "framework/CheckListBox.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/MenuImages.h"
#include "framework/PageControl.h"
#include "framework/UpDown.h"

#include <string>

class TForm1;

class TForm2 : public TForm {
public:
  // Loads and applies the options; starts the scan when "Scan at startup" is on.
  explicit TForm2(TForm1& Form1);

  TPageControl OptionsPageControl;
  TTabSheet PreferencesTabSheet;
  TTabSheet AdvancedTabSheet;
  TTabSheet UpdateTabSheet;

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

  TButton OKButton;
  TButton CancelButton;

  // The extension list's popup menu.
  TMenuItem Checkall1;
  TMenuItem Uncheckall1;

  void LoadOptionsFromRegistry();
  void SaveOptionsToRegistry();
  void ActivateOptions();
  // The patterns and marks an administrator sets replace the stored ones and
  // cannot be changed here.
  void LoadManagedExtensions();
  void FormCreate(TObject* Sender);

  void LimitSearchDepthCheckBoxClick(TObject* Sender);
  void OnlyOlderThanCheckBoxClick(TObject* Sender);
  void RestrictSearchCheckBoxClick(TObject* Sender);
  void UseProxyServerCheckBoxClick(TObject* Sender);
  void AdvancedDefaultButtonClick(TObject* Sender);
  void UpdateDefaultButtonClick(TObject* Sender);
  void UpdateIEButtonClick(TObject* Sender);
  void Checkall1Click(TObject* Sender);
  void Uncheckall1Click(TObject* Sender);
  // Brings the depth and days edits in line with the numbers that are kept before the dialog closes.
  void OKButtonClick(TObject* Sender);

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
  void AttachControls();
  // The design-time extension list: what a first start, or a list that
  // cannot be read, shows.
  void SetDesignExtensions();

  TForm1& FForm1;
  UniqueMenu FExtensionsMenu;
  TMenuImages FMenuImages;
};
