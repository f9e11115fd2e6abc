#include "framework/EventLog.h"

#include "framework/Handle.h"

namespace {

struct EventSourceTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeregisterEventSource(h); }
};
using UniqueEventSource = UniqueHandle<EventSourceTraits>;

TEventLogHandler& CurrentHandler() {
  static TEventLogHandler Handler;
  return Handler;
}

bool ReportEventNow(const TEventReport& Report) {
  // Reports are rare (one unattended run writes one or a few): the source is
  // held only for them.
  const UniqueEventSource Source(RegisterEventSourceW(nullptr, Report.Source.c_str()));
  if (!Source) return false;
  std::vector<LPCWSTR> Strings;
  Strings.reserve(Report.Strings.size());
  for (const std::wstring& Text : Report.Strings) Strings.push_back(Text.c_str());
  return ReportEventW(Source.get(), static_cast<WORD>(Report.Type), 0, Report.EventId, nullptr,
                      static_cast<WORD>(Strings.size()), 0, Strings.empty() ? nullptr : Strings.data(),
                      nullptr) != FALSE;
}

}  // namespace

bool ReportToEventLog(const TEventReport& Report) {
  if (CurrentHandler()) return CurrentHandler()(Report);
  return ReportEventNow(Report);
}

TEventLogHook::TEventLogHook(TEventLogHandler Handler) : FPrevious(std::move(CurrentHandler())) {
  CurrentHandler() = std::move(Handler);
}

TEventLogHook::~TEventLogHook() { CurrentHandler() = std::move(FPrevious); }
