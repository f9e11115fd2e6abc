#include "framework/FindDialog.h"

#include "framework/Application.h"
#include "framework/Exception.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>

namespace {

constexpr UINT_PTR KSubclassId = 0x46494E44;  // "FIND"
// Room for what a user types; a longer text set from code is cut for display only.
constexpr size_t KBufferLength = 1024;

UINT FindMessage() {
  static const UINT Message = RegisterWindowMessageW(FINDMSGSTRINGW);
  return Message;
}

}  // namespace

TFindDialog::TFindDialog(HWND Owner) : FOwner(Owner), FBuffer(KBufferLength, L'\0') {}

TFindDialog::~TFindDialog() {
  // The subclass goes first, so the dialog's last words reach nobody.
  Unsubclass();
  DropDialog(true);
}

void TFindDialog::SetFindText(const std::wstring& Value) {
  FFindText = Value;
  if (FDialog) SetDlgItemTextW(FDialog.get(), edt1, Value.c_str());
}

void TFindDialog::Execute() {
  if (FDialog) {
    ShowWindow(FDialog.get(), SW_SHOW);
    SetForegroundWindow(FDialog.get());
    return;
  }
  const size_t Length = std::min(FFindText.size(), FBuffer.size() - 1);
  std::fill(FBuffer.begin(), FBuffer.end(), L'\0');
  std::copy_n(FFindText.begin(), Length, FBuffer.begin());

  FFindReplace = FINDREPLACEW{};
  FFindReplace.lStructSize = sizeof(FFindReplace);
  FFindReplace.hwndOwner = FOwner;
  FFindReplace.Flags = FR_DOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD | FR_HIDEUPDOWN;
  FFindReplace.lpstrFindWhat = FBuffer.data();
  FFindReplace.wFindWhatLen = static_cast<WORD>(FBuffer.size());
  Subclass();
  FDialog.reset(::FindTextW(&FFindReplace));
  Win32Check(FDialog.valid(), L"Find dialog");
  Application().AddModelessDialog(FDialog.get());
}

void TFindDialog::CloseDialog() {
  // Destroying the dialog from inside its own notification would pull it
  // from under its procedure; a posted close ends it the way Cancel does.
  if (FDialog) PostMessageW(FDialog.get(), WM_CLOSE, 0, 0);
}

void TFindDialog::Subclass() {
  if (FSubclassed) return;
  FSubclassed = SetWindowSubclass(FOwner, &TFindDialog::OwnerProc, KSubclassId, reinterpret_cast<DWORD_PTR>(this)) !=
                FALSE;
  Win32Check(FSubclassed, L"Find dialog owner");
}

void TFindDialog::Unsubclass() noexcept {
  if (FSubclassed && IsWindow(FOwner)) RemoveWindowSubclass(FOwner, &TFindDialog::OwnerProc, KSubclassId);
  FSubclassed = false;
}

// Destroy is false when the dialog has ended itself: its handle is then no
// longer ours to destroy.
void TFindDialog::DropDialog(bool Destroy) noexcept {
  if (!FDialog) return;
  Application().RemoveModelessDialog(FDialog.get());
  if (Destroy && IsWindow(FDialog.get()))
    FDialog.reset();
  else
    FDialog.release();
}

LRESULT CALLBACK TFindDialog::OwnerProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR,
                                        DWORD_PTR Data) {
  auto* Self = reinterpret_cast<TFindDialog*>(Data);
  if (Msg == WM_NCDESTROY) {
    // A dialog must not outlive the window its messages go to.
    RemoveWindowSubclass(Window, &TFindDialog::OwnerProc, KSubclassId);
    Self->FSubclassed = false;
    Self->DropDialog(true);
    return DefSubclassProc(Window, Msg, WParam, LParam);
  }
  if (Msg != FindMessage() || reinterpret_cast<FINDREPLACEW*>(LParam) != &Self->FFindReplace)
    return DefSubclassProc(Window, Msg, WParam, LParam);

  if ((Self->FFindReplace.Flags & FR_DIALOGTERM) != 0) {
    Self->DropDialog(false);
  } else if ((Self->FFindReplace.Flags & FR_FINDNEXT) != 0) {
    Self->FFindText.assign(Self->FBuffer.data());
    try {
      if (Self->OnFind) Self->OnFind(Self);
    } catch (const std::exception& Error) {
      Application().HandleException(Error);
    } catch (...) {
      Application().HandleException(Exception(L"Unexpected error"));
    }
  }
  return 0;
}
