// The font record: one text value with the face name, size, styles and colour.

#include "StoreTestSupport.h"

#include "framework/Exception.h"
#include "framework/Graphics.h"

#include <optional>
#include <string>

namespace {

TFontStyles Styles(std::initializer_list<TFontStyle> List) {
  TFontStyles Result;
  for (const TFontStyle Style : List) Result.Include(Style);
  return Result;
}

const TFontStyles KAllStyles =
    Styles({TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline, TFontStyle::fsStrikeOut});

struct TFontFields {
  std::wstring Name;
  int Size;
  TFontStyles Style;
  TColor Color;
  bool operator==(const TFontFields&) const = default;
};

TFontFields FieldsOf(const TFont& Font) { return {Font.Name(), Font.Size(), Font.Style(), Font.Color()}; }

void Assign(TFont& Font, const TFontFields& Fields) {
  Font.SetName(Fields.Name);
  Font.SetSize(Fields.Size);
  Font.SetStyle(Fields.Style);
  Font.SetColor(Fields.Color);
}

// Different in every field from what the tests store.
const TFontFields KBefore{L"Courier New", 31, Styles({TFontStyle::fsUnderline}), clTeal};

}  // namespace

namespace doctest {
template <>
struct StringMaker<TFontFields> {
  static String convert(const TFontFields& F) {
    int Bits = 0;
    for (const TFontStyle Style :
         {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline, TFontStyle::fsStrikeOut})
      if (F.Style.Contains(Style)) Bits |= static_cast<int>(Style);
    return ("{" + WideToUtf8(F.Name) + ", " + std::to_string(F.Size) + ", styles " + std::to_string(Bits) + ", " +
            WideToUtf8(ColorToString(F.Color)) + "}")
        .c_str();
  }
};
}  // namespace doctest

TEST_CASE("a font is stored as its text and read back whole") {
  struct TCase {
    TFontFields Font;
    const wchar_t* Text;
  };
  const TCase Cases[] = {
      {{L"Tahoma", 8, TFontStyles(), clWindowText}, L"\"Tahoma\", 8, [], [clWindowText]"},
      {{L"Segoe UI", 9, KAllStyles, clRed}, L"\"Segoe UI\", 9, [Bold|Italic|Underline|Strikeout], [clRed]"},
      {{L"Calibri", 11, Styles({TFontStyle::fsItalic, TFontStyle::fsStrikeOut}), 0x123456},
       L"\"Calibri\", 11, [Italic|Strikeout], [$00123456]"},
      {{L"Arial", -12, Styles({TFontStyle::fsBold}), clMenuBar}, L"\"Arial\", -12, [Bold], [clMenuBar]"},
      // A system colour without a name is a number like any other.
      {{L"Arial", 10, TFontStyles(), clSystemColor | 25}, L"\"Arial\", 10, [], [$FF000019]"},
      {{L"Arial", 10, TFontStyles(), clWhite}, L"\"Arial\", 10, [], [clWhite]"},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Font);
    TStoreFixture F;
    TFont Font;
    Assign(Font, Case.Font);
    F.Records.SetFont(L"Fonts\\Readme", Font);
    const auto Raw = F.Fixture.ReadRaw(L"Fonts", L"Readme");
    REQUIRE(Raw);
    CHECK(Raw->Type == REG_SZ);
    CHECK(Raw->AsString() == Case.Text);

    TFont Restored;
    Assign(Restored, KBefore);
    CHECK(&F.Records.GetFont(L"Fonts\\Readme", Restored) == &Restored);
    CHECK(FieldsOf(Restored) == Case.Font);
  }
}

TEST_CASE("a stored colour is a name in any case or a number") {
  struct TCase {
    const wchar_t* Colour;
    TColor Expected;
  };
  const TCase Cases[] = {
      {L"clwindowtext", clWindowText}, {L"CLRED", clRed},         {L"255", clRed},
      {L"$000000FF", clRed},           {L"$FF000005", clWindow},  {L"-16777211", clWindow},
      {L"0", clBlack},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Colour));
    TStoreFixture F;
    F.Fixture.WriteString(L"", L"Font", std::wstring(L"\"Arial\", 10, [Bold], [") + Case.Colour + L"]");
    TFont Font;
    Assign(Font, KBefore);
    F.Records.GetFont(L"Font", Font);
    CHECK(Font.Color() == Case.Expected);
  }
}

TEST_CASE("a font text that does not parse raises after the fields before the faulty one") {
  struct TCase {
    const char* Name;
    const wchar_t* Text;
    TFontFields After;
  };
  const TCase Cases[] = {
      {"size is not a number", L"\"Arial\", big, [Bold], [clRed]",
       {L"Arial", KBefore.Size, KBefore.Style, KBefore.Color}},
      {"colour is neither a name nor a number", L"\"Arial\", 12, [Bold], [clNoSuchColour]",
       {L"Arial", 12, KBefore.Style, KBefore.Color}},
      {"colour is missing", L"\"Arial\", 12, [Bold]", {L"Arial", 12, KBefore.Style, KBefore.Color}},
      // The name ends one character before its first comma, where its
      // closing quote is taken to be, and the rest no longer parses.
      {"name with a comma", L"\"Arial, Narrow\", 12, [], [clRed]",
       {L"Aria", KBefore.Size, KBefore.Style, KBefore.Color}},
      {"no comma at all", L"Arial", {L"", KBefore.Size, KBefore.Style, KBefore.Color}},
  };
  for (const TCase& Case : Cases) {
    INFO(Case.Name);
    TStoreFixture F;
    F.Fixture.WriteString(L"", L"Font", Case.Text);
    TFont Font;
    Assign(Font, KBefore);
    CHECK(ThrownMessage<EConvertError>([&] { F.Records.GetFont(L"Font", Font); }) != L"<nothing raised>");
    CHECK(FieldsOf(Font) == Case.After);
  }
}

TEST_CASE("a missing or empty font record leaves the font alone; one of another type is a registry error") {
  TStoreFixture F;
  TFont Font;
  Assign(Font, KBefore);
  F.Records.GetFont(L"Missing\\Font", Font);
  CHECK(FieldsOf(Font) == KBefore);
  F.Fixture.CreateKey(L"Fonts");
  F.Records.GetFont(L"Fonts\\Missing", Font);
  CHECK(FieldsOf(Font) == KBefore);
  F.Fixture.WriteString(L"Fonts", L"Empty", L"");
  F.Records.GetFont(L"Fonts\\Empty", Font);
  CHECK(FieldsOf(Font) == KBefore);

  F.Fixture.WriteDword(L"Fonts", L"Number", 9);
  CHECK(ThrownMessage<ERegistryException>([&] { F.Records.GetFont(L"Fonts\\Number", Font); }) ==
        L"Invalid data type for 'Number'");
  CHECK(FieldsOf(Font) == KBefore);
}

TEST_CASE("every named colour reads back from its name, and only named colours have one") {
  struct TCase {
    TColor Color;
    const wchar_t* Name;  // null: no name
  };
  const TCase Cases[] = {
      {0x000000, L"clBlack"},       {0xFFFFFF, L"clWhite"},           {0xFFFF00, L"clAqua"},
      {0x000080, L"clMaroon"},      {static_cast<TColor>(0xFF000000), L"clScrollBar"},
      {static_cast<TColor>(0xFF00000F), L"clBtnFace"},                {static_cast<TColor>(0xFF00001A), L"clHotLight"},
      {static_cast<TColor>(0xFF00001E), L"clMenuBar"},                {static_cast<TColor>(0xFF000019), nullptr},
      {static_cast<TColor>(0xFF00001F), nullptr},                     {0x000001, nullptr},
      {0x1FFFFFFF, nullptr},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Color);
    std::wstring Name;
    CHECK(ColorToIdent(Case.Color, Name) == (Case.Name != nullptr));
    if (Case.Name != nullptr) CHECK(Name == Case.Name);
  }

  // No two names share a value: each name leads back to itself.
  std::vector<TColor> Candidates;
  for (int Index = 0; Index <= 0xFF; ++Index) Candidates.push_back(clSystemColor | Index);
  for (const int Red : {0, 0x80, 0xC0, 0xFF})
    for (const int Green : {0, 0x80, 0xC0, 0xFF})
      for (const int Blue : {0, 0x80, 0xC0, 0xFF}) Candidates.push_back(Red | Green << 8 | Blue << 16);
  int Named = 0;
  for (const TColor Color : Candidates) {
    std::wstring Name;
    if (!ColorToIdent(Color, Name)) continue;
    ++Named;
    TColor Back = 0;
    CAPTURE(WideToUtf8(Name));
    CHECK(IdentToColor(Name, Back));
    CHECK(Back == Color);
    CHECK(StringToColor(Name) == Color);
  }
  CHECK(Named == 46);
  TColor Unused = 0;
  CHECK_FALSE(IdentToColor(L"clNone", Unused));
  CHECK_FALSE(IdentToColor(L"", Unused));
}
