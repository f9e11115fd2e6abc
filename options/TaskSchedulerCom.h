#pragma once
// The system's Task Scheduler 2.0 through its object model (ITaskService),
// never by starting schtasks.exe. A task is written part by part into a new
// definition; each part reads back the same way, so a test can hold what the
// object model took against what was meant.

#include "framework/ComPtr.h"
#include "options/TaskService.h"

#include <taskschd.h>

#include <functional>
#include <string>

// The parts of a definition. Each asks the object model for its part and
// sets every field of Task that lives there; the first refusal ends it.
HRESULT WriteRegistration(ITaskDefinition& Definition, const TTaskPlan& Task);
HRESULT WriteTrigger(ITaskDefinition& Definition, const TTaskPlan& Task);
HRESULT WritePrincipal(ITaskDefinition& Definition, const TTaskPlan& Task);
HRESULT WriteAction(ITaskDefinition& Definition, const TTaskPlan& Task);
HRESULT WriteSettings(ITaskDefinition& Definition, const TTaskPlan& Task);
// Every part: a task the scheduler cannot take whole is not registered.
HRESULT WriteTaskDefinition(ITaskDefinition& Definition, const TTaskPlan& Task);

// The same parts read back into Task; a field the object model does not
// answer stays as it was.
HRESULT ReadRegistration(ITaskDefinition& Definition, TTaskPlan& Task);
HRESULT ReadTrigger(ITaskDefinition& Definition, TTaskPlan& Task);
HRESULT ReadPrincipal(ITaskDefinition& Definition, TTaskPlan& Task);
HRESULT ReadAction(ITaskDefinition& Definition, TTaskPlan& Task);
HRESULT ReadSettings(ITaskDefinition& Definition, TTaskPlan& Task);
// Every part, each whatever the others answer; the first failure is returned.
HRESULT ReadTaskDefinition(ITaskDefinition& Definition, TTaskPlan& Task);

// What fills a new definition before it is registered.
using TDefinitionWriter = std::function<HRESULT(ITaskDefinition& Definition, const TTaskPlan& Task)>;

class TComTaskService final : public TTaskService {
public:
  explicit TComTaskService(TDefinitionWriter Writer = WriteTaskDefinition);

  HRESULT Find(const std::wstring& Folder, const std::wstring& Name, TTaskFound& Found) override;
  HRESULT Register(const TTaskPlan& Task, bool Replace) override;
  HRESULT Remove(const std::wstring& Folder, const std::wstring& Name) override;

  // An empty definition of the local scheduler, as Register fills one.
  HRESULT NewDefinition(ComPtr<ITaskDefinition>& Definition);

private:
  HRESULT Connect();

  TComInitialization FCom;
  ComPtr<ITaskService> FService;
  TDefinitionWriter FWriter;
};

// The account the process runs as: "alice" and "PC\alice". Empty names when
// the system does not say.
TTaskAccount CurrentTaskAccount();
