#include "app/SingleInstance.h"

#include "framework/UserSid.h"

namespace {

struct TSharedState {
  // The main window of the first instance; 0 until it exists.
  volatile LONG64 MainWindow;
  // 1 while the first instance is an unattended run.
  volatile LONG64 Unattended;
};

}  // namespace

TSingleInstanceGuard::TSingleInstanceGuard(std::wstring Name) : FName(std::move(Name)) {}

std::wstring TSingleInstanceGuard::DefaultName() {
  const std::wstring Sid = CurrentUserSid();
  // Without the SID the name is one per machine: still never two beside each other.
  return Sid.empty() ? std::wstring(L"Global\\Brenlow.Marrowby.Instance") : L"Global\\Brenlow.Marrowby.Instance." + Sid;
}

bool TSingleInstanceGuard::Acquire() {
  // The mutex decides: any process may make one in Global\, in any session.
  // One that another elevation level made may exist and refuse to be opened.
  FMutex.reset(CreateMutexW(nullptr, FALSE, (FName + L".Running").c_str()));
  const DWORD MutexError = GetLastError();
  const bool Running = FMutex ? MutexError == ERROR_ALREADY_EXISTS : MutexError == ERROR_ACCESS_DENIED;
  if (Running) {
    // The first instance keeps the name; this one only reads what it published.
    FMutex.reset();
    FMapping.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, FName.c_str()));
    if (FMapping) FView.reset(MapViewOfFile(FMapping.get(), FILE_MAP_READ, 0, 0, sizeof(TSharedState)));
    return false;
  }
  // Without the mutex nothing can be shared: run alone, as before any guard.
  if (!FMutex) return true;
  // A mapping in Global\ needs the right to create global objects, which an
  // elevated program has; without it a later start only learns that one runs.
  FMapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(TSharedState),
                                    FName.c_str()));
  if (FMapping && GetLastError() == ERROR_ALREADY_EXISTS) {
    // Left by an instance that is ending: its state is not this one's.
    FMapping.reset();
    return true;
  }
  if (FMapping) FView.reset(MapViewOfFile(FMapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(TSharedState)));
  return true;
}

void TSingleInstanceGuard::Publish(HWND MainWindow) {
  if (!FView) return;
  auto* State = static_cast<TSharedState*>(FView.get());
  InterlockedExchange64(&State->MainWindow, static_cast<LONG64>(reinterpret_cast<INT_PTR>(MainWindow)));
}

void TSingleInstanceGuard::PublishUnattended() {
  if (!FView) return;
  InterlockedExchange64(&static_cast<TSharedState*>(FView.get())->Unattended, 1);
}

bool TSingleInstanceGuard::RunningUnattended() const {
  if (!FView) return false;
  return static_cast<const TSharedState*>(FView.get())->Unattended != 0;
}

bool TSingleInstanceGuard::ActivateRunning(const std::wstring& CommandLine) const {
  if (!FView) return false;
  const auto* State = static_cast<const TSharedState*>(FView.get());
  // The first instance may still be starting: give it a few seconds to show its window.
  HWND Window = nullptr;
  for (int Attempt = 0; Attempt < 100 && Window == nullptr; ++Attempt) {
    if (State->Unattended != 0) return false;
    Window = reinterpret_cast<HWND>(static_cast<INT_PTR>(State->MainWindow));
    if (Window == nullptr) Sleep(50);
  }
  if (Window == nullptr || !IsWindow(Window)) return false;

  if (IsIconic(Window)) ShowWindow(Window, SW_RESTORE);
  SetForegroundWindow(Window);

  COPYDATASTRUCT Data{};
  Data.dwData = CommandLineTag;
  Data.cbData = static_cast<DWORD>((CommandLine.size() + 1) * sizeof(wchar_t));
  Data.lpData = const_cast<wchar_t*>(CommandLine.c_str());
  DWORD_PTR Answer = 0;
  SendMessageTimeoutW(Window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&Data), SMTO_ABORTIFHUNG, 5000, &Answer);
  return true;
}
