// Scope timer of the loaders' entry points. On destruction it writes one line
// at level TIMING on the wide log stream, function "~DurationLogger":
//   "Function " + name + "took " + milliseconds + " milliseconds"
// (no blank between the name and "took"; the milliseconds are inserted as a
// double with the stream's default format, so six significant digits and
// exponent form from 1e6 ms on). Nothing is composed when TIMING is off, and
// the destructor never throws.
#pragma once

#include <chrono>
#include <string>

namespace tavik {

class DurationLogger {
 public:
  explicit DurationLogger(const std::wstring& name);
  virtual ~DurationLogger();

  DurationLogger(const DurationLogger&) = delete;
  DurationLogger& operator=(const DurationLogger&) = delete;

  // Whole milliseconds since construction (truncated), as a double. Sets the
  // end time to now.
  double elapsedMilliseconds();

 protected:
  // The text of the timing line for a step `name` that took `milliseconds`.
  static std::wstring timingText(const std::wstring& name, double milliseconds);

 private:
  std::chrono::system_clock::time_point start_;
  std::chrono::system_clock::time_point end_;
  std::wstring name_;
};

}  // namespace tavik
