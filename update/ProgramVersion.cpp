#include "update/ProgramVersion.h"

#include <windows.h>

#include <cwchar>

#include <vector>

std::wstring FormatFileVersion(const std::wstring& FileVersion) {
  std::vector<std::wstring> Parts;
  size_t Start = 0;
  for (;;) {
    const size_t Dot = FileVersion.find(L'.', Start);
    Parts.push_back(FileVersion.substr(Start, Dot - Start));
    if (Dot == std::wstring::npos) break;
    Start = Dot + 1;
  }
  if (Parts.size() != 4) return FileVersion;
  for (size_t i = 1; i <= 2; ++i)
    if (Parts[i].size() < 2) Parts[i] = L"0" + Parts[i];
  return Parts[0] + L"." + Parts[1] + L"." + Parts[2];
}

std::wstring ProgramVersionText(const std::wstring& FileName) {
  DWORD Ignored = 0;
  const DWORD Size = GetFileVersionInfoSizeW(FileName.c_str(), &Ignored);
  if (Size == 0) return {};
  std::vector<BYTE> Block(Size);
  if (!GetFileVersionInfoW(FileName.c_str(), 0, Size, Block.data())) return {};
  struct TTranslation {
    WORD Language;
    WORD CodePage;
  }* Translation = nullptr;
  UINT Length = 0;
  if (!VerQueryValueW(Block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&Translation), &Length) ||
      Length < sizeof(TTranslation))
    return {};
  wchar_t Query[64];
  swprintf(Query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", Translation->Language, Translation->CodePage);
  wchar_t* Value = nullptr;
  if (!VerQueryValueW(Block.data(), Query, reinterpret_cast<void**>(&Value), &Length) || Length == 0) return {};
  return FormatFileVersion(Value);
}
