// Test helper: hostile measurement configurations, built from a stream of
// choices (the fuzzer's bytes, or a seeded random generator), so that every
// input is a document the loaders walk deep into: names that are code,
// quotes, clashing attributes, numbers that are not, formulas that try to
// leave their call, options that name formulas and maps from sequences and
// nested action groups, test plans.
//
// The Loadable flavour keeps the hostile names, numbers and formulas but
// leaves out what refuses a whole file (bytes that are no UTF-8, names too
// long for their element, empty or "NN", devices the bench does not know,
// operating-point parameters without a throttle parameter, groups without a
// body or placed in a cycle), and always draws a sequence with actions and
// typed options: a file that the load takes and that builds enough elements
// to compare, as the reload comparison wants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tavik_fuzz {

class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit Choices(std::uint32_t seed) : random_(seed), seeded_(true) {}
  // A number below n (n > 0); 0 once the bytes are used up.
  unsigned below(unsigned n) {
    if (seeded_) return std::uniform_int_distribution<unsigned>(0, n - 1)(random_);
    if (at_ >= size_) return 0;
    return data_[at_++] % n;
  }
  bool chance(unsigned percent) { return below(100) < percent; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0, at_ = 0;
  std::mt19937 random_;
  bool seeded_ = false;
};

inline std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

class ConfigGenerator {
 public:
  enum class Flavor { Hostile, Loadable };
  explicit ConfigGenerator(Choices& choices, Flavor flavor = Flavor::Hostile)
      : c_(choices), loadable_(flavor == Flavor::Loadable) {}

  std::string document() {
    for (unsigned i = 0, n = 1 + c_.below(6); i < n; ++i) names_.push_back(name());
    // Now and then bytes that are no UTF-8 (the file has no declaration): the
    // whole file is refused, with a line.
    if (!loadable_ && c_.chance(3))
      names_.back() += pick({"\xC0\x80", "\xFF\xFE", "\xFC", "\xED\xA0\x80"});
    // Now and then a name of an interface parameter or a request parameter,
    // which the devices and the parameters themselves write too.
    if (c_.chance(10))
      names_.push_back(pick({"Motor_wdog_in", "Motor_wdog_out", names_[0] + "_Request_Parameter"}));
    for (unsigned i = 0, n = c_.below(4); i < n; ++i) formulas_.push_back(name());
    for (unsigned i = 0, n = c_.below(3); i < n; ++i) maps_.push_back(name());
    std::string xml = "<MeasurementDefinition>";
    if (c_.chance(50))
      xml += "<Versions><ConfigurationFormatVersion>" + escaped(name()) +
             "</ConfigurationFormatVersion></Versions>";
    xml += "<GlobalParameters><CommonParameter><Property><WatchdogTimeout>" + number() +
           "</WatchdogTimeout><PControlWaitTime>" + number() + "</PControlWaitTime>" +
           "</Property></CommonParameter><Devices>";
    if (c_.chance(30)) {
      const std::string device =
          loadable_ ? pick({"Motor", "Dyno"}) : pick({"Motor", "Pump", name()});
      xml += "<Device><DeviceName>" + escaped(device) + "</DeviceName><ControlRequest><ONValue>" +
             number() + "</ONValue></ControlRequest>";
      // Interface signals, and SetParams that name the interface parameter
      // made before them or any other parameter name of the file.
      std::vector<std::string> set_names{"Watchdog", "ErrorStatus", anyName()};
      const auto entries = [&](const std::string& list, const std::vector<std::string>& names) {
        xml += "<" + list + "s>";
        for (unsigned i = 0, n = c_.below(3); i < n; ++i) {
          const std::string entry = names[c_.below(static_cast<unsigned>(names.size()))];
          const std::string value = pick({"", "CH", name()});
          if (list == "GetParam" && entry == "Watchdog" && !value.empty())
            set_names.push_back(device + "_wdog_in");
          xml += "<" + list + "><Name>" + escaped(entry) + "</Name><Value>" + escaped(value) +
                 "</Value></" + list + ">";
        }
        xml += "</" + list + "s>";
      };
      entries("GetParam", {"Watchdog", "ErrorStatus"});
      entries("SetParam", set_names);
      xml += "</Device>";
    }
    xml += "</Devices></GlobalParameters><Maps>";
    for (const std::string& map : maps_) {
      xml += "<Map><Name>" + escaped(map) + "</Name><XValues>";
      for (unsigned i = 0, n = c_.below(4); i < n; ++i) xml += "<Value>" + number() + "</Value>";
      xml += "</XValues><ZLowerLimit>" + number() + "</ZLowerLimit>";
      if (c_.chance(50)) xml += "<XParameterName>" + escaped(anyName()) + "</XParameterName>";
      xml += "</Map>";
    }
    xml += "</Maps><CalculationFormulas>";
    for (const std::string& formula : formulas_) {
      xml += "<CalculationFormula><Name>" + escaped(formula) + "</Name><Formula>" +
             escaped(formulaText()) + "</Formula>";
      if (c_.chance(40))
        xml += "<UseMinMaxFlag>1</UseMinMaxFlag><Min>" + number() + "</Min><Max>" + number() +
               "</Max>";
      xml += "</CalculationFormula>";
    }
    xml += "</CalculationFormulas><Parameters>";
    static const char* const kCategories[] = {"SetParameter", "OperatingPoint", "Measurement",
                                              "InternalVar", "Invisible"};
    for (unsigned i = 0, n = 1 + c_.below(3); i < n; ++i) {
      xml += "<ParameterType><Category>" + std::string(kCategories[c_.below(5)]) + "</Category>";
      for (unsigned k = 0, m = c_.below(5); k < m; ++k) xml += parameter();
      xml += "</ParameterType>";
    }
    xml += "</Parameters>" + testPlans() + sequences() + "</MeasurementDefinition>";
    // Operating-point parameters want a throttle parameter of the file.
    if (loadable_ && !parameters_.empty())
      xml.insert(xml.find("</Property>"),
                 "<ThrottleParameter>" + escaped(parameters_.front()) + "</ThrottleParameter>");
    return xml;
  }

 private:
  std::string pick(std::initializer_list<std::string> options) {
    return *(options.begin() + c_.below(static_cast<unsigned>(options.size())));
  }
  std::string name() {
    static const char* const kNames[] = {
        "Speed", "Engine Speed", "A B", "A_B", "A-B", "A0B", "O'Brien", "x\"y", "ThisParameter",
        "reset", "class", "1st", "\xC3\x96l Temp", "a\tb", "", "NN", "Result", "Q'); import os; x=('",
        "Value)if(__import__('os').system('touch PWNED'))else(0", "<b>", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "__init__", "Main", "G", "back\\slash"};
    std::string n = kNames[c_.below(sizeof kNames / sizeof *kNames)];
    if (c_.chance(15)) n += kNames[c_.below(sizeof kNames / sizeof *kNames)];
    if (loadable_) return n.empty() || n == "NN" ? "Empty" : n;  // "NN" stands for no name
    if (c_.chance(3)) n += std::string(300, 'n');
    return n;
  }
  std::string anyName() { return names_[c_.below(static_cast<unsigned>(names_.size()))]; }
  std::string number() {
    return pick({"1", "-2.5", "0", "1,5", "7abc", "1e999", "", " 3 ", "nan", "0x10",
                 "99999999999", "-0", "1e-300"});
  }
  std::string property() {
    return pick({"Value", "Value", "Min", "ThisParameter", "", "1x", "if", "x,y", "None"});
  }
  std::string reference() {
    const std::string parameter = c_.chance(20) ? "ThisParameter" : anyName();
    return "<" + parameter + ">." + property();
  }
  std::string expression(int depth) {
    std::string e;
    switch (depth > 2 ? c_.below(2) : c_.below(9)) {
      case 0: e = pick({"1", "2.5", "0x1F", "1e3", ".5j", "None", "x"}); break;
      case 1: e = reference(); break;
      case 2: e = "(" + expression(depth + 1) + ")"; break;
      case 3: e = pick({"sqrt", "log", "abs", "min"}) + "(" + expression(depth + 1) + ")"; break;
      case 4: e = pick({"'text'", "\"a(#;\"", "r'\\d'", "b'x'"}); break;
      case 5: e = pick({"-", "~", "not ", "+"}) + expression(depth + 1); break;
      case 6: {  // a call of two arguments, a tuple or a list
        static const char* const kOpen[] = {"min(", "(", "["};
        static const char* const kClose[] = {")", ",)", "]"};
        const unsigned kind = c_.below(3);
        e = kOpen[kind] + expression(depth + 1) + ", " + expression(depth + 1) + kClose[kind];
        break;
      }
      case 7:
        e = expression(depth + 1) + "[" + pick({"0", "1:", ":2", "::-1", "0, 1:2"}) + "]";
        break;
      default:
        e = expression(depth + 1) +
            pick({" + ", " - ", " * ", " / ", " if 1 else ", " ** ", " // ", " % ", " | ", " & ",
                  " << ", " < ", " == ", " != ", " in ", " not in ", " is not ", " and ", " or ",
                  " < 1 < "}) +
            expression(depth + 1);
    }
    return e;
  }
  std::string formulaText() {
    std::string text = expression(0);
    if (c_.chance(45)) {  // an attempt to leave the call, or text that cannot stand there
      static const char* const kHostile[] = {
          ")", "(", "\n", "#", ";", "\\", "'", "\"", "\xC2\xA0", "<A'B>.V", "<A.B>.V", "f'{1}'",
          "1)\nimport os\nos.system('touch PWNED')\n(1", "]", "$", "'\\x4'", "\r", "\x01", "!",
          // Text that passes every character check but is not one expression
          // of the call: operators in a row, an assignment or keyword
          // argument, a dangling comparison, a second argument, references
          // that could not be read next to operators, forms Python has but
          // the hook file does not allow.
          "=", "x=", "+ *", "* /", "<", "==", "not", "if", "else", ",", ", 2", ", x=1", "a=b",
          "<Engine Speed&gt+.Value", "+ <A>+.V", "<A B+>.V -", "- <A> .V", "<1A>.V", "lambda: 1",
          "for x in y", "*", "**", ":=", "{1}", "1 2", "'a' b'c'", "01", "0x", "<>", "->", "+="};
      // At a boundary between tokens (a blank, or either end), so that the
      // piece is never read as part of another token: the formula may still
      // be one expression (as with "not" before an operand) or not; either
      // way the hook file must parse.
      std::vector<size_t> boundaries{0, text.size()};
      for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == ' ') boundaries.push_back(i);
      const std::string piece = kHostile[c_.below(sizeof kHostile / sizeof *kHostile)];
      text.insert(boundaries[c_.below(static_cast<unsigned>(boundaries.size()))], " " + piece + " ");
    }
    if (c_.chance(5)) text = pick({"", "  "});
    return text;
  }
  std::string value() {
    if (!formulas_.empty() && c_.chance(40))
      return "Formula:" + formulas_[c_.below(static_cast<unsigned>(formulas_.size()))];
    if (!maps_.empty() && c_.chance(15))
      return "Map:" + maps_[c_.below(static_cast<unsigned>(maps_.size()))];
    return number();
  }
  std::string parameter() {
    parameters_.push_back(anyName());
    std::string xml = "<Parameter><Name>" + escaped(parameters_.back()) + "</Name>";
    for (unsigned i = 0, n = c_.below(3); i < n; ++i) {
      const std::string element = pick({"Unit", "Unit", "Min", "Value", "Set_ChannelName",
                                        "Get_ChannelName", "a:b", "Set_Type", "Get_Type",
                                        "Request_ChannelName"});
      xml += "<" + element + ">" + escaped(value()) + "</" + element + ">";
    }
    return xml + "</Parameter>";
  }
  std::string option() {
    std::string xml = "<Option><Name>" + escaped(name()) + "</Name>";
    if (c_.chance(20))  // it writes its status parameter's read-back channel
      xml += "<Type>DeviceStatusChannel</Type><TypeProperties><DeviceStatusChannelOption>"
             "<Device>Motor</Device><StatusParameter>" + escaped(anyName()) +
             "</StatusParameter></DeviceStatusChannelOption></TypeProperties>";
    else if (loadable_)  // a typed option is an element of its own
      xml += "<Type>" + pick({"NumericValue", "MapAndValueSelect", "Value"}) + "</Type>";
    return xml + "<Values><Value>" + escaped(value()) + "</Value></Values></Option>";
  }
  std::string actions(bool groups) {
    std::string xml = "<Actions>";
    for (unsigned i = 0, n = loadable_ ? 1 + c_.below(3) : c_.below(3); i < n; ++i) {
      if (groups && c_.chance(40)) {
        const std::string group = loadable_ ? pick({"G", "H"}) : pick({"G", "H", name()});
        xml += "<ActionGroup><Name>" + escaped(group) + "</Name>";
        if (loadable_) xml += "<ActionGroupSequence>" + group + "</ActionGroupSequence>";
        xml += "<ActionGroupData>" + escaped(pick({"D", "E"})) + "</ActionGroupData></ActionGroup>";
        continue;
      }
      xml += "<Action><Name>" + escaped(name()) + "</Name><Options>";
      for (unsigned k = 0, m = c_.below(3); k < m; ++k) xml += option();
      xml += "</Options></Action>";
    }
    return xml + "</Actions>";
  }
  std::string testPlans() {
    std::string xml = "<TestPlans>";
    for (unsigned i = 0, n = c_.chance(30) ? 1 + c_.below(2) : 0; i < n; ++i) {
      xml += "<TestPlan><Category>" + escaped(pick({"Main", "Initialize", name()})) +
             "</Category><Parameters>";
      for (unsigned k = 0, m = c_.below(4); k < m; ++k) {
        xml += "<Parameter><Name>" + escaped(c_.chance(20) ? "Result" : anyName()) +
               "</Name><AdjType>" + escaped(pick({"Value", "Min", "", name()})) +
               "</AdjType><Values>";
        for (unsigned v = 0, w = c_.below(4); v < w; ++v) xml += "<Value>" + number() + "</Value>";
        xml += "</Values></Parameter>";
      }
      xml += "</Parameters></TestPlan>";
    }
    return xml + "</TestPlans>";
  }
  std::string sequences() {
    std::string xml = "<Sequences>";
    for (unsigned i = 0, n = loadable_ ? 1 + c_.below(2) : c_.below(3); i < n; ++i)
      xml += "<Sequence><Category>" + escaped(pick({"Main", "Initialize", name()})) +
             "</Category>" + actions(true) + "</Sequence>";
    xml += "</Sequences><ActionGroupDatas>";
    for (unsigned i = 0, n = c_.below(3); i < n; ++i)
      xml += "<ActionGroupData><Name>" + escaped(pick({"D", "E"})) + "</Name>" + actions(false) +
             "</ActionGroupData>";
    xml += "</ActionGroupDatas><ActionGroupSequences>";
    if (loadable_) {  // the body of every group a sequence may place, placing none
      for (const char* body : {"G", "H"})
        xml += "<ActionGroupSequence><Name>" + std::string(body) + "</Name><Category>" +
               escaped(name()) + "</Category>" + actions(false) + "</ActionGroupSequence>";
      return xml + "</ActionGroupSequences>";
    }
    for (unsigned i = 0, n = c_.below(3); i < n; ++i)
      xml += "<ActionGroupSequence><Name>" + escaped(pick({"G", "H", "K"})) + "</Name><Category>" +
             escaped(name()) + "</Category>" + actions(true) + "</ActionGroupSequence>";
    return xml + "</ActionGroupSequences>";
  }

  Choices& c_;
  bool loadable_;
  std::vector<std::string> names_, formulas_, maps_, parameters_;
};

}  // namespace tavik_fuzz
