// The element layouts are shared with every other process of the bench: every
// class's items are dumped and compared with the checked-in text, so that a
// layout change shows up as a reviewed diff of element_layout.golden.
//
// To accept a deliberate change: TAVIK_UPDATE_GOLDEN=1 build/tests/workspace/workspace_test
//   --gtest_filter='ElementLayout.*', then review `git diff tests/workspace/element_layout.golden`.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "workspace/ElementSchema.h"

namespace {

namespace ws = tavik::workspace;

std::string dumpLayouts() {
  std::ostringstream out;
  for (const ws::ElementSchema& schema : ws::allSchemas()) {
    out << "class " << schema.class_id << ' ' << schema.class_name << " type " << schema.element_type
        << " area 0x" << std::hex << std::uppercase << schema.area << std::dec << " size "
        << schema.size << (schema.variable_tail ? " tail" : "") << '\n';
    for (const ws::ItemSchema& item : schema.items) {
      out << "  " << item.item << " code " << item.type_code << " bytes " << ws::valueSize(item)
          << ' ' << item.name << (item.by_name ? " by-name" : "");
      if (const unsigned int block = ws::listenerBlockOffset(item)) out << " listeners " << block;
      out << '\n';
    }
  }
  return out.str();
}

TEST(ElementLayout, MatchesTheCheckedInLayout) {
  const std::string actual = dumpLayouts();
  if (const char* update = std::getenv("TAVIK_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream(TAVIK_LAYOUT_GOLDEN, std::ios::binary) << actual;
    GTEST_SKIP() << "rewrote " << TAVIK_LAYOUT_GOLDEN;
  }
  std::ifstream in(TAVIK_LAYOUT_GOLDEN, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << TAVIK_LAYOUT_GOLDEN;
  const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(expected, actual);
}

}  // namespace
