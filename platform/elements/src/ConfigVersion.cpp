// Comparison of configuration format versions ("1.2", "1.10.3").
#include <cstddef>
#include <string>
#include <vector>

#include "TavikEngine/Workspace/SharedElement.h"

namespace tavik {
namespace workspace {

namespace {

// The dotted components of a version as digit strings without leading zeros.
// A component counts by its leading digits; one without digits counts as 0.
std::vector<std::wstring> numericComponents(const std::wstring& text) {
  std::vector<std::wstring> components;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find(L'.', start);
    const std::wstring part =
        text.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
    std::size_t digits = 0;
    while (digits < part.size() && part[digits] >= L'0' && part[digits] <= L'9') ++digits;
    std::size_t first = 0;
    while (first < digits && part[first] == L'0') ++first;
    components.push_back(part.substr(first, digits - first));
    if (dot == std::wstring::npos) break;
    start = dot + 1;
  }
  return components;
}

// Compares two digit strings without leading zeros as numbers of any length.
int compareNumbers(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

bool operator>(const ConfigVersion& a, const ConfigVersion& b) {
  const std::vector<std::wstring> left = numericComponents(a.text());
  const std::vector<std::wstring> right = numericComponents(b.text());
  const std::size_t count = left.size() > right.size() ? left.size() : right.size();
  static const std::wstring zero;
  for (std::size_t i = 0; i < count; ++i) {
    const int order = compareNumbers(i < left.size() ? left[i] : zero,
                                     i < right.size() ? right[i] : zero);
    if (order != 0) return order > 0;
  }
  return false;
}

}  // namespace workspace
}  // namespace tavik
