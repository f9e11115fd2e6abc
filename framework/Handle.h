#pragma once
// One owner for every C handle of the platform: the traits name the handle
// type, its closer and its invalid value, the template does the rest.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
  using pointer = typename Traits::Type;

  UniqueHandle() noexcept : FHandle(Traits::Invalid()) {}
  explicit UniqueHandle(pointer Handle) noexcept : FHandle(Handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& Other) noexcept : FHandle(Other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& Other) noexcept {
    if (this != &Other) reset(Other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  pointer get() const noexcept { return FHandle; }
  bool valid() const noexcept { return FHandle != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  pointer release() noexcept { return std::exchange(FHandle, Traits::Invalid()); }
  void reset(pointer Handle = Traits::Invalid()) noexcept {
    const pointer Old = std::exchange(FHandle, Handle);
    if (Old != Traits::Invalid()) Traits::Close(Old);
  }
  // For out-parameters: closes what is held and hands out the slot.
  pointer* put() noexcept {
    reset();
    return &FHandle;
  }

private:
  pointer FHandle;
};

namespace handle_traits {

struct HKey {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { RegCloseKey(h); }
};

// Files and everything else CreateFile opens: invalid is INVALID_HANDLE_VALUE.
struct File {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};

// Threads, events, mutexes, mappings: invalid is null.
struct KernelObject {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};

struct Find {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { FindClose(h); }
};

template <typename T>
struct Gdi {
  using Type = T;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteObject(h); }
};

struct Icon {
  using Type = HICON;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyIcon(h); }
};

struct Menu {
  using Type = HMENU;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyMenu(h); }
};

struct ImageList {
  using Type = HIMAGELIST;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ImageList_Destroy(h); }
};

struct Accelerators {
  using Type = HACCEL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyAcceleratorTable(h); }
};

struct HGlobal {
  using Type = HGLOBAL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { GlobalFree(h); }
};

struct MappedView {
  using Type = void*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type p) noexcept { UnmapViewOfFile(p); }
};

// A DC made with CreateCompatibleDC / CreateDC.
struct MemoryDC {
  using Type = HDC;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteDC(h); }
};

// Memory the shell or COM hands out (item id lists, strings).
struct CoTaskMem {
  using Type = void*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type p) noexcept { CoTaskMemFree(p); }
};

// A library loaded at run time, for functions newer systems add.
struct Module {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { FreeLibrary(h); }
};

// A drop handle of WM_DROPFILES: finishing the drop frees it.
struct Drop {
  using Type = HDROP;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DragFinish(h); }
};

}  // namespace handle_traits

using UniqueHKey = UniqueHandle<handle_traits::HKey>;
using UniqueFile = UniqueHandle<handle_traits::File>;
using UniqueKernelObject = UniqueHandle<handle_traits::KernelObject>;
using UniqueFind = UniqueHandle<handle_traits::Find>;
template <typename T>
using UniqueGdi = UniqueHandle<handle_traits::Gdi<T>>;
using UniqueIcon = UniqueHandle<handle_traits::Icon>;
using UniqueMenu = UniqueHandle<handle_traits::Menu>;
using UniqueImageList = UniqueHandle<handle_traits::ImageList>;
using UniqueAccelerators = UniqueHandle<handle_traits::Accelerators>;
using UniqueHGlobal = UniqueHandle<handle_traits::HGlobal>;
using UniqueMappedView = UniqueHandle<handle_traits::MappedView>;
using UniqueMemoryDC = UniqueHandle<handle_traits::MemoryDC>;
using UniqueCoTaskMem = UniqueHandle<handle_traits::CoTaskMem>;
using UniqueModule = UniqueHandle<handle_traits::Module>;

// A window's DC from GetDC: ReleaseDC gives it back, and needs the window,
// so it is no plain handle with one closer.
class TWindowDC {
public:
  explicit TWindowDC(HWND Window) noexcept : FWindow(Window), FDC(GetDC(Window)) {}
  ~TWindowDC() {
    if (FDC != nullptr) ReleaseDC(FWindow, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;

  HDC get() const noexcept { return FDC; }
  explicit operator bool() const noexcept { return FDC != nullptr; }

private:
  HWND FWindow;
  HDC FDC;
};

// Windows that the program destroys itself (a modeless system dialog).
namespace handle_traits {
struct Window {
  using Type = HWND;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyWindow(h); }
};
}  // namespace handle_traits
using UniqueWindow = UniqueHandle<handle_traits::Window>;
using UniqueDrop = UniqueHandle<handle_traits::Drop>;
