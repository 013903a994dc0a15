// Whether the bytes of a file are well-formed text of an encoding.
//
// The XML parser converts what it reads to UTF-8 and, on the way, drops
// what is no character of the file's encoding (or, for a UTF-8 file, keeps
// the bytes, which the loaders' decoding then drops): "G\xFC" would become
// "G" and meet another name. Such a file is refused instead; this says where
// it goes wrong. No state; thread-safe.
#pragma once

#include <cstddef>
#include <string>

#include <pugixml.hpp>

namespace tavik {

// Returned by malformedTextOffset when every byte is well-formed.
constexpr std::size_t kWellFormedText = static_cast<std::size_t>(-1);

// The byte offset of the first unit sequence of `bytes`, from byte `from`
// on, that is no character of `encoding`, or kWellFormedText. `from` is
// where a character starts (a multiple of the unit's size, and for UTF-8 no
// continuation byte); a `from` past the end is the end. Strict Unicode forms:
//   UTF-8   no stray continuation byte, no overlong form, no surrogate
//           (U+D800..U+DFFF), nothing above U+10FFFF, no cut-off sequence;
//   UTF-16  every high surrogate followed by a low one, no lone low
//           surrogate, no odd last byte;
//   UTF-32  no surrogate, nothing above U+10FFFF, no cut-off last unit.
// Latin-1 (every byte a character) has no malformed bytes. A byte-order mark
// is the character U+FEFF. Other encodings of pugixml (wchar_t, the native
// ones) are not asked for here and count as well-formed.
std::size_t malformedTextOffset(const std::string& bytes, pugi::xml_encoding encoding,
                                std::size_t from = 0);

// The encoding's usual name: "UTF-8", "UTF-16LE", "UTF-16BE", "UTF-32LE",
// "UTF-32BE", "ISO-8859-1"; "unknown" for others.
const char* encodingName(pugi::xml_encoding encoding);

}  // namespace tavik
