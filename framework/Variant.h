#pragma once
// A tagged value of one of the kinds the settings store passes around.
// The kind codes are those of the OLE VARIANT where one exists.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TVarType : uint16_t {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,  // 16-bit signed
  varInteger = 0x0003,   // 32-bit signed
  varSingle = 0x0004,    // 32-bit float
  varDouble = 0x0005,    // 64-bit float
  varCurrency = 0x0006,  // 64-bit integer scaled by 10,000
  varDate = 0x0007,      // days since 1899-12-30, time as fraction
  varOleStr = 0x0008,    // OLE wide string
  varDispatch = 0x0009,  // object reference
  varBoolean = 0x000B,
  varUnknown = 0x000D,   // object reference
  varShortInt = 0x0010,  // 8-bit signed
  varByte = 0x0011,      // 8-bit unsigned
  varWord = 0x0012,      // 16-bit unsigned
  varLongWord = 0x0013,  // 32-bit unsigned
  varInt64 = 0x0014,
  varUInt64 = 0x0015,
  varString = 0x0100,    // 8-bit (ANSI) text
  varUString = 0x0102,   // UTF-16 text
  varArray = 0x2000,
};

class Variant {
public:
  Variant() noexcept = default;  // empty
  Variant(bool Value) noexcept;
  Variant(int8_t Value) noexcept;
  Variant(uint8_t Value) noexcept;
  Variant(int16_t Value) noexcept;
  Variant(uint16_t Value) noexcept;
  Variant(int32_t Value) noexcept;
  Variant(uint32_t Value) noexcept;
  Variant(int64_t Value) noexcept;
  Variant(uint64_t Value) noexcept;
  Variant(float Value) noexcept;
  Variant(double Value) noexcept;
  Variant(const wchar_t* Value);
  Variant(std::wstring Value);

  static Variant Null();
  static Variant Currency(int64_t Scaled);  // value * 10,000
  static Variant Date(double Days);
  static Variant OleStr(std::wstring Value);
  static Variant AnsiString(std::string Value);
  static Variant Array(std::vector<Variant> Items);
  static Variant Object();  // an object reference without a target

  TVarType VarType() const noexcept { return FType; }
  bool IsEmpty() const noexcept { return FType == TVarType::varEmpty; }
  bool IsNull() const noexcept { return FType == TVarType::varNull; }
  bool IsText() const noexcept;
  bool IsOrdinal() const noexcept;  // any integer kind or Boolean

  // Conversions; a value that does not convert raises EConvertError.
  std::wstring ToString() const;  // empty and null give ""
  int32_t ToInteger() const;
  int64_t ToInt64() const;
  bool ToBoolean() const;  // numbers: not 0; text: "True"/"False" or a number
  double ToDouble() const;

  // Raw payloads, meaningful for the matching kinds only.
  int64_t AsInt64() const noexcept { return FInteger; }
  uint64_t AsUInt64() const noexcept { return static_cast<uint64_t>(FInteger); }
  double AsDouble() const noexcept { return FFloat; }
  const std::wstring& AsText() const noexcept { return FText; }
  const std::string& AsAnsiText() const noexcept { return FAnsi; }
  const std::vector<Variant>& AsArray() const;

  // Kind and value both equal; texts compare exactly.
  bool operator==(const Variant& Other) const;

  static std::wstring TypeName(TVarType Type);

private:
  Variant(TVarType Type) noexcept : FType(Type) {}
  [[noreturn]] void RaiseCast(const wchar_t* Target) const;

  TVarType FType = TVarType::varEmpty;
  int64_t FInteger = 0;   // every integer kind, Boolean, currency (scaled)
  double FFloat = 0.0;    // single, double, date
  std::wstring FText;     // varOleStr, varUString
  std::string FAnsi;      // varString
  std::shared_ptr<const std::vector<Variant>> FArray;
};

// Delphi-style float text: up to 15 significant digits, shortest form.
std::wstring FloatToStr(double Value);
