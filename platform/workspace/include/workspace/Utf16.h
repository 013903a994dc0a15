// Conversion between the workspace's 16-bit text units and wide strings.
//
// wchar_t holds one code point on this platform; the workspace stores text as
// 16-bit units as the bench's other processes expect, so characters above
// U+FFFF travel as surrogate pairs. An unpaired surrogate unit is kept as it is.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

namespace tavik {
namespace workspace {

// Calls unit(u) with each 16-bit unit of the text in order, stopping when it
// returns false; returns whether every unit was taken. The one encoder of
// this header: callers that hash, compare or store a wide text straight from
// the caller's string see exactly the units toUtf16Units gives.
template <class Unit>
inline bool forEachUtf16Unit(const std::wstring& text, Unit unit) {
  for (wchar_t wc : text) {
    const auto cp = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(wc));
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      const unsigned long v = cp - 0x10000;
      if (!unit(static_cast<char16_t>(0xD800 + (v >> 10)))) return false;
      if (!unit(static_cast<char16_t>(0xDC00 + (v & 0x3FF)))) return false;
    } else {
      if (!unit(static_cast<char16_t>(cp > 0x10FFFF ? 0xFFFD : cp))) return false;
    }
  }
  return true;
}

// Number of 16-bit units of the text.
inline std::size_t utf16Length(const std::wstring& text) {
  std::size_t count = text.size();
  for (wchar_t wc : text) {
    const auto cp = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(wc));
    if (cp >= 0x10000 && cp <= 0x10FFFF) ++count;
  }
  return count;
}

// Number of characters at the start of the text that take at most `units`
// 16-bit units together: where the text is cut to fit that many units without
// splitting a character above U+FFFF.
inline std::size_t charactersWithinUtf16Units(const std::wstring& text, std::size_t units) {
  std::size_t used = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto cp = static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    used += cp >= 0x10000 && cp <= 0x10FFFF ? 2 : 1;
    if (used > units) return i;
  }
  return text.size();
}

inline std::u16string toUtf16Units(const std::wstring& text) {
  std::u16string units;
  units.reserve(text.size());
  forEachUtf16Unit(text, [&units](char16_t unit) {
    units.push_back(unit);
    return true;
  });
  return units;
}

// Replaces text with the decoding of `count` units that start at `units`
// (which need not be aligned).
inline void assignFromUtf16Units(std::wstring& text, const void* units, std::size_t count) {
  text.clear();
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
}

inline std::wstring fromUtf16Units(const void* units, std::size_t count) {
  std::wstring text;
  assignFromUtf16Units(text, units, count);
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
