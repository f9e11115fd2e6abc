#pragma once
// The web update component: where the update descriptor lives, how to reach
// it (proxy), how its windows look, and the check itself: fetch the
// descriptor, compare versions, show the notes of a newer release.

#include "framework/Graphics.h"
#include "framework/Object.h"
#include "update/UpdateVersion.h"

#include <cstdint>
#include <functional>
#include <string>

class TLongCommand;

// The most an update descriptor may hold, and release notes: anything
// longer is refused while it arrives.
inline constexpr int64_t MaxDescriptorBytes = int64_t{1} << 20;
inline constexpr int64_t MaxNotesBytes = int64_t{64} << 20;

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

  // UpdateFileURL was set by an administrator's policy: it may then be a
  // network path \\server\share\... (an internal mirror). Nothing else is.
  bool DescriptorFromPolicy() const { return FDescriptorFromPolicy; }
  void SetDescriptorFromPolicy(bool Value) { FDescriptorFromPolicy = Value; }
  // Plain http addresses are fetched as well as https ones. Only for a test
  // server on this machine (whose certificate the test prefix does not
  // trust); the program never sets it.
  bool AllowPlainHttp() const { return FAllowPlainHttp; }
  void SetAllowPlainHttp(bool Value) { FAllowPlainHttp = Value; }
  // The folder under which each check and download gets a folder of its own
  // (update/UpdateFolder.h); "Marrowby Updates" in the user's temporary folder.
  const std::wstring& UpdateRoot() const { return FUpdateRoot; }
  void SetUpdateRoot(const std::wstring& Value) { FUpdateRoot = Value; }
  // How long a fetch may go without a byte from the server.
  int TimeoutSeconds() const { return FTimeoutSeconds; }
  void SetTimeoutSeconds(int Value) { FTimeoutSeconds = Value; }
  // The long command the check runs in: its fetches show their progress on
  // it, and its Cancel, Esc or the closing of its window stops them.
  void SetLongCommand(TLongCommand* Value) { FLongCommand = Value; }

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
  bool FDescriptorFromPolicy = false;
  bool FAllowPlainHttp = false;
  std::wstring FUpdateRoot;
  int FTimeoutSeconds = 30;
  TLongCommand* FLongCommand = nullptr;
};

// The descriptor section of this program: the executable's name before its
// first "." (for a program run by rundll32, the DLL's). Set by the first
// component made.
const std::wstring& AppSectionName();

enum class TSourceKind { skWebURL, skUNCPath, skInvalid };

// What a source may be where it is used. By default an https address only.
struct TSourceRules {
  bool NetworkPath = false;  // \\server\share\...: the descriptor an administrator's policy names
  bool PlainHttp = false;    // http as well (a page for the browser; a test server)
};

// A network path (under Rules.NetworkPath) or an https address (http too
// under Rules.PlainHttp) that the platform's URL check and our own syntax
// check accept; anything else is invalid.
TSourceKind ClassifySource(const std::wstring& Source, const TSourceRules& Rules = {});
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

enum class TCopyResult { crCopied, crUnreadable, crTooLarge, crStopped };

// Copies a network source into Output in blocks, counting as it goes: past
// Limit bytes it stops (crTooLarge). Between blocks KeepGoing lets windows
// repaint and says whether to go on (crStopped when not). Unreadable: the
// source cannot be opened, or is empty. A read error is an EOSError, never
// the end of the file.
TCopyResult CopySourceFile(const std::wstring& Source, HANDLE Output, int64_t Limit,
                           const std::function<bool(int64_t Copied)>& KeepGoing);

// Text of a file: UTF-8 or UTF-16 by its byte-order mark, otherwise ANSI.
bool LoadTextFile(const std::wstring& FileName, std::wstring& Text);
