#pragma once
// Lists, under one or more start folders, the entries that match wildcard
// patterns and attribute filters, optionally in subfolders too and
// optionally only files whose text content matches a pattern; synchronously
// (Execute) or on a worker thread (ThreadExecute). The result is a list of
// full paths beside a list of per-entry hit counts, with two filters to
// apply afterwards: by folder depth and by backup extension.

#include "common/VKRBreakApart.h"
#include "common/VKRLangType.h"
#include "framework/Exception.h"
#include "framework/Object.h"
#include "search/FindWalk.h"
#include "search/VKRMatch.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

enum class TFileType : uint8_t { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };

// A set of TFileType in one byte, bit i standing for member i.
class TFileTypes {
public:
  constexpr TFileTypes() = default;
  constexpr TFileTypes(std::initializer_list<TFileType> Types) {
    for (const TFileType Type : Types) Include(Type);
  }
  static constexpr TFileTypes FromBits(uint8_t Bits) {
    TFileTypes Result;
    Result.FBits = Bits;
    return Result;
  }

  constexpr bool Contains(TFileType Type) const { return (FBits & Bit(Type)) != 0; }
  constexpr void Include(TFileType Type) { FBits = static_cast<uint8_t>(FBits | Bit(Type)); }
  constexpr void Exclude(TFileType Type) { FBits = static_cast<uint8_t>(FBits & ~Bit(Type)); }
  constexpr uint8_t Bits() const { return FBits; }
  // The platform's attribute bits of the members; ftNormal adds none.
  uint16_t AttributeWord() const;

  constexpr bool operator==(const TFileTypes&) const = default;

private:
  static constexpr uint8_t Bit(TFileType Type) { return static_cast<uint8_t>(1u << static_cast<unsigned>(Type)); }
  uint8_t FBits = 0;
};

enum class TThreadPriority : uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TChangeDirectoryEvent = std::function<void(TObject* Sender, const std::wstring& DirectoryName)>;

class EVKRFileFind : public Exception {
public:
  using Exception::Exception;
};

// Memory ran out while a found entry was matched or recorded.
class EVKRFileFindOutOfResources : public EVKRFileFind {
public:
  using EVKRFileFind::EVKRFileFind;
};

// The worker of a threaded run. It writes into the lists and the matcher it
// is given, which belong to the component that waits for it.
class TFindThread : public TObject {
public:
  TFindThread(const std::vector<std::wstring>& AStartDir, const std::vector<std::wstring>& AFilePattern,
              std::vector<std::wstring>& AFilesFound, bool ARecursive, TVKRMatch& AMatch, bool AMatchCaseSensitive,
              bool AMatchEnabled, int32_t AMatchHitsCount, bool AMatchHitsCountEnabled,
              std::vector<std::wstring>& AMatchHitsCountList, bool AMatchSkipBinaryFile,
              const std::wstring& AMatchString, uint16_t AFileTypeWord, uint16_t ADirTypeWord,
              const std::wstring& ABaseDirectory);
  // Asks the run to stop and waits for the thread to end.
  ~TFindThread() override;

  // Called on the worker thread, with the worker as Sender.
  TChangeDirectoryEvent OnChangeDirectory;

  void SetPriority(TThreadPriority Priority);
  // Message is posted to Window, with the worker in LPARAM, when the run has ended.
  void SetCompletionTarget(HWND Window, UINT Message);
  void Start();
  // Asks the run to stop after the entry in hand; does not wait.
  void Terminate() { FTerminated.store(true); }
  bool Terminated() const { return FTerminated.load(); }
  void WaitFor();

  int32_t MatchHitsCount() const { return FMatchHitsCount; }
  const std::wstring& LastStartEntered() const { return FLastStartEntered; }
  const std::wstring& FolderVisited() const { return FFolderVisited; }
  // What ended the run early, if anything did.
  std::exception_ptr FatalException() const { return FFatalException; }

private:
  static unsigned __stdcall ThreadProc(void* Parameter);
  void Execute() noexcept;

  const std::vector<std::wstring>& FStartDir;
  const std::vector<std::wstring>& FFilePattern;
  std::vector<std::wstring>& FFilesFound;
  bool FRecursive;
  TVKRMatch& FMatch;
  bool FMatchCaseSensitive;
  bool FMatchEnabled;
  int32_t FMatchHitsCount;
  bool FMatchHitsCountEnabled;
  std::vector<std::wstring>& FMatchHitsCountList;
  bool FMatchSkipBinaryFile;
  std::wstring FMatchString;
  uint16_t FFileTypeWord;
  uint16_t FDirTypeWord;
  std::wstring FBaseDirectory;
  std::wstring FOutOfResourcesText;

  HANDLE FHandle = nullptr;
  bool FStarted = false;
  std::atomic<bool> FTerminated{false};
  HWND FNotifyWindow = nullptr;
  UINT FNotifyMessage = 0;
  std::wstring FLastStartEntered;
  std::wstring FFolderVisited;
  std::exception_ptr FFatalException;
};

class TFindNotifyWindow;

class TVKRFileFind : public TObject {
public:
  TVKRFileFind();
  // A worker still running is stopped and waited for; OnTerminate is not called then.
  ~TVKRFileFind() override;

  // Attribute filter for entering folders.
  TFileTypes DirType() const { return FDirType; }
  void SetDirType(TFileTypes Value);
  // Wildcard patterns separated by ";".
  std::wstring FilePattern() const;
  void SetFilePattern(const std::wstring& Value);
  // Attribute filter for the entries reported.
  TFileTypes FileType() const { return FFileType; }
  void SetFileType(TFileTypes Value);
  TLangType LangType() const { return FLangType; }
  void SetLangType(TLangType Value);
  bool MatchCaseSensitive() const { return FMatchCaseSensitive; }
  void SetMatchCaseSensitive(bool Value) { FMatchCaseSensitive = Value; }
  bool MatchEnabled() const { return FMatchEnabled; }
  void SetMatchEnabled(bool Value) { FMatchEnabled = Value; }
  bool MatchHitsCountEnabled() const { return FMatchHitsCountEnabled; }
  void SetMatchHitsCountEnabled(bool Value) { FMatchHitsCountEnabled = Value; }
  const std::wstring& MatchString() const { return FMatchString; }
  void SetMatchString(const std::wstring& Value) { FMatchString = Value; }
  bool Recursive() const { return FRecursive; }
  void SetRecursive(bool Value) { FRecursive = Value; }
  bool MatchSkipBinaryFile() const { return FMatchSkipBinaryFile; }
  void SetMatchSkipBinaryFile(bool Value) { FMatchSkipBinaryFile = Value; }
  // Folders separated by ";"; those that do not exist are dropped, and one
  // trailing "\" is removed (a drive root keeps it).
  std::wstring StartDir() const;
  void SetStartDir(const std::wstring& Value);
  // One folder, whatever characters its path holds (";" is legal in a
  // folder name); dropped when it does not exist.
  void SetStartDirFolder(const std::wstring& Folder);
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority Value) { FThreadPriority = Value; }

  TNotifyEvent OnTerminate;
  TChangeDirectoryEvent OnChangeDirectory;

  // Milliseconds the last run took.
  int64_t ExecutionTime() const { return FExecutionTime; }
  const std::vector<std::wstring>& FilesFound() const { return FFilesFound; }
  std::vector<std::wstring>& FilesFound() { return FFilesFound; }
  void SetFilesFound(const std::vector<std::wstring>& Value) { FFilesFound = Value; }
  int32_t MatchHitsCount() const { return FMatchHitsCount; }
  const std::vector<std::wstring>& MatchHitsCountList() const { return FMatchHitsCountList; }
  std::vector<std::wstring>& MatchHitsCountList() { return FMatchHitsCountList; }
  void SetMatchHitsCountList(const std::vector<std::wstring>& Value) { FMatchHitsCountList = Value; }

  // Shown the complete listing of every folder the next Execute lists
  // (not used by threaded runs); nullptr for none.
  void SetListingObserver(TFindListingObserver* Observer) { FListingObserver = Observer; }
  // While set and true, Execute stops after the entry in hand and leaves
  // what it found so far; nullptr for none.
  void SetStopRequest(const std::atomic<bool>* Stop) { FStopRequest = Stop; }

  // Runs the search on this thread. Afterwards the current directory is the
  // last start folder that could be entered (unchanged when none could), or
  // the folder being visited when an error ended the run.
  void Execute();
  // Starts the search on a worker thread and returns; OnTerminate follows,
  // on this thread, once the worker has ended. This thread must dispatch
  // messages meanwhile.
  void ThreadExecute();
  // Asks a running worker to stop; does not wait for it.
  void ThreadTerminate();
  // Removes the entries lying less than MinDepth or more than MaxDepth
  // levels below the start folders; returns the number removed.
  int32_t FilterFilesFoundDepth(int32_t MinDepth, int32_t MaxDepth);
  // Removes the entries whose extension starts with ".~"; returns the number removed.
  int32_t FilterFilesFoundBackup();

  // What ended the last threaded run early, if anything did.
  std::exception_ptr ThreadFatalException() const { return FThreadFatalException; }

  // The text of EVKRFileFindOutOfResources, shared by every instance: the
  // last SetLangType of any of them chose its language.
  static std::wstring OutOfResourcesMessage();

private:
  friend class TFindNotifyWindow;

  void RaiseIfRunning() const;
  void ThreadDone(TFindThread* Thread);
  int64_t ElapsedMilliseconds() const;
  template <typename TPredicate>
  int32_t RemoveFound(TPredicate Remove);

  TFileTypes FDirType;
  uint16_t FDirTypeWord = 0;
  int64_t FExecutionTime = 0;
  std::vector<std::wstring> FFilePattern;
  std::vector<std::wstring> FFilesFound;
  TFileTypes FFileType;
  uint16_t FFileTypeWord = 0;
  TLangType FLangType = TLangType::ltEnglish;
  bool FMatchCaseSensitive = false;
  bool FMatchEnabled = false;
  int32_t FMatchHitsCount = 0;
  bool FMatchHitsCountEnabled = false;
  std::vector<std::wstring> FMatchHitsCountList;
  bool FMatchSkipBinaryFile = false;
  std::wstring FMatchString;
  TThreadPriority FThreadPriority = TThreadPriority::tpIdle;
  std::unique_ptr<TFindThread> FThreadID;
  bool FRecursive = true;
  std::vector<std::wstring> FStartDir;
  TVKRBreakApart FConvert;
  TVKRMatch FMatch;
  // A steady clock, so that a run across midnight or a clock change still
  // measures its real duration.
  std::chrono::steady_clock::time_point FStartTime;

  std::unique_ptr<TFindNotifyWindow> FNotifyWindow;
  TFindListingObserver* FListingObserver = nullptr;
  const std::atomic<bool>* FStopRequest = nullptr;
  std::exception_ptr FThreadFatalException;
};
