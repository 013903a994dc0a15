// Property maps loaded over a workspace that an earlier configuration filled:
// every map element the configuration defines holds what loading it into an
// empty workspace gives. Real XML files, a real segment per load sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoaderXml.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "workspace/ElementItems.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
namespace pm = tavik::workspace::property_map;

std::string values(const std::string& tag, const std::vector<int>& numbers) {
  std::string xml = "<" + tag + ">";
  for (int n : numbers) xml += "<Value>" + std::to_string(n) + "</Value>";
  return xml + "</" + tag + ">";
}

std::string option(const std::string& name, const std::string& value) {
  return "<Option><Name>" + name + "</Name><Type>MapAndValueSelect</Type><Values><Value>" + value +
         "</Value></Values></Option>";
}

// A configuration with the given Map elements and one action "Act" of
// sequence "S" whose options Opt, Opt2 and Opt3 have these values.
std::string configuration(const std::string& maps, const std::string& opt,
                          const std::string& opt2, const std::string& opt3) {
  return tavik_test::documentXml(
      "<Maps>" + maps + "</Maps><Sequences><Sequence><Category>S</Category><StartActionName>Act"
      "</StartActionName><Actions><Action><Name>Act</Name><Options>" + option("Opt", opt) +
      option("Opt2", opt2) + option("Opt3", opt3) +
      "</Options></Action></Actions></Sequence></Sequences>");
}

// File A: M of 3 by 2 with six z values, extrapolation and both input
// parameters, named by Opt; K of 2 values named by Opt2 and Opt3.
const std::string kFileA = configuration(
    "<Map><Name>M</Name>" + values("XValues", {1, 2, 3}) + values("YValues", {10, 20}) +
        values("ZValues", {5, 6, 7, 8, 9, 4}) +
        "<ZLowerLimit>-1</ZLowerLimit><ZUpperLimit>99</ZUpperLimit><ExtraPolation>True"
        "</ExtraPolation><XParameterName>SpeedA</XParameterName><YParameterName>LoadA"
        "</YParameterName></Map><Map><Name>K</Name>" + values("XValues", {7, 8}) +
        values("ZValues", {70, 80}) + "<ExtraPolation>True</ExtraPolation></Map>",
    "Map:M", "Map:K", "Map:K");
// File B: M gets one more X point and only three z values, "true" does not
// switch extrapolation on, no Y input parameter; K is gone, Opt2 names a map
// no file defines and Opt3 holds a plain text.
const std::string kFileB = configuration(
    "<Map><Name>M</Name>" + values("XValues", {1, 2, 3, 4}) + values("YValues", {10, 20}) +
        values("ZValues", {50, 60, 70}) +
        "<ZUpperLimit>42</ZUpperLimit><ExtraPolation>true</ExtraPolation><XParameterName>SpeedB"
        "</XParameterName></Map>",
    "Map:M", "Map:Missing", "abc");

const std::wstring kKeyOpt = L"_prop_S_Sequence/ActOpt_action_property";
const std::wstring kKeyOpt2 = L"_prop_S_Sequence/ActOpt2_action_property";
const std::wstring kKeyOpt3 = L"_prop_S_Sequence/ActOpt3_action_property";

std::string parameterName(long long handle) {
  return handle > 0 ? ws::Parameter(handle).getName() : std::to_string(handle);
}

// Everything a map element holds, handles as the names of their elements.
std::string mapState(const std::wstring& name) {
  ws::PropertyMap map(name, 0, 0);
  std::string out = std::to_string(map.getXCount()) + "x" + std::to_string(map.getYCount()) + ":";
  for (unsigned i = 0; i < map.getXCount(); ++i) out += std::to_string(int(map.getXAchsisValue(i))) + ",";
  for (unsigned i = 0; i < map.getYCount(); ++i) out += std::to_string(int(map.getYAchsisValue(i))) + ",";
  for (unsigned i = 0; i < map.getValueCount(); ++i) out += std::to_string(int(map.getValue(i))) + ",";
  out += "|" + map.get<std::string>(pm::OptionName) + "|" +
         std::to_string(map.get<int>(pm::ActionProperty)) + "|" +
         std::to_string(map.get<int>(pm::ExtraPolation)) + "|" +
         parameterName(map.get<long long>(pm::XParameter)) + "|" +
         parameterName(map.get<long long>(pm::YParameter));
  for (unsigned int item : {pm::ZLowerLimit, pm::ZUpperLimit, pm::XFirst, pm::XLast, pm::YFirst, pm::YLast})
    out += "|" + std::to_string(int(map.get<double>(item)));
  return out;
}

// The map elements that file B defines, and whether the action's properties
// lead to the keyed ones.
std::vector<std::string> stateOfB() {
  std::vector<std::string> out;
  for (const std::wstring& name : {std::wstring(L"M"), kKeyOpt, kKeyOpt2, kKeyOpt3})
    out.push_back(mapState(name));
  const ws::SharedAction action(L"S_Sequence/Act", -1);
  out.push_back(std::to_string(action.getActionProperty(L"Opt") == ws::PropertyMap(kKeyOpt, 0, 0).getHandle()) +
                std::to_string(action.getActionProperty(L"Opt2") == ws::PropertyMap(kKeyOpt2, 0, 0).getHandle()));
  return out;
}

class MapReloadTest : public ::testing::Test {
 protected:
  bool load(tavik::ConfigReader& reader, const std::string& xml) {
    return reader.loadConfig(ini_.dir().write("config.xml", xml).wstring(), true);
  }
  tavik_test::ScopedIni ini_{"[devices]\n"};
};

TEST_F(MapReloadTest, MapsLoadedOverAnotherFileHoldWhatAFreshLoadGives) {
  std::vector<std::string> fresh;
  {
    tavik_test::ScopedWorkspace workspace;
    tavik::ConfigReader reader;
    ASSERT_TRUE(load(reader, kFileB));
    fresh = stateOfB();
  }
  EXPECT_EQ((std::vector<std::string>{
                "4x2:1,2,3,4,10,20,50,60,70,0,0,0,0,0,||0|0|SpeedB|0|0|42|1|4|10|20",
                "4x2:1,2,3,4,10,20,50,60,70,0,0,0,0,0,|Opt|1|0|SpeedB|0|0|42|1|4|10|20",
                "0x0:|Opt2|0|0|0|0|0|0|0|0|0|0", "0x0:|Opt3|0|0|0|0|0|0|0|0|0|0", "11"}),
            fresh);

  tavik_test::ScopedWorkspace workspace;
  tavik::ConfigReader reader;
  long long handles[4] = {};
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(load(reader, kFileA));
    EXPECT_EQ("3x2:1,2,3,10,20,5,6,7,8,9,4,||0|1|SpeedA|LoadA|-1|99|1|3|10|20", mapState(L"M"));
    EXPECT_EQ("2x0:7,8,70,80,|Opt2|1|1|0|0|0|0|7|8|0|0", mapState(kKeyOpt2));
    ASSERT_TRUE(load(reader, kFileB));
    EXPECT_EQ(fresh, stateOfB());
    handles[round] = ws::PropertyMap(L"M", 0, 0).getHandle();
  }
  // M was remade once, with room for both files: no later load remakes it.
  EXPECT_EQ(std::vector<long long>(3, handles[0]), std::vector<long long>(handles + 1, handles + 4));
  // K, which B does not define, stays as A left it.
  EXPECT_EQ("2x0:7,8,70,80,||0|1|0|0|0|0|7|8|0|0", mapState(L"K"));
}

// The same file loaded again keeps every map element where it is, with what
// it held.
TEST_F(MapReloadTest, TheSameFileLoadedAgainKeepsEveryMapElementWhereItIs) {
  tavik_test::ScopedWorkspace workspace;
  tavik::ConfigReader reader;
  const auto handles = [] {
    std::vector<long long> out;
    for (const std::wstring& name : {std::wstring(L"M"), kKeyOpt, kKeyOpt2, kKeyOpt3})
      out.push_back(ws::PropertyMap(name, 0, 0).getHandle());
    return out;
  };
  ASSERT_TRUE(load(reader, kFileB));
  const std::vector<std::string> first = stateOfB();
  const std::vector<long long> before = handles();
  ASSERT_TRUE(load(reader, kFileB));
  EXPECT_EQ(first, stateOfB());
  EXPECT_EQ(before, handles());
}

}  // namespace
