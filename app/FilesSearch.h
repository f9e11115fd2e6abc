#pragma once
// The search behind "View Files...": what Delete would remove from one
// listed folder, found by the same search and the same rule, on a worker
// thread. The window opens at once and takes the rows in batches while the
// search runs; a stop ends the walk after the entry in hand and keeps what
// was found. Nothing is deleted here.

#include "app/FoundFilter.h"
#include "framework/SlimLock.h"
#include "search/FileDetails.h"
#include "search/VKRFileFind.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct TViewedFile {
  std::wstring Name;  // relative to the listed folder
  int64_t Size = 0;
  uint64_t LastWrite = 0;  // file time, UTC
};

// Path relative to Folder when it lies below it (letter case aside); Path otherwise.
std::wstring RelativeToFolder(const std::wstring& Folder, const std::wstring& Path);

// What the search is asked, read on the window's thread from the options in force.
struct TFilesSearchRequest {
  std::wstring Folder;
  std::wstring FilePattern;  // patterns joined by ";"
  bool Recursive = true;
  TFileTypes FileType;
  TFileTypes DirType;
  TFoundRule Rule;
  // The keep list in force, looked up again on the worker: what it names is
  // taken when the search starts, as for every command.
  std::vector<std::wstring> KeepEntries;
  // Called on the search's thread as it enters each folder, after the rows
  // found before were handed over; a test holds the search there.
  std::function<void(const std::wstring& Folder)> OnFolder;
};

// Where the search stands when the window takes its rows.
struct TFilesSearchState {
  int64_t Files = 0;  // the rows handed over so far
  int64_t Bytes = 0;  // their sizes, added up
  std::wstring Folder;  // the folder the walk is in
  bool Ended = false;      // the thread is done: the rows and the subfolders below are all there is
  bool Complete = false;   // it ran to its end (no stop, no error)
  // Once ended: the subfolders Delete removes whole (full paths) and their tree sizes (-1: not known).
  std::vector<std::wstring> Subfolders;
  std::vector<int64_t> TreeBytes;
};

class TFilesSearch {
public:
  // Starts the search. Message is posted to Window when rows wait or the
  // search has ended; one at a time, until the window has taken them.
  TFilesSearch(TFilesSearchRequest Request, HWND Window, UINT Message);
  // Stops the search and waits for its thread: nothing of it is left.
  ~TFilesSearch();
  TFilesSearch(const TFilesSearch&) = delete;
  TFilesSearch& operator=(const TFilesSearch&) = delete;

  // Asks the walk to stop after the entry in hand; does not wait.
  void Stop() { FStop.store(true); }
  bool StopRequested() const { return FStop.load(); }

  // On the window's thread: appends the rows found since the last call to
  // Rows, in the order the search found them, and says where it stands. The
  // next notice may come once this has run.
  TFilesSearchState Take(std::vector<TViewedFile>& Rows);

  // How long at most rows wait before the window hears of them (the first rows go at once).
  static constexpr std::chrono::milliseconds NoticeInterval{100};

private:
  void Run() noexcept;
  // Hands the rows the component found since the last call over to the window.
  void HandOver(TFoundFilter& Filter, const TListedFileDetails& Details, const std::wstring& Folder, bool Last);
  void Notify(bool Now);

  TFilesSearchRequest FRequest;
  HWND FWindow;
  UINT FMessage;
  TVKRFileFind FFind;  // the worker's own: the main window's search stays free
  std::atomic<bool> FStop{false};
  std::atomic<bool> FNoticePending{false};
  std::chrono::steady_clock::time_point FLastNotice{};
  bool FNoticedRows = false;  // the first rows were announced (worker only)

  TSlimLock FLock;  // guards what follows
  std::vector<TViewedFile> FOutbox;
  TFilesSearchState FState;

  std::thread FThread;  // last: started when everything above is ready
};
