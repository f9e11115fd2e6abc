#pragma once
// The per-user internet settings of the test's Wine prefix (where the system
// proxy is read from), set by a test and put back as they were afterwards,
// values that did not exist included.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class TInternetSettingsFixture {
public:
  TInternetSettingsFixture();
  ~TInternetSettingsFixture();
  TInternetSettingsFixture(const TInternetSettingsFixture&) = delete;
  TInternetSettingsFixture& operator=(const TInternetSettingsFixture&) = delete;

  void Set(bool ProxyEnable, const std::wstring& ProxyServer, const std::wstring& ProxyOverride);

private:
  struct TSaved {
    std::wstring Name;
    DWORD Type = REG_NONE;
    std::optional<std::vector<BYTE>> Data;
  };
  std::vector<TSaved> FSaved;
};

// Wine prefers an http_proxy of the environment to a disabled registry proxy.
bool EnvironmentNamesProxy();
