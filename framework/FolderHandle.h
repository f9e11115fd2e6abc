#pragma once
// Folders opened once and worked on through their handles. A delete that
// follows a path's text can be led elsewhere by a link swapped in at any
// level between the listing and the delete; one that reaches every entry
// from the handle of the folder above it, checks that the opened entry is
// the one the folder holds under that name (not a link's target), and holds
// the folders on the way open so that nobody can rename them, cannot.

#include "framework/Handle.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// What a file or folder is, whatever path reached it: other drive letters,
// links, short names and network spellings of one folder give one identity.
struct TFileIdentity {
  DWORD Volume = 0;
  uint64_t File = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// False when the handle does not say.
bool IdentityOf(HANDLE Handle, TFileIdentity& Identity, DWORD* Attributes = nullptr);

// The File part of IdentityOf alone. The volume serial it leaves out costs
// Wine a round trip to its mount manager (hundreds of microseconds); this
// costs nothing once the handle is known. Two identities whose file IDs
// differ are different: a search by identity can leave out the full
// identity for every candidate whose file ID is not the one sought.
bool FileIndexOf(HANDLE Handle, uint64_t& File);

// The name the system keeps for what Handle is open on; comparable only with
// other names from this function.
std::wstring ObjectPathOf(HANDLE Handle);

// The path of what Handle is open on, links resolved, in the "\\?\" form
// where the system gives one; empty when the system cannot say.
std::wstring FinalPathOf(HANDLE Handle);

// Opens the folder or file Path names itself (a link as a link where the
// platform can) just to ask about it.
UniqueFile OpenToInspect(const std::wstring& Path);

class TOpenedFolder {
public:
  TOpenedFolder() = default;
  // Opens a listed folder by its full path; ForDelete asks for the right to
  // remove it too. Invalid when it cannot be opened or is a link.
  static TOpenedFolder Open(const std::wstring& Path, bool ForDelete = false);

  bool valid() const { return FHandle.valid(); }
  // True when nobody can rename, move or delete the folder while this holds
  // it (it is held without delete sharing); false when another program held
  // it for deleting already, so that only a share that allows it was had.
  bool HeldAgainstRename() const { return FHeld; }
  HANDLE get() const { return FHandle.get(); }
  const std::wstring& ObjectPath() const { return FObjectPath; }

  // The folder Name directly in this one, opened from this handle; invalid
  // unless it is that folder itself (not a link or its target).
  TOpenedFolder OpenFolder(std::wstring_view Name, bool ForDelete) const;
  // The file Name directly in this one, opened from this handle with Access
  // and Share; invalid unless it is that file itself.
  UniqueFile OpenFile(std::wstring_view Name, DWORD Access, DWORD Share) const;
  // Every entry but "." and "..": its name and attributes. False when the
  // listing failed before its end.
  bool List(const std::function<void(std::wstring_view Name, DWORD Attributes)>& Entry) const;
  // Deletes the entry Name (a file, a link as a link, or a folder with
  // everything below it), reached from this handle only; true when all of it
  // went. Continue, when given, is asked before each entry inside a folder;
  // false stops, and what is not gone yet stays. A read-only entry loses the
  // attribute to be deleted and has it back when it stays.
  bool RemoveEntry(std::wstring_view Name, DWORD Attributes, const std::function<bool()>& Continue = {}) const;
  // Deletes the file Name when nobody else holds it and it is not read-only;
  // true when it went.
  bool DeleteFileEntry(std::wstring_view Name) const;

private:
  bool TakeHandle(UniqueFile Handle, std::wstring ObjectPath);
  bool RemoveLeaf(std::wstring_view Name, DWORD Attributes) const;
  bool IsOwnEntry(std::wstring_view EntryPath, std::wstring_view Name) const;
  bool IsOwnEntry(HANDLE Entry, std::wstring_view Name) const;

  UniqueFile FHandle;
  bool FHeld = false;
  std::wstring FObjectPath;
  std::wstring FEntryPrefix;  // FObjectPath as IsOwnEntry compares it, ending in a separator
};

// Marks what Handle is open on (with DELETE access) for deletion.
bool DeleteByHandle(HANDLE Handle);
