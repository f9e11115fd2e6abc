#pragma once
// "Only files older than N days": which files and subfolders are old enough
// to go. Times are file times (100 ns since 1601, UTC), so the limit does
// not move with the time zone or a change to or from daylight saving time.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr int MinOlderThanDays = 1;
constexpr int MaxOlderThanDays = 3650;
constexpr int DefaultOlderThanDays = 7;

// The file time Days whole days before Now: a file last written at that
// moment or earlier is old enough.
uint64_t AgeLimit(uint64_t Now, int Days);
// The current time as a file time.
uint64_t FileTimeNow();
// A FILETIME as one number.
uint64_t FileTimeValue(const FILETIME& Time);

// The last-write time of File, false when it cannot be read (gone, no access).
bool LastWriteTime(const std::wstring& File, uint64_t& Time);

// Keeps the files of Files last written at or before Limit, in their order;
// Hits, when it runs beside Files, loses the same entries. A file whose time
// cannot be read is not known to be old: it goes from the list.
void KeepFilesOlderThan(std::vector<std::wstring>& Files, std::vector<std::wstring>& Hits, uint64_t Limit);

// True when a file anywhere in Folder's tree (hidden and system files
// included) was last written after Limit. Links are not followed. A folder
// that cannot be listed counts as holding one: what cannot be looked at is
// not known to be old.
bool HoldsFileNewerThan(const std::wstring& Folder, uint64_t Limit);
