#pragma once
// The web update component: where the update descriptor lives, how to reach
// it (proxy), how its windows look, and the check itself: fetch the
// descriptor, compare versions, show the notes of a newer release.

#include "framework/Graphics.h"
#include "framework/Object.h"
#include "update/UpdateVersion.h"

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

  // One check; true when a newer version was found and its window shown.
  // NoMessageDlg keeps the closing "no new versions" messages back.
  bool Execute(bool NoMessageDlg);

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

// The descriptor section of this program: the executable's name before its
// first "." (for a program run by rundll32, the DLL's). Set by the first
// component made.
const std::wstring& AppSectionName();

enum class TSourceKind { skWebURL, skUNCPath, skInvalid };

// "\\" at the start makes a UNC path; otherwise a web URL when both the
// platform's URL check and our own syntax check accept it.
TSourceKind ClassifySource(const std::wstring& Source);
// A web URL goes to the HTTPS client when it starts with "https" in any case.
bool IsSecureSource(const std::wstring& Source);
// The source in double quotation marks followed by " is an invalid source.".
std::wstring InvalidSourceMessage(const std::wstring& Source);
void ShowInvalidSourceMessage(const std::wstring& Source);

// The closing message of a check that found no newer version; an advertised
// version that is no dotted number is named, so that whoever keeps the
// descriptor learns why no client takes the release.
std::wstring NoNewVersionsText(const std::wstring& Advertised, TVersionOrder Order);

struct TUpdateDescriptor {
  std::wstring DownloadFileURL;
  std::wstring ReadmeFileURL;
  std::wstring UpdatePageURL;
  std::wstring MD5Hash;
  std::wstring SHA1Hash;
  std::wstring SHA256Hash;
  std::wstring Signature;
  std::wstring Version;
};

// The keys of Section, the "64" ones first; a value too long to be real reads as empty.
// Signature (Signature64 first) is the release's signature (update/UpdateSignature.h).
TUpdateDescriptor ReadUpdateDescriptor(const std::wstring& FileName, const std::wstring& Section);

// True when the file holds at least one [section]: an HTML page or any
// other answer in place of the descriptor holds none.
bool IsUpdateDescriptor(const std::wstring& FileName);

// Copies a UNC source in blocks, letting windows repaint between them; true
// when something was copied.
bool CopySourceFile(const std::wstring& Source, const std::wstring& Destination);

// Text of a file: UTF-8 or UTF-16 by its byte-order mark, otherwise ANSI.
bool LoadTextFile(const std::wstring& FileName, std::wstring& Text);
