#pragma once
// The main window and its dialogs on a private registry key, listing folders
// of a private temp folder: what the tests of Scan, Delete and the folder
// list commands start from.

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "options/QuenloUnit2.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using TTexts = std::vector<std::wstring>;

// The main window and its dialogs on a private key, listing folders of the test.
struct TMainWindowFixture {
  TRegistryFixture Registry;
  TTempDir Temp;
  std::unique_ptr<TForm1> Form1;
  std::unique_ptr<TForm2> Form2;
  std::unique_ptr<TForm3> Form3;

  // Lists the folders (made under Temp when missing) and starts the program's windows.
  void Start(const std::vector<std::wstring>& Folders, bool ScanAtStartup = false) {
    for (size_t i = 0; i < Folders.size(); ++i) {
      Temp.MakeDir(Folders[i]);
      Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i), Temp / Folders[i]);
    }
    Registry.WriteDword(L"Options", L"ScanAtStartup", ScanAtStartup ? 1 : 0);
    TForm1Options Options;
    Options.RegistryKey = Registry.KeyPath();
    Options.SingleInstance = false;
    Form1 = std::make_unique<TForm1>(Options);
    Form2 = std::make_unique<TForm2>(*Form1);
    Form3 = std::make_unique<TForm3>(Form1->Handle());
    Form1->Form3 = Form3.get();
  }

  void Scan() { Form1->ScanToolButtonClick(Form1.get()); }
  void Delete() { Form1->DeleteToolButtonClick(Form1.get()); }

  // The options Delete reads.
  void DeleteOptions(bool Prompt, bool RecycleBin, bool Statistics) {
    Form2->PromptBeforeDeletingFilesCheckBox.SetChecked(Prompt);
    Form2->UseRecycleBinWhenDeletingFilesCheckBox.SetChecked(RecycleBin);
    Form2->ShowStatisticsAfterDeletingFilesCheckBox.SetChecked(Statistics);
  }

  TTexts Row(int Index) {
    const TListItem Item = Form1->VKRListView1.Item(Index);
    return {Item.SubItem(0), Item.SubItem(1), Item.SubItem(2)};
  }

  // Only the checked extensions, with the restriction on.
  void RestrictTo(const std::vector<std::wstring>& Checked) {
    Form2->RestrictSearchCheckBox.SetChecked(true);
    for (int i = 0; i < Form2->ExtensionsCheckListBox.Count(); ++i) {
      const std::wstring Item = Form2->ExtensionsCheckListBox.Item(i);
      Form2->ExtensionsCheckListBox.SetChecked(i, std::find(Checked.begin(), Checked.end(), Item) != Checked.end());
    }
    Form2->ActivateOptions();
  }
};


using TScanFixture = TMainWindowFixture;
