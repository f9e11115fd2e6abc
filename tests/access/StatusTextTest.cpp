// What the status bar says after the commands that change the list or run a
// search without changing the totals.
#include <doctest.h>

#include "app/FilesView.h"
#include "app/MainWindowFixture.h"
#include "framework/BrowseFolder.h"
#include "framework/Text.h"
#include "support/DropFiles.h"
#include "support/ModalAnswer.h"

#include <string>

TEST_CASE("the status bar counts the rows after Add and after a drop") {
  TMainWindowFixture F;
  F.Start({L"one", L"two"});
  F.Scan();
  const std::wstring Totals = L" - 0 subfolder(s) - 0 file(s) - 0 KB";
  REQUIRE(F.Form1->StatusBar1.SimpleText() == L"2 folder(s)" + Totals);

  const std::wstring Added = F.Temp.MakeDir(L"added");
  {
    TBrowseFolderHook Choose([&](const TBrowseFolderRequest&, std::wstring& Folder) {
      Folder = Added;
      return true;
    });
    F.Form1->AddFolderToolButtonClick(F.Form1.get());
  }
  CHECK(F.Form1->VKRListView1.Count() == 3);
  CHECK(F.Form1->StatusBar1.SimpleText() == L"3 folder(s)" + Totals);

  SendMessageW(F.Form1->Handle(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(MakeDrop({F.Temp.MakeDir(L"d1"), F.Temp.MakeDir(L"d2")})), 0);
  CHECK(F.Form1->VKRListView1.Count() == 5);
  CHECK(F.Form1->StatusBar1.SimpleText() == L"5 folder(s)" + Totals);
}

TEST_CASE("after View Files the status bar shows the totals, not the search") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 2048);
  F.Start({L"one"});
  F.Scan();
  const std::wstring Before = F.Form1->StatusBar1.SimpleText();
  REQUIRE(Before == L"1 folder(s) - 0 subfolder(s) - 1 file(s) - 2 KB");
  F.Form1->VKRListView1.Item(0).SetSelected(true);
  TFilesViewForm& View = F.Form1->FilesView();
  TModalAnswer Answer(View, [&](TForm&) { View.CloseButton.Click(); });
  F.Form1->ViewFiles1Click(F.Form1.get());
  CHECK(Answer.Answered());
  CHECK(F.Form1->StatusBar1.SimpleText() == Before);
}
