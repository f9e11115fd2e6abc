#include "framework/Accessible.h"

#include "framework/WindowTable.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace {

std::wstring WindowText(HWND Window) {
  const int Length = GetWindowTextLengthW(Window);
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  Text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(Window, Text.data(), Length + 1))));
  return Text;
}

std::wstring ClassOf(HWND Window) {
  wchar_t Name[64] = L"";
  GetClassNameW(Window, Name, 64);
  return Name;
}

// A control with a record has this program's procedure in front of its
// own; the record and the procedure it passes messages on to are found from
// the window alone, in the process (no window property: see WindowTable.h).
struct TAccessibleHook {
  WNDPROC Previous = nullptr;
  TAccessibleInfo Info;
};

TWindowTable<TAccessibleHook>& Hooks() {
  static TWindowTable<TAccessibleHook> Table;
  return Table;
}

TAccessibleInfo* InfoOf(HWND Window) {
  TAccessibleHook* Hook = Window != nullptr ? Hooks().Find(Window) : nullptr;
  return Hook != nullptr ? &Hook->Info : nullptr;
}

BSTR ToBstr(const std::wstring& Text) { return SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size())); }

// The platform's accessible object of the control, with the answers of its
// TAccessibleInfo in front. The record is looked up at each call through the
// window, so an object a reader keeps after the control died only forwards.
class TAccessibleProxy final : public IAccessible {
public:
  TAccessibleProxy(HWND Window, IAccessible* Inner) : FWindow(Window), FInner(Inner) {}
  ~TAccessibleProxy() { FInner->Release(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Iid, void** Object) override {
    if (Object == nullptr) return E_POINTER;
    if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IDispatch) || IsEqualIID(Iid, __uuidof(IAccessible))) {
      *Object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *Object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG Left = InterlockedDecrement(&FRefs);
    if (Left == 0) delete this;
    return static_cast<ULONG>(Left);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* Count) override { return FInner->GetTypeInfoCount(Count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT Index, LCID Locale, ITypeInfo** Info) override {
    return FInner->GetTypeInfo(Index, Locale, Info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID Iid, LPOLESTR* Names, UINT Count, LCID Locale,
                                          DISPID* Ids) override {
    return FInner->GetIDsOfNames(Iid, Names, Count, Locale, Ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID Id, REFIID Iid, LCID Locale, WORD Flags, DISPPARAMS* Params,
                                   VARIANT* Result, EXCEPINFO* Error, UINT* ArgError) override {
    return FInner->Invoke(Id, Iid, Locale, Flags, Params, Result, Error, ArgError);
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** Parent) override { return FInner->get_accParent(Parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* Count) override {
    if (const TAccessibleInfo* Info = Own(); Info != nullptr && Info->ChildCount) {
      if (Count == nullptr) return E_POINTER;
      *Count = Guard([&] { return static_cast<long>(Info->ChildCount()); }, 0L);
      return S_OK;
    }
    return FInner->get_accChildCount(Count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT Child, IDispatch** Result) override {
    if (OwnChild(Child) >= 0) {
      if (Result == nullptr) return E_POINTER;
      *Result = nullptr;
      return S_FALSE;  // a simple element, answered by this object
    }
    return FInner->get_accChild(Child, Result);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT Child, BSTR* Name) override {
    if (Name == nullptr) return E_POINTER;
    const TAccessibleInfo* Info = Own();
    if (const int Index = OwnChild(Child); Index >= 0 && Info->ChildName) {
      *Name = ToBstr(Guard([&] { return Info->ChildName(Index); }, std::wstring()));
      return S_OK;
    }
    if (IsSelf(Child) && Info != nullptr && Info->Name) {
      const std::wstring Text = Guard([&] { return Info->Name(); }, std::wstring());
      if (!Text.empty()) {
        *Name = ToBstr(Text);
        return S_OK;
      }
    }
    return FInner->get_accName(Child, Name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT Child, BSTR* Value) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->get_accValue(Child, Value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT Child, BSTR* Text) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->get_accDescription(Child, Text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT Child, VARIANT* Role) override {
    const TAccessibleInfo* Info = Own();
    if (OwnChild(Child) >= 0 && Info->ChildRole != 0) {
      if (Role == nullptr) return E_POINTER;
      Role->vt = VT_I4;
      Role->lVal = static_cast<LONG>(Info->ChildRole);
      return S_OK;
    }
    return FInner->get_accRole(Child, Role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT Child, VARIANT* State) override {
    const TAccessibleInfo* Info = Own();
    if (const int Index = OwnChild(Child); Index >= 0) {
      if (State == nullptr) return E_POINTER;
      DWORD Flags = STATE_SYSTEM_SELECTABLE;
      if (Info->ChildState) Flags |= Guard([&] { return Info->ChildState(Index); }, DWORD{0});
      if (!IsWindowEnabled(FWindow)) Flags |= STATE_SYSTEM_UNAVAILABLE;
      State->vt = VT_I4;
      State->lVal = static_cast<LONG>(Flags);
      return S_OK;
    }
    return FInner->get_accState(Child, State);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT Child, BSTR* Help) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->get_accHelp(Child, Help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* File, VARIANT Child, long* Topic) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->get_accHelpTopic(File, Child, Topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT Child, BSTR* Shortcut) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->get_accKeyboardShortcut(Child, Shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* Focus) override { return FInner->get_accFocus(Focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* Selection) override {
    return FInner->get_accSelection(Selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT Child, BSTR* Action) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->get_accDefaultAction(Child, Action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long Flags, VARIANT Child) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->accSelect(Flags, Child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* Left, long* Top, long* Width, long* Height, VARIANT Child) override {
    return FInner->accLocation(Left, Top, Width, Height, Child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long Direction, VARIANT Start, VARIANT* End) override {
    return FInner->accNavigate(Direction, Start, End);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long Left, long Top, VARIANT* Child) override {
    return FInner->accHitTest(Left, Top, Child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT Child) override {
    if (OwnChild(Child) >= 0) return DISP_E_MEMBERNOTFOUND;
    return FInner->accDoDefaultAction(Child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT Child, BSTR Name) override { return FInner->put_accName(Child, Name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT Child, BSTR Value) override {
    return FInner->put_accValue(Child, Value);
  }

private:
  // A callback must not throw through COM: its failure reads as "nothing".
  template <typename F, typename T>
  static T Guard(F Call, T Fallback) noexcept {
    try {
      return Call();
    } catch (...) {
      return Fallback;
    }
  }

  const TAccessibleInfo* Own() const { return IsWindow(FWindow) ? InfoOf(FWindow) : nullptr; }

  static bool IsSelf(const VARIANT& Child) { return Child.vt == VT_I4 && Child.lVal == CHILDID_SELF; }

  // The item index of a child this object answers for, -1 otherwise.
  int OwnChild(const VARIANT& Child) const {
    const TAccessibleInfo* Info = Own();
    if (Info == nullptr || !Info->ChildCount || Child.vt != VT_I4 || Child.lVal <= 0) return -1;
    const int Count = Guard([&] { return Info->ChildCount(); }, 0);
    return Child.lVal <= Count ? static_cast<int>(Child.lVal) - 1 : -1;
  }

  LONG FRefs = 1;
  HWND FWindow;
  IAccessible* FInner;
};

LRESULT CALLBACK AccessibleWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  const TAccessibleHook* Hook = Hooks().Find(Window);
  if (Hook == nullptr) return DefWindowProcW(Window, Msg, WParam, LParam);
  const WNDPROC Previous = Hook->Previous;
  if (Msg == WM_GETOBJECT && static_cast<LONG>(LParam) == OBJID_CLIENT) {
    // oleacc.dll is loaded when first called: where it cannot be (EDelayLoad),
    // the window answers as it would without this procedure. Nothing may
    // leave a window procedure, and a screen reader asks again and again:
    // no message either.
    try {
      IAccessible* Inner = nullptr;
      if (SUCCEEDED(CreateStdAccessibleObject(Window, OBJID_CLIENT, __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&Inner))) &&
          Inner != nullptr) {
        auto* Proxy = new (std::nothrow) TAccessibleProxy(Window, Inner);
        if (Proxy == nullptr) {
          Inner->Release();
        } else {
          const LRESULT Result = LresultFromObject(__uuidof(IAccessible), WParam, Proxy);
          Proxy->Release();  // LresultFromObject holds its own reference
          return Result;
        }
      }
    } catch (...) {
    }
  } else if (Msg == WM_NCDESTROY) {
    // Put back only when nobody has put a procedure in front of this one since.
    if (GetWindowLongPtrW(Window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&AccessibleWindowProc))
      SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
    Hooks().Erase(Window);
  }
  return CallWindowProcW(Previous, Window, Msg, WParam, LParam);
}

bool NeedsLabel(HWND Control) {
  const std::wstring Class = ClassOf(Control);
  return _wcsicmp(Class.c_str(), L"Edit") == 0 || _wcsicmp(Class.c_str(), L"ListBox") == 0 ||
         _wcsicmp(Class.c_str(), L"ComboBox") == 0 || _wcsicmp(Class.c_str(), WC_LISTVIEWW) == 0 ||
         _wcsicmp(Class.c_str(), UPDOWN_CLASSW) == 0 || _wcsicmp(Class.c_str(), WC_TABCONTROLW) == 0;
}

// A static text with words, or a check box or radio button: what reads as a label.
bool IsLabel(HWND Window) {
  const std::wstring Class = ClassOf(Window);
  const auto Style = static_cast<DWORD>(GetWindowLongPtrW(Window, GWL_STYLE));
  if (_wcsicmp(Class.c_str(), L"Static") == 0) {
    const DWORD Kind = Style & SS_TYPEMASK;
    return Kind == SS_LEFT || Kind == SS_RIGHT || Kind == SS_CENTER || Kind == SS_LEFTNOWORDWRAP ||
           Kind == SS_SIMPLE;
  }
  if (_wcsicmp(Class.c_str(), L"Button") == 0) {
    const DWORD Kind = Style & BS_TYPEMASK;
    return Kind == BS_CHECKBOX || Kind == BS_AUTOCHECKBOX || Kind == BS_3STATE || Kind == BS_AUTO3STATE ||
           Kind == BS_RADIOBUTTON || Kind == BS_AUTORADIOBUTTON || Kind == BS_GROUPBOX;
  }
  return false;
}

// "Max search depth :" names its edit "Max search depth".
std::wstring LabelName(HWND Label) {
  std::wstring Text = StripMnemonic(WindowText(Label));
  while (!Text.empty() && (Text.back() == L':' || Text.back() == L' ')) Text.pop_back();
  return Text;
}

HWND LabelBefore(HWND Control) {
  for (HWND Previous = GetWindow(Control, GW_HWNDPREV); Previous != nullptr;
       Previous = GetWindow(Previous, GW_HWNDPREV)) {
    if (IsLabel(Previous)) return Previous;
    if (!NeedsLabel(Previous)) return nullptr;  // a button or picture in between: no label of ours
  }
  return nullptr;
}

constexpr UINT_PTR KLinkSubclassId = 0x4C494E4B;

bool IsClickKey(WPARAM Key) { return Key == VK_RETURN || Key == VK_SPACE; }

LRESULT CALLBACK LinkSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR, DWORD_PTR) {
  switch (Msg) {
    case WM_GETDLGCODE: {
      // Enter would otherwise press the dialog's default button.
      const auto* Key = reinterpret_cast<const MSG*>(LParam);
      LRESULT Code = DefSubclassProc(Window, Msg, WParam, LParam);
      if (Key != nullptr && Key->message == WM_KEYDOWN && IsClickKey(Key->wParam)) Code |= DLGC_WANTMESSAGE;
      return Code;
    }
    case WM_KEYDOWN:
      if (IsClickKey(WParam)) {
        SendMessageW(GetParent(Window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Window), STN_CLICKED),
                     reinterpret_cast<LPARAM>(Window));
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(Window, nullptr, TRUE);
      break;
    case WM_PAINT: {
      const LRESULT Result = DefSubclassProc(Window, Msg, WParam, LParam);
      if (GetFocus() == Window) {
        // The focus rectangle goes around the text, as on a link in a browser.
        const HDC DC = GetDC(Window);
        if (DC != nullptr) {
          RECT Bounds{};
          GetClientRect(Window, &Bounds);
          const std::wstring Text = WindowText(Window);
          const auto Font = reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0));
          const HGDIOBJ Old = Font != nullptr ? SelectObject(DC, Font) : nullptr;
          SIZE Extent{};
          GetTextExtentPoint32W(DC, Text.c_str(), static_cast<int>(Text.size()), &Extent);
          if (Old != nullptr) SelectObject(DC, Old);
          Bounds.right = std::min(Bounds.right, static_cast<LONG>(Extent.cx + 2));
          DrawFocusRect(DC, &Bounds);
          ReleaseDC(Window, DC);
        }
      }
      return Result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(Window, &LinkSubclassProc, KLinkSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(Window, Msg, WParam, LParam);
}

}  // namespace

void MakeKeyboardLink(HWND Static) {
  if (Static == nullptr) return;
  SetWindowLongPtrW(Static, GWL_STYLE, GetWindowLongPtrW(Static, GWL_STYLE) | WS_TABSTOP | SS_NOTIFY);
  SetWindowSubclass(Static, &LinkSubclassProc, KLinkSubclassId, 0);
}

std::wstring ListViewName(HWND ListView) {
  const auto Header = reinterpret_cast<HWND>(SendMessageW(ListView, LVM_GETHEADER, 0, 0));
  wchar_t Text[128] = L"";
  HDITEMW Item{};
  Item.mask = HDI_TEXT;
  Item.pszText = Text;
  Item.cchTextMax = 128;
  if (Header == nullptr || !SendMessageW(Header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&Item))) return {};
  return Text;
}

const TAccessibleInfo* AccessibleInfoOf(HWND Control) { return InfoOf(Control); }

void SetAccessibleInfo(HWND Control, TAccessibleInfo Info) {
  if (Control == nullptr) return;
  if (TAccessibleInfo* Existing = InfoOf(Control); Existing != nullptr) {
    *Existing = std::move(Info);
    return;
  }
  // In the table before the procedure is in place: the first message it gets finds its record.
  TAccessibleHook& Hook = Hooks().Put(Control, TAccessibleHook{nullptr, std::move(Info)});
  Hook.Previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Control, GWLP_WNDPROC));
  if (SetWindowLongPtrW(Control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AccessibleWindowProc)) == 0)
    Hooks().Erase(Control);
}

void SetAccessibleName(HWND Control, const std::wstring& Name) {
  TAccessibleInfo Info;
  if (const TAccessibleInfo* Existing = InfoOf(Control); Existing != nullptr) Info = *Existing;
  Info.Name = [Name] { return Name; };
  SetAccessibleInfo(Control, std::move(Info));
}

std::wstring StripMnemonic(const std::wstring& Text) {
  std::wstring Result;
  Result.reserve(Text.size());
  bool Stripped = false;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == L'&' && i + 1 < Text.size()) {
      if (Text[i + 1] == L'&') {
        Result += L'&';
        ++i;
        continue;
      }
      if (!Stripped) {
        Stripped = true;
        continue;
      }
    }
    Result += Text[i];
  }
  return Result;
}

void NameControlsFromLabels(HWND Dialog) {
  for (HWND Child = GetWindow(Dialog, GW_CHILD); Child != nullptr; Child = GetWindow(Child, GW_HWNDNEXT)) {
    if (!NeedsLabel(Child) || InfoOf(Child) != nullptr) continue;
    const std::wstring Class = ClassOf(Child);
    TAccessibleInfo Info;
    if (_wcsicmp(Class.c_str(), UPDOWN_CLASSW) == 0) {
      Info.Name = [Child] {
        const auto Buddy = reinterpret_cast<HWND>(SendMessageW(Child, UDM_GETBUDDY, 0, 0));
        const HWND Label = Buddy != nullptr ? LabelBefore(Buddy) : LabelBefore(Child);
        return Label != nullptr ? LabelName(Label) : std::wstring();
      };
    } else if (_wcsicmp(Class.c_str(), WC_TABCONTROLW) == 0) {
      // A tab control reads as its selected page.
      Info.Name = [Child] {
        const auto Index = static_cast<int>(SendMessageW(Child, TCM_GETCURSEL, 0, 0));
        wchar_t Text[128] = L"";
        TCITEMW Item{};
        Item.mask = TCIF_TEXT;
        Item.pszText = Text;
        Item.cchTextMax = 128;
        if (Index < 0 || !SendMessageW(Child, TCM_GETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Item)))
          return std::wstring();
        return StripMnemonic(Text);
      };
    } else if (const HWND Label = LabelBefore(Child); Label == nullptr) {
      if (_wcsicmp(Class.c_str(), WC_LISTVIEWW) != 0) continue;
      Info.Name = [Child] { return ListViewName(Child); };
    } else {
      Info.Name = [Label] { return IsWindow(Label) ? LabelName(Label) : std::wstring(); };
    }
    SetAccessibleInfo(Child, std::move(Info));
  }
}

void AddToolTip(HWND Control, const std::wstring& Text) {
  const HWND Parent = GetParent(Control);
  HWND Tips = nullptr;
  // One tooltip window per dialog, found again by its owner.
  std::pair<HWND, HWND> Search{Parent, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND Window, LPARAM Param) -> BOOL {
        auto* Found = reinterpret_cast<std::pair<HWND, HWND>*>(Param);
        if (GetWindow(Window, GW_OWNER) == Found->first && _wcsicmp(ClassOf(Window).c_str(), TOOLTIPS_CLASSW) == 0) {
          Found->second = Window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&Search));
  Tips = Search.second;
  if (Tips == nullptr) {
    Tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Parent, nullptr,
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(Parent, GWLP_HINSTANCE)), nullptr);
    if (Tips == nullptr) return;
  }
  TTTOOLINFOW Tool{};
  Tool.cbSize = sizeof(Tool);
  Tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  Tool.hwnd = Parent;
  Tool.uId = reinterpret_cast<UINT_PTR>(Control);
  std::wstring Copy = Text;
  Tool.lpszText = Copy.data();
  SendMessageW(Tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
}
