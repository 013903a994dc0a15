// ConfigReader::loadCommonParameters through whole loads: real files, a real
// INI file, a fresh workspace per test.
#include <gtest/gtest.h>

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

std::string modeRequest(const std::string& name, const std::string& dyno,
                        const std::string& engine) {
  return "<ModeRequest><Name>" + name + "</Name><Dyno>" + dyno + "</Dyno><Engine>" + engine +
         "</Engine></ModeRequest>";
}
std::string throttle(const std::string& name, const std::string& requests = "",
                     const std::string& more = "") {
  return "<Property><ThrottleParameter>" + name + "</ThrottleParameter>" + more +
         "</Property><ModeRequestCh>" + requests + "</ModeRequestCh>";
}
long long handleOf(const std::string& name) {
  return ws::Parameter(std::wstring(name.begin(), name.end())).getHandle();
}

class CommonParametersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Sentinels that show which items a load leaves alone.
    for (unsigned int item : {+gc::RunSequenceAtDeviceError, +gc::ControlModeCount,
                              gc::controlModeName(0), gc::controlModeName(3)})
      global_.set(item, kUnwritten);
    global_.set(gc::ThrottleParameter, static_cast<long long>(kUnwritten));
    global_.set(gc::WOTSource, std::wstring(L"old"));
  }
  // Loads this CommonParameter content; by default with the operating-point
  // parameters Throttle, D0..D21 and E0..E21.
  bool load(const std::string& common, bool operating_points = true) {
    std::string parameters = "<Parameter><Name>Throttle</Name></Parameter>";
    for (int k = 0; k < 22; ++k)
      parameters += "<Parameter><Name>D" + std::to_string(k) +
                    "</Name></Parameter><Parameter><Name>E" + std::to_string(k) +
                    "</Name></Parameter>";
    const std::string xml =
        "<MeasurementDefinition><GlobalParameters><CommonParameter>" + common +
        "</CommonParameter></GlobalParameters>" +
        (operating_points ? "<Parameters><ParameterType><Category>OperatingPoint</Category>" +
                                parameters + "</ParameterType></Parameters>"
                          : "") +
        "</MeasurementDefinition>";
    tavik::ConfigReader reader;
    return reader.loadConfig(ini_->dir().write("config.xml", xml).wstring(), false);
  }

  tavik_test::ScopedWorkspace workspace_;
  std::unique_ptr<tavik_test::ScopedIni> ini_ = std::make_unique<tavik_test::ScopedIni>("");
  ws::GlobalConfig global_;
};

TEST_F(CommonParametersTest, WithoutOperatingPointsOnlyTheGeneralItemsAreWritten) {
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(
      load("<CheckBox><EnableResetAllParameters>true</EnableResetAllParameters></CheckBox>" +
               throttle("Nowhere", modeRequest("1", "X", "Y")),
           false));
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

TEST_F(CommonParametersTest, WaitTimesComeFromTheFileThenTheIniAndAreHeldInRange) {
  ini_.reset();
  ini_ = std::make_unique<tavik_test::ScopedIni>(
      "ParallelActionWaitTime=7\nParallelActionStabilityTime=8\n");
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(
      load("<Property><PControlWaitStabilityTime>3</PControlWaitStabilityTime>"
           "<PControlWaitTime>99999999</PControlWaitTime></Property>",
           false));
  EXPECT_EQ(2147483647, global_.get<int>(gc::ParallelActionWaitTime));
  EXPECT_EQ(3000, global_.get<int>(gc::ParallelActionStabilityTime));
  EXPECT_EQ(Strings{"PControlWaitTime 99999999 is out of range; 2147483647 is used"},
            sink.messages(WARNING.value));
  EXPECT_EQ(Strings{"loadCommonParameters"}, sink.functions(WARNING.value));
  EXPECT_TRUE(load("", false));
  EXPECT_EQ(7000, global_.get<int>(gc::ParallelActionWaitTime));
  EXPECT_EQ(8000, global_.get<int>(gc::ParallelActionStabilityTime));
}

TEST_F(CommonParametersTest, RunSequenceModeFollowsTheTypeAndUnknownTypesLeaveIt) {
  for (const auto& row :
       {std::make_pair("5", kUnwritten), std::make_pair("1", 1), std::make_pair("0", 2)}) {
    SCOPED_TRACE(row.first);
    load("<CheckBox><EnableRunSeqAtDeviceError>1</EnableRunSeqAtDeviceError><RunSeqType>" +
             std::string(row.first) +
             "</RunSeqType><EnableResetAllMaps>yes</EnableResetAllMaps></CheckBox>",
         false);
    EXPECT_EQ(row.second, global_.get<int>(gc::RunSequenceAtDeviceError));
    EXPECT_EQ(1, global_.get<int>(gc::ResetAllMaps));
  }
}

TEST_F(CommonParametersTest, ThrottleAndThreeModeRequestsFillTheirSlotsInOrder) {
  EXPECT_TRUE(load(throttle(
      "Throttle",
      modeRequest("4", "D0", "E0") + modeRequest("9", "D1", "E1") + modeRequest("x", "D2", "E2"),
      "<WOTSource>55</WOTSource>")));
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
  EXPECT_FALSE(load(throttle("Gas")));
  EXPECT_EQ(L"100", global_.get<std::wstring>(gc::WOTSource));
  EXPECT_FALSE(load(throttle("Throttle", modeRequest("1", "Brake", "E0"))));
  EXPECT_FALSE(load(
      throttle("Throttle", modeRequest("1", "D0", "Clutch") + modeRequest("2", "Brake", "E1"))));
  EXPECT_EQ(
      (Strings{
          "Parameter \"Gas\" assigned as Throttle Parameter doesn't exist in this Configuration",
          "Parameter \" Brake \" assigned as Control-Mode Dyno Parameter doesn't exist in "
          "this Configuration",
          "Parameter \" Clutch \" assigned as Control-Mode Engine Parameter doesn't exist "
          "in this Configuration"}),
      sink.messages(UA_WARNING.value));
  EXPECT_EQ(Strings(3, "loadCommonParameters"), sink.functions(UA_WARNING.value));
  EXPECT_EQ(kUnwritten, global_.get<int>(gc::ControlModeCount));
  EXPECT_EQ(kUnwritten, global_.get<int>(gc::controlModeName(0)));
}

TEST_F(CommonParametersTest, RequestsBeyondTheTwentySlotsAreDroppedWithAWarning) {
  std::string requests;
  for (int k = 0; k < 22; ++k)
    requests +=
        modeRequest(std::to_string(k + 1), "D" + std::to_string(k), "E" + std::to_string(k));
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(load(throttle("Throttle", requests)));
  EXPECT_EQ(20, global_.get<int>(gc::ControlModeCount));
  EXPECT_EQ(handleOf("D19"), global_.get<long long>(gc::controlModeDyno(19)));
  EXPECT_EQ(20, global_.get<int>(gc::controlModeName(19)));
  EXPECT_EQ(1, global_.get<int>(gc::controlModeName(0)));  // slot 20 would overlay it
  EXPECT_EQ((Strings{"Control-mode request 21 (Name 21, Dyno \"D20\", Engine \"E20\") is dropped: "
                     "the table holds 20 requests",
                     "Control-mode request 22 (Name 22, Dyno \"D21\", Engine \"E21\") is dropped: "
                     "the table holds 20 requests"}),
            sink.messages(WARNING.value));
}

}  // namespace
