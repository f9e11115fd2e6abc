#include "common/VKRFileDrag.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Handle.h"
#include "framework/WindowTable.h"

#include <shellapi.h>

namespace {

// The component behind a hooked window; the window's user data belongs to
// its own object, and a window property would cost a request to the
// wineserver for every message the window gets (see WindowTable.h).
TWindowTable<TVKRFileDrag*>& Hooked() {
  static TWindowTable<TVKRFileDrag*> Table;
  return Table;
}

// Windows whose procedure was replaced again after the hook (another
// component subclassed them): the hook cannot take itself out of their chain,
// so it only passes their messages on, to the procedure it found, until the
// window goes.
TWindowTable<WNDPROC>& PassedOn() {
  static TWindowTable<WNDPROC> Table;
  return Table;
}

constexpr UINT InitialPathBufferLength = 256;

}  // namespace

TVKRFileDrag::TVKRFileDrag(HWND Owner) { HookWindow(Owner); }

TVKRFileDrag::~TVKRFileDrag() { Unhook(); }

void TVKRFileDrag::HookWindow(HWND Owner) {
  if (FWindow != nullptr) return;
  FEnabled = true;
  if (Owner == nullptr || !IsWindow(Owner)) {
    FEnabled = false;
    return;
  }
  FWindow = Owner;
  Hooked().Put(FWindow, this);
  FPreviousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TVKRFileDrag::WindowProc)));
  SetEnabled(FEnabled);
}

void TVKRFileDrag::Unhook() noexcept {
  if (FWindow == nullptr) return;
  if (IsWindow(FWindow)) {
    DragAcceptFiles(FWindow, FALSE);
    // Putting the old procedure back over someone else's would take theirs out.
    const auto Current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(FWindow, GWLP_WNDPROC));
    if (Current == &TVKRFileDrag::WindowProc)
      SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPreviousProc));
    else
      PassedOn().Put(FWindow, FPreviousProc);
  }
  Hooked().Erase(FWindow);
  FWindow = nullptr;
}

void TVKRFileDrag::SetEnabled(bool Value) {
  FEnabled = Value;
  if (FWindow != nullptr) DragAcceptFiles(FWindow, Value ? TRUE : FALSE);
}

void TVKRFileDrag::HandleDrop(HDROP Drop) {
  // Finished whatever happens below: the shell's memory is freed here.
  const UniqueDrop Owned(Drop);
  // A drop that reaches a window which no longer accepts them changes
  // nothing; a message without a drop (sent by another program) neither.
  if (!FEnabled || Drop == nullptr) return;
  FFiles.clear();
  FFileCount = DragQueryFileW(Drop, 0xFFFFFFFF, nullptr, 0);
  FFiles.reserve(FFileCount);
  std::wstring Buffer(InitialPathBufferLength, L'\0');
  for (UINT i = 0; i < FFileCount; ++i) {
    const UINT Length = DragQueryFileW(Drop, i, nullptr, 0);
    if (Length + 1 > Buffer.size()) Buffer.resize(Length + 1);
    const UINT Copied = DragQueryFileW(Drop, i, Buffer.data(), static_cast<UINT>(Buffer.size()));
    FFiles.emplace_back(Buffer.data(), Copied);
  }
  if (OnDrop) {
    POINT At{};
    DragQueryPoint(Drop, &At);
    OnDrop(this, At.x, At.y);
  }
}

LRESULT CALLBACK TVKRFileDrag::WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TVKRFileDrag* const* Found = Hooked().Find(Window);
  if (Found == nullptr) {
    const WNDPROC* Next = PassedOn().Find(Window);
    if (Next == nullptr) return DefWindowProcW(Window, Msg, WParam, LParam);
    const WNDPROC Previous = *Next;
    if (Msg == WM_NCDESTROY) PassedOn().Erase(Window);
    return CallWindowProcW(Previous, Window, Msg, WParam, LParam);
  }
  TVKRFileDrag* const Self = *Found;
  const WNDPROC Previous = Self->FPreviousProc;
  if (Msg == WM_DROPFILES) {
    try {
      Self->HandleDrop(reinterpret_cast<HDROP>(WParam));
    } catch (const std::exception& Error) {
      Application().HandleException(Error);
    } catch (...) {
      Application().HandleException(Exception(L"Unexpected error"));
    }
    return 0;
  }
  // The window goes: its own procedure must be back before it sees the end.
  if (Msg == WM_NCDESTROY) Self->Unhook();
  return CallWindowProcW(Previous, Window, Msg, WParam, LParam);
}
