// uint256_t: an unsigned integer of exactly 256 bits with value semantics,
// made of two uint128_t halves. It carries the log-flag set of a workspace
// parameter (see LogFlags.h) and offers the same operations as uint128_t.
//
// Every operation wraps modulo 2^256. Integer operands of any width are
// sign-extended (signed) or zero-extended (unsigned, bool), so int -1 is
// uint256_max. A uint128_t operand is zero-extended. Division, remainder and
// text conversion live in uint256_t.cpp; everything else is constexpr, so the
// constants below and the log-flag masks are compile-time constants that no
// static-initialisation order can observe half-built.
//
// The layout is fixed: `lower_` (bits 0..127) then `upper_` (bits 128..255),
// and the type is trivially copyable (it is passed by value across the
// workspace library's interface).

#ifndef TAVIK_WIDEINT_UINT256_T_H_
#define TAVIK_WIDEINT_UINT256_T_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "wideint/uint128_t.h"

class uint256_t {
 public:
  // Zero.
  constexpr uint256_t() = default;

  constexpr uint256_t(const uint128_t& low) : lower_(low) {}
  constexpr uint256_t(const uint128_t& high, const uint128_t& low) : lower_(low), upper_(high) {}
  constexpr uint256_t(uint64_t high, const uint128_t& low) : lower_(low), upper_(high) {}

  // From bool (0 or 1), any unsigned integer (zero-extended) or any signed
  // integer (sign-extended over all 256 bits).
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t(T value)
      : lower_(value), upper_(tavik::wideint_detail::extend_high(value) ? ~uint128_t() : uint128_t()) {}

  // From text in any base up to 36. The text ends at its first NUL. Each
  // character, from the last one back to the first, is a digit of the next
  // higher power of `base`: '0'-'9' count 0-9, 'a'-'z' count 10-35, and
  // every other character (upper-case letters, signs, spaces) counts 0 but
  // still takes its position, so "12 " in base 10 is 120. Neither base nor
  // digits are checked and parsing never fails. A null pointer gives 0.
  explicit uint256_t(const std::string& s, uint8_t base = 10);
  explicit uint256_t(const std::wstring& s, uint8_t base = 10);
  explicit uint256_t(const char* s, uint8_t base = 10);

  constexpr uint256_t(const uint256_t&) = default;
  constexpr uint256_t& operator=(const uint256_t&) = default;

  constexpr explicit operator bool() const { return static_cast<bool>(upper_ | lower_); }
  constexpr explicit operator uint8_t() const { return static_cast<uint8_t>(lower_); }
  constexpr explicit operator uint16_t() const { return static_cast<uint16_t>(lower_); }
  constexpr explicit operator uint32_t() const { return static_cast<uint32_t>(lower_); }
  constexpr explicit operator uint64_t() const { return static_cast<uint64_t>(lower_); }
  constexpr explicit operator uint128_t() const { return lower_; }

  constexpr const uint128_t& upper() const { return upper_; }
  constexpr const uint128_t& lower() const { return lower_; }

  // Number of significant bits, 0 to 256.
  constexpr uint16_t bit_length() const {
    return upper_ ? static_cast<uint16_t>(128 + upper_.bit_length()) : lower_.bit_length();
  }

  // 32 bytes, most significant first.
  std::vector<uint8_t> big_endian_bytes() const;
  // big_endian_bytes() without its leading zero bytes (empty for zero).
  std::vector<uint8_t> significant_bytes() const;

  // (lhs / rhs, lhs % rhs). Throws std::domain_error
  // "Error: division or modulus by 0" when rhs is 0. The object itself is
  // not used.
  std::pair<uint256_t, uint256_t> divmod(const uint256_t& lhs, const uint256_t& rhs) const;

  // The value in `base` (2 to 36, lower-case digits), padded with leading
  // '0' to at least `len` characters and never shortened. Throws
  // std::invalid_argument "Base must be in the range 2-36" otherwise.
  std::string str(uint8_t base = 10, const uint32_t& len = 0) const;
  std::wstring wstr(uint8_t base = 10, const uint32_t& len = 0) const;

  constexpr uint256_t operator&(const uint256_t& rhs) const { return {upper_ & rhs.upper_, lower_ & rhs.lower_}; }
  constexpr uint256_t operator|(const uint256_t& rhs) const { return {upper_ | rhs.upper_, lower_ | rhs.lower_}; }
  constexpr uint256_t operator^(const uint256_t& rhs) const { return {upper_ ^ rhs.upper_, lower_ ^ rhs.lower_}; }
  constexpr uint256_t& operator&=(const uint256_t& rhs) { return *this = *this & rhs; }
  constexpr uint256_t& operator|=(const uint256_t& rhs) { return *this = *this | rhs; }
  constexpr uint256_t& operator^=(const uint256_t& rhs) { return *this = *this ^ rhs; }
  constexpr uint256_t operator~() const { return {~upper_, ~lower_}; }

  // Logical shifts. A count of 256 or more gives 0.
  constexpr uint256_t operator<<(const uint256_t& count) const {
    return static_cast<bool>(count.upper_) || count.lower_ >= 256 ? uint256_t() : shifted_left(static_cast<unsigned>(static_cast<uint64_t>(count.lower_)));
  }
  constexpr uint256_t operator>>(const uint256_t& count) const {
    return static_cast<bool>(count.upper_) || count.lower_ >= 256 ? uint256_t() : shifted_right(static_cast<unsigned>(static_cast<uint64_t>(count.lower_)));
  }
  constexpr uint256_t& operator<<=(const uint256_t& count) { return *this = *this << count; }
  constexpr uint256_t& operator>>=(const uint256_t& count) { return *this = *this >> count; }

  constexpr bool operator!() const { return !static_cast<bool>(*this); }
  constexpr bool operator&&(const uint256_t& rhs) const { return static_cast<bool>(*this) && static_cast<bool>(rhs); }
  constexpr bool operator||(const uint256_t& rhs) const { return static_cast<bool>(*this) || static_cast<bool>(rhs); }

  constexpr bool operator==(const uint256_t& rhs) const { return upper_ == rhs.upper_ && lower_ == rhs.lower_; }
  constexpr bool operator!=(const uint256_t& rhs) const { return !(*this == rhs); }
  constexpr bool operator<(const uint256_t& rhs) const {
    return upper_ == rhs.upper_ ? lower_ < rhs.lower_ : upper_ < rhs.upper_;
  }
  constexpr bool operator>(const uint256_t& rhs) const { return rhs < *this; }
  constexpr bool operator<=(const uint256_t& rhs) const { return !(rhs < *this); }
  constexpr bool operator>=(const uint256_t& rhs) const { return !(*this < rhs); }

  constexpr uint256_t operator+(const uint256_t& rhs) const {
    const uint128_t low = lower_ + rhs.lower_;
    return {upper_ + rhs.upper_ + uint128_t(low < lower_), low};
  }
  constexpr uint256_t operator-(const uint256_t& rhs) const {
    const uint128_t low = lower_ - rhs.lower_;
    return {upper_ - rhs.upper_ - uint128_t(low > lower_), low};
  }
  constexpr uint256_t operator*(const uint256_t& rhs) const {
    // Schoolbook product on 64-bit limbs (least significant first), keeping
    // only the limbs below 2^256.
    const uint64_t a[4] = {lower_.lower(), lower_.upper(), upper_.lower(), upper_.upper()};
    const uint64_t b[4] = {rhs.lower_.lower(), rhs.lower_.upper(), rhs.upper_.lower(), rhs.upper_.upper()};
    uint64_t r[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
      unsigned __int128 carry = 0;
      for (int j = 0; i + j < 4; ++j) {
        const unsigned __int128 t = static_cast<unsigned __int128>(a[i]) * b[j] + r[i + j] + carry;
        r[i + j] = static_cast<uint64_t>(t);
        carry = t >> 64;
      }
    }
    return {uint128_t(r[3], r[2]), uint128_t(r[1], r[0])};
  }
  uint256_t operator/(const uint256_t& rhs) const { return divmod(*this, rhs).first; }
  uint256_t operator%(const uint256_t& rhs) const { return divmod(*this, rhs).second; }
  constexpr uint256_t& operator+=(const uint256_t& rhs) { return *this = *this + rhs; }
  constexpr uint256_t& operator-=(const uint256_t& rhs) { return *this = *this - rhs; }
  constexpr uint256_t& operator*=(const uint256_t& rhs) { return *this = *this * rhs; }
  uint256_t& operator/=(const uint256_t& rhs) { return *this = *this / rhs; }
  uint256_t& operator%=(const uint256_t& rhs) { return *this = *this % rhs; }

  constexpr uint256_t& operator++() { return *this += uint256_t(1); }
  constexpr uint256_t& operator--() { return *this -= uint256_t(1); }
  constexpr uint256_t operator++(int) { const uint256_t old = *this; ++*this; return old; }
  constexpr uint256_t operator--(int) { const uint256_t old = *this; --*this; return old; }
  constexpr uint256_t operator+() const { return *this; }
  constexpr uint256_t operator-() const { return ~*this + uint256_t(1); }

  // uint128_t right operands are zero-extended to 256 bits.
  constexpr uint256_t operator&(const uint128_t& rhs) const { return *this & uint256_t(rhs); }
  constexpr uint256_t operator|(const uint128_t& rhs) const { return *this | uint256_t(rhs); }
  constexpr uint256_t operator^(const uint128_t& rhs) const { return *this ^ uint256_t(rhs); }
  constexpr uint256_t& operator&=(const uint128_t& rhs) { return *this &= uint256_t(rhs); }
  constexpr uint256_t& operator|=(const uint128_t& rhs) { return *this |= uint256_t(rhs); }
  constexpr uint256_t& operator^=(const uint128_t& rhs) { return *this ^= uint256_t(rhs); }
  constexpr uint256_t operator<<(const uint128_t& rhs) const { return *this << uint256_t(rhs); }
  constexpr uint256_t operator>>(const uint128_t& rhs) const { return *this >> uint256_t(rhs); }
  constexpr uint256_t& operator<<=(const uint128_t& rhs) { return *this <<= uint256_t(rhs); }
  constexpr uint256_t& operator>>=(const uint128_t& rhs) { return *this >>= uint256_t(rhs); }
  constexpr bool operator&&(const uint128_t& rhs) const { return *this && uint256_t(rhs); }
  constexpr bool operator||(const uint128_t& rhs) const { return *this || uint256_t(rhs); }
  constexpr bool operator==(const uint128_t& rhs) const { return *this == uint256_t(rhs); }
  constexpr bool operator!=(const uint128_t& rhs) const { return *this != uint256_t(rhs); }
  constexpr bool operator<(const uint128_t& rhs) const { return *this < uint256_t(rhs); }
  constexpr bool operator>(const uint128_t& rhs) const { return *this > uint256_t(rhs); }
  constexpr bool operator<=(const uint128_t& rhs) const { return *this <= uint256_t(rhs); }
  constexpr bool operator>=(const uint128_t& rhs) const { return *this >= uint256_t(rhs); }
  constexpr uint256_t operator+(const uint128_t& rhs) const { return *this + uint256_t(rhs); }
  constexpr uint256_t operator-(const uint128_t& rhs) const { return *this - uint256_t(rhs); }
  constexpr uint256_t operator*(const uint128_t& rhs) const { return *this * uint256_t(rhs); }
  uint256_t operator/(const uint128_t& rhs) const { return *this / uint256_t(rhs); }
  uint256_t operator%(const uint128_t& rhs) const { return *this % uint256_t(rhs); }
  constexpr uint256_t& operator+=(const uint128_t& rhs) { return *this += uint256_t(rhs); }
  constexpr uint256_t& operator-=(const uint128_t& rhs) { return *this -= uint256_t(rhs); }
  constexpr uint256_t& operator*=(const uint128_t& rhs) { return *this *= uint256_t(rhs); }
  uint256_t& operator/=(const uint128_t& rhs) { return *this /= uint256_t(rhs); }
  uint256_t& operator%=(const uint128_t& rhs) { return *this %= uint256_t(rhs); }

  // Integer right operands: converted as by the constructor, then the
  // uint256_t operator applies (so `uint256_1 << k` shifts by k).
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator&(T rhs) const { return *this & uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator|(T rhs) const { return *this | uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator^(T rhs) const { return *this ^ uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator<<(T rhs) const { return *this << uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator>>(T rhs) const { return *this >> uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator&&(T rhs) const { return *this && uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator||(T rhs) const { return *this || uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator==(T rhs) const { return *this == uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator!=(T rhs) const { return *this != uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator<(T rhs) const { return *this < uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator>(T rhs) const { return *this > uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator<=(T rhs) const { return *this <= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator>=(T rhs) const { return *this >= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator+(T rhs) const { return *this + uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator-(T rhs) const { return *this - uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t operator*(T rhs) const { return *this * uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint256_t operator/(T rhs) const { return *this / uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint256_t operator%(T rhs) const { return *this % uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator&=(T rhs) { return *this &= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator|=(T rhs) { return *this |= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator^=(T rhs) { return *this ^= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator<<=(T rhs) { return *this <<= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator>>=(T rhs) { return *this >>= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator+=(T rhs) { return *this += uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator-=(T rhs) { return *this -= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint256_t& operator*=(T rhs) { return *this *= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint256_t& operator/=(T rhs) { return *this /= uint256_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint256_t& operator%=(T rhs) { return *this %= uint256_t(rhs); }

 private:
  // Shifts by 0 <= n < 256.
  constexpr uint256_t shifted_left(unsigned n) const {
    if (n == 0) return *this;
    if (n < 128) return {(upper_ << n) | (lower_ >> (128 - n)), lower_ << n};
    return {lower_ << (n - 128), uint128_t()};
  }
  constexpr uint256_t shifted_right(unsigned n) const {
    if (n == 0) return *this;
    if (n < 128) return {upper_ >> n, (lower_ >> n) | (upper_ << (128 - n))};
    return {uint128_t(), upper_ >> (n - 128)};
  }
  template <typename CharT>
  void init(const CharT* s, std::size_t len, uint8_t base);
  template <typename CharT>
  std::basic_string<CharT> to_text(uint8_t base, uint32_t len) const;

  uint128_t lower_;
  uint128_t upper_;
};

static_assert(sizeof(uint256_t) == 32 && std::is_trivially_copyable<uint256_t>::value,
              "uint256_t must stay two plain uint128_t halves");

// A uint128_t on the left of a uint256_t: the uint128_t is zero-extended and
// the 256-bit operation applies. The compound forms store the low 128 bits
// of the 256-bit result back into the uint128_t.
constexpr uint256_t operator&(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) & rhs; }
constexpr uint256_t operator|(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) | rhs; }
constexpr uint256_t operator^(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) ^ rhs; }
constexpr uint256_t operator+(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) + rhs; }
constexpr uint256_t operator-(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) - rhs; }
constexpr uint256_t operator*(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) * rhs; }
inline uint256_t operator/(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) / rhs; }
inline uint256_t operator%(const uint128_t& lhs, const uint256_t& rhs) { return uint256_t(lhs) % rhs; }

constexpr bool operator==(const uint128_t& lhs, const uint256_t& rhs) { return rhs == lhs; }
constexpr bool operator!=(const uint128_t& lhs, const uint256_t& rhs) { return rhs != lhs; }
constexpr bool operator<(const uint128_t& lhs, const uint256_t& rhs) { return rhs > lhs; }
constexpr bool operator>(const uint128_t& lhs, const uint256_t& rhs) { return rhs < lhs; }
constexpr bool operator<=(const uint128_t& lhs, const uint256_t& rhs) { return rhs >= lhs; }
constexpr bool operator>=(const uint128_t& lhs, const uint256_t& rhs) { return rhs <= lhs; }

constexpr uint128_t& operator&=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) & rhs).lower(); }
constexpr uint128_t& operator|=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) | rhs).lower(); }
constexpr uint128_t& operator^=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) ^ rhs).lower(); }
constexpr uint128_t& operator+=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) + rhs).lower(); }
constexpr uint128_t& operator-=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) - rhs).lower(); }
constexpr uint128_t& operator*=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) * rhs).lower(); }
inline uint128_t& operator/=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) / rhs).lower(); }
inline uint128_t& operator%=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) % rhs).lower(); }
constexpr uint128_t& operator<<=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) << rhs).lower(); }
constexpr uint128_t& operator>>=(uint128_t& lhs, const uint256_t& rhs) { return lhs = (uint256_t(lhs) >> rhs).lower(); }

// Shifts of an integer or a uint128_t by a 256-bit count: the left operand
// is widened to 256 bits (sign-extended when signed) and then shifted.
constexpr uint256_t operator<<(const uint128_t& lhs, const uint256_t& count) { return uint256_t(lhs) << count; }
constexpr uint256_t operator>>(const uint128_t& lhs, const uint256_t& count) { return uint256_t(lhs) >> count; }
template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
constexpr uint256_t operator<<(T lhs, const uint256_t& count) {
  return uint256_t(lhs) << count;
}
template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
constexpr uint256_t operator>>(T lhs, const uint256_t& count) {
  return uint256_t(lhs) >> count;
}

// An integer times a uint256_t: the commuted product.
template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
constexpr uint256_t operator*(T lhs, const uint256_t& rhs) {
  return rhs * lhs;
}

// Writes the value in tavik::wideint_detail::stream_base(stream). Digits are
// lower case; no prefix, width or fill is applied, and a pending width is
// consumed.
std::ostream& operator<<(std::ostream& stream, const uint256_t& value);

inline constexpr uint128_t uint128_64{64};
inline constexpr uint128_t uint128_128{128};
inline constexpr uint128_t uint128_256{256};
inline constexpr uint256_t uint256_0{0};
inline constexpr uint256_t uint256_1{1};
inline constexpr uint256_t uint256_max{uint128_t(-1, -1), uint128_t(-1, -1)};

#endif  // TAVIK_WIDEINT_UINT256_T_H_
