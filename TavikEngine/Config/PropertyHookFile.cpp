// FormuaLoader::create_file: the generated property hook file.
#include "TavikEngine/Config/FormuaLoader.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>

#include <unistd.h>

#include "TavikEngine/Config/FormulaSyntax.h"
#include "TavikEngine/Config/PythonText.h"
#include "TavikEngine/Config/WideText.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"

namespace {

using tavik::startsWith;

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
  // What the classic-locale stream writes: printf's "%.6g", as to_chars
  // writes it without a locale or a stream.
  char digits[32];
  const std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
  return std::wstring(digits, written.ptr);
}

// The statements of a method, or "pass" when there are none.
void appendMethodBody(std::wstring* text, const std::vector<std::wstring>& statements) {
  if (statements.empty()) *text += L"        pass\n";
  for (const std::wstring& statement : statements) {
    text->append(8, L' ');
    *text += statement;
    *text += L'\n';
  }
}

}  // namespace

std::wstring FormuaLoader::hookVariable(const std::wstring& variable) const {
  return tavik::pythonIdentifier(replaceSpecialCharacters(variable));
}

std::string FormuaLoader::replaceHookFile(const std::string& bytes) const {
  const std::string temporary = output_path_ + "." + std::to_string(::getpid()) + ".new";
  errno = 0;
  std::ofstream file(temporary, std::ios::out | std::ios::binary | std::ios::trunc);
  if (file) {
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
  }
  int error = errno;
  if (file && std::rename(temporary.c_str(), output_path_.c_str()) == 0) return std::string();
  if (file) error = errno;
  std::remove(temporary.c_str());
  return error != 0 ? std::strerror(error) : "write error";
}

void FormuaLoader::create_file() {
  output_path_ = IniReader::get_instance(false)->get_system_path() + kHookFile;
  previous_file_stays_ = false;

  // The attribute of each bound use, given out here once; the execute lines
  // use them again (asking again would give the same answers).
  std::vector<std::wstring> attributes(formula_uses_.size());
  for (size_t i = 0; i < formula_uses_.size(); ++i) {
    const FormulaEntry& use = formula_uses_[i];
    if (use.this_parameter) continue;
    if (use.action_property_bound) {
      const std::wstring& variable = attributes[i] =
          resultAttribute(hookVariable(use.variable), use.target);
      prepare_lines_.push_back(L"self." + variable + L" = FormulaResult(" +
                               tavik::pythonStringLiteral(use.target + L"_action_property") +
                               L")");
      reset_lines_.push_back(L"del self." + variable);
    } else if (use.parameter_bound) {
      const std::wstring& variable = attributes[i] =
          parameterAttribute(hookVariable(use.variable), use.target);
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

  const std::string bytes = tavik::pythonSourceUtf8(hookFileText(attributes));
  const std::string failure = replaceHookFile(bytes);
  if (failure.empty()) return;
  LOG(WARNING) << "Could not write the property hook file " << output_path_ << ": " << failure;
  // The previous configuration's hooks must not run against this one.
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(output_path_, error))) return;
  if (std::filesystem::remove(output_path_, error)) {
    LOG(WARNING) << "Removed the property hook file of the previous configuration "
                 << output_path_;
    return;
  }
  previous_file_stays_ = true;
}

std::wstring FormuaLoader::executeStatement(const FormulaEntry& use, const std::wstring& given) {
  // The setter names the target as the loader that made the use did; the
  // hook binds it under its attribute. A use bound to neither kind asks for
  // a parameter attribute here, in the order of the execute lines.
  const std::wstring variable =
      !given.empty()              ? given
      : use.action_property_bound ? resultAttribute(hookVariable(use.variable), use.target)
                                  : parameterAttribute(hookVariable(use.variable), use.target);
  std::wstring setter = use.setter;
  if (startsWith(setter, use.variable)) {
    setter.replace(0, use.variable.size(), variable);
  } else {
    const std::wstring special = replaceSpecialCharacters(use.variable);
    if (startsWith(setter, special)) setter.replace(0, special.size(), variable);
  }

  // Only the two call forms the loaders make may reach the file.
  const std::wstring setPrefix = variable + L".set(Parameter.Property.";
  const std::wstring resultCall = variable + L".set_result(";
  bool wellFormed = setter == resultCall;
  if (!wellFormed && startsWith(setter, setPrefix) && setter.size() > setPrefix.size() + 2 &&
      setter.compare(setter.size() - 2, 2, L", ") == 0)
    wellFormed = tavik::isPythonAttributeName(
        setter.substr(setPrefix.size(), setter.size() - setPrefix.size() - 2));
  std::string fault = wellFormed ? tavik::formulaExpressionFault(use.expression)
                                 : "its call is not one the hook file makes";
  if (!fault.empty()) {
    WLOG(WARNING) << L"The formula use on " << use.target << L" is left out of the hook file: "
                  << tavik::wideText(fault.c_str());
    return std::wstring();
  }
  if (!use.use_min_max) return L"self." + setter + use.expression + L")";
  return L"self." + setter + L"self.calculate(" + use.expression + L", " + limitText(use.min) +
         L", " + limitText(use.max) + L"))";
}

std::wstring FormuaLoader::hookFileText(const std::vector<std::wstring>& attributes) {
  std::vector<std::wstring> executes;
  for (size_t i = 0; i < formula_uses_.size(); ++i) {
    const FormulaEntry& use = formula_uses_[i];
    if (use.this_parameter) continue;
    std::wstring statement = executeStatement(use, attributes[i]);
    if (!statement.empty()) executes.push_back(std::move(statement));
  }

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
