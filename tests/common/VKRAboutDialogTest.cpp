#include <doctest.h>

#include "Version.h"
#include "common/VKRAbout.h"
#include "common/VKRAboutDialog.h"
#include "framework/FileSystem.h"
#include "framework/ShellExecute.h"
#include "support/ModalAnswer.h"
#include "support/TestStrings.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Option = TVKRAboutDialogOption;

TVKRVersionStrings Strings(const std::wstring& FileVersion) {
  return TVKRVersionStrings{L"Test program", FileVersion, L"Copyright (C) 2026", L"Brenlow"};
}

// Two digits at least, as the formatted version shows the middle parts.
std::wstring TwoDigits(int Value) { return (Value < 10 ? L"0" : L"") + std::to_wstring(Value); }

bool Underlined(HWND Label) {
  LOGFONTW Font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Label, WM_GETFONT, 0, 0)), sizeof(Font), &Font);
  return Font.lfUnderline != 0;
}

// The program's text file beside it, for as long as the object lives.
class TReadmeFile {
public:
  TReadmeFile() { std::ofstream(AboutReadmeFileName().c_str()) << "notes"; }
  ~TReadmeFile() { DeleteFileW(AboutReadmeFileName().c_str()); }
  TReadmeFile(const TReadmeFile&) = delete;
  TReadmeFile& operator=(const TReadmeFile&) = delete;
};

}  // namespace

TEST_CASE("a new about dialog has its defaults and reads the program's own version resource") {
  TVKRAboutDialog Dialog;
  CHECK(Dialog.Options().Bits() == 983);
  CHECK(Dialog.Version() == L"Version x.xx.xx");
  CHECK(Dialog.URL() == L"http://");
  CHECK(Dialog.Font().Name() == L"Segoe UI");
  CHECK(Dialog.Font().Size() == 9);
  CHECK(Dialog.Icon() == nullptr);
  REQUIRE(Dialog.VersionInfo());
  CHECK(Dialog.VersionInfo()->FileVersion == Utf8ToWide(MARROWBY_VERSION_TEXT));
  CHECK(Dialog.VersionInfo()->CompanyName == L"Brenlow");
}

TEST_CASE("ExtractVersion, FormatFileVersion and GetBuildNumber") {
  TVKRAboutDialog Dialog;
  Dialog.SetVersionInfo(Strings(L"1.2.3.45"));

  SUBCASE("formatted") {
    Dialog.SetOptions(TVKRAboutDialogOptions::AllBut(Option::opShowWindowsLogo));
    CHECK(Dialog.ExtractVersion(false) == L"1.02.03");
    CHECK(Dialog.Version() == L"Version 1.02.03");
    CHECK(Dialog.ExtractVersion(true) == L"1.02.03b45");
    CHECK(Dialog.CreateAboutBox()->VersionLabel.Text() == L"Version 1.02.03 - Build 45 (64-bit)");
  }
  SUBCASE("not formatted") {
    TVKRAboutDialogOptions Options = TVKRAboutDialogOptions::AllBut(Option::opShowWindowsLogo);
    Options.Exclude(Option::opFormatVersionInfo);
    Dialog.SetOptions(Options);
    CHECK(Dialog.ExtractVersion(false) == L"1.2.3");
    CHECK(Dialog.ExtractVersion(true) == L"1.2.3.45");
    CHECK(Dialog.CreateAboutBox()->VersionLabel.Text() == L"Version 1.2.3.45 (64-bit)");
  }
  SUBCASE("without the build number") {
    Dialog.SetOptions(TVKRAboutDialogOptions{Option::opEnableVersionInfo, Option::opFormatVersionInfo});
    CHECK(Dialog.ExtractVersion(true) == L"1.02.03");
    CHECK(Dialog.CreateAboutBox()->VersionLabel.Text() == L"Version 1.02.03");
  }
  SUBCASE("three parts are not formatted and have build 0") {
    CHECK(Dialog.FormatFileVersion(L"2.1.7") == L"2.1.7");
    CHECK(TVKRAboutDialog::GetBuildNumber(L"2.1.7") == L"0");
    CHECK(Dialog.FormatFileVersion(L"1.0.16.0") == L"1.00.16");
    CHECK(Dialog.FormatFileVersion(L"1.10.123.0") == L"1.10.123");
    CHECK(TVKRAboutDialog::GetBuildNumber(L"1.0.16.0") == L"0");
    Dialog.SetVersionInfo(Strings(L"2.1.7"));
    CHECK(Dialog.ExtractVersion(true) == L"2.1.7b0");
  }
  SUBCASE("without version information the Version text decides") {
    Dialog.SetVersionInfo(std::nullopt);
    CHECK(Dialog.ExtractVersion(true) == L"x.xx.xx");
    Dialog.SetVersion(L"Version");
    CHECK(Dialog.ExtractVersion(true).empty());
    Dialog.SetVersion(L"Release 1.0");
    CHECK(Dialog.ExtractVersion(true).empty());
    // Without version information the version line ends in the build word.
    Dialog.SetVersion(L"Version 3.0");
    CHECK(Dialog.CreateAboutBox()->VersionLabel.Text() == L"Version 3.0 - Build ");
  }
}

TEST_CASE("the version line of the program's own version resource") {
  TVKRAboutDialog Dialog;
  Dialog.SetOptions(TVKRAboutDialogOptions::AllBut(Option::opShowWindowsLogo));
  const std::wstring Formatted = std::to_wstring(MARROWBY_VERSION_MAJOR) + L"." +
                                 TwoDigits(MARROWBY_VERSION_MINOR) + L"." + TwoDigits(MARROWBY_VERSION_RELEASE);
  const std::wstring Build = std::to_wstring(MARROWBY_VERSION_BUILD);
  CHECK(Dialog.ExtractVersion(true) == Formatted + L"b" + Build);
  const std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
  // Shaped as "Version 1.00.16 - Build 0 (64-bit)".
  CHECK(Box->VersionLabel.Text() == L"Version " + Formatted + L" - Build " + Build + L" (64-bit)");
  CHECK(Box->ApplicationLabel.Text() == Dialog.VersionInfo()->FileDescription);
  CHECK(Box->Caption() == L"About " + Dialog.VersionInfo()->FileDescription);
  CHECK(Box->CopyrightLabel.Text() == Dialog.VersionInfo()->LegalCopyright + L" Brenlow");
}

TEST_CASE("the about window shows what the options ask for") {
  TVKRAboutDialog Dialog;
  Dialog.SetAuthor(L"A. Author");
  Dialog.SetEmail(L"someone@example.org");
  Dialog.SetURL(L"https://example.org/");
  Dialog.SetText(L"Free text");

  struct TCase {
    TVKRAboutDialogOptions Options;
    bool Author, Email, OS, Text, URL, ToolLogo, WindowsLogo;
  };
  const std::vector<TCase> Cases = {
      {TVKRAboutDialogOptions::FromBits(983), true, true, true, true, true, false, false},
      {TVKRAboutDialogOptions::AllBut(Option::opShowWindowsLogo), true, true, true, true, true, true, false},
      {TVKRAboutDialogOptions::FromBits(0x07FF), true, true, true, true, true, true, true},
      {TVKRAboutDialogOptions{Option::opEnableVersionInfo}, false, false, false, false, false, false, false},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Options.Bits());
    Dialog.SetOptions(Case.Options);
    const std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
    CHECK(Box->AuthorLabel.Visible() == Case.Author);
    CHECK(Box->EmailLabel.Visible() == Case.Email);
    CHECK(Box->OSInfoLabel.Visible() == Case.OS);
    CHECK(Box->TextLabel.Visible() == Case.Text);
    CHECK(Box->URLLabel.Visible() == Case.URL);
    CHECK(Box->ToolLogoImage.Visible() == Case.ToolLogo);
    CHECK(Box->WindowsLogoImage.Visible() == Case.WindowsLogo);
    CHECK(Box->AuthorLabel.Text() == L"A. Author");
    CHECK(Box->EmailLabel.Text() == L"someone@example.org");
    CHECK(Box->URLLabel.Text() == L"https://example.org/");
    CHECK(Box->TextLabel.Text() == L"Free text");
  }

  const std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
  CHECK(Box->Font().Name() == L"Segoe UI");
  CHECK(Underlined(Box->EmailLabel.Handle()));
  CHECK(Underlined(Box->URLLabel.Handle()));
  CHECK_FALSE(Underlined(Box->AuthorLabel.Handle()));
  CHECK(Box->PhysicalMemoryLabel.Text() == L"Physical memory available to Windows :");
  // Memory in grouped kilobytes; the system named with its build.
  const std::wstring Memory = Box->PhysMem.Text();
  CHECK(Memory.size() > 3);
  CHECK(Memory.substr(Memory.size() - 3) == L" KB");
  CHECK(Memory.find(L',') != std::wstring::npos);
  CHECK(Box->OSInfoLabel.Text().rfind(L"Microsoft ", 0) == 0);
  CHECK(Box->OSInfoLabel.Text().find(L" 64-bit (Build ") != std::wstring::npos);
  CHECK(Box->Hint(Box->ToolLogoImage) != L"");
  CHECK(Box->Hint(Box->WindowsLogoImage) == L"Designed for Microsoft Windows");
}

TEST_CASE("the operating-system line") {
  struct TCase {
    TOSDescription OS;
    const wchar_t* Expected;
  };
  const std::vector<TCase> Cases = {
      {{VER_PLATFORM_WIN32_NT, 6, 3, 9600, 0, L"Windows 8.1"}, L"Microsoft Windows 8.1 64-bit (Build 9600)"},
      {{VER_PLATFORM_WIN32_NT, 6, 1, 7601, 1, L"Windows 7 Professional"},
       L"Microsoft Windows 7 Professional 64-bit (Build 7601: Service Pack 1)"},
      {{VER_PLATFORM_WIN32_NT, 10, 0, 19045, 0, L""}, L"Microsoft Windows 64-bit (Build 19045)"},
      {{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, 0, L""}, L"Microsoft Windows (Build 2222)"},
      {{3, 4, 10, 0, 0, L"Windows"}, L"Unknown 4.10"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Expected));
    CHECK(FormatOSInfo(Case.OS) == Case.Expected);
  }
}

TEST_CASE("the French texts") {
  TVKRAboutDialog Dialog;
  Dialog.SetLangType(TLangType::ltFrench);
  std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
  CHECK(Box->Caption() == L"A propos de " + Dialog.VersionInfo()->FileDescription);
  CHECK(Box->PhysicalMemoryLabel.Text() == L"M\u00e9moire physique disponible pour Windows :");
  CHECK(Box->PhysMem.Text().substr(Box->PhysMem.Text().size() - 3) == L" KO");
  // Another value changes no text; the texts belong to every instance.
  Dialog.SetLangType(static_cast<TLangType>(7));
  TVKRAboutDialog Other;  // a new instance sets English for everyone
  Box = Dialog.CreateAboutBox();
  CHECK(Box->PhysicalMemoryLabel.Text() == L"Physical memory available to Windows :");
}

TEST_CASE("links, pictures and the text file open through the shell") {
  TVKRAboutDialog Dialog;
  Dialog.SetOptions(TVKRAboutDialogOptions::FromBits(0x07FF));
  Dialog.SetEmail(L"someone@example.org");
  Dialog.SetURL(L"https://example.org/");
  std::vector<std::wstring> Opened;
  std::vector<std::wstring> Verbs;
  std::vector<HWND> Owners;
  TShellExecuteHook Hook([&](const TShellExecuteRequest& Request) -> INT_PTR {
    Opened.push_back(Request.FileName);
    Verbs.push_back(Request.Operation != nullptr ? Request.Operation : L"(default)");
    Owners.push_back(Request.WindowHandle);
    CHECK(Request.ShowCommand == SW_SHOWNORMAL);
    return 42;
  });
  const auto Notify = [](TControl& Control, WORD Code) {
    SendMessageW(GetParent(Control.Handle()), WM_COMMAND, MAKEWPARAM(Control.Id(), Code),
                 reinterpret_cast<LPARAM>(Control.Handle()));
  };

  SUBCASE("without the text file the icon offers nothing") {
    DeleteFileW(AboutReadmeFileName().c_str());
    const std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
    CHECK(Box->Hint(Box->ProgramIconImage) == L"");
    Notify(Box->ProgramIconImage, STN_DBLCLK);
    Notify(Box->URLLabel, STN_CLICKED);
    Notify(Box->EmailLabel, STN_CLICKED);
    Notify(Box->ToolLogoImage, STN_DBLCLK);
    Notify(Box->WindowsLogoImage, STN_DBLCLK);
    REQUIRE(Opened.size() == 4);
    CHECK(Opened[0] == L"https://example.org/");
    CHECK(Verbs[0] == L"open");
    CHECK(Opened[1] == L"mailto:someone@example.org");
    CHECK(Verbs[1] == L"(default)");
    CHECK(Opened[2].rfind(L"https://", 0) == 0);
    CHECK(Opened[3].rfind(L"https://", 0) == 0);
    for (HWND Owner : Owners) CHECK(Owner == nullptr);
  }
  SUBCASE("with the text file the icon says so and opens it") {
    TReadmeFile Readme;
    const std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
    CHECK(Box->Hint(Box->ProgramIconImage) == L"Double-click");
    Notify(Box->ProgramIconImage, STN_DBLCLK);
    REQUIRE(Opened.size() == 1);
    CHECK(Opened[0] == AboutReadmeFileName());
    CHECK(Verbs[0] == L"open");
    CHECK(Owners[0] == Box->Handle());
  }
}

TEST_CASE("Execute shows the window modally; OK and Escape both close it with OK") {
  TVKRAboutDialog Dialog;
  for (const int Command : {IDOK, IDCANCEL}) {
    CAPTURE(Command);
    std::unique_ptr<TModalAnswer> Answer;
    std::wstring Shown;
    Dialog.OnBeforeShow = [&](TVKRAboutBox& Box) {
      Answer = std::make_unique<TModalAnswer>(Box, [&, Command](TForm& Form) {
        Shown = static_cast<TVKRAboutBox&>(Form).VersionLabel.Text();
        PostMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Command, BN_CLICKED),
                     Command == IDOK ? reinterpret_cast<LPARAM>(static_cast<TVKRAboutBox&>(Form).OKButton.Handle()) : 0);
      });
    };
    CHECK(Dialog.Execute());
    REQUIRE(Answer);
    CHECK(Answer->Answered());
    CHECK(Shown.rfind(L"Version ", 0) == 0);
  }
}
