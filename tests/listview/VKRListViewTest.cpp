#include <doctest.h>

#include "framework/Exception.h"
#include "framework/FormatSettings.h"
#include "listview/VKRListView.h"
#include "support/HostForm.h"
#include "support/TestStrings.h"

#include <climits>
#include <string>
#include <vector>

namespace {

// The separators these cases are written for, whatever the machine's locale.
TFormatSettings EnglishFormat() {
  TFormatSettings Format;
  Format.ThousandSeparator = L",";
  Format.DecimalSeparator = L".";
  Format.DateSeparator = L"/";
  Format.TimeSeparator = L":";
  Format.ShortDateFormat = L"M/d/yyyy";
  return Format;
}

// A list of three columns in a real window, with the rows given (caption, sub-items).
struct TListFixture {
  THostForm Host;
  TVKRListView List;

  explicit TListFixture(const std::vector<std::vector<std::wstring>>& Rows) {
    List.Create(Host.Handle(), 100, true);
    Host.RegisterControl(List);
    for (const wchar_t* Caption : {L"Name", L"Count", L"Size"}) List.AddColumn(Caption, 100);
    for (const auto& Row : Rows) {
      TListItem Item = List.Add(Row[0]);
      for (size_t k = 1; k < Row.size(); ++k) Item.SetSubItem(static_cast<int>(k - 1), Row[k]);
    }
  }

  std::vector<std::wstring> Column(int c) const {
    std::vector<std::wstring> Texts;
    for (int i = 0; i < List.Count(); ++i) Texts.push_back(List.ItemText(i, c));
    return Texts;
  }

  // A click on a column header, as the header reports it to the form.
  void ClickHeader(int c) {
    NMLISTVIEW Notify{};
    Notify.hdr.hwndFrom = List.Handle();
    Notify.hdr.idFrom = 100;
    Notify.hdr.code = LVN_COLUMNCLICK;
    Notify.iItem = -1;
    Notify.iSubItem = c;
    SendMessageW(Host.Handle(), WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&Notify));
  }
};

// An image of the list drawn on white; Pixel reads it back.
class TDrawnImage {
public:
  TDrawnImage(HIMAGELIST List, int Index) {
    const TWindowDC Screen(nullptr);
    FBitmap.reset(CreateCompatibleBitmap(Screen.get(), 16, 16));
    FDc.reset(CreateCompatibleDC(Screen.get()));
    FOld = SelectObject(FDc.get(), FBitmap.get());
    const RECT All{0, 0, 16, 16};
    FillRect(FDc.get(), &All, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(List, Index, FDc.get(), 0, 0, ILD_TRANSPARENT);
  }
  ~TDrawnImage() { SelectObject(FDc.get(), FOld); }
  COLORREF Pixel(int X, int Y) const { return GetPixel(FDc.get(), X, Y); }

private:
  UniqueGdi<HBITMAP> FBitmap;
  UniqueMemoryDC FDc;
  HGDIOBJ FOld = nullptr;
};

}  // namespace

TEST_CASE("the default comparison: date-times, numbers, dotted addresses, then text without case") {
  TFormatSettingsOverride Format(EnglishFormat());
  struct TCase {
    const wchar_t* Text1;
    const wchar_t* Text2;
    int Expected;
  };
  const std::vector<TCase> Cases = {
      // Numbers, with and without the thousands separator.
      {L"9", L"10", -1},
      {L"10", L"9", 1},
      {L"1,234", L"999", 1},
      {L"-3", L"2", -1},
      {L"1.50", L"1.5", 0},
      {L"1e3", L"999", 1},
      // Sizes with a unit are text: 1,234 KB goes before 999 KB.
      {L"1,234 KB", L"999 KB", -1},
      // A number too large for any value is text too ("1..." before "5").
      {L"1e999", L"5", -1},
      // Dotted addresses.
      {L"9.255.255.255", L"10.0.0.2", -1},
      {L"10.0.0.2", L"9.255.255.255", 1},
      {L"192.168.1.20", L"192.168.1.3", 1},
      // 1.2.3.256 is no address: as text it goes before 1.2.3.30.
      {L"1.2.3.256", L"1.2.3.30", -1},
      // 0.0.0.0 is no address: as addresses both would be equal.
      {L"0.0.0.0", L"0.0.0.00", -1},
      // Dates and times with "/" and ":".
      {L"12/31/2023", L"1/1/2024", -1},
      {L"1/1/2024", L"12/31/2023", 1},
      {L"1/1/2024 10:00", L"1/1/2024 9:30", 1},
      {L"9:30", L"10:00", -1},
      {L"2/29/2024", L"3/1/2024", -1},
      // A day that does not exist is text: "2/30..." after "10/1...".
      {L"2/30/2023", L"10/1/2023", 1},
      // Paths and words compare as text, case ignored.
      {L"C:\\Temp", L"c:\\temp", 0},
      {L"C:\\a", L"D:\\b", -1},
      {L"apple", L"Banana", -1},
      {L"Banana", L"apple", 1},
      {L"", L"a", -1},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Text1));
    CAPTURE(WideToUtf8(Case.Text2));
    CHECK(TVKRListView::CompareItemTexts(Case.Text1, Case.Text2) == Case.Expected);
  }
  // Malformed addresses and numbers are text, never "equal".
  for (const wchar_t* Malformed : {L"1..2.3", L".1.2.3", L"1.2.3.", L"--5", L"1e", L"99999999999.1.1.1"}) {
    CAPTURE(WideToUtf8(Malformed));
    CHECK(TVKRListView::CompareItemTexts(Malformed, L"1.2.3.4") != 0);
  }
}

TEST_CASE("the default comparison follows the user's separators") {
  TFormatSettings German = EnglishFormat();
  German.ThousandSeparator = L".";
  German.DecimalSeparator = L",";
  German.DateSeparator = L".";
  German.ShortDateFormat = L"dd.MM.yyyy";
  TFormatSettingsOverride Format(German);
  CHECK(TVKRListView::CompareItemTexts(L"1,5", L"1,25") == 1);
  CHECK(TVKRListView::CompareItemTexts(L"31.12.2023", L"01.01.2024") == -1);
  CHECK(TVKRListView::CompareItemTexts(L"1.234,5", L"999") == 1);
}

TEST_CASE("header clicks sort, toggle the direction and move the arrow") {
  TFormatSettingsOverride Format(EnglishFormat());
  TListFixture F({{L"b", L"10", L"x"}, {L"C", L"9", L"yy"}, {L"a", L"100", L"zzz"}});
  F.List.Loaded();
  REQUIRE(F.List.IndexUp() >= 0);
  REQUIRE(F.List.IndexDown() >= 0);
  CHECK(F.List.LastSortIndex() == -1);

  F.ClickHeader(0);
  CHECK(F.Column(0) == std::vector<std::wstring>{L"a", L"b", L"C"});
  CHECK(F.List.LastSortIndex() == 0);
  CHECK(F.List.LastSortAscending());
  CHECK(F.List.ColumnImage(0) == F.List.IndexUp());

  F.ClickHeader(0);
  CHECK(F.Column(0) == std::vector<std::wstring>{L"C", L"b", L"a"});
  CHECK_FALSE(F.List.LastSortAscending());
  CHECK(F.List.ColumnImage(0) == F.List.IndexDown());

  F.ClickHeader(1);
  CHECK(F.Column(1) == std::vector<std::wstring>{L"9", L"10", L"100"});
  CHECK(F.List.LastSortAscending());
  CHECK(F.List.ColumnImage(0) == -1);
  CHECK(F.List.ColumnImage(1) == F.List.IndexUp());

  // A column-click handler of the view's user replaces the sorting.
  int Clicked = -1;
  F.List.OnColumnClick = [&](TObject*, int Column) { Clicked = Column; };
  F.ClickHeader(2);
  CHECK(Clicked == 2);
  CHECK(F.List.LastSortIndex() == 1);
}

TEST_CASE("Sort and SortAsIs") {
  TListFixture F({{L"b"}, {L"a"}, {L"c"}});

  SUBCASE("SortAsIs before any sort does nothing") {
    F.List.SortAsIs();
    CHECK(F.Column(0) == std::vector<std::wstring>{L"b", L"a", L"c"});
    CHECK(F.List.ColumnImage(0) == -1);
  }
  SUBCASE("a sort before the arrows exist shows no arrow; rows added later wait for SortAsIs") {
    F.List.Sort(0, false);
    CHECK(F.Column(0) == std::vector<std::wstring>{L"c", L"b", L"a"});
    CHECK(F.List.ColumnImage(0) == -1);
    F.List.Add(L"d");
    CHECK(F.Column(0).back() == L"d");
    F.List.SortAsIs();
    CHECK(F.Column(0) == std::vector<std::wstring>{L"d", L"c", L"b", L"a"});
  }
  SUBCASE("a column that does not exist fails before anything changes") {
    F.List.Loaded();
    F.List.Sort(0, true);
    CHECK_THROWS_AS(F.List.Sort(3, false), EListError);
    CHECK_THROWS_AS(F.List.Sort(-1, false), EListError);
    CHECK(F.List.LastSortIndex() == 0);
    CHECK(F.List.ColumnImage(0) == F.List.IndexUp());
  }
  SUBCASE("a view without columns is not sorted") {
    THostForm Host;
    TVKRListView Empty;
    Empty.Create(Host.Handle(), 101, false);
    Empty.Sort(0, true);
    CHECK(Empty.LastSortIndex() == -1);
  }
}

TEST_CASE("a row added with AddSorted goes where the sort puts it; unsorted, at the end") {
  TFormatSettingsOverride Format(EnglishFormat());
  const std::vector<std::vector<std::wstring>> Rows = {
      {L"b", L"10", L"zz"}, {L"d", L"9", L"x"}, {L"a", L"100", L"yyy"}, {L"c", L"10", L"w"}};
  struct TCase {
    const char* Name;
    int Column;  // -1: never sorted
    bool Ascending;
    std::vector<std::wstring> Added;
    int Position;
  };
  const std::vector<TCase> Cases = {
      {"not sorted", -1, true, {L"0", L"1", L"a"}, 4},
      {"by name", 0, true, {L"bb", L"1", L"a"}, 2},
      {"by name, first", 0, true, {L"0a", L"1", L"a"}, 0},
      {"by name, last", 0, true, {L"e", L"1", L"a"}, 4},
      {"by name, descending", 0, false, {L"bb", L"1", L"a"}, 2},
      {"after an equal name", 0, true, {L"B", L"1", L"a"}, 2},
      {"by count, as numbers", 1, true, {L"e", L"50", L"a"}, 3},
      {"after equal counts", 1, true, {L"e", L"10", L"a"}, 3},
      {"by count, descending", 1, false, {L"e", L"50", L"a"}, 1},
      {"a missing column sorts as empty text", 2, true, {L"e"}, 0},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    TListFixture F(Rows);
    F.List.Loaded();
    if (Case.Column >= 0) F.List.Sort(Case.Column, Case.Ascending);
    const std::vector<std::wstring> Before = F.Column(0);
    const TListItem Item = F.List.AddSorted(Case.Added);
    CHECK(Item.Index() == Case.Position);
    CHECK(F.List.Count() == 5);
    for (size_t Column = 0; Column < 3; ++Column)
      CHECK(F.List.ItemText(Case.Position, static_cast<int>(Column)) ==
            (Column < Case.Added.size() ? Case.Added[Column] : std::wstring()));
    // The other rows keep their order.
    std::vector<std::wstring> Others = F.Column(0);
    Others.erase(Others.begin() + Case.Position);
    CHECK(Others == Before);
  }

}

TEST_CASE("AddSorted follows OnCustomSort; a failing handler adds no row") {
  TListFixture F({{L"b", L"10", L"zz"}, {L"d", L"9", L"x"}, {L"a", L"100", L"yyy"}, {L"c", L"10", L"w"}});
  bool Fail = false;
  F.List.SetOnCustomSort([&](TObject*, int, const std::wstring& Str1, const std::wstring& Str2, int& Res,
                             bool& Handled) {
    if (Fail) throw Exception(L"handler failed");
    Res = static_cast<int>(Str1.size()) - static_cast<int>(Str2.size());
    Handled = true;
  });
  F.List.Sort(2, true);
  // By length: the two of one letter first, in either order.
  REQUIRE(F.Column(2)[2] == L"zz");
  REQUIRE(F.Column(2)[3] == L"yyy");
  CHECK(F.List.AddSorted({L"e", L"1", L"vv"}).Index() == 3);
  Fail = true;
  CHECK_THROWS_AS(F.List.AddSorted({L"f", L"1", L"u"}), Exception);
  CHECK(F.List.Count() == 5);
}

TEST_CASE("OnCustomSort decides for the columns it handles, and is turned round for a descending sort") {
  TFormatSettingsOverride Format(EnglishFormat());
  TListFixture F({{L"b", L"2", L"zz"}, {L"a", L"3", L"yyy"}, {L"c", L"1", L"x"}});
  std::vector<int> Columns;
  F.List.SetOnCustomSort([&](TObject* Sender, int ColumnIndex, const std::wstring& Str1, const std::wstring& Str2,
                             int& Res, bool& Handled) {
    CHECK(Sender == &F.List);
    Columns.push_back(ColumnIndex);
    if (ColumnIndex != 2) return;
    // Column 2 by length.
    Res = static_cast<int>(Str1.size()) - static_cast<int>(Str2.size());
    Handled = true;
  });

  F.List.Sort(2, true);
  CHECK(F.Column(2) == std::vector<std::wstring>{L"x", L"zz", L"yyy"});
  F.List.Sort(2, false);
  CHECK(F.Column(2) == std::vector<std::wstring>{L"yyy", L"zz", L"x"});
  F.List.Sort(1, true);
  CHECK(F.Column(1) == std::vector<std::wstring>{L"1", L"2", L"3"});
  CHECK_FALSE(Columns.empty());

  SUBCASE("an error of the handler reaches the caller after the sort, with every row kept") {
    F.List.SetOnCustomSort([](TObject*, int, const std::wstring&, const std::wstring&, int&, bool&) {
      throw Exception(L"handler failed");
    });
    CHECK_THROWS_AS(F.List.Sort(0, true), Exception);
    CHECK(F.List.Count() == 3);
  }
  SUBCASE("an extreme result does not overflow when turned round") {
    F.List.SetOnCustomSort([](TObject*, int, const std::wstring& Str1, const std::wstring& Str2, int& Res,
                              bool& Handled) {
      Res = Str1 < Str2 ? INT_MIN : (Str1 == Str2 ? 0 : INT_MAX);
      Handled = true;
    });
    F.List.Sort(0, false);
    CHECK(F.Column(0) == std::vector<std::wstring>{L"c", L"b", L"a"});
  }
}

TEST_CASE("the arrows: appended to the view's image list, or in a list of the view's own") {
  SUBCASE("a view with its own list") {
    TListFixture F({});
    F.List.Loaded();
    const HIMAGELIST Own = F.List.SmallImages();
    REQUIRE(Own != nullptr);
    CHECK(ImageList_GetImageCount(Own) == 3);
    CHECK(F.List.IndexUp() == 1);
    CHECK(F.List.IndexDown() == 2);

    // The 9 x 6 pictures sit at (3, 5) of the 16 x 16 images; fuchsia is see-through.
    const COLORREF Grey = RGB(0xAC, 0xA8, 0x99);
    const COLORREF White = RGB(255, 255, 255);
    const TDrawnImage Up(Own, F.List.IndexUp());
    CHECK(Up.Pixel(3 + 4, 5) == Grey);       // the tip, one pixel
    CHECK(Up.Pixel(3 + 3, 5) == White);
    CHECK(Up.Pixel(3, 5 + 4) == Grey);       // the base, nine pixels
    CHECK(Up.Pixel(3 + 8, 5 + 4) == Grey);
    CHECK(Up.Pixel(3 + 4, 5 + 5) == White);  // the empty last row
    CHECK(Up.Pixel(0, 0) == White);
    const TDrawnImage Down(Own, F.List.IndexDown());
    CHECK(Down.Pixel(3 + 4, 5) == White);
    CHECK(Down.Pixel(3, 5 + 1) == Grey);
    CHECK(Down.Pixel(3 + 4, 5 + 5) == Grey);
    CHECK(Down.Pixel(3 + 3, 5 + 5) == White);
    const TDrawnImage Blank(Own, 0);
    CHECK(Blank.Pixel(3 + 4, 5 + 4) == White);
  }
  SUBCASE("a view with an image list of its user's") {
    TListFixture F({});
    UniqueImageList Images(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0));
    UniqueGdi<HBITMAP> Picture(CreateBitmap(32, 16, 1, 32, nullptr));
    ImageList_AddMasked(Images.get(), Picture.get(), RGB(255, 0, 255));
    REQUIRE(ImageList_GetImageCount(Images.get()) == 2);
    F.List.SetSmallImages(Images.get());
    F.List.Loaded();
    CHECK(F.List.SmallImages() == Images.get());
    CHECK(ImageList_GetImageCount(Images.get()) == 5);
    CHECK(F.List.IndexUp() == 3);
    CHECK(F.List.IndexDown() == 4);
    F.List.SetSmallImages(nullptr);
  }
}
