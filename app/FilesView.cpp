#include "app/FilesView.h"

#include "app/DeleteSummary.h"
#include "app/DialogLayout.h"
#include "app/FilesViewRes.h"
#include "common/VKRCommonUnit.h"
#include "framework/Dpi.h"
#include "framework/FileSystem.h"
#include "framework/FormatSettings.h"
#include "framework/SystemFont.h"
#include "resources/MainRes.h"

#include <algorithm>

namespace {

// Posted by the search when rows wait or it has ended.
constexpr UINT WM_FILESSEARCH = WM_APP + 0x51;

#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
constexpr DWORD EVENT_OBJECT_LIVEREGIONCHANGED = 0x8019;
#endif

int CompareNames(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()), TRUE) -
         CSTR_EQUAL;
}

// The order of a column, either way round.
struct TViewedOrder {
  TViewedColumn Column;
  bool Ascending;
  bool operator()(const TViewedFile& A, const TViewedFile& B) const { return Ascending ? Less(A, B) : Less(B, A); }
  bool Less(const TViewedFile& A, const TViewedFile& B) const {
    switch (Column) {
      case vcSize:
        return A.Size < B.Size;
      case vcLastWrite:
        return A.LastWrite < B.LastWrite;
      default:
        return CompareNames(A.Name, B.Name) < 0;
    }
  }
};

}  // namespace

void SortViewedFiles(std::vector<TViewedFile>& Files, TViewedColumn Column, bool Ascending) {
  std::stable_sort(Files.begin(), Files.end(), TViewedOrder{Column, Ascending});
}

std::wstring ViewedFilesTotal(int64_t Files, int64_t Bytes) {
  return std::to_wstring(Files) + L" file(s) - " + FormatFileSize(Bytes, TSizeUnit::fsKiloBytes);
}

std::wstring SearchProgressText(int64_t Files, int64_t Bytes) {
  return L"Searching... " + FormatGrouped(Files, FormatSettings().ThousandSeparator) + (Files == 1 ? L" file, " : L" files, ") +
         ByteSizeText(Bytes) + L" so far";
}

std::wstring LocalDateTimeText(uint64_t FileTime) {
  const FILETIME Utc{static_cast<DWORD>(FileTime), static_cast<DWORD>(FileTime >> 32)};
  SYSTEMTIME UtcTime{}, Local{};
  if (!FileTimeToSystemTime(&Utc, &UtcTime) || !SystemTimeToTzSpecificLocalTime(nullptr, &UtcTime, &Local)) return {};
  wchar_t Date[80] = L"";
  wchar_t Time[80] = L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &Local, nullptr, Date, 80);
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &Local, nullptr, Time, 80);
  return std::wstring(Date) + L" " + Time;
}

TFilesViewForm::TFilesViewForm(HWND Owner) : TForm(L"TFilesViewForm", TCloseAction::caHide) {
  CreateDialogHandle(IDD_FILESVIEW, Owner);
  SetWindowIcon(IDI_MAINICON);
  AttachControl(FilesListView, IDC_FILESVIEWFILES);
  AttachControl(SubfoldersLabel, IDC_FILESVIEWSUBFOLDERSLABEL);
  AttachControl(SubfoldersListView, IDC_FILESVIEWSUBFOLDERS);
  AttachControl(TotalLabel, IDC_FILESVIEWTOTAL);
  AttachControl(ProgressLabel, IDC_FILESVIEWPROGRESS);
  AttachControl(FolderLabel, IDC_FILESVIEWFOLDER);
  AttachControl(StopButton, IDCANCEL);
  AttachControl(CloseButton, IDOK);
  CloseButton.ModalResult = mrOk;
  // Esc and Cancel stop a search that runs; with none running, Esc closes.
  const auto Cancel = [this] {
    if (Searching())
      StopSearch();
    else
      SetModalResult(mrOk);
  };
  StopButton.OnClick = [Cancel](TObject*) { Cancel(); };
  BindCommand(IDCANCEL, Cancel);
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);

  FilesListView.AddColumn(L"File", ScaleByDpi(330));
  FilesListView.AddColumn(L"Size", ScaleByDpi(80), true);
  FilesListView.AddColumn(L"Modified", ScaleByDpi(120));
  FilesListView.OnGetText = [this](int Row, int Column) { return CellText(Row, Column); };
  FilesListView.OnColumnClick = [this](TObject* Sender, int Column) { FilesListViewColumnClick(Sender, Column); };
  ListView_SetExtendedListViewStyle(SubfoldersListView.Handle(), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  SubfoldersListView.AddColumn(L"Subfolder", ScaleByDpi(530));

  RECT Window{};
  GetWindowRect(Handle(), &Window);
  FMinimumSize = {(Window.right - Window.left) * 2 / 3, (Window.bottom - Window.top) * 2 / 3};
  SetPosition(TPosition::poOwnerFormCenter);
}

TFilesViewForm::~TFilesViewForm() {
  // The search's thread ends before anything it hands rows to goes.
  FSearch.reset();
}

void TFilesViewForm::ShowSearch(const TFilesSearchRequest& Request, const std::wstring& ProtectedReason) {
  SetCaption(L"View Files - " + Request.Folder);
  FFolder = Request.Folder;
  FProtectedReason = ProtectedReason;
  FFiles.clear();
  FSubfolders.clear();
  FTreeBytes.clear();
  FKeptEntries.clear();
  FKeptBelow.reset();
  FKeptList.reset();
  FSortColumn = -1;
  FAscending = true;
  FilesListView.SetSortArrow(-1, true);
  ListView_SetItemState(FilesListView.Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  FilesListView.SetRowCount(0);
  SubfoldersListView.Clear();
  FEnded = !ProtectedReason.empty();
  FComplete = true;
  // Every label has its text from the start: a screen reader finds none empty.
  ProgressLabel.SetText(SearchProgressText(0, 0));
  FolderLabel.SetText(Request.Folder);
  if (FEnded) {
    ShowEnd();
  } else {
    SubfoldersLabel.SetText(L"Subfolders that Delete removes with their content:");
    // The count line changes once, when the search ends: a screen reader reads it then.
    TotalLabel.SetText(L"Searching...");
    // The window is there before the first folder is listed.
    FSearch = std::make_unique<TFilesSearch>(Request, Handle(), WM_FILESSEARCH);
  }
  LayoutControls();
  try {
    ShowModal();
  } catch (...) {
    FSearch.reset();
    throw;
  }
  // Closed: the search stops at once, its thread ends here.
  FSearch.reset();
  if (!FEnded) {
    FEnded = true;
    FComplete = false;
  }
}

void TFilesViewForm::StopSearch() {
  if (FSearch) FSearch->Stop();
}

void TFilesViewForm::TakeRows() {
  if (!FSearch) return;  // a notice that came after the window closed
  std::vector<TViewedFile> Rows;
  const TFilesSearchState State = FSearch->Take(Rows);
  const bool Any = !Rows.empty();
  AddRows(std::move(Rows));
  if (Any && OnRowsShown) OnRowsShown();
  if (!State.Ended) {
    ProgressLabel.SetText(SearchProgressText(State.Files, State.Bytes));
    if (!State.Folder.empty()) FolderLabel.SetText(State.Folder);
    return;
  }
  FEnded = true;
  FComplete = State.Complete;
  FSubfolders = State.Subfolders;
  FTreeBytes = State.TreeBytes;
  DropKeptSubfolders();  // kept while the search ran
  ShowEnd();
  if (OnSearchEnded) OnSearchEnded();
}

void TFilesViewForm::AddRows(std::vector<TViewedFile> Rows) {
  if (FKeptBelow)
    std::erase_if(Rows, [this](const TViewedFile& File) { return KeptHere(File.Name); });
  if (Rows.empty()) return;
  const HWND List = FilesListView.Handle();
  if (FSortColumn < 0) {
    // The order of the search: new rows go below, nothing shown moves.
    FFiles.insert(FFiles.end(), std::make_move_iterator(Rows.begin()), std::make_move_iterator(Rows.end()));
    FilesListView.SetRowCount(static_cast<int>(FFiles.size()));
    return;
  }
  // Merged where the order puts them; the selected and the focused rows are
  // followed to their new places, so Keep still takes what was selected.
  const TViewedOrder Order{static_cast<TViewedColumn>(FSortColumn), FAscending};
  std::stable_sort(Rows.begin(), Rows.end(), Order);
  const std::vector<int> Selected = SelectedRows(List);
  const int Focused = ListView_GetNextItem(List, -1, LVNI_FOCUSED);
  std::vector<int> NewSelected;
  int NewFocused = -1;
  std::vector<TViewedFile> Merged;
  Merged.reserve(FFiles.size() + Rows.size());
  size_t Old = 0, New = 0, NextSelected = 0;
  while (Old < FFiles.size() || New < Rows.size()) {
    if (New < Rows.size() && (Old == FFiles.size() || Order(Rows[New], FFiles[Old]))) {
      Merged.push_back(std::move(Rows[New++]));
      continue;
    }
    const int Here = static_cast<int>(Merged.size());
    if (NextSelected < Selected.size() && Selected[NextSelected] == static_cast<int>(Old)) {
      NewSelected.push_back(Here);
      ++NextSelected;
    }
    if (Focused == static_cast<int>(Old)) NewFocused = Here;
    Merged.push_back(std::move(FFiles[Old++]));
  }
  FFiles = std::move(Merged);
  FilesListView.SetRowCount(static_cast<int>(FFiles.size()));
  if (!Selected.empty() || Focused >= 0) {
    ListView_SetItemState(List, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const int Row : NewSelected) ListView_SetItemState(List, Row, LVIS_SELECTED, LVIS_SELECTED);
    if (NewFocused >= 0) ListView_SetItemState(List, NewFocused, LVIS_FOCUSED, LVIS_FOCUSED);
  }
}

void TFilesViewForm::ShowEnd() {
  ShowSubfolders();
  ShowTotal();
  LayoutControls();
  // Screen readers hear the count line once, now, not for every batch.
  NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, TotalLabel.Handle(), OBJID_CLIENT, CHILDID_SELF);
}

void TFilesViewForm::ShowSubfolders() {
  // Delete takes subfolders only from a folder in which it still finds files.
  if (FFiles.empty()) {
    FSubfolders.clear();
    FTreeBytes.clear();
  }
  SubfoldersListView.Clear();
  for (const std::wstring& Subfolder : FSubfolders) SubfoldersListView.Add(RelativeToFolder(FFolder, Subfolder));
  SubfoldersLabel.SetText(FComplete ? L"Subfolders that Delete removes with their content (" +
                                          std::to_wstring(FSubfolders.size()) + L"):"
                                    : std::wstring(L"Subfolders that Delete removes with their content:"));
}

void TFilesViewForm::ShowTotal() {
  if (!FProtectedReason.empty()) {
    TotalLabel.SetText(L"Delete leaves this folder alone, to protect your data: " + FProtectedReason);
    return;
  }
  // Counted as Delete's question counts them: one rule for both.
  TDeletePlanCounter Counter(FSubfolders, FTreeBytes);
  for (const TViewedFile& File : FFiles)
    Counter.AddFile(File.Name, [&File](int64_t& Size) {
      Size = File.Size;
      return true;
    });
  const std::wstring Total = ViewedFilesTotal(Counter.Plan().Files, Counter.Plan().Bytes);
  TotalLabel.SetText(FComplete ? Total : L"Stopped, the list is incomplete: " + Total);
}

void TFilesViewForm::FilesListViewColumnClick(TObject*, int Column) {
  if (Column < vcName || Column > vcLastWrite) return;
  FAscending = Column == FSortColumn ? !FAscending : true;
  FSortColumn = Column;
  SortViewedFiles(FFiles, static_cast<TViewedColumn>(Column), FAscending);
  FilesListView.SetSortArrow(Column, FAscending);
  InvalidateRect(FilesListView.Handle(), nullptr, TRUE);
}

std::wstring TFilesViewForm::CellText(int Row, int Column) const {
  if (Row < 0 || static_cast<size_t>(Row) >= FFiles.size()) return {};
  const TViewedFile& File = FFiles[static_cast<size_t>(Row)];
  switch (Column) {
    case vcName:
      return File.Name;
    case vcSize:
      return FormatFileSize(File.Size, TSizeUnit::fsKiloBytes);
    case vcLastWrite:
      return LocalDateTimeText(File.LastWrite);
    default:
      return {};
  }
}

void TFilesViewForm::DpiChanged(int OldDpi, int NewDpi) {
  // The smallest size was measured at the old DPI.
  FMinimumSize = RescaledForDpi(FMinimumSize, OldDpi, NewDpi);
  LayoutControls();
}

void TFilesViewForm::LayoutControls() {
  RECT Client{};
  GetClientRect(Handle(), &Client);
  const int Dpi = PixelsPerInch();
  const int Margin = ScaleForDpi(10, Dpi);
  const int Gap = ScaleForDpi(4, Dpi);
  const RECT Button = ClientRectOf(Handle(), CloseButton.Handle());
  const RECT Label = ClientRectOf(Handle(), SubfoldersLabel.Handle());
  const int ButtonWidth = Button.right - Button.left;
  const int ButtonHeight = Button.bottom - Button.top;
  const int LabelHeight = Label.bottom - Label.top;
  const int Width = std::max(0, static_cast<int>(Client.right) - 2 * Margin);

  const int ButtonTop = Client.bottom - Margin - ButtonHeight;
  const int LabelTop = ButtonTop + (ButtonHeight - LabelHeight) / 2;
  CloseButton.SetBounds(Client.right - Margin - ButtonWidth, ButtonTop, ButtonWidth, ButtonHeight);
  // While it searches: how far, the folder it is in, and Cancel; then the count line.
  const bool Running = Searching();
  StopButton.SetVisible(Running);
  ProgressLabel.SetVisible(Running);
  FolderLabel.SetVisible(Running);
  TotalLabel.SetVisible(!Running);
  const int TextWidth = std::max(0, Width - ButtonWidth - Margin);
  TotalLabel.SetBounds(Margin, LabelTop, TextWidth, LabelHeight);
  StopButton.SetBounds(Client.right - Margin - 2 * ButtonWidth - Gap, ButtonTop, ButtonWidth, ButtonHeight);
  const int RunningWidth = std::max(0, TextWidth - ButtonWidth - Gap);
  const int ProgressWidth = RunningWidth * 9 / 20;
  ProgressLabel.SetBounds(Margin, LabelTop, ProgressWidth, LabelHeight);
  FolderLabel.SetBounds(Margin + ProgressWidth + Gap, LabelTop, std::max(0, RunningWidth - ProgressWidth - Gap),
                        LabelHeight);
  // The subfolders take a quarter of the room the lists share.
  const int ListsRoom = std::max(0, ButtonTop - Margin - Margin - LabelHeight - 2 * Gap);
  const int SubfoldersHeight = ListsRoom / 4;
  const int SubfoldersTop = ButtonTop - Margin - SubfoldersHeight;
  SubfoldersListView.SetBounds(Margin, SubfoldersTop, Width, SubfoldersHeight);
  SubfoldersLabel.SetBounds(Margin, SubfoldersTop - Gap - LabelHeight, Width, LabelHeight);
  FilesListView.SetBounds(Margin, Margin, Width, std::max(0, SubfoldersTop - 2 * Gap - LabelHeight - Margin));
}

bool TFilesViewForm::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_SIZE:
      LayoutControls();
      break;
    case WM_FILESSEARCH:
      TakeRows();
      Result = 0;
      return true;
    case WM_CONTEXTMENU: {
      const auto List = reinterpret_cast<HWND>(WParam);
      if (List != FilesListView.Handle() && List != SubfoldersListView.Handle()) break;
      ShowKeepMenu(List, static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)));
      Result = 0;
      return true;
    }
    case WM_NOTIFY: {
      // Ctrl+K in either list: Keep.
      const auto* Key = reinterpret_cast<const NMLVKEYDOWN*>(LParam);
      if (Key->hdr.code == LVN_KEYDOWN && Key->wVKey == 'K' && GetKeyState(VK_CONTROL) < 0 &&
          (Key->hdr.hwndFrom == FilesListView.Handle() || Key->hdr.hwndFrom == SubfoldersListView.Handle()))
        KeepSelected();
      break;
    }
    case WM_GETMINMAXINFO:
      if (!KeepMinimumTrackSize(LParam, FMinimumSize)) break;
      Result = 0;
      return true;
    default:
      break;
  }
  return TForm::HandleMessage(Msg, WParam, LParam, Result);
}
