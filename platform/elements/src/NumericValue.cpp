#include "workspace/NumericValue.h"

#include <cmath>
#include <cwchar>

namespace tavik {
namespace workspace {

double NumericValue::getValue() const {
  std::wstring text;
  get(numeric_value::VALUE, text);
  if (text.empty()) return std::nan("");
  wchar_t* end = nullptr;
  const double value = std::wcstod(text.c_str(), &end);
  return end == text.c_str() + text.size() ? value : std::nan("");
}

}  // namespace workspace
}  // namespace tavik
