// uint128_t: an unsigned integer of exactly 128 bits with value semantics.
//
// Every operation wraps modulo 2^128. Integer operands of any width are
// accepted; signed values are sign-extended over all 128 bits first, so -5
// becomes 2^128 - 5. Division, remainder and text conversion live in
// uint128_t.cpp; everything else is constexpr, so values (and the constants
// at the bottom of this file) can be built at compile time and never depend
// on the order of static initialisation between translation units.
//
// The layout is fixed: `lower_` (bits 0..63) then `upper_` (bits 64..127),
// and the type is trivially copyable.

#ifndef TAVIK_WIDEINT_UINT128_T_H_
#define TAVIK_WIDEINT_UINT128_T_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#ifndef __SIZEOF_INT128__
#error "wideint needs a compiler with unsigned __int128 (GCC or Clang on a 64-bit target)"
#endif

namespace tavik {
namespace wideint_detail {

// Built-in integers up to 64 bits (GNU's 128-bit integer types are left
// out rather than silently truncated).
template <typename T>
using EnableIfInteger = std::enable_if_t<std::is_integral<T>::value && sizeof(T) <= 8, int>;

// Sign-extends signed values, zero-extends unsigned ones (and bool).
template <typename T>
constexpr uint64_t extend_low(T value) {
  return static_cast<uint64_t>(value);
}
template <typename T>
constexpr uint64_t extend_high(T value) {
  if constexpr (std::is_signed<T>::value) {
    return value < 0 ? ~uint64_t{0} : 0;
  } else {
    (void)value;
    return 0;
  }
}

// The base in which a stream writes a wide integer: 8 when the octal flag
// is set, else 10 when the decimal flag is set, else 16 when the
// hexadecimal flag is set, and 10 when none of them is set (as for built-in
// integers, so a value is never silently left out).
uint8_t stream_base(const std::ios_base& stream);

}  // namespace wideint_detail
}  // namespace tavik

class uint128_t {
 public:
  // Zero. (Nothing relies on an uninitialised value, so we never leave one.)
  constexpr uint128_t() = default;

  // From bool (0 or 1), any unsigned integer (zero-extended) or any signed
  // integer (sign-extended).
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t(T value)
      : lower_(tavik::wideint_detail::extend_low(value)),
        upper_(tavik::wideint_detail::extend_high(value)) {}

  // From (high, low): each part is converted to 64 bits on its own, so a
  // negative int part becomes 2^64 minus its magnitude.
  template <typename H, typename L, tavik::wideint_detail::EnableIfInteger<H> = 0,
            tavik::wideint_detail::EnableIfInteger<L> = 0>
  constexpr uint128_t(H high, L low)
      : lower_(static_cast<uint64_t>(low)), upper_(static_cast<uint64_t>(high)) {}

  // From text in base 2, 8, 10 or 16; any other base gives 0. Leading white
  // space is skipped; no sign is read and no prefix except what the standard
  // hexadecimal stream extraction accepts itself. Only the last 128 binary,
  // 43 octal, 39 decimal or 32 hexadecimal characters are considered (so a
  // longer text loses its leading characters). Binary, octal and decimal
  // digits are taken until the first character that is not a digit of the
  // base; the two 16-character halves of a hexadecimal text are each read by
  // stream extraction on their own. Parsing never fails.
  //
  // The pointer form reads at most `len` characters and stops at a NUL; a
  // null pointer gives 0.
  explicit uint128_t(const std::string& s, uint8_t base);
  uint128_t(const char* s, std::size_t len, uint8_t base);

  constexpr uint128_t(const uint128_t&) = default;
  constexpr uint128_t& operator=(const uint128_t&) = default;

  // Conversions: truth value, and the low bits of `lower_`.
  constexpr explicit operator bool() const { return (lower_ | upper_) != 0; }
  constexpr explicit operator uint8_t() const { return static_cast<uint8_t>(lower_); }
  constexpr explicit operator uint16_t() const { return static_cast<uint16_t>(lower_); }
  constexpr explicit operator uint32_t() const { return static_cast<uint32_t>(lower_); }
  constexpr explicit operator uint64_t() const { return lower_; }

  constexpr const uint64_t& upper() const { return upper_; }
  constexpr const uint64_t& lower() const { return lower_; }

  // Number of significant bits: 0 for zero, 128 for all ones.
  constexpr uint8_t bit_length() const {
    return upper_ != 0 ? static_cast<uint8_t>(64 + bits_of(upper_)) : bits_of(lower_);
  }

  // Appends 16 bytes, most significant first.
  void append_big_endian_bytes(std::vector<uint8_t>& bytes) const;

  // (lhs / rhs, lhs % rhs). Throws std::domain_error
  // "Error: division or modulus by 0" when rhs is 0. The object itself is
  // not used.
  std::pair<uint128_t, uint128_t> divmod(const uint128_t& lhs, const uint128_t& rhs) const;

  // The value in `base` (2 to 16, lower-case digits), padded with leading
  // '0' to at least `len` characters and never shortened. Throws
  // std::invalid_argument "Base must be in the range [2, 16]" otherwise.
  std::string str(uint8_t base = 10, const uint32_t& len = 0) const;

  // Bitwise operators work on each 64-bit field.
  constexpr uint128_t operator&(const uint128_t& rhs) const { return {upper_ & rhs.upper_, lower_ & rhs.lower_}; }
  constexpr uint128_t operator|(const uint128_t& rhs) const { return {upper_ | rhs.upper_, lower_ | rhs.lower_}; }
  constexpr uint128_t operator^(const uint128_t& rhs) const { return {upper_ ^ rhs.upper_, lower_ ^ rhs.lower_}; }
  constexpr uint128_t& operator&=(const uint128_t& rhs) { return *this = *this & rhs; }
  constexpr uint128_t& operator|=(const uint128_t& rhs) { return *this = *this | rhs; }
  constexpr uint128_t& operator^=(const uint128_t& rhs) { return *this = *this ^ rhs; }
  constexpr uint128_t operator~() const { return {~upper_, ~lower_}; }

  // Logical shifts. A count of 128 or more (including any count whose high
  // 64 bits are set) gives 0.
  constexpr uint128_t operator<<(const uint128_t& count) const {
    return count.upper_ != 0 || count.lower_ >= 128 ? uint128_t() : shifted_left(static_cast<unsigned>(count.lower_));
  }
  constexpr uint128_t operator>>(const uint128_t& count) const {
    return count.upper_ != 0 || count.lower_ >= 128 ? uint128_t() : shifted_right(static_cast<unsigned>(count.lower_));
  }
  constexpr uint128_t& operator<<=(const uint128_t& count) { return *this = *this << count; }
  constexpr uint128_t& operator>>=(const uint128_t& count) { return *this = *this >> count; }

  constexpr bool operator!() const { return !static_cast<bool>(*this); }
  constexpr bool operator&&(const uint128_t& rhs) const { return static_cast<bool>(*this) && static_cast<bool>(rhs); }
  constexpr bool operator||(const uint128_t& rhs) const { return static_cast<bool>(*this) || static_cast<bool>(rhs); }

  constexpr bool operator==(const uint128_t& rhs) const { return upper_ == rhs.upper_ && lower_ == rhs.lower_; }
  constexpr bool operator!=(const uint128_t& rhs) const { return !(*this == rhs); }
  constexpr bool operator<(const uint128_t& rhs) const {
    return upper_ == rhs.upper_ ? lower_ < rhs.lower_ : upper_ < rhs.upper_;
  }
  constexpr bool operator>(const uint128_t& rhs) const { return rhs < *this; }
  constexpr bool operator<=(const uint128_t& rhs) const { return !(rhs < *this); }
  constexpr bool operator>=(const uint128_t& rhs) const { return !(*this < rhs); }

  constexpr uint128_t operator+(const uint128_t& rhs) const {
    const uint64_t low = lower_ + rhs.lower_;
    return {upper_ + rhs.upper_ + (low < lower_ ? 1 : 0), low};
  }
  constexpr uint128_t operator-(const uint128_t& rhs) const {
    return {upper_ - rhs.upper_ - (rhs.lower_ > lower_ ? 1 : 0), lower_ - rhs.lower_};
  }
  constexpr uint128_t operator*(const uint128_t& rhs) const {
    // Exact low product plus the two cross terms; upper x upper lies
    // entirely above bit 127.
    const unsigned __int128 low = static_cast<unsigned __int128>(lower_) * rhs.lower_;
    const uint64_t high = static_cast<uint64_t>(low >> 64) + lower_ * rhs.upper_ + upper_ * rhs.lower_;
    return {high, static_cast<uint64_t>(low)};
  }
  uint128_t operator/(const uint128_t& rhs) const { return divmod(*this, rhs).first; }
  uint128_t operator%(const uint128_t& rhs) const { return divmod(*this, rhs).second; }
  constexpr uint128_t& operator+=(const uint128_t& rhs) { return *this = *this + rhs; }
  constexpr uint128_t& operator-=(const uint128_t& rhs) { return *this = *this - rhs; }
  constexpr uint128_t& operator*=(const uint128_t& rhs) { return *this = *this * rhs; }
  uint128_t& operator/=(const uint128_t& rhs) { return *this = *this / rhs; }
  uint128_t& operator%=(const uint128_t& rhs) { return *this = *this % rhs; }

  constexpr uint128_t& operator++() { return *this += uint128_t(1); }
  constexpr uint128_t& operator--() { return *this -= uint128_t(1); }
  constexpr uint128_t operator++(int) { const uint128_t old = *this; ++*this; return old; }
  constexpr uint128_t operator--(int) { const uint128_t old = *this; --*this; return old; }
  constexpr uint128_t operator+() const { return *this; }
  constexpr uint128_t operator-() const { return ~*this + uint128_t(1); }

  // Integer right operands: converted as by the constructor (sign-extended
  // when signed), then the operator above applies.
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator&(T rhs) const { return *this & uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator|(T rhs) const { return *this | uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator^(T rhs) const { return *this ^ uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator<<(T rhs) const { return *this << uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator>>(T rhs) const { return *this >> uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator&&(T rhs) const { return *this && uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator||(T rhs) const { return *this || uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator==(T rhs) const { return *this == uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator!=(T rhs) const { return *this != uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator<(T rhs) const { return *this < uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator>(T rhs) const { return *this > uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator<=(T rhs) const { return *this <= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr bool operator>=(T rhs) const { return *this >= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator+(T rhs) const { return *this + uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator-(T rhs) const { return *this - uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t operator*(T rhs) const { return *this * uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint128_t operator/(T rhs) const { return *this / uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint128_t operator%(T rhs) const { return *this % uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator&=(T rhs) { return *this &= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator|=(T rhs) { return *this |= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator^=(T rhs) { return *this ^= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator<<=(T rhs) { return *this <<= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator>>=(T rhs) { return *this >>= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator+=(T rhs) { return *this += uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator-=(T rhs) { return *this -= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  constexpr uint128_t& operator*=(T rhs) { return *this *= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint128_t& operator/=(T rhs) { return *this /= uint128_t(rhs); }
  template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
  uint128_t& operator%=(T rhs) { return *this %= uint128_t(rhs); }

 private:
  static constexpr uint8_t bits_of(uint64_t v) {
    uint8_t n = 0;
    for (; v != 0; v >>= 1) ++n;
    return n;
  }
  // Shifts by 0 <= n < 128 without ever shifting a 64-bit word by 64.
  constexpr uint128_t shifted_left(unsigned n) const {
    if (n == 0) return *this;
    if (n < 64) return {(upper_ << n) | (lower_ >> (64 - n)), lower_ << n};
    return {lower_ << (n - 64), uint64_t{0}};
  }
  constexpr uint128_t shifted_right(unsigned n) const {
    if (n == 0) return *this;
    if (n < 64) return {upper_ >> n, (lower_ >> n) | (upper_ << (64 - n))};
    return {uint64_t{0}, upper_ >> (n - 64)};
  }
  void init(const char* s, std::size_t len, uint8_t base);

  uint64_t lower_ = 0;
  uint64_t upper_ = 0;
};

static_assert(sizeof(uint128_t) == 16 && std::is_trivially_copyable<uint128_t>::value,
              "uint128_t must stay two plain 64-bit fields");

// Shifts with an integer on the left: the integer is converted as by the
// constructor, then shifted by the 128-bit count.
template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
constexpr uint128_t operator<<(T lhs, const uint128_t& count) {
  return uint128_t(lhs) << count;
}
template <typename T, tavik::wideint_detail::EnableIfInteger<T> = 0>
constexpr uint128_t operator>>(T lhs, const uint128_t& count) {
  return uint128_t(lhs) >> count;
}

// Writes the value in tavik::wideint_detail::stream_base(stream). Digits are
// lower case; no prefix, width or fill is applied, and a pending width is
// consumed.
std::ostream& operator<<(std::ostream& stream, const uint128_t& value);

inline constexpr uint128_t uint128_0{0};
inline constexpr uint128_t uint128_1{1};

#endif  // TAVIK_WIDEINT_UINT128_T_H_
