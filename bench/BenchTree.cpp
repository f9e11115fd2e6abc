#include "bench/BenchTree.h"

#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"

#include <windows.h>

#include <cstdio>
#include <random>
#include <vector>

namespace {

// Disposable-file extensions first (what a restricted scan looks for), then
// the ordinary ones that fill temp folders; the weights make both common.
const struct {
  const wchar_t* Extension;
  int Weight;
} GExtensions[] = {
    {L".tmp", 6}, {L".log", 5}, {L".old", 2}, {L".bak", 3}, {L".txt", 6}, {L".dat", 5},
    {L".xml", 3}, {L".jpg", 4}, {L".dll", 2}, {L".cab", 1}, {L".msi", 1}, {L".ini", 2},
};

std::wstring UniqueRoot() {
  wchar_t Temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, Temp);
  for (unsigned Attempt = 0;; ++Attempt) {
    std::wstring Root = std::wstring(Temp) + L"MarrowbyBench-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(Attempt);
    if (CreateDirectoryW(Root.c_str(), nullptr)) return Root;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw EOSError(GetLastError(), Root);
  }
}

}  // namespace

TBenchTree::TBenchTree(const TShape& Shape) : FShape(Shape), FRoot(UniqueRoot()) {
  std::printf("making the tree...\n");
  std::fflush(stdout);
  try {
    std::mt19937 Random(FShape.Seed);
    // Each folder hangs below a random earlier one, which gives the bushy,
    // moderately deep shape of real temp folders.
    std::vector<std::wstring> Folders{FRoot};
    std::vector<int> Depths{0};
    for (int i = 1; i < FShape.Folders; ++i) {
      const size_t Parent = std::uniform_int_distribution<size_t>(0, Folders.size() - 1)(Random);
      std::wstring Folder = Folders[Parent] + L"\\Folder" + std::to_wstring(i);
      Win32Check(CreateDirectoryW(Folder.c_str(), nullptr) != FALSE, Folder);
      Folders.push_back(std::move(Folder));
      Depths.push_back(Depths[Parent] + 1);
      if (Depths.back() > FMaxDepth) FMaxDepth = Depths.back();
    }

    std::vector<int> Weights;
    for (const auto& Entry : GExtensions) Weights.push_back(Entry.Weight);
    std::discrete_distribution<size_t> PickExtension(Weights.begin(), Weights.end());
    std::uniform_int_distribution<size_t> PickFolder(0, Folders.size() - 1);
    std::uniform_int_distribution<int> PickSize(0, 2048);
    const std::vector<char> Content(2048, 'x');
    for (int i = 0; i < FShape.Files; ++i) {
      const wchar_t* Extension = GExtensions[PickExtension(Random)].Extension;
      const std::wstring File = Folders[PickFolder(Random)] + L"\\file" + std::to_wstring(i) + Extension;
      UniqueFile Handle(CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      Win32Check(Handle.valid(), File);
      DWORD Written = 0;
      const int Size = PickSize(Random);
      if (Size > 0) WriteFile(Handle.get(), Content.data(), static_cast<DWORD>(Size), &Written, nullptr);
      ++FFilesPerExtension[Extension];
    }
    std::printf("tree: %d files in %d folders, %d levels deep (seed %u)\n", FShape.Files, FShape.Folders, FMaxDepth,
                FShape.Seed);
  } catch (...) {
    RemoveTree(FRoot);
    throw;
  }
}

TBenchTree::~TBenchTree() { RemoveTree(FRoot); }

size_t ReferenceWalk(const std::wstring& Folder) {
  size_t Files = 0;
  std::vector<std::wstring> Subfolders;
  WIN32_FIND_DATAW Data;
  UniqueFind Find(FindFirstFileExW((Folder + L"\\*").c_str(), FindExInfoBasic, &Data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH));
  if (!Find) return 0;
  do {
    if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      ++Files;
    else if (!IsDotName(Data.cFileName))
      Subfolders.push_back(Folder + L"\\" + Data.cFileName);
  } while (FindNextFileW(Find.get(), &Data));
  Find.reset();
  for (const std::wstring& Subfolder : Subfolders) Files += ReferenceWalk(Subfolder);
  return Files;
}
