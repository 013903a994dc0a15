// LOG macros of the logging facade.
//
//   LOG(level) << narrow pieces;            narrow stream
//   WLOG(level) << wide or narrow pieces;   wide stream (converted to UTF-8)
//   LOGF(level, "printf %s", ...);          narrow printf-style
//   WLOGF(level, L"printf %ls", ...);       wide printf-style
//
// Each record carries __FILE__, __LINE__, __func__ and the level. When
// g3::logLevel(level) is false the operands are not evaluated at all.
#pragma once

#include <sstream>
#include <string>

#include "g3log/loglevels.hpp"
#include "text/Utf8.h"
#include "g3log/logsink.hpp"

namespace g3 {
namespace detail {

void dispatch(const char* file, int line, const char* function, const LEVELS& level,
              std::string message);

// Wide lines reach the sinks as UTF-8.
using tavik::text::toUtf8;

class LogMessage {
 public:
  LogMessage(const char* file, int line, const char* function, const LEVELS& level)
      : file_(file), line_(line), function_(function), level_(level) {}
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  ~LogMessage() { dispatch(file_, line_, function_, level_, stream_.str()); }
  std::ostringstream& stream() { return stream_; }

 private:
  const char* file_;
  int line_;
  const char* function_;
  LEVELS level_;
  std::ostringstream stream_;
};

class WideLogMessage {
 public:
  WideLogMessage(const char* file, int line, const char* function, const LEVELS& level)
      : file_(file), line_(line), function_(function), level_(level) {}
  WideLogMessage(const WideLogMessage&) = delete;
  WideLogMessage& operator=(const WideLogMessage&) = delete;
  ~WideLogMessage() { dispatch(file_, line_, function_, level_, toUtf8(stream_.str())); }
  std::wostringstream& stream() { return stream_; }

 private:
  const char* file_;
  int line_;
  const char* function_;
  LEVELS level_;
  std::wostringstream stream_;
};

void logf(const char* file, int line, const char* function, const LEVELS& level,
          const char* format, ...) __attribute__((format(printf, 5, 6)));
void wlogf(const char* file, int line, const char* function, const LEVELS& level,
           const wchar_t* format, ...);

}  // namespace detail
}  // namespace g3

#define LOG(level)                \
  if (!g3::logLevel(level)) {     \
  } else                          \
    g3::detail::LogMessage(__FILE__, __LINE__, __func__, level).stream()

#define WLOG(level)               \
  if (!g3::logLevel(level)) {     \
  } else                          \
    g3::detail::WideLogMessage(__FILE__, __LINE__, __func__, level).stream()

#define LOGF(level, ...)          \
  if (!g3::logLevel(level)) {     \
  } else                          \
    g3::detail::logf(__FILE__, __LINE__, __func__, level, __VA_ARGS__)

#define WLOGF(level, ...)         \
  if (!g3::logLevel(level)) {     \
  } else                          \
    g3::detail::wlogf(__FILE__, __LINE__, __func__, level, __VA_ARGS__)
