#include "listview/VKRListView.h"

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Text.h"

#include <algorithm>

wchar_t FoldAccent(wchar_t c) {
  switch (c) {
    case 0xE0: case 0xE1: case 0xE2: case 0xE3: case 0xE4: case 0xE5: return L'a';
    case 0xE7: return L'c';
    case 0xE8: case 0xE9: case 0xEA: case 0xEB: return L'e';
    case 0xED: case 0xEE: case 0xEF: return L'i';
    case 0xF1: return L'n';
    case 0xF2: case 0xF3: case 0xF4: case 0xF5: case 0xF6: case 0xF8: return L'o';
    case 0xF9: case 0xFB: case 0xFC: return L'u';
    case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC4: case 0xC5: return L'A';
    case 0xC7: return L'C';
    case 0xC8: case 0xC9: case 0xCA: case 0xCB: return L'E';
    case 0xCD: case 0xCE: case 0xCF: return L'I';
    case 0xD1: return L'N';
    case 0xD2: case 0xD3: case 0xD4: case 0xD5: case 0xD6: case 0xD8: return L'O';
    case 0xD9: case 0xDB: case 0xDC: return L'U';
    case 0x60: case 0xB4: case 0x2018: case 0x2019: return L'\'';
    default: return c;  // ì, Ì, ú and Ú were never in the table
  }
}

std::wstring NormalizeFindText(const std::wstring& Text, TFindOptions Options) {
  std::wstring Result = Text;
  if (Options.Contains(TFindOption::foIgnoreAccentedChars))
    for (wchar_t& c : Result) c = FoldAccent(c);
  if (!Options.Contains(TFindOption::foCaseSensitive)) Result = LowerCaseAZ(Result);
  return Result;
}

void TVKRListView::Find() {
  StartFind(std::wstring());
  FFindDialog->Execute();
}

void TVKRListView::FindText(const std::wstring& AString) {
  StartFind(AString);
  FindNext();
}

void TVKRListView::FindNext() {
  if (FFindDialog && !FFindDialog->FindText().empty()) FindStep();
}

void TVKRListView::FindRefresh() {
  const TListItem Row = Selected();
  FFindStartPos = Row ? Row.Index() : 0;
}

void TVKRListView::StartFind(const std::wstring& AString) {
  FFindStartPos = 0;
  FFindOldStartPos = -1;
  // A new search gets a new dialog: the old one goes first, so only one is ever open.
  FFindDialog.reset();
  FFindDialog = std::make_unique<TFindDialog>(Handle());
  FFindDialog->SetFindText(AString);
  FFindDialog->OnFind = [this](TObject*) { FindStep(); };
}

bool TVKRListView::RowMatches(int Index, const std::wstring& Normalized, const std::wstring& Typed) {
  if (OnCustomFind) {
    bool Res = false;
    bool Handled = false;
    OnCustomFind(this, TListItem(this, Index), Typed, Res, Handled);
    if (Handled) return Res;
  }
  const int Columns = std::max(ColumnCount(), 1);
  for (int Column = 0; Column < Columns; ++Column)
    if (NormalizeFindText(ItemText(Index, Column), FFindOptions).find(Normalized) != std::wstring::npos) return true;
  return false;
}

void TVKRListView::FindStep() {
  const std::wstring Typed = FFindDialog->FindText();
  const std::wstring Normalized = NormalizeFindText(Typed, FFindOptions);
  int Found = -1;
  for (int i = std::max(FFindStartPos, 0); i < Count() && Found < 0; ++i)
    if (RowMatches(i, Normalized, Typed)) Found = i;
  FFindDialog->CloseDialog();

  if (Found >= 0) {
    ListView_SetItemState(Handle(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(Handle(), Found, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(Handle(), Found, TRUE);
    if (OnClick) OnClick(this);
    FFindStartPos = Found + 1;
    FFindOldStartPos = Found + 1;
  } else {
    std::wstring Text;
    if (FFindOldStartPos == -1) {
      FFindStartPos = 0;
      Text = L"Search string \"" + Typed + L"\" not found.";
    } else {
      Text = L"No more instances of \"" + Typed + L"\" found.";
    }
    TMessageDialogRequest Request;
    if (Application().MainForm() != nullptr) Request.Owner = Application().MainForm()->Handle();
    Request.Caption = L"Search Results";
    Request.Text = Text;
    Request.Type = TMsgDlgType::mtCustom;
    Request.Buttons = {TMsgDlgBtn::mbOK};
    MessageDlg(Request);
  }
  SetFocus();
}
