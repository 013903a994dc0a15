// The map loader against a real workspace segment: which map elements a
// configuration gives, what each holds, and how the axis parameters bind.
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

std::string mapXml(const std::string& name, const std::string& body) {
  return "<Map><Name>" + name + "</Name>" + body + "</Map>";
}

std::string values(const char* axis, const std::vector<std::string>& numbers) {
  std::string xml = std::string("<") + axis + ">";
  for (const std::string& n : numbers) xml += "<Value>" + n + "</Value>";
  return xml + "</" + axis + ">";
}

// A sequence of category `category` whose action `action` has the option
// `option` with the value `value`.
std::string sequenceOption(const std::string& category, const std::string& action,
                           const std::string& option, const std::string& value) {
  return "<Sequence><Category>" + category + "</Category><Actions><Action><Name>" + action +
         "</Name><Options><Option><Name>" + option + "</Name><Values><Value>" + value +
         "</Value></Values></Option></Options></Action></Actions></Sequence>";
}

class MapLoaderTest : public ::testing::Test {
 protected:
  pugi::xml_node parse(const std::string& body) {
    const std::string xml = "<MeasurementDefinition>" + body + "</MeasurementDefinition>";
    EXPECT_TRUE(doc_.load_string(xml.c_str()));
    return doc_.document_element();
  }

  // Names of the map elements in creation order.
  std::vector<std::wstring> mapNames() {
    std::vector<long long> handles;
    ws::Workspace::getInstance()->getAllElementsOfType(9, handles, 0x300000);
    std::vector<std::wstring> names;
    for (long long handle : handles) {
      std::wstring name;
      ws::PropertyMap(handle).getName(name);
      names.push_back(name);
    }
    return names;
  }

  std::vector<std::string> lines(const tavik_test::CapturingSink& sink) {
    std::vector<std::string> out;
    for (const auto& r : sink.records()) {
      if (r.level_value == INFO.value) out.push_back(r.function + ": " + r.message);
      if (r.level_value == TIMING.value)
        out.push_back(r.message.substr(0, r.message.find("took") + 4));
    }
    return out;
  }

  tavik_test::ScopedWorkspace workspace_;
  pugi::xml_document doc_;
  tavik::MapLoader loader_;
};

TEST_F(MapLoaderTest, AMapHoldsItsAxesValuesLimitsAndExtrapolation) {
  const pugi::xml_node md = parse(
      "<Maps>" +
      mapXml("Torque", values("XValues", {"0", "10", "20"}) + values("YValues", {"1", "2"}) +
                           values("ZValues", {"5", "6", "7", "8", "9", "-1.5e2"}) +
                           "<ZLowerLimit>-3.5</ZLowerLimit><ZUpperLimit>250</ZUpperLimit>"
                           "<ExtraPolation>True</ExtraPolation>") +
      "</Maps>");
  tavik_test::CapturingSink sink;
  loader_.load(md);

  EXPECT_EQ((std::vector<std::string>{"load: Preparing Property Maps",
                                      "load: Preparing Property Maps ready",
                                      "Function Preparing Mapstook"}),
            lines(sink));
  ASSERT_EQ(std::vector<std::wstring>{L"Torque"}, mapNames());
  ws::PropertyMap map(L"Torque", 0, 0);
  EXPECT_EQ(1, ws::Workspace::getInstance()->getReferenceCount(map.getHandle()));
  EXPECT_EQ(0.0, map.get<double>(pm::XFirst));
  EXPECT_EQ(20.0, map.get<double>(pm::XLast));
  EXPECT_EQ(1.0, map.get<double>(pm::YFirst));
  EXPECT_EQ(2.0, map.get<double>(pm::YLast));
  EXPECT_EQ(-3.5, map.get<double>(pm::ZLowerLimit));
  EXPECT_EQ(250.0, map.get<double>(pm::ZUpperLimit));
  EXPECT_EQ(1, map.get<int>(pm::ExtraPolation));
  EXPECT_EQ(0, map.get<int>(pm::ActionProperty));  // not an option's map
  // Each value at its index: the axes and the z values went to their own calls.
  EXPECT_EQ((std::vector<double>{0, 10, 20}),
            (std::vector<double>{map.getXAchsisValue(0), map.getXAchsisValue(1),
                                 map.getXAchsisValue(2)}));
  EXPECT_EQ(1.0, map.getYAchsisValue(0));
  EXPECT_EQ(2.0, map.getYAchsisValue(1));
  EXPECT_EQ(5.0, map.getValue(0));
  EXPECT_EQ(-150.0, map.getValue(5));
}

TEST_F(MapLoaderTest, MissingTextsReadAsZeroAndAnEmptyAxisWritesNothing) {
  {
    // Marks in the items an empty axis must leave alone.
    ws::PropertyMap before(L"Curve", 2, 0);
    before.set(pm::YFirst, 99.0);
    before.set(pm::YLast, 98.0);
  }
  loader_.load(parse("<Maps>" +
                     mapXml("Curve", values("XValues", {"", "4"}) + values("ZValues", {"x"}) +
                                         "<ExtraPolation>true</ExtraPolation>") +
                     mapXml("Bare", "") + "</Maps>"));
  ws::PropertyMap curve(L"Curve", 0, 0);
  EXPECT_EQ(0.0, curve.get<double>(pm::XFirst));
  EXPECT_EQ(4.0, curve.get<double>(pm::XLast));
  EXPECT_EQ(99.0, curve.get<double>(pm::YFirst));
  EXPECT_EQ(98.0, curve.get<double>(pm::YLast));
  EXPECT_EQ(0, curve.get<int>(pm::ExtraPolation));  // only "True" switches it on
  EXPECT_EQ(0.0, curve.getValue(0));

  ws::PropertyMap bare(L"Bare", 0, 0);
  EXPECT_EQ(0u, bare.getXCount());
  EXPECT_EQ(0u, bare.getValueCount());
}

TEST_F(MapLoaderTest, OptionsNamingTheMapGetKeyedElementsFirstAndAllAreBound) {
  const std::string xml =
      "<Maps>" +
      mapXml("Lambda", values("XValues", {"1", "2"}) +
                           "<XParameterName>Engine Speed</XParameterName>"
                           "<YParameterName>Load</YParameterName>") +
      "</Maps><Sequences>" + sequenceOption("Cat", "Act", "Opt", "Map:Lambda") +
      sequenceOption("Other", "Act", "Opt", "Map:Lambdas") + "</Sequences>"
      "<ActionGroupDatas><ActionGroupData><Name>D</Name><Actions><Action><Name>In</Name>"
      "<Options><Option><Name>Curve</Name><Values><Value>Map:Lambda</Value></Values></Option>"
      "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>"
      "<Sequences><Sequence><Category>Run</Category><Actions><ActionGroup><Name>G</Name>"
      "<ActionGroupData>D</ActionGroupData></ActionGroup></Actions></Sequence></Sequences>";
  const pugi::xml_node md = parse(xml);
  loader_.load(md);

  const std::vector<std::wstring> names = {L"_prop_Cat_Sequence/ActOpt_action_property",
                                           L"_prop_Run_Sequence/G/InCurve_action_property",
                                           L"Lambda"};
  EXPECT_EQ(names, mapNames());
  for (const std::wstring& name : names) {
    ws::PropertyMap map(name, 0, 0);
    EXPECT_EQ(name == L"Lambda" ? 0 : 1, map.get<int>(pm::ActionProperty));
    EXPECT_EQ(2.0, map.getXAchsisValue(1));
  }

  tavik_test::CapturingSink sink;
  loader_.add_parameters(md);
  EXPECT_EQ((std::vector<std::string>{"add_parameters: Adding Parameters to Property Maps",
                                      "add_parameters: Adding Parameters to Property Maps ready",
                                      "Function Adding Parameter to Mapstook"}),
            lines(sink));
  ws::Parameter speed(std::wstring(L"Engine Speed"));
  EXPECT_EQ(1, speed.get<int>(ws::parameter::Is_Active));
  for (const std::wstring& name : names) {
    ws::PropertyMap map(name, 0, 0);
    EXPECT_EQ(speed.getHandle(), map.get<long long>(pm::XParameter));
    // The Y parameter is named, but the map has no Y values: no binding.
    EXPECT_EQ(0LL, map.get<long long>(pm::YParameter));
  }
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Load", 0x400000));
}

TEST_F(MapLoaderTest, NamesAreLiteralTextsAndCyclesAreRefused) {
  loader_.load(parse("<Maps>" + mapXml("Bob's \"map\"", values("XValues", {"3"})) +
                     "</Maps><Sequences>" +
                     sequenceOption("C", "A", "O", "Map:Bob's \"map\"") + "</Sequences>"));
  EXPECT_EQ((std::vector<std::wstring>{L"_prop_C_Sequence/AO_action_property",
                                       L"Bob's \"map\""}),
            mapNames());

  const std::string cycle =
      "<Maps>" + mapXml("M", "") +
      "</Maps><ActionGroupDatas><ActionGroupData><Name>D</Name><Actions><Action><Name>A</Name>"
      "<Options><Option><Name>O</Name><Values><Value>Map:M</Value></Values></Option></Options>"
      "</Action></Actions></ActionGroupData></ActionGroupDatas><ActionGroupSequences>"
      "<ActionGroupSequence><Name>Q</Name><Actions><ActionGroup><Name>R</Name>"
      "<ActionGroupData>D</ActionGroupData></ActionGroup></Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>R</Name><Actions><ActionGroup><Name>Q</Name></ActionGroup>"
      "</Actions></ActionGroupSequence></ActionGroupSequences>";
  tavik::MapLoader loader;
  try {
    loader.load(parse(cycle));
    FAIL() << "a cycle of group bodies must end the load";
  } catch (const tavik::ConfigException& e) {
    EXPECT_STREQ("Action group bodies place each other in a cycle: R", e.what());
  }
}

TEST_F(MapLoaderTest, WorkspaceRefusalsReachTheCallerUnchanged) {
  const auto message = [&](const std::string& maps) -> std::string {
    try {
      loader_.load(parse("<Maps>" + maps + "</Maps>"));
    } catch (const WorkspaceException& e) {
      return e.twhat();
    }
    return "no exception";
  };
  EXPECT_EQ("addValue: index 2 is out of range for property map Z, which has 2 values",
            message(mapXml("Z", values("XValues", {"1", "2"}) +
                                    values("ZValues", {"1", "2", "3"}))));
}

}  // namespace
