// Property maps in a real workspace segment: the value table sized per map,
// its bounds, and what opening an existing map does.
#include <gtest/gtest.h>

#include <vector>

#include "ScopedWorkspace.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"

namespace {

namespace ws = tavik::workspace;

TEST(PropertyMap, TableHoldsTheAxesAndXTimesYValuesEachWithItsOwnBound) {
  tavik_test::ScopedWorkspace scope;
  ws::PropertyMap map(L"Torque", 3, 2);
  const auto workspace = ws::Workspace::getInstance();
  EXPECT_EQ(std::make_pair(9, 1248u + 8 * (3 + 2 + 6)),
            std::make_pair(workspace->getElementType(map.getHandle()), workspace->getElementSize(map.getHandle())));
  for (unsigned i = 0; i < 3; ++i) map.addXAchsisValue(i, 10.0 * i);
  map.addYAchsisValue(1, 2.5);
  for (unsigned i = 0; i < 6; ++i) map.addValue(i, 100.0 + i);
  EXPECT_THROW(map.addXAchsisValue(3, 0.0), WorkspaceException);
  EXPECT_THROW(map.addYAchsisValue(2, 0.0), WorkspaceException);
  EXPECT_THROW(map.addValue(6, 0.0), WorkspaceException);
  EXPECT_EQ((std::vector<double>{20.0, 2.5, 105.0}),
            (std::vector<double>{map.getXAchsisValue(2), map.getYAchsisValue(1), map.getValue(5)}));
  EXPECT_EQ(4u, ws::PropertyMap(L"Row", 4, 0).getValueCount());  // no Y axis: one row
  EXPECT_THROW(ws::PropertyMap(L"Empty", 0, 0).addValue(0, 1.0), WorkspaceException);
  EXPECT_THROW(ws::PropertyMap(L"Huge", 1ULL << 40, 2), WorkspaceException);
  EXPECT_THROW(workspace->openOrCreateElement(ws::element_class::kParameter, L"P", 8), WorkspaceException);
}

// The counts are read from the element on every access: counts that another
// process wrote still bound each part, and the table bounds them all.
TEST(PropertyMap, CountsWrittenElsewhereBoundTheSlotsWithinTheTable) {
  tavik_test::ScopedWorkspace scope;
  ws::PropertyMap map(L"Torque", 2, 0);  // a table of 2 + 0 + 2 slots
  ws::Workspace::getInstance()->setItem(map.getHandle() + ws::property_map::XCount, 100LL);
  map.addXAchsisValue(3, 7.0);  // slot 3: inside the table
  EXPECT_EQ(7.0, map.getXAchsisValue(3));
  EXPECT_EQ("addXAchsisValue: index 4 is out of range for property map Torque, which has 100 X "
            "axis values",
            tavik_test::workspaceError([&] { map.addXAchsisValue(4, 0.0); }));
  EXPECT_EQ("getValue: index 0 is out of range for property map Torque, which has 2 values",
            tavik_test::workspaceError([&] { map.getValue(0); }));  // slot 100
}

TEST(PropertyMap, OpeningAnExistingMapKeepsReshapesOrRefuses) {
  tavik_test::ScopedWorkspace scope;
  ws::PropertyMap(L"M", 2, 2).addValue(3, 9.0);
  EXPECT_EQ(9.0, ws::PropertyMap(L"M", 2, 2).getValue(3));  // same shape: kept
  EXPECT_EQ(9.0, ws::PropertyMap(L"M", 0, 0).getValue(3));  // no shape given: kept
  ws::PropertyMap smaller(L"M", 3, 0);                      // fits the table: reshaped, zeroed
  EXPECT_EQ(std::make_pair(3ull, 0.0), std::make_pair(smaller.getValueCount(), smaller.getValue(2)));
  EXPECT_THROW(ws::PropertyMap(L"M", 3, 3), WorkspaceException);  // does not fit
  EXPECT_EQ(3u, ws::PropertyMap(smaller.getHandle()).getXCount());
  EXPECT_THROW(ws::PropertyMap{ws::Parameter(L"M").getHandle()}, WorkspaceException);
}

}  // namespace
