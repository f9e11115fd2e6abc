#include "app/QuenloUnit1.h"

#include "app/DeleteSummary.h"
#include "app/DisposableFolders.h"
#include "app/FilesView.h"
#include "app/FindFoldersForm.h"
#include "app/FolderScan.h"
#include "app/FoundFilter.h"
#include "app/PlacementDpi.h"
#include "app/ProtectedFolders.h"
#include "app/QuenloUnit3.h"
#include "options/QuenloUnit2.h"
#include "options/OptionPolicies.h"
#include "options/OptionsRecord.h"
#include "records/StoreRecords.h"
#include "search/FileAge.h"
#include "search/FileDetails.h"
#include "search/FolderSize.h"
#include "search/Subfolders.h"
#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/BrowseFolder.h"
#include "framework/Dialogs.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/RedrawPause.h"
#include "framework/ShellExecute.h"
#include "framework/SystemFont.h"
#include "framework/Text.h"
#include "resources/MainRes.h"

#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

// The client area the window was designed with, and where it opens.
constexpr int DesignLeft = 208;
constexpr int DesignTop = 132;
constexpr int DesignClientWidth = 927;
constexpr int DesignClientHeight = 543;
constexpr int ProgressBarHeight = 16;

// What the about window says of its makers.
const wchar_t* const AboutAuthor = L"Brenlow";
const wchar_t* const AboutEmail = L"marrowby@brenlow.example";
const wchar_t* const AboutURL = L"https://www.brenlow.example/brenlow/";
const wchar_t* const AboutCredit = L"Made with C++20 and MinGW-w64";

const wchar_t* const PlacementValue = L"FormInfo\\Main Window";

// While Scan or Delete searches, the window stays painted and Cancel reaches
// the walk; afterwards the search is as the options left it.
class TSearchHookup {
public:
  TSearchHookup(TVKRFileFind& Find, TLongCommand& Command) : FFind(Find) {
    FFind.OnChangeDirectory = [&Command](TObject*, const std::wstring&) { Command.KeepResponsive(); };
    FFind.SetStopRequest(Command.StopFlag());
  }
  ~TSearchHookup() {
    FFind.OnChangeDirectory = nullptr;
    FFind.SetStopRequest(nullptr);
    FFind.SetListingObserver(nullptr);
  }
  TSearchHookup(const TSearchHookup&) = delete;
  TSearchHookup& operator=(const TSearchHookup&) = delete;

private:
  TVKRFileFind& FFind;
};


// The progress bar counts in int: a count past that only fills it sooner.
int ProgressSteps(int64_t Count) { return static_cast<int>(std::clamp<int64_t>(Count, 0, INT_MAX)); }

std::wstring ShellFolder(int Csidl) {
  wchar_t Path[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, Path))) return {};
  return Path;
}

std::wstring ProgramFilesFromRegistry() {
  UniqueHKey Key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE,
                    Key.put()) != ERROR_SUCCESS)
    return {};
  wchar_t Value[MAX_PATH + 1] = L"";
  DWORD Size = sizeof(Value) - sizeof(wchar_t);
  DWORD Type = 0;
  if (RegQueryValueExW(Key.get(), L"ProgramFilesDir", nullptr, &Type, reinterpret_cast<BYTE*>(Value), &Size) !=
          ERROR_SUCCESS ||
      (Type != REG_SZ && Type != REG_EXPAND_SZ))
    return {};
  return Value;
}

std::wstring WindowsFolder() {
  wchar_t Path[MAX_PATH + 1] = L"";
  const UINT Length = GetWindowsDirectoryW(Path, MAX_PATH + 1);
  return std::wstring(Path, Length <= MAX_PATH ? Length : 0);
}

}  // namespace

TDefaultFolderBases TDefaultFolderBases::FromSystem() {
  TDefaultFolderBases Bases;
  Bases.ProgramFiles = ProgramFilesFromRegistry();
  Bases.CommonAppData = ShellFolder(CSIDL_COMMON_APPDATA);
  Bases.LocalAppData = ShellFolder(CSIDL_LOCAL_APPDATA);
  Bases.Windows = WindowsFolder();
  Bases.Temp = UserTempFolder();
  return Bases;
}

std::vector<std::wstring> DefaultFolderCandidates(const TDefaultFolderBases& Bases) {
  std::vector<std::wstring> Candidates;
  // Joining a name to an empty base would name a folder at the root of the
  // current drive, which is nobody's installer leftovers.
  const auto Add = [&Candidates](const std::wstring& Base, const wchar_t* Name) {
    if (!Base.empty()) Candidates.push_back(Name != nullptr ? JoinPath(Base, Name) : Base);
  };
  Add(Bases.ProgramFiles, L"InstallShield Installation Information");
  Add(Bases.CommonAppData, L"Downloaded Installations");
  Add(Bases.CommonAppData, L"Installations");
  Add(Bases.LocalAppData, L"Downloaded Installations");
  Add(Bases.Windows, L"Downloaded Installations");
  Add(Bases.Windows, L"Temp");
  Add(Bases.Temp, nullptr);
  return Candidates;
}

// ---- Creation ---------------------------------------------------------------------

TForm1::TForm1(const TForm1Options& Options)
    : TForm(L"TForm1", TCloseAction::caFree),
      AddFolderToolButton(ToolBar1, IDM_ADDFOLDER),
      RemoveFolderToolButton(ToolBar1, IDM_REMOVEFOLDER),
      ScanToolButton(ToolBar1, IDM_SCAN),
      DeleteToolButton(ToolBar1, IDM_DELETE),
      StatisticsToolButton(ToolBar1, IDM_STATISTICS),
      OptionsToolButton(ToolBar1, IDM_OPTIONS),
      FindFoldersToolButton(ToolBar1, IDM_FINDFOLDERS),
      AboutToolButton(ToolBar1, IDM_ABOUT),
      ExitToolButton(ToolBar1, IDM_EXIT),
      FInstanceGuard(Options.InstanceName) {
  FUnattended = Options.Unattended;
  FTaskServiceSeam = Options.TaskService;
  FRunLogPath = Options.RunLogPath;
  FFindFoldersBases = Options.FindFoldersBases;
  // Another instance running: hand over to it before any window or setting is touched.
  if (Options.SingleInstance && !FInstanceGuard.Acquire()) {
    FGaveWay = true;
    // An unattended run has no window to bring forward: say why nothing opens.
    if (!FInstanceGuard.ActivateRunning(GetCommandLineW()) && FInstanceGuard.RunningUnattended())
      MessageDlg(L"Marrowby is cleaning its folders unattended right now. Start it again when it has finished.",
                 TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
    Application().Terminate();
    return;
  }

  VKRRegistryEnhanced1.SetKey(Options.RegistryKey);
  FPolicies = TPolicies::Read(Options.PolicyRoots, ProgramPolicyDefinitions());
  // A keep list an administrator sets adds to the user's.
  FPolicyKeepList = FPolicies.List(KeepListKey).value_or(std::vector<std::wstring>{});
  SetUpFolderSearch(VKRFileFind1, FOptions);
  VKRFileFind1.SetThreadPriority(TThreadPriority::tpIdle);
  VKRAppUpdate1.SetFileSizeUnit(TVKRAppUpdateFileSizeUnit::KiloBytes);
  VKRAppUpdate1.SetProxyPort(L"80");
  VKRAboutDialog1.SetOptions(TVKRAboutDialogOptions::AllBut(TVKRAboutDialogOption::opShowWindowsLogo));
  VKRAboutDialog1.SetAuthor(AboutAuthor);
  VKRAboutDialog1.SetEmail(AboutEmail);
  VKRAboutDialog1.SetURL(AboutURL);
  VKRAboutDialog1.SetCopyright(L"Copyright (C) Brenlow");
  {
    TFont AboutFont;
    AboutFont.SetName(L"Segoe UI");
    AboutFont.SetSize(11);  // 15 pixels at 96 dots per inch
    AboutFont.SetColor(clInfoText);
    VKRAboutDialog1.SetFont(AboutFont);
  }
  VKRAboutDialog1.SetText(AboutCredit);
  VKRAppUpdate1.SetUpdateFileURL(L"https://updates.brenlow.example/brenlow/BrenlowUpdates.txt");
  VKRAppUpdate1.SetUpdatePageURL(L"https://updates.brenlow.example/brenlow/");
  // An internal mirror of the descriptor; its signature is checked as the maker's is.
  FUpdatePolicy = UpdatePolicyOf(FPolicies);
  if (!FUpdatePolicy.DescriptorURL.empty()) {
    VKRAppUpdate1.SetUpdateFileURL(FUpdatePolicy.DescriptorURL);
    VKRAppUpdate1.SetDescriptorFromPolicy(true);
  }
  // The check's fetches show their progress on the command and stop with it.
  VKRAppUpdate1.SetLongCommand(&LongCommand1);
  // 15-pixel characters: 11 points at 96 dots per inch.
  VKRAppUpdate1.Font().SetSize(11);
  VKRAppUpdate1.FontReadme().SetSize(11);
  // Only a download whose SHA-256 digest the descriptor confirms is started.
  VKRAppUpdate1.SetHashType(THashType::htSHA256);

  const HMENU MainMenu = LoadMenuW(Application().HInstance(), MAKEINTRESOURCEW(IDR_MAINMENU));
  if (MainMenu == nullptr) throw EResNotFound(L"Main menu");
  RECT Bounds{0, 0, ScaleByDpi(DesignClientWidth), ScaleByDpi(DesignClientHeight)};
  const DWORD Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRectEx(&Bounds, Style, TRUE, WS_EX_APPWINDOW);
  const HICON Icon = LoadIconW(Application().HInstance(), MAKEINTRESOURCEW(IDI_MAINICON));
  CreateWindowHandle(L"TForm1", Style, WS_EX_APPWINDOW, L"Marrowby", ScaleByDpi(DesignLeft), ScaleByDpi(DesignTop),
                     Bounds.right - Bounds.left, Bounds.bottom - Bounds.top, nullptr, MainMenu, Icon);

  CreateControls();
  BindCommands();
  // Run as administrator, the window would not hear drops from Explorer,
  // which runs at a lower integrity level, without these.
  for (const UINT Message : {UINT{WM_DROPFILES}, UINT{WM_COPYDATA}, UINT{0x0049} /* WM_COPYGLOBALDATA */})
    ChangeWindowMessageFilterEx(Handle(), Message, MSGFLT_ALLOW, nullptr);
  VKRFileDrag1.HookWindow(Handle());
  VKRFileDrag1.OnDrop = [this](TObject* Sender, int, int) { VKRFileDrag1Drop(Sender); };
  if (Options.SingleInstance) FInstanceGuard.Publish(Handle());
  FormCreate(this);
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  const HMENU MainMenu = GetMenu(Handle());
  AddFolder1 = TMenuItem(MainMenu, IDM_ADDFOLDER, Handle());
  RemoveFolder1 = TMenuItem(MainMenu, IDM_REMOVEFOLDER, Handle());
  Exit1 = TMenuItem(MainMenu, IDM_EXIT, Handle());
  Scan1 = TMenuItem(MainMenu, IDM_SCAN, Handle());
  Delete1 = TMenuItem(MainMenu, IDM_DELETE, Handle());
  Statistics1 = TMenuItem(MainMenu, IDM_STATISTICS, Handle());
  Options1 = TMenuItem(MainMenu, IDM_OPTIONS, Handle());
  FindFolders1 = TMenuItem(MainMenu, IDM_FINDFOLDERS, Handle());
  ReleaseNotes1 = TMenuItem(MainMenu, IDM_RELEASENOTES, Handle());
  CheckforUpdates1 = TMenuItem(MainMenu, IDM_CHECKFORUPDATES, Handle());
  About1 = TMenuItem(MainMenu, IDM_ABOUT, Handle());

  FPopupMenuResource.reset(LoadMenuW(Application().HInstance(), MAKEINTRESOURCEW(IDR_POPUPMENU)));
  if (!FPopupMenuResource) throw EResNotFound(L"Folder list popup menu");
  FPopupMenu = GetSubMenu(FPopupMenuResource.get(), 0);
  SetMenuDefaultItem(FPopupMenu, IDM_EXPLOREFOLDER, FALSE);
  ExploreFolder1 = TMenuItem(FPopupMenu, IDM_EXPLOREFOLDER, Handle());
  ViewFiles1 = TMenuItem(FPopupMenu, IDM_VIEWFILES, Handle());
  RemoveFolder2 = TMenuItem(FPopupMenu, IDM_POPUPREMOVEFOLDER, Handle());

  const int Dpi = PixelsPerInch();
  LoadMenuPictures(Dpi);

  FAccelerators.reset(LoadAcceleratorsW(Application().HInstance(), MAKEINTRESOURCEW(IDR_ACCELERATORS)));
  SetAccelerators(FAccelerators.get());

  ToolBar1.CreateForDpi(Handle(), IDC_TOOLBAR, IDB_TOOLBAR_SIZED, 18, 26, Dpi,
                  {
                      {IDM_ADDFOLDER, IMG_ADDFOLDER, L"Add Folder", true},
                      {IDM_REMOVEFOLDER, IMG_REMOVEFOLDER, L"Remove Folder", false},
                      {IDM_FINDFOLDERS, IMG_FINDFOLDERS, L"Find Folders", true},
                      {0, 0, nullptr, true},
                      {IDM_SCAN, IMG_SCAN, L"Scan", true},
                      {IDM_DELETE, IMG_DELETE, L"Delete", false},
                      {0, 0, nullptr, true},
                      {IDM_STATISTICS, IMG_STATISTICS, L"Statistics", false},
                      {0, 0, nullptr, true},
                      {IDM_OPTIONS, IMG_OPTIONS, L"Options", true},
                      {0, 0, nullptr, true},
                      {IDM_ABOUT, IMG_ABOUT, L"About", true},
                      {IDM_EXIT, IMG_EXIT, L"Exit", true},
                  });
  RegisterControl(ToolBar1);

  VKRListView1.Create(Handle(), IDC_FOLDERLIST, /*MultiSelect=*/true);
  {
    // Its header is laid out once, with every column in.
    const TRedrawPause ListPause(VKRListView1.Handle());
    VKRListView1.AddColumn(L"Location", ScaleByDpi(500));
    VKRListView1.AddColumn(L"Subfolder Count", ScaleByDpi(150));
    VKRListView1.AddColumn(L"File Count", ScaleByDpi(125));
    VKRListView1.AddColumn(L"Size", ScaleByDpi(100), /*RightAligned=*/true);
    LoadFolderImages(Dpi);
  }
  RegisterControl(VKRListView1);

  ProgressBar1.Create(Handle(), IDC_PROGRESSBAR);
  ProgressBar1.SetStep(1);
  StatusBar1.Create(Handle(), IDC_STATUSBAR);
  LayoutControls();
}

void TForm1::BindCommands() {
  const auto Bind = [this](int Id, void (TForm1::*Handler)(TObject*)) {
    BindCommand(Id, [this, Handler] { RunExclusive([this, Handler] { (this->*Handler)(this); }); });
  };
  Bind(IDM_ADDFOLDER, &TForm1::AddFolderToolButtonClick);
  Bind(IDM_REMOVEFOLDER, &TForm1::RemoveFolder2Click);
  Bind(IDM_EXIT, &TForm1::ExitToolButtonClick);
  Bind(IDM_SCAN, &TForm1::ScanToolButtonClick);
  Bind(IDM_DELETE, &TForm1::DeleteToolButtonClick);
  Bind(IDM_STATISTICS, &TForm1::StatisticsToolButtonClick);
  Bind(IDM_OPTIONS, &TForm1::OptionsToolButtonClick);
  Bind(IDM_FINDFOLDERS, &TForm1::FindFolders1Click);
  Bind(IDM_ABOUT, &TForm1::AboutToolButtonClick);
  Bind(IDM_EXPLOREFOLDER, &TForm1::ExploreFolder1Click);
  Bind(IDM_VIEWFILES, &TForm1::ViewFiles1Click);
  Bind(IDM_POPUPREMOVEFOLDER, &TForm1::RemoveFolder2Click);
  Bind(IDM_RELEASENOTES, &TForm1::ReleaseNotes1Click);
  Bind(IDM_CHECKFORUPDATES, &TForm1::CheckforUpdates1Click);
  Bind(IDM_FIND, &TForm1::VKRListView1Find);
  Bind(IDM_FINDNEXT, &TForm1::VKRListView1FindNext);

  VKRListView1.OnDblClick = [this](TObject* Sender) { RunExclusive([this, Sender] { ExploreFolder1Click(Sender); }); };
  VKRListView1.OnClick = [this](TObject* Sender) { VKRListView1Click(Sender); };
  VKRListView1.OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState Shift) {
    if (!Busy()) VKRListView1KeyDown(Sender, Key, Shift);
  };
  VKRListView1.OnAdvancedCustomDrawItem = [this](TListView* Sender, TListItem Item, UINT State,
                                                 TCustomDrawStage Stage, bool& DefaultDraw) {
    VKRListView1AdvancedCustomDrawItem(Sender, Item, State, Stage, DefaultDraw);
  };

  // Unattended, no strip may appear over the hidden window.
  LongCommand1.Attach(FUnattended ? nullptr : Handle(), &ProgressBar1, &StatusBar1);
  LongCommand1.OnEnableCommands = [this](bool Enabled) { EnableCommands(Enabled); };
}

void TForm1::RunExclusive(const std::function<void()>& Command) {
  // A command that lets the window repaint must not let another one start.
  if (Busy()) return;
  Command();
}

void TForm1::EnableMenuBar(bool Enabled) {
  const HMENU Bar = GetMenu(Handle());
  const int Count = GetMenuItemCount(Bar);
  for (int i = 0; i < Count; ++i)
    EnableMenuItem(Bar, static_cast<UINT>(i), MF_BYPOSITION | (Enabled ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(Handle());
}

void TForm1::EnableCommands(bool Enabled) {
  ToolBar1.SetEnabled(Enabled);
  EnableMenuBar(Enabled);
}

void TForm1::LayoutControls() {
  RECT Client{};
  GetClientRect(Handle(), &Client);
  SendMessageW(ToolBar1.Handle(), TB_AUTOSIZE, 0, 0);
  SendMessageW(StatusBar1.Handle(), WM_SIZE, 0, 0);
  const int ToolBarHeight = ToolBar1.HeightInPixels();
  const int StatusHeight = StatusBar1.HeightInPixels();
  const int ProgressHeight = ScaleForDpi(ProgressBarHeight, PixelsPerInch());
  const int ProgressTop = Client.bottom - StatusHeight - ProgressHeight;
  ProgressBar1.SetBounds(0, ProgressTop, Client.right, ProgressHeight);
  const int ListHeight = ProgressTop - ToolBarHeight;
  VKRListView1.SetBounds(0, ToolBarHeight, Client.right, ListHeight > 0 ? ListHeight : 0);
}

// ---- Start-up and close -------------------------------------------------------------

void TForm1::FormCreate(TObject*) {
  VKRAboutDialog1.SetText(AboutCredit);
  bool ProxyDefaulted = false;
  FOwnOptions = LoadOptions(VKRRegistryEnhanced1, [&ProxyDefaulted] {
    ProxyDefaulted = true;
    return TProxyDefaults();
  });
  TOptions InForce = FOwnOptions;
  FOptionLocks = ApplyOptionPolicies(FPolicies, InForce);
  SetOptions(InForce);
  FSystemProxyPending = ProxyDefaulted;
  // The list is filled, sorted and laid out while hidden: it draws once, when shown.
  const TRedrawPause ListPause(VKRListView1.Handle());
  // A stored folder that is not there now (a network or USB drive not yet
  // connected), or an entry that is no full path, stays a row: the user
  // stored it, and only the user removes it.
  if (!FOwnOptions.KeepListUnreadable.empty()) SayListUnreadable(KeepListUnreadableText, FOwnOptions.KeepListUnreadable);
  const auto Managed = FPolicies.List(L"Locations");
  for (const std::wstring& Folder : Managed ? *Managed : LoadStoredFolders())
    if (!AddFolderToVKRListView(Folder, false)) {
      ++FStoredFoldersNotFound;
      if (!Folder.empty()) AddUnavailableRow(Folder);
    }

  if (Managed) LockManagedFolderList();
  // The defaults are for a first start, not for a list that is there but cannot be read.
  if (VKRListView1.Count() == 0 && !Managed && !FFolderListUnreadable) {
    FFirstStart = true;
    for (const std::wstring& Folder : DefaultFolderCandidates(TDefaultFolderBases::FromSystem()))
      AddFolderToVKRListView(Folder, false);
  }

  StatusBar1.SetSimpleText(std::to_wstring(VKRListView1.Count()) + L" folder(s) - ? subfolder(s) - ? file(s) - ? KB");
  VKRAboutDialog1.ExtractVersion(true);  // also sets the about window's version line
  RestorePlacement();
  VKRListView1.Sort(0, true);
  SetSystemFont(VKRAboutDialog1.Font(), TSystemFontKind::sfkUserInterface);
  SetSystemFont(VKRAppUpdate1.Font(), TSystemFontKind::sfkUserInterface);
  SetSystemFont(VKRAppUpdate1.FontReadme(), TSystemFontKind::sfkContent);
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);
  LayoutControls();
}

std::vector<std::wstring> TForm1::LoadStoredFolders() {
  try {
    return LoadFolderList(VKRRegistryEnhanced1);
  } catch (const EListUnreadable& Error) {
    FFolderListUnreadable = true;
    SayListUnreadable(FolderListUnreadableText, Error.Message());
    return {};
  }
}

void TForm1::SayListUnreadable(const wchar_t* Text, const std::wstring& Reason) {
  if (FUnattended) throw Exception(std::wstring(Text) + L" " + Reason);
  MessageDlg(std::wstring(Text) + L"\n\n" + Reason, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

void TForm1::FormClose(TObject*, TCloseAction& Action) {
  VKRRegistryEnhanced1.SetValue(L"ApplicationPath", Variant(ExtractFilePath(ApplicationExeName())));
  VKRRegistryEnhanced1.SetValue(L"Version", Variant(VKRAboutDialog1.ExtractVersion(true)));
  // The list in memory is the only one left when it cannot be stored: the window stays.
  if (!SaveFolderList()) Action = TCloseAction::caNone;
}

bool TForm1::SaveFolderList() {
  // The administrator's list is never saved over the user's own, nor this
  // session's over a stored list that could not be read.
  if (FolderListManaged() || FFolderListUnreadable) return true;
  std::vector<std::wstring> Folders;
  const int Count = VKRListView1.Count();
  Folders.reserve(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) Folders.push_back(VKRListView1.Item(i).Caption());
  try {
    ::SaveFolderList(VKRRegistryEnhanced1, Folders);
    return true;
  } catch (const Exception& Error) {
    if (!FUnattended)
      MessageDlg(L"The folder list could not be saved. Marrowby keeps it open until it can be.\n\n" + Error.Message(),
                 TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    return false;
  }
}

void TForm1::FormDestroy(TObject*) {
  TStoreRecords(VKRRegistryEnhanced1).SetFormInfo(PlacementValue, *this);
  StorePlacementDpi(VKRRegistryEnhanced1, PlacementValue, PixelsPerInch());
}

void TForm1::RestorePlacement() {
  const RECT Designed{Left(), Top(), Left() + Width(), Top() + Height()};
  try {
    TStoreRecords(VKRRegistryEnhanced1).GetFormInfo(PlacementValue, *this, true);
    FollowPlacementDpi(*this, StoredPlacementDpi(VKRRegistryEnhanced1, PlacementValue));
  } catch (const std::exception&) {
    // A record of the wrong type or with fields that do not parse: the
    // designed size, centred, as if nothing were stored.
    SetBounds(Designed.left, Designed.top, Designed.right - Designed.left, Designed.bottom - Designed.top);
    CenterOnScreen();
    return;
  }
  // No larger than the screen it is on and no smaller than a window can be.
  const RECT Restored{Left(), Top(), Left() + Width(), Top() + Height()};
  const HMONITOR Monitor = MonitorFromRect(&Restored, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO Info{};
  Info.cbSize = sizeof(Info);
  if (!GetMonitorInfoW(Monitor, &Info)) return;
  const RECT& Work = Info.rcWork;
  const int Width = std::clamp(static_cast<int>(Restored.right - Restored.left), GetSystemMetrics(SM_CXMIN),
                               std::max(GetSystemMetrics(SM_CXMIN), static_cast<int>(Work.right - Work.left)));
  const int Height = std::clamp(static_cast<int>(Restored.bottom - Restored.top), GetSystemMetrics(SM_CYMIN),
                                std::max(GetSystemMetrics(SM_CYMIN), static_cast<int>(Work.bottom - Work.top)));
  // The title bar must lie on a screen where the user can take hold of it.
  const int Grip = std::min(Width, ScaleByDpi(100));
  const RECT TitleBar{Restored.left, Restored.top, Restored.left + Width, Restored.top + GetSystemMetrics(SM_CYCAPTION)};
  RECT Visible{};
  const bool Reachable = MonitorFromRect(&TitleBar, MONITOR_DEFAULTTONULL) != nullptr &&
                         IntersectRect(&Visible, &TitleBar, &Work) && Visible.right - Visible.left >= Grip &&
                         Restored.top >= Work.top;
  SetBounds(Restored.left, Restored.top, Width, Height);
  if (!Reachable) CenterOnScreen();
}

void TForm1::ExitToolButtonClick(TObject*) { Close(); }

// ---- Totals -------------------------------------------------------------------------

void TForm1::UpdateStatusBar() {
  StatusBar1.SetSimpleText(std::to_wstring(VKRListView1.Count()) + L" folder(s) - " +
                           std::to_wstring(Current.Subfolders) + L" subfolder(s) - " +
                           std::to_wstring(Current.Files) + L" file(s) - " + FolderSizeText(Current.SizeKB));
}

int32_t TForm1::CountSubfolders(const std::wstring& Path) {
  return static_cast<int32_t>(ListSubfolders(Path).size());
}

bool TForm1::SearchFolder(const std::wstring& Folder) {
  return SearchListedFolder(VKRFileFind1, Folder, {FOptions, FAgeLimit, FKeepList},
                            [this] { return LongCommand1.StopRequested(); });
}

TFoundRule TForm1::FoundRule() const { return FoundRuleOf(VKRFileFind1, {FOptions, FAgeLimit, FKeepList}); }

void TForm1::StartAgeLimit() {
  FAgeLimit.reset();
  if (FOptions.OnlyOlderThan) FAgeLimit = AgeLimit(FileTimeNow(), FOptions.OlderThanDays);
  FKeepList = KeepListInForce(FPolicyKeepList, FOptions.KeepList);
}

TKeepSubfolder TForm1::KeepSubfolders(const std::wstring& Folder) const {
  // A file too young to go, or anything kept, anywhere inside keeps its whole subfolder.
  return SubfolderKeeper(FKeepList, Folder, FAgeLimit);
}

TFolderFigures TForm1::SumOfRows() {
  TFolderFigures Sum;
  const int Rows = VKRListView1.Count();
  for (int i = 0; i < Rows; ++i) Sum += FFolders.Find(VKRListView1.Item(i).Caption()).Counted();
  return Sum;
}

void TForm1::ShowRow(const TListItem& Item) {
  const TFolderRowTexts Texts = RowTexts(FFolders.Find(Item.Caption()));
  TListItem Row = Item;
  Row.SetSubItem(0, Texts.Subfolders);
  Row.SetSubItem(1, Texts.Files);
  Row.SetSubItem(2, Texts.Size);
}

void TForm1::ShowFolders() {
  const int Rows = VKRListView1.Count();
  for (int i = 0; i < Rows; ++i) ShowRow(VKRListView1.Item(i));
  Current = SumOfRows();
  UpdateStatusBar();
}

void TForm1::EndFolderCommand() {
  // Stopped part way, the rows not reached keep their figures: the totals
  // are what every row shows, added up.
  Current = SumOfRows();
  const int Rows = VKRListView1.Count();
  // A Delete that an earlier command offered stays offered.
  if (Current.Files > 0) {
    EnableCommand(DeleteToolButton, Delete1, true);
  }
  if (Rows > 0) {
    EnableCommand(StatisticsToolButton, Statistics1, true);
  }
}

void TForm1::ScanToolButtonClick(TObject*) {
  if (RunLongCommand(L"Scanning folder content", [this] { ScanFolders(); })) StartFindingMoreFolders();
}

bool TForm1::RunLongCommand(const std::wstring& StatusText, const std::function<void()>& Work) {
  LongCommand1.Run(StatusText, Work);
  if (!FCloseRequested) return true;
  // The window was closed while the command ran: it stopped; now close.
  FCloseRequested = false;
  PostMessageW(Handle(), WM_CLOSE, 0, 0);
  return false;
}

void TForm1::ScanFolders() {
  StartAgeLimit();
  const int Rows = VKRListView1.Count();
  LongCommand1.SetProgress(0, Rows);
  const auto KeepUp = [this] { LongCommand1.KeepResponsive(); };
  const TSearchHookup Hookup(VKRFileFind1, LongCommand1);

  for (int Row = 0; Row < Rows && !LongCommand1.StopRequested(); ++Row) {
    TListItem Item = VKRListView1.Item(Row);
    const std::wstring Folder = Item.Caption();
    LongCommand1.SetItem(Folder);
    LongCommand1.StepProgress();
    LongCommand1.KeepResponsive();
    if (!TakeAvailability(Item)) continue;
    const std::optional<TFolderFigures> Figures = MeasureListedFolder(
        VKRFileFind1, Folder, {FOptions, FAgeLimit, FKeepList}, [this] { return LongCommand1.StopRequested(); }, KeepUp);
    if (!Figures) break;
    FFolders.SetMeasured(Folder, *Figures);
    ShowRow(Item);
  }
  EndFolderCommand();
  Previous = Current;
  UpdateStatusBar();
}

void TForm1::AboutToolButtonClick(TObject*) { VKRAboutDialog1.Execute(); }

// ---- Delete -------------------------------------------------------------------------

bool TForm1::IsFileInUse(const std::wstring& FileName) { return ::IsFileInUse(FileName); }

int32_t TForm1::DeleteSubfolders(const TFolderToEmpty& Listed) {
  int32_t Stayed = 0;
  const int32_t Deleted = ::DeleteSubfolders(
      Listed, DeleteMode(),
      [this] {
        LongCommand1.KeepResponsive();
        return !LongCommand1.StopRequested();
      },
      KeepSubfolders(Listed.Path()), &Stayed);
  // Only what was meant to go and stayed: not a subfolder a young file
  // keeps, nor a system file counted among the subfolders.
  LastDeleteLeft.Subfolders += Stayed;
  return Deleted;
}

TDeleteMode TForm1::DeleteMode() const {
  return FOptions.UseRecycleBinWhenDeletingFiles ? TDeleteMode::dmRecycleBin : TDeleteMode::dmPermanent;
}

void TForm1::DeleteToolButtonClick(TObject*) {
  // What the keep list keeps is not known: nothing is deleted.
  if (!FOptions.KeepListUnreadable.empty()) {
    SayListUnreadable(KeepListUnreadableText, FOptions.KeepListUnreadable);
    return;
  }
  if (!RunLongCommand(L"Deleting folder content", [this] { DeleteFolderContents(); })) return;
  if (!FUnattended && FOptions.ShowStatisticsAfterDeletingFiles) StatisticsToolButtonClick(this);
}

void TForm1::DeleteFolderContents() {
  StartAgeLimit();
  LongCommand1.SetProgress(0, ProgressSteps(Current.Files));
  Previous = Current;
  const TSearchHookup Hookup(VKRFileFind1, LongCommand1);

  std::optional<TModalResult> Answer;  // the answer memory: empty until the first prompt
  if (FUnattended) Answer = mrYesToAll;
  LastDeleteLeft = {};
  std::wstring Skipped;                // protected folders, for the message at the end
  // Made now: drive letters and known folders may have moved since the last command.
  const TProtectedFolders Protected = ::ProtectedFolders();
  const int Rows = VKRListView1.Count();
  for (int Row = 0; Row < Rows && !LongCommand1.StopRequested(); ++Row) {
    TListItem Item = VKRListView1.Item(Row);
    const std::wstring Folder = Item.Caption();
    LongCommand1.SetItem(Folder);
    const TFolderFigures Shown = FFolders.Find(Folder).Counted();

    // Decided by what the folder is now, not by how it is spelled: a path
    // that is not full, a link, a drive root, a system folder or a folder of
    // the user's own data (ProtectedFolders.h) is never emptied. Opened once
    // and held: what is deleted below is reached from this very handle.
    const TFolderToEmpty Listed(Folder, Protected);
    if (const std::wstring& Reason = Listed.Reason(); !Reason.empty()) {
      Skipped += L"\n\"" + Folder + L"\": " + Reason;
      LastDeleteLeft.Refused.push_back(L"\"" + Folder + L"\": " + Reason);
      ++LastDeleteLeft.ProtectedFolders;
      LongCommand1.StepProgress(ProgressSteps(Shown.Files));
      FFolders.SetProtected(Folder);
      continue;
    }

    if (!TakeAvailability(Item)) {
      ++LastDeleteLeft.MissingFolders;
      LongCommand1.StepProgress(ProgressSteps(Shown.Files));
      continue;
    }
    // The size before, for what the Delete freed, and the sizes of the files
    // found, for the prompt, both from the search's own listings.
    TFolderTreeMeasure Before;
    TListedFileDetails Details;
    const bool Prompting = Answer != mrYesToAll && Answer != mrNoToAll && FOptions.PromptBeforeDeletingFiles;
    TListingFanOut Listings = Prompting ? TListingFanOut{&Before, &Details} : TListingFanOut{&Before};
    VKRFileFind1.SetListingObserver(&Listings);
    const bool Searched = SearchFolder(Folder);
    VKRFileFind1.SetListingObserver(nullptr);
    if (!Searched) break;
    std::vector<std::wstring>& Found = VKRFileFind1.FilesFound();
    int64_t Size = -1;
    int64_t SizeBefore = -1;
    if (!Found.empty()) {
      if (Answer != mrYesToAll && Answer != mrNoToAll) {
        if (FOptions.PromptBeforeDeletingFiles) {
          TMessageDialogRequest Request;
          Request.Owner = Handle();
          Request.Caption = L"Confirm";
          Request.Text = L"Do you want to delete the content of \"" + Folder + L"\"?\n\n" +
                         DeletePlanText(PlanDelete(Folder, Found, Details,
                                                   SubfoldersToDelete(Listed, KeepSubfolders(Folder))),
                                        DeleteMode());
          Request.Type = TMsgDlgType::mtConfirmation;
          Request.Buttons = {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbNoToAll, TMsgDlgBtn::mbYesToAll};
          Request.Position = TMsgDlgPosition::dpScreenCenter;
          Answer = LongCommand1.Prompt([&Request] { return MessageDlg(Request); });
        } else {
          Answer = mrYes;
        }
      }
      if (Answer == mrYes || Answer == mrYesToAll) {
        SizeBefore = Before.Result(Folder, [this] { LongCommand1.KeepResponsive(); });
        const bool Finished = DeleteFoundFiles(Listed, Found, DeleteMode(), [this] {
          LongCommand1.StepProgress();
          LongCommand1.KeepResponsive();
          return !LongCommand1.StopRequested();
        });
        if (Finished) DeleteSubfolders(Listed);
        LastDeleteLeft.Files += static_cast<int32_t>(Found.size());
      } else {
        LongCommand1.StepProgress(ProgressSteps(Shown.Files));
      }
    }
    // Stopped in the middle of this row, or nothing found in it: what is
    // there now is the truth, for the row as for the totals.
    Size = FolderTreeSize(Folder, [this] { LongCommand1.KeepResponsive(); });
    if (SizeBefore > Size && Size >= 0) {
      LastDeleteLeft.DeletedBytes += SizeBefore - Size;
      if (DeleteMode() == TDeleteMode::dmRecycleBin) LastDeleteLeft.RecycledBytes += SizeBefore - Size;
    }
    const int64_t Subfolders = CountSubfolders(Folder);
    FFolders.SetMeasured(Folder,
                         TFolderFigures::Measured(Subfolders, static_cast<int64_t>(Found.size()), Size));
    ShowRow(Item);
  }
  EndFolderCommand();
  UpdateStatusBar();
  StatusBar1.SetSimpleText(StatusBar1.SimpleText() + L" - " +
                           DeletedText(LastDeleteLeft.DeletedBytes, LastDeleteLeft.RecycledBytes));
  if (!Skipped.empty() && !FUnattended)
    LongCommand1.Prompt([this, &Skipped] {
      TMessageDialogRequest Request;
      Request.Owner = Handle();
      Request.Text = L"These folders were not emptied, to protect your data and your system:" + Skipped;
      Request.Type = TMsgDlgType::mtWarning;
      return MessageDlg(Request);
    });
}

void TForm1::OptionsToolButtonClick(TObject*) {
  TakeSystemProxyDefaults();
  TOptions Edited = FOptions;
  TForm2& Dialog = OptionsDialog();
  HandScheduleSeams();
  if (!Dialog.EditOptions(Edited)) return;
  SetOptions(Edited);
  try {
    // What a policy sets stays the user's own in the store.
    const TOptions Own = WithoutLockedOptions(FOptions, FOwnOptions, FOptionLocks);
    SaveOptions(VKRRegistryEnhanced1, Own);
    FOwnOptions = Own;
  } catch (const Exception& Error) {
    // In force until the program ends, but not kept for the next start.
    MessageDlg(L"The options could not be saved.\n\n" + Error.Message(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
  }
}

void TForm1::SetOptions(const TOptions& Value) {
  // Value is whole: the system's proxy defaults must not replace it later.
  TakeSystemProxyDefaults();
  FOptions = Value;
  SetUpFolderSearch(VKRFileFind1, FOptions);
  VKRAppUpdate1.SetProxyAddress(FOptions.UseProxyServer ? FOptions.ProxyAddress : L"");
  VKRAppUpdate1.SetProxyPort(FOptions.UseProxyServer ? FOptions.ProxyPort : L"80");
}

TForm2& TForm1::OptionsDialog() {
  if (!FOptionsDialog) {
    TakeSystemProxyDefaults();
    FOptionsDialog = std::make_unique<TForm2>(Handle());
    FOptionsDialog->SetOptionLocks(FOptionLocks);
    // With a managed folder list the page works as usual; only this policy greys it.
    FOptionsDialog->SetScheduleLocked(FPolicies.Dword(DisableScheduleKey).value_or(0) != 0);
    FOptionsDialog->ShowOptionValues(FOptions);
  }
  return *FOptionsDialog;
}

TForm3& TForm1::StatisticsDialog() {
  if (Form3 == nullptr) {
    FStatisticsDialog = std::make_unique<TForm3>(Handle());
    Form3 = FStatisticsDialog.get();
  }
  return *Form3;
}

void TForm1::StartupScan() {
  if (FOptions.ScanAtStartup && !FUnattended) ScanToolButton.Click();
}

void TForm1::VKRListView1Find(TObject*) { VKRListView1.Find(); }

// Without a search started, F3 does nothing, as the list's FindNext does.
void TForm1::VKRListView1FindNext(TObject*) { VKRListView1.FindNext(); }

void TForm1::CheckforUpdates1Click(TObject*) {
  switch (FUpdatePolicy.Check) {
    case TUpdateCheckPolicy::ucDisabled:
      MessageDlg(UpdatesManagedText, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
      return;
    case TUpdateCheckPolicy::ucInvalidAddress:
      // Never the maker's server in its place: the administrator chose another.
      MessageDlg(UpdateAddressInvalidText, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
      return;
    case TUpdateCheckPolicy::ucAllowed:
      break;
  }
  TakeSystemProxyDefaults();
  // The check lets windows repaint while it fetches: no other command may start meanwhile.
  RunLongCommand(L"Checking for updates", [this] {
    // The check compares the whole file version: the about window's text
    // ("1.00.00") leaves out the build number, so 1.0.0.1 and 1.0.0.2 would be
    // the same release.
    const std::wstring Shown = VKRAboutDialog1.ExtractVersion(false);
    const auto& Info = VKRAboutDialog1.VersionInfo();
    VKRAppUpdate1.SetVersion(Info && IsVersionNumber(Info->FileVersion) ? Info->FileVersion : Shown);
    VKRAppUpdate1.Execute(false);
  });
}

void TForm1::StatisticsToolButtonClick(TObject*) {
  TForm3& Dialog = StatisticsDialog();
  bool Filled = false;
  const auto Fill = [this, &Dialog, &Filled] {
    const auto Count = [](int64_t Value) { return std::to_wstring(Value); };
    const auto Size = [](int64_t KiloBytes) { return FolderSizeText(KiloBytes); };
    const TFolderFigures Delta = Previous - Current;
    Dialog.CurrentSubfolderCountLabel.SetText(Count(Current.Subfolders));
    Dialog.CurrentFileCountLabel.SetText(Count(Current.Files));
    Dialog.CurrentFileSizeLabel.SetText(Size(Current.SizeKB));
    Dialog.PreviousSubfolderCountLabel.SetText(Count(Previous.Subfolders));
    Dialog.PreviousFileCountLabel.SetText(Count(Previous.Files));
    Dialog.PreviousFileSizeLabel.SetText(Size(Previous.SizeKB));
    Dialog.DeltaSubfolderCountLabel.SetText(Count(Delta.Subfolders));
    Dialog.DeltaFileCountLabel.SetText(Count(Delta.Files));
    Dialog.DeltaFileSizeLabel.SetText(Size(Delta.SizeKB));
    Filled = true;
  };
  // Figures half filled in are not shown: what stopped the filling was said already.
  if (RunLongCommand(L"", Fill) && Filled) Dialog.ShowModal();
}

// ---- The folder list ----------------------------------------------------------------

TListItem TForm1::AddFolderToVKRListView(const std::wstring& FolderName, bool EnableFind) {
  // A row names one folder for good, whatever the current directory becomes
  // later; an entry that is not a full path would be taken from wherever the
  // program started, and is never made one.
  if (!IsFullPath(FolderName)) return {};
  const std::wstring Folder = FullPathName(FolderName);
  if (Folder.empty() || !DirectoryExists(Folder)) return {};
  TListItem Item;
  if (EnableFind) Item = FindFolderListItem(VKRListView1, Folder);
  FFolders.SetNotScanned(Folder);
  if (Item) {
    Item.SetCaption(Folder);
  } else {
    // A new row goes where the list's order (its header's arrow) puts it.
    const TFolderRowTexts Texts = RowTexts(FFolders.Find(Folder));
    Item = VKRListView1.AddSorted({Folder, Texts.Subfolders, Texts.Files, Texts.Size});
  }
  ShowRow(Item);
  return Item;
}

bool TForm1::IsAvailableFolder(const std::wstring& Folder) { return IsFullPath(Folder) && DirectoryExists(Folder); }

void TForm1::AddUnavailableRow(const std::wstring& Entry) {
  TListItem Item = VKRListView1.Add(Entry);
  FFolders.SetMissing(Entry);
  ShowRow(Item);
}

bool TForm1::TakeAvailability(TListItem& Item) {
  const std::wstring Folder = Item.Caption();
  if (IsAvailableFolder(Folder)) {
    // A folder that was missing has come back: it is scanned like any other.
    const TFolderState State = FFolders.Find(Folder).State;
    if (State == TFolderState::fsNotFound || State == TFolderState::fsInvalid) FFolders.SetNotScanned(Folder);
    return true;
  }
  FFolders.SetMissing(Folder);
  ShowRow(Item);
  return false;
}

TListItem TForm1::FindFolderListItem(TVKRListView& AVKRListView, const std::wstring& FolderName) {
  const std::wstring Wanted = FolderKey(FolderName);
  if (Wanted.empty()) return {};
  const int Count = AVKRListView.Count();
  for (int i = 0; i < Count; ++i) {
    TListItem Item = AVKRListView.Item(i);
    if (FolderKey(Item.Caption()) == Wanted) return Item;
  }
  return {};
}

// A command offered twice, on the toolbar and in a menu, is offered or
// withdrawn in both at once.
void TForm1::EnableCommand(TToolButton& Button, TMenuItem& Item, bool Enabled) {
  Button.SetEnabled(Enabled);
  Item.SetEnabled(Enabled);
}

void TForm1::WithdrawDelete() {
  EnableCommand(DeleteToolButton, Delete1, false);
}

void TForm1::AddFolderToolButtonClick(TObject*) {
  if (FolderListManaged()) {
    SayFolderListManaged();
    return;
  }
  TBrowseFolderRequest Request;
  Request.Owner = Handle();
  std::wstring Folder;
  if (!BrowseForFolder(Request, Folder)) return;
  AddFolderToVKRListView(Folder, true);
  // The row shows "?" now: Delete comes back with the next scan.
  WithdrawDelete();
  UpdateStatusBar();  // the folder count includes the new row
  SaveFolderList();
}

void TForm1::RemoveFolder2Click(TObject*) {
  if (FolderListManaged()) {
    // The Delete key with nothing selected only refreshes the status bar, as it does otherwise.
    if (VKRListView1.SelCount() > 0) SayFolderListManaged();
    UpdateStatusBar();
    return;
  }
  TListItem Row = VKRListView1.Selected();
  while (VKRListView1.SelCount() > 0 && Row) {
    const int Index = Row.Index();
    Row = VKRListView1.GetNextSelected(Index);
    VKRListView1.Delete(Index);
    // The rows below moved up by one.
    if (Row) Row = VKRListView1.Item(Row.Index() - 1);
  }
  // What the rows left show: a folder listed twice still counts where it stays.
  Current = SumOfRows();
  UpdateStatusBar();
  SaveFolderList();
}

void TForm1::ExploreFolder1Click(TObject*) {
  const TListItem Row = VKRListView1.Selected();
  if (!Row || !IsAvailableFolder(Row.Caption())) return;
  // The shell's answer does not matter: there is nothing to do when it fails.
  ExecuteShellCommand(Handle(), L"open", L"", L"", Row.Caption(), SW_SHOWNORMAL);
}

void TForm1::ViewFiles1Click(TObject*) {
  const TListItem Row = VKRListView1.Selected();
  if (!Row) return;
  const std::wstring Folder = Row.Caption();
  if (!IsAvailableFolder(Folder)) return;
  FilesView().ShowSearch(ViewFilesRequest(Folder), ProtectedFolderReason(Folder));
}

TFilesSearchRequest TForm1::ViewFilesRequest(const std::wstring& Folder) {
  // The search Delete would make, with the options and the keep list in force now.
  StartAgeLimit();
  TFilesSearchRequest Request;
  Request.Folder = Folder;
  Request.FilePattern = VKRFileFind1.FilePattern();
  Request.Recursive = VKRFileFind1.Recursive();
  Request.FileType = VKRFileFind1.FileType();
  Request.DirType = VKRFileFind1.DirType();
  Request.Rule = FoundRule();
  Request.KeepEntries = KeepEntriesInForce(FPolicyKeepList, FOptions.KeepList);
  return Request;
}

TFilesViewForm& TForm1::FilesView() {
  if (!FFilesView) {
    FFilesView = std::make_unique<TFilesViewForm>(Handle());
    FFilesView->OnKeep = [this](const std::vector<std::wstring>& Paths) { return AddToKeepList(Paths); };
  }
  return *FFilesView;
}

void TForm1::VKRListView1KeyDown(TObject* Sender, WORD& Key, TShiftState) {
  if (Key == VK_RETURN)
    ExploreFolder1Click(Sender);
  else if (Key == VK_DELETE)
    RemoveFolder2Click(Sender);
}

void TForm1::PopupMenu1Popup(TObject*) {
  const TListItem Row = VKRListView1.Selected();
  const bool Exists = Row && IsAvailableFolder(Row.Caption());
  ExploreFolder1.SetEnabled(Exists);
  ViewFiles1.SetEnabled(Exists);
  // A folder that is not there can still leave the list.
  RemoveFolder2.SetEnabled(static_cast<bool>(Row) && !FolderListManaged());
}

void TForm1::VKRListView1Click(TObject*) {
  const bool AnySelected = VKRListView1.SelCount() > 0 && !FolderListManaged();
  EnableCommand(RemoveFolderToolButton, RemoveFolder1, AnySelected);
}

void TForm1::VKRListView1AdvancedCustomDrawItem(TListView* Sender, TListItem Item, UINT, TCustomDrawStage Stage,
                                                bool&) {
  if (Stage != TCustomDrawStage::cdPrePaint) return;
  // Empty folders, and folders that are not there, are greyed.
  const bool Grey = FFolders.Find(Item.Caption()).Grey();
  Sender->CanvasFont().SetColor(Grey ? clGrayText : clWindowText);
}

// ---- Drops and help ------------------------------------------------------------------

void TForm1::VKRFileDrag1Drop(TObject*) {
  // While a command runs or a dialog is up the list is not ours to change.
  if (Busy() || !IsWindowEnabled(Handle())) return;
  if (FolderListManaged()) {
    SayFolderListManaged();
    return;
  }
  try {
    for (std::wstring& Path : VKRFileDrag1.Files()) {
      if (LowerCaseAZ(ExtractFileExt(Path)) == L".lnk") {
        VKRShellLink1.SetFileName(Path);
        VKRShellLink1.Read();
        Path = VKRShellLink1.Target();
      }
      if (!DirectoryExists(Path)) continue;
      AddFolderToVKRListView(Path, true);
      // The new folder has not been scanned: Delete comes back with the next scan.
      WithdrawDelete();
    }
  } catch (const EVKRShellLink& Error) {
    // The rows added before the unreadable shortcut stay; the rest of the drop is dropped.
    MessageDlg(Error.Message(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
  }
  UpdateStatusBar();  // the folder count includes the new rows
  SaveFolderList();
}

void TForm1::ReleaseNotes1Click(TObject*) {
  const std::wstring Notes = ChangeFileExt(ApplicationExeName(), L".txt");
  if (!FileExists(Notes)) return;
  TShellExecuteRequest Request;
  Request.WindowHandle = Handle();
  Request.Operation = L"open";
  Request.FileName = Notes.c_str();
  Request.ShowCommand = SW_SHOWNORMAL;
  RunShellExecute(Request);
}

// ---- Messages -------------------------------------------------------------------------

void TForm1::ShowFolderListPopup(int X, int Y) {
  if (X == -1 && Y == -1) {
    // Opened from the keyboard: below the selected row, or at the list's corner.
    POINT At{0, 0};
    RECT Row{};
    const TListItem Selected = VKRListView1.Selected();
    if (Selected && ListView_GetItemRect(VKRListView1.Handle(), Selected.Index(), &Row, LVIR_LABEL))
      At = POINT{Row.left, Row.bottom};
    ClientToScreen(VKRListView1.Handle(), &At);
    X = At.x;
    Y = At.y;
  }
  PopupMenu1Popup(this);
  TrackPopupMenu(FPopupMenu, TPM_RIGHTBUTTON, X, Y, 0, Handle(), nullptr);
}

bool TForm1::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  // While Scan or Delete runs, nothing may change the rows they walk.
  if (LongCommand1.Blocks(Msg, WParam, LParam)) {
    Result = 0;
    return true;
  }
  switch (Msg) {
    case WM_SIZE:
      LayoutControls();
      return true;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(WParam) != VKRListView1.Handle()) return false;
      ShowFolderListPopup(static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)));
      return true;
    case WM_CLOSE:
      // Closing in the middle of a command would pull the list from under
      // it: the command stops like a Cancel, then the window closes.
      if (LongCommand1.Running()) {
        LongCommand1.RequestStop();
        FCloseRequested = true;
        return true;
      }
      return TForm::HandleMessage(Msg, WParam, LParam, Result);
    case WM_FOUNDMOREFOLDERS:
      ShowFoundMoreFolders();
      return true;
    case WM_COPYDATA:
      // A later start handed over its command line; the program takes no arguments.
      Result = TRUE;
      return true;
    default:
      return TForm::HandleMessage(Msg, WParam, LParam, Result);
  }
}
