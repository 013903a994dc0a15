// Whether the tokens of a formula (FormulaTokens.h) form ONE Python
// expression that stands as the one positional argument of a call, as the
// property hook file places it twice:
//   self.<target>.set(Parameter.Property.<property>, <expression>)
//   self.<target>.set(..., self.calculate(<expression>, <min>, <max>))
// That is Python's expression grammar (3.10, the bench's version, where 3.11
// reads more): conditional expressions, lambda, every operator, calls with
// keyword arguments, *args and **kwargs, attributes, subscripts and slices,
// tuples, lists, sets and dicts with starred items, list, set and dict
// comprehensions and generator expressions, ":=", names, numbers and string
// literals, format strings with their fields. Also refused is what Python
// reads but would not compile there (a lambda parameter or a keyword given
// twice, a binding of __debug__, ":=" against a comprehension's variables or
// in its iterable, two starred targets), and so is what would change the
// method around the line:
//  - "yield", "await" and "async" (the method would become a generator or
//    need a coroutine);
//  - ":=" binding "self" or "Parameter", which every line of the method reads.
// Refused too: a "," at the top (two arguments), a top-level starred item,
// keyword argument or bare generator expression, and starred subscripts
// (Python 3.11 only).
#pragma once

#include <string>
#include <vector>

#include "TavikEngine/Config/FormulaTokens.h"

namespace tavik {

// How deep brackets and the recursive operators (unary operators, "not",
// "**", the else branch of "if", "*" and "**" unpacking) may nest, the
// iterables and conditions of comprehensions included: well inside what
// every Python 3 parser takes, the two calls of the hook line included.
constexpr int kMaxFormulaNesting = 64;
// How deep the expression's tree may grow, long chains of operators
// included: well inside what Python compiles without a RecursionError.
constexpr int kMaxFormulaDepth = 500;

// Why `tokens` of `expression` are not one allowed expression; empty when
// they are. The reason names a token that cannot stand where it is, the
// first one except that a comprehension's clauses are read before its
// element:
//   it is not one expression: "<token>" cannot start it
//   it is not one expression: "<token>" cannot stand after "<previous>"
//   it is not one expression: it ends after "<previous>"
// or reads "it joins a bytes literal and a text literal", "it nests brackets
// or operators more than 64 deep", "its expression is more than 500
// operations deep", or, for a format string field, the reason of
// FormulaTokens.h or of this function for the field's expression. Tokens
// longer than 32 characters are cut ("..."). Near-linear in the number of
// tokens: no backtracking.
std::string formulaGrammarFault(const std::wstring& expression,
                                const std::vector<FormulaToken>& tokens);

}  // namespace tavik
