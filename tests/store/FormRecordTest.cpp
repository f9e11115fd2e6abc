// The window placement record on real top-level windows, and the import of
// the old one-value-per-field placement.

#include "StoreTestSupport.h"

#include "framework/Application.h"
#include "framework/CheckListBox.h"
#include "framework/Dialogs.h"
#include "framework/Exception.h"
#include "support/HostForm.h"
#include "support/RecordedBoxes.h"

#include <optional>
#include <string>
#include <vector>

namespace {

const std::wstring KPlacement = L"FormInfo\\Main Window";

struct TBounds {
  int Left, Top, Width, Height;
  bool operator==(const TBounds&) const = default;
};

TBounds BoundsOf(const TForm& Form) { return {Form.Left(), Form.Top(), Form.Width(), Form.Height()}; }

// A form whose placement is written when its window is destroyed, as the
// main window does.
class TClosingForm : public THostForm {
public:
  TClosingForm(TVKRRegistryEnhanced& Store) : FStore(Store) {}
  void Destroy() { DestroyHandle(); }

protected:
  void FormDestroy(TObject*) override { TStoreRecords(FStore).SetFormInfo(KPlacement, *this); }

private:
  TVKRRegistryEnhanced& FStore;
};

}  // namespace

namespace doctest {
template <>
struct StringMaker<TBounds> {
  static String convert(const TBounds& B) {
    return ("{" + std::to_string(B.Left) + ", " + std::to_string(B.Top) + ", " + std::to_string(B.Width) + ", " +
            std::to_string(B.Height) + "}")
        .c_str();
  }
};
}  // namespace doctest

TEST_CASE("a normal window is stored as height, left, top, width and wsNormal") {
  TStoreFixture F;
  THostForm Form;
  Form.SetBounds(208, 132, 943, 600);
  Form.Show();
  REQUIRE(Form.WindowState() == TWindowState::wsNormal);
  F.Records.SetFormInfo(KPlacement, Form);
  CHECK(StoredText(F.Fixture, L"FormInfo", L"Main Window") == L"600, 208, 132, 943, wsNormal");

  // A hidden form is stored the same way.
  THostForm Hidden;
  Hidden.SetBounds(10, 20, 300, 200);
  F.Records.SetFormInfo(KPlacement, Hidden);
  CHECK(StoredText(F.Fixture, L"FormInfo", L"Main Window") == L"200, 10, 20, 300, wsNormal");
}

TEST_CASE("normal, maximised and minimised windows come back as they were stored") {
  struct TCase {
    const char* Name;
    TWindowState State;
    const wchar_t* StateText;
  };
  const TCase Cases[] = {
      {"normal", TWindowState::wsNormal, L"wsNormal"},
      {"maximised", TWindowState::wsMaximized, L"wsMaximized"},
      {"minimised", TWindowState::wsMinimized, L""},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    TStoreFixture F;
    THostForm Original;
    Original.SetBounds(150, 90, 520, 410);
    Original.Show();
    Original.SetWindowState(Case.State);
    REQUIRE(Original.WindowState() == Case.State);
    // The bounds the form reports at that moment: the maximised bounds for a
    // maximised form, the bounds it will be restored to for a minimised one.
    const TBounds Reported = BoundsOf(Original);
    if (Case.State == TWindowState::wsMinimized) CHECK(Reported == TBounds{150, 90, 520, 410});
    F.Records.SetFormInfo(KPlacement, Original);
    CHECK(StoredText(F.Fixture, L"FormInfo", L"Main Window") ==
          std::to_wstring(Reported.Height) + L", " + std::to_wstring(Reported.Left) + L", " +
              std::to_wstring(Reported.Top) + L", " + std::to_wstring(Reported.Width) + L", " + Case.StateText);

    // Read into a hidden form, as at start-up: the bounds first, then the state.
    THostForm Restored;
    Restored.SetBounds(5, 6, 300, 200);
    F.Records.GetFormInfo(KPlacement, Restored, true);
    CHECK(BoundsOf(Restored) == Reported);
    // A minimised record leaves the state alone.
    const TWindowState Expected = Case.State == TWindowState::wsMinimized ? TWindowState::wsNormal : Case.State;
    CHECK(Restored.WindowState() == Expected);
    Restored.Show();
    CHECK(Restored.WindowState() == Expected);
    CHECK((IsZoomed(Restored.Handle()) != FALSE) == (Expected == TWindowState::wsMaximized));
    if (Expected == TWindowState::wsMaximized) {
      // The stored bounds are where the window goes back to.
      Restored.SetWindowState(TWindowState::wsNormal);
      CHECK(BoundsOf(Restored) == Reported);
    }
  }
}

TEST_CASE("a minimised record leaves a maximised form maximised") {
  TStoreFixture F;
  F.Fixture.WriteString(L"FormInfo", L"Main Window", L"300, 40, 50, 400, ");
  THostForm Form;
  Form.Show();
  Form.SetWindowState(TWindowState::wsMaximized);
  F.Records.GetFormInfo(KPlacement, Form, true);
  CHECK(Form.WindowState() == TWindowState::wsMaximized);
  // The bounds are where it is restored to.
  Form.SetWindowState(TWindowState::wsNormal);
  CHECK(BoundsOf(Form) == TBounds{40, 50, 400, 300});
}

TEST_CASE("a window destroyed while maximised is stored as maximised") {
  TStoreFixture F;
  TClosingForm Form(F.Store);
  Form.SetBounds(100, 100, 400, 300);
  Form.Show();
  // As the title bar's maximise button does.
  SendMessageW(Form.Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  REQUIRE(IsZoomed(Form.Handle()));
  Form.Destroy();
  const auto Stored = StoredText(F.Fixture, L"FormInfo", L"Main Window");
  REQUIRE(Stored);
  CHECK(Stored->ends_with(L", wsMaximized"));

  THostForm Next;
  F.Records.GetFormInfo(KPlacement, Next, true);
  Next.Show();
  CHECK(IsZoomed(Next.Handle()) != FALSE);
}

TEST_CASE("a placement of other than five pieces changes nothing") {
  for (const wchar_t* Text : {L"300, 40, 50, 400", L"300, 40, 50, 400, wsNormal, 7", L"300, 40, 50, 400, wsNormal, ",
                              L"300,40,50,400,wsNormal"}) {
    CAPTURE(WideToUtf8(Text));
    TStoreFixture F;
    F.Fixture.WriteString(L"FormInfo", L"Main Window", Text);
    THostForm Form;
    Form.SetBounds(11, 12, 313, 214);
    Form.SetWindowState(TWindowState::wsMaximized);
    F.Records.GetFormInfo(KPlacement, Form, true);
    CHECK(BoundsOf(Form) == TBounds{11, 12, 313, 214});
    CHECK(Form.WindowState() == TWindowState::wsMaximized);
  }
}

TEST_CASE("without a stored placement the form is centred on the primary screen only when asked") {
  const int ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  struct TCase {
    const char* Name;
    void (*Prepare)(TRegistryFixture&);
  };
  const TCase Cases[] = {
      {"no key", [](TRegistryFixture&) {}},
      {"key without the value", [](TRegistryFixture& Fixture) { Fixture.CreateKey(L"FormInfo"); }},
      {"empty value", [](TRegistryFixture& Fixture) { Fixture.WriteString(L"FormInfo", L"Main Window", L""); }},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    for (const bool CenterDefault : {true, false}) {
      CAPTURE(CenterDefault);
      TStoreFixture F;
      Case.Prepare(F.Fixture);
      // Odd differences show the halving, which truncates.
      THostForm Form;
      Form.SetBounds(7, 8, ScreenWidth - 101, ScreenHeight - 61);
      const TBounds Before = BoundsOf(Form);
      F.Records.GetFormInfo(KPlacement, Form, CenterDefault);
      if (CenterDefault)
        CHECK(BoundsOf(Form) == TBounds{50, 30, Before.Width, Before.Height});
      else
        CHECK(BoundsOf(Form) == Before);
    }
  }
}

TEST_CASE("centring a form wider than the screen rounds toward zero") {
  TStoreFixture F;
  THostForm Form;
  Form.SetBounds(0, 0, GetSystemMetrics(SM_CXSCREEN) + 41, 200);
  const int Width = Form.Width();
  REQUIRE(Width > GetSystemMetrics(SM_CXSCREEN));
  F.Records.GetFormInfo(KPlacement, Form, true);
  CHECK(Form.Left() == -((Width - GetSystemMetrics(SM_CXSCREEN)) / 2));
}

TEST_CASE("a form that is not at its designed position is placed all the same, without a box") {
  struct TCase {
    const char* Name;
    TPosition Position;
    bool KeyExists;
    const wchar_t* Stored;  // null: no value
  };
  const TCase Cases[] = {
      {"screen centre, placement stored", TPosition::poScreenCenter, true, L"300, 40, 50, 400, wsNormal"},
      {"default position, placement stored", TPosition::poDefault, true, L"300, 40, 50, 400, wsNormal"},
      {"screen centre, key without the value", TPosition::poScreenCenter, true, nullptr},
      {"screen centre, no key", TPosition::poScreenCenter, false, nullptr},
      {"designed position, placement stored", TPosition::poDesigned, true, L"300, 40, 50, 400, wsNormal"},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    TStoreFixture F;
    if (Case.KeyExists) F.Fixture.CreateKey(L"FormInfo");
    if (Case.Stored != nullptr) F.Fixture.WriteString(L"FormInfo", L"Main Window", Case.Stored);
    THostForm Form;
    Form.SetPosition(Case.Position);
    Form.SetBounds(0, 0, 400, 300);
    TRecordedBoxes Boxes;
    F.Records.GetFormInfo(KPlacement, Form, false);
    F.Records.GetFormInfo(KPlacement, Form, false);
    // A developer's warning is no message for whoever uses the program.
    CHECK(Boxes.Requests.empty());
    if (Case.Stored != nullptr) CHECK(BoundsOf(Form) == TBounds{40, 50, 400, 300});
  }
}

TEST_CASE("a placement field that is not a number raises after the fields before it") {
  TStoreFixture F;
  F.Fixture.WriteString(L"FormInfo", L"Main Window", L"300, 40, top, 400, wsMaximized");
  THostForm Form;
  Form.SetBounds(1, 2, 500, 250);
  CHECK(ThrownMessage<EConvertError>([&] { F.Records.GetFormInfo(KPlacement, Form, true); }) ==
        L"'top' is not a valid integer value");
  // Height and Left are in; Top, Width and the state are not.
  CHECK(BoundsOf(Form) == TBounds{40, 2, 500, 300});
  CHECK(Form.WindowState() == TWindowState::wsNormal);
}

TEST_CASE("a placement stored as anything but text is a registry error") {
  TStoreFixture F;
  F.Fixture.WriteDword(L"FormInfo", L"Main Window", 5);
  THostForm Form;
  Form.SetBounds(1, 2, 500, 250);
  CHECK(ThrownMessage<ERegistryException>([&] { F.Records.GetFormInfo(KPlacement, Form, true); }) ==
        L"Invalid data type for 'Main Window'");
  CHECK(BoundsOf(Form) == TBounds{1, 2, 500, 250});
}

TEST_CASE("the old placement layout is imported as one value") {
  struct TCase {
    const char* Name;
    std::optional<TBytes> WindowState;
    DWORD StateType;
    const wchar_t* Expected;
  };
  const TCase Cases[] = {
      {"state 0 as text", TextBytes(L"0"), REG_SZ, L"480, 10, 20, 640, wsMaximized"},
      {"state 0 as a number", DwordBytes(0), REG_DWORD, L"480, 10, 20, 640, wsMaximized"},
      {"state 1 as text", TextBytes(L"1"), REG_SZ, L"480, 10, 20, 640, wsNormal"},
      {"state 1 as a number", DwordBytes(1), REG_DWORD, L"480, 10, 20, 640, wsNormal"},
      {"state 2 as text", TextBytes(L"2"), REG_SZ, L"480, 10, 20, 640, wsNormal"},
      {"no state", std::nullopt, REG_NONE, L"480, 10, 20, 640, wsNormal"},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    for (const bool DeleteSubKey : {true, false}) {
      CAPTURE(DeleteSubKey);
      TStoreFixture F;
      F.Fixture.WriteString(L"Old\\Main", L"Height", L"480");
      F.Fixture.WriteString(L"Old\\Main", L"Left", L"10");
      F.Fixture.WriteString(L"Old\\Main", L"Top", L"20");
      F.Fixture.WriteString(L"Old\\Main", L"Width", L"640");
      if (Case.WindowState) WriteBytes(F.Fixture, L"Old\\Main", L"WindowState", Case.StateType, *Case.WindowState);
      F.Store.ImportFormInfo(L"Old\\Main", KPlacement, DeleteSubKey);
      CHECK(StoredText(F.Fixture, L"FormInfo", L"Main Window") == Case.Expected);
      CHECK(F.Fixture.KeyExists(L"Old\\Main") == !DeleteSubKey);
      CHECK(F.Fixture.KeyExists(L"Old"));
    }
  }
}

TEST_CASE("importing the old placement counts missing fields as 0 and does nothing without the old key") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Old", L"Width", L"640");
  F.Store.ImportFormInfo(L"Old", KPlacement, false);
  CHECK(StoredText(F.Fixture, L"FormInfo", L"Main Window") == L"0, 0, 0, 640, wsNormal");

  TStoreFixture Empty;
  Empty.Store.ImportFormInfo(L"Missing", KPlacement, true);
  CHECK_FALSE(Empty.Fixture.KeyExists(L"FormInfo"));
}

TEST_CASE("an old placement field stored as a number stops the import before anything changes") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Old", L"Height", L"480");
  F.Fixture.WriteDword(L"Old", L"Left", 10);
  F.Fixture.WriteString(L"FormInfo", L"Main Window", L"1, 2, 3, 4, wsNormal");
  CHECK(ThrownMessage<EConvertError>([&] { F.Store.ImportFormInfo(L"Old", KPlacement, true); }) != L"<nothing raised>");
  CHECK(F.Fixture.KeyExists(L"Old"));
  CHECK(StoredText(F.Fixture, L"FormInfo", L"Main Window") == L"1, 2, 3, 4, wsNormal");
}

TEST_CASE("without an application key the records neither read nor write") {
  TVKRRegistryEnhanced Store;
  TStoreRecords Records(Store);
  const std::wstring Probe = L"MarrowbyRecordsProbe";
  RegDeleteTreeW(HKEY_CURRENT_USER, Probe.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, Probe.c_str());

  THostForm Form;
  Form.SetBounds(3, 4, 300, 200);
  Records.SetFormInfo(Probe + L"\\Main Window", Form);
  Store.ImportFormInfo(L"", Probe + L"\\Imported", false);
  Records.GetFormInfo(Probe + L"\\Main Window", Form, true);
  CHECK(BoundsOf(Form) == TBounds{3, 4, 300, 200});

  TFont Font;
  Records.SetFont(Probe + L"\\Font", Font);
  TCheckListBox Box;
  Box.Create(Form.Handle(), 100);
  Box.Add(L"*.tmp");
  Records.SetCheckListBox(Probe, Box);
  Records.GetCheckListBox(Probe, Box, true);
  CHECK_FALSE(Box.Checked(0));
  UniqueHKey Key;
  CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, Probe.c_str(), 0, KEY_READ, Key.put()) == ERROR_FILE_NOT_FOUND);
  RegDeleteTreeW(HKEY_CURRENT_USER, Probe.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, Probe.c_str());
}
