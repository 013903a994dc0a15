// The generated property hook file: its exact bytes, and what the bench's
// Python does with it against a stand-in of the `tavik` module. Formula uses
// are appended here as the parameter and action loaders append them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedIni.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/PythonText.h"

namespace {

const char kHead[] =
    "from math import pow, log, log10, sqrt, cos, sin, tan, acos, asin, atan\n"
    "from tavik import Parameter, FormulaResult\n\n"
    "class PropertyHook():\n\n"
    "    def __init__(self):\n"
    "        pass\n"
    "\n";
const char kCalculate[] =
    "\n"
    "    def calculate(self, value, min_limit, max_limit):\n"
    "        calculated_value = min(max(value, min_limit), max_limit)\n"
    "        return calculated_value\n";

std::string formulaXml(const std::string& name, const std::string& text,
                       const std::string& more = "") {
  return "<CalculationFormula><Name>" + name + "</Name><Formula>" + text + "</Formula>" + more +
         "</CalculationFormula>";
}

class PropertyHookTest : public ::testing::Test {
 protected:
  void load(const std::string& formulas, const std::string& body = "") {
    const std::string xml = "<MeasurementDefinition><CalculationFormulas>" + formulas +
                            "</CalculationFormulas>" + body + "</MeasurementDefinition>";
    ASSERT_TRUE(doc_.load_string(xml.c_str()));
    loader_.load(doc_.document_element());
  }

  // Appends the use of the formula record `name` that the parameter loader
  // (on `property` of parameter `target`) or, without a property, the action
  // loader (on the action property `target`) makes.
  FormulaEntry& addUse(const std::wstring& name, const std::wstring& target,
                       const std::wstring& property = L"") {
    FormulaEntry use;
    for (const FormulaEntry& f : loader_.get_formulas())
      if (f.name == name) use = f;
    use.target = target;
    use.variable = target;
    for (wchar_t& c : use.variable) c = c == L' ' ? L'_' : c == L'-' ? L'0' : c;
    if (property.empty()) {
      std::wstring special = use.variable;  // the action loader replaces "/", "'", '"' too
      for (wchar_t& c : special) c = (c == L'/' || c == L'\'' || c == L'"') ? L'_' : c;
      use.setter = special + L".set_result(";
      use.action_property_bound = true;
    } else if (use.this_parameter) {  // "ThisParameter" becomes the variable; no limits
      const std::wstring word = L"ThisParameter";
      for (size_t at = use.expression.find(word); at != std::wstring::npos;
           at = use.expression.find(word, at + use.variable.size()))
        use.expression.replace(at, word.size(), use.variable);
      use = FormulaEntry{L"", L"", use.expression, L"", use.variable, target, false, true};
    } else {
      use.parameter_bound = true;
    }
    if (!property.empty()) use.setter = use.variable + L".set(Parameter.Property." + property + L", ";
    loader_.get_formula_uses().push_back(use);
    return loader_.get_formula_uses().back();
  }

  std::string written() {
    loader_.create_file();
    std::ifstream in(ini_.hookFile(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  tavik_test::ScopedIni ini_{""};
  pugi::xml_document doc_;
  FormuaLoader loader_;
};

TEST_F(PropertyHookTest, NoFormulasGiveEmptyMethodsAndReplaceAnOldFile) {
  std::ofstream(ini_.hookFile()) << std::string(5000, '#');
  load("");
  EXPECT_EQ(std::string(kHead) +
                "    def prepare(self):\n        pass\n"
                "\n    def execute(self):\n        pass\n"
                "\n    def reset(self):\n        pass\n" +
                kCalculate,
            written());
}

TEST_F(PropertyHookTest, TheTorqueDemandExampleByteForByte) {
  load(formulaXml("Double", "&lt;Engine Speed&gt;.Value * 2",
                  "<UseMinMaxFlag>1</UseMinMaxFlag><Min>0</Min><Max>500</Max>"));
  addUse(L"Double", L"Torque Demand", L"Value");
  const std::string expected =
      std::string(kHead) +
      "    def prepare(self):\n"
      "        self.Engine_Speed = Parameter('Engine Speed')\n"
      "        self.Engine_Speed.set(Parameter.Property.Is_Active, 1)\n"
      "        self.Torque_Demand = Parameter('Torque Demand')\n"
      "        self.Torque_Demand.set(Parameter.Property.Is_Active, 1)\n"
      "\n"
      "    def execute(self):\n"
      "        self.Torque_Demand.set(Parameter.Property.Value, "
      "self.calculate(self.Engine_Speed.get(Parameter.Property.Value) * 2, 0, 500))\n"
      "\n"
      "    def reset(self):\n"
      "        del self.Engine_Speed\n"
      "        del self.Torque_Demand\n" +
      kCalculate;
  EXPECT_EQ(expected, written());
  EXPECT_EQ(expected, written());  // again without a load: the lines stay unique
}

TEST_F(PropertyHookTest, LimitsInDefaultFloatFormatAndLeftOutUses) {
  load(formulaXml("Half", "&lt;Speed&gt;.Value / 2",
                  "<UseMinMaxFlag>true</UseMinMaxFlag><Min>0.5</Min><Max>1000000</Max>") +
       formulaXml("Inf", "&lt;Speed&gt;.Value", "<UseMinMaxFlag>1</UseMinMaxFlag><Min>-INF</Min>") +
       formulaXml("Self", "&lt;ThisParameter&gt;.Value"));
  addUse(L"Half", L"Gain", L"Value");
  addUse(L"Inf", L"Gain", L"Demand_Value");
  EXPECT_NE(std::string::npos,
            written().find("    def execute(self):\n"
                           "        self.Gain.set(Parameter.Property.Value, self.calculate("
                           "self.Speed.get(Parameter.Property.Value) / 2, 0.5, 1e+06))\n"
                           "        self.Gain.set(Parameter.Property.Demand_Value, self.calculate("
                           "self.Speed.get(Parameter.Property.Value), -float('inf'), 100))\n\n"));
  loader_.get_formula_uses().clear();
  addUse(L"Self", L"_prop_C_Sequence/B");  // an action use that reads ThisParameter: left out
  EXPECT_NE(std::string::npos, written().find("    def execute(self):\n        pass\n"));
}

TEST_F(PropertyHookTest, AnUnwritableFileIsAWarningAndTheLinesAreSetAllTheSame) {
  std::filesystem::remove_all(ini_.dir().path() / "system");
  load(formulaXml("F", "&lt;B&gt;.Value + &lt;A&gt;.Value + &lt;B&gt;.Value"));
  tavik_test::CapturingSink sink;
  loader_.create_file();
  EXPECT_EQ((std::vector<std::string>{"Could not write the property hook file " +
                                      ini_.hookFile().string() + ": No such file or directory"}),
            sink.messages(WARNING.value));
  EXPECT_FALSE(std::filesystem::exists(ini_.dir().path() / "system"));
  EXPECT_EQ(4u, loader_.get_prepare_lines().size());
  EXPECT_EQ((std::vector<std::wstring>{L"del self.A", L"del self.B"}), loader_.get_reset_lines());
}

TEST(PythonText, LiteralsAndIdentifiers) {
  EXPECT_EQ(L"'a\\'b\\\\c\\nd\\re\\tf\\x00\\x7f\\x85\\ud800\u00e4\u20ac'",
            tavik::pythonStringLiteral(std::wstring(L"a'b\\c\nd\re\tf") + L'\0' + L"\x7f\x85" +
                                       static_cast<wchar_t>(0xD800) + L"\u00e4\u20ac"));
  const std::pair<std::wstring, std::wstring> identifiers[] = {
      {L"Engine_Speed", L"Engine_Speed"}, {L"Oil\tTemp [C]", L"Oil_Temp__C_"},
      {L"\u00d6l", L"_l"},   {L"1st", L"_1st"},        {L"", L"_"},
      {L"class", L"class_"}, {L"None", L"None_"},      {L"reset", L"reset_"},
      {L"calculate", L"calculate_"}, {L"__init__", L"__init___"}, {L"__x", L"__x"}};
  for (const auto& [name, identifier] : identifiers)
    EXPECT_EQ(identifier, tavik::pythonIdentifier(name)) << pugi::as_utf8(name);
  EXPECT_EQ("\x41\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD",
            tavik::pythonSourceUtf8(std::wstring(L"A\u00e4\u20ac") + static_cast<wchar_t>(0x1F600) +
                                    static_cast<wchar_t>(0xDC00)));
}

// Records every value that a formula stores (activations left out).
const char kTavikStub[] = R"PY(
log = []
class _Names(type):
    def __getattr__(cls, name):
        if name.startswith('__'):
            raise AttributeError(name)
        return name
class Parameter:
    class Property(metaclass=_Names):
        pass
    values = {}
    def __init__(self, name):
        self.name = name
    def get(self, prop):
        return Parameter.values[(self.name, prop)]
    def set(self, prop, value):
        if prop != 'Is_Active':
            log.append('%r %s %r' % (self.name, prop, value))
class FormulaResult:
    def __init__(self, name):
        self.name = name
    def set_result(self, value):
        log.append('%r %r' % (self.name, value))
)PY";

// Clamping, a ThisParameter formula and action-property formulas (one also
// marked as bound to a parameter, one reading ThisParameter and so left out),
// each also on names that would break the file or inject code if spliced.
TEST_F(PropertyHookTest, PythonRunsTheHookWithOrdinaryAndHostileNames) {
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  load(formulaXml("Double", "&lt;Engine Speed&gt;.Value * 2",
                  "<UseMinMaxFlag>1</UseMinMaxFlag><Min>0</Min><Max>500</Max>") +
           formulaXml("PlusOne", "&lt;ThisParameter&gt;.Value + 1") +
           formulaXml("Tab", "&lt;Tab\tName&gt;.Value + &lt;reset&gt;.Value"),
       "<Sequences><Sequence><Category>C</Category><Actions><Action><Name>A'\"\\</Name>"
       "<Options><Option><Name>O</Name><Values><Value>Formula:Tab</Value></Values></Option>"
       "</Options></Action></Actions></Sequence></Sequences>");
  const std::wstring injection = L"Q'); import os; os.system('touch PWNED'); x=('";
  const std::wstring selfInjection = L"x').get(0) or __import__('os').system('touch PWNED2') #";
  addUse(L"Double", L"Torque Demand", L"Value");
  addUse(L"PlusOne", L"Oil Temp", L"Demand_Value");
  addUse(L"PlusOne", selfInjection, L"Value");
  addUse(L"Tab", injection, L"Value");
  addUse(L"Tab", L"Back\\slash\nnew \"line\"", L"Value");
  addUse(L"_prop_C_Sequence/A'\"\\O_action_property", L"_prop_C_Sequence/A'\"\\O")
      .parameter_bound = true;
  addUse(L"PlusOne", L"_prop_C_Sequence/B");
  loader_.create_file();

  const std::filesystem::path dir = ini_.hookFile().parent_path();
  std::ofstream(dir / "tavik.py") << kTavikStub;
  std::ofstream(dir / "driver.py")
      << "import sys\nsys.path.insert(0, sys.argv[1])\nimport tavik\n"
         "tavik.Parameter.values.update({('Engine Speed', 'Value'): 300.0, ('Oil Temp', 'Value'):"
         " 40.0, ('Tab\\tName', 'Value'): 2.0, ('reset', 'Value'): 3.0, (\"x').get(0) or "
         "__import__('os').system('touch PWNED2') #\", 'Value'): 7.0})\n"
         "import PropertyHook\nhook = PropertyHook.PropertyHook()\n"
         "hook.prepare()\nhook.execute()\nhook.reset()\n"
         "print('\\n'.join(tavik.log))\nprint('left', sorted(vars(hook)))\n";
  const std::string command =
      "cd '" + dir.string() + "' && python3 -I -B driver.py '" + dir.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(nullptr, pipe);
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(0, ::pclose(pipe)) << output;
  EXPECT_EQ("'Torque Demand' Value 500\n"
            "'Oil Temp' Demand_Value 41.0\n"
            "\"x').get(0) or __import__('os').system('touch PWNED2') #\" Value 8.0\n"
            "\"Q'); import os; os.system('touch PWNED'); x=('\" Value 5.0\n"
            "'Back\\\\slash\\nnew \"line\"' Value 5.0\n"
            "'_prop_C_Sequence/A\\'\"\\\\O_action_property' 5.0\n"
            "left []\n",
            output);
  EXPECT_FALSE(std::filesystem::exists(dir / "PWNED") || std::filesystem::exists(dir / "PWNED2"));
}

}  // namespace
