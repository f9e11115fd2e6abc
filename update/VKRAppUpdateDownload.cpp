#include "update/VKRAppUpdateDownload.h"

#include "framework/Accessible.h"
#include "framework/Dialogs.h"
#include "framework/Dpi.h"
#include "update/VKRAppUpdateDownloadRes.h"
#include "update/VKRAppUpdateNotify.h"

#include <algorithm>
#include <cmath>

TVKRAppUpdateDownloadBox* VKRAppUpdateDownloadBox = nullptr;

namespace {

constexpr int Border = 10;
constexpr int FileLabelWidth = 296;

struct TRowIds {
  int Caption;
  int Value;
};

constexpr TRowIds Rows[] = {
    {IDC_FILECAPTION, IDC_FILELABEL},         {IDC_SPEEDCAPTION, IDC_SPEEDLABEL},
    {IDC_STATUSCAPTION, IDC_STATUSLABEL},     {IDC_ELAPSEDCAPTION, IDC_ELAPSEDLABEL},
    {IDC_REMAININGCAPTION, IDC_REMAININGLABEL}, {IDC_TRANSFERCAPTION, IDC_TRANSFERLABEL},
};

std::wstring TwoDigits(int64_t Value) { return (Value < 10 ? L"0" : L"") + std::to_wstring(Value); }

double TimeOfDay() {
  SYSTEMTIME Now{};
  GetLocalTime(&Now);
  return ((Now.wHour * 60.0 + Now.wMinute) * 60.0 + Now.wSecond + Now.wMilliseconds / 1000.0) / 86400.0;
}

std::wstring SizeText(int64_t Bytes) {
  if (VKRAppUpdateNotifyBox != nullptr) return VKRAppUpdateNotifyBox->FormatFileSize(Bytes);
  return FormatUpdateFileSize(Bytes, TVKRAppUpdateFileSizeUnit::Auto);
}

}  // namespace

void TDownloadTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (FWindow == nullptr) return;
  if (Value)
    SetTimer(FWindow, FId, Interval(), nullptr);
  else
    KillTimer(FWindow, FId);
}

int64_t CalcPercent(int64_t Done, int64_t Total) {
  if (Total == 0) return 0;
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<int64_t>(std::nearbyint(static_cast<double>(Done) / static_cast<double>(Total) * 100.0));
}

std::wstring FormatDuration(int64_t Milliseconds) {
  const int64_t Seconds = std::max<int64_t>(Milliseconds, 0) / 1000;
  return TwoDigits(Seconds / 3600 % 24) + L":" + TwoDigits(Seconds / 60 % 60) + L":" + TwoDigits(Seconds % 60);
}

TVKRAppUpdateDownloadBox::TVKRAppUpdateDownloadBox(HWND Owner) : TForm(L"TVKRAppUpdateDownloadBox", TCloseAction::caHide) {
  CreateDialogHandle(IDD_APPUPDATEDOWNLOAD, Owner);
  AttachControl(FileLabel, IDC_FILELABEL);
  AttachControl(SpeedLabel, IDC_SPEEDLABEL);
  AttachControl(StatusLabel, IDC_STATUSLABEL);
  AttachControl(ElapsedTimeLabel, IDC_ELAPSEDLABEL);
  AttachControl(RemainingTimeLabel, IDC_REMAININGLABEL);
  AttachControl(TransferLabel, IDC_TRANSFERLABEL);
  AttachControl(ProgressBar1, IDC_DOWNLOADPROGRESS);
  // A bar has no text of its own for a screen reader to say.
  SetAccessibleName(ProgressBar1.Handle(), L"Progress");
  AttachControl(CancelButton, IDCANCEL);
  ProgressBar1.SetMax(100);
  ProgressBar1.SetStep(1);
  Timer1.Attach(Handle(), IDT_DOWNLOADTIMER);
  CancelButton.OnClick = [this](TObject* Sender) { CancelButtonClick(Sender); };
  HttpCli1.OnDocData = [this](TObject* Sender, int64_t Count) { HttpCli1DocData(Sender, Count); };
  SslHttpCli1.OnDocData = [this](TObject* Sender, int64_t Count) { SslHttpCli1DocData(Sender, Count); };
  SetPosition(TPosition::poScreenCenter);
  VKRAppUpdateDownloadBox = this;
  FormCreate(this);
}

TVKRAppUpdateDownloadBox::~TVKRAppUpdateDownloadBox() {
  Timer1.SetEnabled(false);
  if (VKRAppUpdateDownloadBox == this) VKRAppUpdateDownloadBox = nullptr;
}

void TVKRAppUpdateDownloadBox::FormCreate(TObject*) {
  ComponentFormatSettings = TFormatSettings::FromUserLocale();
  ComponentFormatSettings.DateSeparator = L"-";
  ComponentFormatSettings.TimeSeparator = L":";
  ComponentFormatSettings.ShortDateFormat = L"yyyy-mm-dd";
  ComponentFormatSettings.LongTimeFormat = L"hh:nn:ss";
  ComponentFormatSettings.ThousandSeparator = L" ";
  SizeToContent();
}

void TVKRAppUpdateDownloadBox::SizeToContent() {
  const HFONT Font = this->Font().Handle();
  int CaptionWidth = 0;
  int TextHeight = 0;
  for (const TRowIds& Row : Rows) {
    wchar_t Caption[64] = L"";
    GetDlgItemTextW(Handle(), Row.Caption, Caption, 64);
    const SIZE Extent = TextExtent(Handle(), Font, Caption);
    CaptionWidth = std::max(CaptionWidth, static_cast<int>(Extent.cx));
    TextHeight = std::max(TextHeight, static_cast<int>(Extent.cy));
  }
  const int Edge = ScaleForDpi(Border, PixelsPerInch());
  const int Gap = ScaleForDpi(8, PixelsPerInch());
  const int ValueWidth = ScaleForDpi(FileLabelWidth, PixelsPerInch());
  const int RowHeight = TextHeight + ScaleForDpi(6, PixelsPerInch());
  int Top = Edge;
  for (const TRowIds& Row : Rows) {
    SetWindowPos(GetDlgItem(Handle(), Row.Caption), nullptr, Edge, Top, CaptionWidth, TextHeight, SWP_NOZORDER);
    SetWindowPos(GetDlgItem(Handle(), Row.Value), nullptr, Edge + CaptionWidth + Gap, Top, ValueWidth, TextHeight,
                 SWP_NOZORDER);
    Top += RowHeight;
  }
  const int ContentWidth = CaptionWidth + Gap + ValueWidth;
  ProgressBar1.SetBounds(Edge, Top + Gap / 2, ContentWidth, ScaleForDpi(17, PixelsPerInch()));
  Top += Gap / 2 + ScaleForDpi(17, PixelsPerInch()) + Gap;
  const int ButtonW = ScaleForDpi(75, PixelsPerInch());
  const int ButtonH = ScaleForDpi(25, PixelsPerInch());
  CancelButton.SetBounds(Edge + ContentWidth - ButtonW, Top, ButtonW, ButtonH);
  SetClientSize(Edge + ContentWidth + Edge, Top + ButtonH + Edge);
}

void TVKRAppUpdateDownloadBox::DpiChanged(int, int) { SizeToContent(); }

void TVKRAppUpdateDownloadBox::SetBoxFont(const TFont& Value) {
  Font().Assign(Value);
  SizeToContent();
}

void TVKRAppUpdateDownloadBox::StartTransferClock() {
  StartTime = TimeOfDay();
  FStartTick = GetTickCount64();
}

void TVKRAppUpdateDownloadBox::ShowTransfer(int64_t Done) {
  const int64_t Maximum = ProgressBar1.Max();
  TransferLabel.SetText(SizeText(Done) + L" of " + SizeText(Maximum) + L" (" +
                        std::to_wstring(CalcPercent(Done, Maximum)) + L"%)");
}

void TVKRAppUpdateDownloadBox::HttpCli1DocData(TObject*, int64_t RcvdCount) {
  if (ProgressBar1.Max() > 0) ShowTransfer(RcvdCount);
  ProgressBar1.SetPosition(static_cast<int>(std::min<int64_t>(RcvdCount, INT32_MAX)));
}

void TVKRAppUpdateDownloadBox::SslHttpCli1DocData(TObject* Sender, int64_t RcvdCount) {
  HttpCli1DocData(Sender, RcvdCount);
}

void TVKRAppUpdateDownloadBox::CancelButtonClick(TObject*) {
  if (MessageDlg(L"Do you want to cancel the download?", TMsgDlgType::mtConfirmation,
                 {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) != mrYes)
    return;
  HttpCli1.Abort();
  SslHttpCli1.Abort();
  try {
    HttpCli1.Close();
    SslHttpCli1.Close();
  } catch (const std::exception&) {
    // The transfer ends by the abort either way.
  }
  CancelButton.SetEnabled(false);
  Timer1.SetEnabled(false);
  MessageDlg(L"The update was not completed.", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

void TVKRAppUpdateDownloadBox::Timer1Timer(TObject*) {
  const int64_t Elapsed = static_cast<int64_t>(GetTickCount64() - FStartTick);
  const int64_t Seconds = Elapsed / 1000;
  const int64_t Position = ProgressBar1.Position();
  SpeedLabel.SetText(SizeText(Seconds > 0 ? Position / Seconds : 0) + L"/sec");
  ElapsedTimeLabel.SetText(FormatDuration(Elapsed));
  if (Position > 0) {
    const int64_t Remaining = ((ProgressBar1.Max() - Position) * Seconds / Position) * 1000;
    RemainingTimeLabel.SetText(FormatDuration(Remaining));
  }
}

bool TVKRAppUpdateDownloadBox::HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_TIMER:
      if (WParam != Timer1.Id()) break;
      Timer1Timer(this);
      return true;
    case WM_CLOSE:
      // Closing the window asks, as Cancel does.
      if (CancelButton.Enabled()) CancelButtonClick(this);
      return true;
    default:
      break;
  }
  return TForm::HandleMessage(Msg, WParam, LParam, Result);
}
