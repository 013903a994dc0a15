// ParameterLoader against a real workspace, a real INI file and a real
// channel-mapping file on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/parameterloader.h"
#include "TavikEngine/LogLevels.h"
#include "wideint/LogFlags.h"
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

std::string category(const std::string& name, const std::string& parameters) {
  return "<ParameterType><Category>" + name + "</Category>" + parameters + "</ParameterType>";
}

std::string parameter(const std::string& name, const std::string& properties = "") {
  return "<Parameter><Name>" + name + "</Name>" + properties + "</Parameter>";
}

bool exists(const std::wstring& name) {
  return ws::Workspace::getInstance()->is_existing_element(name, ws::memory_area::kParameters);
}

std::wstring nameAt(long long handle) {
  std::wstring name;
  ws::Parameter(handle).getName(name);
  return name;
}

// INFO lines other than the category lines.
Strings infoLines(const tavik_test::CapturingSink& sink) {
  Strings lines;
  for (const std::string& line : sink.messages(INFO.value))
    if (line.compare(0, 8, "Loading ") != 0) lines.push_back(line);
  return lines;
}

class ParameterLoaderTest : public ::testing::Test {
 protected:
  std::string iniText(const std::string& items) {
    return items + "[paths]\nuser=" + user_.path().string() + "\n";
  }
  void setIni(const std::string& items) {
    ini_.reset();
    ini_ = std::make_unique<tavik_test::ScopedIni>(iniText(items));
  }
  void writeMapping(const std::string& text) {
    user_.write("Settings/MA/channel_mapping.aka", text);
  }
  // Loads <Parameters> with this content (plus optional other sections).
  void load(const std::string& parameters, const std::string& more = "") {
    const std::string xml = "<MeasurementDefinition>" + more + "<Parameters>" + parameters +
                            "</Parameters></MeasurementDefinition>";
    ASSERT_TRUE(doc_.load_string(xml.c_str()));
    md_ = doc_.child("MeasurementDefinition");
    formulas_.load(md_);
    loader_.setFormuaLoader(&formulas_);
    loader_.load(&md_);
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedTempDir user_;
  std::unique_ptr<tavik_test::ScopedIni> ini_ =
      std::make_unique<tavik_test::ScopedIni>(iniText("ECU_SWITCH_ON=2.5\nECU_SWITCH_OFF=-1\n"));
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
  std::vector<long long> handles;
  ws::Workspace::getInstance()->getAllElementsOfType(2, handles, ws::memory_area::kParameters);
  std::vector<std::wstring> order;
  for (long long h : handles) order.push_back(nameAt(h));
  // Only the first ParameterType of a category counts; unknown categories are not loaded.
  EXPECT_EQ((std::vector<std::wstring>{L"Result", L"S1", L"S2", L"OP", L"M", L"I", L"V"}), order);

  struct Expected {
    const wchar_t* name;
    int type;
    uint256_t flags;
    int active;
  };
  const Expected expected[] = {
      {L"S1", 2, uint256_t(0x80 + 0x100 + 0x400 + 0x2000 + 0x10000), 0},
      {L"OP", 1, uint256_t(0x100 + 0x400), 1},
      {L"M", 3, uint256_t(0x100 + 0x2000 + 0x10000), 0},
      {L"I", 4, uint256_t(0x400), 0},
      {L"V", 5, uint256_t(0x80 + 0x100), 0},
  };
  for (const Expected& e : expected) {
    ws::Parameter p{std::wstring(e.name)};
    EXPECT_EQ(e.type, p.get<int>(param::Category_Type)) << e.name;
    EXPECT_TRUE(p.getLogFlags() == e.flags) << e.name;
    EXPECT_EQ(e.active, p.get<int>(param::Is_Active)) << e.name;
    EXPECT_EQ(1, ws::Workspace::getInstance()->getReferenceCount(p.getHandle())) << e.name;
  }
  EXPECT_TRUE(loader_.hasOperatingPointParameters());
  ws::GlobalConfig global;
  EXPECT_EQ(L"Step 2/4: Loading Parameters: Invisible", global.get<std::wstring>(gc::StatusText));
  EXPECT_EQ(1, global.get<int>(gc::ProgressTotal));
  EXPECT_EQ(1, global.get<int>(gc::ProgressCurrent));

  // A configuration without Parameters: every category is empty.
  load("");
  EXPECT_FALSE(loader_.hasOperatingPointParameters());
  EXPECT_EQ(0, global.get<int>(gc::ProgressTotal));
  EXPECT_EQ(0, global.get<int>(gc::ProgressCurrent));
}

TEST_F(ParameterLoaderTest, SplitsFullChannelNamesSwitchValuesAndTypeTexts) {
  {
    ws::Parameter keep{std::wstring(L"P3")};
    keep.set(param::Set_Suffix, std::wstring(L"keep"));
    keep.set(param::Set_TypeText, std::string("old"));
    keep.set(param::Get_TypeText, std::string("old"));
  }
  load(category("Measurement",
                parameter("P1",
                          "<Set_ChannelName>SC</Set_ChannelName><Set_DeviceName>Dev;A;B"
                          "</Set_DeviceName><Get_ChannelName>GC</Get_ChannelName>"
                          "<Get_DeviceName>GDev</Get_DeviceName><Set_Type>1</Set_Type>"
                          "<Get_Type>2</Get_Type><Unit>bar</Unit>") +
                    parameter("P2", "<Get_ChannelName>GC2</Get_ChannelName>"
                                    "<Get_DeviceName>x;</Get_DeviceName>") +
                    parameter("P3", "<Set_ChannelName>S3</Set_ChannelName>"
                                    "<Set_DeviceName>D3</Set_DeviceName><Set_Type>2</Set_Type>"
                                    "<Get_Type>1</Get_Type>")));

  ws::Parameter p1{std::wstring(L"P1")};
  EXPECT_EQ(L"P1", p1.get<std::wstring>(param::ParameterName));
  EXPECT_EQ(L"Dev;A", p1.get<std::wstring>(param::Set_DeviceName));
  EXPECT_EQ(L"B", p1.get<std::wstring>(param::Set_Suffix));
  EXPECT_EQ(L"SCB", p1.get<std::wstring>(param::Set_FullChannelName));
  EXPECT_EQ(L"GDev", p1.get<std::wstring>(param::Get_DeviceName));
  EXPECT_EQ(L"", p1.get<std::wstring>(param::Get_Suffix));
  EXPECT_EQ(L"GC", p1.get<std::wstring>(param::Get_FullChannelName));
  EXPECT_EQ("Map", p1.get<std::string>(param::Set_TypeText));
  EXPECT_EQ("Signal", p1.get<std::string>(param::Get_TypeText));
  EXPECT_EQ(L"bar", p1.get<std::wstring>(param::Unit));
  EXPECT_EQ(2.5, p1.get<double>(param::ECU_Switch_On));
  EXPECT_EQ(-1.0, p1.get<double>(param::ECU_Switch_Off));

  ws::Parameter p2{std::wstring(L"P2")};
  EXPECT_EQ(L"x", p2.get<std::wstring>(param::Get_DeviceName));
  EXPECT_EQ(L"", p2.get<std::wstring>(param::Get_Suffix));
  EXPECT_EQ(L"GC2", p2.get<std::wstring>(param::Get_FullChannelName));
  EXPECT_EQ("Parameter", p2.get<std::string>(param::Set_TypeText));
  EXPECT_EQ("Parameter", p2.get<std::string>(param::Get_TypeText));
  EXPECT_EQ(0, p2.get<int>(param::Has_Request_Parameter));
  EXPECT_EQ(0, p2.get<long long>(param::Request_Parameter));

  // No ";": the set suffix is not touched. Types 2 and 1 leave the texts alone.
  ws::Parameter p3{std::wstring(L"P3")};
  EXPECT_EQ(L"keep", p3.get<std::wstring>(param::Set_Suffix));
  EXPECT_EQ(L"S3", p3.get<std::wstring>(param::Set_FullChannelName));
  EXPECT_EQ("old", p3.get<std::string>(param::Set_TypeText));
  EXPECT_EQ("old", p3.get<std::string>(param::Get_TypeText));
  EXPECT_FALSE(exists(L"P2_Request_Parameter"));
}

TEST_F(ParameterLoaderTest, RequestChannelCreatesTheCompanionParameter) {
  load(category("Measurement",
                parameter("Q", "<Set_DeviceName>Dev;Sfx</Set_DeviceName>"
                               "<Request_ChannelName>REQ</Request_ChannelName>")));
  ws::Parameter q{std::wstring(L"Q")};
  ws::Parameter request{std::wstring(L"Q_Request_Parameter")};
  EXPECT_EQ(1, q.get<int>(param::Has_Request_Parameter));
  EXPECT_EQ(request.getHandle(), q.get<long long>(param::Request_Parameter));
  EXPECT_EQ(3, q.get<int>(param::Category_Type));
  EXPECT_EQ(L"REQ", request.get<std::wstring>(param::Set_ChannelName));
  EXPECT_EQ(L"Dev", request.get<std::wstring>(param::Set_DeviceName));
  EXPECT_EQ(L"Sfx", request.get<std::wstring>(param::Set_Suffix));
  EXPECT_EQ(0, request.get<int>(param::Set_Type));
  EXPECT_EQ(-1.0, request.get<double>(param::Request_Switch_Off));
  EXPECT_EQ(-1.0, request.get<double>(param::Set_Value));
  EXPECT_EQ(-1.0, request.get<double>(param::Value));
  EXPECT_EQ(7, request.get<int>(param::Category_Type));
  EXPECT_TRUE(request.getLogFlags() == LOG_FLAG_7);
  EXPECT_EQ(1, ws::Workspace::getInstance()->getReferenceCount(request.getHandle()));
}

TEST_F(ParameterLoaderTest, NNNameFailsTheLoadAndEarlierParametersStay) {
  try {
    load(category("SetParameter", "<Parameter><Unit>x</Unit></Parameter>" + parameter("A") +
                                      parameter("NN") + parameter("B")));
    FAIL() << "no ConfigException";
  } catch (const tavik::ConfigException& e) {
    EXPECT_STREQ("Error parsing parameter. ParameterName is missing in config", e.what());
  }
  EXPECT_TRUE(exists(L""));  // no Name element: the empty name
  EXPECT_TRUE(exists(L"A"));
  EXPECT_FALSE(exists(L"NN"));
  EXPECT_FALSE(exists(L"B"));
}

TEST_F(ParameterLoaderTest, AbortRequestBeforeTheFirstParameterEndsTheLoad) {
  ws::GlobalConfig global;
  global.set(gc::AbortRequest, 1);
  bool plain_exception = false;
  try {
    load(category("SetParameter", parameter("A") + parameter("B")));
  } catch (const tavik::ConfigException&) {
  } catch (const std::exception&) {
    plain_exception = true;
  }
  EXPECT_TRUE(plain_exception);
  EXPECT_EQ(2, global.get<int>(gc::ProgressTotal));
  EXPECT_EQ(1, global.get<int>(gc::ProgressCurrent));
  EXPECT_FALSE(exists(L"A"));
}

TEST_F(ParameterLoaderTest, IniSwitchesAreReadAgainAtEveryLoad) {
  const std::string demands =
      "<Demand_Value>5</Demand_Value><Demand_Value_3>7</Demand_Value_3>";
  load(category("Measurement", parameter("Kept", demands)));
  ws::Parameter kept{std::wstring(L"Kept")};
  EXPECT_EQ(5.0, kept.get<double>(param::Demand_Value));
  EXPECT_EQ(7.0, kept.get<double>(param::Demand_Value_3));
  EXPECT_EQ(0, kept.get<int>(param::Is_Active));

  setIni("initialize_demand_values_0=1\ntransfer_inactive_parameters=1\n");
  load(category("Measurement", parameter("Zeroed", demands)));
  ws::Parameter zeroed{std::wstring(L"Zeroed")};
  for (unsigned int item = param::Demand_Value_1; item <= param::Demand_Value_10; item += 16)
    EXPECT_EQ(0.0, zeroed.get<double>(item)) << item;
  EXPECT_EQ(0.0, zeroed.get<double>(param::Demand_Value));
  EXPECT_EQ(1, zeroed.get<int>(param::Is_Active));
}

TEST_F(ParameterLoaderTest, ChannelMappingRenamesOnlyChannelNames) {
  writeMapping("Ch1=Alias1\nKanal_\xC3\xA4=Alias_\xC3\xBC\n[Sec]\nCh2=Alias2\n");
  tavik_test::CapturingSink sink;
  load(category("Measurement",
                parameter("Ch1", "<Set_ChannelName>Ch1</Set_ChannelName>"
                                 "<Get_ChannelName>Sec.Ch2</Get_ChannelName><Unit>Ch1</Unit>") +
                    parameter("Odd", "<Set_ChannelName>a..b</Set_ChannelName>"
                                     "<Get_ChannelName>.</Get_ChannelName>") +
                    parameter("Empty", "<Set_ChannelName></Set_ChannelName>"
                                       "<Get_ChannelName>Kanal_\xC3\xA4</Get_ChannelName>")));
  EXPECT_EQ((Strings{"System channel mapping file found. Channel mapping activated",
                     "Found alias name for %Ch1 -> Alias1",
                     "Found alias name for %Sec.Ch2 -> Alias2",
                     "Found alias name for %Kanal_\xC3\xA4 -> Alias_\xC3\xBC"}),
            infoLines(sink));
  for (const g3::LogRecord& record : sink.records())
    if (record.message.compare(0, 6, "System") == 0) EXPECT_EQ("load", record.function);
  ws::Parameter mapped{std::wstring(L"Ch1")};
  EXPECT_EQ(L"Alias1", mapped.get<std::wstring>(param::Set_ChannelName));
  EXPECT_EQ(L"Alias2", mapped.get<std::wstring>(param::Get_ChannelName));
  EXPECT_EQ(L"Ch1", mapped.get<std::wstring>(param::Unit));
  EXPECT_EQ(L"Ch1", mapped.get<std::wstring>(param::ParameterName));
  ws::Parameter odd{std::wstring(L"Odd")};
  EXPECT_EQ(L"a..b", odd.get<std::wstring>(param::Set_ChannelName));
  EXPECT_EQ(L".", odd.get<std::wstring>(param::Get_ChannelName));
  EXPECT_EQ(L"Alias_\u00fc", ws::Parameter(std::wstring(L"Empty")).get<std::wstring>(
                                  param::Get_ChannelName));

  // A broken file leaves the mapping read before as it was.
  writeMapping("[Sec\nCh1=Other\n");
  sink.clear();
  load(category("Measurement", parameter("Again", "<Set_ChannelName>Ch1</Set_ChannelName>")));
  EXPECT_EQ(Strings{"Found alias name for %Ch1 -> Alias1"}, infoLines(sink));
}

TEST_F(ParameterLoaderTest, WithoutMappingFileNamesStayAsWritten) {
  tavik_test::CapturingSink sink;
  load(category("Measurement", parameter("P", "<Set_ChannelName>Ch1</Set_ChannelName>")));
  EXPECT_EQ(Strings{}, infoLines(sink));
  EXPECT_EQ(L"Ch1", ws::Parameter(std::wstring(L"P")).get<std::wstring>(param::Set_ChannelName));
}

TEST_F(ParameterLoaderTest, FormulaMapAndPlainValuesOfProperties) {
  const std::string formulas =
      "<CalculationFormulas>"
      "<CalculationFormula><Name>F</Name><Formula>&lt;Engine Speed&gt;.Value * 2</Formula>"
      "<UseMinMaxFlag>true</UseMinMaxFlag><Min>0</Min><Max>500</Max></CalculationFormula>"
      "<CalculationFormula><Name>T</Name><Formula>&lt;ThisParameter&gt;.Value + 1</Formula>"
      "</CalculationFormula></CalculationFormulas>";
  load(category("SetParameter",
                parameter("Engine Speed-1", "<Set_ChannelName>Formula:F</Set_ChannelName>"
                                            "<Get_ChannelName>Formula:F</Get_ChannelName>") +
                    parameter("Oil", "<Max>Formula:T</Max><Min>Map:Torque</Min>"
                                     "<Description>xMap:y</Description>"
                                     "<Unit>Formula:Nope</Unit>")),
       formulas);

  ws::Parameter speed{std::wstring(L"Engine Speed-1")};
  EXPECT_EQ(L"", speed.get<std::wstring>(param::Set_ChannelName));
  EXPECT_EQ(L"Formula:F", speed.get<std::wstring>(param::Get_ChannelName));
  ws::Parameter oil{std::wstring(L"Oil")};
  EXPECT_EQ(L"Torque", oil.get_map(L"Min"));
  EXPECT_EQ(L"xMap:y", oil.get<std::wstring>(param::Description));
  EXPECT_EQ(L"", oil.get<std::wstring>(param::Unit));

  const std::vector<FormulaEntry>& uses = formulas_.get_formula_uses();
  ASSERT_EQ(3u, uses.size());
  EXPECT_EQ(L"F", uses[0].name);
  EXPECT_EQ(L"Engine_Speed01.set(Parameter.Property.Set_ChannelName, ", uses[0].setter);
  EXPECT_EQ(L"Engine_Speed01", uses[0].variable);
  EXPECT_EQ(L"Engine Speed-1", uses[0].target);
  EXPECT_EQ(L"self.Engine_Speed.get(Parameter.Property.Value) * 2", uses[0].expression);
  EXPECT_TRUE(uses[0].parameter_bound && uses[0].use_min_max);
  EXPECT_EQ(0.0, uses[0].min);
  EXPECT_EQ(500.0, uses[0].max);
  EXPECT_EQ(L"Engine_Speed01.set(Parameter.Property.Get_FBValue, ", uses[1].setter);
  // The ThisParameter use comes last, rewritten for its parameter.
  EXPECT_EQ(L"", uses[2].name);
  EXPECT_EQ(L"Oil.set(Parameter.Property.Max, ", uses[2].setter);
  EXPECT_EQ(L"self.Oil.get(Parameter.Property.Value) + 1", uses[2].expression);
  EXPECT_FALSE(uses[2].use_min_max);
  EXPECT_EQ(100.0, uses[2].max);

  const std::vector<FormulaEntry>& definitions = formulas_.get_formulas();
  EXPECT_EQ(L"Engine_Speed01.set(Parameter.Property.Get_FBValue, ", definitions[0].setter);
  EXPECT_TRUE(definitions[0].parameter_bound);
  EXPECT_EQ(L"Oil", definitions[1].target);
  EXPECT_EQ(2u, loader_.getParameterFormulaUses().size());
  EXPECT_EQ(1u, loader_.getThisParameterFormulaUses().size());
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
  ws::Parameter p(name);
  p.set(param::Set_ChannelName, channel);
  p.set(param::Set_DeviceName, device);
}

TEST_F(ParameterLoaderTest, SetNameLinksJoinEveryWorkspaceParameterOfTheSamePair) {
  setName(L"Old", L"CH", L"Dev");
  load(category("SetParameter",
                parameter("A", "<Set_ChannelName>CH</Set_ChannelName><Set_DeviceName>Dev"
                               "</Set_DeviceName>") +
                    parameter("B", "<Set_ChannelName>CH</Set_ChannelName><Set_DeviceName>Dev"
                                   "</Set_DeviceName>") +
                    parameter("C", "<Set_ChannelName>CH</Set_ChannelName><Set_DeviceName>Other"
                                   "</Set_DeviceName>") +
                    parameter("E", "<Set_ChannelName>CH</Set_ChannelName>")));
  const auto h = [](const wchar_t* name) { return ws::Parameter(std::wstring(name)).getHandle(); };
  const auto links = [](const wchar_t* name) {
    return ws::Parameter(std::wstring(name)).getSameSetNameParameters();
  };
  EXPECT_EQ((std::vector<long long>{h(L"A"), h(L"B")}), links(L"Old"));
  EXPECT_EQ((std::vector<long long>{h(L"Old"), h(L"B")}), links(L"A"));
  EXPECT_EQ((std::vector<long long>{h(L"Old"), h(L"A")}), links(L"B"));
  EXPECT_TRUE(links(L"C").empty());
  EXPECT_TRUE(links(L"E").empty());
}

TEST_F(ParameterLoaderTest, SetNameLinksOfALargeWorkspaceMatchThePairwiseComparison) {
  struct Entry {
    long long handle;
    std::string channel, device;
  };
  std::mt19937 random(42);
  std::vector<Entry> entries;
  for (int i = 0; i < 2000; ++i) {
    const std::wstring channel = L"CH" + std::to_wstring(random() % 300);
    const std::wstring device = random() % 5 == 0 ? L"" : L"Dev" + std::to_wstring(random() % 2);
    const std::wstring name = L"P" + std::to_wstring(i);
    setName(name, channel, device);
    entries.push_back({ws::Parameter(name).getHandle(), std::string(channel.begin(), channel.end()),
                       std::string(device.begin(), device.end())});
  }
  loader_.manage_set_names();

  std::size_t linked = 0;
  for (const Entry& a : entries) {
    std::vector<long long> expected;
    if (!a.channel.empty() && !a.device.empty()) {
      for (const Entry& b : entries)
        if (b.handle != a.handle && b.channel == a.channel && b.device == a.device)
          expected.push_back(b.handle);
    }
    ASSERT_EQ(expected, ws::Parameter(a.handle).getSameSetNameParameters()) << a.handle;
    linked += expected.size();
  }
  EXPECT_GT(linked, 2000u);  // the case really links many pairs
}

}  // namespace
