#include "TavikEngine/Config/FormulaSyntax.h"

#include <cstdint>
#include <vector>

#include "TavikEngine/Config/FormulaGrammar.h"
#include "TavikEngine/Config/FormulaTokens.h"
#include "TavikEngine/Config/PythonText.h"

namespace tavik {

std::string formulaExpressionFault(const std::wstring& expression) {
  // Kept from call to call: a load checks every formula, and most are short.
  thread_local std::vector<FormulaToken> tokens;
  tokens.clear();
  std::string fault = formulaTokens(expression, &tokens);
  return fault.empty() ? formulaGrammarFault(expression, tokens) : fault;
}

bool isPropertyText(const std::wstring& property) { return isPythonAttributeName(property); }

bool isWellFormedUtf8(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    int length;
    std::uint32_t value, minimum;
    if ((b & 0xE0) == 0xC0) {
      length = 2; value = b & 0x1F; minimum = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      length = 3; value = b & 0x0F; minimum = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      length = 4; value = b & 0x07; minimum = 0x10000;
    } else {
      return false;
    }
    for (int i = 1; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;  // also stops at the terminating 0
      value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    p += length;
  }
  return true;
}

}  // namespace tavik
