#include <doctest.h>

#include "common/VKRFileIcon.h"
#include "common/VKRFileIconDialog.h"
#include "common/VKRIconCtls.h"
#include "framework/Dialogs.h"
#include "framework/FileSystem.h"
#include "support/HostForm.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int ListId = 501;

// The icon list on a real form, as the dialog has it: 367 by 52 pixels.
struct TIconListHost {
  THostForm Host;
  TVKRIconListBox List;
  TIconListHost() {
    List.Create(Host.Handle(), ListId, 10, 10, 367, 52);
    Host.RegisterControl(List);
  }
};

std::vector<std::wstring> Items(const TVKRIconListBox& List) {
  std::vector<std::wstring> Result;
  for (int i = 0; i < List.Count(); ++i) Result.push_back(List.Item(i));
  return Result;
}

std::vector<std::wstring> Numbers(int Count) {
  std::vector<std::wstring> Result;
  for (int i = 0; i < Count; ++i) Result.push_back(std::to_wstring(i));
  return Result;
}

// Answers the "Change Icon" dialog that ShowDialogBox opens, once it is up.
class TIconDialogAnswer {
public:
  explicit TIconDialogAnswer(std::function<void(TVKRFileIconDlg&)> Answer) : FAnswer(std::move(Answer)) {
    Current() = this;
    FTimer = SetTimer(nullptr, 0, 20, &TIconDialogAnswer::Tick);
  }
  ~TIconDialogAnswer() {
    KillTimer(nullptr, FTimer);
    Current() = nullptr;
  }
  bool Answered() const { return FAnswered; }

private:
  static TIconDialogAnswer*& Current() {
    static TIconDialogAnswer* Answer = nullptr;
    return Answer;
  }
  static BOOL CALLBACK Find(HWND Window, LPARAM Param) {
    auto* Object = reinterpret_cast<TWindow*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    auto* Dialog = dynamic_cast<TVKRFileIconDlg*>(Object);
    if (Dialog == nullptr || !Dialog->Modal() || !Dialog->Visible()) return TRUE;
    *reinterpret_cast<TVKRFileIconDlg**>(Param) = Dialog;
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TIconDialogAnswer* Self = Current();
    if (Self == nullptr || Self->FAnswered) return;
    TVKRFileIconDlg* Dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &TIconDialogAnswer::Find, reinterpret_cast<LPARAM>(&Dialog));
    if (Dialog == nullptr) return;
    Self->FAnswered = true;
    KillTimer(nullptr, Self->FTimer);
    try {
      Self->FAnswer(*Dialog);
    } catch (...) {
      Dialog->SetModalResult(mrCancel);
      FAIL_CHECK("the answer to the icon dialog failed");
    }
    if (Dialog->ModalResult() == mrNone) Dialog->SetModalResult(mrCancel);
  }

  std::function<void(TVKRFileIconDlg&)> FAnswer;
  UINT_PTR FTimer = 0;
  bool FAnswered = false;
};

}  // namespace

TEST_CASE("the icon list shows every icon of a program file, extracted when first needed") {
  TIconListHost Form;
  TVKRIconListBox& List = Form.List;
  CHECK(List.NumberOfIcons() == -1);
  CHECK(List.Margin() == 5);
  CHECK(List.ItemHeight() == GetSystemMetrics(SM_CYICON) + 5);
  CHECK(List.ColumnWidth() == GetSystemMetrics(SM_CXICON) + 5);
  CHECK(List.AutoDisable());
  CHECK(List.EnableCaching());
  CHECK_FALSE(IsWindowEnabled(List.Handle()));  // no file yet

  int Changes = 0;
  List.OnFileChange = [&](TObject* Sender) {
    CHECK(Sender == &List);
    ++Changes;
  };
  const std::wstring Program = ApplicationExeName();  // carries the program's icon
  List.SetFileName(Program);
  CHECK(Changes == 1);
  REQUIRE(List.NumberOfIcons() >= 1);
  CHECK(Items(List) == Numbers(List.NumberOfIcons()));
  CHECK(List.ItemIndex() == 0);
  CHECK(IsWindowEnabled(List.Handle()));
  CHECK(List.AttachedIcon(0) == nullptr);
  const HICON First = List.GetVKRIcon(0);
  CHECK(First != nullptr);
  CHECK(List.AttachedIcon(0) == First);
  CHECK(List.GetVKRIcon(0) == First);

  // The same name again neither reloads nor reports a change.
  List.SetFileName(Program);
  CHECK(Changes == 1);
  CHECK(List.AttachedIcon(0) == First);

  // Painting extracts what is shown.
  SUBCASE("drawing") {
    const std::wstring Library = L"C:\\windows\\system32\\shell32.dll";
    List.SetFileName(Library);
    REQUIRE(List.NumberOfIcons() > 1);
    Form.Host.Show();
    UpdateWindow(List.Handle());
    CHECK(List.AttachedIcon(0) != nullptr);
    CHECK(List.AttachedIcon(List.NumberOfIcons() - 1) == nullptr);  // far beyond the visible row
  }
  SUBCASE("without caching every icon is there at once") {
    List.SetEnableCaching(false);
    CHECK(Changes == 1);
    for (int i = 0; i < List.NumberOfIcons(); ++i) CHECK(List.AttachedIcon(i) != nullptr);
  }
  SUBCASE("the margin sets item height and column width") {
    List.SetMargin(11);
    CHECK(List.ItemHeight() == GetSystemMetrics(SM_CYICON) + 11);
    CHECK(List.ColumnWidth() == GetSystemMetrics(SM_CXICON) + 11);
  }
  SUBCASE("making the window anew keeps the items and their icons") {
    const HWND Before = List.Handle();
    List.RecreateWnd();
    CHECK(List.Handle() != Before);
    CHECK(Items(List) == Numbers(List.NumberOfIcons()));
    CHECK(List.AttachedIcon(0) == First);
    CHECK(GetDlgCtrlID(List.Handle()) == ListId);
    CHECK(List.ItemHeight() == GetSystemMetrics(SM_CYICON) + 5);
  }
}

TEST_CASE("files without icons and missing files") {
  TTempDir Temp;
  TIconListHost Form;
  TVKRIconListBox& List = Form.List;
  struct TCase {
    const char* Name;
    std::wstring File;
    int32_t Icons;
    bool Enabled;
  };
  const std::vector<TCase> Cases = {
      {"a text file", Temp.MakeFile(L"notes.txt", std::string("no icons here")), 0, true},
      {"a program file without icons", Temp.MakeFile(L"empty.exe", std::string("MZ")), 0, true},
      {"a missing file", Temp / L"missing.exe", -1, false},
      {"no file", L"", -1, false},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    List.SetFileName(ApplicationExeName());
    List.SetFileName(Case.File);
    CHECK(List.NumberOfIcons() == Case.Icons);
    CHECK(List.Count() == 0);
    CHECK(List.ItemIndex() == -1);
    CHECK((IsWindowEnabled(List.Handle()) != FALSE) == Case.Enabled);
  }
  List.SetAutoDisable(false);
  CHECK(IsWindowEnabled(List.Handle()));
}

TEST_CASE("the icon location copies its place, not its picture") {
  TVKRFileIcon Source;
  Source.SetIconFileName(L"C:\\icons.dll");
  Source.SetIconIndex(4);
  UniqueIcon Picture = ExtractFileIcon(nullptr, ApplicationExeName(), 0);
  REQUIRE(Picture);
  Source.SetIcon(Picture.get());
  CHECK(Source.Icon() != nullptr);
  CHECK(Source.Icon() != Picture.get());  // a copy of its own
  Source.SetIcon(Source.Icon());          // the same object: kept as it is
  CHECK(Source.Icon() != nullptr);

  TVKRFileIcon Copy;
  Copy.Assign(Source);
  CHECK(Copy.IconFileName() == L"C:\\icons.dll");
  CHECK(Copy.IconIndex() == 4);
  CHECK(Copy.Icon() == nullptr);
}

TEST_CASE("the Change Icon dialog picks an icon, in English or in French") {
  TVKRFileIcon Icon;
  Icon.SetIconFileName(ApplicationExeName());
  Icon.SetIconIndex(0);

  SUBCASE("OK takes the file and the selected icon") {
    TIconDialogAnswer Answer([](TVKRFileIconDlg& Dialog) {
      CHECK(Dialog.Caption() == L"Change Icon");
      CHECK(Dialog.Label1.Text() == L"Look for icons in this file :");
      CHECK(Dialog.Label2.Text() == L"Select an icon from the list below :");
      CHECK(Dialog.CancelButton.Text() == L"Cancel");
      CHECK(Dialog.OKButton.Text() == L"OK");
      CHECK(Dialog.OpenDialog1.FilterIndex == 4);
      CHECK(Dialog.OpenDialog1.Filter ==
            L"Icon files (*.ico)|*.ico|Program files (*.exe)|*.exe|Library files (*.dll;*.icl)|*.dll;*.icl|"
            L"All files (*.*)|*.*");
      CHECK((GetWindowLongPtrW(Dialog.Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0);
      CHECK(Dialog.IconFileNameButtonedEditRightButton.Enabled());
      CHECK(Dialog.IconFileNameButtonedEdit.Text() == ApplicationExeName());
      CHECK(Dialog.VKRIconListBox.NumberOfIcons() >= 1);
      CHECK(Dialog.VKRIconListBox.ItemIndex() == 0);
      RECT Client{};
      GetClientRect(Dialog.VKRIconListBox.Handle(), &Client);
      RECT Outer{};
      GetWindowRect(Dialog.VKRIconListBox.Handle(), &Outer);
      CHECK(Outer.right - Outer.left == 367);
      CHECK(Outer.bottom - Outer.top == 52);
      Dialog.OKButton.Click();
    });
    CHECK(Icon.ShowDialogBox(TLangType::ltEnglish) == mrOk);
    CHECK(Answer.Answered());
    CHECK(Icon.IconFileName() == ApplicationExeName());
    CHECK(Icon.IconIndex() == 0);
    CHECK(Icon.Icon() != nullptr);
  }
  SUBCASE("French texts; Cancel changes nothing") {
    Icon.SetIconFileName(L"http://example.invalid/icons.ico");
    Icon.SetIconIndex(2);
    TIconDialogAnswer Answer([](TVKRFileIconDlg& Dialog) {
      CHECK(Dialog.Caption() == L"Changement d'Ic\u00F4ne");
      CHECK(Dialog.Label1.Text() == L"Chercher les ic\u00F4nes dans ce fichier :");
      CHECK(Dialog.Label2.Text() == L"Selectionner une ic\u00F4ne dans la liste ci-dessous :");
      CHECK(Dialog.CancelButton.Text() == L"Annuler");
      CHECK(Dialog.OpenDialog1.Filter ==
            L"Fichiers ic\u00F4ne (*.ico)|*.ico|Fichiers programme (*.exe)|*.exe|Fichiers librairie "
            L"(*.dll;*.icl)|*.dll;*.icl|Tous fichiers (*.*)|*.*");
      // An icon on the web cannot be browsed for.
      CHECK_FALSE(Dialog.IconFileNameButtonedEditRightButton.Enabled());
      CHECK_FALSE(Dialog.VKRIconListBox.Enabled());
      Dialog.CancelButton.Click();
    });
    CHECK(Icon.ShowDialogBox(TLangType::ltFrench) == mrCancel);
    CHECK(Answer.Answered());
    CHECK(Icon.IconFileName() == L"http://example.invalid/icons.ico");
    CHECK(Icon.IconIndex() == 2);
    CHECK(Icon.Icon() == nullptr);
  }
  SUBCASE("OK on a missing file or a file without icons warns and stays open") {
    TTempDir Temp;
    const std::wstring Text = Temp.MakeFile(L"plain.txt", std::string("no icons"));
    const std::wstring Missing = Temp / L"gone.ico";
    std::vector<std::wstring> Warnings;
    TMessageDialogHook Hook([&](const TMessageDialogRequest& Request) {
      CHECK(Request.Type == TMsgDlgType::mtWarning);
      CHECK(Request.Buttons == std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbOK});
      Warnings.push_back(Request.Text);
      return mrOk;
    });
    TIconDialogAnswer Answer([&](TVKRFileIconDlg& Dialog) {
      Dialog.IconFileNameButtonedEdit.SetText(Missing);
      CHECK(Dialog.VKRIconListBox.FileName() == Missing);
      Dialog.OKButton.Click();
      CHECK(Dialog.ModalResult() == mrNone);
      Dialog.IconFileNameButtonedEdit.SetText(Text);
      CHECK(Dialog.VKRIconListBox.NumberOfIcons() == 0);
      Dialog.OKButton.Click();
      CHECK(Dialog.ModalResult() == mrNone);
      Dialog.CancelButton.Click();
    });
    CHECK(Icon.ShowDialogBox(TLangType::ltEnglish) == mrCancel);
    CHECK(Warnings == std::vector<std::wstring>{L"Unable to find the file \"" + Missing + L"\".",
                                                L"The file \"" + Text + L"\" doesn't contain any icon."});
  }
}
