#include "bench/BenchTree.h"

#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "search/FileDetails.h"
#include "search/VKRFileFind.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>
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

// Raise it when the way a tree is laid out from its shape changes: every
// cached tree is then made again.
constexpr int LayoutVersion = 1;

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

std::string StampText(const TBenchTree::TShape& Shape) {
  return "layout " + std::to_string(LayoutVersion) + ", " + std::to_string(Shape.Folders) + " folders, " +
         std::to_string(Shape.Files) + " files, seed " + std::to_string(Shape.Seed) + "\n";
}

std::string ReadSmallFile(const std::wstring& Path) {
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return {};
  char Buffer[256];
  DWORD Read = 0;
  if (!ReadFile(File.get(), Buffer, sizeof(Buffer), &Read, nullptr)) return {};
  return std::string(Buffer, Read);
}

void WriteSmallFile(const std::wstring& Path, const std::string& Text) {
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  Win32Check(File.valid(), Path);
  DWORD Written = 0;
  Win32Check(WriteFile(File.get(), Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr) != FALSE &&
                 Written == Text.size(),
             Path);
}

}  // namespace

TBenchTree::TBenchTree(const TShape& Shape, TKeep Keep) : FShape(Shape), FKeep(Keep) {
  if (FKeep == TKeep::kFresh) {
    FRoot = UniqueRoot();
    try {
      LayOut(true);
    } catch (...) {
      RemoveTree(FRoot);
      throw;
    }
    return;
  }
  const std::wstring Trees = ExtractFilePath(ApplicationExeName()) + L"bench-trees";
  if (!CreateDirectoryW(Trees.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw EOSError(GetLastError(), Trees);
  FRoot = Trees + L"\\tree-" + std::to_wstring(FShape.Folders) + L"-" + std::to_wstring(FShape.Files) + L"-" +
          std::to_wstring(FShape.Seed);
  // The stamp lies beside the tree, not in it: inside, every scan would count it.
  const std::wstring Stamp = FRoot + L".shape";
  const std::string Expected = StampText(FShape);
  if (ReadSmallFile(Stamp) == Expected && DirectoryExists(FRoot)) {
    LayOut(false);
    std::printf("tree: %d files in %d folders, %d levels deep (seed %u), kept from an earlier run\n", FShape.Files,
                FShape.Folders, FMaxDepth, FShape.Seed);
    return;
  }
  DeleteFileW(Stamp.c_str());
  if (DirectoryExists(FRoot) && !RemoveTree(FRoot)) throw EOSError(ERROR_DIR_NOT_EMPTY, FRoot);
  Win32Check(CreateDirectoryW(FRoot.c_str(), nullptr) != FALSE, FRoot);
  LayOut(true);
  WriteSmallFile(Stamp, Expected);
}

TBenchTree::~TBenchTree() {
  if (FKeep == TKeep::kFresh) RemoveTree(FRoot);
}

void TBenchTree::LayOut(bool Make) {
  if (Make) {
    std::printf("making the tree...\n");
    std::fflush(stdout);
  }
  std::mt19937 Random(FShape.Seed);
  // Each folder hangs below a random earlier one, which gives the bushy,
  // moderately deep shape of real temp folders.
  std::vector<std::wstring> Folders{FRoot};
  std::vector<int> Depths{0};
  for (int i = 1; i < FShape.Folders; ++i) {
    const size_t Parent = std::uniform_int_distribution<size_t>(0, Folders.size() - 1)(Random);
    std::wstring Folder = Folders[Parent] + L"\\Folder" + std::to_wstring(i);
    if (Make) Win32Check(CreateDirectoryW(Folder.c_str(), nullptr) != FALSE, Folder);
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
    const size_t Folder = PickFolder(Random);
    const int Size = PickSize(Random);
    ++FFilesPerExtension[Extension];
    if (!Make) continue;
    const std::wstring File = Folders[Folder] + L"\\file" + std::to_wstring(i) + Extension;
    UniqueFile Handle(CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    Win32Check(Handle.valid(), File);
    DWORD Written = 0;
    if (Size > 0) WriteFile(Handle.get(), Content.data(), static_cast<DWORD>(Size), &Written, nullptr);
  }
  if (Make)
    std::printf("tree: %d files in %d folders, %d levels deep (seed %u)\n", FShape.Files, FShape.Folders, FMaxDepth,
                FShape.Seed);
}

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

bool FullRun() {
  for (int i = 1; i < __argc && __wargv != nullptr; ++i)
    if (std::wstring_view(__wargv[i]) == L"/full") return true;
  return false;
}

size_t ReferenceSearch(const std::wstring& Folder) {
  TVKRFileFind Find;
  TListedFileDetails Details;
  Find.SetFilePattern(L"*.*");
  // The main window's filters.
  Find.SetFileType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive, TFileType::ftNormal});
  Find.SetDirType({TFileType::ftSystem, TFileType::ftDirectory});
  Find.SetStartDirFolder(Folder);
  Find.SetListingObserver(&Details);
  Find.Execute();
  return Find.FilesFound().size();
}
