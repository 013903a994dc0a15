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
//    one of r, u, b, br, rb (any case), that is a format string (prefix f),
//    a bytes literal holding non-ASCII, or a truncated or unknown escape
//    (\x, \u, \U, \N) that would stop Python from reading the file;
//  - a number that Python does not read as one (no digits after 0x, 0o or
//    0b; a decimal integer with a leading zero; a name or digit right behind
//    it, as in "1st", "0b12" or "1_");
//  - a "<name>.property" reference left unrewritten (">." followed by a
//    letter or "_", which Python never accepts).
// Takes time linear in the expression's length.
std::string formulaTokens(const std::wstring& expression, std::vector<FormulaToken>* tokens);

}  // namespace tavik
