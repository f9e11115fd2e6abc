#include "support/TempDir.h"

#include "framework/Exception.h"
#include "framework/Handle.h"

#include <algorithm>
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

TTempDir::~TTempDir() { RemoveTree(FPath); }

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

std::vector<std::wstring> NamesIn(const std::wstring& Folder) {
  std::vector<std::wstring> Names;
  WIN32_FIND_DATAW Data;
  const UniqueFind Find(FindFirstFileW((Folder + L"\\*").c_str(), &Data));
  if (!Find) return Names;
  do {
    if (!IsDotName(Data.cFileName)) Names.emplace_back(Data.cFileName);
  } while (FindNextFileW(Find.get(), &Data));
  std::sort(Names.begin(), Names.end());
  return Names;
}
