#include <gtest/gtest.h>

#include "CapturingSink.h"
#include "g3log/g3log.hpp"

namespace {

constexpr LEVELS kCustom{506, "READ_WRITE"};

int countedPiece(int* calls) {
  ++*calls;
  return 42;
}

void aNamedFunction() { LOG(INFO) << "inside"; }

TEST(Logging, NoSinkMeansEveryLevelIsOffAndNothingIsComposed) {
  int calls = 0;
  EXPECT_FALSE(g3::logLevel(INFO));
  LOG(INFO) << countedPiece(&calls);
  EXPECT_EQ(0, calls);
}

TEST(Logging, RecordsCarryLevelFunctionFileAndText) {
  tavik_test::CapturingSink sink;
  aNamedFunction();
  LOG(kCustom) << "value " << 7 << " " << 1.5;
  ASSERT_EQ(2u, sink.records().size());
  EXPECT_EQ("aNamedFunction", sink.records()[0].function);
  EXPECT_EQ(300, sink.records()[0].level_value);
  EXPECT_EQ("INFO", sink.records()[0].level_text);
  EXPECT_NE(std::string::npos, sink.records()[0].file.find("logging_test.cpp"));
  EXPECT_EQ("value 7 1.5", sink.records()[1].message);
  EXPECT_EQ(506, sink.records()[1].level_value);
}

TEST(Logging, DisabledLevelComposesNothingAndOthersStayOn) {
  tavik_test::CapturingSink sink;
  g3::log_levels::disable(kCustom);
  int calls = 0;
  LOG(kCustom) << countedPiece(&calls);
  WLOG(kCustom) << countedPiece(&calls);
  LOGF(kCustom, "%d", countedPiece(&calls));
  WLOGF(kCustom, L"%d", countedPiece(&calls));
  LOG(WARNING) << "still on";
  g3::log_levels::enable(kCustom);
  EXPECT_EQ(0, calls);
  EXPECT_EQ(std::vector<std::string>{"still on"}, sink.messages());
  EXPECT_TRUE(g3::logLevel(kCustom));
}

TEST(Logging, WideAndPrintfFormsProduceUtf8AndLongTextsWhole) {
  tavik_test::CapturingSink sink;
  WLOG(WARNING) << L"Motor-" << L"\u00e4\u20ac" << 3;
  LOGF(WARNING, "%s=%d", "n", 5);
  WLOGF(WARNING, L"Notify %ls, handle: %d", L"P\u00fc", -3);
  const std::wstring long_text(300000, L'x');
  WLOGF(INFO, L"[%ls]", long_text.c_str());
  const std::string long_line = "[" + std::string(300000, 'x') + "]";
  EXPECT_EQ((std::vector<std::string>{"Motor-\xC3\xA4\xE2\x82\xAC" "3", "n=5", "Notify P\xC3\xBC, handle: -3",
                                      long_line}),
            sink.messages());
}

TEST(Logging, RemovedSinkReceivesNothing) {
  tavik_test::CapturingSink first;
  {
    tavik_test::CapturingSink second;
    LOG(INFO) << "both";
    EXPECT_EQ(1u, second.records().size());
  }
  LOG(INFO) << "first only";
  EXPECT_EQ((std::vector<std::string>{"both", "first only"}), first.messages());
}

}  // namespace
