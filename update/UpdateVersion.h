#pragma once
// Versions of releases: dotted numbers ("1.0.0.10", "1.02"), compared part
// by part as numbers, a missing part counting as 0, so that 1.0.0.10 is newer
// than 1.0.0.9, 10.00.00 newer than 9.99.99 and 1.2 the same as 1.2.0.

#include <string>

enum class TVersionOrder {
  voOlder,       // the advertised version is older than the running one
  voSame,        // the same version, however it is written
  voNewer,       // the advertised version is newer
  voNotANumber,  // one of the two is no dotted number: nothing can be said
};

// True for one or more parts of the digits 0-9 alone, separated by single
// dots ("1", "1.02.3"); false for "", "1.", ".1", "1..2", "1.0a", "v1", " 1".
bool IsVersionNumber(const std::wstring& Version);

// How Advertised stands to Running. An empty Running (a program without a
// version resource) counts as 0, so that any advertised version is newer.
TVersionOrder CompareVersions(const std::wstring& Running, const std::wstring& Advertised);

// The advertised version is newer exactly when both are numbers and it is
// the greater.
bool IsNewerVersion(const std::wstring& Running, const std::wstring& Advertised);
