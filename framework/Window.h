#pragma once
// One owning object per window: the object is found from its HWND through
// GWLP_USERDATA, set at WM_NCCREATE (or WM_INITDIALOG for a dialog template)
// and cleared at WM_NCDESTROY. No C++ exception leaves a window procedure:
// the application's error display shows it and the message ends there.

#include "framework/Object.h"

#include <windows.h>

#include <string>

class TWindow : public TObject {
public:
  ~TWindow() override;

  HWND Handle() const noexcept { return FHandle; }
  bool HandleAllocated() const noexcept { return FHandle != nullptr; }
  bool IsDialog() const noexcept { return FIsDialog; }

  // Sends a message to the window, as the platform would.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0) const;

protected:
  TWindow() = default;

  // Registers WindowClass on first use and creates the window.
  void CreateWindowHandle(const wchar_t* WindowClass, DWORD Style, DWORD ExStyle, const std::wstring& Caption,
                          int X, int Y, int Width, int Height, HWND Parent, HMENU Menu, HICON Icon);
  // Creates a modeless dialog from a template of the module's resources.
  void CreateDialogHandle(int TemplateId, HWND Owner);
  void DestroyHandle();

  // Returns true when the message was handled; Result is then its result.
  virtual bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

private:
  static LRESULT CALLBACK WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  static INT_PTR CALLBACK DialogProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  bool Dispatch(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) noexcept;
  void Detach() noexcept;

  HWND FHandle = nullptr;
  bool FIsDialog = false;
};
