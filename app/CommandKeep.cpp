#include "app/CommandKeep.h"

#include "search/FileAge.h"

#include <memory>

std::vector<std::wstring> KeepEntriesInForce(const std::vector<std::wstring>& PolicyEntries,
                                             const std::vector<std::wstring>& UserEntries) {
  std::vector<std::wstring> Entries = PolicyEntries;
  Entries.insert(Entries.end(), UserEntries.begin(), UserEntries.end());
  return Entries;
}

TKeepList KeepListInForce(const std::vector<std::wstring>& PolicyEntries, const std::vector<std::wstring>& UserEntries) {
  return TKeepList(KeepEntriesInForce(PolicyEntries, UserEntries));
}

TKeepSubfolder SubfolderKeeper(const TKeepList& List, const std::wstring& Folder, std::optional<uint64_t> AgeLimit) {
  auto Kept = std::make_shared<const TKeptBelow>(List.Empty() ? TKeptBelow() : List.Below(Folder));
  if (Kept->Empty() && !AgeLimit) return {};
  return [Kept, AgeLimit](const std::wstring& Subfolder) {
    return Kept->KeepsSubfolder(Subfolder) || (AgeLimit && HoldsFileNewerThan(Subfolder, *AgeLimit));
  };
}
