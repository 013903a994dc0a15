// Small wide-text helpers that the loaders share.
#pragma once

#include <string>

namespace tavik {

// Value prefixes of parameter properties and action options that name a map
// or a formula instead of giving a value.
inline const std::wstring kMapPrefix = L"Map:";
inline const std::wstring kFormulaPrefix = L"Formula:";

inline bool startsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Every occurrence of `from` (not empty) replaced by `to`; inserted text is
// not searched again.
inline std::wstring replaceAll(const std::wstring& text, const std::wstring& from,
                               const std::wstring& to) {
  std::wstring out;
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, start)) {
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  out.append(text, start, std::wstring::npos);
  return out;
}

}  // namespace tavik
