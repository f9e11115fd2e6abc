#include "app/CommandKeep.h"

#include "search/FileAge.h"
#include "search/FoundFiles.h"

#include <memory>

TKeepList KeepListInForce(const std::vector<std::wstring>& UserEntries) { return TKeepList(UserEntries); }

void DropKeptFiles(const TKeepList& List, const std::wstring& Folder, TVKRFileFind& Find) {
  if (List.Empty()) return;
  const TKeptBelow Kept = List.Below(Folder);
  if (Kept.Empty()) return;
  KeepFoundFiles(Find.FilesFound(), Find.MatchHitsCountList(),
                 [&Kept](const std::wstring& File) { return !Kept.KeepsFile(File); });
}

TKeepSubfolder SubfolderKeeper(const TKeepList& List, const std::wstring& Folder, std::optional<uint64_t> AgeLimit) {
  auto Kept = std::make_shared<const TKeptBelow>(List.Empty() ? TKeptBelow() : List.Below(Folder));
  if (Kept->Empty() && !AgeLimit) return {};
  return [Kept, AgeLimit](const std::wstring& Subfolder) {
    return Kept->KeepsSubfolder(Subfolder) || (AgeLimit && HoldsFileNewerThan(Subfolder, *AgeLimit));
  };
}
