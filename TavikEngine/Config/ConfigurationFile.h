// Reading a configuration file into an XML document, for the load and the
// reload check alike.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace tavik {

// Reads the file at `path` and parses it into `document` with the parser's
// default options and its encoding detection (byte-order mark, then the
// declaration's encoding; UTF-8 when neither names one). Returns "" when the
// file was read and parsed, otherwise why not, as
//   "<reason> (file <path>, offset <byte offset>)"
// where the reason is the parser's description ("File was not found", "Error
// reading from file/stream", "Start-end tags mismatch", ...), or
// "Invalid <encoding> byte sequence" (see TextEncoding.h) when the parsed file
// holds bytes that are no text of its detected encoding outside its comments
// and processing instructions (see SkippedMarkup.h); the offset then counts
// bytes of the file. Only a regular file (or a link to one) is read:
// anything else gives "Error reading from file/stream" at offset 0. After a
// failure the document is empty.
std::string loadConfigurationFile(pugi::xml_document& document, const std::wstring& path);

}  // namespace tavik
