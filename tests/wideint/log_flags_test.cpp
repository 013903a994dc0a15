// The log-flag masks: one bit each, compile-time constants, and the
// combinations the parameter loaders hand to the workspace library.
#include "wideint/LogFlags.h"

#include <gtest/gtest.h>

#include <boost/preprocessor/repetition/repeat.hpp>

namespace {

// Compile-time constants: usable during any unit's static initialisation.
static_assert(LOG_FLAG_0 == uint256_1 && (LOG_FLAG_149 >> 149) == uint256_1, "bits 0 and 149");

// Every constant by its name, LOG_FLAG_0 to LOG_FLAG_149.
#define TAVIK_TEST_FLAG(z, k, unused) LOG_FLAG_##k,
const uint256_t kFlags[] = {BOOST_PP_REPEAT(150, TAVIK_TEST_FLAG, ~)};
#undef TAVIK_TEST_FLAG

TEST(LogFlags, EachConstantHoldsExactlyItsOwnBit) {
  for (int k = 0; k < 150; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(kFlags[k].str(2), "1" + std::string(k, '0'));
  }
}

TEST(LogFlags, ParameterMasks) {
  EXPECT_EQ(LOG_FLAG_7 | LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13 | LOG_FLAG_10, uint256_t(128 + 256 + 1024 + 8192 + 65536));
  EXPECT_EQ(LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13, uint256_t(256 + 8192 + 65536));
}

}  // namespace
