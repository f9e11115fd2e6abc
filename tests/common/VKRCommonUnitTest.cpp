#include <doctest.h>

#include "common/VKRCommonUnit.h"
#include "framework/FormatSettings.h"
#include "framework/ShellExecute.h"
#include "framework/Text.h"
#include "support/HostForm.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

TFormatSettings WithThousandSeparator(const std::wstring& Separator) {
  TFormatSettings Settings;
  Settings.ThousandSeparator = Separator;
  return Settings;
}

}  // namespace

TEST_CASE("sizes are written in the unit asked for, grouped with the user's separator") {
  const TFormatSettingsOverride English(WithThousandSeparator(L","));
  struct TCase {
    int64_t Value;
    const wchar_t* Auto;
    const wchar_t* Bytes;
    const wchar_t* KiloBytes;
    const wchar_t* MegaBytes;
    const wchar_t* GigaBytes;
  };
  const std::vector<TCase> Cases = {
      {0, L"0 B", L"0 B", L"0 KB", L"0 MB", L"0 GB"},
      {-1, L"-1 B", L"-1 B", L"1 KB", L"1 MB", L"1 GB"},
      {1, L"1 B", L"1 B", L"1 KB", L"1 MB", L"1 GB"},
      {1023, L"1,023 B", L"1,023 B", L"1 KB", L"1 MB", L"1 GB"},
      {1024, L"1,024 B", L"1,024 B", L"1 KB", L"1 MB", L"1 GB"},
      {1025, L"1 KB", L"1,025 B", L"1 KB", L"1 MB", L"1 GB"},
      {2047, L"1 KB", L"2,047 B", L"1 KB", L"1 MB", L"1 GB"},
      {2048, L"2 KB", L"2,048 B", L"2 KB", L"1 MB", L"1 GB"},
      {1048576, L"1,024 KB", L"1,048,576 B", L"1,024 KB", L"1 MB", L"1 GB"},
      {1048577, L"1 MB", L"1,048,577 B", L"1,024 KB", L"1 MB", L"1 GB"},
      {1073741824, L"1,024 MB", L"1,073,741,824 B", L"1,048,576 KB", L"1,024 MB", L"1 GB"},
      {1073741825, L"1 GB", L"1,073,741,825 B", L"1,048,576 KB", L"1,024 MB", L"1 GB"},
      {5000000000, L"4 GB", L"5,000,000,000 B", L"4,882,812 KB", L"4,768 MB", L"4 GB"},
      {-5000000000, L"-5,000,000,000 B", L"-5,000,000,000 B", L"1 KB", L"1 MB", L"1 GB"},
      {INT64_MAX, L"8,589,934,591 GB", L"9,223,372,036,854,775,807 B", L"9,007,199,254,740,991 KB",
       L"8,796,093,022,207 MB", L"8,589,934,591 GB"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Value);
    CHECK(WideToUtf8(FormatFileSize(Case.Value, TSizeUnit::fsAuto)) == WideToUtf8(Case.Auto));
    CHECK(WideToUtf8(FormatFileSize(Case.Value, TSizeUnit::fsBytes)) == WideToUtf8(Case.Bytes));
    CHECK(WideToUtf8(FormatFileSize(Case.Value, TSizeUnit::fsKiloBytes)) == WideToUtf8(Case.KiloBytes));
    CHECK(WideToUtf8(FormatFileSize(Case.Value, TSizeUnit::fsMegaBytes)) == WideToUtf8(Case.MegaBytes));
    CHECK(WideToUtf8(FormatFileSize(Case.Value, TSizeUnit::fsGigaBytes)) == WideToUtf8(Case.GigaBytes));
  }
}

TEST_CASE("sizes follow the user's number format") {
  struct TCase {
    std::wstring Separator;
    int64_t Value;
    TSizeUnit Unit;
    std::wstring Expected;
  };
  const std::vector<TCase> Cases = {
      {L".", 12345678, TSizeUnit::fsKiloBytes, L"12.056 KB"},
      {L".", 5000000000, TSizeUnit::fsBytes, L"5.000.000.000 B"},
      {L"", 12345678, TSizeUnit::fsKiloBytes, L"12056 KB"},
      {L"\u00A0", 12345678, TSizeUnit::fsKiloBytes, L"12\u00A0056 KB"},
      {L"'", 1073741824, TSizeUnit::fsAuto, L"1'024 MB"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Expected));
    const TFormatSettingsOverride User(WithThousandSeparator(Case.Separator));
    CHECK(WideToUtf8(FormatFileSize(Case.Value, Case.Unit)) == WideToUtf8(Case.Expected));
  }
}

namespace {

// What the shell was asked, copied while the texts were alive.
struct TSeenRequest {
  HWND WindowHandle = nullptr;
  std::optional<std::wstring> Operation, FileName, Parameters, Directory;
  int ShowCommand = -1;
};

std::optional<std::wstring> Copy(const wchar_t* Text) {
  if (Text == nullptr) return std::nullopt;
  return std::wstring(Text);
}

}  // namespace

TEST_CASE("shell requests pass every argument, empty texts as empty strings") {
  std::vector<TSeenRequest> Seen;
  INT_PTR Answer = 42;
  const TShellExecuteHook Hook([&](const TShellExecuteRequest& Request) {
    Seen.push_back(TSeenRequest{Request.WindowHandle, Copy(Request.Operation), Copy(Request.FileName),
                                Copy(Request.Parameters), Copy(Request.Directory), Request.ShowCommand});
    return Answer;
  });
  THostForm Form;

  CHECK(ExecuteShellCommand(Form.Handle(), L"open", L"", L"", L"C:\\users\\Temp", SW_SHOWNORMAL));
  REQUIRE(Seen.size() == 1);
  CHECK(Seen[0].WindowHandle == Form.Handle());
  CHECK(Seen[0].Operation == std::optional<std::wstring>(L"open"));
  CHECK(Seen[0].FileName == std::optional<std::wstring>(L""));
  CHECK(Seen[0].Parameters == std::optional<std::wstring>(L""));
  CHECK(Seen[0].Directory == std::optional<std::wstring>(L"C:\\users\\Temp"));
  CHECK(Seen[0].ShowCommand == SW_SHOWNORMAL);

  ExecuteShellCommand(nullptr, L"", L"C:\\a b\\notes.txt", L"/x \"y\"", L"", SW_HIDE);
  REQUIRE(Seen.size() == 2);
  CHECK(Seen[1].WindowHandle == nullptr);
  CHECK(Seen[1].Operation == std::optional<std::wstring>(L""));
  CHECK(Seen[1].FileName == std::optional<std::wstring>(L"C:\\a b\\notes.txt"));
  CHECK(Seen[1].Parameters == std::optional<std::wstring>(L"/x \"y\""));
  CHECK(Seen[1].Directory == std::optional<std::wstring>(L""));
  CHECK(Seen[1].ShowCommand == SW_HIDE);

  // The shell's errors are the values up to 32, read as unsigned.
  struct TCase {
    INT_PTR Returned;
    bool Accepted;
  };
  for (const TCase& Case : {TCase{0, false}, TCase{SE_ERR_NOASSOC, false}, TCase{32, false}, TCase{33, true},
                            TCase{0x400000, true}, TCase{-1, true}}) {
    CAPTURE(Case.Returned);
    Answer = Case.Returned;
    CHECK(ExecuteShellCommand(nullptr, L"open", L"x", L"", L"", SW_SHOWNORMAL) == Case.Accepted);
  }
}

TEST_CASE("the depth up-down is enabled and disabled together with its edit") {
  THostForm Form;
  const HWND Edit = CreateWindowExW(0, L"EDIT", L"8", WS_CHILD | WS_VISIBLE | ES_NUMBER, 10, 10, 60, 22,
                                    Form.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  REQUIRE(Edit != nullptr);
  TUpDown UpDown;
  UpDown.Create(Form.Handle(), 101, Edit);
  UpDown.SetRange(0, 128);

  for (bool Enabled : {false, true, false, false, true}) {
    CAPTURE(Enabled);
    SetUpDownEnabled(UpDown, Enabled);
    CHECK(UpDown.Enabled() == Enabled);
    CHECK((IsWindowEnabled(Edit) != FALSE) == Enabled);
  }

  // Without an edit only the arrows change.
  UpDown.SetAssociate(nullptr);
  SetUpDownEnabled(UpDown, false);
  CHECK_FALSE(UpDown.Enabled());
  CHECK(IsWindowEnabled(Edit) != FALSE);
}

TEST_CASE("check list box states are set for one item or for all") {
  THostForm Form;
  TCheckListBox List;
  List.Create(Form.Handle(), 201);
  Form.RegisterControl(List);

  using S = TCheckBoxState;
  using TStates = std::vector<S>;
  const TStates Start{S::cbChecked, S::cbUnchecked, S::cbGrayed, S::cbUnchecked};
  struct TCase {
    const char* Name;
    S State;
    int Index;
    TStates Expected;
  };
  const std::vector<TCase> Cases = {
      {"check all", S::cbChecked, -1, {S::cbChecked, S::cbChecked, S::cbChecked, S::cbChecked}},
      {"uncheck all", S::cbUnchecked, -1, {S::cbUnchecked, S::cbUnchecked, S::cbUnchecked, S::cbUnchecked}},
      {"grey all", S::cbGrayed, -1, {S::cbGrayed, S::cbGrayed, S::cbGrayed, S::cbGrayed}},
      {"first item", S::cbUnchecked, 0, {S::cbUnchecked, S::cbUnchecked, S::cbGrayed, S::cbUnchecked}},
      {"one item", S::cbChecked, 1, {S::cbChecked, S::cbChecked, S::cbGrayed, S::cbUnchecked}},
      {"last item greyed", S::cbGrayed, 3, {S::cbChecked, S::cbUnchecked, S::cbGrayed, S::cbGrayed}},
      {"index equal to the count is every item", S::cbChecked, 4,
       {S::cbChecked, S::cbChecked, S::cbChecked, S::cbChecked}},
      {"index past the end is every item", S::cbUnchecked, 1000,
       {S::cbUnchecked, S::cbUnchecked, S::cbUnchecked, S::cbUnchecked}},
      {"other negative index is every item", S::cbGrayed, -7, {S::cbGrayed, S::cbGrayed, S::cbGrayed, S::cbGrayed}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    List.SetItems({L"*.tmp", L"*.log", L"*.old", L"*.bak"});
    for (int i = 0; i < 4; ++i) List.SetState(i, Start[static_cast<size_t>(i)]);
    SetCheckListBoxState(List, Case.State, Case.Index);
    TStates States;
    for (int i = 0; i < List.Count(); ++i) States.push_back(List.State(i));
    CHECK(States == Case.Expected);
  }

  List.SetItems({});
  SetCheckListBoxState(List, S::cbChecked, -1);
  SetCheckListBoxState(List, S::cbChecked, 0);
  CHECK(List.Count() == 0);
}
