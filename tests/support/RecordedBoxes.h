#pragma once
// Every message box is answered with one answer, as a person would, and kept
// for the checks.

#include "framework/Dialogs.h"

#include <vector>

class TRecordedBoxes {
public:
  explicit TRecordedBoxes(TModalResult Answer = mrOk)
      : FHook([this, Answer](const TMessageDialogRequest& Request) {
          Requests.push_back(Request);
          return Answer;
        }) {}
  TRecordedBoxes(const TRecordedBoxes&) = delete;
  TRecordedBoxes& operator=(const TRecordedBoxes&) = delete;

  std::vector<TMessageDialogRequest> Requests;

private:
  TMessageDialogHook FHook;
};
