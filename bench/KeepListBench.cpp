// What a keep list of 1,000 entries costs a Scan: the same Scan of one large
// tree with no entry and with 1,000 (name patterns of every kind the list
// indexes, and full paths below the listed folder, most of them naming
// nothing). The goal: no more than 10% slower.

#include "bench/BenchMainWindow.h"
#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "framework/Application.h"
#include "framework/FileSystem.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Found: what a plain Scan found, for three entries that name what is there.
std::vector<std::wstring> ThousandEntries(const std::wstring& Root, const std::vector<std::wstring>& Found) {
  std::vector<std::wstring> Entries;
  for (int i = 0; i < 1000; ++i) {
    const std::wstring N = std::to_wstring(i);
    switch (i % 5) {
      case 0:
      case 1:
        Entries.push_back(L"keep-" + N + L".dat");  // an exact name
        break;
      case 2:
        Entries.push_back(L"*.x" + N);  // a name ending
        break;
      case 3:
        Entries.push_back(i % 50 == 3 ? L"lock?" + N + L"*.*" : L"desktop-" + N + L".ini");
        break;
      default:
        Entries.push_back(JoinPath(Root, L"gone-" + N + L"\\file.tmp"));  // a path that names nothing now
        break;
    }
  }
  // What the tree holds, a little of it, so that both Scans list about as
  // much: two files and the folder of a third by their paths, and the files
  // file10 to file19 by a pattern.
  if (Found.size() > 3000) {
    Entries[4] = Found[1000];
    Entries[9] = Found[2000];
    Entries[14] = ExcludeTrailingPathDelimiter(ExtractFilePath(Found[3000]));
  }
  Entries[3] = L"file1?.*";
  return Entries;
}

int Run() {
  Application().Initialize();
  const TBenchTree Tree(FullRun() ? TBenchTree::TShape{5100, 100000, 20240611} : TBenchTree::TShape{});
  TBenchMainWindow Window(Tree.Root());
  TForm1* const Form1 = &Window.Form1();

  TOptions Plain = Form1->Options();
  Plain.KeepList.clear();
  Form1->SetOptions(Plain);
  Form1->ScanToolButtonClick(Form1);
  TOptions Keeping = Plain;
  Keeping.KeepList = ThousandEntries(Tree.Root(), Form1->VKRFileFind1.FilesFound());

  std::wstring PlainFiles, KeepingFiles;
  const std::vector<TBenchTask> Tasks = {
      {"Scan, no keep list",
       [&] {
         Form1->SetOptions(Plain);
         Form1->ScanToolButtonClick(Form1);
         PlainFiles = Form1->VKRListView1.Item(0).SubItem(1);
       }},
      {"Scan, 1,000 keep entries",
       [&] {
         Form1->SetOptions(Keeping);
         Form1->ScanToolButtonClick(Form1);
         KeepingFiles = Form1->VKRListView1.Item(0).SubItem(1);
       }},
  };
  const std::vector<double> Medians = MedianMilliseconds(Tasks, 5);

  std::printf("tree: %d files in %d folders\n", Tree.Shape().Files, Tree.Shape().Folders);
  std::printf("median of 5 runs after a warm-up:\n");
  for (size_t i = 0; i < Tasks.size(); ++i) std::printf("  %-46s %9.1f ms\n", Tasks[i].Name.c_str(), Medians[i]);
  std::printf("files found: %ls without, %ls with the keep list\n", PlainFiles.c_str(), KeepingFiles.c_str());
  const double Slower = (Medians[1] / Medians[0] - 1) * 100;
  std::printf("keep list cost: %+.1f%% (goal: at most +10%%)\n", Slower);
  // The list must keep something, or it measured nothing.
  if (PlainFiles == KeepingFiles) {
    std::printf("MISMATCH: the keep list kept nothing\n");
    return 1;
  }
  return 0;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
