// Search of names and data below a key, and the key content file that keeps
// the values of one key as Name<separator>Data lines.

#include "StoreTestSupport.h"

#include "support/TempDir.h"

#include <string>
#include <vector>

namespace {

using TList = std::vector<std::wstring>;

// Names are created in sorted order, which is the enumeration order of every registry.
struct TSearchTree {
  TStoreFixture F;
  std::wstring P;  // the full path of the fixture key, as hits begin
  TSearchTree() : P(L"\\" + F.Fixture.KeyPath()) {
    F.Fixture.WriteDword(L"", L"Count", 10);
    F.Fixture.WriteString(L"", L"Label", L"\u00C9T\u00C9 Temp");
    F.Fixture.WriteDword(L"", L"Negative", static_cast<uint32_t>(-21));
    WriteBytes(F.Fixture, L"", L"Raw1", REG_BINARY, TBytes{1, 1});
    F.Fixture.WriteDword(L"", L"ScanAtStartup", 1);
    F.Fixture.WriteString(L"", L"Where", L"C:\\Scan\\Here", REG_EXPAND_SZ);
    F.Fixture.WriteDword(L"Alpha", L"Two", 2);
    F.Fixture.WriteString(L"Alpha\\Scanner", L"Deep", L"one");
    F.Fixture.CreateKey(L"Beta");
  }
};

}  // namespace

TEST_CASE("Search: each option with and without text, recursive or not, depth first") {
  TSearchTree T;
  const std::wstring& P = T.P;
  struct TCase {
    const char* What;
    std::wstring Text;
    TSearchOption Option;
    bool Recursive;
    TList Expected;
  };
  const std::vector<TCase> Cases = {
      {"empty text, values of the key", L"", TSearchOption::opValue, false,
       {P + L"\\Count", P + L"\\Label", P + L"\\Negative", P + L"\\Raw1", P + L"\\ScanAtStartup", P + L"\\Where"}},
      {"empty text, values of the subtree", L"", TSearchOption::opValue, true,
       {P + L"\\Count", P + L"\\Label", P + L"\\Negative", P + L"\\Raw1", P + L"\\ScanAtStartup", P + L"\\Where",
        P + L"\\Alpha\\Two", P + L"\\Alpha\\Scanner\\Deep"}},
      {"empty text under opData lists every value too", L"", TSearchOption::opData, false,
       {P + L"\\Count", P + L"\\Label", P + L"\\Negative", P + L"\\Raw1", P + L"\\ScanAtStartup", P + L"\\Where"}},
      {"empty text, subkeys of the key", L"", TSearchOption::opKey, false, {P + L"\\Alpha", P + L"\\Beta"}},
      {"empty text, subkeys of the subtree, each before its own subtree", L"", TSearchOption::opKey, true,
       {P + L"\\Alpha", P + L"\\Alpha\\Scanner", P + L"\\Beta"}},
      {"names without regard to A-Z case", L"SCAN", TSearchOption::opValue, true, {P + L"\\ScanAtStartup"}},
      {"names only under opValue", L"temp", TSearchOption::opValue, true, {}},
      {"data: decimal DWORDs and text holding 1", L"1", TSearchOption::opData, false,
       {P + L"\\Count", P + L"\\Negative", P + L"\\ScanAtStartup"}},
      {"data: expandable text without regard to case", L"scan\\", TSearchOption::opData, false, {P + L"\\Where"}},
      {"data: the minus sign of a DWORD", L"-2", TSearchOption::opData, false, {P + L"\\Negative"}},
      {"data: binary values never match a text", L"01", TSearchOption::opData, false, {}},
      {"name or data", L"scan", TSearchOption::opValueData, false, {P + L"\\ScanAtStartup", P + L"\\Where"}},
      {"name or data, subtree", L"e", TSearchOption::opValueData, true,
       {P + L"\\Label", P + L"\\Negative", P + L"\\Where", P + L"\\Alpha\\Scanner\\Deep"}},
      {"letters outside A to Z are compared exactly", L"\u00E9t\u00E9", TSearchOption::opData, false, {}},
      {"accented capitals match themselves", L"\u00C9t\u00C9", TSearchOption::opData, false, {P + L"\\Label"}},
      {"keys by name", L"scan", TSearchOption::opKey, true, {P + L"\\Alpha\\Scanner"}},
      {"keys never list values", L"count", TSearchOption::opKey, true, {}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    T.F.Store.Search(L"", Case.Text, Case.Option, Case.Recursive);
    CHECK(T.F.Store.EntriesFound() == Case.Expected);
  }

  // A search below a subkey names hits by their full path.
  T.F.Store.Search(L"Alpha\\", L"", TSearchOption::opValue, true);
  CHECK(T.F.Store.EntriesFound() == TList{P + L"\\Alpha\\Two", P + L"\\Alpha\\Scanner\\Deep"});
}

TEST_CASE("Search: a missing key finds nothing; a store without a key keeps the last hits") {
  TSearchTree T;
  T.F.Store.Search(L"", L"", TSearchOption::opKey, false);
  REQUIRE(T.F.Store.EntriesFound().size() == 2);
  T.F.Store.Search(L"Missing", L"", TSearchOption::opValue, true);
  CHECK(T.F.Store.EntriesFound().empty());

  T.F.Store.Search(L"", L"", TSearchOption::opKey, false);
  T.F.Store.SetKey(L"");
  T.F.Store.Search(L"", L"", TSearchOption::opValue, true);
  CHECK(T.F.Store.EntriesFound().size() == 2);
}

TEST_CASE("a key saved with = and loaded into another key comes back as text values") {
  TStoreFixture F;
  F.Fixture.WriteDword(L"Source", L"Eight", 8);
  F.Fixture.WriteString(L"Source", L"Folder", L"C:\\Temp");
  WriteBytes(F.Fixture, L"Source", L"Raw", REG_BINARY, TBytes{1, 2, 3});
  F.Fixture.WriteString(L"Source", L"Spread", L"%TEMP%", REG_EXPAND_SZ);
  F.Fixture.WriteString(L"Source", L"Sub\\Name", L"kept");
  F.Fixture.WriteString(L"Source\\Child", L"NotSaved", L"x");

  TTempDir Temp;
  const std::wstring File = Temp / L"content.txt";
  F.Store.SaveKeyContentToFile(L"Source", File, L"=");
  CHECK(FileBytes(File) == "Eight=8\r\nFolder=C:\\Temp\r\nRaw=\r\nSpread=%TEMP%\r\nSub\\Name=kept\r\n");

  F.Store.LoadKeyContentFromFile(L"Target", File, L"=");
  CHECK(F.Fixture.ValueNames(L"Target") == TList{L"Eight", L"Folder", L"Raw", L"Spread", L"Sub\\Name"});
  CHECK(StoredText(F.Fixture, L"Target", L"Eight") == L"8");
  CHECK(StoredText(F.Fixture, L"Target", L"Folder") == L"C:\\Temp");
  CHECK(StoredText(F.Fixture, L"Target", L"Raw") == L"");
  CHECK(StoredText(F.Fixture, L"Target", L"Spread") == L"%TEMP%");
  CHECK(StoredText(F.Fixture, L"Target", L"Sub\\Name") == L"kept");
  CHECK_FALSE(F.Fixture.KeyExists(L"Target\\Child"));
  CHECK_FALSE(F.Fixture.KeyExists(L"Target\\Sub"));
}

TEST_CASE("loading takes only lines with exactly one separator") {
  TStoreFixture F;
  TTempDir Temp;
  struct TCase {
    const char* What;
    std::string Content;
    std::wstring Separator;
    TList Names;
    TList Texts;
  };
  const std::vector<TCase> Cases = {
      {"a line with the separator twice is skipped", "a=1\r\nb=2=3\r\nc=\r\n", L"=", {L"a", L"c"}, {L"1", L""}},
      {"a line without it is skipped, the last line needs no line end", "nothing\nd=4", L"=", {L"d"}, {L"4"}},
      {"a separator of letters ignores case", "eSEPf\r\ngsepSEPh\r\n", L"sep", {L"e"}, {L"f"}},
      {"a separator of other characters is exact", "i::j\r\nk: :l\r\n", L"::", {L"i"}, {L"j"}},
      {"ANSI text without a byte-order mark", "m=caf\xE9\r\n", L"=", {L"m"}, {AnsiToWide("caf\xE9")}},
      {"UTF-8 after its byte-order mark", "\xEF\xBB\xBFn=caf\xC3\xA9\r\n", L"=", {L"n"}, {L"caf\u00E9"}},
      {"UTF-16 after its byte-order mark", std::string("\xFF\xFEo\0=\0\xE9\0\r\0\n\0", 12), L"=", {L"o"},
       {L"\u00E9"}},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(Case.What);
    const std::wstring File = Temp.MakeFile(L"lines.txt", Case.Content);
    F.Fixture.CreateKey(L"Load");
    F.Store.LoadKeyContentFromFile(L"Load", File, Case.Separator);
    REQUIRE(F.Fixture.ValueNames(L"Load") == Case.Names);
    for (size_t i = 0; i < Case.Names.size(); ++i) CHECK(StoredText(F.Fixture, L"Load", Case.Names[i]) == Case.Texts[i]);
    RegDeleteTreeW(HKEY_CURRENT_USER, F.Fixture.Sub(L"Load").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, F.Fixture.Sub(L"Load").c_str());
  }
}

TEST_CASE("file errors raise the file message only when asked to") {
  TStoreFixture F;
  F.Fixture.WriteString(L"Source", L"A", L"a");
  TTempDir Temp;
  const std::wstring NoFolder = Temp / L"missing\\x.txt";

  F.Store.SaveKeyContentToFile(L"Source", NoFolder, L"=");
  F.Store.LoadKeyContentFromFile(L"Target", NoFolder, L"=");
  CHECK_FALSE(F.Fixture.KeyExists(L"Target"));

  F.Store.SetRaiseExceptions(true);
  CHECK(ThrownMessage<ERegistryEnhanced>([&] { F.Store.SaveKeyContentToFile(L"Source", NoFolder, L"="); }) ==
        L"Can't open file.");
  CHECK(ThrownMessage<ERegistryEnhanced>([&] { F.Store.LoadKeyContentFromFile(L"Target", NoFolder, L"="); }) ==
        L"Can't open file.");
  F.Store.SetLangType(TLangType::ltFrench);
  CHECK(ThrownMessage<ERegistryEnhanced>([&] { F.Store.LoadKeyContentFromFile(L"Target", NoFolder, L"="); }) ==
        L"Impossible d'ouvrir le fichier.");
  F.Store.SetLangType(TLangType::ltEnglish);
  CHECK_FALSE(F.Fixture.KeyExists(L"Target"));

  // A key that is not there writes no file, and is no error.
  CHECK_NOTHROW(F.Store.SaveKeyContentToFile(L"Missing", Temp / L"none.txt", L"="));
  CHECK_FALSE(FileExists(Temp / L"none.txt"));
}
