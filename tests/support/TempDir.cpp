#include "support/TempDir.h"

#include "framework/Exception.h"
#include "framework/Handle.h"

#include <atomic>

namespace {

std::atomic<unsigned> GCounter{0};

void MakeParents(const std::wstring& Path) {
  for (size_t At = Path.find(L'\\', 3); At != std::wstring::npos; At = Path.find(L'\\', At + 1))
    CreateDirectoryW(Path.substr(0, At).c_str(), nullptr);
}

}  // namespace

TTempDir::TTempDir() {
  wchar_t Temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, Temp);
  for (;;) {
    FPath = std::wstring(Temp) + L"MarrowbyTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GCounter++) + L"-" + std::to_wstring(GetTickCount64() % 100000);
    if (CreateDirectoryW(FPath.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw EOSError(GetLastError(), FPath);
  }
}

TTempDir::~TTempDir() {
  // A search leaves the current directory in the folder it listed last, and
  // the current directory cannot be removed: step out of the tree first.
  wchar_t Current[MAX_PATH + 1] = L"";
  const DWORD Length = GetCurrentDirectoryW(MAX_PATH + 1, Current);
  const std::wstring Here(Current, Length <= MAX_PATH ? Length : 0);
  if (Here.size() >= FPath.size() && CompareStringOrdinal(Here.c_str(), static_cast<int>(FPath.size()), FPath.c_str(),
                                                          static_cast<int>(FPath.size()), TRUE) == CSTR_EQUAL &&
      (Here.size() == FPath.size() || Here[FPath.size()] == L'\\'))
    SetCurrentDirectoryW(ExtractFilePath(FPath).c_str());
  RemoveTree(FPath);
}

std::wstring TTempDir::operator/(const std::wstring& Relative) const { return FPath + L"\\" + Relative; }

std::wstring TTempDir::MakeDir(const std::wstring& Relative, DWORD Attributes) {
  const std::wstring Full = *this / Relative;
  MakeParents(Full + L"\\");
  if (Attributes != 0) SetFileAttributesW(Full.c_str(), Attributes);
  return Full;
}

std::wstring TTempDir::MakeFile(const std::wstring& Relative, uint64_t Size, DWORD Attributes) {
  return MakeFile(Relative, std::string(static_cast<size_t>(Size), 'x'), Attributes);
}

std::wstring TTempDir::MakeFile(const std::wstring& Relative, const std::string& Content, DWORD Attributes) {
  const std::wstring Full = *this / Relative;
  MakeParents(Full);
  UniqueFile File(CreateFileW(Full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  Win32Check(File.valid(), Full);
  DWORD Written = 0;
  if (!Content.empty()) WriteFile(File.get(), Content.data(), static_cast<DWORD>(Content.size()), &Written, nullptr);
  File.reset();
  if (Attributes != 0) SetFileAttributesW(Full.c_str(), Attributes);
  return Full;
}

void RemoveTree(const std::wstring& Path) {
  WIN32_FIND_DATAW Data;
  UniqueFind Find(FindFirstFileW((Path + L"\\*").c_str(), &Data));
  if (Find) {
    do {
      const std::wstring Name = Data.cFileName;
      if (Name == L"." || Name == L"..") continue;
      const std::wstring Child = Path + L"\\" + Name;
      SetFileAttributesW(Child.c_str(), FILE_ATTRIBUTE_NORMAL);
      // A link is removed itself, never followed.
      if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (Data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        RemoveTree(Child);
      else if ((Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        RemoveDirectoryW(Child.c_str());
      else
        DeleteFileW(Child.c_str());
    } while (FindNextFileW(Find.get(), &Data));
  }
  Find.reset();
  SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(Path.c_str());
}
