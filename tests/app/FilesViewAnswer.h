#pragma once
// Answers "View Files..." as a person who waits for its search: once the
// window is up and the search has ended, so the rows, the subfolders and the
// count line are all there.

#include "app/FilesView.h"
#include "support/ModalAnswer.h"

#include <functional>
#include <utility>

class TFilesViewAnswer : public TModalAnswer {
public:
  TFilesViewAnswer(TFilesViewForm& View, std::function<void(TForm&)> Answer)
      : TModalAnswer([&View]() -> TForm* { return View.Searching() ? nullptr : &View; }, std::move(Answer)) {}
};
