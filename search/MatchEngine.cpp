#include "search/MatchEngine.h"

#include <algorithm>
#include <limits>

namespace {

constexpr size_t NoMatch = std::wstring_view::npos;

std::array<wchar_t, 256> MakeWin1252LowerCaseTable() {
  std::array<wchar_t, 256> Table{};
  for (size_t c = 0; c < Table.size(); ++c) Table[c] = static_cast<wchar_t>(c);
  for (wchar_t c = L'A'; c <= L'Z'; ++c) Table[c] = static_cast<wchar_t>(c + (L'a' - L'A'));
  // The 0x80 to 0x9F row is where Windows-1252 departs from Latin-1.
  const struct {
    uint8_t Byte;
    wchar_t Lower;
  } Row8[] = {
      {0x80, 0x20AC}, {0x82, 0x201A}, {0x83, 0x0192}, {0x84, 0x201E}, {0x85, 0x2026}, {0x86, 0x2020},
      {0x87, 0x2021}, {0x88, 0x02C6}, {0x89, 0x2030}, {0x8A, 0x0161}, {0x8B, 0x2039}, {0x8C, 0x0153},
      {0x8E, 0x017E}, {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C}, {0x94, 0x201D}, {0x95, 0x2022},
      {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x02DC}, {0x99, 0x2122}, {0x9A, 0x0161}, {0x9B, 0x203A},
      {0x9C, 0x0153}, {0x9E, 0x017E}, {0x9F, 0x00FF},
  };
  for (const auto& Entry : Row8) Table[Entry.Byte] = Entry.Lower;
  for (wchar_t c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) Table[c] = static_cast<wchar_t>(c + 0x20);
  return Table;
}

wchar_t SimpleFold(wchar_t c, bool ExtraChars) {
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - (L'a' - L'A'));
  if (ExtraChars) {
    switch (c) {
      case 0xE2: case 0xE4: case 0xE7: case 0xEA: case 0xEB: case 0xEE:
      case 0xEF: case 0xF4: case 0xF6: case 0xFB: case 0xFC:
        return static_cast<wchar_t>(c - 0x20);
      default:
        break;
    }
  }
  return c;
}

bool EndsSetItem(wchar_t c) { return c == L'\0' || c == L',' || c == L'.' || c == L':' || c == L']'; }

// A decimal count above zero; anything else makes the set invalid.
bool ParseCount(std::wstring_view Digits, size_t& Count) {
  if (Digits.empty()) return false;
  uint64_t Value = 0;
  for (const wchar_t c : Digits) {
    if (c < L'0' || c > L'9') return false;
    Value = Value * 10 + static_cast<uint64_t>(c - L'0');
    if (Value > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
  }
  if (Value == 0) return false;
  Count = static_cast<size_t>(Value);
  return true;
}

void UpperCaseAZ(std::wstring& Text) {
  for (wchar_t& c : Text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - (L'a' - L'A'));
}

int32_t ClampCount(size_t Count) {
  return Count > static_cast<size_t>(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                          : static_cast<int32_t>(Count);
}

}  // namespace

const std::array<wchar_t, 256>& Win1252LowerCaseTable() {
  static const std::array<wchar_t, 256> Table = MakeWin1252LowerCaseTable();
  return Table;
}

bool SimpleWildcardMatch(std::wstring_view Text, std::wstring_view Pattern, bool CaseSensitive, bool ExtraChars) {
  if (Pattern.empty()) return true;
  const auto Same = [&](wchar_t p, wchar_t t) {
    return CaseSensitive ? p == t : SimpleFold(p, ExtraChars) == SimpleFold(t, ExtraChars);
  };
  // Backtracking to the last star only gives the same answers as trying
  // every split after every star, without its exponential cost.
  size_t t = 0, p = 0;
  size_t StarP = NoMatch, StarT = 0;
  for (;;) {
    if (p < Pattern.size() && Pattern[p] == L'*') {
      while (p < Pattern.size() && Pattern[p] == L'*') ++p;
      if (p == Pattern.size()) return true;
      StarP = p;
      StarT = t;
      continue;
    }
    if (p == Pattern.size() && t == Text.size()) return true;
    if (p < Pattern.size() && t < Text.size() && (Pattern[p] == L'?' || Same(Pattern[p], Text[t]))) {
      ++p;
      ++t;
      continue;
    }
    if (StarP == NoMatch || StarT >= Text.size()) return false;
    t = ++StarT;
    p = StarP;
  }
}

TSetPattern::TSetPattern(std::wstring_view Pattern, bool CaseSensitive) : FCaseSensitive(CaseSensitive) {
  FSingleStar = Pattern == L"*";
  for (size_t i = 0; i < Pattern.size();) {
    const wchar_t c = Pattern[i];
    if (c == L'*') {
      FTokens.push_back({TTokenKind::Star, 0, 0});
      ++i;
    } else if (c == L'?') {
      FTokens.push_back({TTokenKind::AnyChar, 0, 0});
      ++i;
    } else if (c == L'[') {
      TCharSet Set;
      const size_t Next = ParseSet(Pattern, i, CaseSensitive, Set);
      if (Next == NoMatch) {
        // Whatever follows can never be reached: the engine stops here with false.
        FTokens.push_back({TTokenKind::InvalidSet, 0, 0});
        break;
      }
      FTokens.push_back({TTokenKind::Set, 0, static_cast<uint32_t>(FSets.size())});
      FSets.push_back(Set);
      i = Next;
    } else {
      FTokens.push_back({TTokenKind::Literal, Fold(c), 0});
      ++i;
    }
  }
}

wchar_t TSetPattern::Fold(wchar_t c) const {
  if (FCaseSensitive || c > 0xFF) return c;
  return Win1252LowerCaseTable()[c];
}

size_t TSetPattern::ParseSet(std::wstring_view Pattern, size_t At, bool CaseSensitive, TCharSet& Set) {
  const auto& Table = Win1252LowerCaseTable();
  // Members above 255 have no place in the 256-bit set and are left out.
  const auto Add = [&](wchar_t c) {
    if (c > 0xFF) return;
    Set.Members.set(CaseSensitive ? c : (Table[c] & 0xFF));
  };
  const size_t End = Pattern.size();
  size_t i = At + 1;
  if (i < End && Pattern[i] == L'!') {
    Set.Negated = true;
    ++i;
  }
  for (;;) {
    const size_t ItemStart = i;
    while (i < End && !EndsSetItem(Pattern[i])) ++i;
    if (i >= End || Pattern[i] == L'\0') return NoMatch;
    const std::wstring_view Item = Pattern.substr(ItemStart, i - ItemStart);
    const wchar_t Terminator = Pattern[i];
    if (Terminator == L':') {
      if (!ParseCount(Item, Set.Count)) return NoMatch;
      ++i;
      continue;
    }
    if (Item.size() != 1) return NoMatch;
    if (Terminator == L'.') {
      while (i < End && Pattern[i] == L'.') ++i;
      if (i >= End || EndsSetItem(Pattern[i]) || Pattern[i] < Item[0]) return NoMatch;
      const wchar_t Last = std::min<wchar_t>(Pattern[i], 0xFF);
      for (wchar_t c = Item[0]; c <= Last; ++c) Add(c);
      ++i;
      if (i >= End || (Pattern[i] != L']' && Pattern[i] != L',')) return NoMatch;
    } else {
      Add(Item[0]);
    }
    if (Pattern[i] == L']') return i + 1;
    ++i;  // the ","
  }
}

bool TSetPattern::SetAccepts(const TCharSet& Set, wchar_t c) const {
  const wchar_t Folded = Fold(c);
  const bool Member = Folded <= 0xFF && Set.Members.test(Folded);
  return Member != Set.Negated;
}

bool TSetPattern::Matches(std::wstring_view Text) const {
  if (FSingleStar) return true;
  const size_t PatternEnd = FTokens.size();
  size_t p = 0, t = 0;
  bool HaveStar = false;
  size_t StarP = 0, ResumeT = 0;
  for (;;) {
    if (p == PatternEnd) return t == Text.size();
    if (t == Text.size()) {
      while (p < PatternEnd && FTokens[p].Kind == TTokenKind::Star) ++p;
      return p == PatternEnd;
    }
    const TToken& Token = FTokens[p];
    bool Matched = false;
    switch (Token.Kind) {
      case TTokenKind::Star:
        if (p + 1 == PatternEnd) return true;
        HaveStar = true;
        StarP = p + 1;
        ResumeT = t + 1;
        ++p;
        continue;
      case TTokenKind::AnyChar:
        Matched = true;
        ++t;
        break;
      case TTokenKind::Literal:
        Matched = Fold(Text[t]) == Token.Char;
        if (Matched) ++t;
        break;
      case TTokenKind::Set: {
        const TCharSet& Set = FSets[Token.SetIndex];
        Matched = Set.Count <= Text.size() - t;
        for (size_t k = 0; Matched && k < Set.Count; ++k) Matched = SetAccepts(Set, Text[t + k]);
        if (Matched) t += Set.Count;
        break;
      }
      case TTokenKind::InvalidSet:
        return false;
    }
    if (Matched) {
      ++p;
      continue;
    }
    if (!HaveStar) return false;
    p = StarP;
    t = ResumeT++;
  }
}

int32_t CountOccurrences(std::wstring_view Needle, std::wstring_view Line, bool CaseSensitive) {
  if (Needle.empty() || Line.empty() || Needle.size() > Line.size()) return 0;
  std::wstring s(Needle), l(Line);
  if (!CaseSensitive) {
    UpperCaseAZ(s);
    UpperCaseAZ(l);
  }
  if (s.size() == 1) return ClampCount(static_cast<size_t>(std::count(l.begin(), l.end(), s[0])));
  size_t Count = 0;
  for (size_t From = 0;;) {
    const size_t At = l.find(s, From);
    if (At == std::wstring::npos) break;
    ++Count;
    if (At + 1 + s.size() >= l.size()) break;
    From = At + 1;
  }
  return ClampCount(Count);
}
