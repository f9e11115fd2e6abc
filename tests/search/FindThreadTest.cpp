#include <doctest.h>

#include "SearchFixture.h"
#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "search/VKRFileFind.h"
#include "support/TestStrings.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace {

void Configure(TVKRFileFind& Find, const std::wstring& Root) {
  Find.SetStartDir(Root);
  Find.SetFilePattern(L"*.tmp;*.log");
  Find.SetFileType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive, TFileType::ftNormal});
  Find.SetDirType({TFileType::ftSystem, TFileType::ftDirectory});
}

// Holds a worker inside OnChangeDirectory until the test lets it go.
class TGate {
public:
  TGate() : FEntered(CreateEventW(nullptr, TRUE, FALSE, nullptr)), FOpen(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  // On the worker.
  void Wait() {
    SetEvent(FEntered.get());
    WaitForSingleObject(FOpen.get(), 30000);
  }
  // On the test's thread.
  bool Entered() { return WaitForSingleObject(FEntered.get(), 30000) == WAIT_OBJECT_0; }
  void Open() { SetEvent(FOpen.get()); }

private:
  UniqueKernelObject FEntered, FOpen;
};

}  // namespace

TEST_CASE("a threaded run finds what Execute finds and reports its end on the starting thread") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  const DWORD MainThread = GetCurrentThreadId();

  for (const bool Matching : {false, true}) {
    CAPTURE(Matching);
    TVKRFileFind Find;
    Configure(Find, Tree.Root());
    Find.SetMatchEnabled(Matching);
    Find.SetMatchHitsCountEnabled(Matching);
    Find.SetMatchString(Matching ? L"content" : L"");
    const TSearchOutcome Expected = RunSearch(Find);
    SetCurrentDirectoryW(Guard.Saved().c_str());
    const int32_t ExpectedHits = Find.MatchHitsCount();

    // Written by the worker, read after its end.
    std::vector<std::wstring> Visits, DirectoriesSeen;
    std::vector<TObject*> Senders;
    bool OtherThread = true;
    Find.OnChangeDirectory = [&](TObject* Sender, const std::wstring& Folder) {
      Visits.push_back(Folder);
      Senders.push_back(Sender);
      DirectoriesSeen.push_back(CurrentDirectory());
      OtherThread = OtherThread && GetCurrentThreadId() != MainThread;
    };
    int Terminations = 0;
    TObject* TerminateSender = nullptr;
    DWORD TerminateThread = 0;
    Find.OnTerminate = [&](TObject* Sender) {
      ++Terminations;
      TerminateSender = Sender;
      TerminateThread = GetCurrentThreadId();
    };
    Find.ThreadExecute();
    REQUIRE(PumpMessagesUntil([&] { return Terminations > 0; }));

    CHECK(Terminations == 1);
    CHECK(TerminateSender == &Find);
    CHECK(TerminateThread == MainThread);
    CHECK(Find.FilesFound() == Expected.Files);
    CHECK(Find.MatchHitsCountList() == Expected.HitsCounts);
    CHECK(Find.MatchHitsCount() == ExpectedHits);
    CHECK(Visits == Expected.Visits);
    CHECK(OtherThread);
    for (TObject* Sender : Senders) CHECK(Sender != &Find);
    // The worker never moves the process's current directory; the end of
    // the run leaves it where Execute would.
    for (const std::wstring& Seen : DirectoriesSeen) CHECK(Seen == Guard.Saved());
    CHECK(CurrentDirectory() == Expected.CurrentDirectoryAfter);
    CHECK_FALSE(Find.ThreadFatalException());
    SetCurrentDirectoryW(Guard.Saved().c_str());
  }
}

TEST_CASE("a stopped worker finishes the entry in hand and enters no further folder") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  TGate Gate;
  TVKRFileFind Find;
  Configure(Find, Tree.Root());
  Find.SetFilePattern(L"*.*");
  std::atomic<int> Visits{0};
  Find.OnChangeDirectory = [&](TObject*, const std::wstring&) {
    if (++Visits == 1) Gate.Wait();
  };
  int Terminations = 0;
  Find.OnTerminate = [&](TObject*) { ++Terminations; };

  Find.ThreadExecute();
  REQUIRE(Gate.Entered());
  Find.ThreadTerminate();
  Gate.Open();
  REQUIRE(PumpMessagesUntil([&] { return Terminations > 0; }));
  CHECK(Visits == 1);
  CHECK(Find.FilesFound().size() <= 1);
  CHECK(Find.FilesFound().size() == Find.MatchHitsCountList().size());
  CHECK(Terminations == 1);
  // Stopped, the run still counts as ended at its start folder.
  CHECK(CurrentDirectory() == Tree.Root());
  SetCurrentDirectoryW(Guard.Saved().c_str());

  // The component can run again afterwards.
  Find.OnChangeDirectory = nullptr;
  Find.Execute();
  CHECK(Find.FilesFound().size() > 1);
  SetCurrentDirectoryW(Guard.Saved().c_str());
}

TEST_CASE("a worker's error ends its run and reaches ThreadFatalException before OnTerminate") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;
  TVKRFileFind Find;
  Configure(Find, Tree.Root());
  Find.OnChangeDirectory = [&](TObject*, const std::wstring& Folder) {
    if (Folder == Tree.Root() + L"\\sub1") throw EVKRFileFind(L"worker failed");
  };
  bool ErrorSeenAtEnd = false;
  bool Ended = false;
  Find.OnTerminate = [&](TObject*) {
    ErrorSeenAtEnd = static_cast<bool>(Find.ThreadFatalException());
    Ended = true;
  };
  Find.ThreadExecute();
  REQUIRE(PumpMessagesUntil([&] { return Ended; }));
  CHECK(ErrorSeenAtEnd);
  REQUIRE(Find.ThreadFatalException());
  CHECK_THROWS_WITH_AS(std::rethrow_exception(Find.ThreadFatalException()), "worker failed", EVKRFileFind);
  CHECK(CurrentDirectory() == Tree.Root() + L"\\sub1");
  SetCurrentDirectoryW(Guard.Saved().c_str());
}

TEST_CASE("while a worker runs nothing else may use the results; freeing the component stops it") {
  const TAttributeTree Tree;
  TCurrentDirectoryGuard Guard;

  SUBCASE("a second run and the filters are refused") {
    TGate Gate;
    TVKRFileFind Find;
    Configure(Find, Tree.Root());
    Find.OnChangeDirectory = [&](TObject*, const std::wstring& Folder) {
      if (Folder == Tree.Root()) Gate.Wait();
    };
    bool Ended = false;
    Find.OnTerminate = [&](TObject*) { Ended = true; };
    Find.ThreadExecute();
    REQUIRE(Gate.Entered());
    CHECK_THROWS_AS(Find.Execute(), EVKRFileFind);
    CHECK_THROWS_AS(Find.ThreadExecute(), EVKRFileFind);
    CHECK_THROWS_AS(Find.FilterFilesFoundDepth(0, 1), EVKRFileFind);
    CHECK_THROWS_AS(Find.FilterFilesFoundBackup(), EVKRFileFind);
    Gate.Open();
    REQUIRE(PumpMessagesUntil([&] { return Ended; }));
    CHECK_FALSE(Find.ThreadFatalException());
  }

  SUBCASE("freeing a running component") {
    TGate Gate;
    bool Ended = false;
    auto Find = std::make_unique<TVKRFileFind>();
    Configure(*Find, Tree.Root());
    Find->OnChangeDirectory = [&](TObject*, const std::wstring& Folder) {
      if (Folder == Tree.Root()) Gate.Wait();
    };
    Find->OnTerminate = [&](TObject*) { Ended = true; };
    Find->ThreadExecute();
    REQUIRE(Gate.Entered());
    Gate.Open();
    Find.reset();
    // The worker had ended, and posted its end, before reset returned: once a
    // message posted after that arrives, the end has been dealt with too.
    constexpr UINT Marker = WM_APP + 0x77;
    PostThreadMessageW(GetCurrentThreadId(), Marker, 0, 0);
    MSG Message;
    while (GetMessageW(&Message, nullptr, 0, 0) > 0 && !(Message.hwnd == nullptr && Message.message == Marker))
      DispatchMessageW(&Message);
    CHECK_FALSE(Ended);
  }
  SetCurrentDirectoryW(Guard.Saved().c_str());
}
