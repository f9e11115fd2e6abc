#pragma once
// The web update component: where the update descriptor lives, how to reach
// it (proxy), and how its windows look. The check itself is added with the
// update windows.

#include "framework/Graphics.h"
#include "framework/Object.h"

#include <cstdint>
#include <string>

enum class TVKRAppUpdateFileSizeUnit : uint8_t { Auto, Bytes, KiloBytes, MegaBytes, GigaBytes };
enum class THashType : uint8_t { htNone, htMD5, htSHA1, htSHA256 };

class TVKRAppUpdate : public TObject {
public:
  TVKRAppUpdate();

  const std::wstring& ProxyAddress() const { return FProxyAddress; }
  void SetProxyAddress(const std::wstring& Value) { FProxyAddress = Value; }
  const std::wstring& ProxyPort() const { return FProxyPort; }
  void SetProxyPort(const std::wstring& Value) { FProxyPort = Value; }
  const std::wstring& UpdateFileURL() const { return FUpdateFileURL; }
  void SetUpdateFileURL(const std::wstring& Value) { FUpdateFileURL = Value; }
  const std::wstring& UpdatePageURL() const { return FUpdatePageURL; }
  void SetUpdatePageURL(const std::wstring& Value) { FUpdatePageURL = Value; }
  const std::wstring& Version() const { return FVersion; }
  void SetVersion(const std::wstring& Value) { FVersion = Value; }
  TVKRAppUpdateFileSizeUnit FileSizeUnit() const { return FFileSizeUnit; }
  void SetFileSizeUnit(TVKRAppUpdateFileSizeUnit Value) { FFileSizeUnit = Value; }
  TFont& Font() { return FFont; }
  void SetFont(const TFont& Value);
  TFont& FontReadme() { return FFontReadme; }
  void SetFontReadme(const TFont& Value);
  THashType HashType() const { return FHashType; }
  void SetHashType(THashType Value) { FHashType = Value; }

private:
  std::wstring FProxyAddress;
  std::wstring FProxyPort = L"80";
  std::wstring FUpdateFileURL;
  std::wstring FUpdatePageURL;
  std::wstring FVersion;
  TVKRAppUpdateFileSizeUnit FFileSizeUnit = TVKRAppUpdateFileSizeUnit::Auto;
  TFont FFont;
  TFont FFontReadme;
  THashType FHashType = THashType::htNone;
};
