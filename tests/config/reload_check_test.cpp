// ConfigReader::checkReloadParameters: a loaded configuration compared with
// edited copies of itself, all as files on disk.
#include <gtest/gtest.h>

#include <utility>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementSchema.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using Strings = std::vector<std::string>;

const std::string kOperatingPoint =
    "<ParameterType><Category>OperatingPoint</Category><Parameter><Name>OP1</Name>"
    "<Set_ChannelName>SC_OP</Set_ChannelName><Get_ChannelName>GC_OP</Get_ChannelName>"
    "<Set_Type>1</Set_Type><Get_Type>2</Get_Type></Parameter></ParameterType>";
const std::string kOthers =
    "<ParameterType><Category>SetParameter</Category><Parameter><Name>S1</Name>"
    "<Set_ChannelName>SC1</Set_ChannelName><Get_ChannelName>GC1</Get_ChannelName></Parameter>"
    "</ParameterType>"
    "<ParameterType><Category>Invisible</Category>"
    "<Parameter><Name>V1</Name><Get_Type>2</Get_Type></Parameter>"
    "<Parameter><Name>V2</Name></Parameter></ParameterType>";

std::string configuration(const std::string& parameters) {
  return "<MeasurementDefinition><GlobalParameters><CommonParameter><Property>"
         "<ThrottleParameter>OP1</ThrottleParameter></Property></CommonParameter>"
         "</GlobalParameters><Parameters>" +
         parameters + "</Parameters></MeasurementDefinition>";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string line(const std::string& head, const std::string& name) {
  return head + " has changed for " + name + " Please disconnect before loading the configuration";
}

class ReloadCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(reader_.loadConfig(write(configuration(kOperatingPoint + kOthers)), false));
  }
  std::wstring write(const std::string& xml) {
    return ini_.dir().write("config" + std::to_string(++files_) + ".xml", xml).wstring();
  }
  // The check's result and its UA_WARNING lines.
  std::pair<bool, Strings> check(const std::string& parameters) {
    const std::wstring path = write(configuration(parameters));
    tavik_test::CapturingSink sink;
    const bool result = reader_.checkReloadParameters(path);
    return {result, sink.messages(UA_WARNING.value)};
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedIni ini_{""};
  tavik::ConfigReader reader_;
  int files_ = 0;
};

TEST_F(ReloadCheckTest, UnchangedConfigurationMayBeReloadedWithoutALine) {
  EXPECT_EQ(std::make_pair(true, Strings{}), check(kOperatingPoint + kOthers));
}

TEST_F(ReloadCheckTest, EachDifferenceRefusesWithItsLine) {
  const std::string all = kOperatingPoint + kOthers;
  EXPECT_EQ(std::make_pair(false, Strings{line("Set Channelname", "S1")}),
            check(replaced(all, ">SC1<", ">SC9<")));
  EXPECT_EQ(std::make_pair(false, Strings{line("Get Channelname", "OP1")}),
            check(replaced(all, ">GC_OP<", ">GC_X<")));
  EXPECT_EQ(std::make_pair(false, Strings{line("Set Type", "OP1")}),
            check(replaced(all, "<Set_Type>1<", "<Set_Type>0<")));
  // The last Invisible parameter: its missing Get_Type read 0 at load.
  EXPECT_EQ(std::make_pair(false, Strings{line("Get Type", "V2")}),
            check(replaced(all, "<Name>V2</Name>", "<Name>V2</Name><Get_Type>2</Get_Type>")));
}

TEST_F(ReloadCheckTest, OnlyTheFirstDifferenceIsReportedInCategoryOrder) {
  // Both channel names of S1 differ: only the set side is reported.
  EXPECT_EQ(std::make_pair(false, Strings{line("Set Channelname", "S1")}),
            check(replaced(replaced(kOperatingPoint + kOthers, ">SC1<", ">X<"), ">GC1<", ">Y<")));
  // OperatingPoint is compared first, wherever it stands in the file.
  const std::string changed_op = replaced(kOperatingPoint, ">SC_OP<", ">Z<");
  const std::string changed_v1 = replaced(kOthers, "<Get_Type>2<", "<Get_Type>3<");
  EXPECT_EQ(std::make_pair(false, Strings{line("Set Channelname", "OP1")}),
            check(changed_v1 + changed_op));
}

TEST_F(ReloadCheckTest, NewParametersAreComparedWithAFreshOneAndNotCreated) {
  const std::string fresh =
      "<ParameterType><Category>Measurement</Category><Parameter><Name>New</Name>"
      "<Set_Type>0</Set_Type></Parameter></ParameterType>";
  EXPECT_EQ(std::make_pair(true, Strings{}), check(kOperatingPoint + kOthers + fresh));
  EXPECT_EQ(std::make_pair(false, Strings{line("Get Channelname", "New")}),
            check(kOperatingPoint + kOthers +
                  replaced(fresh, "<Set_Type>", "<Get_ChannelName>G</Get_ChannelName><Set_Type>")));
  EXPECT_FALSE(
      ws::Workspace::getInstance()->is_existing_element(L"New", ws::memory_area::kParameters));
}

TEST_F(ReloadCheckTest, UnreadableFileIsRefusedWithTheReason) {
  const std::string dir = ini_.dir().path().string();
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(reader_.checkReloadParameters(ini_.dir().path().wstring() + L"/missing.xml"));
  EXPECT_FALSE(reader_.checkReloadParameters(write("<MeasurementDefinition><Parameters>")));
  EXPECT_EQ((Strings{"Error while checking if reload is possible: File was not found (file " +
                         dir + "/missing.xml, offset 0)",
                     "Error while checking if reload is possible: Start-end tags mismatch (file " +
                         dir + "/config2.xml, offset 34)"}),
            sink.messages(UA_WARNING.value));
}

}  // namespace
