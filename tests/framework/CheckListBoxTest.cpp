#include <doctest.h>

#include "ControlsTestRes.h"
#include "framework/Application.h"
#include "framework/CheckListBox.h"
#include "framework/Exception.h"
#include "framework/Graphics.h"
#include "framework/Text.h"
#include "support/HostForm.h"

#include <string>
#include <vector>

namespace {

using TStates = std::vector<TCheckBoxState>;
constexpr TCheckBoxState U = TCheckBoxState::cbUnchecked;
constexpr TCheckBoxState C = TCheckBoxState::cbChecked;
constexpr TCheckBoxState G = TCheckBoxState::cbGrayed;

const std::vector<std::wstring> KExtensions = {L"*.tmp", L"*.log", L"*.old", L"*.bak"};

TStates StatesOf(const TCheckListBox& List) {
  TStates States;
  for (int i = 0; i < List.Count(); ++i) States.push_back(List.State(i));
  return States;
}

POINT Centre(const RECT& Bounds) { return POINT{(Bounds.left + Bounds.right) / 2, (Bounds.top + Bounds.bottom) / 2}; }

void ClickAt(HWND Window, POINT At) {
  SendMessageW(Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(At.x, At.y));
  SendMessageW(Window, WM_LBUTTONUP, 0, MAKELPARAM(At.x, At.y));
}

void PressSpace(HWND Window) {
  SendMessageW(Window, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(Window, WM_CHAR, L' ', 0);
  SendMessageW(Window, WM_KEYUP, VK_SPACE, 0);
}

// The list box's client area as it paints itself into a bitmap.
class TSnapshot {
public:
  explicit TSnapshot(HWND Window) {
    RECT Client{};
    GetClientRect(Window, &Client);
    FWidth = Client.right;
    FHeight = Client.bottom;
    const HDC Screen = GetDC(nullptr);
    UniqueMemoryDC Memory(CreateCompatibleDC(Screen));
    UniqueGdi<HBITMAP> Bitmap(CreateCompatibleBitmap(Screen, FWidth, FHeight));
    ReleaseDC(nullptr, Screen);
    const HGDIOBJ Old = SelectObject(Memory.get(), Bitmap.get());
    // Whatever the control leaves unpainted stays plain background.
    const RECT Whole{0, 0, FWidth, FHeight};
    FillRect(Memory.get(), &Whole, GetSysColorBrush(COLOR_WINDOW));
    SendMessageW(Window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Memory.get()), PRF_CLIENT | PRF_ERASEBKGND);
    FPixels.resize(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight));
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) FPixels[static_cast<size_t>(y) * FWidth + x] = GetPixel(Memory.get(), x, y);
    SelectObject(Memory.get(), Old);
  }

  COLORREF At(int X, int Y) const { return FPixels[static_cast<size_t>(Y) * FWidth + X]; }

  // Pixels of Area that differ between the two snapshots.
  int Differences(const TSnapshot& Other, const RECT& Area) const {
    int Count = 0;
    for (int y = Area.top; y < Area.bottom; ++y)
      for (int x = Area.left; x < Area.right; ++x) Count += At(x, y) != Other.At(x, y) ? 1 : 0;
    return Count;
  }

  // Pixels of Area that are not Colour.
  int OtherThan(COLORREF Colour, const RECT& Area) const {
    int Count = 0;
    for (int y = Area.top; y < Area.bottom; ++y)
      for (int x = Area.left; x < Area.right; ++x) Count += At(x, y) != Colour ? 1 : 0;
    return Count;
  }

private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<COLORREF> FPixels;
};

void CheckItemsAndMarks(TCheckListBox& List) {
  List.SetItems(KExtensions);
  CHECK(List.Items() == KExtensions);
  CHECK(StatesOf(List) == TStates{U, U, U, U});

  List.SetChecked(1, true);
  List.SetState(2, G);
  CHECK(StatesOf(List) == TStates{U, C, G, U});
  // Greyed is not checked.
  CHECK(List.Checked(1));
  CHECK_FALSE(List.Checked(2));
  List.SetChecked(2, false);
  CHECK(List.State(2) == U);

  // Replacing the items drops every earlier mark.
  List.SetItems({L"*.log", L"*.tmp"});
  CHECK(List.Items() == std::vector<std::wstring>{L"*.log", L"*.tmp"});
  CHECK(StatesOf(List) == TStates{U, U});
  CHECK(List.Add(L"*.bak", C) == 2);
  CHECK(StatesOf(List) == TStates{U, U, C});
  CHECK(List.Item(2) == L"*.bak");

  for (int Index : {-1, 3, 100}) {
    CAPTURE(Index);
    CHECK_THROWS_AS(List.State(Index), EListError);
    CHECK_THROWS_AS(List.SetState(Index, C), EListError);
    CHECK_THROWS_AS(List.Item(Index), EListError);
  }

  List.SetItems({});
  CHECK(List.Count() == 0);
}

void CheckUserToggles(TCheckListBox& List) {
  List.SetItems(KExtensions);
  int Clicks = 0;
  List.OnClickCheck = [&](TObject* Sender) {
    CHECK(Sender == &List);
    ++Clicks;
  };
  const HWND Box = List.Handle();

  ClickAt(Box, Centre(List.CheckBoxRect(2)));
  CHECK(StatesOf(List) == TStates{U, U, C, U});
  ClickAt(Box, Centre(List.CheckBoxRect(2)));
  CHECK(StatesOf(List) == TStates{U, U, U, U});
  CHECK(Clicks == 2);

  // A click on the text selects without touching the mark.
  const RECT Mark = List.CheckBoxRect(1);
  ClickAt(Box, POINT{Mark.right + 40, Centre(Mark).y});
  CHECK(List.ItemIndex() == 1);
  CHECK(StatesOf(List) == TStates{U, U, U, U});
  CHECK(Clicks == 2);

  // Space acts on the focused item.
  PressSpace(Box);
  CHECK(StatesOf(List) == TStates{U, C, U, U});
  List.SetItemIndex(3);
  PressSpace(Box);
  CHECK(StatesOf(List) == TStates{U, C, U, C});
  CHECK(Clicks == 4);

  // Below the last item there is nothing to toggle.
  RECT Client{};
  GetClientRect(Box, &Client);
  REQUIRE(List.CheckBoxRect(3).bottom < Client.bottom - 4);
  ClickAt(Box, POINT{Centre(Mark).x, Client.bottom - 2});
  CHECK(StatesOf(List) == TStates{U, C, U, C});

  List.SetAllowGrayed(true);
  TStates Seen;
  for (int i = 0; i < 3; ++i) {
    ClickAt(Box, Centre(List.CheckBoxRect(0)));
    Seen.push_back(List.State(0));
  }
  CHECK(Seen == TStates{C, G, U});
  List.SetAllowGrayed(false);
  List.OnClickCheck = nullptr;
}

void CheckDrawing(TCheckListBox& List) {
  List.SetItems({L"*.tmp", L"*.log"});
  const RECT Mark = List.CheckBoxRect(0);
  const TSnapshot Unchecked(List.Handle());
  List.SetState(0, C);
  const TSnapshot Checked(List.Handle());
  List.SetState(0, G);
  const TSnapshot Greyed(List.Handle());

  // The parent form hands the painting to the control: box and text appear.
  const COLORREF Background = GetSysColor(COLOR_WINDOW);
  CHECK(Unchecked.OtherThan(Background, Mark) > 0);
  RECT Text = Mark;
  Text.left = Mark.right + 2;
  Text.right = Text.left + 40;
  CHECK(Unchecked.OtherThan(Background, Text) > 0);

  CHECK(Checked.Differences(Unchecked, Mark) > 0);
  CHECK(Greyed.Differences(Unchecked, Mark) > 0);
  CHECK(Greyed.Differences(Checked, Mark) > 0);
  // Only the item that changed looks different.
  CHECK(Checked.Differences(Unchecked, List.CheckBoxRect(1)) == 0);

  // A disabled box shows its marks and texts dimmed.
  List.SetEnabled(false);
  const TSnapshot Disabled(List.Handle());
  List.SetEnabled(true);
  CHECK(Disabled.Differences(Greyed, Mark) > 0);
  CHECK(Disabled.Differences(Greyed, Text) > 0);
}

}  // namespace

TEST_CASE("a check list box made in code") {
  THostForm Form;
  TCheckListBox List;
  List.Create(Form.Handle(), 201);
  List.SetBounds(10, 10, 220, 200);
  Form.RegisterControl(List);

  SUBCASE("items and marks") { CheckItemsAndMarks(List); }
  SUBCASE("mouse and space bar toggle the marks") { CheckUserToggles(List); }
  SUBCASE("painting") { CheckDrawing(List); }

  SUBCASE("rows grow with the font") {
    List.SetItems(KExtensions);
    const auto Before = SendMessageW(List.Handle(), LB_GETITEMHEIGHT, 0, 0);
    TFont Large;
    Large.SetSize(24);
    List.SetFont(Large.Handle());
    const auto After = SendMessageW(List.Handle(), LB_GETITEMHEIGHT, 0, 0);
    CHECK(After > Before);
    CHECK(List.CheckBoxRect(1).top >= static_cast<LONG>(After));
  }

  SUBCASE("the context menu event gets the place, from the mouse or the keyboard") {
    List.SetItems(KExtensions);
    POINT Seen{-5, -5};
    int Calls = 0;
    List.OnContextPopup = [&](TObject* Sender, POINT MousePos, bool& Handled) {
      CHECK(Sender == &List);
      CHECK_FALSE(Handled);
      Seen = MousePos;
      ++Calls;
      Handled = true;
    };
    SendMessageW(List.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List.Handle()), MAKELPARAM(300, 200));
    CHECK(Calls == 1);
    CHECK(Seen.x == 300);
    CHECK(Seen.y == 200);

    List.SetItemIndex(2);
    SendMessageW(List.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List.Handle()), static_cast<LPARAM>(-1));
    RECT Row{};
    SendMessageW(List.Handle(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&Row));
    POINT Expected{Row.left, Row.bottom};
    ClientToScreen(List.Handle(), &Expected);
    CHECK(Calls == 2);
    CHECK(Seen.x == Expected.x);
    CHECK(Seen.y == Expected.y);
  }

  SUBCASE("the popup menu's commands reach the form") {
    constexpr int KCheckAll = 501, KUncheckAll = 502;
    UniqueMenu Menu(CreatePopupMenu());
    AppendMenuW(Menu.get(), MF_STRING, KCheckAll, L"Check All");
    AppendMenuW(Menu.get(), MF_STRING, KUncheckAll, L"Uncheck All");
    List.SetPopupMenu(Menu.get());
    std::vector<int> Commands;
    Form.BindCommand(KCheckAll, [&] { Commands.push_back(KCheckAll); });
    Form.BindCommand(KUncheckAll, [&] { Commands.push_back(KUncheckAll); });
    ShowWindow(Form.Handle(), SW_SHOWNOACTIVATE);

    // The menu's own loop reads the keys waiting in the queue: the second
    // item is chosen. A timer closes the menu should the keys go astray.
    const HWND Box = List.Handle();
    for (WPARAM Key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      PostMessageW(Box, WM_KEYDOWN, Key, 0);
      PostMessageW(Box, WM_KEYUP, Key, 0);
    }
    const UINT_PTR Guard = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    SendMessageW(Box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Box), MAKELPARAM(100, 100));
    KillTimer(nullptr, Guard);
    Application().ProcessMessages();
    CHECK(Commands == std::vector<int>{KUncheckAll});
  }
}

TEST_CASE("a check list box of a dialog template") {
  THostForm Form(IDD_CONTROLS_TEST);
  TCheckListBox List;
  Form.AttachControl(List, IDC_TEST_CHECKLIST);

  SUBCASE("items and marks") { CheckItemsAndMarks(List); }
  SUBCASE("mouse and space bar toggle the marks") { CheckUserToggles(List); }
  SUBCASE("painting") { CheckDrawing(List); }

  SUBCASE("a list box that is not owner-drawn is refused") {
    TCheckListBox Plain;
    CHECK_THROWS_AS(Form.AttachControl(Plain, IDC_TEST_PLAINLIST), Exception);
  }
}

TEST_CASE("a check list box outlives or predeceases its window safely") {
  THostForm Form;
  {
    TCheckListBox Early;
    Early.Create(Form.Handle(), 301);
    Early.SetItems(KExtensions);
  }
  // The window stays, without its wrapper: input no longer reaches a dead object.
  const HWND Orphan = GetDlgItem(Form.Handle(), 301);
  REQUIRE(Orphan != nullptr);
  PressSpace(Orphan);
  ClickAt(Orphan, POINT{8, 8});

  TCheckListBox Late;
  Late.Create(Form.Handle(), 302);
  DestroyWindow(Late.Handle());
}
