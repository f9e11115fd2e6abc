#pragma once
// The folders an update is fetched into. Each check and each download gets
// a folder of its own under "Marrowby Updates" in the user's temporary
// folder: a random name the program makes itself (never one that exists),
// open to the user, SYSTEM and the administrators only, held open without
// delete sharing while in use, and removed with what is in it when done.
// Whatever a killed run left there goes at the next start.

#include "framework/FolderHandle.h"
#include "framework/Handle.h"

#include <string>

class TUpdateFolder {
public:
  // Makes a new folder under Root (Root itself first when it is missing);
  // throws EOSError when that cannot be done, or Root is a link.
  explicit TUpdateFolder(const std::wstring& Root);
  // Removes the folder and its files unless Keep() was called.
  ~TUpdateFolder();
  TUpdateFolder(const TUpdateFolder&) = delete;
  TUpdateFolder& operator=(const TUpdateFolder&) = delete;

  // The folder, with a trailing backslash.
  const std::wstring& Path() const { return FPath; }
  // A new file Name in the folder, for writing and reading, others may only
  // read; never an existing file (CREATE_NEW). Throws EOSError.
  UniqueFile CreateNewFile(const std::wstring& Name) const;
  // The folder stays: an installer runs from it. The next start removes it.
  void Keep() { FKeep = true; }

private:
  TOpenedFolder FRoot;    // held, so that the folder cannot be moved away beneath it
  std::wstring FName;
  std::wstring FPath;
  TOpenedFolder FFolder;  // held without delete sharing while in use
  bool FKeep = false;
};

// "<the user's temporary folder>\Marrowby Updates".
std::wstring DefaultUpdateRoot();

// Removes every folder and file in Root that an earlier run left; a link is
// removed as a link, never followed. Nothing when Root is missing or a link.
void RemoveUpdateLeftovers(const std::wstring& Root);

// A name of 32 hexadecimal digits from the system's random numbers.
std::wstring RandomFolderName();
