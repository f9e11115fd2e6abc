#include "common/VKRAboutDialog.h"

#include "common/VKRAbout.h"
#include "common/VKRBreakApart.h"
#include "framework/Application.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace {

struct LocalMemoryTraits {
  using Type = wchar_t**;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type p) noexcept { LocalFree(p); }
};
using UniqueArgv = UniqueHandle<LocalMemoryTraits>;

std::wstring FindProgramFileName() {
  const std::wstring Exe = ApplicationExeName();
  if (!SameTextAZ(ExtractFileName(Exe), L"rundll32.exe")) return Exe;
  // rundll32 <library>,<entry> ...: the library is the program.
  int Count = 0;
  UniqueArgv Arguments(CommandLineToArgvW(GetCommandLineW(), &Count));
  if (!Arguments || Count < 2) return Exe;
  const std::wstring Library = Arguments.get()[1];
  return Library.substr(0, Library.find(L','));
}

std::wstring VersionValue(const std::vector<BYTE>& Block, const std::wstring& Translation, const wchar_t* Name) {
  void* Value = nullptr;
  UINT Length = 0;
  const std::wstring Query = L"\\StringFileInfo\\" + Translation + L"\\" + Name;
  if (!VerQueryValueW(Block.data(), Query.c_str(), &Value, &Length) || Value == nullptr || Length == 0) return {};
  const auto* Text = static_cast<const wchar_t*>(Value);
  // The length counts the closing null when there is one.
  std::wstring Result(Text, Length);
  const size_t End = Result.find(L'\0');
  if (End != std::wstring::npos) Result.resize(End);
  return Result;
}

// The program file's date of last change as yy.mm.dd; empty when unknown.
std::wstring FileDateBuildText(const std::wstring& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA Data{};
  FILETIME Local{};
  SYSTEMTIME Time{};
  if (!GetFileAttributesExW(FileName.c_str(), GetFileExInfoStandard, &Data) ||
      !FileTimeToLocalFileTime(&Data.ftLastWriteTime, &Local) || !FileTimeToSystemTime(&Local, &Time))
    return {};
  wchar_t Text[16];
  std::swprintf(Text, 16, L"%02u.%02u.%02u", Time.wYear % 100u, static_cast<unsigned>(Time.wMonth),
                static_cast<unsigned>(Time.wDay));
  return Text;
}

bool WindowsXPOrLater() {
  const TOSDescription OS = TOSDescription::FromSystem();
  return OS.Major > 5 || (OS.Major == 5 && OS.Minor >= 1);
}

}  // namespace

const std::wstring& AboutProgramFileName() {
  static const std::wstring FileName = FindProgramFileName();
  return FileName;
}

std::optional<TVKRVersionStrings> TVKRVersionStrings::FromFile(const std::wstring& FileName) {
  DWORD Ignored = 0;
  const DWORD Size = GetFileVersionInfoSizeW(FileName.c_str(), &Ignored);
  if (Size == 0) return std::nullopt;
  std::vector<BYTE> Block(Size);
  if (!GetFileVersionInfoW(FileName.c_str(), 0, Size, Block.data())) return std::nullopt;

  std::wstring Translation = L"040904B0";
  struct TTranslation {
    WORD Language;
    WORD CodePage;
  };
  void* Value = nullptr;
  UINT Length = 0;
  if (VerQueryValueW(Block.data(), L"\\VarFileInfo\\Translation", &Value, &Length) &&
      Length >= sizeof(TTranslation)) {
    const auto* First = static_cast<const TTranslation*>(Value);
    Translation = IntToHex(First->Language, 4) + IntToHex(First->CodePage, 4);
  }
  TVKRVersionStrings Strings;
  Strings.FileDescription = VersionValue(Block, Translation, L"FileDescription");
  Strings.FileVersion = VersionValue(Block, Translation, L"FileVersion");
  Strings.LegalCopyright = VersionValue(Block, Translation, L"LegalCopyright");
  Strings.CompanyName = VersionValue(Block, Translation, L"CompanyName");
  return Strings;
}

// ---- The component ------------------------------------------------------------------

TVKRAboutDialog::TVKRAboutDialog()
    : FOptions(TVKRAboutDialogOptions::FromBits(983)),
      FCopyright(L"Copyright (C) 2016 Brenlow"),
      FURL(L"http://"),
      FVersion(L"Version x.xx.xx"),
      FVersionInfo(TVKRVersionStrings::FromFile(AboutProgramFileName())) {
  FFont.SetName(L"Segoe UI");
  FFont.SetSize(9);
  FFont.SetColor(clInfoText);
  SetLangType(TLangType::ltEnglish);
}

TVKRAboutDialog::~TVKRAboutDialog() = default;

void TVKRAboutDialog::SetFont(const TFont& Value) {
  if (&Value != &FFont) FFont.Assign(Value);
}

void TVKRAboutDialog::SetIcon(HICON Value) {
  if (Value == FIcon.get()) return;
  FIcon.reset(Value != nullptr ? CopyIcon(Value) : nullptr);
}

void TVKRAboutDialog::SetLangType(TLangType Value) {
  FLangType = Value;
  TVKRAboutTexts Texts;
  if (TVKRAboutTexts::ForLanguage(Value, Texts)) AboutTexts() = Texts;
}

std::wstring TVKRAboutDialog::FormatFileVersion(const std::wstring& FileVersion) const {
  std::vector<std::wstring> Parts = TVKRBreakApart::Split(FileVersion, L".");
  if (Parts.size() != 4) return FileVersion;
  Parts.pop_back();
  if (FOptions.Contains(TVKRAboutDialogOption::opFormatVersionInfo))
    for (size_t i = 1; i <= 2; ++i)
      if (Parts[i].size() < 2) Parts[i] = L"0" + Parts[i];
  return TVKRBreakApart::Join(Parts, L".");
}

std::wstring TVKRAboutDialog::GetBuildNumber(const std::wstring& FileVersion) {
  const std::vector<std::wstring> Parts = TVKRBreakApart::Split(FileVersion, L".");
  return Parts.size() == 4 ? Parts[3] : L"0";
}

std::wstring TVKRAboutDialog::ExtractVersion(bool IncludeBuildNumber) {
  std::wstring Suffix;
  if (FOptions.Contains(TVKRAboutDialogOption::opEnableVersionInfo) && FVersionInfo) {
    FVersion = L"Version " + FormatFileVersion(FVersionInfo->FileVersion);
    if (FOptions.Contains(TVKRAboutDialogOption::opShowBuildNumber) && IncludeBuildNumber)
      Suffix = (FOptions.Contains(TVKRAboutDialogOption::opFormatVersionInfo) ? L"b" : L".") +
               GetBuildNumber(FVersionInfo->FileVersion);
  }
  const std::vector<std::wstring> Parts = TVKRBreakApart::Split(FVersion, L" ");
  if (Parts.size() < 2 || Parts[0] != L"Version") return {};
  return Parts[1] + Suffix;
}

std::unique_ptr<TVKRAboutBox> TVKRAboutDialog::CreateAboutBox() {
  using Option = TVKRAboutDialogOption;
  const TVKRAboutTexts& Texts = AboutTexts();
  auto Box = std::make_unique<TVKRAboutBox>();
  Box->ToolLogoImage.SetVisible(FOptions.Contains(Option::opShowToolLogo));
  Box->WindowsLogoImage.SetVisible(FOptions.Contains(Option::opShowWindowsLogo) && WindowsXPOrLater());

  std::wstring BuildText;
  if (FOptions.Contains(Option::opEnableVersionInfo) && FVersionInfo) {
    const std::wstring Name =
        !FVersionInfo->FileDescription.empty() ? FVersionInfo->FileDescription : Application().Title();
    Box->SetCaption(Texts.CaptionPrefix + L" " + Name);
    Box->ApplicationLabel.SetText(Name);
    FCopyright = FVersionInfo->LegalCopyright + L" " + FVersionInfo->CompanyName;
    FVersion = L"Version " + FormatFileVersion(FVersionInfo->FileVersion);
    BuildText = GetBuildNumber(FVersionInfo->FileVersion);
  } else {
    Box->SetCaption(Texts.CaptionPrefix + L" " + Application().Title());
    Box->ApplicationLabel.SetText(Application().Title());
  }

  Box->AuthorLabel.SetText(FAuthor);
  Box->CopyrightLabel.SetText(FCopyright);
  Box->EmailLabel.SetText(FEmail);
  Box->TextLabel.SetText(FText);
  Box->URLLabel.SetText(FURL);
  Box->VersionLabel.SetText(FVersion);
  Box->PhysicalMemoryLabel.SetText(Texts.MemoryLabel + L" :");

  Box->AuthorLabel.SetVisible(FOptions.Contains(Option::opShowAuthor));
  Box->EmailLabel.SetVisible(FOptions.Contains(Option::opShowEmail));
  Box->OSInfoLabel.SetVisible(FOptions.Contains(Option::opShowOSInfo));
  Box->TextLabel.SetVisible(FOptions.Contains(Option::opShowText));
  Box->URLLabel.SetVisible(FOptions.Contains(Option::opShowURL));

  Box->Font().Assign(FFont);
  Box->SetLinkFont(FFont);

  std::wstring VersionLine = FVersion;
  if (FOptions.Contains(Option::opShowBuildNumber)) {
    if (!FOptions.Contains(Option::opEnableVersionInfo)) BuildText = FileDateBuildText(AboutProgramFileName());
    if (FOptions.Contains(Option::opFormatVersionInfo))
      VersionLine += L" - " + Texts.BuildWord + L" " + BuildText;
    else
      VersionLine += L"." + BuildText;
  }
  if (FOptions.Contains(Option::opShowBuild64bit)) VersionLine += L" (64-bit)";
  Box->VersionLabel.SetText(VersionLine);

  // The program's icon is its first icon resource.
  Box->SetIcon(FIcon ? FIcon.get() : LoadIconW(Application().HInstance(), MAKEINTRESOURCEW(1)));
  Box->SizeToContent();
  return Box;
}

bool TVKRAboutDialog::Execute() {
  std::unique_ptr<TVKRAboutBox> Box = CreateAboutBox();
  if (OnBeforeShow) OnBeforeShow(*Box);
  return Box->ShowModal() == mrOk;
}
