#pragma once
// Links in test folders and second drive letters: Wine cannot make either
// itself, so the Unix "ln" of Wine's host makes them; on Windows the
// system's symbolic links and DefineDosDeviceW serve.

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"

#include <windows.h>

#include <string>

namespace {

inline bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Runs a Unix program of Wine's host in Folder and waits until Done says
// its work is seen (the handle of a Unix program does not signal its end).
inline bool RunUnix(const wchar_t* Program, std::wstring Command, const std::wstring& Folder, bool (*Done)(const std::wstring&),
             const std::wstring& Entry) {
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Process{};
  if (!CreateProcessW(Program, Command.data(), nullptr, nullptr, FALSE, 0, nullptr, Folder.c_str(), &Startup,
                      &Process))
    return false;
  UniqueKernelObject ProcessHandle(Process.hProcess), ThreadHandle(Process.hThread);
  for (int Tries = 0; Tries < 400; ++Tries) {
    if (Done(Entry)) return true;
    Sleep(5);
  }
  return false;
}

inline bool Listed(const std::wstring& Entry) {
  WIN32_FIND_DATAW Data;
  return UniqueFind(FindFirstFileW(Entry.c_str(), &Data)).valid();
}

inline bool NotListed(const std::wstring& Entry) { return !Listed(Entry); }

// Makes Link (a full path) a symbolic link to Relative (seen from Link's
// folder). Wine cannot make links itself, so it starts the Unix "ln"; on
// Windows the system's symbolic links serve. False when none could be made.
inline bool MakeLink(const std::wstring& Link, const std::wstring& Relative, bool Folder) {
  const std::wstring Parent = ExtractFilePath(Link);
  if (!UnderWine()) {
    std::wstring Target = Relative;
    for (wchar_t& c : Target)
      if (c == L'/') c = L'\\';
    const DWORD Flags = (Folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | 0x2;  // unprivileged create
    return CreateSymbolicLinkW(Link.c_str(), (Parent + Target).c_str(), Flags) != FALSE &&
           (GetFileAttributesW(Link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }
  return RunUnix(L"Z:\\bin\\ln", L"ln -s " + Relative + L" " + ExtractFileName(Link), Parent, Listed, Link);
}

// Removes a link the way it was made, so that the test's folder can go.
inline void RemoveLink(const std::wstring& Link) {
  if (!Listed(Link)) return;
  if (UnderWine())
    RunUnix(L"Z:\\bin\\rm", L"rm -f " + ExtractFileName(Link), ExtractFilePath(Link), NotListed, Link);
  else if (!RemoveDirectoryW(Link.c_str()))
    DeleteFileW(Link.c_str());
}

inline bool DriveThere(const std::wstring& Root) { return GetFileAttributesW(Root.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline bool DriveGone(const std::wstring& Root) { return !DriveThere(Root); }

// A second drive letter over Folder. Wine's DefineDosDeviceW maps nothing:
// a link in the prefix's dosdevices folder does. Root() is empty when no
// drive could be made.
class TSecondDrive {
public:
  // The first free letter from First on: a second drive made right after
  // another names a later First, since the drive map may not show the
  // other yet.
  explicit TSecondDrive(const std::wstring& Folder, wchar_t First = L'N') {
    DWORD Used = GetLogicalDrives();
    wchar_t Letter = First;
    while (Letter < L'Y' && (Used & (1u << (Letter - L'A'))) != 0) ++Letter;
    const std::wstring Root = std::wstring(1, Letter) + L":\\";
    if (!UnderWine()) {
      if (DefineDosDeviceW(0, Root.substr(0, 2).c_str(), Folder.c_str()) && DriveThere(Root)) FRoot = Root;
      return;
    }
    using TUnixName = char*(CDECL*)(const wchar_t*);
    const auto UnixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t Prefix[MAX_PATH] = L"";
    if (UnixName == nullptr || GetEnvironmentVariableW(L"WINEPREFIX", Prefix, MAX_PATH) == 0) return;
    char* Target = UnixName(Folder.c_str());
    if (Target == nullptr) return;
    const std::wstring UnixTarget = Utf8ToWide(Target);
    HeapFree(GetProcessHeap(), 0, Target);
    std::wstring Devices = L"Z:" + std::wstring(Prefix) + L"/dosdevices";
    for (wchar_t& c : Devices)
      if (c == L'/') c = L'\\';
    FDevices = Devices;
    FName = std::wstring(1, static_cast<wchar_t>(Letter - L'A' + L'a')) + L":";
    if (RunUnix(L"Z:\\bin\\ln", L"ln -s " + UnixTarget + L" " + FName, Devices, DriveThere, Root)) FRoot = Root;
    SettleDriveMap();
  }
  ~TSecondDrive() {
    if (FRoot.empty()) return;
    if (!UnderWine())
      DefineDosDeviceW(DDD_REMOVE_DEFINITION, FRoot.substr(0, 2).c_str(), nullptr);
    else
      RunUnix(L"Z:\\bin\\rm", L"rm -f " + FName, FDevices, DriveGone, FRoot);
    SettleDriveMap();
  }
  const std::wstring& Root() const { return FRoot; }

private:
  // Wine takes a file's volume serial from the drive map, and refreshes what
  // it knows of the map at most once a second: identities taken in the same
  // second as a change may still follow the old map. Waiting it out keeps a
  // test's protected set and the handles it compares with on the same map.
  static void SettleDriveMap() {
    if (UnderWine()) Sleep(1100);
  }

  std::wstring FRoot, FDevices, FName;
};

}  // namespace
