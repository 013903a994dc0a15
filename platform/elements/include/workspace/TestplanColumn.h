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
// Opening a column that exists already (by name, with a type and rows):
//  - the stored type and rows: the column is kept as it is, with its cells and
//    the listeners registered on them;
//  - another type or row count whose cells fit the element's table: the
//    column takes the new shape and every cell becomes empty (0, or the empty
//    text), its listeners gone with it;
//  - cells that need more room than the table holds: WorkspaceException.
//    Elements never move or grow, so a column keeps the room it was made with.
// A reshape is not guarded against another process reading the column at the
// same time (as for every item write).
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class TestplanColumn : public ElementClass<TestplanColumn, element_class::kTestplanColumn> {
 public:
  // Opens the column of that name (memory area 0x900000), creating it with
  // `rows` cells of item type `type` when absent; see Opening above.
  // WorkspaceException also for a type that is not an item type code of the
  // workspace, or cells too large for any element.
  TestplanColumn(const std::wstring& name, int type, unsigned long long rows);
  // Opens the column at that handle; WorkspaceException when it is none.
  explicit TestplanColumn(long long handle);

  // Item number of row's cell; WorkspaceException when row is not below the
  // row count.
  unsigned int getPropertyForRow(int row) const;
  unsigned long long getRowCount() const;
  // The cells' item type code.
  int getCellType() const;

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

 private:
  bool holdsText() const;
  static std::wstring numberText(double value);
  static std::wstring numberText(int value);
};

}  // namespace workspace
}  // namespace tavik
