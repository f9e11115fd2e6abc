#pragma once
// The Windows event log: reports go to the Application log under an event
// source whose messages are in the program's message table. Every report goes
// through ReportToEventLog, so a test can see what the log would be given
// (TEventLogHook): Wine's log keeps nothing to read back.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class TEventType : WORD {
  etInformation = EVENTLOG_INFORMATION_TYPE,
  etWarning = EVENTLOG_WARNING_TYPE,
  etError = EVENTLOG_ERROR_TYPE,
};

struct TEventReport {
  std::wstring Source;  // the event source, as the installer registered it
  TEventType Type = TEventType::etInformation;
  DWORD EventId = 0;  // a message ID of the source's message table
  std::vector<std::wstring> Strings;  // the message's inserts %1, %2, ...
};

// The most characters the inserts of one event may have together. The log
// takes at most 31,839 characters in an event's text and refuses the whole
// event beyond that; the message's own words need the rest.
inline constexpr size_t EventTextLimit = 31000;

// Cuts the longest inserts, each ending with "...", until together they are
// within EventTextLimit; never between the two halves of a surrogate pair.
void FitEventStrings(std::vector<std::wstring>& Strings);

// Hands the report, its inserts fitted, to ReportEventW; false when the log
// would not take it.
// Without a registered source the log still keeps the event, only the viewer
// cannot show its text: the program works the same.
bool ReportToEventLog(const TEventReport& Report);

using TEventLogHandler = std::function<bool(const TEventReport&)>;

// While alive, every report goes to Handler instead of the event log.
class TEventLogHook {
public:
  explicit TEventLogHook(TEventLogHandler Handler);
  ~TEventLogHook();
  TEventLogHook(const TEventLogHook&) = delete;
  TEventLogHook& operator=(const TEventLogHook&) = delete;

private:
  TEventLogHandler FPrevious;
};
