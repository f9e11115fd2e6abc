#include <doctest.h>

#include "app/DeleteSummary.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "framework/FormatSettings.h"
#include "framework/Text.h"
#include "support/TestStrings.h"
#include "support/Trash.h"
#include "MainWindowFixture.h"

#include <string>
#include <vector>

namespace {

// Every prompt's text, answered with Yes.
struct TPrompts {
  std::vector<std::wstring> Texts;
  TMessageDialogHook Hook{[this](const TMessageDialogRequest& Request) {
    Texts.push_back(Request.Text);
    return mrYes;
  }};
};

// The line below the question.
std::wstring PlanLine(const std::wstring& Prompt) {
  const size_t Break = Prompt.rfind(L'\n');
  return Break == std::wstring::npos ? std::wstring() : Prompt.substr(Break + 1);
}

}  // namespace

TEST_CASE("the Delete prompt says what will go from the folder, and where, under the options in force") {
  struct TCase {
    const char* Name;
    bool RecycleBin;
    std::vector<std::wstring> Keep;
    const wchar_t* Line;
    const wchar_t* Deleted;  // the status bar's end afterwards
  };
  // a.tmp 1000, b.tmp 2000, sub\c.tmp 3000, sub\deep\d.tmp 4000, keep.lock 500 bytes.
  const TCase Cases[] = {
      {"permanently", false, {}, L"5 files and 1 subfolder, 10.3 KB, deleted permanently.",
       L"deleted: 10.3 KB (0 bytes in the Recycle Bin)"},
      {"to the Recycle Bin", true, {}, L"5 files and 1 subfolder, 10.3 KB, to the Recycle Bin.",
       L"deleted: 10.3 KB (10.3 KB in the Recycle Bin)"},
      {"kept files are not counted", false, {L"*.lock"}, L"4 files and 1 subfolder, 9.8 KB, deleted permanently.",
       L"deleted: 9.8 KB (0 bytes in the Recycle Bin)"},
      // The kept file keeps sub: its other files go one by one and count alone.
      {"a subfolder kept by what it holds", false, {L"d.tmp"}, L"4 files, 6.3 KB, deleted permanently.",
       L"deleted: 6.3 KB (0 bytes in the Recycle Bin)"},
  };
  for (const TCase& Case : Cases) {
    const std::string Name = Case.Name;
    CAPTURE(Name);
    TMainWindowFixture F;
    F.Temp.MakeFile(L"list\\a.tmp", 1000);
    F.Temp.MakeFile(L"list\\b.tmp", 2000);
    F.Temp.MakeFile(L"list\\sub\\c.tmp", 3000);
    F.Temp.MakeFile(L"list\\sub\\deep\\d.tmp", 4000);
    F.Temp.MakeFile(L"list\\keep.lock", 500);
    for (size_t i = 0; i < Case.Keep.size(); ++i)
      F.Registry.WriteString(L"Keep", L"Item" + std::to_wstring(i), Case.Keep[i]);
    F.Start({L"list"});
    F.DeleteOptions(/*Prompt=*/true, Case.RecycleBin, /*Statistics=*/false);
    F.Scan();
    TPrompts Prompts;
    F.Delete();
    REQUIRE(Prompts.Texts.size() == 1);
    CHECK(Prompts.Texts[0].rfind(L"Do you want to delete the content of \"" + (F.Temp / L"list") + L"\"?\n", 0) == 0);
    CHECK(PlanLine(Prompts.Texts[0]) == Case.Line);
    const std::wstring Status = F.Form1->StatusBar1.SimpleText();
    CHECK(Status.substr(Status.rfind(L" - ") + 3) == Case.Deleted);
    if (Case.RecycleBin) RemoveTrashEntriesOf(ExtractFileName(F.Temp.Path()));
  }
}

TEST_CASE("a row that was not scanned gets its prompt line from a measure of its own") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 2048);
  F.Start({L"one", L"two"});
  F.DeleteOptions(/*Prompt=*/true, false, false);
  // "two" is not there when Scan runs: its row shows question marks.
  RemoveTree(F.Temp / L"two");
  F.Scan();
  REQUIRE(F.Row(1) == TTexts{L"?", L"?", L"? KB"});
  F.Temp.MakeFile(L"two\\b.tmp", 1536);
  F.Temp.MakeFile(L"two\\x\\c.tmp", 3 * 1024 * 1024);
  TPrompts Prompts;
  F.Delete();
  REQUIRE(Prompts.Texts.size() == 2);
  CHECK(PlanLine(Prompts.Texts[0]) == L"1 file, 2.0 KB, deleted permanently.");
  CHECK(PlanLine(Prompts.Texts[1]) == L"2 files and 1 subfolder, 3.0 MB, deleted permanently.");
}

TEST_CASE("sizes as people read them") {
  const TFormatSettingsOverride Comma([] {
    TFormatSettings Settings;
    Settings.DecimalSeparator = L",";
    return Settings;
  }());
  const struct {
    int64_t Bytes;
    const wchar_t* Text;
  } Cases[] = {
      {0, L"0 bytes"},          {1, L"1 byte"},           {1023, L"1023 bytes"},
      {1024, L"1,0 KB"},        {1536, L"1,5 KB"},        {1024 * 1024 - 1, L"1024,0 KB"},
      {1024 * 1024, L"1,0 MB"}, {43'200'000, L"41,2 MB"}, {int64_t{3} << 40, L"3,0 TB"},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.Bytes);
    CHECK(ByteSizeText(Case.Bytes) == Case.Text);
  }
}
