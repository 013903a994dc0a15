#include "TavikEngine/Config/FormulaReferences.h"

namespace tavik {
namespace {

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The position behind the string literal whose opening quote is at `at`,
// or the end of `text` when it is not closed.
std::size_t behindStringLiteral(const std::wstring& text, std::size_t at) {
  const wchar_t quote = text[at];
  const bool triple = text.compare(at, 3, std::wstring(3, quote)) == 0;
  for (at += triple ? 3 : 1; at < text.size(); ++at) {
    if (text[at] == L'\\') {
      ++at;
    } else if (text[at] == quote &&
               (!triple || text.compare(at, 3, std::wstring(3, quote)) == 0)) {
      return at + (triple ? 3 : 1);
    }
  }
  return text.size();
}

}  // namespace

std::vector<FormulaReference> findFormulaReferences(const std::wstring& text,
                                                    const std::locale& locale) {
  const std::ctype<wchar_t>& ctype = std::use_facet<std::ctype<wchar_t>>(locale);
  const auto isNameCharacter = [&](wchar_t c) {
    return isAsciiLetter(c) || isDigit(c) || c == L',' || c == L'_' || c == L'-' ||
           ctype.is(std::ctype_base::space, c);
  };
  std::vector<FormulaReference> references;
  const std::size_t size = text.size();
  std::size_t at = 0;
  while (at < size) {
    const std::size_t open = text.find_first_of(L"<'\"", at);
    if (open == std::wstring::npos || open + 1 >= size) break;
    if (text[open] != L'<') {
      at = behindStringLiteral(text, open);
      continue;
    }
    at = open + 1;
    if (!isAsciiLetter(text[open + 1]) && text[open + 1] != L',') continue;
    std::size_t close = open + 2;
    while (close < size && isNameCharacter(text[close])) ++close;
    if (close + 1 >= size || text[close] != L'>' || text[close + 1] != L'.') continue;
    std::size_t end = close + 2;
    while (end < size && (isAsciiLetter(text[end]) || isDigit(text[end]) || text[end] == L'_'))
      ++end;
    references.push_back({open, end - open});
    at = end;
  }
  return references;
}

}  // namespace tavik
