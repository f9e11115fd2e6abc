#pragma once
// The files a search found and the hit counts beside them are two lists of
// one length: what leaves one leaves the other.

#include <string>
#include <utility>
#include <vector>

// Keeps the files for which Keep(File) is true, in their order, with their
// hit counts; one pass, whatever the number that goes.
template <class TKeep>
void KeepFoundFiles(std::vector<std::wstring>& Files, std::vector<std::wstring>& Hits, TKeep Keep) {
  size_t Kept = 0;
  for (size_t i = 0; i < Files.size(); ++i) {
    if (!Keep(Files[i])) continue;
    if (Kept != i) {
      Files[Kept] = std::move(Files[i]);
      if (i < Hits.size()) Hits[Kept] = std::move(Hits[i]);
    }
    ++Kept;
  }
  Files.resize(Kept);
  if (Hits.size() > Kept) Hits.resize(Kept);
}
