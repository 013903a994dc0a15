// Test helper: items of a workspace parameter read by their property names
// and joined into one text, so one comparison pins many items exactly.
//
//   tavik_test::properties(L"Speed", L"Unit Min Is_Active LogFlags")
//     -> L"rpm|0.5|1|180"
//
// Each blank-separated name is read with its item's type: texts as stored
// (narrow ones widened byte by byte), numbers as a default-formatted stream
// writes them. Two names are not items: "LogFlags" gives the whole flag set
// in hex and "References" the element's reference count. Others read "?".
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik_test {

inline std::wstring properties(const std::wstring& parameter, const std::wstring& names) {
  namespace ws = tavik::workspace;
  namespace type = tavik::workspace::item_type;
  const ws::Parameter p(parameter);
  std::wistringstream in(names);
  std::wostringstream out;
  std::wstring name;
  for (const wchar_t* separator = L""; in >> name; separator = L"|") {
    out << separator;
    ws::parameter::Property item;
    if (name == L"LogFlags") {
      out << p.getLogFlags().wstr(16);
    } else if (name == L"References") {
      out << ws::Workspace::getInstance()->getReferenceCount(p.getHandle());
    } else if (!ws::Parameter::findProperty(name, item)) {
      out << L'?';
    } else {
      const int t = p.getTypeForProperty(name);
      if (t == type::kDouble || t == type::kListenedDouble) {
        out << p.get<double>(item);
      } else if (t == type::kInt || t == type::kListenedInt) {
        out << p.get<int>(item);
      } else if (t == type::kUnsigned || t == type::kListenedUnsigned) {
        out << p.get<unsigned int>(item);
      } else if (t == type::kLongLong || t == type::kListenedLongLong) {
        out << p.get<long long>(item);
      } else if (t == type::kNarrowText || t == type::kListenedNarrowText256) {
        for (unsigned char c : p.get<std::string>(item)) out << static_cast<wchar_t>(c);
      } else {
        out << p.get<std::wstring>(item);
      }
    }
  }
  return out.str();
}
// The same items of several parameters, one text each.
inline std::vector<std::wstring> properties(std::initializer_list<const wchar_t*> parameters,
                                            const std::wstring& names) {
  std::vector<std::wstring> out;
  for (const wchar_t* parameter : parameters) out.push_back(properties(parameter, names));
  return out;
}

}  // namespace tavik_test
