#include "TavikEngine/Config/PythonText.h"

#include "text/Utf8.h"

#include <cstdint>
#include <iterator>
#include <string_view>
#include <unordered_set>

namespace tavik {

namespace {

// Python 3.10's keywords, sorted.
const wchar_t* const kKeywords[] = {
    L"False", L"None",   L"True",     L"and",    L"as",   L"assert", L"async", L"await",
    L"break", L"class",  L"continue", L"def",    L"del",  L"elif",   L"else",  L"except",
    L"finally", L"for",  L"from",     L"global", L"if",   L"import", L"in",    L"is",
    L"lambda", L"nonlocal", L"not",   L"or",     L"pass", L"raise",  L"return", L"try",
    L"while", L"with",   L"yield"};
// The members of the generated class.
const wchar_t* const kHookMembers[] = {L"calculate", L"execute", L"prepare", L"reset"};

using NameSet = std::unordered_set<std::wstring_view>;

// Every name of a formula and every attribute of the hook file is tested:
// most fail at once (every keyword has 2 to 8 characters and starts with one
// of kKeywordStarts); the others are looked up in a hash set made once.
const wchar_t kKeywordStarts[] = L"FNTabcdefgilnoprtwy";
bool isKeyword(std::wstring_view name) {
  if (name.size() < 2 || name.size() > 8) return false;
  const wchar_t* start = kKeywordStarts;
  while (*start != 0 && *start != name[0]) ++start;
  if (*start == 0) return false;
  static const NameSet keywords(std::begin(kKeywords), std::end(kKeywords));
  return keywords.count(name) != 0;
}
bool isHookMember(const std::wstring& name) {
  static const NameSet members(std::begin(kHookMembers), std::end(kHookMembers));
  return members.count(std::wstring_view(name)) != 0;
}

bool isReserved(const std::wstring& name) {
  if (name.size() > 4 && name.compare(0, 2, L"__") == 0 &&
      name.compare(name.size() - 2, 2, L"__") == 0)
    return true;
  return isKeyword(name) || isHookMember(name);
}

bool isIdentifierCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'_';
}

void appendHex(std::wstring* out, std::uint32_t value, int digits) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out->push_back(kDigits[(value >> shift) & 0xF]);
}

std::uint32_t codePoint(wchar_t c) { return static_cast<std::uint32_t>(c); }

}  // namespace

std::wstring pythonStringLiteral(const std::wstring& text) {
  std::wstring literal = L"'";
  for (wchar_t c : text) {
    const std::uint32_t value = codePoint(c);
    switch (c) {
      case L'\\': literal += L"\\\\"; continue;
      case L'\'': literal += L"\\'"; continue;
      case L'\n': literal += L"\\n"; continue;
      case L'\r': literal += L"\\r"; continue;
      case L'\t': literal += L"\\t"; continue;
      default: break;
    }
    if (value < 0x20 || (value >= 0x7F && value <= 0x9F)) {
      literal += L"\\x";
      appendHex(&literal, value, 2);
    } else if (value >= 0xD800 && value <= 0xDFFF) {
      literal += L"\\u";
      appendHex(&literal, value, 4);
    } else if (value > 0x10FFFF) {
      literal.push_back(static_cast<wchar_t>(0xFFFD));
    } else {
      literal.push_back(c);
    }
  }
  literal += L"'";
  return literal;
}

std::wstring pythonIdentifier(const std::wstring& name) {
  std::wstring identifier = name;
  for (wchar_t& c : identifier)
    if (!isIdentifierCharacter(c)) c = L'_';
  if (identifier.empty() || (identifier[0] >= L'0' && identifier[0] <= L'9'))
    identifier.insert(identifier.begin(), L'_');
  if (isReserved(identifier)) identifier += L'_';
  return identifier;
}

bool isPythonAttributeName(const std::wstring& name) {
  if (name.empty() || (name[0] >= L'0' && name[0] <= L'9')) return false;
  for (wchar_t c : name)
    if (!isIdentifierCharacter(c)) return false;
  return !isKeyword(name);
}

bool isPythonKeyword(std::wstring_view name) { return isKeyword(name); }

std::string pythonSourceUtf8(const std::wstring& text) { return text::toUtf8(text); }

}  // namespace tavik
