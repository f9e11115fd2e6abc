#include <doctest.h>

#include "UpdateServer.h"
#include "UpdateTestSupport.h"
#include "Version.h"
#include "app/QuenloUnit1.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "update/UpdateErrors.h"
#include "update/VKRAppUpdate.h"

#include <cstdint>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const std::wstring NoNewVersions = L"There are no new versions available.";
const std::wstring OfferPage = L"There are no advertised versions available.\rDo you want to open the update web page?";

// A descriptor section of this test program.
std::string Section(const std::string& Keys) { return "[" + WideToUtf8(AppSectionName()) + "]\r\n" + Keys; }

// What the check put into the notify window, read while it is shown.
struct TShown {
  std::wstring Caption;
  std::wstring Notes;
  std::wstring Version;
  std::wstring DownloadFileURL;
  std::wstring SHA256Hash;
  bool DownloadEnabled = false;
};

TNotifyAnswer ReadAndClose(TShown& Shown) {
  return TNotifyAnswer([&Shown](TVKRAppUpdateNotifyBox& Box) {
    Shown.Caption = Box.Caption();
    Shown.Notes = Box.ReadmeMemo.Text();
    Shown.Version = Box.Version;
    Shown.DownloadFileURL = Box.DownloadFileURL;
    Shown.SHA256Hash = Box.SHA256Hash;
    Shown.DownloadEnabled = Box.DownloadButton.Enabled();
    Box.OKButton.Click();
  });
}

}  // namespace

TEST_CASE("sources are https addresses; http and network paths only where the rules say") {
  using K = TSourceKind;
  const struct {
    const wchar_t* Source;
    K Default;      // descriptor, notes and download of the program
    K Network;      // the descriptor an administrator's policy names
    K PlainHttp;    // a page for the browser, a test server
  } Cases[] = {
      {L"https://updates.brenlow.example/brenlow/BrenlowUpdates.txt", K::skWebURL, K::skWebURL, K::skWebURL},
      {L"HTTPS://updates.brenlow.example/brenlow/", K::skWebURL, K::skWebURL, K::skWebURL},
      {L"https://127.0.0.1:8443/x", K::skWebURL, K::skWebURL, K::skWebURL},
      {L"http://updates.brenlow.example/brenlow/BrenlowUpdates.txt", K::skInvalid, K::skInvalid, K::skWebURL},
      {L"\\\\server\\share\\setup.exe", K::skInvalid, K::skUNCPath, K::skInvalid},
      {L"\\\\files.corp.example\\updates\\marrowby\\u.txt", K::skInvalid, K::skUNCPath, K::skInvalid},
      {L"\\\\?\\C:\\windows\\win.ini", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\?\\Z:\\dev\\zero", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\?\\UNC\\server\\share\\u.txt", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\.\\PhysicalDrive0", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\.\\C:\\u.txt", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\localhost\\C$\\u.txt", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\127.0.0.1\\share\\u.txt", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\server\\D$\\u.txt", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\server\\share", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\server\\share\\..\\..\\u.txt", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\server\\share\\u.txt:stream", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"\\\\not a url at all", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"not a url", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"file:///C:/windows/notepad.exe", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"javascript:alert(1)", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"C:\\Windows\\notepad.exe", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"..\\..\\evil.exe", K::skInvalid, K::skInvalid, K::skInvalid},
      {L"notes.txt", K::skInvalid, K::skInvalid, K::skInvalid},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Source));
    CHECK(ClassifySource(Case.Source) == Case.Default);
    CHECK(ClassifySource(Case.Source, {true, false}) == Case.Network);
    CHECK(ClassifySource(Case.Source, {false, true}) == Case.PlainHttp);
  }
  CHECK(IsSecureSource(L"HTTPS://h.example/"));
  CHECK_FALSE(IsSecureSource(L"http://h.example/"));
  CHECK(InvalidSourceMessage(L"not a url") == L"\"not a url\" is an invalid source.");
}

TEST_CASE("versions compare part by part as numbers; a part that is no number makes nothing newer") {
  using enum TVersionOrder;
  const struct {
    const wchar_t* Running;
    const wchar_t* Advertised;
    TVersionOrder Order;
  } Cases[] = {
      {L"1.02.03", L"1.02.10", voNewer},     {L"1.02.03", L"1.1", voOlder},        {L"1.02.03", L"1.02.03", voSame},
      {L"1.02.03", L"1.02", voOlder},        {L"1.02.03", L"1.2.3", voSame},       {L"1.02.03", L"1.2.3.0.0", voSame},
      {L"9.99.99", L"10.00.00", voNewer},    {L"10.00.00", L"9.99.99", voOlder},   {L"1.0.0.9", L"1.0.0.10", voNewer},
      {L"1.0.0.10", L"1.0.0.9", voOlder},    {L"1.00.00", L"1.0.0.2", voNewer},    {L"1.00.00", L"1.00.00.0", voSame},
      {L"1.2", L"1.2.0", voSame},            {L"1.2", L"1.2.0.1", voNewer},        {L"1.0.0.1", L"1.0.0.1", voSame},
      {L"", L"0.01", voNewer},               {L"", L"0", voSame},                  {L"", L"", voNotANumber},
      {L"1.02.03", L"", voNotANumber},       {L"1.00.00", L"1.00.00a", voNotANumber},
      {L"1.0", L"2.0-beta", voNotANumber},   {L"1.0", L"v2.0", voNotANumber},      {L"1.0", L" 2.0", voNotANumber},
      {L"1.0", L"2.", voNotANumber},         {L"1.0", L".2", voNotANumber},        {L"1.0", L"2..0", voNotANumber},
      {L"1.0", L"+2", voNotANumber},         {L"1.0", L"-2", voNotANumber},        {L"1.0", L"\x0662.0", voNotANumber},
      {L"1.0", L"\xFF12.0", voNotANumber},   {L"1.0", L"2.0\r\n", voNotANumber},  {L"abc", L"2.0", voNotANumber},
      // Parts longer than any integer: still numbers, compared as such.
      {L"1.99999999999999999999999", L"1.100000000000000000000000", voNewer},
      {L"1.0000000000000000000000000007", L"1.7", voSame},
      {L"4294967296", L"4294967295", voOlder},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Running));
    CAPTURE(WideToUtf8(Case.Advertised));
    CHECK(CompareVersions(Case.Running, Case.Advertised) == Case.Order);
    CHECK(IsNewerVersion(Case.Running, Case.Advertised) == (Case.Order == voNewer));
  }
}

TEST_CASE("versions of any length and content compare without a fault") {
  // A descriptor's version may be any text up to a megabyte.
  const std::wstring Long(1 << 20, L'9');
  CHECK(CompareVersions(L"1.0", Long) == TVersionOrder::voNewer);
  std::wstring Dots;
  for (int i = 0; i < 100000; ++i) Dots += L"0.";
  CHECK(CompareVersions(L"1.0", Dots + L"0") == TVersionOrder::voOlder);
  CHECK(CompareVersions(L"1.0", Dots) == TVersionOrder::voNotANumber);
  // Every order is the reverse of the other way round, or both are no number.
  uint32_t Seed = 32;
  const auto Next = [&Seed] { return Seed = Seed * 1103515245u + 12345u; };
  const wchar_t Alphabet[] = L"0123456789.0.1.a \x0661\xD800";
  for (int i = 0; i < 3000; ++i) {
    std::wstring A, B;
    for (uint32_t n = Next() % 12; n > 0; --n) A += Alphabet[Next() % (std::size(Alphabet) - 1)];
    for (uint32_t n = Next() % 12; n > 0; --n) B += Alphabet[Next() % (std::size(Alphabet) - 1)];
    if (A.empty()) A = L"0";
    CAPTURE(WideToUtf8(A));
    CAPTURE(WideToUtf8(B));
    const TVersionOrder There = CompareVersions(A, B);
    const TVersionOrder Back = CompareVersions(B, A);
    const bool Numbers = IsVersionNumber(A) && IsVersionNumber(B);
    CHECK((There == TVersionOrder::voNotANumber) == !Numbers);
    if (Numbers) {
      CHECK((There == TVersionOrder::voNewer) == (Back == TVersionOrder::voOlder));
      CHECK((There == TVersionOrder::voSame) == (Back == TVersionOrder::voSame));
    }
  }
}

TEST_CASE("the program's descriptor section") {
  const TVKRAppUpdate Update;  // the first component names the section
  CHECK(AppSectionName() == L"test_update");
}

TEST_CASE("descriptor keys: the 64-bit ones first, the plain ones for what they leave empty") {
  TTempDir Dir;
  const std::wstring File = Dir.MakeFile(L"updates.txt", std::string(
      "[Other]\r\nVersion=9.99\r\nDownloadFileURL=http://other.example/o.exe\r\n"
      "[TEST_UPDATE]\r\n"
      "Version=1.02.10\r\n"
      "DownloadFileURL64=\r\n"
      "DownloadFileURL=http://h.example/plain.exe\r\n"
      "ReadmeFileURL64=http://h.example/notes64.txt\r\n"
      "ReadmeFileURL=http://h.example/notes.txt\r\n"
      "updatepageurl=http://h.example/page\r\n"
      "SHA256Hash64=ABCDEF\r\n"
      "SHA1Hash=123\r\n"));
  const TUpdateDescriptor Values = ReadUpdateDescriptor(File, L"test_update");
  CHECK(Values.Version == L"1.02.10");
  CHECK(Values.DownloadFileURL == L"http://h.example/plain.exe");
  CHECK(Values.ReadmeFileURL == L"http://h.example/notes64.txt");
  CHECK(Values.UpdatePageURL == L"http://h.example/page");
  CHECK(Values.SHA256Hash == L"ABCDEF");
  CHECK(Values.SHA1Hash == L"123");
  CHECK(Values.MD5Hash.empty());

  const TUpdateDescriptor Missing = ReadUpdateDescriptor(File, L"NotThere");
  CHECK(Missing.Version.empty());
  CHECK(Missing.DownloadFileURL.empty());
}

TEST_CASE("descriptors that are no INI text read as empty, without a hang") {
  TTempDir Dir;
  std::string Binary;
  for (int i = 0; i < 70000; ++i) Binary += static_cast<char>(i * 7 % 256);
  std::string Huge = "[test_update]\r\n";
  while (Huge.size() < 5 * 1024 * 1024) Huge += "Key" + std::to_string(Huge.size()) + "=value\r\n";
  Huge += "Version=2.0\r\n";
  const struct {
    const char* Name;
    std::string Content;
    const wchar_t* Version;
    const wchar_t* Download;
  } Cases[] = {
      {"binary", Binary, L"", L""},
      {"html", "<html><body>Not found</body></html>", L"", L""},
      {"several megabytes", Huge, L"2.0", L""},
      {"a line of 100,000 characters",
       "[test_update]\r\nVersion=3.0\r\nDownloadFileURL=http://h.example/" + std::string(100000, 'a') + "\r\n",
       L"3.0", nullptr},
      {"a value of two megabytes", "[test_update]\r\nVersion=" + std::string(2 << 20, '9') + "\r\n", L"", L""},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.Name);
    const TUpdateDescriptor Values = ReadUpdateDescriptor(Dir.MakeFile(L"d.txt", Case.Content), L"test_update");
    CHECK(Values.Version == Case.Version);
    if (Case.Download != nullptr) CHECK(Values.DownloadFileURL == Case.Download);
  }
  // A very long address is read whole, and is then no valid source.
  const std::wstring LongURL = L"http://h.example/" + std::wstring(100000, L'a');
  const TUpdateDescriptor Long = ReadUpdateDescriptor(
      Dir.MakeFile(L"long.txt", "[test_update]\r\nVersion=3.0\r\nDownloadFileURL=" + WideToUtf8(LongURL) + "\r\n"),
      L"test_update");
  CHECK(Long.DownloadFileURL == LongURL);
  CHECK(ClassifySource(Long.DownloadFileURL) == TSourceKind::skInvalid);
}

TEST_CASE("any descriptor is read without an error, and each value within its bounds") {
  TTempDir Dir;
  std::mt19937 Random(32);
  const char* const Lines[] = {"[test_update]", "[TEST_UPDATE", "[]", "[test_update]]", "Version=", "Version=1.0",
                               "version = 2.0 ", "Version64=9", "DownloadFileURL64=", "DownloadFileURL=\\\\s\\x",
                               "Signature64=====", ";Version=3", "=", "==", "\x00", "\xFF\xFE", "\xEF\xBB\xBF", "\r",
                               "\n", "\xC3", "\xED\xA0\x80"};
  for (int i = 0; i < 600; ++i) {
    CAPTURE(i);
    std::string Content;
    if (i % 3 == 0) Content = Random() % 2 == 0 ? "\xFF\xFE" : "\xEF\xBB\xBF";
    for (uint32_t n = Random() % 30; n > 0; --n) {
      if (Random() % 3 == 0) {
        for (uint32_t k = Random() % (i % 97 == 0 ? 200000 : 40); k > 0; --k) Content += static_cast<char>(Random());
      } else {
        Content += Lines[Random() % std::size(Lines)];
      }
      Content += Random() % 4 == 0 ? "\n" : "\r\n";
    }
    const std::wstring File = Dir.MakeFile(L"fuzz.txt", Content);
    TUpdateDescriptor Values;
    REQUIRE_NOTHROW(Values = ReadUpdateDescriptor(File, L"test_update"));
    for (const std::wstring* Value : {&Values.Version, &Values.DownloadFileURL, &Values.ReadmeFileURL,
                                      &Values.UpdatePageURL, &Values.MD5Hash, &Values.SHA1Hash, &Values.SHA256Hash,
                                      &Values.Signature}) {
      CHECK(Value->size() <= (size_t{1} << 20));
      CHECK(Value->find(L'\0') == std::wstring::npos);
    }
    CHECK_NOTHROW((void)CompareVersions(L"1.0.0.1", Values.Version));
    CHECK_NOTHROW((void)NoNewVersionsText(Values.Version, CompareVersions(L"1.0.0.1", Values.Version)));
    CHECK_NOTHROW((void)ClassifySource(Values.DownloadFileURL));
  }
}

TEST_CASE("the check without a server to ask") {
  TTempDir Root;
  TVKRAppUpdate Update;
  Update.SetUpdateRoot(Root.Path());
  TDialogLog Dialogs;
  TShellLog Shell;

  SUBCASE("no descriptor source: nothing is fetched and there are no new versions") {
    Update.SetUpdatePageURL(L"http://updates.brenlow.example/brenlow/");
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{NoNewVersions});
  }

  SUBCASE("NoMessageDlg keeps the closing message back") {
    CHECK_FALSE(Update.Execute(true));
    CHECK(Dialogs.Texts.empty());
  }

  SUBCASE("an invalid descriptor source is named, then the component's page is offered") {
    Update.SetUpdateFileURL(L"not a url");
    Update.SetUpdatePageURL(L"http://updates.brenlow.example/brenlow/");
    Dialogs.ConfirmAnswer = mrYes;
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{L"\"not a url\" is an invalid source.", OfferPage});
    CHECK(Dialogs.Types.front() == TMsgDlgType::mtError);
    CHECK(Shell.Files == std::vector<std::wstring>{L"http://updates.brenlow.example/brenlow/"});
  }

  SUBCASE("a local file or device is never read as the descriptor, even when an administrator names it") {
    TTempDir Dir;
    const std::wstring File = Dir.MakeFile(L"updates.txt", Section("Version=9.50\r\n"));
    Update.SetVersion(L"1.00.00");
    Update.SetDescriptorFromPolicy(true);
    for (const std::wstring& Source : {L"\\\\?\\" + File, std::wstring(L"\\\\.\\PhysicalDrive0"), File,
                                       L"\\\\localhost\\C$\\" + File.substr(3)}) {
      CAPTURE(WideToUtf8(Source));
      Dialogs.Texts.clear();
      Update.SetUpdateFileURL(Source);
      CHECK_FALSE(Update.Execute(false));
      CHECK(Dialogs.Texts == std::vector<std::wstring>{InvalidSourceMessage(Source), NoNewVersions});
    }
    CHECK(Shell.Files.empty());
    CHECK(Root.Entries().empty());
  }

  SUBCASE("advertised versions are numbers: newer by their parts, or named when they are none") {
    REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
    TServedFolder Served;
    Update.SetAllowPlainHttp(true);
    int Count = 0;
    const std::wstring NotANumber = L"\r\n\r\nThe update server names the version ";
    const struct {
      const char* Running;
      std::string Advertised;
      bool Shown;
      std::wstring Text;  // the closing message when nothing is shown
    } Cases[] = {
        {"1.0.0.9", "1.0.0.10", true, L""},
        {"1.0.0.10", "1.0.0.9", false, NoNewVersions},
        {"9.99.99", "10.00.00", true, L""},
        {"1.00.00", "1.0.0.2", true, L""},
        {"1.0.0.1", "1.00.00.1", false, NoNewVersions},
        {"1.0.0.1", "1.0.0.2beta", false, NoNewVersions + NotANumber + L"\"1.0.0.2beta\", which is not a version number."},
        {"1.0", "2.\xD9\xA1", false, NoNewVersions + NotANumber + L"\"2.\x0661\", which is not a version number."},
        {"1.0", std::string(50, '9') + "x", false,
         NoNewVersions + NotANumber + L"\"" + std::wstring(40, L'9') + L"...\", which is not a version number."},
    };
    for (const auto& Case : Cases) {
      CAPTURE(Case.Running);
      CAPTURE(Case.Advertised);
      Dialogs.Texts.clear();
      // UTF-16 with its byte-order mark, so that the descriptor reads the same on any code page.
      const std::wstring Text = L"\xFEFF[" + AppSectionName() + L"]\r\nVersion=" + Utf8ToWide(Case.Advertised) + L"\r\n";
      const std::wstring Name = L"updates" + std::to_wstring(++Count) + L".txt";
      Served.Write(Name, std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * sizeof(wchar_t)));
      Update.SetVersion(Utf8ToWide(Case.Running));
      Update.SetUpdateFileURL(Served.URL(Name));
      TShown Shown;
      TNotifyAnswer Answer = ReadAndClose(Shown);
      CHECK(Update.Execute(false) == Case.Shown);
      CHECK(Answer.Answered() == Case.Shown);
      if (Case.Shown) {
        CHECK(Dialogs.Texts.empty());
        CHECK(Shown.Version == Utf8ToWide(Case.Advertised));
      } else {
        CHECK(Dialogs.Texts == std::vector<std::wstring>{Case.Text});
      }
    }
  }
}

TEST_CASE("the check against a real server") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TServedFolder Served;
  TTempDir Root;
  TVKRAppUpdate Update;
  // The test server speaks plain http: the prefix does not trust its certificate.
  Update.SetAllowPlainHttp(true);
  Update.SetUpdateRoot(Root.Path());
  Update.SetVersion(L"1.02.03");
  Update.SetUpdatePageURL(L"http://updates.brenlow.example/brenlow/");
  TDialogLog Dialogs;
  TShellLog Shell;

  SUBCASE("a newer version shows its notes in the notify window") {
    Served.Write(L"notes.txt", "Marrowby 1.02.10\r\n\r\n- faster scans\nUTF-8: \xC3\xA9t\xC3\xA9\r\n");
    Served.Write(L"updates.txt", Section("Version=1.02.10\r\nDownloadFileURL64=\r\nDownloadFileURL=" +
                                         WideToUtf8(Served.URL(L"setup.exe")) + "\r\nReadmeFileURL=" +
                                         WideToUtf8(Served.URL(L"notes.txt")) + "\r\nSHA256Hash64=AB12\r\n"));
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    TShown Shown;
    TNotifyAnswer Answer = ReadAndClose(Shown);
    CHECK(Update.Execute(false));
    CHECK(Answer.Answered());
    CHECK(Dialogs.Texts.empty());
    CHECK(Shown.Caption == L"New Version Available");
    CHECK(Shown.Version == L"1.02.10");
    CHECK(Shown.DownloadFileURL == Served.URL(L"setup.exe"));
    CHECK(Shown.SHA256Hash == L"AB12");
    CHECK(Shown.DownloadEnabled);
    // The notes are ANSI text without a byte-order mark; bare line feeds become lines too.
    CHECK(Shown.Notes == L"Marrowby 1.02.10\r\n\r\n- faster scans\r\nUTF-8: " + AnsiToWide("\xC3\xA9t\xC3\xA9") + L"\r\n");
    CHECK(VKRAppUpdateNotifyBox == nullptr);
  }

  SUBCASE("notes that fail to load show the Failed line; a window without download source disables Download") {
    Served.Write(L"updates.txt",
                 Section("Version=2.0\r\nReadmeFileURL=" + WideToUtf8(HttpOrigin()) + "/status/404\r\n"));
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    TShown Shown;
    TNotifyAnswer Answer = ReadAndClose(Shown);
    CHECK(Update.Execute(false));
    CHECK(Shown.Notes == L"Failed: 404 Not Found");
    CHECK_FALSE(Shown.DownloadEnabled);
  }

  SUBCASE("notes from an invalid source are named; the window still shows, with no notes") {
    Served.Write(L"updates.txt", Section("Version=2.0\r\nReadmeFileURL=javascript:alert(1)\r\n"));
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    TShown Shown;
    TNotifyAnswer Answer = ReadAndClose(Shown);
    CHECK(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{L"\"javascript:alert(1)\" is an invalid source."});
    CHECK(Shown.Notes.empty());
  }

  SUBCASE("a descriptor that is not found says so and offers the component's page") {
    const std::wstring NotFound = HttpOrigin() + L"/status/404";
    Update.SetUpdateFileURL(NotFound);
    const std::wstring Offer =
        HttpStatusErrorText(404, L"Not Found", NotFound) + L"\r\n\r\nDo you want to open the update web page?";
    for (const TModalResult Answer : {mrNo, mrYes}) {
      CAPTURE(Answer);
      Dialogs.Texts.clear();
      Dialogs.ConfirmAnswer = Answer;
      CHECK_FALSE(Update.Execute(false));
      CHECK(Dialogs.Texts == std::vector<std::wstring>{Offer});
      CHECK(Dialogs.Types.back() == TMsgDlgType::mtConfirmation);
    }
    CHECK(Shell.Files == std::vector<std::wstring>{L"http://updates.brenlow.example/brenlow/"});
  }

  SUBCASE("an answer that is no descriptor says so and offers the component's page") {
    Served.Write(L"portal.html", "<html><body>Sign in</body></html>");
    Update.SetUpdateFileURL(Served.URL(L"portal.html"));
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{NotADescriptorText(Served.URL(L"portal.html")) +
                                                     L"\r\n\r\nDo you want to open the update web page?"});
    CHECK(Shell.Files.empty());
  }

  SUBCASE("a descriptor for another program only: no version, the page offer") {
    Served.Write(L"updates.txt", "[SomeOtherProgram]\r\nVersion=9.0\r\n");
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    Dialogs.ConfirmAnswer = mrYes;
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{OfferPage});
    CHECK(Shell.Files == std::vector<std::wstring>{L"http://updates.brenlow.example/brenlow/"});
  }

  SUBCASE("a page named by the descriptor goes to the shell only when it is a web page") {
    Served.Write(L"updates.txt", Section("UpdatePageURL64=C:\\windows\\notepad.exe\r\n"));
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    Dialogs.ConfirmAnswer = mrYes;
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{OfferPage, L"\"C:\\windows\\notepad.exe\" is an invalid source."});
    CHECK(Shell.Files.empty());
  }

  SUBCASE("the same or an older version: no new versions") {
    for (const char* Version : {"1.02.03", "1.02", "1.01.99"}) {
      CAPTURE(Version);
      Dialogs.Texts.clear();
      Served.Write(L"updates.txt", Section(std::string("Version=") + Version + "\r\n"));
      Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
      CHECK_FALSE(Update.Execute(false));
      CHECK(Dialogs.Texts == std::vector<std::wstring>{NoNewVersions});
    }
  }

  SUBCASE("a binary descriptor of megabytes is refused as it arrives, and nothing of it stays") {
    Served.Write(L"updates.txt", PatternBytes(3 << 20));
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    Update.SetUpdatePageURL(L"");
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{BodyTooLargeText(MaxDescriptorBytes, Served.URL(L"updates.txt"))});
    CHECK(Root.Entries().empty());
  }

  SUBCASE("a descriptor of just under a megabyte is read") {
    std::string Big = Section("Version=1.00.00\r\n");
    const auto Limit = static_cast<size_t>(MaxDescriptorBytes);
    Big += "; " + std::string(Limit - Big.size() - 4, 'x') + "\r\n";
    REQUIRE(Big.size() == Limit);
    Served.Write(L"updates.txt", Big);
    Update.SetUpdateFileURL(Served.URL(L"updates.txt"));
    CHECK_FALSE(Update.Execute(false));
    CHECK(Dialogs.Texts == std::vector<std::wstring>{NoNewVersions});
  }

  SUBCASE("Check for Updates in the main window compares the version of the program") {
    TRegistryFixture Registry;
    TForm1Options Options;
    Options.RegistryKey = Registry.KeyPath();
    Options.PolicyRoots = PrivatePolicyRoots(Registry);
    Options.SingleInstance = false;
    auto Form = std::make_unique<TForm1>(Options);
    TVKRAppUpdate& Own = Form->VKRAppUpdate1;
    CHECK(Own.UpdateFileURL() == L"https://updates.brenlow.example/brenlow/BrenlowUpdates.txt");
    CHECK(Own.UpdatePageURL() == L"https://updates.brenlow.example/brenlow/");
    CHECK(Own.HashType() == THashType::htSHA256);
    CHECK(Own.FileSizeUnit() == TVKRAppUpdateFileSizeUnit::KiloBytes);
    // The main window gives it the system's interface font as it starts.
    CHECK(Own.Font().Name() == L"Segoe UI");
    CHECK(Own.Font().Size() == 9);
    CHECK(Own.FontReadme().Name() == L"Calibri");
    // The program itself fetches https only, and names no network path of its own.
    CHECK_FALSE(Own.AllowPlainHttp());
    CHECK_FALSE(Own.DescriptorFromPolicy());

    // The whole file version, build number included: the about window's
    // "1.00.00" would take a release of the next build for this one.
    const std::wstring Running = Utf8ToWide(MARROWBY_VERSION_TEXT);
    Own.SetAllowPlainHttp(true);
    Own.SetUpdateRoot(Root.Path());
    for (const std::wstring& Same : {Running, Form->VKRAboutDialog1.ExtractVersion(false)}) {
      CAPTURE(WideToUtf8(Same));
      Dialogs.Texts.clear();
      Served.Write(L"updates.txt", Section("Version=" + WideToUtf8(Same) + "\r\n"));
      Own.SetUpdateFileURL(Served.URL(L"updates.txt"));
      Form->CheckforUpdates1.Click();
      CHECK(Own.Version() == Running);
      CHECK(Dialogs.Texts == std::vector<std::wstring>{NoNewVersions});
    }
    Dialogs.Texts.clear();
    Served.Write(L"updates.txt", Section("Version=" + WideToUtf8(Running) + ".1\r\n"));
    TShown Shown;
    TNotifyAnswer Answer = ReadAndClose(Shown);
    Form->CheckforUpdates1.Click();
    CHECK(Answer.Answered());
    CHECK(Shown.Version == Running + L".1");
    CHECK(Dialogs.Texts.empty());
  }
}
