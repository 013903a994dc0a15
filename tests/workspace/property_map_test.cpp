// Property maps in a real workspace segment: the value table sized per map,
// its bounds, and what opening an existing map does.
#include <gtest/gtest.h>

#include <string>

#include "ScopedWorkspace.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;

class PropertyMapTest : public ::testing::Test {
 protected:
  tavik_test::ScopedWorkspace workspace_;
};

TEST_F(PropertyMapTest, TableHoldsTheAxesAndXTimesYValuesInItsOwnElement) {
  ws::PropertyMap map(L"Torque", 3, 2);
  const auto workspace = ws::Workspace::getInstance();
  EXPECT_EQ(9, workspace->getElementType(map.getHandle()));
  EXPECT_EQ(map.getHandle(), workspace->findElement(L"Torque", 0x300000));
  EXPECT_EQ(3u, map.getXCount());
  EXPECT_EQ(2u, map.getYCount());
  EXPECT_EQ(6u, map.getValueCount());
  // 1248 bytes of items, then 3 + 2 + 6 doubles.
  EXPECT_EQ(1248u + 8 * 11, workspace->getElementSize(map.getHandle()));

  for (unsigned i = 0; i < 3; ++i) map.addXAchsisValue(i, 10.0 * i);
  map.addYAchsisValue(0, -1.5);
  map.addYAchsisValue(1, 2.5);
  for (unsigned i = 0; i < 6; ++i) map.addValue(i, 100.0 + i);
  EXPECT_EQ(20.0, map.getXAchsisValue(2));
  EXPECT_EQ(-1.5, map.getYAchsisValue(0));
  EXPECT_EQ(2.5, map.getYAchsisValue(1));
  EXPECT_EQ(100.0, map.getValue(0));
  EXPECT_EQ(105.0, map.getValue(5));

  // Each part of the table has its own bound.
  EXPECT_THROW(map.addXAchsisValue(3, 0.0), WorkspaceException);
  EXPECT_THROW(map.addYAchsisValue(2, 0.0), WorkspaceException);
  EXPECT_THROW(map.addValue(6, 0.0), WorkspaceException);
  EXPECT_EQ(105.0, map.getValue(5));  // the refused writes touched nothing
}

TEST_F(PropertyMapTest, AMapWithoutYAxisIsOneRowAndAnEmptyMapHasNoValues) {
  ws::PropertyMap row(L"Row", 4, 0);
  EXPECT_EQ(4u, row.getValueCount());
  row.addValue(3, 1.0);
  EXPECT_THROW(row.addYAchsisValue(0, 1.0), WorkspaceException);

  ws::PropertyMap empty(L"Empty", 0, 0);
  EXPECT_EQ(0u, empty.getValueCount());
  EXPECT_THROW(empty.addXAchsisValue(0, 1.0), WorkspaceException);
  EXPECT_THROW(empty.addValue(0, 1.0), WorkspaceException);
}

TEST_F(PropertyMapTest, OpeningAnExistingMap) {
  {
    ws::PropertyMap map(L"M", 2, 2);
    map.addXAchsisValue(1, 7.0);
    map.addValue(3, 9.0);
  }
  // Same shape, or no shape given (as an action option opens it): kept.
  {
    ws::PropertyMap same(L"M", 2, 2);
    EXPECT_EQ(7.0, same.getXAchsisValue(1));
    ws::PropertyMap unshaped(L"M", 0, 0);
    EXPECT_EQ(same.getHandle(), unshaped.getHandle());
    EXPECT_EQ(2u, unshaped.getXCount());
    EXPECT_EQ(9.0, unshaped.getValue(3));
  }
  // A smaller shape fits the table: new counts, every value 0.
  {
    ws::PropertyMap smaller(L"M", 3, 0);
    EXPECT_EQ(3u, smaller.getXCount());
    EXPECT_EQ(0u, smaller.getYCount());
    EXPECT_EQ(3u, smaller.getValueCount());
    EXPECT_EQ(0.0, smaller.getXAchsisValue(1));
    EXPECT_EQ(0.0, smaller.getValue(2));
  }
  // A larger one does not; the map keeps its shape.
  EXPECT_THROW(ws::PropertyMap(L"M", 3, 3), WorkspaceException);
  ws::PropertyMap after(L"M", 0, 0);
  EXPECT_EQ(3u, after.getXCount());

  // By handle: the map itself; another class's handle is refused.
  EXPECT_EQ(3u, ws::PropertyMap(after.getHandle()).getXCount());
  ws::Parameter parameter(L"M");
  EXPECT_THROW(ws::PropertyMap{parameter.getHandle()}, WorkspaceException);
}

TEST_F(PropertyMapTest, ATailIsRefusedForFixedClassesAndTooLargeMaps) {
  const auto workspace = ws::Workspace::getInstance();
  EXPECT_THROW(workspace->openOrCreateElement(ws::element_class::kParameter, L"P", 8),
               WorkspaceException);
  EXPECT_THROW(ws::PropertyMap(L"Huge", 1ULL << 40, 2), WorkspaceException);
  EXPECT_THROW(ws::PropertyMap(L"Wide", 70000, 70000), WorkspaceException);
  EXPECT_FALSE(workspace->is_existing_element(L"Huge", 0x300000));
}

}  // namespace
