#pragma once
// The language of the messages of the component library's units. Each unit
// keeps one set of texts that every SetLangType call replaces.

#include <cstdint>

enum class TLangType : uint8_t { ltFrench = 0, ltEnglish = 1 };
