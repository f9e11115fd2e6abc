#pragma once
// Answers a form shown modally, the way a person would: once the form's
// modal loop runs, Answer is called (it may look at the form, click, type)
// and must end the loop, e.g. with SetModalResult. A form that never shows
// is not waited for; the answer then simply does not run.

#include "framework/Forms.h"

#include <functional>

class TModalAnswer {
public:
  TModalAnswer(TForm& Form, std::function<void(TForm&)> Answer);
  // For a form the code under test makes itself: FormOf gives it once it
  // exists (nullptr before).
  TModalAnswer(std::function<TForm*()> FormOf, std::function<void(TForm&)> Answer);
  ~TModalAnswer();
  TModalAnswer(const TModalAnswer&) = delete;
  TModalAnswer& operator=(const TModalAnswer&) = delete;

  bool Answered() const { return FAnswered; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR Id, DWORD);

  std::function<TForm*()> FFormOf;
  std::function<void(TForm&)> FAnswer;
  UINT_PTR FTimer = 0;
  bool FAnswered = false;
};
