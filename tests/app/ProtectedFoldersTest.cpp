#include <doctest.h>

#include "app/FolderDelete.h"
#include "app/ProtectedFolders.h"
#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "search/FolderSize.h"
#include "search/Subfolders.h"
#include "support/CurrentDirectory.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "support/Trash.h"
#include "DeleteModes.h"
#include "Links.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every file and folder below Top, by path relative to it, links marked and
// not entered: what a test compares before and after to see that nothing
// there changed.
TTexts Tree(const std::wstring& Top) {
  TTexts Result;
  for (TFolderListing Listing(Top); Listing.HasEntry(); Listing.Next()) {
    const WIN32_FIND_DATAW& Entry = Listing.Entry();
    if (IsDotName(Entry.cFileName)) continue;
    const std::wstring Name = Entry.cFileName;
    if ((Entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      Result.push_back(Name + L"@");
    } else if ((Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Result.push_back(Name + L"\\");
      for (const std::wstring& Below : Tree(JoinPath(Top, Name))) Result.push_back(Name + L"\\" + Below);
    } else {
      Result.push_back(Name);
    }
  }
  std::sort(Result.begin(), Result.end());
  return Result;
}

std::wstring Known(const KNOWNFOLDERID& Id) {
  PWSTR Path = nullptr;
  std::wstring Result;
  if (SUCCEEDED(SHGetKnownFolderPath(Id, 0, nullptr, &Path))) Result = Path;
  CoTaskMemFree(Path);
  return Result;
}

// A fixture of folders standing for the system's: a Windows folder with its
// Temp, Fonts and others; a profile with AppData\Local and a folder with a
// long name; a plain folder beside them. Each holds a file.
struct TFixtureFolders {
  TTempDir Dir;
  std::wstring Windows = Dir.MakeDir(L"win");
  std::wstring Profile = Dir.MakeDir(L"prof");
  std::wstring Local = Dir.MakeDir(L"prof\\AppData\\Local");
  std::wstring Documents = Dir.MakeDir(L"prof\\Long Folder Name");
  std::wstring Plain = Dir.MakeDir(L"plain");
  TFixtureFolders() {
    for (const wchar_t* File : {L"win\\Temp\\t.tmp", L"win\\Temp\\sub\\s.tmp", L"win\\Fonts\\f.tmp",
                                L"win\\other\\deep\\d.tmp", L"prof\\p.tmp", L"prof\\AppData\\Local\\l.tmp",
                                L"prof\\AppData\\Local\\Temp\\lt.tmp", L"prof\\Long Folder Name\\doc.tmp",
                                L"plain\\sub\\x.tmp"})
      Dir.MakeFile(File, std::string("content"));
  }
  TProtectedFolders Set() const {
    return TProtectedFolders({{Profile, L"the user's profile folder"},
                              {Local, L"the Local folder"},
                              {Documents, L"the Documents folder"}},
                             Windows, WindowsFolderAllowed(), false);
  }
};

}  // namespace

TEST_CASE("only full paths are searched, measured or emptied: relative entries never touch the current folder") {
  TComScope Com;
  TTempDir Dir;
  for (const wchar_t* File : {L"a.tmp", L"temp\\b.tmp", L"temp\\in\\c.tmp", L"5\\d.tmp", L"sub\\e.tmp"})
    Dir.MakeFile(File, std::string("keep"));
  const TTexts Before = Tree(Dir.Path());
  REQUIRE(Before.size() == 9);
  TCurrentDirectory Here(Dir.Path());
  REQUIRE(Here.Set());
  for (const wchar_t* Entry : {L".", L"temp", L"5", L"C:", L"C:sub", L"", L"..\\x", L"\\temp"}) {
    CAPTURE(WideToUtf8(Entry));
    CHECK_FALSE(IsFullPath(Entry));
    CHECK(ProtectedFolderReason(Entry) == L"not a full path: it would be taken from wherever the program stands");
    CHECK(ListSubfolders(Entry).empty());
    CHECK(FolderTreeSize(Entry) == -1);
    CHECK(SubfoldersToDelete(Entry).empty());
    for (const TDeleteMode Mode : BothModes) {
      CAPTURE(ModeName(Mode));
      int32_t Stayed = -1;
      CHECK(DeleteSubfolders(Entry, Mode, {}, {}, &Stayed) == 0);
      CHECK(Stayed == 0);
      TTexts Files{L"a.tmp", L"temp\\b.tmp", Dir / L"temp\\b.tmp"};
      CHECK(DeleteFoundFiles(Entry, Files, Mode, {}));
      CHECK(Files.size() == 3);
      // Without a listed folder a relative file is still never reached.
      TTexts Relative{L"a.tmp", L"temp\\b.tmp", L"C:a.tmp"};
      CHECK(DeleteFoundFiles(Relative, Mode, {}));
      CHECK(Relative.size() == 3);
    }
  }
  CHECK(Tree(Dir.Path()) == Before);
}

TEST_CASE("full paths: which spellings count") {
  const struct {
    const wchar_t* Path;
    bool Full;
  } Cases[] = {
      {L"C:\\", true},           {L"c:/x", true},          {L"\\\\server\\share", true},
      {L"\\\\server\\share\\x", true}, {L"\\\\?\\C:\\x", true}, {L"\\\\?\\UNC\\server\\share\\x", true},
      {L"C:", false},            {L"C:x", false},          {L"x", false},
      {L"5", false},             {L"", false},             {L"\\x", false},
      {L"\\\\server", false},    {L"\\\\server\\", false}, {L"\\\\.\\C:\\x", false},
      {L"\\\\?\\UNC\\server", false}, {L"\\\\?\\Volume{0}\\", false}, {L"1:\\x", false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Path));
    CHECK(IsFullPath(Case.Path) == Case.Full);
  }
}

TEST_CASE("the protected set goes by identity: every spelling of a protected folder is refused, and its holders") {
  TFixtureFolders F;
  const TProtectedFoldersOverride Override(F.Set());
  wchar_t Short[MAX_PATH] = L"";
  const DWORD ShortLength = GetShortPathNameW(F.Documents.c_str(), Short, MAX_PATH);
  REQUIRE(ShortLength > 0);
  REQUIRE(std::wstring(Short) != F.Documents);  // a short name that differs, or nothing is shown
  const std::wstring InsideWindows = L"a folder inside the Windows folder";
  const struct {
    std::wstring Folder;
    std::wstring Reason;
  } Cases[] = {
      {F.Windows, L"the Windows folder"},
      {F.Windows + L"\\", L"the Windows folder"},
      {F.Windows + L"\\Fonts\\..", L"the Windows folder"},
      {F.Windows + L"\\Fonts", InsideWindows},
      {F.Windows + L"\\other\\deep", InsideWindows},
      {F.Windows + L"\\Temp", L""},
      {F.Windows + L"\\TEMP\\sub", L""},
      {F.Profile, L"the user's profile folder"},
      {L"\\\\?\\" + F.Profile, L"the user's profile folder"},
      {F.Dir / L"PROF", L"the user's profile folder"},
      {F.Dir / L"prof\\AppData", L"a folder that holds the Local folder"},
      {F.Local, L"the Local folder"},
      {F.Local + L"\\Temp", L""},
      {F.Documents, L"the Documents folder"},
      {Short, L"the Documents folder"},
      {F.Dir.Path(), L"a folder that holds the user's profile folder"},
      {F.Plain, L""},
      {F.Plain + L"\\sub", L""},
      {F.Dir / L"missing", L""},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    CHECK(ProtectedFolderReason(Case.Folder) == Case.Reason);
  }
}

TEST_CASE("a second drive letter, a link and a short name reach a protected folder: each is refused, nothing goes") {
  TComScope Com;
  TFixtureFolders F;
  const TTexts Before = Tree(F.Dir.Path());
  const std::wstring ProfileLink = F.Dir / L"linkprof";
  const std::wstring WindowsLink = F.Dir / L"linkwin";
  const std::wstring PlainLink = F.Dir / L"linkplain";
  const bool Linked = MakeLink(ProfileLink, L"prof", true) && MakeLink(WindowsLink, L"win", true) &&
                      MakeLink(PlainLink, L"plain", true);
  const TSecondDrive Drive(F.Dir.Path());
  // Made with the drive in place: Wine's volume serials follow the drive map.
  const TProtectedFoldersOverride Override(F.Set());
  wchar_t Short[MAX_PATH] = L"";
  GetShortPathNameW(F.Documents.c_str(), Short, MAX_PATH);
  REQUIRE(Linked);
  REQUIRE_FALSE(Drive.Root().empty());
  const std::wstring Link = L"a link or junction: what it leads to is not emptied";
  const struct {
    std::wstring Folder;
    std::wstring Reason;
  } Cases[] = {
      {Drive.Root() + L"win", L"the Windows folder"},
      {Drive.Root() + L"win\\Fonts", L"a folder inside the Windows folder"},
      {Drive.Root() + L"prof", L"the user's profile folder"},
      {Drive.Root() + L"prof\\AppData", L"a folder that holds the Local folder"},
      {Drive.Root(), L"a folder that holds the user's profile folder"},
      {ProfileLink, Link},
      {WindowsLink, Link},
      {PlainLink, Link},  // a listed link is never emptied, wherever it leads
      {Short, L"the Documents folder"},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    CHECK(ProtectedFolderReason(Case.Folder) == Case.Reason);
    for (const TDeleteMode Mode : BothModes) {
      CAPTURE(ModeName(Mode));
      CHECK(DeleteSubfolders(Case.Folder, Mode) == 0);
      CHECK(SubfoldersToDelete(Case.Folder).empty());
      TTexts Files{JoinPath(Case.Folder, L"p.tmp"), JoinPath(Case.Folder, L"doc.tmp"), JoinPath(Case.Folder, L"x.tmp")};
      CHECK(DeleteFoundFiles(Case.Folder, Files, Mode, {}));
      CHECK(Files.size() == 3);
    }
  }
  // Through the second drive, an allowed folder of the Windows folder is emptied as usual.
  CHECK(DeleteSubfolders(Drive.Root() + L"win\\Temp", TDeleteMode::dmPermanent) == 1);
  CHECK_FALSE(Exists(F.Windows + L"\\Temp\\sub"));
  TTexts Expected = Before;
  std::erase_if(Expected, [](const std::wstring& Entry) { return Entry.rfind(L"win\\Temp\\sub", 0) == 0; });
  TTexts After = Tree(F.Dir.Path());
  std::erase_if(After, [](const std::wstring& Entry) { return Entry.rfind(L"link", 0) == 0; });
  CHECK(After == Expected);
  for (const std::wstring& Made : {ProfileLink, WindowsLink, PlainLink}) RemoveLink(Made);
}

TEST_CASE("the system's protected set: known folders and what holds them are refused, the temp folders are not") {
  TComScope Com;
  wchar_t UserTemp[MAX_PATH] = L"";
  REQUIRE(GetTempPathW(MAX_PATH, UserTemp) > 0);
  const std::wstring Windows = Known(FOLDERID_Windows);
  const std::wstring Profile = Known(FOLDERID_Profile);
  const std::wstring Roaming = Known(FOLDERID_RoamingAppData);
  REQUIRE_FALSE(Windows.empty());
  REQUIRE_FALSE(Profile.empty());
  REQUIRE_FALSE(Roaming.empty());
  const struct {
    std::wstring Folder;
    bool Refused;
  } Cases[] = {
      {Windows, true},
      {Known(FOLDERID_System), true},
      {Windows + L"\\SysWOW64", true},
      {Known(FOLDERID_Fonts), true},
      {Windows + L"\\system32\\drivers", true},
      {ExtractFilePath(Roaming), true},  // AppData, which holds Local and Roaming
      {Known(FOLDERID_LocalAppData), true},
      {Roaming, true},
      {Known(FOLDERID_ProgramData), true},
      {Known(FOLDERID_ProgramFiles), true},
      {Known(FOLDERID_UserProfiles), true},
      {Known(FOLDERID_Public), true},
      {Profile, true},
      {Known(FOLDERID_Desktop), true},
      {Known(FOLDERID_Documents), true},
      {Known(FOLDERID_StartMenu), true},
      {Windows.substr(0, 3), true},
      {Windows + L"\\Temp", false},
      {UserTemp, false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    REQUIRE(DirectoryExists(Case.Folder));
    CHECK(ProtectedFolderReason(Case.Folder).empty() != Case.Refused);
  }
}

TEST_CASE("a link swapped in one or two levels above a file between the listing and the delete never leads out") {
  TComScope Com;
  for (const TDeleteMode Mode : BothModes) {
    for (const wchar_t* Swapped : {L"a\\b", L"a"}) {
      CAPTURE(ModeName(Mode));
      CAPTURE(WideToUtf8(Swapped));
      TTempDir Dir;
      TTrashGuard Trash(Dir);
      const std::wstring Listed = Dir.MakeDir(L"listed");
      for (const wchar_t* File : {L"listed\\a\\b\\f.tmp", L"listed\\a\\b\\sub\\g.tmp", L"listed\\a\\b\\h.tmp",
                                  L"outside\\a\\b\\f.tmp", L"outside\\a\\b\\sub\\g.tmp", L"outside\\a\\b\\h.tmp"})
        Dir.MakeFile(File, std::string("content"));
      const std::wstring Outside = Dir / L"outside";
      const TTexts OutsideBefore = Tree(Outside);
      REQUIRE(OutsideBefore.size() == 6);
      const std::wstring Moved = Listed + L"\\" + Swapped + L".moved";
      const std::wstring Link = Listed + L"\\" + Swapped;
      const std::wstring Target = std::wstring(Swapped) == L"a" ? L"../outside/a" : L"../../outside/a/b";
      bool Swap = false;
      int Seen = 0;
      TDeleteSeams Seams;
      Seams.BeforeDelete = [&](const std::wstring&) {
        if (Seen++ != 0) return;
        Swap = MoveFileW(Link.c_str(), Moved.c_str()) && MakeLink(Link, Target, true);
      };
      TTexts Files{Listed + L"\\a\\b\\f.tmp", Listed + L"\\a\\b\\sub\\g.tmp"};
      CHECK(DeleteFoundFiles(Listed, Files, Mode, {}, Seams));
      REQUIRE(Swap);
      CHECK(Files.size() == 2);  // reached through the link: refused
      CHECK(Tree(Outside) == OutsideBefore);
      CHECK(Exists(Moved));
      // The same for the subfolders: the link swapped in after their listing.
      RemoveLink(Link);
      REQUIRE(MoveFileW(Moved.c_str(), Link.c_str()));
      Seen = 0;
      Swap = false;
      DeleteSubfolders(Listed, Mode, {}, {}, nullptr, Seams);
      REQUIRE(Swap);
      // What was swapped in goes as a link or stays; what it leads to stays.
      CHECK(Tree(Outside) == OutsideBefore);
      RemoveLink(Link);
    }
  }
}

namespace {

// True when the folder holding Path lists an entry named exactly as Path's
// last name (a folder may hold "L" and "l").
bool HasExactEntry(const std::wstring& Path) {
  const std::wstring Name = ExtractFileName(Path);
  for (TFolderListing Listing(ExcludeTrailingPathDelimiter(ExtractFilePath(Path))); Listing.HasEntry(); Listing.Next())
    if (Name == Listing.Entry().cFileName) return true;
  return false;
}

bool HasNoExactEntry(const std::wstring& Path) { return !HasExactEntry(Path); }

// What a hostile user does at the moment the deletes hand a path on: renames
// a folder of the listed tree away and puts a link to a folder outside in
// its place. Done tells whether the system let it happen.
struct TFolderSwap {
  std::wstring Folder;
  std::wstring Target;  // the link's target, seen from Folder's parent
  bool Tried = false;
  bool Done = false;
  std::wstring Moved() const { return Folder + L".moved"; }
  void operator()() {
    Tried = true;
    Done = MoveFileW(Folder.c_str(), Moved().c_str()) != FALSE;
    if (!Done) return;
    // Waited for by its exact name: a case twin answers a name of the other case.
    const std::wstring Parent = ExcludeTrailingPathDelimiter(ExtractFilePath(Folder));
    const bool Linked = UnderWine() ? RunUnix(L"Z:\\bin\\ln", L"ln -s " + Target + L" " + ExtractFileName(Folder), Parent,
                                              HasExactEntry, Folder)
                                    : MakeLink(Folder, Target, true);
    CHECK_MESSAGE(Linked, "no links can be made here");
  }
  // The folder back in its place, so that the test's folder can go.
  void Undo() const {
    if (!Done) return;
    if (UnderWine())
      RunUnix(L"Z:\\bin\\rm", L"rm -f " + ExtractFileName(Folder), ExcludeTrailingPathDelimiter(ExtractFilePath(Folder)),
              HasNoExactEntry, Folder);
    else
      RemoveLink(Folder);
    if (Exists(Moved())) MoveFileW(Moved().c_str(), Folder.c_str());
  }
};

// Numbered files Stem0.tmp ... in the folder Relative of Dir.
TTexts MakeFiles(TTempDir& Dir, const std::wstring& Relative, const std::wstring& Stem, int Count) {
  TTexts Files;
  for (int i = 0; i < Count; ++i) Files.push_back(Dir.MakeFile(Relative + L"\\" + Stem + std::to_wstring(i) + L".tmp", 3));
  return Files;
}

// No folder protected: the tests of the holding alone.
TProtectedFolders NothingProtected() { return TProtectedFolders({}, L"", {}, false); }

}  // namespace

TEST_CASE("found files: a folder above them swapped for a link at the first or a later hand-over leads nowhere") {
  TComScope Com;
  for (const TDeleteMode Mode : BothModes) {
    // The seam in the Recycle Bin mode is the shell call (batches of files
    // from several folders); permanently, the delete of each file.
    for (const int Call : {1, 2}) {
      CAPTURE(ModeName(Mode));
      CAPTURE(Call);
      TTempDir Dir;
      const TTrashGuard Trash(Dir);
      const std::wstring Listed = Dir.MakeDir(L"listed");
      // Three folders of 60: a batch of the shell holds files of two of them.
      TTexts Files = MakeFiles(Dir, L"listed\\a\\b", L"f", 60);
      for (const std::wstring& File : MakeFiles(Dir, L"listed\\c\\d", L"g", 60)) Files.push_back(File);
      for (const std::wstring& File : MakeFiles(Dir, L"listed\\e\\f", L"h", 60)) Files.push_back(File);
      MakeFiles(Dir, L"outside\\a\\b", L"f", 60);
      MakeFiles(Dir, L"outside\\c\\d", L"g", 60);
      const std::wstring Outside = Dir / L"outside";
      const TTexts OutsideBefore = Tree(Outside);
      REQUIRE(OutsideBefore.size() == 124);
      // The first call swaps a, whose files come first; a later one c, whose
      // files are in hand then.
      TFolderSwap Swap;
      Swap.Folder = Listed + (Call == 1 ? L"\\a" : L"\\c");
      Swap.Target = Call == 1 ? L"../outside/a" : L"../outside/c";
      const bool Recycle = Mode == TDeleteMode::dmRecycleBin;
      const int SwapAt = Recycle ? Call : (Call == 1 ? 1 : 70);
      int Calls = 0;
      TDeleteSeams Seams;
      if (Recycle)
        Seams.BeforeShell = [&](const TTexts&) {
          if (++Calls == SwapAt) Swap();
        };
      else
        Seams.BeforeDelete = [&](const std::wstring&) {
          if (++Calls == SwapAt) Swap();
        };
      const TFolderToEmpty Held(Listed, NothingProtected());
      REQUIRE(Held.Usable());
      CHECK(DeleteFoundFiles(Held, Files, Mode, {}, Seams));
      CHECK(Swap.Tried);
      CHECK(Tree(Outside) == OutsideBefore);
      if (Recycle) {
        // Every folder on the paths handed over was held: no swap could be made.
        CHECK_FALSE(Swap.Done);
        CHECK(Files.empty());
      }
      Swap.Undo();
    }
  }
}

TEST_CASE("subfolders: the folder above one handed over whole, swapped at the first or a later hand-over, leads nowhere") {
  TComScope Com;
  for (const TDeleteMode Mode : BothModes) {
    for (const int Call : {1, 2}) {
      // A permanent Delete passes its seam once per subfolder of the listed folder.
      if (Mode == TDeleteMode::dmPermanent && Call == 2) continue;
      CAPTURE(ModeName(Mode));
      CAPTURE(Call);
      TTempDir Dir;
      const TTrashGuard Trash(Dir);
      const std::wstring Top = Dir.MakeDir(L"listed");
      // A name the shell cannot take keeps "a" from going whole: its
      // subfolders go one by one, each whole, "a" held meanwhile.
      Dir.MakeDir(L"listed\\a");
      REQUIRE(UniqueFile(CreateFileW((L"\\\\?\\" + Top + L"\\a\\dot.").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                     nullptr)));
      Dir.MakeFile(L"listed\\a\\s1\\x\\y.tmp", std::string("first"));
      Dir.MakeFile(L"listed\\a\\s2\\x\\y.tmp", std::string("second"));
      Dir.MakeFile(L"outside\\s1\\x\\y.tmp", std::string("outside"));
      Dir.MakeFile(L"outside\\s2\\x\\y.tmp", std::string("outside"));
      const std::wstring Outside = Dir / L"outside";
      const TTexts OutsideBefore = Tree(Outside);
      TFolderSwap Swap;
      Swap.Folder = Top + L"\\a";
      Swap.Target = L"../outside";
      int Calls = 0;
      TDeleteSeams Seams;
      if (Mode == TDeleteMode::dmRecycleBin)
        Seams.BeforeShell = [&](const TTexts& Entries) {
          CHECK(Entries.size() == 1);  // a subfolder goes whole, alone
          if (++Calls == Call) Swap();
        };
      else
        Seams.BeforeDelete = [&](const std::wstring&) {
          if (++Calls == Call) Swap();
        };
      const TFolderToEmpty Held(Top, NothingProtected());
      DeleteSubfolders(Held, Mode, {}, {}, nullptr, Seams);
      REQUIRE(Swap.Tried);
      CHECK(Tree(Outside) == OutsideBefore);
      // Handed over to the shell, "a" was held: it could not be swapped. A
      // permanent Delete swapped before it opened "a" finds the link and
      // leaves it.
      if (Mode == TDeleteMode::dmRecycleBin) {
        CHECK_FALSE(Swap.Done);
        CHECK_FALSE(Exists(Top + L"\\a\\s1"));
        CHECK_FALSE(Exists(Top + L"\\a\\s2"));
      }
      Swap.Undo();
    }
  }
}

TEST_CASE("the last moment: a subfolder handed over whole, swapped itself for a link; what each platform's Recycle Bin does") {
  TComScope Com;
  const std::wstring TrashFolder = WineTrashFolder();
  REQUIRE_MESSAGE(!TrashFolder.empty(), "no Linux trash to look into");
  TTempDir Dir;
  const TTrashGuard Trash(Dir);
  const std::wstring Top = Dir.MakeDir(L"listed");
  // A name no other test puts into the shared trash.
  const std::wstring Name = L"whole-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
  Dir.MakeFile(L"listed\\" + Name + L"\\x\\y.tmp", std::string("listed"));
  Dir.MakeFile(L"outside\\x\\y.tmp", std::string("outside"));
  const std::wstring Outside = Dir / L"outside";
  const TTexts OutsideBefore = Tree(Outside);
  TFolderSwap Swap;
  Swap.Folder = Top + L"\\" + Name;
  Swap.Target = L"../outside";
  TDeleteSeams Seams;
  // The subfolder itself is let go for the shell (which cannot move what is
  // held); its folder, the listed one, stays held.
  Seams.BeforeShell = [&Swap](const TTexts&) { Swap(); };
  const TFolderToEmpty Held(Top, NothingProtected());
  DeleteSubfolders(Held, TDeleteMode::dmRecycleBin, {}, {}, nullptr, Seams);
  REQUIRE(Swap.Done);
  // What was there stays whole under its new name.
  CHECK(Exists(Swap.Moved() + L"\\x\\y.tmp"));
  const std::wstring InTrash = TrashFolder + L"\\files\\" + Name;
  if (UnderWine()) {
    // Wine's Recycle Bin takes a link's target: the folder the link leads to
    // is moved into the trash under the link's name (docs/NOTES.md).
    CHECK(Tree(Outside).empty());
    CHECK(Tree(InTrash) == OutsideBefore);
  } else {
    // Windows' moves the link itself.
    CHECK(Tree(Outside) == OutsideBefore);
  }
  Swap.Undo();
}

TEST_CASE("the listed folder is held from its check to the deletes: it cannot be swapped for a link meanwhile") {
  TComScope Com;
  for (const TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TTempDir Dir;
    const TTrashGuard Trash(Dir);
    const std::wstring Listed = Dir.MakeDir(L"listed");
    TTexts Files = MakeFiles(Dir, L"listed", L"f", 5);
    Dir.MakeFile(L"listed\\sub\\s.tmp", 1);
    MakeFiles(Dir, L"outside", L"f", 5);
    Dir.MakeFile(L"outside\\sub\\s.tmp", 1);
    const std::wstring Outside = Dir / L"outside";
    const TTexts OutsideBefore = Tree(Outside);
    const TFolderToEmpty Held(Listed, NothingProtected());
    REQUIRE(Held.Usable());
    // Between the check and the deletes (the search, the question).
    TFolderSwap Swap;
    Swap.Folder = Listed;
    Swap.Target = L"outside";
    Swap();
    CHECK_FALSE(Swap.Done);
    CHECK(DeleteFoundFiles(Held, Files, Mode, {}));
    CHECK(DeleteSubfolders(Held, Mode) == 1);
    CHECK(Files.empty());
    CHECK(Tree(Outside) == OutsideBefore);
    CHECK(Tree(Listed).empty());
    Swap.Undo();
  }
}

TEST_CASE("a known folder that is not there when the set is made stays protected by its path, in any spelling") {
  TComScope Com;
  TTempDir Dir;
  Dir.MakeDir(L"prof");
  const std::wstring Documents = Dir / L"prof\\Docs";
  // Made while the folder is missing (a server that does not answer).
  const TProtectedFoldersOverride Override(
      TProtectedFolders({{Documents, L"the Documents folder"}}, L"", WindowsFolderAllowed(), false));
  Dir.MakeFile(L"prof\\Docs\\d.tmp", std::string("document"));
  Dir.MakeFile(L"prof\\Docs\\sub\\s.tmp", std::string("document"));
  Dir.MakeFile(L"prof\\Other\\o.tmp", std::string("other"));
  const TTexts Before = Tree(Dir.Path());
  const std::wstring Holds = L"a folder that holds the Documents folder";
  const struct {
    std::wstring Folder;
    std::wstring Reason;
  } Cases[] = {
      {Documents, L"the Documents folder"},
      {Dir / L"PROF\\docs\\", L"the Documents folder"},
      {Dir / L"prof\\Other\\..\\Docs", L"the Documents folder"},
      {Dir / L"prof\\.\\Docs", L"the Documents folder"},
      {Dir / L"prof/Docs", L"the Documents folder"},
      {L"\\\\?\\" + Documents, L"the Documents folder"},
      {Dir / L"prof", Holds},
      {Dir.Path(), Holds},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    CHECK(ProtectedFolderReason(Case.Folder) == Case.Reason);
    for (const TDeleteMode Mode : BothModes) {
      CAPTURE(ModeName(Mode));
      CHECK(DeleteSubfolders(Case.Folder, Mode) == 0);
      TTexts Files{Documents + L"\\d.tmp"};
      CHECK(DeleteFoundFiles(Case.Folder, Files, Mode, {}));
      CHECK(Files.size() == 1);
    }
  }
  CHECK(Tree(Dir.Path()) == Before);
  // What is below it is no known folder: it may be emptied.
  CHECK(ProtectedFolderReason(Documents + L"\\sub").empty());
  CHECK(ProtectedFolderReason(Dir / L"prof\\Other").empty());
}

TEST_CASE("drive letters leading into System32 and into AppData: the protected folders below are refused by either") {
  TComScope Com;
  const std::wstring Windows = Known(FOLDERID_Windows);
  const std::wstring System = Known(FOLDERID_System);
  const std::wstring Roaming = Known(FOLDERID_RoamingAppData);
  const std::wstring Local = Known(FOLDERID_LocalAppData);
  REQUIRE_FALSE(System.empty());
  REQUIRE_FALSE(Roaming.empty());
  const std::wstring AppData = ExcludeTrailingPathDelimiter(ExtractFilePath(Roaming));
  REQUIRE(ExcludeTrailingPathDelimiter(ExtractFilePath(Local)) == AppData);
  REQUIRE(DirectoryExists(System + L"\\drivers"));
  const TSecondDrive IntoSystem(System);
  const TSecondDrive IntoAppData(AppData, static_cast<wchar_t>(IntoSystem.Root().empty() ? L'N' : IntoSystem.Root()[0] + 1));
  REQUIRE_FALSE(IntoSystem.Root().empty());
  REQUIRE_FALSE(IntoAppData.Root().empty());
  const std::wstring S = IntoSystem.Root();
  const std::wstring A = IntoAppData.Root();
  const struct {
    std::wstring Folder;
    bool Refused;
  } Cases[] = {
      {System + L"\\drivers", true},
      {System + L"\\drivers\\etc", true},
      {System, true},
      {S, true},
      {S + L"drivers", true},
      {S + L"drivers\\etc", true},
      {AppData, true},
      {Roaming, true},
      {Local, true},
      {A, true},
      {A + ExtractFileName(Roaming), true},
      {A + ExtractFileName(Local), true},
      {Windows + L"\\Temp", false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    REQUIRE(DirectoryExists(Case.Folder));
    CHECK(ProtectedFolderReason(Case.Folder).empty() != Case.Refused);
    if (Case.Refused) CHECK(SubfoldersToDelete(Case.Folder).empty());
  }
}

TEST_CASE("case twins: a link to l swapped in for L while L is emptied leaves l whole, in both modes") {
  TComScope Com;
  REQUIRE_MESSAGE(UnderWine(), "case twins need a folder that tells names apart by case");
  for (const TDeleteMode Mode : BothModes) {
    for (const bool Subfolders : {false, true}) {
      CAPTURE(ModeName(Mode));
      CAPTURE(Subfolders);
      TTempDir Dir;
      const TTrashGuard Trash(Dir);
      const std::wstring Top = Dir.MakeDir(L"listed");
      TTexts Files = MakeFiles(Dir, L"listed\\L", L"f", 5);
      const std::wstring Twin = Top + L"\\l";
      REQUIRE(RunUnix(L"Z:\\bin\\mkdir", L"mkdir l", Top, HasExactEntry, Twin));
      for (int i = 0; i < 5; ++i) {
        const UniqueFile File(CreateFileW((Twin + L"\\f" + std::to_wstring(i) + L".tmp").c_str(), GENERIC_WRITE, 0,
                                          nullptr, CREATE_NEW, 0, nullptr));
        REQUIRE(File.valid());
      }
      const TTexts TwinBefore = Tree(Twin);
      REQUIRE(TwinBefore.size() == 5);
      TFolderSwap Swap;
      Swap.Folder = Top + L"\\L";
      Swap.Target = L"l";
      TDeleteSeams Seams;
      Seams.BeforeDelete = [&Swap](const std::wstring&) {
        if (!Swap.Tried) Swap();
      };
      const TFolderToEmpty Held(Top, NothingProtected());
      if (Subfolders) {
        // l is kept (a young file in it, say): only L is to go.
        const auto KeepTwin = [](const std::wstring& Path) { return ExtractFileName(Path) == L"l"; };
        DeleteSubfolders(Held, Mode, {}, KeepTwin, nullptr, Seams);
      } else {
        CHECK(DeleteFoundFiles(Held, Files, Mode, {}, Seams));
        CHECK(Files.size() == 5);  // reached through the link: refused
      }
      REQUIRE(Swap.Done);
      CHECK(Tree(Twin) == TwinBefore);
      Swap.Undo();
    }
  }
}
