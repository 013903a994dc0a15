// Test helper: items of any workspace element read by number and joined into
// one text, so one comparison pins many items exactly.
//
//   tavik_test::itemsText(handle, "552 3888 3984")  -> L"Act|4|0"
//
// Each number is read with its item's value type (texts as stored, numbers as
// a default-formatted stream writes them); a number that is no item reads
// "?". "name" gives the element's name, "class" its class name and "refs" its
// reference count.
#pragma once

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "workspace/ElementSchema.h"
#include "workspace/Utf16.h"
#include "workspace/Workspace.h"
#include "workspace/WorkspaceException.h"

namespace tavik_test {

inline std::wstring itemsText(long long handle, const std::string& items) {
  namespace ws = tavik::workspace;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  std::istringstream in(items);
  std::wostringstream out;
  std::string word;
  for (const wchar_t* separator = L""; in >> word; separator = L"|") {
    out << separator;
    if (word == "refs") {
      out << workspace->getReferenceCount(handle);
      continue;
    }
    if (word == "name") {
      const char* p = workspace->getBaseAddress() + handle + ws::element_header::kName;
      const std::size_t room = (workspace->getElementSize(handle) - ws::element_header::kName) / 2;
      std::size_t count = 0;
      for (char16_t unit = 1; count < room; ++count) {
        std::memcpy(&unit, p + 2 * count, sizeof unit);
        if (unit == 0) break;
      }
      out << ws::fromUtf16Units(p, count);
      continue;
    }
    if (word == "class") {
      std::int32_t id = 0;
      std::memcpy(&id, workspace->getBaseAddress() + handle + ws::element_header::kClassId,
                  sizeof id);
      const ws::ElementSchema* schema = ws::findSchema(id);
      out << (schema ? std::wstring(schema->class_name.begin(), schema->class_name.end()) : L"?");
      continue;
    }
    const long long offset = handle + std::stoll(word);
    try {
      switch (ws::valueKindOf(workspace->getItemType(offset))) {
        case ws::ValueKind::Int: { int v; workspace->getItem(offset, v); out << v; break; }
        case ws::ValueKind::Unsigned: { unsigned v; workspace->getItem(offset, v); out << v; break; }
        case ws::ValueKind::LongLong: { long long v; workspace->getItem(offset, v); out << v; break; }
        case ws::ValueKind::Double: { double v; workspace->getItem(offset, v); out << v; break; }
        case ws::ValueKind::WideText:
        case ws::ValueKind::NarrowText:
        case ws::ValueKind::NumberAsText: { std::wstring v; workspace->getItem(offset, v); out << v; break; }
      }
    } catch (const WorkspaceException&) {
      out << L'?';
    }
  }
  return out.str();
}

}  // namespace tavik_test
