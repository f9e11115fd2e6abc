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

}  // namespace

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
