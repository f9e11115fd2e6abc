#pragma once
// One run of the file search over its start folders and patterns. The walk
// lists folders by full path and never changes the process's current
// directory, so a worker thread can run it; the caller makes the current
// directory what the run leaves it as (LastStartEntered, FolderVisited).
// Each folder is listed once for all patterns, by workers ahead of the walk
// (FolderPrefetch.h); what the run reports is still what one walk per
// pattern reports, in that order, on the thread that runs it.

#include "search/FolderPrefetch.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TVKRMatch;

// Sees the complete listing ("*") of every folder the run lists, once per
// folder, in the first pattern's walk: each entry before any filter, then how
// the listing ended (ERROR_NO_MORE_FILES when it reached its end). A caller
// that needs what the whole tree holds can thus share the run's listings.
class TFindListingObserver {
public:
  virtual ~TFindListingObserver() = default;
  virtual void Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) = 0;
  virtual void Listed(const std::wstring& Folder, DWORD EndError) = 0;
};

struct TFindRunSettings {
  const std::vector<std::wstring>* StartDirs = nullptr;
  const std::vector<std::wstring>* Patterns = nullptr;
  bool Recursive = true;
  uint16_t FileTypeWord = 0;
  uint16_t DirTypeWord = 0;
  // Content matching through the matcher (already configured by the caller).
  bool MatchContent = false;
  // The current directory that relative start folders are resolved against.
  std::wstring BaseDirectory;
  // The text of EVKRFileFindOutOfResources.
  std::wstring OutOfResourcesText;
};

class TFindRun {
public:
  TFindRun(TFindRunSettings Settings, TVKRMatch& Match, std::vector<std::wstring>& FilesFound,
           std::vector<std::wstring>& HitsCountList, int32_t& HitsCount);

  // Called with each folder's path before its entries are recorded.
  std::function<void(const std::wstring& Folder)> OnChangeDirectory;
  // When set and true, the run stops after the entry in hand.
  const std::atomic<bool>* StopRequested = nullptr;
  TFindListingObserver* ListingObserver = nullptr;

  // Raises what matching or OnChangeDirectory raise; running out of memory
  // while recording becomes EVKRFileFindOutOfResources.
  void Run();

  // The last start folder that could be entered; empty when none could.
  const std::wstring& LastStartEntered() const { return FLastStartEntered; }
  // The folder of the last visit (the one an error happened in).
  const std::wstring& FolderVisited() const { return FFolderVisited; }

private:
  bool Stopped() const { return StopRequested != nullptr && StopRequested->load(std::memory_order_relaxed); }
  void WalkStart(const std::wstring& Start);
  // False when a stop ended the visit.
  bool VisitListed(const TListedFolder& Folder);
  void EnterFolder(const std::wstring& Folder);
  void Record(const std::wstring& Folder, const wchar_t* Name);
  void RecordPath(std::wstring Path, std::wstring Hits);

  TFindRunSettings FSettings;
  TVKRMatch& FMatch;
  std::vector<std::wstring>& FFilesFound;
  std::vector<std::wstring>& FHitsCountList;
  int32_t& FHitsCount;
  std::wstring FLastStartEntered;
  std::wstring FFolderVisited;
  TListingPlan FPlan;
};
