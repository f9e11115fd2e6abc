#include <doctest.h>

#include "framework/FileSystem.h"
#include "framework/FolderHandle.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <windows.h>

#include <string>

namespace {

UniqueFile OpenAny(const std::wstring& Path) {
  return UniqueFile(CreateFileW(LongPathForm(Path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

// The protected-folder check leaves out the costly full identity of every
// folder whose file ID alone differs from the one sought: that holds only
// while the file ID alone is the one the full identity carries.
TEST_CASE("a file ID asked alone is the one the full identity carries, for files, folders and drive roots") {
  TTempDir Dir;
  wchar_t Windows[MAX_PATH] = L"";
  REQUIRE(GetWindowsDirectoryW(Windows, MAX_PATH) > 0);
  const std::wstring Folder = Dir.MakeDir(L"folder");
  const struct {
    const char* Name;
    std::wstring Path;
  } Cases[] = {
      {"a folder", Folder},
      {"a file in it", Dir.MakeFile(L"folder\\file.tmp", 3)},
      {"another folder", Dir.MakeDir(L"other")},
      {"the temp folder's drive root", Dir.Path().substr(0, 3)},
      {"the Windows folder", Windows},
  };
  uint64_t FolderFile = 0;
  for (const auto& Case : Cases) {
    CAPTURE(std::string(Case.Name));
    const UniqueFile Handle = OpenAny(Case.Path);
    REQUIRE(Handle.valid());
    TFileIdentity Identity;
    REQUIRE(IdentityOf(Handle.get(), Identity));
    uint64_t File = 0;
    REQUIRE(FileIndexOf(Handle.get(), File));
    CHECK(File == Identity.File);
    // It tells entries apart: it is not one value for all.
    if (Case.Path == Folder)
      FolderFile = File;
    else
      CHECK(File != FolderFile);
  }
}
