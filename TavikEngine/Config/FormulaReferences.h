// Where a formula text refers to a parameter property: "<Name>.Property".
//
// A reference starts at a "<" followed by an ASCII letter or ","; a run of
// name characters follows (ASCII letters, digits, ",", "_", "-" and what the
// locale's ctype<wchar_t> calls white space). The first character after that
// run must be ">" and the next one "."; the property is then the longest run
// of ASCII letters, digits and "_" after the dot (it may be empty): it is an
// attribute name in the hook file, so a "," after it belongs to the
// expression, as in "max(<A>.Value, <B>.Value)". Otherwise no reference
// starts at that "<". The search goes on behind a reference found, or at the
// next character.
//
// Outside string literals these are exactly the matches, one after the
// other, of the ECMAScript pattern
//   <[a-z,A-Z][a-z,A-Z,0-9,\s,_,\-]*?[a-z,A-Z,0-9,_,\-]?>\.[a-zA-Z0-9_]*
// with a regex of that locale (the lazy run stops at the first ">." it can
// reach, and the optional last character only splits the same run
// differently), found by a scan instead of the regex search, which costs far
// more and recurses once per character.
//
// Text inside a string literal ('...', "...", triple-quoted, whatever the
// prefix; a backslash escapes the next character) is the formula's own text
// and holds no reference. A literal that is not closed runs to the end.
#pragma once

#include <cstddef>
#include <locale>
#include <string>
#include <vector>

namespace tavik {

struct FormulaReference {
  std::size_t at;      // position of the "<"
  std::size_t length;  // up to the end of the property
};

std::vector<FormulaReference> findFormulaReferences(const std::wstring& text,
                                                    const std::locale& locale);

}  // namespace tavik
