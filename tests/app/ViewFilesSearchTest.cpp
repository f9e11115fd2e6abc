// View Files while its search runs: the window is up before the search has
// ended, and Cancel, Esc, Keep, sorting and closing act on what is shown. A
// search is held at a chosen folder through the request's folder hook, so
// each case acts at a known point of the walk.
#include <doctest.h>

#include "app/DeleteSummary.h"
#include "app/FilesView.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "FilesViewActions.h"
#include "support/ModalAnswer.h"
#include "support/RecordedBoxes.h"
#include "MainWindowFixture.h"

#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using TNames = std::set<std::wstring>;

// Holds the search as it enters its Nth folder (1: the listed folder itself),
// after the rows found before were handed to the window, until released.
class THeldSearch {
public:
  explicit THeldSearch(int AtFolder)
      : FAt(AtFolder), FReached(CreateEventW(nullptr, TRUE, FALSE, nullptr)), FRelease(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~THeldSearch() { Release(); }
  THeldSearch(const THeldSearch&) = delete;
  THeldSearch& operator=(const THeldSearch&) = delete;

  // The hook for the request; runs on the search's thread.
  std::function<void(const std::wstring&)> Hook() {
    return [this](const std::wstring&) {
      if (++FFolders != FAt) return;
      SetEvent(FReached.get());
      WaitForSingleObject(FRelease.get(), INFINITE);
    };
  }
  bool Reached() const { return WaitForSingleObject(FReached.get(), 0) == WAIT_OBJECT_0; }
  void Release() { SetEvent(FRelease.get()); }

  // Releases the search when the scope ends, whatever a check does meanwhile:
  // the window waits for the search's thread when it closes.
  class TReleaseAtEnd {
  public:
    explicit TReleaseAtEnd(THeldSearch& Held) : FHeld(Held) {}
    ~TReleaseAtEnd() { FHeld.Release(); }
    TReleaseAtEnd(const TReleaseAtEnd&) = delete;
    TReleaseAtEnd& operator=(const TReleaseAtEnd&) = delete;

  private:
    THeldSearch& FHeld;
  };

private:
  const int FAt;
  int FFolders = 0;  // the search's thread only
  UniqueHandle<handle_traits::KernelObject> FReached;
  UniqueHandle<handle_traits::KernelObject> FRelease;
};

// The threads of this process now.
int ThreadCount() {
  const UniqueHandle<handle_traits::File> Snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!Snapshot) return -1;
  THREADENTRY32 Entry{};
  Entry.dwSize = sizeof(Entry);
  int Count = 0;
  for (BOOL More = Thread32First(Snapshot.get(), &Entry); More; More = Thread32Next(Snapshot.get(), &Entry))
    if (Entry.th32OwnerProcessID == GetCurrentProcessId()) ++Count;
  return Count;
}

std::vector<std::wstring> Column(TFilesViewForm& View, int Index) {
  std::vector<std::wstring> Texts;
  for (int i = 0; i < View.FilesListView.Count(); ++i) Texts.push_back(View.FilesListView.ItemText(i, Index));
  return Texts;
}

TNames Shown(TFilesViewForm& View) {
  const std::vector<std::wstring> Names = Column(View, 0);
  return TNames(Names.begin(), Names.end());
}

TNames Subfolders(TFilesViewForm& View) {
  TNames Names;
  for (int i = 0; i < View.SubfoldersListView.Count(); ++i) Names.insert(View.SubfoldersListView.ItemText(i, 0));
  return Names;
}

bool IsSelected(TFilesViewForm& View, const std::wstring& Name) {
  const std::vector<std::wstring> Names = Column(View, 0);
  const auto Found = std::find(Names.begin(), Names.end(), Name);
  return Found != Names.end() &&
         ListView_GetItemState(View.FilesListView.Handle(), static_cast<int>(Found - Names.begin()), LVIS_SELECTED) != 0;
}

void Select(TFilesViewForm& View, const TNames& Names) {
  const HWND List = View.FilesListView.Handle();
  ListView_SetItemState(List, -1, 0, LVIS_SELECTED);
  for (int i = 0; i < View.FilesListView.Count(); ++i)
    if (Names.count(View.FilesListView.ItemText(i, 0)) != 0) ListView_SetItemState(List, i, LVIS_SELECTED, LVIS_SELECTED);
}

// The listed folder:  t1.tmp t2.tmp t3.log  sub1\s1.tmp sub1\deep\d1.tmp  sub2\s2.tmp sub2\s3.tmp
// The search enters the listed folder first (folder 1); when it enters the
// next one (folder 2), the listed folder's own files have been handed over.
const TNames TopFiles = {L"t1.tmp", L"t2.tmp", L"t3.log"};
const TNames AllFiles = {L"t1.tmp", L"t2.tmp", L"t3.log", L"sub1\\s1.tmp", L"sub1\\deep\\d1.tmp", L"sub2\\s2.tmp",
                         L"sub2\\s3.tmp"};

struct TSearchFile {
  const wchar_t* Name;  // below the listed folder
  uint64_t Size;
};

const std::vector<TSearchFile> StandardTree = {
    {L"t1.tmp", 300},       {L"t2.tmp", 100},         {L"t3.log", 5000},      {L"sub1\\s1.tmp", 2048},
    {L"sub1\\deep\\d1.tmp", 10}, {L"sub2\\s2.tmp", 700}, {L"sub2\\s3.tmp", 20}};

struct TSearchFixture : TMainWindowFixture {
  explicit TSearchFixture(const std::vector<TSearchFile>& Files = StandardTree) {
    for (const TSearchFile& File : Files) Temp.MakeFile(std::wstring(L"list\\") + File.Name, File.Size);
    Start({L"list"});
    DeleteOptions(/*Prompt=*/false, /*RecycleBin=*/false, /*Statistics=*/false);
    Folder = Temp / L"list";
  }

  // Opens the view on the listed folder with the search held at folder AtFolder;
  // Act runs once the rows of the folders before it show, Ended once the search has ended.
  void ViewHeld(int AtFolder, const std::function<void(TFilesViewForm&)>& Act,
                const std::function<void(TFilesViewForm&)>& Ended, const TNames& Expected = TopFiles) {
    THeldSearch Held(AtFolder);
    TFilesSearchRequest Request = Form1->ViewFilesRequest(Folder);
    Request.OnFolder = Held.Hook();
    TFilesViewForm& View = Form1->FilesView();
    bool EndSeen = false;
    View.OnSearchEnded = [&] {
      EndSeen = true;
      Ended(View);
      View.CloseButton.Click();
    };
    // Answered once the search is held and the rows before it show.
    TModalAnswer Answer([&]() -> TForm* { return Held.Reached() && Shown(View) == Expected ? &View : nullptr; },
                        [&](TForm&) {
                          const THeldSearch::TReleaseAtEnd ReleaseAtEnd(Held);
                          CHECK(View.Searching());
                          Act(View);
                        });
    View.ShowSearch(Request);
    View.OnSearchEnded = nullptr;
    CHECK(Answer.Answered());
    CHECK(EndSeen);
    CHECK_FALSE(View.Searching());
  }

  std::wstring Folder;
};

}  // namespace

TEST_CASE("View Files opens before its search has ended and shows its progress") {
  TSearchFixture F;
  THeldSearch Held(2);
  TFilesSearchRequest Request = F.Form1->ViewFilesRequest(F.Folder);
  Request.OnFolder = Held.Hook();
  TFilesViewForm& View = F.Form1->FilesView();
  std::wstring Progress, Folder, TotalWhileSearching, Total;
  bool StopShown = false, StopGone = false;
  View.OnSearchEnded = [&] {
    Total = View.TotalLabel.Text();
    StopGone = !IsWindowVisible(View.StopButton.Handle()) && IsWindowVisible(View.TotalLabel.Handle());
    View.CloseButton.Click();
  };
  TModalAnswer Answer([&]() -> TForm* { return Held.Reached() && Shown(View) == TopFiles ? &View : nullptr; },
                      [&](TForm&) {
                        const THeldSearch::TReleaseAtEnd ReleaseAtEnd(Held);
                        Progress = View.ProgressLabel.Text();
                        Folder = View.FolderLabel.Text();
                        TotalWhileSearching = View.TotalLabel.Text();
                        StopShown = IsWindowVisible(View.StopButton.Handle()) != FALSE &&
                                    IsWindowVisible(View.ProgressLabel.Handle()) != FALSE;
                      });
  View.ShowSearch(Request);
  View.OnSearchEnded = nullptr;
  REQUIRE(Answer.Answered());
  // 300 + 100 + 5000 bytes in the listed folder's three files.
  CHECK(Progress == L"Searching... 3 files, " + ByteSizeText(5400) + L" so far");
  CHECK(Progress == SearchProgressText(3, 5400));
  // The folder being searched is one below the listed folder.
  CHECK(Folder.rfind(F.Folder + L"\\", 0) == 0);
  CHECK(TotalWhileSearching == L"Searching...");
  CHECK(StopShown);
  CHECK(StopGone);
  CHECK(Total == L"7 file(s) - 7 KB");
  CHECK(SearchProgressText(41200, 3328599654LL) == L"Searching... 41,200 files, 3.1 GB so far");
}

TEST_CASE("Cancel or Esc part way keeps a consistent list that says it is incomplete") {
  const struct {
    const char* Name;
    std::function<void(TFilesViewForm&)> Stop;
  } Cases[] = {
      {"Cancel", [](TFilesViewForm& View) { View.StopButton.Click(); }},
      {"Esc in the file list",
       [](TFilesViewForm& View) {
         // Through the dialog manager, as a key press comes.
         MSG Key{View.FilesListView.Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
         IsDialogMessageW(View.Handle(), &Key);
       }},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.Name);
    TSearchFixture F;
    TNames Rows;
    std::wstring Total, SubfoldersCaption;
    int SubfolderRows = -1;
    bool Incomplete = false, StillOpen = false;
    F.ViewHeld(2, [&](TFilesViewForm& View) { Case.Stop(View); },
               [&](TFilesViewForm& View) {
                 Rows = Shown(View);
                 Total = View.TotalLabel.Text();
                 SubfolderRows = View.SubfoldersListView.Count();
                 SubfoldersCaption = View.SubfoldersLabel.Text();
                 Incomplete = View.Incomplete();
                 StillOpen = View.Visible();
               });
    // The window stays open with what it shows; the walk stopped after the entry in hand.
    CHECK(StillOpen);
    CHECK(Incomplete);
    CHECK(std::includes(Rows.begin(), Rows.end(), TopFiles.begin(), TopFiles.end()));
    CHECK(std::includes(AllFiles.begin(), AllFiles.end(), Rows.begin(), Rows.end()));
    CHECK(Rows.size() <= TopFiles.size() + 1);
    CHECK(Total.rfind(L"Stopped, the list is incomplete: " + std::to_wstring(Rows.size()) + L" file(s) - ", 0) == 0);
    // Which subfolders go is not known from a part of the walk.
    CHECK(SubfolderRows == 0);
    CHECK(SubfoldersCaption == L"Subfolders that Delete removes with their content:");
  }
}

TEST_CASE("closing View Files during its search ends the search's thread at once") {
  TSearchFixture F;
  TFilesViewForm& View = F.Form1->FilesView();
  const int ThreadsBefore = ThreadCount();
  REQUIRE(ThreadsBefore > 0);
  const struct {
    const char* Name;
    std::function<void()> Close;
  } Cases[] = {
      {"Close", [&] { View.CloseButton.Click(); }},
      {"the title bar", [&] { SendMessageW(View.Handle(), WM_CLOSE, 0, 0); }},
  };
  for (const auto& Case : Cases) {
    CAPTURE(Case.Name);
    THeldSearch Held(2);
    TFilesSearchRequest Request = F.Form1->ViewFilesRequest(F.Folder);
    Request.OnFolder = Held.Hook();
    bool Ended = false;
    View.OnSearchEnded = [&] { Ended = true; };
    TModalAnswer Answer([&]() -> TForm* { return Held.Reached() && Shown(View) == TopFiles ? &View : nullptr; },
                        [&](TForm&) {
                          const THeldSearch::TReleaseAtEnd ReleaseAtEnd(Held);
                          Case.Close();
                        });
    View.ShowSearch(Request);
    View.OnSearchEnded = nullptr;
    REQUIRE(Answer.Answered());
    CHECK_FALSE(View.Visible());
    CHECK_FALSE(View.Searching());
    // The window went before the search reached its end: it never saw one.
    CHECK_FALSE(Ended);
    // The search's thread (and the listing workers it started) are gone.
    CHECK(ThreadCount() == ThreadsBefore);
    // A notice the search posted before it ended finds no search.
    MSG Message{};
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Message);
    CHECK(View.FilesListView.Count() <= static_cast<int>(AllFiles.size()));
  }
}

TEST_CASE("Keep during the search: the view drops what was kept and the search goes by it to the end") {
  // One subfolder, so the walk's order is known: the listed folder, "only", "only\\deep".
  TSearchFixture F({{L"t1.tmp", 300}, {L"t2.tmp", 100}, {L"only\\k.tmp", 2000}, {L"only\\deep\\x.tmp", 50}});
  const TNames Kept = {L"t2.tmp", L"only\\k.tmp"};
  TNames AfterKeep, Rows, SubfoldersAtEnd;
  std::wstring Total;
  F.ViewHeld(
      3,
      [&](TFilesViewForm& View) {
        Select(View, Kept);
        PressKeep(View, View.FilesListView.Handle());
        AfterKeep = Shown(View);
      },
      [&](TFilesViewForm& View) {
        Rows = Shown(View);
        SubfoldersAtEnd = Subfolders(View);
        Total = View.TotalLabel.Text();
      },
      {L"t1.tmp", L"t2.tmp", L"only\\k.tmp"});
  CHECK(AfterKeep == TNames{L"t1.tmp"});
  CHECK(Rows == TNames{L"t1.tmp", L"only\\deep\\x.tmp"});
  // The kept file keeps its subfolder whole: Delete takes no subfolder, only the two files.
  CHECK(SubfoldersAtEnd.empty());
  CHECK(Total == L"2 file(s) - 1 KB");
  const std::vector<std::wstring> Entries = {F.Folder + L"\\t2.tmp", F.Folder + L"\\only\\k.tmp"};
  CHECK(F.Form1->Options().KeepList == Entries);
  F.Scan();
  F.Delete();
  for (const std::wstring& Name : Kept) CHECK(GetFileAttributesW((F.Folder + L"\\" + Name).c_str()) != INVALID_FILE_ATTRIBUTES);
  CHECK(GetFileAttributesW((F.Folder + L"\\t1.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);
  CHECK(GetFileAttributesW((F.Folder + L"\\only\\deep\\x.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("sorting during the search: later rows go where the order puts them, the selection stays") {
  TSearchFixture F;
  std::vector<std::wstring> Sizes, Names;
  bool StillSelected = false;
  F.ViewHeld(
      2,
      [&](TFilesViewForm& View) {
        ClickFilesHeader(View, 1);  // by size
        Select(View, {L"t3.log"});
        ListView_SetItemState(View.FilesListView.Handle(), 0, LVIS_FOCUSED, LVIS_FOCUSED);
      },
      [&](TFilesViewForm& View) {
        Names = Column(View, 0);
        StillSelected = IsSelected(View, L"t3.log") && ListView_GetSelectedCount(View.FilesListView.Handle()) == 1;
      });
  // 10, 20, 100, 300, 700, 2048, 5000 bytes.
  CHECK(Names == std::vector<std::wstring>{L"sub1\\deep\\d1.tmp", L"sub2\\s3.tmp", L"t2.tmp", L"t1.tmp", L"sub2\\s2.tmp",
                                           L"sub1\\s1.tmp", L"t3.log"});
  CHECK(StillSelected);
}

TEST_CASE("a folder deleted and one added while the view searches") {
  TSearchFixture F;
  TNames Rows, SubfoldersAtEnd;
  bool Complete = false;
  F.ViewHeld(
      2,
      [&](TFilesViewForm&) {
        // Whichever subfolder the walk is about to enter, the other one goes.
        F.Temp.MakeFile(L"list\\sub3\\n.tmp", 40);
        for (const wchar_t* Name : {L"list\\sub2\\s2.tmp", L"list\\sub2\\s3.tmp"}) DeleteFileW((F.Temp / Name).c_str());
        RemoveDirectoryW((F.Temp / L"list\\sub2").c_str());
      },
      [&](TFilesViewForm& View) {
        Rows = Shown(View);
        SubfoldersAtEnd = Subfolders(View);
        Complete = !View.Incomplete();
      });
  CHECK(Complete);
  // What is shown is what was there when the walk listed it: never a name that never was.
  TNames Possible = AllFiles;
  Possible.insert(L"sub3\\n.tmp");
  CHECK(std::includes(Possible.begin(), Possible.end(), Rows.begin(), Rows.end()));
  CHECK(std::includes(Rows.begin(), Rows.end(), TopFiles.begin(), TopFiles.end()));
  CHECK(Rows.count(L"sub1\\s1.tmp") == 1);
  // The subfolders Delete removes are the ones there when the search ended.
  CHECK(SubfoldersAtEnd == TNames{L"sub1", L"sub3"});
}

TEST_CASE("the view's count line at the end is the one Delete's question gives") {
  // A subfolder holding a file the search does not list goes whole: its bytes count.
  TSearchFixture F({{L"a.tmp", 3000}, {L"b.txt", 4000}, {L"sub\\c.tmp", 1000}, {L"sub\\d.txt", 5000}});
  F.RestrictTo({L"*.tmp"});
  std::wstring Total;
  F.ViewHeld(
      2, [](TFilesViewForm&) {}, [&](TFilesViewForm& View) { Total = View.TotalLabel.Text(); }, {L"a.tmp"});
  // 2 files; a.tmp's 3000 bytes and the whole tree of sub, 6000.
  CHECK(Total == ViewedFilesTotal(2, 9000));
  CHECK(Total == L"2 file(s) - 8 KB");
  F.DeleteOptions(/*Prompt=*/true, /*RecycleBin=*/false, /*Statistics=*/false);
  F.Scan();
  const TRecordedBoxes Boxes(mrNo);
  F.Delete();
  REQUIRE(Boxes.Requests.size() == 1);
  const TDeletePlan Plan{2, 1, 9000};
  CHECK(Boxes.Requests[0].Text.find(DeletePlanText(Plan, TDeleteMode::dmPermanent)) != std::wstring::npos);
}

namespace {

// Counts the live-region events raised for one window while it lives.
class TLiveRegionEvents {
public:
  TLiveRegionEvents()
      : FHook(SetWinEventHook(EventLiveRegionChanged, EventLiveRegionChanged, nullptr, &TLiveRegionEvents::Heard,
                              GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT)) {
    Counts().clear();
  }
  ~TLiveRegionEvents() {
    if (FHook != nullptr) UnhookWinEvent(FHook);
    Counts().clear();
  }
  TLiveRegionEvents(const TLiveRegionEvents&) = delete;
  TLiveRegionEvents& operator=(const TLiveRegionEvents&) = delete;

  bool Hooked() const { return FHook != nullptr; }
  int For(HWND Window) const { return Counts()[Window]; }

private:
  static constexpr DWORD EventLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED
  static std::map<HWND, int>& Counts() {
    static std::map<HWND, int> Heard;
    return Heard;
  }
  static void CALLBACK Heard(HWINEVENTHOOK, DWORD, HWND Window, LONG, LONG, DWORD, DWORD) { ++Counts()[Window]; }

  HWINEVENTHOOK FHook;
};

}  // namespace

TEST_CASE("screen readers hear the count line once, when the search ends, not for each batch") {
  TSearchFixture F;
  const TLiveRegionEvents Events;
  REQUIRE(Events.Hooked());
  int WhileSearching = -1, AtEnd = -1;
  F.ViewHeld(
      2,
      [&](TFilesViewForm& Held) {
        // Let everything posted so far arrive: the rows of the listed folder are in.
        MSG Message{};
        while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Message);
        WhileSearching = Events.For(Held.TotalLabel.Handle());
      },
      [&](TFilesViewForm& Ended) {
        MSG Message{};
        while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Message);
        AtEnd = Events.For(Ended.TotalLabel.Handle());
      });
  CHECK(WhileSearching == 0);
  CHECK(AtEnd == 1);
}
