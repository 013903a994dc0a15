// One column of a test plan: the values one parameter property takes row by
// row. Items: testplan_column::Item (ParameterHandle: the parameter the column
// drives; Property: the item number of the parameter property it drives).
//
// Cells. A column is made for a cell type (an item type code, ElementSchema.h)
// and a number of rows; it then holds one cell per row in a table after the
// fixed items. Every cell is an item of its own whose type code is the
// column's type, so a cell of a listened type (19 for a parameter's "Value")
// carries its own listener block, and a write of a cell tells its listeners.
// A cell takes rowCellBytes(type) bytes: 8 for codes 0, 2, 3 and 4, 504 for
// the text codes 5, 6 and 7, and value plus listener block (rounded up to 8
// bytes) for the listened codes. getPropertyForRow(row) gives the item number
// of row's cell.
//
// Building a column by name, with a type and rows:
//  - a column that does not exist is created with exactly that room;
//  - the stored type and rows: the column is kept as it is: its handle, its
//    cells and the listeners registered on them;
//  - the stored type and another row count whose cells fit the element's
//    table: the rows both counts have keep their cells as they are (values
//    and listeners); the rows dropped are emptied first (0, or the empty
//    text) with notifying writes, so that the listeners of a cell whose value
//    changes are told; every cell, dropped ones included, keeps the listeners
//    registered on it (they hear of the row again when it comes back);
//  - another type whose cells fit the element's table: the column takes the
//    new shape and every cell becomes empty (0, or the empty text); the old
//    cells' listener blocks go with them, as no cell of the new shape lies
//    where an old one did; nobody is told;
//  - cells that need more room than the table holds: the column is remade
//    (Workspace::replaceElement) with room for max(the cells' bytes, 2 x its
//    old table), its fixed items kept and every cell empty. The name then
//    leads to the new copy; the old handle, and the listeners registered on
//    its cells, stay with the old copy, which refuses every access as
//    replaced and which no write reaches any more.
// So a column afterwards holds in every cell what a new column holds, except
// in the rows it kept. A reshape is not guarded against another process
// reading the column at the same time (as for every item write).
//
// A proxy of a column that was remade since refuses every item read and write
// and every operation below with the workspace's "was replaced" message (its
// name still reads).
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class TestplanColumn : public ElementClass<TestplanColumn, element_class::kTestplanColumn> {
 public:
  // Opens the column of that name (memory area 0x900000), creating it with
  // `rows` cells of item type `type` when absent; see Building above.
  // WorkspaceException also for a type that is not an item type code of the
  // workspace, cells too large for any element, or a segment without room to
  // remake the column (then the column is as it was).
  TestplanColumn(const std::wstring& name, int type, unsigned long long rows);
  // Opens the column at that handle; WorkspaceException when it is none.
  explicit TestplanColumn(long long handle);

  // Item number of row's cell; WorkspaceException when row is not below the
  // row count.
  unsigned int getPropertyForRow(int row) const;
  unsigned long long getRowCount() const;
  // The cells' item type code.
  int getCellType() const;

  // Empties the cells of the rows from `row` on (0, or the empty text), as a
  // new column holds them, through the notifying write: the listeners of a
  // cell whose value changes are told, and every listener stays registered.
  // Nothing for a row at or beyond the row count.
  void clearRowsFrom(unsigned long long row);

  // Notifying writes of row's cell (listeners of the cell are told). A
  // number written to a text cell is stored as its shortest decimal text
  // that reads back as the same number ("1.5", "-2e+20", "nan"); a text
  // written to a number cell is a WorkspaceException, as is a row out of
  // range.
  void setRowValue(int row, const std::wstring& value) {
    ItemNotifyerElement<TestplanColumn>::set(getPropertyForRow(row), value);
  }
  void setRowValue(int row, double value) {
    const unsigned int property = getPropertyForRow(row);
    if (holdsText())
      ItemNotifyerElement<TestplanColumn>::set(property, numberText(value));
    else
      ItemNotifyerElement<TestplanColumn>::set(property, value);
  }
  void setRowValue(int row, int value) {
    const unsigned int property = getPropertyForRow(row);
    if (holdsText())
      ItemNotifyerElement<TestplanColumn>::set(property, numberText(value));
    else
      ItemNotifyerElement<TestplanColumn>::set(property, value);
  }
  void setRowValue(int row, long long value) {
    const unsigned int property = getPropertyForRow(row);
    if (holdsText())
      ItemNotifyerElement<TestplanColumn>::set(property, std::to_wstring(value));
    else
      ItemNotifyerElement<TestplanColumn>::set(property, value);
  }

 private:
  // WorkspaceException for an invalid proxy or a column remade since.
  void requireCurrent(const char* operation) const;
  bool holdsText() const;
  // The notifying write of the empty value of a cell of that type.
  void emptyCell(unsigned int property, int type);
  static std::wstring numberText(double value);
  static std::wstring numberText(int value);
};

}  // namespace workspace
}  // namespace tavik
