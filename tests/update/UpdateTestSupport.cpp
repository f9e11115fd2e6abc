#include "UpdateTestSupport.h"

#include <doctest.h>

namespace {
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

TNotifyAnswer::TNotifyAnswer(std::function<void(TVKRAppUpdateNotifyBox&)> Answer)
    : FAnswer([]() -> TForm* { return VKRAppUpdateNotifyBox; },
              [Answer = std::move(Answer)](TForm& Box) { Answer(static_cast<TVKRAppUpdateNotifyBox&>(Box)); }) {}

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
