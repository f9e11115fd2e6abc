#include "framework/Exception.h"

#include "framework/Text.h"

#include <windows.h>

Exception::Exception(std::wstring Message)
    : FMessage(std::move(Message)), FNarrow(WideToUtf8(FMessage)) {}

EListError EListError::IndexOutOfBounds(int Index) {
  return EListError(L"List index out of bounds (" + std::to_wstring(Index) + L")");
}

EOSError::EOSError(unsigned long ErrorCode, const std::wstring& Context)
    : Exception(Context.empty() ? SysErrorMessage(ErrorCode)
                                : Context + L": " + SysErrorMessage(ErrorCode)),
      FErrorCode(ErrorCode) {}

void Win32Check(bool Condition, const std::wstring& Context) {
  if (!Condition) throw EOSError(GetLastError(), Context);
}

std::wstring SysErrorMessage(unsigned long ErrorCode) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ErrorCode, 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
  std::wstring Result;
  if (Length != 0 && Buffer != nullptr) {
    Result.assign(Buffer, Length);
    while (!Result.empty() && (Result.back() == L'\n' || Result.back() == L'\r' || Result.back() == L' '))
      Result.pop_back();
  } else {
    Result = L"System error " + std::to_wstring(ErrorCode);
  }
  if (Buffer != nullptr) LocalFree(Buffer);
  return Result;
}
