#pragma once
// The events an unattended run leaves in the Application log: one for the
// run (clean, something left, or could not run) and one for each policy value
// it had to ignore. The IDs are in the program's message table
// (resources/MarrowbyEvents.mc) and published for those who collect events.

#include "app/RunLog.h"
#include "framework/EventLog.h"
#include "store/PolicyIssue.h"

#include <vector>

// The event source the installer registers, with Marrowby.exe as its message file.
inline constexpr wchar_t EventSourceName[] = L"Marrowby";

enum TRunEventId : DWORD {
  evRunClean = 1000,       // %1 totals before, %2 after
  evRunLeft = 1001,        // %1 before, %2 after, %3 what was left
  evRunNotRun = 1002,      // %1 why
  evPolicyIgnored = 1003,  // %1 value, %2 policy key, %3 why
};

// Every event ID with the number of inserts its message takes.
struct TRunEventMessage {
  TRunEventId Id;
  int Inserts;
};
inline constexpr TRunEventMessage RunEventMessages[] = {
    {evRunClean, 2}, {evRunLeft, 3}, {evRunNotRun, 1}, {evPolicyIgnored, 3}};

// The reports of one run, in the order they are written: the ignored policy
// values (each value once, however often it was read), then the run's own.
std::vector<TEventReport> RunEventReports(const TRunRecord& Record, const std::vector<TPolicyIssue>& Ignored);

// Writes them; a log that takes nothing changes nothing about the run.
void ReportRunEvents(const TRunRecord& Record, const std::vector<TPolicyIssue>& Ignored);
