#pragma once
// The folder tree the benchmarks measure: a fixed number of files spread
// over a fixed number of folders, shaped by a fixed seed so that every run
// and every benchmark sees the same tree. It is made under the temp folder
// and removed, with everything in it, when the object goes; making it says
// so on the standard output, with the tree's shape.

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

  explicit TBenchTree(const TShape& Shape);
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
  TShape FShape;
  std::wstring FRoot;
  std::map<std::wstring, int> FFilesPerExtension;
  int FMaxDepth = 0;
};

// The reference the benchmarks compare with: one plain walk of a tree by
// full path, with the platform's fastest listing (basic information, large
// fetches), counting every file.
size_t ReferenceWalk(const std::wstring& Folder);
