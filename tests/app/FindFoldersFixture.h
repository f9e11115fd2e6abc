#pragma once
// A private profile laid out as Windows lays it out (FindFoldersLayout.h),
// made in a temp folder and removed with it.

#include "support/TempDir.h"
#include "FindFoldersLayout.h"

#include <optional>
#include <string>

class TFindFoldersProfile {
public:
  TTempDir Dir;

  TFindFoldersProfile() {
    for (const TFixturePlace& Place : FixtureLayout()) Dir.MakeDir(Place.Path);
  }

  std::wstring KnownFolder(const KNOWNFOLDERID& Id) const { return FixtureKnownFolder(Dir.Path(), Id); }

  // True when every known folder Delete protects has its place here.
  bool LayoutComplete() const {
    for (const TKnownProtectedFolder& Folder : KnownProtectedFolders())
      if (KnownFolder(*Folder.Id).empty()) return false;
    return true;
  }

  TBaseFolders Bases() const { return FixtureBases(Dir.Path()); }
  std::optional<std::wstring> Base(const std::wstring& Name) const { return Bases().Of(Name); }
  TLocationSystem System() const { return LocationSystemOf(Bases()); }
  TProtectedFolders Protected() const { return TProtectedFolders::System(Bases().KnownFolder, false); }
};
