#include "update/UpdateVersion.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

bool IsDigit(wchar_t C) { return C >= L'0' && C <= L'9'; }

// The parts without their leading zeros ("007" is "7", "0" and "00" are "");
// none when the text is no dotted number.
bool SplitVersion(std::wstring_view Version, std::vector<std::wstring_view>& Parts) {
  Parts.clear();
  size_t Start = 0;
  for (;;) {
    const size_t Dot = std::min(Version.find(L'.', Start), Version.size());
    std::wstring_view Part = Version.substr(Start, Dot - Start);
    if (Part.empty() || !std::all_of(Part.begin(), Part.end(), IsDigit)) return false;
    // A part may be longer than any integer type holds: compared as digits.
    while (!Part.empty() && Part.front() == L'0') Part.remove_prefix(1);
    Parts.push_back(Part);
    if (Dot == Version.size()) return true;
    Start = Dot + 1;
  }
}

// Two parts without leading zeros: the longer is the greater number.
int CompareParts(std::wstring_view A, std::wstring_view B) {
  if (A.size() != B.size()) return A.size() < B.size() ? -1 : 1;
  const int Order = A.compare(B);
  return Order < 0 ? -1 : Order > 0 ? 1 : 0;
}

}  // namespace

bool IsVersionNumber(const std::wstring& Version) {
  std::vector<std::wstring_view> Parts;
  return SplitVersion(Version, Parts);
}

TVersionOrder CompareVersions(const std::wstring& Running, const std::wstring& Advertised) {
  std::vector<std::wstring_view> Own;
  std::vector<std::wstring_view> Offered;
  if (!Running.empty() && !SplitVersion(Running, Own)) return TVersionOrder::voNotANumber;
  if (!SplitVersion(Advertised, Offered)) return TVersionOrder::voNotANumber;
  const size_t Count = std::max(Own.size(), Offered.size());
  for (size_t i = 0; i < Count; ++i) {
    const std::wstring_view A = i < Own.size() ? Own[i] : std::wstring_view();
    const std::wstring_view B = i < Offered.size() ? Offered[i] : std::wstring_view();
    const int Order = CompareParts(A, B);
    if (Order != 0) return Order < 0 ? TVersionOrder::voNewer : TVersionOrder::voOlder;
  }
  return TVersionOrder::voSame;
}

bool IsNewerVersion(const std::wstring& Running, const std::wstring& Advertised) {
  return CompareVersions(Running, Advertised) == TVersionOrder::voNewer;
}
