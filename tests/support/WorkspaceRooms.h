// Test helper: every element of the current workspace whose count of entries
// (the number a reader sizes its reads by) lies beyond the room the element
// has for them, one line each:
//
//   for (const std::string& line : tavik_test::countsBeyondRoom()) ADD_FAILURE() << line;
//
// Covered: an action's exit count against its port table, a list's count
// against its room and its room against its records, a link path's points,
// a test plan's columns, a column's rows, a map's axes and values, a property
// table's shape, a chunk's size, a parameter's same-set-name links and map
// bindings, a device's ECUs, the control-mode requests. Reads raw items:
// never throws for what a segment holds.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "workspace/ElementItems.h"
#include "workspace/PropertyTable.h"
#include "workspace/Utf16.h"
#include "workspace/Workspace.h"

namespace tavik_test {

inline std::vector<std::string> countsBeyondRoom() {
  namespace ws = tavik::workspace;
  const auto workspace = ws::Workspace::getInstance();
  std::vector<std::string> out;
  for (const ws::ElementSchema& schema : ws::allSchemas()) {
    std::vector<long long> handles;
    workspace->getAllElementsOfType(schema.element_type, handles, schema.area);
    for (const long long h : handles) {
      const long long size = workspace->getElementSize(h);
      const auto read = [&](unsigned int item) {
        long long value = 0;
        if (workspace->getItemType(h + item) == ws::item_type::kLongLong) {
          workspace->getItem(h + item, value);
        } else {
          int narrow = 0;
          workspace->getItem(h + item, narrow);
          value = narrow;
        }
        return value;
      };
      const auto check = [&](const char* what, long long count, long long room) {
        if (count >= 0 && count <= room) return;
        std::u16string name;
        const char* at = workspace->getBaseAddress() + h + ws::element_header::kName;
        for (unsigned int k = 0; k + 1 < (schema.first_item - ws::element_header::kName) / 2; ++k) {
          char16_t unit;
          std::memcpy(&unit, at + 2 * k, sizeof unit);
          if (unit == 0) break;
          name.push_back(unit);
        }
        out.push_back(schema.class_name + " " + ws::narrowUnits(name) + ": " + what + " " +
                      std::to_string(count) + " beyond its room of " + std::to_string(room));
      };
      switch (schema.class_id) {
        case ws::element_class::kSharedAction:
          check("exit count", read(ws::shared_action::ExitCount),
                (size - ws::shared_action::kPorts) / ws::shared_action::kPortSize);
          break;
        case ws::element_class::kElementList: {
          const long long room = read(ws::element_list::Room);
          check("count", read(ws::element_list::Count), room);
          check("room of records", room * read(ws::element_list::RecordSize),
                size - ws::element_list::kRecords);
          break;
        }
        case ws::element_class::kLinkPath:
          check("points", read(ws::link_path::COORDINATES_COUNT), ws::link_path::kPointCapacity);
          break;
        case ws::element_class::kTestplan: {
          const long long room = read(ws::testplan::ColumnRoom);
          check("columns", read(ws::testplan::ColumnCount), room);
          check("column room", room, (size - ws::testplan::kColumnTable) / 8);
          break;
        }
        case ws::element_class::kTestplanColumn:
          check("row bytes",
                read(ws::testplan_column::RowCount) * read(ws::testplan_column::CellSize),
                size - ws::testplan_column::kCellTable);
          break;
        case ws::element_class::kPropertyMap:
          check("axis and values",
                read(ws::property_map::XCount) + read(ws::property_map::YCount) +
                    read(ws::property_map::ValueCount),
                (size - ws::property_map::kValueTable) / 8);
          break;
        case ws::element_class::kPropertyTable: {
          namespace t = ws::property_table;
          const long long rows = read(t::ROWS);
          const long long columns = read(t::COLUMNS);
          check("table bytes", columns * t::kNameRoom + rows * 8 + rows * columns * t::kCellRoom,
                size - t::kElementSize);
          break;
        }
        case ws::element_class::kChunk:
          check("characters and terminator", read(ws::chunk::Size) + 1,
                (size - ws::chunk::kText) / 2);
          break;
        // A parameter's and a device's lists are list elements of their own,
        // checked as such above.
        case ws::element_class::kGlobalConfig:
          check("control-mode requests", read(ws::global_config::ControlModeCount),
                ws::global_config::kControlModeSlots);
          break;
        default:
          break;
      }
    }
  }
  return out;
}

}  // namespace tavik_test
