// Whether the tokens of a formula (FormulaTokens.h) form ONE Python
// expression of the forms the property hook file allows, so that it stays
// one positional argument of the call built around it.
//
// Allowed, with Python's precedence:
//   a if c else b;  or, and, not;
//   comparisons, chained: == != < <= > >= in, not in, is, is not;
//   | ^ & << >> + - * / // % @ and unary + - ~; ** (right to left);
//   calls with positional arguments (a trailing "," allowed), attributes,
//   subscripts and slices (a[i], a[i:j:k], a[i, j:k]);
//   names, True, False, None, numbers, string literals (adjacent ones join,
//   but never bytes with text), "...", parenthesised expressions, tuples
//   "(a, b)" "(a,)" "()" and lists "[a, b]" "[]".
// Refused, among others: assignments ("="), keyword and starred arguments,
// ":=", lambda, yield, await, comprehensions, dict and set displays ("{"),
// a "," at the top (it would make two arguments), and any keyword that
// stands for a value other than True, False and None.
#pragma once

#include <string>
#include <vector>

#include "TavikEngine/Config/FormulaTokens.h"

namespace tavik {

// How deep brackets and the recursive operators (unary operators, "not",
// "**", the else branch of "if") may nest: well inside what every Python 3
// parser takes, the two calls of the hook line included.
constexpr int kMaxFormulaNesting = 64;
// How deep the expression's tree may grow, long chains of operators
// included: well inside what Python compiles without a RecursionError.
constexpr int kMaxFormulaDepth = 500;

// Why `tokens` of `expression` are not one allowed expression; empty when
// they are. The reason names the first token that cannot stand where it is:
//   it is not one expression: "<token>" cannot start it
//   it is not one expression: "<token>" cannot stand after "<previous>"
//   it is not one expression: it ends after "<previous>"
// or reads "it joins a bytes literal and a text literal", "it nests brackets
// or operators more than 64 deep", "its expression is more than 500
// operations deep". Tokens longer than 32 characters are cut ("...").
// One pass over the tokens, no backtracking: linear in their number.
std::string formulaGrammarFault(const std::wstring& expression,
                                const std::vector<FormulaToken>& tokens);

}  // namespace tavik
