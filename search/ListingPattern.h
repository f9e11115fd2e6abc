#pragma once
// Answering a search pattern from a folder's complete listing instead of a
// listing of its own. Only patterns whose meaning is the same under every
// listing call the program meets are answered here; any other pattern, and
// any name this module cannot judge with certainty, is left to the
// platform's own listing.

#include <string>

enum class TPatternKind {
  Everything,  // "*" and "*.*": every name
  Extension,   // "*.ext": names (or their short 8.3 aliases) ending in ".ext"
  NoEntries,   // a pattern with a folder in it names no entry of this folder
  Platform,    // anything else: the platform's listing decides
};

struct TListingPattern {
  TPatternKind Kind = TPatternKind::Platform;
  std::wstring Text;    // the pattern as given
  std::wstring Suffix;  // Extension: ".ext" as given
};

TListingPattern ClassifyPattern(const std::wstring& Pattern);

enum class TNameAnswer { No, Yes, Unsure };

// Whether the listing call, given Pattern, would report the entry with this
// long name and short alias (empty when the entry has none). Unsure where
// the platform's case folding is not certain to agree (letters outside
// ASCII), and always for Platform patterns.
TNameAnswer MatchesPattern(const TListingPattern& Pattern, const wchar_t* Name, const wchar_t* ShortName);
