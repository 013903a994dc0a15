// Which malformed bytes of a parsed file matter: those the parser reads.
//
// The parser passes over comments and processing instructions without
// reading them, so bytes there that are no text of the file's encoding (a
// Latin-1 "°C" in a comment of a UTF-8 file) reach nothing; in a name or a
// value they would silently drop out. No state; thread-safe.
#pragma once

#include <cstddef>
#include <string>

#include <pugixml.hpp>

namespace tavik {

// The byte offset of the first unit sequence of `bytes` that is no
// character of `encoding` (as malformedTextOffset, TextEncoding.h) and lies
// outside every comment and processing instruction; kWellFormedText when
// there is none. A comment runs from "<!--" to the first "-->" after it, a
// processing instruction (the XML declaration among them) from "<?" to the
// first "?>" after it, found where the parser finds them: between and inside
// elements and in a DOCTYPE's internal subset, never inside an attribute
// value, a CDATA section, a quoted DOCTYPE literal or an ignored DOCTYPE
// section. Everything else counts: names, attribute values, element text,
// CDATA and, as it holds no reason for such bytes, the text between
// top-level nodes and the rest of a DOCTYPE.
//
// `bytes` is a file that pugixml (built for UTF-8) parsed without error with
// its default options, and `encoding` the encoding it detected. The scan sees
// the units as that parser does: UTF-8, Latin-1 and UTF-32 units all stay,
// while a UTF-16 lone surrogate is dropped, so that "-", a lone surrogate,
// "->" ends a comment as it ends the parser's. Markup the parser would have
// refused (a comment that never ends) ends the scan: nothing after it counts
// as skipped. Linear in the size of `bytes`.
std::size_t malformedReadTextOffset(const std::string& bytes, pugi::xml_encoding encoding);

}  // namespace tavik
