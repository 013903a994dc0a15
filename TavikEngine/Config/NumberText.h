// Numbers read from element text, as pugixml converts them ("1,5" gives 1,
// "7abc" 7, "1e999" infinity), but never silently: a non-empty text that is
// not entirely a number of the asked kind (surrounding white space allowed;
// an int also in hexadecimal "0x1F", within the int range; a double also
// finite unless written "inf"/"nan") logs one WARNING
//   The text "<text>" of <Root/.../Element> is not a number; <value> is used
// A missing element or an empty text gives the fallback without a line.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace tavik {

int intText(const pugi::xml_node& element, int fallback);
double doubleText(const pugi::xml_node& element, double fallback);

// What strtod in the "C" locale reads from the start of the text, whatever
// the process's locale: blanks in front skipped, then the longest number
// prefix ("1,5" gives 1, "2.5e3x" 2500, "0x10" 16, "nan" NaN, "1e999"
// infinity); 0 when no number starts the text ("abc", "").
double numberPrefix(const std::wstring& text);

// A number as an integer within [lowest, highest]: truncated toward zero;
// NaN gives 0; a number beyond the range gives the bound it passes and sets
// `clamped` (left alone otherwise). Precondition: lowest <= 0 <= highest.
long long integerWithin(double number, long long lowest, long long highest, bool& clamped);

// The number prefix of the text (as numberPrefix) as an integer within
// [lowest, highest], as integerWithin gives it; a prefix of digits alone is
// read exactly, also beyond 2^53.
long long integerPrefix(const std::wstring& text, long long lowest, long long highest);

}  // namespace tavik
