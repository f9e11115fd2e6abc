// The least a Win32 program does to show a window: what the start-up
// benchmark compares Marrowby's start with. One class, one window, the
// default painting; it ends when the window is closed.

#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, LPWSTR, int Show) {
  WNDCLASSW Class{};
  Class.lpfnWndProc = &WindowProc;
  Class.hInstance = Instance;
  Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  Class.lpszClassName = L"MarrowbyStartupMinimal";
  if (RegisterClassW(&Class) == 0) return 1;
  HWND Window = CreateWindowExW(0, Class.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, Instance, nullptr);
  if (Window == nullptr) return 1;
  ShowWindow(Window, Show);
  UpdateWindow(Window);
  MSG Message;
  while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }
  return 0;
}
