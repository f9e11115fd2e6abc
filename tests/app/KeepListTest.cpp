#include <doctest.h>

#include "app/AutoRun.h"
#include "app/FilesView.h"
#include "framework/EventLog.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/KeepList.h"
#include "support/CurrentDirectory.h"
#include "FilesViewActions.h"
#include "support/ModalAnswer.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "support/Trash.h"
#include "FileBytes.h"
#include "Links.h"
#include "MainWindowFixture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using TNames = std::set<std::wstring>;

// The listed folder of every case, "list":
//   a.tmp  keep.lock  k.txt
//   sub1\c.tmp  sub1\deep\d.lock
//   sub2\e.tmp
//   sub3\f.tmp  sub3\g\h.tmp
//   sub4\j.tmp  sub4\keepme.txt
//   _sync\i.tmp
// (Wine hides names that begin with a dot, so the folder a sync tool keeps is
// named otherwise here: a hidden folder is neither searched nor deleted.)
const std::vector<std::wstring> TreeFiles = {
    L"a.tmp",      L"keep.lock",  L"k.txt",        L"sub1\\c.tmp",     L"sub1\\deep\\d.lock", L"sub2\\e.tmp",
    L"sub3\\f.tmp", L"sub3\\g\\h.tmp", L"sub4\\j.tmp", L"sub4\\keepme.txt", L"_sync\\i.tmp",
};
const TNames TreeSubfolders = {L"sub1", L"sub2", L"sub3", L"sub4", L"_sync"};

struct TKeepFixture : TMainWindowFixture {
  // Entries are written as given; "<list>" stands for the listed folder's
  // full path, "<short>" for its short form, and "<drive>" for it through
  // DriveRoot, a second drive letter over the temp folder.
  explicit TKeepFixture(const std::vector<std::wstring>& Entries, const std::wstring& DriveRoot = {})
      : FDriveRoot(DriveRoot) {
    for (const std::wstring& File : TreeFiles) Temp.MakeFile(L"list\\" + File, 100);
    for (size_t i = 0; i < Entries.size(); ++i)
      Registry.WriteString(L"Keep", L"Item" + std::to_wstring(i), Expand(Entries[i]));
    Start({L"list"});
    DeleteOptions(/*Prompt=*/false, /*RecycleBin=*/false, /*Statistics=*/false);
    Form1->VKRListView1.Item(0).SetSelected(true);
  }
  std::wstring Expand(const std::wstring& Entry) const {
    const std::wstring List = Temp / L"list";
    wchar_t Short[MAX_PATH] = L"";
    GetShortPathNameW(List.c_str(), Short, MAX_PATH);
    std::wstring Result = StringReplaceAll(Entry, L"<short>", Short);
    if (Result.find(L"<drive>") != std::wstring::npos) {
      wchar_t Base[MAX_PATH] = L"";
      GetTempPathW(MAX_PATH, Base);
      REQUIRE_FALSE(FDriveRoot.empty());
      REQUIRE(List.rfind(Base, 0) == 0);
      Result = StringReplaceAll(Result, L"<drive>", FDriveRoot + List.substr(wcslen(Base)));
    }
    return StringReplaceAll(Result, L"<list>", List);
  }
  std::wstring FDriveRoot;
  bool Exists(const std::wstring& Relative) const {
    return GetFileAttributesW((Temp / (L"list\\" + Relative)).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // What View Files showed: the files, and the subfolders by name.
  std::pair<TNames, TNames> View() {
    TNames Files, Subfolders;
    TFilesViewForm& View = Form1->FilesView();
    TFilesViewAnswer Answer(View, [&](TForm&) {
      for (int i = 0; i < View.FilesListView.Count(); ++i) Files.insert(View.FilesListView.ItemText(i, 0));
      for (int i = 0; i < View.SubfoldersListView.Count(); ++i)
        Subfolders.insert(ExtractFileName(View.SubfoldersListView.ItemText(i, 0)));
      View.CloseButton.Click();
    });
    Form1->ViewFiles1Click(Form1.get());
    return {Files, Subfolders};
  }
};

struct TKeepCase {
  const char* Name;
  std::vector<std::wstring> Entries;
  TNames KeptFiles;       // relative to the listed folder
  TNames KeptSubfolders;  // direct subfolders that stay
};

// Each kind of entry over the same tree.
const std::vector<TKeepCase>& KeepCases() {
  static const std::vector<TKeepCase> Cases = {
      {"no entry: everything goes", {}, {}, {}},
      {"a name pattern keeps matching files anywhere, and their folders",
       {L"*.lock"}, {L"keep.lock", L"sub1\\deep\\d.lock"}, {L"sub1"}},
      {"a folder name keeps the folder with everything in it", {L"_sync"}, {L"_sync\\i.tmp"}, {L"_sync"}},
      {"an exact file name, in other letter case", {L"K.TXT"}, {L"k.txt"}, {}},
      {"a file's full path", {L"<list>\\k.txt"}, {L"k.txt"}, {}},
      {"a folder's full path keeps all of it", {L"<list>\\sub3"}, {L"sub3\\f.tmp", L"sub3\\g\\h.tmp"}, {L"sub3"}},
      {"a nested file's path keeps the subfolder above it; its neighbours go",
       {L"<list>\\sub4\\keepme.txt"}, {L"sub4\\keepme.txt"}, {L"sub4"}},
      {"a path spelled otherwise names the same folder",
       {L"<list>/SUB3/"}, {L"sub3\\f.tmp", L"sub3\\g\\h.tmp"}, {L"sub3"}},
      {"the listed folder itself keeps everything", {L"<list>"}, TNames(TreeFiles.begin(), TreeFiles.end()), TreeSubfolders},
      {"\"*\" keeps everything", {L"*"}, TNames(TreeFiles.begin(), TreeFiles.end()), TreeSubfolders},
      {"\"*.*\" keeps everything", {L"*.*"}, TNames(TreeFiles.begin(), TreeFiles.end()), TreeSubfolders},
      {"a path that is not full names nothing, whatever the current folder", {L"list\\sub3", L"list\\k.txt"}, {}, {}},
      {"empty, blank and outside entries keep nothing",
       {L"", L"   ", L"C:\\nowhere\\at all\\x.tmp", L"<list>\\gone.tmp"}, {}, {}},
      {"several entries at once", {L"*.lock", L"<list>\\sub2", L"a.tmp"},
       {L"a.tmp", L"keep.lock", L"sub1\\deep\\d.lock", L"sub2\\e.tmp"}, {L"sub1", L"sub2"}},
      // A path as the system resolves a full path, and ";" between entries.
      {"\"..\" in a path", {L"<list>\\sub3\\..\\sub4\\keepme.txt"}, {L"sub4\\keepme.txt"}, {L"sub4"}},
      {"\".\" in a path", {L"<list>\\.\\k.txt"}, {L"k.txt"}, {}},
      {"a trailing dot", {L"<list>\\k.txt."}, {L"k.txt"}, {}},
      {"trailing blanks and dots", {L"<list>\\sub4\\keepme.txt . "}, {L"sub4\\keepme.txt"}, {L"sub4"}},
      {"\"/\" between the names", {L"<list>/sub4/keepme.txt"}, {L"sub4\\keepme.txt"}, {L"sub4"}},
      {"a short name", {L"<short>\\sub4\\keepme.txt"}, {L"sub4\\keepme.txt"}, {L"sub4"}},
      {"another drive letter", {L"<drive>\\k.txt"}, {L"k.txt"}, {}},
      {"patterns with \";\" between them", {L"*.lock;k.txt"},
       {L"k.txt", L"keep.lock", L"sub1\\deep\\d.lock"}, {L"sub1"}},
      {"paths with \";\" between them", {L"<list>\\k.txt; <list>\\sub2"}, {L"k.txt", L"sub2\\e.tmp"}, {L"sub2"}},
  };
  return Cases;
}

TNames Expected(const TNames& All, const TNames& Kept) {
  TNames Result;
  for (const std::wstring& Name : All)
    if (Kept.count(Name) == 0) Result.insert(Name);
  return Result;
}

// Exactly the kept files and subfolders are left (the listed folder too).
void CheckLeft(const TKeepFixture& F, const TKeepCase& Case) {
  CHECK(DirectoryExists(F.Temp / L"list"));
  for (const std::wstring& File : TreeFiles) {
    CAPTURE(WideToUtf8(File));
    CHECK(F.Exists(File) == (Case.KeptFiles.count(File) != 0));
  }
  for (const std::wstring& Subfolder : TreeSubfolders) {
    CAPTURE(WideToUtf8(Subfolder));
    CHECK(F.Exists(Subfolder) == (Case.KeptSubfolders.count(Subfolder) != 0));
  }
}

}  // namespace

TEST_CASE("the keep list: Scan, View Files, Delete in both modes and the unattended run agree on what stays") {
  const TNames AllFiles(TreeFiles.begin(), TreeFiles.end());
  wchar_t TempBase[MAX_PATH] = L"";
  REQUIRE(GetTempPathW(MAX_PATH, TempBase) > 0);
  const TSecondDrive Drive(ExcludeTrailingPathDelimiter(TempBase));
  REQUIRE_FALSE(Drive.Root().empty());
  for (const TKeepCase& Case : KeepCases()) {
    const std::string Name = Case.Name;
    CAPTURE(Name);
    const std::wstring Files = std::to_wstring(AllFiles.size() - Case.KeptFiles.size());
    {
      TKeepFixture F(Case.Entries, Drive.Root());
      // Relative entries must not be taken from here.
      const TCurrentDirectory Here(F.Temp.Path());
      REQUIRE(Here.Set());
      F.Scan();
      CHECK(F.Row(0)[1] == Files);
      const auto [Viewed, ViewedSubfolders] = F.View();
      CHECK(Viewed == Expected(AllFiles, Case.KeptFiles));
      // Delete takes subfolders only from a folder in which it found files.
      CHECK(ViewedSubfolders == (Viewed.empty() ? TNames{} : Expected(TreeSubfolders, Case.KeptSubfolders)));
      F.Delete();
      CheckLeft(F, Case);
      // What stays is not counted as left behind, and not found again.
      CHECK(F.Row(0)[1] == L"0");
      CHECK(F.Form1->LastDeleteLeft.Files == 0);
      CHECK(F.Form1->LastDeleteLeft.Subfolders == 0);
    }
    {
      TKeepFixture F(Case.Entries, Drive.Root());
      F.DeleteOptions(false, /*RecycleBin=*/true, false);
      F.Scan();
      F.Delete();
      CheckLeft(F, Case);
      RemoveTrashEntriesOf(ExtractFileName(F.Temp.Path()));
    }
    {
      TKeepFixture F(Case.Entries, Drive.Root());
      const std::wstring Key = F.Registry.KeyPath();
      F.Form2 = nullptr;
      F.Form1.reset();
      TAutoRunSettings Settings;
      Settings.RegistryKey = Key;
      Settings.InstanceName = L"MarrowbyKeepListTest";
      Settings.LogPath = F.Temp / L"run.log";
      Settings.PolicyRoots = PrivatePolicyRoots(F.Registry);
      TEventLogHook Events([](const TEventReport&) { return true; });
      // The options are the defaults: to the Recycle Bin, all that went.
      CHECK(RunUnattended(Settings) == 0);
      CheckLeft(F, Case);
      const std::string Log = ReadFileBytes(Settings.LogPath);
      const size_t Deleted = Log.find("; deleted: ");
      REQUIRE(Deleted != std::string::npos);
      const std::string Amount = Log.substr(Deleted + 11, Log.find(" KB (", Deleted) - Deleted - 11);
      CHECK(Log.find("; deleted: " + Amount + " KB (" + Amount + " KB in the Recycle Bin)") != std::string::npos);
      CHECK((Amount == "0") == (Case.KeptFiles.size() == AllFiles.size()));
      RemoveTrashEntriesOf(ExtractFileName(F.Temp.Path()));
    }
  }
}

TEST_CASE("keep patterns: wildcards and letter case as file names compare") {
  struct TCase {
    const wchar_t* Pattern;
    const wchar_t* Name;
    bool Matches;
  };
  const TCase Cases[] = {
      {L"*.lock", L"a.LOCK", true},        {L"*.lock", L"a.lock.old", false},  {L"desktop.ini", L"Desktop.ini", true},
      {L"desktop.ini", L"xdesktop.ini", false}, {L"a?c", L"abc", true},       {L"a?c", L"ac", false},
      {L"*lock*", L"unlocked", true},     {L"*", L"anything", true},          {L"*.*", L"noextension", true},
      {L"", L"", false},                  {L"   ", L"x", false},             {L"\u00e9t\u00e9.txt", L"\u00c9T\u00c9.TXT", true},
      {L"a;b", L"a;b", true},             {L"a;b", L"a", false},             {L"trail.", L"trail.", true},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Pattern));
    CAPTURE(WideToUtf8(Case.Name));
    TKeepPatterns Patterns;
    Patterns.Add(Case.Pattern);
    CHECK(Patterns.Matches(Case.Name) == Case.Matches);
  }
  CHECK_FALSE(IsKeepPathEntry(L"*.lock"));
  CHECK(IsKeepPathEntry(L"sub\\x"));
  CHECK(IsKeepPathEntry(L"C:x"));
}

TEST_CASE("Keep in View Files puts the selected files and subfolders on the list; the view drops them at once") {
  TKeepFixture F({});
  F.Scan();
  TFilesViewForm& View = F.Form1->FilesView();
  TNames Before, After, SubfoldersAfter;
  TFilesViewAnswer Answer(View, [&](TForm&) {
    const HWND Files = View.FilesListView.Handle();
    for (int i = 0; i < View.FilesListView.Count(); ++i) {
      const std::wstring Name = View.FilesListView.ItemText(i, 0);
      Before.insert(Name);
      if (Name == L"a.tmp" || Name == L"sub1\\c.tmp") ListView_SetItemState(Files, i, LVIS_SELECTED, LVIS_SELECTED);
    }
    for (int i = 0; i < View.SubfoldersListView.Count(); ++i)
      if (View.SubfoldersListView.ItemText(i, 0) == L"sub2")
        ListView_SetItemState(View.SubfoldersListView.Handle(), i, LVIS_SELECTED, LVIS_SELECTED);
    PressKeep(View, Files);
    for (int i = 0; i < View.FilesListView.Count(); ++i) After.insert(View.FilesListView.ItemText(i, 0));
    for (int i = 0; i < View.SubfoldersListView.Count(); ++i) SubfoldersAfter.insert(View.SubfoldersListView.ItemText(i, 0));
    View.CloseButton.Click();
  });
  F.Form1->ViewFiles1Click(F.Form1.get());
  REQUIRE(Answer.Answered());
  CHECK(Before == TNames(TreeFiles.begin(), TreeFiles.end()));
  // The kept file in sub1 keeps sub1; sub2 is kept with its file.
  CHECK(After == Expected(Before, {L"a.tmp", L"sub1\\c.tmp", L"sub2\\e.tmp"}));
  CHECK(SubfoldersAfter == TNames{L"sub3", L"sub4", L"_sync"});

  const std::vector<std::wstring> Entries = {F.Temp / L"list\\a.tmp", F.Temp / L"list\\sub1\\c.tmp",
                                             F.Temp / L"list\\sub2"};
  CHECK(F.Form1->Options().KeepList == Entries);
  REQUIRE(F.Registry.ValueNames(L"Keep").size() == Entries.size());
  for (size_t i = 0; i < Entries.size(); ++i)
    CHECK(F.Registry.ReadRaw(L"Keep", L"Item" + std::to_wstring(i))->AsString() == Entries[i]);

  // The next look, Scan and Delete go by the list as it is now.
  CHECK(F.View().first == After);
  F.Scan();
  CHECK(F.Row(0)[1] == std::to_wstring(After.size()));
  F.Delete();
  for (const wchar_t* Kept : {L"a.tmp", L"sub1\\c.tmp", L"sub2\\e.tmp"}) CHECK(F.Exists(Kept));
  // What sub1 holds besides goes file by file; its folders stay with it.
  CHECK_FALSE(F.Exists(L"sub1\\deep\\d.lock"));
  CHECK(F.Exists(L"sub1\\deep"));
  CHECK_FALSE(F.Exists(L"k.txt"));
}

TEST_CASE("path entries: a full path with \";\" names what it names; a trailing dot goes as the system drops it") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"list\\semi;colon\\f.tmp", 10);
  F.Temp.MakeFile(L"list\\x", 10);
  F.Temp.MakeFile(L"list\\other.tmp", 10);
  // "x." beside "x": only the "\\?\" form names it.
  const std::wstring Dotted = L"\\\\?\\" + (F.Temp / L"list\\x.");
  REQUIRE(UniqueFile(CreateFileW(Dotted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
  F.Registry.WriteString(L"Keep", L"Item0", F.Temp / L"list\\semi;colon");
  F.Registry.WriteString(L"Keep", L"Item1", F.Temp / L"list\\x.");
  F.Start({L"list"});
  F.DeleteOptions(/*Prompt=*/false, /*RecycleBin=*/false, /*Statistics=*/false);
  F.Scan();
  CHECK(F.Row(0)[1] == L"2");  // x. and other.tmp
  F.Delete();
  CHECK(FileExists(F.Temp / L"list\\semi;colon\\f.tmp"));
  CHECK(GetFileAttributesW((L"\\\\?\\" + (F.Temp / L"list\\x")).c_str()) != INVALID_FILE_ATTRIBUTES);
  CHECK_FALSE(FileExists(F.Temp / L"list\\other.tmp"));
  CHECK(GetFileAttributesW(Dotted.c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("a keep list set by policy adds to the user's") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"list\\a.lock", 10);
  F.Temp.MakeFile(L"list\\b.tmp", 10);
  F.Temp.MakeFile(L"list\\c.tmp", 10);
  F.Temp.MakeDir(L"list");
  F.Registry.WriteString(L"Locations", L"Item0", F.Temp / L"list");
  F.Registry.WriteDword(L"Options", L"ScanAtStartup", 0);
  F.Registry.WriteString(L"Keep", L"Item0", L"b.tmp");
  // Policies as the templates write them, on private keys.
  F.Registry.WriteString(L"UserPolicies\\Keep", L"Item1", L"*.lock");
  TForm1Options Options;
  Options.RegistryKey = F.Registry.KeyPath();
  Options.SingleInstance = false;
  Options.PolicyRoots = {HKEY_CURRENT_USER, F.Registry.Sub(L"MachinePolicies"), HKEY_CURRENT_USER,
                         F.Registry.Sub(L"UserPolicies")};
  F.Form1 = std::make_unique<TForm1>(Options);
  F.Form2 = &F.Form1->OptionsDialog();
  F.Scan();
  CHECK(F.Row(0)[1] == L"1");  // c.tmp
  // The policy's entries are not the user's: they are never stored with them.
  CHECK(F.Form1->Options().KeepList == std::vector<std::wstring>{L"b.tmp"});
}

TEST_CASE("any keep entry is taken without an error, and keeps nothing it does not name") {
  TTempDir Temp;
  const std::wstring Folder = Temp / L"list";
  REQUIRE(CreateDirectoryW(Folder.c_str(), nullptr));
  const std::wstring File = Folder + L"\\a.tmp";
  const HANDLE Made = CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  REQUIRE(Made != INVALID_HANDLE_VALUE);
  CloseHandle(Made);
  const std::vector<std::wstring> Hostile = {
      L"", L" ", L";", L"\\", L"/", L":", L"C:", L"C:x", L"\\\\", L"\\\\?\\", L"\\\\?\\C:\\", L"\\\\.\\NUL", L"NUL",
      L"CON", L"..", L".", L"*.tmp\\x", L"**", L"?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*b",
      L"[a-z]", L"\xD800", L"\xDC00*", std::wstring(L"a\0b", 3), std::wstring(40000, L'*') + L"x",
      L"\\\\?\\" + std::wstring(32000, L'a'), Folder + L"\\" + std::wstring(300, L'n'), L"Z:\\" + std::wstring(5000, L'z'),
  };
  std::mt19937 Random(32);
  const wchar_t Pieces[] = {L'*', L'?', L'.', L'\\', L'/', L':', L'a', L'T', L'm', L'p', L' ', L';', L'\xD800', L'\0'};
  std::vector<std::wstring> Entries = Hostile;
  for (int i = 0; i < 3000; ++i) {
    std::wstring Entry = Random() % 8 == 0 ? Temp.Path() + L"\\" : L"";
    for (uint32_t n = Random() % 12; n > 0; --n)
      Entry += Random() % 6 == 0 ? static_cast<wchar_t>(Random() % 0x10000) : Pieces[Random() % std::size(Pieces)];
    Entries.push_back(Entry);
  }
  // In batches, as a person adds them, and all at once.
  for (size_t Start = 0; Start <= Entries.size(); Start += 500) {
    CAPTURE(Start);
    const std::vector<std::wstring> Batch(Entries.begin() + static_cast<std::ptrdiff_t>(std::min(Start, Entries.size())),
                                          Entries.begin() + static_cast<std::ptrdiff_t>(std::min(Start + 500, Entries.size())));
    std::unique_ptr<TKeepList> List;
    REQUIRE_NOTHROW(List = std::make_unique<TKeepList>(Batch));
    CHECK_NOTHROW((void)List->Below(Folder).KeepsFile(File));
    CHECK_NOTHROW((void)List->Below(Folder).KeepsSubfolder(Folder + L"\\sub"));
  }
  // Entries that name nothing in the folder keep nothing in it.
  const TKeepList Strangers({L"", L"\\\\.\\NUL", L"C:x", L"\xD800", std::wstring(L"a\0.tmp", 6), L"Z:\\no\\such\\thing"});
  CHECK_FALSE(Strangers.Below(Folder).KeepsFile(File));
  CHECK_FALSE(Strangers.Below(Folder).KeepsEverything());
}
