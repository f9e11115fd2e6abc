#include "app/DisposableCatalogue.h"

namespace {

std::wstring_view Trimmed(std::wstring_view Text) {
  const size_t First = Text.find_first_not_of(L" \t\r");
  if (First == std::wstring_view::npos) return {};
  const size_t Last = Text.find_last_not_of(L" \t\r");
  return Text.substr(First, Last - First + 1);
}

// The path elements of "\a\*\b" (the part of Where after its base); false
// for anything that could lead out of the base or name more than one folder
// per element.
bool SplitPath(std::wstring_view Text, std::vector<std::wstring>& Path) {
  Path.clear();
  if (Text.empty()) return true;
  if (Text.front() != L'\\') return false;
  size_t Begin = 1;
  while (Begin <= Text.size()) {
    size_t End = Text.find(L'\\', Begin);
    if (End == std::wstring_view::npos) End = Text.size();
    const std::wstring_view Element = Text.substr(Begin, End - Begin);
    if (Element.empty() || Element == L"." || Element == L"..") return false;
    if (Element.find_first_of(L"/:?\"<>|") != std::wstring_view::npos) return false;
    // "*" alone stands for one folder; inside a name it would be a pattern.
    if (Element != L"*" && Element.find(L'*') != std::wstring_view::npos) return false;
    // A name ending in a dot or blank names another folder than it says.
    if (Element.back() == L'.' || Element.back() == L' ') return false;
    Path.emplace_back(Element);
    Begin = End + 1;
  }
  return true;
}

// "{LocalAppData}\x" or "%LOCALAPPDATA%\x": the base with its marks, and the rest.
bool SplitWhere(std::wstring_view Where, std::wstring& Base, std::vector<std::wstring>& Path) {
  if (Where.size() < 3) return false;
  const wchar_t Close = Where.front() == L'{' ? L'}' : Where.front() == L'%' ? L'%' : L'\0';
  if (Close == L'\0') return false;
  const size_t End = Where.find(Close, 1);
  if (End == std::wstring_view::npos || End == 1) return false;
  const std::wstring_view Name = Where.substr(1, End - 1);
  if (Name.find_first_of(L"\\/{}%") != std::wstring_view::npos) return false;
  Base = Where.front() == L'%' ? std::wstring(Where.substr(0, End + 1)) : std::wstring(Name);
  return SplitPath(Where.substr(End + 1), Path);
}

void Fail(std::vector<TCatalogueError>* Errors, int Line, std::wstring Text) {
  if (Errors != nullptr) Errors->push_back({Line, std::move(Text)});
}

std::wstring JoinFolder(const std::wstring& Folder, const std::wstring& Name) {
  if (Folder.empty() || Folder.back() == L'\\') return Folder + Name;
  return Folder + L'\\' + Name;
}

}  // namespace

std::vector<TDisposableLocation> ParseDisposableCatalogue(std::wstring_view Text, std::vector<TCatalogueError>* Errors) {
  std::vector<TDisposableLocation> Catalogue;
  std::optional<TDisposableLocation> Entry;
  int EntryLine = 0;
  bool EntryBroken = false;
  const auto Finish = [&] {
    if (!Entry) return;
    if (!EntryBroken && (Entry->Description.empty() || Entry->Base.empty() || Entry->Safe.empty())) {
      Fail(Errors, EntryLine, L"[" + Entry->Name + L"] lacks a description, a place or why it is safe");
      EntryBroken = true;
    }
    if (!EntryBroken) Catalogue.push_back(std::move(*Entry));
    Entry.reset();
  };
  int LineNumber = 0;
  for (size_t Begin = 0; Begin <= Text.size();) {
    size_t End = Text.find(L'\n', Begin);
    if (End == std::wstring_view::npos) End = Text.size();
    const std::wstring_view Line = Trimmed(Text.substr(Begin, End - Begin));
    Begin = End + 1;
    ++LineNumber;
    if (Line.empty() || Line.front() == L';') continue;
    if (Line.front() == L'[') {
      Finish();
      if (Line.back() != L']' || Line.size() < 3) {
        Fail(Errors, LineNumber, L"a name must stand in brackets: " + std::wstring(Line));
        continue;
      }
      Entry.emplace();
      Entry->Name = std::wstring(Trimmed(Line.substr(1, Line.size() - 2)));
      EntryLine = LineNumber;
      EntryBroken = false;
      continue;
    }
    const size_t Equals = Line.find(L'=');
    if (!Entry || Equals == std::wstring_view::npos) {
      Fail(Errors, LineNumber, L"neither a name nor a value of one: " + std::wstring(Line));
      continue;
    }
    const std::wstring_view Key = Trimmed(Line.substr(0, Equals));
    const std::wstring Value(Trimmed(Line.substr(Equals + 1)));
    if (Key == L"Description") {
      Entry->Description = Value;
    } else if (Key == L"Safe") {
      Entry->Safe = Value;
    } else if (Key == L"Temporary") {
      Entry->Temporary = Value == L"1";
    } else if (Key == L"Where") {
      if (!SplitWhere(Value, Entry->Base, Entry->Path)) {
        Fail(Errors, LineNumber, L"[" + Entry->Name + L"] names no place a folder can be: " + Value);
        EntryBroken = true;
      }
    } else {
      Fail(Errors, LineNumber, L"[" + Entry->Name + L"] has an unknown value: " + std::wstring(Key));
      EntryBroken = true;
    }
  }
  Finish();
  return Catalogue;
}

std::vector<TLocationCandidate> ExpandLocations(const std::vector<TDisposableLocation>& Catalogue,
                                                const TLocationSystem& System, size_t Longest) {
  std::vector<TLocationCandidate> Result;
  for (size_t Index = 0; Index < Catalogue.size(); ++Index) {
    const TDisposableLocation& Entry = Catalogue[Index];
    const std::optional<std::wstring> Base = System.BaseFolder(Entry.Base);
    if (!Base || Base->empty()) continue;
    // Breadth first, one element at a time: each "*" lists every folder
    // reached so far once, and a folder that holds nothing ends its branch.
    std::vector<std::wstring> Reached{*Base};
    for (const std::wstring& Element : Entry.Path) {
      std::vector<std::wstring> Next;
      for (const std::wstring& Folder : Reached) {
        if (Element != L"*") {
          Next.push_back(JoinFolder(Folder, Element));
          continue;
        }
        for (const TListedSubfolder& Subfolder : System.Subfolders(Folder)) {
          if (!Subfolder.Link) {
            Next.push_back(JoinFolder(Folder, Subfolder.Name));
            continue;
          }
          // Shown as what it is, never entered: what lies behind a link is somewhere else.
          std::wstring Through = JoinFolder(Folder, Subfolder.Name);
          const size_t Here = static_cast<size_t>(&Element - Entry.Path.data());
          for (size_t Rest = Here + 1; Rest < Entry.Path.size(); ++Rest) Through = JoinFolder(Through, Entry.Path[Rest]);
          Result.push_back({Index, std::move(Through), L"a link or junction: what it leads to is not offered"});
        }
      }
      Reached = std::move(Next);
    }
    for (std::wstring& Path : Reached) {
      const bool TooLong = Path.size() > Longest;
      Result.push_back({Index, std::move(Path), TooLong ? L"the path is too long for the system" : L""});
    }
  }
  return Result;
}
