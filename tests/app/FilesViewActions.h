#pragma once
// What a person does in "View Files...", as the tests do it: waits for the
// search before answering, clicks a column header, presses Ctrl+K.

#include "app/FilesView.h"
#include "support/ModalAnswer.h"

#include <functional>
#include <utility>

// Answers the view once the window is up and its search has ended, so the
// rows, the subfolders and the count line are all there.
class TFilesViewAnswer : public TModalAnswer {
public:
  TFilesViewAnswer(TFilesViewForm& View, std::function<void(TForm&)> Answer)
      : TModalAnswer([&View]() -> TForm* { return View.Searching() ? nullptr : &View; }, std::move(Answer)) {}
};

// A click on a header of the file list, as the list reports it to the window.
inline void ClickFilesHeader(TFilesViewForm& View, int Index) {
  NMLISTVIEW Click{};
  Click.hdr.hwndFrom = View.FilesListView.Handle();
  Click.hdr.idFrom = static_cast<UINT_PTR>(View.FilesListView.Id());
  Click.hdr.code = LVN_COLUMNCLICK;
  Click.iItem = -1;
  Click.iSubItem = Index;
  SendMessageW(View.Handle(), WM_NOTIFY, Click.hdr.idFrom, reinterpret_cast<LPARAM>(&Click));
}

// Ctrl+K in one of the view's lists, as the list reports it to the window.
inline void PressKeep(TFilesViewForm& View, HWND List) {
  BYTE Keys[256]{};
  GetKeyboardState(Keys);
  const BYTE Control = Keys[VK_CONTROL];
  Keys[VK_CONTROL] = 0x80;
  SetKeyboardState(Keys);
  NMLVKEYDOWN Key{};
  Key.hdr.hwndFrom = List;
  Key.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(List));
  Key.hdr.code = LVN_KEYDOWN;
  Key.wVKey = 'K';
  SendMessageW(View.Handle(), WM_NOTIFY, Key.hdr.idFrom, reinterpret_cast<LPARAM>(&Key));
  Keys[VK_CONTROL] = Control;
  SetKeyboardState(Keys);
}
