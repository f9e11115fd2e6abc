#include <doctest.h>

#include "FakeTaskService.h"
#include "options/Schedule.h"
#include "options/TaskService.h"
#include "support/TestStrings.h"

#include <string>
#include <vector>

namespace {

const TTaskAccount Alice{L"alice", L"PC\\alice"};
const TCalendarDate Today{2026, 12, 11};
const std::wstring Program = L"C:\\Program Files\\Brenlow\\Marrowby\\Marrowby.exe";

TSchedule Choice(TScheduleKind Kind, int Hour = 12, int Minute = 30, uint16_t Days = wdMonday, bool Battery = false) {
  TSchedule Schedule;
  Schedule.Kind = Kind;
  Schedule.Hour = Hour;
  Schedule.Minute = Minute;
  Schedule.Days = Days;
  Schedule.OnBattery = Battery;
  return Schedule;
}

}  // namespace

TEST_CASE("Each choice on the Schedule page against the task it registers") {
  struct TRow {
    const char* Name;
    TSchedule Schedule;
    std::wstring ProgramPath;
    TTaskTrigger Trigger;
    std::wstring StartBoundary;
    int DaysInterval;
    uint16_t DaysOfWeek;
    int WeeksInterval;
    std::wstring LogonUserId;
    std::wstring Command;
    bool OnBatteryToo;
  };
  const TRow Rows[] = {
      {"at every logon", Choice(TScheduleKind::skAtLogon), Program, TTaskTrigger::ttLogon, L"", 0, 0, 0,
       L"PC\\alice", L"\"" + Program + L"\"", false},
      {"at every logon, on battery too", Choice(TScheduleKind::skAtLogon, 1, 2, 0, true), Program,
       TTaskTrigger::ttLogon, L"", 0, 0, 0, L"PC\\alice", L"\"" + Program + L"\"", true},
      {"every day at 12:30", Choice(TScheduleKind::skDaily), Program, TTaskTrigger::ttDaily,
       L"2026-12-11T12:30:00", 1, 0, 0, L"", L"\"" + Program + L"\"", false},
      {"every day at 00:05 from a path without blanks", Choice(TScheduleKind::skDaily, 0, 5),
       L"D:\\Tools\\Marrowby.exe", TTaskTrigger::ttDaily, L"2026-12-11T00:05:00", 1, 0, 0, L"",
       L"D:\\Tools\\Marrowby.exe", false},
      {"every week on Monday and Friday at 23:59", Choice(TScheduleKind::skWeekly, 23, 59, wdMonday | wdFriday),
       Program, TTaskTrigger::ttWeekly, L"2026-12-11T23:59:00", 0, 0x22, 1, L"", L"\"" + Program + L"\"", false},
      {"every week on Sunday, on battery too", Choice(TScheduleKind::skWeekly, 7, 0, wdSunday, true), Program,
       TTaskTrigger::ttWeekly, L"2026-12-11T07:00:00", 0, 0x01, 1, L"", L"\"" + Program + L"\"", true},
      {"every week on every day", Choice(TScheduleKind::skWeekly, 9, 45, AllWeekDays), Program,
       TTaskTrigger::ttWeekly, L"2026-12-11T09:45:00", 0, 0x7F, 1, L"", L"\"" + Program + L"\"", false},
  };
  for (const TRow& Row : Rows) {
    CAPTURE(Row.Name);
    const TTaskPlan Task = PlanTask(Row.Schedule, Row.ProgramPath, Alice, Today);
    // Where and whose.
    CHECK(Task.Folder == L"\\Brenlow");
    CHECK(Task.Name == L"Marrowby (alice)");
    CHECK(Task.Source == L"Marrowby");
    CHECK(Task.Author == L"PC\\alice");
    CHECK(Task.UserId == L"PC\\alice");
    CHECK(Task.HighestRunLevel);
    CHECK(Task.InteractiveToken);
    // When.
    CHECK(Task.Trigger == Row.Trigger);
    CHECK(Task.StartBoundary == Row.StartBoundary);
    CHECK(Task.DaysInterval == Row.DaysInterval);
    CHECK(Task.DaysOfWeek == Row.DaysOfWeek);
    CHECK(Task.WeeksInterval == Row.WeeksInterval);
    CHECK(Task.LogonUserId == Row.LogonUserId);
    // What.
    CHECK(Task.Command == Row.Command);
    CHECK(Task.Arguments == L"/auto");
    // How.
    CHECK(Task.StartWhenAvailable);
    CHECK(Task.IgnoreNewInstances);
    CHECK(Task.ExecutionTimeLimit == L"PT2H");
    CHECK(Task.DisallowStartIfOnBatteries == !Row.OnBatteryToo);
    CHECK(Task.StopIfGoingOnBatteries == !Row.OnBatteryToo);
    CHECK(Task.Enabled);
    CHECK(Task.Description.find(DescribeSchedule(Row.Schedule)) != std::wstring::npos);
    // What the page shows again when it reads the task back.
    const auto Back = ScheduleOfTask(Task);
    REQUIRE(Back.has_value());
    CHECK(Back->SameAs(Row.Schedule));
    CHECK(CommandPath(Task.Command) == Row.ProgramPath);
  }
}

TEST_CASE("A task changed outside Marrowby reads back as no schedule the page can show") {
  TTaskPlan Task = PlanTask(Choice(TScheduleKind::skDaily), Program, Alice, Today);
  SUBCASE("no trigger at all (Wine keeps none)") { Task.Trigger = TTaskTrigger::ttNone; }
  SUBCASE("a trigger Marrowby does not make") { Task.Trigger = TTaskTrigger::ttOther; }
  SUBCASE("every second day") { Task.DaysInterval = 2; }
  SUBCASE("a start without a time") { Task.StartBoundary = L"garbage"; }
  SUBCASE("weekly without a day") {
    Task.Trigger = TTaskTrigger::ttWeekly;
    Task.WeeksInterval = 1;
    Task.DaysOfWeek = 0;
  }
  CHECK_FALSE(ScheduleOfTask(Task).has_value());
}

TEST_CASE("Schedules compare by what they run") {
  CHECK(Choice(TScheduleKind::skOff, 1, 2, wdFriday, true).SameAs(Choice(TScheduleKind::skOff)));
  CHECK(Choice(TScheduleKind::skAtLogon, 1, 2, wdFriday).SameAs(Choice(TScheduleKind::skAtLogon)));
  CHECK_FALSE(Choice(TScheduleKind::skAtLogon, 1, 2, wdFriday, true).SameAs(Choice(TScheduleKind::skAtLogon)));
  CHECK(Choice(TScheduleKind::skDaily, 8, 0, wdFriday).SameAs(Choice(TScheduleKind::skDaily, 8, 0, wdMonday)));
  CHECK_FALSE(Choice(TScheduleKind::skDaily, 8, 0).SameAs(Choice(TScheduleKind::skDaily, 8, 1)));
  CHECK_FALSE(Choice(TScheduleKind::skWeekly, 8, 0, wdFriday).SameAs(Choice(TScheduleKind::skWeekly, 8, 0)));
  CHECK_FALSE(Choice(TScheduleKind::skDaily).SameAs(Choice(TScheduleKind::skWeekly)));
}

TEST_CASE("Schedules, times and commands in words") {
  CHECK(DescribeSchedule(Choice(TScheduleKind::skOff)) == L"never");
  CHECK(DescribeSchedule(Choice(TScheduleKind::skAtLogon)) == L"at every logon");
  CHECK(DescribeSchedule(Choice(TScheduleKind::skDaily, 7, 5)) == L"every day at 07:05");
  CHECK(DescribeSchedule(Choice(TScheduleKind::skWeekly, 12, 30, wdSunday | wdMonday | wdFriday)) ==
        L"every week on Monday, Friday and Sunday at 12:30");
  CHECK(DescribeSchedule(Choice(TScheduleKind::skWeekly, 0, 0, wdWednesday)) == L"every week on Wednesday at 00:00");

  struct TWhen {
    TLocalTime When;
    std::wstring Text;
  };
  const TWhen Whens[] = {
      {{2026, 12, 11, 12, 30, 5}, L"today 12:30"},
      {{2026, 12, 10, 23, 59, 0}, L"yesterday 23:59"},
      {{2026, 12, 12, 0, 0, 0}, L"tomorrow 00:00"},
      {{2026, 12, 1, 7, 5, 0}, L"2026-12-01 07:05"},
      {{2025, 12, 11, 12, 30, 0}, L"2025-12-11 12:30"},
  };
  for (const TWhen& Row : Whens) CHECK(DescribeWhen(Row.When, Today) == Row.Text);
  // Across a month's and a year's end.
  CHECK(DescribeWhen({2026, 12, 31, 8, 0, 0}, {2027, 1, 1}) == L"yesterday 08:00");
  CHECK(DescribeWhen({2024, 3, 1, 8, 0, 0}, {2024, 2, 29}) == L"tomorrow 08:00");

  CHECK(QuotedCommand(L"C:\\Tools\\Marrowby.exe") == L"C:\\Tools\\Marrowby.exe");
  CHECK(QuotedCommand(L"C:\\My Tools\\Marrowby.exe") == L"\"C:\\My Tools\\Marrowby.exe\"");
  CHECK(CommandPath(L"\"C:\\My Tools\\Marrowby.exe\"") == L"C:\\My Tools\\Marrowby.exe");
  CHECK(CommandPath(L"C:\\Tools\\Marrowby.exe") == L"C:\\Tools\\Marrowby.exe");
  CHECK(CommandPath(L"\"") == L"\"");
}

TEST_CASE("Setting the schedule registers, replaces and removes only Marrowby's own task") {
  TFakeTaskService Service;
  const TScheduleContext Context{Program, Alice, Today};
  const std::wstring Path = L"\\Brenlow\\Marrowby (alice)";

  SUBCASE("a new task is made, never put over one") {
    CHECK(ApplySchedule(Service, Choice(TScheduleKind::skDaily), Context).Succeeded());
    CHECK(Service.Registrations == 1);
    CHECK_FALSE(Service.LastReplace);
    REQUIRE(Service.Tasks.count(Path) == 1);
    CHECK(Service.Tasks[Path].Task.Trigger == TTaskTrigger::ttDaily);
    // The second time it is Marrowby's own, and replaced.
    CHECK(ApplySchedule(Service, Choice(TScheduleKind::skAtLogon), Context).Succeeded());
    CHECK(Service.LastReplace);
    CHECK(Service.Tasks[Path].Task.Trigger == TTaskTrigger::ttLogon);
  }
  SUBCASE("off removes it") {
    Service.Put(PlanTask(Choice(TScheduleKind::skDaily), Program, Alice, Today));
    CHECK(ApplySchedule(Service, Choice(TScheduleKind::skOff), Context).Succeeded());
    CHECK(Service.Tasks.empty());
    CHECK(Service.Removals == 1);
  }
  SUBCASE("off without a task asks nothing of the scheduler") {
    CHECK(ApplySchedule(Service, Choice(TScheduleKind::skOff), Context).Succeeded());
    CHECK(Service.Removals == 0);
  }
  SUBCASE("a task of that name made by someone else is neither replaced nor removed") {
    TTaskPlan Theirs = PlanTask(Choice(TScheduleKind::skDaily, 3, 0), L"C:\\Other\\Tool.exe", Alice, Today);
    Theirs.Source = L"Someone";
    Service.Put(Theirs);
    for (TScheduleKind Kind : {TScheduleKind::skDaily, TScheduleKind::skOff}) {
      const TScheduleOutcome Outcome = ApplySchedule(Service, Choice(Kind), Context);
      CHECK(Outcome.Foreign);
      CHECK_FALSE(Outcome.Succeeded());
    }
    CHECK(Service.Registrations == 0);
    CHECK(Service.Removals == 0);
    CHECK(Service.Tasks[Path].Task.Command == L"C:\\Other\\Tool.exe");
  }
  SUBCASE("one made by someone else between the look and the registration") {
    // The scheduler refuses to create what is there: that is someone else's.
    Service.RegisterError = Win32Result(ERROR_ALREADY_EXISTS);
    CHECK(ApplySchedule(Service, Choice(TScheduleKind::skDaily), Context).Foreign);
  }
  SUBCASE("the scheduler's refusals come back") {
    Service.FindError = E_ACCESSDENIED;
    const TScheduleOutcome Outcome = ApplySchedule(Service, Choice(TScheduleKind::skDaily), Context);
    CHECK(Outcome.Code == E_ACCESSDENIED);
    CHECK_FALSE(Outcome.Foreign);
    CHECK(Service.Registrations == 0);
  }
}

TEST_CASE("Each refusal of the scheduler in plain words") {
  const std::wstring Task = L"\\Brenlow\\Marrowby (alice)";
  struct TRow {
    HRESULT Code;
    bool Foreign;
    std::wstring Words;
    std::wstring CodeLine;
  };
  const TRow Rows[] = {
      {SCHED_E_SERVICE_NOT_RUNNING, false, L"The Task Scheduler service is not running", L"Error 0x80041315"},
      {Win32Result(ERROR_SERVICE_NOT_ACTIVE), false, L"The Task Scheduler service is not running",
       L"Error 0x80070426"},
      {Win32Result(RPC_S_SERVER_UNAVAILABLE), false, L"The Task Scheduler service is not running",
       L"Error 0x800706BA"},
      {E_ACCESSDENIED, false, L"Windows denied Marrowby access to the task \"" + Task + L"\"", L"Error 0x80070005"},
      {E_FAIL, false, L"The Task Scheduler did not take the change of the task \"" + Task + L"\"",
       L"Error 0x80004005"},
      {S_OK, true, L"A task named \"" + Task + L"\" is in the Task Scheduler, but Marrowby did not make it.", L""},
  };
  for (const TRow& Row : Rows) {
    CAPTURE(Row.Code);
    TScheduleOutcome Outcome;
    Outcome.Code = Row.Code;
    Outcome.Foreign = Row.Foreign;
    const std::wstring Text = ScheduleErrorText(Outcome, Task);
    CHECK(Text.rfind(Row.Words, 0) == 0);
    if (!Row.CodeLine.empty()) CHECK(Text.substr(Text.size() - Row.CodeLine.size()) == Row.CodeLine);
    CHECK(Text.find(L"\r\n\r\nError") == (Row.CodeLine.empty() ? std::wstring::npos : Text.size() - Row.CodeLine.size() - 4));
  }
  CHECK(ScheduleErrorText(TScheduleOutcome(), Task).empty());
  CHECK(TaskPathText(L"\\Brenlow", L"Marrowby (alice)") == Task);
}
