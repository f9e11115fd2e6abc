#include "update/VKRAppUpdateNotify.h"

#include "common/VKRCommonUnit.h"
#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Dpi.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/ShellExecute.h"
#include "framework/Text.h"
#include "update/UpdateDigest.h"
#include "update/UpdateErrors.h"
#include "update/UpdateFolder.h"
#include "update/UpdateSignature.h"
#include "update/VKRAppUpdateDownload.h"
#include "update/VKRAppUpdateNotifyRes.h"


#include <algorithm>
#include <memory>
#include <vector>

TVKRAppUpdateNotifyBox* VKRAppUpdateNotifyBox = nullptr;

namespace {

std::function<void()>& CloseApplicationHandler() {
  static std::function<void()> Handler;
  return Handler;
}

const wchar_t* const DeviceNames[] = {L"con",  L"prn",  L"aux",  L"nul",  L"com0", L"com1",   L"com2",   L"com3",
                                      L"com4", L"com5", L"com6", L"com7", L"com8", L"com9",   L"lpt0",   L"lpt1",
                                      L"lpt2", L"lpt3", L"lpt4", L"lpt5", L"lpt6", L"lpt7",   L"lpt8",   L"lpt9",
                                      L"conin$", L"conout$", L"clock$"};

// The name the source gives, before any check: the last path segment.
std::wstring LastSegment(const std::wstring& Source, TSourceKind Kind) {
  if (Kind == TSourceKind::skUNCPath) return ExtractFileName(Source);
  const std::wstring Path = Source.substr(0, Source.find_first_of(L"?#"));
  const size_t SchemeEnd = Path.find(L"://");
  const size_t Slash = Path.rfind(L'/');
  if (Slash == std::wstring::npos || (SchemeEnd != std::wstring::npos && Slash < SchemeEnd + 3)) return {};
  return Path.substr(Slash + 1);
}

void SetStatusText(const std::wstring& Text) {
  if (VKRAppUpdateDownloadBox != nullptr) VKRAppUpdateDownloadBox->StatusLabel.SetText(Text);
}

int32_t ClampToRange(int64_t Value) { return static_cast<int32_t>(std::min<int64_t>(Value, INT32_MAX)); }

}  // namespace

std::wstring FormatUpdateFileSize(int64_t Bytes, TVKRAppUpdateFileSizeUnit Unit) {
  // The update windows' units follow the common formatter's, in the same order.
  return FormatFileSize(Bytes, static_cast<TSizeUnit>(Unit));
}

std::wstring NotNewerReleaseText(const std::wstring& Release, const std::wstring& Running) {
  return L"The downloaded file is version " + Release + L", which is not newer than this Marrowby (" + Running +
         L"). An older version is never installed over a newer one.";
}

bool IsSafeDownloadName(const std::wstring& Name) {
  if (Name.empty() || Name.size() > 200 || Name.find(L"..") != std::wstring::npos) return false;
  for (const wchar_t C : Name)
    if (C < L' ' || std::wstring_view(L"\\/:*?\"<>|").find(C) != std::wstring_view::npos) return false;
  // The system drops trailing dots and blanks: the file would get another name.
  if (Name.back() == L'.' || Name.back() == L' ') return false;
  const std::wstring Base = LowerCaseAZ(Name.substr(0, Name.find(L'.')));
  for (const wchar_t* Device : DeviceNames)
    if (Base == Device) return false;
  return true;
}

bool IsStartableInstaller(const std::wstring& FileName) {
  const std::wstring Extension = LowerCaseAZ(ExtractFileExt(FileName));
  return Extension == L".exe" || Extension == L".msi";
}

TInstallerStart InstallerStart(const std::wstring& Target) {
  TInstallerStart Start;
  Start.Directory = ExtractFilePath(Target);
  if (LowerCaseAZ(ExtractFileExt(Target)) == L".msi") {
    wchar_t System[MAX_PATH] = L"";
    Win32Check(GetSystemDirectoryW(System, MAX_PATH) != 0, L"System folder");
    Start.FileName = JoinPath(System, L"msiexec.exe");
    Start.Parameters = L"/i \"" + Target + L"\"";
  } else {
    Start.FileName = Target;
  }
  return Start;
}

void CloseApplicationForUpdate() {
  if (CloseApplicationHandler()) {
    CloseApplicationHandler()();
    return;
  }
  if (Application().MainForm() != nullptr) Application().MainForm()->Close();
  Application().ProcessMessages();
  Application().Terminate();
}

TCloseApplicationHook::TCloseApplicationHook(std::function<void()> Handler)
    : FPrevious(std::move(CloseApplicationHandler())) {
  CloseApplicationHandler() = std::move(Handler);
}

TCloseApplicationHook::~TCloseApplicationHook() { CloseApplicationHandler() = std::move(FPrevious); }

bool OpenUpdatePage(const std::wstring& URL) {
  // The page address may come from the descriptor: only a web page is handed
  // to the shell, never a program or a document on this machine.
  if (ClassifySource(URL, {false, true}) != TSourceKind::skWebURL) {
    ShowInvalidSourceMessage(URL);
    return false;
  }
  TShellExecuteRequest Request;
  Request.Operation = L"open";
  Request.FileName = URL.c_str();
  Request.ShowCommand = SW_SHOWNORMAL;
  RunShellExecute(Request);
  return true;
}

// ---- The window ------------------------------------------------------------------

TVKRAppUpdateNotifyBox::TVKRAppUpdateNotifyBox() : TForm(L"TVKRAppUpdateNotifyBox", TCloseAction::caHide) {
  CreateDialogHandle(IDD_APPUPDATENOTIFY, nullptr);
  AttachControl(ReadmeMemo, IDC_README);
  // The notes have no label before them for a screen reader to name them by.
  SetAccessibleName(ReadmeMemo.Handle(), L"Release notes");
  AttachControl(DownloadButton, IDC_DOWNLOAD);
  AttachControl(OpenWebPageButton, IDC_OPENWEBPAGE);
  AttachControl(OKButton, IDOK);
  // OK is both the default and the cancel button: either way the result is OK.
  OKButton.ModalResult = mrOk;
  BindCommand(IDCANCEL, [this] { SetModalResult(mrOk); });
  DownloadButton.OnClick = [this](TObject* Sender) { DownloadButtonClick(Sender); };
  OpenWebPageButton.OnClick = [this](TObject* Sender) { OpenWebPageButtonClick(Sender); };
  SetPosition(TPosition::poScreenCenter);
  SizeToContent();
}

TVKRAppUpdateNotifyBox::~TVKRAppUpdateNotifyBox() {
  if (VKRAppUpdateNotifyBox == this) VKRAppUpdateNotifyBox = nullptr;
}

void TVKRAppUpdateNotifyBox::DpiChanged(int, int NewDpi) {
  ReadmeFont.SetPixelsPerInch(NewDpi);
  ReadmeMemo.SetFont(ReadmeFont.Handle());
  SizeToContent();
}

void TVKRAppUpdateNotifyBox::SetBoxFonts(const TFont& Value, const TFont& Readme) {
  Font().Assign(Value);
  ReadmeFont.Assign(Readme);
  ReadmeMemo.SetFont(ReadmeFont.Handle());
  SizeToContent();
}

void TVKRAppUpdateNotifyBox::SizeToContent() {
  const int Edge = ScaleForDpi(10, PixelsPerInch());
  const int Gap = ScaleForDpi(8, PixelsPerInch());
  const int MemoWidth = ScaleForDpi(461, PixelsPerInch());
  const int MemoHeight = ScaleForDpi(257, PixelsPerInch());
  ReadmeMemo.SetBounds(Edge, Edge, MemoWidth, MemoHeight);
  const HFONT Font = this->Font().Handle();
  const int ButtonH = ScaleForDpi(25, PixelsPerInch());
  const auto ButtonWidth = [&](const TButton& Button) {
    return std::max(ScaleForDpi(75, PixelsPerInch()), static_cast<int>(TextExtent(Handle(), Font, Button.Text()).cx) + ScaleForDpi(20, PixelsPerInch()));
  };
  const int Top = Edge + MemoHeight + Gap;
  const int DownloadW = ButtonWidth(DownloadButton);
  DownloadButton.SetBounds(Edge, Top, DownloadW, ButtonH);
  OpenWebPageButton.SetBounds(Edge + DownloadW + Gap, Top, ButtonWidth(OpenWebPageButton), ButtonH);
  const int OKW = ButtonWidth(OKButton);
  OKButton.SetBounds(Edge + MemoWidth - OKW, Top, OKW, ButtonH);
  SetClientSize(Edge + MemoWidth + Edge, Top + ButtonH + Edge);
}

std::wstring TVKRAppUpdateNotifyBox::FormatFileSize(int64_t Bytes) const {
  return FormatUpdateFileSize(Bytes, FileSizeUnit);
}

void TVKRAppUpdateNotifyBox::SetReadmeText(const std::wstring& Text) {
  // The edit control breaks lines at CR LF only.
  std::wstring Lines;
  Lines.reserve(Text.size() + Text.size() / 16);
  for (size_t i = 0; i < Text.size(); ++i) {
    const wchar_t C = Text[i];
    if (C == L'\r') {
      Lines += L"\r\n";
      if (i + 1 < Text.size() && Text[i + 1] == L'\n') ++i;
    } else if (C == L'\n') {
      Lines += L"\r\n";
    } else {
      Lines += C == L'\0' ? L' ' : C;
    }
  }
  ReadmeMemo.SetText(Lines);
}

void TVKRAppUpdateNotifyBox::OpenWebPageButtonClick(TObject*) { OpenUpdatePage(UpdatePageURL); }

std::wstring TVKRAppUpdateNotifyBox::GetFileNameFromSource(const std::wstring& Source) {
  const TSourceKind Kind = ClassifySource(Source, {false, AllowPlainHttp});
  if (Kind != TSourceKind::skInvalid) {
    std::wstring Name = LastSegment(Source, Kind);
    if (IsSafeDownloadName(Name)) return Name;
  }
  ShowInvalidSourceMessage(Source);
  return {};
}

int32_t TVKRAppUpdateNotifyBox::GetRemoteFileSize(THttpCli* HttpCli, THttpCli* SslHttpCli) {
  SetStatusText(L"Getting file information");
  THttpCli* Client = HttpCli != nullptr ? HttpCli : SslHttpCli;
  if (Client == nullptr) return 0;
  try {
    Client->Head();
  } catch (const EHttpException& Error) {
    MessageDlg(DownloadStatusErrorText(Error.ErrorCode(), Error.ReasonPhrase(), Client->URL()), TMsgDlgType::mtError,
               {TMsgDlgBtn::mbOK});
    return 0;
  } catch (const Exception& Error) {
    MessageDlg(Error.Message(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    return 0;
  }
  if (Client->ContentLength() == 0) {
    MessageDlg(EmptyDownloadText(Client->URL()), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    return 0;
  }
  const int32_t Size = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(Client->ContentLength())));
  return Size < 0 ? 4194304 : Size;
}

void TVKRAppUpdateNotifyBox::DownloadButtonClick(TObject*) {
  const HWND Owner = Application().MainForm() != nullptr ? Application().MainForm()->Handle() : nullptr;
  auto Box = std::make_unique<TVKRAppUpdateDownloadBox>(Owner);
  Box->SetBoxFont(Font());
  // This window has done its part; its modal loop ends when this handler
  // returns, and until then it keeps the program's other windows disabled.
  Close();
  Hide();

  // The name is checked once: an unusable one makes the source invalid.
  const std::wstring FileName = GetFileNameFromSource(DownloadFileURL);
  if (FileName.empty()) return;
  // Whatever a signature says, only an installer is ever started.
  if (!IsStartableInstaller(FileName)) {
    MessageDlg(NotAnInstallerText(FileName), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    return;
  }
  Box->FileLabel.SetText(FileName);
  Box->ProgressBar1.SetPosition(0);

  const bool Secure = IsSecureSource(DownloadFileURL);
  THttpCli& Client = Secure ? Box->SslHttpCli1 : Box->HttpCli1;
  const THttpCli& Settings = Secure ? SslHttpCli1 : HttpCli1;
  Client.SetProxy(Settings.Proxy());
  Client.SetProxyPort(Settings.ProxyPort());
  Client.SetTimeoutSeconds(TimeoutSeconds);
  Client.SetURL(DownloadFileURL);
  // The size comes first: nothing is written before the server has answered for the file.
  const int32_t Maximum = Secure ? GetRemoteFileSize(nullptr, &Client) : GetRemoteFileSize(&Client, nullptr);
  if (Maximum <= 0) return;
  Box->ProgressBar1.SetMax(Maximum);
  if (!Client.Proxy().empty())
    Box->StatusLabel.SetText(L"Downloading file using proxy server (" + Client.Proxy() + L":" + Client.ProxyPort() +
                             L")");
  else
    Box->StatusLabel.SetText(L"Downloading file");
  Box->ShowTransfer(0);
  Box->CancelButton.SetEnabled(true);

  // A new folder of this download's own, and in it a new file: nothing that
  // exists is written over. The folder goes with the file unless the
  // installer is started from it.
  TUpdateFolder Folder(UpdateRoot);
  const std::wstring Target = Folder.Path() + FileName;
  UniqueFile File = Folder.CreateNewFile(FileName);
  Client.SetRcvdStream(File.get());
  struct TDetach {
    THttpCli& Client;
    ~TDetach() { Client.SetRcvdStream(nullptr); }
  } Detach{Client};

  Box->Timer1.SetEnabled(true);
  Box->StartTransferClock();
  Box->Show();

  bool Success = true;
  try {
    Client.Get();
    LARGE_INTEGER Received{};
    GetFileSizeEx(File.get(), &Received);
    Box->ShowTransfer(Received.QuadPart);
    Box->ProgressBar1.SetPosition(ClampToRange(Received.QuadPart));
  } catch (const EHttpException& Error) {
    Box->StatusLabel.SetText(L"Failed: " + std::to_wstring(Error.ErrorCode()) + L" " + Error.ReasonPhrase());
    Success = false;
    // A cancel has said so already.
    if (Box->CancelButton.Enabled())
      MessageDlg(DownloadStatusErrorText(Error.ErrorCode(), Error.ReasonPhrase(), DownloadFileURL),
                 TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
  } catch (const Exception& Error) {
    // Time-out, a lost connection, a redirection away from https, a write that failed.
    Box->StatusLabel.SetText(L"Failed");
    Success = false;
    MessageDlg(Error.Message(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
  }
  Client.SetRcvdStream(nullptr);
  File.reset();

  if (Box->CancelButton.Enabled())
    Box->CancelButton.SetEnabled(false);
  else
    Success = false;
  Box->Timer1.SetEnabled(false);
  Box->ProgressBar1.SetPosition(Maximum);

  if (Success && HashType != THashType::htNone) {
    const std::wstring& Expected = HashType == THashType::htMD5    ? MD5Hash
                                   : HashType == THashType::htSHA1 ? SHA1Hash
                                                                   : SHA256Hash;
    // A digest that is wanted but missing never matches: the file is not started.
    Success = !Expected.empty() && FileDigest(Target, HashType) == LowerCaseAZ(Expected);
    if (!Success) MessageDlg(L"The downloaded file is corrupted.", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
  }

  // The program runs as administrator: only an installer signed with a key
  // built into it is started, whatever the server says. The file stays open,
  // shared for reading only, until it has been started: what was verified
  // is what starts.
  UniqueFile Installer;
  if (Success) {
    Installer.reset(CreateFileW(Target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    Success = Installer.valid() && IsSignedRelease(Installer.get(), Version, FileName, Signature);
    if (!Success) {
      Installer.reset();
      MessageDlg(L"The downloaded file is not signed by Brenlow.", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    } else if (!IsNewerVersion(RunningVersion, Version)) {
      // Signed, but an older or the same release: installing it would take
      // back the fixes of the running one.
      Success = false;
      Installer.reset();
      MessageDlg(NotNewerReleaseText(Version, RunningVersion), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    }
  }
  if (!Success) return;

  // The installer runs from its folder after the program has closed; the next start removes it.
  Folder.Keep();
  try {
    MessageDlg(L"The application will close to start the update.", TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
    Box->Hide();
    CloseApplicationForUpdate();
    const TInstallerStart Start = InstallerStart(Target);
    TShellExecuteRequest Request;
    Request.Operation = L"open";
    Request.FileName = Start.FileName.c_str();
    Request.Parameters = Start.Parameters.empty() ? nullptr : Start.Parameters.c_str();
    Request.Directory = Start.Directory.c_str();
    Request.ShowCommand = SW_SHOWNORMAL;
    RunShellExecute(Request);
  } catch (...) {
    // The program is closing: a failure to start the installer has no one left to tell.
  }
}
