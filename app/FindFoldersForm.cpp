#include "app/FindFoldersForm.h"

#include "app/DeleteSummary.h"
#include "app/DialogLayout.h"
#include "app/FindFoldersRes.h"
#include "framework/Dpi.h"
#include "framework/SystemFont.h"
#include "resources/MainRes.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// Posted by the measuring thread: WParam the measured folder, LParam the window's generation.
constexpr UINT WM_FOLDERMEASURED = WM_APP + 40;
constexpr UINT WM_MEASURINGDONE = WM_APP + 41;

bool CheckChanged(const NMLISTVIEW& Change) {
  return (Change.uChanged & LVIF_STATE) != 0 &&
         ((Change.uNewState ^ Change.uOldState) & LVIS_STATEIMAGEMASK) != 0 && Change.iItem >= 0;
}

}  // namespace

std::wstring TFindFoldersRow::SizeText() const {
  switch (State) {
    case TState::fsMeasured: {
      TFolderRow Row;
      Row.State = TFolderState::fsScanned;
      Row.HasFigures = true;
      Row.Figures = Measured.Figures;
      return RowTexts(Row).Size;
    }
    case TState::fsGone:
      return L"not there any more";
    case TState::fsNotOffered:
      return L"not offered";
    case TState::fsWaiting:
      break;
  }
  return L"? KB";
}

TFindFoldersForm::TFindFoldersForm(HWND Owner) : TForm(L"TFindFoldersForm", TCloseAction::caHide) {
  CreateDialogHandle(IDD_FINDFOLDERS, Owner);
  SetWindowIcon(IDI_MAINICON);
  AttachControl(HintLabel, IDC_FINDFOLDERSHINT);
  AttachControl(FoldersListView, IDC_FINDFOLDERSLIST);
  AttachControl(DescriptionLabel, IDC_FINDFOLDERSDESCRIPTION);
  AttachControl(StatusLabel, IDC_FINDFOLDERSSTATUS);
  AttachControl(AddButton, IDOK);
  AttachControl(CancelButton, IDCANCEL);
  AddButton.OnClick = [this](TObject*) { AddButtonClick(); };
  // Esc and the title bar's close cancel as the button does.
  const auto Cancel = [this] {
    StopMeasuring();
    SetModalResult(mrCancel);
  };
  CancelButton.OnClick = [Cancel](TObject*) { Cancel(); };
  BindCommand(IDCANCEL, Cancel);
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);
  ListView_SetExtendedListViewStyle(FoldersListView.Handle(),
                                    LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  FoldersListView.AddColumn(L"Folder", ScaleByDpi(170));
  FoldersListView.AddColumn(L"Size", ScaleByDpi(90), true);
  FoldersListView.AddColumn(L"Description", ScaleByDpi(260));
  FoldersListView.AddColumn(L"Location", ScaleByDpi(300));

  RECT Window{};
  GetWindowRect(Handle(), &Window);
  FMinimumSize = {(Window.right - Window.left) * 2 / 3, (Window.bottom - Window.top) * 2 / 3};
  SetPosition(TPosition::poOwnerFormCenter);
}

// The measuring thread ends before the window does.
TFindFoldersForm::~TFindFoldersForm() { FMeasurer.reset(); }

std::vector<std::wstring> TFindFoldersForm::Choose(const std::vector<TDisposableLocation>& Catalogue,
                                                   const std::vector<TFoundLocation>& Found, TFindRules Rules) {
  FMeasurer.reset();
  ++FGeneration;
  FRows.clear();
  FChosen.clear();
  FMeasuredRows.clear();
  FMeasuringDone = false;
  FStopped = false;
  // Offered folders first, in the catalogue's order; those not offered after them.
  for (const bool Offered : {true, false})
    for (const TFoundLocation& Location : Found) {
      if (Location.Offered() != Offered) continue;
      const TDisposableLocation& Entry = Catalogue[Location.Entry];
      TFindFoldersRow Row;
      Row.Location = Location;
      Row.Name = Entry.Name;
      Row.Description = Entry.Description;
      Row.Safe = Entry.Safe;
      Row.Checked = Offered && Entry.Temporary;
      Row.State = Offered ? TFindFoldersRow::TState::fsWaiting : TFindFoldersRow::TState::fsNotOffered;
      if (Offered) FMeasuredRows.push_back(FRows.size());
      FRows.push_back(std::move(Row));
    }

  FShowingRows = true;
  FoldersListView.Clear();
  for (size_t Row = 0; Row < FRows.size(); ++Row) {
    FoldersListView.Add(FRows[Row].Name);
    ShowRow(Row);
    ListView_SetCheckState(FoldersListView.Handle(), static_cast<int>(Row), FRows[Row].Checked);
  }
  FShowingRows = false;
  if (!FRows.empty()) FoldersListView.Item(0).SetSelected(true);
  ShowDescription();

  std::vector<std::wstring> Folders;
  for (const size_t Row : FMeasuredRows) Folders.push_back(FRows[Row].Location.Path);
  {
    const std::lock_guard<TSlimLock> Guard(FResultsLock);
    FResults.assign(Folders.size(), std::nullopt);
  }
  const HWND Window = Handle();
  const auto Generation = static_cast<LPARAM>(FGeneration);
  FMeasurer = std::make_unique<TLocationMeasurer>(
      std::move(Folders), std::move(Rules),
      [this, Window, Generation](size_t Index, const TMeasuredLocation& Measured) {
        {
          const std::lock_guard<TSlimLock> Guard(FResultsLock);
          FResults[Index] = Measured;
        }
        PostMessageW(Window, WM_FOLDERMEASURED, Index, Generation);
      },
      [Window, Generation] { PostMessageW(Window, WM_MEASURINGDONE, 0, Generation); });
  ShowStatus();
  LayoutControls();
  SetFocus(FoldersListView.Handle());
  ShowModal();
  StopMeasuring();
  return FChosen;
}

void TFindFoldersForm::StopMeasuring() {
  if (!FMeasurer) return;
  const bool Done = FMeasuringDone;
  // Waits for the folder in hand: the search stops within an entry.
  FMeasurer.reset();
  // What the thread measured before it stopped is not lost.
  for (size_t Index = 0; Index < FMeasuredRows.size(); ++Index) TakeMeasured(Index);
  FMeasuringDone = true;
  FStopped = !Done;
  ShowStatus();
}

void TFindFoldersForm::TakeMeasured(size_t Index) {
  std::optional<TMeasuredLocation> Measured;
  {
    const std::lock_guard<TSlimLock> Guard(FResultsLock);
    if (Index >= FResults.size()) return;
    Measured = FResults[Index];
  }
  if (!Measured || Index >= FMeasuredRows.size()) return;
  TFindFoldersRow& Row = FRows[FMeasuredRows[Index]];
  if (Row.State != TFindFoldersRow::TState::fsWaiting) return;
  Row.Measured = *Measured;
  Row.State = Measured->Bytes < 0 ? TFindFoldersRow::TState::fsGone : TFindFoldersRow::TState::fsMeasured;
  ShowRow(FMeasuredRows[Index]);
}

void TFindFoldersForm::SetChecked(size_t Row, bool Checked) {
  if (Row >= FRows.size() || FRows[Row].State == TFindFoldersRow::TState::fsNotOffered) return;
  FRows[Row].Checked = Checked;
  ListView_SetCheckState(FoldersListView.Handle(), static_cast<int>(Row), Checked);
}

void TFindFoldersForm::AddButtonClick() {
  StopMeasuring();
  FChosen.clear();
  for (const TFindFoldersRow& Row : FRows)
    // A folder found gone while measured is not there to add.
    if (Row.Checked && Row.Location.Offered() && Row.State != TFindFoldersRow::TState::fsGone)
      FChosen.push_back(Row.Location.Path);
  SetModalResult(mrOk);
}

void TFindFoldersForm::ShowRow(size_t Row) {
  const TFindFoldersRow& Data = FRows[Row];
  TListItem Item = FoldersListView.Item(static_cast<int>(Row));
  Item.SetSubItem(ffSize - 1, Data.SizeText());
  Item.SetSubItem(ffDescription - 1, Data.Location.Offered() ? Data.Description : Data.Location.Refusal);
  Item.SetSubItem(ffLocation - 1, Data.Location.Path);
}

void TFindFoldersForm::ShowStatus() {
  size_t Measured = 0;
  int64_t Bytes = 0;
  size_t Offered = 0;
  for (const TFindFoldersRow& Row : FRows) {
    if (!Row.Location.Offered()) continue;
    ++Offered;
    if (Row.State != TFindFoldersRow::TState::fsMeasured) continue;
    ++Measured;
    Bytes += Row.Measured.Bytes;
  }
  std::wstring Text;
  if (Offered == 0)
    Text = L"Marrowby found no more folders on this PC that it can empty.";
  else if (!FMeasuringDone)
    Text = L"Measuring: " + std::to_wstring(Measured) + L" of " + std::to_wstring(Offered) + L" folders, " +
           ByteSizeText(Bytes) + L" so far";
  else
    Text = std::to_wstring(Offered) + L" folders with " + ByteSizeText(Bytes) + L" that can be emptied" +
           (FStopped ? L" (measuring stopped)" : L"");
  StatusLabel.SetText(Text);
}

void TFindFoldersForm::ShowDescription() {
  const TListItem Selected = FoldersListView.Selected();
  if (!Selected || static_cast<size_t>(Selected.Index()) >= FRows.size()) {
    DescriptionLabel.SetText(L"");
    return;
  }
  const TFindFoldersRow& Row = FRows[static_cast<size_t>(Selected.Index())];
  DescriptionLabel.SetText(Row.Location.Offered() ? Row.Description + L"\n" + Row.Safe
                                                  : L"Not offered: " + Row.Location.Refusal);
}

void TFindFoldersForm::DpiChanged(int OldDpi, int NewDpi) {
  FMinimumSize = RescaledForDpi(FMinimumSize, OldDpi, NewDpi);
  LayoutControls();
}

void TFindFoldersForm::LayoutControls() {
  RECT Client{};
  GetClientRect(Handle(), &Client);
  const int Dpi = PixelsPerInch();
  const int Margin = ScaleForDpi(10, Dpi);
  const int Gap = ScaleForDpi(4, Dpi);
  const RECT Button = ClientRectOf(Handle(), AddButton.Handle());
  const RECT Hint = ClientRectOf(Handle(), HintLabel.Handle());
  const RECT Description = ClientRectOf(Handle(), DescriptionLabel.Handle());
  const int ButtonWidth = Button.right - Button.left;
  const int ButtonHeight = Button.bottom - Button.top;
  const int HintHeight = Hint.bottom - Hint.top;
  const int DescriptionHeight = Description.bottom - Description.top;
  const int Width = std::max(0, static_cast<int>(Client.right) - 2 * Margin);

  const int ButtonTop = Client.bottom - Margin - ButtonHeight;
  CancelButton.SetBounds(Client.right - Margin - ButtonWidth, ButtonTop, ButtonWidth, ButtonHeight);
  AddButton.SetBounds(Client.right - Margin - 2 * ButtonWidth - Gap, ButtonTop, ButtonWidth, ButtonHeight);
  StatusLabel.SetBounds(Margin, ButtonTop + (ButtonHeight - HintHeight) / 2,
                        std::max(0, Width - 2 * ButtonWidth - Gap - Margin), HintHeight);
  const int DescriptionTop = ButtonTop - Margin - DescriptionHeight;
  DescriptionLabel.SetBounds(Margin, DescriptionTop, Width, DescriptionHeight);
  HintLabel.SetBounds(Margin, Margin, Width, HintHeight);
  const int ListTop = Margin + HintHeight + Gap;
  FoldersListView.SetBounds(Margin, ListTop, Width, std::max(0, DescriptionTop - Gap - ListTop));
}

bool TFindFoldersForm::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_FOLDERMEASURED:
      if (static_cast<unsigned>(LParam) == FGeneration && !FMeasuringDone) {
        TakeMeasured(static_cast<size_t>(WParam));
        ShowStatus();
      }
      Result = 0;
      return true;
    case WM_MEASURINGDONE:
      if (static_cast<unsigned>(LParam) == FGeneration && !FMeasuringDone) {
        FMeasuringDone = true;
        ShowStatus();
      }
      Result = 0;
      return true;
    case WM_SIZE:
      LayoutControls();
      break;
    case WM_NOTIFY: {
      const auto* Header = reinterpret_cast<const NMHDR*>(LParam);
      if (Header->hwndFrom != FoldersListView.Handle()) break;
      const auto* Change = reinterpret_cast<const NMLISTVIEW*>(LParam);
      if (Header->code == LVN_ITEMCHANGING && CheckChanged(*Change) && !FShowingRows &&
          static_cast<size_t>(Change->iItem) < FRows.size() &&
          FRows[static_cast<size_t>(Change->iItem)].State == TFindFoldersRow::TState::fsNotOffered) {
        // A folder that is not offered cannot be ticked.
        Result = TRUE;
        return true;
      }
      if (Header->code == LVN_ITEMCHANGED) {
        if (CheckChanged(*Change) && !FShowingRows && static_cast<size_t>(Change->iItem) < FRows.size())
          FRows[static_cast<size_t>(Change->iItem)].Checked =
              ListView_GetCheckState(FoldersListView.Handle(), Change->iItem) != FALSE;
        if ((Change->uChanged & LVIF_STATE) != 0 && ((Change->uNewState ^ Change->uOldState) & LVIS_SELECTED) != 0)
          ShowDescription();
      }
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
