#include <doctest.h>

#include "app/FolderDelete.h"
#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "framework/Handle.h"
#include "search/Subfolders.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "support/Trash.h"
#include "DeleteModes.h"
#include "Links.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string Content(const std::wstring& File) {
  UniqueFile Handle(CreateFileW(LongPathForm(File).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  if (!Handle) return "<missing>";
  char Buffer[256];
  DWORD Read = 0;
  ReadFile(Handle.get(), Buffer, sizeof(Buffer), &Read, nullptr);
  return std::string(Buffer, Read);
}

UniqueFile Hold(const std::wstring& File, DWORD Share) {
  return UniqueFile(CreateFileW(File.c_str(), GENERIC_READ, Share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// A name no other test, run or developer puts into the shared trash.
std::wstring UniqueName(const std::wstring& Stem, const std::wstring& Extension) {
  static unsigned Counter = 0;
  return Stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()) + L"-" +
         std::to_wstring(++Counter) + Extension;
}

// A folder with a file nobody holds, a read-only one, one held open without
// sharing and one held open with every sharing.
struct TFilesInUse {
  static constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  TTempDir Dir;
  TTrashGuard Trash{Dir};
  std::wstring Free = Dir.MakeFile(UniqueName(L"free", L".tmp"), 3);
  std::wstring ReadOnly = Dir.MakeFile(L"readonly.tmp", 3, FILE_ATTRIBUTE_READONLY);
  std::wstring Exclusive = Dir.MakeFile(L"exclusive.tmp", 3);
  std::wstring Shared = Dir.MakeFile(L"shared.tmp", 3);
  UniqueFile HeldExclusive = Hold(Exclusive, 0);
  UniqueFile HeldShared = Hold(Shared, ShareAll);

  // Lets the held files go and checks that every file that had to stay is whole.
  void CheckKept() {
    HeldExclusive.reset();
    HeldShared.reset();
    for (const std::wstring& File : {ReadOnly, Exclusive, Shared}) CHECK(Content(File) == "xxx");
  }
};

TTexts Names(const std::vector<TSubfolderEntry>& Entries) {
  TTexts Result;
  for (const TSubfolderEntry& Entry : Entries) Result.push_back(Entry.Name);
  return Result;
}

}  // namespace

TEST_CASE("a file is in use when an exclusive open for reading and writing fails") {
  TFilesInUse F;
  REQUIRE(F.HeldExclusive.valid());
  REQUIRE(F.HeldShared.valid());
  const struct {
    const char* Name;
    std::wstring Path;
    bool InUse;
  } Cases[] = {
      {"a file nobody holds", F.Free, false},
      {"a read-only file", F.ReadOnly, true},
      {"a file held open without sharing", F.Exclusive, true},
      {"a file held open with every sharing", F.Shared, true},
      {"a missing file", F.Dir / L"missing.tmp", false},
      {"a folder", F.Dir.MakeDir(L"folder"), false},
  };
  for (const auto& Case : Cases) {
    CAPTURE(std::string(Case.Name));
    CHECK(IsFileInUse(Case.Path) == Case.InUse);
  }
}

TEST_CASE("found files: those in use, read-only or missing stay, in their order, in both modes") {
  TComScope Com;
  for (TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TFilesInUse F;
    const std::wstring Hidden = F.Dir.MakeFile(UniqueName(L"hidden", L".tmp"), 3, FILE_ATTRIBUTE_HIDDEN);
    const std::wstring Deeper = F.Dir.MakeFile(UniqueName(L"sub\\deeper", L".tmp"), 3);
    const std::wstring Missing = F.Dir / L"missing.tmp";
    TTexts Files{F.Free, F.ReadOnly, F.Exclusive, Missing, Hidden, F.Shared, Deeper};
    int Steps = 0;
    CHECK(DeleteFoundFiles(Files, Mode, [&Steps] {
      ++Steps;
      return true;
    }));
    CHECK(Steps == 7);
    CHECK(Files == TTexts{F.ReadOnly, F.Exclusive, Missing, F.Shared});
    CHECK_FALSE(Exists(F.Free));
    CHECK_FALSE(Exists(Hidden));
    CHECK_FALSE(Exists(Deeper));
    CHECK(Exists(F.Dir / L"sub"));  // the files' folders are not the files
    F.CheckKept();
  }
}

TEST_CASE("one file at a time: the in-use test guards the delete in both modes") {
  TComScope Com;
  for (TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TFilesInUse F;
    CHECK(DeleteOneFile(F.Free, Mode));
    CHECK_FALSE(Exists(F.Free));
    for (const std::wstring& File : {F.ReadOnly, F.Exclusive, F.Shared, F.Dir / L"missing.tmp"})
      CHECK_FALSE(DeleteOneFile(File, Mode));
    F.CheckKept();
  }
}

TEST_CASE("a stopped walk leaves the files not dealt with in the found files, in order") {
  // The calling thread alone: nothing is deleted ahead of the walk.
  TDeleteSeams Alone;
  Alone.Workers = 0;
  TTempDir Dir;
  TTexts Files;
  for (int i = 0; i < 5; ++i) Files.push_back(Dir.MakeFile(L"f" + std::to_wstring(i) + L".tmp", 1));
  const TTexts All = Files;
  const std::wstring Kept = Dir.MakeFile(L"kept.tmp", 1, FILE_ATTRIBUTE_READONLY);
  Files.insert(Files.begin() + 1, Kept);
  int Steps = 0;
  // Stops after the third file: f0 went, kept.tmp stayed, f1 went.
  CHECK_FALSE(DeleteFoundFiles(Files, TDeleteMode::dmPermanent, [&Steps] { return ++Steps < 3; }, Alone));
  CHECK(Steps == 3);
  CHECK(Files == TTexts{Kept, All[2], All[3], All[4]});
  CHECK_FALSE(Exists(All[0]));
  CHECK_FALSE(Exists(All[1]));
  for (size_t i = 2; i < All.size(); ++i) CHECK(Exists(All[i]));
}

TEST_CASE("deleting on more threads: a folder of many files, one in use and one link among them, stopped part way") {
  for (const unsigned Workers : {0U, 1U, 2U}) {
    CAPTURE(Workers);
    TDeleteSeams Threads;
    Threads.Workers = Workers;
    TTempDir Dir;
    Dir.MakeFile(L"target\\t.tmp", std::string("target file"));
    const std::wstring Folder = Dir.MakeDir(L"listed");
    TTexts Files;
    for (int i = 0; i < 200; ++i) {
      const std::wstring Sub = i < 100 ? L"listed\\" : L"listed\\sub\\";
      Files.push_back(Dir.MakeFile(Sub + L"f" + std::to_wstring(i) + L".tmp", 1));
    }
    const std::wstring InUse = Files[37];
    const UniqueFile Held = Hold(InUse, 0);
    REQUIRE(Held.valid());
    const std::wstring FileLink = Folder + L"\\flink.tmp";
    REQUIRE_MESSAGE(MakeLink(FileLink, L"../target/t.tmp", false), "no links can be made here");
    Files.insert(Files.begin() + 60, FileLink);
    const TTexts All = Files;
    int Steps = 0;
    const auto Stop = [&Steps] { return ++Steps < 150; };
    CHECK_FALSE(DeleteFoundFiles(Folder, Files, TDeleteMode::dmPermanent, Stop, Threads));
    CHECK(Steps == 150);
    // What is left in the list is what is there, in the listing's order:
    // nothing reported gone that is not, nothing there that is not reported.
    TTexts There;
    for (const std::wstring& File : All)
      if (Exists(File)) There.push_back(File);
    CHECK(Files == There);
    // The first 150 were dealt with: those that could go went; a stop lets
    // at most the files taken ahead of them go.
    for (size_t i = 0; i < 150; ++i)
      if (All[i] != InUse && All[i] != FileLink) CHECK_FALSE(Exists(All[i]));
    CHECK(Files.size() >= All.size() - 148 - PermanentDeleteAhead);
    CHECK(Content(Dir / L"target\\t.tmp") == "target file");
    CHECK(Exists(InUse));
    RemoveLink(FileLink);
  }
}

TEST_CASE("emptying a folder restricted to *.tmp: the found file goes, the subfolder goes whole, b.log stays") {
  TComScope Com;
  for (TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TTempDir Dir;
    const TTrashGuard Trash(Dir);
    const std::wstring Folder = Dir.MakeDir(L"listed");
    TTexts Files{Dir.MakeFile(UniqueName(L"listed\\a", L".tmp"), 3)};
    const std::wstring Log = Dir.MakeFile(L"listed\\b.log", 5);
    const std::wstring SubName = UniqueName(L"sub", L"");
    const std::wstring Sub = Dir.MakeDir(L"listed\\" + SubName);
    Dir.MakeFile(L"listed\\" + SubName + L"\\c.log", 4);
    CHECK(DeleteFoundFiles(Files, Mode, {}));
    CHECK(Files.empty());
    CHECK(DeleteSubfolders(Folder, Mode) == 1);
    CHECK_FALSE(Exists(Sub));
    CHECK(Content(Log) == "xxxxx");
    CHECK(ListSubfolders(Folder).empty());
    CHECK(DirectoryExists(Folder));
  }
}

TEST_CASE("subfolders: hidden ones and system files stay uncounted; system, read-only and deep trees go") {
  TComScope Com;
  for (TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TTempDir Dir;
    const TTrashGuard Trash(Dir);
    const std::wstring Folder = Dir.MakeDir(L"listed");
    Dir.MakeFile(L"listed\\keep.txt", 1);
    const std::wstring SystemFile = Dir.MakeFile(L"listed\\system.sys", 2, FILE_ATTRIBUTE_SYSTEM);
    const std::wstring Hidden = Dir.MakeDir(L"listed\\hidden", FILE_ATTRIBUTE_HIDDEN);
    Dir.MakeFile(L"listed\\hidden\\h.tmp", 1);
    Dir.MakeFile(UniqueName(L"listed\\plain\\p", L".tmp"), 1);
    Dir.MakeFile(UniqueName(L"listed\\plain\\deeper\\d", L".tmp"), 1, FILE_ATTRIBUTE_HIDDEN);
    Dir.MakeDir(L"listed\\plain\\empty");
    Dir.MakeFile(UniqueName(L"listed\\system\\s", L".tmp"), 1);
    SetFileAttributesW((Folder + L"\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    Dir.MakeFile(UniqueName(L"listed\\readonly\\r", L".tmp"), 1, FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((Folder + L"\\readonly").c_str(), FILE_ATTRIBUTE_READONLY);
    Dir.MakeDir(L"listed\\empty");
    // plain, system, empty go; readonly goes permanently, and to the Recycle
    // Bin as the shell takes it.
    const int32_t Deleted = DeleteSubfolders(Folder, Mode);
    CHECK(Deleted >= (Mode == TDeleteMode::dmPermanent ? 4 : 3));
    for (const wchar_t* Gone : {L"\\plain", L"\\system", L"\\empty"}) CHECK_FALSE(Exists(Folder + Gone));
    if (Mode == TDeleteMode::dmPermanent) CHECK_FALSE(Exists(Folder + L"\\readonly"));
    CHECK(Content(SystemFile) == "xx");
    CHECK(Exists(Hidden + L"\\h.tmp"));
    CHECK(Exists(Folder + L"\\keep.txt"));
    CHECK(DirectoryExists(Folder));
    // A system file handed over as a tree is neither removed nor counted.
    CHECK_FALSE(DeleteDirectoryTree(SystemFile, Mode));
    CHECK(Exists(SystemFile));
  }
}

TEST_CASE("Recycle Bin deletes land in the trash and can be restored from it") {
  TComScope Com;
  const std::wstring Trash = WineTrashFolder();
  // The tests always run under Wine: without its trash the fixture is broken.
  REQUIRE_MESSAGE(!Trash.empty(), "no Linux trash to look into");
  TTempDir Dir;
  const TTrashGuard Guard(Dir);
  const std::wstring Folder = Dir.MakeDir(L"listed");
  const std::wstring FileName = UniqueName(L"found", L".tmp");
  const std::wstring File = Dir.MakeFile(L"listed\\" + FileName, std::string("found file"));
  // The subfolder goes whole: it lands in the trash under its own name.
  const std::wstring SubName = UniqueName(L"sub", L"");
  Dir.MakeFile(L"listed\\" + SubName + L"\\inner.log", std::string("inner file"));
  TTexts Files{File};
  CHECK(DeleteFoundFiles(Files, TDeleteMode::dmRecycleBin, {}));
  CHECK(DeleteSubfolders(Folder, TDeleteMode::dmRecycleBin) == 1);
  CHECK_FALSE(Exists(File));
  CHECK_FALSE(Exists(Folder + L"\\" + SubName));
  // Restoring is moving the entry back where its record says it was.
  for (const auto& [Name, Original, Text] :
       {std::tuple{FileName, File, "found file"},
        std::tuple{SubName, Folder + L"\\" + SubName + L"\\inner.log", "inner file"}}) {
    CAPTURE(WideToUtf8(Name));
    const std::wstring InTrash = Trash + L"\\files\\" + Name;
    const std::wstring Info = Trash + L"\\info\\" + Name + L".trashinfo";
    REQUIRE(Exists(InTrash));
    CHECK(Content(Info).find(WideToUtf8(Name)) != std::string::npos);
    const std::wstring Restored = Folder + L"\\" + Name;
    CHECK(MoveFileW(InTrash.c_str(), Restored.c_str()));
    DeleteFileW(Info.c_str());
    CHECK(Content(Original) == Text);
  }
}

TEST_CASE("links in a listed folder and in its subfolders: never followed, their targets intact, in both modes") {
  TComScope Com;
  for (TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TTempDir Dir;
    const TTrashGuard Trash(Dir);
    const std::wstring Target = Dir.MakeDir(L"target");
    Dir.MakeFile(L"target\\t.tmp", std::string("target file"));
    Dir.MakeFile(L"target\\t2.tmp", std::string("second target"));
    Dir.MakeFile(L"target\\deep\\d.tmp", std::string("deep target"));
    const std::wstring Folder = Dir.MakeDir(L"listed");
    const std::wstring Plain = Dir.MakeFile(UniqueName(L"listed\\a", L".tmp"), 1);
    const std::wstring Inner = Dir.MakeFile(UniqueName(L"listed\\sub\\inner", L".tmp"), 1);
    const std::wstring FileLink = Folder + L"\\flink.tmp";
    const std::wstring FileLink2 = Folder + L"\\sub\\flink2.tmp";
    const std::wstring FolderLink = Folder + L"\\dlink";
    const std::wstring FolderLink2 = Folder + L"\\sub\\dlink2";
    const std::wstring Beside = Dir.MakeDir(UniqueName(L"listed\\beside", L""));
    Dir.MakeFile(L"listed\\" + ExtractFileName(Beside) + L"\\b.tmp", 1);
    if (!MakeLink(FileLink, L"../target/t.tmp", false) || !MakeLink(FileLink2, L"../../target/t2.tmp", false) ||
        !MakeLink(FolderLink, L"../target", true) || !MakeLink(FolderLink2, L"../../target", true)) {
      for (const std::wstring& Link : {FileLink, FileLink2, FolderLink, FolderLink2}) RemoveLink(Link);
      FAIL("no links can be made here");
    }
    // What a search finds there: a file link lists as a file.
    TTexts Files{Plain, FileLink, Inner, FileLink2};
    CHECK(DeleteFoundFiles(Files, Mode, {}));
    DeleteSubfolders(Folder, Mode);
    CHECK(Content(Target + L"\\t.tmp") == "target file");
    CHECK(Content(Target + L"\\t2.tmp") == "second target");
    CHECK(Content(Target + L"\\deep\\d.tmp") == "deep target");
    CHECK(DirectoryExists(Folder));
    CHECK_FALSE(Exists(Plain));
    CHECK_FALSE(Exists(Inner));
    CHECK_FALSE(Exists(Beside));  // a subfolder without links goes whole
    // A link that stays keeps the folder that holds it.
    if (Exists(FolderLink2)) CHECK(DirectoryExists(Folder + L"\\sub"));
    if (UnderWine()) {
      // Wine can remove no link: they all stay, and so does sub.
      CHECK(Files == TTexts{FileLink, FileLink2});
      CHECK(Exists(FolderLink));
      CHECK(Exists(FolderLink2));
    }
    // A link handed over as a tree goes as a link or stays.
    if (Exists(FolderLink)) {
      DeleteDirectoryTree(FolderLink, Mode);
      CHECK(Content(Target + L"\\deep\\d.tmp") == "deep target");
    }
    for (const std::wstring& Link : {FileLink, FileLink2, FolderLink, FolderLink2}) RemoveLink(Link);
  }
}

TEST_CASE("a folder past MAX_PATH: every spelling sees the same subfolders; permanent deletes reach them") {
  TComScope Com;
  TTempDir Dir;
  std::wstring Deep = Dir.Path();
  while (Deep.size() < MAX_PATH + 20) Deep += L"\\level-of-a-deep-tree";
  for (const wchar_t* Sub : {L"\\one\\x", L"\\two\\y"}) {
    const std::wstring Full = Deep + Sub;
    for (size_t At = Full.find(L'\\', Dir.Path().size() + 1);; At = Full.find(L'\\', At + 1)) {
      CreateDirectoryW(LongPathForm(Full.substr(0, At)).c_str(), nullptr);
      if (At == std::wstring::npos) break;
    }
  }
  CreateDirectoryW(LongPathForm(Deep + L"\\hidden").c_str(), nullptr);
  SetFileAttributesW(LongPathForm(Deep + L"\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const std::wstring File = Deep + L"\\found.tmp";
  UniqueFile(CreateFileW(LongPathForm(File).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  REQUIRE(Exists(File));

  const TTexts Expected{L"one", L"two"};
  const TTexts Plain = Names(ListSubfolders(Deep));
  const TTexts Trailing = Names(ListSubfolders(Deep + L"\\"));
  const TTexts Extended = Names(ListSubfolders(L"\\\\?\\" + Deep));
  for (const TTexts* Seen : {&Plain, &Trailing, &Extended}) {
    TTexts Sorted = *Seen;
    std::sort(Sorted.begin(), Sorted.end());
    CHECK(Sorted == Expected);
  }
  // The Recycle Bin cannot take such paths: they stay and count as left.
  TTexts Files{File};
  CHECK(DeleteFoundFiles(Files, TDeleteMode::dmRecycleBin, {}));
  CHECK(Files == TTexts{File});
  CHECK(DeleteSubfolders(Deep + L"\\", TDeleteMode::dmRecycleBin) == 0);
  CHECK(Exists(Deep + L"\\one\\x"));
  // Permanently they go.
  CHECK(DeleteFoundFiles(Files, TDeleteMode::dmPermanent, {}));
  CHECK(Files.empty());
  CHECK(DeleteSubfolders(Deep + L"\\", TDeleteMode::dmPermanent) == 2);
  CHECK_FALSE(Exists(Deep + L"\\one"));
  CHECK(Exists(Deep + L"\\hidden"));
  CHECK(Exists(Deep));
}

TEST_CASE("folders that must never be emptied, in any spelling; their subfolders may be") {
  const auto Known = [](int Csidl) {
    wchar_t Path[MAX_PATH];
    return SUCCEEDED(SHGetFolderPathW(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, Path)) ? std::wstring(Path)
                                                                                           : std::wstring();
  };
  const std::wstring Windows = Known(CSIDL_WINDOWS);
  const std::wstring Profile = Known(CSIDL_PROFILE);
  const std::wstring Documents = Known(CSIDL_PERSONAL);
  REQUIRE_FALSE(Windows.empty());
  REQUIRE_FALSE(Profile.empty());
  REQUIRE_FALSE(Documents.empty());
  std::wstring Upper = Windows;
  for (wchar_t& c : Upper) c = static_cast<wchar_t>(towupper(c));
  wchar_t Temp[MAX_PATH];
  GetTempPathW(MAX_PATH, Temp);
  // The user's folders may all be one folder, or links to it (Wine makes
  // Desktop, Documents and the like links to the Unix home): any of their
  // names, or the link's reason, is right then.
  const wchar_t* const UserFolder = L"<one of the user's folders>";
  const struct {
    std::wstring Folder;
    const wchar_t* Reason;
  } Cases[] = {
      {Windows.substr(0, 3), L"a drive root"},
      {L"Z:\\", L"a drive root"},
      {Windows, L"the Windows folder"},
      {Upper + L"\\", L"the Windows folder"},
      {Windows + L"\\.", L"the Windows folder"},
      {Windows + L"\\system32\\..", L"the Windows folder"},
      {L"\\\\?\\" + Windows, L"the Windows folder"},
      {Known(CSIDL_PROGRAM_FILES), L"a Program Files folder"},
      {Known(CSIDL_PROGRAM_FILESX86) + L"\\", L"a Program Files folder"},
      {Profile, L"the user's profile folder"},
      {Known(CSIDL_DESKTOPDIRECTORY), UserFolder},
      {Documents, UserFolder},
      {Known(CSIDL_MYPICTURES), UserFolder},
      {Known(CSIDL_MYMUSIC), UserFolder},
      {Known(CSIDL_MYVIDEO), UserFolder},
      {ExtractFilePath(ExcludeTrailingPathDelimiter(Profile)), L"the Users folder"},
      {Profile + L"\\Temp\\..\\AppData", L"a folder that holds the user's Roaming application data folder"},
      {Windows + L"\\Temp", L""},
      {Documents + L"\\Downloaded Installations", L""},  // not there: nothing to refuse
      {Temp, L""},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    const std::wstring Reason = ProtectedFolderReason(Case.Folder);
    if (Case.Reason == UserFolder)
      CHECK(((Reason.rfind(L"the ", 0) == 0 && Reason.size() > 11 && Reason.substr(Reason.size() - 7) == L" folder") ||
             Reason == L"a link or junction: what it leads to is not emptied"));
    else
      CHECK(Reason == Case.Reason);
  }
}

TEST_CASE("subfolders of a relative path are never deleted") {
  TTempDir Dir;
  Dir.MakeDir(L"x\\y");
  wchar_t Saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, Saved);
  REQUIRE(SetCurrentDirectoryW(Dir.Path().c_str()));
  CHECK(DeleteSubfolders(L"x", TDeleteMode::dmPermanent) == 0);
  CHECK(DeleteSubfolders(L"", TDeleteMode::dmPermanent) == 0);
  SetCurrentDirectoryW(Saved);
  CHECK(DirectoryExists(Dir / L"x\\y"));
}

TEST_CASE("a tree is deleted even when the current directory lies in it") {
  TTempDir Dir;
  const std::wstring Folder = Dir.MakeDir(L"listed");
  Dir.MakeDir(L"listed\\a\\inner");
  wchar_t Saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, Saved);
  REQUIRE(SetCurrentDirectoryW((Folder + L"\\a\\inner").c_str()));
  CHECK(DeleteSubfolders(Folder, TDeleteMode::dmPermanent) == 1);
  CHECK(ListSubfolders(Folder).empty());
  SetCurrentDirectoryW(Saved);
}

TEST_CASE("Continue is asked before each tree and stops the deletes") {
  TTempDir Dir;
  const std::wstring Folder = Dir.MakeDir(L"listed");
  Dir.MakeDir(L"listed\\a");
  Dir.MakeDir(L"listed\\b");
  int Asked = 0;
  CHECK(DeleteSubfolders(Folder, TDeleteMode::dmPermanent, [&Asked] { return ++Asked < 2; }) == 1);
  CHECK(Asked == 2);
  CHECK(ListSubfolders(Folder).size() == 1);
}

TEST_CASE("files and subfolders whose names end in a dot or a blank are deleted, the subfolders whole") {
  for (const TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TComScope Com;
    TTempDir Dir;
    const std::wstring Folder = Dir.MakeDir(L"listed");
    for (const wchar_t* Name : {L"dot.", L"space "}) {
      const std::wstring Sub = L"\\\\?\\" + Folder + L"\\" + Name;
      REQUIRE(CreateDirectoryW(Sub.c_str(), nullptr));
      const UniqueFile File(CreateFileW((Sub + L"\\b.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
      REQUIRE(File.valid());
    }
    std::vector<std::wstring> Found;
    for (const wchar_t* Name : {L"file.", L"file "}) {
      Found.push_back(Folder + L"\\" + Name);
      const UniqueFile File(
          CreateFileW((L"\\\\?\\" + Found.back()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
      REQUIRE(File.valid());
    }
    // The Recycle Bin cannot take what the shell cannot name: those stay.
    const bool Permanent = Mode == TDeleteMode::dmPermanent;
    CHECK(DeleteFoundFiles(Found, Mode, [] { return true; }));
    CHECK(Found.size() == (Permanent ? 0U : 2U));
    const int Expected = Permanent ? 2 : 0;
    CHECK(DeleteSubfolders(Folder, Mode) == Expected);
    CHECK(ListSubfolders(Folder).size() == static_cast<size_t>(2 - Expected));
  }
}

TEST_CASE("a stop inside one large subfolder ends the tree in hand between its entries, in both modes") {
  TComScope Com;
  for (const TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TTempDir Dir;
    const TTrashGuard Trash(Dir);
    const std::wstring Folder = Dir.MakeDir(L"listed");
    const std::wstring Large = Dir.MakeDir(L"listed\\large");
    // More than the Recycle Bin takes whole, so that it goes in batches; a
    // larger tree only makes the test slower (20,000 files took minutes
    // under Wine), not the stop later.
    constexpr int Files = 2500;
    for (int i = 0; i < Files; ++i) {
      const UniqueFile File(CreateFileW((Large + L"\\" + std::to_wstring(i) + L".tmp").c_str(), GENERIC_WRITE, 0,
                                        nullptr, CREATE_NEW, 0, nullptr));
      REQUIRE(File.valid());
    }
    // The first question is before the tree; the stop comes a few questions
    // into it. Permanently each entry is a question; to the Recycle Bin each
    // batch handed to the shell (a hundred files: under a second of work).
    int Asked = 0;
    const auto Continue = [&Asked] { return ++Asked < 4; };
    int32_t Stayed = -1;
    CHECK(DeleteSubfolders(Folder, Mode, Continue, {}, &Stayed) == 0);
    CHECK(Asked == 4);
    CHECK(Stayed == 1);
    size_t Left = 0;
    for (TFolderListing Listing(Large); Listing.HasEntry(); Listing.Next())
      if (!IsDotName(Listing.Entry().cFileName)) ++Left;
    const size_t MostGone = Mode == TDeleteMode::dmPermanent ? 2 : 200;
    CHECK(Left >= Files - MostGone);
    CHECK(Left < static_cast<size_t>(Files));  // the tree had been started
  }
}

namespace {

bool DeepestThere(const std::wstring& Path) {
  return GetFileAttributesW((L"\\\\?\\" + Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST_CASE("a tree thousands of levels deep in a listed folder is removed or left, in both modes") {
  TComScope Com;
  REQUIRE_MESSAGE(UnderWine(), "the deep tree is made by the host's mkdir");
  for (const TDeleteMode Mode : BothModes) {
    CAPTURE(ModeName(Mode));
    TTempDir Dir;
    const TTrashGuard Trash(Dir);
    const std::wstring Folder = Dir.MakeDir(L"listed");
    // Wine resolves each open from the top of the path: the time grows with
    // the square of the depth, and 2,000 levels took minutes a mode on a
    // busy machine (10,000 longer than a test may). The walk keeps its own
    // stack whatever the depth.
    constexpr int Levels = 600;
    std::wstring Relative = L"deep";
    std::wstring Deepest = Folder + L"\\deep";
    for (int i = 1; i < Levels; ++i) {
      Relative += L"/d";
      Deepest += L"\\d";
    }
    REQUIRE(RunUnix(L"Z:\\bin\\mkdir", L"mkdir -p " + Relative, Folder, DeepestThere, Deepest));
    int32_t Stayed = -1;
    const int32_t Deleted = DeleteSubfolders(Folder, Mode, {}, {}, &Stayed);
    CHECK(Deleted + Stayed == 1);
    CHECK(DeepestThere(Deepest) == (Deleted == 0));
    if (Mode == TDeleteMode::dmPermanent) CHECK(Deleted == 1);
    if (Deleted == 0) RemoveTree(Folder + L"\\deep");
  }
}
