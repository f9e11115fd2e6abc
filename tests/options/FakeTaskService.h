#pragma once
// A task scheduler kept in memory: it stores every definition whole, as
// Windows' does (Wine's drops the trigger, principal and command), and
// answers with a chosen error where a test asks for one.

#include "options/TaskService.h"

#include <map>
#include <string>
#include <utility>

class TFakeTaskService final : public TTaskService {
public:
  std::map<std::wstring, TTaskFound> Tasks;  // by "\Folder\Name"
  HRESULT FindError = S_OK;  // what Find answers instead of looking
  HRESULT RegisterError = S_OK;
  HRESULT RemoveError = S_OK;
  int Registrations = 0;
  int Removals = 0;
  bool LastReplace = false;

  HRESULT Find(const std::wstring& Folder, const std::wstring& Name, TTaskFound& Found) override {
    Found = TTaskFound();
    if (FAILED(FindError)) return FindError;
    const auto Task = Tasks.find(TaskPathText(Folder, Name));
    if (Task != Tasks.end()) Found = Task->second;
    return S_OK;
  }

  HRESULT Register(const TTaskPlan& Task, bool Replace) override {
    if (FAILED(RegisterError)) return RegisterError;
    const std::wstring Path = TaskPathText(Task.Folder, Task.Name);
    if (!Replace && Tasks.count(Path) != 0) return Win32Result(ERROR_ALREADY_EXISTS);
    ++Registrations;
    LastReplace = Replace;
    TTaskFound Found;
    Found.Exists = true;
    Found.Task = Task;
    Found.Enabled = Task.Enabled;
    Tasks[Path] = Found;
    return S_OK;
  }

  HRESULT Remove(const std::wstring& Folder, const std::wstring& Name) override {
    if (FAILED(RemoveError)) return RemoveError;
    ++Removals;
    Tasks.erase(TaskPathText(Folder, Name));
    return S_OK;
  }

  // A task of that name made by someone else, or by Marrowby at another path.
  void Put(const TTaskPlan& Task) {
    TTaskFound Found;
    Found.Exists = true;
    Found.Task = Task;
    Found.Enabled = true;
    Tasks[TaskPathText(Task.Folder, Task.Name)] = Found;
  }
};
