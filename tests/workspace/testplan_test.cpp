// Test plans and their columns on a real workspace segment.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ScopedWorkspace.h"
#include "workspace/ElementItems.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"

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
  EXPECT_EQ("the test plan column \"C\" holds 2448 bytes of cells and cannot take 4 rows of item "
            "type 19 (3264 bytes)",
            workspaceError([] { ws::TestplanColumn(L"C", 19, 4); }));
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
  EXPECT_EQ("the test plan \"P\" has room for 3 columns and cannot take 4",
            workspaceError([] { ws::Testplan(L"P", 4); }));
}

}  // namespace
