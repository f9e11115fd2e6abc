#include <doctest.h>

#include "search/FolderSize.h"
#include "search/VKRFileFind.h"
#include "support/TestStrings.h"
#include "tests/search/SearchFixture.h"

#include <string>
#include <vector>

TEST_CASE("a folder tree's size counts every file, hidden and system ones and those in hidden folders") {
  TAttributeTree Tree;  // fifteen files of 7 bytes, five of 1 byte
  TCurrentDirectoryGuard Guard;
  CHECK(FolderTreeSize(Tree.Root()) == 110);
  CHECK(FolderTreeSize(Tree.Root() + L"\\") == 110);
  CHECK(FolderTreeSize(Tree.Dir / L"sub1") == 28);
  CHECK(FolderTreeSize(Tree.Dir / L"empty") == 0);
  CHECK(FolderTreeSize(Tree.Dir / L"missing") == -1);
  CHECK(FolderTreeSize(Tree.Dir / L"a.tmp") == -1);
}

TEST_CASE("a folder tree's size never goes through a folder link") {
  TLinkTree Tree;
  REQUIRE_MESSAGE(!Tree.Links().empty(), "no link fixture: run through ctest (its fixture step makes one)");
  // top.txt and sub\inner.txt only: neither the link to the ancestor nor the
  // one to the folder beside the tree is followed.
  const auto SizeOf = [](const std::wstring& File) {
    WIN32_FILE_ATTRIBUTE_DATA Data{};
    REQUIRE(GetFileAttributesExW(File.c_str(), GetFileExInfoStandard, &Data));
    return static_cast<int64_t>(Data.nFileSizeLow);
  };
  CHECK(FolderTreeSize(Tree.Links()) == SizeOf(Tree.Links() + L"\\top.txt") + SizeOf(Tree.Links() + L"\\sub\\inner.txt"));
}

TEST_CASE("the size measured from a search's listings equals the size measured alone") {
  TAttributeTree Tree;
  TLinkTree Links;
  TCurrentDirectoryGuard Guard;
  struct TShape {
    const char* Name;
    const wchar_t* Pattern;
    bool Recursive;
    TFileTypes DirType;
  };
  const std::vector<TShape> Shapes = {
      {"all files, as the program searches", L"*.*", true, {TFileType::ftSystem, TFileType::ftDirectory}},
      {"all files, plain folders only", L"*", true, {TFileType::ftDirectory}},
      {"not recursive", L"*.*", false, {TFileType::ftSystem, TFileType::ftDirectory}},
      {"two extensions", L"*.tmp;*.log", true, {TFileType::ftSystem, TFileType::ftDirectory}},
      {"two extensions, not recursive", L"*.tmp;*.log", false, {TFileType::ftDirectory}},
      {"no pattern at all", L"", true, {TFileType::ftSystem, TFileType::ftDirectory}},
  };
  std::vector<std::wstring> Roots{Tree.Root(), Tree.Dir / L"sub1", Tree.Dir / L"missing"};
  if (!Links.Links().empty()) Roots.push_back(Links.Links());
  for (const TShape& Shape : Shapes) {
    for (const std::wstring& Root : Roots) {
      CAPTURE(Shape.Name);
      CAPTURE(WideToUtf8(Root));
      TVKRFileFind Find;
      Find.SetFilePattern(Shape.Pattern);
      Find.SetRecursive(Shape.Recursive);
      Find.SetFileType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive, TFileType::ftNormal});
      Find.SetDirType(Shape.DirType);
      Find.SetStartDir(Root);
      TFolderTreeMeasure Measure;
      Find.SetListingObserver(&Measure);
      Find.Execute();
      CHECK(Measure.Result(Root) == FolderTreeSize(Root));
    }
  }
}
