#pragma once
// Find Folders: the catalogue's folders on this PC (DisposableFolders.h),
// measured with the same search, options and keep list Scan uses
// (FolderScan.h), one after another, on the calling thread or on a thread of
// their own so that a window stays usable while they are measured. Nothing
// here deletes anything.

#include "app/DisposableFolders.h"
#include "app/FolderModel.h"
#include "options/OptionsRecord.h"
#include "search/KeepList.h"
#include "framework/SlimLock.h"
#include "search/VKRFileFind.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The rules a Scan started now would search with.
struct TFindRules {
  TOptions Options;
  TKeepList Keep;
  std::optional<uint64_t> AgeLimit;
  // Options: the options in force; PolicyKeep: the keep entries a policy sets.
  static TFindRules Now(const TOptions& Options, const std::vector<std::wstring>& PolicyKeep);
};

// A folder measured as Scan measures it: what its row would show, and the
// bytes of its tree (-1 when it was not there any more).
struct TMeasuredLocation {
  TFolderFigures Figures;
  int64_t Bytes = -1;
};

// Measures Folder with Find, which SetUpFolderSearch sets up for Rules;
// none when Stop was set meanwhile.
std::optional<TMeasuredLocation> MeasureLocation(TVKRFileFind& Find, const std::wstring& Folder, const TFindRules& Rules,
                                                 const std::atomic<bool>& Stop);

// Measures folders one after another on a thread of its own. OnMeasured
// and then OnDone are called on that thread (a window posts them to
// itself); OnDone also follows a stop. Going away stops the measuring and
// waits for the thread.
class TLocationMeasurer {
public:
  using TMeasured = std::function<void(size_t Index, const TMeasuredLocation& Measured)>;
  TLocationMeasurer(std::vector<std::wstring> Folders, TFindRules Rules, TMeasured OnMeasured,
                    std::function<void()> OnDone);
  ~TLocationMeasurer();
  TLocationMeasurer(const TLocationMeasurer&) = delete;
  TLocationMeasurer& operator=(const TLocationMeasurer&) = delete;

  // Asks the thread to stop after the folder in hand.
  void Stop() { FStop = true; }

private:
  void Run() noexcept;

  std::vector<std::wstring> FFolders;
  TFindRules FRules;
  TMeasured FOnMeasured;
  std::function<void()> FOnDone;
  std::atomic<bool> FStop{false};
  // Made on the thread that makes the measurer: a search sets texts shared by every search when it is made.
  std::unique_ptr<TVKRFileFind> FFind;
  std::thread FThread;
};

// Posted to the main window when the folders of a first start are measured.
inline constexpr UINT WM_FOUNDMOREFOLDERS = WM_APP + 50;

// How many folders, holding how much, Find Folders found beyond the list:
// "Marrowby found 5 more folders with 2.3 GB that can be emptied: Find
// Folders..."; empty when it found none.
std::wstring FoundMoreText(size_t Folders, int64_t Bytes);

// Measures Folders in the background and adds up what they hold; posts
// Message to Window when it is done. Going away stops it.
class TFoundMoreFolders {
public:
  TFoundMoreFolders(std::vector<std::wstring> Folders, TFindRules Rules, HWND Window, UINT Message);
  // What the folders measured hold; read once the message came.
  size_t Folders() const;
  int64_t Bytes() const;

private:
  mutable TSlimLock FLock;
  size_t FFolders = 0;
  int64_t FBytes = 0;
  TLocationMeasurer FMeasurer;  // last: it stops before the sums go
};

// One line of /find: the folder, the bytes of its tree, the catalogue's name
// and, for a folder not offered, why; tab-separated. The first line names the columns.
std::wstring FoundLocationsHeader();
std::wstring FoundLocationLine(const TFoundLocation& Location, const TDisposableLocation& Entry,
                               const std::optional<TMeasuredLocation>& Measured);
