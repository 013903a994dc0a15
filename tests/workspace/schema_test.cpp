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
  ASSERT_EQ(5u, ws::allSchemas().size());
  for (const ElementSchema& schema : ws::allSchemas()) {
    SCOPED_TRACE(schema.class_name);
    EXPECT_EQ(&schema, ws::findSchema(schema.class_id));
    // Room for a name of at least 127 characters after the header.
    EXPECT_GE(schema.first_item, 20u + 2 * 128);
    ASSERT_FALSE(schema.items.empty());
    EXPECT_EQ(schema.items.front().item, schema.first_item);
    EXPECT_EQ(0u, schema.size % 8);

    std::vector<Range> ranges;
    for (const ItemSchema& item : schema.items) {
      ASSERT_TRUE(ws::isKnownItemType(item.type_code)) << item.name;
      const unsigned int size = ws::valueSize(item);
      ASSERT_GT(size, 0u) << item.name;
      if (ws::valueKindOf(item.type_code) == ValueKind::WideText) {
        EXPECT_EQ(0u, size % 2) << item.name;
      }
      ranges.push_back({item.item, item.item + size, item.name});
      const unsigned int block = ws::listenerBlockOffset(item);
      if (block != 0) ranges.push_back({block, block + ws::kListenerBlockSize, item.name + " listeners"});
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.begin < b.begin; });
    EXPECT_GE(ranges.front().begin, schema.first_item);
    EXPECT_LE(ranges.back().end, schema.size) << ranges.back().what;
    for (std::size_t i = 1; i < ranges.size(); ++i)
      EXPECT_LE(ranges[i - 1].end, ranges[i].begin) << ranges[i - 1].what << " / " << ranges[i].what;
  }
}

TEST(ElementSchema, ClassesHaveTheirTypeCodesAndAreas) {
  EXPECT_EQ(2, ws::findSchema(ws::element_class::kParameter)->element_type);
  EXPECT_EQ(0x400000, ws::findSchema(ws::element_class::kParameter)->area);
  EXPECT_EQ(14, ws::findSchema(ws::element_class::kDevice)->element_type);
  EXPECT_EQ(0, ws::findSchema(ws::element_class::kDevice)->area);
  EXPECT_GE(ws::findSchema(ws::element_class::kGlobalConfig)->size, 24768u);
  EXPECT_EQ(nullptr, ws::findSchema(99));
  EXPECT_FALSE(ws::findSchema(ws::element_class::kParameter)->variable_tail);
  EXPECT_TRUE(ws::findSchema(ws::element_class::kPropertyMap)->variable_tail);
}

struct Expected {
  int class_id;
  unsigned int item;
  ValueKind kind;
  int code;  // -1: any code of that kind
};

std::vector<Expected> addressedItems() {
  using ws::element_class::kDevice;
  using ws::element_class::kGlobalConfig;
  using ws::element_class::kIPCListener;
  using ws::element_class::kParameter;
  using ws::element_class::kPropertyMap;
  const ValueKind I = ValueKind::Int, L = ValueKind::LongLong, D = ValueKind::Double,
                  W = ValueKind::WideText, N = ValueKind::NarrowText, U = ValueKind::Unsigned;
  std::vector<Expected> items = {
      {kGlobalConfig, 3512, I, -1}, {kGlobalConfig, 4704, I, -1}, {kGlobalConfig, 4800, I, -1},
      {kGlobalConfig, 4896, L, -1}, {kGlobalConfig, 4912, W, -1}, {kGlobalConfig, 4928, I, -1},
      {kGlobalConfig, 4936, I, -1}, {kGlobalConfig, 4944, I, -1}, {kGlobalConfig, 4952, I, -1},
      {kGlobalConfig, 5568, I, -1}, {kGlobalConfig, 10760, I, -1}, {kGlobalConfig, 10768, I, -1},
      {kGlobalConfig, 10776, W, -1}, {kGlobalConfig, 11280, I, -1},
      // Listened items of the global configuration.
      {kGlobalConfig, 11296, W, 14}, {kGlobalConfig, 12360, I, 12}, {kGlobalConfig, 13176, D, 19},
      {kGlobalConfig, 13992, L, 10}, {kGlobalConfig, 14816, U, 13}, {kGlobalConfig, 15640, N, 18},
      {kGlobalConfig, 16704, W, 15}, {kGlobalConfig, 18016, W, 16}, {kGlobalConfig, 19848, W, 17},
      {kParameter, 544, I, -1}, {kParameter, 560, I, -1}, {kParameter, 672, I, -1},
      {kParameter, 696, I, -1}, {kParameter, 704, I, -1}, {kParameter, 776, I, -1},
      {kParameter, 824, D, -1}, {kParameter, 840, D, -1}, {kParameter, 936, D, -1},
      {kParameter, 968, D, -1}, {kParameter, 3272, L, -1}, {kParameter, 3544, W, -1},
      {kParameter, 9156, W, -1}, {kParameter, 9412, W, -1}, {kParameter, 9916, W, -1},
      {kParameter, 10420, W, -1}, {kParameter, 10676, W, -1}, {kParameter, 11180, W, -1},
      {kParameter, 11684, N, -1}, {kParameter, 11940, N, -1}, {kParameter, 12196, N, -1},
      {kParameter, 12452, W, -1}, {kParameter, 12956, W, -1}, {kParameter, 13464, D, 19},
      {kDevice, 544, I, -1}, {kDevice, 608, L, -1}, {kDevice, 624, L, -1}, {kDevice, 640, L, -1},
      {kDevice, 656, L, -1}, {kDevice, 672, L, -1}, {kDevice, 688, L, -1}, {kDevice, 704, L, -1},
      {kDevice, 1368, I, -1}, {kDevice, 1376, I, -1}, {kDevice, 1384, I, -1},
      {kDevice, 1912, W, -1}, {kDevice, 2168, W, -1}, {kDevice, 6928, I, -1},
      {kIPCListener, 584, I, -1}, {kIPCListener, 600, I, -1}, {kIPCListener, 608, I, -1},
      {kPropertyMap, 544, W, -1}, {kPropertyMap, 1080, I, -1}, {kPropertyMap, 1088, L, -1},
      {kPropertyMap, 1104, L, -1}, {kPropertyMap, 1128, I, -1}, {kPropertyMap, 1136, D, -1},
      {kPropertyMap, 1152, D, -1}, {kPropertyMap, 1168, D, -1}, {kPropertyMap, 1184, D, -1},
      {kPropertyMap, 1200, D, -1}, {kPropertyMap, 1216, D, -1},
  };
  for (unsigned int k = 0; k < 20; ++k) {
    items.push_back({kGlobalConfig, 5576 + 32 * k, L, -1});
    items.push_back({kGlobalConfig, 5592 + 32 * k, L, -1});
    items.push_back({kGlobalConfig, 6216 + 8 * k, I, -1});
  }
  for (unsigned int item = 1288; item <= 1432; item += 16) items.push_back({kParameter, item, D, -1});
  return items;
}

TEST(ElementSchema, EveryAddressedItemStandsAtItsNumberWithItsValueType) {
  for (const Expected& expected : addressedItems()) {
    const ElementSchema& schema = *ws::findSchema(expected.class_id);
    const ItemSchema* item = ws::findItem(schema, expected.item);
    ASSERT_NE(nullptr, item) << schema.class_name << " " << expected.item;
    EXPECT_EQ(expected.kind, ws::valueKindOf(item->type_code)) << schema.class_name << " " << expected.item;
    if (expected.code >= 0) {
      EXPECT_EQ(expected.code, item->type_code) << expected.item;
    }
  }
}

TEST(ElementSchema, TextRoomsRunToTheNextItem) {
  const ElementSchema& global = *ws::findSchema(ws::element_class::kGlobalConfig);
  EXPECT_EQ(16u, ws::valueSize(*ws::findItem(global, 4912)));
  EXPECT_EQ(504u, ws::valueSize(*ws::findItem(global, 10776)));
  EXPECT_EQ(11552u, ws::listenerBlockOffset(*ws::findItem(global, 11296)));
  const ElementSchema& parameter = *ws::findSchema(ws::element_class::kParameter);
  EXPECT_EQ(256u, ws::valueSize(*ws::findItem(parameter, ws::parameter::Set_ChannelName)));
  EXPECT_EQ(504u, ws::valueSize(*ws::findItem(parameter, ws::parameter::Set_DeviceName)));
  EXPECT_EQ(256u, ws::valueSize(*ws::findItem(parameter, ws::parameter::Request_ChannelName)));
  EXPECT_EQ(13472u, ws::listenerBlockOffset(*ws::findItem(parameter, ws::parameter::Value)));
  EXPECT_EQ(0u, ws::listenerBlockOffset(*ws::findItem(parameter, ws::parameter::Set_Type)));
  EXPECT_EQ("Get_ChannelName", ws::findItem(parameter, 10420)->name);
}

}  // namespace
