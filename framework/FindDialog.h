#pragma once
// The system's modeless find dialog. The dialog reports a press of Find Next
// to its owner window with a registered message; this object listens for it
// on the owner (through a subclass of that window) and runs OnFind.

#include "framework/Handle.h"
#include "framework/Object.h"

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

// windows.h defines FindText as FindTextW: members of that name are renamed
// alike in every unit, and the system function is called as ::FindTextW.
class TFindDialog : public TObject {
public:
  // Owner receives the dialog's messages; the dialog stays above Owner's window.
  explicit TFindDialog(HWND Owner);
  ~TFindDialog() override;

  // The text to find: what the user typed at the last Find Next, or what was set.
  const std::wstring& FindText() const { return FFindText; }
  void SetFindText(const std::wstring& Value);

  // Shows the dialog without waiting for it; an open dialog comes to the front.
  void Execute();
  // Closes an open dialog. Safe inside OnFind: the dialog goes once the
  // message that called OnFind is over.
  void CloseDialog();
  // The open dialog, or null.
  HWND Handle() const noexcept { return FDialog.get(); }

  // A press of Find Next (or Enter in the dialog).
  TNotifyEvent OnFind;

private:
  static LRESULT CALLBACK OwnerProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR Id,
                                    DWORD_PTR Data);
  void Subclass();
  void Unsubclass() noexcept;
  void DropDialog(bool Destroy) noexcept;

  HWND FOwner;
  std::wstring FFindText;
  std::vector<wchar_t> FBuffer;  // the dialog's own copy of the text while it is open
  FINDREPLACEW FFindReplace{};
  UniqueWindow FDialog;
  bool FSubclassed = false;
};
