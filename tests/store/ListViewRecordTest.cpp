// The column widths record of a report-style list, and the import of the old
// comma-separated widths.

#include "StoreTestSupport.h"

#include "framework/Exception.h"
#include "framework/ListView.h"
#include "support/HostForm.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace {

using TWidths = std::vector<int>;

// A list on a real form, with one column per width.
struct TListFixture {
  THostForm Form;
  TListView List;
  explicit TListFixture(std::initializer_list<int> Widths) {
    List.Create(Form.Handle(), 100);
    int Column = 0;
    for (const int Width : Widths) List.AddColumn(L"Column " + std::to_wstring(Column++), Width);
  }
  TWidths Widths() const {
    TWidths Result;
    for (int i = 0; i < List.ColumnCount(); ++i) Result.push_back(List.ColumnWidth(i));
    return Result;
  }
};

}  // namespace

TEST_CASE("column widths are stored in column order and read back") {
  TStoreFixture F;
  TListFixture Source{120, 45, 230};
  REQUIRE(Source.Widths() == TWidths{120, 45, 230});
  F.Records.SetListViewInfo(L"Lists\\Folders", Source.List);
  CHECK(StoredText(F.Fixture, L"Lists", L"Folders") == L"120, 45, 230");

  TListFixture Target{60, 60, 60};
  F.Records.GetListViewInfo(L"Lists\\Folders", Target.List);
  CHECK(Target.Widths() == TWidths{120, 45, 230});

  // A list without columns is stored as empty text, which changes nothing.
  TListFixture Empty{};
  F.Records.SetListViewInfo(L"Lists\\Folders", Empty.List);
  CHECK(StoredText(F.Fixture, L"Lists", L"Folders") == L"");
  F.Records.GetListViewInfo(L"Lists\\Folders", Target.List);
  CHECK(Target.Widths() == TWidths{120, 45, 230});
}

TEST_CASE("stored widths are applied from the first column on") {
  struct TCase {
    const char* Name;
    const wchar_t* Stored;
    TWidths After;
    const char* Raises;  // null, "list" or "convert"
  };
  const TCase Cases[] = {
      {"fewer widths than columns", L"70, 80", {70, 80, 60}, nullptr},
      {"as many widths as columns", L"70, 80, 90", {70, 80, 90}, nullptr},
      {"more widths than columns", L"70, 80, 90, 100", {70, 80, 90}, "list"},
      {"an empty width", L"70, , 90", {70, 60, 60}, "convert"},
      {"a width that is not a number", L"70, wide, 90", {70, 60, 60}, "convert"},
      {"bare commas", L"70,80,90", {60, 60, 60}, "convert"},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    TStoreFixture F;
    F.Fixture.WriteString(L"", L"Columns", Case.Stored);
    TListFixture List{60, 60, 60};
    const auto Read = [&] { F.Records.GetListViewInfo(L"Columns", List.List); };
    if (Case.Raises == nullptr)
      Read();
    else if (std::string(Case.Raises) == "list")
      CHECK(ThrownMessage<EListError>(Read) != L"<nothing raised>");
    else
      CHECK(ThrownMessage<EConvertError>(Read) != L"<nothing raised>");
    CHECK(List.Widths() == Case.After);
  }
}

TEST_CASE("column widths that are missing leave the list alone; widths of another type are a registry error") {
  TStoreFixture F;
  TListFixture List{60, 61, 62};
  F.Records.GetListViewInfo(L"Nowhere\\Columns", List.List);
  F.Fixture.CreateKey(L"Lists");
  F.Records.GetListViewInfo(L"Lists\\Columns", List.List);
  CHECK(List.Widths() == TWidths{60, 61, 62});

  F.Fixture.WriteDword(L"Lists", L"Columns", 100);
  CHECK(ThrownMessage<ERegistryException>([&] { F.Records.GetListViewInfo(L"Lists\\Columns", List.List); }) ==
        L"Invalid data type for 'Columns'");
  CHECK(List.Widths() == TWidths{60, 61, 62});
}

TEST_CASE("old comma-separated widths are imported in the new form") {
  struct TCase {
    const char* Name;
    const wchar_t* Old;  // null: no Sizes value
    const wchar_t* New;
  };
  const TCase Cases[] = {
      {"three widths", L"120,45,230", L"120, 45, 230"},
      {"an empty width is kept", L"120,,230", L"120, , 230"},
      {"one width", L"120", L"120"},
      {"no widths", L"", L""},
      {"no Sizes value", nullptr, L""},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    for (const bool DeleteSubKey : {true, false}) {
      CAPTURE(DeleteSubKey);
      TStoreFixture F;
      F.Fixture.CreateKey(L"Old\\Folders\\Columns");
      if (Case.Old != nullptr) F.Fixture.WriteString(L"Old\\Folders\\Columns", L"Sizes", Case.Old);
      F.Store.ImportListViewInfo(L"Old\\Folders", L"Lists\\Folders", DeleteSubKey);
      CHECK(StoredText(F.Fixture, L"Lists", L"Folders") == Case.New);
      CHECK(F.Fixture.KeyExists(L"Old\\Folders") == !DeleteSubKey);
      CHECK(F.Fixture.KeyExists(L"Old"));
    }
  }

  // The imported widths are what the list takes.
  TStoreFixture F;
  F.Fixture.WriteString(L"Old\\Columns", L"Sizes", L"120,45,230");
  F.Store.ImportListViewInfo(L"Old", L"Folders", true);
  TListFixture List{60, 60, 60};
  F.Records.GetListViewInfo(L"Folders", List.List);
  CHECK(List.Widths() == TWidths{120, 45, 230});

  // Without the old key nothing is written.
  TStoreFixture None;
  None.Store.ImportListViewInfo(L"Old", L"Folders", true);
  CHECK_FALSE(None.Fixture.ReadRaw(L"", L"Folders"));
}
