#include <doctest.h>

#include "app/RunLog.h"
#include "support/TempDir.h"
#include "FileBytes.h"

#include <string>

TEST_CASE("appending to the log drops the oldest whole lines to stay within the limit") {
  struct TCase {
    const char* Name;
    std::string Existing;
    std::string Line;
    size_t Limit;
    std::string Expected;
  };
  const TCase Cases[] = {
      {"an empty log takes the line", "", "new", 100, "new\r\n"},
      {"room left: nothing goes", "one\r\ntwo\r\n", "new", 100, "one\r\ntwo\r\nnew\r\n"},
      {"exactly at the limit: nothing goes", "one\r\n", "new", 10, "one\r\nnew\r\n"},
      {"one byte over: the oldest line goes whole", "one\r\ntwo\r\n", "new", 14, "two\r\nnew\r\n"},
      {"several lines go when one is not enough", "a\r\nb\r\nc\r\nlonger\r\n", "new", 14, "longer\r\nnew\r\n"},
      {"every old line goes for a long new one", "one\r\ntwo\r\n", "0123456789", 12, "0123456789\r\n"},
      {"a last line without its break stays a line", "one\r\ntwo", "new", 100, "one\r\ntwo\r\nnew\r\n"},
      {"lines ending in LF alone count as lines", "one\ntwo\n", "new", 9, "two\nnew\r\n"},
      {"a line longer than the limit is cut to fit", "old\r\n", "0123456789", 8, "012345\r\n"},
      {"the cut never splits a UTF-8 character", "", "ab\xC3\xA9z", 5, "ab\r\n"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    const std::string Result = AppendWithinLimit(Case.Existing, Case.Line, Case.Limit);
    CHECK(Result == Case.Expected);
    CHECK(Result.size() <= Case.Limit);
  }
}

namespace {

TRunRecord At(int Year, int Month, int Day, int Hour, int Minute, int Second) {
  TRunRecord Record;
  Record.Year = Year;
  Record.Month = Month;
  Record.Day = Day;
  Record.Hour = Hour;
  Record.Minute = Minute;
  Record.Second = Second;
  return Record;
}

}  // namespace

TEST_CASE("a log line holds the time, the totals before and after, what was left and the exit code") {
  TRunRecord Record = At(2026, 3, 7, 9, 5, 1);
  Record.Ran = true;
  Record.Before = {3, {12, 250, 48213}};
  Record.After = {3, {1, 2, 40}};
  Record.FilesLeft = 2;
  Record.SubfoldersLeft = 1;
  Record.ProtectedFoldersSkipped = 0;
  Record.FoldersNotFound = 1;
  Record.DeletedBytes = 48173 * 1024 + 500;
  Record.RecycledBytes = 300;  // below a kilobyte, yet not nothing
  Record.ExitCode = 1;
  CHECK(FormatRunLogLine(Record) ==
        "2026-03-07 09:05:01 before: 3 folder(s), 12 subfolder(s), 250 file(s), 48213 KB; "
        "after: 3 folder(s), 1 subfolder(s), 2 file(s), 40 KB; "
        "left: 2 file(s), 1 subfolder(s), 0 protected folder(s), 1 folder(s) not found; "
        "deleted: 48173 KB (1 KB in the Recycle Bin); exit code 1");

  // An error of several lines stays on the run's one line.
  Record.Error = "first\r\nsecond";
  Record.ExitCode = 2;
  CHECK(FormatRunLogLine(Record).find("; error: first  second; exit code 2") != std::string::npos);

  TRunRecord NotRun = At(2026, 12, 31, 23, 59, 59);
  NotRun.Error = "another Marrowby is running";
  NotRun.ExitCode = 2;
  CHECK(FormatRunLogLine(NotRun) == "2026-12-31 23:59:59 not run: another Marrowby is running; exit code 2");
}

TEST_CASE("the log file: its folders are made, lines are appended, the limit holds") {
  TTempDir Temp;
  const std::wstring Path = Temp / L"Brenlow\\Marrowby\\Marrowby.log";
  REQUIRE(AppendRunLogLine(Path, "first \xC3\xA9t\xC3\xA9", 40));
  REQUIRE(AppendRunLogLine(Path, "second", 40));
  CHECK(ReadFileBytes(Path) == "first \xC3\xA9t\xC3\xA9\r\nsecond\r\n");
  REQUIRE(AppendRunLogLine(Path, "a third line that is long", 40));
  CHECK(ReadFileBytes(Path) == "second\r\na third line that is long\r\n");

  // A log that cannot be written says so instead of pretending.
  TTempDir Other;
  const std::wstring Blocked = Other.MakeFile(L"blocker");
  CHECK_FALSE(AppendRunLogLine(Blocked + L"\\Marrowby.log", "line"));
}

TEST_CASE("the log lives in the local application data folder") {
  const std::wstring Path = DefaultRunLogPath();
  REQUIRE_FALSE(Path.empty());
  CHECK(Path.size() > 30);
  CHECK(Path.substr(Path.size() - 30) == L"\\Brenlow\\Marrowby\\Marrowby.log");
}
