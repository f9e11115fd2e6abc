#include <doctest.h>

#include "ControlsTestRes.h"
#include "framework/UpDown.h"
#include "support/HostForm.h"

#include <string>

namespace {

std::wstring TextOf(HWND Window) {
  wchar_t Buffer[64] = L"";
  GetWindowTextW(Window, Buffer, 64);
  return Buffer;
}

HWND MakeEdit(HWND Parent, int Id) {
  return CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_NUMBER, 10, 10, 60, 22, Parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), GetModuleHandleW(nullptr), nullptr);
}

// The checks every up-down of the program needs, whichever way it was made.
void CheckPositionFollowsRangeAndEdit(TUpDown& UpDown, HWND Edit) {
  REQUIRE(UpDown.Associate() == Edit);
  UpDown.SetRange(0, 128);
  CHECK(UpDown.Min() == 0);
  CHECK(UpDown.Max() == 128);

  struct TCase {
    int Set;
    int Expected;
  };
  for (const TCase& Case : {TCase{8, 8}, TCase{0, 0}, TCase{128, 128}, TCase{129, 128}, TCase{-1, 0},
                            TCase{100000, 128}}) {
    CAPTURE(Case.Set);
    UpDown.SetPosition(Case.Set);
    CHECK(UpDown.Position() == Case.Expected);
    CHECK(TextOf(Edit) == std::to_wstring(Case.Expected));
  }

  // What the user types counts; the arrow keys in the edit step from there.
  SetWindowTextW(Edit, L"42");
  CHECK(UpDown.Position() == 42);
  SendMessageW(Edit, WM_KEYDOWN, VK_UP, 0);
  SendMessageW(Edit, WM_KEYUP, VK_UP, 0);
  CHECK(UpDown.Position() == 43);
  CHECK(TextOf(Edit) == L"43");
  UpDown.SetPosition(128);
  SendMessageW(Edit, WM_KEYDOWN, VK_UP, 0);
  SendMessageW(Edit, WM_KEYUP, VK_UP, 0);
  CHECK(UpDown.Position() == 128);
}

}  // namespace

TEST_CASE("an up-down made in code keeps its position in range and shows it in its edit") {
  THostForm Form;
  const HWND Edit = MakeEdit(Form.Handle(), 101);
  REQUIRE(Edit != nullptr);
  SetWindowTextW(Edit, L"77");
  TUpDown UpDown;
  UpDown.Create(Form.Handle(), 102, Edit);
  // The edit shows the up-down's position, not what it held before.
  CHECK(TextOf(Edit) == L"0");
  CheckPositionFollowsRangeAndEdit(UpDown, Edit);

  UpDown.SetAssociate(nullptr);
  CHECK(UpDown.Associate() == nullptr);
  UpDown.SetPosition(5);
  CHECK(UpDown.Position() == 5);
  CHECK(TextOf(Edit) == L"128");
}

TEST_CASE("an up-down of a dialog template works once attached") {
  THostForm Form(IDD_CONTROLS_TEST);
  TUpDown UpDown;
  Form.AttachControl(UpDown, IDC_TEST_UPDOWN);
  CheckPositionFollowsRangeAndEdit(UpDown, GetDlgItem(Form.Handle(), IDC_TEST_EDIT));
}
