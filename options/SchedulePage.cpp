#include "options/SchedulePage.h"

#include "framework/Dialogs.h"
#include "framework/FolderHandle.h"

#include <windows.h>
#include <commctrl.h>

namespace {

// Monday first, as the check boxes stand.
constexpr TWeekDay DayOrder[] = {wdMonday, wdTuesday, wdWednesday, wdThursday, wdFriday, wdSaturday, wdSunday};

bool SameText(const std::wstring& A, const std::wstring& B) {
  return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(), static_cast<int>(B.size()), TRUE) ==
         CSTR_EQUAL;
}

// The same file, whatever the path's spelling: another drive letter, a short name, a link.
bool SameProgram(const std::wstring& A, const std::wstring& B) {
  const UniqueFile First = OpenToInspect(A);
  const UniqueFile Second = OpenToInspect(B);
  TFileIdentity One, Other;
  if (First && Second && IdentityOf(First.get(), One) && IdentityOf(Second.get(), Other)) return One == Other;
  // A program that is not there is not this one, whatever it is called.
  return First && Second && SameText(A, B);
}

}  // namespace

void TSchedulePage::Start(HWND Owner) {
  FOwner = Owner;
  KindComboBox.SetItems({L"Off", L"At every logon", L"Every day", L"Every week"});
  KindComboBox.SetItemIndex(0);
  // Hours and minutes, in 24 hours whatever the user's format: the same as
  // the state line and the log say them.
  SendMessageW(TimePicker.Handle(), DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH':'mm"));
  TimePicker.SetHint(L"Time of the run");
  KindComboBox.SetHint(L"Clean automatically");
  StateLabel.SetHint(L"The task in the Task Scheduler");
  LastRunLabel.SetHint(L"The last unattended run");
  KindComboBox.OnChange = [this](TObject*) { KindComboBoxChange(); };
  PointHereButton.OnClick = [this](TObject*) { PointHereButtonClick(); };
  OpenLogButton.OnClick = [this](TObject*) { OpenLogButtonClick(); };
  Show(TSchedule());
}

TSchedule TSchedulePage::Shown() const {
  TSchedule Schedule;
  const int Kind = KindComboBox.ItemIndex();
  Schedule.Kind = Kind >= 0 && Kind <= 3 ? static_cast<TScheduleKind>(Kind) : TScheduleKind::skOff;
  SYSTEMTIME Time{};
  if (SendMessageW(TimePicker.Handle(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&Time)) == GDT_VALID) {
    Schedule.Hour = Time.wHour;
    Schedule.Minute = Time.wMinute;
  }
  Schedule.Days = 0;
  for (int i = 0; i < 7; ++i)
    if (DayCheckBoxes[i].Checked()) Schedule.Days = static_cast<uint16_t>(Schedule.Days | DayOrder[i]);
  Schedule.OnBattery = BatteryCheckBox.Checked();
  return Schedule;
}

void TSchedulePage::Show(const TSchedule& Schedule) {
  KindComboBox.SetItemIndex(static_cast<int>(Schedule.Kind));
  SYSTEMTIME Time{};
  Time.wYear = 2000;
  Time.wMonth = 1;
  Time.wDay = 1;
  Time.wHour = static_cast<WORD>(Schedule.Hour);
  Time.wMinute = static_cast<WORD>(Schedule.Minute);
  SendMessageW(TimePicker.Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&Time));
  for (int i = 0; i < 7; ++i) DayCheckBoxes[i].SetChecked((Schedule.Days & DayOrder[i]) != 0);
  BatteryCheckBox.SetChecked(Schedule.OnBattery);
  UpdateEnabling();
}

void TSchedulePage::KindComboBoxChange() { UpdateEnabling(); }

void TSchedulePage::UpdateEnabling() {
  const TScheduleKind Kind = Shown().Kind;
  const bool Free = !FLocked;
  KindComboBox.SetEnabled(Free);
  const bool Timed = Kind == TScheduleKind::skDaily || Kind == TScheduleKind::skWeekly;
  TimePicker.SetEnabled(Free && Timed);
  for (TCheckBox& Day : DayCheckBoxes) Day.SetEnabled(Free && Kind == TScheduleKind::skWeekly);
  BatteryCheckBox.SetEnabled(Free && Kind != TScheduleKind::skOff);
  PointHereButton.SetEnabled(Free && Elsewhere() && ScheduleOfTask(FFound.Task).has_value());
}

void TSchedulePage::SetLocked(bool Locked) {
  FLocked = Locked;
  UpdateEnabling();
}

bool TSchedulePage::Elsewhere() const {
  if (!FFound.Ours()) return false;
  const std::wstring Program = CommandPath(FFound.Task.Command);
  return Program.empty() || !SameProgram(Program, FSeams.Context.Program);
}

void TSchedulePage::Refresh() {
  FFound = TTaskFound();
  FReadResult = FSeams.Service != nullptr
                    ? FSeams.Service->Find(TaskFolder, TaskName(FSeams.Context.Account.UserName), FFound)
                    : E_POINTER;
  TSchedule Read;
  if (FFound.Ours()) Read = ScheduleOfTask(FFound.Task).value_or(TSchedule());
  // A schedule already shown keeps its time and days when the task says none.
  if (Read.Kind == TScheduleKind::skOff) {
    const TSchedule Before = Shown();
    Read.Hour = Before.Hour;
    Read.Minute = Before.Minute;
    Read.Days = Before.Days != 0 ? Before.Days : static_cast<uint16_t>(wdMonday);
  }
  FBaseline = Read;
  Show(Read);
  ShowState();
  LastRunLabel.SetText(FSeams.LastRunText ? FSeams.LastRunText() : std::wstring());
}

void TSchedulePage::ShowState() {
  const std::wstring Task = TaskPathText(TaskFolder, TaskName(FSeams.Context.Account.UserName));
  if (FAILED(FReadResult)) {
    TScheduleOutcome Outcome;
    Outcome.Code = FReadResult;
    FStateText = ScheduleErrorText(Outcome, Task);
    // The code's line is for a box; here the words say it.
    FStateText = FStateText.substr(0, FStateText.find(L"\r\n"));
  } else if (!FFound.Exists) {
    FStateText = L"No task is set: Marrowby cleans only when you tell it to.";
  } else if (!FFound.Ours()) {
    TScheduleOutcome Outcome;
    Outcome.Foreign = true;
    FStateText = ScheduleErrorText(Outcome, Task);
  } else {
    const auto Schedule = ScheduleOfTask(FFound.Task);
    FStateText = Schedule ? L"The task \"" + Task + L"\" cleans " + DescribeSchedule(*Schedule) + L"."
                          : L"The task \"" + Task + L"\" has no schedule Marrowby can show (it was changed outside "
                                                    L"Marrowby, or not kept): choose one and press OK.";
    if (!FFound.Enabled) FStateText += L" It is disabled in Task Scheduler.";
    if (FFound.NextRun) FStateText += L" Next run: " + DescribeWhen(*FFound.NextRun, FSeams.Context.Today) + L".";
    if (Elsewhere()) {
      const std::wstring Program = CommandPath(FFound.Task.Command);
      FStateText += Program.empty() ? L" It runs no program."
                                    : L" It runs " + Program + L", not this Marrowby (" + FSeams.Context.Program + L").";
    }
  }
  StateLabel.SetText(FStateText);
  UpdateEnabling();
}

bool TSchedulePage::Apply() {
  if (FLocked) return true;
  const TSchedule Schedule = Shown();
  if (Schedule.SameAs(FBaseline)) return true;
  if (Schedule.Kind == TScheduleKind::skWeekly && Schedule.Days == 0) {
    TMessageDialogRequest Request;
    Request.Owner = FOwner;
    Request.Text = L"Choose at least one day of the week on the Schedule page, or another schedule.";
    Request.Type = TMsgDlgType::mtWarning;
    MessageDlg(Request);
    return false;
  }
  return ApplyNow(Schedule);
}

bool TSchedulePage::ApplyNow(const TSchedule& Schedule) {
  if (FSeams.Service == nullptr) return false;
  const TScheduleOutcome Outcome = ApplySchedule(*FSeams.Service, Schedule, FSeams.Context);
  if (!Outcome.Succeeded()) {
    TMessageDialogRequest Request;
    Request.Owner = FOwner;
    Request.Text = ScheduleErrorText(Outcome, TaskPathText(TaskFolder, TaskName(FSeams.Context.Account.UserName)));
    Request.Type = TMsgDlgType::mtError;
    MessageDlg(Request);
  }
  // The page shows the task as it now is, set or not.
  const TSchedule Chosen = Shown();
  Refresh();
  if (!Outcome.Succeeded()) Show(Chosen);
  return Outcome.Succeeded();
}

void TSchedulePage::PointHereButtonClick() {
  const auto Schedule = ScheduleOfTask(FFound.Task);
  if (FLocked || !Schedule) return;
  ApplyNow(*Schedule);
}

void TSchedulePage::OpenLogButtonClick() {
  if (FSeams.OpenLog) FSeams.OpenLog();
}
