#include <doctest.h>

#include "search/FileDetails.h"
#include "support/TempDir.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

WIN32_FIND_DATAW Listed(const std::wstring& Name, uint64_t Size, uint64_t LastWrite, DWORD Attributes = 0) {
  WIN32_FIND_DATAW Data{};
  Data.dwFileAttributes = Attributes == 0 ? FILE_ATTRIBUTE_ARCHIVE : Attributes;
  Data.nFileSizeHigh = static_cast<DWORD>(Size >> 32);
  Data.nFileSizeLow = static_cast<DWORD>(Size);
  Data.ftLastWriteTime = {static_cast<DWORD>(LastWrite), static_cast<DWORD>(LastWrite >> 32)};
  Name.copy(Data.cFileName, MAX_PATH - 1);
  return Data;
}

struct TExpected {
  std::wstring Path;
  bool Known;
  int64_t Size;
  uint64_t LastWrite;
};

void CheckFound(const TListedFileDetails& Details, const std::vector<TExpected>& Expected) {
  for (const TExpected& File : Expected) {
    CAPTURE(File.Path);
    int64_t Size = -1;
    uint64_t LastWrite = 0;
    REQUIRE(Details.Find(File.Path, Size, LastWrite) == File.Known);
    if (!File.Known) continue;
    CHECK(Size == File.Size);
    CHECK(LastWrite == File.LastWrite);
  }
}

}  // namespace

TEST_CASE("the details of listed files are found in any order, a later listing of a folder winning") {
  TListedFileDetails Details;
  Details.Entry(L"C:\\t", Listed(L"a.tmp", 10, 100));
  Details.Entry(L"C:\\t", Listed(L"sub", 0, 0, FILE_ATTRIBUTE_DIRECTORY));
  Details.Entry(L"C:\\t", Listed(L"b.log", 5'000'000'000ull, 200));
  Details.Entry(L"C:\\t\\sub", Listed(L"a.tmp", 30, 300));
  // A drive root ends in its separator already; names differ from their folder's only by a separator.
  Details.Entry(L"C:\\", Listed(L"ta.tmp", 40, 400));
  // The first folder listed again: what it says now counts.
  Details.Entry(L"C:\\t", Listed(L"a.tmp", 11, 111));

  SUBCASE("in the order listed") {
    CheckFound(Details, {{L"C:\\t\\a.tmp", true, 11, 111},
                         {L"C:\\t\\b.log", true, 5'000'000'000ll, 200},
                         {L"C:\\t\\sub\\a.tmp", true, 30, 300},
                         {L"C:\\ta.tmp", true, 40, 400}});
  }
  SUBCASE("in another order, as a search of several patterns gives them") {
    CheckFound(Details, {{L"C:\\ta.tmp", true, 40, 400},
                         {L"C:\\t\\sub\\a.tmp", true, 30, 300},
                         {L"C:\\t\\b.log", true, 5'000'000'000ll, 200},
                         {L"C:\\t\\a.tmp", true, 11, 111}});
  }
  SUBCASE("a folder is no file, and unlisted paths are read from the disk") {
    CheckFound(Details, {{L"C:\\t\\sub", false, 0, 0},
                         {L"C:\\t\\A.TMP", false, 0, 0},
                         {L"C:\\t\\a.tm", false, 0, 0},
                         {L"C:\\t\\sub\\b.log", false, 0, 0}});
  }
}

TEST_CASE("a file no listing showed is read from the file itself") {
  TTempDir Temp;
  const std::wstring File = Temp.MakeFile(L"unlisted.tmp", 1234);
  TListedFileDetails Details;
  Details.Entry(Temp.Path(), Listed(L"other.tmp", 1, 1));
  int64_t Size = -1;
  uint64_t LastWrite = 0;
  REQUIRE(Details.Find(File, Size, LastWrite));
  CHECK(Size == 1234);
  CHECK(LastWrite > 0);
}

TEST_CASE("tens of thousands of listed files, as a large folder tree gives them, are all found") {
  TListedFileDetails Details;
  std::vector<TExpected> Expected;
  for (int Folder = 0; Folder < 300; ++Folder) {
    const std::wstring Path = L"C:\\tree\\folder" + std::to_wstring(Folder);
    for (int File = 0; File < 100; ++File) {
      const auto Size = static_cast<uint64_t>(Folder * 1000 + File);
      Details.Entry(Path, Listed(L"file" + std::to_wstring(File) + L".tmp", Size, Size * 7));
      Expected.push_back({Path + L"\\file" + std::to_wstring(File) + L".tmp", true, static_cast<int64_t>(Size), Size * 7});
    }
  }
  // Every other file first, then the rest: both the listing's order and not.
  std::vector<TExpected> Order;
  for (size_t i = 0; i < Expected.size(); i += 2) Order.push_back(Expected[i]);
  for (size_t i = 1; i < Expected.size(); i += 2) Order.push_back(Expected[i]);
  CheckFound(Details, Order);
  CheckFound(Details, Expected);
}
