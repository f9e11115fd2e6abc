// The main window's part in the Options dialog's Schedule page: the Task
// Scheduler, the running program and its user, the last unattended run from
// the log and the log's opener.

#include "app/QuenloUnit1.h"

#include "app/RunLog.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/ShellExecute.h"
#include "options/QuenloUnit2.h"
#include "options/TaskSchedulerCom.h"

void TForm1::HandScheduleSeams() {
  if (FTaskServiceSeam == nullptr && !FTaskService) FTaskService = std::make_unique<TComTaskService>();
  SYSTEMTIME Now{};
  GetLocalTime(&Now);
  TSchedulePage::TSeams Seams;
  Seams.Service = FTaskServiceSeam != nullptr ? FTaskServiceSeam : FTaskService.get();
  Seams.Context.Program = ApplicationExeName();
  Seams.Context.Account = CurrentTaskAccount();
  Seams.Context.Today = {Now.wYear, Now.wMonth, Now.wDay};
  const std::wstring LogPath = FRunLogPath.empty() ? DefaultRunLogPath() : FRunLogPath;
  const TCalendarDate Today = Seams.Context.Today;
  Seams.LastRunText = [LogPath, Today] { return LastRunText(LastRunOfLog(ReadRunLog(LogPath).value_or("")), Today); };
  const HWND Owner = FOptionsDialog ? FOptionsDialog->Handle() : Handle();
  Seams.OpenLog = [LogPath, Owner] {
    TShellExecuteRequest Request;
    Request.WindowHandle = Owner;
    Request.Operation = L"open";
    Request.FileName = LogPath.c_str();
    if (!LogPath.empty() && FileExists(LogPath) &&
        reinterpret_cast<INT_PTR>(RunShellExecute(Request)) > 32)
      return;
    TMessageDialogRequest Box;
    Box.Owner = Owner;
    Box.Text = FileExists(LogPath) ? L"Windows could not open the log " + LogPath + L"."
                                   : L"There is no log yet: Marrowby writes " + LogPath +
                                         L" when it first cleans unattended.";
    Box.Type = TMsgDlgType::mtInformation;
    MessageDlg(Box);
  };
  FOptionsDialog->SchedulePage.SetSeams(std::move(Seams));
}
