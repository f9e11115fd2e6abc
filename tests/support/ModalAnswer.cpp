#include "support/ModalAnswer.h"

#include <doctest.h>

#include <map>

namespace {
std::map<UINT_PTR, TModalAnswer*>& Pending() {
  static std::map<UINT_PTR, TModalAnswer*> Answers;
  return Answers;
}
}  // namespace

TModalAnswer::TModalAnswer(TForm& Form, std::function<void(TForm&)> Answer)
    : TModalAnswer([&Form] { return &Form; }, std::move(Answer)) {}

TModalAnswer::TModalAnswer(std::function<TForm*()> FormOf, std::function<void(TForm&)> Answer)
    : FFormOf(std::move(FormOf)), FAnswer(std::move(Answer)) {
  FTimer = SetTimer(nullptr, 0, 20, &TModalAnswer::Tick);
  Pending()[FTimer] = this;
}

TModalAnswer::~TModalAnswer() {
  KillTimer(nullptr, FTimer);
  Pending().erase(FTimer);
}

void CALLBACK TModalAnswer::Tick(HWND, UINT, UINT_PTR Id, DWORD) {
  const auto Found = Pending().find(Id);
  if (Found == Pending().end()) return;
  TModalAnswer& Self = *Found->second;
  TForm* const Form = Self.FFormOf();
  if (Self.FAnswered || Form == nullptr || !Form->Modal() || !Form->Visible()) return;
  Self.FAnswered = true;
  KillTimer(nullptr, Self.FTimer);
  // Nothing may leave a timer callback: a failed REQUIRE ends the form instead.
  try {
    Self.FAnswer(*Form);
  } catch (...) {
    Form->SetModalResult(mrCancel);
    FAIL_CHECK("the answer to a modal form failed");
  }
}
