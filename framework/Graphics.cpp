#include "framework/Graphics.h"

#include "framework/Dpi.h"

COLORREF ColorToRGB(TColor Color) {
  if ((Color & clSystemColor) == clSystemColor) return GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color);
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
    Log.lfHeight = -MulDiv(FSize, ScreenPixelsPerInch(), 72);
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
