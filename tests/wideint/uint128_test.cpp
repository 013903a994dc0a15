// uint128_t against GCC's unsigned __int128 as the reference, plus the exact
// text, stream and error behaviour.
#include "wideint/uint128_t.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

using Native = unsigned __int128;

Native N(const uint128_t& v) { return (Native{v.upper()} << 64) | v.lower(); }
uint128_t W(Native v) { return uint128_t(static_cast<uint64_t>(v >> 64), static_cast<uint64_t>(v)); }
constexpr Native kOnes = ~Native{0};

// Edge operands (0, 1, all ones, powers of two, carries across bit 64)
// followed by random ones of every length.
std::vector<Native> operands() {
  std::vector<Native> v = {0, 1, 2, 3, 10, 0xffffffffu, Native{1} << 32, ~uint64_t{0}, Native{1} << 63,
                           Native{1} << 64, (Native{1} << 64) + 1, (Native{1} << 64) - 2, Native{1} << 127,
                           kOnes, kOnes - 1, kOnes >> 1, (Native{0x8000000000000000} << 64) | 1};
  std::mt19937_64 rng(20240601);
  for (int i = 0; i < 60; ++i) {
    const Native r = (Native{rng()} << 64) | rng();
    v.push_back(r >> (rng() % 128));
  }
  return v;
}

template <typename E, typename F>
void expect_throw_what(F f, const char* what) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected: " << what;
  } catch (const E& e) {
    EXPECT_STREQ(e.what(), what);
  }
}

uint128_t hex(const char* s) { return uint128_t(std::string(s), 16); }

TEST(Uint128, ArithmeticMatchesNativeReference) {
  const auto ops = operands();
  for (Native a : ops) {
    const uint128_t x = W(a);
    EXPECT_EQ(N(~x), ~a);
    EXPECT_EQ(N(-x), -a);
    uint128_t inc = x, dec = x;
    EXPECT_EQ(N(inc++), a);
    EXPECT_EQ(N(++inc), a + 2);
    EXPECT_EQ(N(dec--), a);
    EXPECT_EQ(N(--dec), a - 2);
    int bits = 0;
    for (Native t = a; t != 0; t >>= 1) ++bits;
    EXPECT_EQ(x.bit_length(), bits);
    for (Native b : ops) {
      const uint128_t y = W(b);
      SCOPED_TRACE(x.str(16) + " op " + y.str(16));
      EXPECT_EQ(N(x + y), a + b);
      EXPECT_EQ(N(x - y), a - b);
      EXPECT_EQ(N(x * y), a * b);
      EXPECT_EQ(N(x & y), a & b);
      EXPECT_EQ(N(x | y), a | b);
      EXPECT_EQ(N(x ^ y), a ^ b);
      EXPECT_EQ(x < y, a < b);
      EXPECT_EQ(x > y, a > b);
      EXPECT_EQ(x <= y, a <= b);
      EXPECT_EQ(x >= y, a >= b);
      EXPECT_EQ(x == y, a == b);
      EXPECT_EQ(x != y, a != b);
      if (b != 0) {
        EXPECT_EQ(N(x / y), a / b);
        EXPECT_EQ(N(x % y), a % b);
      }
      const unsigned count = static_cast<unsigned>(b % 160);
      EXPECT_EQ(N(x << uint128_t(count)), count < 128 ? a << count : 0);
      EXPECT_EQ(N(x >> uint128_t(count)), count < 128 ? a >> count : 0);
      uint128_t z = x;
      z += y, z *= y, z -= y, z ^= y;
      EXPECT_EQ(N(z), ((a + b) * b - b) ^ b);
    }
  }
}

TEST(Uint128, ConstructionFromIntegers) {
  EXPECT_EQ(N(uint128_t(-1)), kOnes);
  EXPECT_EQ(N(uint128_t(-5)), kOnes - 4);
  EXPECT_EQ(N(uint128_t(int8_t{-2})), kOnes - 1);
  EXPECT_EQ(N(uint128_t(INT64_MIN)), kOnes - (Native{1} << 63) + 1);
  EXPECT_EQ(N(uint128_t(uint64_t{0xffffffffffffffff})), Native{0xffffffffffffffff});
  EXPECT_EQ(N(uint128_t(true)), 1u);
  const uint128_t pair(-1, 0);
  EXPECT_EQ(pair.upper(), ~uint64_t{0});
  EXPECT_EQ(pair.lower(), 0u);
  EXPECT_EQ(N(uint128_t(0, -1)), Native{~uint64_t{0}});
  EXPECT_EQ(N(uint128_t()), 0u);
  uint128_t assigned = 7;
  assigned = -3;
  EXPECT_EQ(N(assigned), kOnes - 2);
  EXPECT_EQ(static_cast<uint8_t>(W(0x1234)), 0x34);
  EXPECT_EQ(static_cast<uint32_t>(W((Native{5} << 64) | 0x123456789)), 0x23456789u);
  EXPECT_EQ(static_cast<uint64_t>(W((Native{5} << 64) | 9)), 9u);
  EXPECT_FALSE(static_cast<bool>(uint128_0));
  EXPECT_TRUE(static_cast<bool>(W(Native{1} << 100)));
}

TEST(Uint128, IntegerOperandsAreSignExtended) {
  const uint128_t x = W((Native{0xabcd} << 64) | 0x1234);
  // -1 is all ones here as everywhere else, so AND keeps the whole value.
  EXPECT_EQ(x & -1, x);
  EXPECT_EQ(N(x & 0xff), 0x34u);
  EXPECT_EQ(N(x + static_cast<unsigned char>(0xff)), N(x) + 0xff);
  EXPECT_EQ(N(uint128_t(~uint64_t{0}) + static_cast<unsigned char>(1)), Native{1} << 64);
  EXPECT_EQ(N(W(Native{1} << 64) - static_cast<unsigned char>(1)), Native{~uint64_t{0}});
  EXPECT_EQ(N(x >> 64u), 0xabcdu);
  uint128_t y = x;
  y += -1;
  EXPECT_EQ(N(y), N(x) - 1);
  y *= -1;
  EXPECT_EQ(N(y), -(N(x) - 1));
  EXPECT_EQ(N(x << -1), 0u);  // a negative count is huge, not a small one
  EXPECT_TRUE(uint128_t(5) < 6 && uint128_t(5) >= 5);
  EXPECT_TRUE(!uint128_0 && (x && 1) && (uint128_0 || 2) && !(uint128_0 || 0));
}

TEST(Uint128, ShiftEdgesAndIntegerLeftOperand) {
  const uint128_t x = W(kOnes - 12345);
  EXPECT_EQ(x << uint128_0, x);
  EXPECT_EQ(x >> uint128_0, x);
  EXPECT_EQ(N(x << uint128_t(128)), 0u);
  EXPECT_EQ(N(x >> uint128_t(1, 0)), 0u);  // count with high bits set
  const uint128_t top = 1 << uint128_t(64);
  EXPECT_EQ(top.upper(), 1u);
  EXPECT_EQ(top.lower(), 0u);
  EXPECT_EQ(N(int8_t{-1} << uint128_t(4)), kOnes << 4);
  EXPECT_EQ(N(true << uint128_t(127)), Native{1} << 127);
  EXPECT_EQ(N(uint64_t{0x8000000000000000} >> uint128_t(63)), 1u);
  EXPECT_EQ(N(int64_t{-8} >> uint128_t(125)), 7u);
  uint128_t y = x;
  y <<= uint128_t(64);
  y >>= 64;
  EXPECT_EQ(N(y), N(x) & ~uint64_t{0});
  static_assert((uint128_1 << 127) > (uint128_1 << 126), "shifts are compile-time");
}

TEST(Uint128, DivisionByZeroAndSpecialQuotients) {
  const uint128_t x = W(kOnes / 3);
  expect_throw_what<std::domain_error>([&] { (void)(x / uint128_0); }, "Error: division or modulus by 0");
  expect_throw_what<std::domain_error>([&] { (void)(x % 0); }, "Error: division or modulus by 0");
  expect_throw_what<std::domain_error>([&] { uint128_t y = x; y /= 0; }, "Error: division or modulus by 0");
  expect_throw_what<std::domain_error>([&] { (void)x.divmod(x, uint128_0); }, "Error: division or modulus by 0");
  const auto qr = x.divmod(uint128_t(10), uint128_t(3));
  EXPECT_EQ(N(qr.first), 3u);
  EXPECT_EQ(N(qr.second), 1u);
  EXPECT_EQ(N(uint128_t(3) / 10), 0u);
  EXPECT_EQ(N(uint128_t(3) % 10), 3u);
  EXPECT_EQ(x / 1, x);
  EXPECT_EQ(N(x % 1), 0u);
  EXPECT_EQ(N(x / x), 1u);
  EXPECT_EQ(N(uint128_0 - uint128_1), kOnes);
  EXPECT_EQ(N(W(kOnes) + uint128_1), 0u);
}

TEST(Uint128, ParsesTextByTheRulesOfEachBase) {
  EXPECT_EQ(N(hex("  ff")), 255u);
  EXPECT_EQ(N(hex("FF")), 255u);  // the stream extraction accepts upper case
  EXPECT_EQ(N(uint128_t(std::string(), 10)), 0u);
  EXPECT_EQ(N(uint128_t(nullptr, 5, 10)), 0u);
  EXPECT_EQ(N(uint128_t(std::string("12"), 3)), 0u);
  EXPECT_EQ(N(uint128_t(std::string("12abc"), 10)), 12u);
  EXPECT_EQ(N(uint128_t(std::string("12 "), 10)), 12u);
  EXPECT_EQ(N(uint128_t(std::string("\t\n 42"), 10)), 42u);
  EXPECT_EQ(N(uint128_t(std::string("\xa0" "42"), 10)), 0u);  // non-ASCII is not white space
  EXPECT_EQ(N(uint128_t(std::string("12\0" "34", 5), 10)), 12u);
  EXPECT_EQ(N(uint128_t("123456", 3, 10)), 123u);
  EXPECT_EQ(N(uint128_t(std::string("777"), 8)), 0777u);
  EXPECT_EQ(N(uint128_t(std::string("78"), 8)), 7u);
  EXPECT_EQ(N(uint128_t(std::string("1012"), 2)), 5u);
  // 40 decimal digits: only the last 39 are read.
  EXPECT_EQ(uint128_t(std::string("9234567890123456789012345678901234567890"), 10).str(10),
            "234567890123456789012345678901234567890");
  EXPECT_EQ(N(uint128_t(std::string("340282366920938463463374607431768211456"), 10)), 0u);  // 2^128 wraps
  // Hexadecimal: only the last 32 characters; each 16-character half on its own.
  EXPECT_EQ(N(hex("abc0123456789abcdef0123456789abcdef")), (Native{0x0123456789abcdef} << 64) | 0x0123456789abcdef);
  EXPECT_EQ(N(hex("10000000000000000")), Native{1} << 64);
  EXPECT_EQ(N(hex("zz0000000000000001")), 1u);
  EXPECT_EQ(N(hex("1g000000000000000")), Native{1} << 64);
  // Binary, 70 digits: the first 6 fill the upper field.
  const std::string bits = "101101" + std::string(63, '0') + "1";
  const uint128_t b(bits, 2);
  EXPECT_EQ(b.upper(), 0x2du);
  EXPECT_EQ(b.lower(), 1u);
  EXPECT_EQ(N(uint128_t(std::string("11x1"), 2)), 3u);
}

TEST(Uint128, PrintsAndRoundTripsText) {
  EXPECT_EQ(uint128_t(42).str(10, 5), "00042");
  EXPECT_EQ(uint128_t(255).str(16, 0), "ff");
  EXPECT_EQ(uint128_t(12345).str(10, 2), "12345");
  EXPECT_EQ(uint128_0.str(2), "0");
  EXPECT_EQ(uint128_t(8).str(8), "10");
  EXPECT_EQ(W(kOnes).str(16), std::string(32, 'f'));
  EXPECT_EQ(W(kOnes).str(10), "340282366920938463463374607431768211455");
  EXPECT_EQ(W(Native{1} << 127).str(2), "1" + std::string(127, '0'));
  expect_throw_what<std::invalid_argument>([] { (void)uint128_1.str(17); }, "Base must be in the range [2, 16]");
  expect_throw_what<std::invalid_argument>([] { (void)uint128_1.str(1); }, "Base must be in the range [2, 16]");
  for (Native a : operands()) {
    const uint128_t x = W(a);
    EXPECT_EQ(uint128_t(x.str(2), 2), x);
    EXPECT_EQ(uint128_t(x.str(8), 8), x);
    EXPECT_EQ(uint128_t(x.str(10), 10), x);
    EXPECT_EQ(uint128_t(x.str(16), 16), x);
  }
}

TEST(Uint128, StreamOutputFollowsBaseFlagsOnly) {
  std::ostringstream out;
  out << std::hex << std::showbase << std::uppercase << uint128_t(255) << ' ' << std::oct << uint128_t(8) << ' '
      << std::dec << std::setw(6) << std::setfill('*') << uint128_t(42) << '|' << std::setw(3) << 7;
  EXPECT_EQ(out.str(), "ff 10 42|**7");
  std::ostringstream cleared;
  cleared.unsetf(std::ios_base::basefield);
  cleared << uint128_t(1234);
  EXPECT_EQ(cleared.str(), "1234");
}

TEST(Uint128, BigEndianBytesAppend) {
  std::vector<uint8_t> bytes = {0xee};
  W((Native{0x0102030405060708} << 64) | 0x090a0b0c0d0e0f10).append_big_endian_bytes(bytes);
  const std::vector<uint8_t> expected = {0xee, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(uint128_0.bit_length(), 0);
  EXPECT_EQ(uint128_1.bit_length(), 1);
  EXPECT_EQ(W(Native{1} << 64).bit_length(), 65);
  EXPECT_EQ(W(kOnes).bit_length(), 128);
}

}  // namespace
