#include "options/VKRInternetUnit.h"

#include "framework/Handle.h"
#include "framework/Text.h"

#include <windows.h>
// wininet.h only: winhttp.h must stay out of this unit.
#include <wininet.h>

namespace {

// Takes over a text the system allocated, releasing it with GlobalFree.
std::wstring TakeSystemText(LPWSTR Text) {
  if (Text == nullptr) return {};
  UniqueHGlobal Owner(Text);
  return std::wstring(Text);
}

}  // namespace

bool QueryProxySettings(bool& AutoDetect, bool& AutoConfigUrlInUse, std::wstring& AutoConfigUrl, bool& ProxyInUse,
                        bool& Direct, std::wstring& ProxyServer, std::wstring& ProxyBypass) {
  INTERNET_PER_CONN_OPTIONW Options[4]{};
  Options[0].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
  Options[1].dwOption = INTERNET_PER_CONN_FLAGS;
  Options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  Options[3].dwOption = INTERNET_PER_CONN_PROXY_SERVER;

  INTERNET_PER_CONN_OPTION_LISTW List{};
  List.dwSize = sizeof(List);
  List.pszConnection = nullptr;  // the default connection
  List.dwOptionCount = 4;
  List.pOptions = Options;
  DWORD Size = sizeof(List);
  if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &List, &Size)) return false;

  // Every text the system handed out is released, whatever happens next.
  std::wstring Url = TakeSystemText(Options[0].Value.pszValue);
  std::wstring Bypass = TakeSystemText(Options[2].Value.pszValue);
  std::wstring Server = TakeSystemText(Options[3].Value.pszValue);
  const DWORD Flags = Options[1].Value.dwValue;

  AutoConfigUrl = std::move(Url);
  ProxyBypass = std::move(Bypass);
  ProxyServer = std::move(Server);
  Direct = (Flags & PROXY_TYPE_DIRECT) != 0;
  ProxyInUse = (Flags & PROXY_TYPE_PROXY) != 0;
  AutoConfigUrlInUse = (Flags & PROXY_TYPE_AUTO_PROXY_URL) != 0;
  AutoDetect = (Flags & PROXY_TYPE_AUTO_DETECT) != 0;
  return true;
}

void ExtractSchemeProxy(const std::wstring& Scheme, const std::wstring& ProxyServer, std::wstring& Address,
                        int& Port) {
  Address.clear();
  Port = 80;
  std::wstring Key = LowerCaseAZ(Scheme);
  if (Key != L"http" && Key != L"https" && Key != L"ftp" && Key != L"socks") Key = L"http";
  Key += L"=";

  std::wstring Entry = ProxyServer;
  // A text without an entry for the scheme is one proxy for every scheme.
  if (const size_t Found = Entry.find(Key); Found != std::wstring::npos) {
    Entry.erase(0, Found + Key.size());
    // The system separates entries by ";" or by blanks; the entry ends at
    // whichever comes first, so that a mixed list still yields its port.
    if (const size_t End = Entry.find_first_of(L" ;"); End != std::wstring::npos) Entry.erase(End);
  }

  const size_t Colon = Entry.find(L':');
  if (Colon == std::wstring::npos) return;
  Port = StrToIntDef(std::wstring_view(Entry).substr(Colon + 1), 0);
  Address = Entry.substr(0, Colon);
}

bool GetSystemProxy(const std::wstring& Scheme, bool& InUse, std::wstring& Address, int& Port) {
  Address.clear();
  Port = 80;
  InUse = false;
  bool AutoDetect = false, AutoConfigUrlInUse = false, Direct = false;
  std::wstring AutoConfigUrl, ProxyServer, ProxyBypass;
  const bool Answered =
      QueryProxySettings(AutoDetect, AutoConfigUrlInUse, AutoConfigUrl, InUse, Direct, ProxyServer, ProxyBypass);
  if (!Answered) return false;
  ExtractSchemeProxy(Scheme, ProxyServer, Address, Port);
  return true;
}
