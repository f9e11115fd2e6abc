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
      SetDeleteSeam([&](const std::wstring&) {
        if (Seen++ != 0) return;
        Swap = MoveFileW(Link.c_str(), Moved.c_str()) && MakeLink(Link, Target, true);
      });
      TTexts Files{Listed + L"\\a\\b\\f.tmp", Listed + L"\\a\\b\\sub\\g.tmp"};
      CHECK(DeleteFoundFiles(Listed, Files, Mode, {}));
      SetDeleteSeam({});
      REQUIRE(Swap);
      CHECK(Files.size() == 2);  // reached through the link: refused
      CHECK(Tree(Outside) == OutsideBefore);
      CHECK(Exists(Moved));
      // The same for the subfolders: the link swapped in after their listing.
      RemoveLink(Link);
      REQUIRE(MoveFileW(Moved.c_str(), Link.c_str()));
      Seen = 0;
      Swap = false;
      SetDeleteSeam([&](const std::wstring&) {
        if (Seen++ != 0) return;
        Swap = MoveFileW(Link.c_str(), Moved.c_str()) && MakeLink(Link, Target, true);
      });
      DeleteSubfolders(Listed, Mode);
      SetDeleteSeam({});
      REQUIRE(Swap);
      // What was swapped in goes as a link or stays; what it leads to stays.
      CHECK(Tree(Outside) == OutsideBefore);
      RemoveLink(Link);
    }
  }
}
