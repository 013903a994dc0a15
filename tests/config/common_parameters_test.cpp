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

std::string modeRequest(int name, int k, const std::string& dyno = "D",
                        const std::string& engine = "E") {
  return "<ModeRequest><Name>" + std::to_string(name) + "</Name><Dyno>" + dyno + std::to_string(k) +
         "</Dyno><Engine>" + engine + std::to_string(k) + "</Engine></ModeRequest>";
}
std::string throttle(const std::string& name, const std::string& requests = "",
                     const std::string& wot = "") {
  return "<Property><ThrottleParameter>" + name + "</ThrottleParameter>" +
         (wot.empty() ? "" : "<WOTSource>" + wot + "</WOTSource>") + "</Property><ModeRequestCh>" +
         requests + "</ModeRequestCh>";
}
// The parameter's name, or the number when the handle is no parameter.
std::string nameAt(long long handle) {
  try {
    return ws::Parameter(handle).getName();
  } catch (...) {
    return std::to_string(handle);
  }
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
    return tavik::ConfigReader().loadConfig(ini_->dir().write("config.xml", xml).wstring(), false);
  }
  // "wait|stability|run sequence|reset parameters|reset maps|WOT|throttle|
  // mode count", then "name|dyno|engine" of the first `slots` control modes.
  Strings items(int slots = 0) {
    Strings out{""};
    for (unsigned int item :
         {gc::ParallelActionWaitTime, gc::ParallelActionStabilityTime, gc::RunSequenceAtDeviceError,
          gc::ResetAllParameters, gc::ResetAllMaps})
      out[0] += std::to_string(global_.get<int>(item)) + "|";
    const std::wstring wot = global_.get<std::wstring>(gc::WOTSource);
    out[0] += std::string(wot.begin(), wot.end()) + "|" +
              nameAt(global_.get<long long>(gc::ThrottleParameter)) + "|" +
              std::to_string(global_.get<int>(gc::ControlModeCount));
    for (int k = 0; k < slots; ++k)
      out.push_back(std::to_string(global_.get<int>(gc::controlModeName(k))) + "|" +
                    nameAt(global_.get<long long>(gc::controlModeDyno(k))) + "|" +
                    nameAt(global_.get<long long>(gc::controlModeEngine(k))));
    return out;
  }

  tavik_test::ScopedWorkspace workspace_;
  std::unique_ptr<tavik_test::ScopedIni> ini_ = std::make_unique<tavik_test::ScopedIni>("");
  ws::GlobalConfig global_;
};

TEST_F(CommonParametersTest, WithoutOperatingPointsWaitTimesComeFromTheFileThenTheIni) {
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(
      load("<CheckBox><EnableResetAllParameters>true</EnableResetAllParameters></CheckBox>" +
               throttle("Nowhere", modeRequest(1, 0, "X"), "55"),
           false));
  EXPECT_EQ(Strings{"60000000|4000000|0|1|0|old|77|77"}, items());
  ini_.reset();
  ini_ = std::make_unique<tavik_test::ScopedIni>(
      "ParallelActionWaitTime=7\nParallelActionStabilityTime=8\n");
  EXPECT_TRUE(
      load("<Property><PControlWaitStabilityTime>3</PControlWaitStabilityTime>"
           "<PControlWaitTime>99999999</PControlWaitTime></Property>",
           false));
  EXPECT_EQ("2147483647|3000|", items()[0].substr(0, 16));
  EXPECT_TRUE(load("", false));
  EXPECT_EQ("7000|8000|", items()[0].substr(0, 10));
  EXPECT_EQ(Strings{"loadCommonParameters: PControlWaitTime 99999999 is out of range; 2147483647 "
                    "is used"},
            sink.lines(WARNING.value));
  EXPECT_EQ(Strings{}, sink.messages(UA_WARNING.value));
}

TEST_F(CommonParametersTest, RunSequenceModeFollowsTheTypeAndUnknownTypesLeaveIt) {
  for (const auto& row :
       {std::make_pair("5", "77"), std::make_pair("1", "1"), std::make_pair("0", "2")}) {
    SCOPED_TRACE(row.first);
    load("<CheckBox><EnableRunSeqAtDeviceError>1</EnableRunSeqAtDeviceError><RunSeqType>" +
             std::string(row.first) +
             "</RunSeqType><EnableResetAllMaps>yes</EnableResetAllMaps></CheckBox>",
         false);
    EXPECT_EQ(Strings{"60000000|4000000|" + std::string(row.second) + "|0|1|old|77|77"}, items());
  }
}

TEST_F(CommonParametersTest, MissingThrottleOrControlModeParameterFailsWithItsLine) {
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(load(throttle("Gas")));
  EXPECT_FALSE(load(throttle("Throttle", modeRequest(1, 0, "Brake"))));
  EXPECT_FALSE(
      load(throttle("Throttle", modeRequest(1, 0, "D", "Clutch") + modeRequest(2, 1, "Brake"))));
  EXPECT_EQ((Strings{"loadCommonParameters: Parameter \"Gas\" assigned as Throttle Parameter "
                     "doesn't exist in this Configuration",
                     "loadCommonParameters: Parameter \" Brake0 \" assigned as Control-Mode Dyno "
                     "Parameter doesn't exist in this Configuration",
                     "loadCommonParameters: Parameter \" Clutch0 \" assigned as Control-Mode "
                     "Engine Parameter doesn't exist in this Configuration"}),
            sink.lines(UA_WARNING.value));
  EXPECT_EQ((Strings{"60000000|4000000|0|0|0|100|Throttle|77", "77|0|0"}), items(1));
}

// Requests fill their slots in order; a Name that is not a number reads 0.
TEST_F(CommonParametersTest, RequestsFillTheirSlotsInOrderAndThoseBeyondTwentyAreDropped) {
  std::string requests;
  for (int k = 0; k < 22; ++k) requests += modeRequest(k + 1, k);
  requests.replace(requests.find("<Name>3<"), 8, "<Name>x<");
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(load(throttle("Throttle", requests, "55")));
  const Strings slots = items(20);  // slot 20 would overlay slot 0's name
  EXPECT_EQ((Strings{"60000000|4000000|0|0|0|55|Throttle|20", "1|D0|E0", "2|D1|E1", "0|D2|E2",
                     "20|D19|E19"}),
            (Strings{slots[0], slots[1], slots[2], slots[3], slots[20]}));
  EXPECT_EQ((Strings{"The text \"x\" of MeasurementDefinition/GlobalParameters/CommonParameter/"
                     "ModeRequestCh/ModeRequest/Name is not a number; 0 is used",
                     "Control-mode request 21 (Name 21, Dyno \"D20\", Engine \"E20\") is dropped: "
                     "the table holds 20 requests",
                     "Control-mode request 22 (Name 22, Dyno \"D21\", Engine \"E21\") is dropped: "
                     "the table holds 20 requests"}),
            sink.messages(WARNING.value));
}

}  // namespace
