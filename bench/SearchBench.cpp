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

  // Each ratio is taken from tasks measured in turn with each other, so
  // that both sides run after the same kind of work and under the same load.
  const TBenchTask ExecuteAll{"Execute \"*.*\" recursive", [&] { All.Execute(); }};
  const TBenchTask ExecuteByExtension{"Execute \"*.tmp;*.log;*.old;*.bak\" recursive", [&] { ByExtension.Execute(); }};
  const TBenchTask Reference{"reference FindFirstFileExW walk", [&] { ReferenceCount = ReferenceWalk(Tree.Root()); }};
  const std::vector<double> Walks = MedianMilliseconds({ExecuteAll, Reference}, 5);
  const std::vector<double> Patterns = MedianMilliseconds({ExecuteAll, ExecuteByExtension}, 5);

  bool CountsAgree = true;
  const auto Check = [&](const char* What, size_t Got, size_t Expected) {
    if (Got == Expected) return;
    std::printf("MISMATCH: %s found %zu, expected %zu\n", What, Got, Expected);
    CountsAgree = false;
  };
  Check("Execute \"*.*\"", All.FilesFound().size(), static_cast<size_t>(Shape.Files));
  Check("Execute by extension", ByExtension.FilesFound().size(), ExpectedByExtension);
  Check("reference walk", ReferenceCount, static_cast<size_t>(Shape.Files));

  const auto Line = [](const TBenchTask& Task, double Milliseconds, size_t Files) {
    std::printf("  %-46s %9.1f ms  (%.0f files/s)\n", Task.Name.c_str(), Milliseconds, Files / (Milliseconds / 1000.0));
  };
  const auto AllFiles = static_cast<size_t>(Shape.Files);
  std::printf("median of 5 runs after a warm-up, \"*.*\" in turn with the reference walk:\n");
  Line(ExecuteAll, Walks[0], AllFiles);
  Line(Reference, Walks[1], AllFiles);
  std::printf("then \"*.*\" in turn with the four patterns:\n");
  Line(ExecuteAll, Patterns[0], AllFiles);
  Line(ExecuteByExtension, Patterns[1], ExpectedByExtension);

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

  std::printf("ratio: %.2f\n", Walks[0] / Walks[1]);
  std::printf("pattern ratio: %.2f\n", Patterns[1] / Patterns[0]);
  return CountsAgree ? 0 : 1;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
