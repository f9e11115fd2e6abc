#pragma once
// The user's number, date and time format, read once from the user locale.
// Tests may change the process-wide copy (see TFormatSettingsOverride).

#include <string>

struct TFormatSettings {
  std::wstring ThousandSeparator = L",";
  std::wstring DecimalSeparator = L".";
  std::wstring DateSeparator = L"/";
  std::wstring TimeSeparator = L":";
  std::wstring ShortDateFormat = L"M/d/yyyy";  // GetLocaleInfo picture
  std::wstring LongTimeFormat = L"h:mm:ss tt";

  static TFormatSettings FromUserLocale();
};

// The process-wide settings, filled from the user locale on first use.
TFormatSettings& FormatSettings();

// Replaces the process-wide settings for the lifetime of the object.
class TFormatSettingsOverride {
public:
  explicit TFormatSettingsOverride(const TFormatSettings& Settings);
  ~TFormatSettingsOverride();
  TFormatSettingsOverride(const TFormatSettingsOverride&) = delete;
  TFormatSettingsOverride& operator=(const TFormatSettingsOverride&) = delete;

private:
  TFormatSettings FSaved;
};

// Digits of an integer with the thousands separator between every three
// from the right and a leading minus sign for negative values.
std::wstring FormatGrouped(long long Value, const std::wstring& ThousandSeparator);
