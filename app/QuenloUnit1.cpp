#include "app/QuenloUnit1.h"

#include "app/QuenloUnit3.h"
#include "options/QuenloUnit2.h"
#include "search/FolderSize.h"
#include "common/VKRCommonUnit.h"
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/SystemFont.h"
#include "framework/Text.h"
#include "resources/MainRes.h"
#include "update/ProgramVersion.h"

#include <shlobj.h>

namespace {

// The client area the window was designed with, and where it opens.
constexpr int DesignLeft = 208;
constexpr int DesignTop = 132;
constexpr int DesignClientWidth = 927;
constexpr int DesignClientHeight = 543;
constexpr int ProgressBarHeight = 16;

const wchar_t* const UnscannedCount = L"?";
const wchar_t* const UnscannedSize = L"? KB";

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

std::wstring UserTempFolder() {
  wchar_t Temp[MAX_PATH + 1] = L"";
  const DWORD Length = GetTempPathW(MAX_PATH + 1, Temp);
  std::wstring Path = ExcludeTrailingPathDelimiter(std::wstring(Temp, Length <= MAX_PATH ? Length : 0));
  std::wstring Long(32768, L'\0');
  const DWORD LongLength = GetLongPathNameW(Path.c_str(), Long.data(), static_cast<DWORD>(Long.size()));
  if (LongLength == 0 || LongLength >= Long.size()) return Path;
  Long.resize(LongLength);
  return Long;
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
      AboutToolButton(ToolBar1, IDM_ABOUT),
      ExitToolButton(ToolBar1, IDM_EXIT) {
  // Another instance running: hand over to it before any window or setting is touched.
  if (Options.SingleInstance && !FInstanceGuard.Acquire()) {
    FGaveWay = true;
    FInstanceGuard.ActivateRunning(GetCommandLineW());
    Application().Terminate();
    return;
  }

  VKRRegistryEnhanced1.SetKey(Options.RegistryKey);
  // Every file, hidden and system ones too; folders are entered unless hidden.
  VKRFileFind1.SetFilePattern(L"*.*");
  VKRFileFind1.SetFileType({TFileType::ftHidden, TFileType::ftSystem, TFileType::ftArchive, TFileType::ftNormal});
  VKRFileFind1.SetDirType({TFileType::ftSystem, TFileType::ftDirectory});
  VKRFileFind1.SetThreadPriority(TThreadPriority::tpIdle);
  VKRAppUpdate1.SetFileSizeUnit(TVKRAppUpdateFileSizeUnit::KiloBytes);
  VKRAppUpdate1.SetProxyPort(L"80");
  VKRAppUpdate1.SetUpdateFileURL(L"https://updates.brenlow.example/brenlow/BrenlowUpdates.txt");
  VKRAppUpdate1.SetUpdatePageURL(L"https://updates.brenlow.example/brenlow/");
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
  ReleaseNotes1 = TMenuItem(MainMenu, IDM_RELEASENOTES, Handle());
  CheckforUpdates1 = TMenuItem(MainMenu, IDM_CHECKFORUPDATES, Handle());
  About1 = TMenuItem(MainMenu, IDM_ABOUT, Handle());

  FPopupMenuResource.reset(LoadMenuW(Application().HInstance(), MAKEINTRESOURCEW(IDR_POPUPMENU)));
  if (!FPopupMenuResource) throw EResNotFound(L"Folder list popup menu");
  FPopupMenu = GetSubMenu(FPopupMenuResource.get(), 0);
  SetMenuDefaultItem(FPopupMenu, IDM_EXPLOREFOLDER, FALSE);
  ExploreFolder1 = TMenuItem(FPopupMenu, IDM_EXPLOREFOLDER, Handle());
  RemoveFolder2 = TMenuItem(FPopupMenu, IDM_POPUPREMOVEFOLDER, Handle());

  // The menus show the pictures of the toolbar buttons and of the popup strip.
  const struct {
    HMENU Menu;
    int Command;
    int Strip;
    int Size;
    int Image;
  } Pictures[] = {
      {MainMenu, IDM_ADDFOLDER, IDB_TOOLBAR, 18, IMG_ADDFOLDER},
      {MainMenu, IDM_REMOVEFOLDER, IDB_TOOLBAR, 18, IMG_REMOVEFOLDER},
      {MainMenu, IDM_EXIT, IDB_TOOLBAR, 18, IMG_EXIT},
      {MainMenu, IDM_SCAN, IDB_TOOLBAR, 18, IMG_SCAN},
      {MainMenu, IDM_DELETE, IDB_TOOLBAR, 18, IMG_DELETE},
      {MainMenu, IDM_STATISTICS, IDB_TOOLBAR, 18, IMG_STATISTICS},
      {MainMenu, IDM_OPTIONS, IDB_TOOLBAR, 18, IMG_OPTIONS},
      {MainMenu, IDM_ABOUT, IDB_TOOLBAR, 18, IMG_ABOUT},
      {FPopupMenu, IDM_EXPLOREFOLDER, IDB_POPUPIMAGES, 16, 0},
      {FPopupMenu, IDM_POPUPREMOVEFOLDER, IDB_POPUPIMAGES, 16, 1},
  };
  for (const auto& Picture : Pictures)
    FMenuImages.Assign(Picture.Menu, Picture.Command, Picture.Strip, Picture.Size, Picture.Image);

  FAccelerators.reset(LoadAcceleratorsW(Application().HInstance(), MAKEINTRESOURCEW(IDR_ACCELERATORS)));
  SetAccelerators(FAccelerators.get());

  ToolBar1.Create(Handle(), IDC_TOOLBAR, IDB_TOOLBAR, 18, ScaleByDpi(26),
                  {
                      {IDM_ADDFOLDER, IMG_ADDFOLDER, L"Add Folder", true},
                      {IDM_REMOVEFOLDER, IMG_REMOVEFOLDER, L"Remove Folder", false},
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
  VKRListView1.AddColumn(L"Location", ScaleByDpi(500));
  VKRListView1.AddColumn(L"Subfolder Count", ScaleByDpi(150));
  VKRListView1.AddColumn(L"File Count", ScaleByDpi(125));
  VKRListView1.AddColumn(L"Size", ScaleByDpi(100), /*RightAligned=*/true);
  FFolderImages.reset(ImageList_LoadImageW(Application().HInstance(), MAKEINTRESOURCEW(IDB_FOLDERLIST), 16, 0,
                                           RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
  if (!FFolderImages) throw EResNotFound(L"Folder list images");
  VKRListView1.SetSmallImages(FFolderImages.get());
  RegisterControl(VKRListView1);

  ProgressBar1.Create(Handle(), IDC_PROGRESSBAR);
  ProgressBar1.SetStep(1);
  StatusBar1.Create(Handle(), IDC_STATUSBAR);
  LayoutControls();
}

void TForm1::BindCommands() {
  BindCommand(IDM_EXIT, [this] { RunExclusive([this] { ExitToolButtonClick(this); }); });
  BindCommand(IDM_STATISTICS, [this] { RunExclusive([this] { StatisticsToolButtonClick(this); }); });
  BindCommand(IDM_SCAN, [this] { RunExclusive([this] { ScanToolButtonClick(this); }); });
  BindCommand(IDM_OPTIONS, [this] { RunExclusive([this] { OptionsToolButtonClick(this); }); });
  BindCommand(IDM_CHECKFORUPDATES, [this] { RunExclusive([this] { CheckforUpdates1Click(this); }); });
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

void TForm1::KeepResponsive() {
  // Often enough to repaint and to move the progress bar, seldom enough to cost nothing.
  const ULONGLONG Now = GetTickCount64();
  if (Now - FLastResponse < 50) return;
  FLastResponse = Now;
  Application().ProcessMessages();
}

TForm1::TBusyState::TBusyState(TForm1& Form, const wchar_t* StatusText) : FForm(Form) {
  if (FForm.FBusyDepth++ == 0) {
    SetScreenCursor(TCursor::crHourGlass);
    FForm.ToolBar1.SetEnabled(false);
    FForm.EnableMenuBar(false);
  }
  if (StatusText != nullptr) FForm.StatusBar1.SetSimpleText(StatusText);
}

TForm1::TBusyState::~TBusyState() {
  if (--FForm.FBusyDepth != 0) return;
  FForm.EnableMenuBar(true);
  FForm.ToolBar1.SetEnabled(true);
  SetScreenCursor(TCursor::crDefault);
  if (FForm.FCloseRequested) {
    FForm.FCloseRequested = false;
    PostMessageW(FForm.Handle(), WM_CLOSE, 0, 0);
  }
}

void TForm1::LayoutControls() {
  RECT Client{};
  GetClientRect(Handle(), &Client);
  SendMessageW(ToolBar1.Handle(), TB_AUTOSIZE, 0, 0);
  SendMessageW(StatusBar1.Handle(), WM_SIZE, 0, 0);
  const int ToolBarHeight = ToolBar1.HeightInPixels();
  const int StatusHeight = StatusBar1.HeightInPixels();
  const int ProgressHeight = ScaleByDpi(ProgressBarHeight);
  const int ProgressTop = Client.bottom - StatusHeight - ProgressHeight;
  ProgressBar1.SetBounds(0, ProgressTop, Client.right, ProgressHeight);
  const int ListHeight = ProgressTop - ToolBarHeight;
  VKRListView1.SetBounds(0, ToolBarHeight, Client.right, ListHeight > 0 ? ListHeight : 0);
}

// ---- Start-up and close -------------------------------------------------------------

void TForm1::FormCreate(TObject*) {
  // An earlier layout kept the folder list under "Location".
  if (VKRRegistryEnhanced1.KeyExists(L"Location")) VKRRegistryEnhanced1.RenameKey(L"Location", L"Locations");

  std::vector<std::wstring> Names;
  VKRRegistryEnhanced1.GetValueNames(L"Locations", Names);
  for (const std::wstring& Name : Names)
    AddFolderToVKRListView(VKRRegistryEnhanced1.GetValue(L"Locations\\" + Name).ToString(), false);

  if (VKRListView1.Count() == 0)
    for (const std::wstring& Folder : DefaultFolderCandidates(TDefaultFolderBases::FromSystem()))
      AddFolderToVKRListView(Folder, false);

  StatusBar1.SetSimpleText(std::to_wstring(VKRListView1.Count()) + L" folder(s) - ? subfolder(s) - ? file(s) - ? KB");
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);
  LayoutControls();
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  VKRRegistryEnhanced1.SetValue(L"ApplicationPath", Variant(ExtractFilePath(ApplicationExeName())));
  VKRRegistryEnhanced1.DeleteKey(L"Locations");
  const int Count = VKRListView1.Count();
  for (int i = 0; i < Count; ++i)
    VKRRegistryEnhanced1.SetValue(L"Locations\\Item" + std::to_wstring(i), Variant(VKRListView1.Item(i).Caption()));
}

void TForm1::FormDestroy(TObject*) {}

void TForm1::ExitToolButtonClick(TObject*) { Close(); }

// ---- Totals -------------------------------------------------------------------------

void TForm1::UpdateStatusBar() {
  StatusBar1.SetSimpleText(std::to_wstring(VKRListView1.Count()) + L" folder(s) - " +
                           std::to_wstring(CurrentSubfolderCount) + L" subfolder(s) - " +
                           std::to_wstring(CurrentFileCount) + L" file(s) - " +
                           FormatFileSize(int64_t{CurrentFileSizeKB} * 1024, TSizeUnit::fsKiloBytes));
}

int32_t TForm1::CountSubfolders(const std::wstring& Path) {
  WIN32_FIND_DATAW Data;
  UniqueFind Find(FindFirstFileExW(LongPathForm(Path + L"\\*.*").c_str(), FindExInfoBasic, &Data,
                                   FindExSearchNameMatch, nullptr, 0));
  if (!Find) return 0;
  int32_t Count = 0;
  do {
    // Hidden entries are not listed at all; system files count as subfolders.
    if ((Data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0 || IsDotName(Data.cFileName)) continue;
    if ((Data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM)) != 0) ++Count;
  } while (FindNextFileW(Find.get(), &Data));
  return Count;
}

void TForm1::ScanToolButtonClick(TObject*) {
  TBusyState Busy(*this, L"Scanning folder content");
  const int Rows = VKRListView1.Count();
  ProgressBar1.SetPosition(0);
  ProgressBar1.SetMax(Rows);
  CurrentSubfolderCount = 0;
  CurrentFileCount = 0;
  CurrentFileSizeKB = 0;
  const auto SavedOnChangeDirectory = VKRFileFind1.OnChangeDirectory;
  VKRFileFind1.OnChangeDirectory = [this](TObject*, const std::wstring&) { KeepResponsive(); };

  for (int i = 0; i < Rows; ++i) {
    TListItem Row = VKRListView1.Item(i);
    const std::wstring Folder = Row.Caption();
    StatusBar1.SetSimpleText(L"Scanning folder content - " + Folder);
    VKRFileFind1.SetStartDir(Folder);
    ProgressBar1.StepIt();
    KeepResponsive();
    // The tree size shares the search's listings instead of walking the tree twice.
    TFolderTreeMeasure Measure;
    bool SearchCompleted = true;
    VKRFileFind1.SetListingObserver(&Measure);
    try {
      VKRFileFind1.Execute();
    } catch (const std::exception&) {
      // The row takes whatever was found before the search gave up.
      SearchCompleted = false;
    }
    VKRFileFind1.SetListingObserver(nullptr);
    if (Form2->LimitSearchDepthCheckBox.Checked())
      VKRFileFind1.FilterFilesFoundDepth(0, Form2->MaxSearchDepthUpDown.Position());
    const int32_t Subfolders = CountSubfolders(Folder);
    const auto KeepUp = [this] { KeepResponsive(); };
    const int64_t Size = SearchCompleted ? Measure.Result(Folder, KeepUp) : FolderTreeSize(Folder, KeepUp);
    const auto Files = static_cast<int32_t>(VKRFileFind1.FilesFound().size());
    Row.SetSubItem(0, std::to_wstring(Subfolders));
    Row.SetSubItem(1, std::to_wstring(Files));
    Row.SetSubItem(2, FormatFileSize(Size, TSizeUnit::fsKiloBytes));
    CurrentSubfolderCount += Subfolders;
    CurrentFileCount += Files;
    CurrentFileSizeKB += static_cast<int32_t>(Size / 1024);
  }
  VKRFileFind1.OnChangeDirectory = SavedOnChangeDirectory;

  if (CurrentFileCount > 0) {
    DeleteToolButton.SetEnabled(true);
    Delete1.SetEnabled(DeleteToolButton.Enabled());
  }
  if (Rows > 0) {
    StatisticsToolButton.SetEnabled(true);
    Statistics1.SetEnabled(true);
  }
  PreviousSubfolderCount = CurrentSubfolderCount;
  PreviousFileCount = CurrentFileCount;
  PreviousFileSizeKB = CurrentFileSizeKB;
  UpdateStatusBar();
}

void TForm1::OptionsToolButtonClick(TObject*) {
  Form2->OptionsPageControl.SetActivePage(Form2->PreferencesTabSheet);
  if (Form2->ShowModal() == mrOk) {
    Form2->ActivateOptions();
    Form2->SaveOptionsToRegistry();
  } else {
    Form2->LoadOptionsFromRegistry();
    Form2->ActivateOptions();
  }
}

void TForm1::CheckforUpdates1Click(TObject*) {
  VKRAppUpdate1.SetVersion(ProgramVersionText(ApplicationExeName()));
  // The check lets windows repaint while it fetches: no other command may start meanwhile.
  TBusyState Busy(*this, nullptr);
  VKRAppUpdate1.Execute(false);
}

void TForm1::StatisticsToolButtonClick(TObject*) {
  {
    TBusyState Busy(*this, nullptr);
    const auto Count = [](int64_t Value) { return std::to_wstring(Value); };
    const auto Size = [](int64_t KiloBytes) { return FormatFileSize(KiloBytes * 1024, TSizeUnit::fsKiloBytes); };
    Form3->CurrentSubfolderCountLabel.SetText(Count(CurrentSubfolderCount));
    Form3->CurrentFileCountLabel.SetText(Count(CurrentFileCount));
    Form3->CurrentFileSizeLabel.SetText(Size(CurrentFileSizeKB));
    Form3->PreviousSubfolderCountLabel.SetText(Count(PreviousSubfolderCount));
    Form3->PreviousFileCountLabel.SetText(Count(PreviousFileCount));
    Form3->PreviousFileSizeLabel.SetText(Size(PreviousFileSizeKB));
    Form3->DeltaSubfolderCountLabel.SetText(Count(int64_t{PreviousSubfolderCount} - CurrentSubfolderCount));
    Form3->DeltaFileCountLabel.SetText(Count(int64_t{PreviousFileCount} - CurrentFileCount));
    Form3->DeltaFileSizeLabel.SetText(Size(int64_t{PreviousFileSizeKB} - CurrentFileSizeKB));
  }
  Form3->ShowModal();
}

// ---- The folder list ----------------------------------------------------------------

TListItem TForm1::AddFolderToVKRListView(const std::wstring& FolderName, bool EnableFind) {
  if (!DirectoryExists(FolderName)) return {};
  TListItem Item;
  if (EnableFind) Item = FindFolderListItem(VKRListView1, FolderName);
  if (Item)
    Item.SetCaption(FolderName);
  else
    Item = VKRListView1.Add(FolderName);
  Item.SetSubItem(0, UnscannedCount);
  Item.SetSubItem(1, UnscannedCount);
  Item.SetSubItem(2, UnscannedSize);
  return Item;
}

TListItem TForm1::FindFolderListItem(TVKRListView& AVKRListView, const std::wstring& FolderName) {
  const std::wstring Wanted = ExcludeTrailingPathDelimiter(FolderName);
  const int Count = AVKRListView.Count();
  for (int i = 0; i < Count; ++i) {
    TListItem Item = AVKRListView.Item(i);
    if (SameTextAZ(Item.Caption(), Wanted)) return Item;
  }
  return {};
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
  TrackPopupMenu(FPopupMenu, TPM_RIGHTBUTTON, X, Y, 0, Handle(), nullptr);
}

bool TForm1::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_SIZE:
      LayoutControls();
      return true;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(WParam) != VKRListView1.Handle()) return false;
      ShowFolderListPopup(static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)));
      return true;
    case WM_CLOSE:
      // Closing in the middle of a command would pull the list from under it.
      if (Busy()) {
        FCloseRequested = true;
        return true;
      }
      return TForm::HandleMessage(Msg, WParam, LParam, Result);
    case WM_COPYDATA:
      // A later start handed over its command line; the program takes no arguments.
      Result = TRUE;
      return true;
    default:
      return TForm::HandleMessage(Msg, WParam, LParam, Result);
  }
}
