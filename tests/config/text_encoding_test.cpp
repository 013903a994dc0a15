// Where bytes stop being text of an encoding: the edges of every UTF-8
// sequence length, surrogates and cut-off units in each encoding.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

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
}

}  // namespace
