#include "app/ProtectedFolders.h"

#include "framework/FileSystem.h"

#include <windows.h>
#include <initguid.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace {

const TProtectedFolders* Current = nullptr;

bool SameName(const std::wstring& A, const std::wstring& B) {
  return A.size() == B.size() && CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(),
                                                      static_cast<int>(B.size()), TRUE) == CSTR_EQUAL;
}

// The folder that holds Path ("\\?\C:\a" gives "\\?\C:\"); empty for a root.
std::wstring ParentOf(const std::wstring& Path) {
  const std::wstring Top = Path.size() > 3 && Path.back() == L'\\' ? Path.substr(0, Path.size() - 1) : Path;
  const size_t Separator = Top.find_last_of(L'\\');
  if (Separator == std::wstring::npos || Separator + 1 == Top.size()) return {};
  std::wstring Parent = Top.substr(0, Separator);
  if (!Parent.empty() && Parent.back() == L':') return Parent + L'\\';
  // "\\?\UNC\server" and "\\?\" hold no folder a path can name.
  if (Parent.rfind(L"\\\\?\\UNC\\", 0) == 0 && Parent.find(L'\\', 8) == std::wstring::npos) return {};
  if (Parent.size() <= 4) return {};
  return Parent;
}

// A full path as the system resolves it ("." and "..", "/", trailing dots
// and blanks), without "\\?\" and without a trailing separator (but a
// root's), for comparing names.
std::wstring ComparablePath(const std::wstring& Path) {
  std::wstring Full = FullPathName(OrdinaryPathForm(Path));
  if (Full.empty()) Full = OrdinaryPathForm(Path);
  if (Full.size() > 3 && Full.back() == L'\\') Full.pop_back();
  return Full;
}

// Path is Folder, or lies below it, compared as the file system compares
// names (without regard to case).
bool IsAtOrBelow(const std::wstring& Path, const std::wstring& Folder) {
  if (Path.size() < Folder.size() ||
      CompareStringOrdinal(Path.c_str(), static_cast<int>(Folder.size()), Folder.c_str(),
                           static_cast<int>(Folder.size()), TRUE) != CSTR_EQUAL)
    return false;
  return Path.size() == Folder.size() || Path[Folder.size()] == L'\\' || Folder.back() == L'\\';
}

UniqueFile OpenFollowing(const std::wstring& Path) {
  return UniqueFile(CreateFileW(LongPathForm(Path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::wstring KnownFolderPath(const KNOWNFOLDERID& Id) {
  PWSTR Path = nullptr;
  std::wstring Result;
  if (SUCCEEDED(SHGetKnownFolderPath(Id, 0, nullptr, &Path)) && Path != nullptr) Result = Path;
  CoTaskMemFree(Path);
  return Result;
}

}  // namespace

void TProtectedFolders::AddNamed(const std::wstring& Path, const std::wstring& Reason) {
  const std::wstring Named = ComparablePath(Path);
  if (Named.empty()) return;
  FNamed.push_back({Named, Reason});
  for (std::wstring Holder = ParentOf(Named); !Holder.empty(); Holder = ParentOf(Holder))
    FNamedHolders.push_back({ComparablePath(Holder), L"a folder that holds " + Reason});
}

const std::wstring* TProtectedFolders::FindNamed(const std::wstring& Path) const {
  const std::wstring Named = ComparablePath(Path);
  if (Named.empty()) return nullptr;
  for (const std::vector<TNamed>* In : {&FNamed, &FNamedHolders})
    for (const TNamed& Entry : *In)
      if (SameName(Named, Entry.Path)) return &Entry.Reason;
  return nullptr;
}

const std::vector<std::wstring>& WindowsFolderAllowed() {
  // Folders that only ever hold what installers and programs leave to be thrown away.
  static const std::vector<std::wstring> Allowed{L"Temp", L"Downloaded Installations",
                                                 L"InstallShield Installation Information"};
  return Allowed;
}

void TProtectedFolders::Add(std::vector<TEntry>& To, HANDLE Handle, const std::wstring& Reason) {
  TEntry Entry;
  if (!IdentityOf(Handle, Entry.Identity)) return;
  Entry.Reason = Reason;
  To.push_back(std::move(Entry));
}

TProtectedFolders::TProtectedFolders(const std::vector<TProtectedFolder>& Folders, const std::wstring& WindowsFolder,
                                     const std::vector<std::wstring>& Allowed, bool DriveRoots)
    : FAllowed(Allowed) {
  std::vector<TProtectedFolder> All = Folders;
  std::wstring WindowsFinal;
  if (!WindowsFolder.empty()) {
    All.push_back({WindowsFolder, L"the Windows folder"});
    const UniqueFile Windows = OpenFollowing(WindowsFolder);
    FHasWindows = Windows && IdentityOf(Windows.get(), FWindows);
    if (FHasWindows) WindowsFinal = FinalPathOf(Windows.get());
  }
  for (const TProtectedFolder& Folder : All) {
    if (!IsFullPath(Folder.Path)) continue;
    // The folder a link reaches, and the link itself.
    const UniqueFile Reached = OpenFollowing(Folder.Path);
    TFileIdentity Identity;
    if (!Reached || !IdentityOf(Reached.get(), Identity)) {
      // Not there, or not answering now: protected by its path all the same.
      AddNamed(Folder.Path, Folder.Reason);
      continue;
    }
    Add(FFolders, Reached.get(), Folder.Reason);
    const std::wstring Final = FinalPathOf(Reached.get());
    if (!WindowsFolder.empty() && ComparablePath(Folder.Path) != ComparablePath(WindowsFolder) &&
        (IsAtOrBelow(ComparablePath(Folder.Path), ComparablePath(WindowsFolder)) ||
         (!WindowsFinal.empty() && IsAtOrBelow(ComparablePath(Final), ComparablePath(WindowsFinal)))))
      Add(FInsideWindows, Reached.get(), Folder.Reason);
    if (const UniqueFile Itself = OpenToInspect(Folder.Path)) Add(FFolders, Itself.get(), Folder.Reason);
    // Emptying a folder deletes its subfolders whole: one that holds a
    // protected folder would take it along.
    for (std::wstring Holder = ParentOf(Final); !Holder.empty(); Holder = ParentOf(Holder))
      if (const UniqueFile Opened = OpenFollowing(Holder)) Add(FHolders, Opened.get(), L"a folder that holds " + Folder.Reason);
  }
  if (!DriveRoots) return;
  wchar_t Drives[4 * 26 + 1] = L"";
  const DWORD Length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(Drives)), Drives);
  if (Length == 0 || Length >= std::size(Drives)) return;
  for (const wchar_t* Drive = Drives; *Drive != L'\0'; Drive += wcslen(Drive) + 1) {
    const UINT Type = GetDriveTypeW(Drive);
    // Asking a drive without a medium can take long and says nothing.
    if (Type != DRIVE_FIXED && Type != DRIVE_REMOTE && Type != DRIVE_RAMDISK) continue;
    if (const UniqueFile Root = OpenFollowing(Drive)) Add(FFolders, Root.get(), L"a drive root");
  }
}

std::span<const TKnownProtectedFolder> KnownProtectedFolders() {
  static const TKnownProtectedFolder Known[] = {
      {&FOLDERID_System, L"the System folder"},
      {&FOLDERID_SystemX86, L"the System folder"},
      {&FOLDERID_Fonts, L"the Fonts folder"},
      {&FOLDERID_ResourceDir, L"a folder of the Windows folder"},
      {&FOLDERID_ProgramFiles, L"a Program Files folder"},
      {&FOLDERID_ProgramFilesX86, L"a Program Files folder"},
      {&FOLDERID_ProgramFilesX64, L"a Program Files folder"},
      {&FOLDERID_ProgramFilesCommon, L"a Common Files folder"},
      {&FOLDERID_ProgramFilesCommonX86, L"a Common Files folder"},
      {&FOLDERID_ProgramFilesCommonX64, L"a Common Files folder"},
      {&FOLDERID_ProgramData, L"the ProgramData folder"},
      {&FOLDERID_Public, L"the Public folder"},
      {&FOLDERID_PublicDesktop, L"the Public Desktop folder"},
      {&FOLDERID_PublicDocuments, L"the Public Documents folder"},
      {&FOLDERID_CommonStartMenu, L"the Start Menu folder"},
      {&FOLDERID_CommonPrograms, L"the Start Menu folder"},
      {&FOLDERID_CommonStartup, L"the Startup folder"},
      {&FOLDERID_UserProfiles, L"the Users folder"},
      {&FOLDERID_Profile, L"the user's profile folder"},
      {&FOLDERID_RoamingAppData, L"the user's Roaming application data folder"},
      {&FOLDERID_LocalAppData, L"the user's Local application data folder"},
      {&FOLDERID_LocalAppDataLow, L"the user's LocalLow application data folder"},
      {&FOLDERID_Desktop, L"the Desktop folder"},
      {&FOLDERID_Documents, L"the Documents folder"},
      {&FOLDERID_Downloads, L"the Downloads folder"},
      {&FOLDERID_Pictures, L"the Pictures folder"},
      {&FOLDERID_Music, L"the Music folder"},
      {&FOLDERID_Videos, L"the Videos folder"},
      {&FOLDERID_Favorites, L"the Favorites folder"},
      {&FOLDERID_StartMenu, L"the Start Menu folder"},
      {&FOLDERID_Programs, L"the Start Menu folder"},
      {&FOLDERID_Startup, L"the Startup folder"},
      {&FOLDERID_SendTo, L"the Send To folder"},
      {&FOLDERID_Templates, L"the Templates folder"},
      {&FOLDERID_SavedGames, L"the Saved Games folder"},
      {&FOLDERID_Contacts, L"the Contacts folder"},
      {&FOLDERID_Links, L"the Links folder"},
      {&FOLDERID_SkyDrive, L"the OneDrive folder"},
  };
  return Known;
}

std::wstring SystemKnownFolderPath(const KNOWNFOLDERID& Id) { return KnownFolderPath(Id); }

TProtectedFolders TProtectedFolders::System(const TKnownFolderPath& Where, bool DriveRoots) {
  std::vector<TProtectedFolder> Folders;
  for (const TKnownProtectedFolder& Folder : KnownProtectedFolders())
    if (std::wstring Path = Where(*Folder.Id); !Path.empty()) Folders.push_back({std::move(Path), Folder.Reason});
  return TProtectedFolders(Folders, Where(FOLDERID_Windows), WindowsFolderAllowed(), DriveRoots);
}

const std::wstring* TProtectedFolders::Find(const std::vector<TEntry>& In, const TFileIdentity& Identity) const {
  for (const TEntry& Entry : In)
    if (Entry.Identity == Identity) return &Entry.Reason;
  return nullptr;
}

bool TProtectedFolders::IsWindowsFolder(HANDLE Handle) const {
  // Each folder above a listed one is asked: only one whose file ID is the
  // Windows folder's is asked its volume too, which is the costly part.
  uint64_t File = 0;
  if (FileIndexOf(Handle, File) && File != FWindows.File) return false;
  TFileIdentity Identity;
  return IdentityOf(Handle, Identity) && Identity == FWindows;
}

bool TProtectedFolders::IsInsideWindowsFolder(HANDLE Handle) const {
  // As IsWindowsFolder: the file ID first, the costly volume only on a match.
  uint64_t File = 0;
  const bool Indexed = FileIndexOf(Handle, File);
  for (const TEntry& Entry : FInsideWindows) {
    if (Indexed && Entry.Identity.File != File) continue;
    TFileIdentity Identity;
    return IdentityOf(Handle, Identity) && Find(FInsideWindows, Identity) != nullptr;
  }
  return false;
}

std::wstring TProtectedFolders::Reason(const TOpenedFolder& Folder, const std::wstring& Spelled) const {
  TFileIdentity Identity;
  if (!Folder.valid() || !IdentityOf(Folder.get(), Identity)) return L"it cannot be opened as a folder";
  if (const std::wstring* Found = Find(FFolders, Identity)) return *Found;
  if (const std::wstring* Found = Find(FHolders, Identity)) return *Found;
  const std::wstring Final = FinalPathOf(Folder.get());
  if (Final.empty()) return L"the system cannot say where it is";
  if (ParentOf(Final).empty()) return L"a drive root";
  // The folders known only by their paths: by the path it was opened by and
  // by the one the system gives it.
  for (const std::wstring* Path : {&Spelled, &Final})
    if (!Path->empty())
      if (const std::wstring* Found = FindNamed(*Path)) return *Found;
  // Inside the Windows folder: only below an allowed folder directly in it.
  // The folders above are asked by identity: a drive letter may lead into
  // the Windows folder or one of its known folders, and the system then
  // names what is below by that letter.
  std::wstring Child = Final;
  for (std::wstring Holder = ParentOf(Final); !Holder.empty(); Child = Holder, Holder = ParentOf(Holder)) {
    const UniqueFile Opened = OpenFollowing(Holder);
    if (!Opened) continue;
    if (IsInsideWindowsFolder(Opened.get())) return L"a folder inside the Windows folder";
    if (!FHasWindows || !IsWindowsFolder(Opened.get())) continue;
    const std::wstring Name = ExtractFileName(Child);
    for (const std::wstring& Allowed : FAllowed)
      if (SameName(Name, Allowed)) return {};
    return L"a folder inside the Windows folder";
  }
  return {};
}

TProtectedFolders ProtectedFolders() {
  if (Current != nullptr) return *Current;
  // Wine makes a volume's serial number of the drive letter it reaches a
  // folder through, the one whose mapping is nearest: a drive added or moved
  // since changes the identities below its folder. So the set is made now.
  return TProtectedFolders::System();
}

TProtectedFoldersOverride::TProtectedFoldersOverride(TProtectedFolders Folders)
    : FFolders(std::make_unique<TProtectedFolders>(std::move(Folders))), FPrevious(Current) {
  Current = FFolders.get();
}

TProtectedFoldersOverride::~TProtectedFoldersOverride() { Current = FPrevious; }
