#include <doctest.h>

#include "FakeTaskService.h"
#include "app/QuenloUnit1.h"
#include "app/RunLog.h"
#include "framework/FileSystem.h"
#include "framework/ShellExecute.h"
#include "options/QuenloUnit2.h"
#include "options/QuenloUnit2Res.h"
#include "options/TaskSchedulerCom.h"
#include "support/ModalAnswer.h"
#include "support/RecordedBoxes.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

enum TKind { Off = 0, AtLogon = 1, Daily = 2, Weekly = 3 };

// The main window on private keys, with a Task Scheduler of the test's own
// (Windows' behaviour: every part of a task is kept) and a log of its own.
struct TScheduleFixture {
  TTempDir Temp;
  TRegistryFixture Registry;
  TFakeTaskService Service;
  std::unique_ptr<TForm1> Form1;
  std::wstring LogPath;
  std::wstring TaskPath;

  TScheduleFixture() : LogPath(Temp / L"Brenlow\\Marrowby\\Marrowby.log") {
    Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
    TaskPath = TaskPathText(TaskFolder, TaskName(CurrentTaskAccount().UserName));
  }
  void Start(const std::function<void(TForm1Options&)>& Adjust = nullptr) {
    TForm1Options Options;
    Options.RegistryKey = Registry.Sub(L"Settings");
    Options.SingleInstance = false;
    Options.PolicyRoots.MachineRoot = HKEY_CURRENT_USER;
    Options.PolicyRoots.MachineKey = Registry.Sub(L"Machine");
    Options.PolicyRoots.UserRoot = HKEY_CURRENT_USER;
    Options.PolicyRoots.UserKey = Registry.Sub(L"User");
    Options.TaskService = &Service;
    Options.RunLogPath = LogPath;
    if (Adjust) Adjust(Options);
    Form1 = std::make_unique<TForm1>(Options);
  }

  // The Options command; Act is done on the Schedule page, then Close (OK or Cancel) unless Act closed it.
  void ShowSchedule(const std::function<void(TForm2&, TSchedulePage&)>& Act, bool Ok) {
    TForm2& Form = Form1->OptionsDialog();
    TModalAnswer Answer(Form, [&](TForm&) {
      Form.OptionsPageControl.SetActivePage(Form.ScheduleTabSheet);
      Act(Form, Form.SchedulePage);
      if (Form.ModalResult() == mrNone) SendMessageW((Ok ? Form.OKButton : Form.CancelButton).Handle(), BM_CLICK, 0, 0);
    });
    Form1->Options1.Click();
    REQUIRE(Answer.Answered());
  }

  const TTaskFound* Task() {
    const auto Found = Service.Tasks.find(TaskPath);
    return Found == Service.Tasks.end() ? nullptr : &Found->second;
  }
};

// With the keyboard, as a person chooses in a closed drop-down list.
void ChooseKind(TSchedulePage& Page, int Kind) {
  Page.KindComboBox.SetFocus();
  SendMessageW(Page.KindComboBox.Handle(), WM_KEYDOWN, VK_HOME, 0);
  for (int i = 0; i < Kind; ++i) SendMessageW(Page.KindComboBox.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  REQUIRE(Page.KindComboBox.ItemIndex() == Kind);
}

void SetTime(TSchedulePage& Page, int Hour, int Minute) {
  SYSTEMTIME Time{};
  Time.wYear = 2026;
  Time.wMonth = 12;
  Time.wDay = 11;
  Time.wHour = static_cast<WORD>(Hour);
  Time.wMinute = static_cast<WORD>(Minute);
  REQUIRE(SendMessageW(Page.TimePicker.Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&Time)));
}

void Click(const TControl& Control) { SendMessageW(Control.Handle(), BM_CLICK, 0, 0); }

// Monday first, as the boxes stand.
std::wstring DaysShown(TSchedulePage& Page) {
  std::wstring Days;
  for (TCheckBox& Day : Page.DayCheckBoxes) Days += Day.Checked() ? L'1' : L'0';
  return Days;
}

std::wstring Enabled(TSchedulePage& Page) {
  std::wstring Marks;
  for (TControl* Control : {static_cast<TControl*>(&Page.KindComboBox), &Page.TimePicker,
                            static_cast<TControl*>(&Page.DayCheckBoxes[0]), static_cast<TControl*>(&Page.BatteryCheckBox),
                            static_cast<TControl*>(&Page.PointHereButton)})
    Marks += Control->Enabled() ? L'1' : L'0';
  return Marks;
}

}  // namespace

TEST_CASE("The Schedule page: each choice greys what it does not use") {
  TScheduleFixture F;
  F.Start();
  F.ShowSchedule(
      [](TForm2& Form, TSchedulePage& Page) {
        CHECK(Form.OptionsPageControl.PageCaption(Form.ScheduleTabSheet.PageIndex()) == L"Schedule");
        CHECK(Page.KindComboBox.Items() ==
              std::vector<std::wstring>{L"Off", L"At every logon", L"Every day", L"Every week"});
        CHECK(IsWindowVisible(Page.KindComboBox.Handle()));
        struct TRow {
          int Kind;
          std::wstring Enabled;  // kind, time, days, battery, point here
        };
        for (const TRow& Row : {TRow{Off, L"10000"}, TRow{AtLogon, L"10010"}, TRow{Daily, L"11010"},
                                TRow{Weekly, L"11110"}, TRow{Off, L"10000"}}) {
          ChooseKind(Page, Row.Kind);
          CHECK(Enabled(Page) == Row.Enabled);
        }
      },
      false);
  CHECK(F.Service.Registrations == 0);
}

TEST_CASE("The Schedule page's round trip: set, close, reopen shows it; off removes the task") {
  TScheduleFixture F;
  F.Start();
  // Nothing registered yet.
  F.ShowSchedule(
      [](TForm2&, TSchedulePage& Page) {
        CHECK(Page.KindComboBox.ItemIndex() == Off);
        CHECK(Page.StateText() == L"No task is set: Marrowby cleans only when you tell it to.");
        ChooseKind(Page, Weekly);
        SetTime(Page, 7, 45);
        Click(Page.DayCheckBoxes[0]);  // Monday was ticked: now not
        Click(Page.DayCheckBoxes[2]);
        Click(Page.DayCheckBoxes[6]);
        Click(Page.BatteryCheckBox);
      },
      true);
  REQUIRE(F.Task() != nullptr);
  CHECK(F.Service.Registrations == 1);
  const TTaskPlan& Registered = F.Task()->Task;
  CHECK(Registered.Trigger == TTaskTrigger::ttWeekly);
  CHECK(Registered.DaysOfWeek == (wdWednesday | wdSunday));
  CHECK(Registered.StartBoundary.substr(10) == L"T07:45:00");
  CHECK_FALSE(Registered.DisallowStartIfOnBatteries);
  CHECK(CommandPath(Registered.Command) == ApplicationExeName());
  CHECK(Registered.Arguments == L"/auto");

  // Reopened: read back from the scheduler.
  F.ShowSchedule(
      [&](TForm2&, TSchedulePage& Page) {
        CHECK(Page.KindComboBox.ItemIndex() == Weekly);
        CHECK(DaysShown(Page) == L"0010001");
        CHECK(Page.Shown().Hour == 7);
        CHECK(Page.Shown().Minute == 45);
        CHECK(Page.BatteryCheckBox.Checked());
        CHECK(Page.StateText() ==
              L"The task \"" + F.TaskPath + L"\" cleans every week on Wednesday and Sunday at 07:45.");
        CHECK_FALSE(Page.PointHereButton.Enabled());
      },
      true);
  // OK with nothing changed asks nothing of the scheduler.
  CHECK(F.Service.Registrations == 1);

  // Changed outside Marrowby: the page shows it as it is.
  TTaskPlan Changed = F.Task()->Task;
  Changed.Trigger = TTaskTrigger::ttDaily;
  Changed.DaysInterval = 1;
  Changed.StartBoundary = L"2026-12-01T22:10:00";
  F.Service.Tasks[F.TaskPath].Task = Changed;
  F.Service.Tasks[F.TaskPath].NextRun = TLocalTime{2099, 1, 2, 22, 10, 0};
  F.ShowSchedule(
      [&](TForm2&, TSchedulePage& Page) {
        CHECK(Page.KindComboBox.ItemIndex() == Daily);
        CHECK(Page.Shown().Hour == 22);
        CHECK(Page.Shown().Minute == 10);
        CHECK(Page.StateText() ==
              L"The task \"" + F.TaskPath + L"\" cleans every day at 22:10. Next run: 2099-01-02 22:10.");
        ChooseKind(Page, Off);
      },
      true);
  CHECK(F.Task() == nullptr);
  CHECK(F.Service.Removals == 1);

  // Cancel changes nothing.
  F.ShowSchedule([](TForm2&, TSchedulePage& Page) { ChooseKind(Page, Daily); }, false);
  CHECK(F.Task() == nullptr);
  CHECK(F.Service.Registrations == 1);
}

TEST_CASE("A task that runs Marrowby from another path is shown so, and pointed here") {
  TScheduleFixture F;
  F.Start();
  TTaskPlan Old = PlanTask([] {
    TSchedule Schedule;
    Schedule.Kind = TScheduleKind::skDaily;
    Schedule.Hour = 9;
    Schedule.Minute = 0;
    return Schedule;
  }(), F.Temp / L"Old Install\\Marrowby.exe", CurrentTaskAccount(), {2026, 1, 1});
  F.Service.Put(Old);
  F.ShowSchedule(
      [&](TForm2&, TSchedulePage& Page) {
        CHECK(Page.StateText() == L"The task \"" + F.TaskPath + L"\" cleans every day at 09:00. It runs " +
                                      F.Temp.Path() + L"\\Old Install\\Marrowby.exe, not this Marrowby (" +
                                      ApplicationExeName() + L").");
        REQUIRE(Page.PointHereButton.Enabled());
        Click(Page.PointHereButton);
        CHECK(CommandPath(F.Task()->Task.Command) == ApplicationExeName());
        CHECK(F.Task()->Task.StartBoundary.substr(10) == L"T09:00:00");
        CHECK(Page.StateText() == L"The task \"" + F.TaskPath + L"\" cleans every day at 09:00.");
        CHECK_FALSE(Page.PointHereButton.Enabled());
      },
      false);
  CHECK(F.Service.Registrations == 1);
  CHECK(F.Service.LastReplace);

  // The same program under another spelling is this one.
  TTaskPlan Same = F.Task()->Task;
  std::wstring Upper = ApplicationExeName();
  for (wchar_t& C : Upper) C = static_cast<wchar_t>(towupper(C));
  Same.Command = QuotedCommand(Upper);
  F.Service.Put(Same);
  F.ShowSchedule([](TForm2&, TSchedulePage& Page) { CHECK_FALSE(Page.PointHereButton.Enabled()); }, false);
}

TEST_CASE("The scheduler's refusals in plain words, on the page and in a box") {
  TScheduleFixture F;
  F.Start();

  SUBCASE("the service is not running") {
    F.Service.FindError = SCHED_E_SERVICE_NOT_RUNNING;
    F.ShowSchedule(
        [](TForm2&, TSchedulePage& Page) {
          CHECK(Page.StateText() ==
                L"The Task Scheduler service is not running, so Marrowby cannot read or change its schedule. Start "
                L"the service \"Task Scheduler\" (or ask your administrator to), then try again.");
        },
        false);
  }

  SUBCASE("access denied: the box says it, the dialog stays open with the choice") {
    F.Service.RegisterError = E_ACCESSDENIED;
    TRecordedBoxes Boxes;
    F.ShowSchedule(
        [&](TForm2& Form, TSchedulePage& Page) {
          ChooseKind(Page, Daily);
          Click(Form.OKButton);
          CHECK(Form.ModalResult() == mrNone);
          REQUIRE(Boxes.Requests.size() == 1);
          CHECK(Boxes.Requests[0].Text.rfind(L"Windows denied Marrowby access to the task \"" + F.TaskPath + L"\"",
                                             0) == 0);
          CHECK(Boxes.Requests[0].Type == TMsgDlgType::mtError);
          CHECK(Form.OptionsPageControl.ActivePageIndex() == Form.ScheduleTabSheet.PageIndex());
          CHECK(Page.KindComboBox.ItemIndex() == Daily);
        },
        false);
    CHECK(F.Task() == nullptr);
  }

  SUBCASE("a task of that name made by someone else is shown and never overwritten") {
    TTaskPlan Theirs = PlanTask(TSchedule{TScheduleKind::skAtLogon}, L"C:\\Other\\Tool.exe", CurrentTaskAccount(),
                                {2026, 1, 1});
    Theirs.Source = L"Someone";
    F.Service.Put(Theirs);
    TRecordedBoxes Boxes;
    F.ShowSchedule(
        [&](TForm2& Form, TSchedulePage& Page) {
          const std::wstring Foreign = L"A task named \"" + F.TaskPath +
                                       L"\" is in the Task Scheduler, but Marrowby did not make it. Marrowby leaves "
                                       L"it as it is: remove or rename it in Task Scheduler, then set the schedule "
                                       L"here again.";
          CHECK(Page.StateText() == Foreign);
          CHECK(Page.KindComboBox.ItemIndex() == Off);
          CHECK_FALSE(Page.PointHereButton.Enabled());
          ChooseKind(Page, Daily);
          Click(Form.OKButton);
          REQUIRE(Boxes.Requests.size() == 1);
          CHECK(Boxes.Requests[0].Text == Foreign);
        },
        false);
    CHECK(F.Service.Registrations == 0);
    CHECK(F.Task()->Task.Command == L"C:\\Other\\Tool.exe");
  }

  SUBCASE("a week without a day is no schedule") {
    TRecordedBoxes Boxes;
    F.ShowSchedule(
        [&](TForm2& Form, TSchedulePage& Page) {
          ChooseKind(Page, Weekly);
          for (TCheckBox& Day : Page.DayCheckBoxes) Day.SetChecked(false);
          Click(Form.OKButton);
          CHECK(Form.ModalResult() == mrNone);
          REQUIRE(Boxes.Requests.size() == 1);
          CHECK(Boxes.Requests[0].Text ==
                L"Choose at least one day of the week on the Schedule page, or another schedule.");
        },
        false);
    CHECK(F.Service.Registrations == 0);
  }
}

TEST_CASE("The last unattended run from the log, and the button that opens it") {
  TScheduleFixture F;
  F.Start();
  std::vector<std::wstring> Opened;
  TShellExecuteHook Shell([&Opened](const TShellExecuteRequest& Request) -> INT_PTR {
    Opened.push_back(std::wstring(Request.Operation) + L" " + Request.FileName);
    return 42;
  });

  // No log at all.
  TRecordedBoxes Boxes;
  F.ShowSchedule(
      [&](TForm2&, TSchedulePage& Page) {
        CHECK(Page.LastRunLabel.Text() == L"Last run: none yet (there is no log).");
        Click(Page.OpenLogButton);
      },
      false);
  CHECK(Opened.empty());
  REQUIRE(Boxes.Requests.size() == 1);
  CHECK(Boxes.Requests[0].Text == L"There is no log yet: Marrowby writes " + F.LogPath +
                                      L" when it first cleans unattended.");

  // A run today, then a line cut short.
  SYSTEMTIME Now{};
  GetLocalTime(&Now);
  TRunRecord Record;
  Record.Year = Now.wYear;
  Record.Month = Now.wMonth;
  Record.Day = Now.wDay;
  Record.Hour = 12;
  Record.Minute = 30;
  Record.Ran = true;
  Record.DeletedBytes = 412LL * 1024 * 1024;
  Record.FilesLeft = 3;
  Record.ExitCode = 1;
  REQUIRE(AppendRunLogLine(F.LogPath, FormatRunLogLine(Record)));
  F.ShowSchedule(
      [&](TForm2&, TSchedulePage& Page) {
        CHECK(Page.LastRunLabel.Text() ==
              L"Last run: today 12:30, 412 MB deleted, 3 files in use left\r\nExit code 1: something was left.");
        Click(Page.OpenLogButton);
      },
      false);
  CHECK(Opened == std::vector<std::wstring>{L"open " + F.LogPath});

  REQUIRE(AppendRunLogLine(F.LogPath, FormatRunLogLine(Record).substr(0, 30)));
  F.ShowSchedule(
      [&](TForm2&, TSchedulePage& Page) {
        CHECK(Page.LastRunLabel.Text() == L"Last run: today 12:30, 412 MB deleted, 3 files in use left\r\nExit code "
                                          L"1: something was left. A later line of the log could not be read.");
      },
      false);
}

TEST_CASE("DisableSchedule greys the Schedule page with the administrator's line; a managed folder list does not") {
  struct TRow {
    const char* Name;
    const wchar_t* Value;
    bool Greyed;
  };
  for (const TRow& Row : {TRow{"DisableSchedule 1", L"DisableSchedule", true},
                          TRow{"a managed folder list", L"Locations", false}}) {
    CAPTURE(Row.Name);
    TScheduleFixture F;
    if (Row.Greyed)
      F.Registry.WriteDword(L"Machine", Row.Value, 1);
    else
      F.Registry.WriteString(L"Machine\\Locations", L"Item1", F.Temp.Path());
    F.Start();
    F.ShowSchedule(
        [&](TForm2& Form, TSchedulePage& Page) {
          const HWND Line = GetDlgItem(Form.Handle(), IDC_MANAGEDSCHEDULE);
          CHECK((Line != nullptr) == Row.Greyed);
          if (Line != nullptr) {
            CHECK(IsWindowVisible(Line));
            CHECK(Form.ManagedScheduleLabel.Text() == L"Some settings are managed by your administrator.");
          }
          CHECK(Page.KindComboBox.Enabled() == !Row.Greyed);
          if (Row.Greyed) {
            // Whatever the control were made to hold, as its notice would say.
            Page.KindComboBox.SetItemIndex(Daily);
            Page.KindComboBoxChange();
          } else {
            ChooseKind(Page, Daily);
          }
          CHECK(Page.TimePicker.Enabled() == !Row.Greyed);
          CHECK(Page.BatteryCheckBox.Enabled() == !Row.Greyed);
          CHECK(Page.OpenLogButton.Enabled());
        },
        true);
    // Greyed, nothing reaches the scheduler whatever the controls hold.
    CHECK(F.Service.Registrations == (Row.Greyed ? 0 : 1));
  }
}
