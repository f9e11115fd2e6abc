// The folder list's forward search: text normalisation, the steps of a
// search and their two messages, the custom row test, and the system's find
// dialog driven as a user drives it.

#include <doctest.h>

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "listview/VKRListView.h"
#include "support/HostForm.h"
#include "support/TestStrings.h"

#include <dlgs.h>

#include <string>
#include <vector>

namespace {

// A list of four columns on a real form; every row is caption, two counts, size.
struct TFindFixture {
  THostForm Form;
  TVKRListView List;
  std::vector<std::wstring> Messages;
  TMessageDialogHook Answer{[this](const TMessageDialogRequest& Request) {
    CHECK(Request.Caption == L"Search Results");
    CHECK(Request.Buttons == std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbOK});
    Messages.push_back(Request.Text);
    return mrOk;
  }};

  explicit TFindFixture(const std::vector<std::vector<std::wstring>>& Rows) {
    List.Create(Form.Handle(), 100, true);
    Form.RegisterControl(List);
    List.AddColumn(L"Location", 200);
    List.AddColumn(L"Subfolder Count", 60);
    List.AddColumn(L"File Count", 60);
    List.AddColumn(L"Size", 60, true);
    for (const auto& Row : Rows) {
      TListItem Item = List.Add(Row[0]);
      for (size_t k = 1; k < Row.size(); ++k) Item.SetSubItem(static_cast<int>(k - 1), Row[k]);
    }
  }

  std::vector<int> SelectedRows() {
    std::vector<int> Result;
    for (TListItem Item = List.Selected(); Item; Item = List.GetNextSelected(Item.Index())) Result.push_back(Item.Index());
    return Result;
  }
  int FocusedRow() const { return ListView_GetNextItem(List.Handle(), -1, LVNI_FOCUSED); }
  void Select(int Row) {
    ListView_SetItemState(List.Handle(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(List.Handle(), Row, LVIS_SELECTED, LVIS_SELECTED);
  }
};

std::vector<std::vector<std::wstring>> Rows(std::initializer_list<const wchar_t*> Captions) {
  std::vector<std::vector<std::wstring>> Result;
  for (const wchar_t* Caption : Captions) Result.push_back({Caption, L"?", L"?", L"? KB"});
  return Result;
}

using TRowList = std::vector<int>;
using TTexts = std::vector<std::wstring>;

}  // namespace

TEST_CASE("normalising folds the accents of the table and lower-cases A to Z only") {
  const std::wstring From =
      L"\u00E0\u00E1\u00E2\u00E3\u00E4\u00E5\u00E7\u00E8\u00E9\u00EA\u00EB\u00ED\u00EE\u00EF\u00F1"
      L"\u00F2\u00F3\u00F4\u00F5\u00F6\u00F8\u00F9\u00FB\u00FC"
      L"\u00C0\u00C1\u00C2\u00C3\u00C4\u00C5\u00C7\u00C8\u00C9\u00CA\u00CB\u00CD\u00CE\u00CF\u00D1"
      L"\u00D2\u00D3\u00D4\u00D5\u00D6\u00D8\u00D9\u00DB\u00DC"
      L"`\u00B4\u2018\u2019";
  const std::wstring Folded = L"aaaaaaceeeeiiinoooooouuuAAAAAACEEEEIIINOOOOOOUUU''''";
  REQUIRE(From.size() == Folded.size());
  for (size_t i = 0; i < From.size(); ++i) {
    CAPTURE(static_cast<unsigned>(From[i]));
    CHECK(FoldAccent(From[i]) == Folded[i]);
  }
  // Left out of the table: ì Ì ú Ú, and everything else.
  for (const wchar_t c : std::wstring(L"\u00EC\u00CC\u00FA\u00DA\u00FF\u00DFaZ9'\\\u00E6\u00C6\u0101")) {
    CAPTURE(static_cast<unsigned>(c));
    CHECK(FoldAccent(c) == c);
  }

  const std::wstring Text = L"C:\\T\u00C9mp\u00E9 \u00C0";
  struct TCase {
    TFindOptions Options;
    std::wstring Expected;
  };
  const std::vector<TCase> Cases = {
      {{TFindOption::foIgnoreAccentedChars}, L"c:\\tempe a"},
      {{TFindOption::foIgnoreAccentedChars, TFindOption::foCaseSensitive}, L"C:\\TEmpe A"},
      {{}, L"c:\\t\u00C9mp\u00E9 \u00C0"},
      {{TFindOption::foCaseSensitive}, Text},
  };
  for (const TCase& Case : Cases) CHECK(NormalizeFindText(Text, Case.Options) == Case.Expected);
}

TEST_CASE("a new list ignores accents and case") {
  TVKRListView List;
  CHECK(List.FindOptions() == TFindOptions{TFindOption::foIgnoreAccentedChars});
  CHECK(List.FindDialog() == nullptr);
}

TEST_CASE("a search selects, focuses and shows the first row that holds the text") {
  TFindFixture F({{L"C:\\Other", L"1", L"2", L"3 KB"},
                  {L"C:\\d\u00ECr", L"?", L"?", L"? KB"},
                  {L"C:\\dir", L"?", L"?", L"? KB"},
                  {L"C:\\T\u00E9mp", L"?", L"?", L"? KB"},
                  {L"C:\\Sizes", L"0", L"0", L"48,213 KB"}});
  int Clicks = 0;
  F.List.OnClick = [&](TObject* Sender) {
    CHECK(Sender == &F.List);
    ++Clicks;
  };
  F.Select(0);

  struct TCase {
    const char* What;
    TFindOptions Options;
    std::wstring Text;
    int Expected;  // -1: not found
  };
  const std::vector<TCase> Cases = {
      {"accent folded, T lower-cased", {TFindOption::foIgnoreAccentedChars}, L"temp", 3},
      {"an accent of the text folds too", {TFindOption::foIgnoreAccentedChars}, L"T\u00C9MP", 3},
      {"\u00EC is not in the table: it finds itself only", {TFindOption::foIgnoreAccentedChars}, L"\u00EC", 1},
      {"i does not find \u00EC", {TFindOption::foIgnoreAccentedChars}, L"C:\\di", 2},
      {"the third sub-item", {TFindOption::foIgnoreAccentedChars}, L"48,213", 4},
      {"a sub-item", {}, L"3 kb", 0},
      {"case sensitive without folding: Temp is not temp", {TFindOption::foCaseSensitive}, L"Temp", -1},
      {"case sensitive with folding", {TFindOption::foCaseSensitive, TFindOption::foIgnoreAccentedChars}, L"Temp", 3},
      {"without folding \u00E9 is no e", {}, L"temp", -1},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    F.Messages.clear();
    F.Select(0);
    Clicks = 0;
    SetFocus(F.Form.Handle());
    F.List.SetFindOptions(Case.Options);
    F.List.FindText(Case.Text);
    if (Case.Expected >= 0) {
      CHECK(F.Messages.empty());
      CHECK(F.SelectedRows() == TRowList{Case.Expected});
      CHECK(F.FocusedRow() == Case.Expected);
      CHECK(Clicks == 1);
    } else {
      CHECK(F.Messages == TTexts{L"Search string \"" + Case.Text + L"\" not found."});
      CHECK(F.SelectedRows() == TRowList{0});
      CHECK(Clicks == 0);
    }
    CHECK(GetFocus() == F.List.Handle());
  }
}

TEST_CASE("two matches: one step each, then no more instances at every further step") {
  TFindFixture F(Rows({L"C:\\a", L"C:\\temp", L"C:\\b", L"D:\\Temp", L"C:\\c"}));
  F.List.FindText(L"temp");
  CHECK(F.SelectedRows() == TRowList{1});
  F.List.FindNext();
  CHECK(F.SelectedRows() == TRowList{3});
  CHECK(F.Messages.empty());
  F.List.FindNext();
  F.List.FindNext();
  CHECK(F.Messages == TTexts(2, L"No more instances of \"temp\" found."));
  CHECK(F.SelectedRows() == TRowList{3});

  // A new search starts from the top again.
  F.Messages.clear();
  F.List.FindText(L"temp");
  CHECK(F.SelectedRows() == TRowList{1});
}

TEST_CASE("no match: not found at every step, and the next step starts again at the first row") {
  TFindFixture F(Rows({L"C:\\a", L"C:\\b"}));
  F.List.FindText(L"zz");
  F.List.FindNext();
  CHECK(F.Messages == TTexts(2, L"Search string \"zz\" not found."));
  CHECK(F.SelectedRows().empty());

  F.List.Item(0).SetCaption(L"C:\\zz");
  F.List.FindNext();
  CHECK(F.SelectedRows() == TRowList{0});
  CHECK(F.Messages.size() == 2);
}

TEST_CASE("FindRefresh makes the next step examine the selected row itself first") {
  TFindFixture F(Rows({L"row 0", L"row 1", L"row 2", L"row 3", L"row 4", L"row 5", L"row 6", L"row 7"}));
  F.List.FindText(L"row");
  REQUIRE(F.SelectedRows() == TRowList{0});
  F.Select(5);
  F.List.FindRefresh();
  F.List.FindNext();
  CHECK(F.SelectedRows() == TRowList{5});
  F.List.FindNext();
  CHECK(F.SelectedRows() == TRowList{6});

  // Nothing selected: from the first row.
  ListView_SetItemState(F.List.Handle(), -1, 0, LVIS_SELECTED);
  F.List.FindRefresh();
  F.List.FindNext();
  CHECK(F.SelectedRows() == TRowList{0});
}

TEST_CASE("a found row far down is scrolled into view") {
  std::vector<std::vector<std::wstring>> Many;
  for (int i = 0; i < 200; ++i) Many.push_back({L"row " + std::to_wstring(i), L"?", L"?", L"? KB"});
  Many[150][0] = L"the one";
  TFindFixture F(Many);
  F.List.SetBounds(0, 0, 400, 200);
  REQUIRE(ListView_GetTopIndex(F.List.Handle()) == 0);
  F.List.FindText(L"the one");
  const int Top = ListView_GetTopIndex(F.List.Handle());
  const int PerPage = ListView_GetCountPerPage(F.List.Handle());
  CHECK(Top <= 150);
  CHECK(150 < Top + PerPage + 1);
}

TEST_CASE("a custom row test decides when it says so, else the row's own test does") {
  TFindFixture F(Rows({L"C:\\Temp", L"C:\\other", L"C:\\x", L"C:\\temp"}));
  std::vector<int> Examined;
  std::vector<std::wstring> Texts;

  SUBCASE("a handler that leaves both flags") {
    F.List.OnCustomFind = [&](TObject* Sender, TListItem Item, const std::wstring& Text, bool&, bool&) {
      CHECK(Sender == &F.List);
      Examined.push_back(Item.Index());
      Texts.push_back(Text);
    };
    F.List.FindText(L"T\u00C9MP");
    CHECK(F.SelectedRows() == TRowList{0});
    F.List.FindNext();
    CHECK(F.SelectedRows() == TRowList{3});
    CHECK(Examined == std::vector<int>{0, 1, 2, 3});
    // The text as typed, not normalised.
    CHECK(Texts == TTexts(4, L"T\u00C9MP"));
  }
  SUBCASE("a handler that decides") {
    F.List.OnCustomFind = [&](TObject*, TListItem Item, const std::wstring&, bool& Res, bool& Handled) {
      Examined.push_back(Item.Index());
      Handled = Item.Index() != 2;
      Res = Item.Index() == 1;
    };
    F.List.FindText(L"x");  // row 2 falls back to its own test and holds x
    CHECK(F.SelectedRows() == TRowList{1});
    F.List.FindNext();
    CHECK(F.SelectedRows() == TRowList{2});
    F.List.FindNext();
    CHECK(F.Messages == TTexts{L"No more instances of \"x\" found."});
    CHECK(Examined == std::vector<int>{0, 1, 2, 3});
  }
}

TEST_CASE("an empty text or no search makes FindNext do nothing") {
  TFindFixture F(Rows({L"C:\\a"}));
  F.List.FindNext();
  F.List.FindText(L"");
  F.List.FindNext();
  CHECK(F.Messages.empty());
  CHECK(F.SelectedRows().empty());
  REQUIRE(F.List.FindDialog() != nullptr);
  CHECK(F.List.FindDialog()->Handle() == nullptr);  // FindText does not show the dialog
}

TEST_CASE("the find dialog: shown empty, Find Next searches, each step closes it") {
  TFindFixture F(Rows({L"C:\\a", L"C:\\Temp", L"C:\\b", L"C:\\temp2"}));
  F.Form.Show();
  F.List.FindText(L"old");
  F.Messages.clear();

  F.List.Find();
  TFindDialog* Dialog = F.List.FindDialog();
  REQUIRE(Dialog != nullptr);
  const HWND Box = Dialog->Handle();
  REQUIRE(Box != nullptr);
  CHECK(IsWindowVisible(Box));
  CHECK(GetWindow(Box, GW_OWNER) == F.Form.Handle());
  wchar_t Typed[64] = L"?";
  GetDlgItemTextW(Box, edt1, Typed, 64);
  CHECK(std::wstring(Typed).empty());
  // Match case, whole word and direction are hidden.
  for (const int Control : {chx1, chx2, rad1, rad2, grp1}) {
    CAPTURE(Control);
    const HWND Child = GetDlgItem(Box, Control);
    CHECK((Child == nullptr || !IsWindowVisible(Child)));
  }

  // The user types and presses Enter: the loop gives the key to the dialog.
  SetDlgItemTextW(Box, edt1, L"TEMP");
  SetFocus(GetDlgItem(Box, edt1));
  PostMessageW(GetDlgItem(Box, edt1), WM_KEYDOWN, VK_RETURN, 0);
  Application().ProcessMessages();
  CHECK(F.SelectedRows() == TRowList{1});
  CHECK(Dialog->FindText() == L"TEMP");
  CHECK_FALSE(IsWindow(Box));
  CHECK(Dialog->Handle() == nullptr);

  // F3 goes on with the text of the dialog.
  F.List.FindNext();
  CHECK(F.SelectedRows() == TRowList{3});
  F.List.FindNext();
  CHECK(F.Messages == TTexts{L"No more instances of \"TEMP\" found."});

  // A new search frees the old dialog; the Find Next button runs a step too.
  F.List.Find();
  const HWND Second = F.List.FindDialog()->Handle();
  REQUIRE(IsWindowVisible(Second));
  SetDlgItemTextW(Second, edt1, L"c:\\b");
  SendMessageW(GetDlgItem(Second, IDOK), BM_CLICK, 0, 0);
  CHECK(F.SelectedRows() == TRowList{2});
  Application().ProcessMessages();
  CHECK_FALSE(IsWindow(Second));

  // Cancel closes the dialog; FindNext still knows the text.
  F.List.Find();
  const HWND Third = F.List.FindDialog()->Handle();
  SendMessageW(Third, WM_COMMAND, IDCANCEL, 0);
  Application().ProcessMessages();
  CHECK_FALSE(IsWindow(Third));
  CHECK(F.List.FindDialog()->Handle() == nullptr);
  F.List.FindNext();  // empty text: nothing
  CHECK(F.Messages.size() == 1);
}

TEST_CASE("an open find dialog goes with the list") {
  HWND Box = nullptr;
  {
    TFindFixture F(Rows({L"C:\\a"}));
    F.Form.Show();
    F.List.Find();
    Box = F.List.FindDialog()->Handle();
    REQUIRE(IsWindow(Box));
  }
  CHECK_FALSE(IsWindow(Box));
  Application().ProcessMessages();
}
