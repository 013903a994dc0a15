// FormuaLoader::create_file: the generated property hook file.
#include "TavikEngine/Config/FormuaLoader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <locale>
#include <sstream>

#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"

namespace {

const char kHookFile[] = "/ZUMD/SystemPythonActions/ScriptActions/hooks/PropertyHook.py";

void sortUnique(std::vector<std::wstring>* lines) {
  std::sort(lines->begin(), lines->end());
  lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
}

// A clamp limit as the default floating-point output writes it (six
// significant digits: 1, 100, 0.5, 1e+06). Infinities and NaN, which that
// output would write as names Python does not know, become float(...) calls.
std::wstring limitText(double value) {
  if (std::isnan(value)) return L"float('nan')";
  if (std::isinf(value)) return value > 0 ? L"float('inf')" : L"-float('inf')";
  std::wostringstream out;
  out.imbue(std::locale::classic());
  out << value;
  return out.str();
}

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

void replaceAll(std::wstring* text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text->find(from); at != std::wstring::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

// The statements of a method, or "pass" when there are none.
void appendMethodBody(std::wstring* text, const std::vector<std::wstring>& statements) {
  if (statements.empty()) *text += L"        pass\n";
  for (const std::wstring& statement : statements) *text += L"        " + statement + L"\n";
}

}  // namespace

std::wstring FormuaLoader::hookVariable(const std::wstring& variable) const {
  return tavik::pythonIdentifier(replaceSpecialCharacters(variable));
}

void FormuaLoader::create_file() {
  output_path_ = IniReader::get_instance(false)->get_system_path() + kHookFile;

  for (const FormulaEntry& use : formula_uses_) {
    if (use.this_parameter) continue;
    const std::wstring variable = hookVariable(use.variable);
    if (use.action_property_bound) {
      prepare_lines_.push_back(L"self." + variable + L" = FormulaResult(" +
                               tavik::pythonStringLiteral(use.target + L"_action_property") +
                               L")");
      reset_lines_.push_back(L"del self." + variable);
    } else if (use.parameter_bound) {
      prepare_lines_.push_back(L"self." + variable + L" = Parameter(" +
                               tavik::pythonStringLiteral(use.target) + L")");
      prepare_lines_.push_back(L"self." + variable + L".set(Parameter.Property.Is_Active, 1)");
      reset_lines_.push_back(L"del self." + variable);
    }
  }
  // By character code, a text before its longer continuations: the line that
  // binds a variable ("self.X = ...") comes before the one that uses it
  // ("self.X.set(...)") because the blank sorts before the dot.
  sortUnique(&prepare_lines_);
  sortUnique(&reset_lines_);

  const std::string bytes = tavik::pythonSourceUtf8(hookFileText());
  errno = 0;
  std::ofstream file(output_path_, std::ios::out | std::ios::binary | std::ios::trunc);
  if (file) {
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
  }
  if (!file) {
    const int error = errno;
    LOG(WARNING) << "Could not write the property hook file " << output_path_ << ": "
                 << (error != 0 ? std::strerror(error) : "write error");
  }
}

std::wstring FormuaLoader::executeStatement(const FormulaEntry& use) const {
  // The setter and the expression name the target as the loaders that made
  // the use did; the hook binds it under its attribute name.
  const std::wstring variable = hookVariable(use.variable);
  std::wstring setter = use.setter;
  std::wstring expression = use.expression;
  if (variable != use.variable) {
    const std::wstring special = replaceSpecialCharacters(use.variable);
    if (startsWith(setter, use.variable))
      setter.replace(0, use.variable.size(), variable);
    else if (startsWith(setter, special))
      setter.replace(0, special.size(), variable);
    if (use.parameter_bound && !use.action_property_bound)
      replaceAll(&expression, L"self." + use.variable + L".", L"self." + variable + L".");
  }
  if (!use.use_min_max) return L"self." + setter + expression + L")";
  return L"self." + setter + L"self.calculate(" + expression + L", " + limitText(use.min) +
         L", " + limitText(use.max) + L"))";
}

std::wstring FormuaLoader::hookFileText() const {
  std::vector<std::wstring> executes;
  for (const FormulaEntry& use : formula_uses_)
    if (!use.this_parameter) executes.push_back(executeStatement(use));

  std::wstring text;
  text += L"from math import pow, log, log10, sqrt, cos, sin, tan, acos, asin, atan\n";
  text += L"from tavik import Parameter, FormulaResult\n\n";
  text += L"class PropertyHook():\n\n";
  text += L"    def __init__(self):\n";
  text += L"        pass\n";
  text += L"\n";
  text += L"    def prepare(self):\n";
  appendMethodBody(&text, prepare_lines_);
  text += L"\n";
  text += L"    def execute(self):\n";
  appendMethodBody(&text, executes);
  text += L"\n";
  text += L"    def reset(self):\n";
  appendMethodBody(&text, reset_lines_);
  text += L"\n";
  text += L"    def calculate(self, value, min_limit, max_limit):\n";
  text += L"        calculated_value = min(max(value, min_limit), max_limit)\n";
  text += L"        return calculated_value\n";
  return text;
}
