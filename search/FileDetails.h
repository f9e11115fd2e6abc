#pragma once
// The size and last-write time of the files a search lists, taken from the
// listings the search makes anyway instead of asking the file system again
// for each file.

#include "search/FindWalk.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TListedFileDetails : public TFindListingObserver {
public:
  void Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) override;
  void Listed(const std::wstring&, DWORD) override {}

  // The details of File, a full path as the search gives it; read from the
  // file itself when no listing showed it. False when it cannot be read.
  bool Find(const std::wstring& File, int64_t& Size, uint64_t& LastWrite) const;

private:
  // A search of a hundred thousand files lists them all here: one string
  // and one map node per file cost as much as a tenth of the search, so the
  // names share one buffer and the table holds plain numbers.
  struct TDetails {
    uint64_t Hash;  // of the full path
    uint32_t Folder;
    uint32_t NameAt;
    uint32_t NameLength;
    int64_t Size;
    uint64_t LastWrite;
  };
  // The entry of that hash that Same accepts; null when there is none.
  template <typename TSame>
  const TDetails* Lookup(uint64_t Hash, const TSame& Same) const {
    if (FSlots.empty()) return nullptr;
    const size_t Mask = FSlots.size() - 1;
    for (size_t Slot = Hash & Mask; FSlots[Slot] != 0; Slot = (Slot + 1) & Mask) {
      const TDetails& Details = FFiles[FSlots[Slot] - 1];
      if (Details.Hash == Hash && Same(Details)) return &Details;
    }
    return nullptr;
  }
  bool IsPathOf(const TDetails& Details, std::wstring_view File) const;
  void Grow();

  std::vector<std::wstring> FFolders;  // each ending in a separator, as the search joins paths
  uint64_t FFolderHash = 0;            // the hash state after FFolders.back()
  std::wstring FNames;                 // every name, one after the other
  std::vector<TDetails> FFiles;
  std::vector<uint32_t> FSlots;  // open addressing: an index into FFiles plus 1; 0 is free
  mutable size_t FNext = 0;      // the entry after the one Find found last
};
