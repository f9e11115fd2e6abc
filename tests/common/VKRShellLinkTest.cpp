#include <doctest.h>

#include "common/VKRShellLink.h"
#include "framework/ComPtr.h"
#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "support/TempDir.h"
#include "support/TestStrings.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// What a shortcut file holds, read with the shell's wide interface.
struct TRawLink {
  WORD HotKey = 0;
  std::wstring Target;
};

ComPtr<IShellLinkW> NewShellLink() {
  ComPtr<IShellLinkW> Link;
  REQUIRE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     Link.put_void())));
  return Link;
}

TRawLink ReadRaw(const std::wstring& FileName) {
  TComInitialization Com;
  ComPtr<IShellLinkW> Link = NewShellLink();
  ComPtr<IPersistFile> File;
  REQUIRE(SUCCEEDED(Link.QueryInterface(IID_IPersistFile, File)));
  REQUIRE(SUCCEEDED(File->Load(FileName.c_str(), STGM_READ)));
  TRawLink Raw;
  Link->GetHotkey(&Raw.HotKey);
  wchar_t Path[MAX_PATH] = L"";
  Link->GetPath(Path, MAX_PATH, nullptr, 0);
  Raw.Target = Path;
  return Raw;
}

// The show command as the file stores it: the header's 32-bit value at 0x3C.
// (Wine 8's link object saves it but always reports 1 after a load.)
uint32_t StoredShowCommand(const std::wstring& FileName) {
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  REQUIRE(File.valid());
  unsigned char Header[0x40] = {};
  DWORD Read = 0;
  REQUIRE(ReadFile(File.get(), Header, sizeof(Header), &Read, nullptr));
  REQUIRE(Read == sizeof(Header));
  return Header[0x3C] | Header[0x3D] << 8 | Header[0x3E] << 16 | static_cast<uint32_t>(Header[0x3F]) << 24;
}

std::wstring RaisedBy(TVKRShellLink& Link, void (TVKRShellLink::*Method)()) {
  try {
    (Link.*Method)();
  } catch (const EVKRShellLink& Error) {
    return Error.Message();
  }
  return L"(nothing raised)";
}

}  // namespace

TEST_CASE("a shortcut written is read back whole") {
  TTempDir Temp;
  const std::wstring Target = Temp.MakeDir(L"target folder");
  const std::wstring Icons = Temp.MakeFile(L"icons.ico", 10);

  TVKRShellLink Writer;
  Writer.SetFileName(Temp / L"Tool");
  CHECK(Writer.FileName() == Temp / L"Tool.lnk");
  Writer.SetTarget(Target);
  Writer.SetArguments(L"/scan \"two words\"");
  Writer.SetWorkingDir(Temp.Path());
  Writer.SetDescription(L"Empties the folders");
  Writer.SetWindowState(TWindowState::wsMaximized);
  Writer.SetHotKey(static_cast<TShortCut>(scCtrl | scAlt | 'K'));
  TVKRFileIcon Icon;
  Icon.SetIconFileName(Icons);
  Icon.SetIconIndex(3);
  Writer.SetFileIcon(Icon);
  Writer.Write();
  REQUIRE(FileExists(Writer.FileName()));

  const TRawLink Raw = ReadRaw(Writer.FileName());
  CHECK(StoredShowCommand(Writer.FileName()) == SW_SHOWMAXIMIZED);
  CHECK(Raw.HotKey == ((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'K'));

  TVKRShellLink Reader;
  Reader.SetFileName(Writer.FileName());
  Reader.Read();
  CHECK(Reader.Target() == Target);
  CHECK(Reader.Arguments() == L"/scan \"two words\"");
  CHECK(Reader.WorkingDir() == Temp.Path());
  CHECK(Reader.Description() == L"Empties the folders");
  CHECK(Reader.HotKey() == static_cast<TShortCut>(scCtrl | scAlt | 'K'));
  CHECK(Reader.FileIcon().IconFileName() == Icons);
  CHECK(Reader.FileIcon().IconIndex() == 3);

  // Writing again overwrites the same file.
  Writer.SetWindowState(TWindowState::wsMinimized);
  Writer.SetHotKey(static_cast<TShortCut>(scShift | VK_F5));
  Writer.Write();
  CHECK(StoredShowCommand(Writer.FileName()) == SW_SHOWMINNOACTIVE);
  CHECK(ReadRaw(Writer.FileName()).HotKey == (HOTKEYF_SHIFT << 8 | VK_F5));
  Reader.Read();
  CHECK(Reader.HotKey() == static_cast<TShortCut>(scShift | VK_F5));
}

TEST_CASE("show commands and hot keys map both ways") {
  TTempDir Temp;
  struct TCase {
    int ShowCommand;
    TWindowState Read;
  };
  const std::vector<TCase> Reads = {{SW_SHOWNORMAL, TWindowState::wsNormal},
                                    {SW_SHOWMINIMIZED, TWindowState::wsNormal},
                                    {SW_SHOWMAXIMIZED, TWindowState::wsMaximized},
                                    {SW_SHOWMINNOACTIVE, TWindowState::wsMinimized},
                                    {SW_HIDE, TWindowState::wsNormal}};
  for (const TCase& Case : Reads) {
    CAPTURE(Case.ShowCommand);
    CHECK(WindowStateOfShowCommand(Case.ShowCommand) == Case.Read);
  }
  const std::vector<TCase> Writes = {{SW_SHOWNORMAL, TWindowState::wsNormal},
                                     {SW_SHOWMINNOACTIVE, TWindowState::wsMinimized},
                                     {SW_SHOWMAXIMIZED, TWindowState::wsMaximized}};
  for (const TCase& Case : Writes) {
    CAPTURE(Case.ShowCommand);
    TVKRShellLink Link;
    Link.SetFileName(Temp / (L"show" + std::to_wstring(Case.ShowCommand)));
    Link.SetTarget(Temp.Path());
    Link.SetWindowState(Case.Read);
    Link.Write();
    CHECK(StoredShowCommand(Link.FileName()) == static_cast<uint32_t>(Case.ShowCommand));
  }

  // Flag bits beyond Shift, Ctrl and Alt are dropped.
  CHECK(ShortCutOfHotKeyWord(static_cast<WORD>((HOTKEYF_EXT | HOTKEYF_SHIFT) << 8 | 'A')) == (scShift | 'A'));
  CHECK(HotKeyWordOfShortCut(static_cast<TShortCut>(scAlt | 'Z')) == (HOTKEYF_ALT << 8 | 'Z'));
  CHECK(HotKeyWordOfShortCut(0) == 0);
}

TEST_CASE("the file name always names a shortcut, in the chosen special folder") {
  struct TCase {
    const wchar_t* Given;
    const wchar_t* Expected;
  };
  const std::vector<TCase> Cases = {
      {L"C:\\Links\\Tool", L"C:\\Links\\Tool.lnk"},
      {L"C:\\Links\\Tool.LNK", L"C:\\Links\\Tool.LNK"},
      {L"C:\\Links\\Tool.exe", L"C:\\Links\\Tool.lnk"},
      {L"C:\\Links.d\\Tool", L"C:\\Links.d\\Tool.lnk"},
      {L"Tool.", L"Tool.lnk"},
      {L"", L""},
  };
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Given));
    TVKRShellLink Link;
    Link.SetFileName(L"C:\\before.lnk");
    Link.SetFileName(Case.Given);
    CHECK(Link.FileName() == Case.Expected);
  }

  const std::wstring Desktop = TVKRShellLink::ShellFolderPath(TShellFolder::sfDesktop);
  REQUIRE_FALSE(Desktop.empty());
  TVKRShellLink Link;
  Link.SetShellFolder(TShellFolder::sfDesktop);
  Link.SetFileName(L"C:\\Other\\Tool.lnk");
  CHECK(Link.FileName() == IncludeTrailingPathDelimiter(Desktop) + L"Tool.lnk");

  // Choosing a folder moves the current name into it.
  TVKRShellLink Moved;
  Moved.SetFileName(L"C:\\Other\\Tool");
  Moved.SetShellFolder(TShellFolder::sfPersonal);
  CHECK(Moved.FileName() ==
        IncludeTrailingPathDelimiter(TVKRShellLink::ShellFolderPath(TShellFolder::sfPersonal)) + L"Tool.lnk");
  Moved.SetShellFolder(TShellFolder::sfNone);
  Moved.SetFileName(L"D:\\Else\\Tool");
  CHECK(Moved.FileName() == L"D:\\Else\\Tool.lnk");
}

TEST_CASE("unreadable and unwritable shortcuts raise their message and change nothing") {
  TTempDir Temp;
  const std::wstring Target = Temp.MakeDir(L"kept");
  TVKRShellLink Link;
  Link.SetFileName(Temp / L"good");
  Link.SetTarget(Target);
  Link.SetDescription(L"kept description");
  Link.Write();
  Link.Read();

  SUBCASE("a missing shortcut, in both languages") {
    Link.SetFileName(Temp / L"missing.lnk");
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Link not found.");
    TVKRShellLink Other;
    Other.SetLangType(TLangType::ltFrench);
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Lien non trouv\u00E9.");
    Other.SetLangType(TLangType::ltEnglish);
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Link not found.");
    // A folder is no shortcut either.
    Link.SetFileName(Temp.MakeDir(L"folder.lnk"));
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Link not found.");
  }
  SUBCASE("a file that is no shortcut") {
    Link.SetFileName(Temp.MakeFile(L"text.lnk", std::string("just text, no shortcut")));
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Read error.");
    Link.SetLangType(TLangType::ltFrench);
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Erreur en lecture.");
    Link.SetLangType(TLangType::ltEnglish);
  }
  SUBCASE("a shortcut whose own name leaves the ANSI code page") {
    const std::wstring Name = Temp / L"\u0416\u0438\u0442.lnk";
    REQUIRE(CopyFileW((Temp / L"good.lnk").c_str(), Name.c_str(), FALSE));
    Link.SetFileName(Name);
    CHECK(RaisedBy(Link, &TVKRShellLink::Read) == L"Read error.");
  }
  SUBCASE("a name too long for the shortcut interface is not shortened into another file") {
    const std::wstring Folder = Temp.MakeDir(std::wstring(120, L'f') + L"\\" + std::wstring(120, L'g'));
    Link.SetFileName(Folder + L"\\" + std::wstring(40, L'n'));
    CHECK(RaisedBy(Link, &TVKRShellLink::Write) == L"Write error.");
    CHECK_FALSE(FileExists(Link.FileName()));
    CHECK_FALSE(FileExists(Link.FileName().substr(0, MAX_PATH - 1)));
  }
  SUBCASE("a folder that does not exist") {
    Link.SetFileName(Temp / L"no such folder\\x.lnk");
    CHECK(RaisedBy(Link, &TVKRShellLink::Write) == L"Write error.");
  }
  CHECK(Link.Target() == Target);
  CHECK(Link.Description() == L"kept description");
}
