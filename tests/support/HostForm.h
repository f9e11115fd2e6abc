#pragma once
// A real top-level form for control tests: made in code or from a dialog
// template, hidden unless a test shows it, with the form's control routing
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM) open to the test.

#include "framework/Forms.h"

class THostForm : public TForm {
public:
  THostForm() : TForm(L"THostForm", TCloseAction::caHide) {
    CreateWindowHandle(L"MarrowbyTestHostForm", WS_OVERLAPPEDWINDOW, 0, L"Test host", 0, 0, 480, 360, nullptr,
                       nullptr, nullptr);
  }
  explicit THostForm(int TemplateId) : TForm(L"THostForm", TCloseAction::caHide) {
    CreateDialogHandle(TemplateId, nullptr);
  }

  using TForm::AttachControl;
  using TForm::BindCommand;
  using TForm::RegisterControl;
};
