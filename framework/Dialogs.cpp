#include "framework/Dialogs.h"

#include "framework/Application.h"
#include "framework/Handle.h"

#include <commctrl.h>

#include "framework/Forms.h"

#include <algorithm>

namespace {

TMessageDialogHandler& CurrentHandler() {
  static TMessageDialogHandler Handler;
  return Handler;
}

bool SameButtons(const std::vector<TMsgDlgBtn>& A, std::initializer_list<TMsgDlgBtn> B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin());
}

// MessageBox covers the usual button sets; anything else is a task dialog
// with buttons of its own.
bool MessageBoxStyleFor(const std::vector<TMsgDlgBtn>& Buttons, UINT& Style) {
  using B = TMsgDlgBtn;
  if (SameButtons(Buttons, {B::mbOK})) Style = MB_OK;
  else if (SameButtons(Buttons, {B::mbOK, B::mbCancel})) Style = MB_OKCANCEL;
  else if (SameButtons(Buttons, {B::mbYes, B::mbNo})) Style = MB_YESNO;
  else if (SameButtons(Buttons, {B::mbYes, B::mbNo, B::mbCancel})) Style = MB_YESNOCANCEL;
  else if (SameButtons(Buttons, {B::mbAbort, B::mbRetry, B::mbIgnore})) Style = MB_ABORTRETRYIGNORE;
  else if (SameButtons(Buttons, {B::mbRetry, B::mbCancel})) Style = MB_RETRYCANCEL;
  else return false;
  return true;
}

UINT IconStyleFor(TMsgDlgType Type) {
  switch (Type) {
    case TMsgDlgType::mtWarning: return MB_ICONWARNING;
    case TMsgDlgType::mtError: return MB_ICONERROR;
    case TMsgDlgType::mtInformation: return MB_ICONINFORMATION;
    case TMsgDlgType::mtConfirmation: return MB_ICONQUESTION;
    case TMsgDlgType::mtCustom: return 0;
  }
  return 0;
}

// Moves the next box this thread activates to the centre of the screen.
thread_local HHOOK GCentreHook = nullptr;

LRESULT CALLBACK CentreOnActivate(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HCBT_ACTIVATE) {
    const HWND Box = reinterpret_cast<HWND>(WParam);
    RECT Bounds{};
    GetWindowRect(Box, &Bounds);
    const int Width = Bounds.right - Bounds.left;
    const int Height = Bounds.bottom - Bounds.top;
    SetWindowPos(Box, nullptr, (GetSystemMetrics(SM_CXSCREEN) - Width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - Height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const HHOOK Hook = GCentreHook;
    GCentreHook = nullptr;
    UnhookWindowsHookEx(Hook);
    return 0;
  }
  return CallNextHookEx(nullptr, Code, WParam, LParam);
}

TModalResult ShowTaskDialog(const TMessageDialogRequest& Request, const std::wstring& Caption) {
  std::vector<std::wstring> Captions;
  std::vector<TASKDIALOG_BUTTON> Buttons;
  Captions.reserve(Request.Buttons.size());
  for (TMsgDlgBtn Button : Request.Buttons) Captions.push_back(MsgDlgButtonCaption(Button));
  for (size_t i = 0; i < Request.Buttons.size(); ++i)
    Buttons.push_back(TASKDIALOG_BUTTON{MsgDlgButtonResult(Request.Buttons[i]), Captions[i].c_str()});

  TASKDIALOGCONFIG Config{};
  Config.cbSize = sizeof(Config);
  Config.hwndParent = Request.Owner;
  Config.hInstance = Application().HInstance();
  Config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION |
                   (Request.Position == TMsgDlgPosition::dpDefault && Request.Owner != nullptr
                        ? TDF_POSITION_RELATIVE_TO_WINDOW
                        : 0);
  Config.pszWindowTitle = Caption.c_str();
  switch (Request.Type) {
    case TMsgDlgType::mtWarning: Config.pszMainIcon = TD_WARNING_ICON; break;
    case TMsgDlgType::mtError: Config.pszMainIcon = TD_ERROR_ICON; break;
    case TMsgDlgType::mtInformation: Config.pszMainIcon = TD_INFORMATION_ICON; break;
    case TMsgDlgType::mtConfirmation: Config.pszMainIcon = MAKEINTRESOURCEW(32514); break;  // IDI_QUESTION
    case TMsgDlgType::mtCustom: break;
  }
  if (Request.Type == TMsgDlgType::mtConfirmation) {
    Config.hMainIcon = LoadIconW(nullptr, IDI_QUESTION);
    Config.dwFlags |= TDF_USE_HICON_MAIN;
  }
  Config.pszContent = Request.Text.c_str();
  Config.cButtons = static_cast<UINT>(Buttons.size());
  Config.pButtons = Buttons.data();
  Config.nDefaultButton = Buttons.empty() ? 0 : Buttons.front().nButtonID;
  int Chosen = 0;
  if (FAILED(TaskDialogIndirect(&Config, &Chosen, nullptr, nullptr))) return mrCancel;
  return Chosen == IDCANCEL ? mrCancel : Chosen;
}

}  // namespace

std::wstring MsgDlgTitle(TMsgDlgType Type) {
  switch (Type) {
    case TMsgDlgType::mtWarning: return L"Warning";
    case TMsgDlgType::mtError: return L"Error";
    case TMsgDlgType::mtInformation: return L"Information";
    case TMsgDlgType::mtConfirmation: return L"Confirm";
    case TMsgDlgType::mtCustom: return Application().Title();
  }
  return {};
}

std::wstring MsgDlgButtonCaption(TMsgDlgBtn Button) {
  switch (Button) {
    case TMsgDlgBtn::mbYes: return L"&Yes";
    case TMsgDlgBtn::mbNo: return L"&No";
    case TMsgDlgBtn::mbOK: return L"OK";
    case TMsgDlgBtn::mbCancel: return L"Cancel";
    case TMsgDlgBtn::mbAbort: return L"&Abort";
    case TMsgDlgBtn::mbRetry: return L"&Retry";
    case TMsgDlgBtn::mbIgnore: return L"&Ignore";
    case TMsgDlgBtn::mbAll: return L"&All";
    case TMsgDlgBtn::mbNoToAll: return L"N&o to All";
    case TMsgDlgBtn::mbYesToAll: return L"Yes to &All";
    case TMsgDlgBtn::mbHelp: return L"&Help";
    case TMsgDlgBtn::mbClose: return L"&Close";
  }
  return {};
}

TModalResult MsgDlgButtonResult(TMsgDlgBtn Button) {
  switch (Button) {
    case TMsgDlgBtn::mbYes: return mrYes;
    case TMsgDlgBtn::mbNo: return mrNo;
    case TMsgDlgBtn::mbOK: return mrOk;
    case TMsgDlgBtn::mbCancel: return mrCancel;
    case TMsgDlgBtn::mbAbort: return mrAbort;
    case TMsgDlgBtn::mbRetry: return mrRetry;
    case TMsgDlgBtn::mbIgnore: return mrIgnore;
    case TMsgDlgBtn::mbAll: return mrAll;
    case TMsgDlgBtn::mbNoToAll: return mrNoToAll;
    case TMsgDlgBtn::mbYesToAll: return mrYesToAll;
    case TMsgDlgBtn::mbHelp: return mrHelp;
    case TMsgDlgBtn::mbClose: return mrClose;
  }
  return mrNone;
}

TModalResult MessageDlg(const TMessageDialogRequest& Request) {
  if (CurrentHandler()) return CurrentHandler()(Request);

  const std::wstring Caption = Request.Caption.empty() ? MsgDlgTitle(Request.Type) : Request.Caption;
  UINT Style = 0;
  if (!MessageBoxStyleFor(Request.Buttons, Style)) return ShowTaskDialog(Request, Caption);
  if (Request.Position == TMsgDlgPosition::dpScreenCenter)
    GCentreHook = SetWindowsHookExW(WH_CBT, &CentreOnActivate, nullptr, GetCurrentThreadId());
  const int Result = MessageBoxW(Request.Owner, Request.Text.c_str(), Caption.c_str(),
                                 Style | IconStyleFor(Request.Type) | (Request.Owner == nullptr ? MB_TASKMODAL : 0u));
  if (GCentreHook != nullptr) {
    UnhookWindowsHookEx(GCentreHook);
    GCentreHook = nullptr;
  }
  return Result == 0 ? mrCancel : Result;
}

TModalResult MessageDlg(const std::wstring& Text, TMsgDlgType Type, std::vector<TMsgDlgBtn> Buttons) {
  TMessageDialogRequest Request;
  Request.Text = Text;
  Request.Type = Type;
  Request.Buttons = std::move(Buttons);
  if (Application().MainForm() != nullptr) Request.Owner = Application().MainForm()->Handle();
  return MessageDlg(Request);
}

void ShowMessage(const std::wstring& Text) {
  TMessageDialogRequest Request;
  Request.Caption = Application().Title();
  Request.Text = Text;
  Request.Type = TMsgDlgType::mtCustom;
  MessageDlg(Request);
}

TMessageDialogHook::TMessageDialogHook(TMessageDialogHandler Handler) : FPrevious(std::move(CurrentHandler())) {
  CurrentHandler() = std::move(Handler);
}

TMessageDialogHook::~TMessageDialogHook() { CurrentHandler() = std::move(FPrevious); }
