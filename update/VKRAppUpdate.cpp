#include "update/VKRAppUpdate.h"

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "framework/LongCommand.h"
#include "update/UpdateErrors.h"
#include "update/UpdateFolder.h"
#include "update/VKRAppUpdateNotify.h"
#include "update/VKRHttpCli.h"

#include <shellapi.h>
#include <urlmon.h>

#include <algorithm>
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

enum class TFetchResult { frFetched, frFailed, frStopped };

// What the fetches of one check share: the window's clients, the rules for
// sources, the folder of the check, the long command it runs in.
struct TFetchContext {
  TVKRAppUpdateNotifyBox& Box;
  const TUpdateFolder& Folder;
  TLongCommand* Command;
  bool AllowPlainHttp;
  bool NetworkDescriptor;
};

std::wstring UpdateRootOrDefault(const std::wstring& Root) { return Root.empty() ? DefaultUpdateRoot() : Root; }

bool StopRequested(const TFetchContext& Context) {
  return Context.Command != nullptr && Context.Command->StopRequested();
}

void ShowFetchProgress(const TFetchContext& Context, const std::wstring& Item, int64_t Received, int64_t Total) {
  if (Context.Command == nullptr) return;
  Context.Command->SetItem(Item);
  // In kilobytes: the bar counts in 32-bit steps.
  Context.Command->SetProgress(static_cast<int>(std::min<int64_t>(Received, Total) / 1024),
                               static_cast<int>(Total / 1024));
  Context.Command->KeepResponsive();
}

// Fetches Source into the new file Name of the check's folder, refusing
// more than Limit bytes. Failed after an HTTP error (its "Failed: " line is
// in the notes area, its words in Failure when asked for), a body past the
// limit (its words in both), an invalid source or an unusable network source.
// Stopped when the long command was stopped. Other client errors go to the caller.
TFetchResult FetchSource(const TFetchContext& Context, const std::wstring& Source, bool Descriptor,
                         const std::wstring& Name, int64_t Limit, const std::wstring& Item,
                         std::wstring* Failure = nullptr) {
  TVKRAppUpdateNotifyBox& Box = Context.Box;
  const TSourceRules Rules{Descriptor && Context.NetworkDescriptor, Context.AllowPlainHttp};
  const auto Refuse = [&](const std::wstring& Words) {
    Box.SetReadmeText(Words);
    if (Failure != nullptr) *Failure = Words;
    return TFetchResult::frFailed;
  };
  switch (ClassifySource(Source, Rules)) {
    case TSourceKind::skUNCPath: {
      UniqueFile File = Context.Folder.CreateNewFile(Name);
      switch (CopySourceFile(Source, File.get(), Limit, [&](int64_t Copied) {
        ShowFetchProgress(Context, Item, Copied, Limit);
        return !StopRequested(Context);
      })) {
        case TCopyResult::crCopied:
          return TFetchResult::frFetched;
        case TCopyResult::crUnreadable:
          return TFetchResult::frFailed;
        case TCopyResult::crTooLarge:
          return Refuse(BodyTooLargeText(Limit, Source));
        case TCopyResult::crStopped:
          return TFetchResult::frStopped;
      }
      return TFetchResult::frFailed;
    }
    case TSourceKind::skInvalid:
      ShowInvalidSourceMessage(Source);
      return TFetchResult::frFailed;
    case TSourceKind::skWebURL:
      break;
  }
  THttpCli& Client = IsSecureSource(Source) ? Box.SslHttpCli1 : Box.HttpCli1;
  Client.SetURL(Source);
  Client.SetMaxBodyBytes(Limit);
  UniqueFile File = Context.Folder.CreateNewFile(Name);
  Client.SetRcvdStream(File.get());
  Client.OnDocData = [&](TObject*, int64_t Received) {
    ShowFetchProgress(Context, Item, Received, Client.ContentLength() > 0 ? Client.ContentLength() : Limit);
  };
  struct TDetach {
    THttpCli& Client;
    ~TDetach() {
      Client.SetRcvdStream(nullptr);
      Client.OnDocData = nullptr;
      Client.SetMaxBodyBytes(0);
    }
  } Detach{Client};
  if (Context.Command != nullptr) Context.Command->SetItem(Item);
  try {
    Client.Get();
  } catch (const EHttpBodyTooLarge& Error) {
    return Refuse(Error.Message());
  } catch (const EHttpException& Error) {
    if (Error.ErrorCode() == 0 && StopRequested(Context)) return TFetchResult::frStopped;
    Box.SetReadmeText(L"Failed: " + std::to_wstring(Error.ErrorCode()) + L" " + Error.ReasonPhrase());
    if (Failure != nullptr) *Failure = HttpStatusErrorText(Error.ErrorCode(), Error.ReasonPhrase(), Source);
    return TFetchResult::frFailed;
  }
  return TFetchResult::frFetched;
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

TSourceKind ClassifySource(const std::wstring& Source, const TSourceRules& Rules) {
  if (Source.rfind(L"\\\\", 0) == 0)
    return Rules.NetworkPath && IsNetworkSharePath(Source) ? TSourceKind::skUNCPath : TSourceKind::skInvalid;
  // The platform's check alone accepts any text under Wine.
  if (IsValidURL(nullptr, Source.c_str(), 0) != S_OK || !IsWebURLSyntax(Source)) return TSourceKind::skInvalid;
  return IsSecureSource(Source) || Rules.PlainHttp ? TSourceKind::skWebURL : TSourceKind::skInvalid;
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

TCopyResult CopySourceFile(const std::wstring& Source, HANDLE Output, int64_t Limit,
                           const std::function<bool(int64_t Copied)>& KeepGoing) {
  UniqueFile Input(CreateFileW(LongPathForm(Source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!Input) return TCopyResult::crUnreadable;
  std::vector<char> Buffer(16384);
  int64_t Total = 0;
  for (;;) {
    DWORD Read = 0;
    if (!ReadFile(Input.get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr))
      throw EOSError(GetLastError(), Source);
    if (Read == 0) break;
    // Counted before it is written: nothing past the limit is kept.
    if (Total + Read > Limit) return TCopyResult::crTooLarge;
    DWORD Written = 0;
    Win32Check(WriteFile(Output, Buffer.data(), Read, &Written, nullptr) != FALSE && Written == Read, Source);
    Total += Written;
    if (!KeepGoing(Total)) return TCopyResult::crStopped;
  }
  return Total > 0 ? TCopyResult::crCopied : TCopyResult::crUnreadable;
}

bool LoadTextFile(const std::wstring& FileName, std::wstring& Text) {
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return false;
  LARGE_INTEGER Size{};
  if (!GetFileSizeEx(File.get(), &Size) || Size.QuadPart > MaxNotesBytes) return false;
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
  Box->AllowPlainHttp = FAllowPlainHttp;
  Box->UpdateRoot = UpdateRootOrDefault(FUpdateRoot);
  Box->TimeoutSeconds = FTimeoutSeconds;
  for (THttpCli* Client : {&Box->HttpCli1, &Box->SslHttpCli1}) {
    Client->SetTimeoutSeconds(FTimeoutSeconds);
    if (FLongCommand == nullptr) continue;
    Client->SetStopFlag(FLongCommand->StopFlag());
    // The command's own dispatch: it shows its strip after a moment and takes Esc as Cancel.
    Client->OnWait = [Command = FLongCommand] {
      Command->KeepResponsive();
      Command->Respond();
    };
  }
  // Why the check could not learn of a version, in words; it takes the place
  // of the closing message.
  std::wstring Failure;

  if (!FUpdateFileURL.empty()) {
    // The descriptor and the notes arrive in a folder of the check's own, gone when the check ends.
    const TUpdateFolder Folder(Box->UpdateRoot);
    const TFetchContext Context{*Box, Folder, FLongCommand, FAllowPlainHttp, FDescriptorFromPolicy};
    const std::wstring Descriptor = Folder.Path() + L"descriptor.txt";
    const TFetchResult Fetched =
        FetchSource(Context, FUpdateFileURL, true, L"descriptor.txt", MaxDescriptorBytes,
                    L"Fetching the update information from " + ServerOfURL(FUpdateFileURL), &Failure);
    if (Fetched == TFetchResult::frStopped) return false;
    if (Fetched == TFetchResult::frFetched && !IsUpdateDescriptor(Descriptor) &&
        ClassifySource(FUpdateFileURL, {false, true}) == TSourceKind::skWebURL)
      Failure = NotADescriptorText(FUpdateFileURL);
    if (Fetched == TFetchResult::frFetched) {
      const TUpdateDescriptor Values = ReadUpdateDescriptor(Descriptor, AppSectionName());
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

    if (!Box->ReadmeFileURL.empty()) {
      const TFetchResult Notes =
          FetchSource(Context, Box->ReadmeFileURL, false, L"notes.txt", MaxNotesBytes,
                      L"Fetching the release notes from " + ServerOfURL(Box->ReadmeFileURL));
      if (Notes == TFetchResult::frStopped) return false;
      std::wstring Text;
      if (Notes == TFetchResult::frFetched && LoadTextFile(Folder.Path() + L"notes.txt", Text)) Box->SetReadmeText(Text);
    }
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
