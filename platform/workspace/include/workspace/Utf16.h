// Conversion between the workspace's 16-bit text units and wide strings.
//
// wchar_t holds one code point on this platform; the workspace stores text as
// 16-bit units as the bench's other processes expect, so characters above
// U+FFFF travel as surrogate pairs. An unpaired surrogate unit is kept as it is.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace tavik {
namespace workspace {

inline std::u16string toUtf16Units(const std::wstring& text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t wc : text) {
    const auto cp = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(wc));
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      const unsigned long v = cp - 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(cp > 0x10FFFF ? 0xFFFD : cp));
    }
  }
  return units;
}

// Decodes `count` units that start at `units` (which need not be aligned).
inline std::wstring fromUtf16Units(const void* units, std::size_t count) {
  std::wstring text;
  text.reserve(count);
  const auto* bytes = static_cast<const unsigned char*>(units);
  auto unitAt = [bytes](std::size_t i) {
    char16_t u;
    std::memcpy(&u, bytes + 2 * i, sizeof u);
    return u;
  };
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t u = unitAt(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
      const char16_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    text.push_back(static_cast<wchar_t>(u));
  }
  return text;
}

// Narrow text of 16-bit units: each unit becomes the char of its low 8 bits
// (no code-page conversion).
inline std::string narrowUnits(const std::u16string& units) {
  std::string text(units.size(), '\0');
  for (std::size_t i = 0; i < units.size(); ++i) text[i] = static_cast<char>(units[i] & 0xFF);
  return text;
}

}  // namespace workspace
}  // namespace tavik
