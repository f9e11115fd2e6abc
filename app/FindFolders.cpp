#include "app/FindFolders.h"

#include "app/CommandKeep.h"
#include "app/DeleteSummary.h"
#include "app/FolderScan.h"
#include "search/FileAge.h"

TFindRules TFindRules::Now(const TOptions& Options, const std::vector<std::wstring>& PolicyKeep) {
  TFindRules Rules;
  Rules.Options = Options;
  Rules.Keep = KeepListInForce(PolicyKeep, Options.KeepList);
  if (Options.OnlyOlderThan) Rules.AgeLimit = ::AgeLimit(FileTimeNow(), Options.OlderThanDays);
  return Rules;
}

std::optional<TMeasuredLocation> MeasureLocation(TVKRFileFind& Find, const std::wstring& Folder, const TFindRules& Rules,
                                                 const std::atomic<bool>& Stop) {
  Find.SetStopRequest(&Stop);
  TMeasuredLocation Measured;
  const std::optional<TFolderFigures> Figures =
      MeasureListedFolder(Find, Folder, {Rules.Options, Rules.AgeLimit, Rules.Keep}, [&Stop] { return Stop.load(); },
                          {}, &Measured.Bytes);
  Find.SetStopRequest(nullptr);
  if (!Figures) return std::nullopt;
  Measured.Figures = *Figures;
  return Measured;
}

TLocationMeasurer::TLocationMeasurer(std::vector<std::wstring> Folders, TFindRules Rules, TMeasured OnMeasured,
                                     std::function<void()> OnDone)
    : FFolders(std::move(Folders)),
      FRules(std::move(Rules)),
      FOnMeasured(std::move(OnMeasured)),
      FOnDone(std::move(OnDone)),
      FFind(std::make_unique<TVKRFileFind>()) {
  SetUpFolderSearch(*FFind, FRules.Options);
  FThread = std::thread([this] { Run(); });
}

TLocationMeasurer::~TLocationMeasurer() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
}

void TLocationMeasurer::Run() noexcept {
  try {
    for (size_t Index = 0; Index < FFolders.size() && !FStop; ++Index) {
      const std::optional<TMeasuredLocation> Measured = MeasureLocation(*FFind, FFolders[Index], FRules, FStop);
      if (!Measured) break;
      FOnMeasured(Index, *Measured);
    }
  } catch (const std::exception&) {
    // What was measured stands; the rest stays unmeasured.
  }
  try {
    FOnDone();
  } catch (const std::exception&) {
  }
}

std::wstring FoundMoreText(size_t Folders, int64_t Bytes) {
  if (Folders == 0) return {};
  return L"Marrowby found " + std::to_wstring(Folders) + (Folders == 1 ? L" more folder with " : L" more folders with ") +
         ByteSizeText(Bytes) + L" that can be emptied: Find Folders...";
}

TFoundMoreFolders::TFoundMoreFolders(std::vector<std::wstring> Folders, TFindRules Rules, HWND Window, UINT Message)
    : FMeasurer(
          std::move(Folders), std::move(Rules),
          [this](size_t, const TMeasuredLocation& Measured) {
            // A folder gone meanwhile is no folder to offer.
            if (Measured.Bytes < 0) return;
            const std::lock_guard<TSlimLock> Guard(FLock);
            ++FFolders;
            FBytes += Measured.Bytes;
          },
          [Window, Message] { PostMessageW(Window, Message, 0, 0); }) {}

size_t TFoundMoreFolders::Folders() const {
  const std::lock_guard<TSlimLock> Guard(FLock);
  return FFolders;
}

int64_t TFoundMoreFolders::Bytes() const {
  const std::lock_guard<TSlimLock> Guard(FLock);
  return FBytes;
}

std::wstring FoundLocationsHeader() { return L"Location\tBytes\tName\tNot offered because"; }

std::wstring FoundLocationLine(const TFoundLocation& Location, const TDisposableLocation& Entry,
                               const std::optional<TMeasuredLocation>& Measured) {
  std::wstring Refusal = Location.Refusal;
  if (Refusal.empty() && Measured && Measured->Bytes < 0) Refusal = L"it was gone when it was measured";
  const std::wstring Bytes = Measured && Measured->Bytes >= 0 ? std::to_wstring(Measured->Bytes) : L"-";
  // Names hold no tabs: Windows allows none in a file name, and the catalogue has none.
  return Location.Path + L'\t' + Bytes + L'\t' + Entry.Name + L'\t' + Refusal;
}
