#pragma once
// One owner for every COM interface the program asks for: released when the
// owner goes, on every path, so no code calls Release itself. TComInitialization
// keeps the component object library initialised for the calling thread while
// it lives.

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& Other) noexcept : FPointer(std::exchange(Other.FPointer, nullptr)) {}
  ComPtr& operator=(ComPtr&& Other) noexcept {
    if (this != &Other) reset(std::exchange(Other.FPointer, nullptr));
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return FPointer; }
  T* operator->() const noexcept { return FPointer; }
  explicit operator bool() const noexcept { return FPointer != nullptr; }

  // Takes over a reference the caller already owns.
  void reset(T* Pointer = nullptr) noexcept {
    T* Old = std::exchange(FPointer, Pointer);
    if (Old != nullptr) Old->Release();
  }
  // For out-parameters: releases what is held and hands out the slot.
  T** put() noexcept {
    reset();
    return &FPointer;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  // Asks the object for another of its interfaces.
  template <typename U>
  HRESULT QueryInterface(REFIID Iid, ComPtr<U>& Result) const noexcept {
    if (FPointer == nullptr) return E_POINTER;
    return FPointer->QueryInterface(Iid, Result.put_void());
  }

private:
  T* FPointer = nullptr;
};

// Initialises the component object library (apartment-threaded) for the
// calling thread and undoes exactly what it did.
class TComInitialization {
public:
  TComInitialization() noexcept : FInitialised(SUCCEEDED(CoInitialize(nullptr))) {}
  ~TComInitialization() {
    if (FInitialised) CoUninitialize();
  }
  TComInitialization(const TComInitialization&) = delete;
  TComInitialization& operator=(const TComInitialization&) = delete;

private:
  bool FInitialised;
};
