#pragma once
// Cleaning on a schedule: the choice the user makes on the Schedule page, and
// the task that carries it out as data, exactly what is handed to the Task
// Scheduler. Nothing here talks to the system (options/TaskService.h does),
// so every choice can be checked against its task without one.

#include <cstdint>
#include <optional>
#include <string>

enum class TScheduleKind { skOff, skAtLogon, skDaily, skWeekly };

// Days of the week as the Task Scheduler counts them: Sunday is bit 0.
enum TWeekDay : uint16_t {
  wdSunday = 0x01,
  wdMonday = 0x02,
  wdTuesday = 0x04,
  wdWednesday = 0x08,
  wdThursday = 0x10,
  wdFriday = 0x20,
  wdSaturday = 0x40,
};
inline constexpr uint16_t AllWeekDays = 0x7F;

struct TSchedule {
  TScheduleKind Kind = TScheduleKind::skOff;
  int Hour = 12;  // every day, every week: the local time of the run
  int Minute = 30;
  uint16_t Days = wdMonday;  // every week: TWeekDay bits, at least one
  bool OnBattery = false;    // also while the computer runs on battery

  // Two schedules that run alike are equal: the time of a logon task, the
  // days of a daily one and everything of "off" do not count.
  bool SameAs(const TSchedule& Other) const;
};

// The account the task runs as.
struct TTaskAccount {
  std::wstring UserName;       // "alice": the task's name carries it
  std::wstring QualifiedName;  // "PC\alice" or "DOMAIN\alice": the principal
};

struct TCalendarDate {
  int Year = 2000, Month = 1, Day = 1;
};

// A local date and time, as the scheduler and the log give them.
struct TLocalTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  bool operator==(const TLocalTime&) const = default;
};

enum class TTaskTrigger {
  ttNone,   // read back: the task has no trigger and never starts by itself
  ttOther,  // read back: a trigger Marrowby does not make (changed in Task Scheduler)
  ttLogon,
  ttDaily,
  ttWeekly,
};

// A task definition, field by field as the Task Scheduler's object model
// takes it. Read back from the scheduler, a field it does not keep stays as
// a default-made plan has it.
struct TTaskPlan {
  std::wstring Folder;  // "\Brenlow"
  std::wstring Name;    // "Marrowby (alice)"
  // Registration: Source tells a task Marrowby made from another of that name.
  std::wstring Source;
  std::wstring Author;
  std::wstring Description;
  // Trigger.
  TTaskTrigger Trigger = TTaskTrigger::ttNone;
  std::wstring StartBoundary;  // "2026-12-11T12:30:00": local time, no zone, so it follows daylight saving
  int DaysInterval = 0;        // daily
  uint16_t DaysOfWeek = 0;     // weekly
  int WeeksInterval = 0;       // weekly
  std::wstring LogonUserId;    // at logon: whose logon starts it
  // Principal.
  std::wstring UserId;
  bool HighestRunLevel = false;   // the highest rights the user has (Marrowby asks for administrator rights)
  bool InteractiveToken = false;  // runs only while the user is logged on, with no stored password
  // Action.
  std::wstring Command;    // the program's full path, quoted where it holds a blank
  std::wstring Arguments;  // "/auto"
  // Settings.
  bool StartWhenAvailable = false;  // a run missed while the computer was off starts when it is on again
  bool IgnoreNewInstances = false;  // never two at once
  std::wstring ExecutionTimeLimit;  // "PT2H"
  bool DisallowStartIfOnBatteries = false;
  bool StopIfGoingOnBatteries = false;
  bool Enabled = false;
};

inline constexpr wchar_t TaskFolder[] = L"\\Brenlow";
inline constexpr wchar_t TaskSource[] = L"Marrowby";
inline constexpr wchar_t TaskArguments[] = L"/auto";
inline constexpr wchar_t TaskTimeLimit[] = L"PT2H";

// "Marrowby (alice)": one task per user, in TaskFolder.
std::wstring TaskName(const std::wstring& UserName);

// The path as a command: in quotes when a blank would split it, else as it is.
std::wstring QuotedCommand(const std::wstring& Path);
// The path a command runs: its quotes taken off.
std::wstring CommandPath(const std::wstring& Command);

// The task that runs Program (its full path) with /auto on Schedule for
// Account; Today dates the first daily or weekly run. Schedule is not off.
TTaskPlan PlanTask(const TSchedule& Schedule, const std::wstring& Program, const TTaskAccount& Account,
                   const TCalendarDate& Today);

// The schedule a task read back from the scheduler carries out; none when
// its trigger is none Marrowby makes.
std::optional<TSchedule> ScheduleOfTask(const TTaskPlan& Task);

// "every day at 12:30", "every week on Monday and Friday at 07:05", "at every logon", "never".
std::wstring DescribeSchedule(const TSchedule& Schedule);

// "today 12:30", "yesterday 07:05", "tomorrow 12:30", else "2026-12-01 12:30".
std::wstring DescribeWhen(const TLocalTime& When, const TCalendarDate& Today);
