#include "TavikEngine/Config/SkippedMarkup.h"

#include <cstdint>

#include "TavikEngine/Config/TextEncoding.h"

namespace tavik {
namespace {

constexpr int kEnd = -1;      // past the last unit
constexpr int kOther = 0x80;  // a character outside ASCII, never markup
constexpr std::size_t kNone = static_cast<std::size_t>(-1);  // no position: the scan ends

// The units of a file as the parser reads them. Markup is ASCII, so a unit
// reads as its ASCII character or as kOther. A position is the byte offset of
// a unit; the scan steps over the units that the parser drops.
class Units {
 public:
  Units(const std::string& bytes, pugi::xml_encoding encoding)
      : data_(reinterpret_cast<const unsigned char*>(bytes.data())) {
    switch (encoding) {
      case pugi::encoding_utf16_le: width_ = 2; break;
      case pugi::encoding_utf16_be: width_ = 2; bigEndian_ = true; break;
      case pugi::encoding_utf32_le: width_ = 4; break;
      case pugi::encoding_utf32_be: width_ = 4; bigEndian_ = true; break;
      default: break;  // UTF-8 and Latin-1: bytes
    }
    end_ = bytes.size() - bytes.size() % width_;  // the parser ignores a cut-off last unit
  }

  // The first kept unit at or after `pos`.
  std::size_t kept(std::size_t pos) const {
    while (pos < end_ && dropped(pos)) pos += width_;
    return pos;
  }
  // The character at the kept unit `pos`; kEnd past the last one.
  int at(std::size_t pos) const {
    if (pos >= end_) return kEnd;
    const std::uint32_t u = unit(pos);
    return u < 0x80 ? static_cast<int>(u) : kOther;
  }
  // The kept unit after `pos`.
  std::size_t next(std::size_t pos) const { return pos >= end_ ? pos : kept(pos + width_); }
  // The byte after the unit at `pos`.
  std::size_t after(std::size_t pos) const { return pos + width_; }

 private:
  static bool high(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
  static bool low(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

  std::uint32_t unit(std::size_t pos) const {
    const unsigned char* p = data_ + pos;
    switch (width_) {
      case 1: return p[0];
      case 2: return bigEndian_ ? (p[0] << 8u) | p[1] : p[0] | (p[1] << 8u);
      default:
        return bigEndian_ ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                (std::uint32_t(p[2]) << 8) | p[3]
                          : (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) |
                                (std::uint32_t(p[1]) << 8) | p[0];
    }
  }

  // Whether the parser drops the unit: only a UTF-16 surrogate outside a
  // pair. Its decoder pairs a high surrogate with the low one right after it.
  bool dropped(std::size_t pos) const {
    if (width_ != 2) return false;
    const std::uint32_t u = unit(pos);
    if (high(u)) return pos + 2 >= end_ || !low(unit(pos + 2));
    if (low(u)) return pos < 2 || !high(unit(pos - 2));
    return false;
  }

  const unsigned char* data_;
  std::size_t width_ = 1;
  bool bigEndian_ = false;
  std::size_t end_ = 0;
};

// Every scan step below takes a position and returns the byte after what it
// passed (which may be a dropped unit), or kNone to end the scan.

// Past the (non-empty) `text` when the characters from `pos` on spell it.
std::size_t past(const Units& units, std::size_t pos, const char* text) {
  std::size_t end = kNone;
  for (pos = units.kept(pos); *text != '\0'; ++text, pos = units.next(pos)) {
    if (units.at(pos) != *text) return kNone;
    end = units.after(pos);
  }
  return end;
}

// Past the first `text` from `pos` on.
std::size_t pastFirst(const Units& units, std::size_t pos, const char* text) {
  for (pos = units.kept(pos); units.at(pos) != kEnd; pos = units.next(pos)) {
    const std::size_t end = past(units, pos, text);
    if (end != kNone) return end;
  }
  return kNone;
}

// Walks the markup as the parser does and moves the malformed offset past
// every comment and processing instruction that holds it.
class ReadTextScan {
 public:
  ReadTextScan(const std::string& bytes, pugi::xml_encoding encoding, std::size_t malformed)
      : bytes_(bytes), encoding_(encoding), units_(bytes, encoding), malformed_(malformed) {}

  std::size_t run() {
    for (std::size_t pos = 0; pos != kNone;) {
      pos = units_.kept(pos);
      const int c = units_.at(pos);
      if (c == kEnd) break;
      pos = c == '<' ? markup(pos) : units_.next(pos);  // text runs to the next '<'
    }
    return malformed_;
  }

 private:
  // [begin, end) is skipped by the parser: a malformed offset inside it moves
  // to the next one after it. The scan goes on while there is one to move.
  std::size_t skipped(std::size_t begin, std::size_t end) {
    if (end == kNone || malformed_ < begin) return kNone;
    if (malformed_ < end) malformed_ = malformedTextOffset(bytes_, encoding_, end);
    return malformed_ == kWellFormedText ? kNone : end;
  }

  // `open` is a kept '<'.
  std::size_t markup(std::size_t open) {
    const std::size_t pos = units_.next(open);
    std::size_t end = kNone;
    switch (units_.at(pos)) {
      case '?': return skipped(open, pastFirst(units_, units_.next(pos), "?>"));
      case '!':
        if ((end = past(units_, pos, "!--")) != kNone)
          return skipped(open, pastFirst(units_, end, "-->"));
        if ((end = past(units_, pos, "![CDATA[")) != kNone) return pastFirst(units_, end, "]]>");
        if (past(units_, pos, "!DOCTYPE") != kNone) return doctype(units_.next(pos));
        return kNone;
      default: return tagEnd(pos);
    }
  }

  // A start or end tag from its name on: a '>' in a quoted attribute value
  // does not end it.
  std::size_t tagEnd(std::size_t pos) const {
    for (int quote = 0;; pos = units_.next(pos)) {
      const int c = units_.at(pos);
      if (c == kEnd) return kNone;
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        return units_.after(pos);
      }
    }
  }

  // From the "DOCTYPE" after "<!" to past its closing '>': declarations
  // ("<!ELEMENT ...>") nest, literals, comments and processing instructions
  // are read whole, ignored sections ("<![ ... ]]>") nest on their own.
  std::size_t doctype(std::size_t pos) {
    for (std::size_t depth = 0; pos != kNone;) {
      pos = units_.kept(pos);
      const int c = units_.at(pos);
      const std::size_t second = units_.next(pos), third = units_.next(second);
      if (c == kEnd) return kNone;
      if (c == '<' && units_.at(second) == '!' && units_.at(third) != '-') {
        if (units_.at(third) == '[') {
          pos = ignoredSection(units_.next(third));
        } else {
          pos = third;
          ++depth;
        }
      } else if (c == '<' || c == '"' || c == '\'') {
        pos = doctypeLiteral(pos);
      } else if (c == '>' && depth == 0) {
        return units_.after(pos);
      } else {
        if (c == '>') --depth;
        pos = second;
      }
    }
    return kNone;
  }

  // `pos` is a kept '<', '"' or '\''.
  std::size_t doctypeLiteral(std::size_t pos) {
    const int quote = units_.at(pos);
    if (quote == '"' || quote == '\'') {
      do pos = units_.next(pos);
      while (units_.at(pos) != quote && units_.at(pos) != kEnd);
      return units_.at(pos) == kEnd ? kNone : units_.after(pos);
    }
    std::size_t end = kNone;
    if ((end = past(units_, pos, "<?")) != kNone) return skipped(pos, pastFirst(units_, end, "?>"));
    if ((end = past(units_, pos, "<!--")) != kNone)
      return skipped(pos, pastFirst(units_, end, "-->"));
    return kNone;
  }

  // After "<![": past the "]]>" that closes it. Nothing inside is a comment.
  std::size_t ignoredSection(std::size_t pos) const {
    for (std::size_t depth = 0; pos != kNone;) {
      pos = units_.kept(pos);
      if (units_.at(pos) == kEnd) return kNone;
      std::size_t end = kNone;
      if ((end = past(units_, pos, "<![")) != kNone) {
        ++depth;
      } else if ((end = past(units_, pos, "]]>")) != kNone) {
        if (depth == 0) return end;
        --depth;
      } else {
        end = units_.next(pos);
      }
      pos = end;
    }
    return kNone;
  }

  const std::string& bytes_;
  const pugi::xml_encoding encoding_;
  const Units units_;
  std::size_t malformed_;
};

}  // namespace

std::size_t malformedReadTextOffset(const std::string& bytes, pugi::xml_encoding encoding) {
  const std::size_t malformed = malformedTextOffset(bytes, encoding);
  if (malformed == kWellFormedText) return malformed;  // the usual case: no scan
  return ReadTextScan(bytes, encoding, malformed).run();
}

}  // namespace tavik
