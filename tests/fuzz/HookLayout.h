// Test helper: whether a property hook file keeps the layout the module
// generates, line by line: the fixed head, then the prepare, execute and
// reset methods holding only the statements the module writes (bindings,
// activations, one call per formula use, deletions), then calculate. Returns
// what is wrong, or empty. It does not parse the formulas' expressions: the
// Python check of the property test does that.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "TavikEngine/Config/FormulaSyntax.h"
// <regex> through the loaders' header, which keeps the sanitizer build's
// false maybe-uninitialized warning of libstdc++'s regex compiler silent.
#include "TavikEngine/Config/Regex.h"

namespace tavik_fuzz {

inline std::string hookLayoutFault(const std::string& file) {
  if (file.find('\0') != std::string::npos) return "a NUL byte";
  if (!tavik::isWellFormedUtf8(file.c_str())) return "not UTF-8";
  std::vector<std::string> lines;
  std::istringstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  if (file.empty() || file.back() != '\n') return "no final line break";

  static const std::regex kPrepare(
      R"(        (pass|self\.[A-Za-z_][A-Za-z0-9_]* = (Parameter|FormulaResult)\('([^'\\]|\\.)*'\)|)"
      R"(self\.[A-Za-z_][A-Za-z0-9_]*\.set\(Parameter\.Property\.Is_Active, 1\)))");
  static const std::regex kExecute(
      R"(        (pass|self\.[A-Za-z_][A-Za-z0-9_]*\.(set\(Parameter\.Property\.[A-Za-z_][A-Za-z0-9_]*, |)"
      R"(set_result\().*\)))");
  static const std::regex kReset(R"(        (pass|del self\.[A-Za-z_][A-Za-z0-9_]*))");
  const std::vector<std::string> head = {
      "from math import pow, log, log10, sqrt, cos, sin, tan, acos, asin, atan",
      "from tavik import Parameter, FormulaResult", "", "class PropertyHook():", "",
      "    def __init__(self):", "        pass", "", "    def prepare(self):"};
  size_t at = 0;
  for (const std::string& line : head)
    if (at >= lines.size() || lines[at++] != line) return "head, line " + std::to_string(at);
  const auto body = [&](const std::regex& form, const char* next) -> std::string {
    size_t count = 0;
    for (; at < lines.size() && !lines[at].empty(); ++at, ++count)
      if (!std::regex_match(lines[at], form)) return "line " + std::to_string(at + 1) + ": " + lines[at];
    if (count == 0) return "an empty method before " + std::string(next);
    if (at + 1 >= lines.size() || lines[at + 1] != next) return std::string("no ") + next;
    at += 2;
    return std::string();
  };
  std::string fault = body(kPrepare, "    def execute(self):");
  if (fault.empty()) fault = body(kExecute, "    def reset(self):");
  if (fault.empty()) fault = body(kReset, "    def calculate(self, value, min_limit, max_limit):");
  if (!fault.empty()) return fault;
  if (lines.size() != at + 2 ||
      lines[at] != "        calculated_value = min(max(value, min_limit), max_limit)" ||
      lines[at + 1] != "        return calculated_value")
    return "tail";
  return std::string();
}

}  // namespace tavik_fuzz
