#include "options/Schedule.h"

#include <cstdio>
#include <vector>

namespace {

std::wstring TwoDigits(int Value) {
  wchar_t Text[8];
  std::swprintf(Text, 8, L"%02d", Value);
  return Text;
}

std::wstring ClockText(int Hour, int Minute) { return TwoDigits(Hour) + L":" + TwoDigits(Minute); }

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysOf(int Year, int Month, int Day) {
  const int64_t Y = Year - (Month <= 2 ? 1 : 0);
  const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const int64_t YearOfEra = Y - Era * 400;
  const int64_t DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

constexpr const wchar_t* DayNames[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                       L"Thursday", L"Friday", L"Saturday"};

// Monday first, as a week is read here; Sunday last.
constexpr int ReadingOrder[] = {1, 2, 3, 4, 5, 6, 0};

}  // namespace

bool TSchedule::SameAs(const TSchedule& Other) const {
  if (Kind != Other.Kind) return false;
  if (Kind == TScheduleKind::skOff) return true;
  if (OnBattery != Other.OnBattery) return false;
  if (Kind == TScheduleKind::skAtLogon) return true;
  if (Hour != Other.Hour || Minute != Other.Minute) return false;
  return Kind != TScheduleKind::skWeekly || Days == Other.Days;
}

std::wstring TaskName(const std::wstring& UserName) { return L"Marrowby (" + UserName + L")"; }

std::wstring QuotedCommand(const std::wstring& Path) {
  if (Path.find_first_of(L" \t") == std::wstring::npos) return Path;
  return L"\"" + Path + L"\"";
}

std::wstring CommandPath(const std::wstring& Command) {
  if (Command.size() >= 2 && Command.front() == L'"' && Command.back() == L'"')
    return Command.substr(1, Command.size() - 2);
  return Command;
}

TTaskPlan PlanTask(const TSchedule& Schedule, const std::wstring& Program, const TTaskAccount& Account,
                   const TCalendarDate& Today) {
  TTaskPlan Plan;
  Plan.Folder = TaskFolder;
  Plan.Name = TaskName(Account.UserName);
  Plan.Source = TaskSource;
  Plan.Author = Account.QualifiedName;
  Plan.Description = L"Marrowby empties its folders unattended (" + DescribeSchedule(Schedule) +
                     L"), as set on its Options dialog's Schedule page.";
  switch (Schedule.Kind) {
    case TScheduleKind::skOff:
    case TScheduleKind::skAtLogon:
      Plan.Trigger = TTaskTrigger::ttLogon;
      // Only this user's logons: a task for anybody's needs an administrator, and would clean the wrong profile.
      Plan.LogonUserId = Account.QualifiedName;
      break;
    case TScheduleKind::skDaily:
      Plan.Trigger = TTaskTrigger::ttDaily;
      Plan.DaysInterval = 1;
      break;
    case TScheduleKind::skWeekly:
      Plan.Trigger = TTaskTrigger::ttWeekly;
      Plan.DaysOfWeek = static_cast<uint16_t>(Schedule.Days & AllWeekDays);
      Plan.WeeksInterval = 1;
      break;
  }
  if (Plan.Trigger != TTaskTrigger::ttLogon) {
    wchar_t Boundary[32];
    std::swprintf(Boundary, 32, L"%04d-%02d-%02dT%02d:%02d:00", Today.Year, Today.Month, Today.Day, Schedule.Hour,
                  Schedule.Minute);
    Plan.StartBoundary = Boundary;
  }
  Plan.UserId = Account.QualifiedName;
  // Marrowby asks for administrator rights: on an administrator's account a
  // task without the highest run level cannot start it at all.
  Plan.HighestRunLevel = true;
  Plan.InteractiveToken = true;
  Plan.Command = QuotedCommand(Program);
  Plan.Arguments = TaskArguments;
  Plan.StartWhenAvailable = true;
  Plan.IgnoreNewInstances = true;
  Plan.ExecutionTimeLimit = TaskTimeLimit;
  Plan.DisallowStartIfOnBatteries = !Schedule.OnBattery;
  Plan.StopIfGoingOnBatteries = !Schedule.OnBattery;
  Plan.Enabled = true;
  return Plan;
}

std::optional<TSchedule> ScheduleOfTask(const TTaskPlan& Task) {
  TSchedule Schedule;
  Schedule.OnBattery = !Task.DisallowStartIfOnBatteries;
  int Hour = -1, Minute = -1;
  const bool Timed = std::swscanf(Task.StartBoundary.c_str(), L"%*4d-%*2d-%*2dT%2d:%2d", &Hour, &Minute) == 2 &&
                     Hour >= 0 && Hour < 24 && Minute >= 0 && Minute < 60;
  switch (Task.Trigger) {
    case TTaskTrigger::ttLogon:
      Schedule.Kind = TScheduleKind::skAtLogon;
      return Schedule;
    case TTaskTrigger::ttDaily:
      if (!Timed || Task.DaysInterval != 1) return std::nullopt;
      Schedule.Kind = TScheduleKind::skDaily;
      break;
    case TTaskTrigger::ttWeekly:
      if (!Timed || Task.WeeksInterval != 1 || (Task.DaysOfWeek & AllWeekDays) == 0) return std::nullopt;
      Schedule.Kind = TScheduleKind::skWeekly;
      Schedule.Days = static_cast<uint16_t>(Task.DaysOfWeek & AllWeekDays);
      break;
    case TTaskTrigger::ttNone:
    case TTaskTrigger::ttOther:
      return std::nullopt;
  }
  Schedule.Hour = Hour;
  Schedule.Minute = Minute;
  return Schedule;
}

std::wstring DescribeSchedule(const TSchedule& Schedule) {
  switch (Schedule.Kind) {
    case TScheduleKind::skOff:
      return L"never";
    case TScheduleKind::skAtLogon:
      return L"at every logon";
    case TScheduleKind::skDaily:
      return L"every day at " + ClockText(Schedule.Hour, Schedule.Minute);
    case TScheduleKind::skWeekly:
      break;
  }
  std::vector<std::wstring> Names;
  for (int Day : ReadingOrder)
    if ((Schedule.Days & (1u << Day)) != 0) Names.emplace_back(DayNames[Day]);
  std::wstring Days;
  for (size_t i = 0; i < Names.size(); ++i) {
    if (i > 0) Days += i + 1 == Names.size() ? L" and " : L", ";
    Days += Names[i];
  }
  return L"every week on " + Days + L" at " + ClockText(Schedule.Hour, Schedule.Minute);
}

std::wstring DescribeWhen(const TLocalTime& When, const TCalendarDate& Today) {
  const int64_t Offset = DaysOf(When.Year, When.Month, When.Day) - DaysOf(Today.Year, Today.Month, Today.Day);
  const std::wstring Clock = ClockText(When.Hour, When.Minute);
  if (Offset == 0) return L"today " + Clock;
  if (Offset == -1) return L"yesterday " + Clock;
  if (Offset == 1) return L"tomorrow " + Clock;
  wchar_t Date[32];
  std::swprintf(Date, 32, L"%04d-%02d-%02d ", When.Year, When.Month, When.Day);
  return Date + Clock;
}
