// An action property: a table of rows by columns that an action option fills
// (a channel table). Column 0 of each row is a parameter; the other cells and
// the column names are texts. Items: property_table::Item.
//
// The column names (property_table::kNameRoom bytes each), the row
// parameters' handles and the cells (property_table::kCellRoom bytes each)
// lie after the items, sized when the element is created; ROWS and COLUMNS
// give the shape. Opening an existing table with another shape gives it that
// shape and clears it when the element holds it, else WorkspaceException
// (elements never grow); the same shape keeps its contents.
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
  // Opens the table of that name (memory area 0xC50000), creating it for
  // rows by columns when absent; see above. WorkspaceException also for a
  // negative extent or one above kMaxExtent.
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
