// "Keep" from View Files: the main window's side.

#include "app/QuenloUnit1.h"

#include "framework/Dialogs.h"
#include "framework/Exception.h"
#include "store/ItemList.h"

#include <algorithm>

bool TForm1::AddToKeepList(const std::vector<std::wstring>& Paths) {
  // The stored list was not read: saving would put these few in place of all of it.
  if (!FOptions.KeepListUnreadable.empty()) {
    SayListUnreadable(KeepListUnreadableText, FOptions.KeepListUnreadable);
    return false;
  }
  std::vector<std::wstring> Entries = FOptions.KeepList;
  for (const std::wstring& Path : Paths)
    if (std::find(Entries.begin(), Entries.end(), Path) == Entries.end()) Entries.push_back(Path);
  try {
    SaveItemList(VKRRegistryEnhanced1, KeepListKey, Entries);
  } catch (const Exception& Error) {
    if (!FUnattended)
      MessageDlg(L"The keep list could not be saved.\n\n" + Error.Message(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    return false;
  }
  FOptions.KeepList = std::move(Entries);
  return true;
}
