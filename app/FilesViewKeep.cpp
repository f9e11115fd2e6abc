// "Keep" in the window that shows what Delete would remove.

#include "app/FilesView.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "search/KeepList.h"

#include <windowsx.h>

#include <algorithm>

namespace {

constexpr UINT KeepCommand = 1;

// The selected rows of a list, in their order.
std::vector<int> SelectedRows(HWND List) {
  std::vector<int> Rows;
  for (int Row = ListView_GetNextItem(List, -1, LVNI_SELECTED); Row >= 0;
       Row = ListView_GetNextItem(List, Row, LVNI_SELECTED))
    Rows.push_back(Row);
  return Rows;
}

}  // namespace

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
    Paths.push_back(JoinPath(FFolder, SubfoldersListView.ItemText(Row, 0)));
  if (Paths.empty() || !OnKeep || !OnKeep(Paths)) return;
  DropKept(Paths);
}

void TFilesViewForm::DropKept(const std::vector<std::wstring>& Kept) {
  const TKeepList List(Kept);
  const TKeptBelow Below = List.Below(FFolder);
  std::erase_if(FFiles, [&](const TViewedFile& File) { return Below.KeepsFile(JoinPath(FFolder, File.Name)); });
  ListView_SetItemState(FilesListView.Handle(), -1, 0, LVIS_SELECTED);
  FilesListView.SetRowCount(static_cast<int>(FFiles.size()));
  InvalidateRect(FilesListView.Handle(), nullptr, TRUE);
  // Delete takes subfolders only from a folder in which it still finds files.
  std::vector<std::wstring> Subfolders;
  if (!FFiles.empty())
    for (int i = 0; i < SubfoldersListView.Count(); ++i) {
      const std::wstring Name = SubfoldersListView.ItemText(i, 0);
      if (!Below.KeepsSubfolder(JoinPath(FFolder, Name))) Subfolders.push_back(Name);
    }
  SubfoldersListView.Clear();
  for (const std::wstring& Name : Subfolders) SubfoldersListView.Add(Name);
  SubfoldersLabel.SetText(L"Subfolders that Delete removes with their content (" + std::to_wstring(Subfolders.size()) +
                          L"):");
  if (FProtectedReason.empty()) TotalLabel.SetText(ViewedFilesTotal(FFiles));
}
