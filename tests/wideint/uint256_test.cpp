// uint256_t checked through identities over random operands, an independent
// 128x128-bit product and fixed known values.
#include "wideint/uint256_t.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>

#include "wideint_test_support.h"

namespace {

using namespace wideint_test;

const char kTwoTo255[] = "57896044618658097711785492504343953926634992332820282019728792003956564819968";

// The full 256-bit product of two 128-bit values from 64x64-bit native
// products, independent of uint256_t's multiplication.
uint256_t full_product(Native a, Native b) {
  const Native a0 = uint64_t(a), a1 = a >> 64, b0 = uint64_t(b), b1 = b >> 64;
  const Native low = a0 * b0, mid1 = a0 * b1, mid2 = a1 * b0;
  const Native mid = (low >> 64) + uint64_t(mid1) + uint64_t(mid2);
  return uint256_t(W(a1 * b1 + (mid1 >> 64) + (mid2 >> 64) + (mid >> 64)), W((mid << 64) | uint64_t(low)));
}

// 2^k for k = 0..256 by repeated addition (2^256 wraps to 0).
std::vector<uint256_t> powers_of_two() {
  std::vector<uint256_t> p = {uint256_t(1)};
  for (int k = 1; k <= 256; ++k) p.push_back(p.back() + p.back());
  return p;
}

std::vector<uint256_t> operands() {
  const std::vector<uint256_t> p = powers_of_two();
  std::vector<uint256_t> v = {uint256_0, uint256_1,  uint256_t(10), uint256_max, uint256_max - 1, p[64],
                              p[128],    p[128] - 1, p[255],        p[192] + p[63], uint256_t(~uint64_t{0})};
  std::mt19937_64 rng(987654321);
  for (int i = 0; i < 50; ++i)
    v.push_back(uint256_t(uint128_t(rng(), rng()), uint128_t(rng(), rng())) >> static_cast<int>(rng() % 256));
  return v;
}

TEST(Uint256, ArithmeticIdentitiesOverRandomOperands) {
  const auto ops = operands();
  const auto p = powers_of_two();
  for (const uint256_t& a : ops) {
    EXPECT_EQ(a + (-a), uint256_0);
    EXPECT_EQ(~a, uint256_max - a);
    uint256_t inc = a;
    EXPECT_EQ(inc++, a);
    EXPECT_EQ(--inc, a);
    for (int k = 0; k <= 256; k += 3) {
      EXPECT_EQ(a << k, a * p[k]);
      EXPECT_EQ(a >> uint128_t(k), k < 256 ? a / p[k] : uint256_0);
    }
    for (const uint256_t& b : ops) {
      SCOPED_TRACE(a.str(16) + " op " + b.str(16));
      EXPECT_EQ((a + b) - b, a);
      const Native aL = N(a.lower()), aH = N(a.upper()), bL = N(b.lower()), bH = N(b.upper());
      EXPECT_EQ(a * b, full_product(aL, bL) + uint256_t(W(aH * bL + aL * bH), uint128_0));
      EXPECT_EQ((a | b) - (a & b), a ^ b);
      EXPECT_EQ(compare(a, b), compare(a.big_endian_bytes(), b.big_endian_bytes()));
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

TEST(Uint256, ShiftEdgesKnownValuesConversionsAndDivisionByZero) {
  EXPECT_EQ((std::vector<uint256_t>{uint256_1 << 255, uint256_1 << 128, uint256_max << uint256_t(uint128_1, uint128_0),
                                    uint256_max << -1, int8_t{-1} << uint256_t(8), uint128_t(3) << uint256_t(200)}),
            (std::vector<uint256_t>{uint256_t(uint128_1 << 127, uint128_0), uint256_t(uint128_1, uint128_0), 0, 0,
                                    uint256_max - 255, uint256_t(3) << 200}));
  static_assert((uint256_1 << 200) >> 199 == uint256_t(2), "shifts are compile-time");
  EXPECT_EQ(uint256_max.str(10), "115792089237316195423570985008687907853269984665640564039457584007913129639935");
  EXPECT_EQ((std::vector<uint256_t>{uint256_max + 1, uint256_0 - 1, uint256_t(-1), uint256_t(INT64_MIN),
                                    uint256_t(uint64_t{7}, uint128_t(9))}),
            (std::vector<uint256_t>{0, uint256_max, uint256_max, uint256_max - uint256_t(uint64_t{0x7fffffffffffffff}),
                                    (uint256_t(7) << 128) + 9}));
  EXPECT_EQ((std::vector<int>{(uint256_1 << 128).bit_length(), uint256_max.bit_length()}), (std::vector<int>{129, 256}));
  EXPECT_EQ(static_cast<uint16_t>(uint256_t(0x12345)), 0x2345);
  EXPECT_EQ(static_cast<uint128_t>((uint256_1 << 200) + 3), uint128_t(3));
  EXPECT_TRUE(!uint256_0 && (uint256_1 && uint128_1) && (uint256_0 || 1) && !(uint256_0 || uint128_0));
  EXPECT_EQ(3 * uint256_t(5), uint256_t(15));
  const uint256_t x = uint256_max - 5;
  const char* const kByZero = "Error: division or modulus by 0";
  expect_throw_what<std::domain_error>([&] { (void)(x / uint256_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)x.divmod(x, uint256_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { uint256_t y = x; y %= 0; }, kByZero);
  expect_throw_what<std::domain_error>([&] { uint128_t y(5); y /= uint256_0; }, kByZero);
  EXPECT_EQ(uint256_max / uint256_t(W(kOnes)), (uint256_1 << 128) + 1);
}

TEST(Uint256, ParsesEveryCharacterAsADigitPositionPrintsAndGivesBytes) {
  EXPECT_EQ((std::vector<uint256_t>{uint256_t("ff", 16), uint256_t("FF", 16), uint256_t(std::string("12 "), 10),
                                    uint256_t("z", 10), uint256_t("", 10), uint256_t(static_cast<const char*>(nullptr), 10),
                                    uint256_t(std::string("12\0" "3", 4), 10), uint256_t(std::wstring(L"1\u00e9"), 10),
                                    uint256_t(std::string(kTwoTo255), 10), uint256_t("1" + std::string(64, '0'), 16)}),
            (std::vector<uint256_t>{255, 0, 120, 35, 0, 0, 12, 10, uint256_1 << 255, 0}));
  EXPECT_EQ((std::vector<std::string>{uint256_t(35).str(36), uint256_t(7).str(10, 3), uint256_t(12345).str(10, 3),
                                      uint256_max.str(16)}),
            (std::vector<std::string>{"z", "007", "12345", std::string(64, 'f')}));
  EXPECT_EQ(uint256_0.wstr(7, 4), L"0000");
  for (uint8_t bad : {uint8_t{1}, uint8_t{37}}) {
    expect_throw_what<std::invalid_argument>([&] { (void)uint256_1.str(bad); }, "Base must be in the range 2-36");
    expect_throw_what<std::invalid_argument>([&] { (void)uint256_1.wstr(bad); }, "Base must be in the range 2-36");
  }
  for (const uint256_t& a : operands()) {
    for (uint8_t base = 2; base <= 36; base += 17) {
      EXPECT_EQ(uint256_t(a.str(base), base), a);
      EXPECT_EQ(uint256_t(a.wstr(base), base), a);
    }
  }
  std::ostringstream out;
  out << std::hex << std::showbase << std::uppercase << uint256_t(255) << ' ' << std::oct << uint256_t(64) << ' '
      << std::dec << std::setw(8) << (uint256_1 << 64) << '|' << std::setw(3) << 7;
  out.unsetf(std::ios_base::basefield);
  out << ' ' << uint256_t(99);
  EXPECT_EQ(out.str(), "ff 100 18446744073709551616|  7 99");
  std::vector<uint8_t> one(32, 0);
  one[31] = 1;
  EXPECT_EQ(uint256_1.big_endian_bytes(), one);
  EXPECT_EQ(uint256_t(258).significant_bytes(), (std::vector<uint8_t>{1, 2}));
  EXPECT_TRUE(uint256_0.significant_bytes().empty());
  EXPECT_EQ((uint256_t(0xab) << 248).significant_bytes().size(), 32u);
}

TEST(Uint256, Uint128OnTheLeft) {
  const uint128_t small(1000);
  const uint256_t big = (uint256_1 << 200) + 7;
  EXPECT_EQ(compare(uint256_t(W(kOnes)), big), compare(W(kOnes), big));
  EXPECT_EQ(compare(uint256_t(7), uint256_t(7)), compare(uint128_t(7), uint256_t(7)));
  EXPECT_EQ(small - big, uint256_0 - (big - 1000));
  EXPECT_EQ((std::vector<uint256_t>{small & big, small | big, small ^ big, small + big, small * big, small / uint256_t(7),
                                    small % uint256_t(7)}),
            (std::vector<uint256_t>{uint256_0, big | 1000, big ^ 1000, big + 1000, big * 1000, 142, 6}));
  uint128_t y = small;
  y -= big;  // keeps the low 128 bits of the 2^256 complement
  EXPECT_EQ(N(y), 993u);
  y = small;
  y += big, y *= uint256_t(2), y <<= uint256_t(1), y >>= uint256_t(2), y |= big, y ^= uint256_t(3), y &= uint256_t(0xf0);
  EXPECT_EQ(N(y), (((((Native{1007} * 2) << 1) >> 2) | 7) ^ 3) & 0xf0);
  y = small;
  y /= uint256_t(9), y %= uint256_t(7);
  EXPECT_EQ(N(y), Native{111 % 7});
}

}  // namespace
