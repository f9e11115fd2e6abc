#pragma once
// What the update tests share: a record of the message boxes and shell
// requests the update makes (answered as a person would), and an answer to
// the notify window once the check shows it.

#include "framework/Dialogs.h"
#include "framework/ShellExecute.h"
#include "support/ModalAnswer.h"
#include "support/TempDir.h"
#include "update/UpdateSignature.h"
#include "update/VKRAppUpdateDownload.h"
#include "update/VKRAppUpdateNotify.h"

#include <functional>
#include <string>
#include <vector>

class TDialogLog {
public:
  TDialogLog();
  std::vector<std::wstring> Texts;
  std::vector<TMsgDlgType> Types;
  // The answer to a box with Yes and No.
  TModalResult ConfirmAnswer = mrNo;

private:
  TMessageDialogHook FHook;
};

class TShellLog {
public:
  TShellLog();
  std::vector<std::wstring> Files;
  std::vector<std::wstring> Parameters;   // empty where none were given
  std::vector<std::wstring> Directories;  // empty where none was given
  // Called with the file while the request is made (the installer still exists then).
  std::function<void(const std::wstring&)> OnRequest;

private:
  TShellExecuteHook FHook;
};

// Runs Answer once the notify window is up in its modal loop; Answer must end
// the loop (SetModalResult, or a click that does).
class TNotifyAnswer {
public:
  explicit TNotifyAnswer(std::function<void(TVKRAppUpdateNotifyBox&)> Answer);
  bool Answered() const { return FAnswer.Answered(); }

private:
  TModalAnswer FAnswer;
};

// Looks at the download window every 10 ms while it is shown, as a person
// watching it would (and may click its Cancel button).
class TDownloadWatch {
public:
  explicit TDownloadWatch(std::function<void(TVKRAppUpdateDownloadBox&)> Look);
  ~TDownloadWatch();
  TDownloadWatch(const TDownloadWatch&) = delete;
  TDownloadWatch& operator=(const TDownloadWatch&) = delete;
  int Looks() const { return FLooks; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::function<void(TVKRAppUpdateDownloadBox&)> FLook;
  UINT_PTR FTimer = 0;
  int FLooks = 0;
};

// A release key pair made by the platform for one test; a test trusts it
// with TTrustedReleaseKeysOverride.
class TTestReleaseKey {
public:
  TTestReleaseKey();
  ~TTestReleaseKey();
  TTestReleaseKey(const TTestReleaseKey&) = delete;
  TTestReleaseKey& operator=(const TTestReleaseKey&) = delete;
  // False when the platform could not make the key (the test then fails).
  bool Valid() const { return FPublic.size() == 64; }
  const TReleaseKey& Public() const { return FPublic; }
  // Base64 of the raw r || s over the SHA-256 of Statement.
  std::wstring Sign(const std::string& Statement) const;
  // The signature of a release whose file holds Content.
  std::wstring SignRelease(const std::wstring& Version, const std::wstring& FileName, const std::string& Content) const;

private:
  void* FKey = nullptr;  // BCRYPT_KEY_HANDLE
  TReleaseKey FPublic;
};

// An installer name no other test uses.
std::wstring UniqueInstallerName();

// A notify window as the check leaves it, ready for its Download button.
// Downloads go to folders under a private root, removed with it.
class TDownloadFixture {
public:
  TDownloadFixture();
  ~TDownloadFixture();
  TDownloadFixture(const TDownloadFixture&) = delete;
  TDownloadFixture& operator=(const TDownloadFixture&) = delete;
  // Runs the download; the program "closes" through the close hook.
  void Download() { Box.DownloadButtonClick(&Box); }
  // The one file the shell was asked to start, when it lies in a folder of
  // its own right under the root and is started from there; else empty.
  std::wstring Started() const;

  TTempDir Root;
  TVKRAppUpdateNotifyBox Box;
  std::wstring Name = UniqueInstallerName();
  TDialogLog Dialogs;
  TShellLog Shell;
  int Closes = 0;
  TCloseApplicationHook CloseHook{[this] { ++Closes; }};
};

std::wstring EncodeBase64(const std::vector<uint8_t>& Bytes);
// The lower-case SHA-256 hex of Content.
std::wstring Sha256Hex(const std::string& Content);
