#pragma once
// The "Change Icon" dialog: a file name, a browse button beside it, and the
// icons of that file in one row; OK keeps the file and the selected index.

#include "common/VKRFileIcon.h"
#include "common/VKRIconCtls.h"
#include "common/VKRLangType.h"
#include "framework/Controls.h"
#include "framework/Forms.h"

#include <string>

// An edit that reports its changes.
class TNotifyingEdit : public TEdit {
public:
  TNotifyEvent OnChange;
  bool HandleCommand(WORD Code) override;
};

// The shell's open-file dialog; Filter as "Name|Pattern|Name|Pattern".
struct TOpenDialog {
  std::wstring Filter;
  int FilterIndex = 1;  // counted from 1
  std::wstring InitialDir;
  std::wstring FileName;
  // True when the user chose a file; FileName is then its full path.
  bool Execute(HWND Owner);
};

class TVKRFileIconDlg : public TForm {
public:
  // Owner: the window the dialog stays in front of, or none.
  explicit TVKRFileIconDlg(HWND Owner = nullptr);
  ~TVKRFileIconDlg() override;

  TLabel Label1;
  TNotifyingEdit IconFileNameButtonedEdit;
  TButton IconFileNameButtonedEditRightButton;
  TLabel Label2;
  TVKRIconListBox VKRIconListBox;
  TButton OKButton;
  TButton CancelButton;
  TOpenDialog OpenDialog1;

  // The location shown and, after OK, the one chosen. Assigning copies it.
  TVKRFileIcon& FileIcon() { return FFileIcon; }
  void SetFileIcon(const TVKRFileIcon& Value) { FFileIcon.Assign(Value); }

  TLangType LangType() const { return FLangType; }
  // Switches the texts of every "Change Icon" dialog of the process.
  void SetLangType(TLangType Value);

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender) override;
  void FormShow(TObject* Sender);
  void OKButtonClick(TObject* Sender);
  void IconFileNameButtonedEditChange(TObject* Sender);
  void IconFileNameButtonedEditRightButtonClick(TObject* Sender);

protected:
  bool HandleMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
  void SizeToContent();

  TVKRFileIcon FFileIcon;
  TLangType FLangType = TLangType::ltEnglish;
};
