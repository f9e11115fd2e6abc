#pragma once
// A long command (Scan, Delete, a download): one building block for the busy
// state, the progress, Cancel and exclusivity, as a progress dialog gives
// them. While a command runs:
// - its window is disabled the way a modal loop disables its owner, so no
//   input reaches it or its controls; Blocks() tells the window which
//   messages to drop that arrive by other ways (sent or posted ones);
// - the command keeps the window painted by calling KeepResponsive() often;
// - a strip over the window's bottom edge shows the current item and a
//   Cancel button; Cancel, Esc or closing the window ask the command to stop,
//   and the command stops at its next check of StopRequested();
// - boxes the command shows itself go through Prompt(), which keeps the
//   window disabled afterwards.
// An error escaping the command ends it; the busy state is left first, then
// the application's error display shows it once.

#include "framework/Controls.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class TLongCommandStrip;

class TLongCommand {
public:
  TLongCommand();
  ~TLongCommand();
  TLongCommand(const TLongCommand&) = delete;
  TLongCommand& operator=(const TLongCommand&) = delete;

  // The window the command belongs to, its progress bar and status bar.
  void Attach(HWND Owner, TProgressBar* Bar, TStatusBar* Status);

  // Called with false as a command starts and with true as it ends: the
  // window greys and restores its toolbar and menus.
  std::function<void(bool Enabled)> OnEnableCommands;

  // Runs Work unless a command runs already (then returns false at once).
  bool Run(const std::wstring& StatusText, const std::function<void()>& Work);
  bool Running() const { return FRunning; }

  void RequestStop() { FStop.store(true); }
  bool StopRequested() const { return FStop.load(); }
  // For walks on other threads or deep below that only read a flag.
  const std::atomic<bool>* StopFlag() const { return &FStop; }

  // The progress sink. The steps reach the bar together, as often as the
  // window repaints (and at the end, before the bar is emptied): under Wine
  // one step of the bar costs about as much as deleting a file.
  void SetProgress(int Position, int Max);
  void StepProgress(int By = 1);
  // The item in hand, shown after the status text and on the strip.
  void SetItem(const std::wstring& Text);

  // Lets the window repaint and Cancel act; cheap to call often.
  void KeepResponsive();
  // Delivers what waits in the queue now, however recently that was done last.
  void Respond();
  // Puts the steps not yet shown on the bar.
  void ShowProgress();

  // Shows a box of the command's own (a confirmation); the window stays
  // disabled for the rest of the command.
  template <typename TShow>
  auto Prompt(TShow&& Show) -> decltype(Show()) {
    struct TRedisable {
      TLongCommand& Command;
      ~TRedisable() { Command.DisableOwner(); }
    } Redisable{*this};
    ShowProgress();  // the bar as far as the command got, while the box asks
    return Show();
  }

  // True for a message that must not reach the owner while a command runs:
  // commands, list notifications of user actions, context menus, drops.
  bool Blocks(UINT Msg, WPARAM WParam, LPARAM LParam) const;

  // The strip's window while a command runs and it is shown, else null.
  HWND StripHandle() const;
  // How long a command runs before the strip shows, so that quick ones never
  // flash it; 0 shows it at the first KeepResponsive.
  void SetStripDelay(ULONGLONG Milliseconds) { FStripDelay = Milliseconds; }
  // How seldom KeepResponsive delivers the queue; 0 delivers it at every call.
  void SetResponseInterval(ULONGLONG Milliseconds) { FResponseInterval = Milliseconds; }

private:
  void Enter(const std::wstring& StatusText);
  void Leave() noexcept;
  void DisableOwner();
  void ShowStrip();

  HWND FOwner = nullptr;
  TProgressBar* FBar = nullptr;
  TStatusBar* FStatus = nullptr;
  bool FRunning = false;
  bool FOwnerWasEnabled = false;
  bool FOwnerWasActive = false;  // the owner had the activation as the command started
  std::atomic<bool> FStop{false};
  std::wstring FStatusText;
  std::wstring FItem;
  ULONGLONG FStripDelay = 300;
  // Often enough to repaint and to move the progress bar, seldom enough to cost nothing.
  ULONGLONG FResponseInterval = 50;
  ULONGLONG FStarted = 0;
  ULONGLONG FLastResponse = 0;
  int FPendingSteps = 0;  // steps not yet on the bar
  ULONGLONG FLastBarStep = 0;
  bool FFirstStep = true;  // the first step after SetProgress shows at once
  std::unique_ptr<TLongCommandStrip> FStrip;
};
