#pragma once
// A stand-in for a PC's folders below a private root, laid out as Windows
// lays them out: a Windows folder, Program Files, ProgramData and a user
// "me" with AppData, every known folder Delete protects in its place. Find
// Folders looks there (TBaseFolders) instead of at the machine the test
// runs on; a child process takes the same layout from its root.

#include "app/DisposableFolders.h"
#include "app/ProtectedFolders.h"
#include "framework/FileSystem.h"

#include <windows.h>
#include <knownfolders.h>

#include <span>
#include <string>

struct TFixturePlace {
  const KNOWNFOLDERID* Id;
  const wchar_t* Path;  // below the root
};

inline std::span<const TFixturePlace> FixtureLayout() {
  static const TFixturePlace Places[] = {
      {&FOLDERID_Windows, L"Windows"},
      {&FOLDERID_System, L"Windows\\System32"},
      {&FOLDERID_SystemX86, L"Windows\\SysWOW64"},
      {&FOLDERID_Fonts, L"Windows\\Fonts"},
      {&FOLDERID_ResourceDir, L"Windows\\resources"},
      {&FOLDERID_ProgramFiles, L"Program Files"},
      {&FOLDERID_ProgramFilesX64, L"Program Files"},
      {&FOLDERID_ProgramFilesX86, L"Program Files (x86)"},
      {&FOLDERID_ProgramFilesCommon, L"Program Files\\Common Files"},
      {&FOLDERID_ProgramFilesCommonX64, L"Program Files\\Common Files"},
      {&FOLDERID_ProgramFilesCommonX86, L"Program Files (x86)\\Common Files"},
      {&FOLDERID_ProgramData, L"ProgramData"},
      {&FOLDERID_CommonStartMenu, L"ProgramData\\Microsoft\\Windows\\Start Menu"},
      {&FOLDERID_CommonPrograms, L"ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
      {&FOLDERID_CommonStartup, L"ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
      {&FOLDERID_UserProfiles, L"Users"},
      {&FOLDERID_Public, L"Users\\Public"},
      {&FOLDERID_PublicDesktop, L"Users\\Public\\Desktop"},
      {&FOLDERID_PublicDocuments, L"Users\\Public\\Documents"},
      {&FOLDERID_Profile, L"Users\\me"},
      {&FOLDERID_RoamingAppData, L"Users\\me\\AppData\\Roaming"},
      {&FOLDERID_LocalAppData, L"Users\\me\\AppData\\Local"},
      {&FOLDERID_LocalAppDataLow, L"Users\\me\\AppData\\LocalLow"},
      {&FOLDERID_Desktop, L"Users\\me\\Desktop"},
      {&FOLDERID_Documents, L"Users\\me\\Documents"},
      {&FOLDERID_Downloads, L"Users\\me\\Downloads"},
      {&FOLDERID_Pictures, L"Users\\me\\Pictures"},
      {&FOLDERID_Music, L"Users\\me\\Music"},
      {&FOLDERID_Videos, L"Users\\me\\Videos"},
      {&FOLDERID_Favorites, L"Users\\me\\Favorites"},
      {&FOLDERID_SavedGames, L"Users\\me\\Saved Games"},
      {&FOLDERID_Contacts, L"Users\\me\\Contacts"},
      {&FOLDERID_Links, L"Users\\me\\Links"},
      {&FOLDERID_SkyDrive, L"Users\\me\\OneDrive"},
      {&FOLDERID_StartMenu, L"Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {&FOLDERID_Programs, L"Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {&FOLDERID_Startup, L"Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
      {&FOLDERID_SendTo, L"Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
      {&FOLDERID_Templates, L"Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Templates"},
  };
  return Places;
}

// The user's temporary folder of the layout.
inline const wchar_t* const FixtureTemp = L"Users\\me\\AppData\\Local\\Temp";

// Where the layout below Root puts a known folder; empty for one it does not lay out.
inline std::wstring FixtureKnownFolder(const std::wstring& Root, const KNOWNFOLDERID& Id) {
  for (const TFixturePlace& Place : FixtureLayout())
    if (IsEqualGUID(*Place.Id, Id)) return JoinPath(Root, Place.Path);
  return {};
}

// The catalogue's bases in the layout below Root.
inline TBaseFolders FixtureBases(const std::wstring& Root) {
  TBaseFolders Bases;
  Bases.KnownFolder = [Root](const KNOWNFOLDERID& Id) { return FixtureKnownFolder(Root, Id); };
  Bases.TempFolder = [Root] { return JoinPath(Root, FixtureTemp); };
  return Bases;
}
