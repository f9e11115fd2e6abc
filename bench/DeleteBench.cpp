// How fast Delete empties found files, against the plainest way to do the
// same: a bare DeleteFileW loop for permanent deletes, and ONE shell call
// over every file for Recycle Bin deletes. Each run gets a fresh copy of the
// same tree (same shape, same seed), made outside the timing: 2,000 files in
// the quick form, 20,000 in the long one (/full), where the Recycle Bin runs
// alone take a quarter of an hour. Delete goes the way the program's command
// does: every file reached from the listed folder's handle. Then what each
// step of a checked delete costs, per file, on one folder of files (the
// checked delete and the bare one also on two threads, and the two in
// alternation for a ratio of their own), and what the check of a listed
// folder costs; and the Delete command on the main window against the bare
// loop.

#include "app/FolderDelete.h"
#include "bench/BenchMainWindow.h"
#include "bench/BenchTiming.h"
#include "bench/BenchTree.h"
#include "framework/FileSystem.h"
#include "framework/FolderHandle.h"
#include "framework/Application.h"
#include "framework/FolderListing.h"
#include "support/Trash.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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
  // Empties the tree at Root of Files; leaves in the list what stayed.
  std::function<void(const std::wstring& Root, std::vector<std::wstring>&)> Run;
};

double MicrosecondsSince(std::chrono::steady_clock::time_point Start) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - Start).count();
}

// One folder of Count small files, removed with what is left in it when the
// object goes.
class TFlatFolder {
public:
  explicit TFlatFolder(int Count) {
    wchar_t Temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, Temp);
    FPath = std::wstring(Temp) + L"MarrowbyDeleteSteps-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(FPath);
    CreateDirectoryW(FPath.c_str(), nullptr);
    for (int i = 0; i < Count; ++i) {
      FNames.push_back(L"file" + std::to_wstring(i) + L".tmp");
      UniqueFile File(CreateFileW(JoinPath(FPath, FNames.back()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
      DWORD Written = 0;
      if (File) WriteFile(File.get(), "temp", 4, &Written, nullptr);
    }
  }
  ~TFlatFolder() { RemoveTree(FPath); }
  TFlatFolder(const TFlatFolder&) = delete;
  TFlatFolder& operator=(const TFlatFolder&) = delete;
  const std::wstring& Path() const { return FPath; }
  const std::vector<std::wstring>& Names() const { return FNames; }

private:
  std::wstring FPath;
  std::vector<std::wstring> FNames;
};

using TStep = std::function<void(const TOpenedFolder&, const TFlatFolder&, const std::wstring& Name)>;

// Microseconds per file of Step over a fresh folder of files, median of
// Rounds; with Threads > 1, that many threads take the files in turn.
double StepCost(int Files, int Rounds, const TStep& Step, int Threads = 1) {
  std::vector<double> Samples;
  for (int Round = 0; Round < Rounds; ++Round) {
    const TFlatFolder Folder(Files);
    const TOpenedFolder Opened = TOpenedFolder::Open(Folder.Path());
    std::atomic<size_t> Next{0};
    const auto Work = [&] {
      for (size_t i; (i = Next.fetch_add(1)) < Folder.Names().size();) Step(Opened, Folder, Folder.Names()[i]);
    };
    const auto Start = std::chrono::steady_clock::now();
    std::vector<std::thread> Others;
    for (int i = 1; i < Threads; ++i) Others.emplace_back(Work);
    Work();
    for (std::thread& Other : Others) Other.join();
    Samples.push_back(MicrosecondsSince(Start) / Files);
  }
  return Median(std::move(Samples));
}

// What each part of a checked delete costs under this platform, per file:
// the reference's own delete, then the checked delete piece by piece, then
// what a folder on the way costs.
void PrintStepCosts() {
  const int Files = FullRun() ? 2000 : 500;
  const int Rounds = 3;
  const TStep DeleteFileStep = [](const TOpenedFolder&, const TFlatFolder& Folder, const std::wstring& Name) {
    DeleteFileW(JoinPath(Folder.Path(), Name).c_str());
  };
  const TStep CheckedDeleteStep = [](const TOpenedFolder& Opened, const TFlatFolder&, const std::wstring& Name) {
    Opened.DeleteFileEntry(Name);
  };
  const struct {
    const char* Name;
    TStep Step;
    int Threads = 1;
  } Steps[] = {
      {"DeleteFileW by full path", DeleteFileStep},
      {"open by full path, no sharing, and close",
       [](const TOpenedFolder&, const TFlatFolder& Folder, const std::wstring& Name) {
         UniqueFile(CreateFileW(JoinPath(Folder.Path(), Name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
       }},
      {"open from the folder's handle, name checked",
       [](const TOpenedFolder& Opened, const TFlatFolder&, const std::wstring& Name) { Opened.OpenFile(Name, DELETE, 0); }},
      {"the same and the delete mark (Delete's way)", CheckedDeleteStep},
      // Every request waits on the one wineserver: more threads do not
      // make more of them answered.
      {"Delete's way on 2 threads", CheckedDeleteStep, 2},
      {"DeleteFileW on 2 threads", DeleteFileStep, 2},
      {"open by full path, identity (volume and ID)",
       [](const TOpenedFolder&, const TFlatFolder& Folder, const std::wstring& Name) {
         const UniqueFile File(CreateFileW(JoinPath(Folder.Path(), Name).c_str(), FILE_READ_ATTRIBUTES, 7, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
         TFileIdentity Identity;
         IdentityOf(File.get(), Identity);
       }},
      {"a folder opened by path and checked (per folder)",
       [](const TOpenedFolder&, const TFlatFolder& Folder, const std::wstring&) { TOpenedFolder::Open(Folder.Path()); }},
  };
  std::printf("what each step costs, per file (%d files in one folder, median of %d):\n", Files, Rounds);
  for (const auto& Step : Steps)
    std::printf("  %-50s %7.1f us\n", Step.Name, StepCost(Files, Rounds, Step.Step, Step.Threads));
  // The two again, alternately, for a ratio both sides of which met the same load.
  std::vector<double> Checked, Bare;
  for (int Round = 0; Round < Rounds; ++Round) {
    Checked.push_back(StepCost(Files, 1, CheckedDeleteStep));
    Bare.push_back(StepCost(Files, 1, DeleteFileStep));
  }
  std::printf("checked delete per file against DeleteFileW: %.2f\n", Median(Checked) / Median(Bare));
  // What a listed folder costs once, whatever it holds: the check that it
  // is not a protected folder, which every Delete of a folder makes.
  const TFlatFolder Listed(0);
  std::vector<double> Checks;
  for (int Round = 0; Round < 5 * Rounds; ++Round) {
    const auto Start = std::chrono::steady_clock::now();
    ProtectedFolderReason(Listed.Path());
    Checks.push_back(MicrosecondsSince(Start));
  }
  std::printf("  %-50s %7.1f us\n", "the protected-folder check of a listed folder", Median(std::move(Checks)));
}

// The Delete command as the user runs it (the main window, no prompt, a
// permanent delete), after a Scan, against the bare loop on a tree of the
// same shape in the same rounds: what the command adds to the deletes
// themselves (its search, the sizes before and after, the subfolders, the
// progress bar).
void PrintCommandCost(const TBenchTree::TShape& Shape, int Rounds) {
  std::vector<double> Command, Bare;
  bool AllGone = true;
  for (int Round = 0; Round < Rounds; ++Round) {
    {
      const TBenchTree Tree(Shape, TBenchTree::TKeep::kFresh);
      TBenchMainWindow Window(Tree.Root());
      TForm1& Form1 = Window.Form1();
      TOptions Options = Form1.Options();
      Options.PromptBeforeDeletingFiles = false;
      Options.ShowStatisticsAfterDeletingFiles = false;
      Options.UseRecycleBinWhenDeletingFiles = false;
      Form1.SetOptions(Options);
      Form1.ScanToolButtonClick(&Form1);
      const auto Start = std::chrono::steady_clock::now();
      Form1.DeleteToolButtonClick(&Form1);
      Command.push_back(MicrosecondsSince(Start) / 1000);
      std::vector<std::wstring> Left;
      ListFiles(Tree.Root(), Left);
      AllGone = AllGone && Left.empty();
    }
    const TBenchTree Tree(Shape, TBenchTree::TKeep::kFresh);
    std::vector<std::wstring> Files;
    ListFiles(Tree.Root(), Files);
    const auto Start = std::chrono::steady_clock::now();
    for (const std::wstring& File : Files) DeleteFileW(File.c_str());
    Bare.push_back(MicrosecondsSince(Start) / 1000);
  }
  if (!AllGone) std::printf("MISMATCH: the Delete command left files\n");
  const double CommandMs = Median(std::move(Command));
  const double BareMs = Median(std::move(Bare));
  std::printf("  %-46s %9.1f ms\n", "the Delete command, permanent, no prompt", CommandMs);
  std::printf("  %-46s %9.1f ms\n", "bare DeleteFileW loop, the same rounds", BareMs);
  std::printf("delete command ratio: %.2f\n", CommandMs / BareMs);
}

TDeleteTask PermanentWith(unsigned Workers, const char* Name) {
  return {Name, false, [Workers](const std::wstring& Root, std::vector<std::wstring>& Files) {
            TDeleteSeams Threads;
            Threads.Workers = Workers;
            DeleteFoundFiles(Root, Files, TDeleteMode::dmPermanent, [] { return true; }, Threads);
          }};
}

int Run() {
  const TBenchTree::TShape& Shape = FullRun() ? FullShape : QuickShape;
  // Small trees are quickly made and emptied: more rounds steady their medians.
  const int Rounds = FullRun() ? 3 : 5;
  Application().Initialize();  // for the main window of the Delete command
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::vector<TDeleteTask> Tasks = {
      {"Delete, permanent", false,
       [](const std::wstring& Root, std::vector<std::wstring>& Files) {
         DeleteFoundFiles(Root, Files, TDeleteMode::dmPermanent, [] { return true; });
       }},
      // The same with another number of threads beside the caller's.
      PermanentWith(0, "Delete, permanent, calling thread alone"),
      PermanentWith(1, "Delete, permanent, and 1 worker"),
      {"bare DeleteFileW loop", false,
       [](const std::wstring&, std::vector<std::wstring>& Files) {
         std::vector<std::wstring> Left;
         for (const std::wstring& File : Files)
           if (!DeleteFileW(File.c_str())) Left.push_back(File);
         Files.swap(Left);
       }},
      {"Delete, Recycle Bin", true,
       [](const std::wstring& Root, std::vector<std::wstring>& Files) {
         DeleteFoundFiles(Root, Files, TDeleteMode::dmRecycleBin, [] { return true; });
       }},
      {"one SHFileOperationW over every file", true,
       [](const std::wstring&, std::vector<std::wstring>& Files) {
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

  // The set of protected folders is made at a process's first Delete, once.
  ProtectedFolderReason(ExtractFilePath(ApplicationExeName()));
  std::vector<std::vector<double>> Times(Tasks.size());
  bool AllGone = true;
  for (int Round = 0; Round < Rounds; ++Round) {
    for (size_t i = 0; i < Tasks.size(); ++i) {
      const TBenchTree Tree(Shape, TBenchTree::TKeep::kFresh);
      std::vector<std::wstring> Files;
      ListFiles(Tree.Root(), Files);
      const auto Start = std::chrono::steady_clock::now();
      Tasks[i].Run(Tree.Root(), Files);
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
  const size_t Bare = 3;  // the reference of the permanent deletes
  std::printf("delete ratio: %.2f\n", Medians[0] / Medians[Bare]);
  std::printf("recycle ratio: %.2f\n", Medians[Bare + 1] / Medians[Bare + 2]);
  PrintCommandCost(Shape, Rounds);
  PrintStepCosts();
  CoUninitialize();
  return AllGone ? 0 : 1;
}

}  // namespace

int wmain() { return RunBenchmark(&Run); }
