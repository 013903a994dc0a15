// ConfigReader::checkReloadParameters: a loaded configuration compared with
// edited copies of itself, all as files on disk.
#include <gtest/gtest.h>

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

using Strings = std::vector<std::string>;

const std::string kOperatingPoint =
    "<ParameterType><Category>OperatingPoint</Category><Parameter><Name>OP1</Name>"
    "<Set_ChannelName>SC_OP</Set_ChannelName><Get_ChannelName>GC_OP</Get_ChannelName>"
    "<Set_Type>1</Set_Type><Get_Type>2</Get_Type></Parameter></ParameterType>";
const std::string kOthers =
    "<ParameterType><Category>SetParameter</Category><Parameter><Name>S1</Name>"
    "<Set_ChannelName>SC1</Set_ChannelName><Get_ChannelName>GC1</Get_ChannelName></Parameter>"
    "</ParameterType><ParameterType><Category>Invisible</Category>"
    "<Parameter><Name>V1</Name><Get_Type>2</Get_Type></Parameter>"
    "<Parameter><Name>V2</Name></Parameter></ParameterType>";
const std::string kAll = kOperatingPoint + kOthers;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}
// The check's result as "true"/"false", then its UA_WARNING lines.
Strings refused(const std::string& head, const std::string& name) {
  return {"false", "checkReloadParameterTree: " + head + " has changed for " + name +
                       " Please disconnect before loading the configuration"};
}

class ReloadCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(reader_.loadConfig(write(kAll), false)); }
  std::wstring write(const std::string& parameters) {
    return ini_.dir()
        .write("config" + std::to_string(++files_) + ".xml",
               "<MeasurementDefinition><GlobalParameters><CommonParameter><Property>"
               "<ThrottleParameter>OP1</ThrottleParameter></Property></CommonParameter>"
               "</GlobalParameters><Parameters>" +
                   parameters + "</Parameters></MeasurementDefinition>")
        .wstring();
  }
  Strings check(const std::wstring& path) {
    tavik_test::CapturingSink sink;
    Strings out{reader_.checkReloadParameters(path) ? "true" : "false"};
    for (const std::string& line : sink.lines(UA_WARNING.value)) out.push_back(line);
    return out;
  }
  Strings check(const std::string& parameters) { return check(write(parameters)); }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedIni ini_{""};
  tavik::ConfigReader reader_;
  int files_ = 0;
};

TEST_F(ReloadCheckTest, EachDifferenceRefusesWithItsLineAndOnlyTheFirstIsReported) {
  EXPECT_EQ(Strings{"true"}, check(kAll));
  EXPECT_EQ(refused("Set Channelname", "S1"), check(replaced(kAll, ">SC1<", ">SC9<")));
  EXPECT_EQ(refused("Get Channelname", "OP1"), check(replaced(kAll, ">GC_OP<", ">GC_X<")));
  EXPECT_EQ(refused("Set Type", "OP1"), check(replaced(kAll, "<Set_Type>1<", "<Set_Type>0<")));
  // The last Invisible parameter: its missing Get_Type read 0 at load.
  EXPECT_EQ(refused("Get Type", "V2"),
            check(replaced(kAll, "<Name>V2</Name>", "<Name>V2</Name><Get_Type>2</Get_Type>")));
  EXPECT_EQ(refused("Set Channelname", "S1"),
            check(replaced(replaced(kAll, ">SC1<", ">X<"), ">GC1<", ">Y<")));
  // OperatingPoint is compared first, wherever it stands in the file.
  EXPECT_EQ(refused("Set Channelname", "OP1"),
            check(replaced(kOthers, "<Get_Type>2<", "<Get_Type>3<") +
                  replaced(kOperatingPoint, ">SC_OP<", ">Z<")));
  // A new parameter is compared with a fresh one and not created.
  const std::string fresh =
      "<ParameterType><Category>Measurement</Category><Parameter><Name>New</Name>"
      "<Set_Type>0</Set_Type></Parameter></ParameterType>";
  EXPECT_EQ(Strings{"true"}, check(kAll + fresh));
  EXPECT_EQ(refused("Get Channelname", "New"),
            check(kAll +
                  replaced(fresh, "<Set_Type>", "<Get_ChannelName>G</Get_ChannelName><Set_Type>")));
  EXPECT_FALSE(tavik::workspace::Workspace::getInstance()->is_existing_element(
      L"New", tavik::workspace::memory_area::kParameters));
}

}  // namespace
