// uint256_t checked through identities over random operands (fixed seed), an
// independent 128x128-bit product, and fixed known values.
#include "wideint/uint256_t.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

using Native = unsigned __int128;

const char kTwoTo255[] = "57896044618658097711785492504343953926634992332820282019728792003956564819968";
const char kMaxDecimal[] = "115792089237316195423570985008687907853269984665640564039457584007913129639935";

uint128_t W(Native v) { return uint128_t(static_cast<uint64_t>(v >> 64), static_cast<uint64_t>(v)); }
Native N(const uint128_t& v) { return (Native{v.upper()} << 64) | v.lower(); }

// The full 256-bit product of two 128-bit values from 64x64-bit native
// products, as a reference independent of uint256_t's multiplication.
uint256_t full_product(Native a, Native b) {
  const Native a0 = uint64_t(a), a1 = a >> 64, b0 = uint64_t(b), b1 = b >> 64;
  const Native low = a0 * b0, mid1 = a0 * b1, mid2 = a1 * b0, high = a1 * b1;
  const Native mid = (low >> 64) + uint64_t(mid1) + uint64_t(mid2);
  const Native upper = high + (mid1 >> 64) + (mid2 >> 64) + (mid >> 64);
  return uint256_t(W(upper), W((mid << 64) | uint64_t(low)));
}

// 2^k for k = 0..256 by repeated addition (2^256 wraps to 0).
std::vector<uint256_t> powers_of_two() {
  std::vector<uint256_t> p = {uint256_t(1)};
  for (int k = 1; k <= 256; ++k) p.push_back(p.back() + p.back());
  return p;
}

std::vector<uint256_t> operands() {
  const std::vector<uint256_t> p = powers_of_two();
  std::vector<uint256_t> v = {uint256_0,      uint256_1,  uint256_t(10), uint256_max, uint256_max - 1, p[64], p[127],
                              p[128],         p[128] - 1, p[128] + 1,    p[255],      p[192] + p[63], uint256_t(~uint64_t{0})};
  std::mt19937_64 rng(987654321);
  for (int i = 0; i < 60; ++i) {
    const uint256_t r(uint128_t(rng(), rng()), uint128_t(rng(), rng()));
    v.push_back(r >> static_cast<int>(rng() % 256));
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

TEST(Uint256, ArithmeticIdentitiesOverRandomOperands) {
  const auto ops = operands();
  for (const uint256_t& a : ops) {
    EXPECT_EQ(a + (-a), uint256_0);
    EXPECT_EQ(~a, uint256_max - a);
    uint256_t inc = a;
    EXPECT_EQ(inc++, a);
    EXPECT_EQ(--inc, a);
    for (const uint256_t& b : ops) {
      SCOPED_TRACE(a.str(16) + " op " + b.str(16));
      EXPECT_EQ((a + b) - b, a);
      EXPECT_EQ(a - b + b, a);
      EXPECT_EQ(a * b, b * a);
      // (aH 2^128 + aL)(bH 2^128 + bL) mod 2^256 from 128-bit pieces.
      const Native aL = N(a.lower()), aH = N(a.upper()), bL = N(b.lower()), bH = N(b.upper());
      EXPECT_EQ(a * b, full_product(aL, bL) + uint256_t(W(aH * bL + aL * bH), uint128_0));
      EXPECT_EQ((a | b) - (a & b), a ^ b);
      // Ordering agrees with the big-endian bytes.
      EXPECT_EQ(a < b, a.big_endian_bytes() < b.big_endian_bytes());
      EXPECT_EQ(a >= b, !(a < b));
      EXPECT_EQ(a == b, a.big_endian_bytes() == b.big_endian_bytes());
      if (b) {
        const auto qr = a.divmod(a, b);
        EXPECT_LT(qr.second, b);
        EXPECT_EQ(qr.first * b + qr.second, a);
        EXPECT_EQ(a / b, qr.first);
        EXPECT_EQ(a % b, qr.second);
      }
    }
  }
}

TEST(Uint256, ShiftsAreMultiplicationsByPowersOfTwo) {
  const auto p = powers_of_two();
  for (const uint256_t& a : operands()) {
    for (int k = 0; k < 256; k += 7) {
      EXPECT_EQ(a << k, a * p[k]);
      EXPECT_EQ(a >> k, a / p[k]);
      EXPECT_EQ(a >> uint128_t(k), a / p[k]);
    }
    EXPECT_EQ(a << 255, a * p[255]);
    EXPECT_EQ(a >> 255, a / p[255]);
    EXPECT_EQ(a << 256, uint256_0);
    EXPECT_EQ(a >> 256, uint256_0);
    EXPECT_EQ(a << uint256_t(uint128_1, uint128_0), uint256_0);  // count with upper half set
    EXPECT_EQ(a << -1, uint256_0);
  }
  const uint256_t top = uint256_1 << 255;
  EXPECT_EQ(top.upper(), uint128_1 << 127);
  EXPECT_EQ(top.lower(), uint128_0);
  const uint256_t mid = uint256_1 << 128;
  EXPECT_EQ(mid.upper(), uint128_1);
  EXPECT_EQ(mid.lower(), uint128_0);
  EXPECT_EQ(5 << uint256_t(200), p[200] * 5);
  EXPECT_EQ(int8_t{-1} << uint256_t(8), uint256_max - 255);
  EXPECT_EQ(uint128_t(3) << uint256_t(200), p[200] * 3);  // widened before the shift
  EXPECT_EQ(uint256_max >> uint256_t(252), uint256_t(15));
  static_assert((uint256_1 << 200) >> 199 == uint256_t(2), "shifts are compile-time");
}

TEST(Uint256, KnownValuesAndWrapAround) {
  EXPECT_EQ((uint256_1 << 255).str(10), kTwoTo255);
  EXPECT_EQ(uint256_max.str(10), kMaxDecimal);
  EXPECT_EQ(uint256_max.str(16), std::string(64, 'f'));
  EXPECT_EQ(uint256_max.str(2), std::string(256, '1'));
  EXPECT_EQ(uint256_max + 1, uint256_0);
  EXPECT_EQ(uint256_0 - 1, uint256_max);
  EXPECT_EQ(uint256_t(-1), uint256_max);
  EXPECT_EQ(uint256_t(INT64_MIN), uint256_max - uint256_t(uint64_t{0x7fffffffffffffff}));
  EXPECT_EQ(uint256_t(~uint64_t{0}).upper(), uint128_0);
  EXPECT_EQ(uint256_t(uint64_t{7}, uint128_t(9)), (uint256_t(7) << 128) + 9);
  EXPECT_EQ(uint256_t(W(~Native{0})), (uint256_1 << 128) - 1);
  EXPECT_EQ(uint256_t(), uint256_0);
  EXPECT_EQ(uint256_0.bit_length(), 0);
  EXPECT_EQ(uint256_1.bit_length(), 1);
  EXPECT_EQ((uint256_1 << 128).bit_length(), 129);
  EXPECT_EQ(uint256_max.bit_length(), 256);
  EXPECT_EQ(static_cast<uint64_t>(uint256_max), ~uint64_t{0});
  EXPECT_EQ(static_cast<uint16_t>(uint256_t(0x12345)), 0x2345);
  EXPECT_EQ(static_cast<uint128_t>((uint256_1 << 200) + 3), uint128_t(3));
  EXPECT_TRUE(!uint256_0 && (uint256_1 && uint128_1) && (uint256_0 || 1) && !(uint256_0 || uint128_0));
  EXPECT_EQ(3 * uint256_t(5), uint256_t(15));
  EXPECT_EQ(uint256_t(5) * static_cast<unsigned char>(200), uint256_t(1000));
  EXPECT_EQ(uint256_t(1000) * 300, uint256_t(300000));  // not truncated to a byte
}

TEST(Uint256, DivisionEdges) {
  const uint256_t x = uint256_max / 3;
  const char* const kByZero = "Error: division or modulus by 0";
  expect_throw_what<std::domain_error>([&] { (void)(x / uint256_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)(x % uint256_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)x.divmod(x, uint256_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { uint256_t y = x; y %= 0; }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)(x / uint128_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { uint128_t y(5); y /= uint256_0; }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)(uint128_t(5) % uint256_0); }, kByZero);
  EXPECT_EQ(uint256_t(10) / 3, uint256_t(3));
  EXPECT_EQ(uint256_t(10) % 3, uint256_t(1));
  EXPECT_EQ(uint256_t(3) / 10, uint256_0);
  EXPECT_EQ(uint256_t(3) % 10, uint256_t(3));
  EXPECT_EQ(uint256_0 / 5, uint256_0);
  EXPECT_EQ(x / 1, x);
  EXPECT_EQ(x % 1, uint256_0);
  EXPECT_EQ(x / x, uint256_1);
  EXPECT_EQ(uint256_max / uint256_t(W(~Native{0})), (uint256_1 << 128) + 1);
  EXPECT_EQ(uint256_max / (uint256_1 << 255), uint256_1);
}

TEST(Uint256, ParsesEveryCharacterAsADigitPosition) {
  EXPECT_EQ(uint256_t("ff", 16), uint256_t(255));
  EXPECT_EQ(uint256_t("FF", 16), uint256_0);
  EXPECT_EQ(uint256_t(std::string("12 "), 10), uint256_t(120));
  EXPECT_EQ(uint256_t("-12", 10), uint256_t(12));
  EXPECT_EQ(uint256_t("z", 10), uint256_t(35));
  EXPECT_EQ(uint256_t("19", 8), uint256_t(17));  // digits are not checked against the base
  EXPECT_EQ(uint256_t("", 10), uint256_0);
  EXPECT_EQ(uint256_t(static_cast<const char*>(nullptr), 10), uint256_0);
  EXPECT_EQ(uint256_t(std::string("12\0" "3", 4), 10), uint256_t(12));  // ends at the NUL
  EXPECT_EQ(uint256_t(std::wstring(L"ff"), 16), uint256_t(255));
  EXPECT_EQ(uint256_t(std::wstring(L"1\u00e9"), 10), uint256_t(10));
  EXPECT_EQ(uint256_t(std::string(kTwoTo255), 10), uint256_1 << 255);
  EXPECT_EQ(uint256_t("1" + std::string(64, '0'), 16), uint256_0);  // 2^256 wraps
  for (const uint256_t& a : operands()) {
    for (uint8_t base = 2; base <= 36; base += 17) {
      EXPECT_EQ(uint256_t(a.str(base), base), a);
      EXPECT_EQ(uint256_t(a.wstr(base), base), a);
    }
  }
}

TEST(Uint256, PrintsNarrowWideAndToStreams) {
  EXPECT_EQ(uint256_t(35).str(36), "z");
  EXPECT_EQ(uint256_t(7).str(10, 3), "007");
  EXPECT_EQ(uint256_t(12345).str(10, 3), "12345");
  EXPECT_EQ(uint256_0.str(), "0");
  EXPECT_EQ(uint256_0.wstr(7, 4), L"0000");
  EXPECT_EQ((uint256_1 << 255).wstr(10), std::wstring(kTwoTo255, kTwoTo255 + sizeof kTwoTo255 - 1));
  EXPECT_EQ(uint256_t(36 * 36 - 1).wstr(36), L"zz");
  for (uint8_t bad : {uint8_t{1}, uint8_t{37}}) {
    expect_throw_what<std::invalid_argument>([&] { (void)uint256_1.str(bad); }, "Base must be in the range 2-36");
    expect_throw_what<std::invalid_argument>([&] { (void)uint256_1.wstr(bad); }, "Base must be in the range 2-36");
  }
  std::ostringstream out;
  out << std::hex << std::showbase << std::uppercase << uint256_max << ' ' << std::oct << uint256_t(64) << ' '
      << std::dec << std::setw(8) << (uint256_1 << 64) << '|' << std::setw(3) << 7;
  EXPECT_EQ(out.str(), std::string(64, 'f') + " 100 18446744073709551616|  7");
  std::ostringstream cleared;
  cleared.unsetf(std::ios_base::basefield);
  cleared << uint256_t(99);
  EXPECT_EQ(cleared.str(), "99");
}

TEST(Uint256, BigEndianAndSignificantBytes) {
  std::vector<uint8_t> one(32, 0);
  one[31] = 1;
  EXPECT_EQ(uint256_1.big_endian_bytes(), one);
  EXPECT_EQ(uint256_t(258).significant_bytes(), (std::vector<uint8_t>{1, 2}));
  EXPECT_TRUE(uint256_0.significant_bytes().empty());
  const std::vector<uint8_t> top = (uint256_t(0xab) << 248).significant_bytes();
  ASSERT_EQ(top.size(), 32u);
  EXPECT_EQ(top[0], 0xab);
  EXPECT_EQ(uint256_max.big_endian_bytes(), std::vector<uint8_t>(32, 0xff));
}

TEST(Uint256, Uint128OnTheLeft) {
  const uint128_t small(1000);
  const uint256_t big = (uint256_1 << 200) + 7;
  EXPECT_TRUE(W(~Native{0}) < big);  // a set upper half always makes the uint256_t larger
  EXPECT_TRUE(small != big && small <= big && !(small > big) && !(small >= big) && !(small == big));
  EXPECT_TRUE(uint128_t(7) == uint256_t(7) && uint128_t(7) >= uint256_t(7));
  EXPECT_EQ(small - big, uint256_0 - (big - 1000));
  EXPECT_EQ(small + big, big + 1000);
  EXPECT_EQ(small * big, big * 1000);
  EXPECT_EQ(small & big, uint256_t(1000 & 7));
  EXPECT_EQ(small | big, big | 1000);
  EXPECT_EQ(small ^ big, big ^ 1000);
  EXPECT_EQ(small / uint256_t(7), uint256_t(142));
  EXPECT_EQ(small % uint256_t(7), uint256_t(6));
  uint128_t y = small;
  y -= big;  // keeps the low 128 bits of the 2^256 complement
  EXPECT_EQ(N(y), 993u);
  y = small;
  y += big, y *= uint256_t(2), y <<= uint256_t(1), y >>= uint256_t(2), y |= big, y ^= uint256_t(3);
  EXPECT_EQ(N(y), (((((Native{1007} * 2) << 1) >> 2) | 7) ^ 3));
  y &= uint256_t(0xf0);
  EXPECT_EQ(N(y), (((((Native{1007} * 2) << 1) >> 2) | 7) ^ 3) & 0xf0);
  y = small;
  y /= uint256_t(9), y %= uint256_t(7);
  EXPECT_EQ(N(y), Native{111 % 7});
}

}  // namespace
