#include "common/VKRAbout.h"

#include "common/VKRAboutDialog.h"
#include "common/VKRAboutRes.h"
#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/FormatSettings.h"
#include "framework/ShellExecute.h"
#include "framework/Text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Where the two logos lead.
const wchar_t* const WindowsSite = L"https://www.microsoft.com/windows";
const wchar_t* const ToolSite = L"https://www.mingw-w64.org/";
const wchar_t* const ToolName = L"Built with MinGW-w64";
const wchar_t* const WindowsLogoHint = L"Designed for Microsoft Windows";

constexpr int Border = 10;
constexpr int IconSize = 40;
constexpr int Spacing = 8;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);

OSVERSIONINFOEXW RealVersion() {
  // GetVersionEx answers with the version the program is made compatible with.
  OSVERSIONINFOEXW Info{};
  Info.dwOSVersionInfoSize = sizeof(Info);
  const HMODULE Ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto Get = Ntdll != nullptr
                       ? reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(Ntdll, "RtlGetVersion")))
                       : nullptr;
  if (Get != nullptr) Get(&Info);
  return Info;
}

// The build as the registry of Windows 8 and later reports it; 0 when it does not.
DWORD RegistryBuild() {
  UniqueHKey Key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_QUERY_VALUE,
                    Key.put()) != ERROR_SUCCESS)
    return 0;
  wchar_t Value[32] = L"";
  DWORD Size = sizeof(Value) - sizeof(wchar_t);
  DWORD Type = 0;
  if (RegQueryValueExW(Key.get(), L"CurrentBuildNumber", nullptr, &Type, reinterpret_cast<BYTE*>(Value), &Size) !=
          ERROR_SUCCESS ||
      Type != REG_SZ)
    return 0;
  int32_t Build = 0;
  return TryStrToInt(Value, Build) && Build > 0 ? static_cast<DWORD>(Build) : 0;
}

std::wstring VersionName(const OSVERSIONINFOEXW& Info) {
  const bool Server = Info.wProductType != VER_NT_WORKSTATION;
  const DWORD Version = Info.dwMajorVersion * 100 + Info.dwMinorVersion;
  switch (Version) {
    case 1000:
      if (Server) return Info.dwBuildNumber >= 20348 ? L"Windows Server 2022"
                         : Info.dwBuildNumber >= 17763 ? L"Windows Server 2019" : L"Windows Server 2016";
      return Info.dwBuildNumber >= 22000 ? L"Windows 11" : L"Windows 10";
    case 603: return Server ? L"Windows Server 2012 R2" : L"Windows 8.1";
    case 602: return Server ? L"Windows Server 2012" : L"Windows 8";
    case 601: return Server ? L"Windows Server 2008 R2" : L"Windows 7";
    case 600: return Server ? L"Windows Server 2008" : L"Windows Vista";
    case 502: return L"Windows Server 2003";
    case 501: return L"Windows XP";
    default: return {};
  }
}

std::wstring EditionName(const OSVERSIONINFOEXW& Info) {
  DWORD Product = 0;
  if (!GetProductInfo(Info.dwMajorVersion, Info.dwMinorVersion, Info.wServicePackMajor, Info.wServicePackMinor,
                      &Product))
    return {};
  switch (Product) {
    case PRODUCT_PROFESSIONAL: return L"Professional";
    case PRODUCT_ENTERPRISE: return L"Enterprise";
    case PRODUCT_ULTIMATE: return L"Ultimate";
    case PRODUCT_HOME_BASIC: return L"Home Basic";
    case PRODUCT_HOME_PREMIUM: return L"Home Premium";
    case PRODUCT_CORE: return L"Home";
    case PRODUCT_EDUCATION: return L"Education";
    case PRODUCT_STANDARD_SERVER: return L"Standard";
    case PRODUCT_DATACENTER_SERVER: return L"Datacenter";
    default: return {};
  }
}

std::wstring MemoryLine() {
  MEMORYSTATUSEX Status{};
  Status.dwLength = sizeof(Status);
  if (!GlobalMemoryStatusEx(&Status)) {
    MessageDlg(SysErrorMessage(GetLastError()), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    return {};
  }
  const auto KiloBytes = static_cast<long long>(Status.ullTotalPhys / 1024);
  // "#,###" shows nothing for zero.
  const std::wstring Digits = KiloBytes == 0 ? std::wstring() : FormatGrouped(KiloBytes, FormatSettings().ThousandSeparator);
  return Digits + L" " + AboutTexts().MemoryUnit;
}

void OpenWithShell(HWND Owner, const wchar_t* Operation, const std::wstring& Target) {
  TShellExecuteRequest Request;
  Request.WindowHandle = Owner;
  Request.Operation = Operation;
  Request.FileName = Target.c_str();
  Request.ShowCommand = SW_SHOWNORMAL;
  RunShellExecute(Request);  // a link that does not open is not reported
}

}  // namespace

// ---- Texts --------------------------------------------------------------------------

bool TVKRAboutTexts::ForLanguage(TLangType Language, TVKRAboutTexts& Texts) {
  switch (Language) {
    case TLangType::ltEnglish:
      Texts = {L"About", L"Physical memory available to Windows", L"KB", L"Build", L"Service Pack", L"Double-click"};
      return true;
    case TLangType::ltFrench:
      Texts = {L"A propos de", L"M\u00e9moire physique disponible pour Windows", L"KO", L"Build", L"Service Pack",
               L"Double-click"};
      return true;
  }
  return false;
}

TVKRAboutTexts& AboutTexts() {
  static TVKRAboutTexts Texts = [] {
    TVKRAboutTexts English;
    TVKRAboutTexts::ForLanguage(TLangType::ltEnglish, English);
    return English;
  }();
  return Texts;
}

std::wstring AboutReadmeFileName() { return ChangeFileExt(AboutProgramFileName(), L".txt"); }

bool TAboutStatic::HandleCommand(WORD Code) {
  if (Code == STN_CLICKED && OnClick) {
    OnClick(this);
    return true;
  }
  if (Code == STN_DBLCLK && OnDblClick) {
    OnDblClick(this);
    return true;
  }
  return false;
}

// ---- Operating system ---------------------------------------------------------------

TOSDescription TOSDescription::FromSystem() {
  const OSVERSIONINFOEXW Info = RealVersion();
  TOSDescription OS;
  OS.PlatformId = Info.dwPlatformId;
  OS.Major = Info.dwMajorVersion;
  OS.Minor = Info.dwMinorVersion;
  OS.Build = Info.dwBuildNumber;
  OS.ServicePackMajor = Info.wServicePackMajor;
  if (OS.Major > 6 || (OS.Major == 6 && OS.Minor >= 2))
    if (const DWORD Build = RegistryBuild(); Build != 0) OS.Build = Build;
  OS.ProductText = VersionName(Info);
  const std::wstring Edition = EditionName(Info);
  if (!OS.ProductText.empty() && !Edition.empty()) OS.ProductText += L" " + Edition;
  return OS;
}

std::wstring FormatOSInfo(const TOSDescription& OS) {
  const TVKRAboutTexts& Texts = AboutTexts();
  std::wstring Name = OS.ProductText.empty() ? L"Microsoft Windows" : L"Microsoft " + OS.ProductText;
  DWORD Build = OS.Build;
  if (OS.PlatformId == VER_PLATFORM_WIN32_NT) {
    Name += L" 64-bit";
  } else if (OS.PlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    Build &= 0xFFFF;
  } else {
    return L"Unknown " + IntToStr(OS.Major) + L"." + IntToStr(OS.Minor);
  }
  if (OS.ServicePackMajor > 0)
    return Name + L" (" + Texts.BuildWord + L" " + IntToStr(Build) + L": " + Texts.ServicePackWord + L" " +
           IntToStr(OS.ServicePackMajor) + L")";
  return Name + L" (" + Texts.BuildWord + L" " + IntToStr(Build) + L")";
}

// ---- The window ---------------------------------------------------------------------

TVKRAboutBox::TVKRAboutBox() : TForm(L"TVKRAboutBox", TCloseAction::caHide) {
  CreateDialogHandle(IDD_ABOUTBOX, nullptr);
  AttachControl(ProgramIconImage, IDC_PROGRAMICONIMAGE);
  AttachControl(ApplicationLabel, IDC_APPLICATIONLABEL);
  AttachControl(VersionLabel, IDC_VERSIONLABEL);
  AttachControl(CopyrightLabel, IDC_COPYRIGHTLABEL);
  AttachControl(TextLabel, IDC_TEXTLABEL);
  AttachControl(AuthorLabel, IDC_AUTHORLABEL);
  AttachControl(EmailLabel, IDC_EMAILLABEL);
  AttachControl(URLLabel, IDC_URLLABEL);
  AttachControl(Bevel1, IDC_BEVEL1);
  AttachControl(PhysicalMemoryLabel, IDC_PHYSICALMEMORYLABEL);
  AttachControl(PhysMem, IDC_PHYSMEM);
  AttachControl(OSInfoLabel, IDC_OSINFOLABEL);
  AttachControl(ToolLogoImage, IDC_TOOLLOGOIMAGE);
  AttachControl(WindowsLogoImage, IDC_WINDOWSLOGOIMAGE);
  AttachControl(OKButton, IDOK);
  // OK is the default and the cancel button: either way the result is OK.
  OKButton.ModalResult = mrOk;
  BindCommand(IDCANCEL, [this] { SetModalResult(mrOk); });
  SetPosition(TPosition::poScreenCenter);

  FHints = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, Application().HInstance(),
                           nullptr);
  LoadLogos(PixelsPerInch());
  WindowsLogoImage.SetVisible(false);
  SetHint(ToolLogoImage, ToolName);
  SetHint(WindowsLogoImage, WindowsLogoHint);
  // The pictures say what their hints and the name line say.
  SetAccessibleName(ToolLogoImage.Handle(), ToolName);
  SetAccessibleName(WindowsLogoImage.Handle(), WindowsLogoHint);
  TAccessibleInfo IconInfo;
  IconInfo.Name = [Name = ApplicationLabel.Handle()] {
    TLabel Label;
    Label.Attach(Name);
    return Label.Text();
  };
  SetAccessibleInfo(ProgramIconImage.Handle(), std::move(IconInfo));

  // The links are reached with Tab and followed with Enter, as in a browser.
  MakeKeyboardLink(EmailLabel.Handle());
  MakeKeyboardLink(URLLabel.Handle());
  URLLabel.OnClick = [this](TObject* Sender) { URLLabelClick(Sender); };
  EmailLabel.OnClick = [this](TObject* Sender) { EmailLabelClick(Sender); };
  ProgramIconImage.OnDblClick = [this](TObject* Sender) { ProgramIconImageDblClick(Sender); };
  WindowsLogoImage.OnDblClick = [this](TObject* Sender) { WindowsLogoImageDblClick(Sender); };
  ToolLogoImage.OnDblClick = [this](TObject* Sender) { ToolLogoImageDblClick(Sender); };
  FormCreate(this);
}

TVKRAboutBox::~TVKRAboutBox() {
  // The pictures are freed before the window goes: the controls must not keep them.
  if (ProgramIconImage.Handle() == nullptr) return;
  SendMessageW(ProgramIconImage.Handle(), STM_SETICON, 0, 0);
  SendMessageW(ToolLogoImage.Handle(), STM_SETIMAGE, IMAGE_BITMAP, 0);
  SendMessageW(WindowsLogoImage.Handle(), STM_SETIMAGE, IMAGE_BITMAP, 0);
}

void TVKRAboutBox::FormCreate(TObject*) {
  OSInfoLabel.SetText(FormatOSInfo(TOSDescription::FromSystem()));
  const std::wstring Memory = MemoryLine();
  if (!Memory.empty()) PhysMem.SetText(Memory);
  SetHint(ProgramIconImage, FileExists(AboutReadmeFileName()) ? AboutTexts().IconHint : std::wstring());
}

void TVKRAboutBox::URLLabelClick(TObject*) { OpenWithShell(nullptr, L"open", URLLabel.Text()); }

void TVKRAboutBox::EmailLabelClick(TObject*) { OpenWithShell(nullptr, nullptr, L"mailto:" + EmailLabel.Text()); }

void TVKRAboutBox::ProgramIconImageDblClick(TObject*) {
  const std::wstring Readme = AboutReadmeFileName();
  if (FileExists(Readme)) OpenWithShell(Handle(), L"open", Readme);
}

void TVKRAboutBox::WindowsLogoImageDblClick(TObject*) { OpenWithShell(nullptr, L"open", WindowsSite); }

void TVKRAboutBox::ToolLogoImageDblClick(TObject*) { OpenWithShell(nullptr, L"open", ToolSite); }

void TVKRAboutBox::LoadLogos(int Dpi) {
  const int Size = PictureSizeForDpi(16, Dpi);
  const auto Picture = [Size](TControl& Control, int SizedBase, UniqueGdi<HBITMAP>& Bitmap) {
    const int Id = PictureStripId(SizedBase, Size);
    UniqueGdi<HBITMAP> Loaded(static_cast<HBITMAP>(
        LoadImageW(Application().HInstance(), MAKEINTRESOURCEW(Id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!Loaded) throw EResNotFound(L"About window picture " + IntToStr(Id));
    // The control shows the new picture before the old one is freed.
    SendMessageW(Control.Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Loaded.get()));
    Bitmap = std::move(Loaded);
  };
  Picture(ToolLogoImage, IDB_TOOLLOGO_SIZED, FToolLogo);
  Picture(WindowsLogoImage, IDB_WINDOWSLOGO_SIZED, FWindowsLogo);
}

void TVKRAboutBox::DpiChanged(int, int NewDpi) {
  LoadLogos(NewDpi);
  ShowIcon(NewDpi);
  // The form gave every control its own font for the DPI: the links take theirs back.
  FLinkFont.SetPixelsPerInch(NewDpi);
  for (TControl* Link : {static_cast<TControl*>(&EmailLabel), static_cast<TControl*>(&URLLabel)})
    Link->SetFont(FLinkFont.Handle());
  SizeToContent();
}

void TVKRAboutBox::SetIcon(HICON Icon) {
  FIconSource.reset(Icon != nullptr ? CopyIcon(Icon) : nullptr);
  ShowIcon(PixelsPerInch());
}

void TVKRAboutBox::ShowIcon(int Dpi) {
  // The icon fills its square at every DPI: the size nearest to it is taken
  // from the icon's resource when the icon has one, not a small one stretched.
  const int Size = ScaleForDpi(IconSize, Dpi);
  UniqueIcon Shown(FIconSource ? static_cast<HICON>(CopyImage(FIconSource.get(), IMAGE_ICON, Size, Size,
                                                              LR_COPYFROMRESOURCE))
                               : nullptr);
  if (!Shown && FIconSource) Shown.reset(CopyIcon(FIconSource.get()));
  SendMessageW(ProgramIconImage.Handle(), STM_SETICON, reinterpret_cast<WPARAM>(Shown.get()), 0);
  FIcon = std::move(Shown);
}

void TVKRAboutBox::SetLinkFont(const TFont& WindowFont) {
  FLinkFont.Assign(WindowFont);
  TFontStyles Style = FLinkFont.Style();
  Style.Include(TFontStyle::fsUnderline);
  FLinkFont.SetStyle(Style);
  FLinkFont.SetColor(clHotLight);
  for (TControl* Link : {static_cast<TControl*>(&EmailLabel), static_cast<TControl*>(&URLLabel)})
    Link->SetFont(FLinkFont.Handle());
}

std::wstring TVKRAboutBox::Hint(const TControl& Control) const {
  wchar_t Buffer[256] = L"";
  TTTOOLINFOW Tool{};
  Tool.cbSize = sizeof(Tool);
  Tool.hwnd = Handle();
  Tool.uId = reinterpret_cast<UINT_PTR>(Control.Handle());
  Tool.lpszText = Buffer;
  if (!SendMessageW(FHints, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&Tool))) return {};
  Tool.lpszText = Buffer;
  SendMessageW(FHints, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&Tool));
  return Buffer;
}

void TVKRAboutBox::SetHint(const TControl& Control, const std::wstring& Text) {
  TTTOOLINFOW Tool{};
  Tool.cbSize = sizeof(Tool);
  Tool.hwnd = Handle();
  Tool.uId = reinterpret_cast<UINT_PTR>(Control.Handle());
  Tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  SendMessageW(FHints, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
  if (Text.empty()) return;
  Tool.lpszText = const_cast<wchar_t*>(Text.c_str());
  SendMessageW(FHints, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
}

void TVKRAboutBox::SizeToContent() {
  const HFONT WindowFont = Font().Handle();
  const HFONT LinkFont = FLinkFont.Handle();
  const int Dpi = PixelsPerInch();
  const int Edge = ScaleForDpi(Border, Dpi);
  const int Gap = ScaleForDpi(Spacing, Dpi);
  const int Icon = ScaleForDpi(IconSize, Dpi);
  const int TextLeft = Edge + Icon + Edge;
  // An empty label still takes a line.
  const auto Extent = [&](const TControl& Label, HFONT Font) {
    const std::wstring Text = Label.Text();
    return TextExtent(Handle(), Font, Text.empty() ? L" " : Text);
  };

  struct TLine {
    TControl* Label;
    HFONT Font;
    int GapBefore;
  };
  const std::vector<TLine> Lines = {
      {&ApplicationLabel, WindowFont, 0}, {&VersionLabel, WindowFont, 0}, {&CopyrightLabel, WindowFont, 0},
      {&TextLabel, WindowFont, Gap},      {&AuthorLabel, WindowFont, 0},  {&EmailLabel, LinkFont, 0},
      {&URLLabel, LinkFont, 0},
  };
  const int LineHeight = static_cast<int>(Extent(ApplicationLabel, WindowFont).cy);
  const SIZE MemoryCaption = Extent(PhysicalMemoryLabel, WindowFont);
  const SIZE MemoryValue = Extent(PhysMem, WindowFont);
  int Width = static_cast<int>(MemoryCaption.cx + Gap + MemoryValue.cx);
  for (const TLine& Line : Lines)
    if (Line.Label->Visible()) Width = std::max(Width, static_cast<int>(Extent(*Line.Label, Line.Font).cx));
  if (OSInfoLabel.Visible()) Width = std::max(Width, static_cast<int>(Extent(OSInfoLabel, WindowFont).cx));
  // A static control breaks a line that fills it exactly: leave it some room.
  Width += Gap;

  int Y = Edge;
  int PendingGap = 0;
  for (const TLine& Line : Lines) {
    PendingGap = std::max(PendingGap, Line.GapBefore);
    if (!Line.Label->Visible()) continue;
    Y += PendingGap;
    PendingGap = 0;
    Line.Label->SetBounds(TextLeft, Y, Width, LineHeight);
    Y += LineHeight;
  }
  Y += Gap / 2;
  Bevel1.SetBounds(TextLeft, Y, Width, 2);
  Y += 2 + Gap / 2;
  PhysicalMemoryLabel.SetBounds(TextLeft, Y, static_cast<int>(MemoryCaption.cx), LineHeight);
  PhysMem.SetBounds(TextLeft + Width - static_cast<int>(MemoryValue.cx), Y, static_cast<int>(MemoryValue.cx),
                    LineHeight);
  Y += LineHeight;
  if (OSInfoLabel.Visible()) {
    OSInfoLabel.SetBounds(TextLeft, Y, Width, LineHeight);
    Y += LineHeight;
  }
  ProgramIconImage.SetBounds(Edge, Edge, Icon, Icon);

  int Right = TextLeft + Width;
  int Bottom = std::max(Y, Edge + Icon);
  if (ToolLogoImage.Visible()) {
    BITMAP Logo{};
    GetObjectW(FToolLogo.get(), sizeof(Logo), &Logo);
    ToolLogoImage.SetBounds(Right + Edge, Edge, Logo.bmWidth, Logo.bmHeight);
    Right += Edge + Logo.bmWidth;
    Bottom = std::max(Bottom, Edge + static_cast<int>(Logo.bmHeight));
  }
  const int ButtonW = ScaleForDpi(ButtonWidth, Dpi);
  const int ButtonH = ScaleForDpi(ButtonHeight, Dpi);
  const int RowTop = Bottom + Gap;
  int RowHeight = ButtonH;
  if (WindowsLogoImage.Visible()) {
    WindowsLogoImage.SetBounds(Edge, RowTop, Icon, Icon);
    RowHeight = std::max(RowHeight, Icon);
  }
  OKButton.SetBounds(Right - ButtonW, RowTop + RowHeight - ButtonH, ButtonW, ButtonH);

  RECT Bounds{0, 0, Right + Edge, RowTop + RowHeight + Edge};
  AdjustWindowRectEx(&Bounds, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  SetWindowPos(Handle(), nullptr, 0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TVKRAboutBox::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_SETCURSOR: {
      const auto Over = reinterpret_cast<HWND>(WParam);
      if (Over != EmailLabel.Handle() && Over != URLLabel.Handle()) break;
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      Result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC: {
      const auto Dc = reinterpret_cast<HDC>(WParam);
      const auto Control = reinterpret_cast<HWND>(LParam);
      const bool Link = Control == EmailLabel.Handle() || Control == URLLabel.Handle();
      SetTextColor(Dc, Link ? ColorToRGB(FLinkFont.Color()) : ColorToRGB(Font().Color()));
      SetBkMode(Dc, TRANSPARENT);
      Result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    default:
      break;
  }
  return TForm::HandleMessage(Msg, WParam, LParam, Result);
}
