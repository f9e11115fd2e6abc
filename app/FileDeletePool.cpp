#include "app/FileDeletePool.h"

#include <mutex>
#include <system_error>
#include <utility>

TFileDeletePool::TFileDeletePool(unsigned Workers, size_t MostAhead) : FSlots(MostAhead > 0 ? MostAhead : 1) {
  // Room for every worker before the first starts: running out of memory
  // later, with threads started, would leave them joinable and end the process.
  FWorkers.reserve(Workers);
  for (unsigned i = 0; i < Workers; ++i) {
    try {
      FWorkers.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Fewer threads, or none: the caller deletes what no worker takes.
      break;
    }
  }
}

TFileDeletePool::~TFileDeletePool() {
  {
    const std::lock_guard<TSlimLock> Lock(FLock);
    FShutdown = true;
  }
  FWorkReady.notify_all();
  for (std::thread& Worker : FWorkers) Worker.join();
}

void TFileDeletePool::Run(TSlot& Slot) noexcept {
  try {
    Slot.Gone = Slot.Folder != nullptr && Slot.Folder->DeleteFileEntry(Slot.Name);
  } catch (...) {
    Slot.Error = std::current_exception();
  }
  // The folder's handle closes with its last file, on whichever thread.
  Slot.Folder.reset();
}

void TFileDeletePool::Work() noexcept {
  std::unique_lock<TSlimLock> Lock(FLock);
  for (;;) {
    ++FIdleWorkers;
    FWorkReady.wait(Lock, [this] { return FShutdown || FStarted < FAdded; });
    --FIdleWorkers;
    if (FShutdown) return;
    TSlot& Started = Slot(FStarted++);
    Started.State = TState::Running;
    Lock.unlock();
    Run(Started);
    Lock.lock();
    Started.State = TState::Done;
    // Only the caller ever waits for a file; a wake-up costs a system call.
    if (FCallerWaits) FFileDone.notify_one();
  }
}

void TFileDeletePool::Add(std::shared_ptr<const TOpenedFolder> Folder, std::wstring_view Name) {
  bool Wake = false;
  {
    const std::lock_guard<TSlimLock> Lock(FLock);
    TSlot& Added = Slot(FAdded++);
    Added.Folder = std::move(Folder);
    Added.Name = Name;
    Added.Gone = false;
    Added.Error = nullptr;
    Added.State = TState::Queued;
    Wake = FIdleWorkers > 0;
  }
  if (Wake) FWorkReady.notify_one();
}

std::optional<bool> TFileDeletePool::Take() {
  std::unique_lock<TSlimLock> Lock(FLock);
  TSlot& Taken = Slot(FTaken);
  if (Taken.State == TState::Queued) {
    // No worker has it yet: the caller need not wait for one.
    ++FStarted;
    Taken.State = TState::Running;
    Lock.unlock();
    Run(Taken);
    Lock.lock();
    Taken.State = TState::Done;
  }
  FCallerWaits = true;
  FFileDone.wait(Lock, [&Taken] { return Taken.State == TState::Done || Taken.State == TState::Dropped; });
  FCallerWaits = false;
  ++FTaken;
  const bool Dropped = Taken.State == TState::Dropped;
  Taken.State = TState::Dropped;  // free for the next file added there
  Taken.Folder.reset();
  if (Taken.Error) std::rethrow_exception(std::exchange(Taken.Error, nullptr));
  if (Dropped) return std::nullopt;
  return Taken.Gone;
}

void TFileDeletePool::DropUnstarted() {
  const std::lock_guard<TSlimLock> Lock(FLock);
  for (; FStarted < FAdded; ++FStarted) {
    TSlot& Dropped = Slot(FStarted);
    Dropped.State = TState::Dropped;
    Dropped.Folder.reset();
  }
}
