// The map loader against a real workspace segment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CapturingSink.h"
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

std::string values(const char* axis, const std::vector<std::string>& numbers) {
  std::string xml = std::string("<") + axis + ">";
  for (const std::string& n : numbers) xml += "<Value>" + n + "</Value>";
  return xml + "</" + axis + ">";
}

class MapLoaderTest : public ::testing::Test {
 protected:
  pugi::xml_node parse(const std::string& body) {
    const std::string xml = "<MeasurementDefinition>" + body + "</MeasurementDefinition>";
    EXPECT_TRUE(doc_.load_string(xml.c_str()));
    return doc_.document_element();
  }

  // The map elements in creation order.
  Names mapNames() {
    std::vector<long long> handles;
    ws::Workspace::getInstance()->getAllElementsOfType(9, handles, 0x300000);
    Names names;
    for (long long handle : handles) ws::PropertyMap(handle).getName(names.emplace_back());
    return names;
  }

  // Function and text of the INFO lines, then the TIMING line up to its number.
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    for (const auto& r : sink_.records()) {
      if (r.level_value == INFO.value) out.push_back(r.function + ": " + r.message);
      if (r.level_value == TIMING.value) out.push_back(r.message.substr(0, r.message.find("took")));
    }
    sink_.clear();
    return out;
  }

  // XFirst, XLast, YFirst, YLast, ZLowerLimit, ZUpperLimit, ExtraPolation, ActionProperty.
  std::vector<double> items(const std::wstring& name) {
    ws::PropertyMap map(name, 0, 0);
    return {map.get<double>(pm::XFirst),      map.get<double>(pm::XLast),
            map.get<double>(pm::YFirst),      map.get<double>(pm::YLast),
            map.get<double>(pm::ZLowerLimit), map.get<double>(pm::ZUpperLimit),
            double(map.get<int>(pm::ExtraPolation)), double(map.get<int>(pm::ActionProperty))};
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::CapturingSink sink_;
  pugi::xml_document doc_;
  tavik::MapLoader loader_;
};

TEST_F(MapLoaderTest, AMapHoldsItsAxesValuesLimitsAndExtrapolation) {
  {
    ws::PropertyMap before(L"Curve", 2, 0);  // marks of items that must stay unwritten
    before.set(pm::YFirst, 99.0);
    before.set(pm::YLast, 98.0);
    before.set(pm::ExtraPolation, 3);
    before.set(pm::ActionProperty, 5);
  }
  loader_.load(parse("<Maps><Map><Name>Torque</Name>" + values("XValues", {"0", "10", "20"}) +
                     values("YValues", {"1", "2"}) +
                     values("ZValues", {"5", "6", "7", "8", "9", "-1.5e2"}) +
                     "<ZLowerLimit>-3.5</ZLowerLimit><ZUpperLimit>250</ZUpperLimit>"
                     "<ExtraPolation>True</ExtraPolation></Map><Map><Name>Curve</Name>" +
                     values("XValues", {"", "4"}) + values("ZValues", {"x"}) +
                     "<ExtraPolation>true</ExtraPolation></Map></Maps>"));
  EXPECT_EQ((std::vector<std::string>{"load: Preparing Property Maps",
                                      "load: Preparing Property Maps ready",
                                      "Function Preparing Maps"}),
            lines());
  EXPECT_EQ((Names{L"Curve", L"Torque"}), mapNames());
  EXPECT_EQ((std::vector<double>{0, 20, 1, 2, -3.5, 250, 1, 0}), items(L"Torque"));
  // Missing numbers read as 0; only "True" switches extrapolation on.
  EXPECT_EQ((std::vector<double>{0, 4, 99, 98, 0, 0, 3, 5}), items(L"Curve"));
  ws::PropertyMap map(L"Torque", 0, 0);
  EXPECT_EQ(1, ws::Workspace::getInstance()->getReferenceCount(map.getHandle()));
  EXPECT_EQ((std::vector<double>{0, 10, 20, 1, 2, 5, -150, 0}),
            (std::vector<double>{map.getXAchsisValue(0), map.getXAchsisValue(1),
                                 map.getXAchsisValue(2), map.getYAchsisValue(0),
                                 map.getYAchsisValue(1), map.getValue(0), map.getValue(5),
                                 ws::PropertyMap(L"Curve", 0, 0).getValue(0)}));
}

TEST_F(MapLoaderTest, OptionsNamingTheMapGetKeyedElementsFirstAndAllAreBound) {
  const pugi::xml_node md = parse(
      "<Maps><Map><Name>Bob's \"map\"</Name>" + values("XValues", {"1", "2"}) +
      "<XParameterName>Engine Speed</XParameterName><YParameterName>Load</YParameterName>"
      "</Map></Maps><Sequences><Sequence><Category>Cat</Category><Actions><Action><Name>Act"
      "</Name><Options><Option><Name>Opt</Name><Values><Value>Map:Bob's \"map\"</Value>"
      "<Value>Map:Bob's</Value></Values></Option></Options></Action></Actions></Sequence>"
      "</Sequences>"
      "<ActionGroupDatas><ActionGroupData><Name>D</Name><Actions><Action><Name>In</Name>"
      "<Options><Option><Name>Curve</Name><Values><Value>Map:Bob's \"map\"</Value></Values>"
      "</Option></Options></Action></Actions></ActionGroupData></ActionGroupDatas>"
      "<Sequences><Sequence><Category>Run</Category><Actions><ActionGroup><Name>G</Name>"
      "<ActionGroupData>D</ActionGroupData></ActionGroup></Actions></Sequence></Sequences>");
  loader_.load(md);
  const Names names = {L"_prop_Cat_Sequence/ActOpt_action_property",
                       L"_prop_Run_Sequence/G/InCurve_action_property", L"Bob's \"map\""};
  EXPECT_EQ(names, mapNames());

  lines();
  loader_.add_parameters(md);
  EXPECT_EQ((std::vector<std::string>{"add_parameters: Adding Parameters to Property Maps",
                                      "add_parameters: Adding Parameters to Property Maps ready",
                                      "Function Adding Parameter to Maps"}),
            lines());
  ws::Parameter speed(std::wstring(L"Engine Speed"));
  EXPECT_EQ(1, speed.get<int>(ws::parameter::Is_Active));
  for (const std::wstring& name : names) {
    SCOPED_TRACE(pugi::as_utf8(name));
    ws::PropertyMap map(name, 0, 0);
    EXPECT_EQ((std::vector<double>{1, 2, 0, 0, 0, 0, 0, name == names.back() ? 0.0 : 1.0}),
              items(name));
    EXPECT_EQ(speed.getHandle(), map.get<long long>(pm::XParameter));
    EXPECT_EQ(0LL, map.get<long long>(pm::YParameter));  // a Y name, but no Y values
  }
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Load", 0x400000));
}

TEST_F(MapLoaderTest, ErrorsEndTheLoadAfterTheMapsBeforeThem) {
  const std::string cycle =
      "<ActionGroupDatas><ActionGroupData><Name>D</Name><Actions><Action><Name>A</Name>"
      "<Options><Option><Name>O</Name><Values><Value>Map:M</Value></Values></Option></Options>"
      "</Action></Actions></ActionGroupData></ActionGroupDatas><ActionGroupSequences>"
      "<ActionGroupSequence><Name>Q</Name><Actions><ActionGroup><Name>R</Name>"
      "<ActionGroupData>D</ActionGroupData></ActionGroup></Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>R</Name><Actions><ActionGroup><Name>Q</Name></ActionGroup>"
      "</Actions></ActionGroupSequence></ActionGroupSequences>";
  EXPECT_THROW(loader_.load(parse("<Maps><Map><Name>First</Name></Map><Map><Name>M</Name>"
                                  "</Map></Maps>" + cycle)),
               tavik::ConfigException);
  EXPECT_EQ(Names{L"First"}, mapNames());
  // More z values than a 2 by 0 map holds: the workspace's own error.
  EXPECT_THROW(loader_.load(parse("<Maps><Map><Name>Z</Name>" + values("XValues", {"1", "2"}) +
                                  values("ZValues", {"1", "2", "3"}) + "</Map></Maps>")),
               WorkspaceException);
}

}  // namespace
