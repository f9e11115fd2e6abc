#pragma once
// The Recycle Bin of a Wine prefix is the user's Linux trash: "files" holds
// what was deleted, "info" one record per entry naming where it was. Tests
// and benchmarks that recycle take their own entries out again, since the
// trash is shared with everything else the user runs.

#include <string>

// Empty when there is no such trash (not under Wine).
std::wstring WineTrashFolder();

// Removes from the trash every entry whose record names a path holding
// Marker (a folder name unique to the caller).
void RemoveTrashEntriesOf(const std::wstring& Marker);
