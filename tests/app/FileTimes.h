#pragma once
// Gives test files the last-write time a case needs.

#include "framework/Handle.h"

#include <doctest.h>
#include <windows.h>

#include <cstdint>
#include <string>

// Time is a file time (100 ns since 1601, UTC).
inline void SetLastWriteTime(const std::wstring& File, uint64_t Time) {
  const UniqueFile Handle(CreateFileW(File.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  REQUIRE(Handle.valid());
  const FILETIME Stamp{static_cast<DWORD>(Time), static_cast<DWORD>(Time >> 32)};
  REQUIRE(SetFileTime(Handle.get(), nullptr, nullptr, &Stamp));
}
