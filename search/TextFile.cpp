#include "search/TextFile.h"

#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/Text.h"

#include <windows.h>

namespace {

constexpr size_t ChunkSize = 64 * 1024;
constexpr size_t TextTestBytes = 1000;

UniqueFile OpenForReading(const std::wstring& FileName) {
  UniqueFile File(CreateFileW(LongPathForm(FileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  Win32Check(File.valid(), FileName);
  return File;
}

// Reads until Size bytes or the end of the file; returns the count read.
size_t ReadUpTo(HANDLE File, const std::wstring& FileName, uint8_t* Buffer, size_t Size) {
  size_t Total = 0;
  while (Total < Size) {
    DWORD Read = 0;
    Win32Check(ReadFile(File, Buffer + Total, static_cast<DWORD>(Size - Total), &Read, nullptr) != FALSE, FileName);
    if (Read == 0) break;
    Total += Read;
  }
  return Total;
}

}  // namespace

TTextFileReader::TTextFileReader(const std::wstring& FileName)
    : FFileName(FileName), FFile(OpenForReading(FileName)), FBuffer(ChunkSize) {
  FEnd = ReadUpTo(FFile.get(), FFileName, FBuffer.data(), 4);
  const uint8_t* b = FBuffer.data();
  if (FEnd >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    FEncoding = TEncoding::Utf8;
    FPos = 3;
  } else if (FEnd >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    FEncoding = TEncoding::Utf16LE;
    FPos = 2;
  } else if (FEnd >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    FEncoding = TEncoding::Utf16BE;
    FPos = 2;
  }
}

bool TTextFileReader::Fill() {
  FPos = 0;
  FEnd = ReadUpTo(FFile.get(), FFileName, FBuffer.data(), FBuffer.size());
  return FEnd != 0;
}

bool TTextFileReader::NextByte(uint8_t& Byte) {
  if (FPos == FEnd && !Fill()) return false;
  Byte = FBuffer[FPos++];
  return true;
}

bool TTextFileReader::NextUnit(uint16_t& Unit) {
  uint8_t First = 0;
  if (!NextByte(First)) return false;
  if (FEncoding == TEncoding::Ansi || FEncoding == TEncoding::Utf8) {
    Unit = First;
    return true;
  }
  // A lone byte at the end of a UTF-16 file is not a character.
  uint8_t Second = 0;
  if (!NextByte(Second)) return false;
  Unit = FEncoding == TEncoding::Utf16LE ? static_cast<uint16_t>(First | (Second << 8))
                                         : static_cast<uint16_t>((First << 8) | Second);
  return true;
}

bool TTextFileReader::ReadLine(std::wstring& Line) {
  const bool Wide = FEncoding == TEncoding::Utf16LE || FEncoding == TEncoding::Utf16BE;
  Line.clear();
  FBytes.clear();
  bool Any = false;
  uint16_t Unit = 0;
  while (NextUnit(Unit)) {
    if (FSkipLineFeed) {
      FSkipLineFeed = false;
      if (Unit == L'\n') continue;  // the second half of a CR LF
    }
    Any = true;
    if (Unit == L'\r') {
      FSkipLineFeed = true;
      break;
    }
    if (Unit == L'\n') break;
    if (Wide)
      Line.push_back(static_cast<wchar_t>(Unit));
    else
      FBytes.push_back(static_cast<char>(Unit));
  }
  if (!Any) return false;
  if (!Wide) Line = FEncoding == TEncoding::Utf8 ? Utf8ToWide(FBytes) : AnsiToWide(FBytes);
  return true;
}

bool LooksLikeTextFile(const std::wstring& FileName) {
  UniqueFile File = OpenForReading(FileName);
  uint8_t Head[TextTestBytes];
  const size_t Count = ReadUpTo(File.get(), FileName, Head, sizeof(Head));
  for (size_t i = 0; i < Count; ++i)
    if (Head[i] > 0x7F) return false;
  return true;
}
