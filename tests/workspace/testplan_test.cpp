// Test plans and their columns on a real workspace segment.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "QueueTestSupport.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "workspace/ElementItems.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/Unaligned.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::workspaceError;

class TestplanTest : public ::testing::Test {
 protected:
  tavik_test::ScopedWorkspace workspace_;
};

TEST_F(TestplanTest, CellsTakeTheColumnTypeWithTheirListenerBlocks) {
  const auto workspace = ws::Workspace::getInstance();
  const struct {
    int type;
    unsigned int stride;
    unsigned int block;  // listener block from the cell's start, 0 for none
  } cases[] = {{0, 8, 0},     {2, 8, 0},       {3, 8, 0},       {4, 8, 0},    {5, 504, 0},
               {6, 504, 0},   {7, 504, 0},     {10, 824, 16},   {12, 816, 8}, {13, 824, 16},
               {14, 1064, 256}, {15, 1312, 504}, {16, 1832, 1028}, {17, 4904, 4100},
               {18, 1064, 256}, {19, 816, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    ws::TestplanColumn column(L"Column " + std::to_wstring(c.type), c.type, 3);
    const unsigned int row1 = column.getPropertyForRow(1);
    EXPECT_EQ((std::vector<long long>{624, 624 + c.stride, c.type, c.type,
                                      c.block ? row1 + c.block : 0, 3}),
              (std::vector<long long>{column.getPropertyForRow(0), row1, column.getCellType(),
                                      column.getItemType(row1), column.getListenerOffset(row1),
                                      static_cast<long long>(column.getRowCount())}));
    EXPECT_EQ("Row_1", workspace->getPropertyName(column.getHandle(), row1));
    EXPECT_EQ(624 + 3 * c.stride, workspace->getElementSize(column.getHandle()));
  }
  // A number in a text cell is its shortest decimal text; "-" fits a status cell.
  ws::TestplanColumn text(L"Text", 7, 4), number(L"Number", 2, 1);
  text.setRowValue(0, 0.1);
  text.setRowValue(1, -2e20);
  text.setRowValue(2, 42);
  text.setRowValue(3, std::wstring(L"-"));
  number.setRowValue(0, 7.9);
  EXPECT_EQ((std::vector<std::wstring>{L"0.1", L"-2e+20", L"42", L"-"}),
            (std::vector<std::wstring>{text.get<std::wstring>(text.getPropertyForRow(0)),
                                       text.get<std::wstring>(text.getPropertyForRow(1)),
                                       text.get<std::wstring>(text.getPropertyForRow(2)),
                                       text.get<std::wstring>(text.getPropertyForRow(3))}));
  EXPECT_EQ(7, number.get<int>(number.getPropertyForRow(0)));
}

TEST_F(TestplanTest, ColumnsKeepTheirShapeReshapeWhenTheyFitAndNeverWriteOutsideTheirCells) {
  {
    ws::TestplanColumn column(L"C", 19, 3);
    column.setRowValue(2, 5.0);
    column.set(ws::testplan_column::Property, 968u);
  }
  ws::TestplanColumn same(L"C", 19, 3);
  EXPECT_EQ(5.0, same.get<double>(same.getPropertyForRow(2)));
  ws::TestplanColumn smaller(L"C", 0, 10);  // 10 doubles fit where 3 listened ones were
  EXPECT_EQ((std::vector<double>{0, 0, 10, 968}),
            (std::vector<double>{smaller.get<double>(smaller.getPropertyForRow(9)),
                                 double(smaller.getCellType()), double(smaller.getRowCount()),
                                 double(smaller.get<unsigned int>(ws::testplan_column::Property))}));
  const long long lastByte = smaller.getHandle() + smaller.getPropertyForRow(9) + 8;
  EXPECT_EQ("getPropertyForRow: row 10 is out of range for test plan column C, which has 10 rows",
            workspaceError([&] { smaller.setRowValue(10, 1.0); }));
  EXPECT_EQ("getPropertyForRow: row -1 is out of range for test plan column C, which has 10 rows",
            workspaceError([&] { smaller.setRowValue(-1, 1.0); }));
  EXPECT_NE("no WorkspaceException",
            workspaceError([&] { ws::Workspace::getInstance()->setItem(lastByte, 1.0); }));
  // Rows times cell size beyond any element is refused, not wrapped.
  EXPECT_EQ("the test plan column \"Huge\" of 2305843009213693952 rows of 816 bytes is too large",
            workspaceError([] { ws::TestplanColumn(L"Huge", 19, 1ull << 61); }));
  EXPECT_EQ("the test plan column \"Bad\" cannot hold cells of item type 11",
            workspaceError([] { ws::TestplanColumn(L"Bad", 11, 1); }));
  EXPECT_EQ("cannot write item Row_0[624] of TestplanColumn C[" + std::to_string(smaller.getHandle()) +
                "]: a number item cannot hold or give a text",
            workspaceError([&] { smaller.setRowValue(0, std::wstring(L"x")); }));
}

TEST_F(TestplanTest, PlansHoldEachColumnOnceWithinTheirRoom) {
  EXPECT_EQ(-1, ws::Testplan(L"P", 0).getHandle());
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"P", ws::memory_area::kTestplans));
  ws::Testplan plan(L"P", 3);
  ws::TestplanColumn a(L"A", 2, 4), b(L"B", 0, 1), c(L"C", 0, 1), d(L"D", 0, 1);
  EXPECT_EQ(0u, plan.getRowCount());
  plan.addColumn(a);
  plan.addColumn(b);
  plan.addColumn(a);
  ws::Testplan other(L"Other", 1);
  other.addColumn(b);  // b now stands in another plan too
  plan.addColumn(b);
  plan.addColumn(c);
  EXPECT_EQ("addColumn: the test plan P has room for 3 columns and cannot take the column D",
            workspaceError([&] { plan.addColumn(d); }));
  ws::Testplan again(L"P", 0);
  EXPECT_EQ((std::vector<long long>{3, 3, 4, a.getHandle(), b.getHandle(), c.getHandle()}),
            (std::vector<long long>{again.getColumnCount(), again.getColumnRoom(),
                                    static_cast<long long>(again.getRowCount()),
                                    again.getColumn(0).getHandle(), again.getColumn(1).getHandle(),
                                    again.getColumn(2).getHandle()}));
  EXPECT_EQ("getColumn: the test plan P holds 3 columns, no column 3",
            workspaceError([&] { again.getColumn(3); }));

  ws::Testplan reshaped(L"P", 2);  // fits: the plan starts empty with room for 2
  EXPECT_EQ((std::vector<int>{0, 2}), (std::vector<int>{reshaped.getColumnCount(), reshaped.getColumnRoom()}));
  reshaped.addColumn(c);
  reshaped.addColumn(c);
  EXPECT_EQ(1, reshaped.getColumnCount());
}

TEST_F(TestplanTest, BuildingAPlanEmptiesItAndAPlanThatOutgrowsItsTableIsRemadeWithHeadroom) {
  const auto workspace = ws::Workspace::getInstance();
  ws::TestplanColumn a(L"A", 2, 4), b(L"B", 0, 1), c(L"C", 0, 1), d(L"D", 0, 1), e(L"E", 0, 1);
  ws::Testplan old(L"P", 3);
  old.increaseReferenceCounter();
  old.addColumn(a);
  old.addColumn(b);
  EXPECT_EQ(0, ws::Testplan(L"P", 3).getColumnCount());  // the same room, built again: empty
  old.addColumn(b);
  old.addColumn(a);
  EXPECT_EQ(2, ws::Testplan(L"P", 0).getColumnCount());  // a look-up keeps what it holds

  // Four columns where the table has three: a new copy with a table of 6.
  ws::Testplan grown(L"P", 4);
  EXPECT_NE(grown.getHandle(), old.getHandle());
  EXPECT_EQ((std::vector<long long>{grown.getHandle(), 0, 4, 552 + 8 * 6, 1}),
            (std::vector<long long>{ws::Testplan(L"P", 0).getHandle(), grown.getColumnCount(),
                                    grown.getColumnRoom(), workspace->getElementSize(grown.getHandle()),
                                    workspace->getReferenceCount(grown.getHandle())}));
  const std::string replaced = "the Testplan element P[" + std::to_string(old.getHandle()) +
                               "] was replaced by a larger one: open it again by name";
  EXPECT_EQ(replaced, workspaceError([&] { old.getColumnCount(); }));
  EXPECT_EQ(replaced, workspaceError([&] { old.addColumn(c); }));
  EXPECT_EQ(replaced, workspaceError([&] { ws::Testplan(old.getHandle()); }));

  // Columns the old copy held are added to the new one in the new order,
  // each once, and never past the room, whatever the table holds.
  for (const ws::TestplanColumn* column : {&a, &b, &a, &c, &d}) grown.addColumn(*column);
  EXPECT_EQ("addColumn: the test plan P has room for 4 columns and cannot take the column E",
            workspaceError([&] { grown.addColumn(e); }));
  EXPECT_EQ((std::vector<long long>{4, a.getHandle(), b.getHandle(), c.getHandle(), d.getHandle(), 0}),
            (std::vector<long long>{grown.getColumnCount(), grown.getColumn(0).getHandle(),
                                    grown.getColumn(1).getHandle(), grown.getColumn(2).getHandle(),
                                    grown.getColumn(3).getHandle(),
                                    tavik::workspace::loadAt<long long>(
                                        workspace->getBaseAddress() + grown.getHandle() +
                                        ws::testplan::kColumnTable + 8 * 4)}));
  // The headroom takes six columns without another copy; fewer again fit too.
  for (int columns : {6, 2, 5}) {
    SCOPED_TRACE(columns);
    const ws::Testplan again(L"P", columns);
    EXPECT_EQ((std::vector<long long>{grown.getHandle(), 0, columns}),
              (std::vector<long long>{again.getHandle(), again.getColumnCount(), again.getColumnRoom()}));
  }
  EXPECT_NE(grown.getHandle(), ws::Testplan(L"P", 13).getHandle());
  EXPECT_EQ(552u + 8 * 13, workspace->getElementSize(ws::Testplan(L"P", 0).getHandle()));
}

TEST_F(TestplanTest, AColumnThatOutgrowsItsTableIsRemadeEmptyAndItsListenersStayWithTheOldCopy) {
  const auto workspace = ws::Workspace::getInstance();
  const long long listener = ws::IPCListener(L"Display").getHandle();
  ws::TestplanColumn old(L"C", 19, 3);  // 2448 bytes of cells
  old.increaseReferenceCounter();
  old.set(ws::testplan_column::ParameterHandle, 77ll);
  old.set(ws::testplan_column::Property, 968u);
  old.setRowValue(2, 5.0);
  workspace->addListener(old.getHandle() + old.getPropertyForRow(1), listener);

  ws::TestplanColumn grown(L"C", 19, 4);  // 3264 bytes: a copy with room for 4896
  EXPECT_NE(grown.getHandle(), old.getHandle());
  EXPECT_EQ((std::vector<double>{624 + 4896, 1, 77, 968, 19, 4, 0, 0, 0, 0, 0}),
            (std::vector<double>{double(workspace->getElementSize(grown.getHandle())),
                                 double(workspace->getReferenceCount(grown.getHandle())),
                                 double(grown.get<long long>(ws::testplan_column::ParameterHandle)),
                                 double(grown.get<unsigned int>(ws::testplan_column::Property)),
                                 double(grown.getCellType()), double(grown.getRowCount()),
                                 grown.get<double>(grown.getPropertyForRow(0)),
                                 grown.get<double>(grown.getPropertyForRow(2)),
                                 grown.get<double>(grown.getPropertyForRow(3)),
                                 double(grown.getListenerCount(grown.getPropertyForRow(1))),
                                 double(ws::IPCListener(listener).get<int>(ws::ipc_listener::Notified))}));
  grown.setRowValue(1, 8.0);  // the old copy's listener hears nothing of it
  EXPECT_EQ(0, ws::IPCListener(listener).get<int>(ws::ipc_listener::Notified));
  const std::string replaced = "the TestplanColumn element C[" + std::to_string(old.getHandle()) +
                               "] was replaced by a larger one: open it again by name";
  EXPECT_EQ((std::vector<std::string>{replaced, replaced, replaced, replaced}),
            (std::vector<std::string>{workspaceError([&] { old.getRowCount(); }),
                                      workspaceError([&] { old.setRowValue(0, 1.0); }),
                                      workspaceError([&] { old.get<double>(624 + 816 * 2); }),
                                      workspaceError([&] { ws::TestplanColumn(old.getHandle()); })}));
  // Up to the headroom the copy keeps its handle, a reshape empties it.
  EXPECT_EQ(grown.getHandle(), ws::TestplanColumn(L"C", 19, 6).getHandle());
  EXPECT_EQ(grown.getHandle(), ws::TestplanColumn(L"C", 0, 612).getHandle());
  EXPECT_NE(grown.getHandle(), ws::TestplanColumn(L"C", 0, 613).getHandle());
  EXPECT_EQ(624u + 9792, workspace->getElementSize(ws::TestplanColumn(L"C", 0, 1).getHandle()));
}

TEST_F(TestplanTest, APlanOrColumnThatFindsNoRoomInTheSegmentToGrowStaysAsItWas) {
  const std::string full = "the workspace \"" + workspace_.name() + "\" is full: no room to grow the ";
  ws::Testplan plan(L"P", 2);
  ws::TestplanColumn column(L"C", 0, 2);
  plan.addColumn(column);
  column.setRowValue(1, 4.5);
  // 100,000,000 rows of 8 bytes: within an element's limit, beyond the segment.
  EXPECT_EQ(full + "TestplanColumn element \"C\" to 800000624 bytes",
            workspaceError([] { ws::TestplanColumn(L"C", 0, 100000000); }));
  EXPECT_EQ(full + "Testplan element \"P\" to 800000552 bytes",
            workspaceError([] { ws::Testplan(L"P", 100000000); }));
  EXPECT_EQ((std::vector<double>{double(column.getHandle()), 2, 4.5, double(plan.getHandle()), 1, 2}),
            (std::vector<double>{double(ws::TestplanColumn(L"C", 0, 2).getHandle()),
                                 double(column.getRowCount()),
                                 column.get<double>(column.getPropertyForRow(1)),
                                 double(ws::Testplan(L"P", 0).getHandle()), double(plan.getColumnCount()),
                                 double(plan.getColumnRoom())}));
}

// Emptying rows is a write like any other: a listener of a cell whose value
// changes is told, one of a cell that held the empty value already is not,
// and both stay registered.
TEST_F(TestplanTest, ClearingRowsEmptiesTheirValuesTellsListenersOfChangedCellsAndKeepsThem) {
  const auto workspace = ws::Workspace::getInstance();
  const int id = tavik_test::randomQueueId();
  const tavik_test::ScopedQueueObjects objects(id);
  const long long listener = ws::IPCListener(L"Display").getHandle();
  workspace->setItem(listener + ws::ipc_listener::QueueId, id);
  ws::TestplanColumn numbers(L"N", 19, 4), texts(L"T", 7, 3);
  for (int row = 0; row < 3; ++row) numbers.setRowValue(row, row + 1.5);
  for (int row = 0; row < 3; ++row) texts.setRowValue(row, std::wstring(L"cell"));
  for (int row : {2, 3}) workspace->addListener(numbers.getHandle() + numbers.getPropertyForRow(row), listener);

  numbers.clearRowsFrom(2);
  texts.clearRowsFrom(1);
  numbers.clearRowsFrom(4);   // nothing at or beyond the row count
  numbers.clearRowsFrom(99);
  EXPECT_EQ((std::vector<double>{1.5, 2.5, 0, 0, 1, 1, 1, 1}),
            (std::vector<double>{numbers.get<double>(numbers.getPropertyForRow(0)),
                                 numbers.get<double>(numbers.getPropertyForRow(1)),
                                 numbers.get<double>(numbers.getPropertyForRow(2)),
                                 numbers.get<double>(numbers.getPropertyForRow(3)),
                                 double(numbers.getListenerCount(numbers.getPropertyForRow(2))),
                                 double(numbers.getListenerCount(numbers.getPropertyForRow(3))),
                                 double(ws::IPCListener(listener).get<int>(ws::ipc_listener::Notified)),
                                 double(tavik_test::receiveAll(id).size())}));
  EXPECT_EQ((std::vector<std::wstring>{L"cell", L"", L""}),
            (std::vector<std::wstring>{texts.get<std::wstring>(texts.getPropertyForRow(0)),
                                       texts.get<std::wstring>(texts.getPropertyForRow(1)),
                                       texts.get<std::wstring>(texts.getPropertyForRow(2))}));
}

}  // namespace
