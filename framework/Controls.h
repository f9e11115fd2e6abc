#pragma once
// Thin wrappers over the platform's child controls. A control object does not
// own its HWND: child windows live and die with their parent window. The
// owning form routes WM_COMMAND and WM_NOTIFY to the control they concern.

#include "framework/Graphics.h"
#include "framework/Object.h"

#include <windows.h>

#include "framework/Handle.h"
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;          // 1
constexpr TModalResult mrCancel = IDCANCEL;  // 2
constexpr TModalResult mrAbort = IDABORT;    // 3
constexpr TModalResult mrRetry = IDRETRY;    // 4
constexpr TModalResult mrIgnore = IDIGNORE;  // 5
constexpr TModalResult mrYes = IDYES;        // 6
constexpr TModalResult mrNo = IDNO;          // 7
constexpr TModalResult mrClose = 8;
constexpr TModalResult mrHelp = 9;
constexpr TModalResult mrAll = 12;
constexpr TModalResult mrNoToAll = 13;
constexpr TModalResult mrYesToAll = 14;

class TControl : public TObject {
public:
  HWND Handle() const noexcept { return FHandle; }
  int Id() const;

  bool Enabled() const;
  void SetEnabled(bool Value);
  bool Visible() const;
  void SetVisible(bool Value);
  // The text as the user reads it: a label's or button's mnemonic "&" is not part of it.
  std::wstring Text() const;
  void SetText(const std::wstring& Value);
  void SetFont(HFONT Font);
  void SetBounds(int Left, int Top, int Width, int Height);
  void SetFocus();
  // A tooltip that is also the name a screen reader gives the control (for
  // a caption too short to say what the control does).
  void SetHint(const std::wstring& Value);

  // Called by the owning form; return true when the notification was consumed.
  virtual bool HandleCommand(WORD Code);
  virtual bool HandleNotify(NMHDR* Header, LRESULT& Result);
  // Owner-drawn controls paint here; WM_DRAWITEM reaches the parent, which routes it.
  virtual bool HandleDrawItem(const DRAWITEMSTRUCT& Draw);
  // After the owning form gave the control a new font.
  virtual void HandleFontChanged() {}
  // After the owning form moved to a monitor of another DPI.
  virtual void HandleDpiChanged(int /*OldDpi*/, int /*NewDpi*/) {}
  // Extra windows whose notifications belong to this control (tool tips).
  virtual std::vector<HWND> NotifySources() const { return {}; }

  // Attaches to an existing child window (a dialog template's control).
  virtual void Attach(HWND Handle) { FHandle = Handle; }

protected:
  HWND FHandle = nullptr;
};

class TButton : public TControl {
public:
  // When not mrNone, a click closes the owning modal form with this result.
  TModalResult ModalResult = mrNone;
  TNotifyEvent OnClick;

  void Click();
  bool HandleCommand(WORD Code) override;
};

// Setting the state from code runs OnClick when the state changes, as a user click does.
class TCheckBox : public TControl {
public:
  TNotifyEvent OnClick;

  bool Checked() const;
  void SetChecked(bool Value);
  bool HandleCommand(WORD Code) override;
};

class TEdit : public TControl {};
class TLabel : public TControl {};
class TGroupBox : public TControl {};

class TProgressBar : public TControl {
public:
  void Create(HWND Parent, int Id);
  int Position() const;
  void SetPosition(int Value);
  int Min() const;
  int Max() const;
  void SetMax(int Value);
  void SetStep(int Value);
  void StepIt();
  void StepBy(int Delta);
};

// A status bar with one simple text panel.
class TStatusBar : public TControl {
public:
  void Create(HWND Parent, int Id);
  std::wstring SimpleText() const;
  void SetSimpleText(const std::wstring& Value);
  int HeightInPixels() const;
};

class TToolBar;

// One button of a toolbar, addressed by its command id.
class TToolButton {
public:
  TToolButton(TToolBar& Owner, int CommandId) : FOwner(&Owner), FCommandId(CommandId) {}
  int CommandId() const { return FCommandId; }
  bool Enabled() const;
  void SetEnabled(bool Value);
  std::wstring Hint() const;
  // Replaces the hint (the caption) with Value; empty gives the caption back.
  void SetHint(const std::wstring& Value);
  // Runs the button's command exactly as a click does.
  void Click();

private:
  TToolBar* FOwner;
  int FCommandId;
};

struct TToolButtonDef {
  int CommandId;  // 0 for a separator
  int ImageIndex;
  const wchar_t* Caption;  // also the button's hint
  bool Enabled;
};

class TToolBar : public TControl {
public:
  // Buttons of ButtonSize pixels showing images of the strip BitmapId.
  void Create(HWND Parent, int Id, int BitmapId, int ImageSize, int ButtonSize,
              const std::vector<TToolButtonDef>& Buttons);
  TToolButton Button(int CommandId) { return TToolButton(*this, CommandId); }
  // The same with pictures drawn in several sizes (strips SizedBase + size,
  // see Dpi.h): the size and the buttons follow the DPI, now and when the
  // window moves to another monitor. The sizes are those designed for 96 DPI.
  void CreateForDpi(HWND Parent, int Id, int SizedBase, int DesignImageSize, int DesignButtonSize, int Dpi,
                    const std::vector<TToolButtonDef>& Buttons);
  std::wstring HintOf(int CommandId) const;
  void SetHintOf(int CommandId, const std::wstring& Value);
  int HeightInPixels() const;
  // The size of the pictures on the buttons.
  int ImageSize() const;
  void HandleDpiChanged(int OldDpi, int NewDpi) override;

  bool HandleNotify(NMHDR* Header, LRESULT& Result) override;
  bool HandleCommand(WORD Code) override;
  void HandleFontChanged() override;
  std::vector<HWND> NotifySources() const override;

private:
  void ExposeButtons();

  void LoadImages(int BitmapId, int ImageSize);

  std::vector<TToolButtonDef> FButtons;
  std::vector<std::pair<int, std::wstring>> FHints;  // hints that replace a caption
  int FButtonSize = 0;
  int FSizedBase = 0;  // 0: one picture size only
  int FDesignImageSize = 0;
  int FDesignButtonSize = 0;
  // The toolbar only borrows its image list: it goes with the toolbar object.
  UniqueImageList FImages;
};

// An item of a menu bar or popup menu, addressed by its command id.
class TMenuItem {
public:
  TMenuItem() = default;
  TMenuItem(HMENU Menu, int CommandId, HWND Owner = nullptr) : FMenu(Menu), FCommandId(CommandId), FOwner(Owner) {}
  int CommandId() const { return FCommandId; }
  HMENU Menu() const { return FMenu; }
  bool Exists() const;
  bool Enabled() const;
  void SetEnabled(bool Value);
  // As the menu shows it: the mnemonic "&" is not part of the caption.
  std::wstring Caption() const;
  bool Default() const;
  // Runs the item's command exactly as choosing it does.
  void Click();

private:
  HMENU FMenu = nullptr;
  int FCommandId = 0;
  HWND FOwner = nullptr;
};

// The cursor of the whole application; an hourglass while a command works.
enum class TCursor { crDefault, crHourGlass };
TCursor ScreenCursor();
void SetScreenCursor(TCursor Cursor);

// Modifier keys held with a key press.
struct TShiftState {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  static TShiftState FromKeyboard();
};
