// The action loader against a real workspace segment: action items, comment
// chunks, MaxLoop, option properties of every kind, group data lookup, and the
// lookup of the action that a name stands for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ElementItemsText.h"
#include "LoaderXml.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/actionloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ActionGroup.h"
#include "workspace/ChannelSelector.h"
#include "workspace/Chunk.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyTable.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::itemsText;
using Strings = std::vector<std::string>;

// An option of that Type and Name with values, and more children.
std::string option(const std::string& type, const std::string& name,
                   const Strings& values = {}, const std::string& more = "") {
  std::string xml = "<Option><Name>" + name + "</Name><Type>" + type + "</Type>" + more;
  if (!values.empty()) {
    xml += "<Values>";
    for (const std::string& value : values) xml += "<Value>" + value + "</Value>";
    xml += "</Values>";
  }
  return xml + "</Option>";
}

class ActionLoaderTest : public ::testing::Test {
 protected:
  // An Action node with the children `fields` and the options.
  pugi::xml_node action(const std::string& fields, const std::string& options = "") {
    return tavik_test::parseXml(&doc_, "<Action>" + tavik_test::childrenXml(fields) + "<Options>" + options +
                                           "</Options></Action>");
  }
  boost::shared_ptr<ws::SharedAction> load(const std::string& fields,
                                           const std::string& options = "") {
    std::wstring fullName;
    return loader_.createAction(L"Seq", action(fields, options), 77, 88, fullName);
  }
  // The items of the action's property of that short name.
  std::wstring property(const boost::shared_ptr<ws::SharedAction>& action,
                        const std::wstring& name, const std::string& items) {
    const long long handle = action->getActionProperty(name);
    return handle > 0 ? itemsText(handle, items) : L"none";
  }
  Strings warnings() { return sink_.lines(WARNING.value); }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::CapturingSink sink_;
  pugi::xml_document doc_;
  pugi::xml_document data_;
  tavik::ActionLoader loader_;
};

// Items 552 1056 2064 3608 3648 3664 3680 3696 3712 3784 3888 3920 3936 3984
// 3992 of the action. 3608, 3712 and 3784 are marked 9 before: building the
// action resets them, so one the load leaves unwritten reads a fresh 0.
const char kActionItems[] = "552 1056 2064 3608 3648 3664 3680 3696 3712 3784 3888 3920 3936 3984 3992";

TEST_F(ActionLoaderTest, ItemsFallbacksFlagsAndKindFromBothEntryPoints) {
  struct Case {
    bool group;
    std::string fields;
    std::wstring fullName;
    std::wstring items;
  };
  const Case cases[] = {
      {false,
       "Name=Act;ActionModule=mod.py;Version=1.2.3;UnusedActionFlag=True;X=10;Y=20;Width=30;"
       "Height=40;ParallelActionFlag=True;LoopActionFlag=True;ActionCategory=PythonClassAction;"
       "Color=255",
       L"Seq/Act", L"Act|mod.py|1.2.3|1|10|20|30|40|1|1|4|77|88|255|0"},
      {false, "Name=Bare;ActionCategory=pythonclassaction;ParallelActionFlag=False;"
              "UnusedActionFlag=False",
       L"Seq/Bare", L"Bare|||0|||-1|-1|0|0|0|77|88|0|0"},
      {false, "ActionCategory=Function based Python Action;LoopActionFlag=true", L"Seq/",
       L"|||0|||-1|-1|0|0|2|77|88|0|0"},
      {true, "Name=G;ActionCategory=StatemachineAction;UnusedActionFlag=True;Color=",
       L"Grp/G", L"G|||0|||0|0|0|0|1|55|-1|0|0"},
      {true, "Name=H;Width=5;Height=6;X=1;Y=2;Version=0.1;ParallelActionFlag=True",
       L"Grp/H", L"H||0.1|0|1|2|5|6|1|0|0|55|-1|0|0"},
  };
  tavik::ActionLoader::GroupActionContext context;
  context.sequenceHandle = 55;
  context.namePrefix = L"Grp";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    ws::SharedAction before(c.fullName, 0);
    for (unsigned item : {3608u, 3712u, 3784u}) before.set(item, 9);
    std::wstring fullName;
    const auto made = c.group ? loader_.createGroupAction(context, action(c.fields), data_, fullName)
                              : loader_.createAction(L"Seq", action(c.fields), 77, 88, fullName);
    EXPECT_EQ(c.fullName, fullName);
    EXPECT_EQ(before.getHandle(), made->getHandle());
    EXPECT_EQ(c.items, itemsText(made->getHandle(), kActionItems));
    EXPECT_EQ(L"1", itemsText(made->getHandle(), "refs"));
  }
}

TEST_F(ActionLoaderTest, CommentsGoToChunksPerEntryPoint) {
  tavik::ActionLoader::GroupActionContext context;
  context.namePrefix = L"Grp";
  std::wstring fullName;
  const auto chunkOf = [](const boost::shared_ptr<ws::SharedAction>& a) {
    long long handle = 0;
    ws::Workspace::getInstance()->getItem(a->getHandle() + 3616, handle);
    return handle > 0 ? itemsText(handle, "name refs") : L"none";
  };
  EXPECT_EQ((std::vector<std::wstring>{L"none", L"Seq/Loud_lua_chunk|1", L"Grp/Quiet_comment|1",
                                       L"Grp/Loud_lua_chunk|1"}),
            (std::vector<std::wstring>{
                chunkOf(load("Name=Quiet")), chunkOf(load("Name=Loud;Comment=Hello")),
                chunkOf(loader_.createGroupAction(context, action("Name=Quiet"), data_, fullName)),
                chunkOf(loader_.createGroupAction(context, action("Name=Loud;Comment=Hi"), data_, fullName))}));
  // The group's "_comment" chunk is made all the same.
  EXPECT_TRUE(ws::Workspace::getInstance()->is_existing_element(L"Grp/Loud_comment",
                                                                ws::memory_area::kChunks));
  const ws::Chunk chunk(ws::Workspace::getInstance()->getElement(L"Seq/Loud_lua_chunk",
                                                                ws::memory_area::kChunks));
  EXPECT_EQ(std::make_pair(std::wstring(L"Hello"), 5), std::make_pair(chunk.getText(), chunk.getSize()));
}

// Lengths and limits count the 16-bit units a text is stored in: a character
// above U+FFFF is two, and a cut never splits one.
TEST_F(ActionLoaderTest, TextLimitsCountStoredUnitsAndNeverSplitACharacter) {
  const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600, two units
  const std::wstring wideSmile = L"\U0001F600";
  std::string many;
  std::wstring manyStored;
  for (int k = 0; k < 600; ++k) many += smile;
  for (int k = 0; k < 512; ++k) manyStored += wideSmile;
  struct Case {
    std::string value;
    std::wstring stored;
    bool warned;
  };
  const Case cases[] = {
      {many, manyStored, true},                                                 // 1,200 units
      {std::string(1023, 'a') + smile, std::wstring(1023, L'a'), true},         // 1,025 units
      {std::string(1022, 'a') + smile, std::wstring(1022, L'a') + wideSmile, false},  // 1,024
  };
  const std::string limited = "createValueProperty: The Content of a ValueOption is limited to "
                              "1024 characters. Shrink value to fit this limit";
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    sink_.clear();
    const auto made = load("Name=V" + std::to_string(n++), option("Value", "Text", {c.value}));
    EXPECT_EQ(c.stored, property(made, L"Text", "1056"));
    EXPECT_EQ(c.warned ? Strings{limited} : Strings{}, warnings());
  }

  // A comment's own chunk holds all its units; the group's "_comment" chunk
  // of 1,024 units keeps the whole characters that fit.
  const auto commented = load("Name=C;Comment=ab" + smile + smile);
  const ws::Chunk lua(commented->get<long long>(ws::shared_action::CommentChunk));
  EXPECT_EQ(std::make_pair(L"ab" + wideSmile + wideSmile, 6), std::make_pair(lua.getText(), lua.getSize()));
  tavik::ActionLoader::GroupActionContext context;
  context.namePrefix = L"Grp";
  std::wstring fullName;
  loader_.createGroupAction(context, action("Name=G;Comment=" + std::string(1023, 'a') + smile),
                            data_, fullName);
  const ws::Chunk comment(ws::Workspace::getInstance()->getElement(L"Grp/G_comment",
                                                                  ws::memory_area::kChunks));
  EXPECT_EQ(std::make_pair(std::wstring(1023, L'a'), 1024),
            std::make_pair(comment.getText(), comment.getSize()));
}

TEST_F(ActionLoaderTest, MaxLoopIsTruncatedClampedOrLeftOut) {
  struct Case {
    std::string value;  // "-" for no MaxLoop option
    std::wstring items;  // 3896 3912, marked 9 before (building resets them)
    Strings warnings;
  };
  const Case cases[] = {
      {"7.9", L"1|7", {}},
      {"-2.5", L"1|-2", {}},
      {"-", L"0|0", {}},
      {"nan", L"0|0", {"finishAction: The MaxLoop value of action Seq/A0 is not a number: no loop count is set"}},
      {"", L"0|0", {"finishAction: The MaxLoop value of action Seq/A0 is not a number: no loop count is set"}},
      {"1e10", L"1|2147483647",
       {"finishAction: The MaxLoop value 10000000000 of action Seq/A0 is outside the int range; it is set to 2147483647"}},
      {"-inf", L"1|-2147483648",
       {"finishAction: The MaxLoop value -inf of action Seq/A0 is outside the int range; it is set to -2147483648"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const std::string name = "A" + std::to_string(n++);
    ws::SharedAction before(L"Seq/" + tavik::wideText(name.c_str()), 0);
    before.set(3896, 9);
    before.set(3912, 9);
    sink_.clear();
    const auto made =
        load("Name=" + name, c.value == "-" ? "" : option("NumericValue", "MaxLoop", {c.value}));
    EXPECT_EQ(c.items, itemsText(made->getHandle(), "3896 3912"));
    Strings expected = c.warnings;
    for (std::string& line : expected) line.replace(line.find("A0"), 2, name);
    EXPECT_EQ(expected, warnings());
  }
}

// A value the workspace refuses costs its own item, chunk or option: the
// action is built, its other items and options are there, and one WARNING
// names the action, the item or option and the text. Marked items held 9
// before, so a refused position reads empty, not an earlier load's value.
// "MaxLoop" and "ParallelInteraction" are read only from a NumericValue and
// a Checkbox.
TEST_F(ActionLoaderTest, ARefusedValueCostsOnlyItsItemOrOption) {
  struct Case {
    std::string name;
    std::string fields;  // besides Name
    std::string options;
    std::wstring items;  // 3648 3680 3984 2064 3896 3912 3776, properties, comment chunk
    Strings warnings;    // "@": the action's handle
  };
  const std::string after = option("CheckBox", "After", {"True"});
  const std::string longName(251, 'L');  // its chunk name does not fit, the action does
  const std::string refused = "\" was refused: cannot write item ";
  const Case cases[] = {
      {"Pos", "X=12,5;Width=left;Color=#FF0000;Version=2", after, L"|||2|0|0|0|1|none",
       {"setText: Action Seq/Pos: item X left empty, the text \"12,5" + refused +
            "X[3648] of SharedAction Seq/Pos[@]: the text \"12,5\" is not a number",
        "setText: Action Seq/Pos: item Width left empty, the text \"left" + refused +
            "Width[3680] of SharedAction Seq/Pos[@]: the text \"left\" is not a number",
        "setText: Action Seq/Pos: item Color left empty, the text \"#FF0000" + refused +
            "Color[3984] of SharedAction Seq/Pos[@]: the text \"#FF0000\" is not a number"}},
      {"Val", "X=1", option("Value", "MaxLoop", {"3"}) + after, L"1|-1|0||0|0|0|2|none",
       {"propertyOfClass: Action Seq/Val: the option \"MaxLoop\" is a StringValue, not a "
        "NumericValue: it is not read"}},
      {"Map", "", option("MapAndValueSelect", "MaxLoop", {"Map:M"}) + after,
       L"|-1|0||0|0|0|2|none",
       {"propertyOfClass: Action Seq/Map: the option \"MaxLoop\" is a PropertyMap, not a "
        "NumericValue: it is not read"}},
      {"Par", "", option("Value", "ParallelInteraction", {"1"}) + after, L"|-1|0||0|0|0|2|none",
       {"propertyOfClass: Action Seq/Par: the option \"ParallelInteraction\" is a StringValue, not "
        "a Checkbox: it is not read"}},
      {"Tick", "", option("CheckBox", "ParallelInteraction", {"True"}) +
                       option("NumericValue", "MaxLoop", {"4"}),
       L"|-1|0||1|4|1|2|none", {}},
      {longName, "Comment=Hi;Version=3", "", L"|-1|0|3|0|0|0|0|none",
       {"leaveOutOnRefusal: Action Seq/" + longName + ": the comment is left out: the element "
        "name \"Seq/" + longName + "_lua_chunk\" (265 characters) does not fit a Chunk element "
        "(room for 261 characters)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields + c.options);
    sink_.clear();
    ws::SharedAction before(L"Seq/" + tavik::wideText(c.name.c_str()), 0);
    for (unsigned item : {3648u, 3680u, 3984u}) before.set(item, std::wstring(L"9"));
    const auto made = load("Name=" + c.name + (c.fields.empty() ? "" : ";" + c.fields), c.options);
    long long chunk = 0;
    ws::Workspace::getInstance()->getItem(made->getHandle() + 3616, chunk);
    EXPECT_EQ(c.items, itemsText(made->getHandle(), "3648 3680 3984 2064 3896 3912 3776") + L"|" +
                           std::to_wstring(made->getPropertyCount()) + L"|" +
                           (chunk > 0 ? itemsText(chunk, "name") : L"none"));
    Strings expected = c.warnings;
    for (std::string& line : expected)
      for (size_t at; (at = line.find('@')) != std::string::npos;)
        line.replace(at, 1, std::to_string(made->getHandle()));
    EXPECT_EQ(expected, warnings());
  }
}

TEST_F(ActionLoaderTest, TheActionANameStandsFor) {
  const auto plain = load("Name=Plain");
  ws::ActionGroup group(L"Seq/Group");
  group.set(1552, plain->getHandle());
  EXPECT_EQ(plain->getHandle(), loader_.get_shared_action(L"Seq/Group")->getHandle());
  EXPECT_EQ(plain->getHandle(), loader_.get_shared_action(L"Seq/Plain")->getHandle());
  // A name the workspace does not hold: an invalid proxy, nothing thrown.
  const auto missing = loader_.get_shared_action(L"Seq/Nobody");
  EXPECT_LT(missing->getHandle(), 1);
  EXPECT_EQ("invalid element handle in set",
            tavik_test::workspaceError([&] { missing->set(3776, 1); }));
}

// One action with an option of every kind, in option order: each property's
// class, name, visibility and own items. Unknown types (silently) and refused
// elements (with a warning) take no index; value texts are cut at 1024
// characters with one warning.
TEST_F(ActionLoaderTest, ControlsOfEveryKindWithTheirItems) {
  ws::Parameter speed(L"Speed");
  ws::Parameter torque(L"Torque");
  ws::Parameter dyno(L"DynoState");
  dyno.set(ws::parameter::Get_ChannelName, std::wstring(L"old"));
  const std::string combo =
      "<TypeProperties><ComboBoxOption><ComboBoxItem><Value>1</Value><Display>One</Display>"
      "</ComboBoxItem><ComboBoxItem><Value>2</Value><Display>Two</Display></ComboBoxItem>"
      "<ComboBoxItem><Value>2</Value><Display>Deux</Display></ComboBoxItem></ComboBoxOption>"
      "</TypeProperties>";
  const std::string device =
      "<TypeProperties><DeviceStatusChannelOption><Device>Dyno</Device><StatusParameter>"
      "DynoState</StatusParameter></DeviceStatusChannelOption></TypeProperties>";
  const std::string hidden = "<HideControl>True</HideControl>";
  const std::string exact(1024, 'a');
  const auto made = load(
      "Name=Act",
      option("ChSelect", "Sel", {"Speed", "Torque", "Speed"},
             "<ParentCategory>Limit</ParentCategory><HideControl>True</HideControl>"
             "<TypeProperties><ChSelectOption><ActivateSwitch>True</ActivateSwitch>"
             "</ChSelectOption></TypeProperties>") +
          option("ChResetSelect", "Reset", {}, "<ParentCategory>set</ParentCategory>"
                 "<ActivateSwitch>False</ActivateSwitch><HideControl>true</HideControl>") +
          option("Value", "Text", {"hello"}) + option("FileSelect", "File", {"a.txt"}) +
          option("NumericValue", "Num", {" 12.5"}) + option("CheckBox", "Tick", {"True"}) +
          option("CheckBox", "Untick", {"true"}) + option("ComboBox", "Pick", {"2"}, combo) +
          option("ComboBox", "Stray", {"5"}, combo) + option("ComboBox", "Blank", {"x"}, combo) +
          option("Slider", "Bogus", {"1"}) + option("Value", std::string(300, 'N'), {"x"}) +
          option("Value", "Long", {exact + "bcd"}) + option("Value", "Exact", {exact}) +
          option("MapAndValueSelect", "M", {"3"}, hidden) + option("StepDuration", "S", {"---x"}, hidden) +
          option("DeviceStatusChannel", "Dev", {"Ch1"}, device) +
          option("DeviceStatusChannel", "Empty", {}, device));
  // Short name, visibility, then each kind's own items.
  EXPECT_EQ(L"ChannelSelector|_prop_Seq/ActSel|2|Sel|0|2|1",
            property(made, L"Sel", "class name refs 544 1048 1056 1064"));
  EXPECT_EQ((std::vector<long long>{speed.getHandle(), torque.getHandle()}),
            ws::ChannelSelector(made->getActionProperty(L"Sel")).getParameters());
  EXPECT_EQ(L"2|1", itemsText(speed.getHandle(), "refs") + L"|" + itemsText(torque.getHandle(), "refs"));
  EXPECT_EQ(L"ChannelSelector|Reset|1|0|0", property(made, L"Reset", "class 544 1048 1056 1064"));
  EXPECT_EQ(L"StringValue|Text|1|hello|2", property(made, L"Text", "class 544 1048 1056 refs"));
  EXPECT_EQ(L"StringValue|File|a.txt", property(made, L"File", "class 544 1056"));
  EXPECT_EQ(L"NumericValue|Num|1| 12.5", property(made, L"Num", "class 544 1048 1056"));
  EXPECT_EQ(L"Checkbox|1|0", property(made, L"Tick", "class 1056") + L"|" +
                                 property(made, L"Untick", "1056"));
  EXPECT_EQ(L"ComboboxElement|Pick|Deux|2", property(made, L"Pick", "class 544 1056 1560"));
  EXPECT_EQ(L"|5", property(made, L"Stray", "1056 1560"));
  EXPECT_EQ(L"|-1", property(made, L"Blank", "1056 1560"));
  EXPECT_EQ(std::wstring(1024, L'a') + L"|" + std::wstring(1024, L'a'),
            property(made, L"Long", "1056") + L"|" + property(made, L"Exact", "1056"));
  // Numeric values of MapAndValueSelect and StepDuration hold their text and visibility.
  EXPECT_EQ(L"3|0|2", property(made, L"M", "1056 1048 refs"));
  EXPECT_EQ(L"---x|0|0", property(made, L"S", "1056 1048 refs"));
  // A device status channel writes its status parameter.
  EXPECT_EQ(L"DeviceStatusChannel|Dev|Ch1|DynoState|Dyno|" + std::to_wstring(dyno.getHandle()) + L"|0|2",
            property(made, L"Dev", "class 544 1056 1560 2064 2568 1048 refs"));
  EXPECT_EQ(L"Dyno|2|Ch1|1|2", itemsText(dyno.getHandle(), "10676 704 10420 552 refs"));
  EXPECT_EQ(L"|DynoState", property(made, L"Empty", "1056 1560"));
  // Properties in option order from index 0; Bogus and the long name take none.
  EXPECT_EQ((std::vector<long long>{made->getActionProperty(L"Sel"), made->getActionProperty(L"Blank"),
                                    made->getActionProperty(L"Long"), made->getActionProperty(L"Empty"), -1}),
            (std::vector<long long>{made->getActionPropertyAt(0), made->getActionPropertyAt(9),
                                    made->getActionPropertyAt(10), made->getActionPropertyAt(15),
                                    made->getActionPropertyAt(16)}));
  EXPECT_EQ(-1, loader_.createProperty(L"Seq/Act", action("", option("Slider", "S")).child("Options").child("Option")));
  // The option whose element name does not fit is named with the reason.
  const std::string longName(300, 'N');
  EXPECT_EQ((Strings{"createPropertyFor: Action Seq/Act: option \"" + longName +
                         "\" is left out: the element name \"_prop_Seq/Act" + longName +
                         "\" (313 characters) does not fit a StringValue element (room for 261 "
                         "characters)",
                     "createValueProperty: The Content of a ValueOption is limited to 1024 "
                     "characters. Shrink value to fit this limit"}),
            warnings());
}

TEST_F(ActionLoaderTest, MapAndValueSelectAndStepDurationByValue) {
  struct Case {
    std::string value;
    std::wstring mapAndValue;   // class, name and 544 of the MapAndValueSelect property
    std::wstring stepDuration;  // the same for StepDuration
  };
  const std::wstring numeric = L"NumericValue|_prop_Seq/@Opt|Opt";
  const std::wstring map = L"PropertyMap|_prop_Seq/@Opt_action_property|Opt";
  const std::wstring formula = L"FormulaResult|_prop_Seq/@Opt_action_property|Opt";
  const Case cases[] = {
      {"12.5", numeric, numeric},
      {"", numeric, numeric},
      {"  12", numeric, numeric},
      {"0x1p3", numeric, numeric},
      {"12 ", map, L"none"},
      {"Map:M", map, map},
      {"Formula:F", formula, formula},
      {"---", map, L"StringValue|_prop_Seq/@Opt|Opt"},
      {"abc", map, L"none"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    for (const auto& [type, pattern] : {std::make_pair("MapAndValueSelect", c.mapAndValue),
                                        std::make_pair("StepDuration", c.stepDuration)}) {
      const std::string name = type[0] + std::to_string(n++);
      std::wstring expected = pattern;
      if (expected.find(L'@') != std::wstring::npos)
        expected.replace(expected.find(L'@'), 1, tavik::wideText(name.c_str()));
      const auto made =
          load("Name=" + name, option(type, "Opt", {c.value}) + option("CheckBox", "Next"));
      EXPECT_EQ(expected, property(made, L"Opt", "class name 544")) << type;
      // Only an element takes an index.
      EXPECT_EQ(made->getActionProperty(L"Next"),
                made->getActionPropertyAt(expected == L"none" ? 0 : 1));
    }
  }
}

TEST_F(ActionLoaderTest, GroupActionsTakeTheirValuesFromTheGroupDataByLiteralName) {
  tavik_test::parseXml(
      &data_,
      "<ActionGroupData><Options>"
      "<Option><Name>Other</Name><Values><Value>True</Value></Values></Option>"
      "<Option><Name>O'Brien \"x\"</Name><Values><Value>True</Value></Values></Option>"
      "<Option><Name>' or '1'='1</Name><Values><Value>2</Value></Values></Option>"
      "</Options></ActionGroupData>");
  tavik::ActionLoader::GroupActionContext context;
  context.namePrefix = L"Grp";
  std::wstring fullName;
  const auto made = loader_.createGroupAction(
      context,
      action("Name=Act", option("CheckBox", "O'Brien \"x\"", {"False"}) +
                             option("CheckBox", "Missing", {"True"}) +
                             option("ComboBox", "Absent", {"2"}) +
                             option("CheckBox", "' or '", {"True"}, "<HideControl>True</HideControl>")),
      data_.document_element(), fullName);
  EXPECT_EQ(L"1|1|0|-1|0|0",
            property(made, L"O'Brien \"x\"", "1056") + L"|" + property(made, L"O'Brien \"x\"", "1048") +
                L"|" + property(made, L"Missing", "1056") + L"|" + property(made, L"Absent", "1560") +
                L"|" + property(made, L"' or '", "1056") + L"|" + property(made, L"' or '", "1048"));
}

// Each option takes the first data Option that has a Name text of exactly its
// name, whichever Name child holds it and whether it is CDATA.
TEST_F(ActionLoaderTest, GroupActionsTakeTheFirstDataOptionOfTheirName) {
  tavik_test::parseXml(
      &data_,
      "<ActionGroupData><Options>"
      "<Option><Name>Twice</Name><Values><Value>True</Value></Values></Option>"
      "<Option><Name>Twice</Name><Values><Value>False</Value></Values></Option>"
      "<Option><Name>Other</Name><Name>Second</Name><Values><Value>True</Value></Values></Option>"
      "<Option><Name><![CDATA[Raw<]]></Name><Values><Value>True</Value></Values></Option>"
      "<Option><Name>Padded </Name><Values><Value>True</Value></Values></Option>"
      "<Option><Values><Value>True</Value></Values></Option>"
      "</Options><Options><Option><Name>Later</Name><Values><Value>True</Value></Values></Option>"
      "</Options></ActionGroupData>");
  tavik::ActionLoader::GroupActionContext context;
  context.namePrefix = L"Grp";
  std::wstring fullName;
  const Strings names = {"Twice", "Second", "Raw&lt;", "Padded", "", "Later"};
  std::string options;
  for (const std::string& name : names) options += option("CheckBox", name);
  const auto made = loader_.createGroupAction(context, action("Name=Act", options),
                                              data_.document_element(), fullName);
  std::wstring ticks;
  for (int k = 0; k < static_cast<int>(names.size()); ++k)
    ticks += itemsText(made->getActionPropertyAt(k), "1056");
  // Twice: the first; Padded, the nameless option and one of a later
  // Options list find nothing.
  EXPECT_EQ(L"111000", ticks);
}

TEST_F(ActionLoaderTest, ChannelTablesWithParametersDisplaysAndBadCells) {
  ws::Parameter speed(L"Speed");
  ws::Parameter torque(L"Torque");
  const std::string table =
      "<ParentCategory>Option</ParentCategory><TypeProperties><ChTableSelectOption>"
      "<ActivateSwitch>True</ActivateSwitch><Columns><Column><Name>Limit</Name><Type>Text</Type>"
      "</Column><Column><Name>Mode</Name><Type>ComboBox</Type><ComboBoxOption><ComboBoxItem>"
      "<Display>Off</Display></ComboBoxItem><ComboBoxItem><Display>On</Display></ComboBoxItem>"
      "</ComboBoxOption></Column></Columns></ChTableSelectOption></TypeProperties>"
      "<ValueColumns><Row><Value>Speed</Value><Value>10</Value><Value>1</Value><Value>extra</Value>"
      "</Row><Row><Value>Nobody</Value><Value>20</Value><Value>7</Value></Row><Row>"
      "<Value>Torque</Value><Value>30</Value><Value>x</Value></Row></ValueColumns>";
  const auto made = load("Name=Act", "<Option><Name>Tab</Name><Type>ChTableSelect</Type>" + table +
                                         "</Option>");
  ws::PropertyTable element(made->getActionProperty(L"Tab"));
  EXPECT_EQ(L"Tab|1|3|1|3|4", property(made, L"Tab", "544 1048 1056 1064") + L"|" +
                                  std::to_wstring(element.getRows()) + L"|" +
                                  std::to_wstring(element.getColumns()));
  EXPECT_EQ((std::vector<std::wstring>{L"Tab", L"Limit", L"Mode", L""}), element.getColumnNames());
  EXPECT_EQ((std::vector<long long>{speed.getHandle(), 0, torque.getHandle()}),
            (std::vector<long long>{element.getParameter(0), element.getParameter(1),
                                    element.getParameter(2)}));
  EXPECT_EQ((std::vector<std::wstring>{L"10", L"On", L"", L"20", L"", L"30", L"Off"}),
            (std::vector<std::wstring>{element.getItem(0, 1), element.getItem(0, 2),
                                       element.getItem(0, 3), element.getItem(1, 1),
                                       element.getItem(1, 2), element.getItem(2, 1),
                                       element.getItem(2, 2)}));
  EXPECT_EQ((Strings{"createChannelTableProperty: Error adding parameter reference Nobody to "
                     "Channel select element _prop_Seq/ActTab: no workspace element named \"Nobody\" "
                     "in memory area 0x400000"}),
            warnings());

  // A selector names the parameter it could not find the same way, with a blank.
  sink_.clear();
  load("Name=Sel", option("ChSelect", "S", {"Nobody"}));
  EXPECT_EQ((Strings{"createChannelSelectProperty: Error adding parameter reference Nobody to "
                     "Channel select element _prop_Seq/SelS no workspace element named \"Nobody\" "
                     "in memory area 0x400000"}),
            warnings());
}

}  // namespace

namespace {

// Bytes that are no UTF-8 vanish when a text is decoded: the fields, flags,
// kinds and option types are those of the decoded texts.
TEST_F(ActionLoaderTest, FieldsCompareAsTheirDecodedTexts) {
  const struct {
    std::string fields;
    std::wstring items;
  } cases[] = {
      {"Name=N1;Width=\x80;Height=\xFF;Color=\x80;ParallelActionFlag=\x80True;"
       "UnusedActionFlag=Tr\xFFue;ActionCategory=\x80StatemachineAction",
       L"N1|||1|||-1|-1|1|0|1|77|88|0|0"},
      {"Name=N2;ActionModule=\xC3\xA4;LoopActionFlag=True\xC3;ActionCategory=Statemachine\xC3\xA4",
       L"N2|\u00e4||0|||-1|-1|0|1|0|77|88|0|0"},
  };
  for (const auto& c : cases) {
    const boost::shared_ptr<ws::SharedAction> made =
        load(c.fields, option("Check\xFF" "Box", "C", {"\x80True"}) + option("\x80Value", "V"));
    EXPECT_EQ(c.items, itemsText(made->getHandle(), kActionItems)) << c.fields;
    long long chunk = 0;
    ws::Workspace::getInstance()->getItem(made->getHandle() + 3616, chunk);
    EXPECT_EQ(0, chunk);
    EXPECT_EQ(L"1", property(made, L"C", "1056")) << c.fields;
    EXPECT_NE(L"none", property(made, L"V", "1056")) << c.fields;
  }
  long long chunk = 0;
  ws::Workspace::getInstance()->getItem(load("Name=N4;Comment=\x80")->getHandle() + 3616, chunk);
  EXPECT_EQ(0, chunk);
}

}  // namespace
