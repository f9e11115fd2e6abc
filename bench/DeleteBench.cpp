// How fast Delete empties found files, against the plainest way to do the
// same: a bare DeleteFileW loop for permanent deletes, and ONE shell call
// over every file for Recycle Bin deletes. Each run gets a fresh copy of the
// same tree (same shape, same seed), made outside the timing: 2,000 files in
// the quick form, 20,000 in the long one (/full), where the Recycle Bin runs
// alone take a quarter of an hour.

#include "app/FolderDelete.h"
#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "support/Trash.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {


const TBenchTree::TShape QuickShape{100, 2000, 20240611};
const TBenchTree::TShape FullShape{1000, 20000, 20240611};

// Every file of the tree, folder by folder, as a search lists them.
void ListFiles(const std::wstring& Folder, std::vector<std::wstring>& Files) {
  std::vector<std::wstring> Subfolders;
  for (TFolderListing Listing(Folder); Listing.HasEntry(); Listing.Next()) {
    const WIN32_FIND_DATAW& Entry = Listing.Entry();
    if (IsDotName(Entry.cFileName)) continue;
    const std::wstring Path = JoinPath(Folder, Entry.cFileName);
    if ((Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      Subfolders.push_back(Path);
    else
      Files.push_back(Path);
  }
  for (const std::wstring& Subfolder : Subfolders) ListFiles(Subfolder, Files);
}

struct TDeleteTask {
  const char* Name;
  bool Recycles;
  std::function<void(std::vector<std::wstring>&)> Run;  // leaves in the list what stayed
};

int Run() {
  const TBenchTree::TShape& Shape = FullRun() ? FullShape : QuickShape;
  // Small trees are quickly made and emptied: more rounds steady their medians.
  const int Rounds = FullRun() ? 3 : 5;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::vector<TDeleteTask> Tasks = {
      {"Delete, permanent", false,
       [](std::vector<std::wstring>& Files) { DeleteFoundFiles(Files, TDeleteMode::dmPermanent, [] { return true; }); }},
      {"bare DeleteFileW loop", false,
       [](std::vector<std::wstring>& Files) {
         std::vector<std::wstring> Left;
         for (const std::wstring& File : Files)
           if (!DeleteFileW(File.c_str())) Left.push_back(File);
         Files.swap(Left);
       }},
      {"Delete, Recycle Bin", true,
       [](std::vector<std::wstring>& Files) { DeleteFoundFiles(Files, TDeleteMode::dmRecycleBin, [] { return true; }); }},
      {"one SHFileOperationW over every file", true,
       [](std::vector<std::wstring>& Files) {
         std::wstring List;
         for (const std::wstring& File : Files) {
           List += File;
           List.push_back(L'\0');
         }
         List.push_back(L'\0');
         SHFILEOPSTRUCTW Operation{};
         Operation.wFunc = FO_DELETE;
         Operation.pFrom = List.c_str();
         Operation.fFlags = 0x06D4;
         SHFileOperationW(&Operation);
         std::vector<std::wstring> Left;
         for (const std::wstring& File : Files)
           if (FileExists(File)) Left.push_back(File);
         Files.swap(Left);
       }},
  };

  std::vector<std::vector<double>> Times(Tasks.size());
  bool AllGone = true;
  for (int Round = 0; Round < Rounds; ++Round) {
    for (size_t i = 0; i < Tasks.size(); ++i) {
      const TBenchTree Tree(Shape, TBenchTree::TKeep::kFresh);
      std::vector<std::wstring> Files;
      ListFiles(Tree.Root(), Files);
      const auto Start = std::chrono::steady_clock::now();
      Tasks[i].Run(Files);
      Times[i].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count());
      if (!Files.empty()) {
        std::printf("MISMATCH: %s left %zu files\n", Tasks[i].Name, Files.size());
        AllGone = false;
      }
      if (Tasks[i].Recycles) RemoveTrashEntriesOf(L"/" + ExtractFileName(Tree.Root()) + L"/");
    }
  }
  std::vector<double> Medians;
  for (std::vector<double>& Samples : Times) Medians.push_back(Median(std::move(Samples)));
  std::printf("median of %d runs, each on a fresh tree of %d files:\n", Rounds, Shape.Files);
  for (size_t i = 0; i < Tasks.size(); ++i) std::printf("  %-46s %9.1f ms\n", Tasks[i].Name, Medians[i]);
  std::printf("delete ratio: %.2f\n", Medians[0] / Medians[1]);
  std::printf("recycle ratio: %.2f\n", Medians[2] / Medians[3]);
  CoUninitialize();
  return AllGone ? 0 : 1;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
