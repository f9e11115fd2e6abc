#include "framework/EventLog.h"

#include "framework/Handle.h"

#include <algorithm>
#include <string_view>

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

void FitEventStrings(std::vector<std::wstring>& Strings) {
  const std::wstring_view Ellipsis = L"...";
  const auto Total = [&Strings] {
    size_t Sum = 0;
    for (const std::wstring& Text : Strings) Sum += Text.size();
    return Sum;
  };
  for (size_t Length = Total(); Length > EventTextLimit; Length = Total()) {
    std::wstring& Longest = *std::max_element(
        Strings.begin(), Strings.end(), [](const std::wstring& A, const std::wstring& B) { return A.size() < B.size(); });
    // Thousands of inserts of a few characters each: nothing left to cut.
    if (Longest.size() <= Ellipsis.size()) break;
    const size_t Over = Length - EventTextLimit + Ellipsis.size();
    size_t Keep = Longest.size() > Over ? Longest.size() - Over : 0;
    if (Keep > 0 && IS_HIGH_SURROGATE(Longest[Keep - 1])) --Keep;
    Longest.resize(Keep);
    Longest += Ellipsis;
  }
}

bool ReportToEventLog(const TEventReport& Report) {
  TEventReport Fitted = Report;
  FitEventStrings(Fitted.Strings);
  if (CurrentHandler()) return CurrentHandler()(Fitted);
  return ReportEventNow(Fitted);
}

TEventLogHook::TEventLogHook(TEventLogHandler Handler) : FPrevious(std::move(CurrentHandler())) {
  CurrentHandler() = std::move(Handler);
}

TEventLogHook::~TEventLogHook() { CurrentHandler() = std::move(FPrevious); }
