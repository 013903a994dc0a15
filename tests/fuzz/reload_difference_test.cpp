// Loading configuration B over a workspace that holds another load (or B
// itself) gives, for every element B defines, what a load of B into a fresh
// workspace that holds the same parameters gives, and the same result: hundreds of generated pairs
// (seeds and generated configurations, each edited a few times) and one named
// edit per kind of element, each loaded in both directions.
//
//   TAVIK_RELOAD_PAIRS=n   pairs to generate (1000; 300 in a sanitizer build)
//   TAVIK_RELOAD_SEED=s    the first pair's seed (1); a failure names its seed
//   TAVIK_RELOAD_KEEP=dir  keeps A and B of every failing pair there
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ConfigMutator.h"
#include "ReloadComparison.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/Workspace.h"

namespace {

constexpr const char* kIni = "[devices]\nMotor=ECU\nDyno=Dynamometer\n";

// Only the lines the comparison reads are composed: a load logs every item
// read and write otherwise.
class QuietLog {
 public:
  QuietLog() {
    g3::log_levels::disableAll();
    g3::log_levels::enable(WARNING);
    g3::log_levels::enable(UA_WARNING);
  }
  ~QuietLog() { g3::log_levels::enableAll(); }
};

bool sanitized() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

int setting(const char* variable, int fallback) {
  const char* value = std::getenv(variable);
  return value ? std::atoi(value) : fallback;
}

std::string fileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The seed configurations of the fuzz corpus and the example configuration.
std::vector<std::pair<std::string, std::string>> seedConfigurations() {
  std::vector<std::filesystem::path> files{TAVIK_EXAMPLE_CONFIG};
  for (const auto& entry : std::filesystem::directory_iterator(TAVIK_FUZZ_SEEDS))
    if (entry.path().extension() == ".xml") files.push_back(entry.path());
  std::sort(files.begin() + 1, files.end());
  std::vector<std::pair<std::string, std::string>> seeds;
  for (const auto& file : files) seeds.emplace_back(file.filename().string(), fileText(file));
  return seeds;
}

TEST(ReloadDifference, GeneratedPairsLoadAsTheirFreshLoad) {
  const int count = setting("TAVIK_RELOAD_PAIRS", sanitized() ? 300 : 1000);
  const int first = setting("TAVIK_RELOAD_SEED", 1);
  const char* keep = std::getenv("TAVIK_RELOAD_KEEP");
  QuietLog quiet;
  tavik_test::ScopedIni ini(kIni);
  tavik_fuzz::ReloadComparison comparison(ini.dir().path() / "pairs");
  const auto seeds = seedConfigurations();
  ASSERT_GE(seeds.size(), 4u);

  // A pair counts when its comparison covers something: A and B differ, B
  // loads on its own and defines at least kFewestElements elements. The
  // others are compared all the same.
  constexpr std::size_t kFewestElements = 5;
  int skipped = 0, same = 0, refused = 0, empty = 0, few = 0, counted = 0;
  std::size_t elements = 0;
  std::vector<int> failing;
  std::map<std::string, int> failing_edits;  // kind -> failing pairs made with that edit
  std::map<std::string, int> failing_facts;  // what differed -> failing pairs
  for (int seed = first; seed < first + count; ++seed) {
    tavik_fuzz::Choices choices(static_cast<std::uint32_t>(seed));
    const tavik_fuzz::ConfigPair pair = tavik_fuzz::generatePair(seeds, choices);
    const tavik_fuzz::ReloadVerdict verdict = comparison.compare(pair.a, pair.b);
    if (verdict.skipped) {
      ++skipped;
      continue;
    }
    if (pair.a == pair.b) {
      ++same;
    } else if (verdict.fresh_result != "true") {
      ++refused;
    } else if (verdict.elements < kFewestElements) {
      ++(verdict.elements == 0 ? empty : few);
    } else {
      ++counted;
      elements += verdict.elements;
    }
    if (verdict.difference.empty()) continue;
    failing.push_back(seed);
    for (const std::string& edit : pair.edits) ++failing_edits[edit.substr(0, edit.find(':'))];
    for (const std::string& fact : verdict.differing) ++failing_facts[fact];
    if (keep) {
      const std::filesystem::path dir = std::filesystem::path(keep) / std::to_string(seed);
      std::filesystem::create_directories(dir);
      std::ofstream(dir / "a.xml", std::ios::binary) << pair.a;
      std::ofstream(dir / "b.xml", std::ios::binary) << pair.b;
    }
    if (failing.size() <= 5)
      ADD_FAILURE() << "pair " << seed << " (TAVIK_RELOAD_SEED=" << seed
                    << " TAVIK_RELOAD_PAIRS=1): " << pair.describe() << "\n"
                    << verdict.difference;
  }
  const int compared = count - skipped;
  std::printf("%d pairs: %d counted, comparing %zu elements; not counted: %d skipped (the load of "
              "A filled the workspace), %d with A the same as B, %d where B alone loads false, "
              "%d where B defines no element, %d where it defines 1 to %zu\n",
              count, counted, elements, skipped, same, refused, empty, few, kFewestElements - 1);
  // Pairs that compare little or nothing would pass whatever a reload does.
  EXPECT_GE(counted, count * 9 / 10);
  std::ostringstream summary;
  for (const auto& kind : failing_edits) summary << "\n  " << kind.first << ": " << kind.second;
  summary << "\nwhat differs in them:";
  for (const auto& fact : failing_facts) summary << "\n  " << fact.first << ": " << fact.second;
  std::ostringstream seeds_text;
  for (std::size_t k = 0; k < failing.size() && k < 40; ++k) seeds_text << " " << failing[k];
  if (failing.size() > 40) seeds_text << " ...";
  EXPECT_TRUE(failing.empty()) << failing.size() << " of " << compared
                               << " pairs differ from their fresh load; edits in them:"
                               << summary.str() << "\nfailing seeds:" << seeds_text.str();
}

// --- one named edit per kind ---------------------------------------------------

// A small configuration with one element of every kind a load builds.
constexpr const char* kBase = R"(<MeasurementDefinition>
<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>
<Maps><Map><Name>Curve</Name><XValues><Value>0</Value><Value>10</Value></XValues>
  <ZValues><Value>1</Value><Value>2</Value></ZValues><ExtraPolation>True</ExtraPolation>
  <XParameterName>Speed</XParameterName></Map></Maps>
<Parameters><ParameterType><Category>SetParameter</Category>
  <Parameter><Name>Speed</Name></Parameter>
  <Parameter><Name>Torque</Name></Parameter>
  <Parameter><Name>Status</Name></Parameter></ParameterType></Parameters>
<TestPlans><TestPlan><Category>Main</Category><Parameters>
  <Parameter><Name>Speed</Name><AdjType>Value</AdjType>
    <Values><Value>1</Value><Value>2</Value></Values></Parameter>
  <Parameter><Name>Torque</Name><AdjType>Value</AdjType>
    <Values><Value>3</Value><Value>4</Value></Values></Parameter>
  <Parameter><Name>Result</Name><Values><Value>0</Value><Value>1</Value></Values></Parameter>
</Parameters></TestPlan></TestPlans>
<Sequences><Sequence><Category>Main</Category><StartActionName>Prepare</StartActionName>
<Actions>
  <Action><Name>Prepare</Name><Comment>Sets every demand of the bench</Comment>
    <ParallelActionFlag>True</ParallelActionFlag><LoopActionFlag>True</LoopActionFlag>
    <Options>
      <Option><Name>Channels</Name><Type>ChSelect</Type>
        <Values><Value>Speed</Value><Value>Torque</Value></Values></Option>
      <Option><Name>Table</Name><Type>ChTableSelect</Type>
        <TypeProperties><ChTableSelectOption><Columns>
          <Column><Name>Limit</Name></Column>
        </Columns></ChTableSelectOption></TypeProperties>
        <ValueColumns>
          <Row><Value>Speed</Value><Value>100</Value></Row>
          <Row><Value>Torque</Value><Value>50</Value></Row>
        </ValueColumns></Option>
      <Option><Name>Label</Name><Type>Value</Type>
        <Values><Value>a long label</Value></Values></Option>
      <Option><Name>Mode</Name><Type>ComboBox</Type>
        <TypeProperties><ComboBoxOption>
          <ComboBoxItem><Value>1</Value><Display>Fast</Display></ComboBoxItem>
          <ComboBoxItem><Value>2</Value><Display>Exact</Display></ComboBoxItem>
        </ComboBoxOption></TypeProperties>
        <Values><Value>2</Value></Values></Option>
      <Option><Name>Target</Name><Type>MapAndValueSelect</Type>
        <Values><Value>Map:Curve</Value></Values></Option>
      <Option><Name>Duration</Name><Type>StepDuration</Type>
        <Values><Value>12</Value></Values></Option>
      <Option><Name>Health</Name><Type>DeviceStatusChannel</Type>
        <TypeProperties><DeviceStatusChannelOption>
          <Device>Motor</Device><StatusParameter>Status</StatusParameter>
        </DeviceStatusChannelOption></TypeProperties>
        <Values><Value>ST</Value></Values></Option>
      <Option><Name>MaxLoop</Name><Type>NumericValue</Type>
        <Values><Value>7</Value></Values></Option>
      <Option><Name>Ready</Name><Type>CheckBox</Type>
        <Values><Value>True</Value></Values></Option>
    </Options>
    <NextActions>
      <Action><PortName>Default</PortName><ActionName>Sweep</ActionName>
        <LinkPoints><LinkPoint><X>1</X><Y>2</Y></LinkPoint><LinkPoint><X>3</X><Y>4</Y></LinkPoint>
        </LinkPoints></Action>
      <Action><PortName>Error</PortName><ActionName>Finish</ActionName></Action>
    </NextActions></Action>
  <ActionGroup><Name>Sweep</Name><ActionGroupSequence>Body</ActionGroupSequence>
    <ActionGroupData>Data</ActionGroupData>
    <NextActions>
      <Action><PortName>Default</PortName><PortVisible>True</PortVisible>
        <ActionName>Finish</ActionName>
        <PortActionInfo><ActionName>Settle</ActionName></PortActionInfo></Action>
      <Action><PortName>Error</PortName><PortVisible>True</PortVisible>
        <PortActionInfo><ParentActionGroup>Inner</ParentActionGroup><ActionName>Ramp</ActionName>
        </PortActionInfo></Action>
    </NextActions></ActionGroup>
  <Action><Name>Finish</Name></Action>
</Actions>
<Rectangles><Rectangle><X>0</X></Rectangle><Rectangle><X>5</X></Rectangle></Rectangles>
<Comments><Comment><CommentText>one</CommentText></Comment>
  <Comment><CommentText>two</CommentText></Comment></Comments>
</Sequence></Sequences>
<ActionGroupSequences>
  <ActionGroupSequence><Name>Body</Name><StartActionName>Inner</StartActionName>
    <BottomActionName>Settle</BottomActionName>
    <Actions>
      <ActionGroup><Name>Inner</Name><ActionGroupSequence>Leaf</ActionGroupSequence>
        <ActionGroupData>Data</ActionGroupData></ActionGroup>
      <Action><Name>Settle</Name>
        <Options><Option><Name>Wait</Name><Type>NumericValue</Type></Option></Options>
        <NextActions><Action><PortName>Default</PortName></Action></NextActions></Action>
      <Action><Name>Check</Name></Action>
    </Actions></ActionGroupSequence>
  <ActionGroupSequence><Name>Leaf</Name><StartActionName>Ramp</StartActionName>
    <Actions><Action><Name>Ramp</Name>
      <Options><Option><Name>Rate</Name><Type>NumericValue</Type></Option></Options>
      <NextActions><Action><PortName>Error</PortName></Action></NextActions></Action></Actions>
  </ActionGroupSequence>
</ActionGroupSequences>
<ActionGroupDatas><ActionGroupData><Name>Data</Name><Actions>
  <Action><Name>Settle</Name>
    <Options><Option><Name>Wait</Name><Values><Value>3</Value></Values></Option></Options></Action>
  <Action><Name>Ramp</Name>
    <Options><Option><Name>Rate</Name><Values><Value>100</Value></Values></Option></Options>
  </Action>
</Actions></ActionGroupData></ActionGroupDatas>
</MeasurementDefinition>)";

// One change of the base: every node the path selects is removed, gets the
// text, or gets the fragment appended.
struct Change {
  enum Kind { Remove, Set, Append } kind;
  const char* path;
  const char* text;
};
struct NamedEdit {
  const char* name;
  std::vector<Change> changes;
};

std::string edited(const NamedEdit& edit) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(kBase));
  const pugi::xml_node md = document.child("MeasurementDefinition");
  for (const Change& change : edit.changes) {
    const pugi::xpath_node_set nodes = md.select_nodes(change.path);
    EXPECT_FALSE(nodes.empty()) << change.path;
    for (const pugi::xpath_node& found : nodes) {
      pugi::xml_node node = found.node();
      if (change.kind == Change::Remove) {
        node.parent().remove_child(node);
      } else if (change.kind == Change::Set) {
        node.text().set(change.text);
      } else {
        pugi::xml_document fragment;
        EXPECT_TRUE(fragment.load_string(change.text)) << change.text;
        for (pugi::xml_node child : fragment.children()) node.append_copy(child);
      }
    }
  }
  return tavik_fuzz::configurationText(document);
}

const std::vector<NamedEdit>& namedEdits() {
  using C = Change;
  static const std::vector<NamedEdit> edits = {
      {"MapGainsAxisValue", {{C::Append, "Maps/Map/XValues", "<Value>20</Value>"}}},
      {"MapExtrapolationOff", {{C::Remove, "Maps/Map/ExtraPolation", ""}}},
      {"MapRenamed", {{C::Set, "Maps/Map/Name", "Curve 2"}}},
      {"MapRemoved", {{C::Remove, "Maps/Map", ""}}},
      {"OptionMapValueBecomesNumber", {{C::Set, "//Option[Name='Target']/Values/Value", "12.5"}}},
      {"TestplanLosesRow",
       {{C::Remove, "TestPlans/TestPlan/Parameters/Parameter/Values/Value[2]", ""}}},
      {"TestplanLosesColumn",
       {{C::Remove, "TestPlans/TestPlan/Parameters/Parameter[Name='Torque']", ""}}},
      {"TestplanLosesResult",
       {{C::Remove, "TestPlans/TestPlan/Parameters/Parameter[Name='Result']", ""}}},
      {"TestplanReordered",
       {{C::Append, "TestPlans/TestPlan/Parameters",
         "<Parameter><Name>Speed</Name><AdjType>Value</AdjType><Values><Value>1</Value><Value>2</"
         "Value>"
         "</Values></Parameter>"},
        {C::Remove, "TestPlans/TestPlan/Parameters/Parameter[1]", ""}}},
      {"TestplanCategoryChanged", {{C::Set, "TestPlans/TestPlan/Category", "Stop"}}},
      {"BoundTestplanRemoved", {{C::Remove, "TestPlans/TestPlan", ""}}},
      {"ActionCommentShorter", {{C::Set, "//Action[Name='Prepare']/Comment", "Sets"}}},
      {"ActionFlagsCleared",
       {{C::Remove, "//Action[Name='Prepare']/ParallelActionFlag", ""},
        {C::Remove, "//Action[Name='Prepare']/LoopActionFlag", ""}}},
      {"ChSelectLosesParameter", {{C::Remove, "//Option[Name='Channels']/Values/Value[2]", ""}}},
      {"ChSelectNamesAParameterOnlyTheOtherFileHas",
       {{C::Append, "//Option[Name='Channels']/Values", "<Value>Status</Value>"},
        {C::Append, "//Option[Name='Table']/ValueColumns",
         "<Row><Value>Status</Value><Value>1</Value></Row>"},
        {C::Remove, "Parameters/ParameterType/Parameter[Name='Status']", ""}}},
      {"ChTableSelectLosesRowAndColumn",
       {{C::Remove, "//Option[Name='Table']/ValueColumns/Row[2]", ""},
        {C::Remove, "//Option[Name='Table']/ValueColumns/Row/Value[2]", ""}}},
      {"ValueShorter", {{C::Set, "//Option[Name='Label']/Values/Value", "a"}}},
      {"CheckBoxCleared", {{C::Set, "//Option[Name='Ready']/Values/Value", "False"}}},
      {"ComboBoxLosesItem", {{C::Remove, "//Option[Name='Mode']//ComboBoxItem[2]", ""}}},
      {"StepDurationBecomesDashes", {{C::Set, "//Option[Name='Duration']/Values/Value", "---"}}},
      {"DeviceStatusChannelChanged",
       {{C::Set, "//DeviceStatusChannelOption/StatusParameter", "Torque"},
        {C::Set, "//Option[Name='Health']/Values/Value", ""}}},
      {"MaxLoopRemoved", {{C::Remove, "//Option[Name='MaxLoop']", ""}}},
      {"OptionAdded",
       {{C::Append, "//Action[Name='Prepare']/Options",
         "<Option><Name>Extra</Name><Type>NumericValue</Type><Values><Value>1</Value></Values></"
         "Option>"}}},
      {"OptionsReordered",
       {{C::Remove, "//Option[Name='Channels']", ""},
        {C::Append, "//Action[Name='Prepare']/Options",
         "<Option><Name>Channels</Name><Type>ChSelect</Type><Values><Value>Speed</Value></Values></"
         "Option>"}}},
      {"PortRemoved", {{C::Remove, "//Action[Name='Prepare']/NextActions/Action[2]", ""}}},
      {"PortRenamed",
       {{C::Set, "//Action[Name='Prepare']/NextActions/Action[1]/PortName", "Next"}}},
      {"LinkPointRemoved", {{C::Remove, "//Action[Name='Prepare']//LinkPoint[2]", ""}}},
      {"StartActionChanged", {{C::Set, "Sequences/Sequence/StartActionName", "Finish"}}},
      {"ActionRenamed",
       {{C::Set, "Sequences/Sequence/Actions/Action[Name='Finish']/Name", "Done"}}},
      {"ActionRemoved", {{C::Remove, "Sequences/Sequence/Actions/Action[Name='Finish']", ""}}},
      {"FramesAndCommentsFewer",
       {{C::Remove, "Sequences/Sequence/Rectangles/Rectangle[2]", ""},
        {C::Remove, "Sequences/Sequence/Comments/Comment[2]", ""}}},
      {"SecondSequenceNodeRebuildsAnActionWithMorePorts",
       {{C::Append, "Sequences",
         "<Sequence><Category>Main</Category><Actions><Action><Name>Finish</Name><NextActions>"
         "<Action><PortName>A</PortName></Action><Action><PortName>B</PortName></Action>"
         "</NextActions></Action></Actions></Sequence>"}}},
      {"SequenceCategoryChanged", {{C::Set, "Sequences/Sequence/Category", "Extra"}}},
      {"GroupLosesAction",
       {{C::Remove,
         "ActionGroupSequences/ActionGroupSequence[Name='Body']/Actions/Action[Name='Check']",
         ""}}},
      {"GroupInnerActionRenamed",
       {{C::Set,
         "ActionGroupSequences/ActionGroupSequence[Name='Body']/Actions/Action[Name='Check']/Name",
         "Verify"}}},
      {"GroupPortRemoved", {{C::Remove, "//ActionGroup[Name='Sweep']/NextActions/Action[2]", ""}}},
      {"ActionBecomesGroup",
       {{C::Remove, "Sequences/Sequence/Actions/Action[Name='Finish']", ""},
        {C::Append, "Sequences/Sequence/Actions",
         "<ActionGroup><Name>Finish</Name><ActionGroupSequence>Leaf</ActionGroupSequence>"
         "<ActionGroupData>Data</ActionGroupData></ActionGroup>"}}},
      {"GroupActionBecomesNestedGroup",
       {{C::Remove,
         "ActionGroupSequences/ActionGroupSequence[Name='Body']/Actions/Action[Name='Check']", ""},
        {C::Append, "ActionGroupSequences/ActionGroupSequence[Name='Body']/Actions",
         "<ActionGroup><Name>Check</Name><ActionGroupSequence>Leaf</ActionGroupSequence>"
         "<ActionGroupData>Data</ActionGroupData></ActionGroup>"},
        {C::Append, "//Action[Name='Settle']/NextActions/Action", "<ActionName>Check</ActionName>"}}},
      {"NestedGroupRemoved",
       {{C::Remove, "ActionGroupSequences/ActionGroupSequence[Name='Body']/Actions/ActionGroup",
         ""},
        {C::Set, "ActionGroupSequences/ActionGroupSequence[Name='Body']/StartActionName",
         "Settle"}}},
  };
  return edits;
}

void PrintTo(const NamedEdit& edit, std::ostream* out) { *out << edit.name; }

class ReloadAfterEdit : public ::testing::TestWithParam<NamedEdit> {};

TEST_P(ReloadAfterEdit, LoadsAsTheFreshLoadBothWays) {
  QuietLog quiet;
  tavik_test::ScopedIni ini(kIni);
  tavik_fuzz::ReloadComparison comparison(ini.dir().path() / "pair");
  const std::string base = kBase;
  const std::string changed = edited(GetParam());
  ASSERT_NE(base, changed);
  const tavik_fuzz::ReloadVerdict forward = comparison.compare(base, changed);
  ASSERT_FALSE(forward.skipped);
  EXPECT_TRUE(forward.difference.empty()) << "A = the base, B = the base edited:\n"
                                          << forward.difference;
  const tavik_fuzz::ReloadVerdict backward = comparison.compare(changed, base);
  ASSERT_FALSE(backward.skipped);
  EXPECT_TRUE(backward.difference.empty()) << "A = the base edited, B = the base:\n"
                                           << backward.difference;
}

INSTANTIATE_TEST_SUITE_P(Edits, ReloadAfterEdit, ::testing::ValuesIn(namedEdits()),
                         [](const ::testing::TestParamInfo<NamedEdit>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace

namespace {

// The base with every growable kind of element grown: a map point, a test-plan
// row and column, an exit port, an option, a longer comment, a table row, a
// frame and a group action.
NamedEdit grownBase() {
  using C = Change;
  return {"Grown",
          {{C::Append, "Maps/Map/XValues", "<Value>20</Value><Value>30</Value>"},
           {C::Append, "TestPlans/TestPlan/Parameters/Parameter/Values", "<Value>7</Value>"},
           {C::Append, "TestPlans/TestPlan/Parameters",
            "<Parameter><Name>Status</Name><AdjType>Value</AdjType><Values><Value>1</Value>"
            "<Value>2</Value><Value>3</Value></Values></Parameter>"},
           {C::Append, "//Action[Name='Prepare']/NextActions",
            "<Action><PortName>Warning</PortName><ActionName>Finish</ActionName></Action>"},
           {C::Append, "//Action[Name='Prepare']/Options",
            "<Option><Name>Extra</Name><Type>Value</Type><Values><Value>x</Value></Values>"
            "</Option>"},
           {C::Set, "//Action[Name='Prepare']/Comment",
            "Sets every demand of the bench, then waits until every reading has settled"},
           {C::Append, "//Option[Name='Table']/ValueColumns",
            "<Row><Value>Speed</Value><Value>75</Value></Row>"},
           {C::Append, "Sequences/Sequence/Rectangles", "<Rectangle><X>9</X></Rectangle>"},
           {C::Append, "ActionGroupSequences/ActionGroupSequence[Name='Body']/Actions",
            "<Action><Name>Again</Name></Action>"}}};
}

// A bench that loads two files in turn for hours: the first load of the grown
// file remakes what it outgrew, with room to spare, and from then on neither
// file takes one more byte of the segment.
TEST(SegmentUse, AlternatingASmallAndAGrownFileStopsGrowingAfterTheFirstPair) {
  QuietLog quiet;
  tavik_test::ScopedIni ini(kIni);
  const std::filesystem::path small = ini.dir().write("small.xml", kBase);
  const std::filesystem::path grown = ini.dir().write("grown.xml", edited(grownBase()));
  tavik_test::ScopedWorkspace scope;
  tavik::ConfigReader reader;
  std::vector<std::size_t> used;
  for (int k = 0; k < 100; ++k) {
    ASSERT_TRUE(reader.loadConfig((k % 2 == 0 ? small : grown).wstring(), true)) << "load " << k;
    used.push_back(tavik::workspace::Workspace::getInstance()->getUsedBytes());
  }
  EXPECT_GT(used[1], used[0]);  // the grown file remade what it outgrew
  for (int k = 2; k < 100; ++k) EXPECT_EQ(used[k], used[1]) << "load " << k;
  std::printf("segment bytes in use: %zu after the small file, %zu after the grown one, %zu after "
              "100 loads\n", used[0], used[1], used.back());
}

}  // namespace
