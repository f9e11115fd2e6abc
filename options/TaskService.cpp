#include "options/TaskService.h"

#include <cstdio>

TScheduleOutcome ApplySchedule(TTaskService& Service, const TSchedule& Schedule, const TScheduleContext& Context) {
  TScheduleOutcome Outcome;
  const std::wstring Name = TaskName(Context.Account.UserName);
  TTaskFound Found;
  Outcome.Code = Service.Find(TaskFolder, Name, Found);
  if (FAILED(Outcome.Code)) return Outcome;
  if (Found.Exists && !Found.Ours()) {
    Outcome.Foreign = true;
    return Outcome;
  }
  if (Schedule.Kind == TScheduleKind::skOff) {
    if (Found.Exists) Outcome.Code = Service.Remove(TaskFolder, Name);
    return Outcome;
  }
  // Only a task found to be Marrowby's is replaced: one that someone else
  // makes under that name meanwhile makes the registration fail.
  Outcome.Code = Service.Register(PlanTask(Schedule, Context.Program, Context.Account, Context.Today), Found.Exists);
  if (Outcome.Code == Win32Result(ERROR_ALREADY_EXISTS)) Outcome.Foreign = true;
  return Outcome;
}

std::wstring TaskPathText(const std::wstring& Folder, const std::wstring& Name) {
  std::wstring Path = Folder;
  if (Path.empty() || Path.back() != L'\\') Path += L'\\';
  return Path + Name;
}

std::wstring ScheduleErrorText(const TScheduleOutcome& Outcome, const std::wstring& Task) {
  if (Outcome.Foreign)
    return L"A task named \"" + Task + L"\" is in the Task Scheduler, but Marrowby did not make it. Marrowby leaves "
           L"it as it is: remove or rename it in Task Scheduler, then set the schedule here again.";
  if (SUCCEEDED(Outcome.Code)) return {};
  std::wstring Words;
  switch (Outcome.Code) {
    case SCHED_E_SERVICE_NOT_RUNNING:
    case Win32Result(ERROR_SERVICE_NOT_ACTIVE):
    case Win32Result(ERROR_SERVICE_DISABLED):
    case Win32Result(RPC_S_SERVER_UNAVAILABLE):
      Words = L"The Task Scheduler service is not running, so Marrowby cannot read or change its schedule. Start "
              L"the service \"Task Scheduler\" (or ask your administrator to), then try again.";
      break;
    case E_ACCESSDENIED:
      Words = L"Windows denied Marrowby access to the task \"" + Task +
              L"\" in the Task Scheduler. Your administrator may have restricted scheduled tasks on this computer.";
      break;
    default:
      Words = L"The Task Scheduler did not take the change of the task \"" + Task + L"\".";
      break;
  }
  wchar_t Code[32];
  std::swprintf(Code, 32, L"Error 0x%08lX", static_cast<unsigned long>(Outcome.Code));
  // The code stays on a line of its own, below the words, for whoever helps.
  return Words + L"\r\n\r\n" + Code;
}
