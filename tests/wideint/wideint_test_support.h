// Helpers shared by the wide-integer tests: GCC's unsigned __int128 as the
// independent reference, and exact exception texts.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "wideint/uint128_t.h"

namespace wideint_test {

using Native = unsigned __int128;
constexpr Native kOnes = ~Native{0};

inline Native N(const uint128_t& v) { return (Native{v.upper()} << 64) | v.lower(); }
inline uint128_t W(Native v) { return uint128_t(static_cast<uint64_t>(v >> 64), static_cast<uint64_t>(v)); }

// The six comparisons of p with q, for checking one ordering against another.
template <typename L, typename R>
std::vector<bool> compare(const L& p, const R& q) {
  return {p < q, p > q, p <= q, p >= q, p == q, p != q};
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

}  // namespace wideint_test
