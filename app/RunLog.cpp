#include "app/RunLog.h"

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
