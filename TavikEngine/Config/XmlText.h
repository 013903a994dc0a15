// The loaders work on wide text; pugixml here keeps UTF-8. These helpers are
// the one place where text crosses between them.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace tavik {

// ASCII text, the usual case, is copied character by character; anything
// else is converted by pugixml.
inline std::wstring wideText(const char* utf8) {
  const char* end = utf8;
  while (*end != '\0' && static_cast<unsigned char>(*end) < 0x80) ++end;
  if (*end != '\0') return pugi::as_wide(utf8);
  return std::wstring(utf8, end);
}
// The same into a caller's buffer, so that a loop over many texts reuses one
// allocation: `out` ends up equal to wideText(utf8).
inline void assignWideText(std::wstring& out, const char* utf8) {
  const char* end = utf8;
  while (*end != '\0' && static_cast<unsigned char>(*end) < 0x80) ++end;
  if (*end != '\0') {
    out = pugi::as_wide(utf8);
    return;
  }
  // Character by character into the buffer's own room: assign() from char
  // iterators would build a temporary wide string first.
  out.resize(static_cast<std::size_t>(end - utf8));
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<wchar_t>(utf8[i]);
}
inline std::string utf8Text(const std::wstring& wide) {
  for (const wchar_t c : wide) {
    if (c < 0 || c >= 0x80) return pugi::as_utf8(wide);
  }
  return std::string(wide.begin(), wide.end());
}

// Text of a named child element; empty when there is no such child.
inline std::wstring childText(const pugi::xml_node& node, const char* name) {
  return wideText(node.child_value(name));
}

// Whether a text node (PCDATA or CDATA) directly below `element` is exactly
// `text`: what a selection by [text()='...'] tests, without building a query
// from the text.
inline bool hasText(const pugi::xml_node& element, const std::string& text) {
  for (const pugi::xml_node& child : element.children()) {
    if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
        text == child.value())
      return true;
  }
  return false;
}

// The bench's narrowing for INI keys, file names and device names: each
// character keeps its low 8 bits.
inline std::string narrowLow8(const std::wstring& text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i] & 0xFF);
  return out;
}

}  // namespace tavik
