#include <doctest.h>

#include "common/VKRFileDrag.h"
#include "framework/Dialogs.h"
#include "framework/Exception.h"
#include "support/DropFiles.h"
#include "support/HostForm.h"
#include "support/TestStrings.h"

#include <memory>
#include <string>
#include <vector>

namespace {

bool AcceptsFiles(HWND Window) { return (GetWindowLongPtrW(Window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

}  // namespace

TEST_CASE("a drop delivers every path whole, in the shell's order, then one event") {
  THostForm Host;
  TVKRFileDrag Drag(Host.Handle());
  CHECK(Drag.Enabled());
  CHECK(AcceptsFiles(Host.Handle()));

  int Drops = 0;
  POINT Seen{-1, -1};
  std::vector<std::wstring> SeenFiles;
  Drag.OnDrop = [&](TObject* Sender, int X, int Y) {
    CHECK(Sender == &Drag);
    ++Drops;
    Seen = POINT{X, Y};
    SeenFiles = Drag.Files();
  };

  const std::wstring Long = L"C:\\" + std::wstring(300, L'a') + L"\\end.txt";
  const std::wstring Longest = L"C:\\" + std::wstring(32000, L'b');
  struct TCase {
    const char* Name;
    std::vector<std::wstring> Paths;
  };
  const std::vector<TCase> Cases = {
      {"five items", {L"C:\\one", L"C:\\two.txt", L"D:\\three", L"C:\\four\\x.lnk", L"C:\\five"}},
      {"a path over 255 characters and one of 32,000", {Long, Longest}},
      {"a second drop replaces the first", {L"C:\\only"}},
  };
  int Expected = 0;
  for (const TCase& Case : Cases) {
    CAPTURE(Case.Name);
    CHECK(SendDrop(Host.Handle(), MakeDrop(Case.Paths, POINT{17, 23})));
    CHECK(Drops == ++Expected);
    CHECK(Drag.FileCount() == Case.Paths.size());
    CHECK(Drag.Files() == Case.Paths);
    CHECK(SeenFiles == Case.Paths);
    CHECK(Seen.x == 17);
    CHECK(Seen.y == 23);
  }

  // No path at all (Wine counts the closing empty one as an item): no harm done.
  CHECK(SendDrop(Host.Handle(), MakeDrop({})));
  CHECK(Drops == ++Expected);
  CHECK(Drag.Files().size() == Drag.FileCount());
  for (const std::wstring& Path : Drag.Files()) CHECK(Path.empty());

  std::vector<std::wstring> Many;
  for (int i = 0; i < 5000; ++i) Many.push_back(L"C:\\folder\\item" + std::to_wstring(i));
  CHECK(SendDrop(Host.Handle(), MakeDrop(Many)));
  CHECK(Drag.FileCount() == 5000);
  CHECK(Drag.Files() == Many);
}

TEST_CASE("a disabled target refuses drops and takes them again when enabled") {
  THostForm Host;
  TVKRFileDrag Drag(Host.Handle());
  int Drops = 0;
  Drag.OnDrop = [&](TObject*, int, int) { ++Drops; };
  REQUIRE(SendDrop(Host.Handle(), MakeDrop({L"C:\\first"})));

  Drag.SetEnabled(false);
  CHECK_FALSE(AcceptsFiles(Host.Handle()));
  // Should one arrive anyway, it is finished without a trace.
  CHECK(SendDrop(Host.Handle(), MakeDrop({L"C:\\refused"})));
  CHECK(Drops == 1);
  CHECK(Drag.Files() == std::vector<std::wstring>{L"C:\\first"});

  Drag.SetEnabled(true);
  CHECK(AcceptsFiles(Host.Handle()));
  CHECK(SendDrop(Host.Handle(), MakeDrop({L"C:\\again"})));
  CHECK(Drops == 2);
  CHECK(Drag.Files() == std::vector<std::wstring>{L"C:\\again"});
}

TEST_CASE("the drop is finished also without a handler and when the handler fails") {
  THostForm Host;
  TVKRFileDrag Drag(Host.Handle());
  CHECK(SendDrop(Host.Handle(), MakeDrop({L"C:\\nobody"})));
  CHECK(Drag.Files() == std::vector<std::wstring>{L"C:\\nobody"});

  Drag.OnDrop = [](TObject*, int, int) { throw Exception(L"handler failed"); };
  std::vector<std::wstring> Shown;
  {
    TMessageDialogHook Hook([&](const TMessageDialogRequest& Request) {
      Shown.push_back(Request.Text);
      return mrOk;
    });
    CHECK(SendDrop(Host.Handle(), MakeDrop({L"C:\\failing"})));
  }
  CHECK(Shown == std::vector<std::wstring>{L"handler failed"});
  // The window is still whole and still takes drops.
  CHECK(IsWindow(Host.Handle()));
  Drag.OnDrop = nullptr;
  CHECK(SendDrop(Host.Handle(), MakeDrop({L"C:\\after"})));
  CHECK(Drag.Files() == std::vector<std::wstring>{L"C:\\after"});
}

TEST_CASE("the hook passes other messages on and goes with the component") {
  THostForm Host;
  const LONG_PTR Original = GetWindowLongPtrW(Host.Handle(), GWLP_WNDPROC);
  {
    TVKRFileDrag Drag(Host.Handle());
    CHECK(GetWindowLongPtrW(Host.Handle(), GWLP_WNDPROC) != Original);
    Host.SetCaption(L"still answered");
    CHECK(Host.Caption() == L"still answered");
  }
  CHECK(GetWindowLongPtrW(Host.Handle(), GWLP_WNDPROC) == Original);
  CHECK_FALSE(AcceptsFiles(Host.Handle()));

  SUBCASE("no window: nothing is hooked and drops are off") {
    TVKRFileDrag Drag;
    CHECK_FALSE(Drag.Enabled());
    CHECK(Drag.FileCount() == 0);
    CHECK(Drag.Files().empty());
  }
  SUBCASE("a window that goes first takes its own procedure back") {
    auto Other = std::make_unique<THostForm>();
    TVKRFileDrag Drag(Other->Handle());
    Other.reset();
    CHECK(Drag.Files().empty());  // and the component's end touches no dead window
  }
}

namespace {

// Another component that puts its procedure in front of the window after the
// drop target did, and counts what reaches it.
struct TLaterSubclass {
  static inline WNDPROC Previous = nullptr;
  static inline int Seen = 0;
  static LRESULT CALLBACK Proc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == WM_APP + 32) ++Seen;
    return CallWindowProcW(Previous, Window, Msg, WParam, LParam);
  }
};

}  // namespace

TEST_CASE("a drop target that goes after another component subclassed the window leaves that component in place") {
  THostForm Host;
  const auto Own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Host.Handle(), GWLP_WNDPROC));
  const struct {
    const char* What;
    bool Later;  // another subclass comes after the drop target's
  } Cases[] = {{"nothing after it: the window's own procedure is back", false},
               {"a subclass after it: that subclass stays the window's procedure", true}};
  for (const auto& Case : Cases) {
    CAPTURE(Case.What);
    TLaterSubclass::Seen = 0;
    auto Drag = std::make_unique<TVKRFileDrag>(Host.Handle());
    if (Case.Later)
      TLaterSubclass::Previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
          Host.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TLaterSubclass::Proc)));
    Drag.reset();
    const LONG_PTR Current = GetWindowLongPtrW(Host.Handle(), GWLP_WNDPROC);
    CHECK(Current == reinterpret_cast<LONG_PTR>(Case.Later ? &TLaterSubclass::Proc : Own));
    CHECK_FALSE(AcceptsFiles(Host.Handle()));
    // Messages still pass through every procedure to the window's own.
    SendMessageW(Host.Handle(), WM_APP + 32, 0, 0);
    CHECK(TLaterSubclass::Seen == (Case.Later ? 1 : 0));
    CHECK(IsWindow(Host.Handle()));
    SetWindowTextW(Host.Handle(), L"still answered");
    wchar_t Text[32] = L"";
    GetWindowTextW(Host.Handle(), Text, 32);
    CHECK(std::wstring(Text) == L"still answered");
    if (Case.Later) SetWindowLongPtrW(Host.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TLaterSubclass::Previous));
  }
}
