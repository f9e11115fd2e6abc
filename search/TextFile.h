#pragma once
// Text files as the matcher reads them.

#include "framework/Handle.h"

#include <cstdint>
#include <string>
#include <vector>

// Reads a file line by line. The encoding comes from a byte-order mark
// (UTF-8, UTF-16 little or big endian), else the system's ANSI code page.
// Lines end at CR LF, LF or CR; a line break at the very end of the file does
// not start another line. The file is read in chunks, so only the longest
// line has to fit in memory.
class TTextFileReader {
public:
  // Raises EOSError when the file cannot be opened.
  explicit TTextFileReader(const std::wstring& FileName);

  // The next line; false after the last one. Raises EOSError when a read fails.
  bool ReadLine(std::wstring& Line);

private:
  enum class TEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

  bool Fill();
  bool NextByte(uint8_t& Byte);
  bool NextUnit(uint16_t& Unit);

  std::wstring FFileName;
  UniqueFile FFile;
  TEncoding FEncoding = TEncoding::Ansi;
  std::vector<uint8_t> FBuffer;
  size_t FPos = 0;
  size_t FEnd = 0;
  bool FSkipLineFeed = false;
  std::string FBytes;
};

// True unless one of the first 1000 bytes of the file is above 0x7F (control
// bytes such as NUL are fine). Raises EOSError when the file cannot be opened
// or read.
bool LooksLikeTextFile(const std::wstring& FileName);
