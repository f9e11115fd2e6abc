#pragma once
// The two wildcard engines of the text matcher and the occurrence count,
// with the case folds they compare through. Nothing here touches the
// platform, so every rule can be checked on plain strings.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Entry c is the lower-case form of the character that byte c stands for in
// Windows-1252; the five bytes that code page leaves undefined stay as they are.
const std::array<wchar_t, 256>& Win1252LowerCaseTable();

// "*" for any run of characters, "?" for exactly one. Without CaseSensitive
// the letters a to z compare as A to Z and, with ExtraChars, eleven accented
// French lower-case letters as their capitals too.
bool SimpleWildcardMatch(std::wstring_view Text, std::wstring_view Pattern, bool CaseSensitive, bool ExtraChars);

// A pattern of the set engine: "*", "?", character sets in brackets
// ("[0..9]", "[!a..z]", "[3:0..9]", "[a,b,x..z]") and plain characters.
// It is compiled once and then tried against many lines.
class TSetPattern {
public:
  TSetPattern(std::wstring_view Pattern, bool CaseSensitive);

  bool Matches(std::wstring_view Text) const;

  struct TCharSet {
    std::bitset<256> Members;
    bool Negated = false;
    size_t Count = 1;  // consecutive characters the set stands for
  };
  // Parses the set that starts at Pattern[At] == '['. Returns the position
  // after its "]", or npos when the set is invalid.
  static size_t ParseSet(std::wstring_view Pattern, size_t At, bool CaseSensitive, TCharSet& Set);

private:
  enum class TTokenKind : uint8_t { Star, AnyChar, Literal, Set, InvalidSet };
  struct TToken {
    TTokenKind Kind;
    wchar_t Char;      // Literal, already folded when case is ignored
    uint32_t SetIndex; // Set
  };

  bool SetAccepts(const TCharSet& Set, wchar_t c) const;
  wchar_t Fold(wchar_t c) const;

  bool FCaseSensitive;
  bool FSingleStar = false;
  std::vector<TToken> FTokens;
  std::vector<TCharSet> FSets;
};

// How many times Needle occurs in Line as the matcher counts it: overlapping
// finds count, but the search goes on past a find only while more than one
// character follows it ("aa" occurs twice in "aaaa", "ab" three times in
// "ababab"). Wildcard characters are ordinary here. Without CaseSensitive the
// letters a to z equal A to Z.
int32_t CountOccurrences(std::wstring_view Needle, std::wstring_view Line, bool CaseSensitive);
