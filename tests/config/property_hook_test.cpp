// The generated property hook file: its exact bytes, and what it does when the
// bench's Python runs it against a stand-in of the `tavik` module.
//
// Formula uses are appended here as the parameter loader (parameter
// properties, ThisParameter formulas) and the action loader (action
// properties) append them.
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

using Texts = std::vector<std::wstring>;

const char kHookPath[] = "ZUMD/SystemPythonActions/ScriptActions/hooks/PropertyHook.py";

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

std::wstring replaced(std::wstring text, wchar_t from, wchar_t to) {
  for (wchar_t& c : text)
    if (c == from) c = to;
  return text;
}

// The variable the loaders give a target: blanks "_", hyphens "0".
std::wstring loaderVariable(const std::wstring& target) {
  return replaced(replaced(target, L' ', L'_'), L'-', L'0');
}

// A use of the formula `definition` on property `property` of parameter `target`.
FormulaEntry parameterUse(const FormulaEntry& definition, const std::wstring& target,
                          const std::wstring& property) {
  FormulaEntry use;
  use.name = definition.name;
  use.expression = definition.expression;
  use.variable = loaderVariable(target);
  use.setter = use.variable + L".set(Parameter.Property." + property + L", ";
  use.target = target;
  use.parameter_bound = true;
  use.use_min_max = definition.use_min_max;
  use.min = definition.min;
  use.max = definition.max;
  return use;
}

// The ThisParameter use: "ThisParameter" in the expression becomes the variable.
FormulaEntry thisParameterUse(const FormulaEntry& definition, const std::wstring& target,
                              const std::wstring& property) {
  FormulaEntry use = parameterUse(definition, target, property);
  use.name.clear();
  use.use_min_max = false;
  use.min = 1.0;
  use.max = 100.0;
  const std::wstring word = L"ThisParameter";
  for (size_t at = use.expression.find(word); at != std::wstring::npos;
       at = use.expression.find(word, at + use.variable.size()))
    use.expression.replace(at, word.size(), use.variable);
  return use;
}

// The use of an action property `base` + "_action_property"; `setterVariable`
// is the variable with the special characters replaced, as that loader writes it.
FormulaEntry actionUse(const FormulaEntry& record, const std::wstring& base,
                       const std::wstring& setterVariable) {
  FormulaEntry use;
  use.expression = record.expression;
  use.setter = setterVariable + L".set_result(";
  use.variable = loaderVariable(base);
  use.target = base;
  use.this_parameter = record.this_parameter;
  use.parameter_bound = record.parameter_bound;
  use.action_property_bound = true;
  use.use_min_max = record.use_min_max;
  use.min = record.min;
  use.max = record.max;
  return use;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class PropertyHookTest : public ::testing::Test {
 protected:
  PropertyHookTest() : ini_("[paths]\nsystem=" + system_.path().string() + "/\n") {
    std::filesystem::create_directories(hookPath().parent_path());
  }

  std::filesystem::path hookPath() const { return system_.path() / kHookPath; }

  void load(const std::string& body) {
    const std::string xml = "<MeasurementDefinition>" + body + "</MeasurementDefinition>";
    ASSERT_TRUE(doc_.load_string(xml.c_str()));
    loader_.load(doc_.document_element());
  }

  const FormulaEntry& formula(const std::wstring& name) {
    for (const FormulaEntry& f : loader_.get_formulas())
      if (f.name == name) return f;
    throw std::runtime_error("no formula");
  }

  tavik_test::ScopedTempDir system_;
  tavik_test::ScopedIni ini_;
  pugi::xml_document doc_;
  FormuaLoader loader_;
};

std::string formulaXml(const std::string& name, const std::string& text,
                       const std::string& more = "") {
  return "<CalculationFormula><Name>" + name + "</Name><Formula>" + text + "</Formula>" + more +
         "</CalculationFormula>";
}

TEST_F(PropertyHookTest, NoFormulasGiveEmptyMethodsAndReplaceAnOldFile) {
  std::ofstream(hookPath()) << std::string(5000, '#');
  load("");
  loader_.create_file();
  const std::string expected = std::string(kHead) +
                               "    def prepare(self):\n        pass\n"
                               "\n    def execute(self):\n        pass\n"
                               "\n    def reset(self):\n        pass\n" +
                               kCalculate;
  EXPECT_EQ(expected, readFile(hookPath()));
}

TEST_F(PropertyHookTest, TheTorqueDemandExampleByteForByte) {
  load("<CalculationFormulas>" +
       formulaXml("Double", "&lt;Engine Speed&gt;.Value * 2",
                  "<UseMinMaxFlag>1</UseMinMaxFlag><Min>0</Min><Max>500</Max>") +
       "</CalculationFormulas>");
  loader_.get_formula_uses().push_back(
      parameterUse(formula(L"Double"), L"Torque Demand", L"Value"));
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
  loader_.create_file();
  EXPECT_EQ(expected, readFile(hookPath()));
  // Called again without a new load: the same file, the lines stay unique.
  loader_.create_file();
  EXPECT_EQ(expected, readFile(hookPath()));
  EXPECT_EQ((Texts{L"del self.Engine_Speed", L"del self.Torque_Demand"}),
            loader_.get_reset_lines());
}

TEST_F(PropertyHookTest, KindsOfUsesAndTheirLines) {
  load("<CalculationFormulas>" +
       formulaXml("Half", "&lt;Speed&gt;.Value / 2",
                  "<UseMinMaxFlag>true</UseMinMaxFlag><Min>0.5</Min><Max>1000000</Max>") +
       formulaXml("Inf", "&lt;Speed&gt;.Value", "<UseMinMaxFlag>1</UseMinMaxFlag><Min>-INF</Min>") +
       formulaXml("Self", "&lt;ThisParameter&gt;.Value") + "</CalculationFormulas>");
  auto& uses = loader_.get_formula_uses();
  uses.push_back(parameterUse(formula(L"Half"), L"Gain", L"Value"));
  uses.push_back(parameterUse(formula(L"Inf"), L"Gain", L"Demand_Value"));
  // Both flags: an action property, bound to its FormulaResult.
  uses.push_back(actionUse(formula(L"Half"), L"_prop_C_Sequence/A-1", L"_prop_C_Sequence_A01"));
  uses.back().parameter_bound = true;
  // An action property whose formula reads ThisParameter: left out.
  uses.push_back(actionUse(formula(L"Self"), L"_prop_C_Sequence/B", L"_prop_C_Sequence_B"));
  loader_.create_file();
  const std::string expected =
      std::string(kHead) +
      "    def prepare(self):\n"
      "        self.Gain = Parameter('Gain')\n"
      "        self.Gain.set(Parameter.Property.Is_Active, 1)\n"
      "        self.Speed = Parameter('Speed')\n"
      "        self.Speed.set(Parameter.Property.Is_Active, 1)\n"
      "        self._prop_C_Sequence_A01 = FormulaResult('_prop_C_Sequence/A-1_action_property')\n"
      "\n"
      "    def execute(self):\n"
      "        self.Gain.set(Parameter.Property.Value, "
      "self.calculate(self.Speed.get(Parameter.Property.Value) / 2, 0.5, 1e+06))\n"
      "        self.Gain.set(Parameter.Property.Demand_Value, "
      "self.calculate(self.Speed.get(Parameter.Property.Value), -float('inf'), 100))\n"
      "        self._prop_C_Sequence_A01.set_result("
      "self.calculate(self.Speed.get(Parameter.Property.Value) / 2, 0.5, 1e+06))\n"
      "\n"
      "    def reset(self):\n"
      "        del self.Gain\n"
      "        del self.Speed\n"
      "        del self._prop_C_Sequence_A01\n" +
      kCalculate;
  EXPECT_EQ(expected, readFile(hookPath()));

  // Only left-out uses: execute does nothing.
  uses.erase(uses.begin(), uses.begin() + 3);
  loader_.create_file();
  EXPECT_NE(std::string::npos, readFile(hookPath()).find("    def execute(self):\n        pass\n"));
}

TEST_F(PropertyHookTest, AnUnwritableFileIsAWarningAndTheLinesAreSetAllTheSame) {
  std::filesystem::remove_all(system_.path() / "ZUMD");
  load("<CalculationFormulas>" + formulaXml("F", "&lt;B&gt;.Value + &lt;A&gt;.Value + &lt;B&gt;.Value") +
       "</CalculationFormulas>");
  tavik_test::CapturingSink sink;
  loader_.create_file();
  const std::string path = (system_.path() / kHookPath).string();
  EXPECT_EQ((std::vector<std::string>{"Could not write the property hook file " + path +
                                      ": No such file or directory"}),
            sink.messages(WARNING.value));
  EXPECT_FALSE(std::filesystem::exists(system_.path() / "ZUMD"));
  EXPECT_EQ((Texts{L"self.A = Parameter('A')", L"self.A.set(Parameter.Property.Is_Active, 1)",
                   L"self.B = Parameter('B')", L"self.B.set(Parameter.Property.Is_Active, 1)"}),
            loader_.get_prepare_lines());
  EXPECT_EQ((Texts{L"del self.A", L"del self.B"}), loader_.get_reset_lines());
}

TEST(PythonText, LiteralsAndIdentifiers) {
  using tavik::pythonIdentifier;
  using tavik::pythonStringLiteral;
  EXPECT_EQ(L"'Engine Speed'", pythonStringLiteral(L"Engine Speed"));
  EXPECT_EQ(L"'a\\'b\\\\c\\nd\\re\\tf\\x00\\x7f\\x85\\ud800\u00e4\u20ac'",
            pythonStringLiteral(std::wstring(L"a'b\\c\nd\re\tf") + L'\0' + L"\x7f\x85" +
                                static_cast<wchar_t>(0xD800) + L"\u00e4\u20ac"));
  EXPECT_EQ(L"Engine_Speed", pythonIdentifier(L"Engine_Speed"));
  EXPECT_EQ(L"Oil_Temp__C_", pythonIdentifier(L"Oil\tTemp [C]"));
  EXPECT_EQ(L"_l", pythonIdentifier(L"\u00d6l"));
  EXPECT_EQ(L"_1st", pythonIdentifier(L"1st"));
  EXPECT_EQ(L"_", pythonIdentifier(L""));
  EXPECT_EQ((Texts{L"class_", L"None_", L"reset_", L"calculate_", L"__init___", L"__x",
                   L"resets"}),
            (Texts{pythonIdentifier(L"class"), pythonIdentifier(L"None"),
                   pythonIdentifier(L"reset"), pythonIdentifier(L"calculate"),
                   pythonIdentifier(L"__init__"), pythonIdentifier(L"__x"),
                   pythonIdentifier(L"resets")}));
  EXPECT_EQ("\x41\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD",
            tavik::pythonSourceUtf8(std::wstring(L"A\u00e4\u20ac") + static_cast<wchar_t>(0x1F600) +
                                    static_cast<wchar_t>(0xDC00)));
}

// ---------------------------------------------------------------------------
// The hook file run by Python.

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
        log.append('bind %r' % (name,))
    def get(self, prop):
        return Parameter.values.get((self.name, prop), 0.0)
    def set(self, prop, value):
        Parameter.values[(self.name, prop)] = value
        log.append('set %r %s %r' % (self.name, prop, value))

class FormulaResult:
    def __init__(self, name):
        self.name = name
        log.append('bind %r' % (name,))
    def set_result(self, value):
        log.append('result %r %r' % (self.name, value))
)PY";

class PythonRunTest : public PropertyHookTest {
 protected:
  // Runs prepare, execute and reset of the generated hook with the given
  // starting values (Python statements on tavik.Parameter.values) in the hook
  // directory; returns the stand-in's log and the attributes left, or the
  // interpreter's error output.
  std::string run(const std::string& setup) {
    const std::filesystem::path dir = hookPath().parent_path();
    std::ofstream(dir / "tavik.py") << kTavikStub;
    std::ofstream(dir / "driver.py") << "import sys\nsys.path.insert(0, sys.argv[1])\n"
                                        "import tavik\nvalues = tavik.Parameter.values\n"
                                     << setup
                                     << "import PropertyHook\n"
                                        "hook = PropertyHook.PropertyHook()\n"
                                        "hook.prepare()\nhook.execute()\nhook.reset()\n"
                                        "print('\\n'.join(tavik.log))\n"
                                        "print('left', sorted(vars(hook)))\n";
    const std::string command = "cd '" + dir.string() + "' && python3 -I -B driver.py '" +
                                dir.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "popen failed";
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = ::pclose(pipe);
    if (status != 0) output += "exit status " + std::to_string(status);
    return output;
  }

  void SetUp() override {
    if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  }
};

TEST_F(PythonRunTest, ClampingThisParameterAndActionPropertyFormulas) {
  load("<CalculationFormulas>" +
       formulaXml("Double", "&lt;Engine Speed&gt;.Value * 2",
                  "<UseMinMaxFlag>1</UseMinMaxFlag><Min>0</Min><Max>500</Max>") +
       formulaXml("PlusOne", "&lt;ThisParameter&gt;.Value + 1") +
       formulaXml("Third", "&lt;Engine Speed&gt;.Value / 3") +
       "</CalculationFormulas><Sequences><Sequence><Category>Cat</Category><Actions><Action>"
       "<Name>Act</Name><Options><Option><Name>Opt</Name><Values><Value>Formula:Third</Value>"
       "</Values></Option></Options></Action></Actions></Sequence></Sequences>");
  auto& uses = loader_.get_formula_uses();
  uses.push_back(parameterUse(formula(L"Double"), L"Torque Demand", L"Value"));
  uses.push_back(thisParameterUse(formula(L"PlusOne"), L"Oil Temp", L"Demand_Value"));
  uses.push_back(actionUse(formula(L"_prop_Cat_Sequence/ActOpt_action_property"),
                           L"_prop_Cat_Sequence/ActOpt", L"_prop_Cat_Sequence_ActOpt"));
  loader_.create_file();

  EXPECT_EQ("bind 'Engine Speed'\n"
            "set 'Engine Speed' Is_Active 1\n"
            "bind 'Oil Temp'\n"
            "set 'Oil Temp' Is_Active 1\n"
            "bind 'Torque Demand'\n"
            "set 'Torque Demand' Is_Active 1\n"
            "bind '_prop_Cat_Sequence/ActOpt_action_property'\n"
            "set 'Torque Demand' Value 500\n"
            "set 'Oil Temp' Demand_Value 41.0\n"
            "result '_prop_Cat_Sequence/ActOpt_action_property' 100.0\n"
            "left []\n",
            run("values[('Engine Speed', 'Value')] = 300.0\n"
                "values[('Oil Temp', 'Value')] = 40.0\n"));
}

TEST_F(PythonRunTest, HostileNamesStayDataAndTheFileStillRuns) {
  // Parameter names in references may hold white space of any kind.
  load("<CalculationFormulas>" + formulaXml("Tab", "&lt;Tab\tName&gt;.Value + &lt;reset&gt;.Value") +
       formulaXml("Self", "&lt;ThisParameter&gt;.Value * 2") +
       "</CalculationFormulas><Sequences><Sequence><Category>C</Category><Actions><Action>"
       "<Name>A'\"\\</Name><Options><Option><Name>O</Name><Values><Value>Formula:Tab</Value>"
       "</Values></Option></Options></Action></Actions></Sequence></Sequences>");
  const std::wstring injection = L"Q'); import os; os.system('touch PWNED'); x=('";
  const std::wstring breaker = L"Back\\slash\nnew \"line\"";
  const std::wstring selfInjection = L"x').get(0) or __import__('os').system('touch PWNED2') #";
  auto& uses = loader_.get_formula_uses();
  uses.push_back(parameterUse(formula(L"Tab"), injection, L"Value"));
  uses.push_back(parameterUse(formula(L"Tab"), breaker, L"Value"));
  uses.push_back(thisParameterUse(formula(L"Self"), selfInjection, L"Value"));
  uses.push_back(actionUse(formula(L"_prop_C_Sequence/A'\"\\O_action_property"),
                           L"_prop_C_Sequence/A'\"\\O", L"_prop_C_Sequence_A__\\O"));
  loader_.create_file();

  EXPECT_EQ("bind 'Back\\\\slash\\nnew \"line\"'\n"
            "set 'Back\\\\slash\\nnew \"line\"' Is_Active 1\n"
            "bind \"Q'); import os; os.system('touch PWNED'); x=('\"\n"
            "set \"Q'); import os; os.system('touch PWNED'); x=('\" Is_Active 1\n"
            "bind 'Tab\\tName'\n"
            "set 'Tab\\tName' Is_Active 1\n"
            "bind '_prop_C_Sequence/A\\'\"\\\\O_action_property'\n"
            "bind 'reset'\n"
            "set 'reset' Is_Active 1\n"
            "bind \"x').get(0) or __import__('os').system('touch PWNED2') #\"\n"
            "set \"x').get(0) or __import__('os').system('touch PWNED2') #\" Is_Active 1\n"
            "set \"Q'); import os; os.system('touch PWNED'); x=('\" Value 5.0\n"
            "set 'Back\\\\slash\\nnew \"line\"' Value 5.0\n"
            "set \"x').get(0) or __import__('os').system('touch PWNED2') #\" Value 14.0\n"
            "result '_prop_C_Sequence/A\\'\"\\\\O_action_property' 5.0\n"
            "left []\n",
            run("values[('Tab\\tName', 'Value')] = 2.0\n"
                "values[('reset', 'Value')] = 3.0\n"
                "values[(\"x').get(0) or __import__('os').system('touch PWNED2') #\", 'Value')]"
                " = 7.0\n"));
  const std::filesystem::path dir = hookPath().parent_path();
  EXPECT_FALSE(std::filesystem::exists(dir / "PWNED"));
  EXPECT_FALSE(std::filesystem::exists(dir / "PWNED2"));
}

}  // namespace
