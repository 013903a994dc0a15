#include "ConfigMutator.h"

#include <sstream>

namespace tavik_fuzz {

namespace {

using Nodes = std::vector<pugi::xml_node>;

Nodes select(pugi::xml_node at, const char* xpath) {
  Nodes out;
  for (const pugi::xpath_node& found : at.select_nodes(xpath)) out.push_back(found.node());
  return out;
}

std::string text(pugi::xml_node node, const char* child) { return node.child(child).text().get(); }

pugi::xml_node ensure(pugi::xml_node node, const char* child) {
  const pugi::xml_node found = node.child(child);
  return found ? found : node.append_child(child);
}

void setText(pugi::xml_node node, const char* child, const std::string& value) {
  ensure(node, child).text().set(value.c_str());
}

pugi::xml_node addText(pugi::xml_node node, const char* child, const std::string& value) {
  pugi::xml_node added = node.append_child(child);
  added.text().set(value.c_str());
  return added;
}

std::string q(const std::string& text) { return "'" + text + "'"; }

const char* const kOptionTypes[] = {"ChSelect",          "ChTableSelect", "Value",
                                    "NumericValue",      "CheckBox",      "ComboBox",
                                    "MapAndValueSelect", "StepDuration",  "DeviceStatusChannel"};
constexpr unsigned kOptionTypeCount = sizeof kOptionTypes / sizeof *kOptionTypes;

// Every action node that holds options: in sequences, group bodies and group data.
constexpr const char* kAnyAction = "//Actions/Action";
// Actions that are drawn (and so have ports): in sequences and group bodies.
constexpr const char* kDrawnAction =
    "Sequences/Sequence/Actions/Action | ActionGroupSequences/ActionGroupSequence/Actions/Action";
constexpr const char* kCanvas = "Sequences/Sequence | ActionGroupSequences/ActionGroupSequence";

}  // namespace

class ConfigMutator::Edits {
 public:
  Edits(Choices& choices, pugi::xml_node md) : c_(choices), md_(md) {}

  using Edit = bool (Edits::*)(std::string& detail);
  struct Kind {
    const char* name;
    Edit edit;
  };
  static const std::vector<Kind>& table() {
    static const std::vector<Kind> kinds = {
        {"map axis", &Edits::mapAxis},
        {"map extrapolation", &Edits::mapExtrapolation},
        {"map limits", &Edits::mapLimits},
        {"map input parameter", &Edits::mapInput},
        {"map renamed", &Edits::mapRenamed},
        {"map removed", &Edits::mapRemoved},
        {"map added", &Edits::mapAdded},
        {"option map value", &Edits::optionMapValue},
        {"plan rows", &Edits::planRows},
        {"plan column", &Edits::planColumn},
        {"plan result", &Edits::planResult},
        {"plan reordered", &Edits::planReordered},
        {"plan removed", &Edits::planRemoved},
        {"plan added", &Edits::planAdded},
        {"plan category", &Edits::planCategory},
        {"plan adjtype", &Edits::planAdjType},
        {"bound plan removed", &Edits::boundPlanRemoved},
        {"action comment", &Edits::actionComment},
        {"action flags", &Edits::actionFlags},
        {"action texts", &Edits::actionTexts},
        {"max loop", &Edits::maxLoop},
        {"option value", &Edits::optionValue},
        {"option control", &Edits::optionControl},
        {"option type", &Edits::optionType},
        {"option added", &Edits::optionAdded},
        {"option removed", &Edits::optionRemoved},
        {"options reordered", &Edits::optionsReordered},
        {"channel table", &Edits::channelTable},
        {"port added", &Edits::portAdded},
        {"port removed", &Edits::portRemoved},
        {"port renamed", &Edits::portRenamed},
        {"port target", &Edits::portTarget},
        {"port position", &Edits::portPosition},
        {"link points", &Edits::linkPoints},
        {"sequence start", &Edits::sequenceStart},
        {"action renamed", &Edits::actionRenamed},
        {"action removed", &Edits::actionRemoved},
        {"action added", &Edits::actionAdded},
        {"frames", &Edits::frames},
        {"comments", &Edits::comments},
        {"sequence category", &Edits::sequenceCategory},
        {"sequence removed", &Edits::sequenceRemoved},
        {"sequence added", &Edits::sequenceAdded},
        {"group action added", &Edits::groupActionAdded},
        {"group action removed", &Edits::groupActionRemoved},
        {"group inner renamed", &Edits::groupInnerRenamed},
        {"group ports", &Edits::groupPorts},
        {"group nested", &Edits::groupNested},
        {"group instance", &Edits::groupInstance},
        {"action becomes group", &Edits::actionBecomesGroup},
        {"group becomes action", &Edits::groupBecomesAction},
        {"parameter removed", &Edits::parameterRemoved},
        {"earlier parameter named", &Edits::earlierParameterNamed},
        {"set channel shared", &Edits::setChannelShared},
    };
    return kinds;
  }

 private:
  // --- choices -------------------------------------------------------------
  pugi::xml_node pick(const Nodes& nodes) {
    return nodes.empty() ? pugi::xml_node() : nodes[c_.below(static_cast<unsigned>(nodes.size()))];
  }
  std::string pick(const std::vector<std::string>& options) {
    return options.empty() ? std::string()
                           : options[c_.below(static_cast<unsigned>(options.size()))];
  }
  std::string fresh(const char* stem) {
    return std::string(stem) + " " + std::to_string(c_.below(90) + 10);
  }
  std::string number() { return pick({"0", "1", "2.5", "-3", "100", "1e3", "7.9", "", "x"}); }
  std::string category() {
    return pick({"Main", "Stop", "Initialize", "End", "Extra", fresh("Cat")});
  }
  std::vector<std::string> texts(pugi::xml_node at, const char* xpath) {
    std::vector<std::string> out;
    for (pugi::xml_node node : select(at, xpath)) out.push_back(node.text().get());
    return out;
  }
  std::string parameterName() {
    const std::vector<std::string> names = texts(md_, "Parameters/ParameterType/Parameter/Name");
    return names.empty() || c_.chance(10) ? pick({"Undefined", "Speed"}) : pick(names);
  }
  std::string mapValue() {
    const std::vector<std::string> maps = texts(md_, "Maps/Map/Name");
    const std::vector<std::string> formulas =
        texts(md_, "CalculationFormulas/CalculationFormula/Name");
    switch (c_.below(4)) {
      case 0:
        return maps.empty() ? "Map:Nowhere" : "Map:" + pick(maps);
      case 1:
        return formulas.empty() ? "Formula:Nowhere" : "Formula:" + pick(formulas);
      case 2:
        return number();
      default:
        return pick({"Map:Nowhere", "text", "12.5 "});
    }
  }
  std::string longText() {
    const unsigned length = pick({0u, 5u, 40u, 1100u, 2100u});
    std::string out;
    for (unsigned k = 0; k < length; ++k)
      out.push_back(static_cast<char>('a' + (k * 7 + length) % 26));
    return out;
  }
  unsigned pick(std::initializer_list<unsigned> options) {
    return *(options.begin() + c_.below(static_cast<unsigned>(options.size())));
  }
  std::string pick(std::initializer_list<std::string> options) {
    return *(options.begin() + c_.below(static_cast<unsigned>(options.size())));
  }
  void moveToFront(pugi::xml_node node) {
    pugi::xml_node parent = node.parent();
    parent.insert_move_before(node, parent.first_child());
  }
  // The first node whose child `child` holds one of the texts (names are
  // compared here rather than in a query: they may hold quotes).
  static pugi::xml_node withText(const Nodes& nodes, const char* child,
                                 std::initializer_list<std::string> wanted) {
    for (pugi::xml_node node : nodes)
      for (const std::string& one : wanted)
        if (text(node, child) == one) return node;
    return pugi::xml_node();
  }
  // Names of the actions and groups beside `action` (its owner's Actions).
  std::vector<std::string> siblings(pugi::xml_node action) {
    return texts(action.parent(), "Action/Name | ActionGroup/Name");
  }

  // --- options --------------------------------------------------------------
  void fillOption(pugi::xml_node option, const std::string& type) {
    for (const char* child : {"Values", "ValueColumns", "TypeProperties"})
      option.remove_child(child);
    pugi::xml_node values = option.append_child("Values");
    if (type == "ChSelect") {
      setText(option, "ParentCategory", pick({"Set", "Option", "Limit", "Other"}));
      for (unsigned k = 0, n = 1 + c_.below(3); k < n; ++k)
        addText(values, "Value", parameterName());
    } else if (type == "ChTableSelect") {
      option.remove_child(values);
      pugi::xml_node table =
          option.append_child("TypeProperties").append_child("ChTableSelectOption");
      if (c_.chance(50)) addText(table, "ActivateSwitch", "True");
      pugi::xml_node columns = table.append_child("Columns");
      const unsigned columnCount = 1 + c_.below(2);
      for (unsigned k = 0; k < columnCount; ++k) addColumn(columns);
      pugi::xml_node rows = option.append_child("ValueColumns");
      for (unsigned r = 0, n = 1 + c_.below(3); r < n; ++r) addRow(rows, columnCount);
    } else if (type == "ComboBox") {
      pugi::xml_node combo = option.append_child("TypeProperties").append_child("ComboBoxOption");
      for (unsigned k = 0, n = 1 + c_.below(3); k < n; ++k) {
        pugi::xml_node item = combo.append_child("ComboBoxItem");
        addText(item, "Value", std::to_string(k));
        addText(item, "Display", "Item " + std::to_string(k));
      }
      addText(values, "Value", pick({"0", "1", "2", "5", "x"}));
    } else if (type == "DeviceStatusChannel") {
      pugi::xml_node status =
          option.append_child("TypeProperties").append_child("DeviceStatusChannelOption");
      addText(status, "Device", pick({"Motor", "Dyno", fresh("Device")}));
      addText(status, "StatusParameter", parameterName());
      addText(values, "Value", pick({"", "STATUS", "ST_" + std::to_string(c_.below(9))}));
    } else if (type == "CheckBox") {
      addText(values, "Value", pick({"True", "False", "true"}));
    } else if (type == "NumericValue") {
      addText(values, "Value", number());
    } else if (type == "MapAndValueSelect") {
      addText(values, "Value", mapValue());
    } else if (type == "StepDuration") {
      addText(values, "Value", c_.chance(30) ? "---" : mapValue());
    } else {  // Value and everything else: a text
      addText(values, "Value", longText());
    }
  }
  void addColumn(pugi::xml_node columns) {
    pugi::xml_node column = columns.append_child("Column");
    addText(column, "Name", fresh("Column"));
    if (c_.chance(50)) {
      addText(column, "Type", "ComboBox");
      pugi::xml_node combo = column.append_child("ComboBoxOption");
      for (int k = 0; k < 2; ++k) {
        pugi::xml_node item = combo.append_child("ComboBoxItem");
        addText(item, "Value", std::to_string(k));
        addText(item, "Display", k ? "On" : "Off");
      }
    } else {
      addText(column, "Type", "Value");
    }
  }
  void addRow(pugi::xml_node rows, unsigned columns) {
    pugi::xml_node row = rows.append_child("Row");
    addText(row, "Value", parameterName());
    for (unsigned k = 0; k < columns; ++k) addText(row, "Value", pick({"0", "1", "cell", "3"}));
  }
  pugi::xml_node addOption(pugi::xml_node action, const std::string& name,
                           const std::string& type) {
    pugi::xml_node option = ensure(action, "Options").append_child("Option");
    addText(option, "Name", name);
    addText(option, "Type", type);
    fillOption(option, type);
    return option;
  }

  // --- maps -----------------------------------------------------------------
  bool mapAxis(std::string& d) {
    const pugi::xml_node map = pick(select(md_, "Maps/Map"));
    if (!map) return false;
    const char* axis = c_.chance(40) ? "XValues" : c_.chance(50) ? "YValues" : "ZValues";
    pugi::xml_node values = ensure(map, axis);
    const Nodes present = select(values, "Value");
    if (!present.empty() && c_.chance(50)) {
      values.remove_child(present.back());
      d = q(text(map, "Name")) + " one " + axis + " value fewer";
    } else {
      const unsigned n = 1 + c_.below(3);
      for (unsigned k = 0; k < n; ++k) addText(values, "Value", number());
      d = q(text(map, "Name")) + " " + std::to_string(n) + " more " + axis;
    }
    return true;
  }
  bool mapExtrapolation(std::string& d) {
    pugi::xml_node map = pick(select(md_, "Maps/Map"));
    if (!map) return false;
    if (text(map, "ExtraPolation") == "True") {
      if (c_.chance(50))
        map.remove_child("ExtraPolation");
      else
        setText(map, "ExtraPolation", "False");
      d = q(text(map, "Name")) + " off";
    } else {
      setText(map, "ExtraPolation", "True");
      d = q(text(map, "Name")) + " on";
    }
    return true;
  }
  bool mapLimits(std::string& d) {
    pugi::xml_node map = pick(select(md_, "Maps/Map"));
    if (!map) return false;
    const char* limit = c_.chance(50) ? "ZLowerLimit" : "ZUpperLimit";
    if (c_.chance(30))
      map.remove_child(limit);
    else
      setText(map, limit, number());
    d = q(text(map, "Name")) + " " + limit + " " + q(text(map, limit));
    return true;
  }
  bool mapInput(std::string& d) {
    pugi::xml_node map = pick(select(md_, "Maps/Map"));
    if (!map) return false;
    const char* input = c_.chance(50) ? "XParameterName" : "YParameterName";
    if (c_.chance(30))
      map.remove_child(input);
    else
      setText(map, input, parameterName());
    d = q(text(map, "Name")) + " " + input + " " + q(text(map, input));
    return true;
  }
  bool mapRenamed(std::string& d) {
    pugi::xml_node map = pick(select(md_, "Maps/Map"));
    if (!map) return false;
    d = q(text(map, "Name"));
    setText(map, "Name", fresh("Map"));
    d += " to " + q(text(map, "Name"));
    return true;
  }
  bool mapRemoved(std::string& d) {
    pugi::xml_node map = pick(select(md_, "Maps/Map"));
    if (!map) return false;
    d = q(text(map, "Name"));
    map.parent().remove_child(map);
    return true;
  }
  bool mapAdded(std::string& d) {
    pugi::xml_node maps = ensure(md_, "Maps");
    const pugi::xml_node model = pick(select(md_, "Maps/Map"));
    pugi::xml_node map = model ? maps.append_copy(model) : maps.append_child("Map");
    setText(map, "Name", fresh("Map"));
    if (!model) {
      pugi::xml_node x = map.append_child("XValues");
      addText(x, "Value", "0");
      addText(x, "Value", "10");
      pugi::xml_node z = map.append_child("ZValues");
      addText(z, "Value", "1");
      addText(z, "Value", "2");
      addText(map, "XParameterName", parameterName());
    }
    d = q(text(map, "Name"));
    return true;
  }
  bool optionMapValue(std::string& d) {
    pugi::xml_node value = pick(select(md_, "//Option/Values/Value[starts-with(., 'Map:')]"));
    if (!value) {
      const pugi::xml_node option =
          pick(select(md_, "//Option[Type='MapAndValueSelect' or Type='StepDuration']"));
      if (!option) return false;
      value = ensure(ensure(option, "Values"), "Value");
    }
    d = q(value.text().get());
    value.text().set(mapValue().c_str());
    d += " to " + q(value.text().get());
    return true;
  }

  // --- test plans -----------------------------------------------------------
  bool planRows(std::string& d) {
    const pugi::xml_node plan = pick(select(md_, "TestPlans/TestPlan"));
    const Nodes parameters = select(plan, "Parameters/Parameter");
    if (parameters.empty()) return false;
    const bool fewer = c_.chance(50), every = c_.chance(70);
    const pugi::xml_node one = pick(parameters);
    for (pugi::xml_node parameter : parameters) {
      if (!every && parameter != one) continue;
      pugi::xml_node values = ensure(parameter, "Values");
      if (fewer && values.last_child())
        values.remove_child(values.last_child());
      else
        addText(values, "Value", number());
    }
    d = q(text(plan, "Category")) + (fewer ? " a row fewer" : " a row more") +
        (every ? "" : " in " + q(text(one, "Name")));
    return true;
  }
  bool planColumn(std::string& d) {
    const pugi::xml_node plan = pick(select(md_, "TestPlans/TestPlan"));
    if (!plan) return false;
    const pugi::xml_node removed = pick(select(plan, "Parameters/Parameter[Name!='Result']"));
    if (removed && c_.chance(50)) {
      d = q(text(plan, "Category")) + " without " + q(text(removed, "Name"));
      removed.parent().remove_child(removed);
      return true;
    }
    pugi::xml_node parameter = ensure(plan, "Parameters").append_child("Parameter");
    addText(parameter, "Name", parameterName());
    addText(parameter, "AdjType", pick({"Value", "Demand_Value", "Min", "Max"}));
    pugi::xml_node values = parameter.append_child("Values");
    const std::size_t rows = select(plan, "Parameters/Parameter[1]/Values/Value").size();
    for (std::size_t r = 0; r < (rows ? rows : 2); ++r) addText(values, "Value", number());
    d = q(text(plan, "Category")) + " with " + q(text(parameter, "Name"));
    return true;
  }
  bool planResult(std::string& d) {
    const pugi::xml_node plan = pick(select(md_, "TestPlans/TestPlan"));
    if (!plan) return false;
    const pugi::xml_node result = plan.select_node("Parameters/Parameter[Name='Result']").node();
    if (result) {
      result.parent().remove_child(result);
      d = q(text(plan, "Category")) + " without Result";
      return true;
    }
    pugi::xml_node parameter = ensure(plan, "Parameters").append_child("Parameter");
    addText(parameter, "Name", "Result");
    pugi::xml_node values = parameter.append_child("Values");
    for (unsigned r = 0, n = 1 + c_.below(3); r < n; ++r)
      addText(values, "Value", pick({"0", "1"}));
    d = q(text(plan, "Category")) + " with Result";
    return true;
  }
  bool planReordered(std::string& d) {
    const Nodes parameters =
        select(pick(select(md_, "TestPlans/TestPlan")), "Parameters/Parameter");
    if (parameters.size() < 2) return false;
    const pugi::xml_node moved =
        parameters[1 + c_.below(static_cast<unsigned>(parameters.size() - 1))];
    d = q(text(moved, "Name")) + " first";
    moveToFront(moved);
    return true;
  }
  bool planRemoved(std::string& d) {
    const pugi::xml_node plan = pick(select(md_, "TestPlans/TestPlan"));
    if (!plan) return false;
    d = q(text(plan, "Category"));
    plan.parent().remove_child(plan);
    return true;
  }
  bool planAdded(std::string& d) {
    pugi::xml_node plans = ensure(md_, "TestPlans");
    const pugi::xml_node model = pick(select(md_, "TestPlans/TestPlan"));
    pugi::xml_node plan = model ? plans.append_copy(model) : plans.append_child("TestPlan");
    setText(plan, "Category", category());
    if (!model) {
      pugi::xml_node parameter = plan.append_child("Parameters").append_child("Parameter");
      addText(parameter, "Name", parameterName());
      addText(parameter, "AdjType", "Value");
      pugi::xml_node values = parameter.append_child("Values");
      addText(values, "Value", "1");
      addText(values, "Value", "2");
    }
    d = q(text(plan, "Category"));
    return true;
  }
  bool planCategory(std::string& d) {
    pugi::xml_node plan = pick(select(md_, "TestPlans/TestPlan"));
    if (!plan) return false;
    d = q(text(plan, "Category"));
    setText(plan, "Category", category());
    d += " to " + q(text(plan, "Category"));
    return true;
  }
  bool planAdjType(std::string& d) {
    pugi::xml_node parameter = pick(select(md_, "TestPlans/TestPlan/Parameters/Parameter"));
    if (!parameter) return false;
    setText(parameter, "AdjType", pick({"Value", "Demand_Value", "Min", "Max", "", "Nope"}));
    d = q(text(parameter, "Name")) + " drives " + q(text(parameter, "AdjType"));
    return true;
  }
  bool boundPlanRemoved(std::string& d) {
    for (pugi::xml_node plan : select(md_, "TestPlans/TestPlan")) {
      const std::string category = text(plan, "Category");
      if (category != "Main" && category != "Stop" && category != "Initialize" && category != "End")
        continue;
      if (!withText(select(md_, "Sequences/Sequence"), "Category", {category})) continue;
      plan.parent().remove_child(plan);
      d = q(category);
      return true;
    }
    return false;
  }

  // --- actions --------------------------------------------------------------
  bool actionComment(std::string& d) {
    pugi::xml_node action = pick(select(md_, kAnyAction));
    if (!action) return false;
    if (c_.chance(20))
      action.remove_child("Comment");
    else
      setText(action, "Comment", longText());
    d = q(text(action, "Name")) + " comment of " + std::to_string(text(action, "Comment").size());
    return true;
  }
  bool actionFlags(std::string& d) {
    pugi::xml_node action = pick(select(md_, kAnyAction));
    if (!action) return false;
    static const char* const kFlags[] = {"ParallelActionFlag", "LoopActionFlag",
                                         "UnusedActionFlag"};
    const char* flag = kFlags[c_.below(3)];
    if (text(action, flag) == "True")
      action.remove_child(flag);
    else
      setText(action, flag, "True");
    d = q(text(action, "Name")) + " " + flag + " " + q(text(action, flag));
    return true;
  }
  bool actionTexts(std::string& d) {
    pugi::xml_node action = pick(select(md_, kDrawnAction));
    if (!action) return false;
    static const char* const kTexts[] = {"ActionCategory", "X",     "Y",       "Width",
                                         "Height",         "Color", "Version", "ActionModule"};
    const char* child = kTexts[c_.below(8)];
    if (c_.chance(25)) {
      action.remove_child(child);
    } else if (std::string(child) == "ActionCategory") {
      setText(action, child,
              pick({"PythonClassAction", "Function based Python Action", "StatemachineAction",
                    "Other"}));
    } else {
      setText(action, child, pick({"0", "12", "-1", "300", "module.x"}));
    }
    d = q(text(action, "Name")) + " " + child + " " + q(text(action, child));
    return true;
  }
  bool maxLoop(std::string& d) {
    pugi::xml_node action = pick(select(md_, kAnyAction));
    if (!action) return false;
    const pugi::xml_node loop = action.select_node("Options/Option[Name='MaxLoop']").node();
    if (loop) {
      loop.parent().remove_child(loop);
      d = q(text(action, "Name")) + " without MaxLoop";
    } else {
      pugi::xml_node option = addOption(action, "MaxLoop", "NumericValue");
      d = q(text(action, "Name")) + " MaxLoop " +
          q(option.child("Values").child("Value").text().get());
    }
    return true;
  }
  bool optionValue(std::string& d) {
    pugi::xml_node option = pick(select(md_, "//Actions/Action/Options/Option"));
    if (!option) return false;
    const std::string type = text(option, "Type");
    pugi::xml_node values = option.child("Values");
    if (type == "ChSelect" && values.first_child() && c_.chance(50)) {
      values.remove_child(values.last_child());
      d = q(text(option, "Name")) + " a parameter fewer";
    } else if (type == "ChSelect" && c_.chance(50)) {
      addText(ensure(option, "Values"), "Value", parameterName());
      d = q(text(option, "Name")) + " a parameter more";
    } else {
      fillOption(option, type);
      d = q(text(option, "Name")) + " of type " + q(type) + " refilled";
    }
    return true;
  }
  bool optionControl(std::string& d) {
    pugi::xml_node option = pick(select(md_, "//Actions/Action/Options/Option"));
    if (!option) return false;
    static const char* const kControls[] = {"HideControl", "ParentCategory", "ActivateSwitch"};
    const char* child = kControls[c_.below(3)];
    if (c_.chance(30))
      option.remove_child(child);
    else
      setText(option, child,
              std::string(child) == "ParentCategory" ? pick({"Set", "Option", "Limit", "None"})
                                                     : pick({"True", "False"}));
    d = q(text(option, "Name")) + " " + child + " " + q(text(option, child));
    return true;
  }
  bool optionType(std::string& d) {
    pugi::xml_node option = pick(select(md_, "//Actions/Action/Options/Option"));
    if (!option) return false;
    d = q(text(option, "Name")) + " " + q(text(option, "Type"));
    setText(option, "Type", kOptionTypes[c_.below(kOptionTypeCount)]);
    if (c_.chance(50)) fillOption(option, text(option, "Type"));
    d += " to " + q(text(option, "Type"));
    return true;
  }
  bool optionAdded(std::string& d) {
    pugi::xml_node action = pick(select(md_, kAnyAction));
    if (!action) return false;
    const pugi::xml_node option =
        addOption(action, fresh("Option"), kOptionTypes[c_.below(kOptionTypeCount)]);
    if (c_.chance(50)) moveToFront(option);
    d = q(text(action, "Name")) + " " + q(text(option, "Name")) + " of type " +
        text(option, "Type");
    return true;
  }
  bool optionRemoved(std::string& d) {
    pugi::xml_node option = pick(select(md_, "//Actions/Action/Options/Option"));
    if (!option) return false;
    d = q(text(option, "Name")) + " of type " + q(text(option, "Type"));
    option.parent().remove_child(option);
    return true;
  }
  bool optionsReordered(std::string& d) {
    const Nodes options = select(pick(select(md_, kAnyAction)), "Options/Option");
    if (options.size() < 2) return false;
    const pugi::xml_node moved = options[1 + c_.below(static_cast<unsigned>(options.size() - 1))];
    d = q(text(moved, "Name")) + " first";
    moveToFront(moved);
    return true;
  }
  bool channelTable(std::string& d) {
    pugi::xml_node option =
        pick(select(md_, "//Actions/Action/Options/Option[Type='ChTableSelect']"));
    if (!option) {
      const pugi::xml_node action = pick(select(md_, kAnyAction));
      if (!action) return false;
      option = addOption(action, fresh("Table"), "ChTableSelect");
      d = q(text(action, "Name")) + " gets " + q(text(option, "Name"));
      return true;
    }
    pugi::xml_node rows = ensure(option, "ValueColumns");
    pugi::xml_node columns =
        ensure(ensure(ensure(option, "TypeProperties"), "ChTableSelectOption"), "Columns");
    const unsigned columnCount = static_cast<unsigned>(select(columns, "Column").size());
    switch (c_.below(4)) {
      case 0:
        addRow(rows, columnCount);
        d = q(text(option, "Name")) + " a row more";
        break;
      case 1:
        if (rows.last_child()) rows.remove_child(rows.last_child());
        d = q(text(option, "Name")) + " a row fewer";
        break;
      case 2:
        addColumn(columns);
        for (pugi::xml_node row : rows.children("Row")) addText(row, "Value", "1");
        d = q(text(option, "Name")) + " a column more";
        break;
      default:
        if (columns.last_child()) columns.remove_child(columns.last_child());
        for (pugi::xml_node row : rows.children("Row"))
          if (row.first_child() != row.last_child()) row.remove_child(row.last_child());
        d = q(text(option, "Name")) + " a column fewer";
    }
    return true;
  }

  // --- ports and links ------------------------------------------------------
  bool portAdded(std::string& d) {
    pugi::xml_node action = pick(select(md_, kDrawnAction));
    if (!action) return false;
    pugi::xml_node port = ensure(action, "NextActions").append_child("Action");
    addText(port, "PortName", pick({"Default", "Error", "Warning", fresh("Port")}));
    const std::string target = c_.chance(80) ? pick(siblings(action)) : "";
    if (!target.empty()) addText(port, "ActionName", target);
    if (c_.chance(50)) {
      addText(port, "PortX", std::to_string(c_.below(300)));
      addText(port, "PortY", std::to_string(c_.below(300)));
    }
    if (c_.chance(30)) addText(port, "PortVisible", pick({"False", "True"}));
    if (c_.chance(50)) {
      pugi::xml_node points = port.append_child("LinkPoints");
      for (unsigned k = 0, n = 1 + c_.below(3); k < n; ++k) {
        pugi::xml_node point = points.append_child("LinkPoint");
        addText(point, "X", std::to_string(10 * k));
        addText(point, "Y", std::to_string(20 + k));
      }
    }
    d = q(text(action, "Name")) + " port " + q(text(port, "PortName")) + " to " + q(target);
    return true;
  }
  bool portRemoved(std::string& d) {
    pugi::xml_node port = pick(select(md_, "//Actions/Action/NextActions/Action"));
    if (!port) return false;
    d = q(text(port.parent().parent(), "Name")) + " port " + q(text(port, "PortName"));
    port.parent().remove_child(port);
    return true;
  }
  bool portRenamed(std::string& d) {
    pugi::xml_node port = pick(select(md_, "//Actions/*/NextActions/Action"));
    if (!port) return false;
    d = q(text(port.parent().parent(), "Name")) + " port " + q(text(port, "PortName"));
    setText(port, "PortName", pick({"Default", "Error", fresh("Port")}));
    d += " to " + q(text(port, "PortName"));
    return true;
  }
  bool portTarget(std::string& d) {
    pugi::xml_node port = pick(select(md_, "//Actions/*/NextActions/Action"));
    if (!port) return false;
    const std::string target = c_.chance(80) ? pick(siblings(port.parent().parent())) : "";
    if (target.empty())
      port.remove_child("ActionName");
    else
      setText(port, "ActionName", target);
    d = q(text(port.parent().parent(), "Name")) + " port " + q(text(port, "PortName")) + " to " +
        q(target);
    return true;
  }
  bool portPosition(std::string& d) {
    pugi::xml_node port = pick(select(md_, "//Actions/*/NextActions/Action"));
    if (!port) return false;
    const char* child = c_.chance(30) ? "PortVisible" : c_.chance(50) ? "PortX" : "PortY";
    if (c_.chance(30))
      port.remove_child(child);
    else
      setText(port, child,
              std::string(child) == "PortVisible" ? pick({"True", "False"})
                                                  : std::to_string(c_.below(500)));
    d = q(text(port, "PortName")) + " " + child + " " + q(text(port, child));
    return true;
  }
  bool linkPoints(std::string& d) {
    pugi::xml_node port = pick(select(md_, "//Actions/*/NextActions/Action"));
    if (!port) return false;
    pugi::xml_node points = ensure(port, "LinkPoints");
    if (points.last_child() && c_.chance(50)) {
      points.remove_child(points.last_child());
      d = q(text(port, "PortName")) + " a link point fewer";
    } else {
      for (unsigned k = 0, n = 1 + c_.below(2); k < n; ++k) {
        pugi::xml_node point = points.append_child("LinkPoint");
        addText(point, "X", std::to_string(c_.below(400)));
        if (c_.chance(80)) addText(point, "Y", std::to_string(c_.below(400)));
      }
      d = q(text(port, "PortName")) + " more link points";
    }
    return true;
  }

  // --- sequences and canvases -----------------------------------------------
  bool sequenceStart(std::string& d) {
    pugi::xml_node owner = pick(select(md_, kCanvas));
    if (!owner) return false;
    const std::string start = c_.chance(85) ? pick(texts(owner, "Actions/*/Name")) : "Nowhere";
    if (start.empty() && c_.chance(50))
      owner.remove_child("StartActionName");
    else
      setText(owner, "StartActionName", start);
    d = q(text(owner, "Category") + text(owner, "Name")) + " starts at " + q(start);
    return true;
  }
  bool actionRenamed(std::string& d) {
    pugi::xml_node action = pick(select(md_, "Sequences/Sequence/Actions/Action"));
    if (!action) return false;
    d = q(text(action, "Name"));
    setText(action, "Name", fresh("Action"));
    d += " to " + q(text(action, "Name"));
    return true;
  }
  bool actionRemoved(std::string& d) {
    pugi::xml_node action = pick(select(md_, "Sequences/Sequence/Actions/*"));
    if (!action) return false;
    d = q(text(action, "Name"));
    action.parent().remove_child(action);
    return true;
  }
  bool actionAdded(std::string& d) {
    pugi::xml_node sequence = pick(select(md_, "Sequences/Sequence"));
    if (!sequence) return false;
    pugi::xml_node actions = ensure(sequence, "Actions");
    const pugi::xml_node model = pick(select(md_, kDrawnAction));
    pugi::xml_node action =
        model && c_.chance(70) ? actions.append_copy(model) : actions.append_child("Action");
    setText(action, "Name", fresh("Action"));
    if (!model) addOption(action, "Gain", kOptionTypes[c_.below(kOptionTypeCount)]);
    if (c_.chance(50)) moveToFront(action);
    d = q(text(sequence, "Category")) + " gets " + q(text(action, "Name"));
    return true;
  }
  bool canvasItems(const char* list, std::string& d) {
    pugi::xml_node owner = pick(select(md_, kCanvas));
    if (!owner) return false;
    pugi::xml_node items = ensure(owner, list);
    if (items.last_child() && c_.chance(50)) {
      items.remove_child(items.last_child());
      d = q(text(owner, "Category") + text(owner, "Name")) + " one fewer";
      return true;
    }
    for (unsigned k = 0, n = 1 + c_.below(3); k < n; ++k) {
      pugi::xml_node item =
          items.append_child(std::string(list) == "Rectangles" ? "Rectangle" : "Comment");
      addText(item, "X", std::to_string(c_.below(400)));
      addText(item, "Y", std::to_string(c_.below(400)));
      if (c_.chance(60)) addText(item, "Width", std::to_string(c_.below(400)));
      if (c_.chance(60)) addText(item, "Height", std::to_string(c_.below(400)));
      if (c_.chance(40)) addText(item, "Color", std::to_string(c_.below(16777215)));
      if (std::string(list) == "Comments") addText(item, "CommentText", longText().substr(0, 2000));
    }
    d = q(text(owner, "Category") + text(owner, "Name")) + " more";
    return true;
  }
  bool frames(std::string& d) { return canvasItems("Rectangles", d); }
  bool comments(std::string& d) { return canvasItems("Comments", d); }
  bool sequenceCategory(std::string& d) {
    pugi::xml_node sequence = pick(select(md_, "Sequences/Sequence"));
    if (!sequence) return false;
    d = q(text(sequence, "Category"));
    setText(sequence, "Category", category());
    d += " to " + q(text(sequence, "Category"));
    return true;
  }
  bool sequenceRemoved(std::string& d) {
    pugi::xml_node sequence = pick(select(md_, "Sequences/Sequence"));
    if (!sequence) return false;
    d = q(text(sequence, "Category"));
    sequence.parent().remove_child(sequence);
    return true;
  }
  bool sequenceAdded(std::string& d) {
    const pugi::xml_node model = pick(select(md_, "Sequences/Sequence"));
    pugi::xml_node sequences = ensure(md_, "Sequences");
    pugi::xml_node sequence =
        model ? sequences.append_copy(model) : sequences.append_child("Sequence");
    setText(sequence, "Category", category());
    if (!model) {  // the file's first sequence: two actions, the first leading to the second
      pugi::xml_node actions = sequence.append_child("Actions");
      for (const char* stem : {"Start", "Next"}) {
        pugi::xml_node action = actions.append_child("Action");
        addText(action, "Name", fresh(stem));
        addOption(action, "Gain", kOptionTypes[c_.below(kOptionTypeCount)]);
      }
      setText(sequence, "StartActionName", text(actions.first_child(), "Name"));
      pugi::xml_node port =
          actions.first_child().append_child("NextActions").append_child("Action");
      addText(port, "PortName", "Default");
      addText(port, "ActionName", text(actions.last_child(), "Name"));
    }
    d = q(text(sequence, "Category"));
    return true;
  }

  // --- action groups --------------------------------------------------------
  bool groupActionAdded(std::string& d) {
    pugi::xml_node body = pick(select(md_, "ActionGroupSequences/ActionGroupSequence"));
    if (!body) return false;
    const pugi::xml_node model = pick(select(body, "Actions/Action"));
    pugi::xml_node actions = ensure(body, "Actions");
    pugi::xml_node action = model ? actions.append_copy(model) : actions.append_child("Action");
    setText(action, "Name", fresh("Inner"));
    if (c_.chance(50)) moveToFront(action);
    d = q(text(body, "Name")) + " gets " + q(text(action, "Name"));
    return true;
  }
  bool groupActionRemoved(std::string& d) {
    pugi::xml_node inner = pick(select(md_, "ActionGroupSequences/ActionGroupSequence/Actions/*"));
    if (!inner) return false;
    d = q(text(inner.parent().parent(), "Name")) + " without " + q(text(inner, "Name"));
    inner.parent().remove_child(inner);
    return true;
  }
  bool groupInnerRenamed(std::string& d) {
    pugi::xml_node inner =
        pick(select(md_, "ActionGroupSequences/ActionGroupSequence/Actions/Action"));
    if (!inner) return false;
    const std::string old = text(inner, "Name"), renamed = fresh("Inner");
    setText(inner, "Name", renamed);
    if (c_.chance(60))  // the data follows the rename
      for (pugi::xml_node data : select(md_, "ActionGroupDatas/ActionGroupData/Actions/Action"))
        if (text(data, "Name") == old) setText(data, "Name", renamed);
    d = q(old) + " to " + q(renamed);
    return true;
  }
  bool groupPorts(std::string& d) {
    pugi::xml_node group = pick(select(md_, "//Actions/ActionGroup"));
    if (!group) return false;
    pugi::xml_node ports = ensure(group, "NextActions");
    if (ports.last_child() && c_.chance(50)) {
      d = q(text(group, "Name")) + " port " + q(text(ports.last_child(), "PortName")) + " removed";
      ports.remove_child(ports.last_child());
      return true;
    }
    const pugi::xml_node body =
        withText(select(md_, "ActionGroupSequences/ActionGroupSequence"), "Name",
                 {text(group, "ActionGroupSequence"), text(group, "Name")});
    pugi::xml_node port = ports.append_child("Action");
    addText(port, "PortName", pick({"Default", "Error", "Warning", fresh("Port")}));
    addText(port, "PortVisible", c_.chance(80) ? "True" : "False");
    const std::string target = pick(siblings(group));
    if (!target.empty() && c_.chance(80)) addText(port, "ActionName", target);
    addText(port.append_child("PortActionInfo"), "ActionName",
            pick(texts(body, "Actions/Action/Name")));
    if (c_.chance(40)) {
      pugi::xml_node point = port.append_child("LinkPoints").append_child("LinkPoint");
      addText(point, "X", "5");
      addText(point, "Y", "6");
    }
    d = q(text(group, "Name")) + " port " + q(text(port, "PortName")) + " added";
    return true;
  }
  bool groupNested(std::string& d) {
    const Nodes bodies = select(md_, "ActionGroupSequences/ActionGroupSequence");
    pugi::xml_node body = pick(bodies);
    if (!body) return false;
    const pugi::xml_node nested = pick(select(body, "Actions/ActionGroup"));
    if (nested && c_.chance(50)) {
      d = q(text(body, "Name")) + " without group " + q(text(nested, "Name"));
      nested.parent().remove_child(nested);
      return true;
    }
    const std::string inner = text(pick(bodies), "Name");
    if (inner == text(body, "Name")) return false;  // a body never places itself
    pugi::xml_node group = ensure(body, "Actions").append_child("ActionGroup");
    addText(group, "Name", fresh("Nested"));
    addText(group, "ActionGroupSequence", inner);
    addText(group, "ActionGroupData", pick(texts(md_, "ActionGroupDatas/ActionGroupData/Name")));
    setText(body, "StartActionName", text(group, "Name"));  // named, so that it is loaded
    d = q(text(body, "Name")) + " places " + q(inner) + " as " + q(text(group, "Name"));
    return true;
  }
  bool groupInstance(std::string& d) {
    pugi::xml_node group = pick(select(md_, "//Actions/ActionGroup"));
    if (!group) return false;
    static const char* const kTexts[] = {"ActionGroupData", "X", "Height", "Color"};
    const char* child = kTexts[c_.below(4)];
    if (std::string(child) == "ActionGroupData")
      setText(
          group, child,
          pick(texts(md_, "ActionGroupDatas/ActionGroupData/Name")) + (c_.chance(20) ? "?" : ""));
    else
      setText(group, child, std::to_string(c_.below(400)));
    d = q(text(group, "Name")) + " " + child + " " + q(text(group, child));
    return true;
  }
  // A drawn action (of a sequence or a group body) wrapped into a group under
  // its own name: a new definition holds the action, a new data node its
  // options, and the group's exit ports leave from it where its ports did.
  bool actionBecomesGroup(std::string& d) {
    pugi::xml_node action = pick(select(md_, kDrawnAction));
    if (!action) return false;
    const std::string name = text(action, "Name"), wrap = fresh("Wrap");
    pugi::xml_node body = ensure(md_, "ActionGroupSequences").append_child("ActionGroupSequence");
    addText(body, "Name", wrap);
    addText(body, "StartActionName", name);
    pugi::xml_node inner = body.append_child("Actions").append_copy(action);
    for (pugi::xml_node port : select(inner, "NextActions/Action")) port.remove_child("ActionName");
    pugi::xml_node data = ensure(md_, "ActionGroupDatas").append_child("ActionGroupData");
    addText(data, "Name", wrap);
    data.append_child("Actions").append_copy(action);
    pugi::xml_node group = action.parent().insert_child_before("ActionGroup", action);
    addText(group, "Name", name);
    addText(group, "ActionGroupSequence", wrap);
    addText(group, "ActionGroupData", wrap);
    pugi::xml_node exits = group.append_child("NextActions");
    for (pugi::xml_node port : select(action, "NextActions/Action")) {
      pugi::xml_node exit = exits.append_copy(port);
      setText(exit, "PortVisible", "True");
      addText(exit.append_child("PortActionInfo"), "ActionName", name);
    }
    action.parent().remove_child(action);
    d = q(name) + " into " + q(wrap);
    return true;
  }
  // A group (of a sequence or a group body) unwrapped: an action of its name
  // takes its place, built like its definition's start action, with the
  // group's exit ports.
  bool groupBecomesAction(std::string& d) {
    pugi::xml_node group = pick(select(md_, "//Actions/ActionGroup"));
    if (!group) return false;
    const std::string name = text(group, "Name");
    const pugi::xml_node body =
        withText(select(md_, "ActionGroupSequences/ActionGroupSequence"), "Name",
                 {text(group, "ActionGroupSequence")});
    const pugi::xml_node model =
        withText(select(body, "Actions/Action"), "Name", {text(body, "StartActionName")});
    pugi::xml_node action = group.parent().insert_child_before("Action", group);
    addText(action, "Name", name);
    for (pugi::xml_node child : model.children())
      if (std::string(child.name()) != "Name" && std::string(child.name()) != "NextActions")
        action.append_copy(child);
    pugi::xml_node ports = action.append_child("NextActions");
    for (pugi::xml_node exit : select(group, "NextActions/Action")) {
      pugi::xml_node port = ports.append_copy(exit);
      port.remove_child("PortActionInfo");
      port.remove_child("PortVisible");
    }
    group.parent().remove_child(group);
    d = q(name) + (model ? " like " + q(text(model, "Name")) : std::string());
    return true;
  }
  bool parameterRemoved(std::string& d) {
    pugi::xml_node parameter = pick(select(md_, "Parameters/ParameterType/Parameter"));
    if (!parameter) return false;
    d = q(text(parameter, "Name"));
    parameter.parent().remove_child(parameter);
    return true;
  }
  // A parameter's definition goes, and a selector, a channel table, a
  // device's SetParam or the throttle (with, by chance, a control-mode
  // request) names it: only the other file of the pair makes it.
  bool earlierParameterNamed(std::string& d) {
    pugi::xml_node parameter = pick(select(md_, "Parameters/ParameterType/Parameter"));
    if (!parameter) return false;
    const std::string name = text(parameter, "Name");
    parameter.parent().remove_child(parameter);
    const pugi::xml_node action = pick(select(md_, kDrawnAction));
    const unsigned referrer = action ? c_.below(4) : 2 + c_.below(2);
    d = q(name) + " defined no more, named by ";
    if (referrer == 0) {
      pugi::xml_node option = pick(select(action, "Options/Option[Type='ChSelect']"));
      if (!option) option = addOption(action, fresh("Channels"), "ChSelect");
      addText(ensure(option, "Values"), "Value", name);
      d += "a selector of " + q(text(action, "Name"));
    } else if (referrer == 1) {
      pugi::xml_node option = pick(select(action, "Options/Option[Type='ChTableSelect']"));
      if (!option) option = addOption(action, fresh("Table"), "ChTableSelect");
      const Nodes columns = select(option, "TypeProperties/ChTableSelectOption/Columns/Column");
      addRow(ensure(option, "ValueColumns"), static_cast<unsigned>(columns.size()));
      option.child("ValueColumns").last_child().child("Value").text().set(name.c_str());
      d += "a channel table of " + q(text(action, "Name"));
    } else if (referrer == 2) {
      pugi::xml_node devices = ensure(ensure(md_, "GlobalParameters"), "Devices");
      pugi::xml_node device = pick(select(devices, "Device"));
      if (!device) {
        device = devices.append_child("Device");
        addText(device, "DeviceName", "Motor");
        addText(device, "DeviceType", "ECU");
      }
      pugi::xml_node entry = ensure(device, "SetParams").append_child("SetParam");
      addText(entry, "Name", name);
      addText(entry, "Value", pick({"", "IN_1"}));
      d += "a SetParam of device " + q(text(device, "DeviceName"));
    } else {
      pugi::xml_node common = ensure(ensure(md_, "GlobalParameters"), "CommonParameter");
      setText(ensure(common, "Property"), "ThrottleParameter", name);
      // The throttle is looked up only beside operating-point parameters.
      if (select(md_, "Parameters/ParameterType[Category='OperatingPoint']/Parameter").empty()) {
        pugi::xml_node type = ensure(md_, "Parameters").append_child("ParameterType");
        addText(type, "Category", "OperatingPoint");
        addText(type.append_child("Parameter"), "Name", "Operating Point");
      }
      d += "the throttle";
      if (c_.chance(50)) {
        pugi::xml_node request = ensure(common, "ModeRequestCh").append_child("ModeRequest");
        addText(request, "Name", "1");
        addText(request, "Dyno", name);
        addText(request, "Engine", c_.chance(50) ? name : parameterName());
        d += " and a control-mode request";
      }
    }
    return true;
  }
  // Two parameters share a set channel of one device (a parameter may leave
  // the channel it shared with a third).
  bool setChannelShared(std::string& d) {
    const Nodes parameters = select(md_, "Parameters/ParameterType/Parameter");
    if (parameters.empty()) return false;
    const std::string channel = pick({"CH_1", "CH_2"});
    d = "on " + channel + ":";
    for (pugi::xml_node parameter : {pick(parameters), pick(parameters)}) {
      setText(parameter, "Set_ChannelName", channel);
      setText(parameter, "Set_DeviceName", "Motor");
      d += " " + q(text(parameter, "Name"));
    }
    return true;
  }

  Choices& c_;
  pugi::xml_node md_;
};

std::string ConfigMutator::mutate(pugi::xml_document& document) {
  const pugi::xml_node md = document.child("MeasurementDefinition");
  if (!md) return "";
  Edits edits(c_, md);
  const auto& table = Edits::table();
  const unsigned count = static_cast<unsigned>(table.size());
  auto attempt = [&](const Edits::Kind& kind) {
    std::string detail;
    return (edits.*kind.edit)(detail) ? std::string(kind.name) + ": " + detail : std::string();
  };
  // A few kinds by chance, so that every kind is picked about as often
  // whatever the document lacks; then every kind in turn.
  for (int tries = 0; tries < 8; ++tries) {
    const std::string done = attempt(table[c_.below(count)]);
    if (!done.empty()) return done;
  }
  const unsigned first = c_.below(count);
  for (unsigned k = 0; k < count; ++k) {
    const std::string done = attempt(table[(first + k) % count]);
    if (!done.empty()) return done;
  }
  return "";
}

std::string ConfigMutator::grow(pugi::xml_document& document) {
  const pugi::xml_node md = document.child("MeasurementDefinition");
  if (!md) return "";
  Edits edits(c_, md);
  static const char* const kGrowing[] = {"action added", "option added", "plan added",
                                         "sequence added"};
  constexpr unsigned kCount = sizeof kGrowing / sizeof *kGrowing;
  const unsigned first = c_.below(kCount);
  for (unsigned k = 0; k < kCount; ++k)
    for (const Edits::Kind& kind : Edits::table()) {
      std::string detail;
      if (kind.name == std::string(kGrowing[(first + k) % kCount]) && (edits.*kind.edit)(detail))
        return std::string(kind.name) + ": " + detail;
    }
  return "";
}

std::vector<std::string> ConfigMutator::kinds() {
  std::vector<std::string> names;
  for (const Edits::Kind& kind : Edits::table()) names.push_back(kind.name);
  return names;
}

std::string configurationText(const pugi::xml_document& document) {
  std::ostringstream out;
  document.save(out, "", pugi::format_raw | pugi::format_no_declaration);
  return out.str();
}

namespace {

constexpr std::size_t kEnoughElements = 8;

// About how many elements a load of the document builds (a map, a test plan
// and each of its columns, a sequence, each of its actions and their typed
// options; groups are built only where something places them):
// a document that builds few makes a pair that compares little.
std::size_t builtElements(const pugi::xml_document& document) {
  return document
      .select_nodes("MeasurementDefinition/Maps/Map | MeasurementDefinition/TestPlans/TestPlan |"
                    " MeasurementDefinition/TestPlans/TestPlan/Parameters/Parameter |"
                    " MeasurementDefinition/Sequences/Sequence |"
                    " MeasurementDefinition/Sequences/Sequence/Actions/Action |"
                    " MeasurementDefinition/Sequences/Sequence/Actions/Action/Options/Option[Type]")
      .size();
}

}  // namespace

ConfigPair generatePair(const std::vector<std::pair<std::string, std::string>>& seeds,
                        Choices& choices) {
  ConfigPair pair;
  std::string base;
  if (seeds.empty() || choices.chance(20)) {
    base = ConfigGenerator(choices, ConfigGenerator::Flavor::Loadable).document();
    pair.origin = "a generated configuration";
  } else {
    const auto& seed = seeds[choices.below(static_cast<unsigned>(seeds.size()))];
    base = seed.second;
    pair.origin = "seed " + seed.first;
  }
  pugi::xml_document document;
  document.load_string(base.c_str());
  ConfigMutator mutator(choices);
  // A small base first grows (the edits are part of the origin), so that
  // both files build enough to compare after the edits that remove things.
  for (int k = 0; k < 8 && builtElements(document) < kEnoughElements; ++k) {
    const std::string edit = mutator.grow(document);
    if (!edit.empty()) pair.origin += "; " + edit;
  }
  for (unsigned k = 0, n = choices.below(3); k < n; ++k) {
    const std::string edit = mutator.mutate(document);
    if (!edit.empty()) pair.origin += "; " + edit;
  }
  pair.a = configurationText(document);
  // Edits until B differs from A (an edit may give a text back as it was).
  for (unsigned k = 0, n = 1 + choices.below(3); k < n || (pair.b == pair.a && k < 8); ++k) {
    const std::string edit = mutator.mutate(document);
    if (!edit.empty()) pair.edits.push_back(edit);
    pair.b = configurationText(document);
  }
  if (choices.chance(35)) {
    std::swap(pair.a, pair.b);
    pair.swapped = true;
  }
  return pair;
}

std::string ConfigPair::describe() const {
  std::string text =
      swapped ? "B is " + origin + "; A is B with:" : "A is " + origin + "; B is A with:";
  for (const std::string& edit : edits) text += "\n  - " + edit;
  return text;
}

}  // namespace tavik_fuzz
