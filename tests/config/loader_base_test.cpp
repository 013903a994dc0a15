#include <gtest/gtest.h>

#include <string>

#include "TavikEngine/Config/LoaderBase.h"

namespace {

TEST(LoaderBase, ChildValueAndXPathCountWithTheirFallbacks) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<Map><Name>Ramp \xC3\xA4</Name><Empty/><XValues><Value>0</Value><Value>10</Value></XValues>"
      "<YValues/></Map>"));
  const pugi::xml_node root = doc.document_element();
  tavik::LoaderBase base;
  EXPECT_EQ(L"Ramp \u00e4", base.getChildValue(root, L"Name", L"NN"));
  EXPECT_EQ(L"", base.getChildValue(root, L"Empty", L"NN"));
  EXPECT_EQ(L"", base.getChildValue(root, L"Missing", L"NN"));
  EXPECT_EQ(L"", base.getChildValue(pugi::xml_node(), L"Name", L"NN"));

  const struct {
    const wchar_t* child;
    const wchar_t* query;
    int count;
  } counts[] = {{L"XValues", L"Value", 2},  {L"XValues", L"Value[text()='10']", 1},
                {L"YValues", L"Value", 0},  {L"ZValues", L"Value", 0},
                {L"XValues", L"Value[", 0}, {L"XValues", L"count(Value)", 0}};
  for (const auto& c : counts)
    EXPECT_EQ(c.count, base.countXPathMatches(root, c.child, c.query)) << c.child << " " << c.query;
}

}  // namespace
