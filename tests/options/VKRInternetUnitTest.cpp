#include <doctest.h>

#include "framework/Text.h"
#include "options/VKRInternetUnit.h"
#include "InternetSettingsFixture.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct TProxyCase {
  std::string Name;
  std::wstring Scheme;
  std::wstring ProxyServer;
  std::wstring Address;
  int Port;
};

}  // namespace

TEST_CASE("the proxy text yields the host and port of the scheme asked for") {
  const std::vector<TProxyCase> Cases = {
      {"one proxy for every scheme", L"http", L"proxyhost:8080", L"proxyhost", 8080},
      {"entry of a list", L"http", L"ftp=f:21;http=h:3128;https=s:443", L"h", 3128},
      {"last entry of a list", L"https", L"ftp=f:21;http=h:3128;https=s:443", L"s", 443},
      {"first entry of a list", L"ftp", L"ftp=f:21;http=h:3128;https=s:443", L"f", 21},
      {"entry without a port", L"http", L"http=h", L"", 80},
      {"no entry for the scheme: the text is taken whole", L"http", L"https=s:443", L"https=s", 443},
      {"list separated by blanks", L"http", L"ftp=f:21 http=h:3128 https=s:443", L"h", 3128},
      {"blank-separated entry at the end", L"https", L"ftp=f:21 http=h:3128 https=s:443", L"s", 443},
      {"blanks and semicolons mixed", L"http", L"http=h:3128;https=s:443 ftp=f:21", L"h", 3128},
      {"port that is not a number", L"http", L"host:abc", L"host", 0},
      {"only the first colon separates", L"http", L"host:80:81", L"host", 0},
      {"empty text", L"http", L"", L"", 80},
      {"scheme in capitals is http", L"HTTP", L"ftp=f:21;http=h:3128", L"h", 3128},
      {"unknown scheme is http", L"gopher", L"gopher=g:70;http=h:3128", L"h", 3128},
      {"socks entry", L"Socks", L"http=h:3128;socks=k:1080", L"k", 1080},
      {"entry names are case-sensitive", L"http", L"HTTP=h:3128", L"HTTP=h", 3128},
  };
  for (const TProxyCase& Case : Cases) {
    CAPTURE(Case.Name);
    std::wstring Address = L"left over";
    int Port = -1;
    ExtractSchemeProxy(Case.Scheme, Case.ProxyServer, Address, Port);
    CHECK(WideToUtf8(Address) == WideToUtf8(Case.Address));
    CHECK(Port == Case.Port);
  }
}

TEST_CASE("the system's proxy comes from the per-user internet settings") {
  TInternetSettingsFixture Settings;

  SUBCASE("proxy in use") {
    Settings.Set(true, L"proxyhost:8080", L"<local>");
    bool AutoDetect = true, AutoConfigUrlInUse = true, ProxyInUse = false, Direct = true;
    std::wstring AutoConfigUrl = L"x", ProxyServer, ProxyBypass;
    REQUIRE(QueryProxySettings(AutoDetect, AutoConfigUrlInUse, AutoConfigUrl, ProxyInUse, Direct, ProxyServer,
                               ProxyBypass));
    CHECK(ProxyInUse);
    CHECK_FALSE(Direct);
    CHECK_FALSE(AutoDetect);
    CHECK_FALSE(AutoConfigUrlInUse);
    CHECK(AutoConfigUrl.empty());
    CHECK(WideToUtf8(ProxyServer) == "proxyhost:8080");
    CHECK(WideToUtf8(ProxyBypass) == "<local>");

    bool InUse = false;
    std::wstring Address;
    int Port = 0;
    CHECK(GetSystemProxy(L"http", InUse, Address, Port));
    CHECK(InUse);
    CHECK(WideToUtf8(Address) == "proxyhost");
    CHECK(Port == 8080);
  }

  SUBCASE("per-scheme list") {
    Settings.Set(true, L"ftp=f:21;http=h:3128;https=s:443", L"");
    bool InUse = false;
    std::wstring Address;
    int Port = 0;
    CHECK(GetSystemProxy(L"HTTP", InUse, Address, Port));
    CHECK(InUse);
    CHECK(WideToUtf8(Address) == "h");
    CHECK(Port == 3128);
  }

  SUBCASE("proxy not in use still names the stored server") {
    if (EnvironmentNamesProxy()) {
      MESSAGE("http_proxy is set in the environment: Wine reports it instead of the registry");
      return;
    }
    Settings.Set(false, L"proxyhost:8080", L"<local>");
    bool InUse = true;
    std::wstring Address;
    int Port = 0;
    CHECK(GetSystemProxy(L"http", InUse, Address, Port));
    CHECK_FALSE(InUse);
    CHECK(WideToUtf8(Address) == "proxyhost");
    CHECK(Port == 8080);
  }
}
