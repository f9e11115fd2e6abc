#include <doctest.h>

#include "SearchFixture.h"
#include "search/FolderPrefetch.h"
#include "search/VKRFileFind.h"
#include "support/TestStrings.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

const TFileTypes MainWindowFileType{TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive,
                                    TFileType::ftNormal};
const TFileTypes MainWindowDirType{TFileType::ftSystem, TFileType::ftDirectory};

// A tree wide and deep enough for the workers to list well ahead of the
// walk: 4 folders of 3 folders of 2, each holding files the patterns tell
// apart (x.tmpl only through its short alias X~1.TMP), with a hidden and a
// system folder in every branch and names outside ASCII in some.
struct TWideTree {
  TWideTree() {
    const std::vector<std::wstring> Files = {L"a.tmp", L"b.log", L"c.old", L"d.bak", L"x.tmpl", L"long name.bak",
                                             L"n.txt", L"e.TMP"};
    const auto Fill = [&](const std::wstring& Folder, size_t Seed) {
      for (size_t i = 0; i < Files.size(); ++i)
        if ((i + Seed) % 3 != 0) Dir.MakeFile(Folder + Files[i]);
      if (Seed % 4 == 0) Dir.MakeFile(Folder + L"\u00fcber.tmp");
      if (Seed % 5 == 0) Dir.MakeFile(Folder + L"h.tmp", 1, FILE_ATTRIBUTE_HIDDEN);
    };
    Fill(L"", 0);
    for (int a = 0; a < 4; ++a) {
      const std::wstring A = L"top" + std::to_wstring(a) + L"\\";
      Fill(A, a);
      for (int b = 0; b < 3; ++b) {
        const std::wstring B = A + L"mid" + std::to_wstring(b) + L"\\";
        Fill(B, a + b);
        for (int c = 0; c < 2; ++c) Fill(B + L"leaf" + std::to_wstring(c) + L"\\", a + b + c);
      }
      Dir.MakeDir(A + L"hidden", FILE_ATTRIBUTE_HIDDEN);
      Dir.MakeFile(A + L"hidden\\in.tmp");
      Dir.MakeDir(A + L"system", FILE_ATTRIBUTE_SYSTEM);
      Dir.MakeFile(A + L"system\\in.log");
    }
  }
  TTempDir Dir;
  const std::wstring& Root() const { return Dir.Path(); }
};

// A folder of the walk as text: its path, every entry listed and what each
// pattern reports there.
std::wstring Describe(const TListedFolder& Folder) {
  std::wstring Text = Folder.Path + L":";
  for (size_t i = 0; i < Folder.Entries.size(); ++i) Text += L" " + std::wstring(Folder.Name(i));
  for (const TPatternHits& Hits : Folder.Hits) {
    Text += L" |";
    for (const uint32_t Entry : Hits.Entries) Text += L" " + std::wstring(Folder.Name(Entry));
    for (const std::wstring& Name : Hits.Names) Text += L" " + Name;
  }
  return Text;
}

// The walk's folders as a plain recursion on the calling thread lists them.
void ListInWalkOrder(const TListingPlan& Plan, const std::wstring& Path, bool IsStart, std::vector<std::wstring>& Out) {
  TListedFolder Folder;
  Folder.Path = Path;
  ListFolder(Plan, IsStart, Folder, nullptr, nullptr);
  if (!Folder.Opened && !IsStart) return;
  Out.push_back(Describe(Folder));
  for (const std::wstring& Name : Folder.Subfolders) ListInWalkOrder(Plan, Path + L"\\" + Name, false, Out);
}

}  // namespace

TEST_CASE("the walk's folders come in walk order with their listings, whether workers or the walk list them") {
  const TWideTree Tree;
  TListingPlan Plan;
  for (const wchar_t* Pattern : {L"*.*", L"*.tmp", L"?.log"}) Plan.Patterns.push_back(ClassifyPattern(Pattern));
  Plan.FileWord = WordOf(MainWindowFileType);
  Plan.DirWord = static_cast<uint16_t>(WordOf(MainWindowDirType) | FILE_ATTRIBUTE_DIRECTORY);
  std::vector<std::wstring> Expected;
  ListInWalkOrder(Plan, Tree.Root(), true, Expected);
  REQUIRE(Expected.size() == 45);  // the root, 4 tops, 12 mids, 24 leaves, 4 system folders

  // 0: the workers list nothing ahead, so the walk lists every folder itself;
  // 1: they list one folder ahead and the walk the rest; the default: mostly the workers.
  for (const size_t MostAhead : {size_t{0}, size_t{1}, TFolderPrefetch::DefaultMostAhead}) {
    CAPTURE(MostAhead);
    std::vector<std::wstring> Got;
    TFolderPrefetch Walk(Plan, Tree.Root(), nullptr, MostAhead);
    while (const TListedFolder* Folder = Walk.Next()) Got.push_back(Describe(*Folder));
    CHECK(Got == Expected);
    if (MostAhead == 0) CHECK(Walk.ListedByWalk() == Expected.size() - 1);
  }
}

TEST_CASE("several patterns over a wide tree give what one walk per pattern by current directory gives") {
  const TWideTree Tree;
  TCurrentDirectoryGuard Guard;
  // Patterns answered from the one listing, patterns the platform answers,
  // and both mixed, with files that several of them match.
  const std::vector<std::wstring> PatternLists = {
      L"*.tmp;*.log;*.old;*.bak", L"*.*",         L"*.tmp;?.log;*", L"*.tmpl;*.tmp",
      L"x*;*.tmp;*.TMP",          L"*.t?p;*.log", L"*.bak;*.*;*.tmp",
  };
  struct TCase {
    std::wstring Patterns;
    bool Recursive;
    TFileTypes DirType;
  };
  std::vector<TCase> Cases;
  for (const std::wstring& Patterns : PatternLists)
    for (const bool Recursive : {true, false}) Cases.push_back({Patterns, Recursive, MainWindowDirType});
  Cases.push_back({L"*.tmp;*.log;*.old;*.bak", true, TFileTypes{TFileType::ftDirectory}});
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Patterns));
    CAPTURE(Case.Recursive);
    CAPTURE(static_cast<int>(Case.DirType.Bits()));
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root() + L";" + Tree.Dir / L"top2");
    Find.SetFilePattern(Case.Patterns);
    Find.SetFileType(MainWindowFileType);
    Find.SetDirType(Case.DirType);
    Find.SetRecursive(Case.Recursive);
    CheckSameAsCurrentDirectoryWalk(Find, Guard.Saved());
  }
}

TEST_CASE("a stop ends the walk at once, however far the workers have listed ahead") {
  const TWideTree Tree;
  TCurrentDirectoryGuard Guard;
  CHECK(TFolderPrefetch::WorkerCount() >= 2);
  CHECK(TFolderPrefetch::WorkerCount() <= 4);
  struct TCase {
    const wchar_t* Patterns;
    int StopAtVisit;
  };
  const std::vector<TCase> Cases = {
      // The tree has 45 folders to visit: the second pattern's visits come after them.
      {L"*.*", 1}, {L"*.*", 7}, {L"*.*", 30}, {L"*.tmp;*.log", 3}, {L"*.tmp;*.log", 60}, {L"?.tmp;*.log", 20},
  };
  const DWORD Caller = GetCurrentThreadId();
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Patterns));
    CAPTURE(Case.StopAtVisit);
    std::atomic<bool> Stop{false};
    TVKRFileFind Find;
    Find.SetStartDir(Tree.Root());
    Find.SetFilePattern(Case.Patterns);
    Find.SetFileType(MainWindowFileType);
    Find.SetDirType(MainWindowDirType);
    Find.SetStopRequest(&Stop);
    int Visits = 0;
    size_t FoundAtStop = 0;
    bool OnCaller = true;
    Find.OnChangeDirectory = [&](TObject*, const std::wstring&) {
      OnCaller = OnCaller && GetCurrentThreadId() == Caller;
      if (++Visits != Case.StopAtVisit) return;
      Stop = true;
      FoundAtStop = Find.FilesFound().size();
    };
    Find.Execute();
    CHECK(OnCaller);
    CHECK(Visits == Case.StopAtVisit);
    // The entry in hand is finished; nothing after it.
    CHECK(Find.FilesFound().size() <= FoundAtStop + 1);
    CHECK(Find.FilesFound().size() == Find.MatchHitsCountList().size());
    SetCurrentDirectoryW(Guard.Saved().c_str());
  }
}
