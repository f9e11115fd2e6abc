#include "search/VKRFileFind.h"

#include "framework/FileSystem.h"
#include "framework/Text.h"
#include "framework/Window.h"
#include "search/FindPaths.h"

#include <process.h>

namespace {

// What one run needs, for the component's own run and for its worker's alike.
TFindRunSettings MakeRunSettings(const std::vector<std::wstring>& StartDirs, const std::vector<std::wstring>& Patterns,
                                 bool Recursive, uint16_t FileTypeWord, uint16_t DirTypeWord, bool MatchContent,
                                 const std::wstring& BaseDirectory, const std::wstring& OutOfResourcesText) {
  TFindRunSettings Settings;
  Settings.StartDirs = &StartDirs;
  Settings.Patterns = &Patterns;
  Settings.Recursive = Recursive;
  Settings.FileTypeWord = FileTypeWord;
  Settings.DirTypeWord = DirTypeWord;
  Settings.MatchContent = MatchContent;
  Settings.BaseDirectory = BaseDirectory;
  Settings.OutOfResourcesText = OutOfResourcesText;
  return Settings;
}

// The unit's texts; every SetLangType of any instance replaces them.
std::wstring GOutOfResourcesText;
std::wstring GAlreadyRunningText;

// Posted by a worker to the notify window of its component when it has ended.
constexpr UINT WM_FIND_THREAD_DONE = WM_APP + 0x46;

void ConfigureMatcher(TVKRMatch& Match, bool CaseSensitive, bool HitsCountEnabled, bool SkipBinaryFile,
                      const std::wstring& Pattern) {
  Match.SetCaseSensitive(CaseSensitive);
  Match.SetHitsCountEnabled(HitsCountEnabled);
  Match.SetSkipBinaryFile(SkipBinaryFile);
  Match.SetPattern(Pattern);
}

// Where a run leaves the process's current directory: the last start folder
// entered, or the folder an error happened in. A current directory holds
// MAX_PATH characters with its trailing separator; a longer folder leaves it
// unchanged (Wine accepts one and overruns its buffer).
void LeaveCurrentDirectoryAt(const std::wstring& Folder) {
  if (!Folder.empty() && Folder.size() <= MAX_PATH - 2) SetCurrentDirectoryW(Folder.c_str());
}

int PlatformPriority(TThreadPriority Priority) {
  switch (Priority) {
    case TThreadPriority::tpIdle: return THREAD_PRIORITY_IDLE;
    case TThreadPriority::tpLowest: return THREAD_PRIORITY_LOWEST;
    case TThreadPriority::tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case TThreadPriority::tpNormal: return THREAD_PRIORITY_NORMAL;
    case TThreadPriority::tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case TThreadPriority::tpHighest: return THREAD_PRIORITY_HIGHEST;
    case TThreadPriority::tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
  }
  return THREAD_PRIORITY_NORMAL;
}

}  // namespace

// A message-only window that brings a worker's end to the thread that
// started it.
class TFindNotifyWindow : public TWindow {
public:
  explicit TFindNotifyWindow(TVKRFileFind& Owner) : FOwner(Owner) {
    CreateWindowHandle(L"MarrowbyFindNotify", 0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr);
  }

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override {
    if (Msg != WM_FIND_THREAD_DONE) return TWindow::HandleMessage(Msg, WParam, LParam, Result);
    FOwner.ThreadDone(reinterpret_cast<TFindThread*>(LParam));
    Result = 0;
    return true;
  }

private:
  TVKRFileFind& FOwner;
};

uint16_t TFileTypes::AttributeWord() const {
  static constexpr struct {
    TFileType Type;
    uint16_t Attribute;
  } Bits[] = {
      {TFileType::ftReadOnly, FILE_ATTRIBUTE_READONLY},   {TFileType::ftHidden, FILE_ATTRIBUTE_HIDDEN},
      {TFileType::ftSystem, FILE_ATTRIBUTE_SYSTEM},       {TFileType::ftVolumeID, 0x08},
      {TFileType::ftDirectory, FILE_ATTRIBUTE_DIRECTORY}, {TFileType::ftArchive, FILE_ATTRIBUTE_ARCHIVE},
  };
  uint16_t Word = 0;
  for (const auto& Bit : Bits)
    if (Contains(Bit.Type)) Word = static_cast<uint16_t>(Word | Bit.Attribute);
  return Word;
}

// ---------------------------------------------------------------------------
// TFindThread

TFindThread::TFindThread(const std::vector<std::wstring>& AStartDir, const std::vector<std::wstring>& AFilePattern,
                         std::vector<std::wstring>& AFilesFound, bool ARecursive, TVKRMatch& AMatch,
                         bool AMatchCaseSensitive, bool AMatchEnabled, int32_t AMatchHitsCount,
                         bool AMatchHitsCountEnabled, std::vector<std::wstring>& AMatchHitsCountList,
                         bool AMatchSkipBinaryFile, const std::wstring& AMatchString, uint16_t AFileTypeWord,
                         uint16_t ADirTypeWord, const std::wstring& ABaseDirectory)
    : FStartDir(AStartDir),
      FFilePattern(AFilePattern),
      FFilesFound(AFilesFound),
      FRecursive(ARecursive),
      FMatch(AMatch),
      FMatchCaseSensitive(AMatchCaseSensitive),
      FMatchEnabled(AMatchEnabled),
      FMatchHitsCount(AMatchHitsCount),
      FMatchHitsCountEnabled(AMatchHitsCountEnabled),
      FMatchHitsCountList(AMatchHitsCountList),
      FMatchSkipBinaryFile(AMatchSkipBinaryFile),
      FMatchString(AMatchString),
      FFileTypeWord(AFileTypeWord),
      FDirTypeWord(ADirTypeWord),
      FBaseDirectory(ABaseDirectory),
      // Read here, on the starting thread, so the worker never reads the
      // unit's text while another instance replaces it.
      FOutOfResourcesText(GOutOfResourcesText) {
  unsigned Id = 0;
  FHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &TFindThread::ThreadProc, this, CREATE_SUSPENDED, &Id));
  Win32Check(FHandle != nullptr, L"_beginthreadex");
}

TFindThread::~TFindThread() {
  Terminate();
  WaitFor();
  CloseHandle(FHandle);
}

void TFindThread::SetPriority(TThreadPriority Priority) { SetThreadPriority(FHandle, PlatformPriority(Priority)); }

void TFindThread::SetCompletionTarget(HWND Window, UINT Message) {
  FNotifyWindow = Window;
  FNotifyMessage = Message;
}

void TFindThread::Start() {
  if (FStarted) return;
  FStarted = true;
  ResumeThread(FHandle);
}

void TFindThread::WaitFor() {
  // A thread that never started would never end: let it run into its stop.
  Start();
  WaitForSingleObject(FHandle, INFINITE);
}

unsigned __stdcall TFindThread::ThreadProc(void* Parameter) {
  auto* Self = static_cast<TFindThread*>(Parameter);
  Self->Execute();
  // The receiver waits for this thread before freeing the worker, so the
  // worker is never touched after this post.
  if (Self->FNotifyWindow != nullptr)
    PostMessageW(Self->FNotifyWindow, Self->FNotifyMessage, 0, reinterpret_cast<LPARAM>(Self));
  return 0;
}

void TFindThread::Execute() noexcept {
  try {
    FFilesFound.clear();
    FMatchHitsCountList.clear();
    FMatchHitsCount = 0;
    ConfigureMatcher(FMatch, FMatchCaseSensitive, FMatchHitsCountEnabled, FMatchSkipBinaryFile, FMatchString);

    TFindRun Run(MakeRunSettings(FStartDir, FFilePattern, FRecursive, FFileTypeWord, FDirTypeWord,
                                 FMatchEnabled && !FMatchString.empty(), FBaseDirectory, FOutOfResourcesText),
                 FMatch, FFilesFound, FMatchHitsCountList, FMatchHitsCount);
    Run.StopRequested = &FTerminated;
    Run.OnChangeDirectory = [this](const std::wstring& Folder) {
      if (OnChangeDirectory) OnChangeDirectory(this, Folder);
    };
    try {
      Run.Run();
    } catch (...) {
      FFolderVisited = Run.FolderVisited();
      throw;
    }
    FLastStartEntered = Run.LastStartEntered();
  } catch (...) {
    // Nobody on this thread could hear it: the component hands it on.
    FFatalException = std::current_exception();
  }
}

// ---------------------------------------------------------------------------
// TVKRFileFind

TVKRFileFind::TVKRFileFind() : FStartTime(std::chrono::steady_clock::now()) {
  FConvert.SetBreakString(L";");
  FMatch.SetSourceIsFile(true);
  SetDirType({TFileType::ftDirectory});
  SetFileType({TFileType::ftNormal});
  SetLangType(TLangType::ltEnglish);
}

TVKRFileFind::~TVKRFileFind() {
  // The worker writes into this object's lists and matcher: it must be gone first.
  FThreadID.reset();
  FNotifyWindow.reset();
}

void TVKRFileFind::SetDirType(TFileTypes Value) {
  if (Value == FDirType) return;
  FDirType = Value;
  FDirTypeWord = Value.AttributeWord();
}

void TVKRFileFind::SetFileType(TFileTypes Value) {
  if (Value == FFileType) return;
  FFileType = Value;
  FFileTypeWord = Value.AttributeWord();
}

std::wstring TVKRFileFind::FilePattern() const { return TVKRBreakApart::Join(FFilePattern, FConvert.BreakString()); }

void TVKRFileFind::SetFilePattern(const std::wstring& Value) {
  FConvert.SetBaseString(Value);
  FConvert.BreakApart();
  FFilePattern = FConvert.StringList();
}

std::wstring TVKRFileFind::StartDir() const { return TVKRBreakApart::Join(FStartDir, FConvert.BreakString()); }

void TVKRFileFind::SetStartDir(const std::wstring& Value) {
  FConvert.SetBaseString(Value);
  FConvert.BreakApart();
  FStartDir.clear();
  for (const std::wstring& Line : FConvert.StringList())
    if (DirectoryExists(Line)) FStartDir.push_back(NormaliseStartDir(Line));
}

void TVKRFileFind::SetStartDirFolder(const std::wstring& Folder) {
  FStartDir.clear();
  if (DirectoryExists(Folder)) FStartDir.push_back(NormaliseStartDir(Folder));
}

void TVKRFileFind::SetLangType(TLangType Value) {
  FLangType = Value;
  if (Value == TLangType::ltFrench) {
    GOutOfResourcesText = L"Trop de fichiers";
    GAlreadyRunningText = L"Une recherche est d\u00E9j\u00E0 en cours";
  } else {
    GOutOfResourcesText = L"Too many files";
    GAlreadyRunningText = L"A search is already running";
  }
}

std::wstring TVKRFileFind::OutOfResourcesMessage() { return GOutOfResourcesText; }

void TVKRFileFind::RaiseIfRunning() const {
  // The worker writes into the result lists until OnTerminate: nothing else may touch them.
  if (FThreadID) throw EVKRFileFind(GAlreadyRunningText);
}

int64_t TVKRFileFind::ElapsedMilliseconds() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - FStartTime).count();
}

void TVKRFileFind::Execute() {
  RaiseIfRunning();
  FStartTime = std::chrono::steady_clock::now();
  FFilesFound.clear();
  FMatchHitsCountList.clear();
  FMatchHitsCount = 0;
  ConfigureMatcher(FMatch, FMatchCaseSensitive, FMatchHitsCountEnabled, FMatchSkipBinaryFile, FMatchString);

  TFindRun Run(MakeRunSettings(FStartDir, FFilePattern, FRecursive, FFileTypeWord, FDirTypeWord,
                               FMatchEnabled && !FMatchString.empty(), CurrentDirectory(), GOutOfResourcesText),
               FMatch, FFilesFound, FMatchHitsCountList, FMatchHitsCount);
  Run.OnChangeDirectory = [this](const std::wstring& Folder) {
    if (OnChangeDirectory) OnChangeDirectory(this, Folder);
  };
  Run.ListingObserver = FListingObserver;
  Run.StopRequested = FStopRequest;
  try {
    Run.Run();
  } catch (...) {
    LeaveCurrentDirectoryAt(Run.FolderVisited());
    throw;
  }
  LeaveCurrentDirectoryAt(Run.LastStartEntered());
  FExecutionTime = ElapsedMilliseconds();
}

void TVKRFileFind::ThreadExecute() {
  RaiseIfRunning();
  if (!FNotifyWindow) FNotifyWindow = std::make_unique<TFindNotifyWindow>(*this);
  FStartTime = std::chrono::steady_clock::now();
  FThreadFatalException = nullptr;
  auto Thread = std::make_unique<TFindThread>(FStartDir, FFilePattern, FFilesFound, FRecursive, FMatch,
                                              FMatchCaseSensitive, FMatchEnabled, FMatchHitsCount,
                                              FMatchHitsCountEnabled, FMatchHitsCountList, FMatchSkipBinaryFile,
                                              FMatchString, FFileTypeWord, FDirTypeWord, CurrentDirectory());
  Thread->SetCompletionTarget(FNotifyWindow->Handle(), WM_FIND_THREAD_DONE);
  Thread->OnChangeDirectory = OnChangeDirectory;
  Thread->SetPriority(FThreadPriority);
  FThreadID = std::move(Thread);
  FThreadID->Start();
}

void TVKRFileFind::ThreadTerminate() {
  FExecutionTime = ElapsedMilliseconds();
  if (FThreadID) FThreadID->Terminate();
}

void TVKRFileFind::ThreadDone(TFindThread* Thread) {
  if (Thread == nullptr || Thread != FThreadID.get()) return;
  FThreadID->WaitFor();
  const std::unique_ptr<TFindThread> Finished = std::move(FThreadID);
  FExecutionTime = ElapsedMilliseconds();
  FMatchHitsCount = Finished->MatchHitsCount();
  FThreadFatalException = Finished->FatalException();
  LeaveCurrentDirectoryAt(FThreadFatalException ? Finished->FolderVisited() : Finished->LastStartEntered());
  if (OnTerminate) OnTerminate(this);
}

template <typename TPredicate>
int32_t TVKRFileFind::RemoveFound(TPredicate Remove) {
  // One pass that keeps the survivors in order; should anything raise half
  // way, the lists are left as if the removals so far had been made one by one.
  const size_t Count = FFilesFound.size();
  size_t Write = 0, Read = 0;
  int32_t Removed = 0;
  const auto Close = [&] {
    const size_t Hits = FMatchHitsCountList.size();
    FFilesFound.erase(FFilesFound.begin() + static_cast<std::ptrdiff_t>(Write),
                      FFilesFound.begin() + static_cast<std::ptrdiff_t>(Read));
    const size_t HitsFrom = Write < Hits ? Write : Hits, HitsTo = Read < Hits ? Read : Hits;
    FMatchHitsCountList.erase(FMatchHitsCountList.begin() + static_cast<std::ptrdiff_t>(HitsFrom),
                              FMatchHitsCountList.begin() + static_cast<std::ptrdiff_t>(HitsTo));
  };
  try {
    for (; Read < Count; ++Read) {
      if (Remove(FFilesFound[Read])) {
        if (Read >= FMatchHitsCountList.size()) throw EListError::IndexOutOfBounds(static_cast<int>(Write));
        const int32_t Hits = StrToInt(FMatchHitsCountList[Read]);
        FMatchHitsCount = static_cast<int32_t>(static_cast<int64_t>(FMatchHitsCount) - Hits);
        ++Removed;
        continue;
      }
      if (Write != Read) {
        FFilesFound[Write] = std::move(FFilesFound[Read]);
        if (Read < FMatchHitsCountList.size()) FMatchHitsCountList[Write] = std::move(FMatchHitsCountList[Read]);
      }
      ++Write;
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
  return Removed;
}

int32_t TVKRFileFind::FilterFilesFoundDepth(int32_t MinDepth, int32_t MaxDepth) {
  RaiseIfRunning();
  if (FStartDir.empty()) return 0;
  std::wstring Prefix = FStartDir[0];
  for (size_t i = 1; i < FStartDir.size(); ++i) {
    const int32_t Common = CommonPrefixLength(Prefix, FStartDir[i]);
    if (Common > 0) Prefix.resize(static_cast<size_t>(Common));
  }
  const int32_t Base = PathDepth(Prefix);
  return RemoveFound(
      [&](const std::wstring& Entry) { return OutsideDepthRange(Entry, Base, MinDepth, MaxDepth); });
}

int32_t TVKRFileFind::FilterFilesFoundBackup() {
  RaiseIfRunning();
  return RemoveFound([](const std::wstring& Entry) { return IsBackupFileName(Entry); });
}
