// A test plan of the bench: an ordered list of TestplanColumn elements, one
// row of each making one step of the plan. Items: testplan::Item.
//
// Room. A plan is made with room for a number of columns: a table of column
// handles after the fixed items (ColumnRoom entries, the first ColumnCount in
// use). Opening a plan that exists already (by name, with a column count):
//  - count 0, or the stored room: the plan is kept as it is;
//  - another count that the table holds: the plan takes that room and holds
//    no column any more (columns are added again by whoever fills it);
//  - a count beyond the table: WorkspaceException. Elements never move or
//    grow, so a plan keeps the room it was made with.
// Testplan(name, 0) of a plan that does not exist creates nothing: it gives
// an invalid proxy (handle -1), the way a plan is looked up by name.
#pragma once

#include <string>

#include "workspace/ElementClass.h"
#include "workspace/TestplanColumn.h"

namespace tavik {
namespace workspace {

class Testplan : public ElementClass<Testplan, element_class::kTestplan> {
 public:
  // Opens the plan of that name (memory area 0x800000); see Room above.
  // WorkspaceException also for a negative count.
  Testplan(const std::wstring& name, int columnCount);
  // Opens the plan at that handle; WorkspaceException when it is none.
  explicit Testplan(long long handle);

  // Appends the column. A column the plan holds already is left where it is
  // (adding the columns of a plan again changes nothing). WorkspaceException
  // naming the plan and the column when the plan has no room left.
  void addColumn(const TestplanColumn& column);
  // The column at that index (0 is the first added); WorkspaceException when
  // the plan holds no such column.
  TestplanColumn getColumn(int index) const;
  // Columns held, and the room for them.
  int getColumnCount() const;
  int getColumnRoom() const;
  // Row count of the plan's first column; 0 when it holds none.
  unsigned long long getRowCount() const;

 private:
  // Offset of the column table's entry `index`, checked against the table.
  long long entryOffset(int index, const char* operation) const;
};

}  // namespace workspace
}  // namespace tavik
