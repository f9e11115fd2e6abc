#include <doctest.h>

#include "app/AutoRun.h"
#include "app/QuenloUnit1.h"
#include "app/CommandLine.h"
#include "app/RunEvents.h"
#include "app/SingleInstance.h"
#include "framework/EventLog.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/KeyAccess.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

// An unattended run in this process, on a private key, instance name and log,
// with every event it would write to the Application log recorded instead.
struct TEventRunFixture {
  TRegistryFixture Registry;
  TTempDir Temp;
  std::vector<TEventReport> Events;
  const std::wstring Instance = L"Local\\Brenlow.Marrowby.RunEventsTest." + std::to_wstring(GetCurrentProcessId()) +
                                L"." + std::to_wstring(GetTickCount64());

  int Run() {
    TEventLogHook Hook([this](const TEventReport& Report) {
      Events.push_back(Report);
      return true;
    });
    TAutoRunSettings Settings;
    Settings.RegistryKey = Registry.KeyPath();
    Settings.InstanceName = Instance;
    Settings.LogPath = Temp / L"Marrowby.log";
    Settings.PolicyRoots = PrivatePolicyRoots(Registry);
    return RunUnattended(Settings);
  }

  void List(const std::vector<std::wstring>& Folders) {
    for (size_t i = 0; i < Folders.size(); ++i)
      Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i), Temp / Folders[i]);
    Registry.WriteDword(L"Options", L"UseRecycleBinWhenDeletingFiles", 0);
  }
};

}  // namespace

TEST_CASE("an unattended run writes one event to the Application log, saying how it went") {
  struct TCase {
    const char* Name;
    bool HoldFile;      // a file held open without sharing stays
    bool OtherRunning;  // another instance holds the guard: nothing runs
    int ExitCode;
    TEventType Type;
    DWORD EventId;
    std::vector<std::wstring> Strings;
  };
  const TCase Cases[] = {
      {"clean", false, false, ExitAllDeleted, TEventType::etInformation, evRunClean,
       {L"1 folder(s), 1 subfolder(s), 3 file(s), 1 KB", L"1 folder(s), 0 subfolder(s), 0 file(s), 0 KB"}},
      {"something left", true, false, ExitSomethingLeft, TEventType::etWarning, evRunLeft,
       {L"1 folder(s), 1 subfolder(s), 3 file(s), 1 KB", L"1 folder(s), 0 subfolder(s), 1 file(s), 1 KB",
        L"1 file(s), 0 subfolder(s), 0 protected folder(s), 0 folder(s) not found"}},
      {"could not run", false, true, ExitCouldNotRun, TEventType::etError, evRunNotRun,
       {L"another Marrowby is running"}},
  };
  for (const TCase& Case : Cases) {
    SUBCASE(Case.Name) {
      TEventRunFixture F;
      F.Temp.MakeFile(L"one\\a.tmp", 10);
      F.Temp.MakeFile(L"one\\b.tmp", 10);
      F.Temp.MakeFile(L"one\\sub\\c.tmp", 10);
      F.List({L"one"});
      UniqueFile Held;
      if (Case.HoldFile) {
        Held.reset(CreateFileW((F.Temp / L"one\\a.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(Held);
      }
      TSingleInstanceGuard Other(F.Instance);
      if (Case.OtherRunning) REQUIRE(Other.Acquire());

      CHECK(F.Run() == Case.ExitCode);
      REQUIRE(F.Events.size() == 1);
      const TEventReport& Event = F.Events[0];
      CHECK(Event.Source == L"Marrowby");
      CHECK(Event.Type == Case.Type);
      CHECK(Event.EventId == Case.EventId);
      std::string Said;
      for (const std::wstring& Text : Event.Strings) Said += WideToUtf8(Text) + "|";
      CAPTURE(Said);
      CHECK(Event.Strings == Case.Strings);
      // The log file is written as before, beside the event.
      CHECK(FileExists(F.Temp / L"Marrowby.log"));
    }
  }
}

TEST_CASE("a policy value ignored is said once per run however often it was read, before the run's own event") {
  TRunRecord Record;
  Record.Ran = true;
  Record.ExitCode = ExitAllDeleted;
  const std::wstring Machine = L"HKEY_LOCAL_MACHINE\\Software\\Policies\\Brenlow\\Marrowby";
  const std::wstring User = L"HKEY_CURRENT_USER\\Software\\Policies\\Brenlow\\Marrowby";
  const std::vector<TPolicyIssue> Ignored = {
      {Machine, L"DisableUpdateCheck", L"it is not a number (REG_DWORD)"},
      {User, L"DisableUpdateCheck", L"it is not a number (REG_DWORD)"},
      {Machine, L"DisableUpdateCheck", L"it is not a number (REG_DWORD)"},
      {Machine, L"UpdateDescriptorURL", L"it is neither an https address nor a network path"},
  };
  const std::vector<TEventReport> Events = RunEventReports(Record, Ignored);
  REQUIRE(Events.size() == 4);
  for (int i = 0; i < 3; ++i) {
    CAPTURE(i);
    CHECK(Events[i].EventId == evPolicyIgnored);
    CHECK(Events[i].Type == TEventType::etWarning);
  }
  CHECK(Events[0].Strings == std::vector<std::wstring>{L"DisableUpdateCheck", Machine, L"it is not a number (REG_DWORD)"});
  CHECK(Events[1].Strings[1] == User);
  CHECK(Events[2].Strings[0] == L"UpdateDescriptorURL");
  CHECK(Events[3].EventId == evRunClean);
}

TEST_CASE("Marrowby.exe carries the message of every event it writes, with the inserts the code gives it") {
  const std::wstring Exe = ExtractFilePath(ApplicationExeName()) + L"Marrowby.exe";
  REQUIRE_MESSAGE(FileExists(Exe), "Marrowby.exe is built beside the tests");
  struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { FreeLibrary(h); }
  };
  const UniqueHandle<ModuleTraits> Module(
      LoadLibraryExW(Exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  REQUIRE(Module);
  CHECK(FindResourceW(Module.get(), MAKEINTRESOURCEW(1), RT_MESSAGETABLE) != nullptr);

  for (const TRunEventMessage& Message : RunEventMessages) {
    CAPTURE(Message.Id);
    // One insert more than the message takes: it must not appear.
    std::vector<std::wstring> Inserts;
    for (int i = 1; i <= Message.Inserts + 1; ++i) Inserts.push_back(L"<insert " + std::to_wstring(i) + L">");
    std::vector<DWORD_PTR> Arguments;
    for (const std::wstring& Insert : Inserts) Arguments.push_back(reinterpret_cast<DWORD_PTR>(Insert.c_str()));
    wchar_t Text[1024] = {};
    const DWORD Length =
        FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, Module.get(), Message.Id,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), Text, static_cast<DWORD>(std::size(Text)),
                       reinterpret_cast<va_list*>(Arguments.data()));
    REQUIRE(Length > 0);
    const std::wstring Formatted(Text, Length);
    CAPTURE(WideToUtf8(Formatted));
    CHECK(Formatted.find(L"Marrowby") == 0);
    for (int i = 0; i < Message.Inserts; ++i) CHECK(Formatted.find(Inserts[i]) != std::wstring::npos);
    CHECK(Formatted.find(Inserts.back()) == std::wstring::npos);
    CHECK(Formatted.find(L'%') == std::wstring::npos);
  }
}

TEST_CASE("inserts longer than the event log takes are cut with \"...\", the longest first") {
  const std::wstring Pair = L"\xD83D\xDE00";  // one character in two code units
  const struct {
    const char* What;
    std::vector<size_t> Lengths;
    std::vector<size_t> Fitted;  // the lengths after, "..." included
  } Cases[] = {
      {"short ones stay as they are", {10, 2000, 0}, {10, 2000, 0}},
      {"exactly the limit stays", {EventTextLimit - 100, 100}, {EventTextLimit - 100, 100}},
      {"one too many cuts the long one", {100, EventTextLimit - 99}, {100, EventTextLimit - 100}},
      {"a run that refused many folders", {40, 40, 200000}, {40, 40, EventTextLimit - 80}},
      {"two long ones: the first of them is cut", {30000, 30000}, {1000, 30000}},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    std::vector<std::wstring> Strings;
    for (const size_t Length : Case.Lengths) Strings.push_back(std::wstring(Length, L'x'));
    const std::vector<std::wstring> Before = Strings;
    FitEventStrings(Strings);
    REQUIRE(Strings.size() == Case.Fitted.size());
    size_t Total = 0;
    for (size_t i = 0; i < Strings.size(); ++i) {
      CAPTURE(i);
      CHECK(Strings[i].size() == Case.Fitted[i]);
      Total += Strings[i].size();
      const bool Cut = Strings[i] != Before[i];
      if (Cut) {
        CHECK(Strings[i].substr(Strings[i].size() - 3) == L"...");
        CHECK(Before[i].rfind(Strings[i].substr(0, Strings[i].size() - 3), 0) == 0);
      }
    }
    CHECK(Total <= EventTextLimit);
  }

  // Never half a surrogate pair before the "...".
  for (size_t Shift = 0; Shift < 2; ++Shift) {
    std::vector<std::wstring> Strings{std::wstring(Shift, L'x')};
    while (Strings[0].size() < EventTextLimit + 10) Strings[0] += Pair;
    FitEventStrings(Strings);
    const std::wstring& Text = Strings[0];
    REQUIRE(Text.size() > 4);
    CHECK(Text.substr(Text.size() - 3) == L"...");
    CHECK_FALSE(IS_HIGH_SURROGATE(Text[Text.size() - 4]));
    CHECK(Text.size() <= EventTextLimit);
  }

  // What a hook or the log itself is given is the fitted report.
  std::vector<TEventReport> Seen;
  TEventLogHook Hook([&Seen](const TEventReport& Report) {
    Seen.push_back(Report);
    return true;
  });
  TEventReport Report;
  Report.Source = EventSourceName;
  Report.EventId = evRunLeft;
  Report.Strings = {L"before", L"after", std::wstring(100000, L'r')};
  CHECK(ReportToEventLog(Report));
  REQUIRE(Seen.size() == 1);
  CHECK(Seen[0].Strings[0] == L"before");
  CHECK(Seen[0].Strings[2].size() == EventTextLimit - 11);
}

TEST_CASE("an unattended run whose folder list or keep list cannot be read stops with exit code 2 and says why") {
  const struct {
    const char* What;
    const wchar_t* Key;
    const wchar_t* Text;
  } Cases[] = {{"the folder list", L"Locations", FolderListUnreadableText},
               {"the keep list", L"Keep", KeepListUnreadableText}};
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    TEventRunFixture F;
    F.Temp.MakeFile(L"one\\a.tmp", 10);
    F.List({L"one"});
    F.Registry.WriteString(L"Keep", L"Item0", L"*.lock");
    {
      TKeyAccess NoAccess(F.Registry.Sub(Case.Key), L"D:(D;;KA;;;WD)");
      CHECK(F.Run() == ExitCouldNotRun);
    }
    // Nothing was deleted, and the list is as it was.
    CHECK(FileExists(F.Temp / L"one\\a.tmp"));
    CHECK(F.Registry.ValueNames(Case.Key) == std::vector<std::wstring>{L"Item0"});
    REQUIRE(F.Events.size() == 1);
    CHECK(F.Events[0].EventId == evRunNotRun);
    REQUIRE(F.Events[0].Strings.size() == 1);
    CHECK(F.Events[0].Strings[0].find(Case.Text) != std::wstring::npos);
    CHECK(F.Events[0].Strings[0].find(L"cannot be read") != std::wstring::npos);
  }
}
