// The one-walk child lookup against pugixml's own search, the 16-bit
// round-trip test of names, and the wide text in a reused buffer.
#include <gtest/gtest.h>

#include <string>

#include "TavikEngine/Config/ChildFields.h"
#include "TavikEngine/Config/XmlText.h"

namespace {

TEST(ChildFields, FirstChildrenFindsWhatChildFindsForEveryName) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<A><X>1</X><!-- X --><Y/>text<X>2</X><Z><X>3</X></Z><Y>4</Y><Name>n</Name></A>"));
  const pugi::xml_node a = doc.document_element();
  const struct {
    const char* first;
    const char* second;
    const char* third;
  } cases[] = {{"X", "Y", "Name"}, {"Y", "Missing", "X"}, {"Z", "Name", "x"}, {"A", "B", "C"}};
  for (const auto& c : cases) {
    const char* const names[] = {c.first, c.second, c.third};
    pugi::xml_node found[3];
    tavik::firstChildren(a, names, found);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(a.child(names[k]), found[k]) << names[k];
      EXPECT_STREQ(a.child_value(names[k]), found[k].child_value()) << names[k];
    }
  }
  // An entry already set stays; an empty node has no children.
  const char* const names[] = {"X", "Y"};
  pugi::xml_node found[2] = {a.child("Z"), pugi::xml_node()};
  tavik::firstChildren(a, names, found);
  EXPECT_EQ(a.child("Z"), found[0]);
  EXPECT_EQ(a.child("Y"), found[1]);
  pugi::xml_node none[2];
  tavik::firstChildren(pugi::xml_node(), names, none);
  EXPECT_FALSE(none[0] || none[1]);

  EXPECT_EQ(2, tavik::countElements(a, "X"));
  EXPECT_EQ(0, tavik::countElements(a, "Missing"));
  EXPECT_EQ(0, tavik::countElements(pugi::xml_node(), "X"));
}

TEST(ChildFields, NamesThatReadBackUnchanged) {
  const struct {
    std::wstring text;
    bool unchanged;
  } cases[] = {{L"", true},
               {L"Main_Sequence/A 1", true},
               {L"\u00e4\uD7FF\uE000\uFFFF", true},
               {std::wstring(1, wchar_t(0xD800)), false},
               {std::wstring(1, wchar_t(0xDFFF)), false},
               {L"a" + std::wstring(1, wchar_t(0x1F600)), false},
               {std::wstring(1, wchar_t(0x110000)), false},
               {std::wstring(1, wchar_t(-1)), false},
               {std::wstring(1, L'\0'), false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.unchanged, tavik::readsBackUnchanged(c.text)) << c.text.size();
}

TEST(ChildFields, AssignWideTextGivesWideTextInTheSameBuffer) {
  const char* const texts[] = {"", "Default", "Ramp \xC3\xA4", "\xF0\x9F\x98\x80 x"};
  std::wstring buffer = L"some longer text that was there before";
  for (const char* text : texts) {
    tavik::assignWideText(buffer, text);
    EXPECT_EQ(tavik::wideText(text), buffer) << text;
  }
}

TEST(ChildFields, WideTextIsComparesAsTheWideTextWould) {
  // Bytes that are no UTF-8 may vanish in the decoding: the comparison is
  // that of the decoded text.
  const char* const texts[] = {"True",      "true",         "True ",         "Tru",
                               "",          "\x80True",     "Tr\xFFue",      "True\xC3",
                               "\xC3\xA4", "\xC3\xA4True", "\xE2\x80True"};
  const char* const literals[] = {"True", ""};
  for (const char* text : texts) {
    for (const char* literal : literals) {
      EXPECT_EQ(tavik::wideText(text) == tavik::wideText(literal),
                tavik::wideTextIs(text, literal))
          << text << " / " << literal;
    }
  }
}

}  // namespace
