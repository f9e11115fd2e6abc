#pragma once
// Links in test folders: Wine cannot make them itself, so the Unix "ln" of
// Wine's host makes them; on Windows the system's symbolic links serve.

#include "framework/FileSystem.h"
#include "framework/Handle.h"

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


}  // namespace
