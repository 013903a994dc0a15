// The element layouts are shared with every other process of the bench: no
// item or listener block may overlap another or leave its element (the items
// themselves are pinned by element_layout.golden).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "workspace/ElementSchema.h"

namespace {

using tavik::workspace::ElementSchema;
using tavik::workspace::ItemSchema;
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

}  // namespace
