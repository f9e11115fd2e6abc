#pragma once
// Colours and fonts as the forms and the settings records see them.

#include "framework/Handle.h"
#include "framework/Object.h"

#include <cstdint>
#include <string>

// 0x00BBGGRR, or a system colour: 0xFF000000 | COLOR_xxx index.
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);

// The named colours, as settings written by earlier versions spell them.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

// The RGB value of a colour, system colours resolved.
COLORREF ColorToRGB(TColor Color);

// The name of a named colour ("clWindowText"); false for any other value.
bool ColorToIdent(TColor Color, std::wstring& Ident);
// The colour of a name, compared without case in A to Z; false for an unknown name.
bool IdentToColor(const std::wstring& Ident, TColor& Color);
// A named colour's name, otherwise "$" and eight upper-case hexadecimal digits.
std::wstring ColorToString(TColor Color);
// A colour name or an integer ("$" hexadecimal or decimal); anything else
// raises EConvertError.
TColor StringToColor(const std::wstring& Text);

enum class TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFontStyles {
public:
  TFontStyles() = default;
  bool Contains(TFontStyle Style) const { return (FBits & static_cast<uint8_t>(Style)) != 0; }
  void Include(TFontStyle Style) { FBits = static_cast<uint8_t>(FBits | static_cast<uint8_t>(Style)); }
  void Exclude(TFontStyle Style) { FBits = static_cast<uint8_t>(FBits & ~static_cast<uint8_t>(Style)); }
  bool Empty() const { return FBits == 0; }
  bool operator==(const TFontStyles&) const = default;

private:
  uint8_t FBits = 0;
};

// The size Text takes on the screen in Font, as Window's device context measures it.
SIZE TextExtent(HWND Window, HFONT Font, const std::wstring& Text);

// A font description; Handle() makes the GDI font for the screen on demand.
class TFont : public TObject {
public:
  TFont();

  const std::wstring& Name() const { return FName; }
  void SetName(const std::wstring& Value);
  int Size() const { return FSize; }  // points
  void SetSize(int Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  // The DPI the font is made for; 0, the default, is the screen's. A window
  // on a monitor of another DPI sets its own.
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value);

  void Assign(const TFont& Source);
  HFONT Handle() const;

  TNotifyEvent OnChange;

private:
  void Changed();

  std::wstring FName = L"Tahoma";
  int FSize = 8;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  int FPixelsPerInch = 0;
  mutable UniqueGdi<HFONT> FHandle;
};
