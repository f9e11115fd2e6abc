#include "app/QuenloUnit3.h"

#include "app/QuenloUnit3Res.h"
#include "framework/Dpi.h"
#include "framework/Handle.h"
#include "framework/SystemFont.h"

#include <algorithm>
#include <array>

namespace {

// Each box: the group box, then the captions and the values of its three rows.
struct TBoxIds {
  int Box;
  std::array<int, 3> Captions;
  std::array<int, 3> Values;
};

constexpr std::array<TBoxIds, 3> Boxes = {{
    {IDC_GLOBALGROUPBOX,
     {IDC_CURRENTSUBFOLDERCAPTION, IDC_CURRENTFILECAPTION, IDC_CURRENTSIZECAPTION},
     {IDC_CURRENTSUBFOLDERCOUNTLABEL, IDC_CURRENTFILECOUNTLABEL, IDC_CURRENTFILESIZELABEL}},
    {IDC_ACTIONGROUPBOX,
     {IDC_PREVIOUSSUBFOLDERCAPTION, IDC_PREVIOUSFILECAPTION, IDC_PREVIOUSSIZECAPTION},
     {IDC_PREVIOUSSUBFOLDERCOUNTLABEL, IDC_PREVIOUSFILECOUNTLABEL, IDC_PREVIOUSFILESIZELABEL}},
    {IDC_PROTOCOLGROUPBOX,
     {IDC_DELTASUBFOLDERCAPTION, IDC_DELTAFILECAPTION, IDC_DELTASIZECAPTION},
     {IDC_DELTASUBFOLDERCOUNTLABEL, IDC_DELTAFILECOUNTLABEL, IDC_DELTAFILESIZELABEL}},
}};

constexpr int ValueLabelWidth = 78;
constexpr int InnerBorder = 10;
constexpr int Spacing = 8;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

}  // namespace

TForm3::TForm3(HWND Owner) : TForm(L"TForm3", TCloseAction::caHide) {
  CreateDialogHandle(IDD_STATISTICS, Owner);
  AttachControl(GlobalGroupBox, IDC_GLOBALGROUPBOX);
  AttachControl(ActionGroupBox, IDC_ACTIONGROUPBOX);
  AttachControl(ProtocolGroupBox, IDC_PROTOCOLGROUPBOX);
  AttachControl(CurrentSubfolderCountLabel, IDC_CURRENTSUBFOLDERCOUNTLABEL);
  AttachControl(CurrentFileCountLabel, IDC_CURRENTFILECOUNTLABEL);
  AttachControl(CurrentFileSizeLabel, IDC_CURRENTFILESIZELABEL);
  AttachControl(PreviousSubfolderCountLabel, IDC_PREVIOUSSUBFOLDERCOUNTLABEL);
  AttachControl(PreviousFileCountLabel, IDC_PREVIOUSFILECOUNTLABEL);
  AttachControl(PreviousFileSizeLabel, IDC_PREVIOUSFILESIZELABEL);
  AttachControl(DeltaSubfolderCountLabel, IDC_DELTASUBFOLDERCOUNTLABEL);
  AttachControl(DeltaFileCountLabel, IDC_DELTAFILECOUNTLABEL);
  AttachControl(DeltaFileSizeLabel, IDC_DELTAFILESIZELABEL);
  AttachControl(CloseButton, IDOK);
  // Close is both the default and the cancel button: either way the result is OK.
  CloseButton.ModalResult = mrOk;
  BindCommand(IDCANCEL, [this] { SetModalResult(mrOk); });
  SetPosition(TPosition::poScreenCenter);
  FormCreate(this);
}

void TForm3::FormCreate(TObject*) {
  SetSystemFont(Font(), TSystemFontKind::sfkUserInterface);
  SizeToContent();
}

void TForm3::SizeToContent() {
  const HFONT Font = this->Font().Handle();
  int CaptionWidth = 0;
  int TextHeight = 0;
  for (const int Id : Boxes[0].Captions) {
    wchar_t Caption[64] = L"";
    GetDlgItemTextW(Handle(), Id, Caption, 64);
    const SIZE Extent = TextExtent(Handle(), Font, Caption);
    CaptionWidth = std::max(CaptionWidth, static_cast<int>(Extent.cx));
    TextHeight = std::max(TextHeight, static_cast<int>(Extent.cy));
  }
  const int Dpi = PixelsPerInch();
  const int Border = ScaleForDpi(InnerBorder, Dpi);
  const int Gap = ScaleForDpi(Spacing, Dpi);
  const int ValueWidth = ScaleForDpi(ValueLabelWidth, Dpi);
  const int RowHeight = TextHeight + ScaleForDpi(4, Dpi);
  const int BoxTop = TextHeight + ScaleForDpi(6, Dpi);  // below the box's own caption
  const int BoxWidth = Gap + CaptionWidth + Gap + ValueWidth + Gap;
  const int BoxHeight = BoxTop + 3 * RowHeight + Gap;

  for (size_t b = 0; b < Boxes.size(); ++b) {
    const int Left = Border + static_cast<int>(b) * (BoxWidth + Gap);
    SetWindowPos(GetDlgItem(Handle(), Boxes[b].Box), nullptr, Left, Border, BoxWidth, BoxHeight, SWP_NOZORDER);
    for (size_t r = 0; r < 3; ++r) {
      const int Top = Border + BoxTop + static_cast<int>(r) * RowHeight;
      SetWindowPos(GetDlgItem(Handle(), Boxes[b].Captions[r]), nullptr, Left + Gap, Top, CaptionWidth, TextHeight,
                   SWP_NOZORDER);
      SetWindowPos(GetDlgItem(Handle(), Boxes[b].Values[r]), nullptr, Left + Gap + CaptionWidth + Gap, Top,
                   ValueWidth, TextHeight, SWP_NOZORDER);
    }
  }
  const int ContentRight = Border + 3 * BoxWidth + 2 * Gap;
  const int ButtonTop = Border + BoxHeight + Gap;
  const int ButtonW = ScaleForDpi(ButtonWidth, Dpi);
  const int ButtonH = ScaleForDpi(ButtonHeight, Dpi);
  CloseButton.SetBounds(ContentRight - ButtonW, ButtonTop, ButtonW, ButtonH);

  SetClientSize(ContentRight + Border, ButtonTop + ButtonH + Border);
}

void TForm3::DpiChanged(int, int) { SizeToContent(); }
