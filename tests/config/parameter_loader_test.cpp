// ParameterLoader against a real workspace, a real INI file and a real
// channel-mapping file on disk.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "CapturingSink.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/parameterloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
namespace gc = tavik::workspace::global_config;
namespace param = tavik::workspace::parameter;
using Strings = std::vector<std::string>;
using Handles = std::vector<long long>;

std::string category(const std::string& name, const std::string& parameters) {
  return "<ParameterType><Category>" + name + "</Category>" + parameters + "</ParameterType>";
}
std::string parameter(const std::string& name, const std::string& properties = "") {
  return "<Parameter><Name>" + name + "</Name>" + properties + "</Parameter>";
}
ws::Parameter named(const std::wstring& name) { return ws::Parameter(name); }
bool exists(const std::wstring& name) {
  return ws::Workspace::getInstance()->is_existing_element(name, ws::memory_area::kParameters);
}
// The wide-text items of a parameter, joined by "|".
std::wstring texts(const std::wstring& name, std::initializer_list<param::Property> items) {
  std::wstring out;
  for (param::Property item : items) out += L"|" + named(name).get<std::wstring>(item);
  return out.substr(1);
}
// Type, active flag, reference count and low log-flag word of a parameter.
Handles state(const std::wstring& name) {
  ws::Parameter p = named(name);
  return {p.get<int>(param::Category_Type), p.get<int>(param::Is_Active),
          ws::Workspace::getInstance()->getReferenceCount(p.getHandle()),
          p.get<long long>(param::Log_Flags_0)};
}

class ParameterLoaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<tavik_test::ScopedIni> makeIni(const std::string& items) {
    return std::make_unique<tavik_test::ScopedIni>(items +
                                                   "[paths]\nuser=" + user_.path().string());
  }
  void load(const std::string& parameters, const std::string& more = "") {
    ASSERT_TRUE(doc_.load_string(("<MeasurementDefinition>" + more + "<Parameters>" + parameters +
                                  "</Parameters></MeasurementDefinition>")
                                     .c_str()));
    md_ = doc_.child("MeasurementDefinition");
    formulas_.load(md_);
    loader_.setFormuaLoader(&formulas_);
    loader_.load(&md_);
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedTempDir user_;
  std::unique_ptr<tavik_test::ScopedIni> ini_ = makeIni("ECU_SWITCH_ON=2.5\nECU_SWITCH_OFF=-1\n");
  pugi::xml_document doc_;
  pugi::xml_node md_;
  FormuaLoader formulas_;
  tavik::ParameterLoader loader_;
};

TEST_F(ParameterLoaderTest, CategoriesLoadInTheirOrderWithTypeFlagsAndActivation) {
  tavik_test::CapturingSink sink;
  load(category("Invisible", parameter("V")) + category("InternalVar", parameter("I")) +
       category("Other", parameter("X")) + category("Measurement", parameter("M")) +
       category("OperatingPoint", parameter("OP")) +
       category("SetParameter", parameter("S1") + parameter("S2")) +
       category("SetParameter", parameter("S3")));
  EXPECT_EQ((Strings{"Loading Set Parameters", "Loading Operating Point Parameters",
                     "Loading Measurement Parameters", "Loading Internal Parameters",
                     "Loading Invisible Parameters"}),
            sink.messages(INFO.value));
  // Only the first ParameterType of a category counts; others are not loaded.
  Handles handles;
  ws::Workspace::getInstance()->getAllElementsOfType(2, handles, ws::memory_area::kParameters);
  Handles expected_order;
  for (const wchar_t* name : {L"Result", L"S1", L"S2", L"OP", L"M", L"I", L"V"})
    expected_order.push_back(named(name).getHandle());
  EXPECT_EQ(expected_order, handles);
  EXPECT_EQ((Handles{2, 0, 1, 0x80 + 0x100 + 0x400 + 0x2000 + 0x10000}), state(L"S1"));
  EXPECT_EQ((Handles{1, 1, 1, 0x100 + 0x400}), state(L"OP"));
  EXPECT_EQ((Handles{3, 0, 1, 0x100 + 0x2000 + 0x10000}), state(L"M"));
  EXPECT_EQ((Handles{4, 0, 1, 0x400}), state(L"I"));
  EXPECT_EQ((Handles{5, 0, 1, 0x80 + 0x100}), state(L"V"));
  EXPECT_TRUE(loader_.hasOperatingPointParameters());
  ws::GlobalConfig global;
  EXPECT_EQ(L"Step 2/4: Loading Parameters: Invisible", global.get<std::wstring>(gc::StatusText));
  EXPECT_EQ(1, global.get<int>(gc::ProgressTotal));
  EXPECT_EQ(1, global.get<int>(gc::ProgressCurrent));

  load("");
  EXPECT_FALSE(loader_.hasOperatingPointParameters());
  EXPECT_EQ(0, global.get<int>(gc::ProgressTotal));
}

TEST_F(ParameterLoaderTest, DerivesSplitsFullChannelNamesSwitchValuesAndTypeTexts) {
  named(L"P3").set(param::Set_Suffix, std::wstring(L"keep"));
  named(L"P3").set(param::Set_TypeText, std::string("old"));
  named(L"P3").set(param::Get_TypeText, std::string("old"));
  load(category("Measurement",
                parameter("P1",
                          "<Set_ChannelName>SC</Set_ChannelName><Set_Type>1</Set_Type>"
                          "<Set_DeviceName>Dev;A;B</Set_DeviceName><Get_Type>2</Get_Type>"
                          "<Get_ChannelName>GC</Get_ChannelName><Get_DeviceName>GDev"
                          "</Get_DeviceName>") +
                    parameter("P2",
                              "<Get_ChannelName>GC2</Get_ChannelName><Get_DeviceName>x;"
                              "</Get_DeviceName>") +
                    parameter("P3",
                              "<Set_ChannelName>S3</Set_ChannelName><Set_Type>2</Set_Type>"
                              "<Get_Type>1</Get_Type>")));
  const std::initializer_list<param::Property> items = {
      param::Set_DeviceName, param::Set_Suffix, param::Set_FullChannelName,
      param::Get_DeviceName, param::Get_Suffix, param::Get_FullChannelName};
  EXPECT_EQ(L"Dev;A|B|SCB|GDev||GC", texts(L"P1", items));
  EXPECT_EQ(L"x||GC2",
            texts(L"P2", {param::Get_DeviceName, param::Get_Suffix, param::Get_FullChannelName}));
  EXPECT_EQ(L"|keep|S3",
            texts(L"P3", {param::Set_DeviceName, param::Set_Suffix, param::Set_FullChannelName}));
  const auto typeTexts = [](const wchar_t* name) {
    return named(name).get<std::string>(param::Set_TypeText) + "|" +
           named(name).get<std::string>(param::Get_TypeText);
  };
  EXPECT_EQ("Map|Signal", typeTexts(L"P1"));
  EXPECT_EQ("Parameter|Parameter", typeTexts(L"P2"));
  EXPECT_EQ("old|old", typeTexts(L"P3"));
  EXPECT_EQ(2.5, named(L"P1").get<double>(param::ECU_Switch_On));
  EXPECT_EQ(-1.0, named(L"P1").get<double>(param::ECU_Switch_Off));
  EXPECT_EQ(0, named(L"P2").get<int>(param::Has_Request_Parameter));
  EXPECT_EQ(0, named(L"P2").get<long long>(param::Request_Parameter));
}

TEST_F(ParameterLoaderTest, RequestChannelCreatesTheCompanionParameter) {
  load(category("Measurement", parameter("Q",
                                         "<Set_DeviceName>Dev;Sfx</Set_DeviceName>"
                                         "<Request_ChannelName>REQ</Request_ChannelName>")));
  ws::Parameter q = named(L"Q"), request = named(L"Q_Request_Parameter");
  EXPECT_EQ(1, q.get<int>(param::Has_Request_Parameter));
  EXPECT_EQ(request.getHandle(), q.get<long long>(param::Request_Parameter));
  EXPECT_EQ(L"REQ|Dev|Sfx",
            texts(L"Q_Request_Parameter",
                  {param::Set_ChannelName, param::Set_DeviceName, param::Set_Suffix}));
  EXPECT_EQ((Handles{7, 0, 1, 0x80}), state(L"Q_Request_Parameter"));
  EXPECT_EQ(0, request.get<int>(param::Set_Type));
  for (param::Property item : {param::Request_Switch_Off, param::Set_Value, param::Value})
    EXPECT_EQ(-1.0, request.get<double>(item)) << item;
}

TEST_F(ParameterLoaderTest, NNNameOrAbortRequestEndsTheLoadAndEarlierParametersStay) {
  try {
    load(category("SetParameter", "<Parameter><Unit>x</Unit></Parameter>" + parameter("A") +
                                      parameter("NN") + parameter("B")));
    ADD_FAILURE() << "no ConfigException";
  } catch (const tavik::ConfigException& e) {
    EXPECT_STREQ("Error parsing parameter. ParameterName is missing in config", e.what());
  }
  EXPECT_TRUE(exists(L"") && exists(L"A"));  // no Name element: the empty name
  EXPECT_FALSE(exists(L"NN") || exists(L"B"));

  ws::GlobalConfig global;
  global.set(gc::AbortRequest, 1);
  try {
    load(category("SetParameter", parameter("C") + parameter("D")));
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_TRUE(typeid(e) == typeid(std::exception)) << typeid(e).name();
  }
  EXPECT_EQ(2, global.get<int>(gc::ProgressTotal));
  EXPECT_EQ(1, global.get<int>(gc::ProgressCurrent));
  EXPECT_FALSE(exists(L"C"));
}

TEST_F(ParameterLoaderTest, IniSwitchesAreReadAgainAtEveryLoad) {
  const std::string demands = "<Demand_Value>5</Demand_Value><Demand_Value_3>7</Demand_Value_3>";
  load(category("Measurement", parameter("Kept", demands)));
  EXPECT_EQ(7.0, named(L"Kept").get<double>(param::Demand_Value_3));
  EXPECT_EQ(0, named(L"Kept").get<int>(param::Is_Active));
  ini_.reset();
  ini_ = makeIni("initialize_demand_values_0=1\ntransfer_inactive_parameters=1\n");
  load(category("Measurement", parameter("Zeroed", demands)));
  EXPECT_EQ(0.0, named(L"Zeroed").get<double>(param::Demand_Value));
  for (unsigned int item = param::Demand_Value_1; item <= param::Demand_Value_10; item += 16)
    EXPECT_EQ(0.0, named(L"Zeroed").get<double>(item)) << item;
  EXPECT_EQ(1, named(L"Zeroed").get<int>(param::Is_Active));
}

TEST_F(ParameterLoaderTest, ChannelMappingRenamesOnlyChannelNames) {
  tavik_test::CapturingSink sink;
  const std::string channels =
      "<Set_ChannelName>Ch1</Set_ChannelName><Get_ChannelName>Sec.Ch2</Get_ChannelName>";
  load(category("Measurement", parameter("Before", channels)));
  user_.write("Settings/MA/channel_mapping.aka",
              "Ch1=Alias1\nKanal_\xC3\xA4=Alias_\xC3\xBC\n[Sec]\nCh2=Alias2\n");
  load(category("Measurement", parameter("Ch1", channels + "<Unit>Ch1</Unit>") +
                                   parameter("Empty",
                                             "<Set_ChannelName></Set_ChannelName>"
                                             "<Get_ChannelName>Kanal_\xC3\xA4</Get_ChannelName>")));
  // A broken file leaves the mapping read before as it was.
  user_.write("Settings/MA/channel_mapping.aka", "[Sec\nCh1=Other\n");
  load(category("Measurement", parameter("Again", "<Set_ChannelName>Ch1</Set_ChannelName>")));

  Strings lines;
  for (const g3::LogRecord& r : sink.records())
    if (r.level_value == INFO.value && r.message.compare(0, 8, "Loading ") != 0)
      lines.push_back(r.function + ": " + r.message);
  EXPECT_EQ((Strings{"load: System channel mapping file found. Channel mapping activated",
                     "get_alias_name: Found alias name for %Ch1 -> Alias1",
                     "get_alias_name: Found alias name for %Sec.Ch2 -> Alias2",
                     "get_alias_name: Found alias name for %Kanal_\xC3\xA4 -> Alias_\xC3\xBC",
                     "get_alias_name: Found alias name for %Ch1 -> Alias1"}),
            lines);
  const std::initializer_list<param::Property> items = {
      param::Set_ChannelName, param::Get_ChannelName, param::Unit, param::ParameterName};
  EXPECT_EQ(L"Ch1|Sec.Ch2||Before", texts(L"Before", items));
  EXPECT_EQ(L"Alias1|Alias2|Ch1|Ch1", texts(L"Ch1", items));
  EXPECT_EQ(L"|Alias_\u00fc", texts(L"Empty", {param::Set_ChannelName, param::Get_ChannelName}));
}

// A formula record as "name|setter|variable|target|expression|bound|minmax|min|max".
std::wstring describe(const FormulaEntry& e) {
  return e.name + L"|" + e.setter + L"|" + e.variable + L"|" + e.target + L"|" + e.expression +
         L"|" + std::to_wstring(e.parameter_bound) + std::to_wstring(e.use_min_max) + L"|" +
         std::to_wstring(static_cast<int>(e.min)) + L"|" + std::to_wstring(static_cast<int>(e.max));
}

TEST_F(ParameterLoaderTest, FormulaMapAndPlainValuesOfProperties) {
  load(category("SetParameter",
                parameter("Engine Speed-1",
                          "<Set_ChannelName>Formula:F</Set_ChannelName>"
                          "<Get_ChannelName>Formula:F</Get_ChannelName>") +
                    parameter("Oil",
                              "<Max>Formula:T</Max><Min>Map:Torque</Min><Unit>Formula:"
                              "Nope</Unit><Description>xMap:y</Description>")),
       "<CalculationFormulas><CalculationFormula><Name>F</Name><Formula>&lt;Engine Speed&gt;"
       ".Value * 2</Formula><UseMinMaxFlag>true</UseMinMaxFlag><Min>0</Min><Max>500</Max>"
       "</CalculationFormula><CalculationFormula><Name>T</Name><Formula>&lt;ThisParameter&gt;"
       ".Value + 1</Formula></CalculationFormula></CalculationFormulas>");
  EXPECT_EQ(L"|Formula:F",
            texts(L"Engine Speed-1", {param::Set_ChannelName, param::Get_ChannelName}));
  EXPECT_EQ(L"Torque", named(L"Oil").get_map(L"Min"));
  EXPECT_EQ(L"|xMap:y", texts(L"Oil", {param::Unit, param::Description}));

  const std::vector<FormulaEntry>& uses = formulas_.get_formula_uses();
  ASSERT_EQ(3u, uses.size());
  const std::wstring speed =
      L"Engine_Speed01|Engine Speed-1|self.Engine_Speed.get(Parameter."
      L"Property.Value) * 2|11|0|500";
  EXPECT_EQ(L"F|Engine_Speed01.set(Parameter.Property.Set_ChannelName, |" + speed,
            describe(uses[0]));
  EXPECT_EQ(L"F|Engine_Speed01.set(Parameter.Property.Get_FBValue, |" + speed, describe(uses[1]));
  EXPECT_EQ(
      L"|Oil.set(Parameter.Property.Max, |Oil|Oil|self.Oil.get(Parameter.Property.Value) + 1"
      L"|10|1|100",
      describe(uses[2]));
  const std::vector<FormulaEntry>& definitions = formulas_.get_formulas();
  EXPECT_EQ(L"Engine_Speed01.set(Parameter.Property.Get_FBValue, ", definitions[0].setter);
  EXPECT_EQ(L"Oil", definitions[1].target);
}

TEST_F(ParameterLoaderTest, CategoryIsComparedAsALiteral) {
  load(category("It's", parameter("Q1")) + category("SetParameter", parameter("S")));
  auto quoted = loader_.getParameterIterator(L"It's");
  ASSERT_EQ(1, std::distance(quoted.begin(), quoted.end()));
  EXPECT_STREQ("Q1", quoted.begin()->child_value("Name"));
  auto injected = loader_.getParameterIterator(L"x' or '1'='1");
  EXPECT_EQ(0, std::distance(injected.begin(), injected.end()));
}

void setName(const std::wstring& name, const std::wstring& channel, const std::wstring& device) {
  named(name).set(param::Set_ChannelName, channel);
  named(name).set(param::Set_DeviceName, device);
}

TEST_F(ParameterLoaderTest, SetNameLinksJoinEveryWorkspaceParameterOfTheSamePair) {
  setName(L"Old", L"CH", L"Dev");
  const std::string set = "<Set_ChannelName>CH</Set_ChannelName><Set_DeviceName>";
  load(category("SetParameter", parameter("A", set + "Dev</Set_DeviceName>") +
                                    parameter("B", set + "Dev</Set_DeviceName>") +
                                    parameter("C", set + "Other</Set_DeviceName>")));
  const long long old = named(L"Old").getHandle(), a = named(L"A").getHandle();
  EXPECT_EQ((Handles{old, named(L"B").getHandle()}), named(L"A").getSameSetNameParameters());
  EXPECT_EQ((Handles{old, a}), named(L"B").getSameSetNameParameters());
  EXPECT_TRUE(named(L"C").getSameSetNameParameters().empty());
}

TEST_F(ParameterLoaderTest, SetNameLinksOfALargeWorkspaceMatchThePairwiseComparison) {
  std::mt19937 random(42);
  std::vector<std::wstring> pairs;
  Handles handles;
  for (int i = 0; i < 2000; ++i) {
    const std::wstring channel = L"CH" + std::to_wstring(random() % 300);
    const std::wstring device = random() % 5 == 0 ? L"" : L"Dev" + std::to_wstring(random() % 2);
    pairs.push_back(device.empty() ? L"" : channel + L"|" + device);
    setName(L"P" + std::to_wstring(i), channel, device);
    handles.push_back(named(L"P" + std::to_wstring(i)).getHandle());
  }
  loader_.manage_set_names();
  std::size_t linked = 0;
  for (std::size_t a = 0; a < pairs.size(); ++a) {
    Handles expected;
    for (std::size_t b = 0; b < pairs.size(); ++b)
      if (b != a && !pairs[a].empty() && pairs[b] == pairs[a]) expected.push_back(handles[b]);
    ASSERT_EQ(expected, ws::Parameter(handles[a]).getSameSetNameParameters()) << a;
    linked += expected.size();
  }
  EXPECT_GT(linked, 2000u);
}

}  // namespace
