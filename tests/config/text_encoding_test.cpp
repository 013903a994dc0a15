// Where bytes stop being text of an encoding: the edges of every UTF-8
// sequence length, surrogates and cut-off units in each encoding; and which
// of those bytes the parser reads, against the parser itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "TavikEngine/Config/SkippedMarkup.h"
#include "TavikEngine/Config/TextEncoding.h"

namespace {

using tavik::kWellFormedText;
using tavik::malformedTextOffset;

TEST(TextEncoding, FirstMalformedSequenceOfEachEncoding) {
  const std::size_t ok = kWellFormedText;
  const std::string ascii = "0123456789abcdef";  // past the eight-byte steps
  const std::vector<std::tuple<pugi::xml_encoding, std::string, std::size_t>> cases = {
      // UTF-8: the lowest and highest form of each length are text, one
      // step beyond is not.
      {pugi::encoding_utf8, "", ok},
      {pugi::encoding_utf8, ascii + "\xC2\x80\xDF\xBF", ok},
      {pugi::encoding_utf8, ascii + "\xC1\xBF", 16},                 // overlong U+007F
      {pugi::encoding_utf8, "\xE0\xA0\x80\xEF\xBF\xBF\xED\x9F\xBF", ok},
      {pugi::encoding_utf8, "ab\xE0\x9F\xBF", 2},                      // overlong U+07FF
      {pugi::encoding_utf8, "ab\xED\xA0\x80", 2},                      // U+D800
      {pugi::encoding_utf8, "ab\xED\xBF\xBF", 2},                      // U+DFFF
      {pugi::encoding_utf8, "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", ok},
      {pugi::encoding_utf8, "a\xF0\x8F\xBF\xBF", 1},                   // overlong U+FFFF
      {pugi::encoding_utf8, "a\xF4\x90\x80\x80", 1},                   // U+110000
      {pugi::encoding_utf8, "a\xF5\x80\x80\x80", 1},
      {pugi::encoding_utf8, ascii + "\x80", 16},                       // stray continuation
      {pugi::encoding_utf8, "\xFC", 0},
      {pugi::encoding_utf8, "x\xE2\x82" + ascii, 1},                   // continuation missing
      {pugi::encoding_utf8, "x\xF0\x9F\x98", 1},                       // cut off at the end
      {pugi::encoding_utf8, "x\xC3\xBC\xE2\x82\xAC\xC3", 6},
      // UTF-16: a pair is text, a lone half or a last odd byte is not.
      {pugi::encoding_utf16_le, std::string("\xFF\xFE<\0\x3D\xD8\x00\xDE", 8), ok},
      {pugi::encoding_utf16_le, std::string("<\0\x3D\xD8<\0", 6), 2},   // high, then no low
      {pugi::encoding_utf16_le, std::string("<\0\x00\xDE", 4), 2},      // lone low
      {pugi::encoding_utf16_le, std::string("<\0\x3D\xD8", 4), 2},      // high at the end
      {pugi::encoding_utf16_le, std::string("<\0<", 3), 2},
      {pugi::encoding_utf16_be, std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6), ok},
      {pugi::encoding_utf16_be, std::string("\0<\xDC\x00", 4), 2},
      // UTF-32: U+10FFFF is text; above it and surrogates are not.
      {pugi::encoding_utf32_le, std::string("\xFF\xFE\0\0\xFF\xFF\x10\0", 8), ok},
      {pugi::encoding_utf32_le, std::string("<\0\0\0\0\0\x11\0", 8), 4},
      {pugi::encoding_utf32_be, std::string("\0\0\0<\0\0\xD8\0", 8), 4},
      {pugi::encoding_utf32_be, std::string("\0\0\0<\0\0", 6), 4},
      // Latin-1: every byte is a character.
      {pugi::encoding_latin1, "\xFC\x80\xFF", ok},
  };
  for (const auto& [encoding, bytes, offset] : cases) {
    EXPECT_EQ(offset, malformedTextOffset(bytes, encoding))
        << tavik::encodingName(encoding) << " case of " << bytes.size() << " bytes";
  }
  // From a later character on.
  EXPECT_EQ(7u, malformedTextOffset("\xFC\xC3\xBC" "ab\xC3\x80\x80", pugi::encoding_utf8, 1));
  EXPECT_EQ(ok, malformedTextOffset(std::string("\0\xD8<\0", 4), pugi::encoding_utf16_le, 2));
  EXPECT_EQ(ok, malformedTextOffset("\xFC", pugi::encoding_utf8, 5));
}

// A byte-order mark and `text` in units of `width` bytes; '^' stands for a
// lone high surrogate, '~' for a lone low one.
std::string units(const std::string& text, unsigned width, bool bigEndian) {
  std::string out;
  for (const char c : "\xFF" + text) {  // the mark's unit
    const unsigned unit = c == '\xFF' ? 0xFEFF
                          : c == '^'   ? 0xD800
                          : c == '~'   ? 0xDC00
                                       : static_cast<unsigned char>(c);
    for (unsigned k = 0; k < width; ++k)
      out += static_cast<char>(unit >> 8 * (bigEndian ? width - 1 - k : k));
  }
  return out;
}
std::string utf16le(const std::string& text) { return units(text, 2, false); }

// Bytes in comments and processing instructions are passed over; a comment
// opener where the parser sees none (an attribute value, CDATA, a DOCTYPE
// literal or ignored section) hides nothing. Every case parses.
TEST(SkippedMarkup, MalformedBytesCountOnlyWhereTheParserReads) {
  const std::size_t ok = kWellFormedText;
  const std::string big = "<r>" + [] {
    std::string comments;
    for (int i = 0; i < 200000; ++i) comments += "<!--\xFC-->";
    return comments;
  }() + "\xFC</r>";
  const std::vector<std::tuple<pugi::xml_encoding, std::string, std::size_t>> cases = {
      {pugi::encoding_utf8, "<r><!-- \xFC --></r>", ok},
      {pugi::encoding_utf8, "<r>a<?p \xFC?>b<?\xFC?></r><!--\xFC-->", ok},
      {pugi::encoding_utf8, "<?xml version='1.0' encoding='windows-1252' x='\xFC'?><r/>", ok},
      {pugi::encoding_utf8, "<r><!-->\xFC--><!-- ?> \xFC --><?p --> \xFC ?></r>", ok},
      {pugi::encoding_utf8, "<r><!-- --->\xFC</r>", 12},
      {pugi::encoding_utf8, "<r x='><!--'>\xFC<!-- --></r>", 13},
      {pugi::encoding_utf8, "<r x=\"'>\"><?a \xFC?>\xFC</r>", 17},
      {pugi::encoding_utf8, "<r><![CDATA[<!--]]>\xFC<!-- --></r>", 19},
      {pugi::encoding_utf8, "<r><![CDATA[\xFC]]></r>", 12},
      {pugi::encoding_utf8, "<r><![CDATA[x]]><!-- \xFC --></r>", ok},
      {pugi::encoding_utf8, "<r\xFC/>", 2},
      {pugi::encoding_utf8, "<r/><!-- -->\xFC", 12},  // between top-level nodes
      {pugi::encoding_utf8, "<!DOCTYPE r [<!-- \xFC --><?p \xFC?>]><r/>", ok},
      {pugi::encoding_utf8, "<!DOCTYPE r [<!ENTITY e 'x'><![X[]]>]><r/><!--\xFC-->", ok},
      {pugi::encoding_utf8, "<!DOCTYPE r [<!ENTITY e '<!--'>]><r>\xFC</r><!-- -->", 36},
      {pugi::encoding_utf8, "<!DOCTYPE r [<!ENTITY e \"\xFC\">]><r/>", 25},
      {pugi::encoding_utf8, "<!DOCTYPE r [<![IGNORE[<!--]]>]><r>\xFC</r><!-- -->", 35},
      {pugi::encoding_utf8, "<!DOCTYPE r [<!ELEMENT r <!--\xFC-->>]><r/>", ok},
      {pugi::encoding_utf8, big, big.size() - 5},
      // The parser drops a lone surrogate: "-", one, "->" ends the comment.
      {pugi::encoding_utf16_le, utf16le("<r><!-- ^ ~ --></r>"), ok},
      {pugi::encoding_utf16_le, utf16le("<r><!-- -^-> ^ --></r>"), 28},
      {pugi::encoding_utf16_le, utf16le("<r>^<!-- --></r>"), 8},
      {pugi::encoding_utf16_le, utf16le("<r><?p ^\xFC?>~</r>"), 24},
      {pugi::encoding_utf16_be, units("<r><!-- ~ --></r>~", 2, true), 36},
      {pugi::encoding_utf32_le, units("<r><!-- ^ --></r>", 4, false), ok},
      {pugi::encoding_utf32_le, units("<r>^<!----></r>", 4, false), 16},
  };
  for (const auto& [encoding, bytes, offset] : cases) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    EXPECT_EQ(pugi::status_ok, parsed.status) << bytes;
    EXPECT_EQ(encoding, parsed.encoding) << bytes;
    EXPECT_EQ(offset, tavik::malformedReadTextOffset(bytes, encoding)) << bytes.substr(0, 80);
  }
  // A comment that never ends (which the parser refuses) hides nothing.
  EXPECT_EQ(8u, tavik::malformedReadTextOffset("<r><!-- \xFC", pugi::encoding_utf8));
}

// Counts the 0xFC bytes in the names and values of `node` and below: in
// comments and processing instructions, and elsewhere.
void countMarks(const pugi::xml_node& node, std::size_t& skipped, std::size_t& read) {
  const auto marks = [](const char* text) {
    return static_cast<std::size_t>(std::count(text, text + std::char_traits<char>::length(text), '\xFC'));
  };
  const bool comment = node.type() == pugi::node_comment || node.type() == pugi::node_pi;
  (comment ? skipped : read) += marks(node.name()) + marks(node.value());
  for (const pugi::xml_attribute& attribute : node.attributes())
    read += marks(attribute.name()) + marks(attribute.value());
  for (const pugi::xml_node& child : node.children()) countMarks(child, skipped, read);
}

// Random mixes of markup pieces that the parser takes: parsed once more with
// comments and processing instructions kept as nodes, each 0xFC lands in a
// node. The file is refused, at a 0xFC, exactly when one lands outside them.
TEST(SkippedMarkup, RefusedExactlyWhenTheParserReadsAMalformedByte) {
  const char* const pieces[] = {"<!--", "-->", "-", "<?p ", "?>", "<![CDATA[", "]]>",
                                "<a x='", "<a x=\"", "<a x='>", "<a x=\">", "'>", "\">", "'/>",
                                "\"/>", "'", "\"", ">", "->", "</a>", "<a>", "\xFC", "<!-- \xFC -->", "<?p \xFC?>"};
  std::mt19937 random(23);
  int tolerated = 0, refused = 0;
  for (int n = 0; n < 100000; ++n) {
    std::string xml = "<r>";
    for (unsigned k = random() % 12; k > 0; --k) xml += pieces[random() % std::size(pieces)];
    xml += "</r>";
    pugi::xml_document plain, full;
    if (!plain.load_buffer(xml.data(), xml.size()) ||
        !full.load_buffer(xml.data(), xml.size(),
                          pugi::parse_default | pugi::parse_comments | pugi::parse_pi))
      continue;
    std::size_t skipped = 0, read = 0;
    countMarks(full, skipped, read);
    if (skipped + read == 0) continue;
    ASSERT_EQ(static_cast<std::size_t>(std::count(xml.begin(), xml.end(), '\xFC')), skipped + read)
        << xml;
    const std::size_t offset = tavik::malformedReadTextOffset(xml, pugi::encoding_utf8);
    if (read > 0) {
      ++refused;
      ASSERT_LT(offset, xml.size()) << xml;
      EXPECT_EQ('\xFC', xml[offset]) << xml;
    } else {
      ++tolerated;
      EXPECT_EQ(kWellFormedText, offset) << xml;
    }
  }
  EXPECT_GT(refused, 1000);
  EXPECT_GT(tolerated, 1000);
}

}  // namespace
