#include "TavikEngine/Config/TextEncoding.h"

#include <cstdint>
#include <cstring>

namespace tavik {
namespace {

// Where the ASCII run starting at `i` ends: eight bytes at a time while no
// byte has its high bit, as configurations are mostly ASCII.
std::size_t skipAscii(const unsigned char* data, std::size_t size, std::size_t i) {
  while (i + 8 <= size) {
    std::uint64_t word;
    std::memcpy(&word, data + i, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) break;
    i += 8;
  }
  while (i < size && data[i] < 0x80) ++i;
  return i;
}

std::size_t malformedUtf8(const unsigned char* data, std::size_t size, std::size_t i) {
  for (;;) {
    i = skipAscii(data, size, i);
    if (i == size) return kWellFormedText;
    const unsigned char lead = data[i];
    // Length of the sequence and the range of its second byte, which rules
    // out overlong forms, surrogates and code points above U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return i;  // a continuation byte, C0, C1 or F5..FF
    }
    if (size - i < length || data[i + 1] < low || data[i + 1] > high) return i;
    for (std::size_t k = 2; k < length; ++k)
      if (data[i + k] < 0x80 || data[i + k] > 0xBF) return i;
    i += length;
  }
}

std::size_t malformedUtf16(const unsigned char* data, std::size_t size, std::size_t from,
                           bool bigEndian) {
  const auto unit = [&](std::size_t at) -> unsigned {
    return bigEndian ? (data[at] << 8u) | data[at + 1] : data[at] | (data[at + 1] << 8u);
  };
  const std::size_t whole = size - size % 2;
  for (std::size_t i = from; i < whole; i += 2) {
    const unsigned u = unit(i);
    if (u < 0xD800 || u > 0xDFFF) continue;
    if (u > 0xDBFF || i + 2 >= whole) return i;  // a lone low or a last high surrogate
    const unsigned next = unit(i + 2);
    if (next < 0xDC00 || next > 0xDFFF) return i;
    i += 2;
  }
  return whole == size ? kWellFormedText : whole;
}

std::size_t malformedUtf32(const unsigned char* data, std::size_t size, std::size_t from,
                           bool bigEndian) {
  const std::size_t whole = size - size % 4;
  for (std::size_t i = from; i < whole; i += 4) {
    const std::uint32_t u =
        bigEndian ? (std::uint32_t(data[i]) << 24) | (std::uint32_t(data[i + 1]) << 16) |
                        (std::uint32_t(data[i + 2]) << 8) | data[i + 3]
                  : (std::uint32_t(data[i + 3]) << 24) | (std::uint32_t(data[i + 2]) << 16) |
                        (std::uint32_t(data[i + 1]) << 8) | data[i];
    if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return i;
  }
  return whole == size ? kWellFormedText : whole;
}

}  // namespace

std::size_t malformedTextOffset(const std::string& bytes, pugi::xml_encoding encoding,
                                std::size_t from) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  if (from > size) from = size;
  switch (encoding) {
    case pugi::encoding_utf8: return malformedUtf8(data, size, from);
    case pugi::encoding_utf16_le: return malformedUtf16(data, size, from, false);
    case pugi::encoding_utf16_be: return malformedUtf16(data, size, from, true);
    case pugi::encoding_utf32_le: return malformedUtf32(data, size, from, false);
    case pugi::encoding_utf32_be: return malformedUtf32(data, size, from, true);
    default: return kWellFormedText;
  }
}

const char* encodingName(pugi::xml_encoding encoding) {
  switch (encoding) {
    case pugi::encoding_utf8: return "UTF-8";
    case pugi::encoding_utf16_le: return "UTF-16LE";
    case pugi::encoding_utf16_be: return "UTF-16BE";
    case pugi::encoding_utf32_le: return "UTF-32LE";
    case pugi::encoding_utf32_be: return "UTF-32BE";
    case pugi::encoding_latin1: return "ISO-8859-1";
    default: return "unknown";
  }
}

}  // namespace tavik
