#include "app/RunLog.h"

#include "framework/Text.h"

#include <cstdio>

namespace {

// A message may span lines; the log keeps one line per run.
std::string OneLine(std::string Text) {
  for (char& C : Text)
    if (C == '\r' || C == '\n' || C == '\t') C = ' ';
  return Text;
}

}  // namespace

std::string FormatRunTotals(const TRunTotals& T) {
  return std::to_string(T.Folders) + " folder(s), " + std::to_string(T.Figures.Subfolders) + " subfolder(s), " +
         std::to_string(T.Figures.Files) + " file(s), " + std::to_string(T.Figures.SizeKB) + " KB";
}

std::string FormatRunLeft(const TRunRecord& R) {
  return std::to_string(R.FilesLeft) + " file(s), " + std::to_string(R.SubfoldersLeft) + " subfolder(s), " +
         std::to_string(R.ProtectedFoldersSkipped) + " protected folder(s), " + std::to_string(R.FoldersNotFound) +
         " folder(s) not found";
}

std::string FormatRunLogLine(const TRunRecord& R) {
  char Time[32];
  std::snprintf(Time, sizeof(Time), "%04d-%02d-%02d %02d:%02d:%02d", R.Year, R.Month, R.Day, R.Hour, R.Minute,
                R.Second);
  std::string Line = Time;
  if (!R.Ran) {
    Line += " not run: " + OneLine(R.Error);
  } else {
    Line += " before: " + FormatRunTotals(R.Before) + "; after: " + FormatRunTotals(R.After) +
            "; left: " + FormatRunLeft(R) + "; deleted: " + std::to_string(FolderSizeKB(R.DeletedBytes)) + " KB (" +
            std::to_string(FolderSizeKB(R.RecycledBytes)) + " KB in the Recycle Bin)";
    if (!R.Refused.empty()) Line += "; not emptied: " + OneLine(R.Refused);
    if (!R.Error.empty()) Line += "; error: " + OneLine(R.Error);
  }
  Line += "; exit code " + std::to_string(R.ExitCode);
  return Line;
}

std::string AppendWithinLimit(std::string Existing, const std::string& Line, size_t Limit) {
  const std::string Break = "\r\n";
  if (Limit < Break.size()) return {};
  if (Line.size() + Break.size() > Limit) {
    // Not even the new line fits alone: keep its start, cut where no UTF-8 character is split.
    size_t Keep = Limit - Break.size();
    while (Keep > 0 && (static_cast<unsigned char>(Line[Keep]) & 0xC0) == 0x80) --Keep;
    return Line.substr(0, Keep) + Break;
  }
  // A last line without its break (a run that ended while writing) stays a line of its own.
  if (!Existing.empty() && Existing.back() != '\n') Existing += Break;
  const size_t Wanted = Existing.size() + Line.size() + Break.size();
  if (Wanted > Limit) {
    const size_t Excess = Wanted - Limit;
    const size_t LastDropped = Existing.find('\n', Excess - 1);
    Existing.erase(0, LastDropped == std::string::npos ? Existing.size() : LastDropped + 1);
  }
  return Existing + Line + Break;
}

// ---- Reading the log back ---------------------------------------------------------------

namespace {

// The number after Label in Line ("; exit code " -> 2); false when Label is
// not there or no number follows. A line's fixed parts come before the texts
// of folders and errors, which may hold anything: its exit code is the last
// label, the others the first.
template <typename Number>
bool NumberAfter(const std::string& Line, const std::string& Label, Number& Value, bool Last = false) {
  const size_t At = Last ? Line.rfind(Label) : Line.find(Label);
  if (At == std::string::npos) return false;
  long long Read = 0;
  int Used = 0;
  if (std::sscanf(Line.c_str() + At + Label.size(), "%lld%n", &Read, &Used) != 1 || Used == 0) return false;
  Value = static_cast<Number>(Read);
  return true;
}

std::wstring Plural(int64_t Count, const wchar_t* One, const wchar_t* Many) {
  return std::to_wstring(Count) + L" " + (Count == 1 ? One : Many);
}

// "412 MB": whole units of 1,024 as a glance wants them, one decimal from a gigabyte on.
std::wstring KiloBytesText(int64_t KB) {
  if (KB < 1024) return std::to_wstring(KB) + L" KB";
  if (KB < 1024 * 1024) return std::to_wstring((KB + 512) / 1024) + L" MB";
  const int64_t Tenths = (KB * 10 + 512 * 1024) / (1024 * 1024);
  return std::to_wstring(Tenths / 10) + L"." + std::to_wstring(Tenths % 10) + L" GB";
}

const wchar_t* ExitCodeMeaning(int ExitCode) {
  switch (ExitCode) {
    case 0:
      return L"everything found was deleted";
    case 1:
      return L"something was left";
    default:
      return L"it could not run";
  }
}

}  // namespace

std::optional<TLoggedRun> ParseRunLogLine(const std::string& Line) {
  TLoggedRun Run;
  TLocalTime& T = Run.When;
  int Used = 0;
  if (std::sscanf(Line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &T.Year, &T.Month, &T.Day, &T.Hour, &T.Minute,
                  &T.Second, &Used) != 6 ||
      Used != 19)
    return std::nullopt;
  if (T.Month < 1 || T.Month > 12 || T.Day < 1 || T.Day > 31 || T.Hour > 23 || T.Minute > 59 || T.Second > 60)
    return std::nullopt;
  // Every line ends with its exit code: a line cut short has none.
  const std::string ExitLabel = "; exit code ";
  const size_t ExitAt = Line.rfind(ExitLabel);
  if (ExitAt == std::string::npos || !NumberAfter(Line, ExitLabel, Run.ExitCode, true)) return std::nullopt;
  const std::string Rest = Line.substr(19, ExitAt - 19);
  const std::string NotRun = " not run: ";
  if (Rest.rfind(NotRun, 0) == 0) {
    Run.Error = Rest.substr(NotRun.size());
    return Run;
  }
  if (Rest.rfind(" before: ", 0) != 0) return std::nullopt;
  Run.Ran = true;
  const size_t LeftAt = Rest.find("; left: ");
  if (LeftAt == std::string::npos ||
      std::sscanf(Rest.c_str() + LeftAt,
                  "; left: %d file(s), %d subfolder(s), %d protected folder(s), %d folder(s) not found",
                  &Run.FilesLeft, &Run.SubfoldersLeft, &Run.ProtectedFoldersSkipped, &Run.FoldersNotFound) != 4)
    return std::nullopt;
  if (!NumberAfter(Rest, "; deleted: ", Run.DeletedKB)) return std::nullopt;
  return Run;
}

TLastRunOfLog LastRunOfLog(const std::string& Content) {
  TLastRunOfLog Result;
  size_t End = Content.size();
  while (End > 0) {
    size_t Start = Content.rfind('\n', End - 1);
    Start = Start == std::string::npos ? 0 : Start + 1;
    std::string Line = Content.substr(Start, End - Start);
    while (!Line.empty() && (Line.back() == '\r' || Line.back() == '\n')) Line.pop_back();
    End = Start > 0 ? Start - 1 : 0;
    if (Line.empty()) continue;
    Result.Run = ParseRunLogLine(Line);
    if (Result.Run) break;
    Result.LaterLineUnreadable = true;
  }
  return Result;
}

std::wstring LastRunText(const TLastRunOfLog& Log, const TCalendarDate& Today) {
  if (!Log.Run)
    return Log.LaterLineUnreadable ? L"Last run: the log (Marrowby.log) holds no line that can be read."
                                   : L"Last run: none yet (there is no log).";
  const TLoggedRun& Run = *Log.Run;
  std::wstring Text = L"Last run: " + DescribeWhen(Run.When, Today);
  if (!Run.Ran) {
    Text += L", it could not run: " + Utf8ToWide(Run.Error);
  } else {
    Text += L", " + (Run.DeletedKB > 0 ? KiloBytesText(Run.DeletedKB) : std::wstring(L"nothing")) + L" deleted";
    if (Run.FilesLeft > 0) Text += L", " + Plural(Run.FilesLeft, L"file in use left", L"files in use left");
    if (Run.SubfoldersLeft > 0) Text += L", " + Plural(Run.SubfoldersLeft, L"subfolder left", L"subfolders left");
    if (Run.ProtectedFoldersSkipped > 0)
      Text += L", " + Plural(Run.ProtectedFoldersSkipped, L"folder refused", L"folders refused");
    if (Run.FoldersNotFound > 0)
      Text += L", " + Plural(Run.FoldersNotFound, L"folder not found", L"folders not found");
  }
  Text += L"\r\nExit code " + std::to_wstring(Run.ExitCode) + L": " + ExitCodeMeaning(Run.ExitCode) + L".";
  if (Log.LaterLineUnreadable) Text += L" A later line of the log could not be read.";
  return Text;
}
