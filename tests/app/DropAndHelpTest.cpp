#include <doctest.h>

#include "app/MainWindowStart.h"
#include "app/QuenloUnit1.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/ShellExecute.h"
#include "resources/MainRes.h"
#include "support/DropFiles.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring MakeShortcut(const std::wstring& FileName, const std::wstring& Target) {
  TVKRShellLink Link;
  Link.SetFileName(FileName);
  Link.SetTarget(Target);
  Link.Write();
  return Link.FileName();
}

// A main window with Delete on, as after a scan that found files.
struct TDropFixture {
  TRegistryFixture Registry;
  TTempDir Temp;
  std::unique_ptr<TForm1> Form = StartMainWindow(Registry);
  std::vector<std::wstring> Before = Captions(*Form);

  TDropFixture() {
    Form->DeleteToolButton.SetEnabled(true);
    Form->Delete1.SetEnabled(true);
  }
  // The rows the drops added, in the order the list shows them.
  std::vector<std::wstring> Added() const {
    std::vector<std::wstring> New;
    for (const std::wstring& Caption : Captions(*Form))
      if (std::find(Before.begin(), Before.end(), Caption) == Before.end()) New.push_back(Caption);
    return New;
  }
  bool Drop(const std::vector<std::wstring>& Paths) { return SendDrop(Form->Handle(), MakeDrop(Paths)); }
};

}  // namespace

TEST_CASE("dropped folders join the list where its sort puts them and withdraw Delete") {
  TDropFixture Fixture;
  const std::wstring C = Fixture.Temp.MakeDir(L"c-folder");
  const std::wstring A = Fixture.Temp.MakeDir(L"a-folder");
  const std::wstring B = Fixture.Temp.MakeDir(L"b-folder");
  const std::wstring File = Fixture.Temp.MakeFile(L"plain.txt", 10);
  CHECK(Fixture.Drop({C, File, A, Fixture.Temp / L"missing", B}));
  // The list is sorted by location since the start: the arrow says so.
  REQUIRE(Fixture.Form->VKRListView1.LastSortIndex() == 0);
  CHECK(Fixture.Added() == std::vector<std::wstring>{A, B, C});
  for (const std::wstring& Folder : {A, B, C}) {
    const TListItem Row = Fixture.Form->FindFolderListItem(Fixture.Form->VKRListView1, Folder);
    REQUIRE(Row);
    CHECK(Row.SubItem(0) == L"?");
    CHECK(Row.SubItem(2) == L"? KB");
  }
  CHECK_FALSE(Fixture.Form->DeleteToolButton.Enabled());
  CHECK_FALSE(Fixture.Form->Delete1.Enabled());

  // A folder listed already gets no second row.
  CHECK(Fixture.Drop({A}));
  CHECK(Fixture.Added() == std::vector<std::wstring>{A, B, C});
}

TEST_CASE("a dropped shortcut adds the folder it leads to, and nothing else") {
  TDropFixture Fixture;
  TTempDir& Temp = Fixture.Temp;
  const std::wstring Folder = Temp.MakeDir(L"target");
  const std::wstring File = Temp.MakeFile(L"target.txt", 3);
  const std::wstring Gone = Temp.MakeDir(L"gone");
  const std::wstring ToGone = MakeShortcut(Temp / L"to gone.LNK", Gone);
  RemoveDirectoryW(Gone.c_str());

  SUBCASE("to a file, to nothing: no row, no message") {
    CHECK(Fixture.Drop({MakeShortcut(Temp / L"to file", File), ToGone}));
    CHECK(Fixture.Added().empty());
    CHECK(Fixture.Form->DeleteToolButton.Enabled());
  }
  SUBCASE("to a folder") {
    CHECK(Fixture.Drop({MakeShortcut(Temp / L"to folder", Folder)}));
    CHECK(Fixture.Added() == std::vector<std::wstring>{Folder});
    CHECK(Fixture.Form->VKRFileDrag1.Files() == std::vector<std::wstring>{Folder});
  }
  SUBCASE("an unreadable shortcut ends the drop with its message; rows before it stay") {
    const std::wstring First = Temp.MakeDir(L"first");
    const std::wstring Last = Temp.MakeDir(L"last");
    const std::wstring Broken = Temp.MakeFile(L"broken.lnk", std::string("no shortcut"));
    std::vector<std::wstring> Shown;
    TMessageDialogHook Hook([&](const TMessageDialogRequest& Request) {
      CHECK(Request.Type == TMsgDlgType::mtError);
      Shown.push_back(Request.Text);
      return mrOk;
    });
    CHECK(Fixture.Drop({First, Broken, Last}));
    CHECK(Shown == std::vector<std::wstring>{L"Read error."});
    CHECK(Fixture.Added() == std::vector<std::wstring>{First});
  }
}

TEST_CASE("a drop while the window is disabled changes nothing and is still finished") {
  TDropFixture Fixture;
  const std::wstring Folder = Fixture.Temp.MakeDir(L"later");
  EnableWindow(Fixture.Form->Handle(), FALSE);
  CHECK(Fixture.Drop({Folder}));
  CHECK(Fixture.Added().empty());
  CHECK(Fixture.Form->DeleteToolButton.Enabled());
  EnableWindow(Fixture.Form->Handle(), TRUE);
  CHECK(Fixture.Drop({Folder}));
  CHECK(Fixture.Added() == std::vector<std::wstring>{Folder});
}

TEST_CASE("Release Notes opens the text file beside the program, when there is one") {
  TRegistryFixture Registry;
  auto Form = StartMainWindow(Registry);
  const std::wstring Notes = ChangeFileExt(ApplicationExeName(), L".txt");
  DeleteFileW(Notes.c_str());

  std::vector<std::wstring> Opened;
  TShellExecuteHook Hook([&](const TShellExecuteRequest& Request) -> INT_PTR {
    CHECK(Request.WindowHandle == Form->Handle());
    CHECK(std::wstring(Request.Operation) == L"open");
    CHECK(Request.Parameters == nullptr);
    CHECK(Request.Directory == nullptr);
    CHECK(Request.ShowCommand == SW_SHOWNORMAL);
    Opened.push_back(Request.FileName);
    return 42;
  });
  Form->ReleaseNotes1.Click();
  CHECK(Opened.empty());

  REQUIRE(UniqueFile(CreateFileW(Notes.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)).valid());
  Form->ReleaseNotes1.Click();
  SendMessageW(Form->Handle(), WM_COMMAND, MAKEWPARAM(IDM_RELEASENOTES, 1), 0);  // F1
  DeleteFileW(Notes.c_str());
  CHECK(Opened == std::vector<std::wstring>{Notes, Notes});
}
