// Numbers read from element text, as pugixml converts them ("1,5" gives 1,
// "7abc" 7, "1e999" infinity), but never silently: a non-empty text that is
// not entirely a number of the asked kind (surrounding white space allowed;
// an int also in hexadecimal "0x1F", within the int range; a double also
// finite unless written "inf"/"nan") logs one WARNING
//   The text "<text>" of <Root/.../Element> is not a number; <value> is used
// A missing element or an empty text gives the fallback without a line.
#pragma once

#include <pugixml.hpp>

namespace tavik {

int intText(const pugi::xml_node& element, int fallback);
double doubleText(const pugi::xml_node& element, double fallback);

}  // namespace tavik
