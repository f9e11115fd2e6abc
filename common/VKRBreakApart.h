#pragma once
// Splits a text at every occurrence of a separator into a list of parts, and
// joins a list back into one text.

#include "framework/Object.h"

#include <string>
#include <vector>

class TVKRBreakApart : public TObject {
public:
  TVKRBreakApart() = default;

  const std::wstring& BaseString() const { return FBaseString; }
  void SetBaseString(const std::wstring& Value) { FBaseString = Value; }
  const std::wstring& BreakString() const { return FBreakString; }
  void SetBreakString(const std::wstring& Value) { FBreakString = Value; }
  const std::vector<std::wstring>& StringList() const { return FStringList; }
  std::vector<std::wstring>& StringList() { return FStringList; }
  void SetStringList(const std::vector<std::wstring>& Value) { FStringList = Value; }
  bool AllowEmptyString() const { return FAllowEmptyString; }
  void SetAllowEmptyString(bool Value) { FAllowEmptyString = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
  bool DoubleQuoteMode() const { return FDoubleQuoteMode; }
  void SetDoubleQuoteMode(bool Value) { FDoubleQuoteMode = Value; }

  // BaseString into StringList (cleared first).
  void BreakApart();
  // StringList into BaseString.
  void ReverseBreakApart();

  // One-call forms for the common use: split or join with the given rules.
  static std::vector<std::wstring> Split(const std::wstring& Text, const std::wstring& Separator,
                                         bool AllowEmpty = false);
  static std::wstring Join(const std::vector<std::wstring>& Parts, const std::wstring& Separator,
                           bool AllowEmpty = false);

private:
  bool IgnoresCase() const;
  void JoinQuotedRuns();

  std::wstring FBaseString;
  std::wstring FBreakString;
  std::vector<std::wstring> FStringList;
  bool FAllowEmptyString = false;
  bool FCaseSensitive = false;
  bool FDoubleQuoteMode = false;
};
