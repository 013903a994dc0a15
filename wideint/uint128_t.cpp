#include "wideint/uint128_t.h"

#include <algorithm>
#include <cctype>
#include <locale>
#include <sstream>
#include <stdexcept>

namespace {

using Native = unsigned __int128;

Native to_native(const uint128_t& v) { return (static_cast<Native>(v.upper()) << 64) | v.lower(); }
uint128_t from_native(Native v) { return uint128_t(static_cast<uint64_t>(v >> 64), static_cast<uint64_t>(v)); }

// Digits of a radix text: reads at most the last `limit` of the `len`
// characters, and stops early at the first character that is not a digit
// of `base` (a NUL included).
uint128_t parse_digits(const char* s, std::size_t len, unsigned base, std::size_t limit) {
  uint128_t value(0);
  if (s == nullptr || len == 0) return value;
  const std::size_t count = std::min(len, limit);
  const char* p = s + (len - count);
  for (std::size_t taken = 0; taken < count; ++taken) {
    const unsigned digit = static_cast<unsigned>(p[taken]) - '0';
    if (p[taken] < '0' || digit >= base) break;
    value = value * uint128_t(base) + uint128_t(digit);
  }
  return value;
}

// Binary text: the last 128 characters at most; the digits before the last
// 64 fill the upper field, the rest the lower field. Both loops stop at the
// first character that is not '0' or '1', and the second starts where the
// first stopped.
uint128_t parse_bin(const char* s, std::size_t len) {
  if (s == nullptr || len == 0) return uint128_t(0);
  const std::size_t n = std::min<std::size_t>(len, 128);
  const char* p = s + (len - n);
  std::size_t i = 0;
  uint64_t upper = 0;
  uint64_t lower = 0;
  const std::size_t upper_digits = n > 64 ? n - 64 : 0;
  for (; i < upper_digits && (p[i] == '0' || p[i] == '1'); ++i) upper = upper * 2 + static_cast<uint64_t>(p[i] - '0');
  const std::size_t lower_end = i + std::min<std::size_t>(n, 64);
  for (; i < lower_end && i < n && (p[i] == '0' || p[i] == '1'); ++i) lower = lower * 2 + static_cast<uint64_t>(p[i] - '0');
  return uint128_t(upper, lower);
}

// One 64-bit half of a hexadecimal text, read by the standard formatted
// extraction in hexadecimal mode; a text that yields no number gives 0.
uint64_t extract_hex(const std::string& text) {
  if (text.empty()) return 0;
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  uint64_t value = 0;
  in >> std::hex >> value;
  return in.fail() ? 0 : value;
}

// Hexadecimal text: the last 32 characters at most; the last 16 of those
// form the lower field, the ones before them the upper field.
uint128_t parse_hex(const char* s, std::size_t len) {
  if (s == nullptr || len == 0) return uint128_t(0);
  const std::size_t n = std::min<std::size_t>(len, 32);
  const char* p = s + (len - n);
  const std::size_t upper_chars = n > 16 ? n - 16 : 0;
  return uint128_t(extract_hex(std::string(p, upper_chars)), extract_hex(std::string(p + upper_chars, n - upper_chars)));
}

}  // namespace

uint128_t::uint128_t(const std::string& s, uint8_t base) { init(s.data(), s.size(), base); }

uint128_t::uint128_t(const char* s, std::size_t len, uint8_t base) { init(s, len, base); }

void uint128_t::init(const char* s, std::size_t len, uint8_t base) {
  *this = uint128_t(0);
  if (s == nullptr || len == 0 || *s == '\0') return;
  // isspace() is only defined for unsigned char values: text in an 8-bit
  // code page must not reach it as a negative char.
  while (len != 0 && *s != '\0' && std::isspace(static_cast<unsigned char>(*s))) {
    ++s;
    --len;
  }
  switch (base) {
    case 16: *this = parse_hex(s, len); break;
    case 10: *this = parse_digits(s, len, 10, 39); break;
    case 8: *this = parse_digits(s, len, 8, 43); break;
    case 2: *this = parse_bin(s, len); break;
    default: break;
  }
}

void uint128_t::append_big_endian_bytes(std::vector<uint8_t>& bytes) const {
  for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(upper_ >> shift));
  for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(lower_ >> shift));
}

std::pair<uint128_t, uint128_t> uint128_t::divmod(const uint128_t& lhs, const uint128_t& rhs) const {
  if (!rhs) throw std::domain_error("Error: division or modulus by 0");
  const Native n = to_native(lhs);
  const Native d = to_native(rhs);
  return {from_native(n / d), from_native(n % d)};
}

std::string uint128_t::str(uint8_t base, const uint32_t& len) const {
  if (base < 2 || base > 16) throw std::invalid_argument("Base must be in the range [2, 16]");
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  Native rest = to_native(*this);
  do {
    out.push_back(kDigits[static_cast<unsigned>(rest % base)]);
    rest /= base;
  } while (rest != 0);
  if (out.size() < len) out.append(len - out.size(), '0');
  std::reverse(out.begin(), out.end());
  return out;
}

uint8_t tavik::wideint_detail::stream_base(const std::ios_base& stream) {
  const std::ios_base::fmtflags flags = stream.flags();
  if (flags & std::ios_base::oct) return 8;
  if (flags & std::ios_base::dec) return 10;
  if (flags & std::ios_base::hex) return 16;
  return 10;
}

std::ostream& operator<<(std::ostream& stream, const uint128_t& value) {
  const std::string text = value.str(tavik::wideint_detail::stream_base(stream), 0);
  stream.width(0);
  return stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}
