#include "UpdateServer.h"

#include "framework/FileSystem.h"
#include "framework/Handle.h"
#include "framework/Text.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::wstring ServerDir() {
  const wchar_t* Dir = _wgetenv(L"MARROWBY_UPDATE_SERVER");
  return Dir != nullptr ? Dir : L"";
}

std::wstring Port(const std::string& Scheme) {
  std::ifstream Ports(WideToUtf8(JoinPath(ServerDir(), L"ports")));
  std::string Line;
  while (std::getline(Ports, Line))
    if (Line.rfind(Scheme + "=", 0) == 0) return Utf8ToWide(Line.substr(Scheme.size() + 1));
  return {};
}

}  // namespace

bool UpdateServerRunning() { return !ServerDir().empty() && !Port("http").empty(); }

std::wstring HttpOrigin() { return L"http://127.0.0.1:" + Port("http"); }

std::wstring HttpsOrigin() {
  const std::wstring Number = Port("https");
  return Number.empty() ? L"" : L"https://127.0.0.1:" + Number;
}

TServedFolder::TServedFolder() {
  static std::atomic<int> Counter{0};
  FName = L"t" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++Counter);
  FPath = JoinPath(JoinPath(ServerDir(), L"www"), FName);
  CreateDirectoryW(JoinPath(ServerDir(), L"www").c_str(), nullptr);
  CreateDirectoryW(FPath.c_str(), nullptr);
}

TServedFolder::~TServedFolder() { RemoveTree(FPath); }

std::wstring TServedFolder::Path(const std::wstring& File) const { return JoinPath(FPath, File); }

std::wstring TServedFolder::Write(const std::wstring& File, const std::string& Content) const {
  const std::wstring Full = Path(File);
  UniqueFile Handle(CreateFileW(Full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD Written = 0;
  if (Handle && !Content.empty())
    WriteFile(Handle.get(), Content.data(), static_cast<DWORD>(Content.size()), &Written, nullptr);
  return Full;
}

std::wstring TServedFolder::URL(const std::wstring& File, const std::wstring& Route) const {
  return HttpOrigin() + L"/" + (Route.empty() ? L"" : Route + L"/") + FName + L"/" + File;
}

std::string PatternBytes(size_t Size) {
  std::string Bytes(Size, '\0');
  uint32_t Value = 2463534242u;
  for (char& Byte : Bytes) {
    Value ^= Value << 13;
    Value ^= Value >> 17;
    Value ^= Value << 5;
    Byte = static_cast<char>(Value);
  }
  return Bytes;
}

std::string ReadFileBytes(const std::wstring& FileName) {
  UniqueFile File(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  if (!File) return {};
  std::string Bytes;
  char Buffer[65536];
  DWORD Read = 0;
  while (ReadFile(File.get(), Buffer, sizeof(Buffer), &Read, nullptr) && Read > 0) Bytes.append(Buffer, Read);
  return Bytes;
}
