#pragma once
// The main window and its dialogs on a private registry key, listing folders
// of a private temp folder: what the tests of Scan, Delete and the folder
// list commands start from.

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "options/QuenloUnit2.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using TTexts = std::vector<std::wstring>;

// The main window and its dialogs on a private key, listing folders of the test.
struct TMainWindowFixture {
  TRegistryFixture Registry;
  TTempDir Temp;
  std::unique_ptr<TForm1> Form1;
  TForm2* Form2 = nullptr;  // the main window's options dialog
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
    Options.PolicyRoots = PrivatePolicyRoots(Registry);
    Options.SingleInstance = false;
    Form1 = std::make_unique<TForm1>(Options);
    Form1->StartupScan();
    Form2 = &Form1->OptionsDialog();
    Form3 = std::make_unique<TForm3>(Form1->Handle());
    Form1->Form3 = Form3.get();
  }

  void Scan() { Form1->ScanToolButtonClick(Form1.get()); }
  void Delete() { Form1->DeleteToolButtonClick(Form1.get()); }

  // Puts in force the options in force changed by Change, as an OK of the dialog does (without storing them).
  void ChangeOptions(const std::function<void(TOptions&)>& Change) {
    TOptions Changed = Form1->Options();
    Change(Changed);
    Form1->SetOptions(Changed);
  }

  // The options Delete reads.
  void DeleteOptions(bool Prompt, bool RecycleBin, bool Statistics) {
    ChangeOptions([&](TOptions& Options) {
      Options.PromptBeforeDeletingFiles = Prompt;
      Options.UseRecycleBinWhenDeletingFiles = RecycleBin;
      Options.ShowStatisticsAfterDeletingFiles = Statistics;
    });
  }

  TTexts Row(int Index) {
    const TListItem Item = Form1->VKRListView1.Item(Index);
    return {Item.SubItem(0), Item.SubItem(1), Item.SubItem(2)};
  }

  // Only the checked extensions, with the restriction on.
  void RestrictTo(const std::vector<std::wstring>& Checked) {
    ChangeOptions([&](TOptions& Options) {
      Options.RestrictSearch = true;
      for (TExtensionMark& Extension : Options.Extensions)
        Extension.Checked = std::find(Checked.begin(), Checked.end(), Extension.Pattern) != Checked.end();
    });
  }
};


using TScanFixture = TMainWindowFixture;
