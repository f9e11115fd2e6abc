#include <doctest.h>

#include "app/FolderDelete.h"
#include "app/FolderModel.h"
#include "framework/Dialogs.h"
#include "framework/Graphics.h"
#include "framework/Text.h"
#include "support/PrivatePolicies.h"
#include "support/TestStrings.h"
#include "support/RecordedBoxes.h"
#include "MainWindowFixture.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Shown(const TFolderFigures& F) {
  return std::to_string(F.Subfolders) + "/" + std::to_string(F.Files) + "/" + std::to_string(F.SizeKB) + " KB";
}

// The figures the rows show, added up from their texts: what a person sees.
// A row that shows "?" adds nothing.
TFolderFigures SumOfShownRows(TForm1& Form) {
  TFolderFigures Sum;
  const auto Number = [](const std::wstring& Text) {
    std::wstring Digits;
    for (wchar_t C : Text)
      if (C >= L'0' && C <= L'9') Digits += C;
    return Digits.empty() ? int64_t{0} : std::stoll(Digits);
  };
  for (int i = 0; i < Form.VKRListView1.Count(); ++i) {
    const TListItem Row = Form.VKRListView1.Item(i);
    if (Row.SubItem(0) == L"?") continue;
    Sum += TFolderFigures{Number(Row.SubItem(0)), Number(Row.SubItem(1)), Number(Row.SubItem(2))};
  }
  return Sum;
}

void CheckRowsAndTotalsAgree(TMainWindowFixture& F) {
  const TFolderFigures Rows = SumOfShownRows(*F.Form1);
  CHECK(Shown(F.Form1->Current) == Shown(Rows));
  const std::wstring Summary = std::to_wstring(F.Form1->VKRListView1.Count()) + L" folder(s) - " +
                              std::to_wstring(Rows.Subfolders) + L" subfolder(s) - " + std::to_wstring(Rows.Files) +
                              L" file(s) - " + FolderSizeText(Rows.SizeKB);
  // After a Delete, what it removed follows the summary.
  const std::wstring Status = F.Form1->StatusBar1.SimpleText();
  CAPTURE(WideToUtf8(Status));
  CHECK((Status == Summary || Status.rfind(Summary + L" - deleted: ", 0) == 0));
}

}  // namespace

TEST_CASE("a row's texts, its greying and what it adds to the totals follow from its state") {
  struct TCase {
    const char* Name;
    std::function<void(TFolderModel&, const std::wstring&)> Make;
    TFolderRowTexts Texts;
    bool Grey;
    TFolderFigures Counted;
  };
  const std::wstring Folder = L"C:\\some\\folder";
  const TCase Cases[] = {
      {"never seen", [](TFolderModel&, const std::wstring&) {}, {L"?", L"?", L"? KB"}, false, {}},
      {"measured", [](TFolderModel& M, const std::wstring& P) { M.SetMeasured(P, TFolderFigures::Measured(2, 3, 4096)); },
       {L"2", L"3", FolderSizeText(4)}, false, {2, 3, 4}},
      {"measured, below a kilobyte: 1 KB", [](TFolderModel& M, const std::wstring& P) {
         M.SetMeasured(P, TFolderFigures::Measured(0, 1, 10)); },
       {L"0", L"1", FolderSizeText(1)}, false, {0, 1, 1}},
      {"measured empty: grey", [](TFolderModel& M, const std::wstring& P) { M.SetMeasured(P, TFolderFigures::Measured(0, 0, 0)); },
       {L"0", L"0", FolderSizeText(0)}, true, {}},
      {"refused by Delete: keeps and counts its figures",
       [](TFolderModel& M, const std::wstring& P) {
         M.SetMeasured(P, {1, 7, 9});
         M.SetProtected(P);
       },
       {L"1", L"7", FolderSizeText(9)}, false, {1, 7, 9}},
      {"gone since it was measured: question marks, grey, nothing counted",
       [](TFolderModel& M, const std::wstring& P) {
         M.SetMeasured(P, {1, 7, 9});
         M.SetMissing(P);
       },
       {L"?", L"?", L"? KB"}, true, {}},
      {"listed again: not scanned",
       [](TFolderModel& M, const std::wstring& P) {
         M.SetMeasured(P, {1, 7, 9});
         M.SetNotScanned(P);
       },
       {L"?", L"?", L"? KB"}, false, {}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TFolderModel Model;
    Case.Make(Model, Folder);
    // The same folder however it is spelled.
    const TFolderRow Row = Model.Find(L"c:\\SOME\\folder\\");
    CHECK(RowTexts(Row) == Case.Texts);
    CHECK(Row.Grey() == Case.Grey);
    CHECK(Row.Counted() == Case.Counted);
  }
  // An entry that is no full path is never a folder that is not there now: it is no folder at all.
  TFolderModel Model;
  Model.SetMissing(L"relative");
  CHECK(Model.Find(L"relative").State == TFolderState::fsInvalid);
  Model.SetMissing(Folder);
  CHECK(Model.Find(Folder).State == TFolderState::fsNotFound);
  Model.SetProtected(Folder);
  CHECK(Model.Find(Folder).State == TFolderState::fsNotFound);
}

TEST_CASE("totals add at full width: past 2 TiB and past 2 billion files") {
  TFolderFigures Sum;
  Sum += TFolderFigures::Measured(1, 3'000'000'000, int64_t{3} << 40);
  Sum += TFolderFigures::Measured(2, 5, int64_t{2} << 40);
  CHECK(Sum == TFolderFigures{3, 3'000'000'005, int64_t{5} << 30});
  CHECK(Sum - TFolderFigures::Measured(1, 3'000'000'000, int64_t{3} << 40) == TFolderFigures{2, 5, int64_t{2} << 30});
}

TEST_CASE("rows and totals agree after every command that changes them") {
  TMainWindowFixture F;
  for (const wchar_t* Name : {L"a\\x.tmp", L"a\\y.log", L"a\\sub\\z.tmp", L"b\\x.tmp", L"c\\one.bin"})
    F.Temp.MakeFile(Name, 1500);
  F.Temp.MakeFile(L"b\\big.log", 300000);
  // More found files in a than a permanent Delete takes ahead of the one it
  // reports: a stop after the first file still leaves some.
  for (size_t i = 0; i < PermanentDeleteAhead + 2; ++i)
    F.Temp.MakeFile(L"a\\more" + std::to_wstring(i) + L".tmp", 1500);
  F.Temp.MakeDir(L"empty");
  F.Start({L"a", L"b", L"c", L"empty"});
  F.DeleteOptions(/*Prompt=*/false, /*RecycleBin=*/false, /*Statistics=*/false);
  TRecordedBoxes Recorded(mrYes);
  const std::vector<TMessageDialogRequest>& Boxes = Recorded.Requests;

  struct TStep {
    const char* Name;
    std::function<void()> Act;
  };
  const TStep Steps[] = {
      {"scan", [&] { F.Scan(); }},
      {"delete that finds nothing", [&] {
         F.RestrictTo({L"*.old"});
         F.Temp.MakeFile(L"c\\two.bin", 5000);  // the row's old figures are no longer true
         F.Delete();
       }},
      {"delete stopped part way", [&] {
         F.RestrictTo({L"*.tmp", L"*.log"});
         F.Scan();
         // Asked once, and stopped as the answer is given: the first row is
         // cut short, the others are not reached and keep their figures.
         F.DeleteOptions(/*Prompt=*/true, false, false);
         TMessageDialogHook Stop([&F](const TMessageDialogRequest&) {
           F.Form1->LongCommand1.RequestStop();
           return mrYes;
         });
         F.Delete();
         // Cut short in the first row; the second not reached.
         CHECK(F.Row(0)[1] != L"0");
         CHECK(GetFileAttributesW((F.Temp / L"b\\x.tmp").c_str()) != INVALID_FILE_ATTRIBUTES);
       }},
      {"remove a row", [&] {
         F.Form1->VKRListView1.Item(2).SetSelected(true);
         F.Form1->RemoveFolder2Click(F.Form1.get());
       }},
      {"add a row", [&] {
         F.Form1->AddFolderToVKRListView(F.Temp.MakeDir(L"new"), true);
         F.Form1->UpdateStatusBar();
       }},
      {"scan again", [&] { F.Scan(); }},
  };
  for (const TStep& Step : Steps) {
    CAPTURE(Step.Name);
    Step.Act();
    CheckRowsAndTotalsAgree(F);
  }
  CHECK(F.Form1->VKRListView1.Count() == 4);
  // No box but the confirmation that the stop answered.
  CHECK(Boxes.empty());
}

TEST_CASE("a listed folder that is not there stays through a start and a close, and comes back when it appears") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"here\\a.tmp", 10);
  F.Start({L"here"});
  const std::wstring Gone = F.Temp / L"later";
  F.Registry.WriteString(L"Locations", L"Item1", Gone);
  // A second start reads the entry of a folder that does not exist yet.
  F.Form3.reset();
  F.Form1.reset();
  TForm1Options Options;
  Options.RegistryKey = F.Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(F.Registry);
  Options.SingleInstance = false;
  F.Form1 = std::make_unique<TForm1>(Options);
  REQUIRE(F.Form1->VKRListView1.Count() == 2);
  const TListItem Row = F.Form1->FindFolderListItem(F.Form1->VKRListView1, Gone);
  REQUIRE(Row);
  CHECK(F.Form1->Folders().Find(Gone).State == TFolderState::fsNotFound);
  CHECK(F.Row(Row.Index()) == TTexts{L"?", L"?", L"? KB"});
  F.Scan();
  CHECK(F.Form1->Folders().Find(Gone).State == TFolderState::fsNotFound);
  CHECK(F.Form1->Folders().Find(Gone).Grey());
  CheckRowsAndTotalsAgree(F);

  // A close stores it with the others.
  F.Form1->Close();
  const auto Stored = F.Registry.ValueNames(L"Locations");
  CHECK(Stored.size() == 2);
  bool Kept = false;
  for (const std::wstring& Name : Stored) Kept = Kept || F.Registry.ReadRaw(L"Locations", Name)->AsString() == Gone;
  CHECK(Kept);

  // The drive is there now: the next scan measures it like any other.
  F.Form1 = std::make_unique<TForm1>(Options);
  F.Temp.MakeFile(L"later\\b.tmp", 3000);
  F.Scan();
  const TFolderRow Back = F.Form1->Folders().Find(Gone);
  CHECK(Back.State == TFolderState::fsScanned);
  CHECK(Back.Figures == TFolderFigures{0, 1, 2});
  CHECK_FALSE(Back.Grey());
  CheckRowsAndTotalsAgree(F);
}
