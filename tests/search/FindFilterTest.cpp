#include <doctest.h>

#include "SearchFixture.h"
#include "framework/Exception.h"
#include "framework/Text.h"
#include "search/FindPaths.h"
#include "search/VKRFileFind.h"
#include "support/TestStrings.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using TLines = std::vector<std::wstring>;

TLines Sorted(TLines Lines) {
  std::sort(Lines.begin(), Lines.end());
  return Lines;
}

}  // namespace

TEST_CASE("folder depth counts the pieces without a colon, a UNC machine name left out") {
  struct TCase {
    std::wstring Path;
    int32_t Depth;
  };
  const std::vector<TCase> Cases = {
      {L"C:\\", 0},
      {L"C:", 0},
      {L"C:\\Temp", 1},
      {L"C:\\Temp\\", 1},
      {L"C:\\Temp\\a\\", 2},
      {L"C:\\\\Temp\\\\a", 2},
      {L"\\\\server\\share\\dir", 2},
      {L"\\\\server\\share\\", 1},
      {L"\\\\server", 0},
      {L"\\Temp\\a", 2},
      {L"a:b\\c", 1},
      {L"", 0},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Path));
    CHECK(FolderDepth(Case.Path) == Case.Depth);
  }
}

TEST_CASE("path depth takes the path itself only when it is an existing folder") {
  TTempDir Dir;
  Dir.MakeDir(L"sub\\inner");
  Dir.MakeFile(L"file.txt");
  const std::wstring T = Dir.Path();
  const int32_t Base = FolderDepth(T);
  struct TCase {
    std::wstring Path;
    int32_t Depth;
  };
  const std::vector<TCase> Cases = {
      {T, Base},
      {T + L"\\", Base},
      {T + L"\\sub", Base + 1},
      {T + L"\\sub\\inner", Base + 2},
      {T + L"\\file.txt", Base},
      {T + L"\\missing", Base},
      {T + L"\\missing\\x.txt", Base + 1},
      {L"\\\\server\\share\\dir\\file.txt", 2},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Path));
    CHECK(PathDepth(Case.Path) == Case.Depth);
  }
}

TEST_CASE("common prefix length stops at the last separator before a difference") {
  struct TCase {
    std::wstring A, B;
    int32_t Length;
  };
  const std::vector<TCase> Cases = {
      {L"C:\\A\\x", L"C:\\B\\y", 3},
      {L"C:\\AB", L"C:\\AC", 3},
      {L"C:\\Temp\\a", L"C:\\Temp\\b", 8},
      {L"C:\\Temp", L"C:\\Temp2", 7},
      {L"C:\\Temp2", L"C:\\Temp", 7},
      {L"C:\\Temp", L"C:\\Te", 5},
      {L"C:\\Temp", L"C:\\Temp", 7},
      {L"C:\\a", L"C:\\A", 3},
      {L"C:\\x", L"D:\\x", 0},
      {L"abc", L"abd", 0},
      {L"", L"C:\\", 0},
      {L"C:\\", L"", 0},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.A));
    CAPTURE(WideToUtf8(Case.B));
    CHECK(CommonPrefixLength(Case.A, Case.B) == Case.Length);
  }
}

TEST_CASE("start folders resolve as making them current would") {
  struct TCase {
    std::wstring Base;
    std::wstring Path;
    std::wstring Resolved;
  };
  SetEnvironmentVariableW(L"=Q:", L"Q:\\kept");
  const std::vector<TCase> Cases = {
      {L"C:\\a\\b", L"x", L"C:\\a\\b\\x"},
      {L"C:\\a\\b", L"..\\x", L"C:\\a\\x"},
      {L"C:\\a\\b", L".", L"C:\\a\\b"},
      {L"C:\\a\\b", L"\\x", L"C:\\x"},
      {L"C:\\a\\b", L"\\", L"C:\\"},
      {L"C:\\a\\b", L"c:x", L"C:\\a\\b\\x"},
      {L"C:\\a\\b", L"Q:x", L"Q:\\kept\\x"},
      {L"C:\\a\\b", L"Q:", L"Q:\\kept"},
      {L"C:\\a\\b", L"C:\\y\\", L"C:\\y"},
      {L"C:\\a\\b", L"C:/y/z", L"C:\\y\\z"},
      {L"C:\\a\\b", L"D:\\", L"D:\\"},
      {L"C:\\", L"x", L"C:\\x"},
      {L"\\\\srv\\share\\dir", L"\\x", L"\\\\srv\\share\\x"},
      {L"C:\\a", L"\\\\srv\\share\\", L"\\\\srv\\share"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Base));
    CAPTURE(WideToUtf8(Case.Path));
    CHECK(ResolveDirectory(Case.Base, Case.Path) == Case.Resolved);
  }
  SetEnvironmentVariableW(L"=Q:", nullptr);
}

TEST_CASE("the depth filter keeps the entries between two depths below the start folder") {
  TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  const TLines Depth0 = {L"README", L"a.tmp", L"archive.txt", L"b.log", L"c.txt", L"readonly.log"};
  const TLines Depth1 = {L"empty",       L"readonlydir",      L"sp ace",     L"sub1",         L"x.tmp.dir",
                         L"sub1\\d.tmp", L"sub1\\e.log",      L"readonlydir\\l.tmp", L"sp ace\\m.tmp",
                         L"x.tmp.dir\\n.log"};
  const TLines Depth2 = {L"sub1\\deep", L"sub1\\deep\\f.tmp"};
  const TLines Depth3 = {L"sub1\\deep\\deeper", L"sub1\\deep\\deeper\\g.log"};
  const auto Join = [](std::initializer_list<TLines> Parts) {
    TLines All;
    for (const TLines& Part : Parts) All.insert(All.end(), Part.begin(), Part.end());
    return All;
  };
  struct TCase {
    int32_t Min, Max;
    TLines Kept;
  };
  const std::vector<TCase> Cases = {
      {0, 0, Depth0},
      {1, 1, Depth1},
      {0, 8, Join({Depth0, Depth1, Depth2, Depth3})},
      {2, 3, Join({Depth2, Depth3})},
      {-5, 1, Join({Depth0, Depth1})},
      {3, 1, {}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Min);
    CAPTURE(Case.Max);
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root());
    Find.SetFilePattern(L"*");
    Find.SetFileType({TFileType::ftNormal, TFileType::ftDirectory});
    Find.Execute();
    const size_t Found = Find.FilesFound().size();
    REQUIRE(Found == 20);
    const int32_t Removed = Find.FilterFilesFoundDepth(Case.Min, Case.Max);
    CHECK(Sorted(RelativeTo(Tree.Root(), Find.FilesFound())) == Sorted(Case.Kept));
    CHECK(static_cast<size_t>(Removed) == Found - Case.Kept.size());
    CHECK(Find.MatchHitsCountList().size() == Find.FilesFound().size());
  }

  SUBCASE("a folder entry that is gone by then counts as a file of its parent") {
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root());
    Find.SetFilePattern(L"*");
    Find.SetRecursive(false);
    Find.SetFileType({TFileType::ftNormal, TFileType::ftDirectory});
    Find.Execute();
    RemoveDirectoryW((Tree.Root() + L"\\empty").c_str());
    Find.FilterFilesFoundDepth(0, 0);
    TLines Expected = Depth0;
    Expected.push_back(L"empty");
    CHECK(Sorted(RelativeTo(Tree.Root(), Find.FilesFound())) == Sorted(Expected));
  }

  SUBCASE("several start folders count from their common folder") {
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root() + L"\\sub1;" + Tree.Root() + L"\\x.tmp.dir");
    Find.SetFilePattern(L"*.*");
    Find.Execute();
    CHECK(Find.FilterFilesFoundDepth(1, 1) == 2);
    CHECK(Sorted(RelativeTo(Tree.Root(), Find.FilesFound())) ==
          Sorted(TLines{L"sub1\\d.tmp", L"sub1\\e.log", L"x.tmp.dir\\n.log"}));
  }

  SUBCASE("no start folder removes nothing") {
    TVKRFileFind Find;
    Find.SetFilesFound({Tree.Root() + L"\\a.tmp"});
    Find.SetMatchHitsCountList({L"0"});
    CHECK(Find.FilterFilesFoundDepth(5, 5) == 0);
    CHECK(Find.FilesFound().size() == 1);
  }
}

TEST_CASE("filters take the removed entries' hits off the total") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  Dir.MakeFile(L"top.txt", std::string("needle needle needle"));
  Dir.MakeFile(L"sub\\low.txt", std::string("needle"));
  Dir.MakeFile(L"sub\\copy.~txt", std::string("needle needle"));
  TVKRFileFind Find;
  Find.SetStartDir(Dir.Path());
  Find.SetFilePattern(L"*");
  Find.SetMatchEnabled(true);
  Find.SetMatchHitsCountEnabled(true);
  Find.SetMatchString(L"needle");
  Find.Execute();
  REQUIRE(Find.MatchHitsCount() == 6);

  CHECK(Find.FilterFilesFoundBackup() == 1);
  CHECK(Find.MatchHitsCount() == 4);
  CHECK(Find.FilterFilesFoundDepth(0, 0) == 1);
  CHECK(Find.MatchHitsCount() == 3);
  CHECK(Sorted(Find.FilesFound()) == Sorted(TLines{Dir / L"top.txt"}));
  CHECK(Sorted(Find.MatchHitsCountList()) == Sorted(TLines{L"3"}));
}

TEST_CASE("a hit count that is not a number stops a filter where it stands") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  const TLines Found = {Dir / L"keep.txt", Dir / L"a.~1", Dir / L"b.~2", Dir / L"c.~3", Dir / L"keep2.txt"};

  SUBCASE("conversion error") {
    TVKRFileFind Find;
    Find.SetFilesFound(Found);
    Find.SetMatchHitsCountList({L"0", L"0", L"x", L"0", L"0"});
    CHECK_THROWS_AS(Find.FilterFilesFoundBackup(), EConvertError);
    // a.~1 went; b.~2 raised and stays, like everything after it.
    CHECK(Sorted(Find.FilesFound()) == Sorted(TLines{Dir / L"keep.txt", Dir / L"b.~2", Dir / L"c.~3", Dir / L"keep2.txt"}));
    CHECK(Find.MatchHitsCountList() == TLines{L"0", L"x", L"0", L"0"});
  }
  SUBCASE("a hit-count list shorter than the found list") {
    TVKRFileFind Find;
    Find.SetFilesFound(Found);
    Find.SetMatchHitsCountList({L"0", L"0"});
    CHECK_THROWS_AS(Find.FilterFilesFoundBackup(), EListError);
    CHECK(Find.FilesFound().size() == 4);
    CHECK(Find.MatchHitsCountList() == TLines{L"0"});
  }
}

TEST_CASE("the backup filter removes extensions that start with .~") {
  struct TCase {
    std::wstring Path;
    bool Removed;
  };
  const std::vector<TCase> Cases = {
      {L"C:\\t\\report.~doc", true},  {L"C:\\t\\a.~", true},         {L"C:\\t\\.~lock", true},
      {L"C:\\t\\a.b~", false},        {L"C:\\t\\~a.doc", false},     {L"C:\\t\\dir.~x\\file", false},
      {L"C:\\t\\a.~b.txt", false},    {L"C:\\t\\noextension", false}, {L"C:\\t\\a.~\\b", false},
  };
  TVKRFileFind Find;
  TLines Paths, Kept;
  for (const TCase& Case : Cases) {
    Paths.push_back(Case.Path);
    if (!Case.Removed) Kept.push_back(Case.Path);
  }
  Find.SetFilesFound(Paths);
  Find.SetMatchHitsCountList(TLines(Paths.size(), L"0"));
  CHECK(static_cast<size_t>(Find.FilterFilesFoundBackup()) == Paths.size() - Kept.size());
  CHECK(Find.FilesFound() == Kept);
  CHECK(Find.MatchHitsCountList().size() == Kept.size());
  CHECK(Find.FilterFilesFoundBackup() == 0);
}
