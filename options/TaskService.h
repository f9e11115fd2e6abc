#pragma once
// The Task Scheduler as the Schedule page needs it: find the user's task,
// register it, remove it. TComTaskService (options/TaskSchedulerCom.h) is the
// system's; tests hand in their own where Wine's falls short.

#include "options/Schedule.h"

#include <windows.h>

#include <optional>
#include <string>

// HRESULT_FROM_WIN32 as a constant, for case labels.
constexpr HRESULT Win32Result(DWORD Error) { return static_cast<HRESULT>((Error & 0xFFFFu) | 0x80070000u); }

// A task found under a folder and name.
struct TTaskFound {
  bool Exists = false;
  TTaskPlan Task;  // as the scheduler gives it back
  bool Enabled = false;
  std::optional<TLocalTime> NextRun;  // where the scheduler knows it
  // Marrowby made it (its registration names Marrowby as its source).
  bool Ours() const { return Exists && Task.Source == TaskSource; }
};

class TTaskService {
public:
  virtual ~TTaskService() = default;
  // S_OK with Found.Exists false when there is no such task.
  virtual HRESULT Find(const std::wstring& Folder, const std::wstring& Name, TTaskFound& Found) = 0;
  // Registers Task under its folder (made when missing) and name. Without
  // Replace a task of that name already there is left alone and the answer
  // is Win32Result(ERROR_ALREADY_EXISTS).
  virtual HRESULT Register(const TTaskPlan& Task, bool Replace) = 0;
  // S_OK also when there was no such task.
  virtual HRESULT Remove(const std::wstring& Folder, const std::wstring& Name) = 0;
};

// What the Schedule page knows about the running program and its user.
struct TScheduleContext {
  std::wstring Program;  // the full path of the running Marrowby.exe
  TTaskAccount Account;
  TCalendarDate Today;
};

// What became of a change of schedule.
struct TScheduleOutcome {
  HRESULT Code = S_OK;
  // A task of the user's task name that Marrowby did not make is there:
  // nothing was changed.
  bool Foreign = false;
  bool Succeeded() const { return SUCCEEDED(Code) && !Foreign; }
};

// Sets the user's task to Schedule: off removes Marrowby's task, anything
// else registers it anew, running Context.Program. A task of that name made
// by anyone else is never replaced nor removed.
TScheduleOutcome ApplySchedule(TTaskService& Service, const TSchedule& Schedule, const TScheduleContext& Context);

// The outcome in plain words (the platform's code on a line of its own), or
// empty for a success. Task is the task's folder and name as the user sees
// them in Task Scheduler.
std::wstring ScheduleErrorText(const TScheduleOutcome& Outcome, const std::wstring& Task);

// "\Brenlow\Marrowby (alice)".
std::wstring TaskPathText(const std::wstring& Folder, const std::wstring& Name);
