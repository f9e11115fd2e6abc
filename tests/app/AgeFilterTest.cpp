#include <doctest.h>

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "search/FileAge.h"
#include "framework/Text.h"
#include "support/TestStrings.h"
#include "support/Trash.h"
#include "FileTimes.h"
#include "MainWindowFixture.h"

#include <string>
#include <vector>

namespace {

constexpr int64_t Minute = 600'000'000LL;  // in file time
constexpr int64_t Day = 1440 * Minute;

// A listed folder of files of known ages, with "Only files older than 7 days":
//   young.tmp (6 days)  limit.tmp (7 days exactly)  justinside.tmp (7 days less 2 minutes)  old.tmp (30 days)
//   old\a.tmp (30 days): a subfolder of old files only
//   mixed\a.tmp (30 days), mixed\deep\deeper\b.tmp (1 day): a young file deep down keeps the subfolder
//   hidden\a.tmp (30 days), hidden\h.tmp (1 day, hidden): a hidden young file keeps it too
struct TAgeFixture : TMainWindowFixture {
  TAgeFixture() {
    const uint64_t Now = FileTimeNow();
    const struct {
      const wchar_t* Name;
      int64_t Age;
      DWORD Attributes;
    } Files[] = {
        {L"list\\young.tmp", 6 * Day, 0},
        {L"list\\limit.tmp", 7 * Day, 0},
        {L"list\\justinside.tmp", 7 * Day - 2 * Minute, 0},
        {L"list\\old.tmp", 30 * Day, 0},
        {L"list\\old\\a.tmp", 30 * Day, 0},
        {L"list\\mixed\\a.tmp", 30 * Day, 0},
        {L"list\\mixed\\deep\\deeper\\b.tmp", 1 * Day, 0},
        {L"list\\hidden\\a.tmp", 30 * Day, 0},
        {L"list\\hidden\\h.tmp", 1 * Day, FILE_ATTRIBUTE_HIDDEN},
    };
    for (const auto& File : Files) {
      const std::wstring Path = Temp.MakeFile(File.Name, 2048);
      SetLastWriteTime(Path, Now - static_cast<uint64_t>(File.Age));
      if (File.Attributes != 0) SetFileAttributesW(Path.c_str(), File.Attributes);
    }
    Start({L"list"});
    DeleteOptions(/*Prompt=*/false, /*RecycleBin=*/false, /*Statistics=*/false);
  }
  void OnlyOlderThan(bool Checked, int Days = 7) {
    ChangeOptions([&](TOptions& Options) {
      Options.OnlyOlderThan = Checked;
      Options.OlderThanDays = Days;
    });
  }
  bool Exists(const std::wstring& Relative) { return GetFileAttributesW((Temp / Relative).c_str()) != INVALID_FILE_ATTRIBUTES; }
};

}  // namespace

TEST_CASE("only files older than the limit are counted; the size stays that of the whole tree") {
  struct TCase {
    const char* Name;
    bool Checked;
    int Days;
    std::wstring Files;
  };
  const TCase Cases[] = {
      {"off: every file", false, 7, L"9"},
      {"7 days: the file at the limit and the older ones", true, 7, L"5"},
      {"2 days: all but the two written a day ago", true, 2, L"7"},
      {"31 days: none", true, 31, L"0"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TAgeFixture F;
    F.OnlyOlderThan(Case.Checked, Case.Days);
    F.Scan();
    CHECK(F.Row(0) == TTexts{L"3", Case.Files, L"18 KB"});
    CHECK(F.Form1->DeleteToolButton.Enabled() == (Case.Files != L"0"));
  }
}

TEST_CASE("Delete under the age limit: young files stay, and so does every subfolder holding one") {
  for (const bool RecycleBin : {false, true}) {
    CAPTURE(RecycleBin);
    TAgeFixture F;
    F.DeleteOptions(false, RecycleBin, false);
    F.OnlyOlderThan(true);
    F.Scan();
    F.Delete();
    const struct {
      const wchar_t* Name;
      bool Stays;
    } Expected[] = {
        {L"list\\young.tmp", true},           {L"list\\justinside.tmp", true},
        {L"list\\limit.tmp", false},          {L"list\\old.tmp", false},
        {L"list\\old", false},                {L"list\\mixed\\a.tmp", false},
        {L"list\\mixed\\deep\\deeper\\b.tmp", true}, {L"list\\hidden\\a.tmp", false},
        {L"list\\hidden\\h.tmp", true},
    };
    for (const auto& Entry : Expected) {
      CAPTURE(WideToUtf8(Entry.Name));
      CHECK(F.Exists(Entry.Name) == Entry.Stays);
    }
    // Nothing old is left to count; two subfolders and their young files remain.
    CHECK(F.Row(0) == TTexts{L"2", L"0", L"8 KB"});
    CHECK(F.Form1->Current.Files == 0);
    CHECK(F.Form1->Previous.Files == 5);
    if (RecycleBin) RemoveTrashEntriesOf(ExtractFileName(F.Temp.Path()));
  }
}

TEST_CASE("without the age limit Delete empties the folder as before") {
  TAgeFixture F;
  F.Scan();
  F.Delete();
  CHECK(F.Row(0) == TTexts{L"0", L"0", L"0 KB"});
  CHECK_FALSE(F.Exists(L"list\\young.tmp"));
  CHECK_FALSE(F.Exists(L"list\\mixed"));
  CHECK(F.Exists(L"list"));
}

TEST_CASE("the age limit: whole days before a moment; files of unknown age do not count") {
  const uint64_t Now = 1'000'000 * Day;
  CHECK(AgeLimit(Now, 7) == Now - 7 * Day);
  CHECK(AgeLimit(Now, 3650) == Now - 3650ULL * Day);
  CHECK(AgeLimit(5 * Day, 7) == 0);  // before the beginning of file time: nothing is that old

  const uint64_t Today = FileTimeNow();
  TTempDir Temp;
  std::vector<std::wstring> Files = {Temp.MakeFile(L"a"), Temp / L"gone", Temp.MakeFile(L"b")};
  std::vector<std::wstring> Hits = {L"1", L"2", L"3"};
  SetLastWriteTime(Files[0], Today - 8 * Day);
  SetLastWriteTime(Files[2], Today - 6 * Day);
  KeepFilesOlderThan(Files, Hits, AgeLimit(Today, 7));
  CHECK(Files == std::vector<std::wstring>{Temp / L"a"});
  CHECK(Hits == std::vector<std::wstring>{L"1"});
}
