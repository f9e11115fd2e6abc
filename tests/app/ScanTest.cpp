#include <doctest.h>

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "options/QuenloUnit2.h"
#include "resources/MainRes.h"
#include "support/ModalAnswer.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "MainWindowFixture.h"
#include "ProgressWatch.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>


TEST_CASE("a scan fills every row, the totals and the status bar") {
  TScanFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 2048);
  F.Temp.MakeFile(L"one\\sub\\b.log", 1024);
  F.Temp.MakeDir(L"one\\other");
  F.Temp.MakeFile(L"two\\c.dat", 5000);
  F.Start({L"one", L"two", L"three"});

  const TProgressWatch Progress(F.Form1->ProgressBar1.Handle(), [&F] { return F.Form1->Busy(); });
  REQUIRE(Progress.Watching());
  F.Scan();
  // Start-up sorted the rows by location: one, three, two.
  CHECK(F.Row(0) == TTexts{L"2", L"2", L"3 KB"});
  CHECK(F.Row(1) == TTexts{L"0", L"0", L"0 KB"});
  CHECK(F.Row(2) == TTexts{L"0", L"1", L"4 KB"});
  CHECK(F.Form1->Current.Subfolders == 2);
  CHECK(F.Form1->Current.Files == 3);
  CHECK(F.Form1->Current.SizeKB == 7);  // 3 + 4, each row truncated on its own
  CHECK(F.Form1->Previous.Files == 3);
  CHECK(F.Form1->Previous.SizeKB == 7);
  CHECK(F.Form1->StatusBar1.SimpleText() == L"3 folder(s) - 2 subfolder(s) - 3 file(s) - 7 KB");
  // The bar filled while the scan ran, one step a folder; it is empty now that nothing runs.
  CHECK(F.Form1->ProgressBar1.Max() == 3);
  CHECK(Progress.HighestWhileRunning() == 3);
  CHECK(F.Form1->ProgressBar1.Position() == 0);
  CHECK(F.Form1->DeleteToolButton.Enabled());
  CHECK(F.Form1->Delete1.Enabled());
  CHECK(F.Form1->StatisticsToolButton.Enabled());
  CHECK(F.Form1->Statistics1.Enabled());
  // The busy state is over.
  CHECK(F.Form1->ToolBar1.Enabled());
  CHECK(F.Form1->Scan1.Enabled());
  CHECK(ScreenCursor() == TCursor::crDefault);
  CHECK_FALSE(F.Form1->Busy());
}

TEST_CASE("what a scan counts follows the options; the size never does") {
  TScanFixture F;

  SUBCASE("only *.tmp checked: one file found, both sizes counted") {
    F.Temp.MakeFile(L"f\\a.tmp", 1024);
    F.Temp.MakeFile(L"f\\b.log", 1024);
    F.Start({L"f"});
    F.RestrictTo({L"*.tmp"});
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"0", L"1", L"2 KB"});
  }
  SUBCASE("nothing checked: no file found at all") {
    F.Temp.MakeFile(L"f\\a.tmp", 1024);
    F.Start({L"f"});
    F.RestrictTo({});
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"0", L"0", L"1 KB"});
    CHECK_FALSE(F.Form1->DeleteToolButton.Enabled());
  }
  SUBCASE("recursion off: a file in a subfolder is not found but counted in the size") {
    F.Temp.MakeFile(L"f\\sub\\a.tmp", 3000);
    F.Start({L"f"});
    F.ChangeOptions([](TOptions& Options) { Options.Recursive = false; });
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"1", L"0", L"2 KB"});
  }
  SUBCASE("depth limited to 0: only the files directly in the folder") {
    F.Temp.MakeFile(L"f\\top.tmp", 10);
    F.Temp.MakeFile(L"f\\sub\\below.tmp", 10);
    F.Temp.MakeFile(L"f\\sub\\deeper\\further.tmp", 10);
    F.Start({L"f"});
    F.ChangeOptions([](TOptions& Options) {
      Options.LimitSearchDepth = true;
      Options.MaxSearchDepth = 0;
    });
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"1", L"1", L"1 KB"});
    F.ChangeOptions([](TOptions& Options) { Options.MaxSearchDepth = 1; });
    F.Scan();
    CHECK(F.Row(0)[1] == L"2");
  }
  SUBCASE("a hidden subfolder is neither counted nor searched, but its size counts") {
    F.Temp.MakeDir(L"f\\hidden", FILE_ATTRIBUTE_HIDDEN);
    F.Temp.MakeFile(L"f\\hidden\\a.tmp", 4096);
    SetFileAttributesW((F.Temp / L"f\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    F.Temp.MakeFile(L"f\\seen.tmp", 1);
    F.Start({L"f"});
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"0", L"1", L"4 KB"});
  }
  SUBCASE("a system file directly in the folder counts as a subfolder, and as a file") {
    F.Temp.MakeFile(L"f\\system.dat", 10, FILE_ATTRIBUTE_SYSTEM);
    F.Temp.MakeFile(L"f\\hiddensystem.dat", 10, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    F.Start({L"f"});
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"1", L"2", L"1 KB"});
  }
}

TEST_CASE("sizes are shown and totalled in whole kilobytes") {
  TScanFixture F;
  F.Temp.MakeFile(L"small\\a.bin", 1023);
  F.Temp.MakeFile(L"two\\a.bin", 2047);
  F.Temp.MakeFile(L"two\\b.bin", 1);
  F.Start({L"small", L"two"});
  F.Scan();
  CHECK(F.Row(0)[2] == L"1 KB");
  CHECK(F.Row(1)[2] == L"2 KB");
  // The total is the sum of what the rows show: 1,023 bytes show, and count, as 1 KB.
  CHECK(F.Form1->Current.SizeKB == 3);
  CHECK(F.Form1->StatusBar1.SimpleText() == L"2 folder(s) - 0 subfolder(s) - 3 file(s) - 3 KB");
}

TEST_CASE("one rule gives a row's kilobytes and the totals' share of them") {
  constexpr int64_t TiB = int64_t{1} << 40;
  const struct {
    int64_t Bytes;
    int64_t KiloBytes;
  } Cases[] = {
      {-1, 0}, {0, 0}, {1, 1}, {1023, 1}, {1024, 1}, {2047, 1}, {2048, 2}, {3 * TiB, 3 * (TiB / 1024)},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.Bytes);
    CHECK(FolderSizeKB(Case.Bytes) == Case.KiloBytes);
    // What the row shows is that number, whatever the bytes were.
    CHECK(FolderSizeText(FolderSizeKB(Case.Bytes)) == FormatFileSize(Case.KiloBytes * 1024, TSizeUnit::fsKiloBytes));
  }
}

TEST_CASE("totals past 2 TiB stay true as rows are removed") {
  TScanFixture F;
  F.Start({L"a", L"b", L"c"});
  // Figures no test machine can hold on disk: 3 TiB and 2 TiB, 3 billion files.
  const int64_t Sizes[] = {int64_t{3} << 30, int64_t{2} << 30, 5};
  const int64_t Files[] = {3'000'000'000, 1, 2};
  for (int i = 0; i < 3; ++i)
    F.Form1->Folders().SetMeasured(F.Form1->VKRListView1.Item(i).Caption(), {0, Files[i], Sizes[i]});
  F.Form1->ShowFolders();
  CHECK(F.Form1->StatusBar1.SimpleText() ==
        L"3 folder(s) - 0 subfolder(s) - 3000000003 file(s) - " + FolderSizeText((int64_t{5} << 30) + 5));

  // The first row goes: its figures come off the totals, read at full width.
  F.Form1->VKRListView1.Item(0).SetSelected(true);
  const std::wstring Kept = F.Form1->VKRListView1.Item(1).SubItem(2);
  F.Form1->RemoveFolder2Click(F.Form1.get());
  REQUIRE(F.Form1->VKRListView1.Count() == 2);
  CHECK(F.Form1->Current.Files == 3);
  CHECK(F.Form1->Current.SizeKB == (int64_t{2} << 30) + 5);
  CHECK(F.Form1->StatusBar1.SimpleText() ==
        L"2 folder(s) - 0 subfolder(s) - 3 file(s) - " + FolderSizeText((int64_t{2} << 30) + 5));
  CHECK(Kept == FolderSizeText(int64_t{2} << 30));
}

TEST_CASE("an empty list: totals 0, Delete and Statistics keep their states") {
  TScanFixture F;
  F.Start({L"only"});
  F.Form1->VKRListView1.Delete(0);
  F.Scan();
  CHECK(F.Form1->ProgressBar1.Max() == 0);
  CHECK(F.Form1->StatusBar1.SimpleText() == L"0 folder(s) - 0 subfolder(s) - 0 file(s) - 0 KB");
  CHECK_FALSE(F.Form1->DeleteToolButton.Enabled());
  CHECK_FALSE(F.Form1->StatisticsToolButton.Enabled());
  CHECK_FALSE(F.Form1->Statistics1.Enabled());
}

TEST_CASE("a second scan that finds nothing leaves Delete as the first one left it") {
  TScanFixture F;
  const std::wstring File = F.Temp.MakeFile(L"f\\a.tmp", 10);
  F.Start({L"f"});
  F.Scan();
  REQUIRE(F.Form1->DeleteToolButton.Enabled());
  DeleteFileW(File.c_str());
  F.Scan();
  CHECK(F.Row(0) == TTexts{L"0", L"0", L"0 KB"});
  CHECK(F.Form1->DeleteToolButton.Enabled());
  CHECK(F.Form1->Delete1.Enabled());
}

TEST_CASE("a listed folder removed from the disk stays listed as not there, and comes back when it is") {
  TScanFixture F;
  F.Temp.MakeFile(L"gone\\a.tmp", 5000);
  F.Temp.MakeFile(L"kept\\b.tmp", 2048);
  F.Start({L"gone", L"kept"});
  RemoveTree(F.Temp / L"gone");
  F.Scan();
  REQUIRE(F.Form1->VKRListView1.Count() == 2);
  // Not there: question marks, and nothing counted.
  CHECK(F.Row(0) == TTexts{L"?", L"?", L"? KB"});
  CHECK(F.Row(1) == TTexts{L"0", L"1", L"2 KB"});
  CHECK(F.Form1->Current.SizeKB == 2);
  CHECK(F.Form1->Current.Files == 1);

  // The folder is back (a drive connected again): the next scan counts it.
  F.Temp.MakeFile(L"gone\\a.tmp", 5000);
  F.Scan();
  CHECK(F.Row(0) == TTexts{L"0", L"1", L"4 KB"});
  CHECK(F.Form1->Current.SizeKB == 6);
}

TEST_CASE("the scan at start-up runs when the option is on, before the window shows") {
  TScanFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 2048);
  F.Start({L"f"}, /*ScanAtStartup=*/true);
  CHECK(F.Row(0) == TTexts{L"0", L"1", L"2 KB"});
  CHECK_FALSE(F.Form1->Visible());
  CHECK(F.Form1->StatusBar1.SimpleText() == L"1 folder(s) - 0 subfolder(s) - 1 file(s) - 2 KB");
}

TEST_CASE("the search's current directory is the last listed folder after a scan") {
  TScanFixture F;
  F.Start({L"first", L"second"});
  wchar_t Saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, Saved);
  F.Scan();
  wchar_t After[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, After);
  SetCurrentDirectoryW(Saved);  // the folders must be removable again
  CHECK(std::wstring(After) == F.Temp / L"second");
}

TEST_CASE("statistics right after a scan show no difference") {
  TScanFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 4096);
  F.Start({L"f"});
  F.Scan();
  TModalAnswer Answer(*F.Form3, [&](TForm&) { F.Form3->CloseButton.Click(); });
  F.Form1->StatisticsToolButtonClick(F.Form1.get());
  CHECK(F.Form3->CurrentFileSizeLabel.Text() == L"4 KB");
  CHECK(F.Form3->DeltaSubfolderCountLabel.Text() == L"0");
  CHECK(F.Form3->DeltaFileCountLabel.Text() == L"0");
  CHECK(F.Form3->DeltaFileSizeLabel.Text() == L"0 KB");
}

TEST_CASE("while a scan runs, no other command starts") {
  TScanFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 10);
  F.Start({L"f"});
  int StatisticsShown = 0;
  TModalAnswer Answer(*F.Form3, [&](TForm&) {
    ++StatisticsShown;
    F.Form3->CloseButton.Click();
  });
  // Waiting in the queue, this reaches the window while the scan lets it repaint.
  PostMessageW(F.Form1->Handle(), WM_COMMAND, MAKEWPARAM(IDM_STATISTICS, 0), 0);
  F.Form1->LongCommand1.Run(L"Scanning", [&] { F.Form1->LongCommand1.Respond(); });
  // It was delivered during the command, and did nothing.
  MSG Waiting{};
  CHECK_FALSE(PeekMessageW(&Waiting, F.Form1->Handle(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
  CHECK(StatisticsShown == 0);
  F.Scan();
  CHECK(F.Row(0) == TTexts{L"0", L"1", L"1 KB"});
}
