#include "app/FolderScan.h"

#include "framework/FileSystem.h"
#include "search/FileAge.h"
#include "search/FolderSize.h"
#include "search/FoundFiles.h"
#include "search/Subfolders.h"

void SetUpFolderSearch(TVKRFileFind& Find, const TOptions& Options) {
  Find.SetFileType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive, TFileType::ftNormal});
  Find.SetDirType({TFileType::ftSystem, TFileType::ftDirectory});
  Find.SetRecursive(Options.Recursive);
  Find.SetFilePattern(SearchPatternOf(Options));
}

bool SearchListedFolder(TVKRFileFind& Find, const std::wstring& Folder, const TFolderSearchRules& Rules,
                        const std::function<bool()>& Stopped) {
  // Any other path would be searched wherever the process stands: it finds nothing.
  if (!IsFullPath(Folder)) {
    Find.SetStartDirFolder(L"");
    Find.FilesFound().clear();
    return !Stopped();
  }
  // One folder, whatever its name holds: ";" would split it into others.
  Find.SetStartDirFolder(Folder);
  try {
    Find.Execute();
  } catch (const std::exception&) {
    // The row takes whatever was found before the search gave up.
  }
  if (Stopped()) return false;
  TFoundFilter(Folder, FoundRuleOf(Find, Rules), Rules.Keep).Apply(Find.FilesFound(), Find.MatchHitsCountList());
  return true;
}

TFoundRule FoundRuleOf(const TVKRFileFind& Find, const TFolderSearchRules& Rules) {
  TFoundRule Rule;
  Rule.SeveralPatterns = Find.FilePattern().find(L';') != std::wstring::npos;
  if (Rules.Options.LimitSearchDepth) Rule.MaxDepth = Rules.Options.MaxSearchDepth;
  Rule.AgeLimit = Rules.AgeLimit;
  return Rule;
}

std::optional<TFolderFigures> MeasureListedFolder(TVKRFileFind& Find, const std::wstring& Folder,
                                                  const TFolderSearchRules& Rules, const std::function<bool()>& Stopped,
                                                  const std::function<void()>& OnFolder, int64_t* Bytes) {
  // The tree size shares the search's listings instead of walking the tree twice.
  TFolderTreeMeasure Measure;
  Find.SetListingObserver(&Measure);
  const bool Searched = SearchListedFolder(Find, Folder, Rules, Stopped);
  Find.SetListingObserver(nullptr);
  if (!Searched) return std::nullopt;
  const auto Subfolders = static_cast<int64_t>(ListSubfolders(Folder).size());
  const int64_t Size = Measure.Result(Folder, OnFolder);
  if (Stopped()) return std::nullopt;
  if (Bytes != nullptr) *Bytes = Size;
  return TFolderFigures::Measured(Subfolders, static_cast<int64_t>(Find.FilesFound().size()), Size);
}
