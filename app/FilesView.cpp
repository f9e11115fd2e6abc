#include "app/FilesView.h"

#include "app/DialogLayout.h"
#include "app/FilesViewRes.h"
#include "common/VKRCommonUnit.h"
#include "framework/Dpi.h"
#include "framework/FileSystem.h"
#include "framework/SystemFont.h"
#include "resources/MainRes.h"

#include <algorithm>

namespace {

int CompareNames(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()), TRUE) -
         CSTR_EQUAL;
}

}  // namespace

void SortViewedFiles(std::vector<TViewedFile>& Files, TViewedColumn Column, bool Ascending) {
  const auto Less = [Column](const TViewedFile& A, const TViewedFile& B) {
    switch (Column) {
      case vcSize:
        return A.Size < B.Size;
      case vcLastWrite:
        return A.LastWrite < B.LastWrite;
      default:
        return CompareNames(A.Name, B.Name) < 0;
    }
  };
  if (Ascending)
    std::stable_sort(Files.begin(), Files.end(), Less);
  else
    std::stable_sort(Files.begin(), Files.end(), [&Less](const TViewedFile& A, const TViewedFile& B) { return Less(B, A); });
}

std::wstring RelativeToFolder(const std::wstring& Folder, const std::wstring& Path) {
  // Called for every file a view shows: no copies but the result.
  const bool Separated = !Folder.empty() && Folder.back() == L'\\';
  const size_t Prefix = Folder.size() + (Separated ? 0 : 1);
  const int Length = static_cast<int>(Folder.size());
  // The search gives its start folder's own text back: the comparison
  // that ignores case (a microsecond a path under Wine) is seldom needed.
  const bool Below = Path.size() > Prefix && Path[Prefix - 1] == L'\\' &&
                     (Path.compare(0, Folder.size(), Folder) == 0 ||
                      CompareStringOrdinal(Path.c_str(), Length, Folder.c_str(), Length, TRUE) == CSTR_EQUAL);
  return Below ? Path.substr(Prefix) : Path;
}

std::wstring ViewedFilesTotal(const std::vector<TViewedFile>& Files) {
  int64_t Total = 0;
  for (const TViewedFile& File : Files) Total += File.Size;
  return std::to_wstring(Files.size()) + L" file(s) - " + FormatFileSize(Total, TSizeUnit::fsKiloBytes);
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
  AttachControl(CloseButton, IDOK);
  CloseButton.ModalResult = mrOk;
  BindCommand(IDCANCEL, [this] { SetModalResult(mrOk); });
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

void TFilesViewForm::ShowFiles(const std::wstring& Folder, std::vector<TViewedFile> Files,
                               const std::vector<std::wstring>& Subfolders, const std::wstring& ProtectedReason) {
  SetCaption(L"View Files - " + Folder);
  FFolder = Folder;
  FProtectedReason = ProtectedReason;
  FFiles = std::move(Files);
  FSortColumn = -1;
  FAscending = true;
  FilesListView.SetSortArrow(-1, true);
  FilesListView.SetRowCount(static_cast<int>(FFiles.size()));
  SubfoldersListView.Clear();
  for (const std::wstring& Subfolder : Subfolders) SubfoldersListView.Add(RelativeToFolder(Folder, Subfolder));
  SubfoldersLabel.SetText(L"Subfolders that Delete removes with their content (" +
                          std::to_wstring(Subfolders.size()) + L"):");
  TotalLabel.SetText(ProtectedReason.empty()
                         ? ViewedFilesTotal(FFiles)
                         : L"Delete leaves this folder alone, to protect your data: " + ProtectedReason);
  LayoutControls();
  ShowModal();
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
  FMinimumSize = SIZE{MulDiv(FMinimumSize.cx, NewDpi, OldDpi), MulDiv(FMinimumSize.cy, NewDpi, OldDpi)};
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
  CloseButton.SetBounds(Client.right - Margin - ButtonWidth, ButtonTop, ButtonWidth, ButtonHeight);
  TotalLabel.SetBounds(Margin, ButtonTop + (ButtonHeight - LabelHeight) / 2,
                       std::max(0, Width - ButtonWidth - Margin), LabelHeight);
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
