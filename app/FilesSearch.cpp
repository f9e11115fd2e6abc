#include "app/FilesSearch.h"

#include "app/CommandKeep.h"
#include "app/DeleteSummary.h"
#include "app/FolderDelete.h"
#include "framework/FileSystem.h"
#include "search/FolderSize.h"

#include <map>
#include <mutex>

namespace {

// The tree sizes of the listed folder's direct subfolders, from the
// search's own listings: each subfolder's share goes to a measure of its
// own, which then lists only what the search did not (FolderSize.h), so a
// View Files of a large tree does not walk it twice.
class TSubfolderMeasures : public TFindListingObserver {
public:
  void Entry(const std::wstring& Folder, const WIN32_FIND_DATAW& Data) override {
    if (TFolderTreeMeasure* Measure = MeasureOf(Folder)) Measure->Entry(Folder, Data);
  }
  void Listed(const std::wstring& Folder, DWORD EndError) override {
    if (TFolderTreeMeasure* Measure = MeasureOf(Folder)) Measure->Listed(Folder, EndError);
  }
  // What FolderTreeSize(Subfolder) gives, Subfolder being a direct subfolder of the searched folder.
  int64_t Result(const std::wstring& Subfolder) {
    const auto Found = FMeasures.find(ExtractFileName(Subfolder));
    return Found == FMeasures.end() ? FolderTreeSize(Subfolder) : Found->second.Result(Subfolder);
  }

private:
  // The measure of the subfolder that holds Folder; none for the searched folder itself.
  TFolderTreeMeasure* MeasureOf(const std::wstring& Folder) {
    // The walk starts at the searched folder: its path leads every other.
    if (FTop.empty()) {
      FTop = Folder;
      if (FTop.back() != L'\\') FTop += L'\\';
      return nullptr;
    }
    if (Folder.size() <= FTop.size() || Folder.compare(0, FTop.size(), FTop) != 0) return nullptr;
    if (FLast != nullptr && Folder.compare(0, FLastPrefix.size(), FLastPrefix) == 0 &&
        (Folder.size() == FLastPrefix.size() || Folder[FLastPrefix.size()] == L'\\'))
      return FLast;
    const size_t End = Folder.find(L'\\', FTop.size());
    const std::wstring Name = Folder.substr(FTop.size(), End == std::wstring::npos ? std::wstring::npos : End - FTop.size());
    FLastPrefix = FTop + Name;
    FLast = &FMeasures[Name];
    return FLast;
  }

  std::wstring FTop;  // the searched folder, ending in a separator
  std::map<std::wstring, TFolderTreeMeasure> FMeasures;  // by the subfolder's name
  std::wstring FLastPrefix;  // the path of the subfolder FLast measures
  TFolderTreeMeasure* FLast = nullptr;
};

}  // namespace

std::wstring RelativeToFolder(const std::wstring& Folder, const std::wstring& Path) {
  // Called for every file a view shows: no copies but the result.
  const bool Separated = !Folder.empty() && Folder.back() == L'\\';
  const size_t Prefix = Folder.size() + (Separated ? 0 : 1);
  const int Length = static_cast<int>(Folder.size());
  // The search gives its start folder's own text back: the comparison
  // that ignores case (a microsecond a path under Wine) is seldom needed.
  const bool Below = Path.size() > Prefix && Path[Prefix - 1] == L'\\' &&
                     (Path.compare(0, Folder.size(), Folder) == 0 ||
                      CompareStringOrdinal(Path.c_str(), Length, Folder.c_str(), Length, TRUE) == CSTR_EQUAL);
  return Below ? Path.substr(Prefix) : Path;
}

TFilesSearch::TFilesSearch(TFilesSearchRequest Request, HWND Window, UINT Message)
    : FRequest(std::move(Request)), FWindow(Window), FMessage(Message) {
  FFind.SetFilePattern(FRequest.FilePattern);
  FFind.SetRecursive(FRequest.Recursive);
  FFind.SetFileType(FRequest.FileType);
  FFind.SetDirType(FRequest.DirType);
  // Any other path would be searched wherever the process stands: it finds nothing.
  if (IsFullPath(FRequest.Folder)) FFind.SetStartDirFolder(FRequest.Folder);
  FThread = std::thread([this] { Run(); });
}

TFilesSearch::~TFilesSearch() {
  Stop();
  if (FThread.joinable()) FThread.join();
}

void TFilesSearch::Run() noexcept {
  bool Complete = false;
  std::vector<std::wstring> Subfolders;
  std::vector<int64_t> TreeBytes;
  try {
    const TKeepList Keep(FRequest.KeepEntries);
    TFoundFilter Filter(FRequest.Folder, FRequest.Rule, Keep);
    TListedFileDetails Details;
    TSubfolderMeasures Measures;
    TListingFanOut Listings{&Details, &Measures};
    FFind.SetListingObserver(&Listings);
    FFind.SetStopRequest(&FStop);
    // Called before each folder's finds are recorded: those before it are whole.
    FFind.OnChangeDirectory = [&](TObject*, const std::wstring& Folder) {
      HandOver(Filter, Details, Folder, false);
      if (FRequest.OnFolder) FRequest.OnFolder(Folder);
    };
    try {
      FFind.Execute();
    } catch (const std::exception&) {
      // As for Scan and Delete: what was found before the search gave up stays.
    }
    HandOver(Filter, Details, FRequest.Folder, true);
    if (!FStop.load()) {
      bool AnyFound = false;
      {
        const std::lock_guard<TSlimLock> Guard(FLock);
        AnyFound = FState.Files > 0;
      }
      // Delete removes subfolders only from a folder in which it found files.
      // A stop meanwhile keeps the rest from being looked into (the window
      // then says the list is incomplete).
      const TKeepSubfolder Keeper = SubfolderKeeper(Keep, FRequest.Folder, FRequest.Rule.AgeLimit);
      if (AnyFound)
        Subfolders = SubfoldersToDelete(FRequest.Folder, [&](const std::wstring& Subfolder) {
          return FStop.load() || (Keeper && Keeper(Subfolder));
        });
      for (const std::wstring& Subfolder : Subfolders) {
        if (FStop.load()) break;
        TreeBytes.push_back(Measures.Result(Subfolder));
      }
      Complete = !FStop.load();
    }
  } catch (...) {
    // Nothing may leave the thread: the window says the list is incomplete.
  }
  FFind.OnChangeDirectory = nullptr;
  FFind.SetListingObserver(nullptr);
  {
    const std::lock_guard<TSlimLock> Guard(FLock);
    FState.Ended = true;
    FState.Complete = Complete;
    if (Complete) {
      FState.Subfolders = std::move(Subfolders);
      FState.TreeBytes = std::move(TreeBytes);
    }
  }
  Notify(true);
}

void TFilesSearch::HandOver(TFoundFilter& Filter, const TListedFileDetails& Details, const std::wstring& Folder,
                            bool Last) {
  // The component's lists only grow while it runs: what they hold now is
  // taken out of them, so they never hold more than one folder's finds.
  std::vector<std::wstring>& Found = FFind.FilesFound();
  std::vector<std::wstring>& Hits = FFind.MatchHitsCountList();
  std::vector<TViewedFile> Rows;
  int64_t Bytes = 0;
  if (!Found.empty()) {
    std::vector<std::wstring> Batch = std::move(Found);
    std::vector<std::wstring> BatchHits = std::move(Hits);
    Found.clear();
    Hits.clear();
    Filter.Apply(Batch, BatchHits);
    Rows.reserve(Batch.size());
    for (const std::wstring& Path : Batch) {
      TViewedFile File;
      File.Name = RelativeToFolder(FRequest.Folder, Path);
      Details.Find(Path, File.Size, File.LastWrite);
      Bytes += File.Size;
      Rows.push_back(std::move(File));
    }
  }
  bool FirstRows = false;
  {
    const std::lock_guard<TSlimLock> Guard(FLock);
    FState.Folder = Last ? std::wstring() : Folder;
    FState.Files += static_cast<int64_t>(Rows.size());
    FState.Bytes += Bytes;
    if (FOutbox.empty())
      FOutbox = std::move(Rows);
    else
      FOutbox.insert(FOutbox.end(), std::make_move_iterator(Rows.begin()), std::make_move_iterator(Rows.end()));
    FirstRows = !FNoticedRows && !FOutbox.empty();
  }
  if (!Last) Notify(FirstRows);
}

void TFilesSearch::Notify(bool Now) {
  const auto Time = std::chrono::steady_clock::now();
  if (!Now && Time - FLastNotice < NoticeInterval) return;
  // One notice waits at a time: the window takes everything there is when it comes.
  if (FNoticePending.exchange(true)) return;
  FLastNotice = Time;
  if (Now) FNoticedRows = true;
  PostMessageW(FWindow, FMessage, 0, 0);
}

TFilesSearchState TFilesSearch::Take(std::vector<TViewedFile>& Rows) {
  TFilesSearchState State;
  std::vector<TViewedFile> Taken;
  // Cleared first: whatever is handed over after the look below comes with a notice of its own.
  FNoticePending.store(false);
  {
    const std::lock_guard<TSlimLock> Guard(FLock);
    Taken = std::move(FOutbox);
    FOutbox.clear();
    State.Files = FState.Files;
    State.Bytes = FState.Bytes;
    State.Folder = FState.Folder;
    State.Ended = FState.Ended;
    State.Complete = FState.Complete;
    if (State.Ended) {
      State.Subfolders = FState.Subfolders;
      State.TreeBytes = FState.TreeBytes;
    }
  }
  if (Rows.empty())
    Rows = std::move(Taken);
  else
    Rows.insert(Rows.end(), std::make_move_iterator(Taken.begin()), std::make_move_iterator(Taken.end()));
  return State;
}
