#pragma once
// Colours and fonts as the forms and the settings records see them.

#include "framework/Handle.h"
#include "framework/Object.h"

#include <cstdint>
#include <string>

// 0x00BBGGRR, or a system colour: 0xFF000000 | COLOR_xxx index.
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clBlack = 0x000000;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;

// The RGB value of a colour, system colours resolved.
COLORREF ColorToRGB(TColor Color);

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

  void Assign(const TFont& Source);
  HFONT Handle() const;

  TNotifyEvent OnChange;

private:
  void Changed();

  std::wstring FName = L"Tahoma";
  int FSize = 8;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  mutable UniqueGdi<HFONT> FHandle;
};
