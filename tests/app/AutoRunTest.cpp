#include <doctest.h>

#include "app/QuenloUnit1.h"
#include "app/SingleInstance.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "support/RecordedBoxes.h"
#include "FileBytes.h"
#include "Links.h"
#include "ProcessWindows.h"

#include <shlobj.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

int GCopyDataReceived = 0;

LRESULT CALLBACK CountCopyData(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_COPYDATA) {
    ++GCopyDataReceived;
    return TRUE;
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

// A window that stands for the main window of a running instance and counts
// the command lines handed to it.
UniqueWindow MakeRunningInstanceWindow() {
  static const ATOM Class = [] {
    WNDCLASSW Info{};
    Info.lpfnWndProc = CountCopyData;
    Info.hInstance = GetModuleHandleW(nullptr);
    Info.lpszClassName = L"MarrowbyAutoRunTestInstance";
    return RegisterClassW(&Info);
  }();
  REQUIRE(Class != 0);
  return UniqueWindow(CreateWindowExW(0, L"MarrowbyAutoRunTestInstance", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
}

bool HasVisibleWindow(DWORD ProcessId) {
  return FindWindowOfProcess(ProcessId, [](HWND Window) { return IsWindowVisible(Window) != FALSE; }) != nullptr;
}


std::vector<std::string> Lines(const std::string& Content) {
  std::vector<std::string> Result;
  size_t Start = 0;
  for (size_t End = Content.find("\r\n"); End != std::string::npos; End = Content.find("\r\n", Start)) {
    Result.push_back(Content.substr(Start, End - Start));
    Start = End + 2;
  }
  if (Start < Content.size()) Result.push_back(Content.substr(Start));
  return Result;
}

bool Exists(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Folders to clean on a private key, with a private instance name and log;
// the run itself is a separate process (test_autorun_child).
struct TAutoRunFixture {
  TRegistryFixture Registry;
  TTempDir Temp;
  const std::wstring Instance =
      L"Local\\Brenlow.Marrowby.AutoRunTest." + std::to_wstring(GetCurrentProcessId()) + L"." +
      std::to_wstring(GetTickCount64());

  // The log's folder does not exist yet: the run makes it.
  std::wstring LogPath() const { return Temp / L"log\\Marrowby.log"; }
  std::wstring BoxesPath() const { return Temp / L"boxes.txt"; }

  // Lists folders of Temp, with every option that would ask or show something on.
  void List(const std::vector<std::wstring>& Folders) {
    for (size_t i = 0; i < Folders.size(); ++i)
      Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i), Temp / Folders[i]);
    Registry.WriteDword(L"Options", L"ScanAtStartup", 1);
    Registry.WriteDword(L"Options", L"PromptBeforeDeletingFiles", 1);
    Registry.WriteDword(L"Options", L"ShowStatisticsAfterDeletingFiles", 1);
    Registry.WriteDword(L"Options", L"UseRecycleBinWhenDeletingFiles", 0);
  }

  struct TRun {
    DWORD ExitCode = 99;
    bool WindowShown = false;
  };

  // Runs the child with Marrowby's command line Arguments and waits for it,
  // looking for windows of it all the while.
  TRun Run(const std::wstring& Arguments, const std::wstring& CurrentFolder = {}) {
    const std::wstring Child = ExtractFilePath(ApplicationExeName()) + L"test_autorun_child.exe";
    REQUIRE(FileExists(Child));
    std::wstring CommandLine = L"\"" + Child + L"\" \"" + Registry.KeyPath() + L"\" \"" + Instance + L"\" \"" +
                               LogPath() + L"\" \"" + BoxesPath() + L"\" " + Arguments;
    STARTUPINFOW Startup{};
    Startup.cb = sizeof(Startup);
    PROCESS_INFORMATION Info{};
    REQUIRE(CreateProcessW(Child.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           CurrentFolder.empty() ? nullptr : CurrentFolder.c_str(), &Startup, &Info));
    CloseHandle(Info.hThread);
    UniqueKernelObject Process(Info.hProcess);
    TRun Result;
    // Not a time limit on the run: only a guard against a child that never ends.
    for (int Round = 0; Round < 6000; ++Round) {
      const HANDLE Handles[] = {Process.get()};
      const DWORD Wait = MsgWaitForMultipleObjects(1, Handles, FALSE, 20, QS_ALLINPUT);
      if (HasVisibleWindow(Info.dwProcessId)) Result.WindowShown = true;
      if (Wait == WAIT_OBJECT_0) break;
      MSG Message;
      while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Message);
    }
    if (WaitForSingleObject(Process.get(), 0) != WAIT_OBJECT_0) {
      TerminateProcess(Process.get(), 97);
      WaitForSingleObject(Process.get(), INFINITE);
      FAIL("the unattended run did not end");
    }
    GetExitCodeProcess(Process.get(), &Result.ExitCode);
    return Result;
  }

  std::vector<std::string> LogLines() const { return Lines(ReadFileBytes(LogPath())); }
  std::string Boxes() const { return ReadFileBytes(BoxesPath()); }
  std::wstring Stored(const std::wstring& Key, const std::wstring& Name) const {
    const auto Value = Registry.ReadRaw(Key, Name);
    return Value ? Value->AsString() : L"(none)";
  }
};

// The files every case starts from: two listed folders, the first with two
// subfolders, one of them holding Many files of 10 bytes. With a few thousand
// the run lasts long enough that a window it showed would be seen.
void MakeFolders(TAutoRunFixture& F, int Many = 10) {
  F.Temp.MakeFile(L"one\\a.tmp", 10);
  F.Temp.MakeFile(L"one\\sub\\b.log", 10);
  for (int i = 0; i < Many; ++i) F.Temp.MakeFile(L"one\\many\\f" + std::to_wstring(i) + L".tmp", 10);
  F.Temp.MakeFile(L"two\\c.txt", 10);
}

}  // namespace

TEST_CASE("an unattended run cleans without a window or a box, saves the list, logs and tells by its exit code") {
  struct TCase {
    const char* Name;
    int Many;
    const wchar_t* HeldOpen;  // held open without sharing during the run
    const wchar_t* ReadOnly;
    bool ListMissingFolder;
    DWORD ExitCode;
    const char* Logged;  // from "after:" to the end of the line
    std::vector<const wchar_t*> Left;
  };
  // Each row's size shows, and counts, in whole kilobytes, anything below one as 1 KB.
  const TCase Cases[] = {
      {"everything found is deleted", 3000, nullptr, nullptr, false, 0,
       "after: 2 folder(s), 0 subfolder(s), 0 file(s), 0 KB; "
       "left: 0 file(s), 0 subfolder(s), 0 protected folder(s), 0 folder(s) not found; deleted: 29 KB (0 KB in the Recycle Bin); exit code 0",
       {}},
      {"a file held open stays", 10, L"two\\c.txt", nullptr, false, 1,
       "after: 2 folder(s), 0 subfolder(s), 1 file(s), 1 KB; "
       "left: 1 file(s), 0 subfolder(s), 0 protected folder(s), 0 folder(s) not found; deleted: 1 KB (0 KB in the Recycle Bin); exit code 1",
       {L"two\\c.txt"}},
      {"a file held open keeps its subfolder", 10, L"one\\sub\\b.log", nullptr, false, 1,
       "after: 2 folder(s), 1 subfolder(s), 1 file(s), 1 KB; "
       "left: 1 file(s), 1 subfolder(s), 0 protected folder(s), 0 folder(s) not found; deleted: 1 KB (0 KB in the Recycle Bin); exit code 1",
       {L"one\\sub\\b.log"}},
      {"a read-only file stays", 10, nullptr, L"one\\a.tmp", false, 1,
       "after: 2 folder(s), 0 subfolder(s), 1 file(s), 1 KB; "
       "left: 1 file(s), 0 subfolder(s), 0 protected folder(s), 0 folder(s) not found; deleted: 1 KB (0 KB in the Recycle Bin); exit code 1",
       {L"one\\a.tmp"}},
      {"a listed folder that is gone counts, and stays listed", 10, nullptr, nullptr, true, 1,
       "after: 3 folder(s), 0 subfolder(s), 0 file(s), 0 KB; "
       "left: 0 file(s), 0 subfolder(s), 0 protected folder(s), 1 folder(s) not found; deleted: 1 KB (0 KB in the Recycle Bin); exit code 1",
       {}},
  };
  for (const TCase& Case : Cases) {
    SUBCASE(Case.Name) {
      TAutoRunFixture F;
      MakeFolders(F, Case.Many);
      F.List(Case.ListMissingFolder ? std::vector<std::wstring>{L"one", L"gone", L"two"}
                                    : std::vector<std::wstring>{L"one", L"two"});
      if (Case.ReadOnly != nullptr) SetFileAttributesW((F.Temp / Case.ReadOnly).c_str(), FILE_ATTRIBUTE_READONLY);
      UniqueFile Held;
      if (Case.HeldOpen != nullptr) {
        Held.reset(CreateFileW((F.Temp / Case.HeldOpen).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(Held);
      }

      const TAutoRunFixture::TRun Run = F.Run(L"/auto");
      Held.reset();

      CHECK(Run.ExitCode == Case.ExitCode);
      CHECK_FALSE(Run.WindowShown);
      CHECK(F.Boxes() == "");
      // Nothing else is left, and the listed folders themselves stay.
      for (const wchar_t* Path : {L"one\\a.tmp", L"one\\sub\\b.log", L"one\\sub", L"one\\many", L"two\\c.txt"}) {
        bool Kept = false;
        for (const wchar_t* Left : Case.Left) Kept = Kept || std::wstring(Left).find(Path) == 0;
        CAPTURE(WideToUtf8(Path));
        CHECK(Exists(F.Temp / Path) == Kept);
      }
      CHECK(DirectoryExists(F.Temp / L"one"));
      CHECK(DirectoryExists(F.Temp / L"two"));

      // Saved as a close saves it: every row, also one whose folder is not
      // there now (a drive not yet connected at log-on), the program's folder.
      std::vector<std::wstring> Stored = {F.Temp / L"one", F.Temp / L"two"};
      if (Case.ListMissingFolder) Stored.insert(Stored.begin(), F.Temp / L"gone");
      REQUIRE(F.Registry.ValueNames(L"Locations").size() == Stored.size());
      for (size_t i = 0; i < Stored.size(); ++i)
        CHECK(F.Stored(L"Locations", L"Item" + std::to_wstring(i)) == Stored[i]);
      CHECK(F.Stored(L"", L"ApplicationPath") == ExtractFilePath(ApplicationExeName()));

      const std::vector<std::string> Log = F.LogLines();
      REQUIRE(Log.size() == 1);
      CAPTURE(Log[0]);
      // Local time first: "YYYY-MM-DD hh:mm:ss ".
      CHECK(Log[0].size() > 20);
      CHECK(Log[0][4] == '-');
      CHECK(Log[0][13] == ':');
      const std::string Before = " before: " + std::to_string(Stored.size()) + " folder(s), 2 subfolder(s), " + std::to_string(3 + Case.Many) +
                                 " file(s), " + std::to_string(FolderSizeKB(20 + 10 * Case.Many) + 1) + " KB; ";
      CHECK(Log[0].find(Before) == 19);
      CHECK(Log[0].substr(Log[0].find("after: ")) == Case.Logged);
    }
  }
}

TEST_CASE("an unattended run never runs beside another instance") {
  TAutoRunFixture F;
  MakeFolders(F);
  F.List({L"one", L"two"});
  // The test is the running instance, with a main window a later start could reach.
  UniqueWindow Window = MakeRunningInstanceWindow();
  REQUIRE(Window);
  TSingleInstanceGuard Running(F.Instance);
  REQUIRE(Running.Acquire());
  Running.Publish(Window.get());
  GCopyDataReceived = 0;

  const TAutoRunFixture::TRun Run = F.Run(L"/auto");
  CHECK(Run.ExitCode == 2);
  CHECK_FALSE(Run.WindowShown);
  CHECK(F.Boxes() == "");
  // It neither handed over its command line nor touched files or settings.
  CHECK(GCopyDataReceived == 0);
  CHECK(Exists(F.Temp / L"one\\a.tmp"));
  CHECK(Exists(F.Temp / L"two\\c.txt"));
  CHECK_FALSE(F.Registry.ReadRaw(L"", L"ApplicationPath").has_value());
  const std::vector<std::string> Log = F.LogLines();
  REQUIRE(Log.size() == 1);
  CHECK(Log[0].substr(19) == " not run: another Marrowby is running; exit code 2");
}

TEST_CASE("the log of unattended runs stays under 1 MB: the oldest lines go first") {
  TAutoRunFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 10);
  F.List({L"one"});
  // Old lines of 100 bytes each, filled to 76 bytes below the limit.
  const size_t Limit = 1024 * 1024;
  const auto OldLine = [](size_t Number) {
    std::string Line = "old run " + std::to_string(Number);
    Line.resize(98, '.');
    return Line;
  };
  std::string Old;
  for (size_t i = 0; Old.size() + 100 <= Limit; ++i) Old += OldLine(i) + "\r\n";
  REQUIRE(Old.size() == Limit - 76);
  F.Temp.MakeFile(L"log\\Marrowby.log", Old);

  CHECK(F.Run(L"/auto").ExitCode == 0);
  const std::string Content = ReadFileBytes(F.LogPath());
  CHECK(Content.size() <= Limit);
  const std::vector<std::string> Log = Lines(Content);
  REQUIRE(Log.size() > 2);
  CHECK(Log.back().find("; exit code 0") != std::string::npos);
  // Only whole lines went, the oldest ones: the rest is untouched.
  const size_t Dropped = Old.size() / 100 - (Log.size() - 1);
  CHECK(Dropped >= 1);
  CHECK(Dropped <= 4);
  CHECK(Log.front() == OldLine(Dropped));
  CHECK(Log[Log.size() - 2] == OldLine(Old.size() / 100 - 1));
}

TEST_CASE("the usage comes up in a box for /? and for what is not understood; nothing runs") {
  struct TCase {
    const wchar_t* Arguments;
    DWORD ExitCode;
    const char* BoxStart;
  };
  const TCase Cases[] = {
      {L"/?", 0, "Marrowby|Usage: Marrowby [/auto | /find [file] | /?]\n"},
      {L"-?", 0, "Marrowby|Usage: Marrowby [/auto | /find [file] | /?]\n"},
      {L"/bogus", 2, "Marrowby|Unknown switch: \"/bogus\"\n\nUsage: Marrowby"},
      {L"/auto stray", 2, "Marrowby|Unknown argument: \"stray\"\n\nUsage: Marrowby"},
  };
  for (const TCase& Case : Cases) {
    SUBCASE(WideToUtf8(Case.Arguments).c_str()) {
      TAutoRunFixture F;
      F.Temp.MakeFile(L"one\\a.tmp", 10);
      F.List({L"one"});
      const TAutoRunFixture::TRun Run = F.Run(Case.Arguments);
      CHECK(Run.ExitCode == Case.ExitCode);
      const std::string Boxes = F.Boxes();
      CAPTURE(Boxes);
      CHECK(Boxes.find(Case.BoxStart) == 0);
      CHECK(Boxes.find("Marrowby|", 1) == std::string::npos);  // one box only
      CHECK(Exists(F.Temp / L"one\\a.tmp"));
      CHECK_FALSE(Exists(F.LogPath()));
    }
  }
}

TEST_CASE("a normal start while an unattended run cleans says so instead of vanishing") {
  TRegistryFixture Registry;
  const std::wstring Instance = L"Local\\Brenlow.Marrowby.AutoRunTest.Normal." + std::to_wstring(GetCurrentProcessId());
  TSingleInstanceGuard Unattended(Instance);
  REQUIRE(Unattended.Acquire());
  Unattended.PublishUnattended();

  TRecordedBoxes Recorded;
  const std::vector<TMessageDialogRequest>& Boxes = Recorded.Requests;
  TForm1Options Options;
  Options.RegistryKey = Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(Registry);
  Options.InstanceName = Instance;
  TForm1 Form1(Options);
  CHECK(Form1.GaveWayToRunningInstance());
  CHECK(Form1.Handle() == nullptr);
  REQUIRE(Boxes.size() == 1);
  CHECK(Boxes[0].Text ==
        L"Marrowby is cleaning its folders unattended right now. Start it again when it has finished.");
  CHECK(Boxes[0].Type == TMsgDlgType::mtInformation);
  CHECK_FALSE(Registry.KeyExists(L""));
}

TEST_CASE("an unattended run with the age filter does not count what is too young to go as left") {
  TAutoRunFixture F;
  MakeFolders(F, 0);
  F.List({L"one", L"two"});
  F.Registry.WriteDword(L"Options", L"OnlyOlderThan", 1);
  F.Registry.WriteDword(L"Options", L"OlderThanDays", 7);
  // a.tmp and c.txt are a month old; sub\b.log is new and keeps sub.
  FILETIME Now{};
  GetSystemTimeAsFileTime(&Now);
  const uint64_t MonthAgo =
      ((uint64_t{Now.dwHighDateTime} << 32) | Now.dwLowDateTime) - uint64_t{30} * 24 * 3600 * 10'000'000;
  for (const wchar_t* Old : {L"one\\a.tmp", L"two\\c.txt"}) {
    const UniqueFile File(CreateFileW((F.Temp / Old).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    REQUIRE(File);
    const FILETIME Stamp{static_cast<DWORD>(MonthAgo), static_cast<DWORD>(MonthAgo >> 32)};
    REQUIRE(SetFileTime(File.get(), nullptr, nullptr, &Stamp));
  }

  CHECK(F.Run(L"/auto").ExitCode == 0);
  CHECK_FALSE(Exists(F.Temp / L"one\\a.tmp"));
  CHECK_FALSE(Exists(F.Temp / L"two\\c.txt"));
  CHECK(Exists(F.Temp / L"one\\sub\\b.log"));
  const std::vector<std::string> Log = F.LogLines();
  REQUIRE(Log.size() == 1);
  CHECK(Log[0].substr(19) ==
        " before: 2 folder(s), 1 subfolder(s), 2 file(s), 2 KB; after: 2 folder(s), 1 subfolder(s), 0 file(s), 1 KB; "
        "left: 0 file(s), 0 subfolder(s), 0 protected folder(s), 0 folder(s) not found; deleted: 1 KB (0 KB in the Recycle "
        "Bin); exit code 0");
}

TEST_CASE("unattended, the main window leaves the start-up scan to the run and keeps every box away") {
  TAutoRunFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 10);
  F.List({L"one"});
  // A drive root is never emptied: Delete skips it, and unattended it only counts.
  F.Registry.WriteString(L"Locations", L"Item1", L"C:\\");
  TRecordedBoxes Recorded(mrCancel);
  const std::vector<TMessageDialogRequest>& Boxes = Recorded.Requests;

  TForm1Options Options;
  Options.RegistryKey = F.Registry.KeyPath();

  Options.PolicyRoots = PrivatePolicyRoots(F.Registry);
  Options.SingleInstance = false;
  Options.Unattended = true;
  TForm1 Form1(Options);
  REQUIRE(Form1.VKRListView1.Count() == 2);
  for (int i = 0; i < 2; ++i) CHECK(Form1.VKRListView1.Item(i).SubItem(1) == L"?");

  // No statistics dialog exists here: showing it would not get far.
  Form1.DeleteToolButtonClick(&Form1);
  CHECK(Boxes.empty());
  CHECK_FALSE(Exists(F.Temp / L"one\\a.tmp"));
  CHECK(Form1.LastDeleteLeft.ProtectedFolders == 1);
  CHECK(Form1.LastDeleteLeft.Files == 0);
  CHECK(Form1.LastDeleteLeft.MissingFolders == 0);
  CHECK_FALSE(IsWindowVisible(Form1.Handle()));
}

TEST_CASE("unattended, entries that are no full path, links and other spellings of system folders are refused and logged") {
  TAutoRunFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 10);
  F.Temp.MakeFile(L"plain\\p.tmp", 10);
  // Where the run stands: folders named as the relative entries would reach.
  for (const wchar_t* File : {L"here\\h.tmp", L"here\\temp\\t.tmp", L"here\\5\\f.tmp", L"here\\sub\\s.tmp"})
    F.Temp.MakeFile(File, 10);
  const std::wstring Here = F.Temp / L"here";
  const std::wstring Link = F.Temp / L"link";
  REQUIRE(MakeLink(Link, L"plain", true));
  wchar_t Windows[MAX_PATH] = L"";
  REQUIRE(GetWindowsDirectoryW(Windows, MAX_PATH) > 0);
  const TSecondDrive Drive(Windows);
  REQUIRE_FALSE(Drive.Root().empty());
  F.List({L"one"});
  const wchar_t* const Relative[] = {L"temp", L".", L"C:", L"C:sub"};
  for (size_t i = 0; i < std::size(Relative); ++i)
    F.Registry.WriteString(L"Locations", L"Item" + std::to_wstring(i + 1), Relative[i]);
  F.Registry.WriteDword(L"Locations", L"Item5", 5);
  F.Registry.WriteString(L"Locations", L"Item6", Link);
  F.Registry.WriteString(L"Locations", L"Item7", Drive.Root());
  wchar_t ProgramFiles[MAX_PATH] = L"", Short[MAX_PATH] = L"";
  REQUIRE(SHGetSpecialFolderPathW(nullptr, ProgramFiles, CSIDL_PROGRAM_FILES, FALSE));
  REQUIRE(GetShortPathNameW(ProgramFiles, Short, MAX_PATH) > 0);
  REQUIRE(std::wstring(Short) != ProgramFiles);
  F.Registry.WriteString(L"Locations", L"Item8", Short);

  const TAutoRunFixture::TRun Run = F.Run(L"/auto", Here);

  CHECK(Run.ExitCode == 1);
  CHECK(F.Boxes() == "");
  CHECK_FALSE(Exists(F.Temp / L"one\\a.tmp"));
  for (const wchar_t* File : {L"here\\h.tmp", L"here\\temp\\t.tmp", L"here\\5\\f.tmp", L"here\\sub\\s.tmp",
                              L"plain\\p.tmp"}) {
    CAPTURE(WideToUtf8(File));
    CHECK(Exists(F.Temp / File));
  }
  wchar_t Fonts[MAX_PATH] = L"";
  REQUIRE(SHGetSpecialFolderPathW(nullptr, Fonts, CSIDL_FONTS, FALSE));
  CHECK(DirectoryExists(Fonts));
  const std::vector<std::string> Log = F.LogLines();
  REQUIRE(Log.size() == 1);
  CAPTURE(Log[0]);
  // The entries that are no full path stay rows, named as stored, and are
  // refused with the others, each with its reason.
  CHECK(Log[0].find(" before: 9 folder(s), ") == 19);
  CHECK(Log[0].find("left: 0 file(s), 0 subfolder(s), 8 protected folder(s), 0 folder(s) not found; deleted: 1 KB (0 KB in the Recycle Bin); not emptied: ") !=
        std::string::npos);
  for (const std::string& Refused :
       {std::string("\".\": not a full path: it would be taken from wherever the program stands"),
        std::string("\"5\": not a full path: it would be taken from wherever the program stands"),
        std::string("\"C:\": not a full path: it would be taken from wherever the program stands"),
        std::string("\"C:sub\": not a full path: it would be taken from wherever the program stands"),
        std::string("\"temp\": not a full path: it would be taken from wherever the program stands"),
        "\"" + WideToUtf8(Link) + "\": a link or junction: what it leads to is not emptied",
        "\"" + WideToUtf8(Drive.Root()) + "\": the Windows folder",
        "\"" + WideToUtf8(Short) + "\": a Program Files folder"}) {
    CAPTURE(Refused);
    CHECK(Log[0].find(Refused) != std::string::npos);
  }
  CHECK(Log[0].substr(Log[0].size() - 13) == "; exit code 1");
  // Refused is not forgotten: every entry is still stored after the run.
  CHECK(F.Registry.ValueNames(L"Locations").size() == 9);
  RemoveLink(Link);
}
