#pragma once
// "View Files...": what Delete would remove from one listed folder, found by
// the same search with the same options, shown before anything goes. The
// files are a virtual list, so a hundred thousand of them open at once;
// nothing is deleted from here.

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/ListView.h"
#include "framework/VirtualListView.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TViewedFile {
  std::wstring Name;  // relative to the listed folder
  int64_t Size = 0;
  uint64_t LastWrite = 0;  // file time, UTC
};

// The columns of the file list, in their order.
enum TViewedColumn { vcName, vcSize, vcLastWrite };

// Sorts by a column; equal entries keep their order. Names compare without
// regard to letter case.
void SortViewedFiles(std::vector<TViewedFile>& Files, TViewedColumn Column, bool Ascending);
// Path relative to Folder when it lies below it (letter case aside); Path otherwise.
std::wstring RelativeToFolder(const std::wstring& Folder, const std::wstring& Path);
// "N file(s) - N KB".
std::wstring ViewedFilesTotal(const std::vector<TViewedFile>& Files);
// A file time as the user's short date and time, in local time.
std::wstring LocalDateTimeText(uint64_t FileTime);

class TFilesViewForm : public TForm {
public:
  // Owner: the window the view stays in front of.
  explicit TFilesViewForm(HWND Owner);

  TVirtualListView FilesListView;
  TLabel SubfoldersLabel;
  TListView SubfoldersListView;
  TLabel TotalLabel;
  TButton CloseButton;

  // Shows Files and Subfolders (full paths) of Folder modally. A folder that
  // Delete leaves alone comes with the reason, shown in place of the total.
  void ShowFiles(const std::wstring& Folder, std::vector<TViewedFile> Files, const std::vector<std::wstring>& Subfolders,
                 const std::wstring& ProtectedReason = {});

  // The files in the order shown.
  const std::vector<TViewedFile>& Files() const { return FFiles; }

  // "Keep" (the lists' context menu, Ctrl+K): OnKeep gets the full paths of
  // the selected files and subfolders and puts them on the keep list; when
  // it did (true), the view drops at once what they keep.
  std::function<bool(const std::vector<std::wstring>& Paths)> OnKeep;
  void KeepSelected();
  // Sorts by the column, as a click on its header does: the same column
  // again turns the order round.
  void FilesListViewColumnClick(TObject* Sender, int Column);

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  // The lists fill the window again around the controls of the new DPI.
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  void LayoutControls();
  // The lists' context menu at the point (-1, -1: below the selection).
  void ShowKeepMenu(HWND List, int X, int Y);
  // The view without what Kept keeps, as Delete would now find it.
  void DropKept(const std::vector<std::wstring>& Kept);
  std::wstring CellText(int Row, int Column) const;

  std::vector<TViewedFile> FFiles;
  std::wstring FFolder;
  std::wstring FProtectedReason;
  int FSortColumn = -1;  // none: the order of the search
  bool FAscending = true;
  SIZE FMinimumSize{};
};
