#include "search/FolderPrefetch.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <system_error>

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

bool IsSet(const std::atomic<bool>* Flag) { return Flag != nullptr && Flag->load(std::memory_order_relaxed); }

bool NeedsShortNames(const TListingPlan& Plan) {
  return std::any_of(Plan.Patterns.begin(), Plan.Patterns.end(),
                     [](const TListingPattern& Pattern) { return Pattern.Kind == TPatternKind::Extension; });
}

// Answers a pattern from the complete listing; false when some entry cannot
// be judged there, and the pattern needs a listing of its own.
bool AnswerFromEntries(const TListingPattern& Pattern, const TListedFolder& Folder, uint16_t FileWord,
                       std::vector<uint32_t>& Hits) {
  for (size_t i = 0; i < Folder.Entries.size(); ++i) {
    if (IsDotName(Folder.Name(i)) || !PassesWord(Folder.Entries[i].Attributes, FileWord)) continue;
    const TNameAnswer Answer = MatchesPattern(Pattern, Folder.Name(i), Folder.ShortName(i));
    if (Answer == TNameAnswer::Unsure) return false;
    if (Answer == TNameAnswer::Yes) Hits.push_back(static_cast<uint32_t>(i));
  }
  return true;
}

}  // namespace

void TListedFolder::Add(const WIN32_FIND_DATAW& Data) {
  TListedEntry Entry;
  Entry.NameAt = static_cast<uint32_t>(Names.size());
  Names.append(Data.cFileName).push_back(L'\0');
  Entry.ShortNameAt = static_cast<uint32_t>(Names.size());
  Names.append(Data.cAlternateFileName).push_back(L'\0');
  Entry.Attributes = Data.dwFileAttributes;
  std::memcpy(Entry.Fixed, &Data, sizeof(Entry.Fixed));
  Entries.push_back(Entry);
}

void TListedFolder::FindData(size_t Index, WIN32_FIND_DATAW& Data) const {
  const TListedEntry& Entry = Entries[Index];
  std::memcpy(&Data, Entry.Fixed, sizeof(Entry.Fixed));
  // Both names came out of these very arrays, so they fit.
  const wchar_t* const Long = Name(Index);
  const size_t LongLength = std::min(std::wcslen(Long), static_cast<size_t>(MAX_PATH - 1));
  std::wmemcpy(Data.cFileName, Long, LongLength);
  Data.cFileName[LongLength] = L'\0';
  const wchar_t* const Short = ShortName(Index);
  const size_t ShortLength = std::min(std::wcslen(Short), static_cast<size_t>(13));
  std::wmemcpy(Data.cAlternateFileName, Short, ShortLength);
  Data.cAlternateFileName[ShortLength] = L'\0';
}

void ListFolder(const TListingPlan& Plan, bool IsStart, TListedFolder& Folder, const std::atomic<bool>* Stop,
                const std::atomic<bool>* Shutdown) {
  Folder.Entries.clear();
  Folder.Names.clear();
  Folder.Subfolders.clear();
  Folder.Hits.assign(Plan.Patterns.size(), TPatternHits());
  Folder.Interrupted = false;
  const auto Interrupted = [&] { return IsSet(Stop) || IsSet(Shutdown); };

  TFolderListing All(Folder.Path, L"*", NeedsShortNames(Plan));
  Folder.Opened = All.Opened();
  // A subfolder that cannot be listed is not entered; a start folder is.
  if (!Folder.Opened && !IsStart) return;
  for (; All.HasEntry(); All.Next()) {
    if (Interrupted()) {
      Folder.Interrupted = true;
      return;
    }
    const WIN32_FIND_DATAW& Data = All.Entry();
    Folder.Add(Data);
    if (Plan.Recursive && !IsDotName(Data.cFileName) && IsDescendable(Data.dwFileAttributes, Plan.DirWord))
      Folder.Subfolders.emplace_back(Data.cFileName);
  }
  Folder.EndError = All.EndError();

  for (size_t p = 0; p < Plan.Patterns.size(); ++p) {
    const TListingPattern& Pattern = Plan.Patterns[p];
    TPatternHits& Hits = Folder.Hits[p];
    if (Folder.Opened && AnswerFromEntries(Pattern, Folder, Plan.FileWord, Hits.Entries)) continue;
    Hits.Entries.clear();
    Hits.FromEntries = false;
    for (TFolderListing Listing(Folder.Path, Pattern.Text.c_str()); Listing.HasEntry(); Listing.Next()) {
      if (Interrupted()) {
        Folder.Interrupted = true;
        return;
      }
      const WIN32_FIND_DATAW& Data = Listing.Entry();
      if (!IsDotName(Data.cFileName) && PassesWord(Data.dwFileAttributes, Plan.FileWord))
        Hits.Names.emplace_back(Data.cFileName);
    }
  }
}

struct TFolderPrefetch::TNode {
  std::vector<uint32_t> Key;  // the child indexes from the start folder: walk order is their order
  TListedFolder Folder;
  bool Listed = false;
  size_t Weight = 0;
  std::exception_ptr Error;
  std::vector<std::unique_ptr<TNode>> Children;
};

bool TFolderPrefetch::TLater::operator()(const TNode* A, const TNode* B) const { return A->Key > B->Key; }

unsigned TFolderPrefetch::WorkerCount() {
  // Listings wait on the file system as much as they compute: more workers
  // than cores overlap the waits.
  const unsigned Cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp(Cores * 2, 2u, 4u);
}

TFolderPrefetch::TFolderPrefetch(const TListingPlan& Plan, std::wstring Start, const std::atomic<bool>* StopRequested,
                                 size_t MostAhead)
    : FPlan(Plan), FStopRequested(StopRequested), FMostAhead(MostAhead), FRoot(std::make_unique<TNode>()) {
  FRoot->Folder.Path = std::move(Start);
}

TFolderPrefetch::~TFolderPrefetch() {
  {
    std::lock_guard<TSlimLock> Guard(FLock);
    FShutdown = true;
  }
  FWorkReady.notify_all();
  for (std::thread& Worker : FWorkers) Worker.join();
}

bool TFolderPrefetch::Stopped() const { return IsSet(FStopRequested); }

const TListedFolder* TFolderPrefetch::Next() {
  if (Stopped()) return nullptr;
  FCurrent = NextInWalk();
  return FCurrent != nullptr ? &FCurrent->Folder : nullptr;
}

TFolderPrefetch::TNode* TFolderPrefetch::NextInWalk() {
  if (!FStarted) {
    FStarted = true;
    ListFolder(FPlan, true, FRoot->Folder, FStopRequested, nullptr);
    if (FRoot->Folder.Interrupted) return nullptr;
    FRoot->Listed = true;
    BuildChildren(*FRoot);
    std::lock_guard<TSlimLock> Guard(FLock);
    Enqueue(*FRoot);
    return FRoot.get();
  }
  if (FCurrent != nullptr) {
    // The walk is done with this folder's listing.
    FCurrent->Folder.Entries = {};
    FCurrent->Folder.Names = {};
    FCurrent->Folder.Hits = {};
    if (!FCurrent->Children.empty()) FStack.push_back({FCurrent, 0});
  }
  while (!FStack.empty()) {
    TLevel& Top = FStack.back();
    if (Top.Next == Top.Node->Children.size()) {
      Top.Node->Children.clear();
      FStack.pop_back();
      continue;
    }
    TNode* const Child = Top.Node->Children[Top.Next++].get();
    if (FInline) {
      ListFolder(FPlan, false, Child->Folder, FStopRequested, nullptr);
      BuildChildren(*Child);
    } else {
      std::unique_lock<TSlimLock> Lock(FLock);
      // No worker has taken the folder the walk needs next (it is the first
      // in walk order, so it is on top of the queue): listing it here saves
      // waking a worker and sleeping until it is done, hand-overs that
      // showed as 8-20% of a search when the workers fell behind.
      if (!Child->Listed && !FQueue.empty() && FQueue.front() == Child) {
        std::pop_heap(FQueue.begin(), FQueue.end(), TLater());
        FQueue.pop_back();
        Lock.unlock();
        ListNode(*Child);
        Lock.lock();
        PublishNode(*Child);
        ++FListedByWalk;
      }
      if (!Child->Listed) {
        FWaiting = true;
        FWorkReady.notify_all();
        FFolderDone.wait(Lock, [&] { return Child->Listed; });
        FWaiting = false;
      }
      FBuffered -= Child->Weight;
    }
    if (Child->Error) std::rethrow_exception(Child->Error);
    if (Child->Folder.Interrupted) return nullptr;
    if (!Child->Folder.Opened) continue;
    return Child;
  }
  return nullptr;
}

void TFolderPrefetch::BuildChildren(TNode& Node) {
  const std::vector<std::wstring>& Names = Node.Folder.Subfolders;
  Node.Children.reserve(Names.size());
  for (size_t i = 0; i < Names.size(); ++i) {
    auto Child = std::make_unique<TNode>();
    Child->Key.reserve(Node.Key.size() + 1);
    Child->Key = Node.Key;
    Child->Key.push_back(static_cast<uint32_t>(i));
    Child->Folder.Path = JoinPath(Node.Folder.Path, Names[i]);
    Node.Children.push_back(std::move(Child));
  }
  Node.Folder.Subfolders = {};
}

void TFolderPrefetch::Enqueue(const TNode& Node) {
  if (Node.Children.empty() || FInline) return;
  // Workers start with the first subfolder: a folder without any is listed on the walk's thread alone.
  if (FWorkers.empty()) StartWorkers();
  if (FInline) return;
  for (const std::unique_ptr<TNode>& Child : Node.Children) {
    FQueue.push_back(Child.get());
    std::push_heap(FQueue.begin(), FQueue.end(), TLater());
  }
  FWorkReady.notify_all();
}

void TFolderPrefetch::StartWorkers() {
  const unsigned Count = WorkerCount();
  try {
    for (unsigned i = 0; i < Count; ++i) FWorkers.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // Fewer workers do; none at all leaves the listing to the walk itself.
  }
  FInline = FWorkers.empty();
}

void TFolderPrefetch::Work() {
  std::unique_lock<TSlimLock> Lock(FLock);
  for (;;) {
    FWorkReady.wait(Lock, [&] { return FShutdown || (!FQueue.empty() && (FBuffered < FMostAhead || FWaiting)); });
    if (FShutdown) return;
    std::pop_heap(FQueue.begin(), FQueue.end(), TLater());
    TNode* const Node = FQueue.back();
    FQueue.pop_back();
    Lock.unlock();
    ListNode(*Node);
    Lock.lock();
    PublishNode(*Node);
    FFolderDone.notify_all();
  }
}

void TFolderPrefetch::ListNode(TNode& Node) noexcept {
  try {
    if (Stopped())
      Node.Folder.Interrupted = true;
    else
      ListFolder(FPlan, false, Node.Folder, FStopRequested, &FShutdown);
    if (Node.Folder.Opened && !Node.Folder.Interrupted) BuildChildren(Node);
  } catch (...) {
    Node.Error = std::current_exception();
  }
}

void TFolderPrefetch::PublishNode(TNode& Node) noexcept {
  try {
    if (!Node.Error) Enqueue(Node);
  } catch (...) {
    Node.Error = std::current_exception();
  }
  Node.Weight = Node.Folder.Entries.size() + 1;
  FBuffered += Node.Weight;
  Node.Listed = true;
}
