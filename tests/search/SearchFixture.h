#pragma once
// Fixtures of the file search tests: folder trees with attributes, the
// search as first written (by current directory) to hold the walk to, and
// the places that only a ctest fixture step can make under Wine (a drive
// root, folder links).

#include "search/FindPaths.h"
#include "search/VKRFileFind.h"
#include "support/TempDir.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Puts the process's current directory back when the test ends. Declare it
// after the folders the test makes: a search leaves the current directory in
// one of them, and the current directory cannot be removed.
class TCurrentDirectoryGuard {
public:
  TCurrentDirectoryGuard();
  ~TCurrentDirectoryGuard();
  TCurrentDirectoryGuard(const TCurrentDirectoryGuard&) = delete;
  TCurrentDirectoryGuard& operator=(const TCurrentDirectoryGuard&) = delete;
  const std::wstring& Saved() const { return FSaved; }

private:
  std::wstring FSaved;
};

// A tree with every kind of entry the filters tell apart:
//   a.tmp b.log c.txt README  hidden.tmp[H] system.tmp[S] hs.tmp[HS]
//   readonly.log[R] archive.txt[A]
//   sub1\  d.tmp e.log  deep\ f.tmp  deep\deeper\ g.log
//   hiddendir[H]\ h.tmp      systemdir[S]\ i.tmp  systemdir\inner\ j.log
//   hsdir[HS]\ k.tmp         readonlydir[R]\ l.tmp
//   empty\                   sp ace\ m.tmp        x.tmp.dir\ n.log
struct TAttributeTree {
  TAttributeTree();
  ~TAttributeTree();
  TTempDir Dir;
  const std::wstring& Root() const { return Dir.Path(); }
};

// The platform's attribute word of a set, as the component computes it.
inline uint16_t WordOf(TFileTypes Types) { return Types.AttributeWord(); }

struct TSearchOutcome {
  std::vector<std::wstring> Files;
  std::vector<std::wstring> HitsCounts;
  std::vector<std::wstring> Visits;
  std::wstring CurrentDirectoryAfter;
};

// The search by current directory: each start folder and then each folder
// visited is made the current directory, listed with FindFirstFileW, and
// left again with "..".
TSearchOutcome ReferenceSearch(const std::vector<std::wstring>& StartDirs, const std::vector<std::wstring>& Patterns,
                               bool Recursive, TFileTypes FileType, TFileTypes DirType);

// Runs Find.Execute and gathers what it reports.
TSearchOutcome RunSearch(TVKRFileFind& Find);

// Runs the walk by current directory and the component from the same current
// directory, and checks that everything either can show is the same.
void CheckSameAsCurrentDirectoryWalk(TVKRFileFind& Find, const std::wstring& From);

// Paths below Root, without Root and its separator.
std::vector<std::wstring> RelativeTo(const std::wstring& Root, const std::vector<std::wstring>& Paths);

// Dispatches messages until Done() or, as a safety net for a hung worker,
// until Seconds have passed; returns Done().
bool PumpMessagesUntil(const std::function<bool()>& Done, int Seconds = 60);

// The root of a drive whose content is private to the test ("M:\"). On
// Windows a drive letter is mapped onto a temp folder; under Wine, where that
// mapping does nothing, a ctest fixture step has linked a drive letter to an
// empty folder. Everything made in it is removed at the end.
class TPrivateDrive {
public:
  TPrivateDrive();
  ~TPrivateDrive();
  TPrivateDrive(const TPrivateDrive&) = delete;
  TPrivateDrive& operator=(const TPrivateDrive&) = delete;
  // Empty when no private drive could be had.
  const std::wstring& Root() const { return FRoot; }

private:
  std::unique_ptr<TTempDir> FBacking;
  std::wstring FDevice;
  std::wstring FRoot;
};

// A folder tree with two folder links in it:
//   links\top.txt  links\sub\inner.txt
//   links\sub\up  -> links              (an ancestor)
//   links\out     -> elsewhere          (a folder beside the tree)
//   elsewhere\far.txt
// Made with junctions where the platform has them; under Wine a ctest fixture
// step makes it with Unix symbolic links.
class TLinkTree {
public:
  TLinkTree();
  // Empty when no such tree could be had.
  const std::wstring& Links() const { return FLinks; }

private:
  std::unique_ptr<TTempDir> FOwn;
  std::wstring FLinks;
};

// Creates Folder (with its parents) through the extended-length form, for
// trees deeper than MAX_PATH.
void MakeDeepDirectory(const std::wstring& Folder);
void MakeDeepFile(const std::wstring& File);
