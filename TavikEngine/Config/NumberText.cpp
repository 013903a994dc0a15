#include "TavikEngine/Config/NumberText.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include <locale.h>
#include <stdlib.h>

#include "TavikEngine/LogLevels.h"

namespace tavik {
namespace {

std::string trimmed(const char* text) {
  std::string s(text);
  const char* const blanks = " \t\r\n";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// "MeasurementDefinition/Maps/Map/XValues/Value"
std::string pathOf(pugi::xml_node element) {
  std::string path = element.name();
  for (pugi::xml_node n = element.parent(); n && n.type() == pugi::node_element; n = n.parent())
    path = std::string(n.name()) + "/" + path;
  return path;
}

template <typename Number>
void warn(const pugi::xml_node& element, Number value) {
  LOG(WARNING) << "The text \"" << element.text().get() << "\" of " << pathOf(element)
               << " is not a number; " << value << " is used";
}

// The "C" locale, made once: numbers in configurations are written with a
// decimal point, whatever locale the host process runs in.
locale_t classicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

// The text up to its first character that no number holds (anything outside
// ASCII), as bytes.
std::string asciiHead(const std::wstring& text) {
  std::string head;
  head.reserve(text.size());
  for (const wchar_t c : text) {
    if (c <= 0 || c >= 0x80) break;
    head.push_back(static_cast<char>(c));
  }
  return head;
}

}  // namespace

double numberPrefix(const std::wstring& text) {
  const std::string head = asciiHead(text);
  return strtod_l(head.c_str(), nullptr, classicLocale());
}

long long integerWithin(double number, long long lowest, long long highest, bool& clamped) {
  if (std::isnan(number)) return 0;
  if (number < static_cast<double>(lowest)) {
    clamped = true;
    return lowest;
  }
  // The upper bound as a double may round up past it (LLONG_MAX gives 2^63):
  // reaching that double is beyond the range then.
  const double top = static_cast<double>(highest);
  if (number > top || (number == top && top >= 9223372036854775808.0)) {
    clamped = true;
    return highest;
  }
  return static_cast<long long>(number);  // toward zero
}

long long integerPrefix(const std::wstring& text, long long lowest, long long highest) {
  const std::string head = asciiHead(text);
  char* numberEnd = nullptr;
  char* integerEnd = nullptr;
  const double number = strtod_l(head.c_str(), &numberEnd, classicLocale());
  const long long whole = strtoll_l(head.c_str(), &integerEnd, 10, classicLocale());
  // Digits alone are read exactly (strtoll gives the nearest bound beyond
  // its own range).
  if (integerEnd != head.c_str() && integerEnd == numberEnd)
    return whole < lowest ? lowest : whole > highest ? highest : whole;
  bool clamped = false;
  return integerWithin(number, lowest, highest, clamped);
}

int intText(const pugi::xml_node& element, int fallback) {
  const int value = element.text().as_int(fallback);
  const std::string text = trimmed(element.text().get());
  if (text.empty()) return value;
  const char* begin = text.c_str();
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char* end = nullptr;
  errno = 0;
  const long long whole = std::strtoll(begin, &end, hex ? 16 : 10);
  const bool signOk = std::isdigit(static_cast<unsigned char>(text[0])) ||
                      ((text[0] == '-' || text[0] == '+') && text.size() > 1 &&
                       std::isdigit(static_cast<unsigned char>(text[1])));
  if (!signOk || *end != '\0' || errno == ERANGE || whole < INT_MIN || whole > INT_MAX)
    warn(element, value);
  return value;
}

double doubleText(const pugi::xml_node& element, double fallback) {
  // One conversion of the text in place: strtod skips the blanks in front,
  // and a number never takes in the blanks behind it.
  const pugi::xml_text data = element.text();
  const char* const text = data.get();
  const char* const blanks = " \t\r\n";
  const char* first = text + std::strspn(text, blanks);
  if (*first == '\0') return data.as_double(fallback);
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text, &end);
  const bool outOfRange = errno == ERANGE && std::isinf(value);
  const bool named = std::strpbrk(first, "iInN") != nullptr;  // "inf", "nan"
  if (end[std::strspn(end, blanks)] != '\0' || (!named && outOfRange)) warn(element, value);
  return value;
}

}  // namespace tavik
