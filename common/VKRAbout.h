#pragma once
// The about window: program icon, name, version, copyright, a free text
// line, author, e-mail and web links, physical memory, the operating system,
// and optionally a logo of the build tool and a Windows logo.

#include "common/VKRLangType.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Handle.h"

#include <string>

// The texts of the about window in the current language, shared by every
// instance (TVKRAboutDialog::SetLangType replaces them).
struct TVKRAboutTexts {
  std::wstring CaptionPrefix;
  std::wstring MemoryLabel;
  std::wstring MemoryUnit;
  std::wstring BuildWord;
  std::wstring ServicePackWord;
  std::wstring IconHint;

  // The texts of a language; false for a value that has none.
  static bool ForLanguage(TLangType Language, TVKRAboutTexts& Texts);
};
TVKRAboutTexts& AboutTexts();

// A static control that reports clicks and double-clicks (SS_NOTIFY).
class TAboutStatic : public TLabel {
public:
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  bool HandleCommand(WORD Code) override;
};

// What the system reports of itself, for the operating-system line.
struct TOSDescription {
  DWORD PlatformId = VER_PLATFORM_WIN32_NT;
  DWORD Major = 0;
  DWORD Minor = 0;
  DWORD Build = 0;
  WORD ServicePackMajor = 0;
  std::wstring ProductText;  // "Windows 10 Professional"; may be empty

  static TOSDescription FromSystem();
};
// "Microsoft Windows 8.1 64-bit (Build 9600)", with the service pack when there is one.
std::wstring FormatOSInfo(const TOSDescription& OS);

class TVKRAboutBox : public TForm {
public:
  TVKRAboutBox();
  ~TVKRAboutBox() override;

  TAboutStatic ProgramIconImage;
  TLabel ApplicationLabel;
  TLabel VersionLabel;
  TLabel CopyrightLabel;
  TLabel TextLabel;
  TLabel AuthorLabel;
  TAboutStatic EmailLabel;
  TAboutStatic URLLabel;
  TLabel Bevel1;
  TLabel PhysicalMemoryLabel;
  TLabel PhysMem;
  TLabel OSInfoLabel;
  TAboutStatic ToolLogoImage;
  TAboutStatic WindowsLogoImage;
  TButton OKButton;

  void FormCreate(TObject* Sender);
  void URLLabelClick(TObject* Sender);
  void EmailLabelClick(TObject* Sender);
  void ProgramIconImageDblClick(TObject* Sender);
  void WindowsLogoImageDblClick(TObject* Sender);
  void ToolLogoImageDblClick(TObject* Sender);

  // The icon shown; the box keeps its own copy.
  void SetIcon(HICON Icon);
  // Gives the two links the window's font underlined, in the system's link
  // colour (hot-light), which high-contrast schemes set too.
  void SetLinkFont(const TFont& WindowFont);
  // The hint a control shows when the mouse rests on it ("" for none).
  std::wstring Hint(const TControl& Control) const;
  void SetHint(const TControl& Control, const std::wstring& Text);
  // Lays the visible controls out and sizes the window around them.
  void SizeToContent();

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  // The logos in the size for the new DPI, and the layout around them.
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  // The logos are drawn for several DPIs (resources/images).
  void LoadLogos(int Dpi);
  void ShowIcon(int Dpi);

  HWND FHints = nullptr;  // tooltip window, destroyed with the box
  UniqueIcon FIconSource;  // the icon given, kept for other DPIs
  UniqueIcon FIcon;        // the copy shown, in the size for the DPI
  UniqueGdi<HBITMAP> FToolLogo;
  UniqueGdi<HBITMAP> FWindowsLogo;
  TFont FLinkFont;
};

// The text file offered beside the program file (same name, ".txt").
std::wstring AboutReadmeFileName();
