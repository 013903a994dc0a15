// One walk over an element's children for a loader that reads several named
// children of the same element, instead of one search per name.
//
//   const char* const kNames[] = {"Name", "X", "Y"};
//   pugi::xml_node found[3];
//   firstChildren(node, kNames, found);
//   // found[k] is node.child(kNames[k]); found[k].child_value() is
//   // node.child_value(kNames[k]).
//
// The names of one call must differ from each other. No state.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include <pugixml.hpp>

namespace tavik {

// found[k] := the first child of `node` whose name is exactly names[k], in
// document order (what node.child(names[k]) gives); an empty node when there
// is none. Entries already set in `found` are left as they are.
template <std::size_t N>
void firstChildren(const pugi::xml_node& node, const char* const (&names)[N],
                   pugi::xml_node (&found)[N]) {
  std::size_t missing = 0;
  for (const pugi::xml_node& entry : found)
    if (!entry) ++missing;
  for (pugi::xml_node child = node.first_child(); child && missing > 0;
       child = child.next_sibling()) {
    const char* name = child.name();
    for (std::size_t k = 0; k < N; ++k) {
      if (!found[k] && name[0] == names[k][0] && std::strcmp(name, names[k]) == 0) {
        found[k] = child;
        --missing;
        break;
      }
    }
  }
}

// Number of element children named `name` (what a count of the plain XPath
// step `name` below `node` gives); 0 for an empty node.
inline int countElements(const pugi::xml_node& node, const char* name) {
  int count = 0;
  for (const pugi::xml_node& child : node.children(name))
    if (child.type() == pugi::node_element) ++count;
  return count;
}

// Whether the text is stored in the workspace's 16-bit units and read back
// unchanged: no zero, no surrogate unit, nothing above U+FFFF. A name for
// which this holds needs not be read back from the element that took it.
inline bool readsBackUnchanged(const std::wstring& text) {
  for (const wchar_t c : text) {
    if (c < 1 || (c >= 0xD800 && c <= 0xDFFF) || c > 0xFFFF) return false;
  }
  return true;
}

// Whether wideText(utf8) is exactly the ASCII text `ascii`; ASCII text is
// compared without building its wide text. (A text with other bytes is
// decoded first: the decoding may drop bytes that are no UTF-8.)
inline bool wideTextIs(const char* utf8, const char* ascii) {
  const char* end = utf8;
  while (*end != '\0' && static_cast<unsigned char>(*end) < 0x80) ++end;
  if (*end == '\0') return std::strcmp(utf8, ascii) == 0;
  const std::wstring wide = pugi::as_wide(utf8);
  std::size_t k = 0;
  for (; k < wide.size(); ++k) {
    if (ascii[k] == '\0' || wide[k] != static_cast<wchar_t>(static_cast<unsigned char>(ascii[k])))
      return false;
  }
  return ascii[k] == '\0';
}

}  // namespace tavik
