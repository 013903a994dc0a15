// Property maps in a real workspace segment: the value table sized per map,
// its bounds, what opening an existing map does, and building it afresh.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
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

TEST(PropertyMap, OpeningAnExistingMapKeepsItWhateverTheCountsGiven) {
  tavik_test::ScopedWorkspace scope;
  ws::PropertyMap(L"M", 2, 2).addValue(3, 9.0);
  for (const auto& [x, y] : {std::pair(2ull, 2ull), std::pair(0ull, 0ull), std::pair(3ull, 0ull),
                             std::pair(3ull, 3ull)}) {
    SCOPED_TRACE(std::to_string(x) + " by " + std::to_string(y));
    ws::PropertyMap map(L"M", x, y);
    EXPECT_EQ((std::vector<double>{2, 2, 4, 9.0}),
              (std::vector<double>{double(map.getXCount()), double(map.getYCount()),
                                   double(map.getValueCount()), map.getValue(3)}));
  }
  // A map without a shape takes the one given when its table holds it (a
  // new map is one); a map made without a table stays without a shape.
  ws::PropertyMap(L"Shapeless", 2, 1).reset(0, 0);
  EXPECT_EQ(1u, ws::PropertyMap(L"Shapeless", 1, 1).getValueCount());
  EXPECT_EQ(1u, ws::PropertyMap(L"Shapeless", 2, 2).getXCount());  // has a shape now: kept
  ws::PropertyMap(L"Empty", 0, 0);
  EXPECT_EQ(0u, ws::PropertyMap(L"Empty", 1, 1).getXCount());
  EXPECT_THROW(ws::PropertyMap{ws::Parameter(L"M").getHandle()}, WorkspaceException);
}

// Items and values of a map, as "x|y|z counts; values; items".
std::string contents(const ws::PropertyMap& map) {
  namespace m = ws::property_map;
  std::string out = std::to_string(map.getXCount()) + "|" + std::to_string(map.getYCount()) + "|" +
                    std::to_string(map.getValueCount()) + ";";
  const unsigned x = unsigned(map.getXCount()), y = unsigned(map.getYCount());
  for (unsigned i = 0; i < x; ++i) out += std::to_string(int(map.getXAchsisValue(i))) + ",";
  for (unsigned i = 0; i < y; ++i) out += std::to_string(int(map.getYAchsisValue(i))) + ",";
  for (unsigned i = 0; i < map.getValueCount(); ++i) out += std::to_string(int(map.getValue(i))) + ",";
  out += ";" + map.get<std::string>(m::OptionName);
  for (unsigned int item : {m::ActionProperty, m::ExtraPolation})
    out += "," + std::to_string(map.get<int>(item));
  for (unsigned int item : {m::XParameter, m::YParameter})
    out += "," + std::to_string(map.get<long long>(item));
  for (unsigned int item : {m::ZUpperLimit, m::ZLowerLimit, m::XLast, m::XFirst, m::YLast, m::YFirst})
    out += "," + std::to_string(int(map.get<double>(item)));
  return out;
}

void fill(ws::PropertyMap& map) {
  namespace m = ws::property_map;
  for (unsigned i = 0; i < map.getXCount(); ++i) map.addXAchsisValue(i, 10 + i);
  for (unsigned i = 0; i < map.getYCount(); ++i) map.addYAchsisValue(i, 20 + i);
  for (unsigned i = 0; i < map.getValueCount(); ++i) map.addValue(i, 30 + i);
  map.set(m::OptionName, std::wstring(L"Opt"));
  map.set(m::ActionProperty, 1);
  map.set(m::ExtraPolation, 1);
  map.set(m::XParameter, 77LL);
  map.set(m::YParameter, 78LL);
  for (unsigned int item : {m::ZUpperLimit, m::ZLowerLimit, m::XLast, m::XFirst, m::YLast, m::YFirst})
    map.set(item, 5.0);
}

// reset() is the building step: the map holds what a new map of the shape
// holds. A shape its table holds keeps the element; a larger one remakes it
// with room for twice the old table at least, and the old handle is refused.
TEST(PropertyMap, ResetBuildsTheMapAfreshInPlaceOrInALargerCopy) {
  tavik_test::ScopedWorkspace scope;
  const auto workspace = ws::Workspace::getInstance();
  ws::PropertyMap map(L"M", 3, 2);  // a table of 3 + 2 + 6 values
  map.increaseReferenceCounter();
  fill(map);
  EXPECT_EQ("3|2|6;10,11,12,20,21,30,31,32,33,34,35,;Opt,1,1,77,78,5,5,5,5,5,5", contents(map));
  const long long first = map.getHandle();

  map.reset(2, 0);
  EXPECT_EQ("2|0|2;0,0,0,0,;,0,0,0,0,0,0,0,0,0,0", contents(map));
  EXPECT_EQ(first, map.getHandle());
  fill(map);
  map.reset(3, 2);  // back to the first shape: no value of the 2 by 0 map shows
  EXPECT_EQ("3|2|6;0,0,0,0,0,0,0,0,0,0,0,;,0,0,0,0,0,0,0,0,0,0", contents(map));

  map.reset(3, 3);  // 15 values: remade for max(15, 2 * 11)
  const long long second = map.getHandle();
  EXPECT_NE(first, second);
  EXPECT_EQ(std::make_tuple(second, 1248u + 8 * 22, 1, true),
            std::make_tuple(workspace->findElement(L"M", 0x300000), workspace->getElementSize(second),
                            workspace->getReferenceCount(second), workspace->isReplaced(first)));
  EXPECT_EQ("3|3|9;0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,;,0,0,0,0,0,0,0,0,0,0", contents(map));
  EXPECT_EQ("the PropertyMap element M[" + std::to_string(first) +
                "] was replaced by a larger one: open it again by name",
            tavik_test::workspaceError([&] { ws::PropertyMap{first}; }));
  map.reset(4, 4);  // 24 values: max(24, 2 * 22)
  EXPECT_EQ(1248u + 8 * 44, workspace->getElementSize(map.getHandle()));
  const long long third = map.getHandle();
  fill(map);
  EXPECT_EQ("the property map \"M\" of 1099511627776 by 2 values is too large",
            tavik_test::workspaceError([&] { map.reset(1ULL << 40, 2); }));
  EXPECT_EQ(third, map.getHandle());  // refused: nothing changed
  EXPECT_EQ(36, map.getValue(6));
}

}  // namespace
