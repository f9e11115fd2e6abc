#include <doctest.h>

#include "SearchFixture.h"
#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/VKRFileFind.h"
#include "support/TestStrings.h"

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using TLines = std::vector<std::wstring>;

TLines Sorted(TLines Lines) {
  std::sort(Lines.begin(), Lines.end());
  return Lines;
}

void MakeEmptyFile(const std::wstring& Path) {
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  REQUIRE(File.valid());
}

const TFileTypes MainWindowFileType{TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive,
                                    TFileType::ftNormal};
const TFileTypes MainWindowDirType{TFileType::ftSystem, TFileType::ftDirectory};

}  // namespace

TEST_CASE("a new file search has the documented defaults") {
  TVKRFileFind Find;
  CHECK(Find.DirType().Bits() == 0x10);
  CHECK(Find.FileType().Bits() == 0x40);
  CHECK(Find.Recursive());
  CHECK(Find.ThreadPriority() == TThreadPriority::tpIdle);
  CHECK(Find.LangType() == TLangType::ltEnglish);
  CHECK(Find.FilePattern().empty());
  CHECK(Find.StartDir().empty());
  CHECK_FALSE(Find.MatchEnabled());
  CHECK_FALSE(Find.MatchHitsCountEnabled());
  CHECK_FALSE(Find.MatchCaseSensitive());
  CHECK_FALSE(Find.MatchSkipBinaryFile());
}

TEST_CASE("attribute sets are one byte and give the platform's attribute word") {
  struct TCase {
    TFileTypes Types;
    uint8_t Bits;
    uint16_t Word;
  };
  const std::vector<TCase> Cases = {
      {{TFileType::ftDirectory}, 0x10, 0x10},
      {{TFileType::ftNormal}, 0x40, 0x00},
      {{TFileType::ftReadOnly, TFileType::ftHidden, TFileType::ftSystem}, 0x07, 0x07},
      {{TFileType::ftVolumeID, TFileType::ftArchive}, 0x28, 0x28},
      {MainWindowFileType, 0x66, 0x26},
      {MainWindowDirType, 0x14, 0x14},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(static_cast<int>(Case.Bits));
    CHECK(Case.Types.Bits() == Case.Bits);
    CHECK(Case.Types.AttributeWord() == Case.Word);
    CHECK(TFileTypes::FromBits(Case.Bits) == Case.Types);
  }
}

TEST_CASE("FilePattern splits at every semicolon, drops empty pieces and trims nothing") {
  struct TCase {
    std::wstring Text;
    std::wstring ReadBack;
  };
  const std::vector<TCase> Cases = {
      {L"*.tmp;*.log", L"*.tmp;*.log"},
      {L"*.tmp; *.log", L"*.tmp; *.log"},
      {L";;*.tmp;;", L"*.tmp"},
      {L"", L""},
      {L";", L""},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Text));
    TVKRFileFind Find;
    Find.SetFilePattern(Case.Text);
    CHECK(Find.FilePattern() == Case.ReadBack);
  }
}

TEST_CASE("StartDir keeps existing folders only and removes one trailing backslash") {
  TTempDir Dir;
  const std::wstring T = Dir.Path();
  Dir.MakeDir(L"sub");
  const std::wstring File = Dir.MakeFile(L"file.txt");
  struct TCase {
    const char* Name;
    std::wstring Text;
    std::wstring ReadBack;
  };
  const std::vector<TCase> Cases = {
      {"plain", T, T},
      {"trailing backslash", T + L"\\", T},
      {"only one backslash goes", T + L"\\\\", T + L"\\"},
      {"missing folder dropped", T + L"\\;" + T + L"\\missing", T},
      {"missing folder first", T + L"\\missing;" + T + L"\\sub\\", T + L"\\sub"},
      {"a file is no folder", File + L";" + T, T},
      {"order and repeats kept", T + L"\\sub;" + T + L";" + T + L"\\sub", T + L"\\sub;" + T + L";" + T + L"\\sub"},
      {"drive root keeps its backslash", L"C:\\", L"C:\\"},
      {"a lone backslash stays", L"\\", L"\\"},
      {"nothing", L"", L""},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TVKRFileFind Find;
    Find.SetStartDir(Case.Text);
    CHECK(Find.StartDir() == Case.ReadBack);
  }
}

TEST_CASE("the walk gives the results, visits and current directory of a walk by current directory") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  const std::vector<std::wstring> Patterns = {
      L"*.*", L"*", L"*.tmp", L"*.tmp;*.log", L"?.tmp", L"*.TMP", L"nomatch*", L"*.tmp; *.log", L"x.tmp*",
  };
  const std::vector<TFileTypes> FileTypes = {
      {TFileType::ftNormal},
      MainWindowFileType,
      {TFileType::ftNormal, TFileType::ftDirectory},
      {TFileType::ftHidden, TFileType::ftSystem, TFileType::ftDirectory},
  };
  const std::vector<TFileTypes> DirTypes = {
      {TFileType::ftDirectory},
      MainWindowDirType,
      {TFileType::ftHidden, TFileType::ftDirectory},
      {TFileType::ftHidden, TFileType::ftSystem, TFileType::ftDirectory},
  };
  for (const std::wstring& Pattern : Patterns) {
    for (const TFileTypes FileType : FileTypes) {
      for (const TFileTypes DirType : DirTypes) {
        for (const bool Recursive : {true, false}) {
          CAPTURE(WideToUtf8(Pattern));
          CAPTURE(static_cast<int>(FileType.Bits()));
          CAPTURE(static_cast<int>(DirType.Bits()));
          CAPTURE(Recursive);
          TVKRFileFind Find;
          Find.SetStartDir(Tree.Root());
          Find.SetFilePattern(Pattern);
          Find.SetFileType(FileType);
          Find.SetDirType(DirType);
          Find.SetRecursive(Recursive);
          CheckSameAsCurrentDirectoryWalk(Find, Guard.Saved());
        }
      }
    }
  }
}

TEST_CASE("start folders are walked in order, relative ones from the folder entered before") {
  TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  const std::wstring T = Tree.Root();
  const std::wstring Gone = Tree.Dir.MakeDir(L"gone");
  struct TCase {
    const char* Name;
    std::wstring AssignFrom;  // current directory while StartDir is assigned
    std::wstring StartDir;
  };
  const std::vector<TCase> Cases = {
      {"two folders", T, T + L"\\sub1;" + T},
      {"the same folder twice", T, T + L";" + T},
      {"a folder gone before the run", T, Gone + L";" + T + L"\\sub1"},
      {"the last folder gone before the run", T, T + L"\\sub1;" + Gone},
      {"relative folders", T + L"\\sub1", L"deep;..\\hiddendir"},
      {"relative after absolute", T + L"\\sub1", T + L"\\systemdir;.."},
  };
  std::vector<std::unique_ptr<TVKRFileFind>> Finds;
  for (const TCase& Case : Cases) {
    SetCurrentDirectoryW(Case.AssignFrom.c_str());
    Finds.push_back(std::make_unique<TVKRFileFind>());
    Finds.back()->SetStartDir(Case.StartDir);
    Finds.back()->SetFilePattern(L"*.tmp;*.log");
    Finds.back()->SetFileType(MainWindowFileType);
    Finds.back()->SetDirType(MainWindowDirType);
  }
  RemoveDirectoryW(Gone.c_str());
  for (size_t i = 0; i < Cases.size(); ++i) {
    CAPTURE(Cases[i].Name);
    CHECK_FALSE(Finds[i]->StartDir().empty());
    CheckSameAsCurrentDirectoryWalk(*Finds[i], Cases[i].AssignFrom);
  }
}

TEST_CASE("patterns are walked one after the other, each pattern's entries in walk order") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  Dir.MakeFile(L"a.tmp");
  Dir.MakeFile(L"b.log");
  Dir.MakeFile(L"c.txt");
  Dir.MakeFile(L"sub\\d.tmp");
  TVKRFileFind Find;
  Find.SetStartDir(Dir.Path());
  Find.SetFilePattern(L"*.tmp;*.log");

  Find.SetRecursive(false);
  TSearchOutcome Got = RunSearch(Find);
  CHECK(Got.Files == TLines{Dir / L"a.tmp", Dir / L"b.log"});
  CHECK(Got.HitsCounts == TLines{L"0", L"0"});
  CHECK(Got.Visits == TLines{Dir.Path(), Dir.Path()});

  Find.SetRecursive(true);
  Got = RunSearch(Find);
  CHECK(Got.Files == TLines{Dir / L"a.tmp", Dir / L"sub\\d.tmp", Dir / L"b.log"});
  CHECK(Got.Visits == TLines{Dir.Path(), Dir / L"sub", Dir.Path(), Dir / L"sub"});

  // An entry that two patterns match is listed twice, once for each.
  Find.SetFilePattern(L"*.txt;a.*;*.tmp");
  Find.SetRecursive(false);
  Got = RunSearch(Find);
  CHECK(Got.Files == TLines{Dir / L"c.txt", Dir / L"a.tmp", Dir / L"a.tmp"});
  CHECK(Got.Visits == TLines{Dir.Path(), Dir.Path(), Dir.Path()});
}

TEST_CASE("an empty pattern list visits nothing, though the start folder is still entered") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  Dir.MakeFile(L"a.tmp");
  for (const wchar_t* Pattern : {L"", L";;"}) {
    CAPTURE(WideToUtf8(Pattern));
    SetCurrentDirectoryW(Guard.Saved().c_str());
    TVKRFileFind Find;
    Find.SetStartDir(Dir.Path());
    Find.SetFilePattern(Pattern);
    const TSearchOutcome Got = RunSearch(Find);
    CHECK(Got.Visits.empty());
    CHECK(Got.Files.empty());
    CHECK(Got.HitsCounts.empty());
    CHECK(Got.CurrentDirectoryAfter == Dir.Path());
  }
}

TEST_CASE("DirType decides which folders are entered") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  const TLines Always = {L"", L"empty", L"readonlydir", L"sp ace", L"sub1", L"sub1\\deep", L"sub1\\deep\\deeper",
                         L"x.tmp.dir"};
  struct TCase {
    const char* Name;
    TFileTypes DirType;
    TLines Extra;
  };
  const std::vector<TCase> Cases = {
      {"default: neither hidden nor system folders", {TFileType::ftDirectory}, {}},
      {"system folders but no hidden ones", MainWindowDirType, {L"systemdir", L"systemdir\\inner"}},
      {"hidden folders but no system ones", {TFileType::ftHidden, TFileType::ftDirectory}, {L"hiddendir"}},
      {"both",
       {TFileType::ftHidden, TFileType::ftSystem, TFileType::ftDirectory},
       {L"hiddendir", L"hsdir", L"systemdir", L"systemdir\\inner"}},
      {"without ftDirectory the same as with it", {TFileType::ftSystem}, {L"systemdir", L"systemdir\\inner"}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root());
    Find.SetFilePattern(L"*.tmp");
    Find.SetDirType(Case.DirType);
    const TSearchOutcome Got = RunSearch(Find);
    TLines Expected = Always;
    Expected.insert(Expected.end(), Case.Extra.begin(), Case.Extra.end());
    TLines Visited;
    for (const std::wstring& Visit : Got.Visits)
      Visited.push_back(Visit == Tree.Root() ? L"" : RelativeTo(Tree.Root(), {Visit})[0]);
    CHECK(Sorted(Visited) == Sorted(Expected));
  }
}

TEST_CASE("FileType decides which entries are reported; folders without a trailing backslash, never . or ..") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  const TLines Ordinary = {L"README", L"a.tmp", L"archive.txt", L"b.log", L"c.txt", L"readonly.log"};
  const TLines Folders = {L"empty", L"readonlydir", L"sp ace", L"sub1", L"x.tmp.dir"};
  struct TCase {
    const char* Name;
    TFileTypes FileType;
    TLines Extra;
  };
  const std::vector<TCase> Cases = {
      {"ordinary files only", {TFileType::ftNormal}, {}},
      {"the empty set is the same", {}, {}},
      {"read-only and archive bits filter nothing", {TFileType::ftReadOnly, TFileType::ftArchive}, {}},
      {"hidden files", {TFileType::ftHidden}, {L"hidden.tmp"}},
      {"system files", {TFileType::ftSystem}, {L"system.tmp"}},
      {"the main window's filter", MainWindowFileType, {L"hidden.tmp", L"system.tmp", L"hs.tmp"}},
      {"folders", {TFileType::ftNormal, TFileType::ftDirectory}, Folders},
      {"everything",
       {TFileType::ftHidden, TFileType::ftSystem, TFileType::ftDirectory},
       {L"hidden.tmp", L"system.tmp", L"hs.tmp", L"empty", L"readonlydir", L"sp ace", L"sub1", L"x.tmp.dir",
        L"hiddendir", L"systemdir", L"hsdir"}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root());
    Find.SetFilePattern(L"*");
    Find.SetRecursive(false);
    Find.SetFileType(Case.FileType);
    const TSearchOutcome Got = RunSearch(Find);
    TLines Expected = Ordinary;
    Expected.insert(Expected.end(), Case.Extra.begin(), Case.Extra.end());
    CHECK(Sorted(RelativeTo(Tree.Root(), Got.Files)) == Sorted(Expected));
    for (const std::wstring& Path : Got.Files) {
      CAPTURE(WideToUtf8(Path));
      CHECK(Path.back() != L'\\');
      CHECK(Path.back() != L'.');
    }
  }
}

TEST_CASE("a pattern with a folder in it reports nothing instead of entries under the wrong folder") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  Dir.MakeFile(L"a.tmp");
  Dir.MakeFile(L"sub\\b.tmp");
  for (const wchar_t* Pattern : {L"sub\\*.tmp", L"sub/*.tmp", L"..\\*.tmp"}) {
    CAPTURE(WideToUtf8(Pattern));
    TVKRFileFind Find;
    Find.SetStartDir(Dir.Path());
    Find.SetFilePattern(Pattern);
    const TSearchOutcome Got = RunSearch(Find);
    CHECK(Got.Files.empty());
    CHECK(Got.Visits == TLines{Dir.Path(), Dir / L"sub"});
  }
}

TEST_CASE("a drive root keeps its backslash and gives paths such as M:\\a.tmp") {
  TPrivateDrive Drive;
  TCurrentDirectoryGuard Guard;
  REQUIRE_MESSAGE(!Drive.Root().empty(), "no private drive: run through ctest (its fixture step maps one)");
  const std::wstring Root = Drive.Root();
  MakeEmptyFile(Root + L"a.tmp");
  CreateDirectoryW((Root + L"sub").c_str(), nullptr);
  MakeEmptyFile(Root + L"sub\\b.tmp");

  TVKRFileFind Find;
  Find.SetStartDir(Root);
  CHECK(Find.StartDir() == Root);
  Find.SetFilePattern(L"*.tmp");
  const TSearchOutcome Got = RunSearch(Find);
  CHECK(Got.Files == TLines{Root + L"a.tmp", Root + L"sub\\b.tmp"});
  CHECK(Got.Visits == TLines{Root, Root + L"sub"});
  CHECK(Got.CurrentDirectoryAfter == Root);

  // The depth of a file in a drive root is 0.
  CHECK(Find.FilterFilesFoundDepth(0, 0) == 1);
  CHECK(Find.FilesFound() == TLines{Root + L"a.tmp"});
  SetCurrentDirectoryW(Guard.Saved().c_str());
}

TEST_CASE("after a run the current directory is the last start folder that could be entered") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  const std::wstring First = Dir.MakeDir(L"first");
  const std::wstring Second = Dir.MakeDir(L"second");
  Dir.MakeFile(L"first\\inner\\a.tmp");

  SUBCASE("both entered") {
    TVKRFileFind Find;
    Find.SetStartDir(Second + L";" + First);
    Find.SetFilePattern(L"*.tmp");
    CHECK(RunSearch(Find).CurrentDirectoryAfter == First);
  }
  SUBCASE("the last one gone") {
    TVKRFileFind Find;
    Find.SetStartDir(First + L";" + Second);
    Find.SetFilePattern(L"*.tmp");
    RemoveDirectoryW(Second.c_str());
    CHECK(RunSearch(Find).CurrentDirectoryAfter == First);
  }
  SUBCASE("none could be entered") {
    TVKRFileFind Find;
    Find.SetStartDir(Second);
    Find.SetFilePattern(L"*.tmp");
    RemoveDirectoryW(Second.c_str());
    const TSearchOutcome Got = RunSearch(Find);
    CHECK(Got.Visits.empty());
    CHECK(Got.CurrentDirectoryAfter == Guard.Saved());
  }
  SUBCASE("an error leaves it at the folder being visited, with the results so far") {
    TVKRFileFind Find;
    Find.SetStartDir(First);
    Find.SetFilePattern(L"*.tmp");
    Find.Execute();
    const int64_t Before = Find.ExecutionTime();
    Dir.MakeFile(L"first\\b.tmp");
    Find.OnChangeDirectory = [&](TObject*, const std::wstring& Folder) {
      if (Folder == First + L"\\inner") throw EVKRFileFind(L"stop");
    };
    SetCurrentDirectoryW(Guard.Saved().c_str());
    CHECK_THROWS_WITH_AS(Find.Execute(), "stop", EVKRFileFind);
    CHECK(CurrentDirectory() == First + L"\\inner");
    CHECK(Find.FilesFound() == TLines{First + L"\\b.tmp"});
    CHECK(Find.MatchHitsCountList().size() == 1);
    CHECK(Find.ExecutionTime() == Before);
  }
  SetCurrentDirectoryW(Guard.Saved().c_str());
}

TEST_CASE("folder links are reported as entries but never entered") {
  const TLinkTree Tree;
  TCurrentDirectoryGuard Guard;
  REQUIRE_MESSAGE(!Tree.Links().empty(), "no link fixture: run through ctest (its fixture step makes one)");
  struct TCase {
    const char* Name;
    std::wstring Pattern;
    TFileTypes FileType;
    TLines Expected;
  };
  const std::vector<TCase> Cases = {
      {"files", L"*.*", MainWindowFileType, {L"sub\\inner.txt", L"top.txt"}},
      {"files and folders",
       L"*.*",
       {TFileType::ftNormal, TFileType::ftDirectory},
       {L"out", L"sub", L"sub\\inner.txt", L"sub\\up", L"top.txt"}},
      {"by pattern", L"*.txt", MainWindowFileType, {L"sub\\inner.txt", L"top.txt"}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Links());
    Find.SetFilePattern(Case.Pattern);
    Find.SetFileType(Case.FileType);
    Find.SetDirType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftDirectory});
    const TSearchOutcome Got = RunSearch(Find);
    CHECK(Sorted(RelativeTo(Tree.Links(), Got.Files)) == Case.Expected);
    CHECK(Got.Visits == TLines{Tree.Links(), Tree.Links() + L"\\sub"});
  }
}

TEST_CASE("folders deeper than MAX_PATH are listed and reported in the ordinary form") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  std::wstring Deep = Dir.Path();
  for (int Level = 0; Level < 30; ++Level) Deep += L"\\level-" + std::to_wstring(Level) + L"-of-a-deep-tree";
  REQUIRE(Deep.size() > MAX_PATH);
  MakeDeepDirectory(Deep);
  MakeDeepFile(Deep + L"\\needle.txt");

  TVKRFileFind Find;
  Find.SetStartDir(Dir.Path());
  Find.SetFilePattern(L"*.txt");
  Find.SetMatchEnabled(true);
  Find.SetMatchString(L"needle");
  const TSearchOutcome Got = RunSearch(Find);
  CHECK(Got.Files == TLines{Deep + L"\\needle.txt"});
  CHECK(Got.Visits.size() == 31);
  CHECK(Got.Visits.back() == Deep);
  CHECK(Find.FilterFilesFoundDepth(30, 30) == 0);
  CHECK(Find.FilterFilesFoundDepth(0, 29) == 1);

  // A start folder that long works too; it cannot become the current
  // directory, which stays as it was.
  Find.SetStartDir(Deep);
  REQUIRE(Find.StartDir() == Deep);
  SetCurrentDirectoryW(Guard.Saved().c_str());
  Find.Execute();
  CHECK(Find.FilesFound() == TLines{Deep + L"\\needle.txt"});
  CHECK(CurrentDirectory() == Guard.Saved());

  SetCurrentDirectoryW(Guard.Saved().c_str());
  RemoveTree(Dir / L"level-0-of-a-deep-tree");
}

TEST_CASE("content matching keeps the files whose text matches, with their hit counts") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  Dir.MakeFile(L"two.txt", std::string("a needle and a needle"));
  Dir.MakeFile(L"none.txt", std::string("hay only"));
  Dir.MakeFile(L"x;y.txt", std::string("needle"));
  Dir.MakeFile(L"sub\\upper.txt", std::string("NEEDLE\r\nneedle"));
  Dir.MakeDir(L"needle.dir");

  const auto Run = [&](bool CaseSensitive, bool HitsCount) {
    TVKRFileFind Find;
    Find.SetStartDir(Dir.Path());
    Find.SetFilePattern(L"*");
    Find.SetFileType({TFileType::ftNormal, TFileType::ftDirectory});
    Find.SetMatchEnabled(true);
    Find.SetMatchString(L"needle");
    Find.SetMatchCaseSensitive(CaseSensitive);
    Find.SetMatchHitsCountEnabled(HitsCount);
    Find.Execute();
    TLines Lines;
    for (size_t i = 0; i < Find.FilesFound().size(); ++i)
      Lines.push_back(RelativeTo(Dir.Path(), {Find.FilesFound()[i]})[0] + L" " + Find.MatchHitsCountList()[i]);
    return std::make_pair(Sorted(Lines), Find.MatchHitsCount());
  };

  auto [Lines, Total] = Run(false, true);
  CHECK(Lines == TLines{L"sub\\upper.txt 2", L"two.txt 2", L"x;y.txt 1"});
  CHECK(Total == 5);

  std::tie(Lines, Total) = Run(true, true);
  CHECK(Lines == TLines{L"sub\\upper.txt 1", L"two.txt 2", L"x;y.txt 1"});
  CHECK(Total == 4);

  std::tie(Lines, Total) = Run(false, false);
  CHECK(Lines == TLines{L"sub\\upper.txt 0", L"two.txt 0", L"x;y.txt 0"});
  CHECK(Total == 0);

  // Matching on with an empty content pattern lists like matching off.
  TVKRFileFind Find;
  Find.SetStartDir(Dir.Path());
  Find.SetFilePattern(L"*.txt");
  Find.SetMatchEnabled(true);
  Find.Execute();
  CHECK(Find.FilesFound().size() == 4);
}

TEST_CASE("a file that cannot be read for matching ends the run with the results so far") {
  TTempDir Dir;
  TCurrentDirectoryGuard Guard;
  const std::wstring Locked = Dir.MakeFile(L"sub\\locked.txt", std::string("needle"));
  Dir.MakeFile(L"first.txt", std::string("needle"));
  UniqueFile Lock(CreateFileW(Locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  REQUIRE(Lock.valid());

  TVKRFileFind Find;
  Find.SetStartDir(Dir.Path());
  Find.SetFilePattern(L"*.txt");
  Find.SetMatchEnabled(true);
  Find.SetMatchString(L"needle");
  CHECK_THROWS_AS(Find.Execute(), EOSError);
  CHECK(Find.FilesFound() == TLines{Dir / L"first.txt"});
  CHECK(Find.MatchHitsCountList().size() == 1);
  CHECK(CurrentDirectory() == Dir / L"sub");
  SetCurrentDirectoryW(Guard.Saved().c_str());
}

TEST_CASE("the out-of-resources text follows the last LangType of any instance") {
  TVKRFileFind First, Second;
  First.SetLangType(TLangType::ltFrench);
  CHECK(TVKRFileFind::OutOfResourcesMessage() == L"Trop de fichiers");
  Second.SetLangType(TLangType::ltEnglish);
  CHECK(TVKRFileFind::OutOfResourcesMessage() == L"Too many files");
  First.SetLangType(TLangType::ltFrench);
  CHECK(First.LangType() == TLangType::ltFrench);
  CHECK(Second.LangType() == TLangType::ltEnglish);
  CHECK(TVKRFileFind::OutOfResourcesMessage() == L"Trop de fichiers");
  First.SetLangType(TLangType::ltEnglish);
}

TEST_CASE("a start folder whose name ends in a dot is searched itself, not its namesake without the dot") {
  TTempDir Temp;
  Temp.MakeFile(L"name\\other.tmp");
  const std::wstring Folder = Temp.Path() + L"\\name.";
  REQUIRE(CreateDirectoryW((L"\\\\?\\" + Folder).c_str(), nullptr));
  MakeEmptyFile(L"\\\\?\\" + Folder + L"\\mine.tmp");
  TVKRFileFind Find;
  Find.SetFileType(MainWindowFileType);
  Find.SetDirType(MainWindowDirType);
  Find.SetStartDirFolder(Folder);
  Find.SetFilePattern(L"*.*");
  Find.Execute();
  CHECK(Find.FilesFound() == TLines{Folder + L"\\mine.tmp"});
}
