#pragma once
// The main window: the folder list, the running totals, the commands.

#include "app/CommandKeep.h"
#include "app/DisposableFolders.h"
#include "app/FindFolders.h"
#include "app/FolderDelete.h"
#include "app/FolderModel.h"
#include "app/FolderListStore.h"
#include "app/SingleInstance.h"
#include "app/UpdatePolicy.h"
#include "common/VKRAboutDialog.h"
#include "common/VKRFileDrag.h"
#include "common/VKRShellLink.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/LongCommand.h"
#include "framework/MenuImages.h"
#include "listview/VKRListView.h"
#include "options/OptionPolicies.h"
#include "options/OptionsRecord.h"
#include "search/VKRFileFind.h"
#include "store/Policies.h"
#include "store/VKRRegistryEnhanced.h"
#include "update/VKRAppUpdate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TTaskService;

// What tells a test's main window from the program's own.
struct TForm1Options {
  std::wstring RegistryKey = L"Software\\Brenlow\\Marrowby";
  bool SingleInstance = true;
  std::wstring InstanceName = TSingleInstanceGuard::DefaultName();
  // An unattended run: the window is never shown, no command asks anything
  // or shows a box, and the scan at start-up is left to the run.
  bool Unattended = false;
  // Where the administrator's policies are read.
  TPolicyRoots PolicyRoots;
  // The Task Scheduler of the Schedule page; none: the system's.
  TTaskService* TaskService = nullptr;
  // The log of unattended runs the Schedule page reads; empty: DefaultRunLogPath().
  std::wstring RunLogPath;
  // Where Find Folders looks for the catalogue's folders, and for the
  // known folders Delete never empties; none: this PC's and this user's.
  std::optional<TBaseFolders> FindFoldersBases;
};

// What the program says where a policy keeps the user from a change.
inline constexpr wchar_t FolderListManagedText[] =
    L"The folder list is set by your administrator. Folders cannot be added or removed here.";
inline constexpr wchar_t UpdatesManagedText[] = L"Updates of Marrowby are managed by your administrator.";
// What the program says of a stored list it may not read: it is neither
// replaced nor saved over, whatever happens in this session.
inline constexpr wchar_t FolderListUnreadableText[] =
    L"The folder list could not be read. Marrowby shows no folders, and saves no list in place of the stored one.";
inline constexpr wchar_t KeepListUnreadableText[] =
    L"The keep list could not be read. Nothing is deleted, and no keep list is saved in place of the stored one, "
    L"until it can be read.";

// What the last Delete removed, could not remove, or would not touch.
struct TDeleteLeft {
  int64_t DeletedBytes = 0;   // the space its deletes took from the emptied folders
  int64_t RecycledBytes = 0;  // how much of it went to the Recycle Bin
  int32_t Files = 0;             // found files left (in use, read-only, refused)
  int32_t Subfolders = 0;        // subfolders of emptied folders that stayed
  int32_t ProtectedFolders = 0;  // listed folders that must never be emptied
  int32_t MissingFolders = 0;    // listed folders that no longer exist
  std::vector<std::wstring> Refused;  // each refused folder with why: "\"C:\x\": the reason"
};

// The candidates for the folder list of a first start, in their order.
// An empty base means the system could not name that folder: it gives no candidate.
struct TDefaultFolderBases {
  std::wstring ProgramFiles;
  std::wstring CommonAppData;
  std::wstring LocalAppData;
  std::wstring Windows;
  std::wstring Temp;  // the user's temporary folder, long form, no trailing separator
  static TDefaultFolderBases FromSystem();
};
std::vector<std::wstring> DefaultFolderCandidates(const TDefaultFolderBases& Bases);

class TForm2;
class TForm3;
class TFilesViewForm;
struct TFoundRule;
struct TFilesSearchRequest;
class TFindFoldersForm;
struct TViewedFile;

class TForm1 : public TForm {
public:
  explicit TForm1(const TForm1Options& Options = {});
  ~TForm1() override;

  // Components.
  TVKRRegistryEnhanced VKRRegistryEnhanced1;
  TVKRListView VKRListView1;
  TVKRFileFind VKRFileFind1;
  TVKRAppUpdate VKRAppUpdate1;
  TVKRAboutDialog VKRAboutDialog1;
  TVKRShellLink VKRShellLink1;
  TVKRFileDrag VKRFileDrag1;  // hooked once the window exists
  TToolBar ToolBar1;
  TProgressBar ProgressBar1;
  TStatusBar StatusBar1;

  // Toolbar buttons and menu items, by the command each runs.
  TToolButton AddFolderToolButton;
  TToolButton RemoveFolderToolButton;
  TToolButton ScanToolButton;
  TToolButton DeleteToolButton;
  TToolButton StatisticsToolButton;
  TToolButton OptionsToolButton;
  TToolButton FindFoldersToolButton;
  TToolButton AboutToolButton;
  TToolButton ExitToolButton;
  TMenuItem AddFolder1;
  TMenuItem RemoveFolder1;
  TMenuItem Exit1;
  TMenuItem Scan1;
  TMenuItem Delete1;
  TMenuItem Statistics1;
  TMenuItem Options1;
  TMenuItem FindFolders1;
  TMenuItem ReleaseNotes1;
  TMenuItem CheckforUpdates1;
  TMenuItem About1;
  TMenuItem ExploreFolder1;  // popup menu of the folder list
  TMenuItem ViewFiles1;
  TMenuItem RemoveFolder2;

  // The running totals: Current is the sum of what the rows show now,
  // Previous what it was before the last Delete (or at the last Scan).
  TFolderFigures Current;
  TFolderFigures Previous;
  // What the list knows of its folders. After a change made from outside a
  // command, ShowFolders brings the rows, the totals and the status bar in line.
  TFolderModel& Folders() { return FFolders; }
  void ShowFolders();

  // The statistics dialog once made (StatisticsDialog); a test may put its own here first.
  TForm3* Form3 = nullptr;
  // The statistics dialog, made when first shown: the start does not wait for it.
  TForm3& StatisticsDialog();

  // The options in force: loaded as the window is made, replaced by what the
  // options dialog accepts. Every command reads them from here.
  const TOptions& Options() const;
  // Puts Value in force (the search's patterns and recursion, the proxy)
  // without storing it.
  void SetOptions(const TOptions& Value);
  // The options dialog, made when first asked for: the start does not wait for it.
  TForm2& OptionsDialog();
  // The scan at start-up, when the options ask for it. An unattended run
  // scans once, itself.
  void StartupScan();

  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action) override;
  void FormDestroy(TObject* Sender) override;
  void ExitToolButtonClick(TObject* Sender);
  void StatisticsToolButtonClick(TObject* Sender);
  void ScanToolButtonClick(TObject* Sender);
  void DeleteToolButtonClick(TObject* Sender);
  void OptionsToolButtonClick(TObject* Sender);
  void AboutToolButtonClick(TObject* Sender);
  // Ctrl+F: the find dialog on the folder list; F3: the next row it finds.
  void VKRListView1Find(TObject* Sender);
  void VKRListView1FindNext(TObject* Sender);
  void AddFolderToolButtonClick(TObject* Sender);
  void RemoveFolder2Click(TObject* Sender);
  void ExploreFolder1Click(TObject* Sender);
  // Shows what Delete would remove from the selected folder, with the options in force.
  void ViewFiles1Click(TObject* Sender);
  // What the search of View Files is asked for Folder under the options and the keep list in force.
  TFilesSearchRequest ViewFilesRequest(const std::wstring& Folder);
  // The window ViewFiles1Click shows, made when first asked for.
  TFilesViewForm& FilesView();
  // Find Folders (FindFoldersCommand.cpp): the catalogue's folders on this
  // PC that the list does not hold yet, to choose from; those chosen join
  // the list and it is saved.
  void FindFolders1Click(TObject* Sender);
  // The window FindFolders1Click shows, made when first asked for.
  TFindFoldersForm& FindFoldersWindow();
  // The catalogue's folders found here that no row lists (by what each
  // folder is, not by its spelling), offered or not.
  std::vector<TFoundLocation> FindUnlistedFolders();
  // Adds the folders as Add Folder does, sorted in, and saves the list once.
  void AddFoundFolders(const std::vector<std::wstring>& Folders);
  // True while a first start measures, after its first scan, what Find
  // Folders would offer; the status bar then says what it found.
  bool FindingMoreFolders() const { return static_cast<bool>(FFoundMore); }
  // Puts full paths on the keep list in force and stores it; a refusal is
  // said in a box and gives false, the list staying as it was.
  bool AddToKeepList(const std::vector<std::wstring>& Paths);
  void VKRListView1KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void PopupMenu1Popup(TObject* Sender);
  void VKRListView1Click(TObject* Sender);
  void VKRListView1AdvancedCustomDrawItem(TListView* Sender, TListItem Item, UINT State, TCustomDrawStage Stage,
                                          bool& DefaultDraw);

  // Every busy command (Scan, Delete, View Files, Statistics, the update
  // check): the busy state, progress, Cancel (Esc, the strip's button,
  // closing the window) and no other input while it runs.
  TLongCommand LongCommand1;
  // Folders and shortcuts to folders dropped from the shell join the list.
  void VKRFileDrag1Drop(TObject* Sender);
  // Opens the text file of the executable's name beside it, when there is one.
  void ReleaseNotes1Click(TObject* Sender);
  void CheckforUpdates1Click(TObject* Sender);

  // The subfolders directly in Path: directories and system entries that
  // are not hidden. 0 when Path cannot be listed.
  int32_t CountSubfolders(const std::wstring& Path);

  // Stores the folder list as it stands now; a refusal is said in a box
  // (unattended: in nothing but the result) and gives false, the list
  // staying in memory.
  bool SaveFolderList();

  // The status bar summary of the list and the current totals.
  void UpdateStatusBar();

  // True when FileName is a file that another program holds open, or a
  // read-only one: Delete leaves it.
  bool IsFileInUse(const std::wstring& FileName);
  // Deletes the subfolders of the listed folder that CountSubfolders
  // counts, each as a whole tree, the way the options say; the number
  // deleted. The folder is the one the command opened and checked.
  int32_t DeleteSubfolders(const TFolderToEmpty& Listed);

  // True while a command runs; other commands wait for it to end.
  bool Busy() const { return LongCommand1.Running(); }

  // Adds the folder, or with EnableFind refreshes the row that lists it
  // already; none when the folder does not exist.
  TListItem AddFolderToVKRListView(const std::wstring& FolderName, bool EnableFind);
  // The first row listing the folder FolderName names: full paths compared
  // with A-Z case, trailing separators, "." and ".." making no difference.
  // None when there is no such row.
  TListItem FindFolderListItem(TVKRListView& AVKRListView, const std::wstring& FolderName);

  // True when this start found another instance running and gave way to it.
  bool GaveWayToRunningInstance() const { return FGaveWay; }

  bool Unattended() const { return FUnattended; }
  // The policies read at start-up; they hold until the program ends.
  const TPolicies& Policies() const { return FPolicies; }
  // The options a policy sets; the dialog greys them.
  const TOptionLocks& OptionLocks() const { return FOptionLocks; }
  // True when a policy sets the folder list: nothing here adds or removes a folder, nor saves the list.
  bool FolderListManaged() const { return FPolicies.IsSet(L"Locations"); }
  TDeleteLeft LastDeleteLeft;
  // Stored folders that no longer existed at start-up: they left the list.
  int32_t StoredFoldersNotFound() const { return FStoredFoldersNotFound; }

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  // Says that a stored list could not be read, with the system's reason; an
  // unattended run cannot clean without it and stops with that reason.
  void SayListUnreadable(const wchar_t* Text, const std::wstring& Reason);
  // The folders stored by the user, or none when they cannot be read (said).
  std::vector<std::wstring> LoadStoredFolders();
  void EnableMenuBar(bool Enabled);
  void EnableCommands(bool Enabled);
  // Runs a long command; false when the window was closed meanwhile (it
  // closes once the command has stopped).
  bool RunLongCommand(const std::wstring& StatusText, const std::function<void()>& Work);
  void ScanFolders();
  void DeleteFolderContents();
  // Runs the search of Scan and Delete over one listed folder; false when
  // the command was asked to stop meanwhile.
  bool SearchFolder(const std::wstring& Folder);
  // What of the search's finds Delete takes, under the options of the running command.
  TFoundRule FoundRule() const;
  // Fixes the age limit of "Only files older than" at the moment a command
  // starts (none when the option is off), and reads the keep list.
  void StartAgeLimit();
  // What keeps a subfolder of Folder from Delete: the age limit, the keep list.
  TKeepSubfolder KeepSubfolders(const std::wstring& Folder) const;
  // The end of Scan and Delete: the totals become the sum of what the rows
  // show (rows a stopped command did not reach keep their figures); then
  // Delete and Statistics become available as the totals say.
  void EndFolderCommand();
  TFolderFigures SumOfRows();
  // Writes the row's figure texts from what the list knows of its folder.
  void ShowRow(const TListItem& Item);
  // Withdraws Delete: a row that was not scanned entered the list.
  void EnableCommand(TToolButton& Button, TMenuItem& Item, bool Enabled);
  void WithdrawDelete();
  TDeleteMode DeleteMode() const;
  // Runs a command unless another one is running.
  void RunExclusive(const std::function<void()>& Command);
  void CreateControls();
  // True when Folder is a full path of a folder that is there now.
  static bool IsAvailableFolder(const std::wstring& Folder);
  // A row for a stored entry that names no folder there now.
  void AddUnavailableRow(const std::wstring& Entry);
  // True when the row's folder is there; otherwise the row shows question
  // marks and is marked as not there.
  bool TakeAvailability(TListItem& Item);
  void BindCommands();
  void LayoutControls();
  void ShowFolderListPopup(int X, int Y);
  // Greys the commands that would change a folder list the administrator sets, saying why in their hints.
  void LockManagedFolderList();
  // A change of the managed folder list was asked for: says why nothing happens (unattended: nothing).
  void SayFolderListManaged();
  // Restores the stored placement; a record that cannot be used, or that
  // would put the window where nobody can see it, leaves it centred.
  void RestorePlacement();

  TSingleInstanceGuard FInstanceGuard;
  TPolicies FPolicies;
  TUpdatePolicy FUpdatePolicy;
  std::optional<uint64_t> FAgeLimit;  // the age limit of the running command
  TKeepList FKeepList;                // the keep list of the running command
  std::vector<std::wstring> FPolicyKeepList;  // the keep entries a policy sets ("Keep" under the policy key)
  bool FCloseRequested = false;  // the window was closed while a command ran
  bool FGaveWay = false;
  std::unique_ptr<TFilesViewForm> FFilesView;
  std::unique_ptr<TFindFoldersForm> FFindFoldersForm;
  std::optional<TBaseFolders> FFindFoldersBases;
  // A first start: the list took the default folders.
  bool FFirstStart = false;
  std::unique_ptr<TFoundMoreFolders> FFoundMore;
  // The rules a Scan started now would use.
  TFindRules FindRulesNow();
  void StartFindingMoreFolders();
  void ShowFoundMoreFolders();
  TOptions FOptions;
  // The options as the user stored them, under whatever a policy sets.
  TOptions FOwnOptions;
  TOptionLocks FOptionLocks;
  // The proxy options that nothing stored sets take the system's proxy,
  // asked when the options are first needed, not at start (MainProxy.cpp).
  bool FSystemProxyPending = false;
  void TakeSystemProxyDefaults();
  std::unique_ptr<TForm2> FOptionsDialog;
  // The Schedule page's view of the world, made anew each time the options show (MainSchedule.cpp).
  void HandScheduleSeams();
  TTaskService* FTaskServiceSeam = nullptr;
  std::unique_ptr<TTaskService> FTaskService;
  std::wstring FRunLogPath;
  std::unique_ptr<TForm3> FStatisticsDialog;
  bool FUnattended = false;
  // What is known of every listed folder; the list view shows it.
  TFolderModel FFolders;
  int32_t FStoredFoldersNotFound = 0;
  // The stored folder list could not be read: it is never saved over.
  bool FFolderListUnreadable = false;
  UniqueMenu FPopupMenuResource;
  HMENU FPopupMenu = nullptr;  // the first submenu of FPopupMenuResource
  UniqueAccelerators FAccelerators;
  UniqueImageList FFolderImages;
  // The pictures of the list and the menus in the size for Dpi (MainPictures.cpp).
  void LoadFolderImages(int Dpi);
  void LoadMenuPictures(int Dpi);
  TMenuImages FMenuImages;
};
