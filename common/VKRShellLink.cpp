#include "common/VKRShellLink.h"

#include "framework/ComPtr.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace {

// The messages of every shortcut component; SetLangType replaces them.
struct TShellLinkTexts {
  const wchar_t* CreateFailed;
  const wchar_t* NoPersistFile;
  const wchar_t* WriteError;
  const wchar_t* ReadError;
  const wchar_t* LinkNotFound;
};

constexpr TShellLinkTexts EnglishTexts = {L"\"CoCreateInstance\" failed.", L"\"PersistFile QueryInterface\" failed.",
                                          L"Write error.", L"Read error.", L"Link not found."};
constexpr TShellLinkTexts FrenchTexts = {L"\"CoCreateInstance\" a \u00E9chou\u00E9.",
                                         L"\"PersistFile QueryInterface\" a \u00E9chou\u00E9.",
                                         L"Erreur en \u00E9criture.", L"Erreur en lecture.", L"Lien non trouv\u00E9."};

TShellLinkTexts GTexts = EnglishTexts;

int CsidlOf(TShellFolder Folder) {
  switch (Folder) {
    case TShellFolder::sfDesktop: return CSIDL_DESKTOP;
    case TShellFolder::sfFavorites: return CSIDL_FAVORITES;
    case TShellFolder::sfFonts: return CSIDL_FONTS;
    case TShellFolder::sfPersonal: return CSIDL_PERSONAL;
    case TShellFolder::sfPrograms: return CSIDL_PROGRAMS;
    case TShellFolder::sfRecent: return CSIDL_RECENT;
    case TShellFolder::sfSendTo: return CSIDL_SENDTO;
    case TShellFolder::sfStartMenu: return CSIDL_STARTMENU;
    case TShellFolder::sfStartup: return CSIDL_STARTUP;
    case TShellFolder::sfTemplates: return CSIDL_TEMPLATES;
    case TShellFolder::sfNone: break;
  }
  return -1;
}

// The shell's link object with its file interface, in an initialised apartment.
struct TLinkObject {
  TComInitialization Com;  // first in, last out: the interfaces go before it
  ComPtr<IShellLinkA> Link;
  ComPtr<IPersistFile> File;

  TLinkObject() {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, Link.put_void())))
      throw EVKRShellLink(GTexts.CreateFailed);
    if (FAILED(Link.QueryInterface(IID_IPersistFile, File))) throw EVKRShellLink(GTexts.NoPersistFile);
  }
};

// The file name as the ANSI interface sees it: through the ANSI code page and
// back. False when it does not fit in MAX_PATH characters; the caller refuses
// it rather than read or write a shortened name, which would be another file.
bool PersistName(const std::wstring& FileName, std::wstring& Name) {
  Name = AnsiToWide(WideToAnsi(FileName));
  return Name.size() < MAX_PATH && Name.find(L'\0') == std::wstring::npos;
}

// Reads one text through a MAX_PATH ANSI buffer.
template <typename TGetter>
std::wstring ReadAnsi(TGetter Getter) {
  char Buffer[MAX_PATH] = "";
  if (FAILED(Getter(Buffer, static_cast<int>(MAX_PATH)))) return {};
  Buffer[MAX_PATH - 1] = '\0';
  return AnsiToWide(Buffer);
}

std::wstring FolderJoin(const std::wstring& Folder, const std::wstring& Path) {
  return IncludeTrailingPathDelimiter(Folder) + ExtractFileName(Path);
}

}  // namespace

int ShowCommandOfWindowState(TWindowState State) {
  switch (State) {
    case TWindowState::wsMinimized: return SW_SHOWMINNOACTIVE;
    case TWindowState::wsMaximized: return SW_SHOWMAXIMIZED;
    case TWindowState::wsNormal: break;
  }
  return SW_SHOWNORMAL;
}

TWindowState WindowStateOfShowCommand(int ShowCommand) {
  if (ShowCommand == SW_SHOWMAXIMIZED) return TWindowState::wsMaximized;
  if (ShowCommand == SW_SHOWMINNOACTIVE) return TWindowState::wsMinimized;
  return TWindowState::wsNormal;
}

WORD HotKeyWordOfShortCut(TShortCut ShortCut) {
  WORD Flags = 0;
  if ((ShortCut & scShift) != 0) Flags |= HOTKEYF_SHIFT;
  if ((ShortCut & scCtrl) != 0) Flags |= HOTKEYF_CONTROL;
  if ((ShortCut & scAlt) != 0) Flags |= HOTKEYF_ALT;
  return static_cast<WORD>((Flags << 8) | (ShortCut & 0xFF));
}

TShortCut ShortCutOfHotKeyWord(WORD HotKey) {
  const WORD Flags = HIBYTE(HotKey);
  TShortCut Result = LOBYTE(HotKey);
  if ((Flags & HOTKEYF_SHIFT) != 0) Result |= scShift;
  if ((Flags & HOTKEYF_CONTROL) != 0) Result |= scCtrl;
  if ((Flags & HOTKEYF_ALT) != 0) Result |= scAlt;
  return Result;
}

TVKRShellLink::TVKRShellLink() { SetLangType(TLangType::ltEnglish); }

std::wstring TVKRShellLink::ShellFolderPath(TShellFolder Folder) {
  const int Csidl = CsidlOf(Folder);
  if (Csidl < 0) return {};
  wchar_t Path[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, Path))) return {};
  return Path;
}

void TVKRShellLink::SetFileName(const std::wstring& Value) {
  if (Value == FFileName) return;
  std::wstring Name = Value;
  if (FShellFolder != TShellFolder::sfNone) Name = FolderJoin(ShellFolderPath(FShellFolder), Name);
  if (!Name.empty() && LowerCaseAZ(ExtractFileExt(Name)) != L".lnk") Name = ChangeFileExt(Name, L".lnk");
  FFileName = Name;
}

void TVKRShellLink::SetShellFolder(TShellFolder Value) {
  if (Value == FShellFolder) return;
  FShellFolder = Value;
  if (Value != TShellFolder::sfNone) FFileName = FolderJoin(ShellFolderPath(Value), FFileName);
}

void TVKRShellLink::SetLangType(TLangType Value) {
  FLangType = Value;
  if (Value == TLangType::ltEnglish)
    GTexts = EnglishTexts;
  else if (Value == TLangType::ltFrench)
    GTexts = FrenchTexts;
}

void TVKRShellLink::Read() {
  if (!FileExists(FFileName)) throw EVKRShellLink(GTexts.LinkNotFound);
  TLinkObject Object;
  std::wstring Name;
  if (!PersistName(FFileName, Name) || FAILED(Object.File->Load(Name.c_str(), STGM_READ)))
    throw EVKRShellLink(GTexts.ReadError);

  IShellLinkA& Link = *Object.Link.get();
  // Everything is read before anything changes.
  std::wstring Description = ReadAnsi([&Link](char* Text, int Size) { return Link.GetDescription(Text, Size); });
  std::wstring Target = ReadAnsi(
      [&Link](char* Text, int Size) { return Link.GetPath(Text, Size, nullptr, SLGP_UNCPRIORITY); });
  std::wstring WorkingDir =
      ReadAnsi([&Link](char* Text, int Size) { return Link.GetWorkingDirectory(Text, Size); });
  std::wstring Arguments = ReadAnsi([&Link](char* Text, int Size) { return Link.GetArguments(Text, Size); });
  int ShowCommand = SW_SHOWNORMAL;
  if (FAILED(Link.GetShowCmd(&ShowCommand))) ShowCommand = SW_SHOWNORMAL;
  WORD HotKey = 0;
  if (FAILED(Link.GetHotkey(&HotKey))) HotKey = 0;
  int IconIndex = 0;
  std::wstring IconFileName = ReadAnsi([&Link, &IconIndex](char* Text, int Size) {
    return Link.GetIconLocation(Text, Size, &IconIndex);
  });

  FDescription = std::move(Description);
  FTarget = std::move(Target);
  FWorkingDir = std::move(WorkingDir);
  FArguments = std::move(Arguments);
  FWindowState = WindowStateOfShowCommand(ShowCommand);
  FHotKey = ShortCutOfHotKeyWord(HotKey);
  FFileIcon.SetIconFileName(IconFileName);
  FFileIcon.SetIconIndex(IconIndex);
}

void TVKRShellLink::Write() {
  TLinkObject Object;
  std::wstring Name;
  if (!PersistName(FFileName, Name)) throw EVKRShellLink(GTexts.WriteError);
  IShellLinkA& Link = *Object.Link.get();
  Link.SetDescription(WideToAnsi(FDescription).c_str());
  Link.SetPath(WideToAnsi(FTarget).c_str());
  Link.SetWorkingDirectory(WideToAnsi(FWorkingDir).c_str());
  Link.SetArguments(WideToAnsi(FArguments).c_str());
  Link.SetShowCmd(ShowCommandOfWindowState(FWindowState));
  Link.SetHotkey(HotKeyWordOfShortCut(FHotKey));
  Link.SetIconLocation(WideToAnsi(FFileIcon.IconFileName()).c_str(), FFileIcon.IconIndex());
  if (FAILED(Object.File->Save(Name.c_str(), TRUE))) throw EVKRShellLink(GTexts.WriteError);
}
