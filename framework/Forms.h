#pragma once
// A form: a top-level window or a dialog from a template, with the
// placement properties, the close sequence and the modal loop the program's
// windows share.

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Handle.h"
#include "framework/Window.h"

#include <functional>
#include <map>
#include <string>
#include <unordered_map>

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// How a form is placed when it is shown; only poDesigned keeps the stored bounds.
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public TWindow {
public:
  ~TForm() override;

  // The form's class name as the program knows it ("TForm1").
  const std::wstring& ClassName() const { return FClassName; }

  // Outer bounds in screen pixels. A minimised window reports the bounds it
  // will be restored to.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int Value);
  void SetTop(int Value);
  void SetWidth(int Value);
  void SetHeight(int Value);
  void SetBounds(int Left, int Top, int Width, int Height);
  int ClientWidth() const;
  int ClientHeight() const;

  // While the form is hidden the state is kept and applied when it is shown.
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);

  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }

  std::wstring Caption() const;
  void SetCaption(const std::wstring& Value);

  // Changing the font gives it to the form and every child control.
  TFont& Font() { return FFont; }

  bool Visible() const;
  void Show();
  void Hide();
  // As the user closing the window: the close handler decides what follows.
  void Close();

  TModalResult ShowModal();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  bool Modal() const { return FModal; }

  HACCEL Accelerators() const { return FAccelerators; }

  // The DPI the form is laid out for: its monitor's.
  int PixelsPerInch() const;
  // As when the window moves to a monitor of another DPI (WM_DPICHANGED):
  // takes Suggested as its bounds, makes its font for NewDpi, scales the
  // columns of its report lists and lets the form lay itself out again.
  void ChangeDpi(int NewDpi, const RECT& Suggested);

  // Gives the focus back to the control that had it when the form was last
  // active, or to its first tab stop.
  void RestoreFocus();

  // Left and top put the form in the middle of the primary screen, its size kept.
  void CenterOnScreen();
  // The title bar and task switcher show the icon resource IconId, in the
  // sizes the system asks for.
  void SetWindowIcon(int IconId);
  // Moves the window, and shrinks it where it must, into its monitor's work
  // area; Show and ShowModal do it before the window appears.
  void KeepInsideWorkArea();
  // Resizes the window, where it stands, to a client area of this size.
  void SetClientSize(int Width, int Height);

protected:
  TForm(std::wstring ClassName, TCloseAction DefaultCloseAction);

  // After the DPI changed: a form with pictures or its own layout redoes them.
  virtual void DpiChanged(int OldDpi, int NewDpi);

  // Event handlers of every form.
  virtual void FormClose(TObject* Sender, TCloseAction& Action);
  virtual void FormDestroy(TObject* Sender);

  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

  // Commands of menus, accelerators and toolbar buttons, by id.
  void BindCommand(int CommandId, std::function<void()> Handler);
  bool RunCommand(int CommandId);
  // Routes the control's notifications to it.
  void RegisterControl(TControl& Control);
  // Binds a control of a dialog template to its wrapper.
  void AttachControl(TControl& Control, int ControlId);
  void SetAccelerators(HACCEL Table) { FAccelerators = Table; }

private:
  void ApplyFont();
  // Gives the tooltips the form owns the system's tooltip font for Dpi.
  void RefontTooltips(int Dpi);
  void ApplyWindowState();

  std::wstring FClassName;
  TCloseAction FDefaultCloseAction;
  TFont FFont;
  TPosition FPosition = TPosition::poDesigned;
  TWindowState FPendingState = TWindowState::wsNormal;
  bool FStatePending = true;  // FPendingState applies while the window is hidden
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FShownOnce = false;
  HACCEL FAccelerators = nullptr;
  HWND FLastFocus = nullptr;
  int FDpi = 0;  // 0 until first asked: the window's at that time
  UniqueGdi<HFONT> FTooltipFont;  // the tooltips' font after a DPI change
  std::map<int, std::function<void()>> FCommands;
  std::unordered_map<HWND, TControl*> FControls;
};
