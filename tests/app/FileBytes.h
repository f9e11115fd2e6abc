#pragma once
// The bytes of a file as they are on disk; empty when it cannot be read.

#include "framework/Handle.h"

#include <string>

inline std::string ReadFileBytes(const std::wstring& Path) {
  UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return {};
  std::string Content;
  char Buffer[65536];
  DWORD Read = 0;
  while (ReadFile(File.get(), Buffer, sizeof(Buffer), &Read, nullptr) && Read > 0) Content.append(Buffer, Read);
  return Content;
}
