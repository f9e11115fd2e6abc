#include "app/CommandLine.h"

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
  bool Auto = false;
  bool Usage = false;
  for (const std::wstring& Argument : Arguments) {
    const std::wstring Name = SwitchName(Argument);
    if (Name == L"auto") {
      Auto = true;
    } else if (Name == L"?") {
      Usage = true;
    } else {
      // One mistake is enough to run nothing: an unattended run deletes files.
      Line.Action = TCommandLineAction::clBadCommandLine;
      Line.Offending = Argument;
      return Line;
    }
  }
  if (Usage)
    Line.Action = TCommandLineAction::clUsage;
  else if (Auto)
    Line.Action = TCommandLineAction::clUnattended;
  return Line;
}

std::wstring UsageText(const TCommandLine& Line) {
  std::wstring Text;
  if (Line.Action == TCommandLineAction::clBadCommandLine) {
    const bool Switch = !Line.Offending.empty() && (Line.Offending[0] == L'/' || Line.Offending[0] == L'-');
    Text += (Switch ? L"Unknown switch: " : L"Unknown argument: ") + (L"\"" + Line.Offending + L"\"") + L"\n\n";
  }
  Text +=
      L"Usage: Marrowby [/auto | /?]\n"
      L"\n"
      L"Without a switch, Marrowby opens its window.\n"
      L"/auto\tScans and empties the listed folders without a window or a question, "
      L"writes a line to its log and exits.\n"
      L"/?\tShows this text.\n"
      L"\n"
      L"Exit codes of /auto: 0 everything found was deleted; 1 some files or subfolders were left; "
      L"2 Marrowby could not run (another Marrowby is running, or the command line is wrong).\n"
      L"The log: %LOCALAPPDATA%\\Brenlow\\Marrowby\\Marrowby.log";
  return Text;
}
