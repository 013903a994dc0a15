// Log levels of the logging facade.
//
// A level is a value with a text. g3log's own levels are defined here; a
// program adds its own levels as further LEVELS constants (any value from 0 to
// g3::kMaxLevelValue). Every level value starts enabled.
//
// Levels are constexpr so that they are usable during static initialisation of
// any translation unit, whatever the order in which units are initialised.
#pragma once

namespace g3 {
constexpr int kMaxLevelValue = 4095;
}  // namespace g3

struct LEVELS {
  constexpr LEVELS(int level_value, const char* level_text) : value(level_value), text(level_text) {}
  int value;
  const char* text;
};

constexpr bool operator==(const LEVELS& a, const LEVELS& b) { return a.value == b.value; }
constexpr bool operator!=(const LEVELS& a, const LEVELS& b) { return a.value != b.value; }

// g3log's own levels.
constexpr LEVELS G3LOG_DEBUG{100, "DEBUG"};
constexpr LEVELS INFO{300, "INFO"};
constexpr LEVELS WARNING{500, "WARNING"};
constexpr LEVELS FATAL{1000, "FATAL"};

namespace g3 {
namespace internal {
constexpr LEVELS CONTRACT{2000, "CONTRACT"};
constexpr LEVELS FATAL_SIGNAL{2001, "FATAL_SIGNAL"};
constexpr LEVELS FATAL_EXCEPTION{2002, "FATAL_EXCEPTION"};
}  // namespace internal

// True when a record of this level would reach a sink: the level is enabled
// and at least one sink is installed. Callers test it before composing text.
bool logLevel(const LEVELS& level);

namespace log_levels {
// Switch single levels on and off at run time. Values outside
// [0, kMaxLevelValue] are ignored by enable/disable and never logged.
void enable(const LEVELS& level);
void disable(const LEVELS& level);
void enableAll();
void disableAll();
bool enabled(const LEVELS& level);
}  // namespace log_levels
}  // namespace g3
