#pragma once
// The folder listings of one search walk, made ahead of the walk by a small
// pool of worker threads. Each folder is listed once ("*"); the patterns
// that can be answered from that listing are answered there, the others by
// a listing of their own. The caller takes the folders in the order of the
// walk (pre-order, subfolders in listing order), on its own thread, so that
// everything it does with them happens in that order and on that thread.
// A folder the walk reaches before any worker has taken it, the walk lists
// itself; the result is the same whichever thread lists a folder.

#include "framework/SlimLock.h"
#include "search/ListingPattern.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct TListingPlan {
  std::vector<TListingPattern> Patterns;
  bool Recursive = true;
  uint16_t FileWord = 0;
  uint16_t DirWord = 0;  // the directory bit included
};

// One entry of a listing: what a WIN32_FIND_DATAW holds, its names kept in
// the folder's name buffer (one allocation per folder, not two per entry:
// the workers would otherwise queue at the shared heap).
struct TListedEntry {
  uint32_t NameAt = 0;
  uint32_t ShortNameAt = 0;
  DWORD Attributes = 0;
  // The part of the WIN32_FIND_DATAW before its names, as listed.
  unsigned char Fixed[offsetof(WIN32_FIND_DATAW, cFileName)];
};

// The entries one pattern reports in a folder, in listing order: indexes
// into the folder's entries, or names when the pattern had a listing of its own.
struct TPatternHits {
  bool FromEntries = true;
  std::vector<uint32_t> Entries;
  std::vector<std::wstring> Names;
};

struct TListedFolder {
  std::wstring Path;
  bool Opened = false;       // the complete listing could be made
  bool Interrupted = false;  // a stop broke the listing off
  DWORD EndError = ERROR_NO_MORE_FILES;
  std::vector<TListedEntry> Entries;  // the complete listing, "." and ".." included
  std::wstring Names;                 // every entry's names, each ended by a null
  std::vector<std::wstring> Subfolders;  // the folders the walk enters, in listing order
  std::vector<TPatternHits> Hits;        // one per pattern of the plan

  const wchar_t* Name(size_t Entry) const { return Names.c_str() + Entries[Entry].NameAt; }
  const wchar_t* ShortName(size_t Entry) const { return Names.c_str() + Entries[Entry].ShortNameAt; }
  void FindData(size_t Entry, WIN32_FIND_DATAW& Data) const;
  void Add(const WIN32_FIND_DATAW& Data);
};

class TFolderPrefetch {
public:
  // Entries the workers may hold listed ahead of the walk.
  static constexpr size_t DefaultMostAhead = 16384;

  // Nothing is listed before the first Next. StopRequested may be null.
  // MostAhead bounds what the workers list ahead (0: they list nothing
  // ahead, and the walk lists every folder itself).
  TFolderPrefetch(const TListingPlan& Plan, std::wstring Start, const std::atomic<bool>* StopRequested,
                  size_t MostAhead = DefaultMostAhead);
  ~TFolderPrefetch();
  TFolderPrefetch(const TFolderPrefetch&) = delete;
  TFolderPrefetch& operator=(const TFolderPrefetch&) = delete;

  // The next folder of the walk, the start folder first (visited even when
  // it cannot be listed); subfolders that cannot be listed are left out.
  // nullptr once the walk has ended or was stopped. The folder stays valid
  // until the next call. Raises what a worker raised.
  const TListedFolder* Next();

  // The number of workers a walk uses on this machine.
  static unsigned WorkerCount();

  // How many folders below the start folder the walk listed itself, having
  // reached them before any worker took them.
  size_t ListedByWalk() const { return FListedByWalk; }

private:
  struct TNode;
  struct TLater {
    bool operator()(const TNode* A, const TNode* B) const;
  };

  bool Stopped() const;
  void StartWorkers();
  void Work();
  void BuildChildren(TNode& Node);
  void Enqueue(const TNode& Node);  // with the lock held
  // A worker's task, on whichever thread takes it: the listing without the
  // lock, then its publication with the lock held.
  void ListNode(TNode& Node) noexcept;
  void PublishNode(TNode& Node) noexcept;
  TNode* NextInWalk();

  const TListingPlan& FPlan;
  const std::atomic<bool>* FStopRequested;
  const size_t FMostAhead;
  size_t FListedByWalk = 0;
  std::atomic<bool> FShutdown{false};
  std::unique_ptr<TNode> FRoot;
  TNode* FCurrent = nullptr;
  bool FStarted = false;
  bool FInline = false;  // no worker could be started: the walk lists for itself
  struct TLevel {
    TNode* Node;
    size_t Next;
  };
  std::vector<TLevel> FStack;

  TSlimLock FLock;
  TSlimCondition FWorkReady;   // a task, or room to list ahead
  TSlimCondition FFolderDone;  // a folder has been listed
  std::vector<TNode*> FQueue;           // heap: the folder the walk needs first on top
  size_t FBuffered = 0;                 // entries listed ahead and not yet taken
  bool FWaiting = false;                // the walk waits for a folder
  std::exception_ptr FError;
  std::vector<std::thread> FWorkers;
};

// Lists Folder for Plan on the calling thread. Stop is polled between entries.
void ListFolder(const TListingPlan& Plan, bool IsStart, TListedFolder& Folder,
                const std::atomic<bool>* Stop, const std::atomic<bool>* Shutdown);
