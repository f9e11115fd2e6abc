#include <doctest.h>

#include "app/DisposableCatalogue.h"
#include "app/DisposableFolders.h"
#include "app/ProtectedFolders.h"
#include "framework/FileSystem.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"
#include "FindFoldersFixture.h"
#include "Links.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// The file system of the expansion's own tests: folders by path, each with
// its subfolders (a name ending in "@" is a link).
TLocationSystem FakeSystem(std::map<std::wstring, std::wstring> Bases,
                           std::map<std::wstring, std::vector<std::wstring>> Folders) {
  TLocationSystem System;
  System.BaseFolder = [Bases](const std::wstring& Base) -> std::optional<std::wstring> {
    const auto Found = Bases.find(Base);
    if (Found == Bases.end()) return std::nullopt;
    return Found->second;
  };
  System.Subfolders = [Folders](const std::wstring& Folder) {
    std::vector<TListedSubfolder> Result;
    const auto Found = Folders.find(Folder);
    if (Found == Folders.end()) return Result;
    for (const std::wstring& Name : Found->second) {
      const bool Link = !Name.empty() && Name.back() == L'@';
      Result.push_back({Link ? Name.substr(0, Name.size() - 1) : Name, Link});
    }
    return Result;
  };
  return System;
}

std::vector<TDisposableLocation> Entries(const std::wstring& Text) {
  std::vector<TCatalogueError> Errors;
  std::vector<TDisposableLocation> Catalogue = ParseDisposableCatalogue(Text, &Errors);
  REQUIRE(Errors.empty());
  return Catalogue;
}

std::wstring Entry(const std::wstring& Where) {
  return L"[X]\nDescription=d\nWhere=" + Where + L"\nSafe=s\n";
}

// "path" for an offered candidate, "path ! refusal" otherwise.
std::vector<std::wstring> Shown(const std::vector<TLocationCandidate>& Candidates) {
  std::vector<std::wstring> Result;
  for (const TLocationCandidate& Candidate : Candidates)
    Result.push_back(Candidate.Refusal.empty() ? Candidate.Path : Candidate.Path + L" ! " + Candidate.Refusal);
  return Result;
}

std::vector<std::wstring> Shown(const std::vector<TFoundLocation>& Found, const std::wstring& Root) {
  std::vector<std::wstring> Result;
  for (const TFoundLocation& Location : Found) {
    const std::wstring Path = Location.Path.rfind(Root, 0) == 0 ? Location.Path.substr(Root.size() + 1) : Location.Path;
    Result.push_back(Location.Offered() ? Path : Path + L" ! " + Location.Refusal);
  }
  return Result;
}

}  // namespace

TEST_CASE("the catalogue text: every block the program carries is whole, broken blocks are named") {
  SUBCASE("the program's own catalogue") {
    const std::vector<TDisposableLocation>& Catalogue = DisposableCatalogue();
    REQUIRE(Catalogue.size() >= 20);
    for (const TDisposableLocation& Location : Catalogue) {
      CAPTURE(Location.Name);
      CHECK_FALSE(Location.Description.empty());
      CHECK_FALSE(Location.Safe.empty());
      const bool Known = KnownFolderOfBase(Location.Base) != nullptr || Location.Base == L"Temp";
      CHECK(Known);
    }
    // Only the temporary folders start ticked.
    std::vector<std::wstring> Ticked;
    for (const TDisposableLocation& Location : Catalogue)
      if (Location.Temporary) Ticked.push_back(Location.Name);
    CHECK(Ticked == std::vector<std::wstring>{L"Temporary files", L"Windows temporary files"});
  }
  SUBCASE("blocks that cannot be taken") {
    const struct {
      const wchar_t* Where;
      bool Taken;
    } Cases[] = {
        {L"{LocalAppData}\\CrashDumps", true},
        {L"%TEMP%", true},
        {L"{LocalAppData}\\A\\*\\Cache", true},
        {L"{LocalAppData}\\..\\Roaming", false},
        {L"{LocalAppData}\\.\\x", false},
        {L"{LocalAppData}\\a*b", false},
        {L"{LocalAppData}\\a\\\\b", false},
        {L"{LocalAppData}\\a.", false},
        {L"{LocalAppData}\\C:x", false},
        {L"{LocalAppData}x", false},
        {L"C:\\Temp", false},
        {L"{}\\x", false},
        {L"%TEMP", false},
    };
    for (const auto& Case : Cases) {
      CAPTURE(std::wstring(Case.Where));
      std::vector<TCatalogueError> Errors;
      const auto Catalogue = ParseDisposableCatalogue(Entry(Case.Where), &Errors);
      CHECK(Catalogue.size() == (Case.Taken ? 1u : 0u));
      CHECK(Errors.empty() == Case.Taken);
    }
    std::vector<TCatalogueError> Errors;
    CHECK(ParseDisposableCatalogue(L"[X]\nWhere={Temp}\nSafe=s\n[Y]\nDescription=d\nWhere={Temp}\nSafe=s\nColour=red\n",
                                   &Errors)
              .empty());
    REQUIRE(Errors.size() == 2);
    CHECK(Errors[0].Line == 1);
    CHECK(Errors[1].Line == 8);
  }
}

TEST_CASE("the expansion: stars, links, missing bases and paths too long") {
  const TLocationSystem System = FakeSystem(
      {{L"LocalAppData", L"C:\\L"}, {L"%ROOTED%", L"C:\\"}},
      {{L"C:\\L\\B\\User Data", {L"Default", L"Profile 1", L"Moved@"}}, {L"C:\\L\\Empty", {}}});
  const struct {
    const wchar_t* Where;
    size_t Longest;
    std::vector<std::wstring> Expected;
  } Cases[] = {
      {L"{LocalAppData}\\CrashDumps", LongestLocationPath, {L"C:\\L\\CrashDumps"}},
      {L"{LocalAppData}", LongestLocationPath, {L"C:\\L"}},
      {L"%ROOTED%\\x", LongestLocationPath, {L"C:\\x"}},
      {L"{LocalAppData}\\B\\User Data\\*\\Cache",
       LongestLocationPath,
       {L"C:\\L\\B\\User Data\\Moved\\Cache ! a link or junction: what it leads to is not offered",
        L"C:\\L\\B\\User Data\\Default\\Cache", L"C:\\L\\B\\User Data\\Profile 1\\Cache"}},
      {L"{LocalAppData}\\Empty\\*\\Cache", LongestLocationPath, {}},
      {L"{LocalAppData}\\Nowhere\\*", LongestLocationPath, {}},
      {L"{RoamingAppData}\\x", LongestLocationPath, {}},
      {L"{LocalAppData}\\CrashDumps", 15, {L"C:\\L\\CrashDumps"}},
      {L"{LocalAppData}\\CrashDumps", 14, {L"C:\\L\\CrashDumps ! the path is too long for the system"}},
  };
  for (const auto& Case : Cases) {
    CAPTURE(std::wstring(Case.Where));
    CHECK(Shown(ExpandLocations(Entries(Entry(Case.Where)), System, Case.Longest)) == Case.Expected);
  }
}

TEST_CASE("a star that matches a thousand profiles gives each of them once") {
  std::vector<std::wstring> Profiles;
  for (int i = 0; i < 1000; ++i) Profiles.push_back(L"Profile " + std::to_wstring(i));
  const TLocationSystem System = FakeSystem({{L"LocalAppData", L"C:\\L"}}, {{L"C:\\L\\U", Profiles}});
  const auto Candidates = ExpandLocations(Entries(Entry(L"{LocalAppData}\\U\\*\\Cache")), System);
  REQUIRE(Candidates.size() == 1000);
  CHECK(Candidates.front().Path == L"C:\\L\\U\\Profile 0\\Cache");
  CHECK(Candidates.back().Path == L"C:\\L\\U\\Profile 999\\Cache");
}

TEST_CASE("no entry of the catalogue is a folder Delete never empties, nor holds one") {
  // Every entry made in a profile laid out as Windows lays it out, with
  // every folder Delete protects in its place: each is found and offered.
  TFindFoldersProfile Profile;
  REQUIRE(Profile.LayoutComplete());
  const std::vector<TDisposableLocation>& Catalogue = DisposableCatalogue();
  std::vector<std::wstring> Expected;
  for (const TDisposableLocation& Location : Catalogue) {
    std::wstring Path = *Profile.Base(Location.Base);
    for (const std::wstring& Element : Location.Path) Path = JoinPath(Path, Element == L"*" ? L"Default" : Element);
    Profile.Dir.MakeDir(Path.substr(Profile.Dir.Path().size() + 1));
    Expected.push_back(Path.substr(Profile.Dir.Path().size() + 1));
  }
  const auto Found = FindDisposableFolders(Catalogue, Profile.System(), Profile.Protected());
  CHECK(Shown(Found, Profile.Dir.Path()) == Expected);

  SUBCASE("the check refuses what would be a fault in the catalogue") {
    const struct {
      const wchar_t* Where;
      const wchar_t* Made;
      const wchar_t* Refusal;
    } Faults[] = {
        {L"{LocalAppData}", L"Users\\me\\AppData\\Local",
         L"Delete never empties it: the user's Local application data folder"},
        {L"{RoamingAppData}\\Microsoft", L"Users\\me\\AppData\\Roaming\\Microsoft",
         L"Delete never empties it: a folder that holds the Start Menu folder"},
        {L"{Windows}\\Fonts", L"Windows\\Fonts", L"Delete never empties it: the Fonts folder"},
        {L"{Windows}\\Logs", L"Windows\\Logs", L"Delete never empties it: a folder inside the Windows folder"},
        {L"{ProgramData}", L"ProgramData", L"Delete never empties it: the ProgramData folder"},
    };
    for (const auto& Fault : Faults) {
      CAPTURE(std::wstring(Fault.Where));
      Profile.Dir.MakeDir(Fault.Made);
      const auto Refused = FindDisposableFolders(Entries(Entry(Fault.Where)), Profile.System(), Profile.Protected());
      CHECK(Shown(Refused, Profile.Dir.Path()) ==
            std::vector<std::wstring>{std::wstring(Fault.Made) + L" ! " + Fault.Refusal});
    }
  }
}

TEST_CASE("finding on the folders themselves: absent ones left out, links never offered") {
  TFindFoldersProfile Profile;
  const std::wstring Local = L"Users\\me\\AppData\\Local\\";
  for (const wchar_t* Made : {L"CrashDumps", L"Chrome\\User Data\\Default\\Cache", L"Chrome\\User Data\\Other\\Cache",
                              L"Elsewhere\\Cache", L"Target"})
    Profile.Dir.MakeDir(Local + Made);
  const bool Linked = MakeLink(Profile.Dir / (Local + L"D3DSCache"), L"Target", true) &&
                      MakeLink(Profile.Dir / (Local + L"Chrome\\User Data\\Linked"), L"../../Elsewhere", true) &&
                      MakeLink(Profile.Dir / (Local + L"Through"), L"Chrome", true);
  REQUIRE(Linked);
  const auto Catalogue = Entries(Entry(L"{LocalAppData}\\CrashDumps") + Entry(L"{LocalAppData}\\D3DSCache") +
                                 Entry(L"{LocalAppData}\\Chrome\\User Data\\*\\Cache") +
                                 Entry(L"{LocalAppData}\\Through\\User Data\\Default\\Cache") +
                                 Entry(L"{LocalAppData}\\pip\\cache"));
  const auto Found = FindDisposableFolders(Catalogue, Profile.System(), Profile.Protected());
  const std::vector<std::wstring> Expected{
      Local + L"CrashDumps",
      Local + L"D3DSCache ! a link or junction: what it leads to is not offered",
      Local + L"Chrome\\User Data\\Linked\\Cache ! a link or junction: what it leads to is not offered",
      Local + L"Chrome\\User Data\\Default\\Cache",
      Local + L"Chrome\\User Data\\Other\\Cache",
      Local + L"Through\\User Data\\Default\\Cache ! it lies behind a link or junction: \"" + Profile.Dir.Path() +
          L"\\" + Local + L"Through\"",
  };
  std::vector<std::wstring> Got = Shown(Found, Profile.Dir.Path());
  // The order of a folder's listing is the file system's.
  std::sort(Got.begin() + 2, Got.begin() + 5);
  std::vector<std::wstring> Want = Expected;
  std::sort(Want.begin() + 2, Want.begin() + 5);
  CHECK(Got == Want);
  // Finding deletes nothing: the links and what they lead to are all there.
  CHECK(DirectoryExists(Profile.Dir / (Local + L"Target")));
  CHECK(DirectoryExists(Profile.Dir / (Local + L"Elsewhere\\Cache")));
  RemoveLink(Profile.Dir / (Local + L"D3DSCache"));
  RemoveLink(Profile.Dir / (Local + L"Chrome\\User Data\\Linked"));
  RemoveLink(Profile.Dir / (Local + L"Through"));
}

TEST_CASE("a thousand profiles on disk are all found, and one folder named by two bases is found once") {
  TFindFoldersProfile Profile;
  for (int i = 0; i < 1000; ++i)
    Profile.Dir.MakeDir(L"Users\\me\\AppData\\Local\\B\\P" + std::to_wstring(i) + L"\\Cache");
  const auto Found =
      FindDisposableFolders(Entries(Entry(L"{LocalAppData}\\B\\*\\Cache")), Profile.System(), Profile.Protected());
  CHECK(Found.size() == 1000);
  CHECK(std::all_of(Found.begin(), Found.end(), [](const TFoundLocation& Location) { return Location.Offered(); }));

  Profile.Dir.MakeDir(L"Users\\me\\AppData\\Local\\Temp");
  const auto Twice = FindDisposableFolders(Entries(Entry(L"{Temp}") + Entry(L"{LocalAppData}\\Temp")),
                                           Profile.System(), Profile.Protected());
  REQUIRE(Twice.size() == 1);
  CHECK(Twice[0].Entry == 0);
}
