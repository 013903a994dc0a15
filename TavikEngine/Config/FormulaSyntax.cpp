#include "TavikEngine/Config/FormulaSyntax.h"

#include <cstdint>
#include <vector>

#include "TavikEngine/Config/PythonText.h"

namespace tavik {
namespace {

bool isNameCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'_';
}
bool isHex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}
bool isControl(wchar_t c) {
  const auto v = static_cast<std::uint32_t>(c);
  return (v < 0x20 && c != L'\t') || (v >= 0x7F && v <= 0x9F);
}

// The string prefixes Python accepts, lower-cased; format strings (f) are
// left out on purpose: their fields are code that this check cannot follow.
bool isStringPrefix(std::wstring prefix) {
  for (wchar_t& c : prefix)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return prefix.empty() || prefix == L"r" || prefix == L"u" || prefix == L"b" ||
         prefix == L"br" || prefix == L"rb";
}

// Scans the string literal whose opening quote is at `at` (after a prefix
// that is already checked); sets `at` behind its closing quote. Returns the
// fault, or empty.
std::string scanString(const std::wstring& text, size_t& at, const std::wstring& prefix) {
  bool raw = false, bytes = false;
  for (wchar_t c : prefix) {
    raw = raw || c == L'r' || c == L'R';
    bytes = bytes || c == L'b' || c == L'B';
  }
  const wchar_t quote = text[at];
  const bool triple = at + 2 < text.size() && text[at + 1] == quote && text[at + 2] == quote;
  at += triple ? 3 : 1;
  while (at < text.size()) {
    const wchar_t c = text[at];
    if (bytes && static_cast<std::uint32_t>(c) > 0x7F) return "a bytes literal holds a non-ASCII character";
    if (c == L'\\') {
      if (at + 1 >= text.size()) break;
      const wchar_t e = text[at + 1];
      if (!raw) {
        size_t digits = e == L'x' ? 2 : (!bytes && e == L'u') ? 4 : (!bytes && e == L'U') ? 8 : 0;
        if (!bytes && e == L'N') return "a string literal holds a \\N escape";
        for (size_t i = 0; i < digits; ++i)
          if (at + 2 + i >= text.size() || !isHex(text[at + 2 + i]))
            return "a string literal holds a truncated escape";
        if (e == L'U') {
          const std::wstring hex = text.substr(at + 2, 8);
          if (std::stoul(std::string(hex.begin(), hex.end()), nullptr, 16) > 0x10FFFF)
            return "a string literal holds an escape beyond U+10FFFF";
        }
      }
      at += 2;
      continue;
    }
    if (c == quote && (!triple || (at + 2 < text.size() && text[at + 1] == quote &&
                                   text[at + 2] == quote))) {
      at += triple ? 3 : 1;
      return std::string();
    }
    ++at;
  }
  return "a string literal is not closed";
}

// Where the number literal starting at `at` ends, read as Python reads one:
// 0x/0o/0b and their digits, or digits with an optional fraction, exponent
// and imaginary suffix ("_" may separate digits).
size_t numberEnd(const std::wstring& text, size_t at) {
  const auto digits = [&](bool hex) {
    while (at < text.size() && (isHex(text[at]) || text[at] == L'_') &&
           (hex || (text[at] >= L'0' && text[at] <= L'9') || text[at] == L'_'))
      ++at;
  };
  if (text[at] == L'0' && at + 1 < text.size() &&
      std::wstring(L"xXoObB").find(text[at + 1]) != std::wstring::npos) {
    at += 2;
    digits(true);
    return at;
  }
  digits(false);
  if (at < text.size() && text[at] == L'.') {
    ++at;
    digits(false);
  }
  if (at < text.size() && (text[at] == L'e' || text[at] == L'E')) {
    const size_t mark = at++;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) ++at;
    if (at < text.size() && text[at] >= L'0' && text[at] <= L'9')
      digits(false);
    else
      at = mark;
  }
  if (at < text.size() && (text[at] == L'j' || text[at] == L'J')) ++at;
  return at;
}

}  // namespace

std::string formulaExpressionFault(const std::wstring& expression) {
  bool blank = true;
  for (wchar_t c : expression) {
    if (c == L'\n' || c == L'\r') return "it holds a line break";
    if (isControl(c)) return "it holds a control character";
    if (c != L' ' && c != L'\t') blank = false;
  }
  if (blank) return "the expression is empty";

  std::vector<wchar_t> open;
  size_t nameStart = 0;  // where the run of name characters before `at` starts
  for (size_t at = 0; at < expression.size();) {
    const wchar_t c = expression[at];
    if (c == L'\'' || c == L'"') {
      const std::wstring prefix = expression.substr(nameStart, at - nameStart);
      if (!isStringPrefix(prefix)) {
        std::wstring lower = prefix;
        for (wchar_t& l : lower)
          if (l >= L'A' && l <= L'Z') l = static_cast<wchar_t>(l - L'A' + L'a');
        if (lower == L"f" || lower == L"fr" || lower == L"rf") return "it holds a format string";
        return "a name runs into a string literal";
      }
      std::string fault = scanString(expression, at, prefix);
      if (!fault.empty()) return fault;
      nameStart = at;
      continue;
    }
    const bool digit = c >= L'0' && c <= L'9';
    const bool startsNumber =
        at == nameStart && (digit || (c == L'.' && at + 1 < expression.size() &&
                                      expression[at + 1] >= L'0' && expression[at + 1] <= L'9'));
    if (startsNumber) {
      at = numberEnd(expression, at);
      if (at < expression.size() && isNameCharacter(expression[at]))
        return "a number runs into a name";
      nameStart = at;
      continue;
    }
    if (isNameCharacter(c)) {
      ++at;
      continue;
    }
    switch (c) {
      case L'(': case L'[': case L'{': open.push_back(c); break;
      case L')': case L']': case L'}': {
        const wchar_t opening = c == L')' ? L'(' : c == L']' ? L'[' : L'{';
        if (open.empty()) return "it closes a bracket that is not open";
        if (open.back() != opening) return "its brackets do not pair up";
        open.pop_back();
        break;
      }
      case L'#': case L';': case L'\\': case L'$': case L'?': case L'`':
        return std::string("it holds \"") + static_cast<char>(c) + "\" outside a string literal";
      case L'!':
        if (at + 1 >= expression.size() || expression[at + 1] != L'=')
          return "it holds \"!\" outside a string literal";
        break;
      case L'>':
        // ">." starts a number (".5") or an ellipsis ("...") in Python, else
        // it is what is left of a reference that could not be read.
        if (at + 1 < expression.size() && expression[at + 1] == L'.' &&
            !(at + 2 < expression.size() &&
              ((expression[at + 2] >= L'0' && expression[at + 2] <= L'9') ||
               expression.compare(at + 1, 3, L"...") == 0)))
          return "it holds a parameter reference that could not be read";
        break;
      default:
        if (static_cast<std::uint32_t>(c) > 0x7F)
          return "it holds a non-ASCII character outside a string literal";
        break;
    }
    ++at;
    nameStart = at;
  }
  if (!open.empty()) return "a bracket is not closed";
  return std::string();
}

bool isPropertyText(const std::wstring& property) {
  size_t start = 0;
  for (size_t piece = 0;; ++piece) {
    const size_t comma = property.find(L',', start);
    const std::wstring part =
        property.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    const bool last = comma == std::wstring::npos;
    bool number = !part.empty() && (part == L"0" || part[0] != L'0');
    for (wchar_t c : part) number = number && c >= L'0' && c <= L'9';
    const bool ok = isPythonAttributeName(part) || (piece > 0 && number) ||
                    (piece > 0 && last && part.empty());
    if (!ok) return false;
    if (last) return true;
    start = comma + 1;
  }
}

bool isWellFormedUtf8(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    int length;
    std::uint32_t value, minimum;
    if ((b & 0xE0) == 0xC0) {
      length = 2; value = b & 0x1F; minimum = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      length = 3; value = b & 0x0F; minimum = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      length = 4; value = b & 0x07; minimum = 0x10000;
    } else {
      return false;
    }
    for (int i = 1; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;  // also stops at the terminating 0
      value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    p += length;
  }
  return true;
}

}  // namespace tavik
