// How fast Scan measures one listed folder holding a large tree, against one
// plain walk of the same tree. Scan lists the files under the options, counts
// the subfolders and measures the whole tree's size; the figure shows what
// sharing the walks saves. Its parts are timed in the same turns: the search
// alone as Scan configures it, and the search with the tree size sharing its
// listings, so that what the command adds shows apart from the walk.

#include "bench/BenchMainWindow.h"
#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "search/FolderSize.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

int Run() {
  Application().Initialize();
  const TBenchTree Tree;
  const TBenchTree::TShape& Shape = Tree.Shape();

  // One listed folder, no scan at start-up: the benchmark starts the scans.
  TBenchMainWindow Window(Tree.Root());
  TForm1* const Form1 = &Window.Form1();

  size_t ReferenceCount = 0;
  TVKRFileFind& Find = Form1->VKRFileFind1;
  size_t SearchFound = 0;
  int64_t MeasuredSize = 0;
  const std::vector<TBenchTask> Tasks = {
      {"Scan of the listed folder", [&] { Form1->ScanToolButtonClick(Form1); }},
      {"reference FindFirstFileExW walk", [&] { ReferenceCount = ReferenceWalk(Tree.Root()); }},
      {"its search alone",
       [&] {
         Find.SetStartDirFolder(Tree.Root());
         Find.Execute();
         SearchFound = Find.FilesFound().size();
       }},
      {"its search and the tree size",
       [&] {
         TFolderTreeMeasure Measure;
         Find.SetStartDirFolder(Tree.Root());
         Find.SetListingObserver(&Measure);
         Find.Execute();
         Find.SetListingObserver(nullptr);
         MeasuredSize = Measure.Result(Tree.Root());
       }},
  };
  const std::vector<double> Medians = MedianMilliseconds(Tasks, 5);

  // The row must show what the separate walks give.
  const TListItem Row = Form1->VKRListView1.Item(0);
  const std::wstring ExpectedSize = FormatFileSize(FolderTreeSize(Tree.Root()), TSizeUnit::fsKiloBytes);
  const std::wstring ExpectedSubfolders = std::to_wstring(Form1->CountSubfolders(Tree.Root()));
  bool Agrees = true;
  const auto Check = [&](const char* What, const std::wstring& Got, const std::wstring& Expected) {
    if (Got == Expected) return;
    std::printf("MISMATCH: %s shows %ls, expected %ls\n", What, Got.c_str(), Expected.c_str());
    Agrees = false;
  };
  Check("subfolder count", Row.SubItem(0), ExpectedSubfolders);
  Check("file count", Row.SubItem(1), std::to_wstring(Shape.Files));
  Check("size", Row.SubItem(2), ExpectedSize);
  for (const size_t Count : {ReferenceCount, SearchFound}) {
    if (Count == static_cast<size_t>(Shape.Files)) continue;
    std::printf("MISMATCH: a walk found %zu files\n", Count);
    Agrees = false;
  }
  Check("size measured beside the search", FormatFileSize(MeasuredSize, TSizeUnit::fsKiloBytes), ExpectedSize);

  std::printf("median of 5 runs after a warm-up:\n");
  for (size_t i = 0; i < Tasks.size(); ++i)
    std::printf("  %-46s %9.1f ms\n", Tasks[i].Name.c_str(), Medians[i]);
  std::printf("row: %ls subfolder(s), %ls file(s), %ls\n", Row.SubItem(0).c_str(), Row.SubItem(1).c_str(),
              Row.SubItem(2).c_str());
  std::printf("scan ratio: %.2f\n", Medians[0] / Medians[1]);
  return Agrees ? 0 : 1;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
