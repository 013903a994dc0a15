// The two XML accessors that every loader shares. No state.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace tavik {

class LoaderBase {
 public:
  // Text of the child element `name` of `node`. A missing child, like a child
  // without text, gives the EMPTY text, not `defaultValue`: the default is
  // returned only when the lookup itself fails with an exception (for
  // example when memory runs out). Callers that need a default for a missing
  // element test the result for emptiness themselves.
  std::wstring getChildValue(const pugi::xml_node& node, const std::wstring& name,
                             const std::wstring& defaultValue);
  // The same for a name and a default given as literals, which then need no
  // wide strings of their own.
  std::wstring getChildValue(const pugi::xml_node& node, const wchar_t* name,
                             const wchar_t* defaultValue);

  // Number of nodes that the XPath `query` selects below the child `childName`
  // of `node`, evaluated without variables. 0 on any error: a query that does
  // not parse, a missing child (which selects nothing), no memory.
  int countXPathMatches(pugi::xml_node node, std::wstring childName, std::wstring query);
};

}  // namespace tavik
