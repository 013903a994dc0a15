#include "TavikEngine/Config/LoaderBase.h"

#include "TavikEngine/Config/XmlText.h"

namespace tavik {

std::wstring LoaderBase::getChildValue(const pugi::xml_node& node, const std::wstring& name,
                                       const std::wstring& defaultValue) {
  std::wstring result = defaultValue;
  try {
    result = wideText(node.child_value(utf8Text(name).c_str()));
  } catch (...) {
    // The documented fallback: the default stays.
  }
  return result;
}

int LoaderBase::countXPathMatches(pugi::xml_node node, std::wstring childName,
                                  std::wstring query) {
  try {
    const pugi::xml_node child = node.child(utf8Text(childName).c_str());
    return static_cast<int>(child.select_nodes(utf8Text(query).c_str()).size());
  } catch (...) {
    return 0;
  }
}

}  // namespace tavik
