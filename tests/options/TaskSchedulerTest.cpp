#include <doctest.h>

#include "options/TaskSchedulerCom.h"
#include "support/TestStrings.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The system's Task Scheduler through its object model, as the test's Wine
// prefix has it. Wine 8 takes a daily trigger, the registration, the action
// and the settings into a definition, refuses the logon and weekly triggers
// and the principal's run level (E_NOTIMPL), and stores a registered task
// without its trigger, principal and command: what it does not take is
// reported as skipped, never passed.

namespace {

const TCalendarDate Today{2026, 12, 11};
const std::wstring Program = L"C:\\Program Files\\Brenlow\\Marrowby\\Marrowby.exe";

// A user name of this test run alone: parallel runs and the user's own task never meet.
TTaskAccount TestAccount() {
  const std::wstring Name = L"test " + std::to_wstring(GetCurrentProcessId());
  return {Name, L"PC\\" + Name};
}

TSchedule Choice(TScheduleKind Kind, uint16_t Days = wdMonday, bool Battery = false) {
  TSchedule Schedule;
  Schedule.Kind = Kind;
  Schedule.Hour = 6;
  Schedule.Minute = 15;
  Schedule.Days = Days;
  Schedule.OnBattery = Battery;
  return Schedule;
}

struct TPart {
  const char* Name;
  HRESULT (*Write)(ITaskDefinition&, const TTaskPlan&);
  HRESULT (*Read)(ITaskDefinition&, TTaskPlan&);
  // The fields of the part, side by side, for one comparison.
  std::function<std::wstring(const TTaskPlan&)> Fields;
};

std::wstring Flag(bool Value) { return Value ? L"1" : L"0"; }

const std::vector<TPart>& Parts() {
  static const std::vector<TPart> List = {
      {"registration", WriteRegistration, ReadRegistration,
       [](const TTaskPlan& T) { return T.Source + L"|" + T.Author + L"|" + T.Description; }},
      {"trigger", WriteTrigger, ReadTrigger,
       [](const TTaskPlan& T) {
         return std::to_wstring(static_cast<int>(T.Trigger)) + L"|" + T.StartBoundary + L"|" +
                std::to_wstring(T.DaysInterval) + L"|" + std::to_wstring(T.DaysOfWeek) + L"|" +
                std::to_wstring(T.WeeksInterval) + L"|" + T.LogonUserId;
       }},
      {"principal", WritePrincipal, ReadPrincipal,
       [](const TTaskPlan& T) { return T.UserId + L"|" + Flag(T.HighestRunLevel) + Flag(T.InteractiveToken); }},
      {"action", WriteAction, ReadAction, [](const TTaskPlan& T) { return T.Command + L"|" + T.Arguments; }},
      {"settings", WriteSettings, ReadSettings,
       [](const TTaskPlan& T) {
         return Flag(T.StartWhenAvailable) + Flag(T.IgnoreNewInstances) + L"|" + T.ExecutionTimeLimit + L"|" +
                Flag(T.DisallowStartIfOnBatteries) + Flag(T.StopIfGoingOnBatteries) + Flag(T.Enabled);
       }},
  };
  return List;
}

// Writes what the scheduler takes, part by part; what it does not implement
// is left out and named. Only this test registers with it.
HRESULT WriteWhatWineTakes(ITaskDefinition& Definition, const TTaskPlan& Task, std::vector<std::string>& Left) {
  for (const TPart& Part : Parts()) {
    const HRESULT Result = Part.Write(Definition, Task);
    if (Result == E_NOTIMPL) {
      Left.push_back(Part.Name);
      continue;
    }
    if (FAILED(Result)) return Result;
  }
  return S_OK;
}

std::wstring StoredTaskFile(const TTaskPlan& Task) {
  wchar_t System[MAX_PATH] = L"";
  GetSystemDirectoryW(System, MAX_PATH);
  return std::wstring(System) + L"\\Tasks" + Task.Folder + L"\\" + Task.Name;
}

bool FileExists(const std::wstring& Path) {
  const DWORD Attributes = GetFileAttributesW(Path.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Removes the test's task however a check ended.
class TRemoveAtEnd {
public:
  TRemoveAtEnd(TComTaskService& Service, const TTaskPlan& Task) : FService(Service), FTask(Task) {}
  ~TRemoveAtEnd() { FService.Remove(FTask.Folder, FTask.Name); }
  TRemoveAtEnd(const TRemoveAtEnd&) = delete;
  TRemoveAtEnd& operator=(const TRemoveAtEnd&) = delete;

private:
  TComTaskService& FService;
  TTaskPlan FTask;
};

}  // namespace

TEST_CASE("The definition Marrowby builds, part by part through the object model") {
  TComTaskService Service;
  const TSchedule Choices[] = {Choice(TScheduleKind::skAtLogon), Choice(TScheduleKind::skDaily),
                               Choice(TScheduleKind::skDaily, 0, true),
                               Choice(TScheduleKind::skWeekly, wdTuesday | wdSaturday)};
  for (const TSchedule& Schedule : Choices) {
    const TTaskPlan Task = PlanTask(Schedule, Program, TestAccount(), Today);
    CAPTURE(DescribeSchedule(Schedule));
    ComPtr<ITaskDefinition> Definition;
    REQUIRE(Service.NewDefinition(Definition) == S_OK);
    for (const TPart& Part : Parts()) {
      const std::string Name = Part.Name;
      CAPTURE(Name);
      const HRESULT Written = Part.Write(*Definition.get(), Task);
      if (Written == E_NOTIMPL) {
        MESSAGE("skipped: the Task Scheduler here does not take the " << Name << " of a task "
                                                                       << WideToUtf8(DescribeSchedule(Schedule)));
        continue;
      }
      REQUIRE(Written == S_OK);
      TTaskPlan Back;
      const HRESULT Read = Part.Read(*Definition.get(), Back);
      if (Read == E_NOTIMPL) {
        // Wine's trigger and action collections take an item but neither count nor give it back.
        MESSAGE("skipped: the Task Scheduler here does not give back the " << Name << " of a task "
                                                                            << WideToUtf8(DescribeSchedule(Schedule)));
        continue;
      }
      CHECK(Read == S_OK);
      CHECK(Part.Fields(Back) == Part.Fields(Task));
    }
  }
}

TEST_CASE("The strict writer takes a task whole or not at all") {
  TComTaskService Service;
  ComPtr<ITaskDefinition> Definition;
  REQUIRE(Service.NewDefinition(Definition) == S_OK);
  const TTaskPlan Task = PlanTask(Choice(TScheduleKind::skDaily), Program, TestAccount(), Today);
  const HRESULT Whole = WriteTaskDefinition(*Definition.get(), Task);
  // Windows takes every part; Wine refuses the run level, and the task is then not registered at all.
  std::vector<std::string> Left;
  ComPtr<ITaskDefinition> Partial;
  REQUIRE(Service.NewDefinition(Partial) == S_OK);
  REQUIRE(WriteWhatWineTakes(*Partial.get(), Task, Left) == S_OK);
  CHECK((Whole == S_OK) == Left.empty());
  if (!Left.empty()) CHECK(Whole == E_NOTIMPL);
}

TEST_CASE("A registered task appears under its name, reads back as Marrowby's, and goes when switched off") {
  std::vector<std::string> Left;
  TComTaskService Service(
      [&Left](ITaskDefinition& Definition, const TTaskPlan& Task) { return WriteWhatWineTakes(Definition, Task, Left); });
  const TTaskAccount Account = TestAccount();
  const TScheduleContext Context{Program, Account, Today};
  const TTaskPlan Task = PlanTask(Choice(TScheduleKind::skDaily), Program, Account, Today);
  TRemoveAtEnd Cleanup(Service, Task);

  TTaskFound Before;
  REQUIRE(Service.Find(TaskFolder, Task.Name, Before) == S_OK);
  CHECK_FALSE(Before.Exists);

  REQUIRE(ApplySchedule(Service, Choice(TScheduleKind::skDaily), Context).Code == S_OK);
  for (const std::string& Part : Left) MESSAGE("skipped: registered without its " << Part);
  CHECK(FileExists(StoredTaskFile(Task)));
  TTaskFound Found;
  REQUIRE(Service.Find(TaskFolder, Task.Name, Found) == S_OK);
  CHECK(Found.Exists);
  // What tells Marrowby's task from another of that name survives the store.
  CHECK(Found.Ours());
  CHECK(Found.Task.Name == Task.Name);
  CHECK(Found.Task.Folder == TaskFolder);
  CHECK(Found.Task.ExecutionTimeLimit == L"PT2H");
  CHECK(Found.Task.StartWhenAvailable);
  CHECK(Found.Task.IgnoreNewInstances);
  CHECK(Found.Task.DisallowStartIfOnBatteries);
  // What Windows keeps and Wine drops: said, not passed.
  if (Found.Task.Trigger == TTaskTrigger::ttNone) {
    MESSAGE("skipped: the stored task has lost its trigger");
  } else {
    CHECK(Found.Task.Trigger == TTaskTrigger::ttDaily);
    CHECK(Found.Task.StartBoundary == Task.StartBoundary);
  }
  if (Found.Task.Command.empty()) {
    MESSAGE("skipped: the stored task has lost its command");
  } else {
    CHECK(Found.Task.Command == Task.Command);
    CHECK(Found.Task.Arguments == L"/auto");
  }

  // A second registration without leave to replace does not go over it.
  CHECK(Service.Register(Task, false) == Win32Result(ERROR_ALREADY_EXISTS));

  REQUIRE(ApplySchedule(Service, Choice(TScheduleKind::skOff), Context).Code == S_OK);
  CHECK_FALSE(FileExists(StoredTaskFile(Task)));
  // Its folder held nothing else, and went with it.
  const std::wstring Folder = StoredTaskFile(Task).substr(0, StoredTaskFile(Task).rfind(L'\\'));
  CHECK(GetFileAttributesW(Folder.c_str()) == INVALID_FILE_ATTRIBUTES);
  TTaskFound After;
  REQUIRE(Service.Find(TaskFolder, Task.Name, After) == S_OK);
  CHECK_FALSE(After.Exists);
  // Removing what is not there is no error.
  CHECK(Service.Remove(TaskFolder, Task.Name) == S_OK);
}

TEST_CASE("A task of that name that Marrowby did not make stays as it is") {
  std::vector<std::string> Left;
  TComTaskService Service(
      [&Left](ITaskDefinition& Definition, const TTaskPlan& Task) { return WriteWhatWineTakes(Definition, Task, Left); });
  const TTaskAccount Account = TestAccount();
  TTaskPlan Theirs = PlanTask(Choice(TScheduleKind::skDaily), L"C:\\Other\\Tool.exe", Account, Today);
  Theirs.Source = L"Other Tool";
  TRemoveAtEnd Cleanup(Service, Theirs);
  REQUIRE(Service.Register(Theirs, false) == S_OK);

  const TScheduleContext Context{Program, Account, Today};
  for (TScheduleKind Kind : {TScheduleKind::skDaily, TScheduleKind::skOff}) {
    const TScheduleOutcome Outcome = ApplySchedule(Service, Choice(Kind), Context);
    CHECK(Outcome.Foreign);
  }
  TTaskFound Found;
  REQUIRE(Service.Find(TaskFolder, Theirs.Name, Found) == S_OK);
  CHECK(Found.Exists);
  CHECK(Found.Task.Source == L"Other Tool");
}

TEST_CASE("The account a task runs as") {
  const TTaskAccount Account = CurrentTaskAccount();
  wchar_t Name[256] = L"";
  DWORD Length = 256;
  REQUIRE(GetUserNameW(Name, &Length));
  CHECK(Account.UserName == Name);
  const size_t Slash = Account.QualifiedName.find(L'\\');
  REQUIRE(Slash != std::wstring::npos);
  CHECK(Account.QualifiedName.substr(Slash + 1) == Name);
}
