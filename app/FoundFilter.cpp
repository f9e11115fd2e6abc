#include "app/FoundFilter.h"

#include "search/FileAge.h"
#include "search/FindPaths.h"
#include "search/FoundFiles.h"

TFoundFilter::TFoundFilter(const std::wstring& Folder, const TFoundRule& Rule, const TKeepList& Keep)
    : FRule(Rule), FKept(Keep.Empty() ? TKeptBelow() : Keep.Below(Folder)) {
  // The depths are counted from the start folder as the search keeps it.
  if (FRule.MaxDepth) FBase = PathDepth(NormaliseStartDir(Folder));
}

void TFoundFilter::Apply(std::vector<std::wstring>& Files, std::vector<std::wstring>& Hits) {
  // The search lists a file once for every checked pattern it matches
  // ("*", "*.tmp", "a.*"): it is one file to count and to delete. The first
  // listing stays, so the order is the search's.
  if (FRule.SeveralPatterns)
    KeepFoundFiles(Files, Hits, [this](const std::wstring& File) { return FSeen.insert(File).second; });
  if (FRule.MaxDepth)
    KeepFoundFiles(Files, Hits, [this](const std::wstring& File) {
      return !OutsideDepthRange(File, FBase, 0, *FRule.MaxDepth);
    });
  if (FRule.AgeLimit) KeepFilesOlderThan(Files, Hits, *FRule.AgeLimit);
  if (!FKept.Empty())
    KeepFoundFiles(Files, Hits, [this](const std::wstring& File) { return !FKept.KeepsFile(File); });
}
