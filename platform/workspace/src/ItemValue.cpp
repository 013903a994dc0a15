#include "ItemValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include <boost/lexical_cast.hpp>

#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {


template <class T>
const char* typeName() {
  if (std::is_same<T, int>::value) return "int";
  if (std::is_same<T, unsigned int>::value) return "unsigned int";
  if (std::is_same<T, double>::value) return "double";
  return "long long";
}

template <class From>
[[noreturn]] void throwDoesNotFit(From value, const char* target) {
  throw ItemValueError("the value " + boost::lexical_cast<std::string>(value) + " does not fit " +
                       target);
}

// Converts between the number types the workspace knows, keeping the value or
// refusing the conversion; a double loses its fraction.
template <class To, class From>
To convertNumber(From value) {
  if constexpr (std::is_floating_point<To>::value) {
    return static_cast<To>(value);
  } else if constexpr (std::is_floating_point<From>::value) {
    const double upper = std::ldexp(1.0, std::numeric_limits<To>::digits);
    const bool fits = std::is_signed<To>::value ? (value >= -upper && value < upper)
                                                : (value > -1.0 && value < upper);
    if (!fits) throwDoesNotFit(value, typeName<To>());  // NaN lands here too
    return static_cast<To>(value);
  } else {
    bool fits;
    if (value < 0) {
      fits = std::is_signed<To>::value && static_cast<long long>(value) >=
                                              static_cast<long long>(std::numeric_limits<To>::min());
    } else {
      fits = static_cast<unsigned long long>(value) <=
             static_cast<unsigned long long>(std::numeric_limits<To>::max());
    }
    if (!fits) throwDoesNotFit(value, typeName<To>());
    return static_cast<To>(value);
  }
}

[[noreturn]] void throwTextNumberMix(bool item_is_text) {
  throw ItemValueError(item_is_text ? "a text item cannot hold or give a number"
                                    : "a number item cannot hold or give a text");
}

template <class To>
To readNumber(const char* p, const ItemSchema& item) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::Int: return convertNumber<To>(loadAt<std::int32_t>(p));
    case ValueKind::Unsigned: return convertNumber<To>(loadAt<std::uint32_t>(p));
    case ValueKind::LongLong: return convertNumber<To>(static_cast<long long>(loadAt<std::int64_t>(p)));
    case ValueKind::Double:
    case ValueKind::NumberAsText: return convertNumber<To>(loadAt<double>(p));
    default: throwTextNumberMix(true);
  }
}

template <class From>
void writeNumber(char* p, const ItemSchema& item, From value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::Int: storeAt<std::int32_t>(p, convertNumber<int>(value)); return;
    case ValueKind::Unsigned: storeAt<std::uint32_t>(p, convertNumber<unsigned int>(value)); return;
    case ValueKind::LongLong:
      storeAt<std::int64_t>(p, convertNumber<long long>(value));
      return;
    case ValueKind::Double:
    case ValueKind::NumberAsText: storeAt<double>(p, convertNumber<double>(value)); return;
    default: throwTextNumberMix(true);
  }
}

// Stored 16-bit units of a wide text item, up to the terminator or the room.
std::size_t wideLength(const char* p, const ItemSchema& item) {
  const std::size_t max_units = valueSize(item) / 2;
  std::size_t count = 0;
  while (count < max_units && loadAt<char16_t>(p + 2 * count) != 0) ++count;
  return count;
}

std::string readNarrowBytes(const char* p, const ItemSchema& item) {
  const std::size_t room = valueSize(item);
  std::size_t count = 0;
  while (count < room && p[count] != '\0') ++count;
  return std::string(p, count);
}

void storeWideUnits(char* p, const ItemSchema& item, const std::u16string& units) {
  const std::size_t max_units = valueSize(item) / 2;
  if (units.find(u'\0') != std::u16string::npos)
    throw ItemValueError("a text with a zero character cannot be stored");
  if (units.size() + 1 > max_units) {
    throw ItemValueError("a text of " + std::to_string(units.size()) +
                         " characters does not fit (room for " + std::to_string(max_units - 1) +
                         ")");
  }
  std::memcpy(p, units.data(), 2 * units.size());
  std::memset(p + 2 * units.size(), 0, valueSize(item) - 2 * units.size());
}

void storeNarrowBytes(char* p, const ItemSchema& item, const std::string& bytes) {
  const std::size_t room = valueSize(item);
  if (bytes.find('\0') != std::string::npos)
    throw ItemValueError("a text with a zero character cannot be stored");
  if (bytes.size() + 1 > room) {
    throw ItemValueError("a text of " + std::to_string(bytes.size()) +
                         " characters does not fit (room for " + std::to_string(room - 1) + ")");
  }
  std::memcpy(p, bytes.data(), bytes.size());
  std::memset(p + bytes.size(), 0, room - bytes.size());
}

// A number item written as text: the whole text, blanks around it allowed,
// as a number in the classic notation; an empty text is NaN ("no value").
double parseNumberText(const std::u16string& units) {
  std::size_t first = 0, last = units.size();
  while (first < last && (units[first] == u' ' || units[first] == u'\t')) ++first;
  while (last > first && (units[last - 1] == u' ' || units[last - 1] == u'\t')) --last;
  if (first == last) return std::numeric_limits<double>::quiet_NaN();
  const auto notANumber = [&units] {
    return ItemValueError("the text \"" + narrowUnits(units) + "\" is not a number");
  };
  std::string ascii;
  for (std::size_t i = first; i < last; ++i) {
    if (units[i] > 0x7F) throw notANumber();
    ascii.push_back(static_cast<char>(units[i]));
  }
  double value = 0;
  const char* end = ascii.data() + ascii.size();
  const std::from_chars_result parsed = std::from_chars(ascii.data(), end, value);
  if (parsed.ec != std::errc() || parsed.ptr != end) throw notANumber();
  return value;
}

// The shortest text that gives the value back; empty for NaN.
std::string numberText(double value) {
  if (std::isnan(value)) return std::string();
  char digits[32];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, end.ptr);
}

}  // namespace

void readItemValue(const char* p, const ItemSchema& item, int& value) {
  value = readNumber<int>(p, item);
}
void readItemValue(const char* p, const ItemSchema& item, unsigned int& value) {
  value = readNumber<unsigned int>(p, item);
}
void readItemValue(const char* p, const ItemSchema& item, long long& value) {
  value = readNumber<long long>(p, item);
}
void readItemValue(const char* p, const ItemSchema& item, double& value) {
  value = readNumber<double>(p, item);
}

void readItemValue(const char* p, const ItemSchema& item, std::string& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: value = numberText(loadAt<double>(p)); return;
    case ValueKind::NarrowText: value = readNarrowBytes(p, item); return;
    case ValueKind::WideText: {
      const std::size_t count = wideLength(p, item);
      std::string bytes(count, '\0');
      for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(loadAt<char16_t>(p + 2 * i) & 0xFF);
      value = bytes;
      return;
    }
    default: throwTextNumberMix(false);
  }
}

void readItemValue(const char* p, const ItemSchema& item, std::wstring& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: {
      const std::string text = numberText(loadAt<double>(p));
      value.assign(text.begin(), text.end());
      return;
    }
    case ValueKind::WideText: value = fromUtf16Units(p, wideLength(p, item)); return;
    case ValueKind::NarrowText: {
      const std::string bytes = readNarrowBytes(p, item);
      std::wstring text(bytes.size(), L'\0');
      for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
      value = text;
      return;
    }
    default: throwTextNumberMix(false);
  }
}

void writeItemValue(char* p, const ItemSchema& item, int value) { writeNumber(p, item, value); }
void writeItemValue(char* p, const ItemSchema& item, unsigned int value) {
  writeNumber(p, item, value);
}
void writeItemValue(char* p, const ItemSchema& item, long long value) {
  writeNumber(p, item, value);
}
void writeItemValue(char* p, const ItemSchema& item, double value) { writeNumber(p, item, value); }

void writeItemValue(char* p, const ItemSchema& item, const std::string& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText:
      storeAt<double>(p, parseNumberText(std::u16string(value.begin(), value.end())));
      return;
    case ValueKind::NarrowText: storeNarrowBytes(p, item, value); return;
    case ValueKind::WideText: {
      std::u16string units(value.size(), u'\0');
      for (std::size_t i = 0; i < value.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(value[i]));
      storeWideUnits(p, item, units);
      return;
    }
    default: throwTextNumberMix(false);
  }
}

void writeItemValue(char* p, const ItemSchema& item, const std::wstring& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: storeAt<double>(p, parseNumberText(toUtf16Units(value))); return;
    case ValueKind::WideText: storeWideUnits(p, item, toUtf16Units(value)); return;
    case ValueKind::NarrowText: storeNarrowBytes(p, item, narrowUnits(toUtf16Units(value))); return;
    default: throwTextNumberMix(false);
  }
}

}  // namespace workspace
}  // namespace tavik
