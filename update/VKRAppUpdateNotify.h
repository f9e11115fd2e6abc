#pragma once
// The "New Version Available" window: the release notes of the newer
// version, the product page, and the download of its installer, which is
// verified and started once the program has closed.

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "update/VKRAppUpdate.h"
#include "update/VKRHttpCli.h"

#include <cstdint>
#include <functional>
#include <string>

class TVKRAppUpdateNotifyBox : public TForm {
public:
  TVKRAppUpdateNotifyBox();
  ~TVKRAppUpdateNotifyBox() override;

  TEdit ReadmeMemo;
  TButton DownloadButton;
  TButton OpenWebPageButton;
  TButton OKButton;
  THttpCli HttpCli1{false};
  THttpCli SslHttpCli1{true};
  // The font of the notes; the window's own font reaches every other control.
  TFont ReadmeFont;

  // Filled by the update check.
  std::wstring DownloadFileURL;
  std::wstring ReadmeFileURL;
  std::wstring UpdatePageURL;
  std::wstring Version;
  std::wstring MD5Hash;
  std::wstring SHA1Hash;
  std::wstring SHA256Hash;
  // The release's signature; without a valid one nothing downloaded is started.
  std::wstring Signature;
  // The version of the running program: a release that is not newer is
  // never started, however well it is signed.
  std::wstring RunningVersion;
  TVKRAppUpdateFileSizeUnit FileSizeUnit = TVKRAppUpdateFileSizeUnit::Auto;
  THashType HashType = THashType::htNone;
  // Copies of the update component's: http as well as https (a test
  // server), where the download's folder is made, the time-out of a transfer.
  bool AllowPlainHttp = false;
  std::wstring UpdateRoot;
  int TimeoutSeconds = 30;

  // The font of the window, and that of the notes; the window takes the room they need.
  void SetBoxFonts(const TFont& Value, const TFont& Readme);

  // The size text of both update windows, in FileSizeUnit.
  std::wstring FormatFileSize(int64_t Bytes) const;

  // The notes area as lines: the text, or the one "Failed: " line of a failed fetch.
  void SetReadmeText(const std::wstring& Text);

  void OpenWebPageButtonClick(TObject* Sender);
  void DownloadButtonClick(TObject* Sender);

  // The name the download gets in its folder: the last segment of an https
  // source without query or fragment, when it is a plain file name.
  // Otherwise the invalid-source message and an empty name.
  std::wstring GetFileNameFromSource(const std::wstring& Source);
  // The announced size of the client's URL (HEAD); 4,194,304 when none is
  // announced or it does not fit. 0 after an error or an empty file, which
  // is said in words first.
  int32_t GetRemoteFileSize(THttpCli* HttpCli, THttpCli* SslHttpCli);

protected:
  // The form gave the notes its own font for the DPI: they take theirs back,
  // and the buttons the room the new font needs.
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  void SizeToContent();
};

// The size text of the update windows (quotients truncate, the user's
// thousands separator): Auto takes the largest unit the size exceeds.
std::wstring FormatUpdateFileSize(int64_t Bytes, TVKRAppUpdateFileSizeUnit Unit);

// The refusal of a validly signed release that is not newer than the running program.
std::wstring NotNewerReleaseText(const std::wstring& Release, const std::wstring& Running);

// The notify window while the update check shows it.
extern TVKRAppUpdateNotifyBox* VKRAppUpdateNotifyBox;

// A source name usable as a file name in the download folder: not empty, no
// "\", "/", ":", "..", no character a file name cannot hold, no device name.
bool IsSafeDownloadName(const std::wstring& Name);

// What the program starts, whatever a signature says: a program (".exe")
// or a Windows Installer package (".msi", through msiexec /i).
bool IsStartableInstaller(const std::wstring& FileName);
// The request that starts the installer Target from its folder.
struct TInstallerStart {
  std::wstring FileName;
  std::wstring Parameters;
  std::wstring Directory;
};
TInstallerStart InstallerStart(const std::wstring& Target);

// Opens the product page through the shell when it is a web URL; otherwise
// the invalid-source message. True when the shell was asked.
bool OpenUpdatePage(const std::wstring& URL);

// Closing the program for the installer: the main window closes as the user
// would close it, then the message loop ends. While a hook is alive (tests)
// the handler runs instead.
void CloseApplicationForUpdate();
class TCloseApplicationHook {
public:
  explicit TCloseApplicationHook(std::function<void()> Handler);
  ~TCloseApplicationHook();
  TCloseApplicationHook(const TCloseApplicationHook&) = delete;
  TCloseApplicationHook& operator=(const TCloseApplicationHook&) = delete;

private:
  std::function<void()> FPrevious;
};
