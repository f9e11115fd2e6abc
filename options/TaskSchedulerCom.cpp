#include "options/TaskSchedulerCom.h"

#include "framework/Handle.h"

#include <oleauto.h>

#include <utility>
#include <vector>

namespace {

// One owner for a BSTR the object model hands out or takes.
class TBstr {
public:
  TBstr() = default;
  explicit TBstr(const std::wstring& Text) : FText(SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size()))) {}
  ~TBstr() { SysFreeString(FText); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;

  BSTR get() const { return FText; }
  BSTR* put() {
    SysFreeString(std::exchange(FText, nullptr));
    return &FText;
  }
  std::wstring Text() const { return FText != nullptr ? std::wstring(FText, SysStringLen(FText)) : std::wstring(); }

private:
  BSTR FText = nullptr;
};

// One owner for a VARIANT.
class TVariant {
public:
  TVariant() { VariantInit(&FValue); }
  ~TVariant() { VariantClear(&FValue); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;

  static TVariant Short(short Value) {
    TVariant Result;
    Result.FValue.vt = VT_I2;
    Result.FValue.iVal = Value;
    return Result;
  }
  static TVariant Text(const std::wstring& Value) {
    TVariant Result;
    Result.FValue.vt = VT_BSTR;
    Result.FValue.bstrVal = SysAllocStringLen(Value.data(), static_cast<UINT>(Value.size()));
    return Result;
  }
  TVariant(TVariant&& Other) noexcept : FValue(Other.FValue) { VariantInit(&Other.FValue); }

  VARIANT& get() { return FValue; }

private:
  VARIANT FValue;
};

// Runs steps while they succeed; the first failure is the result.
class TSteps {
public:
  template <typename Step>
  TSteps& Then(Step&& Next) {
    if (SUCCEEDED(FResult)) FResult = Next();
    return *this;
  }
  HRESULT Result() const { return FResult; }

private:
  HRESULT FResult = S_OK;
};

VARIANT_BOOL AsVariantBool(bool Value) { return Value ? VARIANT_TRUE : VARIANT_FALSE; }

// MinGW-w64's taskschd.h has neither the weekly nor the logon trigger's
// interface; their properties are reached through the automation interface
// every trigger has, as a script reaches them.
HRESULT DispatchId(IDispatch& Object, const wchar_t* Name, DISPID& Id) {
  std::wstring Copy = Name;
  LPOLESTR Names[] = {Copy.data()};
  return Object.GetIDsOfNames(IID_NULL, Names, 1, LOCALE_USER_DEFAULT, &Id);
}

HRESULT PutProperty(IDispatch& Object, const wchar_t* Name, TVariant Value) {
  DISPID Id = 0;
  const HRESULT Found = DispatchId(Object, Name, Id);
  if (FAILED(Found)) return Found;
  DISPID Named = DISPID_PROPERTYPUT;
  DISPPARAMS Parameters{&Value.get(), &Named, 1, 1};
  return Object.Invoke(Id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &Parameters, nullptr, nullptr,
                       nullptr);
}

HRESULT GetProperty(IDispatch& Object, const wchar_t* Name, TVariant& Value) {
  DISPID Id = 0;
  const HRESULT Found = DispatchId(Object, Name, Id);
  if (FAILED(Found)) return Found;
  DISPPARAMS None{nullptr, nullptr, 0, 0};
  return Object.Invoke(Id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &None, &Value.get(), nullptr,
                       nullptr);
}

HRESULT GetShortProperty(IDispatch& Object, const wchar_t* Name, int& Value) {
  TVariant Read;
  HRESULT Result = GetProperty(Object, Name, Read);
  if (SUCCEEDED(Result)) Result = VariantChangeType(&Read.get(), &Read.get(), 0, VT_I4);
  if (SUCCEEDED(Result)) Value = Read.get().lVal;
  return Result;
}

HRESULT GetTextProperty(IDispatch& Object, const wchar_t* Name, std::wstring& Value) {
  TVariant Read;
  HRESULT Result = GetProperty(Object, Name, Read);
  if (SUCCEEDED(Result)) Result = VariantChangeType(&Read.get(), &Read.get(), 0, VT_BSTR);
  if (SUCCEEDED(Result))
    Value = Read.get().bstrVal != nullptr ? std::wstring(Read.get().bstrVal, SysStringLen(Read.get().bstrVal))
                                          : std::wstring();
  return Result;
}

// Reads a text through a getter of the object model.
template <typename Getter>
HRESULT ReadText(Getter&& Get, std::wstring& Value) {
  TBstr Text;
  const HRESULT Result = Get(Text.put());
  if (SUCCEEDED(Result)) Value = Text.Text();
  return Result;
}

template <typename Getter>
HRESULT ReadFlag(Getter&& Get, bool& Value) {
  VARIANT_BOOL Flag = VARIANT_FALSE;
  const HRESULT Result = Get(&Flag);
  if (SUCCEEDED(Result)) Value = Flag != VARIANT_FALSE;
  return Result;
}

// The first failure of several reads, each made whatever the others answer.
HRESULT FirstFailure(std::initializer_list<HRESULT> Results) {
  for (HRESULT Result : Results)
    if (FAILED(Result)) return Result;
  return S_OK;
}

// A folder or task that is not there.
bool IsMissing(HRESULT Result) {
  return Result == Win32Result(ERROR_FILE_NOT_FOUND) || Result == Win32Result(ERROR_PATH_NOT_FOUND);
}

}  // namespace

// ---- Writing ----------------------------------------------------------------------------

HRESULT WriteRegistration(ITaskDefinition& Definition, const TTaskPlan& Task) {
  ComPtr<IRegistrationInfo> Info;
  return TSteps()
      .Then([&] { return Definition.get_RegistrationInfo(Info.put()); })
      .Then([&] { return Info->put_Source(TBstr(Task.Source).get()); })
      .Then([&] { return Info->put_Author(TBstr(Task.Author).get()); })
      .Then([&] { return Info->put_Description(TBstr(Task.Description).get()); })
      .Result();
}

HRESULT WriteTrigger(ITaskDefinition& Definition, const TTaskPlan& Task) {
  TASK_TRIGGER_TYPE2 Type = TASK_TRIGGER_LOGON;
  switch (Task.Trigger) {
    case TTaskTrigger::ttLogon:
      Type = TASK_TRIGGER_LOGON;
      break;
    case TTaskTrigger::ttDaily:
      Type = TASK_TRIGGER_DAILY;
      break;
    case TTaskTrigger::ttWeekly:
      Type = TASK_TRIGGER_WEEKLY;
      break;
    case TTaskTrigger::ttNone:
    case TTaskTrigger::ttOther:
      return E_INVALIDARG;
  }
  ComPtr<ITriggerCollection> Triggers;
  ComPtr<ITrigger> Trigger;
  TSteps Steps;
  Steps.Then([&] { return Definition.get_Triggers(Triggers.put()); })
      .Then([&] { return Triggers->Create(Type, Trigger.put()); })
      .Then([&] {
        return Task.StartBoundary.empty() ? S_OK : Trigger->put_StartBoundary(TBstr(Task.StartBoundary).get());
      });
  switch (Task.Trigger) {
    case TTaskTrigger::ttDaily: {
      ComPtr<IDailyTrigger> Daily;
      Steps.Then([&] { return Trigger.QueryInterface(IID_IDailyTrigger, Daily); })
          .Then([&] { return Daily->put_DaysInterval(static_cast<short>(Task.DaysInterval)); });
      break;
    }
    case TTaskTrigger::ttWeekly:
      Steps
          .Then([&] {
            return PutProperty(*Trigger.get(), L"DaysOfWeek", TVariant::Short(static_cast<short>(Task.DaysOfWeek)));
          })
          .Then([&] {
            return PutProperty(*Trigger.get(), L"WeeksInterval", TVariant::Short(static_cast<short>(Task.WeeksInterval)));
          });
      break;
    case TTaskTrigger::ttLogon:
      Steps.Then([&] { return PutProperty(*Trigger.get(), L"UserId", TVariant::Text(Task.LogonUserId)); });
      break;
    case TTaskTrigger::ttNone:
    case TTaskTrigger::ttOther:
      break;
  }
  return Steps.Result();
}

HRESULT WritePrincipal(ITaskDefinition& Definition, const TTaskPlan& Task) {
  ComPtr<IPrincipal> Principal;
  return TSteps()
      .Then([&] { return Definition.get_Principal(Principal.put()); })
      .Then([&] { return Principal->put_UserId(TBstr(Task.UserId).get()); })
      .Then([&] {
        return Principal->put_LogonType(Task.InteractiveToken ? TASK_LOGON_INTERACTIVE_TOKEN : TASK_LOGON_NONE);
      })
      .Then([&] { return Principal->put_RunLevel(Task.HighestRunLevel ? TASK_RUNLEVEL_HIGHEST : TASK_RUNLEVEL_LUA); })
      .Result();
}

HRESULT WriteAction(ITaskDefinition& Definition, const TTaskPlan& Task) {
  ComPtr<IActionCollection> Actions;
  ComPtr<IAction> Action;
  ComPtr<IExecAction> Exec;
  return TSteps()
      .Then([&] { return Definition.get_Actions(Actions.put()); })
      .Then([&] { return Actions->Create(TASK_ACTION_EXEC, Action.put()); })
      .Then([&] { return Action.QueryInterface(IID_IExecAction, Exec); })
      .Then([&] { return Exec->put_Path(TBstr(Task.Command).get()); })
      .Then([&] { return Exec->put_Arguments(TBstr(Task.Arguments).get()); })
      .Result();
}

HRESULT WriteSettings(ITaskDefinition& Definition, const TTaskPlan& Task) {
  ComPtr<ITaskSettings> Settings;
  return TSteps()
      .Then([&] { return Definition.get_Settings(Settings.put()); })
      .Then([&] { return Settings->put_StartWhenAvailable(AsVariantBool(Task.StartWhenAvailable)); })
      .Then([&] {
        return Settings->put_MultipleInstances(Task.IgnoreNewInstances ? TASK_INSTANCES_IGNORE_NEW
                                                                       : TASK_INSTANCES_PARALLEL);
      })
      .Then([&] { return Settings->put_ExecutionTimeLimit(TBstr(Task.ExecutionTimeLimit).get()); })
      .Then([&] { return Settings->put_DisallowStartIfOnBatteries(AsVariantBool(Task.DisallowStartIfOnBatteries)); })
      .Then([&] { return Settings->put_StopIfGoingOnBatteries(AsVariantBool(Task.StopIfGoingOnBatteries)); })
      .Then([&] { return Settings->put_Enabled(AsVariantBool(Task.Enabled)); })
      .Result();
}

HRESULT WriteTaskDefinition(ITaskDefinition& Definition, const TTaskPlan& Task) {
  return TSteps()
      .Then([&] { return WriteRegistration(Definition, Task); })
      .Then([&] { return WriteTrigger(Definition, Task); })
      .Then([&] { return WritePrincipal(Definition, Task); })
      .Then([&] { return WriteAction(Definition, Task); })
      .Then([&] { return WriteSettings(Definition, Task); })
      .Result();
}

// ---- Reading ----------------------------------------------------------------------------

HRESULT ReadRegistration(ITaskDefinition& Definition, TTaskPlan& Task) {
  ComPtr<IRegistrationInfo> Info;
  const HRESULT Got = Definition.get_RegistrationInfo(Info.put());
  if (FAILED(Got)) return Got;
  return FirstFailure({ReadText([&](BSTR* Text) { return Info->get_Source(Text); }, Task.Source),
                       ReadText([&](BSTR* Text) { return Info->get_Author(Text); }, Task.Author),
                       ReadText([&](BSTR* Text) { return Info->get_Description(Text); }, Task.Description)});
}

HRESULT ReadTrigger(ITaskDefinition& Definition, TTaskPlan& Task) {
  ComPtr<ITriggerCollection> Triggers;
  long Count = 0;
  const HRESULT Counted = TSteps()
                              .Then([&] { return Definition.get_Triggers(Triggers.put()); })
                              .Then([&] { return Triggers->get_Count(&Count); })
                              .Result();
  if (FAILED(Counted)) return Counted;
  Task.Trigger = TTaskTrigger::ttNone;
  if (Count == 0) return S_OK;
  ComPtr<ITrigger> Trigger;
  TASK_TRIGGER_TYPE2 Type = TASK_TRIGGER_EVENT;
  // The collection counts from 1.
  const HRESULT Got = TSteps()
                          .Then([&] { return Triggers->get_Item(1, Trigger.put()); })
                          .Then([&] { return Trigger->get_Type(&Type); })
                          .Result();
  if (FAILED(Got)) return Got;
  // More than one trigger is not what Marrowby makes.
  if (Count > 1) {
    Task.Trigger = TTaskTrigger::ttOther;
    return S_OK;
  }
  HRESULT Result = ReadText([&](BSTR* Text) { return Trigger->get_StartBoundary(Text); }, Task.StartBoundary);
  switch (Type) {
    case TASK_TRIGGER_LOGON:
      Task.Trigger = TTaskTrigger::ttLogon;
      Result = FirstFailure({Result, GetTextProperty(*Trigger.get(), L"UserId", Task.LogonUserId)});
      break;
    case TASK_TRIGGER_DAILY: {
      Task.Trigger = TTaskTrigger::ttDaily;
      ComPtr<IDailyTrigger> Daily;
      short Interval = 0;
      const HRESULT Read = TSteps()
                               .Then([&] { return Trigger.QueryInterface(IID_IDailyTrigger, Daily); })
                               .Then([&] { return Daily->get_DaysInterval(&Interval); })
                               .Result();
      if (SUCCEEDED(Read)) Task.DaysInterval = Interval;
      Result = FirstFailure({Result, Read});
      break;
    }
    case TASK_TRIGGER_WEEKLY: {
      Task.Trigger = TTaskTrigger::ttWeekly;
      int Days = 0;
      const HRESULT ReadDays = GetShortProperty(*Trigger.get(), L"DaysOfWeek", Days);
      if (SUCCEEDED(ReadDays)) Task.DaysOfWeek = static_cast<uint16_t>(Days);
      Result = FirstFailure({Result, ReadDays, GetShortProperty(*Trigger.get(), L"WeeksInterval", Task.WeeksInterval)});
      break;
    }
    default:
      Task.Trigger = TTaskTrigger::ttOther;
      break;
  }
  return Result;
}

HRESULT ReadPrincipal(ITaskDefinition& Definition, TTaskPlan& Task) {
  ComPtr<IPrincipal> Principal;
  const HRESULT Got = Definition.get_Principal(Principal.put());
  if (FAILED(Got)) return Got;
  TASK_LOGON_TYPE Logon = TASK_LOGON_NONE;
  TASK_RUNLEVEL_TYPE Level = TASK_RUNLEVEL_LUA;
  const HRESULT ReadLogon = Principal->get_LogonType(&Logon);
  const HRESULT ReadLevel = Principal->get_RunLevel(&Level);
  if (SUCCEEDED(ReadLogon)) Task.InteractiveToken = Logon == TASK_LOGON_INTERACTIVE_TOKEN;
  if (SUCCEEDED(ReadLevel)) Task.HighestRunLevel = Level == TASK_RUNLEVEL_HIGHEST;
  return FirstFailure(
      {ReadText([&](BSTR* Text) { return Principal->get_UserId(Text); }, Task.UserId), ReadLogon, ReadLevel});
}

HRESULT ReadAction(ITaskDefinition& Definition, TTaskPlan& Task) {
  ComPtr<IActionCollection> Actions;
  long Count = 0;
  const HRESULT Counted = TSteps()
                              .Then([&] { return Definition.get_Actions(Actions.put()); })
                              .Then([&] { return Actions->get_Count(&Count); })
                              .Result();
  if (FAILED(Counted)) return Counted;
  Task.Command.clear();
  Task.Arguments.clear();
  if (Count == 0) return S_OK;
  ComPtr<IAction> Action;
  ComPtr<IExecAction> Exec;
  const HRESULT Got = TSteps()
                          .Then([&] { return Actions->get_Item(1, Action.put()); })
                          .Then([&] { return Action.QueryInterface(IID_IExecAction, Exec); })
                          .Result();
  // Not a program to run (mail, a message, a COM handler): no command.
  if (FAILED(Got)) return S_OK;
  return FirstFailure({ReadText([&](BSTR* Text) { return Exec->get_Path(Text); }, Task.Command),
                       ReadText([&](BSTR* Text) { return Exec->get_Arguments(Text); }, Task.Arguments)});
}

HRESULT ReadSettings(ITaskDefinition& Definition, TTaskPlan& Task) {
  ComPtr<ITaskSettings> Settings;
  const HRESULT Got = Definition.get_Settings(Settings.put());
  if (FAILED(Got)) return Got;
  TASK_INSTANCES_POLICY Instances = TASK_INSTANCES_PARALLEL;
  const HRESULT ReadInstances = Settings->get_MultipleInstances(&Instances);
  if (SUCCEEDED(ReadInstances)) Task.IgnoreNewInstances = Instances == TASK_INSTANCES_IGNORE_NEW;
  return FirstFailure(
      {ReadFlag([&](VARIANT_BOOL* Flag) { return Settings->get_StartWhenAvailable(Flag); }, Task.StartWhenAvailable),
       ReadInstances,
       ReadText([&](BSTR* Text) { return Settings->get_ExecutionTimeLimit(Text); }, Task.ExecutionTimeLimit),
       ReadFlag([&](VARIANT_BOOL* Flag) { return Settings->get_DisallowStartIfOnBatteries(Flag); },
                Task.DisallowStartIfOnBatteries),
       ReadFlag([&](VARIANT_BOOL* Flag) { return Settings->get_StopIfGoingOnBatteries(Flag); },
                Task.StopIfGoingOnBatteries),
       ReadFlag([&](VARIANT_BOOL* Flag) { return Settings->get_Enabled(Flag); }, Task.Enabled)});
}

HRESULT ReadTaskDefinition(ITaskDefinition& Definition, TTaskPlan& Task) {
  return FirstFailure({ReadRegistration(Definition, Task), ReadTrigger(Definition, Task),
                       ReadPrincipal(Definition, Task), ReadAction(Definition, Task), ReadSettings(Definition, Task)});
}

// ---- The service ------------------------------------------------------------------------

TComTaskService::TComTaskService(TDefinitionWriter Writer) : FWriter(std::move(Writer)) {}

HRESULT TComTaskService::Connect() {
  if (FService) return S_OK;
  ComPtr<ITaskService> Service;
  TVariant None;
  const HRESULT Result =
      TSteps()
          .Then([&] {
            return CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                    Service.put_void());
          })
          // This computer, as the user the program runs as.
          .Then([&] { return Service->Connect(None.get(), None.get(), None.get(), None.get()); })
          .Result();
  if (SUCCEEDED(Result)) FService = std::move(Service);
  return Result;
}

HRESULT TComTaskService::NewDefinition(ComPtr<ITaskDefinition>& Definition) {
  return TSteps()
      .Then([&] { return Connect(); })
      .Then([&] { return FService->NewTask(0, Definition.put()); })
      .Result();
}

HRESULT TComTaskService::Find(const std::wstring& Folder, const std::wstring& Name, TTaskFound& Found) {
  Found = TTaskFound();
  ComPtr<ITaskFolder> TaskFolder;
  HRESULT Result = TSteps()
                       .Then([&] { return Connect(); })
                       .Then([&] { return FService->GetFolder(TBstr(Folder).get(), TaskFolder.put()); })
                       .Result();
  ComPtr<IRegisteredTask> Task;
  if (SUCCEEDED(Result)) Result = TaskFolder->GetTask(TBstr(Name).get(), Task.put());
  if (IsMissing(Result)) return S_OK;
  if (FAILED(Result)) return Result;
  Found.Exists = true;
  ComPtr<ITaskDefinition> Definition;
  // What the scheduler cannot say stays unknown; the task is there all the same.
  if (SUCCEEDED(Task->get_Definition(Definition.put()))) ReadTaskDefinition(*Definition.get(), Found.Task);
  Found.Task.Folder = Folder;
  Found.Task.Name = Name;
  ReadFlag([&](VARIANT_BOOL* Flag) { return Task->get_Enabled(Flag); }, Found.Enabled);
  DATE Next = 0;
  SYSTEMTIME Time{};
  // The scheduler's time is local; 0 when it knows no next run.
  if (Task->get_NextRunTime(&Next) == S_OK && Next != 0 && VariantTimeToSystemTime(Next, &Time))
    Found.NextRun = TLocalTime{Time.wYear, Time.wMonth, Time.wDay, Time.wHour, Time.wMinute, Time.wSecond};
  return S_OK;
}

HRESULT TComTaskService::Register(const TTaskPlan& Task, bool Replace) {
  ComPtr<ITaskFolder> Root;
  ComPtr<ITaskFolder> Folder;
  ComPtr<ITaskDefinition> Definition;
  ComPtr<IRegisteredTask> Registered;
  TVariant None;
  return TSteps()
      .Then([&] { return Connect(); })
      .Then([&] { return FService->GetFolder(TBstr(L"\\").get(), Root.put()); })
      .Then([&] {
        const HRESULT Got = Root->GetFolder(TBstr(Task.Folder).get(), Folder.put());
        return IsMissing(Got) ? Root->CreateFolder(TBstr(Task.Folder).get(), None.get(), Folder.put()) : Got;
      })
      .Then([&] { return FService->NewTask(0, Definition.put()); })
      .Then([&] { return FWriter(*Definition.get(), Task); })
      .Then([&] {
        // The account of the principal, logged on or not; no password is kept.
        return Folder->RegisterTaskDefinition(TBstr(Task.Name).get(), Definition.get(),
                                              Replace ? TASK_CREATE_OR_UPDATE : TASK_CREATE, None.get(), None.get(),
                                              TASK_LOGON_INTERACTIVE_TOKEN, None.get(), Registered.put());
      })
      .Result();
}

HRESULT TComTaskService::Remove(const std::wstring& Folder, const std::wstring& Name) {
  ComPtr<ITaskFolder> TaskFolder;
  HRESULT Result = TSteps()
                       .Then([&] { return Connect(); })
                       .Then([&] { return FService->GetFolder(TBstr(Folder).get(), TaskFolder.put()); })
                       .Then([&] { return TaskFolder->DeleteTask(TBstr(Name).get(), 0); })
                       .Result();
  if (IsMissing(Result)) return S_OK;
  if (FAILED(Result)) return Result;
  // The folder goes with its last task: the scheduler refuses to delete one
  // that still holds another user's task, and that answer is no failure here.
  ComPtr<ITaskFolder> Root;
  if (SUCCEEDED(FService->GetFolder(TBstr(L"\\").get(), Root.put()))) Root->DeleteFolder(TBstr(Folder).get(), 0);
  return S_OK;
}

// ---- The account ------------------------------------------------------------------------

TTaskAccount CurrentTaskAccount() {
  TTaskAccount Account;
  UniqueKernelObject Token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, Token.put())) return Account;
  DWORD Size = 0;
  GetTokenInformation(Token.get(), TokenUser, nullptr, 0, &Size);
  std::vector<BYTE> Buffer(Size);
  if (Size == 0 || !GetTokenInformation(Token.get(), TokenUser, Buffer.data(), Size, &Size)) return Account;
  const auto* User = reinterpret_cast<const TOKEN_USER*>(Buffer.data());
  wchar_t Name[256] = L"";
  wchar_t Domain[256] = L"";
  DWORD NameLength = 256, DomainLength = 256;
  SID_NAME_USE Use{};
  if (!LookupAccountSidW(nullptr, User->User.Sid, Name, &NameLength, Domain, &DomainLength, &Use)) return Account;
  Account.UserName = Name;
  Account.QualifiedName = Domain[0] != 0 ? std::wstring(Domain) + L"\\" + Name : std::wstring(Name);
  return Account;
}
