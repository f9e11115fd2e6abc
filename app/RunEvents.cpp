#include "app/RunEvents.h"

#include "app/CommandLine.h"
#include "framework/Text.h"

#include "MarrowbyEvents.h"

#include <algorithm>

// The message table and the code name the same events.
static_assert(evRunClean == MARROWBY_EVENT_CLEAN);
static_assert(evRunLeft == MARROWBY_EVENT_LEFT);
static_assert(evRunNotRun == MARROWBY_EVENT_NOT_RUN);
static_assert(evPolicyIgnored == MARROWBY_EVENT_POLICY_IGNORED);

namespace {

TEventReport Report(TEventType Type, TRunEventId Id, std::vector<std::wstring> Strings) {
  TEventReport Result;
  Result.Source = EventSourceName;
  Result.Type = Type;
  Result.EventId = Id;
  Result.Strings = std::move(Strings);
  return Result;
}

std::wstring Left(const TRunRecord& Record) {
  std::string Text = FormatRunLeft(Record);
  if (!Record.Refused.empty()) Text += "; not emptied: " + Record.Refused;
  return Utf8ToWide(Text);
}

}  // namespace

std::vector<TEventReport> RunEventReports(const TRunRecord& Record, const std::vector<TPolicyIssue>& Ignored) {
  std::vector<TEventReport> Reports;
  std::vector<TPolicyIssue> Said;
  for (const TPolicyIssue& Issue : Ignored) {
    const auto Same = [&Issue](const TPolicyIssue& Other) {
      return Other.Where == Issue.Where && Other.Name == Issue.Name;
    };
    if (std::any_of(Said.begin(), Said.end(), Same)) continue;
    Said.push_back(Issue);
    Reports.push_back(Report(TEventType::etWarning, evPolicyIgnored, {Issue.Name, Issue.Where, Issue.Reason}));
  }

  const std::wstring Before = Utf8ToWide(FormatRunTotals(Record.Before));
  const std::wstring After = Utf8ToWide(FormatRunTotals(Record.After));
  switch (Record.ExitCode) {
    case ExitAllDeleted:
      Reports.push_back(Report(TEventType::etInformation, evRunClean, {Before, After}));
      break;
    case ExitSomethingLeft:
      Reports.push_back(Report(TEventType::etWarning, evRunLeft, {Before, After, Left(Record)}));
      break;
    default:
      Reports.push_back(Report(TEventType::etError, evRunNotRun, {Utf8ToWide(Record.Error)}));
      break;
  }
  return Reports;
}

void ReportRunEvents(const TRunRecord& Record, const std::vector<TPolicyIssue>& Ignored) {
  for (const TEventReport& Event : RunEventReports(Record, Ignored)) ReportToEventLog(Event);
}
