#include <doctest.h>

#include "UpdateServer.h"
#include "UpdateTestSupport.h"
#include "framework/FileSystem.h"
#include "framework/FormatSettings.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "update/UpdateDigest.h"
#include "update/UpdateErrors.h"
#include "update/UpdateFolder.h"
#include "update/VKRAppUpdate.h"
#include "update/VKRAppUpdateDownload.h"
#include "update/VKRAppUpdateNotify.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

using TUnit = TVKRAppUpdateFileSizeUnit;

const std::wstring WillClose = L"The application will close to start the update.";
const std::wstring Corrupted = L"The downloaded file is corrupted.";
const std::wstring NotSigned = L"The downloaded file is not signed by Brenlow.";

}  // namespace

TEST_CASE("sizes of the update windows") {
  TFormatSettings Settings;
  Settings.ThousandSeparator = L",";
  TFormatSettingsOverride Override(Settings);
  const struct {
    TUnit Unit;
    int64_t Bytes;
    const wchar_t* Text;
  } Cases[] = {
      {TUnit::KiloBytes, 0, L"0 KB"},           {TUnit::KiloBytes, 1, L"1 KB"},
      {TUnit::KiloBytes, 1023, L"1 KB"},        {TUnit::KiloBytes, 1024, L"1 KB"},
      {TUnit::KiloBytes, 2500000, L"2,441 KB"}, {TUnit::Auto, 0, L"0 B"},
      {TUnit::Auto, 500, L"500 B"},             {TUnit::Auto, 1024, L"1,024 B"},
      {TUnit::Auto, 1536, L"1 KB"},             {TUnit::Auto, 1048576, L"1,024 KB"},
      {TUnit::Auto, 5000000, L"4 MB"},          {TUnit::Auto, 5368709120, L"5 GB"},
      {TUnit::Bytes, 0, L"0 B"},                {TUnit::Bytes, 1234567, L"1,234,567 B"},
      {TUnit::MegaBytes, 0, L"0 MB"},           {TUnit::MegaBytes, 10, L"1 MB"},
      {TUnit::MegaBytes, 3145728, L"3 MB"},     {TUnit::GigaBytes, 0, L"0 GB"},
      {TUnit::GigaBytes, 1073741823, L"1 GB"},  {TUnit::GigaBytes, 3221225472, L"3 GB"},
  };
  for (const auto& Case : Cases) {
    CAPTURE(static_cast<int>(Case.Unit));
    CAPTURE(Case.Bytes);
    CHECK(FormatUpdateFileSize(Case.Bytes, Case.Unit) == Case.Text);
  }
}

TEST_CASE("percentages round halves to even; durations show hours, minutes and seconds") {
  CHECK(CalcPercent(1, 8) == 12);
  CHECK(CalcPercent(3, 8) == 38);
  CHECK(CalcPercent(1, 3) == 33);
  CHECK(CalcPercent(5000000, 4194304) == 119);
  CHECK(CalcPercent(7, 0) == 0);
  CHECK(FormatDuration(0) == L"00:00:00");
  CHECK(FormatDuration(999) == L"00:00:00");
  CHECK(FormatDuration(3661000) == L"01:01:01");
}

TEST_CASE("a download keeps to its folder: only plain file names are accepted") {
  const struct {
    const wchar_t* Name;
    bool Safe;
  } Names[] = {
      {L"Marrowby-Setup-1.1.0.0.exe", true}, {L"setup", true},         {L"", false},
      {L"..", false},                        {L"a..b.exe", false},     {L"..\\evil.exe", false},
      {L"dir/evil.exe", false},              {L"C:evil.exe", false},   {L"evil.exe.", false},
      {L"evil.exe ", false},                 {L"con", false},          {L"NUL.exe", false},
      {L"lpt1.txt", false},                  {L"a*b.exe", false},      {L"a\tb.exe", false},
      {L"console.exe", true},
  };
  for (const auto& Case : Names) {
    CAPTURE(WideToUtf8(Case.Name));
    CHECK(IsSafeDownloadName(Case.Name) == Case.Safe);
  }

  TVKRAppUpdateNotifyBox Box;
  Box.AllowPlainHttp = true;
  TDialogLog Dialogs;
  const struct {
    const wchar_t* Source;
    const wchar_t* Name;  // nullptr: the source counts as invalid
  } Sources[] = {
      {L"http://updates.brenlow.example/brenlow/Marrowby-Setup.exe", L"Marrowby-Setup.exe"},
      {L"https://h.example/get/setup.exe?token=a/b#frag", L"setup.exe"},
      {L"\\\\server\\share\\dir\\setup.exe", nullptr},
      {L"\\\\?\\C:\\dir\\setup.exe", nullptr},
      {L"\\\\.\\PhysicalDrive0", nullptr},
      {L"http://h.example/dir/", nullptr},
      {L"http://h.example", nullptr},
      {L"http://h.example/..%5c..%5cevil.exe", nullptr},
      {L"http://h.example/a/..", nullptr},
      {L"\\\\server\\share\\", nullptr},
      {L"file:///C:/windows/evil.exe", nullptr},
      {L"javascript:alert('x.exe')", nullptr},
      {L"C:\\absolute\\evil.exe", nullptr},
  };
  for (const auto& Case : Sources) {
    CAPTURE(WideToUtf8(Case.Source));
    Dialogs.Texts.clear();
    CHECK(Box.GetFileNameFromSource(Case.Source) == (Case.Name != nullptr ? Case.Name : L""));
    if (Case.Name == nullptr)
      CHECK(Dialogs.Texts == std::vector<std::wstring>{InvalidSourceMessage(Case.Source)});
    else
      CHECK(Dialogs.Texts.empty());
  }
}

TEST_CASE("digests of a file") {
  TTempDir Dir;
  const std::wstring File = Dir.MakeFile(L"abc.txt", std::string("abc"));
  CHECK(FileDigest(File, THashType::htMD5) == L"900150983cd24fb0d6963f7d28e17f72");
  CHECK(FileDigest(File, THashType::htSHA1) == L"a9993e364706816aba3e25717850c26c9cd0d89d");
  CHECK(FileDigest(File, THashType::htSHA256) == L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  CHECK(FileDigest(File, THashType::htNone).empty());
  CHECK(FileDigest(Dir / L"missing.txt", THashType::htSHA256).empty());
}

TEST_CASE("the download window as it is made") {
  TVKRAppUpdateDownloadBox Box(nullptr);
  CHECK(VKRAppUpdateDownloadBox == &Box);
  CHECK(Box.Caption() == L"Download New Version");
  CHECK(Box.FileLabel.Text() == L"-");
  CHECK(Box.SpeedLabel.Text() == L"0 KB/sec");
  CHECK(Box.StatusLabel.Text() == L"Downloading file");
  CHECK(Box.ElapsedTimeLabel.Text() == L"00:00:00");
  CHECK(Box.RemainingTimeLabel.Text() == L"00:00:00");
  CHECK(Box.TransferLabel.Text() == L"0 KB of 0 KB");
  CHECK(Box.CancelButton.Text() == L"Cancel");
  CHECK(Box.ProgressBar1.Max() == 100);
  CHECK_FALSE(Box.Timer1.Enabled());
  CHECK(Box.Timer1.Interval() == 1000);
  CHECK(Box.ComponentFormatSettings.LongTimeFormat == L"hh:nn:ss");
  CHECK(Box.ComponentFormatSettings.ThousandSeparator == L" ");
  RECT File{};
  GetWindowRect(Box.FileLabel.Handle(), &File);
  CHECK(File.right - File.left == 296);
}

TEST_CASE("downloads of the installer") {
  TTempDir Dir;
  TDownloadFixture Fixture;
  TVKRAppUpdateNotifyBox& Box = Fixture.Box;
  const std::string Installer = PatternBytes(300000);
  const std::wstring Digest = Sha256Hex(Installer);
  TTestReleaseKey Key;
  REQUIRE(Key.Valid());
  TTrustedReleaseKeysOverride Trust({Key.Public()});
  Box.Version = L"2.0.0.0";
  Box.Signature = Key.SignRelease(Box.Version, Fixture.Name, Installer);

  SUBCASE("an unsafe or invalid source writes nothing and is named once") {
    const std::wstring Local = Dir.MakeFile(Fixture.Name, Installer);
    for (const std::wstring& Source :
         {std::wstring(L"http://127.0.0.1:1/dir/"), std::wstring(L"http://127.0.0.1:1/..%5cevil.exe"),
          std::wstring(L"file:///C:/windows/evil.exe"), std::wstring(L"javascript:alert(1)"),
          std::wstring(L"..\\..\\evil.exe"), L"\\\\?\\" + Local, std::wstring(L"\\\\.\\PhysicalDrive0"),
          std::wstring(L"\\\\server\\share\\") + Fixture.Name, Local, Fixture.Name}) {
      CAPTURE(WideToUtf8(Source));
      Fixture.Dialogs.Texts.clear();
      Box.DownloadFileURL = Source;
      Fixture.Download();
      CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{InvalidSourceMessage(Source)});
      CHECK(Fixture.Root.Entries().empty());
    }
    CHECK(Fixture.Shell.Files.empty());
    CHECK(Fixture.Closes == 0);
  }

  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TServedFolder Served;
  Served.Write(Fixture.Name, Installer);

  SUBCASE("a web download shows its progress, arrives verified and is started from its own folder after the program closed") {
    Box.DownloadFileURL = Served.URL(Fixture.Name + L"?block=30000&delay=40", L"slow");
    Box.SHA256Hash = Digest;
    std::vector<int> Positions;
    std::set<std::wstring> Transfers;
    std::wstring File;
    int Maximum = 0;
    TDownloadWatch Watch([&](TVKRAppUpdateDownloadBox& Download) {
      Positions.push_back(Download.ProgressBar1.Position());
      Transfers.insert(Download.TransferLabel.Text());
      File = Download.FileLabel.Text();
      Maximum = Download.ProgressBar1.Max();
    });
    std::string Started;
    Fixture.Shell.OnRequest = [&](const std::wstring& Target) { Started = ReadFileBytes(Target); };
    Fixture.Download();
    CHECK(Watch.Looks() > 3);
    CHECK(Maximum == 300000);
    CHECK(File == Fixture.Name);
    CHECK(std::is_sorted(Positions.begin(), Positions.end()));
    CHECK(Transfers.size() > 2);
    // Some text of the transfer in between: "<n> KB of 292 KB (<percent>%)".
    CHECK(std::any_of(Transfers.begin(), Transfers.end(), [](const std::wstring& Text) {
      const size_t Of = Text.find(L" KB of 292 KB (");
      return Of != std::wstring::npos && Of > 0 && Text.find(L"(0%)") == std::wstring::npos &&
             Text.find(L"(100%)") == std::wstring::npos;
    }));
    CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{WillClose});
    CHECK(Fixture.Closes == 1);
    REQUIRE_FALSE(Fixture.Started().empty());
    CHECK(ExtractFileName(Fixture.Started()) == Fixture.Name);
    CHECK(Fixture.Shell.Parameters[0].empty());
    CHECK(Started == Installer);
    // The installer's folder stays for it to run from; the next start removes it.
    CHECK(FileExists(Fixture.Started()));
    RemoveUpdateLeftovers(Fixture.Root.Path());
    CHECK(Fixture.Root.Entries().empty());
  }

  SUBCASE("a validly signed release that is not newer than the running one is refused, deleted and not started") {
    const struct {
      const wchar_t* Running;
      bool Started;
    } Cases[] = {
        {L"2.0.0.0", false}, {L"2.0", false}, {L"2.0.0.1", false}, {L"10.0", false}, {L"2.0.0.0.0.1", false},
        {L"1.99.99.99", true}, {L"", true},
    };
    Box.SHA256Hash = Digest;
    for (const auto& Case : Cases) {
      CAPTURE(WideToUtf8(Case.Running));
      Fixture.Dialogs.Texts.clear();
      Fixture.Shell.Files.clear();
      Fixture.Shell.Parameters.clear();
      Fixture.Shell.Directories.clear();
      Box.DownloadFileURL = Served.URL(Fixture.Name);
      Box.RunningVersion = Case.Running;
      Fixture.Download();
      if (Case.Started) {
        CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{WillClose});
        CHECK_FALSE(Fixture.Started().empty());
        RemoveUpdateLeftovers(Fixture.Root.Path());
      } else {
        CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{NotNewerReleaseText(L"2.0.0.0", Case.Running)});
        CHECK(Fixture.Shell.Files.empty());
        CHECK(Fixture.Root.Entries().empty());
      }
    }
    CHECK(NotNewerReleaseText(L"2.0.0.0", L"2.0.0.1") ==
          L"The downloaded file is version 2.0.0.0, which is not newer than this Marrowby (2.0.0.1). "
          L"An older version is never installed over a newer one.");
  }

  SUBCASE("digests in capitals match") {
    Box.DownloadFileURL = Served.URL(Fixture.Name);
    std::wstring Upper = Digest;
    for (wchar_t& C : Upper) C = static_cast<wchar_t>(towupper(C));
    Box.SHA256Hash = Upper;
    Fixture.Download();
    CHECK_FALSE(Fixture.Started().empty());
  }

  SUBCASE("a digest that does not match, or none at all, is a corrupted file, deleted and not started") {
    for (const std::wstring& Expected : {std::wstring(64, L'0'), std::wstring()}) {
      CAPTURE(WideToUtf8(Expected));
      Fixture.Dialogs.Texts.clear();
      Box.DownloadFileURL = Served.URL(Fixture.Name);
      Box.SHA256Hash = Expected;
      Box.MD5Hash = FileDigest(Dir.MakeFile(L"reference.exe", Installer), THashType::htMD5);
      Fixture.Download();
      CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{Corrupted});
      CHECK(Fixture.Root.Entries().empty());
    }
    CHECK(Fixture.Shell.Files.empty());
    CHECK(Fixture.Closes == 0);
  }

  SUBCASE("without a digest type nothing is verified") {
    Box.HashType = THashType::htNone;
    Box.DownloadFileURL = Served.URL(Fixture.Name);
    Box.SHA256Hash = std::wstring(64, L'0');
    Fixture.Download();
    CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{WillClose});
    CHECK_FALSE(Fixture.Started().empty());
  }

  SUBCASE("a cancelled download is deleted with its folder") {
    Box.DownloadFileURL = Served.URL(Fixture.Name + L"?block=10000&delay=40", L"slow");
    Box.SHA256Hash = Digest;
    Fixture.Dialogs.ConfirmAnswer = mrYes;
    bool Clicked = false;
    TDownloadWatch Watch([&](TVKRAppUpdateDownloadBox& Download) {
      if (!Clicked && Download.ProgressBar1.Position() > 0) {
        Clicked = true;
        Download.CancelButton.Click();
      }
    });
    Fixture.Download();
    CHECK(Clicked);
    CHECK(Fixture.Dialogs.Texts ==
          std::vector<std::wstring>{L"Do you want to cancel the download?", L"The update was not completed."});
    CHECK(Fixture.Root.Entries().empty());
    CHECK(Fixture.Shell.Files.empty());
  }

  SUBCASE("a size that is not announced gives a range of 4,194,304 bytes") {
    Box.DownloadFileURL = Served.URL(Fixture.Name, L"nolength");
    Box.SHA256Hash = Digest;
    int Maximum = 0;
    TDownloadWatch Watch([&](TVKRAppUpdateDownloadBox& Download) { Maximum = Download.ProgressBar1.Max(); });
    Fixture.Download();
    CHECK(Maximum == 4194304);
    CHECK_FALSE(Fixture.Started().empty());
  }

  SUBCASE("a proxy is named in the status; a port alone is no proxy") {
    const std::wstring Port = HttpOrigin().substr(HttpOrigin().rfind(L':') + 1);
    const struct {
      const wchar_t* Host;
      std::wstring Status;
    } Cases[] = {
        {L"127.0.0.1", L"Downloading file using proxy server (127.0.0.1:" + Port + L")"},
        {L"", L"Downloading file"},
    };
    for (const auto& Case : Cases) {
      CAPTURE(WideToUtf8(Case.Host));
      Fixture.Shell.Files.clear();
      Fixture.Shell.Directories.clear();
      Box.HttpCli1.SetProxy(Case.Host);
      Box.HttpCli1.SetProxyPort(Port);
      // Through the proxy the host name is never looked up: the local server answers for it.
      Box.DownloadFileURL = (*Case.Host != L'\0' ? L"http://updates.brenlow.example/slow/"
                                                  : HttpOrigin() + L"/slow/") +
                            Served.Name() + L"/" + Fixture.Name + L"?block=100000&delay=100";
      Box.SHA256Hash = Digest;
      std::wstring Status;
      TDownloadWatch Watch([&](TVKRAppUpdateDownloadBox& Download) { Status = Download.StatusLabel.Text(); });
      Fixture.Download();
      CHECK(Status == Case.Status);
      CHECK_FALSE(Fixture.Started().empty());
    }
  }

  SUBCASE("an installer not signed as it arrived is refused, deleted and not started") {
    TTestReleaseKey Stranger;
    REQUIRE(Stranger.Valid());
    const std::wstring Good = Box.Signature;
    const struct {
      const char* What;
      std::string Served;
      std::wstring Version;
      std::wstring Signature;
    } Cases[] = {
        {"no signature", Installer, L"2.0.0.0", L""},
        {"a signature that is not base64", Installer, L"2.0.0.0", std::wstring(88, L'*')},
        {"a signature of the wrong length", Installer, L"2.0.0.0", Good.substr(0, 84)},
        {"a signature of a megabyte", Installer, L"2.0.0.0", std::wstring(1 << 20, L'Q')},
        {"a signature of another release", Installer, L"2.0.0.0", Key.SignRelease(L"2.0.0.0", L"other.exe", Installer)},
        {"a key that is not built in", Installer, L"2.0.0.0", Stranger.SignRelease(L"2.0.0.0", Fixture.Name, Installer)},
        {"an older release labelled as newer", Installer, L"2.0.0.1", Good},
        {"one byte longer than signed", Installer + "!", L"2.0.0.0", Good},
        {"one byte shorter than signed", Installer.substr(0, Installer.size() - 1), L"2.0.0.0", Good},
    };
    for (const auto& Case : Cases) {
      CAPTURE(Case.What);
      Served.Write(Fixture.Name, Case.Served);
      Fixture.Dialogs.Texts.clear();
      Box.Version = Case.Version;
      Box.Signature = Case.Signature;
      // The digest matches what is served: the signature alone refuses it.
      Box.SHA256Hash = Sha256Hex(Case.Served);
      Box.DownloadFileURL = Served.URL(Fixture.Name);
      Fixture.Download();
      CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{NotSigned});
      CHECK(Fixture.Dialogs.Types == std::vector<TMsgDlgType>{TMsgDlgType::mtError});
      Fixture.Dialogs.Types.clear();
      CHECK(Fixture.Root.Entries().empty());
    }
    CHECK(Fixture.Shell.Files.empty());
    CHECK(Fixture.Closes == 0);
  }

  SUBCASE("a failed transfer is said in words, and nothing of it stays") {
    Box.DownloadFileURL = Served.URL(Fixture.Name, L"gone");
    Box.SHA256Hash = Digest;
    Fixture.Download();
    CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{DownloadStatusErrorText(410, L"Gone", Box.DownloadFileURL)});
    CHECK(Fixture.Root.Entries().empty());
    CHECK(Fixture.Shell.Files.empty());
  }

  SUBCASE("a source that announces an empty file is said and abandoned before the window shows") {
    Served.Write(L"empty.exe", "");
    Box.DownloadFileURL = Served.URL(L"empty.exe");
    TDownloadWatch Watch([](TVKRAppUpdateDownloadBox&) {});
    Fixture.Download();
    CHECK(Watch.Looks() == 0);
    CHECK(Fixture.Dialogs.Texts == std::vector<std::wstring>{EmptyDownloadText(Box.DownloadFileURL)});
    CHECK(Fixture.Root.Entries().empty());
    CHECK(Fixture.Shell.Files.empty());
  }
}

TEST_CASE("end to end: a newer version's installer is fetched, verified and started only when signed") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  // The installer `make installer` builds, or the program itself where NSIS is missing.
  const wchar_t* Built = _wgetenv(L"MARROWBY_INSTALLER");
  const std::wstring Source =
      Built != nullptr && FileExists(Built) ? std::wstring(Built) : ExtractFilePath(ApplicationExeName()) + L"Marrowby.exe";
  if (Built == nullptr) MESSAGE("no installer was built: Marrowby.exe stands in for it");
  const std::string Installer = ReadFileBytes(Source);
  REQUIRE(Installer.size() > 1000);

  TTestReleaseKey Key;
  REQUIRE(Key.Valid());
  TTrustedReleaseKeysOverride Trust({Key.Public()});
  TServedFolder Served;
  const std::wstring Name = ExtractFileName(Source);
  Served.Write(Name, Installer);
  const std::wstring Digest = Sha256Hex(Installer);
  const struct {
    const char* What;
    std::wstring Signature;
    bool Started;
  } Cases[] = {
      {"signed for this version", Key.SignRelease(L"9.00.00", Name, Installer), true},
      {"unsigned", L"", false},
      // A real, signed, older release whose descriptor claims a newer version.
      {"an old release re-labelled", Key.SignRelease(L"1.50.00", Name, Installer), false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    TTempDir Root;
    TVKRAppUpdate Update;
    Served.Write(L"BrenlowUpdates.txt", "[" + WideToUtf8(AppSectionName()) + "]\r\nVersion=9.00.00\r\n" +
                                            "DownloadFileURL64=" + WideToUtf8(Served.URL(Name)) + "\r\n" +
                                            "SHA256Hash64=" + WideToUtf8(Digest) + "\r\n" +
                                            "Signature64=" + WideToUtf8(Case.Signature) + "\r\n");
    Update.SetUpdateFileURL(Served.URL(L"BrenlowUpdates.txt"));
    Update.SetVersion(L"1.00.00");
    Update.SetHashType(THashType::htSHA256);
    // The test server speaks plain http: the prefix does not trust its certificate.
    Update.SetAllowPlainHttp(true);
    Update.SetUpdateRoot(Root.Path());

    TDialogLog Dialogs;
    TShellLog Shell;
    std::string Started;
    Shell.OnRequest = [&](const std::wstring& File) { Started = ReadFileBytes(File); };
    int Closes = 0;
    TCloseApplicationHook CloseHook([&] { ++Closes; });
    TNotifyAnswer Answer([](TVKRAppUpdateNotifyBox& Box) { Box.DownloadButton.Click(); });
    CHECK(Update.Execute(false));
    CHECK(Answer.Answered());
    if (Case.Started) {
      CHECK(Dialogs.Texts == std::vector<std::wstring>{WillClose});
      CHECK(Closes == 1);
      REQUIRE(Shell.Files.size() == 1);
      CHECK(ExtractFileName(Shell.Files[0]) == Name);
      CHECK(Started == Installer);
    } else {
      CHECK(Dialogs.Texts == std::vector<std::wstring>{NotSigned});
      CHECK(Closes == 0);
      CHECK(Shell.Files.empty());
      CHECK(Root.Entries().empty());
    }
  }
}
