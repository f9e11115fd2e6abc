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

namespace {

TRunRecord Ran(int Hour, int Minute, int64_t DeletedBytes, int32_t FilesLeft, int ExitCode) {
  TRunRecord Record = At(2026, 12, 11, Hour, Minute, 5);
  Record.Ran = true;
  Record.Before = {2, {1, 20, 421888}};
  Record.After = {2, {0, FilesLeft, 12}};
  Record.FilesLeft = FilesLeft;
  Record.DeletedBytes = DeletedBytes;
  Record.ExitCode = ExitCode;
  return Record;
}

const TCalendarDate Today{2026, 12, 11};

}  // namespace

TEST_CASE("a log line reads back as the run it tells") {
  TRunRecord Left = Ran(12, 30, 412LL * 1024 * 1024, 3, 1);
  Left.SubfoldersLeft = 2;
  Left.ProtectedFoldersSkipped = 1;
  Left.FoldersNotFound = 4;
  Left.Refused = "\"C:\\Windows\": a protected folder; exit code 7";  // a folder's words never pass for the code
  Left.Error = "something; exit code 9 ;";
  Left.ExitCode = 1;
  TRunRecord NotRun = At(2026, 12, 10, 7, 5, 0);
  NotRun.Error = "another Marrowby is running";
  NotRun.ExitCode = 2;
  for (const TRunRecord& Record : {Ran(12, 30, 0, 0, 0), Left, NotRun}) {
    const std::string Line = FormatRunLogLine(Record);
    CAPTURE(Line);
    const auto Run = ParseRunLogLine(Line);
    REQUIRE(Run.has_value());
    CHECK(Run->When == TLocalTime{Record.Year, Record.Month, Record.Day, Record.Hour, Record.Minute, Record.Second});
    CHECK(Run->Ran == Record.Ran);
    CHECK(Run->ExitCode == Record.ExitCode);
    if (Record.Ran) {
      CHECK(Run->DeletedKB == Record.DeletedBytes / 1024);
      CHECK(Run->FilesLeft == Record.FilesLeft);
      CHECK(Run->SubfoldersLeft == Record.SubfoldersLeft);
      CHECK(Run->ProtectedFoldersSkipped == Record.ProtectedFoldersSkipped);
      CHECK(Run->FoldersNotFound == Record.FoldersNotFound);
    } else {
      CHECK(Run->Error == Record.Error);
    }
  }
}

TEST_CASE("lines that are no run's") {
  const std::string Good = FormatRunLogLine(Ran(12, 30, 0, 0, 0));
  const std::string Lines[] = {
      "",
      "garbage",
      Good.substr(0, Good.size() / 2),       // cut short while it was written
      Good.substr(0, Good.rfind(' ')),       // the exit code's number is missing
      "2026-13-01 12:00:00 not run: x; exit code 2",
      "2026-12-01 12:00 not run: x; exit code 2",
      "2026-12-01 12:00:00 something else; exit code 0",
      "\xEF\xBF\xBD\xEF\xBF\xBD" + Good,  // binary noise in front
  };
  for (const std::string& Line : Lines) {
    CAPTURE(Line);
    CHECK_FALSE(ParseRunLogLine(Line).has_value());
  }
}

TEST_CASE("the last unattended run in one line from a log fixture") {
  const std::string First = FormatRunLogLine(Ran(9, 0, 2048, 0, 0));
  const std::string Last = FormatRunLogLine(Ran(12, 30, 412LL * 1024 * 1024, 3, 1));
  struct TCase {
    const char* Name;
    std::string Log;
    std::wstring Text;
  };
  const TCase Cases[] = {
      {"the newest line", First + "\r\n" + Last + "\r\n",
       L"Last run: today 12:30, 412 MB deleted, 3 files in use left\r\nExit code 1: something was left."},
      {"a last line without its break", First + "\r\n" + Last,
       L"Last run: today 12:30, 412 MB deleted, 3 files in use left\r\nExit code 1: something was left."},
      {"a garbled last line: the run before it, and said",
       Last + "\r\n" + First + "\r\n" + "2026-12-11 13:00:01 before: 2 folder(s), 1 sub\xFF\xFE",
       L"Last run: today 09:00, 2 KB deleted\r\nExit code 0: everything found was deleted. A later line of the log "
       L"could not be read."},
      {"nothing but garbage", "\x01\x02garbage\r\n\r\n",
       L"Last run: the log (Marrowby.log) holds no line that can be read."},
      {"an empty log", "", L"Last run: none yet (there is no log)."},
      {"a run that could not run, yesterday",
       "2026-12-10 23:59:59 not run: another Marrowby is running; exit code 2\r\n",
       L"Last run: yesterday 23:59, it could not run: another Marrowby is running\r\nExit code 2: it could not run."},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(LastRunText(LastRunOfLog(Case.Log), Today) == Case.Text);
  }

  TRunRecord Everything = Ran(6, 15, 3LL * 1024 * 1024 * 1024 / 2, 1, 1);
  Everything.SubfoldersLeft = 1;
  Everything.ProtectedFoldersSkipped = 2;
  Everything.FoldersNotFound = 1;
  CHECK(LastRunText(LastRunOfLog(FormatRunLogLine(Everything)), Today) ==
        L"Last run: today 06:15, 1.5 GB deleted, 1 file in use left, 1 subfolder left, 2 folders refused, 1 folder "
        L"not found\r\nExit code 1: something was left.");
}

TEST_CASE("the log read from its file, and no log at all") {
  TTempDir Temp;
  const std::wstring Path = Temp / L"Brenlow\\Marrowby\\Marrowby.log";
  CHECK_FALSE(ReadRunLog(Path).has_value());
  CHECK(LastRunText(LastRunOfLog(ReadRunLog(Path).value_or("")), Today) == L"Last run: none yet (there is no log).");
  const std::string Line = FormatRunLogLine(Ran(12, 30, 0, 0, 0));
  REQUIRE(AppendRunLogLine(Path, Line));
  const auto Content = ReadRunLog(Path);
  REQUIRE(Content.has_value());
  CHECK(*Content == Line + "\r\n");
  CHECK(LastRunText(LastRunOfLog(*Content), Today) ==
        L"Last run: today 12:30, nothing deleted\r\nExit code 0: everything found was deleted.");
}
