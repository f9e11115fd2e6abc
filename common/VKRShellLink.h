#pragma once
// Reads and writes shell shortcut files (".lnk") through the shell's link
// object and its ANSI interface: the shortcut's properties are plain fields,
// Read fills them from FileName and Write stores them there.

#include "common/VKRFileIcon.h"
#include "common/VKRLangType.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Object.h"

#include <cstdint>
#include <string>

class EVKRShellLink : public Exception {
public:
  using Exception::Exception;
};

// A special folder in which FileName lives, or none.
enum class TShellFolder : uint8_t {
  sfNone,
  sfDesktop,
  sfFavorites,
  sfFonts,
  sfPersonal,
  sfPrograms,
  sfRecent,
  sfSendTo,
  sfStartMenu,
  sfStartup,
  sfTemplates
};

// A keyboard shortcut: virtual key plus scShift, scCtrl and scAlt.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// The shell's show command and hot-key word for the component's values, and back.
int ShowCommandOfWindowState(TWindowState State);
TWindowState WindowStateOfShowCommand(int ShowCommand);
WORD HotKeyWordOfShortCut(TShortCut ShortCut);
TShortCut ShortCutOfHotKeyWord(WORD HotKey);

class TVKRShellLink : public TObject {
public:
  TVKRShellLink();

  // Set: into ShellFolder when one is chosen, with the extension ".lnk".
  const std::wstring& FileName() const { return FFileName; }
  void SetFileName(const std::wstring& Value);
  const std::wstring& Target() const { return FTarget; }
  void SetTarget(const std::wstring& Value) { FTarget = Value; }
  const std::wstring& WorkingDir() const { return FWorkingDir; }
  void SetWorkingDir(const std::wstring& Value) { FWorkingDir = Value; }
  const std::wstring& Description() const { return FDescription; }
  void SetDescription(const std::wstring& Value) { FDescription = Value; }
  const std::wstring& Arguments() const { return FArguments; }
  void SetArguments(const std::wstring& Value) { FArguments = Value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value) { FWindowState = Value; }
  TShortCut HotKey() const { return FHotKey; }
  void SetHotKey(TShortCut Value) { FHotKey = Value; }
  // Assigning copies the icon file name and index.
  TVKRFileIcon& FileIcon() { return FFileIcon; }
  const TVKRFileIcon& FileIcon() const { return FFileIcon; }
  void SetFileIcon(const TVKRFileIcon& Value) { FFileIcon.Assign(Value); }
  // Choosing a folder moves FileName into it.
  TShellFolder ShellFolder() const { return FShellFolder; }
  void SetShellFolder(TShellFolder Value);
  TLangType LangType() const { return FLangType; }
  // Switches the messages of every shortcut component of the process.
  void SetLangType(TLangType Value);

  // Loads FileName; "Link not found." when it names no existing file.
  void Read();
  // Saves to FileName, creating or overwriting it.
  void Write();

  // The path of a special folder; empty when the shell cannot name it.
  static std::wstring ShellFolderPath(TShellFolder Folder);

private:
  std::wstring FFileName;
  std::wstring FTarget;
  std::wstring FWorkingDir;
  std::wstring FDescription;
  std::wstring FArguments;
  TWindowState FWindowState = TWindowState::wsNormal;
  TShortCut FHotKey = 0;
  TVKRFileIcon FFileIcon;
  TShellFolder FShellFolder = TShellFolder::sfNone;
  TLangType FLangType = TLangType::ltEnglish;
};
