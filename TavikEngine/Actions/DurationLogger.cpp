#include "TavikEngine/Actions/DurationLogger.h"

#include <sstream>

#include "TavikEngine/LogLevels.h"

namespace tavik {

DurationLogger::DurationLogger(const std::wstring& name) : start_(), end_(), name_(name) {
  start_ = std::chrono::system_clock::now();
}

DurationLogger::~DurationLogger() {
  try {
    WLOG(TIMING) << timingText(name_, elapsedMilliseconds());
  } catch (...) {
    // A timer must not turn a finished step into a failure.
  }
}

double DurationLogger::elapsedMilliseconds() {
  end_ = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - start_).count();
  return static_cast<double>(static_cast<int>(ms));
}

std::wstring DurationLogger::timingText(const std::wstring& name, double milliseconds) {
  std::wostringstream text;
  text << L"Function " << name << L"took " << milliseconds << L" milliseconds";
  return text.str();
}

}  // namespace tavik
