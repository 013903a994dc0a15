// A test plan of the bench: an ordered list of TestplanColumn elements, one
// row of each making one step of the plan. Items: testplan::Item.
//
// Room. A plan holds a table of column handles after the fixed items; its
// ColumnRoom item says how many columns the plan was last built for (the
// first ColumnCount of them in use), never more than the table holds.
//
// Building and re-opening a plan by name:
//  - Testplan(name, n) with n > 0 builds the plan for n columns: it is
//    created when absent, and it always starts with no column (count 0) and
//    room n, whatever it held before. A plan whose table is smaller than n is
//    remade (Workspace::replaceElement) with a table of max(n, 2 x its old
//    table), so that loading two files in turn does not remake it each time;
//    the name then leads to the new copy and the old handle is refused as
//    replaced. A plan whose table holds n keeps its handle and table.
//  - Testplan(name, 0) looks the plan up and changes nothing; a plan that
//    does not exist is not created: the proxy is invalid (handle -1).
// WorkspaceException for a negative count, and when the segment has no room
// to remake the plan (then the plan is as it was).
//
// A proxy of a plan that was remade since refuses every item read and write
// and every operation below with the workspace's "was replaced" message (its
// name still reads).
#pragma once

#include <string>

#include "workspace/ElementClass.h"
#include "workspace/TestplanColumn.h"

namespace tavik {
namespace workspace {

class Testplan : public ElementClass<Testplan, element_class::kTestplan> {
 public:
  // Builds (n > 0) or looks up (n == 0) the plan of that name in memory
  // area 0x800000; see above.
  Testplan(const std::wstring& name, int columnCount);
  // Opens the plan at that handle; WorkspaceException when it is none.
  explicit Testplan(long long handle);

  // Appends the column. A column the plan holds already is left where it is
  // (adding the columns of a plan again changes nothing); a column remade
  // since it was added stands in its old copy's place. WorkspaceException
  // naming the plan and the column when the plan holds its room already:
  // nothing is ever written past the room.
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
  // WorkspaceException for an invalid proxy or a plan remade since.
  void requireCurrent(const char* operation) const;
};

}  // namespace workspace
}  // namespace tavik
