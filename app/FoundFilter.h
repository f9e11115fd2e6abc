#pragma once
// What of a search's finds in one listed folder Delete takes: a file found
// again by a later pattern counts once, and the depth limit, the age limit
// and the keep list take out what they leave. Scan, Delete and View Files
// apply this one rule; View Files applies it to each batch the search hands
// over while it still runs.

#include "search/KeepList.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

struct TFoundRule {
  bool SeveralPatterns = false;          // the pattern list holds more than one
  std::optional<int32_t> MaxDepth;       // the depth limit, when on
  std::optional<uint64_t> AgeLimit;      // only files last written at or before it
};

class TFoundFilter {
public:
  // Folder: the listed folder as the search was given it. Keep must outlive the filter.
  TFoundFilter(const std::wstring& Folder, const TFoundRule& Rule, const TKeepList& Keep);

  // Takes out of Files, and of Hits beside them, what Delete leaves; the
  // rest keeps its order. Batches of one search may come one after another.
  void Apply(std::vector<std::wstring>& Files, std::vector<std::wstring>& Hits);

private:
  TFoundRule FRule;
  int32_t FBase = 0;  // the depth of the start folder
  TKeptBelow FKept;
  std::unordered_set<std::wstring> FSeen;  // with several patterns: the files found so far
};
