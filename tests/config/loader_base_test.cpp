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

// A literal name is narrowed on the stack; a long or non-ASCII one goes the
// wide way. Both give the text of the named child.
TEST(LoaderBase, ChildValueOfLiteralNamesShortLongAndWide) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<P><Name>n</Name><A_Name_Of_Thirty_One_Characters>31</A_Name_Of_Thirty_One_Characters>"
      "<A_Name_Of_Exactly_32_Characters_>32</A_Name_Of_Exactly_32_Characters_>"
      "<Gr\xC3\xBC\xC3\x9F\x65>w</Gr\xC3\xBC\xC3\x9F\x65></P>"));
  const pugi::xml_node root = doc.document_element();
  tavik::LoaderBase base;
  const struct {
    const wchar_t* name;
    const wchar_t* text;
  } cases[] = {{L"Name", L"n"},
               {L"A_Name_Of_Thirty_One_Characters", L"31"},
               {L"A_Name_Of_Exactly_32_Characters_", L"32"},
               {L"Gr\u00fc\u00dfe", L"w"},
               {L"Gr", L""}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, base.getChildValue(root, c.name, L"NN")) << c.name;
    EXPECT_EQ(c.text, base.getChildValue(root, std::wstring(c.name), std::wstring(L"NN")))
        << c.name;
  }
}
