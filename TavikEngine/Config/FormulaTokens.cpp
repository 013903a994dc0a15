#include "TavikEngine/Config/FormulaTokens.h"

#include <cstdint>

namespace tavik {
namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool isNameCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || isDigit(c) || c == L'_';
}
bool isHex(wchar_t c) {
  return isDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}
bool isControl(wchar_t c) {
  const auto v = static_cast<std::uint32_t>(c);
  return (v < 0x20 && c != L'\t') || (v >= 0x7F && v <= 0x9F);
}
wchar_t lower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// The string prefixes Python accepts, lower-cased.
bool isStringPrefix(const std::wstring& prefix) {
  return prefix.empty() || prefix == L"r" || prefix == L"u" || prefix == L"b" ||
         prefix == L"br" || prefix == L"rb" || prefix == L"f" || prefix == L"fr" ||
         prefix == L"rf";
}

// The length of the operator or delimiter at `at`: the longest that
// Python's tokenizer takes there ("<>" and "->" included: they are tokens
// there, and no expression may hold them); 0 when none starts there.
std::size_t operatorLength(const std::wstring& text, std::size_t at) {
  const wchar_t c = text[at];
  const wchar_t next = at + 1 < text.size() ? text[at + 1] : L'\0';
  const wchar_t third = at + 2 < text.size() ? text[at + 2] : L'\0';
  switch (c) {
    case L'(': case L')': case L'[': case L']': case L'{': case L'}': case L',': case L';':
    case L'~':
      return 1;
    case L'.':  // "..." or "."
      return next == L'.' && third == L'.' ? 3 : 1;
    case L'*': case L'/': case L'<': case L'>':  // "**=", "**", "*=", "*", "<>"
      if (next == c) return third == L'=' ? 3 : 2;
      return next == L'=' || (c == L'<' && next == L'>') ? 2 : 1;
    case L'-':
      return next == L'=' || next == L'>' ? 2 : 1;
    case L'+': case L'%': case L'@': case L'&': case L'|': case L'^': case L'=': case L':':
      return next == L'=' ? 2 : 1;
    case L'!':
      return next == L'=' ? 2 : 0;
    default:
      return 0;
  }
}

// Scans the string literal whose opening quote is at `at` (after a prefix
// that is already checked); sets `at` behind its closing quote. Returns the
// fault, or empty.
std::string scanString(const std::wstring& text, std::size_t& at, const std::wstring& prefix) {
  bool raw = false, bytes = false;
  for (wchar_t c : prefix) {
    raw = raw || c == L'r';
    bytes = bytes || c == L'b';
  }
  const wchar_t quote = text[at];
  const bool triple = at + 2 < text.size() && text[at + 1] == quote && text[at + 2] == quote;
  at += triple ? 3 : 1;
  while (at < text.size()) {
    const wchar_t c = text[at];
    if (bytes && static_cast<std::uint32_t>(c) > 0x7F)
      return "a bytes literal holds a non-ASCII character";
    if (c == L'\\') {
      if (at + 1 >= text.size()) break;
      const wchar_t e = text[at + 1];
      if (!raw) {
        const std::size_t digits = e == L'x'               ? 2
                                   : (!bytes && e == L'u') ? 4
                                   : (!bytes && e == L'U') ? 8
                                                           : 0;
        if (!bytes && e == L'N') return "a string literal holds a \\N escape";
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < digits; ++i) {
          const wchar_t h = at + 2 + i < text.size() ? text[at + 2 + i] : L' ';
          if (!isHex(h)) return "a string literal holds a truncated escape";
          value = value * 16 +
                  static_cast<std::uint32_t>(isDigit(h) ? h - L'0' : lower(h) - L'a' + 10);
        }
        if (e == L'U' && value > 0x10FFFF)
          return "a string literal holds an escape beyond U+10FFFF";
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

// Reads the number literal starting at `at` as Python's tokenizer does and
// sets `at` behind it. Returns the fault, or empty.
std::string scanNumber(const std::wstring& text, std::size_t& at) {
  const std::size_t size = text.size();
  // Digits for which `digit` holds, a single "_" allowed between two of
  // them (and, after a base prefix, before the first); how many were read.
  const auto digits = [&](bool (*digit)(wchar_t), bool leadingUnderscore) {
    std::size_t count = 0;
    for (;;) {
      if (at < size && digit(text[at])) {
        ++at;
        ++count;
      } else if (at + 1 < size && text[at] == L'_' && (count > 0 || leadingUnderscore) &&
                 digit(text[at + 1])) {
        at += 2;
        ++count;
      } else {
        return count;
      }
    }
  };
  const std::size_t start = at;
  const wchar_t base = at + 1 < size ? lower(text[at + 1]) : L'\0';
  if (text[at] == L'0' && (base == L'x' || base == L'o' || base == L'b')) {
    at += 2;
    const auto digit = base == L'x' ? +[](wchar_t c) { return isHex(c); }
                       : base == L'o' ? +[](wchar_t c) { return c >= L'0' && c <= L'7'; }
                                      : +[](wchar_t c) { return c == L'0' || c == L'1'; };
    if (digits(digit, true) == 0) return "a number has no digits after its base prefix";
  } else {
    digits(isDigit, false);
    bool integer = true;
    if (at < size && text[at] == L'.') {
      ++at;
      digits(isDigit, false);
      integer = false;
    }
    if (at + 1 < size && lower(text[at]) == L'e') {
      const std::size_t mark = at++;
      if (text[at] == L'+' || text[at] == L'-') ++at;
      if (digits(isDigit, false) == 0)
        at = mark;  // no exponent: the "e" is left and refused below
      else
        integer = false;
    }
    if (at < size && lower(text[at]) == L'j') {
      ++at;
      integer = false;
    }
    if (integer && text[start] == L'0') {
      for (std::size_t i = start; i < at; ++i)
        if (text[i] != L'0' && text[i] != L'_') return "a decimal number starts with a zero";
    }
  }
  if (at < size && isNameCharacter(text[at])) return "a number runs into a name";
  return std::string();
}

// The code of the `length` characters at `at` (ASCII here), or 0 when
// there are more than 8.
std::uint64_t codeOf(const std::wstring& text, std::size_t at, std::size_t length) {
  if (length > 8) return 0;
  std::uint64_t code = 0;
  for (std::size_t i = 0; i < length; ++i)
    code |= static_cast<std::uint64_t>(text[at + i] & 0x7F) << (8 * i);
  return code;
}

// Reads a format string's fields as Python 3.10 and 3.11 read them (the
// f-string parser of their ast module): `body` ends before the closing
// quotes; `level` is 0 for the literal itself and 1 inside a format
// spec (after the colon of a field).
class FormatStringReader {
 public:
  FormatStringReader(const std::wstring& text, std::size_t end, bool raw,
                     std::vector<FormulaSpan>* fields)
      : text_(text), end_(end), raw_(raw), fields_(fields) {}

  // Literal text and fields from `at` up to the end, or at level 1 up to the
  // "}" that closes the format spec (left at `at`).
  std::string parts(std::size_t& at, int level) {
    for (;;) {
      while (at < end_) {
        wchar_t c = text_[at++];
        if (!raw_ && c == L'\\' && at < end_) {
          c = text_[at++];
          if (c == L'N') {  // "\N{name}": its braces are no field
            if (at < end_ && text_[at++] == L'{')
              while (at < end_ && text_[at++] != L'}') {
              }
            continue;
          }
        }
        if (c != L'{' && c != L'}') continue;
        if (level == 0) {
          if (at < end_ && text_[at] == c) {  // "{{" and "}}" stand for one brace
            ++at;
            continue;
          }
          if (c == L'}') return "a format string holds a single \"}\"";
        }
        --at;
        break;
      }
      if (at >= end_ || text_[at] == L'}') return std::string();
      std::string fault = field(at, level);
      if (!fault.empty()) return fault;
    }
  }

 private:
  static bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

  // The field whose "{" is at `at`; sets `at` behind its "}".
  std::string field(std::size_t& at, int level) {
    if (level >= 2) return "a format string nests fields too deeply";
    const std::size_t start = ++at;
    std::wstring open;  // brackets open in the expression
    wchar_t quote = 0;
    bool triple = false;
    const auto tripled = [&](wchar_t c) {
      return at + 2 < end_ && text_[at + 1] == c && text_[at + 2] == c;
    };
    for (; at < end_; ++at) {
      const wchar_t c = text_[at];
      if (c == L'\\') return "a format string field holds a backslash";
      if (quote != 0) {
        if (c == quote && (!triple || tripled(c))) {
          if (triple) at += 2;
          quote = 0;
        }
      } else if (c == L'\'' || c == L'"') {
        triple = tripled(c);
        if (triple) at += 2;
        quote = c;
      } else if (c == L'(' || c == L'[' || c == L'{') {
        open.push_back(c);
      } else if (c == L'#') {
        return "a format string field holds \"#\"";
      } else if (open.empty() && (c == L'!' || c == L':' || c == L'}' || c == L'=' ||
                                  c == L'<' || c == L'>')) {
        // "!=", "==", "<=", ">=", "<" and ">" are operators of the expression.
        if (at + 1 < end_ && text_[at + 1] == L'=' && c != L':' && c != L'}') {
          ++at;
          continue;
        }
        if (c == L'<' || c == L'>') continue;
        break;
      } else if (c == L')' || c == L']' || c == L'}') {
        const wchar_t opening = c == L')' ? L'(' : c == L']' ? L'[' : L'{';
        if (open.empty() || open.back() != opening)
          return "a format string field does not pair its brackets or quotes";
        open.pop_back();
      }
    }
    if (quote != 0 || !open.empty())
      return "a format string field does not pair its brackets or quotes";
    if (at >= end_) return "a format string field is not closed";
    bool empty = true;
    for (std::size_t i = start; i < at; ++i) empty = empty && isBlank(text_[i]);
    if (empty) return "a format string field is empty";
    fields_->push_back({start, at - start});
    if (text_[at] == L'=') {  // "{x=}" writes the expression's text too
      for (++at; at < end_ && isBlank(text_[at]);) ++at;
      if (at >= end_) return "a format string field is not closed";
    }
    if (text_[at] == L'!') {
      if (++at >= end_) return "a format string field is not closed";
      const wchar_t conversion = text_[at++];
      if (conversion != L's' && conversion != L'r' && conversion != L'a')
        return "a format string field has a conversion other than !s, !r and !a";
    }
    if (at < end_ && text_[at] == L':') {
      if (++at >= end_) return "a format string field is not closed";
      std::string fault = parts(at, level + 1);
      if (!fault.empty()) return fault;
    }
    if (at >= end_ || text_[at] != L'}') return "a format string field is not closed";
    ++at;
    return std::string();
  }

  const std::wstring& text_;
  const std::size_t end_;
  const bool raw_;
  std::vector<FormulaSpan>* fields_;
};

}  // namespace

std::string formulaTokens(const std::wstring& expression, std::vector<FormulaToken>* tokens) {
  bool blank = true;
  for (wchar_t c : expression) {
    if (c == L'\n' || c == L'\r') return "it holds a line break";
    if (isControl(c)) return "it holds a control character";
    if (c != L' ' && c != L'\t') blank = false;
  }
  if (blank) return "the expression is empty";

  std::wstring open;  // the brackets open at `at`
  const std::size_t size = expression.size();
  for (std::size_t at = 0; at < size;) {
    const wchar_t c = expression[at];
    const std::size_t start = at;
    if (c == L' ' || c == L'\t') {
      ++at;
      continue;
    }
    if (c == L'\'' || c == L'"' || (isNameCharacter(c) && !isDigit(c))) {
      while (at < size && isNameCharacter(expression[at])) ++at;
      if (at < size && (expression[at] == L'\'' || expression[at] == L'"')) {
        std::wstring prefix;
        for (std::size_t i = start; i < at; ++i) prefix.push_back(lower(expression[i]));
        if (!isStringPrefix(prefix)) return "a name runs into a string literal";
        std::string fault = scanString(expression, at, prefix);
        const bool format = prefix.find(L'f') != std::wstring::npos;
        if (fault.empty() && format) {
          std::vector<FormulaSpan> fields;
          fault = formatStringFields(expression, {start, at - start}, &fields);
        }
        if (!fault.empty()) return fault;
        tokens->push_back({FormulaToken::Kind::String, start, at - start,
                           prefix.find(L'b') != std::wstring::npos, format, 0});
      } else {
        tokens->push_back({FormulaToken::Kind::Name, start, at - start, false, false,
                           codeOf(expression, start, at - start)});
      }
      continue;
    }
    if (isDigit(c) || (c == L'.' && at + 1 < size && isDigit(expression[at + 1]))) {
      std::string fault = scanNumber(expression, at);
      if (!fault.empty()) return fault;
      tokens->push_back({FormulaToken::Kind::Number, start, at - start, false, false, 0});
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
      default:
        if (static_cast<std::uint32_t>(c) > 0x7F)
          return "it holds a non-ASCII character outside a string literal";
        break;
    }
    const std::size_t length = operatorLength(expression, at);
    if (length == 0) return "it holds \"!\" outside a string literal";  // the one ASCII left
    at += length;
    // ">." starts a number (".5") or an ellipsis ("...") in Python, else it
    // is what is left of a reference that could not be read.
    if (expression[at - 1] == L'>' && at < size && expression[at] == L'.' &&
        !(at + 1 < size && (isDigit(expression[at + 1]) || expression.compare(at, 3, L"...") == 0)))
      return "it holds a parameter reference that could not be read";
    tokens->push_back({FormulaToken::Kind::Operator, start, length, false, false,
                       codeOf(expression, start, length)});
  }
  if (!open.empty()) return "a bracket is not closed";
  return std::string();
}

std::string formatStringFields(const std::wstring& text, const FormulaSpan& literal,
                               std::vector<FormulaSpan>* fields) {
  std::size_t at = literal.at;
  bool raw = false;
  for (; text[at] != L'\'' && text[at] != L'"'; ++at) raw = raw || lower(text[at]) == L'r';
  const wchar_t quote = text[at];
  const std::size_t quotes = text.compare(at, 3, std::wstring(3, quote)) == 0 ? 3 : 1;
  at += quotes;
  return FormatStringReader(text, literal.at + literal.length - quotes, raw, fields).parts(at, 0);
}

}  // namespace tavik
