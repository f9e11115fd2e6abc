// Every DPI: pictures drawn for the size the DPI asks, windows that follow a
// change of DPI (bounds, font, columns, toolbar) and stay inside the work
// area, labels that fit their controls. A DPI is given to the code as a
// number, as WM_DPICHANGED gives it, so 144 and 192 are checked on any screen.
#include <doctest.h>

#include "app/FilesView.h"
#include "app/MainWindowFixture.h"
#include "common/VKRAbout.h"
#include "common/VKRAboutDialog.h"
#include "framework/Accessible.h"
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Handle.h"
#include "framework/MenuImages.h"
#include "framework/Text.h"
#include "resources/MainRes.h"
#include "update/VKRAppUpdateDownload.h"
#include "update/VKRAppUpdateNotify.h"
#include "support/ModalAnswer.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct TDpiCase {
  int Dpi;
  int Pictures;  // the picture size for a 16 or 18 pixel design
  int Button;    // a 26 pixel toolbar button
};
const std::vector<TDpiCase> KDpiCases = {{96, 16, 26}, {144, 24, 39}, {192, 32, 52}};

SIZE BitmapSize(int Id) {
  UniqueGdi<HBITMAP> Bitmap(static_cast<HBITMAP>(
      LoadImageW(Application().HInstance(), MAKEINTRESOURCEW(Id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP Info{};
  if (!Bitmap || GetObjectW(Bitmap.get(), sizeof(Info), &Info) == 0) return SIZE{0, 0};
  return SIZE{Info.bmWidth, Info.bmHeight};
}

RECT WorkAreaOf(HWND Window) {
  MONITORINFO Monitor{};
  Monitor.cbSize = sizeof(Monitor);
  GetMonitorInfoW(MonitorFromWindow(Window, MONITOR_DEFAULTTONEAREST), &Monitor);
  return Monitor.rcWork;
}

void CheckInsideWorkArea(HWND Window) {
  RECT Bounds{};
  GetWindowRect(Window, &Bounds);
  const RECT Work = WorkAreaOf(Window);
  CHECK(Bounds.left >= Work.left);
  CHECK(Bounds.top >= Work.top);
  CHECK(Bounds.right <= Work.right);
  CHECK(Bounds.bottom <= Work.bottom);
}

// The window's bounds as the system suggests them for a new DPI: the same
// top left corner, the size scaled.
RECT Suggested(HWND Window, int OldDpi, int NewDpi) {
  RECT Bounds{};
  GetWindowRect(Window, &Bounds);
  return RECT{Bounds.left, Bounds.top, Bounds.left + MulDiv(Bounds.right - Bounds.left, NewDpi, OldDpi),
              Bounds.top + MulDiv(Bounds.bottom - Bounds.top, NewDpi, OldDpi)};
}

// The window as it looks, written as a 24-bit bitmap file for a person to see.
bool SavePicture(HWND Window, const std::wstring& Path) {
  RECT Bounds{};
  GetWindowRect(Window, &Bounds);
  const int Width = Bounds.right - Bounds.left, Height = Bounds.bottom - Bounds.top;
  const TWindowDC Screen(nullptr);
  UniqueMemoryDC Memory(CreateCompatibleDC(Screen.get()));
  BITMAPINFO Format{};
  Format.bmiHeader.biSize = sizeof(Format.bmiHeader);
  Format.bmiHeader.biWidth = Width;
  Format.bmiHeader.biHeight = Height;
  Format.bmiHeader.biPlanes = 1;
  Format.bmiHeader.biBitCount = 24;
  void* Bits = nullptr;
  UniqueGdi<HBITMAP> Bitmap(CreateDIBSection(Memory.get(), &Format, DIB_RGB_COLORS, &Bits, nullptr, 0));
  if (!Bitmap) return false;
  const HGDIOBJ Old = SelectObject(Memory.get(), Bitmap.get());
  // Wine's PrintWindow paints only the background: copy from the screen,
  // where the window lies on top once it has painted.
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Application().ProcessMessages();
  const bool Printed = BitBlt(Memory.get(), 0, 0, Width, Height, Screen.get(), Bounds.left, Bounds.top, SRCCOPY) != FALSE;
  SelectObject(Memory.get(), Old);
  if (!Printed) return false;
  const DWORD Stride = (static_cast<DWORD>(Width) * 3 + 3) & ~3u;
  const DWORD ImageBytes = Stride * static_cast<DWORD>(Height);
  BITMAPFILEHEADER File{};
  File.bfType = 0x4D42;
  File.bfOffBits = sizeof(File) + sizeof(BITMAPINFOHEADER);
  File.bfSize = File.bfOffBits + ImageBytes;
  std::ofstream Out(Path.c_str(), std::ios::binary);
  Out.write(reinterpret_cast<const char*>(&File), sizeof(File));
  Out.write(reinterpret_cast<const char*>(&Format.bmiHeader), sizeof(BITMAPINFOHEADER));
  Out.write(static_cast<const char*>(Bits), ImageBytes);
  return Out.good();
}

// The character height of a font in pixels; 0 for no font.
int FontHeight(HFONT Font) {
  LOGFONTW Info{};
  if (Font == nullptr || GetObjectW(Font, sizeof(Info), &Info) == 0) return 0;
  return std::abs(static_cast<int>(Info.lfHeight));
}

// The font heights of the tooltip windows the form owns, in the order the
// system lists them.
std::vector<int> TooltipFontHeights(HWND Form) {
  struct TState {
    HWND Form;
    std::vector<int> Heights;
  } State{Form, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND Window, LPARAM Param) -> BOOL {
        auto& Enum = *reinterpret_cast<TState*>(Param);
        wchar_t Class[32] = L"";
        GetClassNameW(Window, Class, 32);
        if (GetWindow(Window, GW_OWNER) == Enum.Form && _wcsicmp(Class, TOOLTIPS_CLASSW) == 0)
          Enum.Heights.push_back(FontHeight(reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0))));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&State));
  return State.Heights;
}

std::wstring ProgramFolder() {
  wchar_t Path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, Path, MAX_PATH);
  std::wstring Folder = Path;
  return Folder.substr(0, Folder.find_last_of(L'\\') + 1);
}

}  // namespace

TEST_CASE("the pictures are drawn in the size each DPI asks for") {
  for (const TDpiCase& Case : KDpiCases) {
    CAPTURE(Case.Dpi);
    CHECK(PictureSizeForDpi(18, Case.Dpi) == Case.Pictures);
    CHECK(PictureSizeForDpi(16, Case.Dpi) == Case.Pictures);
    struct TStrip {
      int SizedBase;
      int Images;
    };
    for (const TStrip& Strip : {TStrip{IDB_TOOLBAR_SIZED, 9}, TStrip{IDB_FOLDERLIST_SIZED, 1},
                                TStrip{IDB_POPUPIMAGES_SIZED, 5}}) {
      CAPTURE(Strip.SizedBase);
      const SIZE Size = BitmapSize(PictureStripId(Strip.SizedBase, Case.Pictures));
      CHECK(Size.cx == Case.Pictures * Strip.Images);
      CHECK(Size.cy == Case.Pictures);
    }
  }
  // Every drawn size exists for every strip.
  for (int Size : PictureSizes)
    for (int Base : {IDB_TOOLBAR_SIZED, IDB_FOLDERLIST_SIZED, IDB_POPUPIMAGES_SIZED}) {
      CAPTURE(Size);
      CHECK(BitmapSize(PictureStripId(Base, Size)).cy == Size);
    }
}

TEST_CASE("the main window follows each DPI: toolbar, list and menu pictures, font, columns, work area") {
  TMainWindowFixture F;
  F.Start({L"one", L"two"});
  F.Form1->Show();
  Application().ProcessMessages();
  const int StartDpi = F.Form1->PixelsPerInch();
  REQUIRE(StartDpi == 96);  // the test prefix's screen; the cases below start from it

  // What the window was made with at its own DPI.
  const HWND Window = F.Form1->Handle();
  int ListWidth = 0, ListHeight = 0;
  REQUIRE(ImageList_GetIconSize(F.Form1->VKRListView1.SmallImages(), &ListWidth, &ListHeight));
  CHECK(ListWidth == 16);
  CHECK(F.Form1->ToolBar1.ImageSize() == 16);
  for (int Command : {IDM_ADDFOLDER, IDM_SCAN, IDM_ABOUT}) {
    CAPTURE(Command);
    const HBITMAP Picture = TMenuImages::ItemBitmap(GetMenu(Window), Command);
    BITMAP Info{};
    REQUIRE(GetObjectW(Picture, sizeof(Info), &Info) != 0);
    CHECK(Info.bmWidth == 16);
    // The corner is background: the menu's colour, not black.
    const UniqueMemoryDC DC(CreateCompatibleDC(nullptr));
    const HGDIOBJ Old = SelectObject(DC.get(), Picture);
    CHECK(GetPixel(DC.get(), 0, 0) == GetSysColor(COLOR_MENU));
    SelectObject(DC.get(), Old);
  }

  const int LocationWidth = F.Form1->VKRListView1.ColumnWidth(0);
  const int TipHeightAt96 = FontHeight(reinterpret_cast<HFONT>(
      SendMessageW(reinterpret_cast<HWND>(SendMessageW(F.Form1->ToolBar1.Handle(), TB_GETTOOLTIPS, 0, 0)), WM_GETFONT,
                   0, 0)));
  REQUIRE(TipHeightAt96 > 0);
  int Previous = StartDpi;
  for (const TDpiCase& Case : KDpiCases) {
    CAPTURE(Case.Dpi);
    const RECT Asked = Suggested(Window, Previous, Case.Dpi);
    SendMessageW(Window, WM_DPICHANGED, MAKEWPARAM(Case.Dpi, Case.Dpi), reinterpret_cast<LPARAM>(&Asked));
    Previous = Case.Dpi;
    CHECK(F.Form1->PixelsPerInch() == Case.Dpi);
    CHECK(F.Form1->ToolBar1.ImageSize() == Case.Pictures);
    int RowPicture = 0, RowPictureHeight = 0;
    REQUIRE(ImageList_GetIconSize(F.Form1->VKRListView1.SmallImages(), &RowPicture, &RowPictureHeight));
    CHECK(RowPicture == Case.Pictures);
    // The sort arrow stays in the Location header.
    CHECK(F.Form1->VKRListView1.ColumnImage(0) >= 0);
    const LRESULT Button = SendMessageW(F.Form1->ToolBar1.Handle(), TB_GETBUTTONSIZE, 0, 0);
    CHECK(LOWORD(Button) >= Case.Button);
    // The other columns keep their scaled widths; the first gives way so that all fit.
    const HWND List = F.Form1->VKRListView1.Handle();
    RECT ListClient{};
    GetClientRect(List, &ListClient);
    int Total = 0;
    for (int Column = 0; Column < F.Form1->VKRListView1.ColumnCount(); ++Column)
      Total += F.Form1->VKRListView1.ColumnWidth(Column);
    CHECK(Total <= ListClient.right);
    CHECK(F.Form1->VKRListView1.ColumnWidth(0) <= MulDiv(LocationWidth, Case.Dpi, 96));
    CHECK(F.Form1->VKRListView1.ColumnWidth(3) == MulDiv(100, Case.Dpi, 96));
    LOGFONTW Font{};
    GetObjectW(F.Form1->Font().Handle(), sizeof(Font), &Font);
    CHECK(-Font.lfHeight == MulDiv(F.Form1->Font().Size(), Case.Dpi, 72));
    // Toolbar, list, progress bar and status bar stack up without gap or overlap at once.
    const auto BoundsIn = [Window](HWND Control) {
      RECT Bounds{};
      GetWindowRect(Control, &Bounds);
      MapWindowPoints(nullptr, Window, reinterpret_cast<POINT*>(&Bounds), 2);
      return Bounds;
    };
    const RECT Tools = BoundsIn(F.Form1->ToolBar1.Handle());
    const RECT Rows = BoundsIn(F.Form1->VKRListView1.Handle());
    const RECT Progress = BoundsIn(F.Form1->ProgressBar1.Handle());
    const RECT Status = BoundsIn(F.Form1->StatusBar1.Handle());
    CHECK(Rows.top == Tools.bottom);
    CHECK(Progress.top == Rows.bottom);
    CHECK(Status.top == Progress.bottom);
    CHECK(Progress.bottom - Progress.top == MulDiv(16, Case.Dpi, 96));
    // The menus and the list's popup menu show pictures of the new size at once.
    for (const TMenuItem* Item : {&F.Form1->AddFolder1, &F.Form1->Scan1, &F.Form1->About1, &F.Form1->ExploreFolder1,
                                  &F.Form1->RemoveFolder2}) {
      CAPTURE(Item->Caption());
      BITMAP Info{};
      REQUIRE(GetObjectW(TMenuImages::ItemBitmap(Item->Menu(), Item->CommandId()), sizeof(Info), &Info) != 0);
      CHECK(Info.bmWidth == Case.Pictures);
      CHECK(Info.bmHeight == Case.Pictures);
    }
    // Every button's tooltip lies over that button, in a font for the DPI.
    const HWND Bar = F.Form1->ToolBar1.Handle();
    const auto Tips = reinterpret_cast<HWND>(SendMessageW(Bar, TB_GETTOOLTIPS, 0, 0));
    REQUIRE(Tips != nullptr);
    const int Buttons = static_cast<int>(SendMessageW(Bar, TB_BUTTONCOUNT, 0, 0));
    for (int Index = 0; Index < Buttons; ++Index) {
      TBBUTTON Button{};
      SendMessageW(Bar, TB_GETBUTTON, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Button));
      if ((Button.fsStyle & BTNS_SEP) != 0) continue;
      CAPTURE(Button.idCommand);
      RECT Item{};
      SendMessageW(Bar, TB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Item));
      TTTOOLINFOW Tool{};
      Tool.cbSize = sizeof(Tool);
      Tool.hwnd = Bar;
      Tool.uId = static_cast<UINT_PTR>(Button.idCommand);
      REQUIRE(SendMessageW(Tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&Tool)));
      CHECK(EqualRect(&Tool.rect, &Item));
    }
    const int TipHeight = FontHeight(reinterpret_cast<HFONT>(SendMessageW(Tips, WM_GETFONT, 0, 0)));
    CHECK(std::abs(TipHeight - MulDiv(TipHeightAt96, Case.Dpi, 96)) <= 1);
    // Shown again, the window lies inside the work area even when the
    // suggested size is larger than the screen.
    F.Form1->Hide();
    F.Form1->Show();
    Application().ProcessMessages();
    CheckInsideWorkArea(Window);
    CHECK(SavePicture(Window, ProgramFolder() + L"main-window-" + std::to_wstring(Case.Dpi) + L"dpi.bmp"));
  }
  F.Form1->Hide();
}

TEST_CASE("every dialog lies inside the work area at every DPI, View Files too") {
  TMainWindowFixture F;
  F.Start({L"one"});
  F.Form1->VKRListView1.Item(0).SetSelected(true);
  std::unique_ptr<TVKRAboutBox> About = F.Form1->VKRAboutDialog1.CreateAboutBox();
  struct TDialog {
    std::string Name;
    TForm* Form;
    std::function<void()> Show;
  };
  TFilesViewForm& View = F.Form1->FilesView();
  TVKRAppUpdateNotifyBox Notify;
  TVKRAppUpdateDownloadBox Download(F.Form1->Handle());
  const std::vector<TDialog> Dialogs = {
      {"New Version", &Notify, [&] { Notify.ShowModal(); }},
      {"Download", &Download, [&] { Download.ShowModal(); }},
      {"Options", F.Form2, [&] { F.Form2->ShowModal(); }},
      {"Statistics", F.Form3.get(), [&] { F.Form3->ShowModal(); }},
      {"About", About.get(), [&] { About->ShowModal(); }},
      {"View Files", &View, [&] { F.Form1->ViewFiles1Click(F.Form1.get()); }},
  };
  for (const TDialog& Dialog : Dialogs) {
    CAPTURE(Dialog.Name);
    int Previous = Dialog.Form->PixelsPerInch();
    const std::vector<int> TipsAt96 = TooltipFontHeights(Dialog.Form->Handle());
    if (Dialog.Name == "Options" || Dialog.Name == "About") CHECK_FALSE(TipsAt96.empty());
    for (int Height : TipsAt96) CHECK(Height > 0);
    for (const TDpiCase& Case : KDpiCases) {
      CAPTURE(Case.Dpi);
      // Far towards the bottom right, as a window dragged there and grown by the DPI.
      RECT Asked = Suggested(Dialog.Form->Handle(), Previous, Case.Dpi);
      OffsetRect(&Asked, 900 - Asked.left, 700 - Asked.top);
      Dialog.Form->ChangeDpi(Case.Dpi, Asked);
      Previous = Case.Dpi;
      // Its tooltips (the IE button's, the About logos') speak in a font for the DPI.
      const std::vector<int> Tips = TooltipFontHeights(Dialog.Form->Handle());
      REQUIRE(Tips.size() == TipsAt96.size());
      for (size_t Tip = 0; Tip < Tips.size(); ++Tip)
        CHECK(std::abs(Tips[Tip] - MulDiv(TipsAt96[Tip], Case.Dpi, 96)) <= 1);
      TModalAnswer Answer(*Dialog.Form, [&](TForm& Form) {
        CheckInsideWorkArea(Form.Handle());
        // For a person to look at, beside the main window's pictures.
        std::wstring File = Utf8ToWide(Dialog.Name);
        std::replace(File.begin(), File.end(), L' ', L'-');
        CHECK(SavePicture(Form.Handle(), ProgramFolder() + File + L"-" + std::to_wstring(Case.Dpi) + L"dpi.bmp"));
        Form.SetModalResult(mrCancel);
      });
      Dialog.Show();
      CHECK(Answer.Answered());
    }
  }
}

TEST_CASE("the About logos are drawn for each DPI and the window is laid out around them") {
  TVKRAboutDialog Dialog;
  Dialog.SetOptions(TVKRAboutDialogOptions::AllBut(TVKRAboutDialogOption::opShowWindowsLogo));
  Dialog.SetURL(L"https://example.com/");
  std::unique_ptr<TVKRAboutBox> Box = Dialog.CreateAboutBox();
  REQUIRE(Box->ToolLogoImage.Visible());
  int Previous = Box->PixelsPerInch();
  for (const TDpiCase& Case : KDpiCases) {
    CAPTURE(Case.Dpi);
    Box->ChangeDpi(Case.Dpi, Suggested(Box->Handle(), Previous, Case.Dpi));
    Previous = Case.Dpi;
    struct TLogo {
      const char* Name;
      TControl* Control;
      SIZE Design;  // at 96 DPI
    };
    for (const TLogo& Logo : {TLogo{"tool", &Box->ToolLogoImage, {174, 71}},
                              TLogo{"Windows", &Box->WindowsLogoImage, {40, 40}}}) {
      CAPTURE(Logo.Name);
      const auto Picture =
          reinterpret_cast<HBITMAP>(SendMessageW(Logo.Control->Handle(), STM_GETIMAGE, IMAGE_BITMAP, 0));
      BITMAP Info{};
      REQUIRE(GetObjectW(Picture, sizeof(Info), &Info) != 0);
      // Drawn in the scale of the picture sizes: 125 % for 20, 150 % for 24, 200 % for 32.
      CHECK(Info.bmWidth == (Logo.Design.cx * Case.Pictures + 8) / 16);
      CHECK(Info.bmHeight == (Logo.Design.cy * Case.Pictures + 8) / 16);
    }
    // The program's icon fills its square, taken in the size for the DPI.
    const auto Icon = reinterpret_cast<HICON>(SendMessageW(Box->ProgramIconImage.Handle(), STM_GETICON, 0, 0));
    ICONINFO IconInfo{};
    REQUIRE(GetIconInfo(Icon, &IconInfo));
    BITMAP IconBitmap{};
    GetObjectW(IconInfo.hbmColor != nullptr ? IconInfo.hbmColor : IconInfo.hbmMask, sizeof(IconBitmap), &IconBitmap);
    CHECK(IconBitmap.bmWidth == MulDiv(40, Case.Dpi, 96));
    if (IconInfo.hbmColor != nullptr) DeleteObject(IconInfo.hbmColor);
    if (IconInfo.hbmMask != nullptr) DeleteObject(IconInfo.hbmMask);
    // The shown logo has room for itself, inside the window.
    RECT Logo{}, Client{};
    GetWindowRect(Box->ToolLogoImage.Handle(), &Logo);
    MapWindowPoints(nullptr, Box->Handle(), reinterpret_cast<POINT*>(&Logo), 2);
    GetClientRect(Box->Handle(), &Client);
    CHECK(Logo.right - Logo.left >= MulDiv(174, Case.Dpi, 96) - 1);
    CHECK(Logo.right <= Client.right);
    CHECK(Logo.bottom <= Client.bottom);
    // The links keep their underline in the font for the DPI.
    LOGFONTW Link{};
    REQUIRE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Box->URLLabel.Handle(), WM_GETFONT, 0, 0)), sizeof(Link),
                       &Link) != 0);
    CHECK(Link.lfUnderline);
    LOGFONTW Window{};
    GetObjectW(Box->Font().Handle(), sizeof(Window), &Window);
    CHECK(Link.lfHeight == Window.lfHeight);
  }
}

TEST_CASE("View Files shows the program's icon, not the default one") {
  TMainWindowFixture F;
  F.Start({L"one"});
  const HWND View = F.Form1->FilesView().Handle();
  for (const auto& [Kind, Metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    CAPTURE(Kind);
    const auto Icon = reinterpret_cast<HICON>(SendMessageW(View, WM_GETICON, static_cast<WPARAM>(Kind), 0));
    REQUIRE(Icon != nullptr);
    ICONINFO Info{};
    REQUIRE(GetIconInfo(Icon, &Info));
    BITMAP Colour{};
    GetObjectW(Info.hbmColor != nullptr ? Info.hbmColor : Info.hbmMask, sizeof(Colour), &Colour);
    CHECK(Colour.bmWidth == GetSystemMetrics(Metric));
    if (Info.hbmColor != nullptr) DeleteObject(Info.hbmColor);
    if (Info.hbmMask != nullptr) DeleteObject(Info.hbmMask);
  }
}

TEST_CASE("no label is wider than its control at any DPI, measured with the control's font") {
  TMainWindowFixture F;
  F.Start({L"one"});
  F.Scan();
  std::unique_ptr<TVKRAboutBox> About = F.Form1->VKRAboutDialog1.CreateAboutBox();
  struct TDialog {
    std::string Name;
    TForm* Form;
  };
  TVKRAppUpdateNotifyBox Notify;
  TFont Readme;
  Readme.SetName(L"Calibri");
  Readme.SetSize(11);
  Notify.SetBoxFonts(F.Form1->Font(), Readme);
  TVKRAppUpdateDownloadBox Download(F.Form1->Handle());
  Download.SetBoxFont(F.Form1->Font());
  const std::vector<TDialog> Dialogs = {{"Options", F.Form2},
                                        {"Statistics", F.Form3.get()},
                                        {"About", About.get()},
                                        {"View Files", &F.Form1->FilesView()},
                                        {"New Version", &Notify},
                                        {"Download", &Download}};
  for (const TDialog& Dialog : Dialogs) {
    CAPTURE(Dialog.Name);
    int Previous = Dialog.Form->PixelsPerInch();
    for (const TDpiCase& Case : KDpiCases) {
      CAPTURE(Case.Dpi);
      Dialog.Form->ChangeDpi(Case.Dpi, Suggested(Dialog.Form->Handle(), Previous, Case.Dpi));
      Previous = Case.Dpi;
      struct TState {
        int Dpi;
        int Checked = 0;
      } State{Case.Dpi};
      // Every label and check box, on the pages of the dialog too.
      EnumChildWindows(
          Dialog.Form->Handle(),
          [](HWND Child, LPARAM Param) -> BOOL {
            auto& Enum = *reinterpret_cast<TState*>(Param);
            wchar_t Class[32] = L"";
            GetClassNameW(Child, Class, 32);
            const auto Style = static_cast<DWORD>(GetWindowLongPtrW(Child, GWL_STYLE));
            const bool Label = _wcsicmp(Class, L"Static") == 0 && (Style & SS_TYPEMASK) <= SS_RIGHT;
            const bool Box = _wcsicmp(Class, L"Button") == 0 && ((Style & BS_TYPEMASK) == BS_AUTOCHECKBOX);
            if ((!Label && !Box) || (Style & WS_VISIBLE) == 0) return TRUE;
            wchar_t Raw[512] = L"";
            GetWindowTextW(Child, Raw, 512);
            const std::wstring Text = (Style & SS_NOPREFIX) != 0 && Label ? std::wstring(Raw) : StripMnemonic(Raw);
            if (Text.empty()) return TRUE;
            const auto Font = reinterpret_cast<HFONT>(SendMessageW(Child, WM_GETFONT, 0, 0));
            const SIZE Extent = TextExtent(Child, Font, Text);
            RECT Client{};
            GetClientRect(Child, &Client);
            // A check box's text starts after its box.
            const int Room =
                Client.right - (Box ? MulDiv(GetSystemMetrics(SM_CXMENUCHECK) + 4, Enum.Dpi, 96) : 0);
            CAPTURE(WideToUtf8(Text));
            // A label of several lines wraps its words: its lines must hold the text.
            const LONG Lines = Label && Extent.cy > 0 ? Client.bottom / Extent.cy : 1;
            if (Lines > 1)
              CHECK(Extent.cx <= Room * Lines * 9 / 10);  // room lost at the ends of wrapped lines
            else
              CHECK(Extent.cx <= Room);
            ++Enum.Checked;
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&State));
      // The notes window has no label: a memo and buttons.
      CHECK((State.Checked > 0) == (Dialog.Form != &Notify));
    }
  }
  // The release notes keep their own font, made for the DPI.
  LOGFONTW Notes{};
  REQUIRE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Notify.ReadmeMemo.Handle(), WM_GETFONT, 0, 0)),
                     sizeof(Notes), &Notes) != 0);
  CHECK(std::wstring(Notes.lfFaceName) == L"Calibri");
  CHECK(std::abs(Notes.lfHeight) == MulDiv(11, 192, 72));
}
