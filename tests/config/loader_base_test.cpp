#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/LoaderBase.h"
#include "TavikEngine/Config/ReloadException.h"
#include "TavikEngine/Config/create_shared.h"

namespace {

pugi::xml_node loadDocument(pugi::xml_document* doc, const char* xml) {
  EXPECT_TRUE(doc->load_string(xml));
  return doc->document_element();
}

TEST(LoaderBase, GetChildValueGivesTextAndEmptyNotDefaultForMissingOrEmptyChild) {
  pugi::xml_document doc;
  const pugi::xml_node root = loadDocument(
      &doc, "<Action><Name>Ramp \xC3\xA4</Name><Empty/><Name>second</Name></Action>");
  tavik::LoaderBase base;
  EXPECT_EQ(L"Ramp \u00e4", base.getChildValue(root, L"Name", L"NN"));
  EXPECT_EQ(L"", base.getChildValue(root, L"Empty", L"NN"));
  EXPECT_EQ(L"", base.getChildValue(root, L"Missing", L"NN"));
  EXPECT_EQ(L"", base.getChildValue(pugi::xml_node(), L"Name", L"NN"));
}

TEST(LoaderBase, CountXPathMatchesCountsBelowTheChildAndFallsBackToZero) {
  pugi::xml_document doc;
  const pugi::xml_node root = loadDocument(
      &doc, "<Map><XValues><Value>0</Value><Value>10</Value><Value>20</Value></XValues>"
            "<YValues/></Map>");
  tavik::LoaderBase base;
  EXPECT_EQ(3, base.countXPathMatches(root, L"XValues", L"Value"));
  EXPECT_EQ(1, base.countXPathMatches(root, L"XValues", L"Value[text()='10']"));
  EXPECT_EQ(0, base.countXPathMatches(root, L"YValues", L"Value"));
  EXPECT_EQ(0, base.countXPathMatches(root, L"ZValues", L"Value")) << "missing child";
  EXPECT_EQ(0, base.countXPathMatches(root, L"XValues", L"Value[")) << "query does not parse";
  EXPECT_EQ(0, base.countXPathMatches(root, L"XValues", L"count(Value)")) << "not a node set";
}

TEST(Exceptions, ConfigExceptionCarriesItsMessageAndReloadExceptionHasNone) {
  try {
    throw tavik::ConfigException("Error creating Map");
  } catch (const std::exception& e) {
    EXPECT_STREQ("Error creating Map", e.what());
  }
  const tavik::ReloadException reload;
  EXPECT_STREQ(std::exception().what(), reload.what());
  EXPECT_THROW(throw tavik::ReloadException(), std::exception);
}

struct Element {
  static int destroyed;
  Element(const std::wstring& name, unsigned long long x, unsigned long long y)
      : name(name), x(x), y(y) {}
  explicit Element(long long handle) {
    if (handle <= 0) throw std::invalid_argument("no element");
    x = static_cast<unsigned long long>(handle);
  }
  ~Element() { ++destroyed; }
  std::wstring name;
  unsigned long long x = 0;
  unsigned long long y = 0;
};
int Element::destroyed = 0;

TEST(CreateShared, PassesArgumentsOnAndOwnsTheObject) {
  Element::destroyed = 0;
  {
    boost::shared_ptr<Element> map = create_shared<Element>(std::wstring(L"Map"), 3, -1);
    EXPECT_EQ(L"Map", map->name);
    EXPECT_EQ(3u, map->x);
    EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, map->y) << "an int is widened by sign extension";
    EXPECT_EQ(1, map.use_count());
  }
  EXPECT_EQ(1, Element::destroyed);
  EXPECT_THROW(create_shared<Element>(0LL), std::invalid_argument);
  EXPECT_EQ(1, Element::destroyed) << "a failed constructor destroys nothing";
}

}  // namespace
