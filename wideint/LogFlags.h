// The single-bit log-flag masks that the loaders give workspace parameters.
//
// LOG_FLAG_<k> has only bit k set (value 2^k), for k = 0 to 149; bits 150 to
// 255 have no constant. A parameter's flags are the OR of the constants, as
// in `LOG_FLAG_7 | LOG_FLAG_8`, handed to the workspace library in one call;
// what each bit means is the workspace library's business.
//
// The masks are compile-time constants (uint256_t's shift is constexpr), so
// any unit may use them during its own static initialisation, whatever order
// the linker chooses.

#ifndef TAVIK_WIDEINT_LOGFLAGS_H_
#define TAVIK_WIDEINT_LOGFLAGS_H_

#include "wideint/uint256_t.h"

// LOG_FLAG_<d>0 .. LOG_FLAG_<d>9 for one decade d (empty for 0 to 9).
#define TAVIK_LOG_FLAG(k) inline constexpr uint256_t LOG_FLAG_##k = uint256_1 << k;
#define TAVIK_LOG_FLAG_DECADE(d)                                                            \
  TAVIK_LOG_FLAG(d##0) TAVIK_LOG_FLAG(d##1) TAVIK_LOG_FLAG(d##2) TAVIK_LOG_FLAG(d##3) \
  TAVIK_LOG_FLAG(d##4) TAVIK_LOG_FLAG(d##5) TAVIK_LOG_FLAG(d##6) TAVIK_LOG_FLAG(d##7) \
  TAVIK_LOG_FLAG(d##8) TAVIK_LOG_FLAG(d##9)

TAVIK_LOG_FLAG_DECADE()
TAVIK_LOG_FLAG_DECADE(1)
TAVIK_LOG_FLAG_DECADE(2)
TAVIK_LOG_FLAG_DECADE(3)
TAVIK_LOG_FLAG_DECADE(4)
TAVIK_LOG_FLAG_DECADE(5)
TAVIK_LOG_FLAG_DECADE(6)
TAVIK_LOG_FLAG_DECADE(7)
TAVIK_LOG_FLAG_DECADE(8)
TAVIK_LOG_FLAG_DECADE(9)
TAVIK_LOG_FLAG_DECADE(10)
TAVIK_LOG_FLAG_DECADE(11)
TAVIK_LOG_FLAG_DECADE(12)
TAVIK_LOG_FLAG_DECADE(13)
TAVIK_LOG_FLAG_DECADE(14)

#undef TAVIK_LOG_FLAG_DECADE
#undef TAVIK_LOG_FLAG

#endif  // TAVIK_WIDEINT_LOGFLAGS_H_
