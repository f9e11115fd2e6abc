#pragma once
// The "Download New Version" window: file, speed, status, elapsed and
// remaining time and the amount transferred while an installer downloads,
// with a Cancel button that stops the transfer.

#include "framework/Controls.h"
#include "framework/FormatSettings.h"
#include "framework/Forms.h"
#include "update/VKRHttpCli.h"

#include <cstdint>

// The window's one-second timer, a window timer of the form.
class TDownloadTimer {
public:
  void Attach(HWND Window, UINT_PTR Id) {
    FWindow = Window;
    FId = Id;
  }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  UINT Interval() const { return 1000; }
  UINT_PTR Id() const { return FId; }

private:
  HWND FWindow = nullptr;
  UINT_PTR FId = 0;
  bool FEnabled = false;
};

class TVKRAppUpdateDownloadBox : public TForm {
public:
  // Owner: the window the download keeps in front of (the program's main window).
  explicit TVKRAppUpdateDownloadBox(HWND Owner);
  ~TVKRAppUpdateDownloadBox() override;

  TLabel FileLabel;
  TLabel SpeedLabel;
  TLabel StatusLabel;
  TLabel ElapsedTimeLabel;
  TLabel RemainingTimeLabel;
  TLabel TransferLabel;
  TProgressBar ProgressBar1;
  TButton CancelButton;
  TDownloadTimer Timer1;
  THttpCli HttpCli1{false};
  THttpCli SslHttpCli1{true};

  TFormatSettings ComponentFormatSettings;
  // The time of day the transfer started, as a fraction of a day.
  double StartTime = 0;

  // The font of the window; the rows take the room it needs.
  void SetBoxFont(const TFont& Value);
  // Starts the clocks of the speed and time rows.
  void StartTransferClock();

  void FormCreate(TObject* Sender);
  void HttpCli1DocData(TObject* Sender, int64_t RcvdCount);
  void SslHttpCli1DocData(TObject* Sender, int64_t RcvdCount);
  void CancelButtonClick(TObject* Sender);
  void Timer1Timer(TObject* Sender);

  // The transfer row: "<done> of <total> (<percent>%)".
  void ShowTransfer(int64_t Done);

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  // The rows take the room the font of the new DPI needs.
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  void SizeToContent();
  ULONGLONG FStartTick = 0;  // durations are measured on this clock: no jump at midnight
};

// The download window while a download runs.
extern TVKRAppUpdateDownloadBox* VKRAppUpdateDownloadBox;

// Done of Total in percent, rounded to the nearest, halves to even.
int64_t CalcPercent(int64_t Done, int64_t Total);

// A duration as "hh:nn:ss" (hours past a day wrap, as a time of day would).
std::wstring FormatDuration(int64_t Milliseconds);
