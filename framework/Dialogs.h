#pragma once
// Message dialogs. Every box the program shows goes through MessageDlg, so a
// test can answer it in place of a person (TMessageDialogHook).

#include "framework/Controls.h"

#include <functional>
#include <string>
#include <vector>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum class TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose };

enum class TMsgDlgPosition { dpDefault, dpScreenCenter };

struct TMessageDialogRequest {
  HWND Owner = nullptr;
  std::wstring Caption;  // empty: the type's own title ("Warning", "Confirm", ...)
  std::wstring Text;
  TMsgDlgType Type = TMsgDlgType::mtInformation;
  std::vector<TMsgDlgBtn> Buttons{TMsgDlgBtn::mbOK};  // in the order shown
  TMsgDlgPosition Position = TMsgDlgPosition::dpDefault;
};

// The title a box of this type gets when the request names none.
std::wstring MsgDlgTitle(TMsgDlgType Type);
// The caption of a button, with its accelerator ("N&o to All").
std::wstring MsgDlgButtonCaption(TMsgDlgBtn Button);
// The modal result a button gives.
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button);

// Shows the box modally and returns the modal result of the button chosen
// (mrCancel when the box was closed without one).
TModalResult MessageDlg(const TMessageDialogRequest& Request);
TModalResult MessageDlg(const std::wstring& Text, TMsgDlgType Type, std::vector<TMsgDlgBtn> Buttons);
// An information box with the application's title and an OK button.
void ShowMessage(const std::wstring& Text);

using TMessageDialogHandler = std::function<TModalResult(const TMessageDialogRequest&)>;

// While alive, every MessageDlg is answered by Handler instead of a person.
class TMessageDialogHook {
public:
  explicit TMessageDialogHook(TMessageDialogHandler Handler);
  ~TMessageDialogHook();
  TMessageDialogHook(const TMessageDialogHook&) = delete;
  TMessageDialogHook& operator=(const TMessageDialogHook&) = delete;

private:
  TMessageDialogHandler FPrevious;
};
