#include "search/FindWalk.h"

#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "framework/Text.h"
#include "search/FindPaths.h"
#include "search/VKRFileFind.h"
#include "search/VKRMatch.h"

#include <windows.h>

#include <limits>
#include <new>

namespace {

// The attributes an attribute word can let through; the others never filter.
constexpr DWORD FilteredAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool PassesWord(DWORD Attributes, uint16_t Word) {
  return (Attributes & FilteredAttributes & ~static_cast<DWORD>(Word)) == 0;
}

// A junction or symbolic link may lead to an ancestor (an endless walk) or
// out of the listed folder (where a later delete must never reach), so the
// walk never goes through one.
bool IsDescendable(DWORD Attributes, uint16_t DirWord) {
  return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
         PassesWord(Attributes, DirWord);
}

bool IsOutOfMemory(unsigned long ErrorCode) {
  return ErrorCode == ERROR_NOT_ENOUGH_MEMORY || ErrorCode == ERROR_OUTOFMEMORY;
}

void CollectSubfolders(TFolderListing& Listing, uint16_t DirWord, std::vector<std::wstring>& Subfolders,
                       TFindListingObserver* Observer, const std::wstring& Folder) {
  for (; Listing.HasEntry(); Listing.Next()) {
    const WIN32_FIND_DATAW& Entry = Listing.Entry();
    if (Observer != nullptr) Observer->Entry(Folder, Entry);
    if (!IsDotName(Entry.cFileName) && IsDescendable(Entry.dwFileAttributes, DirWord))
      Subfolders.emplace_back(Entry.cFileName);
  }
  if (Observer != nullptr && Listing.Opened()) Observer->Listed(Folder, Listing.EndError());
}

}  // namespace

TFindRun::TFindRun(TFindRunSettings Settings, TVKRMatch& Match, std::vector<std::wstring>& FilesFound,
                   std::vector<std::wstring>& HitsCountList, int32_t& HitsCount)
    : FSettings(std::move(Settings)),
      FMatch(Match),
      FFilesFound(FilesFound),
      FHitsCountList(HitsCountList),
      FHitsCount(HitsCount) {}

void TFindRun::Run() {
  const std::vector<std::wstring>& StartDirs = *FSettings.StartDirs;
  const std::vector<std::wstring>& Patterns = *FSettings.Patterns;
  // A relative start folder is relative to the one entered before it, as it
  // would be if each were made the current directory in turn.
  std::wstring Base = FSettings.BaseDirectory;
  const size_t StartCount = StartDirs.size();
  for (size_t s = 0; s < StartCount && !Stopped(); ++s) {
    const std::wstring Folder = ResolveDirectory(Base, StartDirs[s]);
    if (!CanEnterDirectory(Folder)) continue;
    Base = Folder;
    FLastStartEntered = Folder;
    for (size_t p = 0; p < Patterns.size() && !Stopped(); ++p) {
      FObserving = p == 0 && ListingObserver != nullptr;
      WalkPattern(Folder, Patterns[p]);
    }
  }
}

void TFindRun::WalkPattern(const std::wstring& Start, const std::wstring& Pattern) {
  // "*" and "*.*" match every name: one listing per folder then serves both
  // the entries and the subfolders.
  FListsEverything = Pattern == L"*" || Pattern == L"*.*";
  // A pattern is a name: with a path in it, the platform would list another
  // folder, whose entries would be reported under this one's path.
  FPatternNamesEntries = Pattern.find_first_of(L"\\/") == std::wstring::npos;

  struct TLevel {
    std::wstring Folder;
    std::vector<std::wstring> Subfolders;
    size_t Next = 0;
  };
  // Pre-order without recursion: very deep trees cannot exhaust the stack.
  std::vector<TLevel> Stack(1);
  Stack[0].Folder = Start;
  VisitFolder(Start, true, Pattern, Stack[0].Subfolders);
  while (!Stack.empty() && !Stopped()) {
    TLevel& Top = Stack.back();
    if (Top.Next == Top.Subfolders.size()) {
      Stack.pop_back();
      continue;
    }
    TLevel Child;
    Child.Folder = JoinPath(Top.Folder, Top.Subfolders[Top.Next++]);
    if (VisitFolder(Child.Folder, false, Pattern, Child.Subfolders) && !Child.Subfolders.empty())
      Stack.push_back(std::move(Child));
  }
}

bool TFindRun::VisitFolder(const std::wstring& Folder, bool IsStart, const std::wstring& Pattern,
                           std::vector<std::wstring>& Subfolders) {
  const uint16_t FileWord = FSettings.FileTypeWord;
  const uint16_t DirWord = static_cast<uint16_t>(FSettings.DirTypeWord | FILE_ATTRIBUTE_DIRECTORY);
  const bool Descend = FSettings.Recursive;

  if (FListsEverything) {
    TFolderListing Listing(Folder, L"*");
    // A start folder was entered already; a subfolder counts as entered when
    // it can be listed.
    if (!IsStart && !Listing.Opened()) return false;
    EnterFolder(Folder);
    TFindListingObserver* const Observer = FObserving ? ListingObserver : nullptr;
    for (; Listing.HasEntry(); Listing.Next()) {
      const WIN32_FIND_DATAW& Entry = Listing.Entry();
      if (Observer != nullptr) Observer->Entry(Folder, Entry);
      if (!IsDotName(Entry.cFileName)) {
        if (PassesWord(Entry.dwFileAttributes, FileWord)) Record(Folder, Entry.cFileName);
        if (Descend && IsDescendable(Entry.dwFileAttributes, DirWord)) Subfolders.emplace_back(Entry.cFileName);
      }
      if (Stopped()) return true;  // a stopped listing is no complete one
    }
    if (Observer != nullptr && Listing.Opened()) Observer->Listed(Folder, Listing.EndError());
    return true;
  }

  if (!IsStart) {
    TFolderListing All(Folder, L"*");
    if (!All.Opened()) return false;
    CollectSubfolders(All, DirWord, Subfolders, FObserving ? ListingObserver : nullptr, Folder);
  }
  EnterFolder(Folder);
  if (FPatternNamesEntries) {
    for (TFolderListing Listing(Folder, Pattern.c_str()); Listing.HasEntry(); Listing.Next()) {
      const WIN32_FIND_DATAW& Entry = Listing.Entry();
      if (!IsDotName(Entry.cFileName) && PassesWord(Entry.dwFileAttributes, FileWord))
        Record(Folder, Entry.cFileName);
      if (Stopped()) break;
    }
  }
  if (IsStart && Descend && !Stopped()) {
    TFolderListing All(Folder, L"*");
    CollectSubfolders(All, DirWord, Subfolders, FObserving ? ListingObserver : nullptr, Folder);
  }
  return true;
}

void TFindRun::EnterFolder(const std::wstring& Folder) {
  FFolderVisited = Folder;
  if (OnChangeDirectory) OnChangeDirectory(Folder);
}

void TFindRun::Record(const std::wstring& Folder, const wchar_t* Name) {
  try {
    std::wstring Path = JoinPath(Folder, Name);
    if (!FSettings.MatchContent) {
      RecordPath(std::move(Path), L"0");
      return;
    }
    // Handed over as one name: a name with ";" in it must not be split.
    FMatch.SetSourceFiles({Path});
    if (!FMatch.Match()) return;
    const int32_t Hits = FMatch.HitsCount();
    RecordPath(std::move(Path), IntToStr(Hits));
    constexpr int32_t Most = std::numeric_limits<int32_t>::max();
    FHitsCount = Hits > Most - FHitsCount ? Most : FHitsCount + Hits;
  } catch (const std::bad_alloc&) {
    throw EVKRFileFindOutOfResources(FSettings.OutOfResourcesText);
  } catch (const EOSError& Error) {
    if (IsOutOfMemory(Error.ErrorCode())) throw EVKRFileFindOutOfResources(FSettings.OutOfResourcesText);
    throw;
  }
}

void TFindRun::RecordPath(std::wstring Path, std::wstring Hits) {
  FFilesFound.push_back(std::move(Path));
  // The two lists stay the same length whatever happens.
  try {
    FHitsCountList.push_back(std::move(Hits));
  } catch (...) {
    FFilesFound.pop_back();
    throw;
  }
}
