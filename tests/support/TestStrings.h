#pragma once
// Readable failure output for wide texts, lists of them and variants.

#include <doctest.h>

#include "framework/Text.h"
#include "framework/Variant.h"

#include <string>
#include <vector>

namespace doctest {
template <>
struct StringMaker<std::wstring> {
  static String convert(const std::wstring& Value) { return ("\"" + WideToUtf8(Value) + "\"").c_str(); }
};
template <>
struct StringMaker<std::vector<std::wstring>> {
  static String convert(const std::vector<std::wstring>& Value) {
    std::string Text = "{";
    for (size_t i = 0; i < Value.size(); ++i) Text += (i ? ", \"" : "\"") + WideToUtf8(Value[i]) + "\"";
    return (Text + "}").c_str();
  }
};
template <>
struct StringMaker<Variant> {
  static String convert(const Variant& Value) {
    std::string Text = WideToUtf8(Variant::TypeName(Value.VarType()));
    if (Value.IsText() || Value.IsOrdinal()) Text += "(" + WideToUtf8(Value.ToString()) + ")";
    return Text.c_str();
  }
};
}  // namespace doctest
