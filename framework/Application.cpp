#include "framework/Application.h"

#include "framework/Dialogs.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/PageControl.h"
#include "framework/Text.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>

TApplication& Application() {
  static TApplication Instance;
  return Instance;
}

TApplication::TApplication() : FInstance(GetModuleHandleW(nullptr)) {}

TApplication::~TApplication() {
  // Forms go in the reverse order of their creation.
  while (!FOwnedForms.empty()) FOwnedForms.pop_back();
  if (FComInitialised) OleUninitialize();
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX Controls{};
  Controls.dwSize = sizeof(Controls);
  Controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                   ICC_PROGRESS_CLASS | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_DATE_CLASSES;
  InitCommonControlsEx(&Controls);
  if (!FComInitialised) FComInitialised = SUCCEEDED(OleInitialize(nullptr));
}

void TApplication::Run() {
  if (FMainForm != nullptr && !FTerminated) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::ProcessMessages() {
  MSG Message;
  while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
    if (Message.message == WM_QUIT) {
      FTerminated = true;
      break;
    }
    Dispatch(Message);
  }
}

void TApplication::HandleMessage() {
  MSG Message;
  const BOOL Got = GetMessageW(&Message, nullptr, 0, 0);
  if (Got == 0 || Got == -1) {
    FTerminated = true;
    return;
  }
  Dispatch(Message);
}

void TApplication::Deliver(MSG& Message) { Dispatch(Message); }

void TApplication::Dispatch(MSG& Message) {
  // By index: a dialog may end itself while it handles the message.
  for (size_t i = 0; i < FModelessDialogs.size(); ++i)
    if (IsDialogMessageW(FModelessDialogs[i], &Message)) return;
  if (TranslateForForm(Message)) return;
  TranslateMessage(&Message);
  DispatchMessageW(&Message);
}

namespace {

// Tab and Shift+Tab walk a window's tab stops as they do in a dialog; the
// rest of the dialog keyboard (Enter, Escape, arrows) stays with the controls.
bool MoveFocusByTab(HWND Root, const MSG& Message) {
  if (Message.message != WM_KEYDOWN || Message.wParam != VK_TAB) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  const HWND Focus = GetFocus();
  const HWND Next = GetNextDlgTabItem(Root, Focus != nullptr && IsChild(Root, Focus) ? Focus : nullptr,
                                      GetKeyState(VK_SHIFT) < 0 ? TRUE : FALSE);
  if (Next != nullptr) SetFocus(Next);
  return true;
}

}  // namespace

bool TApplication::TranslateForForm(MSG& Message) {
  if (Message.hwnd == nullptr) return false;
  const HWND Root = GetAncestor(Message.hwnd, GA_ROOT);
  for (TForm* Form : FForms) {
    if (Form->Handle() != Root) continue;
    if (Form->Accelerators() != nullptr && IsWindowEnabled(Root) &&
        TranslateAcceleratorW(Root, Form->Accelerators(), &Message))
      return true;
    if (SwitchPageByKey(Root, Message)) return true;
    if (Form->IsDialog()) return IsDialogMessageW(Root, &Message) != FALSE;
    return MoveFocusByTab(Root, Message);
  }
  return false;
}

void TApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(const std::exception& Error) noexcept {
  if (dynamic_cast<const EAbort*>(&Error) != nullptr) return;
  // The error box runs a message loop; an error raised by a handler it
  // dispatches would stack a second box on the first. One is enough.
  if (FShowingError) return;
  FShowingError = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } Reset{FShowingError};
  try {
    const auto* Own = dynamic_cast<const Exception*>(&Error);
    std::wstring Text = Own != nullptr ? Own->Message() : Utf8ToWide(Error.what());
    TMessageDialogRequest Request;
    Request.Owner = FMainForm != nullptr ? FMainForm->Handle() : nullptr;
    Request.Caption = FTitle;
    Request.Text = std::move(Text);
    Request.Type = TMsgDlgType::mtError;
    Request.Buttons = {TMsgDlgBtn::mbOK};
    MessageDlg(Request);
  } catch (...) {
    // Nothing sensible is left to do when the error display itself fails.
  }
}

void TApplication::RegisterForm(TForm* Form) { FForms.push_back(Form); }

void TApplication::UnregisterForm(TForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FMainForm == Form) FMainForm = nullptr;
}

void TApplication::AddModelessDialog(HWND Dialog) {
  if (std::find(FModelessDialogs.begin(), FModelessDialogs.end(), Dialog) == FModelessDialogs.end())
    FModelessDialogs.push_back(Dialog);
}

void TApplication::RemoveModelessDialog(HWND Dialog) noexcept {
  FModelessDialogs.erase(std::remove(FModelessDialogs.begin(), FModelessDialogs.end(), Dialog), FModelessDialogs.end());
}
