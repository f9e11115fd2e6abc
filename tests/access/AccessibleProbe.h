#pragma once
// Reads what a screen reader reads: the control's accessible object through
// oleacc, as an assistive program in another process would get it.

#include <windows.h>

#include <oleacc.h>

#include <string>

struct TAccessibleRead {
  bool Found = false;  // an accessible object came back at all
  std::wstring Name;
  long ChildCount = 0;
};

inline std::wstring BstrText(BSTR Text) {
  std::wstring Result = Text != nullptr ? std::wstring(Text, SysStringLen(Text)) : std::wstring();
  SysFreeString(Text);
  return Result;
}

inline VARIANT ChildId(long Id) {
  VARIANT Child;
  VariantInit(&Child);
  Child.vt = VT_I4;
  Child.lVal = Id;
  return Child;
}

// Calls Use with the control's client object; false when there is none.
template <typename F>
bool WithAccessible(HWND Control, F Use) {
  IAccessible* Object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(Control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&Object))) ||
      Object == nullptr)
    return false;
  Use(*Object);
  Object->Release();
  return true;
}

inline TAccessibleRead ReadAccessible(HWND Control) {
  TAccessibleRead Read;
  Read.Found = WithAccessible(Control, [&](IAccessible& Object) {
    BSTR Name = nullptr;
    if (Object.get_accName(ChildId(CHILDID_SELF), &Name) == S_OK) Read.Name = BstrText(Name);
    Object.get_accChildCount(&Read.ChildCount);
  });
  return Read;
}

inline std::wstring ReadChildName(HWND Control, long Child) {
  std::wstring Result;
  WithAccessible(Control, [&](IAccessible& Object) {
    BSTR Name = nullptr;
    if (Object.get_accName(ChildId(Child), &Name) == S_OK) Result = BstrText(Name);
  });
  return Result;
}

// STATE_SYSTEM_* flags of a child, or ~0 when the object does not answer.
inline DWORD ReadChildState(HWND Control, long Child) {
  DWORD Result = ~DWORD{0};
  WithAccessible(Control, [&](IAccessible& Object) {
    VARIANT State;
    VariantInit(&State);
    if (Object.get_accState(ChildId(Child), &State) == S_OK && State.vt == VT_I4)
      Result = static_cast<DWORD>(State.lVal);
  });
  return Result;
}
