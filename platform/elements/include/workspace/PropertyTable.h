// An action property: a table of rows by columns that an action option fills
// (a channel table). Column 0 of each row is a parameter; the other cells and
// the column names are texts. Items: property_table::Item.
//
// The column names (property_table::kNameRoom bytes each), the row
// parameters' handles and the cells (property_table::kCellRoom bytes each)
// lie after the items; ROWS and COLUMNS give the shape.
//
// Building. PropertyTable(name, rows, columns) is the step that builds the
// table in a load, and every call resets it: the shape is written, every
// column name, row parameter and cell is cleared, and PARENT_CATEGORY and
// ACTIVATE_SWITCH (which an option writes only for some of its texts) are
// 0 again; silently, no listener is told. When the shape does not fit the
// element's room, the table is first remade (Workspace::replaceElement) with
// the larger of the room the shape needs and twice its old room; the name
// then leads to the new copy, whose handle the proxy holds, and the old
// handle refuses every access. A shape that fits keeps the handle and
// listeners.
#pragma once

#include <string>
#include <vector>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

namespace property_table {
constexpr unsigned int kNameRoom = 128;  // 63 characters
constexpr unsigned int kCellRoom = 256;  // 127 characters
constexpr int kMaxExtent = 4096;         // rows, and columns
}  // namespace property_table

class PropertyTable : public ElementClass<PropertyTable, element_class::kPropertyTable> {
 public:
  // Builds the table of that name (memory area 0xC50000) for rows by
  // columns, creating it when absent; see Building. WorkspaceException for a
  // negative extent or one above kMaxExtent, when the name does not fit, or
  // when the segment has no room for the larger copy (the table is then as
  // it was).
  PropertyTable(const std::wstring& name, int rows, int columns);
  explicit PropertyTable(long long handle) : ElementClass(handle) {}

  // Writers of the table (no listener is told). WorkspaceException for a
  // row or column outside the shape, or a text that does not fit its room.
  void set_colum_name(int column, const std::wstring& name);
  void set_parameter(int row, long long parameterHandle);
  void set_item(int row, int column, const std::wstring& text);

  int getRows() const { return get<int>(property_table::ROWS); }
  int getColumns() const { return get<int>(property_table::COLUMNS); }
  std::vector<std::wstring> getColumnNames() const;
  long long getParameter(int row) const;
  std::wstring getItem(int row, int column) const;

 private:
  long long offsetOf(int row, int column, const char* operation) const;
};

}  // namespace workspace
}  // namespace tavik
