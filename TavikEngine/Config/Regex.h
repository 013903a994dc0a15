// <regex> for the loaders. GCC 12 reports std::function members inside
// libstdc++'s regex compiler as "maybe uninitialized" when sanitizers are on
// (a false positive of the compiler); the diagnostic is silenced for the
// regex header's lines only.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
