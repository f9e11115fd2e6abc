#include <doctest.h>

#include "app/FolderDelete.h"
#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Handle.h"
#include "support/ModalAnswer.h"
#include "support/TestStrings.h"
#include "support/Trash.h"
#include "MainWindowFixture.h"
#include "ProgressWatch.h"

#include <shlobj.h>

#include <string>
#include <vector>

namespace {

// Answers the confirmation boxes in turn and keeps what they asked.
struct TPromptAnswers {
  std::vector<TModalResult> Answers;
  std::vector<TMessageDialogRequest> Asked;
  TMessageDialogHook Hook{[this](const TMessageDialogRequest& Request) {
    Asked.push_back(Request);
    return Asked.size() <= Answers.size() ? Answers[Asked.size() - 1] : mrCancel;
  }};
  explicit TPromptAnswers(std::vector<TModalResult> Given) : Answers(std::move(Given)) {}
};

bool Exists(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST_CASE("the confirmation box: its text and buttons, and the answer memory") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"one\\a.tmp", 10);
  F.Temp.MakeFile(L"two\\b.tmp", 10);
  F.Start({L"one", L"two"});
  F.DeleteOptions(/*Prompt=*/true, /*RecycleBin=*/false, /*Statistics=*/false);
  F.Scan();

  struct TCase {
    const char* Name;
    std::vector<TModalResult> Answers;
    size_t Prompts;
    bool OneDeleted;
    bool TwoDeleted;
  };
  const TCase Cases[] = {
      {"Yes to All deletes both without a second prompt", {mrYesToAll}, 1, true, true},
      {"No to All skips both", {mrNoToAll}, 1, false, false},
      {"No prompts again for the second", {mrNo, mrYes}, 2, false, true},
      {"a closed box skips that folder and asks again", {mrCancel, mrYes}, 2, false, true},
  };
  for (const TCase& Case : Cases) {
    SUBCASE(Case.Name) {
      TPromptAnswers Prompt(Case.Answers);
      F.Delete();
      REQUIRE(Prompt.Asked.size() == Case.Prompts);
      const TMessageDialogRequest& First = Prompt.Asked[0];
      CHECK(First.Caption == L"Confirm");
      CHECK(First.Type == TMsgDlgType::mtConfirmation);
      CHECK(First.Position == TMsgDlgPosition::dpScreenCenter);
      // The question, then what the answer Yes would remove.
      CHECK(First.Text == L"Do you want to delete the content of \"" + (F.Temp / L"one") +
                              L"\"?\n\n1 file, 10 bytes, deleted permanently.");
      CHECK(First.Buttons == std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbNoToAll,
                                                     TMsgDlgBtn::mbYesToAll});
      CHECK(Exists(F.Temp / L"one\\a.tmp") != Case.OneDeleted);
      CHECK(Exists(F.Temp / L"two\\b.tmp") != Case.TwoDeleted);
      CHECK(F.Row(0)[1] == (Case.OneDeleted ? L"0" : L"1"));
      CHECK(F.Row(1)[1] == (Case.TwoDeleted ? L"0" : L"1"));
    }
  }
}

TEST_CASE("a folder in which nothing is found is not asked about and keeps its subfolders") {
  TMainWindowFixture F;
  F.Temp.MakeDir(L"empty\\sub");
  F.Temp.MakeFile(L"full\\a.tmp", 10);
  F.Start({L"empty", L"full"});
  F.DeleteOptions(true, false, false);
  F.Scan();
  TPromptAnswers Prompt({mrYes});
  F.Delete();
  REQUIRE(Prompt.Asked.size() == 1);
  CHECK(Prompt.Asked[0].Text.find(L"full") != std::wstring::npos);
  CHECK(DirectoryExists(F.Temp / L"empty\\sub"));
  CHECK(F.Row(0) == TTexts{L"1", L"0", L"0 KB"});
}

TEST_CASE("a Delete that finds nothing shows what is there now, as the totals do") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 2048);
  F.Temp.MakeFile(L"f\\sub\\b.txt", 5000);
  F.Start({L"f"});
  F.DeleteOptions(false, false, false);
  F.RestrictTo({L"*.tmp"});
  F.Scan();
  REQUIRE(F.Row(0) == TTexts{L"1", L"1", L"6 KB"});
  // Gone before Delete looks: the search finds nothing.
  REQUIRE(DeleteFileW((F.Temp / L"f\\a.tmp").c_str()));
  F.Delete();
  CHECK(F.Row(0) == TTexts{L"1", L"0", L"4 KB"});
  CHECK(F.Form1->Current.Subfolders == 1);
  CHECK(F.Form1->Current.Files == 0);
  CHECK(F.Form1->Current.SizeKB == 4);
  CHECK(F.Form1->StatusBar1.SimpleText() ==
        L"1 folder(s) - 1 subfolder(s) - 0 file(s) - 4 KB - deleted: 0 bytes (0 bytes in the Recycle Bin)");
}

TEST_CASE("with only *.tmp checked, Delete removes the found files and every subfolder") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 2048);
  F.Temp.MakeFile(L"f\\b.log", 3072);
  F.Temp.MakeFile(L"f\\sub\\c.log", 1024);
  F.Start({L"f"});
  F.DeleteOptions(false, false, false);
  F.RestrictTo({L"*.tmp"});
  F.Scan();
  REQUIRE(F.Row(0) == TTexts{L"1", L"1", L"6 KB"});
  const TProgressWatch Progress(F.Form1->ProgressBar1.Handle(), [&F] { return F.Form1->Busy(); });
  REQUIRE(Progress.Watching());
  F.Delete();
  CHECK_FALSE(Exists(F.Temp / L"f\\a.tmp"));
  CHECK(Exists(F.Temp / L"f\\b.log"));
  CHECK_FALSE(Exists(F.Temp / L"f\\sub"));
  CHECK(DirectoryExists(F.Temp / L"f"));
  CHECK(F.Row(0) == TTexts{L"0", L"0", L"3 KB"});
  CHECK(F.Form1->Previous.Files == 1);
  CHECK(F.Form1->Previous.Subfolders == 1);
  CHECK(F.Form1->Previous.SizeKB == 6);
  CHECK(F.Form1->Current.SizeKB == 3);
  CHECK(F.Form1->StatusBar1.SimpleText() ==
        L"1 folder(s) - 0 subfolder(s) - 0 file(s) - 3 KB - deleted: 3.0 KB (0 bytes in the Recycle Bin)");
  // One step a found file while it ran; empty now that nothing runs.
  CHECK(F.Form1->ProgressBar1.Max() == 1);
  CHECK(Progress.HighestWhileRunning() == 1);
  CHECK(F.Form1->ProgressBar1.Position() == 0);
  CHECK(F.Form1->ToolBar1.Enabled());
  CHECK_FALSE(F.Form1->Busy());
}

TEST_CASE("with recursion off the subfolders go once a file directly in the folder was found") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 10);
  F.Temp.MakeFile(L"f\\sub\\deep.tmp", 10);
  F.Temp.MakeFile(L"g\\sub\\only.tmp", 10);
  F.Start({L"f", L"g"});
  F.DeleteOptions(false, false, false);
  F.ChangeOptions([](TOptions& Options) { Options.Recursive = false; });
  F.Scan();
  F.Delete();
  CHECK_FALSE(Exists(F.Temp / L"f\\sub"));
  // Nothing found directly in g: its subfolder stays.
  CHECK(Exists(F.Temp / L"g\\sub\\only.tmp"));
}

TEST_CASE("files that cannot be deleted stay and are counted, in both modes") {
  for (const bool RecycleBin : {false, true}) {
    CAPTURE(RecycleBin);
    TMainWindowFixture F;
    const std::wstring Held = F.Temp.MakeFile(L"f\\held.tmp", 10);
    const std::wstring ReadOnly = F.Temp.MakeFile(L"f\\readonly.tmp", 10, FILE_ATTRIBUTE_READONLY);
    F.Temp.MakeFile(L"f\\free.tmp", 10);
    F.Start({L"f"});
    F.DeleteOptions(false, RecycleBin, false);
    F.Scan();
    {
      // Another program holds the file open and shares nothing.
      UniqueFile Open(CreateFileW(Held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      REQUIRE(Open.valid());
      F.Delete();
    }
    CHECK(Exists(Held));
    CHECK(Exists(ReadOnly));
    CHECK_FALSE(Exists(F.Temp / L"f\\free.tmp"));
    CHECK(F.Row(0)[1] == L"2");
    CHECK(F.Form1->Current.Files == 2);
    // Files are left: Delete stays available.
    CHECK(F.Form1->DeleteToolButton.Enabled());
    SetFileAttributesW(ReadOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (RecycleBin) RemoveTrashEntriesOf(ExtractFileName(F.Temp.Path()));
  }
}

TEST_CASE("the statistics open by themselves after a Delete when the option is on") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 4096);
  F.Temp.MakeFile(L"f\\b.tmp", 1024);
  F.Temp.MakeDir(L"f\\sub");
  F.Start({L"f"});
  F.DeleteOptions(false, false, true);
  F.Scan();
  TModalAnswer Answer(*F.Form3, [&](TForm&) { F.Form3->CloseButton.Click(); });
  F.Delete();
  CHECK(Answer.Answered());
  CHECK(F.Form3->DeltaSubfolderCountLabel.Text() == L"1");
  CHECK(F.Form3->DeltaFileCountLabel.Text() == L"2");
  CHECK(F.Form3->DeltaFileSizeLabel.Text() == L"5 KB");
  CHECK(F.Form3->CurrentFileSizeLabel.Text() == L"0 KB");
}

TEST_CASE("Delete stopped part way leaves rows, totals and status bar that agree") {
  TMainWindowFixture F;
  for (int Folder = 0; Folder < 3; ++Folder)
    for (int i = 0; i < 300; ++i) F.Temp.MakeFile(L"f" + std::to_wstring(Folder) + L"\\x" + std::to_wstring(i) + L".tmp", 1024);
  F.Start({L"f0", L"f1", L"f2"});
  F.DeleteOptions(true, false, false);
  F.Scan();
  REQUIRE(F.Form1->Current.Files == 900);
  // Cancel arrives just as the user agrees to empty the first folder: it
  // stops after the first file.
  int Prompts = 0;
  TMessageDialogHook Answer([&](const TMessageDialogRequest&) {
    ++Prompts;
    F.Form1->LongCommand1.RequestStop();
    return mrYes;
  });
  F.Delete();
  CHECK(Prompts == 1);
  // The folders after it were never reached: untouched, and their rows as they were.
  CHECK(F.Row(1) == TTexts{L"0", L"300", L"300 KB"});
  CHECK(F.Row(2) == TTexts{L"0", L"300", L"300 KB"});
  int Left = 0;
  for (int Folder = 0; Folder < 3; ++Folder)
    for (int i = 0; i < 300; ++i)
      Left += Exists(F.Temp / (L"f" + std::to_wstring(Folder) + L"\\x" + std::to_wstring(i) + L".tmp")) ? 1 : 0;
  // The first file went, and the few the deletes had taken ahead of it.
  CHECK(Left <= 899);
  CHECK(Left >= 899 - static_cast<int>(PermanentDeleteAhead));
  // Every row shows what its folder holds now, and the totals are their sum.
  int Shown = 0;
  for (int Row = 0; Row < 3; ++Row) Shown += std::stoi(F.Row(Row)[1]);
  CHECK(Shown == Left);
  CHECK(F.Form1->Current.Files == Left);
  CHECK(F.Form1->StatusBar1.SimpleText() ==
        L"3 folder(s) - 0 subfolder(s) - " + std::to_wstring(Left) + L" file(s) - " +
            FormatFileSize(int64_t{Left} * 1024, TSizeUnit::fsKiloBytes) +
            L" - deleted: " + std::to_wstring(900 - Left) + L".0 KB (0 bytes in the Recycle Bin)");
  CHECK(F.Form1->Current.SizeKB == Left);
}

TEST_CASE("a listed folder whose name holds \";\" is the only one emptied") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"a\\keep.tmp", 10);
  F.Temp.MakeFile(L"a;b\\go.tmp", 10);
  F.Temp.MakeFile(L"b\\keep.tmp", 10);
  F.Start({L"a;b"});
  F.DeleteOptions(false, false, false);
  F.Scan();
  CHECK(F.Row(0) == TTexts{L"0", L"1", L"1 KB"});
  F.Delete();
  CHECK_FALSE(Exists(F.Temp / L"a;b\\go.tmp"));
  CHECK(Exists(F.Temp / L"a\\keep.tmp"));
  CHECK(Exists(F.Temp / L"b\\keep.tmp"));
}

TEST_CASE("a file that several checked patterns match is found, counted and deleted once") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 10);
  F.Temp.MakeFile(L"f\\b.log", 10);
  F.Registry.WriteDword(L"Extensions", L"*", 1);
  F.Registry.WriteDword(L"Extensions", L"*.tmp", 1);
  F.Registry.WriteDword(L"Extensions", L"a.*", 1);
  F.Registry.WriteDword(L"Options", L"RestrictSearch", 1);
  F.Start({L"f"});
  F.DeleteOptions(false, false, false);
  F.Scan();
  CHECK(F.Row(0)[1] == L"2");
  CHECK(F.Form1->Current.Files == 2);
  F.Delete();
  CHECK(F.Row(0)[1] == L"0");
  CHECK(F.Form1->Previous.Files - F.Form1->Current.Files == 2);
}

TEST_CASE("one stored pattern mark of the wrong type leaves the others as they were stored") {
  TMainWindowFixture F;
  F.Registry.WriteDword(L"Extensions", L"*.tmp", 1);
  F.Registry.WriteDword(L"Extensions", L"*.log", 0);
  F.Registry.WriteString(L"Extensions", L"*.old", L"1");
  const uint8_t Binary[] = {1, 0, 0, 0, 0, 0, 0, 0};
  F.Registry.WriteRaw(L"Extensions", L"*.bak", REG_BINARY, Binary, sizeof(Binary));
  F.Start({L"f"});
  const TCheckListBox& List = F.Form2->ExtensionsCheckListBox;
  REQUIRE(List.Count() == 4);
  for (int i = 0; i < List.Count(); ++i) {
    CAPTURE(List.Item(i));
    // The unchecked pattern stays unchecked; the unreadable marks are not taken as checks.
    CHECK(List.Checked(i) == (List.Item(i) == L"*.tmp"));
  }
}

TEST_CASE("folders that hold the user's data or the system, and rows that are no full path, are never emptied") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"f\\a.tmp", 10);
  // Where the program stands while it deletes: what the relative rows would reach.
  F.Temp.MakeFile(L"here\\h.tmp", 10);
  F.Temp.MakeFile(L"here\\sub\\s.tmp", 10);
  F.Start({L"f"});
  F.DeleteOptions(true, false, false);
  wchar_t Windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(Windows, MAX_PATH);
  wchar_t Profile[MAX_PATH] = L"";
  REQUIRE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, Profile)));
  F.Scan();
  // Listed by mistake, and shown as scanned so that Delete reaches them.
  for (const std::wstring& Folder : {std::wstring(Windows), std::wstring(Profile) + L"\\", std::wstring(L"."),
                                    std::wstring(L"C:")}) {
    F.Form1->VKRListView1.Add(Folder);
    F.Form1->Folders().SetMeasured(Folder, {3, 7, 9});
  }
  F.Form1->ShowFolders();
  const std::wstring Marker = std::wstring(Profile) + L"\\marrowby-protected-test.tmp";
  {
    UniqueFile File(CreateFileW(Marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  std::vector<TMessageDialogRequest> Boxes;
  TMessageDialogHook Answer([&](const TMessageDialogRequest& Request) {
    Boxes.push_back(Request);
    return mrYesToAll;
  });
  wchar_t Saved[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, Saved);
  REQUIRE(SetCurrentDirectoryW((F.Temp / L"here").c_str()));
  F.Delete();
  SetCurrentDirectoryW(Saved);
  const bool MarkerKept = Exists(Marker);
  DeleteFileW(Marker.c_str());
  CHECK(MarkerKept);
  CHECK(Exists(F.Temp / L"here\\h.tmp"));
  CHECK(Exists(F.Temp / L"here\\sub\\s.tmp"));
  // One confirmation for the test's folder, then one message naming every skipped row with its reason.
  REQUIRE(Boxes.size() == 2);
  CHECK(Boxes[1].Type == TMsgDlgType::mtWarning);
  const std::wstring& Said = Boxes[1].Text;
  CAPTURE(WideToUtf8(Said));
  CHECK(Said.find(L"\"" + std::wstring(Windows) + L"\": the Windows folder") != std::wstring::npos);
  CHECK(Said.find(L"\"" + std::wstring(Profile) + L"\\\": the user's profile folder") != std::wstring::npos);
  const std::wstring NotFull = L"\": not a full path: it would be taken from wherever the program stands";
  CHECK(Said.find(L"\"." + NotFull) != std::wstring::npos);
  CHECK(Said.find(L"\"C:" + NotFull) != std::wstring::npos);
  CHECK(F.Form1->LastDeleteLeft.ProtectedFolders == 4);
  CHECK(F.Form1->LastDeleteLeft.Refused.size() == 4);
  CHECK(F.Row(1) == TTexts{L"3", L"7", L"9 KB"});
  CHECK(F.Form1->Current.Files == 28);
  CHECK_FALSE(Exists(F.Temp / L"f\\a.tmp"));
}

TEST_CASE("a listed folder whose name ends in a dot is emptied, and its namesake without the dot is not") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"name\\keep.tmp", 10);
  F.Start({});
  const std::wstring Folder = F.Temp.Path() + L"\\name.";
  REQUIRE(CreateDirectoryW((L"\\\\?\\" + Folder).c_str(), nullptr));
  REQUIRE(CreateDirectoryW((L"\\\\?\\" + Folder + L"\\sub").c_str(), nullptr));
  const UniqueFile File(CreateFileW((L"\\\\?\\" + Folder + L"\\go.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  REQUIRE(File.valid());
  const_cast<UniqueFile&>(File).reset();
  while (F.Form1->VKRListView1.Count() > 0) F.Form1->VKRListView1.Delete(0);
  REQUIRE(F.Form1->AddFolderToVKRListView(Folder, true));
  F.DeleteOptions(false, false, false);
  F.Scan();
  CHECK(F.Row(0) == TTexts{L"1", L"1", L"0 KB"});
  F.Delete();
  CHECK(F.Row(0) == TTexts{L"0", L"0", L"0 KB"});
  CHECK_FALSE(Exists(L"\\\\?\\" + Folder + L"\\go.tmp"));
  CHECK_FALSE(Exists(L"\\\\?\\" + Folder + L"\\sub"));
  CHECK(Exists(L"\\\\?\\" + Folder));
  CHECK(Exists(F.Temp / L"name\\keep.tmp"));
}
