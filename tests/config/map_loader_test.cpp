// The map loader against a real workspace segment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/maploader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementItems.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"
#include "workspace/Workspace.h"
#include "workspace/WorkspaceException.h"

namespace {

namespace ws = tavik::workspace;
namespace pm = tavik::workspace::property_map;
using Names = std::vector<std::wstring>;

class MapLoaderTest : public ::testing::Test {
 protected:
  pugi::xml_node parse(const std::string& body) {
    return tavik_test::parseXml(&doc_, tavik_test::definitionXml("", body));
  }

  // The map elements in creation order.
  Names mapNames() {
    std::vector<long long> handles;
    ws::Workspace::getInstance()->getAllElementsOfType(9, handles, 0x300000);
    Names names;
    for (long long handle : handles) ws::PropertyMap(handle).getName(names.emplace_back());
    return names;
  }

  // Function and text of the INFO lines, and the TIMING lines up to their number.
  std::string lines() {
    std::string out;
    for (const auto& r : sink_.records()) {
      if (r.level_value == INFO.value) out += r.function + ": " + r.message + "\n";
      if (r.level_value == TIMING.value) out += r.message.substr(0, r.message.find("took")) + "\n";
    }
    return out;
  }

  // XFirst, XLast, YFirst, YLast, ZLowerLimit, ZUpperLimit, ExtraPolation,
  // ActionProperty, XParameter, YParameter.
  std::vector<double> items(const std::wstring& name) {
    ws::PropertyMap map(name, 0, 0);
    return {map.get<double>(pm::XFirst),      map.get<double>(pm::XLast),
            map.get<double>(pm::YFirst),      map.get<double>(pm::YLast),
            map.get<double>(pm::ZLowerLimit), map.get<double>(pm::ZUpperLimit),
            double(map.get<int>(pm::ExtraPolation)), double(map.get<int>(pm::ActionProperty)),
            double(map.get<long long>(pm::XParameter)), double(map.get<long long>(pm::YParameter))};
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::CapturingSink sink_;
  pugi::xml_document doc_;
  tavik::MapLoader loader_;
};

TEST_F(MapLoaderTest, AMapHoldsItsAxesValuesLimitsAndExtrapolation) {
  ws::PropertyMap before(L"Curve", 2, 0);  // what an earlier load left in the map
  before.set(pm::YFirst, 99.0);
  before.set(pm::YLast, 98.0);
  before.set(pm::ExtraPolation, 3);
  before.set(pm::ActionProperty, 5);
  loader_.load(parse(
      "<Maps><Map><Name>Torque</Name><XValues><Value>0</Value><Value>10</Value><Value>20</Value>"
      "</XValues><YValues><Value>1</Value><Value>2</Value></YValues><ZValues><Value>5</Value>"
      "<Value>6</Value><Value>7</Value><Value>8</Value><Value>9</Value><Value>-1.5e2</Value>"
      "</ZValues><ZLowerLimit>-3.5</ZLowerLimit><ZUpperLimit>250</ZUpperLimit><ExtraPolation>True"
      "</ExtraPolation></Map><Map><Name>Curve</Name><XValues><Value/><Value>4</Value></XValues>"
      "<ZValues><Value>x</Value></ZValues><ExtraPolation>true</ExtraPolation></Map></Maps>"));
  EXPECT_EQ((Names{L"Curve", L"Torque"}), mapNames());
  EXPECT_EQ((std::vector<double>{0, 20, 1, 2, -3.5, 250, 1, 0, 0, 0}), items(L"Torque"));
  // Missing numbers read as 0; only "True" switches extrapolation on; items
  // written only under a condition read as in a new map.
  EXPECT_EQ((std::vector<double>{0, 4, 0, 0, 0, 0, 0, 0, 0, 0}), items(L"Curve"));
  ws::PropertyMap map(L"Torque", 0, 0);
  EXPECT_EQ(1, ws::Workspace::getInstance()->getReferenceCount(map.getHandle()));
  EXPECT_EQ((std::vector<double>{0, 10, 20, 1, 2, 5, -150}),
            (std::vector<double>{map.getXAchsisValue(0), map.getXAchsisValue(1),
                                 map.getXAchsisValue(2), map.getYAchsisValue(0),
                                 map.getYAchsisValue(1), map.getValue(0), map.getValue(5)}));
}

TEST_F(MapLoaderTest, OptionsNamingTheMapGetKeyedElementsFirstAndAllAreBound) {
  const pugi::xml_node md = parse(
      "<Maps><Map><Name>X</Name><XValues><Value>1</Value><Value>2</Value></XValues><XParameterName>"
      "Engine Speed</XParameterName><YParameterName>Load</YParameterName></Map></Maps>" +
      tavik_test::placementsXml("Map:"));
  loader_.load(md);
  const Names names = {L"_prop_C'at_Sequence/ActOpt_action_property",
                       L"_prop_C'at_Sequence/ActTwo_action_property",
                       L"_prop_C'at_Sequence/G\"'/RampGain_action_property",
                       L"_prop_Main_Sequence/Q/P/RampGain_action_property",
                       L"_prop_Outer_Sequence/R/Q2/P2/RampGain_action_property",
                       L"_prop_LCat_Sequence/Lonely/L/RampGain_action_property", L"X"};
  EXPECT_EQ(names, mapNames());

  loader_.add_parameters(md);
  EXPECT_EQ("load: Preparing Property Maps\nload: Preparing Property Maps ready\n"
            "Function Preparing Maps\nadd_parameters: Adding Parameters to Property Maps\n"
            "add_parameters: Adding Parameters to Property Maps ready\n"
            "Function Adding Parameter to Maps\n",
            lines());
  ws::Parameter speed(std::wstring(L"Engine Speed"));
  EXPECT_EQ(1, speed.get<int>(ws::parameter::Is_Active));
  for (const std::wstring& name : names) {  // a Y name, but no Y values: no Y parameter
    SCOPED_TRACE(pugi::as_utf8(name));
    EXPECT_EQ((std::vector<double>{1, 2, 0, 0, 0, 0, 0, name == L"X" ? 0.0 : 1.0,
                                   double(speed.getHandle()), 0}),
              items(name));
  }
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Load", 0x400000));
}

TEST_F(MapLoaderTest, ErrorsEndTheLoadAfterTheMapsBeforeThem) {
  EXPECT_THROW(loader_.load(parse("<Maps><Map><Name>First</Name></Map><Map><Name>X</Name></Map>"
                                  "</Maps>" + tavik_test::placementsXml("Map:") +
                                  tavik_test::kBodiesInACycle)),
               tavik::ConfigException);
  EXPECT_EQ(Names{L"First"}, mapNames());
  // More z values than a 2 by 0 map holds: the workspace's own error.
  EXPECT_THROW(loader_.load(parse("<Maps><Map><Name>Z</Name><XValues><Value>1</Value><Value>2"
                                  "</Value></XValues><ZValues><Value>1</Value><Value>2</Value>"
                                  "<Value>3</Value></ZValues></Map></Maps>")),
               WorkspaceException);
}

// One element list serves both phases: a duplicate warns in load() only, and
// a list cut by a cycle of group bodies ends each phase at the same Map with
// the same message, after the elements before it. A name's last Map is the
// one loaded, where the name first stands, even when it lies beyond the cut.
TEST_F(MapLoaderTest, OneElementListServesBothPhasesUpToWhereACycleCutsIt) {
  const pugi::xml_node md = parse(
      "<Maps><Map><Name>First</Name><XValues><Value>1</Value></XValues><XParameterName>Old"
      "</XParameterName></Map><Map><Name>First</Name></Map><Map><Name>X</Name></Map><Map><Name>"
      "First</Name><XValues><Value>1</Value></XValues><XParameterName>N</XParameterName></Map>"
      "</Maps>" + tavik_test::placementsXml("Map:") + tavik_test::kBodiesInACycle);
  const tavik::MapElements elements(md);
  const auto warnings = [&] {
    std::vector<std::string> out;
    for (const auto& r : sink_.records())
      if (r.level_value == WARNING.value) out.push_back(r.message);
    return out;
  };
  for (int phase = 0; phase < 2; ++phase) {
    SCOPED_TRACE(phase);
    try {
      if (phase == 0) loader_.load(elements); else loader_.add_parameters(elements);
      ADD_FAILURE() << "no ConfigException";
    } catch (const tavik::ConfigException& e) {
      EXPECT_STREQ("Action group bodies place each other in a cycle: Schleife \xC3\x84", e.what());
    }
    EXPECT_EQ(Names{L"First"}, mapNames());
    EXPECT_EQ(std::vector<std::string>{
                  "Map First is defined more than once; the last definition is loaded"},
              warnings());
  }
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Old", 0x400000));
  EXPECT_EQ(ws::Parameter(std::wstring(L"N")).getHandle(),
            ws::PropertyMap(L"First", 0, 0).get<long long>(pm::XParameter));
}

}  // namespace
