#include "TavikEngine/Config/FormulaReferences.h"

namespace tavik {
namespace {

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

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
    const std::size_t open = text.find(L'<', at);
    if (open == std::wstring::npos || open + 1 >= size) break;
    at = open + 1;
    if (!isAsciiLetter(text[open + 1]) && text[open + 1] != L',') continue;
    std::size_t close = open + 2;
    while (close < size && isNameCharacter(text[close])) ++close;
    if (close + 1 >= size || text[close] != L'>' || text[close + 1] != L'.') continue;
    std::size_t end = close + 2;
    while (end < size && (isAsciiLetter(text[end]) || isDigit(text[end]) || text[end] == L',' ||
                          text[end] == L'_'))
      ++end;
    references.push_back({open, end - open});
    at = end;
  }
  return references;
}

}  // namespace tavik
