#include "search/KeepList.h"

#include "framework/FileSystem.h"
#include "framework/FolderListing.h"
#include "framework/Handle.h"

#include <windows.h>

#include <utility>

namespace {

// Upper case as file names compare: whatever the user's language. Names
// are mostly ASCII, which is folded here; the system's mapping (slow under
// Wine, a call per name) serves the others.
std::wstring UpperName(std::wstring_view Text) {
  std::wstring Result(Text);
  bool Ascii = true;
  for (wchar_t& c : Result) {
    if (c >= L'a' && c <= L'z')
      c = static_cast<wchar_t>(c - L'a' + L'A');
    else if (c >= 0x80)
      Ascii = false;
  }
  if (!Ascii)
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, Result.data(), static_cast<int>(Result.size()),
                  Result.data(), static_cast<int>(Result.size()), nullptr, nullptr, 0);
  return Result;
}

// "*" and "?" over upper-case texts; the last star seen takes what a mismatch gives back.
bool WildMatch(std::wstring_view Name, std::wstring_view Pattern) {
  size_t N = 0, P = 0;
  size_t StarP = std::wstring_view::npos, StarN = 0;
  while (N < Name.size()) {
    if (P < Pattern.size() && (Pattern[P] == L'?' || Pattern[P] == Name[N])) {
      ++N;
      ++P;
    } else if (P < Pattern.size() && Pattern[P] == L'*') {
      StarP = P++;
      StarN = N;
    } else if (StarP != std::wstring_view::npos) {
      P = StarP + 1;
      N = ++StarN;
    } else {
      return false;
    }
  }
  while (P < Pattern.size() && Pattern[P] == L'*') ++P;
  return P == Pattern.size();
}

bool HasWildcard(std::wstring_view Text) { return Text.find_first_of(L"*?") != std::wstring_view::npos; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The root of a full path ("C:\", "\\server\share\") and the names below it.
bool SplitFullPath(const std::wstring& Path, std::wstring& Root, std::vector<std::wstring>& Names) {
  std::wstring Text = OrdinaryPathForm(Path);
  for (wchar_t& c : Text)
    if (c == L'/') c = L'\\';
  size_t Begin = 0;
  if (Text.size() >= 3 && Text[1] == L':' && Text[2] == L'\\') {
    Begin = 3;
  } else if (Text.rfind(L"\\\\", 0) == 0) {
    const size_t Server = Text.find(L'\\', 2);
    if (Server == std::wstring::npos) return false;
    const size_t Share = Text.find(L'\\', Server + 1);
    Begin = Share == std::wstring::npos ? Text.size() : Share + 1;
  } else {
    return false;
  }
  Root = Text.substr(0, Begin);
  if (Root.back() != L'\\') Root += L'\\';
  Names.clear();
  for (size_t At = Begin; At < Text.size();) {
    size_t End = Text.find(L'\\', At);
    if (End == std::wstring::npos) End = Text.size();
    if (End > At) Names.push_back(Text.substr(At, End - At));
    At = End + 1;
  }
  return true;
}

// What Path names now, links followed (a listed folder reached through a
// link is the folder it leads to); none when it cannot be opened.
std::optional<TFileIdentity> IdentityNamed(const std::wstring& Path) {
  const UniqueFile Handle(CreateFileW(LongPathForm(Path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  TFileIdentity Identity;
  if (!Handle || !IdentityOf(Handle.get(), Identity)) return std::nullopt;
  return Identity;
}

using TLookups = std::unordered_map<std::wstring, std::optional<TFileIdentity>>;

// The identities from the root of Path down to Path itself, each looked up once.
std::vector<std::optional<TFileIdentity>> ChainOf(const std::wstring& Root, const std::vector<std::wstring>& Names,
                                                 TLookups& Lookups) {
  std::vector<std::optional<TFileIdentity>> Chain;
  std::wstring Path = Root;
  for (size_t i = 0; i <= Names.size(); ++i) {
    if (i > 0) Path = JoinPath(Path, Names[i - 1]);
    const std::wstring Key = UpperName(Path);
    auto Found = Lookups.find(Key);
    if (Found == Lookups.end()) Found = Lookups.emplace(Key, IdentityNamed(Path)).first;
    Chain.push_back(Found->second);
  }
  return Chain;
}

// The names of Path as the folders hold them (long names, not 8.3 aliases).
std::vector<std::wstring> LongNames(const std::wstring& Path, const std::vector<std::wstring>& Given) {
  const std::wstring Long = LongPathForm(Path);
  std::wstring Buffer(32768, L'\0');
  const DWORD Length = GetLongPathNameW(Long.c_str(), Buffer.data(), static_cast<DWORD>(Buffer.size()));
  if (Length == 0 || Length >= Buffer.size()) return Given;
  Buffer.resize(Length);
  std::wstring Root;
  std::vector<std::wstring> Names;
  if (!SplitFullPath(Buffer, Root, Names) || Names.size() != Given.size()) return Given;
  return Names;
}

// A full path as the system resolves it: "." and ".." taken out, "/" made
// "\\", the dots and blanks that end a name dropped. A "\\?\" path is taken
// as it is written, as the system takes it.
std::wstring ResolvedFullPath(const std::wstring& Path) {
  if (Path.rfind(L"\\\\?\\", 0) == 0) return Path;
  std::wstring Full(32768, L'\0');
  const DWORD Length = GetFullPathNameW(Path.c_str(), static_cast<DWORD>(Full.size()), Full.data(), nullptr);
  if (Length == 0 || Length >= Full.size()) return {};
  Full.resize(Length);
  return Full;
}

}  // namespace

std::vector<std::wstring> SplitKeepEntry(const std::wstring& Entry) {
  if (Entry.find(L';') == std::wstring::npos || (IsKeepPathEntry(Entry) && KeepPathNamesSomething(Entry)))
    return {Entry};
  std::vector<std::wstring> Pieces;
  for (size_t At = 0; At <= Entry.size();) {
    size_t End = Entry.find(L';', At);
    if (End == std::wstring::npos) End = Entry.size();
    const size_t First = Entry.find_first_not_of(L' ', At);
    if (First != std::wstring::npos && First < End) {
      const size_t Last = Entry.find_last_not_of(L' ', End - 1);
      Pieces.push_back(Entry.substr(First, Last + 1 - First));
    }
    At = End + 1;
  }
  return Pieces;
}

bool KeepPathNamesSomething(const std::wstring& Entry) {
  if (!IsKeepPathEntry(Entry) || !IsFullPath(Entry)) return false;
  const std::wstring Resolved = ResolvedFullPath(Entry);
  return !Resolved.empty() && GetFileAttributesW(LongPathForm(Resolved).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsKeepPathEntry(const std::wstring& Entry) { return Entry.find_first_of(L"\\/:") != std::wstring::npos; }

void TKeepPatterns::Add(const std::wstring& Pattern) {
  if (Pattern.empty()) return;
  if (Pattern == L"*" || Pattern == L"*.*") {
    FEverything = true;
    return;
  }
  const std::wstring Upper = UpperName(Pattern);
  if (!HasWildcard(Upper))
    FExact.insert(Upper);
  else if (Upper[0] == L'*' && !HasWildcard(std::wstring_view(Upper).substr(1)))
    FSuffixes[Upper.size() - 1].insert(Upper.substr(1));
  else
    FOthers.push_back(Upper);
}

bool TKeepPatterns::Matches(std::wstring_view Name) const {
  if (FEverything) return true;
  if (Empty() || Name.empty()) return false;
  return MatchesUpper(UpperName(Name));
}

bool TKeepPatterns::MatchesUpper(const std::wstring& Upper) const {
  if (FEverything) return true;
  if (Upper.empty()) return false;
  if (FExact.count(Upper) != 0) return true;
  for (const auto& [Length, Suffixes] : FSuffixes)
    if (Length <= Upper.size() && Suffixes.count(Upper.substr(Upper.size() - Length)) != 0) return true;
  for (const std::wstring& Pattern : FOthers)
    if (WildMatch(Upper, Pattern)) return true;
  return false;
}

TKeepList::TKeepList(const std::vector<std::wstring>& Entries) {
  TLookups Lookups;
  for (const std::wstring& Stored : Entries) {
    // "*.keep;*.tmp" stored before the Keep page split such entries.
    for (const std::wstring& Entry : SplitKeepEntry(Stored)) {
      if (!IsKeepPathEntry(Entry)) {
        FPatterns.Add(Entry);
        continue;
      }
      // Not a full path: it would be taken from wherever the program stands. It names nothing.
      if (!IsFullPath(Entry)) continue;
      const std::wstring Resolved = ResolvedFullPath(Entry);
      std::wstring Root;
      std::vector<std::wstring> Names;
      if (Resolved.empty() || !SplitFullPath(Resolved, Root, Names)) continue;
      TKeptPath Kept;
      Kept.Chain = ChainOf(Root, Names, Lookups);
      // What is not there keeps nothing now.
      if (!Kept.Chain.back()) continue;
      for (const std::wstring& Name : LongNames(Resolved, Names)) Kept.Names.push_back(UpperName(Name));
      FPaths.push_back(std::move(Kept));
    }
  }
}

TKeptBelow TKeepList::Below(const std::wstring& Folder) const {
  TKeptBelow Result;
  Result.FFolder = Folder;
  if (Result.FFolder.size() > 3 && IsSeparator(Result.FFolder.back())) Result.FFolder.pop_back();
  Result.FPatterns = &FPatterns;
  Result.FEverything = FPatterns.MatchesEverything();
  if (Result.FEverything || FPaths.empty()) return Result;
  std::wstring Root;
  std::vector<std::wstring> Names;
  if (!IsFullPath(Folder) || !SplitFullPath(Folder, Root, Names)) return Result;
  TLookups Lookups;
  const std::vector<std::optional<TFileIdentity>> Listed = ChainOf(Root, Names, Lookups);
  if (!Listed.back()) return Result;
  const TFileIdentity& Self = *Listed.back();
  for (const TKeptPath& Kept : FPaths) {
    // The listed folder itself, or a folder above it, is kept: all of it is.
    for (const std::optional<TFileIdentity>& Level : Listed)
      if (Level && *Level == *Kept.Chain.back()) Result.FEverything = true;
    if (Result.FEverything) return Result;
    // Below the listed folder: the names under it.
    for (size_t Level = 0; Level + 1 < Kept.Chain.size(); ++Level) {
      if (!Kept.Chain[Level] || !(*Kept.Chain[Level] == Self)) continue;
      std::wstring Relative;
      for (size_t i = Level; i < Kept.Names.size(); ++i) {
        if (!Relative.empty()) Relative += L'\\';
        Relative += Kept.Names[i];
      }
      Result.FFirstNames.insert(Kept.Names[Level]);
      Result.FPaths.insert(std::move(Relative));
      break;
    }
  }
  return Result;
}

bool TKeptBelow::KeepsRelative(std::wstring_view Relative) const {
  // Each name on the way, and each path from the listed folder down to it.
  const std::wstring Upper = FPaths.empty() ? std::wstring() : UpperName(Relative);
  for (size_t At = 0; At <= Relative.size();) {
    size_t End = Relative.find(L'\\', At);
    if (End == std::wstring_view::npos) End = Relative.size();
    if (FPatterns != nullptr && FPatterns->Matches(Relative.substr(At, End - At))) return true;
    if (!FPaths.empty() && FPaths.count(Upper.substr(0, End)) != 0) return true;
    At = End + 1;
  }
  return false;
}

bool TKeptBelow::KeepsFile(const std::wstring& Path) const {
  if (FEverything) return true;
  if (Empty()) return false;
  const size_t Name = Path.find_last_of(L'\\');
  const std::wstring_view FileName = Name == std::wstring::npos ? std::wstring_view(Path)
                                                                : std::wstring_view(Path).substr(Name + 1);
  const bool Below = Name != std::wstring::npos && Name >= FFolder.size() &&
                     CompareStringOrdinal(Path.c_str(), static_cast<int>(FFolder.size()), FFolder.c_str(),
                                          static_cast<int>(FFolder.size()), TRUE) == CSTR_EQUAL &&
                     (FFolder.back() == L'\\' || Path[FFolder.size()] == L'\\');
  // Not below the listed folder as spelled: only its own name can tell.
  if (!Below) return FPatterns != nullptr && FPatterns->Matches(FileName);
  const size_t Begin = FFolder.back() == L'\\' ? FFolder.size() : FFolder.size() + 1;
  const std::wstring_view Relative = std::wstring_view(Path).substr(Begin);
  // The folders between: decided once for all the files of one folder.
  const std::wstring_view Folder = Name > Begin ? std::wstring_view(Path).substr(Begin, Name - Begin) : std::wstring_view();
  if (!FLastValid || FLastFolder != Folder) {
    FLastFolder.assign(Folder);
    FLastFolderKept = !Folder.empty() && KeepsRelative(Folder);
    FLastValid = true;
  }
  if (FLastFolderKept) return true;
  // One upper-casing serves the name and the path.
  const std::wstring Upper = UpperName(FPaths.empty() ? FileName : Relative);
  if (FPatterns != nullptr && !FPatterns->Empty() &&
      FPatterns->MatchesUpper(FPaths.empty() ? Upper : Upper.substr(Upper.size() - FileName.size())))
    return true;
  return !FPaths.empty() && FPaths.count(Upper) != 0;
}

bool TKeptBelow::KeepsSubfolder(const std::wstring& Subfolder) const {
  if (FEverything) return true;
  if (Empty()) return false;
  const std::wstring Top = Subfolder.size() > 3 && IsSeparator(Subfolder.back())
                               ? Subfolder.substr(0, Subfolder.size() - 1)
                               : Subfolder;
  const size_t Name = Top.find_last_of(L'\\');
  const std::wstring_view TopName = Name == std::wstring::npos ? std::wstring_view(Top)
                                                               : std::wstring_view(Top).substr(Name + 1);
  if (FPatterns != nullptr && FPatterns->Matches(TopName)) return true;
  if (FFirstNames.count(UpperName(TopName)) != 0) return true;
  if (FPatterns == nullptr || FPatterns->Empty()) return false;
  // Every name below, hidden and system ones too; links as names, never entered.
  std::vector<std::wstring> Pending{Top};
  while (!Pending.empty()) {
    const std::wstring Current = std::move(Pending.back());
    Pending.pop_back();
    TFolderListing Listing(Current);
    if (!Listing.Opened()) return true;
    for (; Listing.HasEntry(); Listing.Next()) {
      const WIN32_FIND_DATAW& Data = Listing.Entry();
      if (IsDotName(Data.cFileName)) continue;
      if (FPatterns->Matches(Data.cFileName)) return true;
      if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (Data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        Pending.push_back(JoinPath(Current, Data.cFileName));
    }
    if (Listing.EndError() != ERROR_NO_MORE_FILES) return true;
  }
  return false;
}
