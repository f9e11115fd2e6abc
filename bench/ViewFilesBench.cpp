// "View Files..." on a folder of 100,000 files (the long form, /full; the
// quick form takes the 50,000-file tree the other benchmarks share; /million
// a tree of 1,000,000 files, made once and kept like the others):
// - the time from the command to the first rows painted;
// - the time until the search has ended and the last rows show, against the
//   bare search of the same tree in the same rounds (ReferenceSearch, the
//   search `bench_listing /search` makes): the ratio is what showing rows
//   while searching costs;
// - while it fills, how long a message takes to come back from the window
//   (sent from another thread every 10 ms), and the private memory the
//   process grew by for each row shown.

#include "app/FilesView.h"
#include "bench/BenchMainWindow.h"
#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "framework/Application.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double MillisecondsSince(TClock::time_point Start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - Start).count();
}

// Sends a message to Window every 10 ms until stopped; keeps the longest round trip.
class TResponseProbe {
public:
  explicit TResponseProbe(HWND Window)
      : FThread([this, Window] {
          while (!FStop.load()) {
            const TClock::time_point Sent = TClock::now();
            DWORD_PTR Answer = 0;
            SendMessageTimeoutW(Window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &Answer);
            const double Took = MillisecondsSince(Sent);
            double Longest = FLongest.load();
            while (Took > Longest && !FLongest.compare_exchange_weak(Longest, Took)) {
            }
            if (!FStop.load()) Sleep(10);  // pacing the probe, not waiting for anything
          }
          FDone.store(true);
        }) {}
  ~TResponseProbe() { Stop(); }
  TResponseProbe(const TResponseProbe&) = delete;
  TResponseProbe& operator=(const TResponseProbe&) = delete;

  // Stops the probe; the window's thread answers a message still on its way meanwhile.
  void Stop() {
    FStop.store(true);
    while (!FDone.load()) {
      MSG Message{};
      PeekMessageW(&Message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (FThread.joinable()) FThread.join();
  }
  double Longest() const { return FLongest.load(); }

private:
  std::atomic<bool> FStop{false};
  std::atomic<bool> FDone{false};
  std::atomic<double> FLongest{0};
  std::thread FThread;  // last: started when the rest is ready
};

int Run(const TBenchTree::TShape& Shape) {
  Application().Initialize();
  const TBenchTree Tree(Shape);

  TBenchMainWindow Window(Tree.Root());
  TForm1* const Form1 = &Window.Form1();
  Form1->VKRListView1.Item(0).SetSelected(true);
  TFilesViewForm& View = Form1->FilesView();

  TClock::time_point Start;
  bool FirstRowsOnly = false;
  bool FirstSeen = false;
  int Rows = 0;
  size_t MemoryBefore = 0;
  std::vector<double> FirstRows, LastRows, BytesPerRow, LongestAnswer;
  View.OnRowsShown = [&] {
    if (FirstSeen) return;
    FirstSeen = true;
    UpdateWindow(View.FilesListView.Handle());  // the first rows are asked for and painted
    FirstRows.push_back(MillisecondsSince(Start));
    if (FirstRowsOnly) View.SetModalResult(mrOk);  // closing stops the search
  };
  TResponseProbe* Probe = nullptr;
  View.OnSearchEnded = [&] {
    UpdateWindow(View.FilesListView.Handle());
    LastRows.push_back(MillisecondsSince(Start));
    if (Probe != nullptr) {
      Probe->Stop();
      LongestAnswer.push_back(Probe->Longest());
    }
    Rows = View.FilesListView.Count();
    if (Rows > 0)
      BytesPerRow.push_back(static_cast<double>(static_cast<long long>(CommittedBytes()) -
                                                static_cast<long long>(MemoryBefore)) /
                            Rows);
    View.SetModalResult(mrOk);
  };
  const auto OpenView = [&](bool UntilFirstRows) {
    FirstRowsOnly = UntilFirstRows;
    FirstSeen = false;
    MemoryBefore = CommittedBytes();
    Start = TClock::now();
    if (UntilFirstRows) {
      Form1->ViewFiles1Click(Form1);
      return;
    }
    TResponseProbe Probing(View.Handle());
    Probe = &Probing;
    Form1->ViewFiles1Click(Form1);
    Probe = nullptr;
  };
  const std::vector<TBenchTask> Tasks = {
      {"View Files... until its first rows show", [&] { OpenView(true); }},
      {"View Files... until the search has ended", [&] { OpenView(false); }},
      {"the bare search of the same tree", [&] { ReferenceSearch(Tree.Root()); }},
      {"Scan of the same folder", [&] { Form1->ScanToolButtonClick(Form1); }},
  };
  const std::vector<double> Medians = MedianMilliseconds(Tasks, 5);

  std::printf("median of 5 runs after a warm-up (%d files in %d folders):\n", Tree.Shape().Files,
              Tree.Shape().Folders);
  for (size_t i = 0; i < Tasks.size(); ++i) std::printf("  %-46s %9.1f ms\n", Tasks[i].Name.c_str(), Medians[i]);
  std::printf("view files first rows: %.0f ms (median; goal for 100,000 files: at most 150 ms)\n", Median(FirstRows));
  std::printf("view files ratio: %.2f (until the search has ended, %.0f ms, against the bare search, %.0f ms; "
              "goal: at most 1.05)\n",
              Median(LastRows) / Medians[2], Median(LastRows), Medians[2]);
  std::printf("view files while it fills: longest message round trip %.1f ms (median of the runs' longest; "
              "goal: under 50 ms), %.0f bytes of private memory per row (goal: at most 200)\n",
              Median(LongestAnswer), Median(BytesPerRow));
  std::printf("view files: %d rows\n", Rows);
  return Rows == Tree.Shape().Files ? 0 : 1;
}

int RunQuickOrFull() {
  return Run(FullRun() ? TBenchTree::TShape{5100, 100000, 20240611} : TBenchTree::TShape{});
}

int RunMillion() { return Run(TBenchTree::TShape{25000, 1000000, 20240613}); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wstring(argv[1]) == L"/million") return RunBenchmark(&RunMillion);
  return RunBenchmark(&RunQuickOrFull);
}
