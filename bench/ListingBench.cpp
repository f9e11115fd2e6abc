// Whether folder listings run side by side on this platform: two trees
// walked one after the other on one thread, at the same time on two threads
// of this process, and at the same time by two processes (this program
// started again with "/walk <folder>"). Where two threads take as long as
// one thread doing both, the platform serialises listings inside a process;
// where two processes take less, the serialising is per process.
//
// Started as "/walk <folder>" it makes one plain walk of the folder and
// ends; as "/search <folder>", one search of it as "View Files..." makes
// it with the default options ("*.*", the main window's filters, the
// details taken from its listings). tools/wine-counts.sh runs those to
// count what one walk asks of the platform, which does not move with the
// machine's load as times do.

#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Starts this program on Arguments and waits for every start to end.
void RunChildren(const std::vector<std::wstring>& Arguments) {
  std::vector<UniqueKernelObject> Processes;
  for (const std::wstring& Argument : Arguments) {
    std::wstring CommandLine = L"\"" + ApplicationExeName() + L"\" " + Argument;
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Info{};
    if (!CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info))
      throw std::runtime_error("cannot start the walking process");
    UniqueKernelObject Thread(Info.hThread);
    Processes.emplace_back(Info.hProcess);
  }
  for (const UniqueKernelObject& Process : Processes) WaitForSingleObject(Process.get(), INFINITE);
}

int Run() {
  const TBenchTree A(TBenchTree::TShape{2500, 50000, 20240611});
  const TBenchTree B(TBenchTree::TShape{2500, 50000, 20240612});
  const std::vector<TBenchTask> Tasks = {
      {"one thread: A, then B",
       [&] {
         ReferenceWalk(A.Root());
         ReferenceWalk(B.Root());
       }},
      {"two threads of one process: A and B at once",
       [&] {
         std::thread Other([&] { ReferenceWalk(B.Root()); });
         ReferenceWalk(A.Root());
         Other.join();
       }},
      {"two processes: A and B at once",
       [&] { RunChildren({L"/walk \"" + A.Root() + L"\"", L"/walk \"" + B.Root() + L"\""}); }},
      {"two processes walking nothing (their start-up)", [&] { RunChildren({L"/walk \"\"", L"/walk \"\""}); }},
  };
  const std::vector<double> Medians = MedianMilliseconds(Tasks, 5);
  std::printf("median of 5 runs after a warm-up:\n");
  for (size_t i = 0; i < Tasks.size(); ++i) std::printf("  %-50s %9.1f ms\n", Tasks[i].Name.c_str(), Medians[i]);
  std::printf("two threads / one thread: %.2f\n", Medians[1] / Medians[0]);
  std::printf("two processes (less their start-up) / one thread: %.2f\n", (Medians[2] - Medians[3]) / Medians[0]);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && (std::wstring(argv[1]) == L"/walk" || std::wstring(argv[1]) == L"/search")) {
    if (argv[2][0] == L'\0') return 0;
    // The walking processes of the benchmark say nothing; a search says what it found.
    if (std::wstring(argv[1]) == L"/walk")
      ReferenceWalk(argv[2]);
    else
      std::printf("%zu files found\n", ReferenceSearch(argv[2]));
    return 0;
  }
  return RunBenchmark(&Run);
}
