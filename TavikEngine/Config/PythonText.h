// Texts of the configuration as pieces of the generated Python hook file.
//
// Names from the configuration (parameter names, action-property names) reach
// the hook file only as string literals or attribute names made here, so that
// no name can break the file or add code to it. For the names a bench usually
// has (letters, digits, "_") the result is the name itself.
#pragma once

#include <string>
#include <string_view>

namespace tavik {

// A single-quoted Python string literal whose value is `text`. Escaped: the
// backslash and the apostrophe (with a backslash), line feed, carriage return
// and tab (\n, \r, \t), every other control character (U+0000 to U+001F,
// U+007F to U+009F) as \xHH, and UTF-16 surrogate code points as \uHHHH.
// A value above U+10FFFF becomes U+FFFD. Other characters stay as they are.
std::wstring pythonStringLiteral(const std::wstring& text);

// `name` as an attribute name that Python accepts after "self." and that
// cannot stand for one of the hook class's own members:
//  1. every character other than an ASCII letter, digit or "_" becomes "_";
//  2. an empty name becomes "_"; a name that starts with a digit gets "_" in
//     front;
//  3. a Python keyword, a member of the hook class ("prepare", "execute",
//     "reset", "calculate") or a name that starts and ends with "__" gets "_"
//     appended.
// Distinct names may give the same attribute name (as "A-B" and "A_B" do).
std::wstring pythonIdentifier(const std::wstring& name);

// Whether `name` may stand after a "." in Python: ASCII letters, digits and
// "_", not starting with a digit, not a keyword.
bool isPythonAttributeName(const std::wstring& name);

// Whether `name` is one of Python's keywords (soft keywords such as "match"
// are not).
bool isPythonKeyword(std::wstring_view name);

// UTF-8 bytes of the hook file's text. A value that is no Unicode scalar
// value (a surrogate, or above U+10FFFF) becomes U+FFFD, so the file always
// decodes.
std::string pythonSourceUtf8(const std::wstring& text);

}  // namespace tavik
