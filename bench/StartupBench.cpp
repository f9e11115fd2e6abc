// How long Marrowby takes from its start to a painted main window, against
// the least a Win32 program does to show one (startup_minimal.exe). The two
// are started in turn, round after round, each as a process of its own; a
// start ends when its top-level window is visible and neither it nor any of
// its visible child windows has anything left to paint. Marrowby starts
// through startup_marrowby.exe, on a registry key and an instance name of
// this benchmark's own, with a list of six folders and no scan at start-up.

#include "bench/BenchTiming.h"
#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "store/VKRRegistryEnhanced.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 7;
constexpr DWORD MostWait = 30000;  // a start that takes longer has failed

bool NothingToPaint(HWND Window) { return GetUpdateRect(Window, nullptr, FALSE) == FALSE; }

// The process's visible top-level window without an owner, once it and its
// visible children have painted themselves; null before.
HWND PaintedWindow(DWORD ProcessId) {
  struct TSearch {
    DWORD Id;
    HWND Found;
  } Search{ProcessId, nullptr};
  EnumWindows(
      [](HWND Window, LPARAM Param) -> BOOL {
        auto* S = reinterpret_cast<TSearch*>(Param);
        DWORD Owner = 0;
        GetWindowThreadProcessId(Window, &Owner);
        if (Owner != S->Id || !IsWindowVisible(Window) || GetWindow(Window, GW_OWNER) != nullptr) return TRUE;
        S->Found = Window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&Search));
  if (Search.Found == nullptr || !NothingToPaint(Search.Found)) return nullptr;
  bool Painted = true;
  EnumChildWindows(
      Search.Found,
      [](HWND Child, LPARAM Param) -> BOOL {
        if (!IsWindowVisible(Child) || NothingToPaint(Child)) return TRUE;
        *reinterpret_cast<bool*>(Param) = false;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&Painted));
  return Painted ? Search.Found : nullptr;
}

// Starts Program with Arguments, returns the milliseconds until its window
// is painted, then closes the window as the user would and waits for the end.
double TimeToPaintedWindow(const std::wstring& Program, const std::wstring& Arguments) {
  if (!FileExists(Program)) throw std::runtime_error("a program of the benchmark is missing");
  std::wstring CommandLine = L"\"" + Program + L"\" " + Arguments;
  STARTUPINFOW Startup{};
  Startup.cb = sizeof Startup;
  PROCESS_INFORMATION Info{};
  const auto Start = std::chrono::steady_clock::now();
  if (!CreateProcessW(Program.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                      &Info))
    throw EOSError(GetLastError(), Program);
  UniqueKernelObject Process(Info.hProcess);
  UniqueKernelObject Thread(Info.hThread);
  HWND Window = nullptr;
  for (;;) {
    Window = PaintedWindow(Info.dwProcessId);
    if (Window != nullptr) break;
    if (WaitForSingleObject(Process.get(), 1) == WAIT_OBJECT_0)
      throw std::runtime_error("a started program ended before it showed its window");
    if (std::chrono::steady_clock::now() - Start > std::chrono::milliseconds(MostWait)) {
      TerminateProcess(Process.get(), 1);
      throw std::runtime_error("a started program showed no painted window in time");
    }
  }
  const double Elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
  PostMessageW(Window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(Process.get(), MostWait) != WAIT_OBJECT_0) {
    TerminateProcess(Process.get(), 1);
    throw std::runtime_error("a started program did not end when its window was closed");
  }
  return Elapsed;
}

// The benchmark's own registry key and folders, gone with the object.
class TStartupSettings {
public:
  TStartupSettings()
      : FKey(L"Software\\Brenlow\\MarrowbyBench\\Startup-" + std::to_wstring(GetCurrentProcessId())),
        FFolders(ExtractFilePath(ApplicationExeName()) + L"bench-startup-" + std::to_wstring(GetCurrentProcessId())) {
    Win32Check(CreateDirectoryW(FFolders.c_str(), nullptr) != FALSE, FFolders);
    TVKRRegistryEnhanced Store;
    Store.SetKey(FKey);
    for (int i = 0; i < 6; ++i) {
      const std::wstring Folder = FFolders + L"\\Folder" + std::to_wstring(i);
      Win32Check(CreateDirectoryW(Folder.c_str(), nullptr) != FALSE, Folder);
      Store.SetValue(L"Locations\\Item" + std::to_wstring(i), Variant(Folder));
    }
    Store.SetValue(L"Options\\ScanAtStartup", Variant(false));
  }
  ~TStartupSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, FKey.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, FKey.c_str());
    RemoveTree(FFolders);
  }
  TStartupSettings(const TStartupSettings&) = delete;
  TStartupSettings& operator=(const TStartupSettings&) = delete;

  const std::wstring& Key() const { return FKey; }

private:
  std::wstring FKey;
  std::wstring FFolders;
};

int Run() {
  const TStartupSettings Settings;
  const std::wstring Folder = ExtractFilePath(ApplicationExeName());
  const std::wstring Instance = L"Local\\Brenlow.MarrowbyBench.Startup." + std::to_wstring(GetCurrentProcessId());
  const std::wstring Minimal = Folder + L"startup_minimal.exe";
  const std::wstring Marrowby = Folder + L"startup_marrowby.exe";
  const std::wstring MarrowbyArguments = L"\"" + Settings.Key() + L"\" \"" + Instance + L"\"";

  // A first start of each loads what later starts find cached.
  TimeToPaintedWindow(Minimal, L"");
  TimeToPaintedWindow(Marrowby, MarrowbyArguments);
  std::vector<double> MinimalTimes, MarrowbyTimes;
  for (int Round = 0; Round < Rounds; ++Round) {
    MinimalTimes.push_back(TimeToPaintedWindow(Minimal, L""));
    MarrowbyTimes.push_back(TimeToPaintedWindow(Marrowby, MarrowbyArguments));
  }
  const double MinimalMedian = Median(MinimalTimes);
  const double MarrowbyMedian = Median(MarrowbyTimes);
  std::printf("median of %d starts after a warm-up, to a painted window:\n", Rounds);
  std::printf("  %-46s %9.1f ms\n", "minimal Win32 program", MinimalMedian);
  std::printf("  %-46s %9.1f ms\n", "Marrowby (six folders listed)", MarrowbyMedian);
  std::printf("start-up ratio: %.2f\n", MarrowbyMedian / MinimalMedian);
  return 0;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
