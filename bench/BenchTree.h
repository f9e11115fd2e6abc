#pragma once
// The folder tree the benchmarks measure: a fixed number of files spread
// over a fixed number of folders, shaped by a fixed seed so that every run
// and every benchmark sees the same tree.
//
// Making a tree of 50,000 files takes minutes under Wine, so the trees that
// are only read are kept between runs in the build folder (bench-trees\,
// beside the benchmark programs) and shared by every benchmark that reads
// the same shape; a stamp beside each tree holds its shape and is written
// last, so a tree that was broken off, or one of another shape, is made
// again. Trees that a benchmark consumes are made afresh under the temp
// folder and removed, with everything in it, when the object goes. Making a
// tree says so on the standard output, with the tree's shape.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

class TBenchTree {
public:
  struct TShape {
    int Folders = 2500;  // the root included
    int Files = 50000;
    uint32_t Seed = 20240611;
  };

  enum class TKeep {
    kFresh,   // made now under the temp folder, removed when the object goes
    kCached,  // kept in the build folder for later runs; never changed by a benchmark
  };

  explicit TBenchTree(const TShape& Shape, TKeep Keep = TKeep::kCached);
  TBenchTree() : TBenchTree(TShape{}) {}
  ~TBenchTree();
  TBenchTree(const TBenchTree&) = delete;
  TBenchTree& operator=(const TBenchTree&) = delete;

  // The root folder, without a trailing separator.
  const std::wstring& Root() const { return FRoot; }
  const TShape& Shape() const { return FShape; }
  // How many files carry each extension (".tmp", ...).
  const std::map<std::wstring, int>& FilesPerExtension() const { return FFilesPerExtension; }
  // How deep the deepest folder lies below the root.
  int MaxDepth() const { return FMaxDepth; }

private:
  // Lays the tree out from the seed; with Make, also creates it on disk.
  void LayOut(bool Make);

  TShape FShape;
  TKeep FKeep;
  std::wstring FRoot;
  std::map<std::wstring, int> FFilesPerExtension;
  int FMaxDepth = 0;
};

// The reference the benchmarks compare with: one plain walk of a tree by
// full path, with the platform's fastest listing (basic information, large
// fetches), counting every file.
size_t ReferenceWalk(const std::wstring& Folder);

// Whether this run is the long form (the benchmark was started with /full,
// as `make bench-full` does): bigger trees and more rounds where the quick
// form keeps `make bench` within minutes.
bool FullRun();

// One search of Folder as "View Files..." makes it with the default options
// ("*.*", the main window's filters, the details taken from its listings),
// on this thread and without a window: the number of files found.
size_t ReferenceSearch(const std::wstring& Folder);
