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
#include "update/UpdateSignature.h"
#include "update/VKRAppUpdateDownload.h"
#include "update/VKRAppUpdateNotifyRes.h"

#include <shlobj.h>

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

std::wstring DownloadFolderOf(const std::wstring& LocalAppData, const std::wstring& Windows, const std::wstring& Temp) {
  std::vector<std::wstring> Candidates;
  if (!LocalAppData.empty()) {
    Candidates.push_back(IncludeTrailingPathDelimiter(LocalAppData) + L"Downloaded Installations\\");
    Candidates.push_back(IncludeTrailingPathDelimiter(LocalAppData) + L"Temp\\");
  }
  if (!Windows.empty()) Candidates.push_back(IncludeTrailingPathDelimiter(Windows) + L"Downloaded Installations\\");
  for (const std::wstring& Folder : Candidates)
    if (DirectoryExists(Folder)) return Folder;
  return IncludeTrailingPathDelimiter(ExcludeTrailingPathDelimiter(Temp));
}

std::wstring DownloadFolder() {
  wchar_t LocalAppData[MAX_PATH] = L"";
  if (!SHGetSpecialFolderPathW(nullptr, LocalAppData, CSIDL_LOCAL_APPDATA, FALSE)) LocalAppData[0] = L'\0';
  wchar_t Windows[MAX_PATH] = L"";
  if (GetWindowsDirectoryW(Windows, MAX_PATH) == 0) Windows[0] = L'\0';
  wchar_t Temp[MAX_PATH + 1] = L"";
  GetTempPathW(MAX_PATH + 1, Temp);
  return DownloadFolderOf(LocalAppData, Windows, Temp);
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
  if (ClassifySource(URL) != TSourceKind::skWebURL) {
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
  const TSourceKind Kind = ClassifySource(Source);
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
  } catch (const std::exception&) {
    return 0;
  }
  const int32_t Size = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(Client->ContentLength())));
  return Size < 0 ? 4194304 : Size;
}

bool TVKRAppUpdateNotifyBox::CopyFileWithProgress(const std::wstring& Source, const std::wstring& Destination) {
  TVKRAppUpdateDownloadBox& Box = *VKRAppUpdateDownloadBox;
  UniqueFile Input(CreateFileW(LongPathForm(Source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!Input) return false;
  UniqueFile Output(
      CreateFileW(Destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  Win32Check(Output.valid(), Destination);
  std::vector<char> Buffer(16384);
  int64_t Total = 0;
  bool Result = true;
  const auto CopyBlock = [&]() -> DWORD {
    DWORD Read = 0;
    if (!ReadFile(Input.get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr)) Read = 0;
    DWORD Written = 0;
    if (Read > 0) Win32Check(WriteFile(Output.get(), Buffer.data(), Read, &Written, nullptr) != FALSE, Destination);
    Total += Written;
    return Written;
  };
  DWORD Written = CopyBlock();
  while (Written > 0) {
    Application().ProcessMessages();
    Written = CopyBlock();
    if (!Box.CancelButton.Enabled()) {
      Result = false;
      break;
    }
    if (Box.ProgressBar1.Max() > 0) Box.ShowTransfer(Box.ProgressBar1.Position());
    Box.ProgressBar1.SetPosition(ClampToRange(Total));
  }
  Output.reset();
  if (!Box.CancelButton.Enabled()) DeleteFileW(Destination.c_str());
  return Result;
}

void TVKRAppUpdateNotifyBox::DownloadButtonClick(TObject*) {
  const HWND Owner = Application().MainForm() != nullptr ? Application().MainForm()->Handle() : nullptr;
  auto Box = std::make_unique<TVKRAppUpdateDownloadBox>(Owner);
  Box->SetBoxFont(Font());
  // This window has done its part; its modal loop ends when this handler
  // returns, and until then it keeps the program's other windows disabled.
  Close();
  Hide();
  bool Success = true;

  // The name is checked once: an unusable one makes the source invalid.
  const std::wstring FileName = GetFileNameFromSource(DownloadFileURL);
  const TSourceKind Kind = FileName.empty() ? TSourceKind::skInvalid : ClassifySource(DownloadFileURL);
  const std::wstring Target = DownloadFolder() + FileName;
  Box->FileLabel.SetText(FileName);
  Box->ProgressBar1.SetPosition(0);

  THttpCli* Client = nullptr;
  UniqueFile File;
  switch (Kind) {
    case TSourceKind::skWebURL: {
      const bool Secure = IsSecureSource(DownloadFileURL);
      Client = Secure ? &Box->SslHttpCli1 : &Box->HttpCli1;
      const THttpCli& Settings = Secure ? SslHttpCli1 : HttpCli1;
      Client->SetProxy(Settings.Proxy());
      Client->SetProxyPort(Settings.ProxyPort());
      Client->SetURL(DownloadFileURL);
      File.reset(CreateFileW(Target.c_str(), GENERIC_WRITE | GENERIC_READ, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
      Win32Check(File.valid(), Target);
      Client->SetRcvdStream(File.get());
      Box->ProgressBar1.SetMax(Secure ? GetRemoteFileSize(nullptr, Client) : GetRemoteFileSize(Client, nullptr));
      if (!Client->Proxy().empty())
        Box->StatusLabel.SetText(L"Downloading file using proxy server (" + Client->Proxy() + L":" +
                                 Client->ProxyPort() + L")");
      else
        Box->StatusLabel.SetText(L"Downloading file");
      break;
    }
    case TSourceKind::skUNCPath: {
      WIN32_FILE_ATTRIBUTE_DATA Data{};
      if (GetFileAttributesExW(LongPathForm(DownloadFileURL).c_str(), GetFileExInfoStandard, &Data))
        Box->ProgressBar1.SetMax(
            ClampToRange((static_cast<int64_t>(Data.nFileSizeHigh) << 32) | static_cast<int64_t>(Data.nFileSizeLow)));
      Box->StatusLabel.SetText(L"Downloading file");
      break;
    }
    case TSourceKind::skInvalid:
      Box->ProgressBar1.SetMax(0);
      break;
  }
  struct TDetach {
    THttpCli* Client;
    ~TDetach() {
      if (Client != nullptr) Client->SetRcvdStream(nullptr);
    }
  } Detach{Client};

  const int64_t Maximum = Box->ProgressBar1.Max();
  Box->ShowTransfer(0);
  Box->CancelButton.SetEnabled(true);
  // Nothing to fetch, or nothing announced: abandoned without a word.
  if (Maximum <= 0) return;

  Box->Timer1.SetEnabled(true);
  Box->StartTransferClock();
  Box->Show();

  if (Kind == TSourceKind::skWebURL) {
    try {
      Client->Get();
      LARGE_INTEGER Received{};
      GetFileSizeEx(File.get(), &Received);
      Box->ShowTransfer(Received.QuadPart);
      Box->ProgressBar1.SetPosition(ClampToRange(Received.QuadPart));
    } catch (const EHttpException& Error) {
      Box->StatusLabel.SetText(L"Failed: " + std::to_wstring(Error.ErrorCode()) + L" " + Error.ReasonPhrase());
      Success = false;
    }
    Client->SetRcvdStream(nullptr);
    File.reset();
  } else {
    Box->ShowTransfer(Box->ProgressBar1.Position());
    Success = CopyFileWithProgress(DownloadFileURL, Target);
  }

  if (Box->CancelButton.Enabled())
    Box->CancelButton.SetEnabled(false);
  else
    Success = false;
  Box->Timer1.SetEnabled(false);
  Box->ProgressBar1.SetPosition(static_cast<int>(Maximum));

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

  if (Success) {
    try {
      MessageDlg(L"The application will close to start the update.", TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
      Box->Hide();
      CloseApplicationForUpdate();
      TShellExecuteRequest Request;
      Request.Operation = L"open";
      Request.FileName = Target.c_str();
      Request.ShowCommand = SW_SHOWNORMAL;
      RunShellExecute(Request);
    } catch (...) {
      // The program is closing: a failure to start the installer has no one left to tell.
    }
  } else {
    DeleteFileW(Target.c_str());
  }
}
