#include "search/VKRMatch.h"

#include "framework/FileSystem.h"
#include "search/MatchEngine.h"
#include "search/TextFile.h"

#include <limits>

namespace {

// Lines are tested by the simple engine through a window of this many characters.
constexpr size_t SimpleLineWindow = 8192;

void AddHits(int32_t& Total, int32_t Hits) {
  Total = Hits > std::numeric_limits<int32_t>::max() - Total ? std::numeric_limits<int32_t>::max() : Total + Hits;
}

}  // namespace

TVKRMatch::TVKRMatch() { FConvert.SetBreakString(L";"); }

std::wstring TVKRMatch::Pattern() const {
  if (FPattern.size() < 2) return {};
  return FPattern.substr(1, FPattern.size() - 2);
}

void TVKRMatch::SetPattern(const std::wstring& Value) { FPattern = L"*" + Value + L"*"; }

std::wstring TVKRMatch::Source() const {
  if (!FSourceIsFile) return FStringSource;
  return TVKRBreakApart::Join(FSource, FConvert.BreakString());
}

void TVKRMatch::SetSource(const std::wstring& Value) {
  if (!FSourceIsFile) {
    FStringSource = Value;
    return;
  }
  FConvert.SetBaseString(Value);
  FConvert.BreakApart();
  FSource = FConvert.StringList();
}

bool TVKRMatch::IsUsedFile(const std::wstring& FileName) const {
  if (!FileExists(FileName)) return false;
  return !FSkipBinaryFile || LooksLikeTextFile(FileName);
}

bool TVKRMatch::Match() {
  FHitsCount = 0;
  if (FHitsCountEnabled) {
    if (FSourceIsFile) return MatchFilesCounting();
    const bool Found = TSetPattern(FPattern, FCaseSensitive).Matches(FStringSource);
    FHitsCount = CountOccurrences(Pattern(), FStringSource, FCaseSensitive);
    return Found;
  }
  if (FSourceIsFile) return MatchFilesSimple();
  return SimpleWildcardMatch(FStringSource, FPattern, FCaseSensitive, FExtraChars);
}

bool TVKRMatch::MatchFilesCounting() {
  const TSetPattern Compiled(FPattern, FCaseSensitive);
  const std::wstring Needle = Pattern();
  bool Found = false;
  std::wstring Line;
  for (const std::wstring& FileName : FSource) {
    if (!IsUsedFile(FileName)) continue;
    TTextFileReader Reader(FileName);
    // Every line counts its hits, also after the first match.
    while (Reader.ReadLine(Line)) {
      if (!Found) Found = Compiled.Matches(Line);
      AddHits(FHitsCount, CountOccurrences(Needle, Line, FCaseSensitive));
    }
  }
  return Found;
}

bool TVKRMatch::MatchFilesSimple() {
  bool Found = false;
  std::wstring Line;
  for (const std::wstring& FileName : FSource) {
    if (!IsUsedFile(FileName)) continue;
    // Files are read to their end even after a match, so a read error in
    // any used file still surfaces.
    TTextFileReader Reader(FileName);
    while (Reader.ReadLine(Line)) {
      if (Found) continue;
      const std::wstring_view Window = std::wstring_view(Line).substr(0, SimpleLineWindow);
      Found = SimpleWildcardMatch(Window, FPattern, FCaseSensitive, FExtraChars);
    }
  }
  return Found;
}
