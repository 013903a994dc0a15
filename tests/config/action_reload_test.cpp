// Actions and their option elements loaded over a workspace that holds an
// earlier configuration: real files through tavik::ConfigReader, each result
// compared with a load of the same file into an empty workspace and with the
// exact items expected.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ElementItemsText.h"
#include "LoaderXml.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ChannelSelector.h"
#include "workspace/Chunk.h"
#include "workspace/ElementItems.h"
#include "workspace/PropertyTable.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::itemsText;
using WStrings = std::vector<std::wstring>;

std::string parameters(const std::vector<std::string>& names) {
  std::string xml = "<Parameters><ParameterType><Category>InternalVar</Category>";
  for (const std::string& name : names) xml += "<Parameter><Name>" + name + "</Name></Parameter>";
  return xml + "</ParameterType></Parameters>";
}

// A configuration with the parameters and the sequence "Main" holding the
// actions.
std::string configuration(const std::vector<std::string>& names, const std::string& actions) {
  return tavik_test::documentXml(parameters(names) +
                                 "<Sequences><Sequence><Category>Main</Category><Actions>" +
                                 actions + "</Actions></Sequence></Sequences>");
}

std::string option(const std::string& type, const std::string& name, const std::string& more) {
  return "<Option><Name>" + name + "</Name><Type>" + type + "</Type>" + more + "</Option>";
}

std::string values(const std::vector<std::string>& texts) {
  std::string xml = "<Values>";
  for (const std::string& text : texts) xml += "<Value>" + text + "</Value>";
  return xml + "</Values>";
}

// A channel table over the parameters, one row each, with a text column.
std::string table(const std::vector<std::string>& rows) {
  std::string xml =
      "<ParentCategory>Set</ParentCategory><TypeProperties><ChTableSelectOption><Columns><Column>"
      "<Name>Limit</Name></Column></Columns></ChTableSelectOption></TypeProperties><ValueColumns>";
  for (const std::string& row : rows) xml += "<Row><Value>" + row + "</Value><Value>9</Value></Row>";
  return xml + "</ValueColumns>";
}

std::string port(const std::string& name, const std::string& target) {
  return "<Action><PortName>" + name + "</PortName><ActionName>" + target + "</ActionName></Action>";
}

std::wstring nameAt(long long handle) { return handle > 0 ? itemsText(handle, "name") : L"-"; }

// What a load wrote for the action Main_Sequence/<name>: its items, its
// comment chunk, its exit ports and each property slot with what the
// property holds; references by name.
WStrings actionState(const std::wstring& name) {
  const long long handle =
      ws::Workspace::getInstance()->findElement(L"Main_Sequence/" + name, ws::memory_area::kActions);
  if (handle < 1) return {L"no action"};
  const ws::SharedAction action(handle);
  WStrings state{itemsText(handle, "552 1056 3608 3712 3776 3784 3888 3896 3912 3992 8008")};
  const long long chunk = action.get<long long>(ws::shared_action::CommentChunk);
  state.push_back(chunk > 0 ? itemsText(chunk, "name 544") + L"|" + ws::Chunk(chunk).getText() : L"no comment");
  for (int k = 0; k < action.getExitCount(); ++k) {
    const ws::SharedAction::ExitPort p = action.getExitPort(k);
    state.push_back(L"port " + p.name + L" -> " + nameAt(p.successor));
  }
  for (int k = 0; k < action.getPropertyCount(); ++k) {
    const long long property = action.getActionPropertyAt(k);
    std::wstring line = property > 0 ? itemsText(property, "class 544") : L"-";
    const int type = ws::Workspace::getInstance()->getElementType(property);
    if (type == ws::element_type::kChannelSelector) {
      line += L"|" + itemsText(property, "1056 1064");
      for (long long p : ws::ChannelSelector(property).getParameters()) line += L" " + nameAt(p);
    } else if (type == ws::element_type::kPropertyTable) {
      const ws::PropertyTable t(property);
      line += L"|" + itemsText(property, "1056 1064");
      for (const std::wstring& column : t.getColumnNames()) line += L" [" + column + L"]";
      for (int r = 0; r < t.getRows(); ++r) {
        line += L" " + nameAt(t.getParameter(r));
        for (int c = 1; c < t.getColumns(); ++c) line += L"=" + t.getItem(r, c);
      }
    } else if (property > 0) {
      line += L"|" + itemsText(property, "1048 1056");
    }
    state.push_back(line);
  }
  return state;
}

class ActionReloadTest : public ::testing::Test {
 protected:
  // Loads the configurations one after another into an empty workspace of
  // its own: the results and the state of the action `name` after the last.
  std::pair<std::vector<bool>, WStrings> loadInto(const std::vector<std::string>& files,
                                                  const std::wstring& name) {
    tavik_test::ScopedWorkspace workspace;
    tavik::ConfigReader reader;
    std::vector<bool> results;
    int n = 0;
    for (const std::string& xml : files) {
      const std::string file = "config" + std::to_string(n++) + ".xml";
      results.push_back(reader.loadConfig(ini_.dir().write(file, xml).wstring(), n > 1));
    }
    return {results, actionState(name)};
  }
  // Loads `earlier` then `later`, and `later` alone: the second result and
  // the action's state, which must be the same both ways.
  WStrings reloaded(const std::string& earlier, const std::string& later, const std::wstring& name) {
    const auto over = loadInto({earlier, later}, name);
    const auto fresh = loadInto({later}, name);
    EXPECT_EQ((std::vector<bool>{true, true}), over.first);
    EXPECT_EQ(std::vector<bool>{true}, fresh.first);
    EXPECT_EQ(fresh.second, over.second);
    return over.second;
  }

  tavik_test::ScopedIni ini_{"[devices]\n"};
  tavik_test::CapturingSink sink_;
};

TEST_F(ActionReloadTest, AnActionLoadedOverAnEarlierFileHoldsWhatAFreshLoadGives) {
  const std::vector<std::string> names{"Speed", "Torque"};
  const std::string selectOn =
      "<ParentCategory>Set</ParentCategory><ActivateSwitch>True</ActivateSwitch>" +
      values({"Speed", "Torque"});
  struct Case {
    const char* what;
    std::string earlier;
    std::string later;
    WStrings state;  // of Main_Sequence/A after the later file
  };
  const Case cases[] = {
      {"options drop from three to one, flags, comment and loop count go",
       configuration(names,
                     "<Action><Name>A</Name><ParallelActionFlag>True</ParallelActionFlag>"
                     "<LoopActionFlag>True</LoopActionFlag><Comment>Old</Comment><Options>" +
                         option("CheckBox", "ParallelInteraction", values({"True"})) +
                         option("NumericValue", "MaxLoop", values({"5"})) +
                         option("ChSelect", "Sel", selectOn) + "</Options></Action>"),
       configuration(names, "<Action><Name>A</Name><Options>" +
                                option("ChSelect", "Sel", values({"Torque"})) +
                                "</Options></Action>"),
       {L"A||0|0|0|0|0|0|0|0|0", L"no comment", L"ChannelSelector|Sel|0|0 Torque"}},
      {"a second exit port and a longer comment grow the action and its chunk",
       configuration(names, "<Action><Name>A</Name><Comment>Short</Comment><NextActions>" +
                                port("Default", "B") + "</NextActions></Action>"
                                "<Action><Name>B</Name></Action>"),
       configuration(names, "<Action><Name>A</Name><Comment>A much longer comment</Comment>"
                            "<NextActions>" + port("Default", "B") + port("Error", "") +
                                "</NextActions></Action><Action><Name>B</Name></Action>"),
       {L"A||0|0|0|0|0|0|0|0|2", L"Main_Sequence/A_lua_chunk|21|A much longer comment",
        L"port Default -> Main_Sequence/B", L"port Error -> -"}},
      {"a channel table gains a row; the option after it keeps its own slot",
       configuration(names, "<Action><Name>A</Name><Options>" + option("ChTableSelect", "Tab", table({"Speed"})) +
                                option("CheckBox", "Next", values({"True"})) + "</Options></Action>"),
       configuration(names, "<Action><Name>A</Name><Options>" +
                                option("ChTableSelect", "Tab", table({"Speed", "Torque"}) +
                                       "<ParentCategory>Other</ParentCategory>") +
                                option("CheckBox", "Next", values({"False"})) + "</Options></Action>"),
       {L"A||0|0|0|0|0|0|0|0|0", L"no comment",
        L"PropertyTable|Tab|1|0 [Tab] [Limit] Speed=9 Torque=9", L"Checkbox|Next|1|0"}},
      {"a shown text option becomes a step duration \"---\", which shows nothing",
       configuration(names, "<Action><Name>A</Name><Options>" + option("Value", "S", values({"x"})) +
                                "</Options></Action>"),
       configuration(names, "<Action><Name>A</Name><Options>" +
                                option("StepDuration", "S", values({"---"})) + "</Options></Action>"),
       {L"A||0|0|0|0|0|0|0|0|0", L"no comment", L"StringValue|S|0|---"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.state, reloaded(c.earlier, c.later, L"A"));
  }
}

TEST_F(ActionReloadTest, AHundredPropertySlotsAndAHundredSelectorParametersLoad) {
  std::vector<std::string> names;
  std::string options;
  for (int k = 0; k < 100; ++k) {
    names.push_back("P" + std::to_string(k));
    options += option("CheckBox", "C" + std::to_string(k), values({k % 2 ? "True" : "False"}));
  }
  options += option("ChSelect", "Sel", values(names));
  const WStrings state = reloaded(
      configuration(names, "<Action><Name>A</Name><Options>" + option("ChSelect", "Sel", values({"P1"})) +
                               "</Options></Action>"),
      configuration(names, "<Action><Name>A</Name><Options>" + options + "</Options></Action>"), L"A");
  ASSERT_EQ(2u + 101u, state.size());
  EXPECT_EQ(L"Checkbox|C0|1|0", state[2]);
  EXPECT_EQ(L"Checkbox|C99|1|1", state[101]);
  std::wstring selector = L"ChannelSelector|Sel|0|0";
  for (const std::string& name : names) selector += L" " + std::wstring(name.begin(), name.end());
  EXPECT_EQ(selector, state[102]);
}

}  // namespace
