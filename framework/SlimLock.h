#pragma once
// A lock and a condition variable on the platform's slim reader/writer lock
// and condition variable. Under Wine they wait on the kernel's futexes,
// where the C++ library's (MinGW's winpthreads) wait on semaphores and
// events, one request to the wineserver per wait and per wake-up: the
// folder walk hands thousands of folders between threads, so that cost
// showed in every scan. Both meet the standard's Lockable requirements, so
// std::lock_guard and std::unique_lock work with TSlimLock.

#include <windows.h>

#include <mutex>

class TSlimLock {
public:
  TSlimLock() = default;
  TSlimLock(const TSlimLock&) = delete;
  TSlimLock& operator=(const TSlimLock&) = delete;

  void lock() { AcquireSRWLockExclusive(&FLock); }
  bool try_lock() { return TryAcquireSRWLockExclusive(&FLock) != FALSE; }
  void unlock() { ReleaseSRWLockExclusive(&FLock); }

private:
  friend class TSlimCondition;
  SRWLOCK FLock = SRWLOCK_INIT;
};

class TSlimCondition {
public:
  TSlimCondition() = default;
  TSlimCondition(const TSlimCondition&) = delete;
  TSlimCondition& operator=(const TSlimCondition&) = delete;

  // Waits until Ready() holds; Lock is held when Ready is asked and on return.
  template <typename TReady>
  void wait(std::unique_lock<TSlimLock>& Lock, TReady Ready) {
    while (!Ready()) SleepConditionVariableSRW(&FCondition, &Lock.mutex()->FLock, INFINITE, 0);
  }
  void notify_one() { WakeConditionVariable(&FCondition); }
  void notify_all() { WakeAllConditionVariable(&FCondition); }

private:
  CONDITION_VARIABLE FCondition = CONDITION_VARIABLE_INIT;
};
