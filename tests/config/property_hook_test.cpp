// The generated property hook file: its exact bytes, and what the bench's
// Python does with it against a stand-in of the `tavik` module. Formula uses
// are appended here as the parameter and action loaders append them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "ParameterText.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/actionloader.h"
#include "TavikEngine/Config/PythonText.h"

namespace {

using tavik_test::formulaXml;
using Lines = std::vector<std::string>;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the hook file in `dir` against the stand-in `stub` of the `tavik`
// module: prepare, execute and reset, then what the stand-in logged and the
// attributes left on the hook.
std::string runHook(const std::filesystem::path& dir, const std::string& stub) {
  std::ofstream(dir / "tavik.py") << stub;
  const int status = std::system(
      ("cd '" + dir.string() + "' && python3 -B -E -s -c \"import tavik, PropertyHook; "
       "h = PropertyHook.PropertyHook(); h.prepare(); h.execute(); h.reset(); "
       "print('\\n'.join(tavik.log)); print('left', sorted(vars(h)))\" > output.txt 2>&1").c_str());
  const std::string output = readFile(dir / "output.txt");
  EXPECT_EQ(0, status) << output;
  return output;
}

// The hook file whose prepare, execute and reset methods hold `prepare`,
// `execute` and `reset`.
std::string hookText(const Lines& prepare, const Lines& execute, const Lines& reset) {
  std::string text =
      "from math import pow, log, log10, sqrt, cos, sin, tan, acos, asin, atan\n"
      "from tavik import Parameter, FormulaResult\n\nclass PropertyHook():\n\n"
      "    def __init__(self):\n        pass\n";
  for (const auto& [name, body] : {std::make_pair("prepare", &prepare),
                                   std::make_pair("execute", &execute),
                                   std::make_pair("reset", &reset)}) {
    text += "\n    def " + std::string(name) + "(self):\n";
    for (const auto& line : body->empty() ? Lines{"pass"} : *body) text += "        " + line + "\n";
  }
  return text +
         "\n    def calculate(self, value, min_limit, max_limit):\n"
         "        calculated_value = min(max(value, min_limit), max_limit)\n"
         "        return calculated_value\n";
}

class PropertyHookTest : public ::testing::Test {
 protected:
  pugi::xml_node load(const std::string& formulas, const std::string& body = "") {
    const pugi::xml_node md =
        tavik_test::parseXml(&doc_, tavik_test::definitionXml(formulas, body));
    loader_.load(md);
    return md;
  }

  // Appends the use of the formula record `name` that the parameter loader
  // (on `property` of parameter `target`) or, without a property, the action
  // loader (on the action property `target`) makes.
  FormulaEntry& addUse(const std::wstring& name, const std::wstring& target,
                       const std::wstring& property = L"") {
    FormulaEntry use;
    for (const FormulaEntry& f : loader_.get_formulas())
      if (f.name == name) use = f;
    use.target = use.variable = target;
    for (wchar_t& c : use.variable) c = c == L' ' ? L'_' : c;
    if (property.empty()) {
      std::wstring special = use.variable;  // the action loader replaces "/", "'", '"' too
      for (wchar_t& c : special) c = (c == L'/' || c == L'\'' || c == L'"') ? L'_' : c;
      use.setter = special + L".set_result(";
      use.action_property_bound = true;
      return loader_.get_formula_uses().emplace_back(use);
    }
    use.variable = loader_.parameterAttribute(use.variable, target);  // as the parameter loader
    use.setter = use.variable + L".set(Parameter.Property." + property + L", ";
    use.parameter_bound = true;
    if (use.this_parameter) {  // its one "ThisParameter" becomes the variable; no limits
      use.expression.replace(use.expression.find(L"ThisParameter"), 13, use.variable);
      use.this_parameter = use.use_min_max = false;
    }
    return loader_.get_formula_uses().emplace_back(use);
  }

  std::string written() {
    loader_.create_file();
    return readFile(ini_.hookFile());
  }

  tavik_test::ScopedIni ini_{""};
  pugi::xml_document doc_;
  FormuaLoader loader_;
};

TEST_F(PropertyHookTest, NoFormulasTheTorqueDemandExampleAndLimitsByteForByte) {
  std::ofstream(ini_.hookFile()) << std::string(5000, '#');  // an old file is replaced
  load("");
  EXPECT_EQ(hookText({}, {}, {}), written());

  load(formulaXml("Double", "&lt;Engine Speed&gt;.Value * 2",
                  "<UseMinMaxFlag>1</UseMinMaxFlag><Min>0</Min><Max>500</Max>"));
  addUse(L"Double", L"Torque Demand", L"Value");
  const std::string expected = hookText(
      {"self.Engine_Speed = Parameter('Engine Speed')",
       "self.Engine_Speed.set(Parameter.Property.Is_Active, 1)",
       "self.Torque_Demand = Parameter('Torque Demand')",
       "self.Torque_Demand.set(Parameter.Property.Is_Active, 1)"},
      {"self.Torque_Demand.set(Parameter.Property.Value, "
       "self.calculate(self.Engine_Speed.get(Parameter.Property.Value) * 2, 0, 500))"},
      {"del self.Engine_Speed", "del self.Torque_Demand"});
  EXPECT_EQ(expected, written());
  EXPECT_EQ(expected, written());  // again without a load: the lines stay unique

  // Limits in the default float format (default 1 and 100); infinities as Python knows them.
  load(formulaXml("Half", "&lt;Speed&gt;.Value / 2",
                  "<UseMinMaxFlag>true</UseMinMaxFlag><Max>1000000</Max>") +
       formulaXml("Inf", "&lt;Speed&gt;.Value", "<UseMinMaxFlag>1</UseMinMaxFlag><Min>-INF</Min>"));
  addUse(L"Half", L"Gain", L"Value");
  addUse(L"Inf", L"Gain", L"Demand_Value");
  const std::string text = written();
  for (const char* tail : {" / 2, 1, 1e+06))\n", ".Value), -float('inf'), 100))\n"})
    EXPECT_NE(std::string::npos, text.find(tail)) << tail;
}

TEST_F(PropertyHookTest, AnUnwritableFileIsAWarningAndTheLinesAreSetAllTheSame) {
  std::filesystem::remove_all(ini_.dir().path() / "system");
  load(formulaXml("F", "&lt;ThisParameter&gt;.V + &lt;B&gt;.V + &lt;A&gt;.V + &lt;B&gt;.V"));
  addUse(L"F", L"_prop_C_Sequence/B");  // reads ThisParameter: binds nothing
  tavik_test::CapturingSink sink;
  loader_.create_file();
  EXPECT_EQ(Lines{"Could not write the property hook file " + ini_.hookFile().string() +
                  ": No such file or directory"},
            sink.messages(WARNING.value));
  EXPECT_FALSE(std::filesystem::exists(ini_.dir().path() / "system"));
  EXPECT_EQ(std::make_pair(size_t{4}, std::vector<std::wstring>{L"del self.A", L"del self.B"}),
            std::make_pair(loader_.get_prepare_lines().size(), loader_.get_reset_lines()));
}

TEST(PythonText, LiteralsAndIdentifiers) {
  EXPECT_EQ(L"'a\\'b\\\\c\\nd\\re\\tf\\x00\\x7f\\x85\\ud800\u00e4\u20ac'",
            tavik::pythonStringLiteral(std::wstring(L"a'b\\c\nd\re\tf") + L'\0' + L"\x7f\x85" +
                                       static_cast<wchar_t>(0xD800) + L"\u00e4\u20ac"));
  const std::pair<std::wstring, std::wstring> identifiers[] = {
      {L"Engine_Speed", L"Engine_Speed"}, {L"Oil\tTemp [C]", L"Oil_Temp__C_"}, {L"\u00d6l", L"_l"},
      {L"1st", L"_1st"}, {L"", L"_"}, {L"class", L"class_"}, {L"None", L"None_"},
      {L"reset", L"reset_"}, {L"calculate", L"calculate_"}, {L"__init__", L"__init___"}};
  for (const auto& [name, identifier] : identifiers)
    EXPECT_EQ(identifier, tavik::pythonIdentifier(name)) << pugi::as_utf8(name);
  // Every keyword, whatever its length and first letter; near misses are none.
  std::wstring keywords, verdicts;
  for (const wchar_t* k :
       {L"False", L"None", L"True", L"and", L"as", L"assert", L"async", L"await", L"break",
        L"class", L"continue", L"def", L"del", L"elif", L"else", L"except", L"finally", L"for",
        L"from", L"global", L"if", L"import", L"in", L"is", L"lambda", L"nonlocal", L"not", L"or",
        L"pass", L"raise", L"return", L"try", L"while", L"with", L"yield", L"self", L"match",
        L"none", L"i", L"continues"}) {
    keywords += k + std::wstring(L" ");
    verdicts += (tavik::isPythonKeyword(k) ? L"K" : L".");
  }
  EXPECT_EQ(std::wstring(35, L'K') + L".....", verdicts) << pugi::as_utf8(keywords);
  EXPECT_EQ("\x41\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD",
            tavik::pythonSourceUtf8(std::wstring(L"A\u00e4\u20ac") + static_cast<wchar_t>(0x1F600) +
                                    static_cast<wchar_t>(0xDC00)));
}

// Records every value that a formula stores (activations left out); any
// property name is known, and a value not listed reads 0.5.
const char kTavikStub[] = R"PY(
log = []
class _Names(type):
    def __getattr__(cls, name): return name
class Parameter:
    class Property(metaclass=_Names): pass
    values = {('Engine Speed', 'Value'): 300.0, ('Oil Temp', 'Value'): 40.0,
              ('Tab\tName', 'Value'): 2.0, ('reset', 'Value'): 300.0,
              ("x').get(0) or __import__('os').system('touch PWNED2') #", 'Value'): 7.0,
              ('A B', 'Value'): 1.0, ('A_B', 'Value'): 2.0}
    def __init__(self, name): self.name = name
    def get(self, prop): return Parameter.values.get((self.name, prop), 0.5)
    def set(self, prop, value):
        if prop != 'Is_Active': log.append('%r %s %r' % (self.name, prop, value))
class FormulaResult(Parameter):
    def set_result(self, value): log.append('%r %r' % (self.name, value))
)PY";

// Clamping (and none without the flag), a ThisParameter formula and
// action-property formulas (one also marked as bound to a parameter, one
// reading ThisParameter and so left out), each also on names that would break
// the file or inject code if spliced. Last, the uses the action loader makes
// for "Formula:" options of a sequence action: the result lands in the
// FormulaResult of the option's keyed name, also for names with quotes, blanks
// and hyphens.
TEST_F(PropertyHookTest, PythonRunsTheHookWithOrdinaryAndHostileNames) {
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  tavik_test::ScopedWorkspace workspace;
  const pugi::xml_node md = load(
      formulaXml("Double", "&lt;Engine Speed&gt;.Value * 2",
                 "<UseMinMaxFlag>1</UseMinMaxFlag><Min>0</Min><Max>500</Max>") +
          formulaXml("PlusOne", "&lt;ThisParameter&gt;.Value + 1") +
          formulaXml("Tab", "&lt;Tab\tName&gt;.Value + &lt;reset&gt;.Value"),
      "<Sequences><Sequence><Category>Cat</Category><Actions><Action><Name>A'c-t</Name><Options>"
      "<Option><Name>O p</Name><Type>MapAndValueSelect</Type><Values><Value>Formula:Double"
      "</Value></Values></Option><Option><Name>Step</Name><Type>StepDuration</Type><Values>"
      "<Value>Formula:Double</Value></Values></Option><Option><Name>None</Name><Type>"
      "MapAndValueSelect</Type><Values><Value>Formula:Nowhere</Value></Values></Option></Options>"
      "</Action></Actions></Sequence></Sequences>");
  addUse(L"Double", L"Torque Demand", L"Value");
  addUse(L"PlusOne", L"Oil Temp", L"Demand_Value");
  addUse(L"PlusOne", L"x').get(0) or __import__('os').system('touch PWNED2') #", L"Value");
  addUse(L"Tab", L"Q'); import os; os.system('touch PWNED'); x=('", L"Value");
  addUse(L"Tab", L"Back\\slash\nnew \"line\"", L"Value");
  addUse(L"Tab", L"_prop_C_Sequence/A'\"\\O").parameter_bound = true;
  addUse(L"PlusOne", L"_prop_C_Sequence/B");
  tavik::ActionLoader actions;
  actions.setFormuaLoader(&loader_, &loader_.get_formula_uses());
  std::wstring fullName;
  actions.createAction(L"Cat_Sequence",
                       md.child("Sequences").child("Sequence").child("Actions").child("Action"),
                       1, -1, fullName);
  ASSERT_EQ(9u, loader_.get_formula_uses().size());
  const FormulaEntry& use = loader_.get_formula_uses()[7];
  EXPECT_EQ((std::vector<std::wstring>{L"_prop_Cat_Sequence/A'c0tO_p",
                                       L"_prop_Cat_Sequence_A_c0tO_p.set_result(",
                                       L"_prop_Cat_Sequence/A'c-tO p"}),
            (std::vector<std::wstring>{use.variable, use.setter, use.target}));
  loader_.create_file();
  const std::filesystem::path dir = ini_.hookFile().parent_path();
  EXPECT_EQ("'Torque Demand' Value 500\n"
            "'Oil Temp' Demand_Value 41.0\n"
            "\"x').get(0) or __import__('os').system('touch PWNED2') #\" Value 8.0\n"
            "\"Q'); import os; os.system('touch PWNED'); x=('\" Value 302.0\n"
            "'Back\\\\slash\\nnew \"line\"' Value 302.0\n"
            "'_prop_C_Sequence/A\\'\"\\\\O_action_property' 302.0\n"
            "\"_prop_Cat_Sequence/A'c-tO p_action_property\" 500\n"
            "\"_prop_Cat_Sequence/A'c-tStep_action_property\" 500\n"
            "left []\n",
            runHook(dir, kTavikStub));
  EXPECT_FALSE(std::filesystem::exists(dir / "PWNED") || std::filesystem::exists(dir / "PWNED2"));
}

// Through the whole load: a parameter name made to be code, a property that
// is no attribute name, and names that map to one attribute.
TEST(PropertyHookLoad, NamesNeverBecomeCodeAndEachNameKeepsItsOwnAttribute) {
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  tavik_test::ScopedWorkspace workspace;
  tavik_test::ScopedIni ini("");
  const std::string hostile = "Value)if(__import__('os').system('touch PWNED'))else(0";
  const std::string xml = tavik_test::definitionXml(
      formulaXml("Self", "&lt;ThisParameter&gt;.ThisParameter") +
          formulaXml("Read", "&lt;A B&gt;.Value + &lt;A_B&gt;.Value * 10") + formulaXml("One", "1"),
      "<Parameters><ParameterType><Category>Measurement</Category><Parameter><Name>" + hostile +
          "</Name><Unit>Formula:Self</Unit></Parameter><Parameter><Name>A-B</Name><Unit>Formula:One"
          "</Unit></Parameter><Parameter><Name>A0B</Name><Unit>Formula:Read</Unit></Parameter>"
          "<Parameter><Name>C</Name><a:b>Formula:One</a:b></Parameter></ParameterType></Parameters>");
  tavik_test::CapturingSink sink;
  EXPECT_TRUE(tavik::ConfigReader().loadConfig(ini.dir().write("c.xml", xml).wstring(), false));
  EXPECT_EQ(Lines{"The formula One cannot drive the property a:b of parameter C: the property "
                  "name is not a valid attribute"},
            sink.messages(WARNING.value));

  const std::filesystem::path dir = ini.hookFile().parent_path();
  const std::string output = runHook(dir, kTavikStub);
  // The hostile name read its own property named like its attribute.
  EXPECT_EQ("'A-B' Unit 1\n'A0B' Unit 21.0\n\"" + hostile + "\" Unit 0.5\nleft []\n", output);
  EXPECT_FALSE(std::filesystem::exists(dir / "PWNED"));
  const std::string text = readFile(ini.hookFile());
  const std::string attribute = "self.Value_if___import____os___system__touch_PWNED___else_0";
  for (const std::string& line :
       Lines{attribute + ".set(Parameter.Property.Unit, " + attribute + ".get(Parameter.Property." +
                 attribute.substr(5) + "))",
             "self.A_B = Parameter('A B')", "self.A_B_2 = Parameter('A_B')",
             "self.A0B = Parameter('A-B')", "self.A0B_2 = Parameter('A0B')"})
    EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
}

// A refused formula, also one refused for an overlong name run, ends
// nothing: the load goes on, a Get_ChannelName naming it keeps the
// "Formula:" text (so a reload check of the same file finds it unchanged),
// and only its use is dropped from the hook file.
TEST(PropertyHookLoad, ARefusedFormulaKeepsItsChannelTextAndOnlyItsUseIsDropped) {
  tavik_test::ScopedWorkspace workspace;
  tavik_test::ScopedIni ini("");
  const std::string xml = tavik_test::definitionXml(
      formulaXml("Assign", "&lt;A&gt;.Value=1") + formulaXml("Long", std::string(1025, 'a')) +
          formulaXml("One", "1"),
      "<Parameters><ParameterType><Category>Measurement</Category><Parameter><Name>P</Name>"
      "<Get_ChannelName>Formula:Assign</Get_ChannelName><Unit>Formula:Assign</Unit></Parameter>"
      "<Parameter><Name>Q</Name><Get_ChannelName>Formula:Long</Get_ChannelName></Parameter>"
      "<Parameter><Name>R</Name><Value>Formula:One</Value></Parameter></ParameterType>"
      "</Parameters>");
  const std::wstring file = ini.dir().write("c.xml", xml).wstring();
  tavik_test::CapturingSink sink;
  tavik::ConfigReader reader;
  EXPECT_TRUE(reader.loadConfig(file, false));
  EXPECT_EQ((Lines{"The formula Assign is refused: it is not one expression: \"=\" cannot stand "
                   "after \")\"",
                   "The formula Long is refused: it holds a name or word longer than 1024 "
                   "characters"}),
            sink.messages(WARNING.value));
  EXPECT_EQ((std::vector<std::wstring>{L"Formula:Assign|Formula:Assign|", L"Formula:Long"}),
            (std::vector<std::wstring>{
                tavik_test::properties(L"P", L"Get_ChannelName Get_FullChannelName Unit"),
                tavik_test::properties(L"Q", L"Get_ChannelName")}));
  EXPECT_EQ(hookText({"self.R = Parameter('R')", "self.R.set(Parameter.Property.Is_Active, 1)"},
                     {"self.R.set(Parameter.Property.Value, 1)"}, {"del self.R"}),
            readFile(ini.hookFile()));
  sink.clear();
  EXPECT_TRUE(reader.checkReloadParameters(file));
  EXPECT_EQ(Lines{}, sink.messages(WARNING.value));
}

}  // namespace
