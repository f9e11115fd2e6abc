#include "framework/Graphics.h"

#include "framework/Dpi.h"
#include "framework/Text.h"

COLORREF ColorToRGB(TColor Color) {
  if ((Color & clSystemColor) == clSystemColor) return GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color);
}

namespace {

struct TColorName {
  TColor Color;
  const wchar_t* Name;
};

// Every value appears once, so a name always reads back as the same colour.
constexpr TColorName ColorNames[] = {
    {clBlack, L"clBlack"},
    {clMaroon, L"clMaroon"},
    {clGreen, L"clGreen"},
    {clOlive, L"clOlive"},
    {clNavy, L"clNavy"},
    {clPurple, L"clPurple"},
    {clTeal, L"clTeal"},
    {clGray, L"clGray"},
    {clSilver, L"clSilver"},
    {clRed, L"clRed"},
    {clLime, L"clLime"},
    {clYellow, L"clYellow"},
    {clBlue, L"clBlue"},
    {clFuchsia, L"clFuchsia"},
    {clAqua, L"clAqua"},
    {clWhite, L"clWhite"},
    {clScrollBar, L"clScrollBar"},
    {clBackground, L"clBackground"},
    {clActiveCaption, L"clActiveCaption"},
    {clInactiveCaption, L"clInactiveCaption"},
    {clMenu, L"clMenu"},
    {clWindow, L"clWindow"},
    {clWindowFrame, L"clWindowFrame"},
    {clMenuText, L"clMenuText"},
    {clWindowText, L"clWindowText"},
    {clCaptionText, L"clCaptionText"},
    {clActiveBorder, L"clActiveBorder"},
    {clInactiveBorder, L"clInactiveBorder"},
    {clAppWorkSpace, L"clAppWorkSpace"},
    {clHighlight, L"clHighlight"},
    {clHighlightText, L"clHighlightText"},
    {clBtnFace, L"clBtnFace"},
    {clBtnShadow, L"clBtnShadow"},
    {clGrayText, L"clGrayText"},
    {clBtnText, L"clBtnText"},
    {clInactiveCaptionText, L"clInactiveCaptionText"},
    {clBtnHighlight, L"clBtnHighlight"},
    {cl3DDkShadow, L"cl3DDkShadow"},
    {cl3DLight, L"cl3DLight"},
    {clInfoText, L"clInfoText"},
    {clInfoBk, L"clInfoBk"},
    {clHotLight, L"clHotLight"},
    {clGradientActiveCaption, L"clGradientActiveCaption"},
    {clGradientInactiveCaption, L"clGradientInactiveCaption"},
    {clMenuHighlight, L"clMenuHighlight"},
    {clMenuBar, L"clMenuBar"},
};

}  // namespace

bool ColorToIdent(TColor Color, std::wstring& Ident) {
  for (const TColorName& Entry : ColorNames)
    if (Entry.Color == Color) {
      Ident = Entry.Name;
      return true;
    }
  return false;
}

bool IdentToColor(const std::wstring& Ident, TColor& Color) {
  for (const TColorName& Entry : ColorNames)
    if (SameTextAZ(Ident, Entry.Name)) {
      Color = Entry.Color;
      return true;
    }
  return false;
}

std::wstring ColorToString(TColor Color) {
  std::wstring Ident;
  if (ColorToIdent(Color, Ident)) return Ident;
  return L"$" + IntToHex(static_cast<uint32_t>(Color), 8);
}

TColor StringToColor(const std::wstring& Text) {
  TColor Color = 0;
  if (IdentToColor(Text, Color)) return Color;
  return StrToInt(Text);
}

TFont::TFont() = default;

void TFont::SetName(const std::wstring& Value) {
  if (Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetSize(int Value) {
  if (Value == FSize) return;
  FSize = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TFont::SetPixelsPerInch(int Value) {
  if (Value == FPixelsPerInch) return;
  FPixelsPerInch = Value;
  Changed();
}

void TFont::Assign(const TFont& Source) {
  FName = Source.FName;
  FSize = Source.FSize;
  FStyle = Source.FStyle;
  FColor = Source.FColor;
  Changed();
}

void TFont::Changed() {
  FHandle.reset();
  if (OnChange) OnChange(this);
}

HFONT TFont::Handle() const {
  if (!FHandle) {
    LOGFONTW Log{};
    Log.lfHeight = -MulDiv(FSize, FPixelsPerInch > 0 ? FPixelsPerInch : ScreenPixelsPerInch(), 72);
    Log.lfWeight = FStyle.Contains(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
    Log.lfItalic = FStyle.Contains(TFontStyle::fsItalic) ? TRUE : FALSE;
    Log.lfUnderline = FStyle.Contains(TFontStyle::fsUnderline) ? TRUE : FALSE;
    Log.lfStrikeOut = FStyle.Contains(TFontStyle::fsStrikeOut) ? TRUE : FALSE;
    Log.lfCharSet = DEFAULT_CHARSET;
    Log.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(Log.lfFaceName, FName.c_str(), LF_FACESIZE);
    FHandle.reset(CreateFontIndirectW(&Log));
  }
  return FHandle.get();
}

SIZE TextExtent(HWND Window, HFONT Font, const std::wstring& Text) {
  const TWindowDC Dc(Window);
  const HGDIOBJ Old = SelectObject(Dc.get(), Font);
  SIZE Extent{};
  GetTextExtentPoint32W(Dc.get(), Text.c_str(), static_cast<int>(Text.size()), &Extent);
  SelectObject(Dc.get(), Old);
  return Extent;
}
