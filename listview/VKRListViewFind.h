#pragma once
// The types of the folder list's forward text search, and the text
// normalisation both sides of a comparison go through.

#include "framework/FindDialog.h"
#include "framework/ListView.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

enum class TFindOption : uint8_t { foCaseSensitive, foIgnoreAccentedChars };

// A set of TFindOption, bit i standing for member i.
class TFindOptions {
public:
  constexpr TFindOptions() = default;
  constexpr TFindOptions(std::initializer_list<TFindOption> Options) {
    for (const TFindOption Option : Options) FBits = static_cast<uint8_t>(FBits | Bit(Option));
  }
  constexpr bool Contains(TFindOption Option) const { return (FBits & Bit(Option)) != 0; }
  constexpr bool operator==(const TFindOptions&) const = default;

private:
  static constexpr uint8_t Bit(TFindOption Option) { return static_cast<uint8_t>(1u << static_cast<unsigned>(Option)); }
  uint8_t FBits = 0;
};

// A row test of the caller's own: Res says whether Item matches, when the
// handler sets Handled; otherwise the view's own test decides.
using TVKROnCustomFind =
    std::function<void(TObject* Sender, TListItem Item, const std::wstring& FindText, bool& Res, bool& Handled)>;

// Accented Latin-1 letters to their base letter, the grave and acute accents
// and the single quotation marks to "'"; every other character unchanged.
wchar_t FoldAccent(wchar_t c);
// What a search text and a row text become before they are compared:
// accents folded with foIgnoreAccentedChars, then A to Z lower-cased unless
// foCaseSensitive.
std::wstring NormalizeFindText(const std::wstring& Text, TFindOptions Options);
