#include "framework/FormatSettings.h"

#include <windows.h>

namespace {

std::wstring LocaleText(LCTYPE Type, const std::wstring& Fallback) {
  wchar_t Buffer[100];
  const int Length = GetLocaleInfoW(LOCALE_USER_DEFAULT, Type, Buffer, 100);
  if (Length <= 0) return Fallback;
  return std::wstring(Buffer, static_cast<size_t>(Length - 1));
}

}  // namespace

TFormatSettings TFormatSettings::FromUserLocale() {
  TFormatSettings Defaults;
  TFormatSettings Result;
  // A locale may group without a separator: keep that as an empty text.
  Result.ThousandSeparator = LocaleText(LOCALE_STHOUSAND, Defaults.ThousandSeparator);
  Result.DecimalSeparator = LocaleText(LOCALE_SDECIMAL, Defaults.DecimalSeparator);
  Result.DateSeparator = LocaleText(LOCALE_SDATE, Defaults.DateSeparator);
  Result.TimeSeparator = LocaleText(LOCALE_STIME, Defaults.TimeSeparator);
  Result.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, Defaults.ShortDateFormat);
  Result.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT, Defaults.LongTimeFormat);
  return Result;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings Settings = TFormatSettings::FromUserLocale();
  return Settings;
}

TFormatSettingsOverride::TFormatSettingsOverride(const TFormatSettings& Settings) : FSaved(FormatSettings()) {
  FormatSettings() = Settings;
}

TFormatSettingsOverride::~TFormatSettingsOverride() { FormatSettings() = FSaved; }

std::wstring FormatGrouped(long long Value, const std::wstring& ThousandSeparator) {
  // Work on the magnitude as unsigned so that the most negative value is fine.
  unsigned long long Magnitude =
      Value < 0 ? 0ull - static_cast<unsigned long long>(Value) : static_cast<unsigned long long>(Value);
  const std::wstring Digits = std::to_wstring(Magnitude);
  std::wstring Result;
  Result.reserve(Digits.size() + Digits.size() / 3 * ThousandSeparator.size() + 1);
  if (Value < 0) Result += L'-';
  for (size_t i = 0; i < Digits.size(); ++i) {
    if (i != 0 && (Digits.size() - i) % 3 == 0) Result += ThousandSeparator;
    Result += Digits[i];
  }
  return Result;
}
