// Marrowby.exe /find: what Find Folders would offer on this PC, for an
// administrator who wants to know what a policy's folder list should hold.

#include "app/AutoRun.h"
#include "app/FindFolders.h"
#include "app/FolderScan.h"
#include "app/RunLog.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "options/OptionPolicies.h"
#include "store/ItemList.h"
#include "store/VKRRegistryEnhanced.h"

#include <windows.h>

namespace {

// A console takes the text as it is; a pipe or a file takes UTF-8.
bool WriteText(HANDLE Out, const std::wstring& Text) {
  DWORD Mode = 0;
  if (!GetConsoleMode(Out, &Mode)) return WriteAllBytes(Out, WideToUtf8(Text));
  DWORD Written = 0;
  return WriteConsoleW(Out, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr) != FALSE;
}

// The program has no console of its own: its output goes where the standard
// output was sent (a pipe, a file), or to the console of whoever started it.
bool WriteToConsole(const std::wstring& Text) {
  const HANDLE Standard = GetStdHandle(STD_OUTPUT_HANDLE);
  if (Standard != nullptr && Standard != INVALID_HANDLE_VALUE && GetFileType(Standard) != FILE_TYPE_UNKNOWN)
    return WriteText(Standard, Text);
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  const UniqueFile Console(
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  // The prompt came back when the program started: the list begins on a line of its own.
  const bool Written = Console && WriteText(Console.get(), L"\r\n" + Text);
  FreeConsole();
  return Written;
}

bool WriteToFile(const std::wstring& Path, const std::wstring& Text) {
  const UniqueFile File(CreateFileW(LongPathForm(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  return File && WriteAllBytes(File.get(), WideToUtf8(Text));
}

}  // namespace

int RunFindFolders(const TCommandLine& Line, const TAutoRunSettings& Settings) {
  // The options and keep list a Scan would use now, policies included.
  TVKRRegistryEnhanced Store;
  Store.SetKey(Settings.RegistryKey);
  TOptions Options = LoadOptions(Store, TProxyDefaults{});
  const TPolicies Policies = TPolicies::Read(Settings.PolicyRoots, ProgramPolicyDefinitions());
  ApplyOptionPolicies(Policies, Options);
  const TFindRules Rules = TFindRules::Now(Options, Policies.List(KeepListKey).value_or(std::vector<std::wstring>{}));

  const TBaseFolders Bases = Settings.Bases.value_or(TBaseFolders{});
  const std::optional<TProtectedFolders> Own =
      Settings.Bases ? std::optional<TProtectedFolders>(TProtectedFolders::System(Bases.KnownFolder)) : std::nullopt;
  const std::vector<TDisposableLocation>& Catalogue = DisposableCatalogue();
  const std::vector<TFoundLocation> Found =
      FindDisposableFolders(Catalogue, LocationSystemOf(Bases), Own ? *Own : ProtectedFolders());

  TVKRFileFind Find;
  SetUpFolderSearch(Find, Rules.Options);
  const std::atomic<bool> Never{false};
  std::wstring Text = FoundLocationsHeader() + L"\r\n";
  for (const TFoundLocation& Location : Found) {
    const std::optional<TMeasuredLocation> Measured =
        Location.Offered() ? MeasureLocation(Find, Location.Path, Rules, Never) : std::nullopt;
    Text += FoundLocationLine(Location, Catalogue[Location.Entry], Measured) + L"\r\n";
  }

  if (Line.Output.empty() ? WriteToConsole(Text) : WriteToFile(Line.Output, Text)) return ExitAllDeleted;
  TMessageDialogRequest Request;
  Request.Caption = L"Marrowby";
  Request.Text = Line.Output.empty()
                     ? L"Marrowby /find writes to the console it was started from. Start it from a command prompt, "
                       L"or name a file after /find."
                     : L"Marrowby could not write the folders it found to \"" + Line.Output + L"\".";
  Request.Type = TMsgDlgType::mtError;
  MessageDlg(Request);
  return ExitCouldNotRun;
}
