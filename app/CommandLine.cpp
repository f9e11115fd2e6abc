#include "app/CommandLine.h"

#include "framework/FileSystem.h"

namespace {

// The switch name without its "/" or "-", lower-cased; empty for a plain argument.
std::wstring SwitchName(const std::wstring& Argument) {
  if (Argument.size() < 2 || (Argument[0] != L'/' && Argument[0] != L'-')) return {};
  std::wstring Name;
  for (size_t i = 1; i < Argument.size(); ++i) {
    const wchar_t C = Argument[i];
    Name += (C >= L'A' && C <= L'Z') ? static_cast<wchar_t>(C - L'A' + L'a') : C;
  }
  return Name;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::wstring>& Arguments) {
  TCommandLine Line;
  const auto Bad = [&Line](const std::wstring& Argument) {
    // One mistake is enough to run nothing: an unattended run deletes files.
    Line.Action = TCommandLineAction::clBadCommandLine;
    Line.Offending = Argument;
    Line.Output.clear();
    return Line;
  };
  bool Auto = false;
  bool Find = false;
  bool Usage = false;
  for (size_t i = 0; i < Arguments.size(); ++i) {
    const std::wstring& Argument = Arguments[i];
    const std::wstring Name = SwitchName(Argument);
    if (Name == L"auto" && !Find) {
      Auto = true;
    } else if (Name == L"find" && !Auto && !Find) {
      Find = true;
      if (i + 1 < Arguments.size() && !Arguments[i + 1].empty() && SwitchName(Arguments[i + 1]).empty()) {
        Line.Output = Arguments[++i];
        // Never taken from wherever the program was started: the file is
        // overwritten, and must be the one the administrator named.
        if (!IsFullPath(Line.Output)) {
          Line.OffendingNotFullPath = true;
          return Bad(Line.Output);
        }
      }
    } else if (Name == L"?") {
      Usage = true;
    } else {
      return Bad(Argument);
    }
  }
  if (Usage)
    Line.Action = TCommandLineAction::clUsage;
  else if (Auto)
    Line.Action = TCommandLineAction::clUnattended;
  else if (Find)
    Line.Action = TCommandLineAction::clFind;
  return Line;
}

std::wstring UsageText(const TCommandLine& Line) {
  std::wstring Text;
  if (Line.Action == TCommandLineAction::clBadCommandLine) {
    const bool Switch = !Line.Offending.empty() && (Line.Offending[0] == L'/' || Line.Offending[0] == L'-');
    if (Line.OffendingNotFullPath)
      Text += L"The file of /find must be a full path (C:\\...): \"" + Line.Offending + L"\"\n\n";
    else
      Text += (Switch ? L"Unknown switch: " : L"Unknown argument: ") + (L"\"" + Line.Offending + L"\"") + L"\n\n";
  }
  Text +=
      L"Usage: Marrowby [/auto | /find [file] | /?]\n"
      L"\n"
      L"Without a switch, Marrowby opens its window.\n"
      L"/auto\tScans and empties the listed folders without a window or a question, "
      L"writes a line to its log and exits.\n"
      L"/find\tLists the folders Find Folders finds on this PC, with their sizes, as tab-separated lines "
      L"in the console it was started from, or in the file (a full path) named after it, and exits.\n"
      L"/?\tShows this text.\n"
      L"\n"
      L"Exit codes of /auto: 0 everything found was deleted; 1 some files or subfolders were left; "
      L"2 Marrowby could not run (another Marrowby is running, or the command line is wrong).\n"
      L"The log: %LOCALAPPDATA%\\Brenlow\\Marrowby\\Marrowby.log";
  return Text;
}
