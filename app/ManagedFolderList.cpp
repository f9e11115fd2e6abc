// The folder list an administrator sets by policy: it replaces the stored
// list, no command here changes it, and it is never saved over the user's.

#include "app/QuenloUnit1.h"
#include "framework/Dialogs.h"

void TForm1::LockManagedFolderList() {
  EnableCommand(AddFolderToolButton, AddFolder1, false);
  EnableCommand(RemoveFolderToolButton, RemoveFolder1, false);
  RemoveFolder2.SetEnabled(false);
  EnableCommand(FindFoldersToolButton, FindFolders1, false);
  // A greyed button still shows its hint: it says why.
  AddFolderToolButton.SetHint(L"Add Folder - the folder list is set by your administrator");
  RemoveFolderToolButton.SetHint(L"Remove Folder - the folder list is set by your administrator");
  FindFoldersToolButton.SetHint(L"Find Folders - the folder list is set by your administrator");
}

void TForm1::SayFolderListManaged() {
  if (FUnattended) return;
  MessageDlg(FolderListManagedText, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
}
