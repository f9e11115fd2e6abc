#include "search/FindWalk.h"

#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"
#include "search/FindPaths.h"
#include "search/VKRFileFind.h"
#include "search/VKRMatch.h"

#include <windows.h>

#include <limits>
#include <new>

namespace {

bool IsOutOfMemory(unsigned long ErrorCode) {
  return ErrorCode == ERROR_NOT_ENOUGH_MEMORY || ErrorCode == ERROR_OUTOFMEMORY;
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
  FPlan.Patterns.clear();
  for (const std::wstring& Pattern : Patterns) FPlan.Patterns.push_back(ClassifyPattern(Pattern));
  FPlan.Recursive = FSettings.Recursive;
  FPlan.FileWord = FSettings.FileTypeWord;
  FPlan.DirWord = static_cast<uint16_t>(FSettings.DirTypeWord | FILE_ATTRIBUTE_DIRECTORY);
  // A relative start folder is relative to the one entered before it, as it
  // would be if each were made the current directory in turn.
  std::wstring Base = FSettings.BaseDirectory;
  const size_t StartCount = StartDirs.size();
  for (size_t s = 0; s < StartCount && !Stopped(); ++s) {
    const std::wstring Folder = ResolveDirectory(Base, StartDirs[s]);
    if (!CanEnterDirectory(Folder)) continue;
    Base = Folder;
    FLastStartEntered = Folder;
    if (!Patterns.empty()) WalkStart(Folder);
  }
}

void TFindRun::WalkStart(const std::wstring& Start) {
  // The folders are listed once, ahead of the walk, for every pattern; the
  // walk itself, its visits and its finds stay on this thread and in the
  // order of one walk per pattern: the first pattern's as the listings come
  // in, the others' replayed from what they found, folder by folder.
  const size_t PatternCount = FPlan.Patterns.size();
  std::vector<std::wstring> Folders;  // the walk's folders, kept for the other patterns
  struct TLaterFind {
    uint32_t Folder;
    std::wstring Name;
  };
  std::vector<std::vector<TLaterFind>> Later(PatternCount - 1);

  TFolderPrefetch Walk(FPlan, Start, StopRequested);
  while (!Stopped()) {
    const TListedFolder* const Listed = Walk.Next();
    if (Listed == nullptr) break;
    if (!VisitListed(*Listed)) return;
    if (PatternCount == 1) continue;
    const auto Index = static_cast<uint32_t>(Folders.size());
    Folders.push_back(Listed->Path);
    for (size_t p = 1; p < PatternCount; ++p) {
      const TPatternHits& Hits = Listed->Hits[p];
      if (Hits.FromEntries) {
        for (const uint32_t Entry : Hits.Entries) Later[p - 1].push_back({Index, Listed->Name(Entry)});
      } else {
        for (const std::wstring& Name : Hits.Names) Later[p - 1].push_back({Index, Name});
      }
    }
  }
  for (size_t p = 1; p < PatternCount && !Stopped(); ++p) {
    std::vector<TLaterFind> Finds = std::move(Later[p - 1]);
    size_t Next = 0;
    for (uint32_t f = 0; f < Folders.size() && !Stopped(); ++f) {
      EnterFolder(Folders[f]);
      for (; Next < Finds.size() && Finds[Next].Folder == f; ++Next) {
        Record(Folders[f], Finds[Next].Name.c_str());
        if (Stopped()) return;
      }
    }
  }
}

bool TFindRun::VisitListed(const TListedFolder& Folder) {
  EnterFolder(Folder.Path);
  TFindListingObserver* const Observer = ListingObserver;
  const TPatternHits& Hits = Folder.Hits[0];
  size_t NextHit = 0;
  WIN32_FIND_DATAW Data{};
  for (uint32_t i = 0; i < Folder.Entries.size(); ++i) {
    if (Observer != nullptr) {
      Folder.FindData(i, Data);
      Observer->Entry(Folder.Path, Data);
    }
    if (Hits.FromEntries && NextHit < Hits.Entries.size() && Hits.Entries[NextHit] == i) {
      ++NextHit;
      Record(Folder.Path, Folder.Name(i));
    }
    if (Stopped()) return false;  // a stopped listing is no complete one
  }
  if (Observer != nullptr && Folder.Opened) Observer->Listed(Folder.Path, Folder.EndError);
  if (!Hits.FromEntries) {
    for (const std::wstring& Name : Hits.Names) {
      Record(Folder.Path, Name.c_str());
      if (Stopped()) return false;
    }
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
