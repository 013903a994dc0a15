#include <gtest/gtest.h>

#include <string>

#include "CapturingSink.h"
#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/LogLevels.h"

namespace {

class TimingText : public tavik::DurationLogger {
 public:
  static std::wstring of(const std::wstring& name, double ms) { return timingText(name, ms); }
};

TEST(DurationLogger, ShortStepLogsOneTimingLineWithZeroMilliseconds) {
  tavik_test::CapturingSink sink;
  { tavik::DurationLogger timer(L"Loading Parameters"); }
  ASSERT_EQ(1u, sink.records().size());
  const g3::LogRecord& line = sink.records()[0];
  EXPECT_EQ(TIMING.value, line.level_value);
  EXPECT_EQ("TIMING", line.level_text);
  EXPECT_EQ("~DurationLogger", line.function);
  EXPECT_EQ("Function Loading Parameterstook 0 milliseconds", line.message);
}

TEST(DurationLogger, LineIsWrittenWhenAnExceptionLeavesTheScope) {
  tavik_test::CapturingSink sink;
  try {
    tavik::DurationLogger timer(L"Load Config \u00fc");
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(std::vector<std::string>{"Function Load Config \xC3\xBCtook 0 milliseconds"},
            sink.messages(TIMING.value));
}

TEST(DurationLogger, NothingIsWrittenWhenTimingIsOff) {
  tavik_test::CapturingSink sink;
  g3::log_levels::disable(TIMING);
  { tavik::DurationLogger timer(L"Preparing Maps"); }
  g3::log_levels::enable(TIMING);
  EXPECT_TRUE(sink.records().empty());
}

TEST(DurationLogger, MillisecondsUseTheStreamsDefaultFormat) {
  EXPECT_EQ(L"Function Loading Sequencestook 0 milliseconds", TimingText::of(L"Loading Sequences", 0.0));
  EXPECT_EQ(L"Function Xtook 42 milliseconds", TimingText::of(L"X", 42.0));
  EXPECT_EQ(L"Function Xtook 999999 milliseconds", TimingText::of(L"X", 999999.0));
  EXPECT_EQ(L"Function Xtook 1e+06 milliseconds", TimingText::of(L"X", 1000000.0));
  EXPECT_EQ(L"Function Xtook 1.23457e+06 milliseconds", TimingText::of(L"X", 1234567.0));
}

}  // namespace
