// uint128_t against GCC's unsigned __int128, plus the exact text, stream and
// error behaviour.
#include "wideint/uint128_t.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <sstream>
#include <stdexcept>

#include "wideint_test_support.h"

namespace {

using namespace wideint_test;

// Edge operands (0, 1, all ones, powers of two, carries across bit 64)
// followed by random ones of every length.
std::vector<Native> operands() {
  std::vector<Native> v = {0, 1, 2, 3, 10, 0xffffffffu, Native{1} << 32, ~uint64_t{0}, Native{1} << 63,
                           Native{1} << 64, (Native{1} << 64) + 1, (Native{1} << 64) - 2, Native{1} << 127,
                           kOnes, kOnes - 1, kOnes >> 1, (Native{0x8000000000000000} << 64) | 1};
  std::mt19937_64 rng(20240601);
  for (int i = 0; i < 60; ++i) v.push_back(((Native{rng()} << 64) | rng()) >> (rng() % 128));
  return v;
}

TEST(Uint128, ArithmeticMatchesNativeReference) {
  const auto ops = operands();
  for (Native a : ops) {
    const uint128_t x = W(a);
    uint128_t inc = x, dec = x;
    EXPECT_EQ(N(inc++), a);
    EXPECT_EQ(N(dec--), a);
    EXPECT_EQ(N(++inc) - 4, N(--dec));
    EXPECT_EQ(N(inc), a + 2);
    EXPECT_EQ(N(-x), -a);
    EXPECT_EQ(N(~x), ~a);
    for (Native b : ops) {
      const uint128_t y = W(b);
      SCOPED_TRACE(x.str(16) + " op " + y.str(16));
      EXPECT_EQ(N(x + y), a + b);
      EXPECT_EQ(N(x - y), a - b);
      EXPECT_EQ(N(x * y), a * b);
      EXPECT_EQ(N(x & y), a & b);
      EXPECT_EQ(N(x | y), a | b);
      EXPECT_EQ(N(x ^ y), a ^ b);
      EXPECT_EQ(compare(x, y), compare(a, b));
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

TEST(Uint128, IntegersAreSignExtendedBadShiftsGiveZeroAndDivisionByZeroThrows) {
  const uint128_t x = W((Native{0xabcd} << 64) | 0x1234);
  uint128_t assigned = 7, compound = x;
  assigned = -3;
  compound += -1, compound *= -1;
  EXPECT_EQ((std::vector<uint128_t>{uint128_t(-1), uint128_t(-1, 0), uint128_t(0, -1), assigned, compound,
                                    x & -1, uint128_t(~uint64_t{0}) + static_cast<unsigned char>(1),
                                    W(Native{1} << 64) - static_cast<unsigned char>(1), x << -1,
                                    x >> uint128_t(1, 0), 1 << uint128_t(64), int8_t{-1} << uint128_t(4)}),
            (std::vector<uint128_t>{W(kOnes), W(kOnes << 64), W(~uint64_t{0}), W(kOnes - 2), W(-(N(x) - 1)), x,
                                    W(Native{1} << 64), W(~uint64_t{0}), 0, 0, W(Native{1} << 64), W(kOnes << 4)}));
  EXPECT_EQ(static_cast<uint32_t>(W((Native{5} << 64) | 0x123456789)), 0x23456789u);
  EXPECT_TRUE(!uint128_0 && (x && 1) && (uint128_0 || 2) && !(uint128_0 || 0) && static_cast<bool>(x));
  static_assert((uint128_1 << 127) > (uint128_1 << 126), "shifts are compile-time");
  const char* const kByZero = "Error: division or modulus by 0";
  expect_throw_what<std::domain_error>([&] { (void)(x / uint128_0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)(x % 0); }, kByZero);
  expect_throw_what<std::domain_error>([&] { (void)x.divmod(x, uint128_0); }, kByZero);
}

TEST(Uint128, ParsesTextByTheRulesOfEachBase) {
  const std::pair<std::string, uint8_t> texts[] = {
      {"  ff", 16}, {"", 10}, {"12", 3}, {"12abc", 10}, {"\xa0" "42", 10}, {"78", 8}, {"11x1", 2},
      {"101101" + std::string(63, '0') + "1", 2},  // the first 6 of 70 digits fill the upper field
      {"9234567890123456789012345678901234567890", 10}, {"340282366920938463463374607431768211456", 10},
      {"abc0123456789abcdef0123456789abcdef", 16}, {"zz0000000000000001", 16}, {"1g000000000000000", 16}};
  std::vector<std::string> values;
  for (const auto& text : texts) values.push_back(uint128_t(text.first, text.second).str(10));
  EXPECT_EQ(values, (std::vector<std::string>{"255", "0", "0", "12", "0", "7", "3", "830103483316929822721",
                                              "234567890123456789012345678901234567890", "0",
                                              "1512366075204170929049582354406559215", "1", "18446744073709551616"}));
  EXPECT_EQ(N(uint128_t(nullptr, 5, 10)), 0u);
  EXPECT_EQ(N(uint128_t("123456", 3, 10)), 123u);
}

TEST(Uint128, PrintsPaddedTextAndStreamsByTheBaseFlags) {
  EXPECT_EQ((std::vector<std::string>{uint128_t(42).str(10, 5), uint128_t(255).str(16, 0), uint128_t(12345).str(10, 2),
                                      uint128_0.str(2), W(kOnes).str(10)}),
            (std::vector<std::string>{"00042", "ff", "12345", "0", "340282366920938463463374607431768211455"}));
  expect_throw_what<std::invalid_argument>([] { (void)uint128_1.str(17); }, "Base must be in the range [2, 16]");
  expect_throw_what<std::invalid_argument>([] { (void)uint128_1.str(1); }, "Base must be in the range [2, 16]");
  for (Native a : operands()) {
    for (uint8_t base : {2, 8, 10, 16}) EXPECT_EQ(uint128_t(W(a).str(base), base), W(a));
  }
  std::ostringstream out;
  out << std::hex << std::showbase << std::uppercase << uint128_t(255) << ' ' << std::oct << uint128_t(8) << ' '
      << std::dec << std::setw(6) << std::setfill('*') << uint128_t(42) << '|' << std::setw(3) << 7;
  out.unsetf(std::ios_base::basefield);
  out << ' ' << uint128_t(1234);
  EXPECT_EQ(out.str(), "ff 10 42|**7 1234");
}

TEST(Uint128, BigEndianBytesAndBitLength) {
  std::vector<uint8_t> bytes = {0xee};
  W((Native{0x0102030405060708} << 64) | 0x090a0b0c0d0e0f10).append_big_endian_bytes(bytes);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xee, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
  EXPECT_EQ((std::vector<int>{uint128_0.bit_length(), uint128_1.bit_length(), W(Native{1} << 64).bit_length(),
                              W(kOnes).bit_length()}),
            (std::vector<int>{0, 1, 65, 128}));
}

}  // namespace
