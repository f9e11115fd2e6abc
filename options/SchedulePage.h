#pragma once
// The "Schedule" page of the options dialog: whether Marrowby cleans by
// itself (never, at every logon, every day or every week at a time), the
// user's task as the Task Scheduler has it when the dialog opens, and the
// last unattended run from the log. OK registers the task or removes it.

#include "framework/ComboBox.h"
#include "framework/Controls.h"
#include "options/TaskService.h"

#include <functional>
#include <string>

class TSchedulePage {
public:
  TLabel KindLabel;
  TComboBox KindComboBox;  // "Off", "At every logon", "Every day", "Every week": TScheduleKind's order
  TLabel TimeLabel;
  TControl TimePicker;  // the platform's time picker
  TLabel DaysLabel;
  TCheckBox DayCheckBoxes[7];  // Monday first
  TCheckBox BatteryCheckBox;
  TLabel StateLabel;  // the task as the scheduler has it
  TButton PointHereButton;
  TLabel LastRunLabel;
  TButton OpenLogButton;

  // What the page works with: the scheduler, the running program and its
  // user, the last run's words and the log's opener. The main window hands
  // in the system's; tests their own.
  struct TSeams {
    TTaskService* Service = nullptr;
    TScheduleContext Context;
    std::function<std::wstring()> LastRunText;
    std::function<void()> OpenLog;
  };

  // After the controls are attached: their items and handlers; Owner owns the boxes.
  void Start(HWND Owner);
  void SetSeams(TSeams Seams) { FSeams = std::move(Seams); }

  // Reads the task back and shows it with the last run: what the page
  // shows when the dialog opens, whatever was changed outside Marrowby.
  void Refresh();

  // The choice as the controls hold it, and the controls set to one.
  TSchedule Shown() const;
  void Show(const TSchedule& Schedule);

  // On OK: a changed choice goes to the scheduler. False when it could not
  // (said in a box): the dialog stays open.
  bool Apply();

  // A policy sets the schedule: every control of the choice stays greyed.
  void SetLocked(bool Locked);
  bool Locked() const { return FLocked; }

  void KindComboBoxChange();
  void PointHereButtonClick();
  void OpenLogButtonClick();

  // The task's state in words, as StateLabel shows it.
  std::wstring StateText() const { return FStateText; }

private:
  void UpdateEnabling();
  void ShowState();
  bool ApplyNow(const TSchedule& Schedule);
  // The task runs a program other than this one.
  bool Elsewhere() const;

  HWND FOwner = nullptr;
  TSeams FSeams;
  bool FLocked = false;
  HRESULT FReadResult = S_OK;
  TTaskFound FFound;
  TSchedule FBaseline;  // what the page showed after reading the task
  std::wstring FStateText;
};
