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

// Hands the report to ReportEventW; false when the log would not take it.
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
