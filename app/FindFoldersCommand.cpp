// Find Folders in the main window: the catalogue's folders on this PC that
// the list does not hold yet, measured as Scan measures, to choose from.

#include "app/FindFoldersForm.h"
#include "app/QuenloUnit1.h"
#include "framework/FolderHandle.h"

#include <algorithm>

std::vector<TFoundLocation> TForm1::FindUnlistedFolders() {
  const TBaseFolders Bases = FFindFoldersBases.value_or(TBaseFolders{});
  const std::optional<TProtectedFolders> Own =
      FFindFoldersBases ? std::optional<TProtectedFolders>(TProtectedFolders::System(Bases.KnownFolder))
                        : std::nullopt;
  std::vector<TFoundLocation> Found =
      FindDisposableFolders(DisposableCatalogue(), LocationSystemOf(Bases), Own ? *Own : ProtectedFolders());
  // A listed folder is known by what it is: another spelling of it is no new folder.
  std::vector<TFileIdentity> Listed;
  const int Rows = VKRListView1.Count();
  for (int i = 0; i < Rows; ++i) {
    const UniqueFile Folder = OpenToInspect(VKRListView1.Item(i).Caption());
    TFileIdentity Identity;
    if (Folder && IdentityOf(Folder.get(), Identity)) Listed.push_back(Identity);
  }
  std::erase_if(Found, [this, &Listed](const TFoundLocation& Location) {
    if (FindFolderListItem(VKRListView1, Location.Path)) return true;
    const UniqueFile Folder = OpenToInspect(Location.Path);
    TFileIdentity Identity;
    return Folder && IdentityOf(Folder.get(), Identity) &&
           std::find(Listed.begin(), Listed.end(), Identity) != Listed.end();
  });
  return Found;
}

TFindFoldersForm& TForm1::FindFoldersWindow() {
  if (!FFindFoldersForm) FFindFoldersForm = std::make_unique<TFindFoldersForm>(Handle());
  return *FFindFoldersForm;
}

void TForm1::FindFolders1Click(TObject*) {
  if (FolderListManaged()) {
    SayFolderListManaged();
    return;
  }
  const std::vector<TFoundLocation> Found = FindUnlistedFolders();
  // Measured with what a Scan started now would use.
  StartAgeLimit();
  TFindRules Rules;
  Rules.Options = FOptions;
  Rules.AgeLimit = FAgeLimit;
  Rules.Keep = FKeepList;
  AddFoundFolders(FindFoldersWindow().Choose(DisposableCatalogue(), Found, std::move(Rules)));
}

void TForm1::AddFoundFolders(const std::vector<std::wstring>& Folders) {
  if (Folders.empty()) return;
  for (const std::wstring& Folder : Folders) AddFolderToVKRListView(Folder, true);
  // The rows show "?" now: Delete comes back with the next scan.
  WithdrawDelete();
  UpdateStatusBar();
  SaveFolderList();
}
