#include "workspace/PropertyTable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {

namespace t = property_table;

// Tail offsets: column names, then row parameters, then cells row by row.
struct Shape {
  unsigned long long rows;
  unsigned long long columns;
  unsigned long long names() const { return 0; }
  unsigned long long parameters() const { return columns * t::kNameRoom; }
  unsigned long long cells() const { return parameters() + rows * 8; }
  unsigned long long bytes() const { return cells() + rows * columns * t::kCellRoom; }
};

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

Shape shapeOf(const Workspace& workspace, long long handle) {
  int rows = 0;
  int columns = 0;
  workspace.getItem(handle + t::ROWS, rows);
  workspace.getItem(handle + t::COLUMNS, columns);
  return Shape{static_cast<unsigned long long>(rows < 0 ? 0 : rows),
               static_cast<unsigned long long>(columns < 0 ? 0 : columns)};
}

unsigned long long tailRoom(const Workspace& workspace, long long handle) {
  return workspace.getElementSize(handle) - t::kElementSize;
}

long long openTable(const std::wstring& name, int rows, int columns) {
  if (rows < 0 || columns < 0 || rows > t::kMaxExtent || columns > t::kMaxExtent) {
    throw WorkspaceException("the property table \"" + narrowName(name) + "\" cannot have " +
                             std::to_string(rows) + " rows and " + std::to_string(columns) +
                             " columns");
  }
  const Shape shape{static_cast<unsigned long long>(rows), static_cast<unsigned long long>(columns)};
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  const unsigned long long needed = shape.bytes();
  long long handle = workspace->openOrCreateElement(element_class::kPropertyTable, name, needed);
  const unsigned long long room = tailRoom(*workspace, handle);
  // Headroom: a table that alternates between two shapes is not remade on
  // every load. Nothing of the old table is kept: it is cleared below.
  if (needed > room) handle = workspace->replaceElement(handle, std::max(needed, 2 * room), 0);
  std::memset(workspace->getBaseAddress() + handle + t::kElementSize, 0,
              tailRoom(*workspace, handle));
  // Written by an option only for some of its texts: a fresh table holds 0.
  workspace->setItem(handle + t::PARENT_CATEGORY, 0);
  workspace->setItem(handle + t::ACTIVATE_SWITCH, 0);
  workspace->setItem(handle + t::ROWS, rows);
  workspace->setItem(handle + t::COLUMNS, columns);
  return handle;
}

void storeText(char* p, unsigned int room, const std::wstring& text, const std::string& what) {
  const std::u16string units = toUtf16Units(text);
  if ((units.size() + 1) * 2 > room || units.find(u'\0') != std::u16string::npos)
    throw WorkspaceException(what + ": the text \"" + narrowUnits(units) + "\" does not fit");
  std::memset(p, 0, room);
  std::memcpy(p, units.data(), units.size() * 2);
}

std::wstring loadText(const char* p, unsigned int room) {
  std::size_t count = 0;
  for (char16_t unit = 1; count < room / 2; ++count) {
    std::memcpy(&unit, p + 2 * count, sizeof unit);
    if (unit == 0) break;
  }
  return fromUtf16Units(p, count);
}

}  // namespace

PropertyTable::PropertyTable(const std::wstring& name, int rows, int columns)
    : ElementClass(openTable(name, rows, columns), AsGiven{}) {}

// Offset of a column name (row -1), a row parameter (column -1) or a cell.
long long PropertyTable::offsetOf(int row, int column, const char* operation) const {
  requireValid(operation);
  const Shape shape = shapeOf(*workspace_, handle_);
  const bool rowOk = row == -1 || (row >= 0 && static_cast<unsigned long long>(row) < shape.rows);
  const bool columnOk =
      column == -1 || (column >= 0 && static_cast<unsigned long long>(column) < shape.columns);
  // The shape is memory another process may have written: the place must
  // also lie inside this element.
  if (!rowOk || !columnOk || shape.bytes() > tailRoom(*workspace_, handle_)) {
    throw WorkspaceException(std::string(operation) + ": row " + std::to_string(row) +
                             ", column " + std::to_string(column) +
                             " is outside property table " + getName() + " of " +
                             std::to_string(shape.rows) + " by " + std::to_string(shape.columns));
  }
  unsigned long long at = 0;
  if (row == -1) {
    at = shape.names() + static_cast<unsigned long long>(column) * t::kNameRoom;
  } else if (column == -1) {
    at = shape.parameters() + static_cast<unsigned long long>(row) * 8;
  } else {
    at = shape.cells() +
         (static_cast<unsigned long long>(row) * shape.columns + static_cast<unsigned long long>(column)) *
             t::kCellRoom;
  }
  return handle_ + t::kElementSize + static_cast<long long>(at);
}

void PropertyTable::set_colum_name(int column, const std::wstring& name) {
  if (column < 0) offsetOf(0, column < -1 ? column : -2, "set_colum_name");
  storeText(workspace_->getBaseAddress() + offsetOf(-1, column, "set_colum_name"), t::kNameRoom,
            name, "set_colum_name");
}

void PropertyTable::set_parameter(int row, long long parameterHandle) {
  if (row < 0) offsetOf(row < -1 ? row : -2, 0, "set_parameter");
  const std::int64_t value = parameterHandle;
  std::memcpy(workspace_->getBaseAddress() + offsetOf(row, -1, "set_parameter"), &value,
              sizeof value);
}

void PropertyTable::set_item(int row, int column, const std::wstring& text) {
  if (row < 0 || column < 0) offsetOf(-2, -2, "set_item");
  storeText(workspace_->getBaseAddress() + offsetOf(row, column, "set_item"), t::kCellRoom, text,
            "set_item");
}

std::vector<std::wstring> PropertyTable::getColumnNames() const {
  std::vector<std::wstring> names;
  for (int column = 0; column < getColumns(); ++column)
    names.push_back(loadText(workspace_->getBaseAddress() + offsetOf(-1, column, "getColumnNames"),
                             t::kNameRoom));
  return names;
}

long long PropertyTable::getParameter(int row) const {
  if (row < 0) offsetOf(-2, 0, "getParameter");
  std::int64_t value = 0;
  std::memcpy(&value, workspace_->getBaseAddress() + offsetOf(row, -1, "getParameter"),
              sizeof value);
  return value;
}

std::wstring PropertyTable::getItem(int row, int column) const {
  if (row < 0 || column < 0) offsetOf(-2, -2, "getItem");
  return loadText(workspace_->getBaseAddress() + offsetOf(row, column, "getItem"), t::kCellRoom);
}

}  // namespace workspace
}  // namespace tavik
