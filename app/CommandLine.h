#pragma once
// What the command line asks for. Marrowby knows three switches, written
// with "/" or "-" in any letter case: /auto (clean unattended and exit),
// /find [file] (print the disposable folders found on this PC and exit) and
// /? (show how to call it). Anything else is a mistake the user must hear of.

#include <string>
#include <vector>

enum class TCommandLineAction {
  clNormalStart,     // no arguments: the window opens
  clUnattended,      // /auto
  clFind,            // /find, or /find followed by the full path of a file
  clUsage,           // /? alone (or with /auto or /find): the usage, exit code 0
  clBadCommandLine,  // an unknown switch or argument: the usage, exit code 2
};

struct TCommandLine {
  TCommandLineAction Action = TCommandLineAction::clNormalStart;
  std::wstring Offending;  // the first argument not understood, for clBadCommandLine
  bool OffendingNotFullPath = false;  // Offending is the file of /find, and not a full path
  std::wstring Output;     // clFind: the file to write; empty: the console
};

// Arguments: the command line without the program's own name.
TCommandLine ParseCommandLine(const std::vector<std::wstring>& Arguments);

// The text of the usage box; for a bad command line it names the offending argument first.
std::wstring UsageText(const TCommandLine& Line);

// The exit codes of Marrowby.exe.
constexpr int ExitAllDeleted = 0;
constexpr int ExitSomethingLeft = 1;
constexpr int ExitCouldNotRun = 2;
