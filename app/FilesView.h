#pragma once
// "View Files...": what Delete would remove from one listed folder, found by
// the same search with the same options, shown before anything goes. The
// window opens at once and fills as the search finds (FilesSearch.h): the
// files are a virtual list, so a million of them cost no time to insert.
// Nothing is deleted from here.

#include "app/FilesSearch.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/ListView.h"
#include "framework/VirtualListView.h"
#include "search/KeepList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The columns of the file list, in their order.
enum TViewedColumn { vcName, vcSize, vcLastWrite };

// Sorts by a column; equal entries keep their order. Names compare without
// regard to letter case.
void SortViewedFiles(std::vector<TViewedFile>& Files, TViewedColumn Column, bool Ascending);
// "N file(s) - N KB": the files a view shows and the bytes Delete would
// free, counted as Delete's question counts them (DeleteSummary.h).
std::wstring ViewedFilesTotal(int64_t Files, int64_t Bytes);
// "Searching... 41,200 files, 3.1 GB so far".
std::wstring SearchProgressText(int64_t Files, int64_t Bytes);
// A file time as the user's short date and time, in local time.
std::wstring LocalDateTimeText(uint64_t FileTime);

class TFilesViewForm : public TForm {
public:
  // Owner: the window the view stays in front of.
  explicit TFilesViewForm(HWND Owner);
  ~TFilesViewForm() override;

  TVirtualListView FilesListView;
  TLabel SubfoldersLabel;
  TListView SubfoldersListView;
  TLabel TotalLabel;     // the count line, once the search has ended
  TLabel ProgressLabel;  // while it searches: how far it is
  TLabel FolderLabel;    // ... and the folder it is in
  TButton StopButton;    // Cancel: stops the search, keeps what is shown
  TButton CloseButton;

  // Opens the view modally at once and searches as Request says, the rows
  // coming in while it runs. A folder that Delete leaves alone comes with
  // the reason, shown in place of the total; it is not searched.
  void ShowSearch(const TFilesSearchRequest& Request, const std::wstring& ProtectedReason = {});

  // True while the search runs.
  bool Searching() const { return FSearch != nullptr && !FEnded; }
  // The search was stopped before its end (Cancel, Esc): the list says it is incomplete.
  bool Incomplete() const { return FEnded && !FComplete; }
  // Cancel and Esc while the search runs: it stops, what is shown stays.
  void StopSearch();

  // The files in the order shown.
  const std::vector<TViewedFile>& Files() const { return FFiles; }

  // "Keep" (the lists' context menu, Ctrl+K): OnKeep gets the full paths of
  // the selected files and subfolders and puts them on the keep list; when
  // it did (true), the view drops at once what they keep, and rows the
  // search finds afterwards that they keep never show.
  std::function<bool(const std::vector<std::wstring>& Paths)> OnKeep;
  void KeepSelected();
  // Sorts by the column, as a click on its header does: the same column
  // again turns the order round. Rows found later go where the order puts them.
  void FilesListViewColumnClick(TObject* Sender, int Column);

  // Runs when the search has ended and the view shows its last state (for
  // a test or a measure that waits for it; the window's own work is done).
  std::function<void()> OnSearchEnded;
  // Runs each time rows came in and the list shows them (for a measure).
  std::function<void()> OnRowsShown;

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  // The lists fill the window again around the controls of the new DPI.
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  void LayoutControls();
  // Takes what the search handed over since the last notice.
  void TakeRows();
  // Puts Rows in: at the end, or where the order shown puts them; the
  // selection stays on the same files.
  void AddRows(std::vector<TViewedFile> Rows);
  // The view's state once the search has ended or was stopped.
  void ShowEnd();
  void ShowSubfolders();
  void ShowTotal();
  // The lists' context menu at the point (-1, -1: below the selection).
  void ShowKeepMenu(HWND List, int X, int Y);
  // The view without what Kept keeps, as Delete would now find it.
  void DropKept(const std::vector<std::wstring>& Kept);
  bool KeptHere(const std::wstring& Name) const;
  void DropKeptSubfolders();
  // The selected rows of a list, in their order.
  static std::vector<int> SelectedRows(HWND List);
  std::wstring CellText(int Row, int Column) const;

  std::unique_ptr<TFilesSearch> FSearch;
  bool FEnded = true;
  bool FComplete = true;
  std::vector<TViewedFile> FFiles;
  std::wstring FFolder;
  std::wstring FProtectedReason;
  // What Delete removes whole, with their tree sizes, once the search has ended.
  std::vector<std::wstring> FSubfolders;
  std::vector<int64_t> FTreeBytes;
  // What was kept from this view: rows it keeps that arrive later are left out.
  std::vector<std::wstring> FKeptEntries;
  std::unique_ptr<TKeepList> FKeptList;
  std::unique_ptr<TKeptBelow> FKeptBelow;
  int FSortColumn = -1;  // none: the order of the search
  bool FAscending = true;
  SIZE FMinimumSize{};
};
