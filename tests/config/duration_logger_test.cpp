#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CapturingSink.h"
#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/LogLevels.h"

namespace {

struct TimingText : tavik::DurationLogger {
  static std::wstring of(const std::wstring& name, double ms) { return timingText(name, ms); }
};

TEST(DurationLogger, LogsOneTimingLineWhenTheScopeEndsAlsoByException) {
  tavik_test::CapturingSink sink;
  { tavik::DurationLogger timer(L"Loading Parameters"); }
  try {
    tavik::DurationLogger timer(L"Load Config \u00fc");
    throw 1;
  } catch (int) {
  }
  g3::log_levels::disable(TIMING);
  { tavik::DurationLogger timer(L"Preparing Maps"); }
  g3::log_levels::enable(TIMING);
  ASSERT_EQ(2u, sink.records().size());
  EXPECT_EQ("TIMING", sink.records()[0].level_text);
  EXPECT_EQ(
      (std::vector<std::string>{"~DurationLogger: Function Loading Parameterstook 0 milliseconds",
                                "~DurationLogger: Function Load Config \xC3\xBCtook 0 milliseconds"}),
      sink.lines(TIMING.value));
}

TEST(DurationLogger, MillisecondsUseTheStreamsDefaultFormat) {
  EXPECT_EQ(L"Function Xtook 999999 milliseconds", TimingText::of(L"X", 999999.0));
  EXPECT_EQ(L"Function Xtook 1e+06 milliseconds", TimingText::of(L"X", 1000000.0));
  EXPECT_EQ(L"Function Xtook 1.23457e+06 milliseconds", TimingText::of(L"X", 1234567.0));
}

}  // namespace
