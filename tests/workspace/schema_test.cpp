// The element layouts are shared with every other process of the bench: these
// tests pin the items that the loaders and listeners address by number and
// prove that no item or listener block overlaps another.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "workspace/ElementItems.h"
#include "workspace/ElementSchema.h"

namespace {

using tavik::workspace::ElementSchema;
using tavik::workspace::ItemSchema;
using tavik::workspace::ValueKind;
namespace ws = tavik::workspace;

struct Range {
  unsigned int begin;
  unsigned int end;
  std::string what;
};

TEST(ElementSchema, ItemsAndListenerBlocksLieInsideTheElementWithoutOverlap) {
  for (const ElementSchema& schema : ws::allSchemas()) {
    SCOPED_TRACE(schema.class_name);
    // Room for a name of at least 127 characters after the header.
    EXPECT_GE(schema.first_item, 20u + 2 * 128);
    EXPECT_EQ(0u, schema.size % 8);

    std::vector<Range> ranges;
    for (const ItemSchema& item : schema.items) {
      ASSERT_TRUE(ws::isKnownItemType(item.type_code)) << item.name;
      ranges.push_back({item.item, item.item + ws::valueSize(item), item.name});
      const unsigned int block = ws::listenerBlockOffset(item);
      if (block != 0) ranges.push_back({block, block + ws::kListenerBlockSize, item.name + " listeners"});
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    EXPECT_GE(ranges.front().begin, schema.first_item);
    EXPECT_LE(ranges.back().end, schema.size) << ranges.back().what;
    for (std::size_t i = 1; i < ranges.size(); ++i)
      EXPECT_LE(ranges[i - 1].end, ranges[i].begin) << ranges[i - 1].what << " / " << ranges[i].what;
  }
}

// Items that the loaders and listeners address by number, per class and
// value kind; listened items also with their exact item type code.
struct Addressed {
  int class_id;
  ValueKind kind;
  std::vector<unsigned int> items;
  int code = -1;  // -1: any code of that kind
};

TEST(ElementSchema, EveryAddressedItemStandsAtItsNumberWithItsValueType) {
  using namespace ws::element_class;
  const ValueKind I = ValueKind::Int, L = ValueKind::LongLong, D = ValueKind::Double,
                  W = ValueKind::WideText, N = ValueKind::NarrowText, U = ValueKind::Unsigned;
  std::vector<Addressed> table = {
      {kGlobalConfig, I, {3512, 4704, 4800, 4928, 4936, 4944, 4952, 5568, 10760, 10768, 11280}},
      {kGlobalConfig, L, {4896}}, {kGlobalConfig, W, {4912, 10776}}, {kGlobalConfig, W, {11296}, 14},
      {kGlobalConfig, I, {12360}, 12}, {kGlobalConfig, D, {13176}, 19}, {kGlobalConfig, L, {13992}, 10},
      {kGlobalConfig, U, {14816}, 13}, {kGlobalConfig, N, {15640}, 18}, {kGlobalConfig, W, {16704}, 15},
      {kGlobalConfig, W, {18016}, 16}, {kGlobalConfig, W, {19848}, 17}, {kParameter, I, {544, 560, 672, 696, 704, 776}},
      {kParameter, D, {824, 840, 936, 968, 1288, 1304, 1320, 1336, 1352, 1368, 1384, 1400, 1416, 1432}},
      {kParameter, L, {3272}}, {kParameter, N, {11684, 11940, 12196}}, {kParameter, D, {13464}, 19},
      {kParameter, W, {3544, 9156, 9412, 9916, 10420, 10676, 11180, 12452, 12956}},
      {kDevice, I, {544, 1368, 1376, 1384, 6928}}, {kDevice, L, {608, 624, 640, 656, 672, 688, 704}},
      {kDevice, W, {1912, 2168}}, {kIPCListener, I, {584, 600, 608}}, {kPropertyMap, W, {544}},
      {kPropertyMap, I, {1080, 1128}}, {kPropertyMap, L, {1088, 1104}},
      {kPropertyMap, D, {1136, 1152, 1168, 1184, 1200, 1216}}};
  for (unsigned int k = 0; k < 20; ++k)
    table.insert(table.end(), {{kGlobalConfig, L, {5576 + 32 * k, 5592 + 32 * k}}, {kGlobalConfig, I, {6216 + 8 * k}}});
  for (const Addressed& row : table) {
    const ElementSchema& schema = *ws::findSchema(row.class_id);
    for (unsigned int number : row.items) {
      SCOPED_TRACE(schema.class_name + " " + std::to_string(number));
      const ItemSchema* item = ws::findItem(schema, number);
      ASSERT_NE(nullptr, item);
      EXPECT_EQ(row.kind, ws::valueKindOf(item->type_code));
      if (row.code >= 0) { EXPECT_EQ(row.code, item->type_code); }
    }
  }
}

}  // namespace
