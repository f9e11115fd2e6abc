#include "framework/UserSid.h"

#include "framework/Handle.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

std::wstring CurrentUserSid() {
  UniqueKernelObject Token;
  HANDLE Opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &Opened)) return {};
  Token.reset(Opened);
  DWORD Size = 0;
  GetTokenInformation(Token.get(), TokenUser, nullptr, 0, &Size);
  if (Size == 0) return {};
  std::vector<BYTE> Buffer(Size);
  if (!GetTokenInformation(Token.get(), TokenUser, Buffer.data(), Size, &Size)) return {};
  wchar_t* Text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<const TOKEN_USER*>(Buffer.data())->User.Sid, &Text)) return {};
  std::wstring Result = Text;
  LocalFree(Text);
  return Result;
}
