#include <doctest.h>

#include "UpdateServer.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "update/VKRHttpCli.h"

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
