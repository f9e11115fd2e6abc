#include <doctest.h>

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Exception.h"
#include "framework/SystemFont.h"
#include "support/HostForm.h"
#include "support/TestStrings.h"

#include <stdexcept>
#include <vector>

namespace {
constexpr int FailingCommand = 4711;
constexpr int LaterCommand = 4712;
}  // namespace

TEST_CASE("an error escaping a command shows its message and ends only that command") {
  THostForm Form;
  int LaterRuns = 0;
  Form.BindCommand(FailingCommand, [] { throw EConvertError(L"'abc' is not a valid integer value"); });
  Form.BindCommand(LaterCommand, [&] { ++LaterRuns; });
  std::vector<TMessageDialogRequest> Shown;
  TMessageDialogHook Hook([&](const TMessageDialogRequest& Request) {
    Shown.push_back(Request);
    return mrOk;
  });

  SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(FailingCommand, 0), 0);
  REQUIRE(Shown.size() == 1);
  CHECK(Shown[0].Text == L"'abc' is not a valid integer value");
  CHECK(Shown[0].Caption == Application().Title());
  CHECK(Shown[0].Type == TMsgDlgType::mtError);
  CHECK(Shown[0].Buttons == std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbOK});

  // The window and the program go on.
  CHECK(IsWindow(Form.Handle()));
  SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(LaterCommand, 0), 0);
  CHECK(LaterRuns == 1);

  // Errors that are not the program's own show their text too.
  Form.BindCommand(FailingCommand, [] { throw std::runtime_error("disk full"); });
  SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(FailingCommand, 0), 0);
  REQUIRE(Shown.size() == 2);
  CHECK(Shown[1].Text == L"disk full");

  // An abort ends the command without a message.
  Form.BindCommand(FailingCommand, [] { throw EAbort(); });
  SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(FailingCommand, 0), 0);
  CHECK(Shown.size() == 2);
}

TEST_CASE("the system font rule by Windows version and kind") {
  struct TCase {
    unsigned Major;
    TSystemFontKind Kind;
    bool MultiLine;
    std::wstring Name;
    int Size;
  };
  const std::vector<TCase> Cases = {
      {10, TSystemFontKind::sfkUserInterface, false, L"Segoe UI", 9},
      {6, TSystemFontKind::sfkContent, false, L"Calibri", 9},
      {6, TSystemFontKind::sfkAuto, false, L"Segoe UI", 9},
      {6, TSystemFontKind::sfkAuto, true, L"Calibri", 9},
      {5, TSystemFontKind::sfkUserInterface, false, L"Tahoma", 8},
      {5, TSystemFontKind::sfkContent, false, L"Verdana", 8},
      {4, TSystemFontKind::sfkUserInterface, false, L"MS Sans Serif", 8},
      {4, TSystemFontKind::sfkContent, false, L"MS Sans Serif", 8},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Major);
    CAPTURE(static_cast<int>(Case.Kind));
    const TSystemFontChoice Choice = SystemFontFor(Case.Kind, Case.Major, Case.MultiLine);
    CHECK(std::wstring(Choice.Name) == Case.Name);
    CHECK(Choice.Size == Case.Size);
  }
  // Only name and size change.
  TFont Font;
  Font.SetColor(clGrayText);
  TFontStyles Bold;
  Bold.Include(TFontStyle::fsBold);
  Font.SetStyle(Bold);
  SetSystemFont(Font, TSystemFontKind::sfkContent);
  CHECK(Font.Name() == L"Calibri");
  CHECK(Font.Color() == clGrayText);
  CHECK(Font.Style() == Bold);
}
