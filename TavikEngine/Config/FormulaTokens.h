// The tokens of a formula's expression, read as Python's tokenizer reads one
// line, and the lexical faults that keep it from standing in the property
// hook file. FormulaGrammar.h then reads the tokens as one expression.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik {

struct FormulaToken {
  enum class Kind {
    Name,      // ASCII letters, digits and "_", not starting with a digit; keywords too
    Number,    // a number literal
    String,    // one string literal, prefix and quotes included
    Operator,  // an operator or delimiter, the longest that Python's tokenizer takes
  };
  Kind kind;
  std::size_t at;      // position in the expression
  std::size_t length;  // in characters
  bool bytes;          // a bytes literal (String only)
  bool format;         // a format string literal, prefix f (String only)
  // A Name or Operator of at most 8 characters packed as formulaTokenCode
  // packs its text (so that the parser compares numbers); 0 for others.
  std::uint64_t code;
};

// `text` (ASCII, at most 8 characters) packed into one number, its first
// character in the lowest byte.
constexpr std::uint64_t formulaTokenCode(const char* text) {
  std::uint64_t code = 0;
  for (int i = 0; i < 8 && text[i] != 0; ++i)
    code |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << (8 * i);
  return code;
}

// Splits `expression` into tokens (white space between them dropped) and
// appends them to `tokens`. Returns why the expression cannot be read, or
// empty. Refused:
//  - an empty expression (only white space);
//  - a line break or any other control character except the tab;
//  - outside string literals: brackets that do not pair up ("(" with ")",
//    "[" with "]", "{" with "}", never closing more than is open), and the
//    characters "#", ";", "\", "$", "?", "`", "!" (other than in "!="), and
//    every character outside ASCII;
//  - a string literal that is not closed on its line, whose prefix is not
//    one of r, u, b, br, rb, f, fr, rf (any case), a bytes literal holding
//    non-ASCII, a truncated or unknown escape (\x, \u, \U, \N) that would
//    stop Python from reading the file, or a format string whose fields
//    formatStringFields refuses;
//  - a number that Python does not read as one (no digits after 0x, 0o or
//    0b; a decimal integer with a leading zero; a name or digit right behind
//    it, as in "1st", "0b12" or "1_");
//  - a "<name>.property" reference left unrewritten (">." followed by a
//    letter or "_", which Python never accepts).
// Takes time linear in the expression's length.
std::string formulaTokens(const std::wstring& expression, std::vector<FormulaToken>* tokens);

// Where the expressions of the replacement fields of a format string stand,
// found as Python 3.10 and 3.11 find them: `literal` is the whole literal in
// `text` (prefix and quotes included). Appends, in order, the position and
// length of each field's expression, those of fields nested in a format
// spec included ("{x:{width}}"), to `fields`. Returns why Python
// cannot read the literal's fields, or empty:
//   a format string holds a single "}"
//   a format string nests fields too deeply
//   a format string field holds a backslash
//   a format string field holds "#"
//   a format string field does not pair its brackets or quotes
//   a format string field is empty
//   a format string field has a conversion other than !s, !r and !a
//   a format string field is not closed
// The expressions themselves are left to the caller, who reads each as
// Python does: in parentheses. Linear in the literal's length.
struct FormulaSpan {
  std::size_t at;
  std::size_t length;
};
std::string formatStringFields(const std::wstring& text, const FormulaSpan& literal,
                               std::vector<FormulaSpan>* fields);

}  // namespace tavik
