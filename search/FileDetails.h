#pragma once
// The size and last-write time of the files a search lists, taken from the
// listings the search makes anyway instead of asking the file system again
// for each file.

#include "search/FindWalk.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class TListedFileDetails : public TFindListingObserver {
public:
  void Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) override;
  void Listed(const std::wstring&, DWORD) override {}

  // The details of File, a full path as the search gives it; read from the
  // file itself when no listing showed it. False when it cannot be read.
  bool Find(const std::wstring& File, int64_t& Size, uint64_t& LastWrite) const;

private:
  struct TDetails {
    int64_t Size;
    uint64_t LastWrite;
  };
  std::unordered_map<std::wstring, TDetails> FFiles;
};
