#pragma once
// The log of unattended runs: one line per run, UTF-8, oldest lines dropped
// first so that the file never grows past a limit (1 MB).

#include "app/FolderModel.h"
#include "options/Schedule.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr size_t RunLogLimit = 1024 * 1024;

// Totals as the status bar shows them.
struct TRunTotals {
  int32_t Folders = 0;
  TFolderFigures Figures;
};

struct TRunRecord {
  // Local time of the run's start.
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  bool Ran = false;  // false: it could not run (Error says why)
  TRunTotals Before;
  TRunTotals After;
  int32_t FilesLeft = 0;
  int32_t SubfoldersLeft = 0;
  int32_t ProtectedFoldersSkipped = 0;
  int32_t FoldersNotFound = 0;
  int64_t DeletedBytes = 0;   // the space the run's deletes took
  int64_t RecycledBytes = 0;  // how much of it went to the Recycle Bin
  std::string Refused;  // UTF-8: each folder that was not emptied and why, " / " between them
  std::string Error;  // UTF-8; empty when nothing went wrong
  int ExitCode = 0;
};

// Totals as the log and the event log say them: "2 folder(s), 0 subfolder(s), 3 file(s), 12 KB".
std::string FormatRunTotals(const TRunTotals& Totals);
// What a run left, as the log and the event log say it.
std::string FormatRunLeft(const TRunRecord& Record);

// The record as one log line, UTF-8, without its line break.
std::string FormatRunLogLine(const TRunRecord& Record);

// Existing log content with Line (without a line break) appended as a line
// ending in CRLF. When the result would pass Limit bytes, the oldest whole
// lines go first; a line longer than Limit alone is cut to fit.
std::string AppendWithinLimit(std::string Existing, const std::string& Line, size_t Limit = RunLogLimit);

// The log of this user: Brenlow\Marrowby\Marrowby.log in the local
// application data folder; empty when the system cannot name that folder.
std::wstring DefaultRunLogPath();

// Writes all of Bytes to File (the log, or /find's file or pipe), in pieces
// of at most a megabyte; false when a write fails or writes nothing.
bool WriteAllBytes(HANDLE File, std::string_view Bytes);

// Appends Line to the log at Path within the limit, creating the folders on
// the way; false when the file could not be written.
bool AppendRunLogLine(const std::wstring& Path, const std::string& Line, size_t Limit = RunLogLimit);

// A run as its log line tells it, read back for the Schedule page.
struct TLoggedRun {
  TLocalTime When;
  bool Ran = false;
  int64_t DeletedKB = 0;
  int32_t FilesLeft = 0;
  int32_t SubfoldersLeft = 0;
  int32_t ProtectedFoldersSkipped = 0;
  int32_t FoldersNotFound = 0;
  std::string Error;  // UTF-8: why it could not run
  int ExitCode = 0;
};

// The run a line of FormatRunLogLine's form tells; none for any other text.
std::optional<TLoggedRun> ParseRunLogLine(const std::string& Line);

// What the log says of the last run.
struct TLastRunOfLog {
  std::optional<TLoggedRun> Run;  // the newest line that reads as a run
  bool LaterLineUnreadable = false;  // a line after it (or the only one) does not
};
TLastRunOfLog LastRunOfLog(const std::string& Content);

// "Last run: today 12:30, 412 MB deleted, 3 files in use left", and on a
// line of its own the exit code with what it means.
std::wstring LastRunText(const TLastRunOfLog& Log, const TCalendarDate& Today);

// The log at Path read whole; none when there is no log (or it cannot be read).
std::optional<std::string> ReadRunLog(const std::wstring& Path);
