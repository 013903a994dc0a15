#include "wideint/uint256_t.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Short division by a divisor below 2^64, one 64-bit limb at a time.
std::pair<uint256_t, uint64_t> divide_small(const uint256_t& value, uint64_t divisor) {
  uint64_t limbs[4] = {value.upper().upper(), value.upper().lower(), value.lower().upper(), value.lower().lower()};
  unsigned __int128 rest = 0;
  for (uint64_t& limb : limbs) {
    const unsigned __int128 current = (rest << 64) | limb;
    limb = static_cast<uint64_t>(current / divisor);
    rest = current % divisor;
  }
  return {uint256_t(uint128_t(limbs[0], limbs[1]), uint128_t(limbs[2], limbs[3])), static_cast<uint64_t>(rest)};
}

}  // namespace

uint256_t::uint256_t(const std::string& s, uint8_t base) {
  init(s.c_str(), std::char_traits<char>::length(s.c_str()), base);
}

uint256_t::uint256_t(const std::wstring& s, uint8_t base) {
  init(s.c_str(), std::char_traits<wchar_t>::length(s.c_str()), base);
}

uint256_t::uint256_t(const char* s, uint8_t base) {
  init(s, s == nullptr ? 0 : std::char_traits<char>::length(s), base);
}

template <typename CharT>
void uint256_t::init(const CharT* s, std::size_t len, uint8_t base) {
  *this = uint256_t();
  uint256_t power(1);
  for (std::size_t i = len; i-- > 0;) {
    const CharT c = s[i];
    unsigned digit = 0;
    if (c >= CharT('0') && c <= CharT('9')) {
      digit = static_cast<unsigned>(c - CharT('0'));
    } else if (c >= CharT('a') && c <= CharT('z')) {
      digit = static_cast<unsigned>(c - CharT('a')) + 10;
    }
    *this += power * digit;
    power *= base;
  }
}

std::vector<uint8_t> uint256_t::big_endian_bytes() const {
  std::vector<uint8_t> bytes;
  bytes.reserve(32);
  upper_.append_big_endian_bytes(bytes);
  lower_.append_big_endian_bytes(bytes);
  return bytes;
}

std::vector<uint8_t> uint256_t::significant_bytes() const {
  std::vector<uint8_t> bytes = big_endian_bytes();
  const auto first = std::find_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; });
  bytes.erase(bytes.begin(), first);
  return bytes;
}

std::pair<uint256_t, uint256_t> uint256_t::divmod(const uint256_t& lhs, const uint256_t& rhs) const {
  if (!rhs) throw std::domain_error("Error: division or modulus by 0");
  if (lhs < rhs) return {uint256_t(), lhs};
  if (!rhs.upper_ && !rhs.lower_.upper()) {
    const auto qr = divide_small(lhs, rhs.lower_.lower());
    return {qr.first, uint256_t(qr.second)};
  }
  if (!lhs.upper_) {
    const auto qr = lhs.lower_.divmod(lhs.lower_, rhs.lower_);
    return {uint256_t(qr.first), uint256_t(qr.second)};
  }
  // Shift-and-subtract, starting with the divisor aligned to the top bit of
  // the dividend: at most 256 - 64 steps.
  const unsigned shift = static_cast<unsigned>(lhs.bit_length() - rhs.bit_length());
  uint256_t divisor = rhs.shifted_left(shift);
  uint256_t quotient;
  uint256_t rest = lhs;
  for (unsigned step = shift + 1; step-- > 0;) {
    if (rest >= divisor) {
      rest -= divisor;
      quotient |= uint256_t(1).shifted_left(step);
    }
    divisor = divisor.shifted_right(1);
  }
  return {quotient, rest};
}

template <typename CharT>
std::basic_string<CharT> uint256_t::to_text(uint8_t base, uint32_t len) const {
  if (base < 2 || base > 36) throw std::invalid_argument("Base must be in the range 2-36");
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::basic_string<CharT> out;
  uint256_t rest = *this;
  do {
    const auto qr = divide_small(rest, base);
    out.push_back(static_cast<CharT>(kDigits[qr.second]));
    rest = qr.first;
  } while (rest);
  if (out.size() < len) out.append(len - out.size(), CharT('0'));
  std::reverse(out.begin(), out.end());
  return out;
}

std::string uint256_t::str(uint8_t base, const uint32_t& len) const { return to_text<char>(base, len); }

std::wstring uint256_t::wstr(uint8_t base, const uint32_t& len) const { return to_text<wchar_t>(base, len); }

std::ostream& operator<<(std::ostream& stream, const uint256_t& value) {
  const std::string text = value.str(tavik::wideint_detail::stream_base(stream), 0);
  stream.width(0);
  return stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}
