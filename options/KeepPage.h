#pragma once
// The "Keep" page of the options dialog: the keep list (search/KeepList.h)
// as a list of entries, with a pattern or path typed in, a file or folder
// browsed for, and removal. An entry with ";" becomes one entry per piece
// (SplitKeepEntry), and the page says so; it also names the path entries
// that name nothing on this PC now.

#include "framework/Controls.h"

#include <functional>
#include <string>
#include <vector>

class TKeepPage {
public:
  TLabel DescriptionLabel;
  TLabel ListLabel;
  TControl KeepListBox;  // a plain list box, in the list's order
  TButton FileButton;
  TButton FolderButton;
  TButton RemoveButton;
  TLabel EntryLabel;
  TEdit EntryEdit;
  TButton AddButton;
  TLabel EverythingLabel;  // says so when an entry keeps everything
  TLabel NoteLabel;        // an entry just split, or the paths that name nothing now

  // Asks for one file; true with its full path. A test answers in place of a person.
  std::function<bool(HWND Owner, std::wstring& File)> BrowseFile;

  // After the controls are attached: the buttons' handlers; Owner owns the browse dialogs.
  void Start(HWND Owner);

  void SetEntries(const std::vector<std::wstring>& Entries);
  std::vector<std::wstring> Entries() const;
  // Appends Entry (each of its pieces, when it holds ";") unless the list
  // holds it already, and selects it.
  void AddEntry(const std::wstring& Entry);

  void AddButtonClick();
  void RemoveButtonClick();
  void FileButtonClick();
  void FolderButtonClick();

private:
  void AddOne(const std::wstring& Entry);
  void EntriesChanged();

  HWND FOwner = nullptr;
  std::wstring FSplitNote;  // what the last entry added was split into
};
