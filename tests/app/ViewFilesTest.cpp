#include <doctest.h>

#include "app/FilesView.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/FileAge.h"
#include "FilesViewActions.h"
#include "support/ModalAnswer.h"
#include "support/TestStrings.h"
#include "FileTimes.h"
#include "MainWindowFixture.h"

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using TNames = std::set<std::wstring>;

constexpr uint64_t Day = 864'000'000'000ULL;

// Every file and folder below Folder, relative to it.
void Collect(const std::wstring& Folder, const std::wstring& Relative, TNames& Files, TNames& Folders) {
  WIN32_FIND_DATAW Data{};
  const UniqueFind Find(FindFirstFileW(JoinPath(JoinPath(Folder, Relative), L"*").c_str(), &Data));
  if (!Find) return;
  do {
    if (IsDotName(Data.cFileName)) continue;
    const std::wstring Name = Relative.empty() ? std::wstring(Data.cFileName) : Relative + L"\\" + Data.cFileName;
    if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Folders.insert(Name);
      Collect(Folder, Name, Files, Folders);
    } else {
      Files.insert(Name);
    }
  } while (FindNextFileW(Find.get(), &Data));
}

// What the view showed when it was open.
struct TSeen {
  bool Shown = false;
  std::wstring Caption;
  std::vector<std::wstring> Rows;  // the file list's rows: name, size, date, separated by "|"
  TNames Files;
  TNames Subfolders;
  std::wstring Total;
  std::wstring SubfoldersCaption;
};

// The list folder of the test:
//   a.tmp (young)  b.log  c.txt  h.tmp [hidden]
//   sub1\d.tmp  sub1\deep\e.tmp  sub2\f.log (young)  .hid [hidden folder]\g.tmp
// Young files were written a day ago, every other one 30 days ago.
struct TViewFixture : TMainWindowFixture {
  TViewFixture() {
    const uint64_t Now = FileTimeNow();
    const struct {
      const wchar_t* Name;
      uint64_t Size;
      bool Young;
    } Files[] = {
        {L"list\\a.tmp", 3000, true},        {L"list\\b.log", 1000, false},      {L"list\\c.txt", 5000, false},
        {L"list\\h.tmp", 100, false},        {L"list\\sub1\\d.tmp", 2048, false}, {L"list\\sub1\\deep\\e.tmp", 10, false},
        {L"list\\sub2\\f.log", 20, true},    {L"list\\.hid\\g.tmp", 30, false},
    };
    for (const auto& File : Files) SetLastWriteTime(Temp.MakeFile(File.Name, File.Size), Now - (File.Young ? 1 : 30) * Day);
    SetFileAttributesW((Temp / L"list\\h.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((Temp / L"list\\.hid").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Start({L"list"});
    DeleteOptions(/*Prompt=*/false, /*RecycleBin=*/false, /*Statistics=*/false);
    Form1->VKRListView1.Item(0).SetSelected(true);
  }

  // Runs "View Files..." on the selected row; Look runs while the view is open.
  TSeen View(const std::function<void(TFilesViewForm&)>& Look = {}) {
    TSeen Seen;
    TFilesViewForm& View = Form1->FilesView();
    TFilesViewAnswer Answer(View, [&](TForm&) {
      Seen.Shown = true;
      Seen.Caption = View.Caption();
      for (int i = 0; i < View.FilesListView.Count(); ++i) {
        Seen.Files.insert(View.FilesListView.ItemText(i, 0));
        Seen.Rows.push_back(View.FilesListView.ItemText(i, 0) + L"|" + View.FilesListView.ItemText(i, 1) + L"|" +
                            View.FilesListView.ItemText(i, 2));
      }
      for (int i = 0; i < View.SubfoldersListView.Count(); ++i) Seen.Subfolders.insert(View.SubfoldersListView.ItemText(i, 0));
      Seen.Total = View.TotalLabel.Text();
      Seen.SubfoldersCaption = View.SubfoldersLabel.Text();
      if (Look) Look(View);
      View.CloseButton.Click();
    });
    Form1->ViewFiles1Click(Form1.get());
    CHECK_FALSE(View.Visible());
    return Seen;
  }
};

}  // namespace

TEST_CASE("View Files lists exactly what a following Delete removes") {
  struct TCase {
    const char* Name;
    std::function<void(TViewFixture&)> Options;
    TNames Files;
    TNames Subfolders;
  };
  const std::vector<TCase> Cases = {
      {"everything, recursively", [](TViewFixture&) {},
       {L"a.tmp", L"b.log", L"c.txt", L"h.tmp", L"sub1\\d.tmp", L"sub1\\deep\\e.tmp", L"sub2\\f.log"},
       {L"sub1", L"sub2"}},
      {"restricted to *.tmp", [](TViewFixture& F) { F.RestrictTo({L"*.tmp"}); },
       {L"a.tmp", L"h.tmp", L"sub1\\d.tmp", L"sub1\\deep\\e.tmp"}, {L"sub1", L"sub2"}},
      {"not recursive",
       [](TViewFixture& F) {
         F.ChangeOptions([](TOptions& Options) { Options.Recursive = false; });
       },
       {L"a.tmp", L"b.log", L"c.txt", L"h.tmp"}, {L"sub1", L"sub2"}},
      {"depth limited to 1",
       [](TViewFixture& F) {
         F.ChangeOptions([](TOptions& Options) {
           Options.LimitSearchDepth = true;
           Options.MaxSearchDepth = 1;
         });
       },
       {L"a.tmp", L"b.log", L"c.txt", L"h.tmp", L"sub1\\d.tmp", L"sub2\\f.log"}, {L"sub1", L"sub2"}},
      {"only files older than 7 days: a young file keeps its subfolder",
       [](TViewFixture& F) {
         F.ChangeOptions([](TOptions& Options) {
           Options.OnlyOlderThan = true;
           Options.OlderThanDays = 7;
         });
       },
       {L"b.log", L"c.txt", L"h.tmp", L"sub1\\d.tmp", L"sub1\\deep\\e.tmp"}, {L"sub1"}},
      {"nothing found: no subfolder goes either", [](TViewFixture& F) { F.RestrictTo({L"*.old"}); }, {}, {}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TViewFixture F;
    Case.Options(F);
    F.Scan();
    TNames FilesBefore, FoldersBefore;
    Collect(F.Temp / L"list", L"", FilesBefore, FoldersBefore);

    const TSeen Seen = F.View();
    REQUIRE(Seen.Shown);
    CHECK(Seen.Files == Case.Files);
    CHECK(Seen.Subfolders == Case.Subfolders);
    // Nothing went while the view was open.
    TNames FilesNow, FoldersNow;
    Collect(F.Temp / L"list", L"", FilesNow, FoldersNow);
    CHECK(FilesNow == FilesBefore);

    F.Delete();
    TNames FilesAfter, FoldersAfter;
    Collect(F.Temp / L"list", L"", FilesAfter, FoldersAfter);
    TNames Deleted;
    std::set_difference(FilesBefore.begin(), FilesBefore.end(), FilesAfter.begin(), FilesAfter.end(),
                        std::inserter(Deleted, Deleted.end()));
    // A subfolder goes whole: the files in it that the search did not list go with it.
    for (const std::wstring& Subfolder : Seen.Subfolders)
      for (auto It = Deleted.begin(); It != Deleted.end();)
        It = (It->rfind(Subfolder + L"\\", 0) == 0 && Seen.Files.count(*It) == 0) ? Deleted.erase(It) : std::next(It);
    CHECK(Deleted == Seen.Files);
    for (const std::wstring& Subfolder : Seen.Subfolders) CHECK(FoldersAfter.count(Subfolder) == 0);
    for (const std::wstring& Folder : FoldersAfter) CHECK(FoldersBefore.count(Folder) == 1);
  }
}

TEST_CASE("the view: caption, columns, the total line, and sorting by a header click") {
  TViewFixture F;
  F.RestrictTo({L"*.tmp", L"*.log"});
  const TSeen Seen = F.View([](TFilesViewForm& View) {
    CHECK(View.FilesListView.ColumnCount() == 3);
    CHECK(View.FilesListView.ColumnCaption(0) == L"File");
    CHECK(View.FilesListView.ColumnCaption(1) == L"Size");
    CHECK(View.FilesListView.ColumnCaption(2) == L"Modified");
    CHECK((GetWindowLongPtrW(View.FilesListView.Handle(), GWL_STYLE) & LVS_OWNERDATA) != 0);
    CHECK((GetWindowLongPtrW(View.Handle(), GWL_STYLE) & WS_THICKFRAME) != 0);

    const auto Column = [&View](int Index) {
      std::vector<std::wstring> Texts;
      for (int i = 0; i < View.FilesListView.Count(); ++i) Texts.push_back(View.FilesListView.ItemText(i, Index));
      return Texts;
    };
    const auto ClickHeader = [&View](int Index) { ClickFilesHeader(View, Index); };
    ClickHeader(0);
    CHECK(Column(0) == std::vector<std::wstring>{L"a.tmp", L"b.log", L"h.tmp", L"sub1\\d.tmp", L"sub1\\deep\\e.tmp",
                                                 L"sub2\\f.log"});
    ClickHeader(0);
    CHECK(Column(0) == std::vector<std::wstring>{L"sub2\\f.log", L"sub1\\deep\\e.tmp", L"sub1\\d.tmp", L"h.tmp",
                                                 L"b.log", L"a.tmp"});
    ClickHeader(1);
    CHECK(Column(0) == std::vector<std::wstring>{L"sub1\\deep\\e.tmp", L"sub2\\f.log", L"h.tmp", L"b.log",
                                                 L"sub1\\d.tmp", L"a.tmp"});
    CHECK(Column(1) == std::vector<std::wstring>{L"1 KB", L"1 KB", L"1 KB", L"1 KB", L"2 KB", L"2 KB"});
    // By date: the two young files last.
    ClickHeader(2);
    const std::vector<std::wstring> ByDate = Column(0);
    CHECK(std::set<std::wstring>(ByDate.end() - 2, ByDate.end()) == TNames{L"a.tmp", L"sub2\\f.log"});
    CHECK(Column(2)[0] == LocalDateTimeText(FileTimeNow() - 30 * Day).substr(0, Column(2)[0].size()));

    // The lists follow the window's size; nothing overlaps or leaves the window.
    const auto Rect = [&View](const TControl& Control) {
      RECT R{};
      GetWindowRect(Control.Handle(), &R);
      MapWindowPoints(nullptr, View.Handle(), reinterpret_cast<POINT*>(&R), 2);
      return R;
    };
    const int FilesWidth = Rect(View.FilesListView).right - Rect(View.FilesListView).left;
    View.SetBounds(View.Left(), View.Top(), View.Width() + 200, View.Height() + 150);
    CHECK(Rect(View.FilesListView).right - Rect(View.FilesListView).left == FilesWidth + 200);
    RECT Client{};
    GetClientRect(View.Handle(), &Client);
    const std::vector<RECT> Stack = {Rect(View.FilesListView), Rect(View.SubfoldersLabel),
                                     Rect(View.SubfoldersListView), Rect(View.CloseButton)};
    for (size_t i = 0; i < Stack.size(); ++i) {
      CAPTURE(i);
      CHECK(Stack[i].left >= 0);
      CHECK(Stack[i].right <= Client.right);
      CHECK(Stack[i].bottom <= Client.bottom);
      if (i > 0) CHECK(Stack[i].top >= Stack[i - 1].bottom);
    }
    CHECK(Rect(View.TotalLabel).right <= Rect(View.CloseButton).left);
  });
  CHECK(Seen.Caption == L"View Files - " + (F.Temp / L"list"));
  // 3000 + 1000 + 100 + 2048 + 10 + 20 bytes.
  CHECK(Seen.Total == L"6 file(s) - 6 KB");
  CHECK(Seen.SubfoldersCaption == L"Subfolders that Delete removes with their content (2):");
}

TEST_CASE("View Files on a folder Delete leaves alone shows why and lists nothing") {
  TMainWindowFixture F;
  F.Start({L"x"});
  // The Windows folder is listed by mistake.
  wchar_t Windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(Windows, MAX_PATH);
  TListItem Listed = F.Form1->AddFolderToVKRListView(Windows, false);
  REQUIRE(Listed);
  REQUIRE(F.Form1->VKRListView1.Count() == 2);
  Listed.SetSelected(true);
  TFilesViewForm& View = F.Form1->FilesView();
  int Rows = -1;
  std::wstring Total;
  TFilesViewAnswer Answer(View, [&](TForm&) {
    Rows = View.FilesListView.Count() + View.SubfoldersListView.Count();
    Total = View.TotalLabel.Text();
    View.SetModalResult(mrOk);
  });
  F.Form1->ViewFiles1Click(F.Form1.get());
  CHECK(Rows == 0);
  CHECK(Total.rfind(L"Delete leaves this folder alone, to protect your data: ", 0) == 0);
}

TEST_CASE("View Files on folders with awkward names lists their own files, not their namesakes'") {
  const std::wstring Long(120, L'l');
  struct TCase {
    const char* Name;
    std::wstring Folder;  // made through "\\?\", relative to the temp folder
  };
  const TCase Cases[] = {
      {"\";\" in the name", L"a;b"},
      {"\"%\" in the name", L"100%x%"},
      {"a trailing dot", L"a."},
      {"a trailing blank", L"a "},
      {"a path past MAX_PATH", Long + L"\\" + Long + L"\\deep"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TMainWindowFixture F;
    // The namesakes the name could be mistaken for, each with a file of its own.
    F.Temp.MakeFile(L"a\\other.tmp", 10);
    F.Temp.MakeFile(L"b\\other.tmp", 10);
    F.Start({});
    const std::wstring Folder = F.Temp.Path() + L"\\" + Case.Folder;
    std::wstring Made = L"\\\\?\\" + F.Temp.Path();
    for (size_t Begin = 0; Begin <= Case.Folder.size();) {
      const size_t End = std::min(Case.Folder.find(L'\\', Begin), Case.Folder.size());
      Made += L"\\" + Case.Folder.substr(Begin, End - Begin);
      CreateDirectoryW(Made.c_str(), nullptr);
      Begin = End + 1;
    }
    REQUIRE(CreateDirectoryW((Made + L"\\sub").c_str(), nullptr));
    const UniqueFile File(CreateFileW((Made + L"\\sub\\mine.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                      nullptr));
    REQUIRE(File.valid());
    while (F.Form1->VKRListView1.Count() > 0) F.Form1->VKRListView1.Delete(0);
    REQUIRE(F.Form1->AddFolderToVKRListView(Folder, true));
    F.Form1->VKRListView1.Item(0).SetSelected(true);

    TFilesViewForm& View = F.Form1->FilesView();
    TNames Files, Subfolders;
    TFilesViewAnswer Answer(View, [&](TForm&) {
      for (int i = 0; i < View.FilesListView.Count(); ++i) Files.insert(View.FilesListView.ItemText(i, 0));
      for (int i = 0; i < View.SubfoldersListView.Count(); ++i)
        Subfolders.insert(View.SubfoldersListView.ItemText(i, 0));
      View.SetModalResult(mrOk);
    });
    F.Form1->ViewFiles1Click(F.Form1.get());
    CHECK(Answer.Answered());
    CHECK(Files == TNames{L"sub\\mine.tmp"});
    CHECK(Subfolders == TNames{L"sub"});
  }
}
