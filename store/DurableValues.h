#pragma once
// Replacing the whole set of values of one key so that an end at any instant
// (a kill, a crash, a log-off) leaves the old set or the new one, whole.
//
// The new set is first written in full to a journal key beside the target
// ("<key>.saving") and marked complete; only then is the target overwritten
// in place and the values it no longer holds removed. Whoever reads the key
// first finishes a complete journal (the new set wins) or drops an incomplete
// one (the old set was never touched). The target keeps the layout it always
// had, so data written without a journal still reads the same.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct TStoredValue {
  std::wstring Name;
  DWORD Type = REG_NONE;
  std::vector<uint8_t> Data;

  static TStoredValue Text(const std::wstring& Name, const std::wstring& Value);
  // As the store writes a Boolean: REG_DWORD 1 or 0.
  static TStoredValue Boolean(const std::wstring& Name, bool Value);
};

// KeyPath is relative to Root, without leading separator. Raises
// ERegistryException when the system refuses a step; the target then holds
// the old set or the new one (the journal decides at the next read).
// An empty set leaves no target key behind when the key holds no subkeys.
void ReplaceKeyValues(HKEY Root, const std::wstring& KeyPath, const std::vector<TStoredValue>& Values);

// Finishes or drops a replacement an earlier end interrupted; call before
// reading the key. Raises ERegistryException when finishing is refused.
void FinishKeyValues(HKEY Root, const std::wstring& KeyPath);
