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
  AddFoundFolders(FindFoldersWindow().Choose(DisposableCatalogue(), Found, FindRulesNow()));
}

TFindRules TForm1::FindRulesNow() {
  StartAgeLimit();
  TFindRules Rules;
  Rules.Options = FOptions;
  Rules.AgeLimit = FAgeLimit;
  Rules.Keep = FKeepList;
  return Rules;
}

void TForm1::StartFindingMoreFolders() {
  // Once, after the first scan of a first start; never unattended, and not
  // where the administrator sets the list.
  if (!FFirstStart || FUnattended || FolderListManaged()) return;
  FFirstStart = false;
  std::vector<std::wstring> Folders;
  for (const TFoundLocation& Location : FindUnlistedFolders())
    if (Location.Offered()) Folders.push_back(Location.Path);
  FFoundMore = std::make_unique<TFoundMoreFolders>(std::move(Folders), FindRulesNow(), Handle(), WM_FOUNDMOREFOLDERS);
}

void TForm1::ShowFoundMoreFolders() {
  if (!FFoundMore) return;
  const std::wstring Text = FoundMoreText(FFoundMore->Folders(), FFoundMore->Bytes());
  FFoundMore.reset();
  // Said in the status bar beside the totals, never in a box; a command
  // running now has the status bar to itself.
  if (Text.empty() || Busy()) return;
  StatusBar1.SetSimpleText(StatusBar1.SimpleText() + L" - " + Text);
}

void TForm1::AddFoundFolders(const std::vector<std::wstring>& Folders) {
  if (Folders.empty()) return;
  for (const std::wstring& Folder : Folders) AddFolderToVKRListView(Folder, true);
  // The rows show "?" now: Delete comes back with the next scan.
  WithdrawDelete();
  UpdateStatusBar();
  SaveFolderList();
}
