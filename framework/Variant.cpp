#include "framework/Variant.h"

#include "framework/Exception.h"
#include "framework/FormatSettings.h"
#include "framework/Text.h"

#include <windows.h>
#include <oleauto.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <limits>

namespace {

// Float parsing with the user's decimal separator; the whole text must be used.
bool TryTextToFloat(const std::wstring& Text, double& Value) {
  std::wstring Normalised;
  const std::wstring& Decimal = FormatSettings().DecimalSeparator;
  size_t i = 0;
  while (i < Text.size() && Text[i] == L' ') ++i;
  size_t End = Text.size();
  while (End > i && Text[End - 1] == L' ') --End;
  for (; i < End; ++i) {
    if (!Decimal.empty() && Text.compare(i, Decimal.size(), Decimal) == 0) {
      Normalised += L'.';
      i += Decimal.size() - 1;
    } else if (Text[i] == L'.' && Decimal != L".") {
      return false;
    } else {
      Normalised += Text[i];
    }
  }
  if (Normalised.empty()) return false;
  for (wchar_t c : Normalised)
    if (!((c >= L'0' && c <= L'9') || c == L'.' || c == L'+' || c == L'-' || c == L'e' || c == L'E')) return false;
  wchar_t* Stop = nullptr;
  Value = std::wcstod(Normalised.c_str(), &Stop);
  return Stop != nullptr && *Stop == L'\0';
}

std::wstring DateToText(double Days) {
  SYSTEMTIME Time{};
  if (!VariantTimeToSystemTime(Days, &Time)) return FloatToStr(Days);
  wchar_t Date[100] = L"";
  wchar_t Clock[100] = L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &Time, nullptr, Date, 100);
  std::wstring Result = Date;
  if (Days - std::floor(Days) != 0.0) {
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &Time, nullptr, Clock, 100);
    Result += L' ';
    Result += Clock;
  }
  return Result;
}

}  // namespace

std::wstring FloatToStr(double Value) {
  if (std::isnan(Value)) return L"NAN";
  if (std::isinf(Value)) return Value > 0 ? L"INF" : L"-INF";
  wchar_t Buffer[64];
  std::swprintf(Buffer, 64, L"%.15G", Value);
  std::wstring Text = Buffer;
  const std::wstring& Decimal = FormatSettings().DecimalSeparator;
  const size_t Dot = Text.find(L'.');
  if (Dot != std::wstring::npos) Text.replace(Dot, 1, Decimal);
  return Text;
}

Variant::Variant(bool Value) noexcept : FType(TVarType::varBoolean), FInteger(Value ? 1 : 0) {}
Variant::Variant(int8_t Value) noexcept : FType(TVarType::varShortInt), FInteger(Value) {}
Variant::Variant(uint8_t Value) noexcept : FType(TVarType::varByte), FInteger(Value) {}
Variant::Variant(int16_t Value) noexcept : FType(TVarType::varSmallint), FInteger(Value) {}
Variant::Variant(uint16_t Value) noexcept : FType(TVarType::varWord), FInteger(Value) {}
Variant::Variant(int32_t Value) noexcept : FType(TVarType::varInteger), FInteger(Value) {}
Variant::Variant(uint32_t Value) noexcept : FType(TVarType::varLongWord), FInteger(Value) {}
Variant::Variant(int64_t Value) noexcept : FType(TVarType::varInt64), FInteger(Value) {}
Variant::Variant(uint64_t Value) noexcept : FType(TVarType::varUInt64), FInteger(static_cast<int64_t>(Value)) {}
Variant::Variant(float Value) noexcept : FType(TVarType::varSingle), FFloat(Value) {}
Variant::Variant(double Value) noexcept : FType(TVarType::varDouble), FFloat(Value) {}
Variant::Variant(const wchar_t* Value) : FType(TVarType::varUString), FText(Value != nullptr ? Value : L"") {}
Variant::Variant(std::wstring Value) : FType(TVarType::varUString), FText(std::move(Value)) {}

Variant Variant::Null() { return Variant(TVarType::varNull); }

Variant Variant::Currency(int64_t Scaled) {
  Variant Result(TVarType::varCurrency);
  Result.FInteger = Scaled;
  return Result;
}

Variant Variant::Date(double Days) {
  Variant Result(TVarType::varDate);
  Result.FFloat = Days;
  return Result;
}

Variant Variant::OleStr(std::wstring Value) {
  Variant Result(TVarType::varOleStr);
  Result.FText = std::move(Value);
  return Result;
}

Variant Variant::AnsiString(std::string Value) {
  Variant Result(TVarType::varString);
  Result.FAnsi = std::move(Value);
  return Result;
}

Variant Variant::Array(std::vector<Variant> Items) {
  Variant Result(TVarType::varArray);
  Result.FArray = std::make_shared<const std::vector<Variant>>(std::move(Items));
  return Result;
}

Variant Variant::Object() { return Variant(TVarType::varUnknown); }

const std::vector<Variant>& Variant::AsArray() const {
  static const std::vector<Variant> None;
  return FArray ? *FArray : None;
}

bool Variant::IsText() const noexcept {
  return FType == TVarType::varOleStr || FType == TVarType::varUString || FType == TVarType::varString;
}

bool Variant::IsOrdinal() const noexcept {
  switch (FType) {
    case TVarType::varSmallint:
    case TVarType::varInteger:
    case TVarType::varBoolean:
    case TVarType::varShortInt:
    case TVarType::varByte:
    case TVarType::varWord:
    case TVarType::varLongWord:
    case TVarType::varInt64:
    case TVarType::varUInt64:
      return true;
    default:
      return false;
  }
}

std::wstring Variant::TypeName(TVarType Type) {
  switch (Type) {
    case TVarType::varEmpty: return L"Empty";
    case TVarType::varNull: return L"Null";
    case TVarType::varSmallint: return L"Smallint";
    case TVarType::varInteger: return L"Integer";
    case TVarType::varSingle: return L"Single";
    case TVarType::varDouble: return L"Double";
    case TVarType::varCurrency: return L"Currency";
    case TVarType::varDate: return L"Date";
    case TVarType::varOleStr: return L"OleStr";
    case TVarType::varDispatch: return L"Dispatch";
    case TVarType::varBoolean: return L"Boolean";
    case TVarType::varUnknown: return L"Unknown";
    case TVarType::varShortInt: return L"ShortInt";
    case TVarType::varByte: return L"Byte";
    case TVarType::varWord: return L"Word";
    case TVarType::varLongWord: return L"Cardinal";
    case TVarType::varInt64: return L"Int64";
    case TVarType::varUInt64: return L"UInt64";
    case TVarType::varString: return L"String";
    case TVarType::varUString: return L"UnicodeString";
    case TVarType::varArray: return L"Array";
  }
  return L"Unknown";
}

void Variant::RaiseCast(const wchar_t* Target) const {
  throw EConvertError(L"Could not convert variant of type (" + TypeName(FType) + L") into type (" + Target + L")");
}

std::wstring Variant::ToString() const {
  switch (FType) {
    case TVarType::varEmpty:
    case TVarType::varNull:
      return L"";
    case TVarType::varBoolean:
      return FInteger != 0 ? L"True" : L"False";
    case TVarType::varUInt64:
      return std::to_wstring(static_cast<uint64_t>(FInteger));
    case TVarType::varSingle:
    case TVarType::varDouble:
      return FloatToStr(FFloat);
    case TVarType::varCurrency:
      return FloatToStr(static_cast<double>(FInteger) / 10000.0);
    case TVarType::varDate:
      return DateToText(FFloat);
    case TVarType::varOleStr:
    case TVarType::varUString:
      return FText;
    case TVarType::varString:
      return AnsiToWide(FAnsi);
    default:
      if (IsOrdinal()) return std::to_wstring(FInteger);
      RaiseCast(L"UnicodeString");
  }
}

int64_t Variant::ToInt64() const {
  switch (FType) {
    case TVarType::varEmpty:
      return 0;
    case TVarType::varUInt64:
      if (static_cast<uint64_t>(FInteger) > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        RaiseCast(L"Int64");
      return FInteger;
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varDate: {
      const double Rounded = std::nearbyint(FFloat);  // round half to even
      if (!(Rounded >= -9.2233720368547758e18 && Rounded < 9.2233720368547758e18)) RaiseCast(L"Int64");
      return static_cast<int64_t>(Rounded);
    }
    case TVarType::varCurrency: {
      // Currency rounds half to even at the integer as well.
      const int64_t Whole = FInteger / 10000;
      const int64_t Rest = FInteger % 10000;
      if (Rest > 5000 || (Rest == 5000 && (Whole & 1) != 0)) return Whole + 1;
      if (Rest < -5000 || (Rest == -5000 && (Whole & 1) != 0)) return Whole - 1;
      return Whole;
    }
    case TVarType::varOleStr:
    case TVarType::varUString:
    case TVarType::varString: {
      const std::wstring Text = ToString();
      int64_t Value = 0;
      if (TryStrToInt64(Text, Value)) return Value;
      double Float = 0;
      if (TryTextToFloat(Text, Float) && std::fabs(Float) < 9.2e18) return static_cast<int64_t>(std::nearbyint(Float));
      RaiseCast(L"Int64");
    }
    default:
      if (IsOrdinal()) return FInteger;
      RaiseCast(L"Int64");
  }
}

int32_t Variant::ToInteger() const {
  int64_t Value = 0;
  try {
    Value = ToInt64();
  } catch (const EConvertError&) {
    RaiseCast(L"Integer");
  }
  // A 32-bit unsigned value keeps its bits, as a DWORD read back does.
  if (FType == TVarType::varLongWord) return static_cast<int32_t>(static_cast<uint32_t>(Value));
  if (Value < std::numeric_limits<int32_t>::min() || Value > std::numeric_limits<int32_t>::max())
    RaiseCast(L"Integer");
  return static_cast<int32_t>(Value);
}

bool Variant::ToBoolean() const {
  switch (FType) {
    case TVarType::varEmpty:
      return false;
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varDate:
      return FFloat != 0.0;
    case TVarType::varOleStr:
    case TVarType::varUString:
    case TVarType::varString: {
      const std::wstring Text = ToString();
      if (SameTextAZ(Text, L"True")) return true;
      if (SameTextAZ(Text, L"False")) return false;
      int64_t Value = 0;
      if (TryStrToInt64(Text, Value)) return Value != 0;
      double Float = 0;
      if (TryTextToFloat(Text, Float)) return Float != 0.0;
      RaiseCast(L"Boolean");
    }
    default:
      if (IsOrdinal() || FType == TVarType::varCurrency) return FInteger != 0;
      RaiseCast(L"Boolean");
  }
}

double Variant::ToDouble() const {
  switch (FType) {
    case TVarType::varEmpty:
      return 0.0;
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varDate:
      return FFloat;
    case TVarType::varCurrency:
      return static_cast<double>(FInteger) / 10000.0;
    case TVarType::varUInt64:
      return static_cast<double>(static_cast<uint64_t>(FInteger));
    case TVarType::varOleStr:
    case TVarType::varUString:
    case TVarType::varString: {
      double Value = 0;
      if (TryTextToFloat(ToString(), Value)) return Value;
      RaiseCast(L"Double");
    }
    default:
      if (IsOrdinal()) return static_cast<double>(FInteger);
      RaiseCast(L"Double");
  }
}

bool Variant::operator==(const Variant& Other) const {
  if (FType != Other.FType) return false;
  switch (FType) {
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varDate:
      return FFloat == Other.FFloat;
    case TVarType::varOleStr:
    case TVarType::varUString:
      return FText == Other.FText;
    case TVarType::varString:
      return FAnsi == Other.FAnsi;
    case TVarType::varArray:
      return AsArray() == Other.AsArray();
    default:
      return FInteger == Other.FInteger;
  }
}
