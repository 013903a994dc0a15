#include "TavikEngine/Config/LoaderBase.h"

#include "TavikEngine/Config/XmlText.h"

namespace tavik {
namespace {

// Whether an XPath query is one plain element name ("Value"): a step that
// selects the child elements of that name, nothing more.
bool isPlainName(const std::wstring& query) {
  if (query.empty()) return false;
  for (std::size_t i = 0; i < query.size(); ++i) {
    const wchar_t c = query[i];
    const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_';
    if (!letter && (i == 0 || c < L'0' || c > L'9')) return false;
  }
  return true;
}

}  // namespace

std::wstring LoaderBase::getChildValue(const pugi::xml_node& node, const std::wstring& name,
                                       const std::wstring& defaultValue) {
  try {
    return wideText(node.child_value(utf8Text(name).c_str()));
  } catch (...) {
    // The documented fallback.
    return defaultValue;
  }
}

std::wstring LoaderBase::getChildValue(const pugi::xml_node& node, const wchar_t* name,
                                       const wchar_t* defaultValue) {
  // A short ASCII name, the usual case, is narrowed on the stack.
  char narrow[32];
  std::size_t length = 0;
  for (; name[length] != L'\0'; ++length) {
    const wchar_t c = name[length];
    if (length + 1 == sizeof narrow || c < 1 || c >= 0x80)
      return getChildValue(node, std::wstring(name), std::wstring(defaultValue));
    narrow[length] = static_cast<char>(c);
  }
  narrow[length] = '\0';
  try {
    return wideText(node.child_value(narrow));
  } catch (...) {
    // The documented fallback.
    return defaultValue;
  }
}

int LoaderBase::countXPathMatches(pugi::xml_node node, std::wstring childName,
                                  std::wstring query) {
  try {
    const pugi::xml_node child = node.child(utf8Text(childName).c_str());
    if (!isPlainName(query))
      return static_cast<int>(child.select_nodes(utf8Text(query).c_str()).size());
    // The common query needs no XPath: count the children of that name.
    const std::string name = utf8Text(query);
    int count = 0;
    for (const pugi::xml_node& match : child.children(name.c_str()))
      if (match.type() == pugi::node_element) ++count;
    return count;
  } catch (...) {
    return 0;
  }
}

}  // namespace tavik
