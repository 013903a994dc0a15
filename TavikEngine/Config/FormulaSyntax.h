// What a formula may hold so that it stays ONE expression inside the call
// that the property hook file builds around it:
//   self.<target>.set(Parameter.Property.<property>, <expression>)
// The hook file is run by the bench, so a formula must not be able to end
// that call, the method or the line, or leave text that no longer parses.
// Within these rules the expression is the configuration author's code and
// stays as written: it is checked, never rewritten.
#pragma once

#include <string>

namespace tavik {

// Why `expression` (a formula after its references were rewritten) cannot
// stand as the argument of the generated call; empty when it can: the
// lexical faults of FormulaTokens.h first, then those of FormulaGrammar.h.
// Linear in the expression's length.
std::string formulaExpressionFault(const std::wstring& expression);

// Whether `property` may follow "Parameter.Property." in the hook file: an
// attribute name (ASCII letters, digits, "_", not starting with a digit, not
// a Python keyword).
bool isPropertyText(const std::wstring& property);

// Whether `text` is well-formed UTF-8: no overlong forms (C0 80 is not a
// NUL), no surrogates, nothing above U+10FFFF, no cut sequence.
bool isWellFormedUtf8(const char* text);

}  // namespace tavik
