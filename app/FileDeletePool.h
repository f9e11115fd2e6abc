#pragma once
// Permanent deletes of found files, done a few files ahead of the walk by a
// small pool of threads. Under Wine every step of a checked delete (the
// open, the name check, the delete mark, the close) is a request that waits
// on the wineserver; while it answers one thread, another can do its own
// part of the next file. Each file is still opened from its folder's handle
// and checked there (TOpenedFolder::DeleteFileEntry), by whichever thread
// takes it. The walk takes the outcomes in the order it added the files, on
// its own thread, so that everything it reports keeps the listing's order.

#include "framework/FolderHandle.h"
#include "framework/SlimLock.h"

#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

class TFileDeletePool {
public:
  // Workers are threads beside the calling one (0: the caller deletes every
  // file itself, when it takes its outcome). MostAhead bounds the files
  // added and not yet taken.
  TFileDeletePool(unsigned Workers, size_t MostAhead);
  // Drops the files not started and waits for those that are.
  ~TFileDeletePool();
  TFileDeletePool(const TFileDeletePool&) = delete;
  TFileDeletePool& operator=(const TFileDeletePool&) = delete;

  bool Full() const { return FAdded - FTaken == FSlots.size(); }
  bool Empty() const { return FAdded == FTaken; }

  // Adds the file Name of Folder (which the pool holds open until the file
  // is dealt with; a null Folder: the file stays). Name must stay valid and
  // unchanged until its outcome is taken. Not when Full.
  void Add(std::shared_ptr<const TOpenedFolder> Folder, std::wstring_view Name);

  // The outcome of the oldest file added and not yet taken, once it has been
  // dealt with (on the calling thread when no worker has started it): true
  // when it went, empty when it was dropped before it started. Raises what
  // its delete raised. Not when Empty.
  std::optional<bool> Take();

  // No file added and not yet started will be: each is dropped.
  void DropUnstarted();

private:
  enum class TState { Queued, Running, Done, Dropped };
  struct TSlot {
    std::shared_ptr<const TOpenedFolder> Folder;
    std::wstring_view Name;
    TState State = TState::Dropped;
    bool Gone = false;
    std::exception_ptr Error;
  };

  TSlot& Slot(size_t Index) { return FSlots[Index % FSlots.size()]; }
  // Deletes the slot's file; with the lock released.
  static void Run(TSlot& Slot) noexcept;
  void Work() noexcept;

  std::vector<TSlot> FSlots;
  // Counted from the first file added: the slots [FTaken, FAdded) are in
  // use, [FStarted, FAdded) of them queued.
  size_t FAdded = 0;
  size_t FStarted = 0;
  size_t FTaken = 0;
  bool FShutdown = false;
  bool FCallerWaits = false;
  unsigned FIdleWorkers = 0;
  TSlimLock FLock;
  TSlimCondition FWorkReady;
  TSlimCondition FFileDone;
  std::vector<std::thread> FWorkers;
};
