#include <doctest.h>

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"
#include "support/PrivatePolicies.h"
#include "support/ModalAnswer.h"
#include "support/RegistryFixture.h"
#include "support/TestStrings.h"

#include <memory>
#include <string>
#include <vector>

namespace {

struct TStatisticsFixture {
  TRegistryFixture Registry;
  std::unique_ptr<TForm1> Form1;
  std::unique_ptr<TForm3> Form3;

  TStatisticsFixture() {
    TForm1Options Options;
    Options.RegistryKey = Registry.KeyPath();
    Options.PolicyRoots = PrivatePolicyRoots(Registry);
    Options.SingleInstance = false;
    Form1 = std::make_unique<TForm1>(Options);
    Form3 = std::make_unique<TForm3>(Form1->Handle());
    Form1->Form3 = Form3.get();
  }

  void SetTotals(int32_t CurrentSubfolders, int32_t CurrentFiles, int32_t CurrentKB, int32_t PreviousSubfolders,
                 int32_t PreviousFiles, int32_t PreviousKB) {
    Form1->Current.Subfolders = CurrentSubfolders;
    Form1->Current.Files = CurrentFiles;
    Form1->Current.SizeKB = CurrentKB;
    Form1->Previous.Subfolders = PreviousSubfolders;
    Form1->Previous.Files = PreviousFiles;
    Form1->Previous.SizeKB = PreviousKB;
  }

  // Runs the command; the dialog is closed with its Close button once it shows.
  void ShowStatistics() {
    TModalAnswer Answer(*Form3, [this](TForm&) { Form3->CloseButton.Click(); });
    Form1->StatisticsToolButtonClick(Form1.get());
    CHECK(Answer.Answered());
  }

  std::vector<std::wstring> Column(TLabel& Subfolders, TLabel& Files, TLabel& Size) {
    return {Subfolders.Text(), Files.Text(), Size.Text()};
  }
  std::vector<std::wstring> Current() {
    return Column(Form3->CurrentSubfolderCountLabel, Form3->CurrentFileCountLabel, Form3->CurrentFileSizeLabel);
  }
  std::vector<std::wstring> Previous() {
    return Column(Form3->PreviousSubfolderCountLabel, Form3->PreviousFileCountLabel, Form3->PreviousFileSizeLabel);
  }
  std::vector<std::wstring> Delta() {
    return Column(Form3->DeltaSubfolderCountLabel, Form3->DeltaFileCountLabel, Form3->DeltaFileSizeLabel);
  }
};

using TTexts = std::vector<std::wstring>;

}  // namespace

TEST_CASE("statistics show current, previous and their difference") {
  TStatisticsFixture F;

  SUBCASE("after a delete that removed 10 of 12 files, 3 of 4 subfolders and 2,048 KB") {
    F.SetTotals(1, 2, 100, 4, 12, 2148);
    F.ShowStatistics();
    CHECK(F.Current() == TTexts{L"1", L"2", L"100 KB"});
    CHECK(F.Previous() == TTexts{L"4", L"12", L"2,148 KB"});
    CHECK(F.Delta() == TTexts{L"3", L"10", L"2,048 KB"});
  }
  SUBCASE("as after a scan: nothing changed") {
    F.SetTotals(3, 250, 48213, 3, 250, 48213);
    F.ShowStatistics();
    CHECK(F.Delta() == TTexts{L"0", L"0", L"0 KB"});
    CHECK(F.Current() == TTexts{L"3", L"250", L"48,213 KB"});
  }
  SUBCASE("more files than before: negative counts, and a negative size shows as 1 KB") {
    F.SetTotals(5, 14, 300, 4, 12, 200);
    F.ShowStatistics();
    CHECK(F.Delta() == TTexts{L"-1", L"-2", L"1 KB"});
  }
  SUBCASE("totals of 0 KB and 1 KB, and kilobyte totals beyond 2 GB in bytes") {
    F.SetTotals(0, 0, 0, 0, 0, 1);
    F.ShowStatistics();
    CHECK(F.Current()[2] == L"0 KB");
    CHECK(F.Previous()[2] == L"1 KB");
    F.SetTotals(0, 0, 3145728, 0, 0, 3145728);
    F.ShowStatistics();
    CHECK(F.Current()[2] == L"3,145,728 KB");
  }
}

TEST_CASE("the statistics command leaves the main window as it found it") {
  TStatisticsFixture F;
  F.ShowStatistics();
  CHECK(F.Form1->ToolBar1.Enabled());
  CHECK(F.Form1->Scan1.Enabled());
  CHECK(ScreenCursor() == TCursor::crDefault);
  CHECK_FALSE(F.Form3->Visible());
}

TEST_CASE("the statistics dialog: centred, fixed border, three boxes, Close for Enter and Escape") {
  TStatisticsFixture F;
  CHECK(F.Form3->Caption() == L"Statistics");
  CHECK(F.Form3->Font().Name() == L"Segoe UI");
  const LONG_PTR Style = GetWindowLongPtrW(F.Form3->Handle(), GWL_STYLE);
  CHECK((Style & WS_THICKFRAME) == 0);
  CHECK(F.Form3->GlobalGroupBox.Text() == L"Current");
  CHECK(F.Form3->ActionGroupBox.Text() == L"Previous");
  CHECK(F.Form3->ProtocolGroupBox.Text() == L"Delta");
  CHECK(F.Form3->CloseButton.Text() == L"Close");

  RECT Label{};
  GetWindowRect(F.Form3->DeltaFileSizeLabel.Handle(), &Label);
  CHECK(Label.right - Label.left == 78);
  CHECK((GetWindowLongPtrW(F.Form3->DeltaFileSizeLabel.Handle(), GWL_STYLE) & SS_TYPEMASK) == SS_RIGHT);
  // The boxes stand side by side, left to right, inside the dialog's client area.
  RECT Current{}, Previous{}, Delta{}, Client{};
  GetWindowRect(F.Form3->GlobalGroupBox.Handle(), &Current);
  GetWindowRect(F.Form3->ActionGroupBox.Handle(), &Previous);
  GetWindowRect(F.Form3->ProtocolGroupBox.Handle(), &Delta);
  CHECK(Current.right < Previous.left);
  CHECK(Previous.right < Delta.left);
  CHECK(Current.top == Delta.top);
  GetClientRect(F.Form3->Handle(), &Client);
  POINT DeltaRight{Delta.right, Delta.bottom};
  ScreenToClient(F.Form3->Handle(), &DeltaRight);
  CHECK(Client.right - DeltaRight.x == 10);

  struct TKey {
    const char* Name;
    WPARAM Command;
  };
  for (const TKey& Key : {TKey{"Escape", IDCANCEL}, TKey{"Enter", IDOK}}) {
    CAPTURE(Key.Name);
    RECT Shown{};
    TModalAnswer Answer(*F.Form3, [&](TForm& Form) {
      GetWindowRect(Form.Handle(), &Shown);
      const HWND Button = Key.Command == IDOK ? F.Form3->CloseButton.Handle() : nullptr;
      PostMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Key.Command, BN_CLICKED), reinterpret_cast<LPARAM>(Button));
    });
    CHECK(F.Form3->ShowModal() == mrOk);
    const int ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    CHECK(Shown.left == (ScreenWidth - (Shown.right - Shown.left)) / 2);
    CHECK(Shown.top == (ScreenHeight - (Shown.bottom - Shown.top)) / 2);
  }
}

TEST_CASE("the statistics dialog is made when first shown, and the same one shows again") {
  TRegistryFixture Registry;
  TForm1Options Options;
  Options.RegistryKey = Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(Registry);
  Options.SingleInstance = false;
  const auto Form1 = std::make_unique<TForm1>(Options);
  // The main window's start makes no statistics dialog.
  CHECK(Form1->Form3 == nullptr);
  Form1->Current.Files = 7;
  for (int Time = 0; Time < 2; ++Time) {
    CAPTURE(Time);
    std::wstring Shown;
    // The dialog is made inside the command: the answer finds it once it exists.
    TModalAnswer Answer([&]() -> TForm* { return Form1->Form3; },
                        [&](TForm&) {
                          Shown = Form1->Form3->CurrentFileCountLabel.Text();
                          Form1->Form3->CloseButton.Click();
                        });
    Form1->StatisticsToolButtonClick(Form1.get());
    CHECK(Answer.Answered());
    CHECK(Shown == L"7");
  }
  CHECK(&Form1->StatisticsDialog() == Form1->Form3);
}
