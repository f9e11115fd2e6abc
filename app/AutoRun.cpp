#include "app/AutoRun.h"

#include "app/QuenloUnit1.h"
#include "app/RunEvents.h"
#include "app/RunLog.h"
#include "app/SingleInstance.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Exception.h"
#include "framework/Text.h"

#include <memory>
#include <vector>

namespace {

TRunTotals CurrentTotals(const TForm1& Form) {
  TRunTotals Totals;
  Totals.Folders = Form.VKRListView1.Count();
  Totals.Figures = Form.Current;
  return Totals;
}

void StampNow(TRunRecord& Record) {
  SYSTEMTIME Now{};
  GetLocalTime(&Now);
  Record.Year = Now.wYear;
  Record.Month = Now.wMonth;
  Record.Day = Now.wDay;
  Record.Hour = Now.wHour;
  Record.Minute = Now.wMinute;
  Record.Second = Now.wSecond;
}

void AddError(TRunRecord& Record, const std::wstring& Text) {
  if (!Record.Error.empty()) Record.Error += " / ";
  Record.Error += WideToUtf8(Text);
}

// The log file and the event log say the same: the file for whoever looks on
// this PC, the events for whoever collects them from many.
void WriteLog(const TAutoRunSettings& Settings, const TRunRecord& Record,
              const std::vector<TPolicyIssue>& IgnoredPolicies = {}) {
  // Nobody is there to tell when the log cannot be written: the exit code still says how it went.
  AppendRunLogLine(Settings.LogPath.empty() ? DefaultRunLogPath() : Settings.LogPath, FormatRunLogLine(Record));
  ReportRunEvents(Record, IgnoredPolicies);
}

// The scan, the delete and the close of one run, on the forms of the run.
void CleanAndSave(const TAutoRunSettings& Settings, TRunRecord& Record, std::vector<TPolicyIssue>& IgnoredPolicies) {
  TForm1Options Options;
  Options.RegistryKey = Settings.RegistryKey;
  Options.SingleInstance = false;  // the run holds the guard itself
  Options.Unattended = true;
  Options.PolicyRoots = Settings.PolicyRoots;
  // The options come with the window, read from the store; no dialog is made.
  auto Form1 = std::make_unique<TForm1>(Options);
  IgnoredPolicies = Form1->Policies().Ignored();

  Form1->ScanToolButtonClick(Form1.get());
  Record.Before = CurrentTotals(*Form1);
  Form1->DeleteToolButtonClick(Form1.get());
  Record.After = CurrentTotals(*Form1);
  const TDeleteLeft& Left = Form1->LastDeleteLeft;
  Record.FilesLeft = Left.Files;
  Record.SubfoldersLeft = Left.Subfolders;
  Record.ProtectedFoldersSkipped = Left.ProtectedFolders;
  Record.DeletedBytes = Left.DeletedBytes;
  Record.RecycledBytes = Left.RecycledBytes;
  // Said once, with the reasons: the folder list needs mending, not the run repeating.
  for (const std::wstring& Refusal : Left.Refused) {
    if (!Record.Refused.empty()) Record.Refused += " / ";
    Record.Refused += WideToUtf8(Refusal);
  }
  // Stored folders that are not there stay rows: Delete counts them, and an
  // entry that is no full path among the folders it refused.
  Record.FoldersNotFound = Left.MissingFolders;
  Record.Ran = true;

  // What a close saves: program path, version, folder list; the placement as the window goes.
  Form1->Close();
}

}  // namespace

int RunUnattended(const TAutoRunSettings& Settings) {
  TRunRecord Record;
  StampNow(Record);
  TSingleInstanceGuard Guard(Settings.InstanceName.empty() ? TSingleInstanceGuard::DefaultName()
                                                            : Settings.InstanceName);
  if (!Guard.Acquire()) {
    // Never beside an open Marrowby: the user may be editing the very list this would clean.
    Record.Error = "another Marrowby is running";
    Record.ExitCode = ExitCouldNotRun;
    WriteLog(Settings, Record);
    return Record.ExitCode;
  }
  Guard.PublishUnattended();

  // Whatever would ask or warn in a box goes to the log, answered the safe way.
  TMessageDialogHook NoBoxes([&Record](const TMessageDialogRequest& Request) {
    AddError(Record, Request.Text);
    return mrCancel;
  });
  std::vector<TPolicyIssue> IgnoredPolicies;
  try {
    CleanAndSave(Settings, Record, IgnoredPolicies);
  } catch (const std::exception& Error) {
    const auto* Own = dynamic_cast<const Exception*>(&Error);
    AddError(Record, Own != nullptr ? Own->Message() : Utf8ToWide(Error.what()));
  }

  if (!Record.Ran || !Record.Error.empty())
    Record.ExitCode = ExitCouldNotRun;
  else if (Record.FilesLeft > 0 || Record.SubfoldersLeft > 0 || Record.ProtectedFoldersSkipped > 0 ||
           Record.FoldersNotFound > 0)
    Record.ExitCode = ExitSomethingLeft;
  else
    Record.ExitCode = ExitAllDeleted;
  WriteLog(Settings, Record, IgnoredPolicies);
  return Record.ExitCode;
}

int RunCommandLine(const TCommandLine& Line, const TAutoRunSettings& Settings) {
  switch (Line.Action) {
    case TCommandLineAction::clUnattended:
      return RunUnattended(Settings);
    case TCommandLineAction::clFind:
      return RunFindFolders(Line, Settings);
    case TCommandLineAction::clUsage:
    case TCommandLineAction::clBadCommandLine: {
      const bool Bad = Line.Action == TCommandLineAction::clBadCommandLine;
      TMessageDialogRequest Request;
      Request.Caption = L"Marrowby";
      Request.Text = UsageText(Line);
      Request.Type = Bad ? TMsgDlgType::mtError : TMsgDlgType::mtInformation;
      MessageDlg(Request);
      return Bad ? ExitCouldNotRun : ExitAllDeleted;
    }
    case TCommandLineAction::clNormalStart:
      break;
  }
  return ExitAllDeleted;
}
