// ParameterLoader against a real workspace, a real INI file and a real
// channel-mapping file on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "ParameterText.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/XmlText.h"
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
using tavik_test::properties;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;
using Handles = std::vector<long long>;

std::string category(const std::string& name, const std::string& parameters) {
  return "<ParameterType><Category>" + name + "</Category>" + parameters + "</ParameterType>";
}
// A parameter with child elements given as "Key=Value,Key=Value".
std::string parameter(const std::string& name, const std::string& fields = "") {
  return "<Parameter><Name>" + name + "</Name>" + tavik_test::childrenXml(fields, ',') +
         "</Parameter>";
}
// Names of the parameters that exist, in workspace order.
std::string existing() {
  Handles handles;
  ws::Workspace::getInstance()->getAllElementsOfType(2, handles, ws::memory_area::kParameters);
  std::string names;
  for (long long handle : handles) names += ws::Parameter(handle).getName() + " ";
  return names;
}
std::vector<int> progress() {
  ws::GlobalConfig global;
  return {global.get<int>(gc::ProgressTotal), global.get<int>(gc::ProgressCurrent)};
}

class ParameterLoaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<tavik_test::ScopedIni> makeIni(const std::string& items) {
    return std::make_unique<tavik_test::ScopedIni>(items +
                                                   "[paths]\nuser=" + user_.path().string());
  }
  void load(const std::string& parameters, const std::string& more = "") {
    md_ = tavik_test::parseXml(
        &doc_, tavik_test::documentXml(more + "<Parameters>" + parameters + "</Parameters>"));
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
       category("It's", parameter("Q")) + category("Measurement", parameter("M")) +
       category("OperatingPoint", parameter("OP")) +
       category("SetParameter", parameter("S1") + parameter("S2")) +
       category("SetParameter", parameter("S3")));
  EXPECT_EQ((Strings{"Loading Set Parameters", "Loading Operating Point Parameters",
                     "Loading Measurement Parameters", "Loading Internal Parameters",
                     "Loading Invisible Parameters"}),
            sink.messages(INFO.value));
  // Only the first ParameterType of a category counts.
  EXPECT_EQ("Result S1 S2 OP M I V ", existing());
  EXPECT_EQ(
      (WStrings{L"2|0|1|12580", L"1|1|1|500", L"3|0|1|12100", L"4|0|1|400", L"5|0|1|180"}),
      properties({L"S1", L"OP", L"M", L"I", L"V"}, L"Category_Type Is_Active References LogFlags"));
  EXPECT_TRUE(loader_.hasOperatingPointParameters());
  EXPECT_EQ(L"Step 2/4: Loading Parameters: Invisible",
            ws::GlobalConfig().get<std::wstring>(gc::StatusText));
  EXPECT_EQ((std::vector<int>{1, 1}), progress());
  // A category is compared as a literal, quotes and all.
  auto quoted = loader_.getParameterIterator(L"It's");
  ASSERT_EQ(1, std::distance(quoted.begin(), quoted.end()));
  EXPECT_STREQ("Q", quoted.begin()->child_value("Name"));
  auto injected = loader_.getParameterIterator(L"x' or '1'='1");
  EXPECT_EQ(0, std::distance(injected.begin(), injected.end()));

  load("");
  EXPECT_FALSE(loader_.hasOperatingPointParameters());
  EXPECT_EQ(0, progress()[0]);
}

TEST_F(ParameterLoaderTest, DerivesSplitsChannelNamesSwitchValuesTypeTextsAndTheRequestCompanion) {
  ws::Parameter p3(std::wstring(L"P3"));
  p3.set(param::Set_Suffix, std::wstring(L"keep"));
  p3.set(param::Set_TypeText, std::string("old"));
  p3.set(param::Get_TypeText, std::string("old"));
  load(category("Measurement",
                parameter("P1",
                          "Set_ChannelName=SC,Set_Type=1,Set_DeviceName=Dev;A;B,"
                          "Get_Type=2,Get_ChannelName=GC,Get_DeviceName=GDev") +
                    parameter("P2", "Get_ChannelName=GC2,Get_DeviceName=x;") +
                    parameter("P3", "Set_ChannelName=S3,Set_Type=2,Get_Type=1") +
                    parameter("Q", "Set_DeviceName=Dev;Sfx,Request_ChannelName=REQ")));
  EXPECT_EQ(
      (WStrings{L"Dev;A|B|SCB|GDev||GC|Map|Signal|2.5|-1|0|0",
                L"|||x||GC2|Parameter|Parameter|2.5|-1|0|0", L"|keep|S3||||old|old|2.5|-1|0|0"}),
      properties({L"P1", L"P2", L"P3"},
                 L"Set_DeviceName Set_Suffix Set_FullChannelName Get_DeviceName Get_Suffix "
                 L"Get_FullChannelName Set_TypeText Get_TypeText ECU_Switch_On ECU_Switch_Off "
                 L"Has_Request_Parameter Request_Parameter"));
  EXPECT_EQ(
      L"1|" + std::to_wstring(ws::Parameter(std::wstring(L"Q_Request_Parameter")).getHandle()),
      properties(L"Q", L"Has_Request_Parameter Request_Parameter"));
  EXPECT_EQ(L"REQ|Dev|Sfx|7|0|1|80|0|-1|-1|-1",
            properties(L"Q_Request_Parameter",
                       L"Set_ChannelName Set_DeviceName Set_Suffix Category_Type Is_Active "
                       L"References LogFlags Set_Type Request_Switch_Off Set_Value Value"));
}

TEST_F(ParameterLoaderTest, NNNameOrAbortRequestEndsTheLoadAndEarlierParametersStay) {
  EXPECT_EQ("Error parsing parameter. ParameterName is missing in config",
            tavik_test::configError([&] {
              load(category("SetParameter", "<Parameter><Unit>x</Unit></Parameter>" +
                                                parameter("A") + parameter("NN") + parameter("B")));
            }));
  EXPECT_EQ("Result  A ", existing());  // no Name element: the empty name

  ws::GlobalConfig().set(gc::AbortRequest, 1);
  EXPECT_THROW(load(category("SetParameter", parameter("C") + parameter("D"))),
               tavik::LoadAbortedException);
  EXPECT_EQ((std::vector<int>{2, 1}), progress());
  EXPECT_EQ("Result  A ", existing());
}

TEST_F(ParameterLoaderTest, IniSwitchesAreReadAgainAtEveryLoad) {
  const std::string demands = "Demand_Value=5,Demand_Value_3=7";
  const std::wstring items =
      L"Is_Active Demand_Value Demand_Value_1 Demand_Value_2 Demand_Value_3 Demand_Value_4 "
      L"Demand_Value_5 Demand_Value_6 Demand_Value_7 Demand_Value_8 Demand_Value_9 Demand_Value_10";
  load(category("Measurement", parameter("Kept", demands)));
  EXPECT_EQ(L"0|5|0|0|7|0|0|0|0|0|0|0", properties(L"Kept", items));
  ini_.reset();
  ini_ = makeIni("initialize_demand_values_0=1\ntransfer_inactive_parameters=1\n");
  load(category("Measurement", parameter("Zeroed", demands)));
  EXPECT_EQ(L"1|0|0|0|0|0|0|0|0|0|0|0", properties(L"Zeroed", items));
}

TEST_F(ParameterLoaderTest, ChannelMappingRenamesOnlyChannelNames) {
  tavik_test::CapturingSink sink;
  load(category("Measurement", parameter("Before", "Set_ChannelName=Ch1,Get_ChannelName=Sec.Ch2")));
  user_.write("Settings/MA/channel_mapping.aka",
              "Ch1=Alias1\nKanal_\xC3\xA4=Alias_\xC3\xBC\n[Sec]\nCh2=Alias2\n");
  load(category("Measurement",
                parameter("Ch1", "Set_ChannelName=Ch1,Get_ChannelName=Sec.Ch2,Unit=Ch1") +
                    parameter("Empty", "Set_ChannelName=,Get_ChannelName=Kanal_\xC3\xA4")));
  // A broken file leaves the mapping read before as it was.
  user_.write("Settings/MA/channel_mapping.aka", "[Sec\nCh1=Other\n");
  load(category("Measurement", parameter("Again", "Set_ChannelName=Ch1")));

  Strings lines;
  for (const std::string& line : sink.lines(INFO.value))
    if (line.find(": Loading ") == std::string::npos) lines.push_back(line);
  EXPECT_EQ((Strings{"load: System channel mapping file found. Channel mapping activated",
                     "get_alias_name: Found alias name for %Ch1 -> Alias1",
                     "get_alias_name: Found alias name for %Sec.Ch2 -> Alias2",
                     "get_alias_name: Found alias name for %Kanal_\xC3\xA4 -> Alias_\xC3\xBC",
                     "get_alias_name: Found alias name for %Ch1 -> Alias1"}),
            lines);
  EXPECT_EQ((WStrings{L"Ch1|Sec.Ch2||Before", L"Alias1|Alias2|Ch1|Ch1", L"|Alias_\u00fc||Empty"}),
            properties({L"Before", L"Ch1", L"Empty"},
                       L"Set_ChannelName Get_ChannelName Unit ParameterName"));
}

TEST_F(ParameterLoaderTest, FormulaMapAndPlainValuesOfProperties) {
  load(category("SetParameter",
                parameter("Engine Speed-1", "Set_ChannelName=Formula:F,Get_ChannelName=Formula:F") +
                    parameter("Oil",
                              "Max=Formula:T,Min=Map:Torque,Unit=Formula:Nope,"
                              "Description=xMap:y")),
       "<CalculationFormulas><CalculationFormula><Name>F</Name><Formula>&lt;Engine Speed&gt;"
       ".Value * 2</Formula><UseMinMaxFlag>true</UseMinMaxFlag><Min>0</Min><Max>500</Max>"
       "</CalculationFormula><CalculationFormula><Name>T</Name><Formula>&lt;ThisParameter&gt;"
       ".Value + 1</Formula></CalculationFormula></CalculationFormulas>");
  EXPECT_EQ(L"|Formula:F", properties(L"Engine Speed-1", L"Set_ChannelName Get_ChannelName"));
  EXPECT_EQ(L"|xMap:y", properties(L"Oil", L"Unit Description"));
  EXPECT_EQ(L"Torque", ws::Parameter(std::wstring(L"Oil")).get_map(L"Min"));
  // Each use as "name|setter|variable|target|expression|bound,minmax|min|max".
  WStrings uses;
  for (const FormulaEntry& e : formulas_.get_formula_uses())
    uses.push_back(e.name + L"|" + e.setter + L"|" + e.variable + L"|" + e.target + L"|" +
                   e.expression + L"|" + std::to_wstring(e.parameter_bound) + L"," +
                   std::to_wstring(e.use_min_max) + L"|" + std::to_wstring(int(e.min)) + L"|" +
                   std::to_wstring(int(e.max)));
  const std::wstring speed =
      L"|Engine_Speed01|Engine Speed-1|self.Engine_Speed.get(Parameter.Property.Value) * 2|1,1|0|"
      L"500";
  EXPECT_EQ((WStrings{L"F|Engine_Speed01.set(Parameter.Property.Set_ChannelName, " + speed,
                      L"F|Engine_Speed01.set(Parameter.Property.Get_FBValue, " + speed,
                      L"|Oil.set(Parameter.Property.Max, |Oil|Oil|self.Oil.get(Parameter.Property."
                      L"Value) + 1|1,0|1|100"}),
            uses);
  EXPECT_EQ(L"Oil", formulas_.get_formulas()[1].target);
}

// Every definition of a name is applied in load order: a later one wins for
// the properties it names (also over a map binding or formula use of an
// earlier one), what only an earlier one set stays, the log flags add up and
// the category is the last one's. A composite text is split once per load,
// anew only when a definition writes it. The reload check of the same file
// compares each field with its last definition.
TEST_F(ParameterLoaderTest, DuplicateDefinitionsApplyInLoadOrderAndSplitOnce) {
  const std::string formulas =
      "<CalculationFormulas><CalculationFormula><Name>F</Name><Formula>1</Formula>"
      "</CalculationFormula></CalculationFormulas>";
  const std::string file =
      category("Invisible", parameter("P", "Set_ChannelName=C2,Max=7,Unit=bar") +
                                parameter("Q", "Set_DeviceName=p;q") + parameter("R", "Get_Type=2")) +
      category("OperatingPoint",
               parameter("P", "Set_ChannelName=C1,Set_DeviceName=a;b;c,Unit=rpm,Min=Map:M1,"
                              "Max=Formula:F,Description=Formula:F,Format=Map:M2") +
                   parameter("P", "Min=5") + parameter("Q", "Set_DeviceName=x;y;z") +
                   parameter("R", "Get_ChannelName=G,Get_DeviceName=a;b;c,Get_Type=1"));
  tavik_test::CapturingSink sink;
  load(file, formulas);
  EXPECT_EQ((Strings{"Parameter P is defined more than once; the definition in OperatingPoint is "
                     "applied over the earlier one",
                     "Parameter P is defined more than once; the definition in Invisible is "
                     "applied over the earlier one",
                     "Parameter Q is defined more than once; the definition in Invisible is "
                     "applied over the earlier one",
                     "Parameter R is defined more than once; the definition in Invisible is "
                     "applied over the earlier one"}),
            sink.messages(WARNING.value));
  EXPECT_EQ((WStrings{L"C2|a;b|c|C2c||||bar|5|7|5|580|1", L"|p|q|q|||||0|0|5|580|1",
                      L"||||a;b|c|Gc||0|0|5|580|1"}),
            properties({L"P", L"Q", L"R"},
                       L"Set_ChannelName Set_DeviceName Set_Suffix Set_FullChannelName "
                       L"Get_DeviceName Get_Suffix Get_FullChannelName Unit Min Max Category_Type "
                       L"LogFlags Is_Active"));
  EXPECT_EQ((WStrings{L"", L"M2", L"1"}),
            (WStrings{ws::Parameter(std::wstring(L"P")).get_map(L"Min"),
                      ws::Parameter(std::wstring(L"P")).get_map(L"Format"),
                      std::to_wstring(ws::Parameter(std::wstring(L"P")).getMapBindingCount())}));
  // Max's use gave way to the later plain value; Description's stays.
  WStrings uses;
  for (const FormulaEntry& use : formulas_.get_formula_uses()) uses.push_back(use.setter);
  EXPECT_EQ(WStrings{L"P.set(Parameter.Property.Description, "}, uses);

  // The check compares the last definition of each field: the file just
  // loaded passes, an edit of an earlier definition's field changes nothing,
  // an edit of the last one's is a difference.
  const auto check = [&](const std::string& parameters) {
    pugi::xml_document document;
    pugi::xml_node md = tavik_test::parseXml(
        &document, tavik_test::documentXml("<Parameters>" + parameters + "</Parameters>"));
    return loader_.check_reload(&md);
  };
  const auto edited = [&](const std::string& from, const std::string& to) {
    std::string text = file;
    return text.replace(text.find(from), from.size(), to);
  };
  EXPECT_TRUE(check(file));
  EXPECT_TRUE(check(edited(">C1<", ">C9<")));
  EXPECT_TRUE(check(edited("<Get_Type>1<", "<Get_Type>2<")));
  EXPECT_FALSE(check(edited(">C2<", ">C9<")));
  EXPECT_FALSE(check(edited("<Get_Type>2<", "<Get_Type>1<")));
}

// The reload check compares what the definitions write: a "Map:" value and
// a formula outside Get_ChannelName write no channel item, a formula on
// Get_ChannelName writes its text, an element named twice in one definition
// leaves its last value, and a request channel writes the request
// parameter's set side. What no definition writes is not compared.
TEST_F(ParameterLoaderTest, TheReloadCheckComparesWhatTheDefinitionsWrite) {
  ws::Parameter p(std::wstring(L"P"));
  p.set(param::Set_ChannelName, std::wstring(L"old"));
  p.set(param::Set_Type, 5);
  const std::string formulas =
      "<CalculationFormulas><CalculationFormula><Name>F</Name><Formula>1</Formula>"
      "</CalculationFormula></CalculationFormulas>";
  const std::string file = category(
      "Measurement",
      parameter("P", "Set_ChannelName=Map:M,Get_ChannelName=Formula:F,Set_Type=Formula:F") +
          parameter("Q", "Set_ChannelName=A,Set_ChannelName=B") +
          parameter("R", "Request_ChannelName=REQ") + parameter("R_Request_Parameter", "Unit=x"));
  load(file, formulas);
  ASSERT_EQ((WStrings{L"old|Formula:F|5", L"B||0", L"REQ||0"}),
            properties({L"P", L"Q", L"R_Request_Parameter"},
                       L"Set_ChannelName Get_ChannelName Set_Type"));
  const auto check = [&](const std::string& from, const std::string& to) {
    std::string text = file;
    if (!from.empty()) text.replace(text.find(from), from.size(), to);
    pugi::xml_document document;
    pugi::xml_node md = tavik_test::parseXml(
        &document, tavik_test::documentXml(formulas + "<Parameters>" + text + "</Parameters>"));
    tavik_test::CapturingSink sink;
    Strings out{loader_.check_reload(&md) ? "true" : "false"};
    for (const std::string& line : sink.messages(UA_WARNING.value)) out.push_back(line);
    return out;
  };
  const auto refused = [](const std::string& head, const std::string& name) {
    return Strings{"false", head + " has changed for " + name +
                                " Please disconnect before loading the configuration"};
  };
  EXPECT_EQ(Strings{"true"}, check("", ""));
  EXPECT_EQ(Strings{"true"}, check(">Map:M<", ">Map:N<"));
  EXPECT_EQ(Strings{"true"}, check(">A<", ">Z<"));
  // A formula the file does not define is not written.
  EXPECT_EQ(Strings{"true"}, check("<Get_ChannelName>Formula:F", "<Get_ChannelName>Formula:G"));
  EXPECT_EQ(refused("Get Channelname", "P"), check(">Formula:F</Get", ">X</Get"));
  EXPECT_EQ(refused("Set Type", "P"), check("<Set_Type>Formula:F<", "<Set_Type>4<"));
  EXPECT_EQ(refused("Set Channelname", "Q"), check(">B<", ">Z<"));
  EXPECT_EQ(refused("Set Channelname", "R_Request_Parameter"), check(">REQ<", ">REQ2<"));
}

// A number property whose text is not a number of its kind takes what the
// text's number prefix reads in the "C" locale, with one WARNING naming the
// parameter, the property and the text; the load goes on with the next
// property and parameter.
TEST_F(ParameterLoaderTest, NumbersThatAreNoNumbersOfTheirKindTakeTheirPrefixWithAWarning) {
  struct Case {
    std::string property;
    std::string text;
    std::wstring stored;
    std::string used;  // what the warning says is used; empty for no warning
  };
  const std::string notNumber = " is not a number; ";
  const std::string notInteger = " is not an integer in the property's range; ";
  const Case cases[] = {
      {"Min", "1,5", L"1", notNumber + "1"},
      {"Min", "abc", L"0", notNumber + "0"},
      {"Max", " 2.5e3 V", L"2500", notNumber + "2500"},
      {"Max", "0x10", L"16", notNumber + "16"},
      {"Min", "nan", L"nan", notNumber + "nan"},
      {"Min", " -1.25 ", L"-1.25", ""},
      {"Set_Type", "1.9", L"1", notInteger + "1"},
      {"Set_Type", "-7x", L"-7", notInteger + "-7"},
      {"Set_Type", "1e3", L"1000", notInteger + "1000"},
      {"Set_Type", "99999999999", L"2147483647", notInteger + "2147483647"},
      {"Set_Type", "-inf", L"-2147483648", notInteger + "-2147483648"},
      {"Request_Parameter", "9007199254740993 ms", L"9007199254740993",
       notInteger + "9007199254740993"},
      {"Request_Parameter", "-99999999999999999999", L"-9223372036854775808",
       notInteger + "-9223372036854775808"},
  };
  std::string parameters;
  Strings expected;
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    const Case& c = cases[k];
    const std::string name = "P" + std::to_string(k);
    parameters += "<Parameter><Name>" + name + "</Name><" + c.property + ">" + c.text + "</" +
                  c.property + "><Unit>rpm</Unit></Parameter>";
    if (!c.used.empty())
      expected.push_back("The text \"" + c.text + "\" of property " + c.property +
                         " of parameter " + name + c.used + " is used");
  }
  tavik_test::CapturingSink sink;
  load(category("SetParameter", parameters));
  EXPECT_EQ(expected, sink.messages(WARNING.value));
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(cases[k].text);
    const std::wstring name = L"P" + std::to_wstring(k);
    EXPECT_EQ(cases[k].stored + L"|rpm",
              properties(name, tavik::wideText(cases[k].property.c_str()) + L" Unit"));
  }
  // The reload check reads the types as the load stored them.
  EXPECT_TRUE(loader_.check_reload(&md_));
}

// A load links every parameter of the workspace exactly as a pairwise
// comparison in workspace order does: 600 parameters of an earlier load or of
// another process (each with a stale link) and 300 set parameters with random
// set channels and devices (an empty device links nothing), one of them an
// old parameter loaded again. The old parameters take part like this load's;
// a parameter of a later category is linked from the next load on, when it
// is in the workspace as the links are drawn. Loading again neither repeats
// nor drops a link.
TEST_F(ParameterLoaderTest, SetNameLinksAreThePairwiseComparisonOverTheWholeWorkspace) {
  std::mt19937 random(42);
  for (int i = 0; i < 600; ++i) {
    ws::Parameter p(L"P" + std::to_wstring(i));
    p.set(param::Set_ChannelName, L"CH" + std::to_wstring(random() % 60));
    p.set(param::Set_DeviceName, L"Dev" + std::to_wstring(random() % 2));
    p.add_same_setname_parameter(1);  // a link that no longer holds
  }
  ws::Parameter(std::wstring(L"P0")).set(param::Set_ChannelName, std::wstring(L"CH7"));
  ws::Parameter(std::wstring(L"P0")).set(param::Set_DeviceName, std::wstring(L"Dev1"));
  std::string set;
  for (int i = 0; i < 300; ++i) {
    const std::string name = i == 150 ? "P500" : "Q" + std::to_string(i);
    const bool request = random() % 10 == 0;
    std::string device = random() % 5 == 0 ? "" : "Dev" + std::to_string(random() % 2);
    std::string channel = "CH" + std::to_string(random() % 60);
    if (i < 2) channel = "CH7", device = "Dev1";  // as the old P0 and the later Late
    set += parameter(name, "Set_ChannelName=" + channel + ",Set_DeviceName=" + device +
                               (request ? ",Request_ChannelName=REQ" : ""));
  }
  const std::string configuration =
      category("SetParameter", set) +
      category("Measurement", parameter("Late", "Set_ChannelName=CH7,Set_DeviceName=Dev1"));
  const auto handleOf = [](const std::string& name) {
    return ws::Parameter(std::wstring(name.begin(), name.end())).getHandle();
  };
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    load(configuration);
    Handles order;
    ws::Workspace::getInstance()->getAllElementsOfType(ws::element_type::kParameter, order,
                                                        ws::memory_area::kParameters);
    ASSERT_EQ(600u + 300u + 1u + 1u + 29u, order.size());  // Result, Late, 29 request parameters
    // The groups of equal texts, members in workspace order; Late joins its
    // group once it was in the workspace before the links were drawn.
    std::map<std::wstring, Handles> groups;
    std::vector<std::wstring> texts;
    for (const long long handle : order) {
      const ws::Parameter p(handle);
      const std::wstring device = p.get<std::wstring>(param::Set_DeviceName);
      const std::wstring channel = p.get<std::wstring>(param::Set_ChannelName);
      const bool linkable = !device.empty() && !channel.empty() &&
                            (pass == 1 || handle != handleOf("Late"));
      texts.push_back(linkable ? channel + L"|" + device : L"");
      if (linkable) groups[texts.back()].push_back(handle);
    }
    std::size_t linked = 0;
    for (std::size_t a = 0; a < order.size(); ++a) {
      Handles expected;
      if (!texts[a].empty())
        for (const long long b : groups[texts[a]])
          if (b != order[a]) expected.push_back(b);
      ASSERT_EQ(expected, ws::Parameter(order[a]).getSameSetNameParameters()) << a;
      linked += expected.size();
    }
    EXPECT_GT(linked, 5000u);
    // The old P0 is linked with this load's Q0 and Q1, and with Late on the
    // second load; an old link that no longer holds is gone.
    const Handles p0 = ws::Parameter(handleOf("P0")).getSameSetNameParameters();
    const auto holds = [&p0](long long handle) {
      return std::find(p0.begin(), p0.end(), handle) != p0.end();
    };
    EXPECT_TRUE(holds(handleOf("Q0")) && holds(handleOf("Q1")) && !holds(1));
    EXPECT_EQ(pass == 1, holds(handleOf("Late")));
  }
}

// Loading again with other pairs of the same sizes: every list keeps its
// length but must take its new partner.
TEST_F(ParameterLoaderTest, SetNameLinksOfTheSameLengthFollowTheNewPairs) {
  const auto links = [] {
    std::string out;
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"}) {
      for (long long handle : ws::Parameter(std::wstring(name)).getSameSetNameParameters())
        out += ws::Parameter(handle).getName();
      out += "|";
    }
    return out;
  };
  const auto pairs = [](const std::string& channels) {  // the channel of A, B, C, D
    std::string set;
    for (int i = 0; i < 4; ++i)
      set += parameter(std::string(1, char('A' + i)),
                       std::string("Set_ChannelName=") + channels[i] + ",Set_DeviceName=Dev");
    return category("SetParameter", set);
  };
  load(pairs("1122"));
  EXPECT_EQ("B|A|D|C|", links());
  load(pairs("1212"));
  EXPECT_EQ("C|D|A|B|", links());
  load(pairs("1221"));
  EXPECT_EQ("D|C|B|A|", links());
}

}  // namespace
