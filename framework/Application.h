#pragma once
// The application object: module handle, title, the forms it owns, the
// message loop and the default error display.

#include "framework/Object.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

class TForm;

class TApplication : public TObject {
public:
  TApplication();
  ~TApplication() override;

  HINSTANCE HInstance() const { return FInstance; }

  // Common controls and COM for the user-interface thread.
  void Initialize();

  const std::wstring& Title() const { return FTitle; }
  void SetTitle(const std::wstring& Value) { FTitle = Value; }
  bool MainFormOnTaskBar = true;

  // Creates a form owned by the application; the first one becomes the main form.
  template <typename TFormClass, typename... TArgs>
  TFormClass* CreateForm(TArgs&&... Args) {
    auto Form = std::make_unique<TFormClass>(std::forward<TArgs>(Args)...);
    TFormClass* Result = Form.get();
    FOwnedForms.push_back(std::move(Form));
    if (FMainForm == nullptr) FMainForm = Result;
    return Result;
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and dispatches messages until it has closed.
  void Run();
  // Dispatches every waiting message, then returns.
  void ProcessMessages();
  // Waits for one message and dispatches it.
  void HandleMessage();
  // Dispatches one message taken from the queue: keyboard translation for the
  // form it belongs to, then its window.
  void Deliver(MSG& Message);
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // The default error display: the message in a box; the command that raised
  // it has ended, the program goes on.
  void HandleException(const std::exception& Error) noexcept;

  // Forms register themselves for keyboard translation.
  void RegisterForm(TForm* Form);
  void UnregisterForm(TForm* Form);

  // Modeless system dialogs (find) get their keyboard handling (Tab, Enter,
  // Escape) from the message loop while registered.
  void AddModelessDialog(HWND Dialog);
  void RemoveModelessDialog(HWND Dialog) noexcept;

private:
  bool TranslateForForm(MSG& Message);
  void Dispatch(MSG& Message);

  HINSTANCE FInstance;
  std::wstring FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FComInitialised = false;
  bool FShowingError = false;
  std::vector<std::unique_ptr<TForm>> FOwnedForms;
  std::vector<TForm*> FForms;
  std::vector<HWND> FModelessDialogs;
};

// The program's one application object.
TApplication& Application();
