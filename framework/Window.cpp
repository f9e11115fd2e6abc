#include "framework/Window.h"

#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Exception.h"

namespace {

TWindow* FromHandle(HWND Window) { return reinterpret_cast<TWindow*>(GetWindowLongPtrW(Window, GWLP_USERDATA)); }

}  // namespace

TWindow::~TWindow() {
  // The derived object is gone already: the window dies without reaching it.
  if (FHandle != nullptr) {
    const HWND Window = FHandle;
    Detach();
    DestroyWindow(Window);
  }
}

LRESULT TWindow::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) const {
  return SendMessageW(FHandle, Msg, WParam, LParam);
}

void TWindow::CreateWindowHandle(const wchar_t* WindowClass, DWORD Style, DWORD ExStyle,
                                 const std::wstring& Caption, int X, int Y, int Width, int Height, HWND Parent,
                                 HMENU Menu, HICON Icon) {
  const HINSTANCE Instance = Application().HInstance();
  WNDCLASSEXW Existing{};
  Existing.cbSize = sizeof(Existing);
  if (!GetClassInfoExW(Instance, WindowClass, &Existing)) {
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof(Class);
    Class.style = CS_DBLCLKS;
    Class.lpfnWndProc = &TWindow::WindowProc;
    Class.hInstance = Instance;
    Class.hIcon = Icon;
    Class.hIconSm = Icon;
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Class.lpszClassName = WindowClass;
    Win32Check(RegisterClassExW(&Class) != 0, L"RegisterClassEx");
  }
  FIsDialog = false;
  const HWND Created = CreateWindowExW(ExStyle, WindowClass, Caption.c_str(), Style, X, Y, Width, Height, Parent,
                                       Menu, Instance, this);
  Win32Check(Created != nullptr, L"CreateWindowEx");
}

void TWindow::CreateDialogHandle(int TemplateId, HWND Owner) {
  FIsDialog = true;
  const HWND Created = CreateDialogParamW(Application().HInstance(), MAKEINTRESOURCEW(TemplateId), Owner,
                                          &TWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  Win32Check(Created != nullptr, L"CreateDialogParam");
  // Edits and lists take the name of the label before them, for screen readers.
  NameControlsFromLabels(Created);
}

void TWindow::DestroyHandle() {
  if (FHandle != nullptr) DestroyWindow(FHandle);
  // A window destroyed from inside its own procedure is detached at WM_NCDESTROY.
  Detach();
}

void TWindow::Detach() noexcept {
  if (FHandle != nullptr && FromHandle(FHandle) == this) SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
  FHandle = nullptr;
}

bool TWindow::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool TWindow::Dispatch(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) noexcept {
  bool Handled = false;
  try {
    Handled = HandleMessage(Msg, WParam, LParam, Result);
  } catch (const std::exception& Error) {
    Application().HandleException(Error);
    Handled = false;
  } catch (...) {
    Application().HandleException(Exception(L"Unexpected error"));
    Handled = false;
  }
  if (Msg == WM_NCDESTROY) Detach();
  return Handled;
}

LRESULT CALLBACK TWindow::WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindow* Self = nullptr;
  if (Msg == WM_NCCREATE) {
    Self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
    Self->FHandle = Window;
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Self));
  } else {
    Self = FromHandle(Window);
  }
  if (Self == nullptr) return DefWindowProcW(Window, Msg, WParam, LParam);
  LRESULT Result = 0;
  if (Self->Dispatch(Msg, WParam, LParam, Result)) return Result;
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

INT_PTR CALLBACK TWindow::DialogProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindow* Self = nullptr;
  if (Msg == WM_INITDIALOG) {
    Self = reinterpret_cast<TWindow*>(LParam);
    Self->FHandle = Window;
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Self));
  } else {
    Self = FromHandle(Window);
  }
  if (Self == nullptr) return FALSE;
  LRESULT Result = 0;
  const bool Handled = Self->Dispatch(Msg, WParam, LParam, Result);
  switch (Msg) {
    case WM_INITDIALOG:
      return Handled ? static_cast<INT_PTR>(Result) : TRUE;
    // These return their result directly instead of through DWLP_MSGRESULT.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return Handled ? static_cast<INT_PTR>(Result) : FALSE;
    default:
      if (!Handled) return FALSE;
      if (IsWindow(Window)) SetWindowLongPtrW(Window, DWLP_MSGRESULT, Result);
      return TRUE;
  }
}
