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
To readNumber(const char* p, ItemSlot item) {
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
void writeNumber(char* p, ItemSlot item, From value) {
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
std::size_t wideLength(const char* p, ItemSlot item) {
  const std::size_t max_units = valueSize(item.type_code, item.room) / 2;
  std::size_t count = 0;
  while (count < max_units && loadAt<char16_t>(p + 2 * count) != 0) ++count;
  return count;
}

// Stored bytes of a narrow text item, up to the terminator or the room.
std::size_t narrowLength(const char* p, ItemSlot item) {
  const std::size_t room = valueSize(item.type_code, item.room);
  std::size_t count = 0;
  while (count < room && p[count] != '\0') ++count;
  return count;
}

[[noreturn]] void throwZeroCharacter() {
  throw ItemValueError("a text with a zero character cannot be stored");
}

[[noreturn]] void throwTooLong(std::size_t length, std::size_t room) {
  throw ItemValueError("a text of " + std::to_string(length) + " characters does not fit (room for " +
                       std::to_string(room - 1) + ")");
}

// Room in bytes of a wide text item that is to take `count` units; refuses a
// zero unit (checked first) or a text that leaves no room for the terminator.
std::size_t checkWideText(ItemSlot item, std::size_t count, bool has_zero) {
  const std::size_t room = valueSize(item.type_code, item.room);
  if (has_zero) throwZeroCharacter();
  if (count + 1 > room / 2) throwTooLong(count, room / 2);
  return room;
}

void storeNarrowBytes(char* p, ItemSlot item, const std::string& bytes) {
  const std::size_t room = valueSize(item.type_code, item.room);
  if (bytes.find('\0') != std::string::npos) throwZeroCharacter();
  if (bytes.size() + 1 > room) throwTooLong(bytes.size(), room);
  std::memcpy(p, bytes.data(), bytes.size());
  std::memset(p + bytes.size(), 0, room - bytes.size());
}

// A number item written as text: the whole text, blanks around it allowed,
// as a number in the classic notation; an empty text is NaN ("no value").
// codeAt(i) gives the i-th character's code, which is ASCII exactly when the
// 16-bit unit(s) it is stored as are; notANumber() throws.
template <class CodeAt, class NotANumber>
double parseNumberText(std::size_t size, CodeAt codeAt, NotANumber notANumber) {
  std::size_t first = 0, last = size;
  while (first < last && (codeAt(first) == ' ' || codeAt(first) == '\t')) ++first;
  while (last > first && (codeAt(last - 1) == ' ' || codeAt(last - 1) == '\t')) --last;
  if (first == last) return std::numeric_limits<double>::quiet_NaN();
  char small[64];
  std::string large;
  char* ascii = small;
  if (last - first > sizeof small) {
    large.resize(last - first);
    ascii = &large[0];
  }
  for (std::size_t i = first; i < last; ++i) {
    const unsigned long code = codeAt(i);
    if (code > 0x7F) notANumber();
    ascii[i - first] = static_cast<char>(code);
  }
  double value = 0;
  const char* end = ascii + (last - first);
  const std::from_chars_result parsed = std::from_chars(ascii, end, value);
  if (parsed.ec != std::errc() || parsed.ptr != end) notANumber();
  return value;
}

[[noreturn]] void throwNotANumber(const std::string& narrow_text) {
  throw ItemValueError("the text \"" + narrow_text + "\" is not a number");
}

double parseNumberText(const std::string& text) {
  // A byte stands for the unit of its sign-extended value; the low 8 bits of
  // that unit are the byte itself.
  return parseNumberText(
      text.size(), [&text](std::size_t i) { return static_cast<unsigned long>(static_cast<char16_t>(text[i])); },
      [&text] { throwNotANumber(text); });
}

double parseNumberText(const std::wstring& text) {
  return parseNumberText(
      text.size(),
      [&text](std::size_t i) {
        return static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
      },
      [&text] { throwNotANumber(narrowUnits(toUtf16Units(text))); });
}

// The shortest text that gives the value back; empty for NaN. Returns the end
// of the text written into digits.
char* numberText(double value, char (&digits)[32]) {
  if (std::isnan(value)) return digits;
  return std::to_chars(digits, digits + sizeof digits, value).ptr;
}

}  // namespace

void readItemValue(const char* p, ItemSlot item, int& value) {
  value = readNumber<int>(p, item);
}
void readItemValue(const char* p, ItemSlot item, unsigned int& value) {
  value = readNumber<unsigned int>(p, item);
}
void readItemValue(const char* p, ItemSlot item, long long& value) {
  value = readNumber<long long>(p, item);
}
void readItemValue(const char* p, ItemSlot item, double& value) {
  value = readNumber<double>(p, item);
}

void readItemValue(const char* p, ItemSlot item, std::string& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: {
      char digits[32];
      value.assign(digits, numberText(loadAt<double>(p), digits));
      return;
    }
    case ValueKind::NarrowText: value.assign(p, narrowLength(p, item)); return;
    case ValueKind::WideText: {
      const std::size_t count = wideLength(p, item);
      value.resize(count);
      for (std::size_t i = 0; i < count; ++i)
        value[i] = static_cast<char>(loadAt<char16_t>(p + 2 * i) & 0xFF);
      return;
    }
    default: throwTextNumberMix(false);
  }
}

void readItemValue(const char* p, ItemSlot item, std::wstring& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: {
      char digits[32];
      value.assign(digits, numberText(loadAt<double>(p), digits));
      return;
    }
    case ValueKind::WideText: assignFromUtf16Units(value, p, wideLength(p, item)); return;
    case ValueKind::NarrowText: {
      const std::size_t count = narrowLength(p, item);
      value.resize(count);
      for (std::size_t i = 0; i < count; ++i)
        value[i] = static_cast<wchar_t>(static_cast<unsigned char>(p[i]));
      return;
    }
    default: throwTextNumberMix(false);
  }
}

void writeItemValue(char* p, ItemSlot item, int value) { writeNumber(p, item, value); }
void writeItemValue(char* p, ItemSlot item, unsigned int value) {
  writeNumber(p, item, value);
}
void writeItemValue(char* p, ItemSlot item, long long value) {
  writeNumber(p, item, value);
}
void writeItemValue(char* p, ItemSlot item, double value) { writeNumber(p, item, value); }

void writeItemValue(char* p, ItemSlot item, const std::string& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: storeAt<double>(p, parseNumberText(value)); return;
    case ValueKind::NarrowText: storeNarrowBytes(p, item, value); return;
    case ValueKind::WideText: {
      // Each byte becomes the unit of its unsigned value.
      const std::size_t room =
          checkWideText(item, value.size(), value.find('\0') != std::string::npos);
      for (std::size_t i = 0; i < value.size(); ++i)
        storeAt<char16_t>(p + 2 * i, static_cast<unsigned char>(value[i]));
      std::memset(p + 2 * value.size(), 0, room - 2 * value.size());
      return;
    }
    default: throwTextNumberMix(false);
  }
}

void writeItemValue(char* p, ItemSlot item, const std::wstring& value) {
  switch (valueKindOf(item.type_code)) {
    case ValueKind::NumberAsText: storeAt<double>(p, parseNumberText(value)); return;
    case ValueKind::WideText: {
      // Only a zero character gives a zero unit.
      const std::size_t count = utf16Length(value);
      const std::size_t room = checkWideText(item, count, value.find(L'\0') != std::wstring::npos);
      std::size_t i = 0;
      forEachUtf16Unit(value, [p, &i](char16_t unit) {
        storeAt<char16_t>(p + 2 * i++, unit);
        return true;
      });
      std::memset(p + 2 * count, 0, room - 2 * count);
      return;
    }
    case ValueKind::NarrowText: {
      // The low 8 bits of each unit; a unit whose low byte is zero is a zero
      // character of the narrow text.
      const std::size_t room = valueSize(item.type_code, item.room);
      std::size_t count = 0;
      const bool has_zero = !forEachUtf16Unit(value, [&count](char16_t unit) {
        ++count;
        return (unit & 0xFF) != 0;
      });
      if (has_zero) throwZeroCharacter();
      if (count + 1 > room) throwTooLong(count, room);
      std::size_t i = 0;
      forEachUtf16Unit(value, [p, &i](char16_t unit) {
        p[i++] = static_cast<char>(unit & 0xFF);
        return true;
      });
      std::memset(p + count, 0, room - count);
      return;
    }
    default: throwTextNumberMix(false);
  }
}

}  // namespace workspace
}  // namespace tavik
