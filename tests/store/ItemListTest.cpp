// The lists kept as "Item<n>" values: the one reading of their names, what
// they read as whatever a tool or a person left under them, and keys that
// may be read but not written, or not read at all.

#include "StoreTestSupport.h"

#include "store/DurableValues.h"
#include "store/ItemList.h"
#include "store/ItemNumber.h"
#include "store/Policies.h"
#include "support/KeyAccess.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <thread>

namespace {

// A name of random code units: digits of several scripts, surrogates halves,
// separators and the letters of "Item", so that near misses are common.
std::wstring RandomName(std::mt19937& Random, size_t MaxLength) {
  static const wchar_t Pieces[] = {L'I', L'i', L't', L'T', L'e', L'E', L'm', L'M', L'0', L'1', L'7', L'9',
                                   L'\x0661', L'\x06F3', L'\x0966', L'\xFF11', L'\xD800', L'\xDC00', L'\\',
                                   L' ', L'-', L'+', L'.', L'\x00E9', L'\xFFFF'};
  std::wstring Name = Random() % 2 == 0 ? L"Item" : L"";
  const size_t Length = Random() % (MaxLength + 1);
  for (size_t i = 0; i < Length; ++i)
    Name += Random() % 4 == 0 ? static_cast<wchar_t>(1 + Random() % 0xFFFE) : Pieces[Random() % std::size(Pieces)];
  return Name;
}

// What ItemNumber must give, computed another way: the digits after "item"
// in any case of A to Z, as a number that fits a signed 32-bit integer.
std::optional<int32_t> ExpectedNumber(const std::wstring& Name) {
  if (Name.size() <= 4) return std::nullopt;
  for (size_t i = 0; i < 4; ++i)
    if (towlower(Name[i]) != L"item"[i] || Name[i] > 0x7F) return std::nullopt;
  const std::wstring Digits = Name.substr(4);
  if (!std::all_of(Digits.begin(), Digits.end(), [](wchar_t C) { return C >= L'0' && C <= L'9'; }))
    return std::nullopt;
  const size_t First = std::min(Digits.find_first_not_of(L'0'), Digits.size());
  if (Digits.size() - First > 10) return std::nullopt;
  const long long Number = First == Digits.size() ? 0 : std::stoll(Digits.substr(First));
  if (Number > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(Number);
}

// Data of a random registry type and length, odd lengths and missing zeros included.
void WriteRandomValue(TRegistryFixture& Fixture, const std::wstring& Relative, const std::wstring& Name,
                      std::mt19937& Random, bool Huge) {
  static const DWORD Types[] = {REG_NONE,     REG_SZ,   REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
                                REG_LINK,     REG_MULTI_SZ, REG_RESOURCE_LIST, REG_QWORD, 0x12345, 0xFFFFFFFF};
  const DWORD Type = Types[Random() % std::size(Types)];
  size_t Size = 0;
  switch (Random() % 6) {
    case 0: Size = 0; break;
    case 1: Size = 4; break;
    case 2: Size = 1 + Random() % 9; break;
    case 3: Size = Random() % 600; break;
    case 4: Size = 2 * (Random() % 300); break;
    case 5: Size = Random() % 5000; break;
  }
  if (Huge) Size = (1 << 20) + Random() % 3;
  TBytes Data(Size);
  for (uint8_t& Byte : Data) Byte = static_cast<uint8_t>(Random() % 3 == 0 ? 0 : Random());
  WriteBytes(Fixture, Relative, Name, Type, Data);
}

}  // namespace

TEST_CASE("list entries are numbered by the ASCII digits after \"Item\" alone") {
  const struct {
    std::wstring Name;
    std::optional<int32_t> Number;
  } Cases[] = {
      {L"Item0", 0},          {L"Item1", 1},         {L"item7", 7},          {L"ITEM12", 12},
      {L"Item007", 7},        {L"Item2147483647", INT32_MAX},                {L"Item00000000002147483647", INT32_MAX},
      {L"Item2147483648", std::nullopt},             {L"Item99999999999999999999", std::nullopt},
      {L"Item\x0661", std::nullopt},                 {L"Item1\x0662", std::nullopt},
      {L"Item\xFF11", std::nullopt},                 {L"Item\x00B2", std::nullopt},
      {L"Item", std::nullopt}, {L"Item-1", std::nullopt}, {L"Item+1", std::nullopt}, {L"Item 1", std::nullopt},
      {L"Item1 ", std::nullopt}, {L"It\x00E9m1", std::nullopt}, {L"\x0130tem1", std::nullopt},
      {L"Folder3", std::nullopt}, {L"1", std::nullopt}, {L"", std::nullopt},
      {std::wstring(L"Item1\0" L"2", 7), std::nullopt}, {L"Item\xD800\xDC00", std::nullopt},
      {L"Item1" + std::wstring(100000, L'0'), std::nullopt},
  };
  for (const auto& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Name.substr(0, 40)));
    CHECK(ItemNumber(Case.Name) == Case.Number);
  }

  std::vector<std::wstring> Names{L"Other", L"Item10", L"Item\x0661", L"item2", L"Item1", L"Zz", L"ITEM0"};
  std::stable_sort(Names.begin(), Names.end(), [](const auto& A, const auto& B) { return ItemNameLess(A, B); });
  CHECK(Names == std::vector<std::wstring>{L"ITEM0", L"Item1", L"item2", L"Item10", L"Other", L"Item\x0661", L"Zz"});

  // Thousands of names from a fixed seed, against a reading computed another way.
  std::mt19937 Random(32);
  for (int i = 0; i < 5000; ++i) {
    const std::wstring Name = RandomName(Random, i % 50 == 0 ? 400 : 14);
    CAPTURE(i);
    CHECK(ItemNumber(Name) == ExpectedNumber(Name));
  }
}

TEST_CASE("stored lists read whatever was left under their keys, without an error") {
  TStoreFixture F;
  std::mt19937 Random(3232);
  for (int Round = 0; Round < 12; ++Round) {
    CAPTURE(Round);
    for (const wchar_t* Key : {L"Locations", L"Keep"}) {
      RegDeleteTreeW(HKEY_CURRENT_USER, F.Fixture.Sub(Key).c_str());
      F.Fixture.CreateKey(Key);
      for (int i = 0; i < 40; ++i)
        WriteRandomValue(F.Fixture, Key, RandomName(Random, i == 0 ? 16000 : 12), Random, i == 1);
      // The hostile names and data a person or a tool may leave.
      WriteBytes(F.Fixture, Key, L"Item\x0661", REG_SZ, TextBytes(L"C:\\arabic-indic one"));
      WriteBytes(F.Fixture, Key, L"Item99999999999", REG_SZ, TextBytes(L"C:\\too big"));
      WriteBytes(F.Fixture, Key, L"Item3", REG_DWORD, DwordBytes(3));
      WriteBytes(F.Fixture, Key, L"Item4", REG_SZ, {0x41});  // half a character
      WriteBytes(F.Fixture, Key, L"Item5\\x", REG_SZ, TextBytes(L"C:\\backslash in the name"));
    }
    std::vector<std::wstring> Folders, Kept;
    CHECK_NOTHROW(Folders = LoadItemList(F.Store, L"Locations"));
    CHECK_NOTHROW(Kept = LoadItemList(F.Store, KeepListKey));
    CHECK(Folders.size() == F.Fixture.ValueNames(L"Locations").size());
    CHECK(Kept.size() == F.Fixture.ValueNames(L"Keep").size());
    for (const std::wstring& Entry : Folders) CHECK(Entry.find(L'\0') == std::wstring::npos);
    CHECK(std::find(Folders.begin(), Folders.end(), L"3") != Folders.end());
    CHECK(std::find(Folders.begin(), Folders.end(), L"C:\\backslash in the name") != Folders.end());

    // The same keys as an administrator's policies: every reading ends, well formed.
    const TPolicyRoots Roots{HKEY_CURRENT_USER, F.Fixture.KeyPath(), HKEY_CURRENT_USER, F.Fixture.Sub(L"Keep")};
    TPolicies Policies;
    CHECK_NOTHROW(Policies = TPolicies::Read(Roots));
    for (const wchar_t* Name : {L"Locations", L"Keep"})
      if (const auto List = Policies.List(Name)) {
        CHECK_FALSE(List->empty());
        for (const std::wstring& Entry : *List) CHECK_FALSE(Entry.empty());
      }
    for (const TPolicyIssue& Issue : Policies.Ignored()) CHECK_FALSE(Issue.Reason.empty());
  }
}

TEST_CASE("a list whose key may be read but not written is read; one that may not be read is said, not empty") {
  TStoreFixture F;
  const std::vector<std::wstring> Stored{L"C:\\one", L"C:\\two", L"C:\\three"};
  SaveItemList(F.Store, L"Locations", Stored);
  const std::wstring Path = F.Fixture.Sub(L"Locations");
  {
    TKeyAccess ReadOnly(Path, L"D:(A;;KR;;;WD)");
    REQUIRE_MESSAGE(AccessIsChecked(Path), "this system does not check registry access lists: nothing to test");
    CHECK(LoadItemList(F.Store, L"Locations") == Stored);
  }
  {
    TKeyAccess NoAccess(Path, L"D:(D;;KA;;;WD)");
    const std::wstring Message = ThrownMessage<EListUnreadable>([&] { LoadItemList(F.Store, L"Locations"); });
    CHECK(Message.rfind(L"The registry key \"" + Path + L"\" cannot be read: ", 0) == 0);
  }
  CHECK(LoadItemList(F.Store, L"Locations") == Stored);
  // No key at all is an empty list, not an error.
  CHECK(LoadItemList(F.Store, L"NotThere").empty());
}

TEST_CASE("a save or a read never drops the journal that another live writer still holds its turn for") {
  TStoreFixture F;
  const std::wstring Path = F.Fixture.Sub(L"Locations");
  SaveItemList(F.Store, L"Locations", {L"C:\\old"});
  // Another writer, half-way: its journal holds part of its list, no mark yet.
  F.Fixture.WriteString(L"Locations.saving", L"Item0", L"C:\\new");

  UniqueKernelObject Holding(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueKernelObject Done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  REQUIRE(Holding.valid());
  REQUIRE(Done.valid());
  const std::wstring Name = KeyTurnName(HKEY_CURRENT_USER, Path);
  CHECK(Name.rfind(L"Global\\Brenlow.Marrowby.Save.", 0) == 0);
  CHECK(KeyTurnName(HKEY_CURRENT_USER, F.Fixture.Sub(L"LOCATIONS")) == Name);
  CHECK(KeyTurnName(HKEY_CURRENT_USER, F.Fixture.Sub(L"Keep")) != Name);
  std::thread Writer([&] {
    UniqueKernelObject Turn(CreateMutexW(nullptr, TRUE, Name.c_str()));
    SetEvent(Holding.get());
    WaitForSingleObject(Done.get(), INFINITE);
    if (Turn) ReleaseMutex(Turn.get());
  });
  struct TFinish {
    std::thread& Writer;
    HANDLE Done;
    ~TFinish() {
      SetEvent(Done);
      Writer.join();
    }
  } Finish{Writer, Done.get()};
  REQUIRE(WaitForSingleObject(Holding.get(), 30000) == WAIT_OBJECT_0);

  FinishKeyValues(HKEY_CURRENT_USER, Path, 0);
  CHECK(F.Fixture.KeyExists(L"Locations.saving"));
  const std::wstring Refusal = ThrownMessage<ERegistryException>(
      [&] { ReplaceKeyValues(HKEY_CURRENT_USER, Path, {TStoredValue::Text(L"Item0", L"C:\\mine")}, 0); });
  CHECK(Refusal.find(L"another Marrowby is saving there") != std::wstring::npos);
  CHECK(F.Fixture.KeyExists(L"Locations.saving"));
  CHECK(StoredText(F.Fixture, L"Locations", L"Item0") == L"C:\\old");

  // Once the writer is gone, what it left is a leftover: dropped, the old list stays.
  SetEvent(Done.get());
  Writer.join();
  Writer = std::thread([] {});
  FinishKeyValues(HKEY_CURRENT_USER, Path, 0);
  CHECK_FALSE(F.Fixture.KeyExists(L"Locations.saving"));
  CHECK(LoadItemList(F.Store, L"Locations") == std::vector<std::wstring>{L"C:\\old"});
}
