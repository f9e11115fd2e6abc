#pragma once
// What Delete is about to remove from a folder, said in its prompt, and what
// it removed, said in the status bar and the unattended run's log.

#include "app/FolderDelete.h"
#include "search/FindWalk.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class TListedFileDetails;

// A size as people read it: "512 bytes", "1.5 KB", "41.2 MB", "3.0 GB",
// one decimal in the user's format, units of 1,024.
std::wstring ByteSizeText(int64_t Bytes);

struct TDeletePlan {
  int64_t Files = 0;
  int64_t Subfolders = 0;
  int64_t Bytes = 0;
};

// The one rule by which Delete's question and View Files count what Delete
// removes from a folder: every file found counts as a file; its bytes count
// unless it lies inside one of the subfolders that go as whole trees, whose
// tree sizes count instead (a file counts once, with its tree).
class TDeletePlanCounter {
public:
  // Subfolders: full paths of the folder's direct subfolders; TreeBytes beside
  // them, their tree sizes (negative: not known, adds nothing).
  TDeletePlanCounter(const std::vector<std::wstring>& Subfolders, const std::vector<int64_t>& TreeBytes);
  // A found file by its path relative to Folder; SizeOf(Size) is asked only
  // when the file counts on its own, and adds nothing when it answers false.
  template <typename TSizeOf>
  void AddFile(std::wstring_view Relative, const TSizeOf& SizeOf) {
    ++FPlan.Files;
    if (InTree(Relative)) return;
    int64_t Size = 0;
    if (SizeOf(Size)) FPlan.Bytes += Size;
  }
  const TDeletePlan& Plan() const { return FPlan; }

private:
  bool InTree(std::wstring_view Relative);

  TDeletePlan FPlan;
  std::vector<std::wstring> FTrees;  // the subfolders' names
  std::wstring FLastHolder;          // files come folder by folder: the last answer serves the next
  bool FLastInTree = false;
};

// The files Delete found in Folder (full paths; sizes from Details, or from
// the files themselves) and the subfolders of Folder it will delete as whole
// trees (measured now), counted by the rule above.
TDeletePlan PlanDelete(const std::wstring& Folder, const std::vector<std::wstring>& Files,
                       const TListedFileDetails& Details, const std::vector<std::wstring>& Subfolders);

// "12 files and 3 subfolders, 41.2 MB, to the Recycle Bin." or "..., deleted permanently."
std::wstring DeletePlanText(const TDeletePlan& Plan, TDeleteMode Mode);

// What a Delete removed: "deleted: 41.2 MB (41.2 MB in the Recycle Bin)".
std::wstring DeletedText(int64_t Bytes, int64_t RecycledBytes);

// Shows every listing of a search to several observers.
class TListingFanOut : public TFindListingObserver {
public:
  TListingFanOut(std::initializer_list<TFindListingObserver*> Observers) : FObservers(Observers) {}
  void Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) override {
    for (TFindListingObserver* Observer : FObservers) Observer->Entry(Folder, Data);
  }
  void Listed(const std::wstring& Folder, DWORD EndError) override {
    for (TFindListingObserver* Observer : FObservers) Observer->Listed(Folder, EndError);
  }

private:
  std::vector<TFindListingObserver*> FObservers;
};
