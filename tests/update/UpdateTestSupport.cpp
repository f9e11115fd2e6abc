#include "UpdateTestSupport.h"

#include <doctest.h>

namespace {
TNotifyAnswer* GPending = nullptr;
TDownloadWatch* GWatch = nullptr;
}

TDialogLog::TDialogLog()
    : FHook([this](const TMessageDialogRequest& Request) {
        Texts.push_back(Request.Text);
        Types.push_back(Request.Type);
        return Request.Type == TMsgDlgType::mtConfirmation ? ConfirmAnswer : mrOk;
      }) {}

TShellLog::TShellLog()
    : FHook([this](const TShellExecuteRequest& Request) -> INT_PTR {
        Files.push_back(Request.FileName != nullptr ? Request.FileName : L"");
        if (OnRequest) OnRequest(Files.back());
        return 42;
      }) {}

TNotifyAnswer::TNotifyAnswer(std::function<void(TVKRAppUpdateNotifyBox&)> Answer) : FAnswer(std::move(Answer)) {
  GPending = this;
  FTimer = SetTimer(nullptr, 0, 20, &TNotifyAnswer::Tick);
}

TNotifyAnswer::~TNotifyAnswer() {
  KillTimer(nullptr, FTimer);
  GPending = nullptr;
}

void CALLBACK TNotifyAnswer::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TNotifyAnswer* Self = GPending;
  TVKRAppUpdateNotifyBox* Box = VKRAppUpdateNotifyBox;
  if (Self == nullptr || Self->FAnswered || Box == nullptr || !Box->Modal() || !Box->Visible()) return;
  Self->FAnswered = true;
  KillTimer(nullptr, Self->FTimer);
  // Nothing may leave a timer callback: a failed REQUIRE ends the window instead.
  try {
    Self->FAnswer(*Box);
  } catch (...) {
    Box->SetModalResult(mrOk);
    FAIL_CHECK("the answer to the notify window failed");
  }
}

TDownloadWatch::TDownloadWatch(std::function<void(TVKRAppUpdateDownloadBox&)> Look) : FLook(std::move(Look)) {
  GWatch = this;
  FTimer = SetTimer(nullptr, 0, 10, &TDownloadWatch::Tick);
}

TDownloadWatch::~TDownloadWatch() {
  KillTimer(nullptr, FTimer);
  GWatch = nullptr;
}

void CALLBACK TDownloadWatch::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TDownloadWatch* Self = GWatch;
  TVKRAppUpdateDownloadBox* Box = VKRAppUpdateDownloadBox;
  if (Self == nullptr || Box == nullptr || !Box->Visible()) return;
  ++Self->FLooks;
  try {
    Self->FLook(*Box);
  } catch (...) {
    FAIL_CHECK("looking at the download window failed");
  }
}
