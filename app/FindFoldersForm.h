#pragma once
// "Find Folders...": the catalogue's folders found on this PC and not yet
// listed, each with its description and its size, measured on a thread of
// its own with the same search and options Scan uses and shown as each is
// measured: the window is usable at once, Add and Cancel stop the measuring.
// Temporary folders come ticked; a folder that is not offered (a link, a
// folder Delete never empties) is shown with why, and cannot be ticked.

#include "app/FindFolders.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/ListView.h"
#include "framework/SlimLock.h"

#include <memory>
#include <string>
#include <vector>

// One row of the window, as data: the list only shows it.
struct TFindFoldersRow {
  enum class TState { fsWaiting, fsMeasured, fsGone, fsNotOffered };
  TFoundLocation Location;
  std::wstring Name;
  std::wstring Description;
  std::wstring Safe;  // why emptying it loses nothing the user keeps
  bool Checked = false;
  TState State = TState::fsWaiting;
  TMeasuredLocation Measured;
  // The size column: what the folder list shows for it after a Scan.
  std::wstring SizeText() const;
};

// The columns, in their order.
enum TFindFoldersColumn { ffName, ffSize, ffDescription, ffLocation };

class TFindFoldersForm : public TForm {
public:
  explicit TFindFoldersForm(HWND Owner);
  ~TFindFoldersForm() override;

  TLabel HintLabel;
  TListView FoldersListView;
  TLabel DescriptionLabel;
  TLabel StatusLabel;
  TButton AddButton;
  TButton CancelButton;

  // Shows Found (entries of Catalogue) modally and measures the offered
  // ones with Rules meanwhile. The folders ticked when Add was pressed;
  // nothing when the window was cancelled.
  std::vector<std::wstring> Choose(const std::vector<TDisposableLocation>& Catalogue,
                                   const std::vector<TFoundLocation>& Found, TFindRules Rules);

  const std::vector<TFindFoldersRow>& Rows() const { return FRows; }
  // Ticks or clears a row, as a click on its box does; a row not offered stays clear.
  void SetChecked(size_t Row, bool Checked);
  bool Measuring() const { return static_cast<bool>(FMeasurer) && !FMeasuringDone; }
  // Stops the measuring; the rows not measured say so.
  void StopMeasuring();
  void AddButtonClick();

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  void ShowRow(size_t Row);
  void ShowStatus();
  void ShowDescription();
  void TakeMeasured(size_t Row);
  void LayoutControls();

  std::vector<TFindFoldersRow> FRows;
  // Filled by the measuring thread, taken by the window when it is told.
  TSlimLock FResultsLock;
  std::vector<std::optional<TMeasuredLocation>> FResults;
  std::vector<size_t> FMeasuredRows;  // the row of each folder handed to the measurer
  std::unique_ptr<TLocationMeasurer> FMeasurer;
  bool FMeasuringDone = false;
  bool FStopped = false;
  unsigned FGeneration = 0;  // which Choose a measured folder belongs to
  bool FShowingRows = false;  // the rows are being put in: their boxes are the model's already
  std::vector<std::wstring> FChosen;
  SIZE FMinimumSize{};
};
