#include "common/VKRFileIconDialog.h"

#include "common/VKRFileIconDialogRes.h"
#include "framework/Dialogs.h"
#include "framework/Dpi.h"
#include "framework/FileSystem.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace {

// The texts of every "Change Icon" dialog; SetLangType replaces them.
struct TFileIconDialogTexts {
  const wchar_t* Caption;
  const wchar_t* MissingFileStart;
  const wchar_t* NoIconStart;
  const wchar_t* NoIconEnd;
  const wchar_t* Label1;
  const wchar_t* Label2;
  const wchar_t* Cancel;
  const wchar_t* Filter;
};

constexpr TFileIconDialogTexts EnglishTexts = {
    L"Change Icon",
    L"Unable to find the file",
    L"The file",
    L"doesn't contain any icon.",
    L"Look for icons in this file :",
    L"Select an icon from the list below :",
    L"Cancel",
    L"Icon files (*.ico)|*.ico|Program files (*.exe)|*.exe|Library files (*.dll;*.icl)|*.dll;*.icl|All files (*.*)|*.*"};

constexpr TFileIconDialogTexts FrenchTexts = {
    L"Changement d'Ic\u00F4ne",
    L"Impossible de trouver le fichier",
    L"Le fichier",
    L"ne contient pas d'ic\u00F4ne.",
    L"Chercher les ic\u00F4nes dans ce fichier :",
    L"Selectionner une ic\u00F4ne dans la liste ci-dessous :",
    L"Annuler",
    L"Fichiers ic\u00F4ne (*.ico)|*.ico|Fichiers programme (*.exe)|*.exe|Fichiers librairie (*.dll;*.icl)|*.dll;*.icl|"
    L"Tous fichiers (*.*)|*.*"};

TFileIconDialogTexts GTexts = EnglishTexts;

constexpr int Border = 10;
constexpr int ListWidth = 367;
constexpr int ListHeight = 52;
constexpr int Gap = 6;
constexpr int EditHeight = 23;
constexpr int BrowseWidth = 23;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

}  // namespace

bool TNotifyingEdit::HandleCommand(WORD Code) {
  if (Code != EN_CHANGE) return false;
  if (OnChange) OnChange(this);
  return true;
}

bool TOpenDialog::Execute(HWND Owner) {
  // The filter's "|" separators become the null characters the shell expects.
  std::wstring ShellFilter = Filter;
  std::replace(ShellFilter.begin(), ShellFilter.end(), L'|', L'\0');
  ShellFilter.append(2, L'\0');
  std::vector<wchar_t> Buffer(32768, L'\0');
  std::copy_n(FileName.begin(), std::min(FileName.size(), Buffer.size() - 1), Buffer.begin());
  OPENFILENAMEW Request{};
  Request.lStructSize = sizeof(Request);
  Request.hwndOwner = Owner;
  Request.lpstrFilter = ShellFilter.c_str();
  Request.nFilterIndex = static_cast<DWORD>(FilterIndex);
  Request.lpstrFile = Buffer.data();
  Request.nMaxFile = static_cast<DWORD>(Buffer.size());
  Request.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  Request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!GetOpenFileNameW(&Request)) return false;
  FileName = Buffer.data();
  FilterIndex = static_cast<int>(Request.nFilterIndex);
  return true;
}

TVKRFileIconDlg::TVKRFileIconDlg(HWND Owner) : TForm(L"TVKRFileIconDlg", TCloseAction::caHide) {
  CreateDialogHandle(IDD_FILEICON, Owner);
  AttachControl(Label1, IDC_FILEICON_LABEL1);
  AttachControl(IconFileNameButtonedEdit, IDC_FILEICON_FILENAME);
  AttachControl(IconFileNameButtonedEditRightButton, IDC_FILEICON_BROWSE);
  AttachControl(Label2, IDC_FILEICON_LABEL2);
  AttachControl(OKButton, IDOK);
  AttachControl(CancelButton, IDCANCEL);
  Font().SetName(L"Segoe UI");
  Font().SetSize(9);
  // After the form's font: the icon list keeps a font of its own.
  AttachControl(VKRIconListBox, IDC_FILEICON_ICONS);
  IconFileNameButtonedEdit.OnChange = [this](TObject* Sender) { IconFileNameButtonedEditChange(Sender); };
  IconFileNameButtonedEditRightButton.OnClick = [this](TObject* Sender) {
    IconFileNameButtonedEditRightButtonClick(Sender);
  };
  OKButton.OnClick = [this](TObject* Sender) { OKButtonClick(Sender); };
  CancelButton.ModalResult = mrCancel;
  OpenDialog1.FilterIndex = 4;
  SetPosition(TPosition::poScreenCenter);
  FormCreate(this);
}

TVKRFileIconDlg::~TVKRFileIconDlg() = default;

void TVKRFileIconDlg::SetLangType(TLangType Value) {
  FLangType = Value;
  if (Value == TLangType::ltEnglish)
    GTexts = EnglishTexts;
  else if (Value == TLangType::ltFrench)
    GTexts = FrenchTexts;
}

void TVKRFileIconDlg::FormCreate(TObject*) {
  SetLangType(TLangType::ltEnglish);
  SizeToContent();
}

void TVKRFileIconDlg::FormDestroy(TObject*) {}

void TVKRFileIconDlg::FormShow(TObject*) {
  IconFileNameButtonedEdit.SetText(FFileIcon.IconFileName());
  // Setting the same text again sends no change: the list must still follow it.
  VKRIconListBox.SetFileName(IconFileNameButtonedEdit.Text());
  VKRIconListBox.SetItemIndex(FFileIcon.IconIndex());
  SetCaption(GTexts.Caption);
  Label1.SetText(GTexts.Label1);
  Label2.SetText(GTexts.Label2);
  CancelButton.SetText(GTexts.Cancel);
  OpenDialog1.Filter = GTexts.Filter;
}

void TVKRFileIconDlg::IconFileNameButtonedEditChange(TObject*) {
  VKRIconListBox.SetFileName(IconFileNameButtonedEdit.Text());
}

void TVKRFileIconDlg::IconFileNameButtonedEditRightButtonClick(TObject*) {
  const std::wstring Text = IconFileNameButtonedEdit.Text();
  if (!Text.empty()) {
    OpenDialog1.InitialDir = ExtractFilePath(Text);
    OpenDialog1.FileName = ExtractFileName(Text);
  } else {
    OpenDialog1.InitialDir = L"C:\\";
    OpenDialog1.FileName.clear();
  }
  if (!OpenDialog1.Execute(Handle())) return;
  VKRIconListBox.SetItemIndex(0);
  IconFileNameButtonedEdit.SetText(OpenDialog1.FileName);
}

void TVKRFileIconDlg::OKButtonClick(TObject*) {
  const std::wstring Text = IconFileNameButtonedEdit.Text();
  if (!FileExists(VKRIconListBox.FileName())) {
    MessageDlg(std::wstring(GTexts.MissingFileStart) + L" \"" + Text + L"\".", TMsgDlgType::mtWarning,
               {TMsgDlgBtn::mbOK});
    return;
  }
  if (VKRIconListBox.ItemIndex() < 0) {
    MessageDlg(std::wstring(GTexts.NoIconStart) + L" \"" + Text + L"\" " + GTexts.NoIconEnd, TMsgDlgType::mtWarning,
               {TMsgDlgBtn::mbOK});
    return;
  }
  FFileIcon.SetIconFileName(Text);
  FFileIcon.SetIconIndex(VKRIconListBox.ItemIndex());
  SetModalResult(mrOk);
}

bool TVKRFileIconDlg::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  if (Msg == WM_SHOWWINDOW && WParam != FALSE) FormShow(this);
  return TForm::HandleMessage(Msg, WParam, LParam, Result);
}

void TVKRFileIconDlg::SizeToContent() {
  const int Edge = ScaleForDpi(Border, PixelsPerInch());
  const int Space = ScaleForDpi(Gap, PixelsPerInch());
  const int Width = ScaleForDpi(ListWidth, PixelsPerInch());
  TEXTMETRICW Metrics{};
  const HDC Dc = GetDC(Handle());
  const HGDIOBJ Old = SelectObject(Dc, Font().Handle());
  GetTextMetricsW(Dc, &Metrics);
  SelectObject(Dc, Old);
  ReleaseDC(Handle(), Dc);
  const int TextHeight = Metrics.tmHeight;

  int Top = Edge;
  Label1.SetBounds(Edge, Top, Width, TextHeight);
  Top += TextHeight + ScaleForDpi(3, PixelsPerInch());
  const int Browse = ScaleForDpi(BrowseWidth, PixelsPerInch());
  IconFileNameButtonedEdit.SetBounds(Edge, Top, Width - Browse, ScaleForDpi(EditHeight, PixelsPerInch()));
  IconFileNameButtonedEditRightButton.SetBounds(Edge + Width - Browse, Top, Browse, ScaleForDpi(EditHeight, PixelsPerInch()));
  Top += ScaleForDpi(EditHeight, PixelsPerInch()) + Space;
  Label2.SetBounds(Edge, Top, Width, TextHeight);
  Top += TextHeight + ScaleForDpi(3, PixelsPerInch());
  VKRIconListBox.SetBounds(Edge, Top, Width, ScaleForDpi(ListHeight, PixelsPerInch()));
  Top += ScaleForDpi(ListHeight, PixelsPerInch()) + Space + Space;
  const int ButtonW = ScaleForDpi(ButtonWidth, PixelsPerInch());
  const int ButtonH = ScaleForDpi(ButtonHeight, PixelsPerInch());
  CancelButton.SetBounds(Edge + Width - ButtonW, Top, ButtonW, ButtonH);
  OKButton.SetBounds(Edge + Width - 2 * ButtonW - Space, Top, ButtonW, ButtonH);

  RECT Bounds{0, 0, Edge + Width + Edge, Top + ButtonH + Edge};
  AdjustWindowRectEx(&Bounds, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  SetWindowPos(Handle(), nullptr, 0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
