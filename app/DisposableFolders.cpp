#include "app/DisposableFolders.h"

#include "framework/Application.h"
#include "framework/FileSystem.h"
#include "framework/FolderHandle.h"
#include "framework/Text.h"
#include "resources/MainRes.h"

#include <windows.h>
#include <knownfolders.h>

#include <algorithm>

namespace {

std::wstring EnvironmentFolder(const std::wstring& Name) {
  const DWORD Needed = GetEnvironmentVariableW(Name.c_str(), nullptr, 0);
  if (Needed == 0) return {};
  std::wstring Value(Needed, L'\0');
  const DWORD Length = GetEnvironmentVariableW(Name.c_str(), Value.data(), Needed);
  if (Length == 0 || Length >= Needed) return {};
  Value.resize(Length);
  return Value;
}

bool IsLinkAttributes(DWORD Attributes) {
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Opens Path as itself from Base down, one folder at a time from the
// handle of the one above; the reason when a folder on the way is a link or
// cannot be opened.
TOpenedFolder OpenFromBase(const std::wstring& Base, const std::wstring& Path, std::wstring& Refusal) {
  TOpenedFolder Folder = TOpenedFolder::Open(Base);
  if (!Folder.valid()) {
    Refusal = IsLinkAttributes(GetFileAttributesW(LongPathForm(Base).c_str()))
                  ? L"its base folder is a link or junction"
                  : L"its base folder cannot be opened";
    return {};
  }
  std::wstring Reached = ExcludeTrailingPathDelimiter(Base);
  size_t Begin = Reached.size() + 1;
  while (Begin <= Path.size()) {
    size_t End = Path.find(L'\\', Begin);
    if (End == std::wstring::npos) End = Path.size();
    const std::wstring Name = Path.substr(Begin, End - Begin);
    Reached = JoinPath(Reached, Name);
    Folder = Folder.OpenFolder(Name, false);
    if (!Folder.valid()) {
      Refusal = IsLinkAttributes(GetFileAttributesW(LongPathForm(Reached).c_str()))
                    ? (Reached.size() == Path.size() ? L"a link or junction: what it leads to is not offered"
                                                     : L"it lies behind a link or junction: \"" + Reached + L"\"")
                    : L"it cannot be opened";
      return {};
    }
    Begin = End + 1;
  }
  return Folder;
}

}  // namespace

std::wstring UserTempFolder() {
  wchar_t Temp[MAX_PATH + 1] = L"";
  const DWORD Length = GetTempPathW(MAX_PATH + 1, Temp);
  std::wstring Path = ExcludeTrailingPathDelimiter(std::wstring(Temp, Length <= MAX_PATH ? Length : 0));
  if (Path.empty()) return Path;
  std::wstring Long(32768, L'\0');
  const DWORD LongLength = GetLongPathNameW(Path.c_str(), Long.data(), static_cast<DWORD>(Long.size()));
  if (LongLength == 0 || LongLength >= Long.size()) return Path;
  Long.resize(LongLength);
  return Long;
}

const std::vector<TDisposableLocation>& DisposableCatalogue() {
  static const std::vector<TDisposableLocation> Catalogue = [] {
    const HMODULE Module = Application().HInstance();
    const HRSRC Resource = FindResourceW(Module, MAKEINTRESOURCEW(IDR_DISPOSABLEFOLDERS), RT_RCDATA);
    const HGLOBAL Loaded = Resource != nullptr ? LoadResource(Module, Resource) : nullptr;
    const void* Data = Loaded != nullptr ? LockResource(Loaded) : nullptr;
    if (Data == nullptr) return std::vector<TDisposableLocation>{};
    const std::string Text(static_cast<const char*>(Data), SizeofResource(Module, Resource));
    return ParseDisposableCatalogue(Utf8ToWide(Text));
  }();
  return Catalogue;
}

const KNOWNFOLDERID* KnownFolderOfBase(const std::wstring& Base) {
  static const struct {
    const wchar_t* Name;
    const KNOWNFOLDERID* Id;
  } Known[] = {
      {L"Windows", &FOLDERID_Windows},           {L"ProgramData", &FOLDERID_ProgramData},
      {L"ProgramFiles", &FOLDERID_ProgramFiles}, {L"LocalAppData", &FOLDERID_LocalAppData},
      {L"LocalAppDataLow", &FOLDERID_LocalAppDataLow}, {L"RoamingAppData", &FOLDERID_RoamingAppData},
  };
  for (const auto& Folder : Known)
    if (Base == Folder.Name) return Folder.Id;
  return nullptr;
}

std::optional<std::wstring> TBaseFolders::Of(const std::wstring& Base) const {
  std::wstring Folder;
  if (Base == L"Temp")
    Folder = TempFolder();
  else if (Base.size() > 2 && Base.front() == L'%' && Base.back() == L'%')
    Folder = EnvironmentFolder(Base.substr(1, Base.size() - 2));
  else if (const KNOWNFOLDERID* Id = KnownFolderOfBase(Base))
    Folder = KnownFolder(*Id);
  // A base that is not a full path would be taken from wherever the program stands.
  if (Folder.empty() || !IsFullPath(Folder)) return std::nullopt;
  return ExcludeTrailingPathDelimiter(Folder);
}

TLocationSystem LocationSystemOf(const TBaseFolders& Bases) {
  TLocationSystem System;
  System.BaseFolder = [Bases](const std::wstring& Base) { return Bases.Of(Base); };
  System.Subfolders = [](const std::wstring& Folder) {
    std::vector<TListedSubfolder> Result;
    const TOpenedFolder Opened = TOpenedFolder::Open(Folder);
    Opened.List([&Result](std::wstring_view Name, DWORD Attributes) {
      if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) Result.push_back({std::wstring(Name), IsLinkAttributes(Attributes)});
    });
    return Result;
  };
  return System;
}

std::vector<TFoundLocation> FindDisposableFolders(const std::vector<TDisposableLocation>& Catalogue,
                                                  const TLocationSystem& System, const TProtectedFolders& Protected) {
  std::vector<TFoundLocation> Found;
  std::vector<TFileIdentity> Seen;
  for (TLocationCandidate& Candidate : ExpandLocations(Catalogue, System)) {
    TFoundLocation Location{Candidate.Entry, std::move(Candidate.Path), std::move(Candidate.Refusal)};
    if (!Location.Offered()) {
      Found.push_back(std::move(Location));
      continue;
    }
    // Not there: nothing to offer, nothing to say.
    if (GetFileAttributesW(LongPathForm(Location.Path).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    const std::optional<std::wstring> Base = System.BaseFolder(Catalogue[Location.Entry].Base);
    if (!Base) continue;
    const TOpenedFolder Folder = OpenFromBase(*Base, Location.Path, Location.Refusal);
    if (Folder.valid()) {
      TFileIdentity Identity;
      if (IdentityOf(Folder.get(), Identity)) {
        if (std::find(Seen.begin(), Seen.end(), Identity) != Seen.end()) continue;
        Seen.push_back(Identity);
      }
      if (const std::wstring Reason = Protected.Reason(Folder); !Reason.empty())
        Location.Refusal = L"Delete never empties it: " + Reason;
    }
    Found.push_back(std::move(Location));
  }
  return Found;
}
