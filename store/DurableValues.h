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

// Two live processes of the user (in any session) take turns at one key: a
// named mutex per key, so that one never drops or finishes the journal that
// the other is still writing. A process that ended while it held its turn
// left a journal that is finished or dropped as any other.
// How long a save or a read waits for its turn, in milliseconds.
inline constexpr DWORD KeyTurnWait = 10000;
// The mutex's name: per user, per root and key path (in any letter case).
std::wstring KeyTurnName(HKEY Root, const std::wstring& KeyPath);

// KeyPath is relative to Root, without leading separator. Raises
// ERegistryException when the system refuses a step, or when another process
// keeps its turn at the key for longer than Wait; the target then holds the
// old set or the new one (the journal decides at the next read).
// An empty set leaves no target key behind when the key holds no subkeys.
void ReplaceKeyValues(HKEY Root, const std::wstring& KeyPath, const std::vector<TStoredValue>& Values,
                      DWORD Wait = KeyTurnWait);

// Finishes or drops a replacement an earlier end interrupted; call before
// reading the key. Raises ERegistryException when finishing is refused. A
// journal whose writer still holds its turn after Wait is left to it.
void FinishKeyValues(HKEY Root, const std::wstring& KeyPath, DWORD Wait = KeyTurnWait);
