// How fast the file search lists a large tree, against a plain walk of the
// same tree with the platform's fastest listing call, and how much memory
// its result takes.

#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "framework/Exception.h"
#include "framework/Handle.h"
#include "search/VKRFileFind.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The file search as the main window configures it.
void ConfigureAsMainWindow(TVKRFileFind& Find, const std::wstring& Root, const std::wstring& Pattern) {
  Find.SetDirType({TFileType::ftSystem, TFileType::ftDirectory});
  Find.SetFileType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive, TFileType::ftNormal});
  Find.SetRecursive(true);
  Find.SetFilePattern(Pattern);
  Find.SetStartDir(Root);
}

size_t ListBytes(const std::vector<std::wstring>& List) {
  size_t Bytes = List.capacity() * sizeof(std::wstring);
  for (const std::wstring& Line : List)
    if (Line.capacity() > std::wstring().capacity()) Bytes += (Line.capacity() + 1) * sizeof(wchar_t);
  return Bytes;
}

int Run() {
  const TBenchTree Tree;
  const TBenchTree::TShape& Shape = Tree.Shape();

  const std::wstring Extensions = L"*.tmp;*.log;*.old;*.bak";
  size_t ExpectedByExtension = 0;
  for (const wchar_t* Extension : {L".tmp", L".log", L".old", L".bak"}) {
    const auto Found = Tree.FilesPerExtension().find(Extension);
    if (Found != Tree.FilesPerExtension().end()) ExpectedByExtension += static_cast<size_t>(Found->second);
  }

  TVKRFileFind All, ByExtension;
  ConfigureAsMainWindow(All, Tree.Root(), L"*.*");
  ConfigureAsMainWindow(ByExtension, Tree.Root(), Extensions);
  size_t ReferenceCount = 0;

  const std::vector<TBenchTask> Tasks = {
      {"Execute \"*.*\" recursive", [&] { All.Execute(); }},
      {"Execute \"*.tmp;*.log;*.old;*.bak\" recursive", [&] { ByExtension.Execute(); }},
      {"reference FindFirstFileExW walk", [&] { ReferenceCount = ReferenceWalk(Tree.Root()); }},
  };
  const std::vector<double> Medians = MedianMilliseconds(Tasks, 5);

  bool CountsAgree = true;
  const auto Check = [&](const char* What, size_t Got, size_t Expected) {
    if (Got == Expected) return;
    std::printf("MISMATCH: %s found %zu, expected %zu\n", What, Got, Expected);
    CountsAgree = false;
  };
  Check("Execute \"*.*\"", All.FilesFound().size(), static_cast<size_t>(Shape.Files));
  Check("Execute by extension", ByExtension.FilesFound().size(), ExpectedByExtension);
  Check("reference walk", ReferenceCount, static_cast<size_t>(Shape.Files));

  std::printf("median of 5 runs after a warm-up:\n");
  for (size_t i = 0; i < Tasks.size(); ++i) {
    const size_t Files = i == 1 ? ExpectedByExtension : static_cast<size_t>(Shape.Files);
    std::printf("  %-46s %9.1f ms  (%.0f files/s)\n", Tasks[i].Name.c_str(), Medians[i],
                Files / (Medians[i] / 1000.0));
  }

  // The result's memory: the two lists of a fresh component after one run.
  const size_t Before = CommittedBytes();
  auto Fresh = std::make_unique<TVKRFileFind>();
  ConfigureAsMainWindow(*Fresh, Tree.Root(), L"*.*");
  Fresh->Execute();
  const size_t After = CommittedBytes();
  size_t PathCharacters = 0;
  for (const std::wstring& Path : Fresh->FilesFound()) PathCharacters += Path.size();
  const size_t Found = Fresh->FilesFound().size();
  const size_t Held = ListBytes(Fresh->FilesFound()) + ListBytes(Fresh->MatchHitsCountList());
  std::printf("memory: %zu paths of %.1f characters on average; the result lists hold %zu bytes (%.0f per path), "
              "committed memory grew by %zu bytes\n",
              Found, Found ? double(PathCharacters) / Found : 0.0, Held, Found ? double(Held) / Found : 0.0,
              After > Before ? After - Before : 0);
  Fresh.reset();

  std::printf("ratio: %.2f\n", Medians[0] / Medians[2]);
  return CountsAgree ? 0 : 1;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
