#include "update/VKRAppUpdate.h"

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "update/UpdateErrors.h"
#include "update/VKRAppUpdateNotify.h"
#include "update/VKRHttpCli.h"

#include <shellapi.h>
#include <urlmon.h>

#include <memory>
#include <vector>

namespace {

std::wstring& SectionName() {
  static std::wstring Name;
  return Name;
}

std::wstring CutAtFirstDot(const std::wstring& Name) { return Name.substr(0, Name.find(L'.')); }

std::wstring ComputeAppSectionName() {
  int Count = 0;
  std::unique_ptr<LPWSTR, decltype(&LocalFree)> Arguments(CommandLineToArgvW(GetCommandLineW(), &Count), &LocalFree);
  // Hosted by rundll32, the program is the DLL named by the first argument.
  if (Arguments && Count > 0 && ExtractFileName(Arguments.get()[0]) == L"rundll32.exe") {
    if (Count < 2) return {};
    const std::wstring Target = Arguments.get()[1];
    return CutAtFirstDot(ExtractFileName(Target.substr(0, Target.find(L','))));
  }
  return CutAtFirstDot(ExtractFileName(ApplicationExeName()));
}

// A profile value of any length up to a megabyte of characters: a longer one
// cannot be a real address or digest and reads as empty.
std::wstring ReadProfileText(const std::wstring& FileName, const std::wstring& Section, const wchar_t* Key) {
  constexpr DWORD MaxLength = 1 << 20;
  for (DWORD Size = 1024; Size <= MaxLength; Size *= 4) {
    std::wstring Value(Size, L'\0');
    const DWORD Length =
        GetPrivateProfileStringW(Section.c_str(), Key, L"", Value.data(), Size, FileName.c_str());
    if (Length < Size - 1) {
      Value.resize(Length);
      return Value;
    }
  }
  return {};
}

// A temporary file of the check, deleted whatever ends the check.
class TTempFile {
public:
  TTempFile() {
    wchar_t Folder[MAX_PATH + 1] = L"";
    wchar_t Name[MAX_PATH + 1] = L"";
    Win32Check(GetTempPathW(MAX_PATH + 1, Folder) != 0, L"Temporary folder");
    Win32Check(GetTempFileNameW(Folder, L"AU", 0, Name) != 0, L"Temporary file");
    FName = Name;
  }
  ~TTempFile() { DeleteFileW(FName.c_str()); }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::wstring& Name() const { return FName; }

private:
  std::wstring FName;
};

// Fetches Source into FileName with the window's clients; false after an
// HTTP error (its "Failed: " line is in the notes area, its words in
// HttpError when asked for), an invalid source or an unusable UNC source.
// Other client errors go to the caller.
bool FetchSource(TVKRAppUpdateNotifyBox& Box, const std::wstring& Source, const std::wstring& FileName,
                 std::wstring* HttpError = nullptr) {
  switch (ClassifySource(Source)) {
    case TSourceKind::skUNCPath:
      return CopySourceFile(Source, FileName);
    case TSourceKind::skInvalid:
      ShowInvalidSourceMessage(Source);
      return false;
    case TSourceKind::skWebURL:
      break;
  }
  THttpCli& Client = IsSecureSource(Source) ? Box.SslHttpCli1 : Box.HttpCli1;
  Client.SetURL(Source);
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  Win32Check(File.valid(), FileName);
  Client.SetRcvdStream(File.get());
  struct TDetach {
    THttpCli& Client;
    ~TDetach() { Client.SetRcvdStream(nullptr); }
  } Detach{Client};
  try {
    Client.Get();
  } catch (const EHttpException& Error) {
    Box.SetReadmeText(L"Failed: " + std::to_wstring(Error.ErrorCode()) + L" " + Error.ReasonPhrase());
    if (HttpError != nullptr) *HttpError = HttpStatusErrorText(Error.ErrorCode(), Error.ReasonPhrase(), Source);
    return false;
  }
  return true;
}

}  // namespace

const std::wstring& AppSectionName() { return SectionName(); }

TVKRAppUpdate::TVKRAppUpdate() {
  const TColor TooltipText = clSystemColor | COLOR_INFOTEXT;
  FFont.SetName(L"Segoe UI");
  FFont.SetSize(9);
  FFont.SetColor(TooltipText);
  FFontReadme.SetName(L"Calibri");
  FFontReadme.SetSize(9);
  FFontReadme.SetColor(TooltipText);
  SectionName() = ComputeAppSectionName();
}

void TVKRAppUpdate::SetFont(const TFont& Value) {
  if (&Value != &FFont) FFont.Assign(Value);
}

void TVKRAppUpdate::SetFontReadme(const TFont& Value) {
  if (&Value != &FFontReadme) FFontReadme.Assign(Value);
}

TSourceKind ClassifySource(const std::wstring& Source) {
  if (Source.rfind(L"\\\\", 0) == 0) return TSourceKind::skUNCPath;
  // The platform's check alone accepts any text under Wine.
  if (IsValidURL(nullptr, Source.c_str(), 0) == S_OK && IsWebURLSyntax(Source)) return TSourceKind::skWebURL;
  return TSourceKind::skInvalid;
}

bool IsSecureSource(const std::wstring& Source) { return LowerCaseAZ(Source).rfind(L"https", 0) == 0; }

std::wstring InvalidSourceMessage(const std::wstring& Source) { return L"\"" + Source + L"\" is an invalid source."; }

void ShowInvalidSourceMessage(const std::wstring& Source) {
  MessageDlg(InvalidSourceMessage(Source), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

std::wstring NoNewVersionsText(const std::wstring& Advertised, TVersionOrder Order) {
  const std::wstring Text = L"There are no new versions available.";
  if (Order != TVersionOrder::voNotANumber || Advertised.empty()) return Text;
  // A descriptor may hold a megabyte there: enough of it to recognise.
  constexpr size_t Shown = 40;
  const std::wstring Name = Advertised.size() > Shown ? Advertised.substr(0, Shown) + L"..." : Advertised;
  return Text + L"\r\n\r\nThe update server names the version \"" + Name + L"\", which is not a version number.";
}

TUpdateDescriptor ReadUpdateDescriptor(const std::wstring& FileName, const std::wstring& Section) {
  TUpdateDescriptor Result;
  struct TKey {
    const wchar_t* Name;
    std::wstring TUpdateDescriptor::*Field;
  };
  const TKey Keys[] = {
      {L"DownloadFileURL", &TUpdateDescriptor::DownloadFileURL}, {L"ReadmeFileURL", &TUpdateDescriptor::ReadmeFileURL},
      {L"UpdatePageURL", &TUpdateDescriptor::UpdatePageURL},     {L"MD5Hash", &TUpdateDescriptor::MD5Hash},
      {L"SHA1Hash", &TUpdateDescriptor::SHA1Hash},               {L"SHA256Hash", &TUpdateDescriptor::SHA256Hash},
      {L"Signature", &TUpdateDescriptor::Signature},
  };
  // This is a 64-bit program: the "64" keys first, the plain ones for what they leave empty.
  for (const TKey& Key : Keys)
    Result.*Key.Field = ReadProfileText(FileName, Section, (std::wstring(Key.Name) + L"64").c_str());
  for (const TKey& Key : Keys)
    if ((Result.*Key.Field).empty()) Result.*Key.Field = ReadProfileText(FileName, Section, Key.Name);
  Result.Version = ReadProfileText(FileName, Section, L"Version");
  return Result;
}

bool IsUpdateDescriptor(const std::wstring& FileName) {
  wchar_t Names[256] = L"";
  return GetPrivateProfileSectionNamesW(Names, 256, FileName.c_str()) > 0 && Names[0] != L'\0';
}

bool CopySourceFile(const std::wstring& Source, const std::wstring& Destination) {
  UniqueFile Input(CreateFileW(LongPathForm(Source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!Input) return false;
  UniqueFile Output(CreateFileW(Destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  Win32Check(Output.valid(), Destination);
  std::vector<char> Buffer(16384);
  int64_t Total = 0;
  for (bool First = true;; First = false) {
    if (!First) Application().ProcessMessages();
    DWORD Read = 0;
    if (!ReadFile(Input.get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr)) Read = 0;
    DWORD Written = 0;
    if (Read > 0) Win32Check(WriteFile(Output.get(), Buffer.data(), Read, &Written, nullptr) != FALSE, Destination);
    if (Written == 0) break;
    Total += Written;
  }
  return Total > 0;
}

bool LoadTextFile(const std::wstring& FileName, std::wstring& Text) {
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return false;
  LARGE_INTEGER Size{};
  if (!GetFileSizeEx(File.get(), &Size) || Size.QuadPart > (64 << 20)) return false;
  std::string Bytes(static_cast<size_t>(Size.QuadPart), '\0');
  DWORD Read = 0;
  if (!Bytes.empty() && (!ReadFile(File.get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &Read, nullptr) ||
                         Read != Bytes.size()))
    return false;
  if (Bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
    Text = Utf8ToWide(std::string_view(Bytes).substr(3));
  } else if (Bytes.rfind("\xFF\xFE", 0) == 0) {
    Text.assign(reinterpret_cast<const wchar_t*>(Bytes.data() + 2), (Bytes.size() - 2) / 2);
  } else if (Bytes.rfind("\xFE\xFF", 0) == 0) {
    Text.clear();
    for (size_t i = 2; i + 1 < Bytes.size(); i += 2)
      Text += static_cast<wchar_t>((static_cast<unsigned char>(Bytes[i]) << 8) | static_cast<unsigned char>(Bytes[i + 1]));
  } else {
    Text = AnsiToWide(Bytes);
  }
  return true;
}

bool TVKRAppUpdate::Execute(bool NoMessageDlg) {
  auto Box = std::make_unique<TVKRAppUpdateNotifyBox>();
  VKRAppUpdateNotifyBox = Box.get();
  struct TForget {
    ~TForget() { VKRAppUpdateNotifyBox = nullptr; }
  } Forget;
  Box->SetBoxFonts(FFont, FFontReadme);
  for (THttpCli* Client : {&Box->HttpCli1, &Box->SslHttpCli1}) {
    Client->SetProxy(FProxyAddress);
    Client->SetProxyPort(FProxyPort);
  }
  Box->FileSizeUnit = FFileSizeUnit;
  Box->HashType = FHashType;
  bool Success = true;
  // Why the check could not learn of a version, in words; it takes the place
  // of the closing message.
  std::wstring Failure;

  if (!FUpdateFileURL.empty()) {
    TTempFile Descriptor;
    Success = FetchSource(*Box, FUpdateFileURL, Descriptor.Name(), &Failure);
    if (Success && FileExists(Descriptor.Name()) && !IsUpdateDescriptor(Descriptor.Name()) &&
        ClassifySource(FUpdateFileURL) == TSourceKind::skWebURL)
      Failure = NotADescriptorText(FUpdateFileURL);
    if (Success && FileExists(Descriptor.Name())) {
      const TUpdateDescriptor Values = ReadUpdateDescriptor(Descriptor.Name(), AppSectionName());
      Box->DownloadFileURL = Values.DownloadFileURL;
      Box->ReadmeFileURL = Values.ReadmeFileURL;
      Box->UpdatePageURL = Values.UpdatePageURL;
      Box->MD5Hash = Values.MD5Hash;
      Box->SHA1Hash = Values.SHA1Hash;
      Box->SHA256Hash = Values.SHA256Hash;
      Box->Signature = Values.Signature;
      Box->Version = Values.Version;
    }
    if (Box->UpdatePageURL.empty()) Box->UpdatePageURL = FUpdatePageURL;
  }

  if (!Box->ReadmeFileURL.empty()) {
    TTempFile Notes;
    Success = FetchSource(*Box, Box->ReadmeFileURL, Notes.Name());
    std::wstring Text;
    if (Success && LoadTextFile(Notes.Name(), Text)) Box->SetReadmeText(Text);
  }

  Box->DownloadButton.SetEnabled(!Box->DownloadFileURL.empty());
  Box->RunningVersion = FVersion;

  const TVersionOrder Order = CompareVersions(FVersion, Box->Version);
  if (Order == TVersionOrder::voNewer) {
    // The window waits for the user: it shows the ordinary cursor even when
    // the host shows an hourglass while the check runs.
    const TCursor Cursor = ScreenCursor();
    SetScreenCursor(TCursor::crDefault);
    struct TRestore {
      TCursor Cursor;
      ~TRestore() { SetScreenCursor(Cursor); }
    } Restore{Cursor};
    Box->ShowModal();
    return true;
  }

  if (!NoMessageDlg) {
    if (!Failure.empty() && Box->UpdatePageURL.empty()) {
      MessageDlg(Failure, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    } else if (!Failure.empty()) {
      // The product page may still tell of a new version.
      if (MessageDlg(Failure + L"\r\n\r\nDo you want to open the update web page?", TMsgDlgType::mtConfirmation,
                     {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) == mrYes)
        OpenUpdatePage(Box->UpdatePageURL);
    } else if (!Box->Version.empty() || Box->UpdatePageURL.empty()) {
      MessageDlg(NoNewVersionsText(Box->Version, Order), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
    } else if (MessageDlg(L"There are no advertised versions available.\rDo you want to open the update web page?",
                          TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) == mrYes) {
      OpenUpdatePage(Box->UpdatePageURL);
    }
  }
  return false;
}
