#include <doctest.h>

#include "UpdateServer.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "update/VKRHttpCli.h"

#include <winhttp.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// GETs URL into a file of Dir; returns the body.
std::string Fetch(THttpCli& Client, const TTempDir& Dir, const std::wstring& URL) {
  const std::wstring Target = Dir / L"body.bin";
  {
    UniqueFile File(CreateFileW(Target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    REQUIRE(File.valid());
    Client.SetURL(URL);
    Client.SetRcvdStream(File.get());
    Client.Get();
    Client.SetRcvdStream(nullptr);
  }
  return ReadFileBytes(Target);
}

bool Contains(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }

}  // namespace

TEST_CASE("the URL syntax check accepts absolute http and https URLs only") {
  const struct {
    const wchar_t* URL;
    bool Valid;
  } Cases[] = {
      {L"http://updates.brenlow.example/brenlow/BrenlowUpdates.txt", true},
      {L"HTTPS://updates.brenlow.example:8443/a/b.exe?x=1#top", true},
      {L"http://127.0.0.1:8080/", true},
      {L"http://[::1]:80/x", true},
      {L"http://host", true},
      {L"not a url", false},
      {L"", false},
      {L"ftp://host/file", false},
      {L"file:///C:/Windows/notepad.exe", false},
      {L"javascript:alert(1)", false},
      {L"http://", false},
      {L"http:///path", false},
      {L"http://user@host/", false},
      {L"http://host:0/", false},
      {L"http://host:65536/", false},
      {L"http://host:/", false},
      {L"http://ho st/", false},
      {L"http://host/a b", false},
      {L"http://host/a\\b", false},
      {L"http://host\\..\\x", false},
      {L"http://.host/", false},
      {L"http://a..b/", false},
      {L"http://h\u00f6st/", false},
      {L"http://host/\n", false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.URL));
    CHECK(IsWebURLSyntax(Case.URL) == Case.Valid);
  }
  CHECK(IsWebURLSyntax(L"http://host/" + std::wstring(2071, L'a')));
  CHECK_FALSE(IsWebURLSyntax(L"http://host/" + std::wstring(2072, L'a')));
}

TEST_CASE("the client against a real server") {
  REQUIRE_MESSAGE(UpdateServerRunning(), "no update test server: run through ctest (its fixture starts one)");
  TTempDir Dir;
  TServedFolder Served;
  const std::string Body = PatternBytes(100000);
  Served.Write(L"file.bin", Body);

  SUBCASE("GET writes the body and raises a progress event per block, dispatching messages meanwhile") {
    THttpCli Client(false);
    std::vector<int64_t> Events;
    Client.OnDocData = [&](TObject* Sender, int64_t Count) {
      CHECK(Sender == &Client);
      Events.push_back(Count);
    };
    static int Ticks = 0;
    Ticks = 0;
    const UINT_PTR Timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++Ticks; });
    CHECK(Fetch(Client, Dir, Served.URL(L"file.bin?block=10000&delay=30", L"slow")) == Body);
    KillTimer(nullptr, Timer);
    CHECK(Client.StatusCode() == 200);
    CHECK(Client.ReasonPhrase() == L"OK");
    CHECK(Client.RcvdCount() == 100000);
    REQUIRE(Events.size() >= 5);
    for (size_t i = 1; i < Events.size(); ++i) CHECK(Events[i] > Events[i - 1]);
    CHECK(Events.back() == 100000);
    CHECK(Ticks > 0);
  }

  SUBCASE("each client sends its own request settings, always as HTTP/1.0") {
    THttpCli Plain(false);
    const std::string Seen = Fetch(Plain, Dir, HttpOrigin() + L"/echo");
    CHECK(Contains(Seen, "GET /echo HTTP/1.0\r\n"));
    CHECK(Contains(Seen, "User-Agent: Mozilla/4.0 (compatible; ICS)\r\n"));
    CHECK(Contains(Seen, "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"));
    CHECK(Contains(Seen, "Pragma: no-cache\r\n"));

    THttpCli Secure(true);
    const std::string SeenSecure = Fetch(Secure, Dir, HttpOrigin() + L"/echo");
    CHECK(Contains(SeenSecure, "HTTP/1.0\r\n"));
    CHECK(Contains(SeenSecure, "User-Agent: Mozilla/4.0\r\n"));
    CHECK_FALSE(Contains(SeenSecure, "Pragma: no-cache"));
  }

  SUBCASE("HEAD gives the announced length, or -1 when none is announced") {
    THttpCli Client(false);
    Client.SetURL(Served.URL(L"file.bin"));
    Client.Head();
    CHECK(Client.ContentLength() == 100000);
    Client.SetURL(Served.URL(L"file.bin", L"nolength"));
    Client.Head();
    CHECK(Client.ContentLength() == -1);
  }

  SUBCASE("a body without a length is read to the end of the connection") {
    THttpCli Client(false);
    CHECK(Fetch(Client, Dir, Served.URL(L"file.bin", L"nolength")) == Body);
  }

  SUBCASE("five redirections are followed, a sixth is the failure") {
    THttpCli Client(false);
    CHECK(Fetch(Client, Dir, HttpOrigin() + L"/redirect/5/" + Served.Name() + L"/file.bin") == Body);
    try {
      Fetch(Client, Dir, HttpOrigin() + L"/redirect/6/" + Served.Name() + L"/file.bin");
      FAIL("six redirections were followed");
    } catch (const EHttpException& Error) {
      CHECK(Error.ErrorCode() == 302);
    }
  }

  SUBCASE("an error status is an HTTP error with its code and reason, and writes nothing") {
    THttpCli Client(false);
    try {
      Fetch(Client, Dir, HttpOrigin() + L"/status/404");
      FAIL("no error");
    } catch (const EHttpException& Error) {
      CHECK(Error.ErrorCode() == 404);
      CHECK(Error.ReasonPhrase() == L"Not Found");
    }
    CHECK(Client.StatusCode() == 404);
    CHECK(ReadFileBytes(Dir / L"body.bin").empty());
  }

  SUBCASE("a proxy receives the request for the named host") {
    THttpCli Client(false);
    Client.SetProxy(L"127.0.0.1");
    Client.SetProxyPort(HttpOrigin().substr(HttpOrigin().rfind(L':') + 1));
    const std::string Seen = Fetch(Client, Dir, L"http://updates.brenlow.example/echo");
    CAPTURE(Seen);
    CHECK(Contains(Seen, "GET http://updates.brenlow.example"));
    CHECK(Contains(Seen, "Host: updates.brenlow.example\r\n"));
  }

  SUBCASE("an abort during the transfer ends it with an HTTP error") {
    THttpCli Client(false);
    int Events = 0;
    Client.OnDocData = [&](TObject*, int64_t) {
      if (++Events == 2) Client.Abort();
    };
    CHECK_THROWS_AS(Fetch(Client, Dir, Served.URL(L"file.bin?block=5000&delay=30", L"slow")), EHttpException);
    CHECK(Events == 2);
    CHECK(ReadFileBytes(Dir / L"body.bin").size() < Body.size());
  }

  SUBCASE("a body past the limit ends the request: when announced before a byte, else as it arrives") {
    const struct {
      const char* What;
      std::wstring URL;
      int64_t Limit;
      size_t MostWritten;  // what may reach the file before the refusal
    } Cases[] = {
        {"announced", Served.URL(L"file.bin"), 50000, 0},
        {"not announced", Served.URL(L"file.bin", L"nolength"), 50000, 50000},
        {"endless", HttpOrigin() + L"/endless", 200000, 200000},
    };
    for (const auto& Case : Cases) {
      CAPTURE(Case.What);
      THttpCli Client(false);
      Client.SetMaxBodyBytes(Case.Limit);
      try {
        Fetch(Client, Dir, Case.URL);
        FAIL("the body was taken whole");
      } catch (const EHttpBodyTooLarge& Error) {
        CHECK(Error.Limit() == Case.Limit);
      }
      CHECK(ReadFileBytes(Dir / L"body.bin").size() <= Case.MostWritten);
    }
    // Exactly the limit is no refusal.
    THttpCli Client(false);
    Client.SetMaxBodyBytes(100000);
    CHECK(Fetch(Client, Dir, Served.URL(L"file.bin", L"nolength")) == Body);
  }

  SUBCASE("a server that sends nothing for the time-out is given up; what came before stays in the file") {
    THttpCli Client(false);
    Client.SetTimeoutSeconds(1);
    try {
      Fetch(Client, Dir, Served.URL(L"file.bin?after=1000&seconds=10", L"stall"));
      FAIL("no time-out");
    } catch (const EHttpClientError& Error) {
      CHECK(Error.ErrorCode() == ERROR_WINHTTP_TIMEOUT);
    }
    CHECK(ReadFileBytes(Dir / L"body.bin") == Body.substr(0, 1000));
  }

  SUBCASE("a stop flag ends a request that waits on a silent server, without waiting for it") {
    THttpCli Client(false);
    std::atomic<bool> Stop{false};
    int Waits = 0;
    Client.SetStopFlag(&Stop);
    // Called in place of the client's own dispatch, also while no byte comes.
    Client.OnWait = [&] {
      if (++Waits == 5) Stop = true;
    };
    try {
      Fetch(Client, Dir, Served.URL(L"file.bin?after=1000&seconds=30", L"stall"));
      FAIL("the request was not stopped");
    } catch (const EHttpException& Error) {
      CHECK(Error.ErrorCode() == 0);
    }
    CHECK(Waits == 5);
    // The client is free for the next request at once.
    Stop = false;
    Client.SetStopFlag(nullptr);
    Client.OnWait = nullptr;
    CHECK(Fetch(Client, Dir, Served.URL(L"file.bin")) == Body);
  }

  SUBCASE("a redirection to anything but a web address is refused") {
    THttpCli Client(false);
    for (const wchar_t* Target : {L"file:///C:/windows/win.ini", L"ftp://127.0.0.1/x", L"javascript:alert(1)"}) {
      CAPTURE(WideToUtf8(Target));
      try {
        Fetch(Client, Dir, HttpOrigin() + L"/to?url=" + Target);
        FAIL("followed");
      } catch (const EHttpClientError& Error) {
        CHECK(Error.ErrorCode() == ERROR_WINHTTP_REDIRECT_FAILED);
      }
    }
  }

  SUBCASE("a server that is not there is an ordinary error") {
    THttpCli Client(false);
    CHECK_THROWS_AS(Fetch(Client, Dir, L"http://127.0.0.1:1/x"), EHttpClientError);
  }

  SUBCASE("an HTTPS server with a self-signed certificate is refused") {
    REQUIRE_MESSAGE(!HttpsOrigin().empty(), "no https server (openssl missing)");
    THttpCli Client(true);
    CHECK_THROWS_AS(Fetch(Client, Dir, HttpsOrigin() + L"/" + Served.Name() + L"/file.bin"), EHttpClientError);
    CHECK(ReadFileBytes(Dir / L"body.bin").empty());
  }
}
