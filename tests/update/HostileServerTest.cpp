#include <doctest.h>

#include "UpdateServer.h"
#include "UpdateTestSupport.h"
#include "app/QuenloUnit1.h"
#include "framework/Application.h"
#include "framework/FileSystem.h"
#include "framework/LongCommand.h"
#include "framework/Text.h"
#include "support/HostForm.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "update/UpdateErrors.h"
#include "update/VKRAppUpdate.h"
#include "update/VKRHttpCli.h"

#include <winhttp.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Section(const std::string& Keys) { return "[" + WideToUtf8(AppSectionName()) + "]\r\n" + Keys; }

// A check of a running 1.00.00 against the test server, in a private root.
struct TCheckFixture {
  TCheckFixture() {
    // The test server speaks plain http: the prefix does not trust its certificate.
    Update.SetAllowPlainHttp(true);
    Update.SetUpdateRoot(Root.Path());
    Update.SetVersion(L"1.00.00");
  }
  // Serves a descriptor of version 2.00.00 with Keys, and checks it.
  void Serve(const std::string& Keys, const std::wstring& Route = L"") {
    Served.Write(L"updates.txt", Section("Version=2.00.00\r\n" + Keys));
    Update.SetUpdateFileURL(Served.URL(L"updates.txt", Route));
  }

  TTempDir Root;
  TServedFolder Served;
  TVKRAppUpdate Update;
  TDialogLog Dialogs;
  TShellLog Shell;
};

// Runs Look every 20 ms while a command runs, as a person watching it would.
class TCommandWatch {
public:
  explicit TCommandWatch(std::function<void()> Look) : FLook(std::move(Look)) {
    Current() = this;
    FTimer = SetTimer(nullptr, 0, 20, &TCommandWatch::Tick);
  }
  ~TCommandWatch() {
    KillTimer(nullptr, FTimer);
    Current() = nullptr;
  }
  TCommandWatch(const TCommandWatch&) = delete;
  TCommandWatch& operator=(const TCommandWatch&) = delete;

private:
  static TCommandWatch*& Current() {
    static TCommandWatch* Instance = nullptr;
    return Instance;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (Current() == nullptr) return;
    try {
      Current()->FLook();
    } catch (...) {
      FAIL_CHECK("looking at the command failed");
    }
  }
  std::function<void()> FLook;
  UINT_PTR FTimer = 0;
};

}  // namespace

TEST_CASE("hostile update servers: what the check fetches is bounded, and only from web addresses") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TCheckFixture F;

  SUBCASE("an endless descriptor is refused at a megabyte") {
    const std::wstring URL = HttpOrigin() + L"/endless";
    F.Update.SetUpdateFileURL(URL);
    CHECK_FALSE(F.Update.Execute(false));
    CHECK(F.Dialogs.Texts == std::vector<std::wstring>{BodyTooLargeText(MaxDescriptorBytes, URL)});
  }

  SUBCASE("endless release notes are refused at their limit, and the window says so") {
    const std::wstring Notes = HttpOrigin() + L"/endless";
    F.Serve("ReadmeFileURL=" + WideToUtf8(Notes) + "\r\n");
    std::wstring Shown;
    TNotifyAnswer Answer([&](TVKRAppUpdateNotifyBox& Box) {
      Shown = Box.ReadmeMemo.Text();
      Box.OKButton.Click();
    });
    CHECK(F.Update.Execute(false));
    CHECK(Shown == BodyTooLargeText(MaxNotesBytes, Notes));
    CHECK(F.Dialogs.Texts.empty());
  }

  SUBCASE("a server that stops sending is given up at the time-out, in words") {
    F.Served.Write(L"slow.txt", Section("Version=2.00.00\r\n"));
    const std::wstring URL = F.Served.URL(L"slow.txt?after=5&seconds=10", L"stall");
    F.Update.SetUpdateFileURL(URL);
    F.Update.SetTimeoutSeconds(1);
    try {
      F.Update.Execute(false);
      FAIL("the check did not fail");
    } catch (const EHttpClientError& Error) {
      CHECK(Error.ErrorCode() == ERROR_WINHTTP_TIMEOUT);
      CHECK(Error.Message() == HttpClientErrorText(ERROR_WINHTTP_TIMEOUT, URL));
    }
  }

  SUBCASE("notes from anywhere but a web address are never read") {
    TTempDir Dir;
    const std::wstring Local = Dir.MakeFile(L"win.ini", std::string("[fonts]\r\nsecret=1\r\n"));
    std::wstring FileURL = L"file:///" + Local;
    for (wchar_t& C : FileURL)
      if (C == L'\\') C = L'/';
    const std::wstring Sources[] = {L"\\\\?\\" + Local,
                                    L"\\\\?\\Z:\\dev\\zero",
                                    L"\\\\.\\PhysicalDrive0",
                                    L"\\\\server\\share\\notes.txt",
                                    L"\\\\localhost\\C$\\windows\\win.ini",
                                    FileURL,
                                    Local,
                                    L"notes.txt",
                                    L"../notes.txt"};
    for (const std::wstring& Notes : Sources) {
      CAPTURE(WideToUtf8(Notes));
      F.Dialogs.Texts.clear();
      F.Serve("ReadmeFileURL=" + WideToUtf8(Notes) + "\r\n");
      std::wstring Shown = L"(not shown)";
      TNotifyAnswer Answer([&](TVKRAppUpdateNotifyBox& Box) {
        Shown = Box.ReadmeMemo.Text();
        Box.OKButton.Click();
      });
      CHECK(F.Update.Execute(false));
      CHECK(Shown.empty());
      CHECK(F.Dialogs.Texts == std::vector<std::wstring>{InvalidSourceMessage(Notes)});
    }
  }

  // Whatever the server did: nothing started, nothing left behind.
  CHECK(F.Shell.Files.empty());
  CHECK(F.Root.Entries().empty());
}

TEST_CASE("a check stops at once at Cancel or Esc during each of its fetches, after showing its progress") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  enum class TStop { Cancel, Escape };
  const struct {
    const char* What;
    bool DuringNotes;
    TStop How;
  } Cases[] = {
      {"Cancel while the descriptor arrives", false, TStop::Cancel},
      {"Esc while the descriptor arrives", false, TStop::Escape},
      {"Cancel while the notes arrive", true, TStop::Cancel},
      {"Esc while the notes arrive", true, TStop::Escape},
  };
  for (const auto& Case : Cases) {
    CAPTURE(std::string(Case.What));
    TCheckFixture F;
    // A hundred blocks, a tenth of a second apart: the fetch takes ten seconds unless stopped.
    const std::string Padding = "; " + std::string(100000, 'x') + "\r\n";
    F.Served.Write(L"notes.txt", Padding);
    const std::wstring Slow = L"?block=1000&delay=100";
    if (Case.DuringNotes) {
      F.Serve("ReadmeFileURL=" + WideToUtf8(F.Served.URL(L"notes.txt" + Slow, L"slow")) + "\r\n");
    } else {
      F.Served.Write(L"slow.txt", Section("Version=2.00.00\r\n") + Padding);
      F.Update.SetUpdateFileURL(F.Served.URL(L"slow.txt" + Slow, L"slow"));
    }
    THostForm Host;
    TLongCommand Command;
    Command.Attach(Host.Handle(), nullptr, nullptr);
    F.Update.SetLongCommand(&Command);
    bool Stopped = false;
    TCommandWatch Watch([&] {
      // Stopped once the strip with its Cancel button has come up.
      const HWND Strip = Command.StripHandle();
      if (Stopped || Strip == nullptr) return;
      Stopped = true;
      if (Case.How == TStop::Cancel)
        SendMessageW(Strip, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Strip, IDCANCEL)));
      else
        PostMessageW(Host.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    TNotifyAnswer Answer([](TVKRAppUpdateNotifyBox& Box) { Box.OKButton.Click(); });
    bool Result = true;
    CHECK(Command.Run(L"Checking for updates", [&] { Result = F.Update.Execute(false); }));
    CHECK(Stopped);
    CHECK(Command.StopRequested());
    CHECK_FALSE(Result);
    CHECK_FALSE(Answer.Answered());
    CHECK(F.Dialogs.Texts.empty());
    CHECK(F.Root.Entries().empty());
  }
}

TEST_CASE("closing the main window while the check fetches stops the check, then the window closes") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TTempDir Root;
  TServedFolder Served;
  TRegistryFixture Registry;
  TForm1Options Options;
  Options.RegistryKey = Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(Registry);
  Options.SingleInstance = false;
  auto Form = std::make_unique<TForm1>(Options);
  TVKRAppUpdate& Update = Form->VKRAppUpdate1;
  Served.Write(L"slow.txt", Section("Version=99.00.00\r\n; " + std::string(100000, 'x') + "\r\n"));
  Update.SetUpdateFileURL(Served.URL(L"slow.txt?block=1000&delay=100", L"slow"));
  // The test server speaks plain http: the prefix does not trust its certificate.
  Update.SetAllowPlainHttp(true);
  Update.SetUpdateRoot(Root.Path());
  TDialogLog Dialogs;
  TNotifyAnswer Answer([](TVKRAppUpdateNotifyBox& Box) { Box.OKButton.Click(); });
  bool Closed = false;
  TCommandWatch Watch([&] {
    if (Closed || Form->LongCommand1.StripHandle() == nullptr) return;
    Closed = true;
    PostMessageW(Form->Handle(), WM_CLOSE, 0, 0);
  });
  Form->CheckforUpdates1.Click();
  CHECK(Closed);
  CHECK_FALSE(Answer.Answered());
  CHECK(Dialogs.Texts.empty());
  CHECK(Root.Entries().empty());
  // The close follows at once.
  Application().ProcessMessages();
  CHECK_FALSE(IsWindow(Form->Handle()));
}

TEST_CASE("hostile update servers: the download") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TTestReleaseKey Key;
  REQUIRE(Key.Valid());
  TTrustedReleaseKeysOverride Trust({Key.Public()});
  const std::string Content = PatternBytes(50000);
  TServedFolder Served;

  // A file that exists in the user's temporary folder under the name the server gives.
  wchar_t TempPath[MAX_PATH + 1] = L"";
  REQUIRE(GetTempPathW(MAX_PATH + 1, TempPath) != 0);
  const std::wstring PreciousName = UniqueInstallerName();
  const std::wstring Precious = std::wstring(TempPath) + PreciousName;
  struct TRemove {
    std::wstring File;
    ~TRemove() { DeleteFileW(File.c_str()); }
  } Remove{Precious};
  {
    UniqueFile File(CreateFileW(Precious.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    REQUIRE(File.valid());
    DWORD Written = 0;
    WriteFile(File.get(), "precious", 8, &Written, nullptr);
  }

  struct TCase {
    const char* What;
    std::wstring Name;
    std::function<std::wstring(const std::wstring& Name)> URL;
    bool Signed;
    std::function<std::vector<std::wstring>(const std::wstring& URL)> Said;
  };
  const auto Plain = [&](const std::wstring& Name) { return Served.URL(Name); };
  const TCase Cases[] = {
      {"a HEAD that fails", UniqueInstallerName(), [&](const std::wstring& Name) { return Served.URL(Name, L"headfail"); },
       true, [](const std::wstring& URL) { return std::vector<std::wstring>{DownloadStatusErrorText(404, L"Not Found", URL)}; }},
      {"a transfer that stalls", UniqueInstallerName(),
       [&](const std::wstring& Name) { return Served.URL(Name + L"?after=1000&seconds=10", L"stall"); }, true,
       [](const std::wstring& URL) { return std::vector<std::wstring>{HttpClientErrorText(ERROR_WINHTTP_TIMEOUT, URL)}; }},
      {"a redirection to a file", UniqueInstallerName(),
       [](const std::wstring& Name) { return HttpOrigin() + L"/to/" + Name + L"?url=file:///C:/windows/notepad.exe"; },
       true,
       [](const std::wstring& URL) { return std::vector<std::wstring>{HttpClientErrorText(ERROR_WINHTTP_REDIRECT_FAILED, URL)}; }},
      {"a redirection to another https host whose certificate is not trusted", UniqueInstallerName(),
       [&](const std::wstring& Name) {
         return HttpOrigin() + L"/to/" + Name + L"?url=https://localhost:" +
                HttpsOrigin().substr(HttpsOrigin().rfind(L':') + 1) +
                L"/" + Served.Name() + L"/" + Name;
       },
       true, nullptr},
      {"a name that exists in the temporary folder, falsely signed", PreciousName, Plain, false,
       [](const std::wstring&) { return std::vector<std::wstring>{L"The downloaded file is not signed by Brenlow."}; }},
      {"a signed .bat", L"setup.bat", Plain, true,
       [](const std::wstring&) { return std::vector<std::wstring>{NotAnInstallerText(L"setup.bat")}; }},
      {"a signed .cmd", L"setup.cmd", Plain, true,
       [](const std::wstring&) { return std::vector<std::wstring>{NotAnInstallerText(L"setup.cmd")}; }},
      {"a signed .lnk", L"setup.lnk", Plain, true,
       [](const std::wstring&) { return std::vector<std::wstring>{NotAnInstallerText(L"setup.lnk")}; }},
      {"a signed .exe.bat", L"setup.exe.bat", Plain, true,
       [](const std::wstring&) { return std::vector<std::wstring>{NotAnInstallerText(L"setup.exe.bat")}; }},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(std::string(Case.What));
    if (Case.Said == nullptr && HttpsOrigin().empty()) {
      MESSAGE("skipped: the test server has no https (openssl missing)");
      continue;
    }
    TDownloadFixture Fixture;
    Served.Write(Case.Name, Content);
    Fixture.Box.TimeoutSeconds = 1;
    Fixture.Box.Version = L"2.0.0.0";
    Fixture.Box.SHA256Hash = Sha256Hex(Content);
    TTestReleaseKey Stranger;
    Fixture.Box.Signature = (Case.Signed ? Key : Stranger).SignRelease(L"2.0.0.0", Case.Name, Content);
    Fixture.Box.DownloadFileURL = Case.URL(Case.Name);
    Fixture.Download();
    if (Case.Said != nullptr) {
      CAPTURE(WideToUtf8(Fixture.Dialogs.Texts.empty() ? L"(nothing said)" : Fixture.Dialogs.Texts[0]));
      CHECK(Fixture.Dialogs.Texts == Case.Said(Fixture.Box.DownloadFileURL));
    } else {
      // Said once, in the words of the failed secure connection.
      REQUIRE(Fixture.Dialogs.Texts.size() == 1);
      CAPTURE(WideToUtf8(Fixture.Dialogs.Texts[0]));
      CHECK(Fixture.Dialogs.Texts[0].find(L"localhost") != std::wstring::npos);
    }
    CHECK(Fixture.Shell.Files.empty());
    CHECK(Fixture.Closes == 0);
    CHECK(Fixture.Root.Entries().empty());
  }
  CHECK(ReadFileBytes(Precious) == "precious");
}

TEST_CASE("a signed installer package is started through msiexec /i from its own folder") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TTestReleaseKey Key;
  REQUIRE(Key.Valid());
  TTrustedReleaseKeysOverride Trust({Key.Public()});
  const std::string Content = PatternBytes(40000);
  TServedFolder Served;
  TDownloadFixture Fixture;
  const std::wstring Name = L"Marrowby-Setup.MSI";
  Served.Write(Name, Content);
  Fixture.Box.Version = L"2.0.0.0";
  Fixture.Box.SHA256Hash = Sha256Hex(Content);
  Fixture.Box.Signature = Key.SignRelease(L"2.0.0.0", Name, Content);
  Fixture.Box.DownloadFileURL = Served.URL(Name);
  Fixture.Download();
  CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{L"The application will close to start the update."});
  wchar_t System[MAX_PATH] = L"";
  REQUIRE(GetSystemDirectoryW(System, MAX_PATH) != 0);
  REQUIRE(Fixture.Shell.Files.size() == 1);
  CHECK(Fixture.Shell.Files[0] == JoinPath(System, L"msiexec.exe"));
  const std::wstring Package = Fixture.Started();
  REQUIRE_FALSE(Package.empty());
  CHECK(ExtractFileName(Package) == Name);
  CHECK(ReadFileBytes(Package) == Content);
}
