#include "update/UpdateFolder.h"

#include "framework/Exception.h"
#include "framework/FileSystem.h"

#include <windows.h>
#include <bcrypt.h>
#include <sddl.h>

#include <utility>
#include <vector>

namespace {

namespace traits {
struct LocalMemory {
  using Type = void*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type p) noexcept { LocalFree(p); }
};
}  // namespace traits
using UniqueLocal = UniqueHandle<traits::LocalMemory>;

// The SID of the user the process runs for, as text ("S-1-5-21-...").
std::wstring UserSidText() {
  HANDLE Token = nullptr;
  Win32Check(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &Token) != FALSE, L"Process token");
  const UniqueKernelObject Owned(Token);
  DWORD Size = 0;
  GetTokenInformation(Token, TokenUser, nullptr, 0, &Size);
  std::vector<BYTE> Buffer(Size);
  Win32Check(Size > 0 && GetTokenInformation(Token, TokenUser, Buffer.data(), Size, &Size) != FALSE, L"Process user");
  wchar_t* Text = nullptr;
  Win32Check(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(Buffer.data())->User.Sid, &Text) != FALSE,
             L"Process user");
  const UniqueLocal Free(Text);
  return Text;
}

}  // namespace

std::wstring RandomFolderName() {
  unsigned char Bytes[16] = {};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, Bytes, sizeof(Bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    throw EOSError(ERROR_GEN_FAILURE, L"Random folder name");
  static const wchar_t Digits[] = L"0123456789abcdef";
  std::wstring Name;
  for (const unsigned char Byte : Bytes) {
    Name += Digits[Byte >> 4];
    Name += Digits[Byte & 15];
  }
  return Name;
}

std::wstring DefaultUpdateRoot() {
  wchar_t Temp[MAX_PATH + 1] = L"";
  Win32Check(GetTempPathW(MAX_PATH + 1, Temp) != 0, L"Temporary folder");
  return JoinPath(ExcludeTrailingPathDelimiter(Temp), L"Marrowby Updates");
}

TUpdateFolder::TUpdateFolder(const std::wstring& Root) {
  const std::wstring Top = ExcludeTrailingPathDelimiter(Root);
  if (!CreateDirectoryW(LongPathForm(Top).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw EOSError(GetLastError(), Top);
  FRoot = TOpenedFolder::Open(Top);
  if (!FRoot.valid()) throw EOSError(ERROR_CANT_ACCESS_FILE, Top);

  // Only the user, SYSTEM and the administrators; nothing inherited from
  // the temporary folder, which others may be able to reach.
  const std::wstring Sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + UserSidText() + L")";
  PSECURITY_DESCRIPTOR Descriptor = nullptr;
  Win32Check(ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl.c_str(), SDDL_REVISION_1, &Descriptor,
                                                                   nullptr) != FALSE,
             L"Update folder access");
  const UniqueLocal Free(Descriptor);
  SECURITY_ATTRIBUTES Attributes{sizeof(Attributes), Descriptor, FALSE};
  // A name that exists already is never taken over: another one is drawn.
  for (int Attempt = 0;; ++Attempt) {
    FName = RandomFolderName();
    const std::wstring Folder = JoinPath(Top, FName);
    if (CreateDirectoryW(LongPathForm(Folder).c_str(), &Attributes)) {
      FPath = Folder + L"\\";
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || Attempt >= 3) throw EOSError(GetLastError(), Folder);
  }
  FFolder = FRoot.OpenFolder(FName, false);
  if (!FFolder.valid()) {
    FRoot.RemoveEntry(FName, FILE_ATTRIBUTE_DIRECTORY);
    throw EOSError(ERROR_CANT_ACCESS_FILE, FPath);
  }
}

TUpdateFolder::~TUpdateFolder() {
  FFolder = TOpenedFolder();
  if (!FKeep) FRoot.RemoveEntry(FName, FILE_ATTRIBUTE_DIRECTORY);
}

UniqueFile TUpdateFolder::CreateNewFile(const std::wstring& Name) const {
  const std::wstring File = FPath + Name;
  UniqueFile Handle(CreateFileW(LongPathForm(File).c_str(), GENERIC_WRITE | GENERIC_READ, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  Win32Check(Handle.valid(), File);
  return Handle;
}

void RemoveUpdateLeftovers(const std::wstring& Root) {
  const TOpenedFolder Folder = TOpenedFolder::Open(ExcludeTrailingPathDelimiter(Root));
  if (!Folder.valid()) return;
  std::vector<std::pair<std::wstring, DWORD>> Entries;
  Folder.List([&Entries](std::wstring_view Name, DWORD Attributes) { Entries.emplace_back(Name, Attributes); });
  // What is still in use (an installer that runs) stays until a later start.
  for (const auto& [Name, Attributes] : Entries) Folder.RemoveEntry(Name, Attributes);
}
