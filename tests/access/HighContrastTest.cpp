// Under a high-contrast scheme, or any system colours a person chose, the
// program draws with the system's colours: folder rows in the window text
// colour (grey text for empty folders), the About links in the link colour.
#include <doctest.h>

#include "app/MainWindowFixture.h"
#include "common/VKRAbout.h"
#include "common/VKRAboutDialog.h"
#include "framework/Application.h"
#include "framework/Handle.h"
#include "framework/Text.h"
#include "support/ModalAnswer.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

// Sets system colours for the test and puts the old ones back. The colours
// belong to the test's private Wine prefix.
class TSystemColors {
public:
  TSystemColors(std::vector<int> Elements, std::vector<COLORREF> Colors) : FElements(std::move(Elements)) {
    for (int Element : FElements) FSaved.push_back(GetSysColor(Element));
    REQUIRE(SetSysColors(static_cast<int>(FElements.size()), FElements.data(), Colors.data()));
  }
  ~TSystemColors() { SetSysColors(static_cast<int>(FElements.size()), FElements.data(), FSaved.data()); }
  TSystemColors(const TSystemColors&) = delete;
  TSystemColors& operator=(const TSystemColors&) = delete;

private:
  std::vector<int> FElements;
  std::vector<COLORREF> FSaved;
};

// What the list's owner answers when the list is about to draw a row.
COLORREF RowTextColor(TForm1& Form, int Row) {
  const HWND List = Form.VKRListView1.Handle();
  NMLVCUSTOMDRAW Draw{};
  Draw.nmcd.hdr.hwndFrom = List;
  Draw.nmcd.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(List));
  Draw.nmcd.hdr.code = NM_CUSTOMDRAW;
  Draw.nmcd.dwDrawStage = CDDS_PREPAINT;
  const LRESULT Asks = SendMessageW(Form.Handle(), WM_NOTIFY, Draw.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&Draw));
  REQUIRE((Asks & CDRF_NOTIFYITEMDRAW) != 0);
  Draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  Draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(Row);
  Draw.clrText = CLR_DEFAULT;
  SendMessageW(Form.Handle(), WM_NOTIFY, Draw.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&Draw));
  return Draw.clrText;
}

// Pixels of exactly Color inside the row, as the list paints itself.
int PixelsOfColor(HWND List, int Row, COLORREF Color) {
  RECT Client{};
  GetClientRect(List, &Client);
  RECT RowBounds{};
  RowBounds.left = LVIR_BOUNDS;
  if (!SendMessageW(List, LVM_GETITEMRECT, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&RowBounds))) return -1;
  const TWindowDC Screen(List);
  UniqueMemoryDC Memory(CreateCompatibleDC(Screen.get()));
  UniqueGdi<HBITMAP> Bitmap(CreateCompatibleBitmap(Screen.get(), Client.right, Client.bottom));
  const HGDIOBJ Old = SelectObject(Memory.get(), Bitmap.get());
  SendMessageW(List, WM_PRINT, reinterpret_cast<WPARAM>(Memory.get()), PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  int Count = 0;
  for (int y = std::max(0L, RowBounds.top); y < std::min(Client.bottom, RowBounds.bottom); ++y)
    for (int x = 0; x < Client.right; ++x)
      if (GetPixel(Memory.get(), x, y) == Color) ++Count;
  SelectObject(Memory.get(), Old);
  return Count;
}

}  // namespace

TEST_CASE("folder rows are drawn in the system's text colours") {
  TMainWindowFixture F;
  F.Temp.MakeFile(L"full\\a.tmp", 5000);
  F.Start({L"empty", L"full"});
  F.Scan();
  F.Form1->AddFolderToVKRListView(F.Temp.MakeDir(L"new"), true);
  REQUIRE(F.Form1->VKRListView1.Count() == 3);

  // Colours no default scheme uses, so a constant in the code cannot pass by chance.
  const COLORREF Text = RGB(0xFF, 0xFF, 0x00);
  const COLORREF Grey = RGB(0x00, 0xC0, 0xFF);
  const COLORREF Back = RGB(0x20, 0x00, 0x40);
  const TSystemColors Scheme({COLOR_WINDOWTEXT, COLOR_GRAYTEXT, COLOR_WINDOW}, {Text, Grey, Back});
  SendMessageW(F.Form1->VKRListView1.Handle(), LVM_SETTEXTBKCOLOR, 0, CLR_NONE);
  SendMessageW(F.Form1->VKRListView1.Handle(), LVM_SETBKCOLOR, 0, Back);

  struct TCase {
    std::wstring Folder;
    std::wstring Size;
    COLORREF Expected;
  };
  const std::vector<TCase> Cases = {
      {L"empty", L"0 KB", Grey}, {L"full", L"4 KB", Text}, {L"new", L"? KB", Text}};
  F.Form1->Show();
  Application().ProcessMessages();
  for (const TCase& Case : Cases) {
    CAPTURE(WideToUtf8(Case.Folder));
    int Row = -1;
    for (int i = 0; i < F.Form1->VKRListView1.Count(); ++i)
      if (F.Form1->VKRListView1.Item(i).Caption() == F.Temp / Case.Folder) Row = i;
    REQUIRE(Row >= 0);
    CHECK(F.Form1->VKRListView1.Item(Row).SubItem(2) == Case.Size);
    CHECK(RowTextColor(*F.Form1, Row) == Case.Expected);
    // And the list really paints the row's text in it.
    CHECK(PixelsOfColor(F.Form1->VKRListView1.Handle(), Row, Case.Expected) > 0);
  }
  F.Form1->Hide();
}

TEST_CASE("the About links take the system's link colour and answer Tab and Enter") {
  const TSystemColors Scheme({COLOR_HOTLIGHT}, {RGB(0x00, 0xFF, 0x80)});
  TVKRAboutDialog Dialog;
  Dialog.SetEmail(L"someone@example.com");
  Dialog.SetURL(L"https://example.com/");
  std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();

  for (TAboutStatic* Link : {&Box->EmailLabel, &Box->URLLabel}) {
    const UniqueMemoryDC DC(CreateCompatibleDC(nullptr));
    SendMessageW(Box->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(DC.get()),
                 reinterpret_cast<LPARAM>(Link->Handle()));
    CHECK(GetTextColor(DC.get()) == RGB(0x00, 0xFF, 0x80));
  }

  std::vector<std::wstring> Clicked;
  Box->EmailLabel.OnClick = [&](TObject*) { Clicked.push_back(L"email"); };
  Box->URLLabel.OnClick = [&](TObject*) { Clicked.push_back(L"url"); };
  TModalAnswer Answer(*Box, [&](TForm&) {
    // Tab from OK goes round to the two links, in their order.
    Box->OKButton.SetFocus();
    const HWND AfterOK = GetNextDlgTabItem(Box->Handle(), Box->OKButton.Handle(), FALSE);
    CHECK(AfterOK == Box->EmailLabel.Handle());
    CHECK(GetNextDlgTabItem(Box->Handle(), AfterOK, FALSE) == Box->URLLabel.Handle());
    for (TAboutStatic* Link : {&Box->EmailLabel, &Box->URLLabel}) {
      Link->SetFocus();
      MSG Enter{};
      Enter.hwnd = Link->Handle();
      Enter.message = WM_KEYDOWN;
      Enter.wParam = VK_RETURN;
      Enter.lParam = 1;
      Application().Deliver(Enter);
    }
    // Enter followed the links; it did not close the box by its default button.
    CHECK(Box->ModalResult() == mrNone);
    Box->OKButton.Click();
  });
  Box->ShowModal();
  CHECK(Answer.Answered());
  CHECK(Clicked == std::vector<std::wstring>{L"email", L"url"});
}
