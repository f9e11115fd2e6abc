// "Keep" in the window that shows what Delete would remove.

#include "app/FilesView.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "search/KeepList.h"

#include <windowsx.h>

#include <algorithm>

namespace {

constexpr UINT KeepCommand = 1;

}  // namespace

std::vector<int> TFilesViewForm::SelectedRows(HWND List) {
  std::vector<int> Rows;
  for (int Row = ListView_GetNextItem(List, -1, LVNI_SELECTED); Row >= 0;
       Row = ListView_GetNextItem(List, Row, LVNI_SELECTED))
    Rows.push_back(Row);
  return Rows;
}

void TFilesViewForm::ShowKeepMenu(HWND List, int X, int Y) {
  if (X == -1 && Y == -1) {
    // From the keyboard: below the focused row, or at the list's corner.
    POINT At{0, 0};
    RECT Row{};
    const int Focused = ListView_GetNextItem(List, -1, LVNI_FOCUSED);
    if (Focused >= 0 && ListView_GetItemRect(List, Focused, &Row, LVIR_LABEL)) At = POINT{Row.left, Row.bottom};
    ClientToScreen(List, &At);
    X = At.x;
    Y = At.y;
  }
  const UniqueMenu Menu(CreatePopupMenu());
  if (!Menu) return;
  const bool Any = ListView_GetSelectedCount(List) > 0;
  AppendMenuW(Menu.get(), MF_STRING | (Any ? MF_ENABLED : MF_GRAYED), KeepCommand, L"&Keep\tCtrl+K");
  const UINT Chosen = static_cast<UINT>(
      TrackPopupMenu(Menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, X, Y, 0, Handle(), nullptr));
  if (Chosen == KeepCommand) KeepSelected();
}

void TFilesViewForm::KeepSelected() {
  std::vector<std::wstring> Paths;
  for (const int Row : SelectedRows(FilesListView.Handle()))
    if (static_cast<size_t>(Row) < FFiles.size()) Paths.push_back(JoinPath(FFolder, FFiles[static_cast<size_t>(Row)].Name));
  for (const int Row : SelectedRows(SubfoldersListView.Handle()))
    if (static_cast<size_t>(Row) < FSubfolders.size()) Paths.push_back(FSubfolders[static_cast<size_t>(Row)]);
  if (Paths.empty() || !OnKeep || !OnKeep(Paths)) return;
  DropKept(Paths);
}

bool TFilesViewForm::KeptHere(const std::wstring& Name) const {
  return FKeptBelow != nullptr && FKeptBelow->KeepsFile(JoinPath(FFolder, Name));
}

void TFilesViewForm::DropKept(const std::vector<std::wstring>& Kept) {
  // Everything kept from this view so far: rows the search still hands over
  // are held against it too.
  FKeptEntries.insert(FKeptEntries.end(), Kept.begin(), Kept.end());
  FKeptBelow.reset();
  FKeptList = std::make_unique<TKeepList>(FKeptEntries);
  FKeptBelow = std::make_unique<TKeptBelow>(FKeptList->Below(FFolder));
  std::erase_if(FFiles, [this](const TViewedFile& File) { return KeptHere(File.Name); });
  ListView_SetItemState(FilesListView.Handle(), -1, 0, LVIS_SELECTED);
  FilesListView.SetRowCount(static_cast<int>(FFiles.size()));
  InvalidateRect(FilesListView.Handle(), nullptr, TRUE);
  if (!FEnded) return;  // the subfolders and the count line come when the search ends
  DropKeptSubfolders();
  ShowSubfolders();
  ShowTotal();
}

void TFilesViewForm::DropKeptSubfolders() {
  if (!FKeptBelow) return;
  for (size_t i = FSubfolders.size(); i-- > 0;)
    if (FKeptBelow->KeepsSubfolder(FSubfolders[i])) {
      FSubfolders.erase(FSubfolders.begin() + static_cast<std::ptrdiff_t>(i));
      if (i < FTreeBytes.size()) FTreeBytes.erase(FTreeBytes.begin() + static_cast<std::ptrdiff_t>(i));
    }
}
