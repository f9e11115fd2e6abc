#pragma once
// The statistics dialog: the running totals now, before the last Delete, and
// the difference.

#include "framework/Controls.h"
#include "framework/Forms.h"

class TForm3 : public TForm {
public:
  // Owner: the window the dialog stays in front of.
  explicit TForm3(HWND Owner);

  TGroupBox GlobalGroupBox;
  TGroupBox ActionGroupBox;
  TGroupBox ProtocolGroupBox;
  TLabel CurrentSubfolderCountLabel;
  TLabel CurrentFileCountLabel;
  TLabel CurrentFileSizeLabel;
  TLabel PreviousSubfolderCountLabel;
  TLabel PreviousFileCountLabel;
  TLabel PreviousFileSizeLabel;
  TLabel DeltaSubfolderCountLabel;
  TLabel DeltaFileCountLabel;
  TLabel DeltaFileSizeLabel;
  TButton CloseButton;

  void FormCreate(TObject* Sender);

protected:
  // Laid out again in the font and the sizes of the new DPI.
  void DpiChanged(int OldDpi, int NewDpi) override;

private:
  // The dialog takes the size its content needs in the current font.
  void SizeToContent();
};
