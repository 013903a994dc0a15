// ConfigReader::loadCommonParameters through whole loads: real files, a real
// INI file, a fresh workspace per test.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementItems.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"

namespace {

namespace ws = tavik::workspace;
namespace gc = tavik::workspace::global_config;
using Strings = std::vector<std::string>;

constexpr int kUnwritten = 77;

std::string modeRequest(int name, const std::string& dyno, const std::string& engine) {
  return "<ModeRequest><Name>" + std::to_string(name) + "</Name><Dyno>" + dyno +
         "</Dyno><Engine>" + engine + "</Engine></ModeRequest>";
}

// The operating-point parameters Throttle, D0..D29 and E0..E29.
std::string operatingPoints() {
  std::string parameters = "<Parameter><Name>Throttle</Name></Parameter>";
  for (int k = 0; k < 30; ++k) {
    parameters += "<Parameter><Name>D" + std::to_string(k) + "</Name></Parameter>";
    parameters += "<Parameter><Name>E" + std::to_string(k) + "</Name></Parameter>";
  }
  return "<Parameters><ParameterType><Category>OperatingPoint</Category>" + parameters +
         "</ParameterType></Parameters>";
}

long long handleOf(const std::string& name) {
  return ws::Parameter(std::wstring(name.begin(), name.end())).getHandle();
}

class CommonParametersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Sentinels that show which items a load leaves alone.
    for (unsigned int item : std::initializer_list<unsigned int>{gc::RunSequenceAtDeviceError, gc::ControlModeCount,
                              gc::controlModeName(0), gc::controlModeName(3)})
      global_.set(item, kUnwritten);
    global_.set(gc::ThrottleParameter, static_cast<long long>(kUnwritten));
    global_.set(gc::WOTSource, std::wstring(L"old"));
  }
  // Loads a configuration with this CommonParameter content and parameters.
  bool load(const std::string& common, const std::string& parameters = operatingPoints()) {
    const std::string xml = "<MeasurementDefinition><GlobalParameters><CommonParameter>" + common +
                            "</CommonParameter></GlobalParameters>" + parameters +
                            "</MeasurementDefinition>";
    const std::wstring path = ini_->dir().write("config.xml", xml).wstring();
    tavik::ConfigReader reader;
    return reader.loadConfig(path, false);
  }

  tavik_test::ScopedWorkspace workspace_;
  std::unique_ptr<tavik_test::ScopedIni> ini_ = std::make_unique<tavik_test::ScopedIni>("");
  ws::GlobalConfig global_;
};

TEST_F(CommonParametersTest, WithoutOperatingPointsOnlyTheGeneralItemsAreWritten) {
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(load("<Property><ThrottleParameter>Nowhere</ThrottleParameter></Property>"
                   "<CheckBox><EnableResetAllParameters>true</EnableResetAllParameters>"
                   "</CheckBox><ModeRequestCh>" +
                       modeRequest(1, "X", "Y") + "</ModeRequestCh>",
                   ""));
  EXPECT_EQ(60000 * 1000, global_.get<int>(gc::ParallelActionWaitTime));
  EXPECT_EQ(4000 * 1000, global_.get<int>(gc::ParallelActionStabilityTime));
  EXPECT_EQ(0, global_.get<int>(gc::RunSequenceAtDeviceError));
  EXPECT_EQ(1, global_.get<int>(gc::ResetAllParameters));
  EXPECT_EQ(0, global_.get<int>(gc::ResetAllMaps));
  EXPECT_EQ(L"old", global_.get<std::wstring>(gc::WOTSource));
  EXPECT_EQ(kUnwritten, global_.get<long long>(gc::ThrottleParameter));
  EXPECT_EQ(kUnwritten, global_.get<int>(gc::ControlModeCount));
  EXPECT_EQ(Strings{}, sink.messages(UA_WARNING.value));
}

TEST_F(CommonParametersTest, WaitTimesComeFromTheFileThenTheIni) {
  ini_.reset();
  ini_ = std::make_unique<tavik_test::ScopedIni>(
      "ParallelActionWaitTime=7\nParallelActionStabilityTime=8\n");
  EXPECT_TRUE(load("<Property><PControlWaitStabilityTime>3</PControlWaitStabilityTime>"
                   "<PControlWaitTime>99999999</PControlWaitTime></Property>",
                   ""));
  EXPECT_EQ(2147483647, global_.get<int>(gc::ParallelActionWaitTime));  // held, not overflowed
  EXPECT_EQ(3000, global_.get<int>(gc::ParallelActionStabilityTime));
  EXPECT_TRUE(load("", ""));
  EXPECT_EQ(7000, global_.get<int>(gc::ParallelActionWaitTime));
  EXPECT_EQ(8000, global_.get<int>(gc::ParallelActionStabilityTime));
}

TEST_F(CommonParametersTest, RunSequenceModeFollowsTheTypeAndUnknownTypesLeaveIt) {
  const auto run = [&](const std::string& type) {
    load("<CheckBox><EnableRunSeqAtDeviceError>1</EnableRunSeqAtDeviceError><RunSeqType>" + type +
             "</RunSeqType><EnableResetAllMaps>yes</EnableResetAllMaps></CheckBox>",
         "");
    return global_.get<int>(gc::RunSequenceAtDeviceError);
  };
  EXPECT_EQ(kUnwritten, run("5"));
  EXPECT_EQ(1, global_.get<int>(gc::ResetAllMaps));
  EXPECT_EQ(1, run("1"));
  EXPECT_EQ(2, run("0"));
}

TEST_F(CommonParametersTest, ThrottleAndThreeModeRequestsFillTheirSlotsInOrder) {
  EXPECT_TRUE(load("<Property><WOTSource>55</WOTSource><ThrottleParameter>Throttle"
                   "</ThrottleParameter></Property><ModeRequestCh>" +
                   modeRequest(4, "D0", "E0") + modeRequest(9, "D1", "E1") +
                   "<ModeRequest><Name>x</Name><Dyno>D2</Dyno><Engine>E2</Engine></ModeRequest>"
                   "</ModeRequestCh>"));
  EXPECT_EQ(L"55", global_.get<std::wstring>(gc::WOTSource));
  EXPECT_EQ(handleOf("Throttle"), global_.get<long long>(gc::ThrottleParameter));
  EXPECT_EQ(3, global_.get<int>(gc::ControlModeCount));
  const int names[] = {4, 9, 0};  // a Name that is not a number reads 0
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(handleOf("D" + std::to_string(k)), global_.get<long long>(gc::controlModeDyno(k)));
    EXPECT_EQ(handleOf("E" + std::to_string(k)), global_.get<long long>(gc::controlModeEngine(k)));
    EXPECT_EQ(names[k], global_.get<int>(gc::controlModeName(k)));
  }
  EXPECT_EQ(kUnwritten, global_.get<int>(gc::controlModeName(3)));
}

TEST_F(CommonParametersTest, MissingThrottleOrControlModeParameterFailsWithItsLine) {
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(load("<Property><ThrottleParameter>Gas</ThrottleParameter></Property>"));
  EXPECT_EQ(L"100", global_.get<std::wstring>(gc::WOTSource));
  EXPECT_FALSE(load("<Property><ThrottleParameter>Throttle</ThrottleParameter></Property>"
                    "<ModeRequestCh>" +
                    modeRequest(1, "Brake", "E0") + "</ModeRequestCh>"));
  EXPECT_FALSE(load("<Property><ThrottleParameter>Throttle</ThrottleParameter></Property>"
                    "<ModeRequestCh>" +
                    modeRequest(1, "D0", "Clutch") + modeRequest(2, "Brake", "E1") +
                    "</ModeRequestCh>"));
  EXPECT_EQ((Strings{
                "Parameter \"Gas\" assigned as Throttle Parameter doesn't exist in this "
                "Configuration",
                "Parameter \" Brake \" assigned as Control-Mode Dyno Parameter doesn't exist in "
                "this Configuration",
                "Parameter \" Clutch \" assigned as Control-Mode Engine Parameter doesn't exist in "
                "this Configuration"}),
            sink.messages(UA_WARNING.value));
  EXPECT_EQ(kUnwritten, global_.get<int>(gc::ControlModeCount));
  EXPECT_EQ(kUnwritten, global_.get<int>(gc::controlModeName(0)));
}

TEST_F(CommonParametersTest, RequestsBeyondTheTwentySlotsAreDroppedWithAWarning) {
  std::string requests;
  for (int k = 0; k < 22; ++k)
    requests += modeRequest(k + 1, "D" + std::to_string(k), "E" + std::to_string(k));
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(load("<Property><ThrottleParameter>Throttle</ThrottleParameter></Property>"
                   "<ModeRequestCh>" +
                   requests + "</ModeRequestCh>"));
  EXPECT_EQ(20, global_.get<int>(gc::ControlModeCount));
  EXPECT_EQ(handleOf("D19"), global_.get<long long>(gc::controlModeDyno(19)));
  EXPECT_EQ(20, global_.get<int>(gc::controlModeName(19)));
  EXPECT_EQ((Strings{"Control-mode request 21 (Name 21, Dyno \"D20\", Engine \"E20\") is dropped: "
                     "the table holds 20 requests",
                     "Control-mode request 22 (Name 22, Dyno \"D21\", Engine \"E21\") is dropped: "
                     "the table holds 20 requests"}),
            sink.messages(WARNING.value));
}

}  // namespace
