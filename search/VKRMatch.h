#pragma once
// Tells whether a text, or the content of text files, contains a wildcard
// pattern, and on request how many times the pattern text occurs in it.
// Without hit counting a simple engine knowing "*" and "?" answers; with hit
// counting an engine that also knows character sets ("[0..9]", "[!a..z]",
// "[3:0..9]") answers, and the occurrences are counted line by line.

#include "common/VKRBreakApart.h"
#include "framework/Object.h"

#include <cstdint>
#include <string>
#include <vector>

class TVKRMatch : public TObject {
public:
  TVKRMatch();

  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
  // Simple engine only: also fold the accented letters a French text uses.
  bool ExtraChars() const { return FExtraChars; }
  void SetExtraChars(bool Value) { FExtraChars = Value; }
  bool HitsCountEnabled() const { return FHitsCountEnabled; }
  void SetHitsCountEnabled(bool Value) { FHitsCountEnabled = Value; }
  // The pattern is looked for anywhere in the text: it is kept between stars.
  std::wstring Pattern() const;
  void SetPattern(const std::wstring& Value);
  bool SkipBinaryFile() const { return FSkipBinaryFile; }
  void SetSkipBinaryFile(bool Value) { FSkipBinaryFile = Value; }
  // With SourceIsFile: file names separated by ";"; otherwise the text itself.
  std::wstring Source() const;
  void SetSource(const std::wstring& Value);
  bool SourceIsFile() const { return FSourceIsFile; }
  void SetSourceIsFile(bool Value) { FSourceIsFile = Value; }

  // The file names one by one, for names that contain ";" themselves.
  const std::vector<std::wstring>& SourceFiles() const { return FSource; }
  void SetSourceFiles(std::vector<std::wstring> Value) { FSource = std::move(Value); }

  // Occurrences counted by the last Match.
  int32_t HitsCount() const { return FHitsCount; }

  // Missing files, and binary ones with SkipBinaryFile, are passed over; a
  // file that exists but cannot be read raises EOSError.
  bool Match();

private:
  bool IsUsedFile(const std::wstring& FileName) const;
  bool MatchFilesCounting();
  bool MatchFilesSimple();

  bool FCaseSensitive = false;
  TVKRBreakApart FConvert;
  bool FExtraChars = false;
  int32_t FHitsCount = 0;
  bool FHitsCountEnabled = false;
  std::wstring FPattern;
  bool FSkipBinaryFile = false;
  bool FSourceIsFile = false;
  std::vector<std::wstring> FSource;
  std::wstring FStringSource;
};
