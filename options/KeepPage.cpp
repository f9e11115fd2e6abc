#include "options/KeepPage.h"

#include "common/VKRFileIconDialog.h"
#include "framework/BrowseFolder.h"
#include "search/KeepList.h"

#include <windows.h>

#include <algorithm>

namespace {

std::wstring ItemText(HWND List, int Index) {
  const LRESULT Length = SendMessageW(List, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (Length == LB_ERR) return {};
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  SendMessageW(List, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Text.data()));
  Text.resize(static_cast<size_t>(Length));
  return Text;
}

bool KeepsEverything(const std::wstring& Entry) { return Entry == L"*" || Entry == L"*.*"; }

}  // namespace

void TKeepPage::Start(HWND Owner) {
  FOwner = Owner;
  // Empty while no entry keeps everything: a screen reader still names it.
  EverythingLabel.SetHint(L"Whether an entry keeps everything");
  NoteLabel.SetHint(L"Entries split at \";\", and paths that name nothing on this PC now");
  AddButton.OnClick = [this](TObject*) { AddButtonClick(); };
  RemoveButton.OnClick = [this](TObject*) { RemoveButtonClick(); };
  FileButton.OnClick = [this](TObject*) { FileButtonClick(); };
  FolderButton.OnClick = [this](TObject*) { FolderButtonClick(); };
  if (!BrowseFile)
    BrowseFile = [](HWND Parent, std::wstring& File) {
      TOpenDialog Dialog;
      Dialog.Filter = L"All files (*.*)|*.*";
      if (!Dialog.Execute(Parent)) return false;
      File = Dialog.FileName;
      return true;
    };
}

void TKeepPage::SetEntries(const std::vector<std::wstring>& Entries) {
  FSplitNote.clear();
  SendMessageW(KeepListBox.Handle(), LB_RESETCONTENT, 0, 0);
  for (const std::wstring& Entry : Entries)
    SendMessageW(KeepListBox.Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Entry.c_str()));
  EntriesChanged();
}

std::vector<std::wstring> TKeepPage::Entries() const {
  std::vector<std::wstring> Result;
  const auto Count = static_cast<int>(SendMessageW(KeepListBox.Handle(), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < Count; ++i) Result.push_back(ItemText(KeepListBox.Handle(), i));
  return Result;
}

void TKeepPage::AddEntry(const std::wstring& Entry) {
  // "*.keep;*.tmp" would keep nothing: no name holds both.
  const std::vector<std::wstring> Pieces = SplitKeepEntry(Entry);
  FSplitNote.clear();
  if (Pieces.size() != 1 || Pieces.front() != Entry) {
    FSplitNote = L"\"" + Entry + L"\" was taken as " + std::to_wstring(Pieces.size()) +
                 L" entries: one name or path each, \";\" between them.";
  }
  for (const std::wstring& Piece : Pieces) AddOne(Piece);
  EntriesChanged();
}

void TKeepPage::AddOne(const std::wstring& Entry) {
  const std::vector<std::wstring> Now = Entries();
  auto Index = static_cast<int>(std::find(Now.begin(), Now.end(), Entry) - Now.begin());
  if (Index == static_cast<int>(Now.size()))
    Index = static_cast<int>(
        SendMessageW(KeepListBox.Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Entry.c_str())));
  SendMessageW(KeepListBox.Handle(), LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
}

void TKeepPage::AddButtonClick() {
  AddEntry(EntryEdit.Text());
  EntryEdit.SetText(L"");
  EntryEdit.SetFocus();
}

void TKeepPage::RemoveButtonClick() {
  FSplitNote.clear();
  const auto Selected = static_cast<int>(SendMessageW(KeepListBox.Handle(), LB_GETCURSEL, 0, 0));
  if (Selected == LB_ERR) return;
  SendMessageW(KeepListBox.Handle(), LB_DELETESTRING, static_cast<WPARAM>(Selected), 0);
  // The next entry takes the selection, so that several go one after the other.
  const auto Count = static_cast<int>(SendMessageW(KeepListBox.Handle(), LB_GETCOUNT, 0, 0));
  if (Count > 0) SendMessageW(KeepListBox.Handle(), LB_SETCURSEL, static_cast<WPARAM>(std::min(Selected, Count - 1)), 0);
  EntriesChanged();
}

void TKeepPage::FileButtonClick() {
  std::wstring File;
  if (BrowseFile && BrowseFile(FOwner, File)) AddEntry(File);
}

void TKeepPage::FolderButtonClick() {
  TBrowseFolderRequest Request;
  Request.Owner = FOwner;
  Request.Title = L"Choose a folder that Delete must never remove:";
  std::wstring Folder;
  if (BrowseForFolder(Request, Folder)) AddEntry(Folder);
}

void TKeepPage::EntriesChanged() {
  const std::vector<std::wstring> Now = Entries();
  const bool Everything = std::any_of(Now.begin(), Now.end(), KeepsEverything);
  EverythingLabel.SetText(Everything ? L"An entry \"*\" or \"*.*\" is on the list: Delete removes nothing at all."
                                     : L"");
  std::wstring Missing;
  for (const std::wstring& Entry : Now)
    if (IsKeepPathEntry(Entry) && !KeepPathNamesSomething(Entry)) Missing += (Missing.empty() ? L"" : L"; ") + Entry;
  NoteLabel.SetText(!FSplitNote.empty() ? FSplitNote
                    : Missing.empty()   ? std::wstring()
                                        : L"Names nothing on this PC now: " + Missing);
  RemoveButton.SetEnabled(!Now.empty());
}
