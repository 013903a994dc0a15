// The dump that the reload comparison stands on: which elements it covers,
// that it names references and lists, and that a changed fact, a changed
// reference and a missing element each show as the line that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "WorkspaceDump.h"
#include "workspace/Chunk.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;

constexpr const char* kConfiguration =
    "<MeasurementDefinition><Maps><Map><Name>Curve</Name><XValues><Value>0</Value><Value>2.5</"
    "Value>"
    "</XValues><ZValues><Value>1</Value><Value>-3</Value></ZValues></Map></Maps><Parameters>"
    "<ParameterType><Category>SetParameter</Category><Parameter><Name>Speed</Name></Parameter>"
    "</ParameterType></Parameters><TestPlans><TestPlan><Category>Main</Category><Parameters>"
    "<Parameter><Name>Speed</Name><AdjType>Value</AdjType><Values><Value>7</Value></Values>"
    "</Parameter></Parameters></TestPlan></TestPlans><Sequences><Sequence><Category>Main</Category>"
    "<StartActionName>Go</StartActionName><Actions><Action><Name>Go</Name><Comment>Q\"\xC3\xA4"
    "</Comment><Options><Option><Name>Sel</Name><Type>ChSelect</Type><Values><Value>Speed</Value>"
    "</Values></Option></Options><NextActions><Action><PortName>Default</PortName>"
    "<ActionName>Stop</ActionName></Action></NextActions></Action><Action><Name>Stop</Name>"
    "</Action></Actions></Sequence></Sequences></MeasurementDefinition>";

// Every kind of element a load builds: a two-axis map, a test plan, every
// option type (a map, a number and a formula behind a map-and-value option),
// a channel table, link points, frames and comments in the sequence and in a
// group body, and a group placing another group.
constexpr const char* kEveryKind = R"(<MeasurementDefinition>
<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>
<Maps><Map><Name>Field</Name>
  <XValues><Value>0</Value><Value>10</Value></XValues><YValues><Value>1</Value><Value>2</Value>
    </YValues>
  <ZValues><Value>1</Value><Value>2</Value><Value>3</Value><Value>4.5</Value></ZValues>
  <ZLowerLimit>0</ZLowerLimit><ZUpperLimit>9</ZUpperLimit><ExtraPolation>True</ExtraPolation>
  <XParameterName>Speed</XParameterName><YParameterName>Torque</YParameterName></Map></Maps>
<CalculationFormulas><CalculationFormula><Name>Twice</Name>
  <Formula>&lt;Speed&gt;.Value * 2</Formula>
  </CalculationFormula></CalculationFormulas>
<Parameters><ParameterType><Category>SetParameter</Category>
  <Parameter><Name>Speed</Name></Parameter><Parameter><Name>Torque</Name></Parameter>
  <Parameter><Name>Status</Name></Parameter></ParameterType></Parameters>
<TestPlans><TestPlan><Category>Main</Category><Parameters>
  <Parameter><Name>Speed</Name><AdjType>Value</AdjType><Values><Value>1</Value><Value>2</Value>
    </Values></Parameter>
  <Parameter><Name>Torque</Name><AdjType>Demand_Value</AdjType><Values><Value>3</Value>
    <Value>4</Value></Values></Parameter>
  <Parameter><Name>Result</Name><Values><Value>0</Value><Value>1</Value></Values></Parameter>
</Parameters></TestPlan></TestPlans>
<Sequences><Sequence><Category>Main</Category><StartActionName>Prepare</StartActionName><Actions>
  <Action><Name>Prepare</Name><Comment>Sets every demand</Comment>
    <ActionCategory>PythonClassAction</ActionCategory>
    <ActionModule>bench.prepare</ActionModule><Version>2</Version>
    <X>10</X><Y>20</Y><Width>100</Width><Height>40</Height><Color>255</Color>
    <ParallelActionFlag>True</ParallelActionFlag><LoopActionFlag>True</LoopActionFlag><Options>
    <Option><Name>Channels</Name><Type>ChSelect</Type><ParentCategory>Set</ParentCategory>
      <Values><Value>Speed</Value><Value>Torque</Value></Values></Option>
    <Option><Name>Reset</Name><Type>ChResetSelect</Type><HideControl>True</HideControl>
      <Values><Value>Status</Value></Values></Option>
    <Option><Name>Table</Name><Type>ChTableSelect</Type><TypeProperties><ChTableSelectOption>
      <ActivateSwitch>True</ActivateSwitch><Columns><Column><Name>Limit</Name><Type>Value</Type>
        </Column>
      <Column><Name>Switch</Name><Type>ComboBox</Type><ComboBoxOption><ComboBoxItem><Value>0</Value>
      <Display>Off</Display></ComboBoxItem><ComboBoxItem><Value>1</Value><Display>On</Display>
        </ComboBoxItem>
      </ComboBoxOption></Column></Columns></ChTableSelectOption></TypeProperties>
      <ValueColumns><Row><Value>Speed</Value><Value>100</Value><Value>1</Value></Row>
      <Row><Value>Torque</Value><Value>50</Value><Value>0</Value></Row></ValueColumns></Option>
    <Option><Name>Label</Name><Type>Value</Type><Values><Value>a label</Value></Values></Option>
    <Option><Name>File</Name><Type>FileSelect</Type><Values><Value>C:\data\run.csv</Value></Values>
      </Option>
    <Option><Name>Gain</Name><Type>NumericValue</Type><Values><Value>7.5</Value></Values></Option>
    <Option><Name>Ready</Name><Type>CheckBox</Type><Values><Value>True</Value></Values></Option>
    <Option><Name>ParallelInteraction</Name><Type>CheckBox</Type><Values><Value>True</Value>
      </Values></Option>
    <Option><Name>Mode</Name><Type>ComboBox</Type><TypeProperties><ComboBoxOption>
      <ComboBoxItem><Value>1</Value><Display>Fast</Display></ComboBoxItem>
      <ComboBoxItem><Value>2</Value><Display>Exact</Display></ComboBoxItem>
      </ComboBoxOption></TypeProperties><Values><Value>2</Value></Values></Option>
    <Option><Name>Target</Name><Type>MapAndValueSelect</Type><Values><Value>Map:Field</Value>
      </Values></Option>
    <Option><Name>Offset</Name><Type>MapAndValueSelect</Type><Values><Value>12</Value></Values>
      </Option>
    <Option><Name>Scaled</Name><Type>MapAndValueSelect</Type><Values><Value>Formula:Twice</Value>
      </Values></Option>
    <Option><Name>Duration</Name><Type>StepDuration</Type><Values><Value>---</Value></Values>
      </Option>
    <Option><Name>Hold</Name><Type>StepDuration</Type><Values><Value>5</Value></Values></Option>
    <Option><Name>Health</Name><Type>DeviceStatusChannel</Type><TypeProperties>
      <DeviceStatusChannelOption>
      <Device>Motor</Device><StatusParameter>Status</StatusParameter></DeviceStatusChannelOption>
      </TypeProperties><Values><Value>ST</Value></Values></Option>
    <Option><Name>MaxLoop</Name><Type>NumericValue</Type><Values><Value>7</Value></Values></Option>
    </Options><NextActions>
    <Action><PortName>Default</PortName><ActionName>Sweep</ActionName><PortX>30</PortX>
      <PortY>40</PortY>
      <PortVisible>True</PortVisible><LinkPoints><LinkPoint><X>1</X><Y>2</Y></LinkPoint>
      <LinkPoint><X>3</X><Y>4</Y></LinkPoint></LinkPoints></Action>
    <Action><PortName>Error</PortName><ActionName>Finish</ActionName></Action>
    </NextActions></Action>
  <ActionGroup><Name>Sweep</Name><ActionGroupSequence>Body</ActionGroupSequence>
    <ActionGroupData>Data</ActionGroupData><X>5</X><Y>6</Y><Width>70</Width><Height>80</Height>
      <Color>9</Color>
    <NextActions>
    <Action><PortName>Default</PortName><PortVisible>True</PortVisible>
      <ActionName>Finish</ActionName>
      <PortActionInfo><ActionName>Settle</ActionName></PortActionInfo>
      <LinkPoints><LinkPoint><X>7</X><Y>8</Y></LinkPoint></LinkPoints></Action>
    <Action><PortName>Error</PortName><PortVisible>True</PortVisible>
      <PortActionInfo><ParentActionGroup>Inner</ParentActionGroup><ActionName>Ramp</ActionName>
      </PortActionInfo></Action>
    </NextActions></ActionGroup>
  <Action><Name>Finish</Name><UnusedActionFlag>True</UnusedActionFlag></Action>
</Actions>
<Rectangles><Rectangle><X>0</X><Y>1</Y><Width>300</Width><Height>200</Height><Color>65280</Color>
  </Rectangle>
</Rectangles>
<Comments><Comment><X>4</X><Y>5</Y><Width>50</Width><CommentText>the sweep</CommentText></Comment>
  </Comments>
</Sequence></Sequences>
<ActionGroupSequences>
  <ActionGroupSequence><Name>Body</Name><StartActionName>Inner</StartActionName>
    <BottomActionName>Settle</BottomActionName><Actions>
    <ActionGroup><Name>Inner</Name><ActionGroupSequence>Leaf</ActionGroupSequence>
      <ActionGroupData>Data</ActionGroupData><NextActions><Action><PortName>Error</PortName>
      <ActionName>Settle</ActionName><PortActionInfo><ActionName>Ramp</ActionName></PortActionInfo>
      </Action></NextActions></ActionGroup>
    <Action><Name>Settle</Name><Comment>waits</Comment>
      <Options><Option><Name>Wait</Name><Type>NumericValue</Type></Option></Options>
      <NextActions><Action><PortName>Default</PortName></Action></NextActions></Action>
    </Actions>
    <Rectangles><Rectangle><X>2</X><Y>3</Y></Rectangle></Rectangles>
    <Comments><Comment><CommentText>inside</CommentText></Comment></Comments></ActionGroupSequence>
  <ActionGroupSequence><Name>Leaf</Name><StartActionName>Ramp</StartActionName><Actions>
    <Action><Name>Ramp</Name><Options><Option><Name>Rate</Name><Type>NumericValue</Type></Option>
      <Option><Name>Note</Name><Type>Value</Type></Option></Options>
      <NextActions><Action><PortName>Error</PortName></Action></NextActions></Action>
    <Action><Name>Cool</Name><Options><Option><Name>Fan</Name><Type>CheckBox</Type></Option>
      </Options></Action></Actions></ActionGroupSequence>
</ActionGroupSequences>
<ActionGroupDatas><ActionGroupData><Name>Data</Name><Actions>
  <Action><Name>Settle</Name><Options><Option><Name>Wait</Name><Values><Value>3</Value></Values>
    </Option></Options></Action>
  <Action><Name>Ramp</Name><Options><Option><Name>Rate</Name><Values><Value>100</Value></Values>
    </Option><Option><Name>Note</Name><Values><Value>slowly</Value></Values></Option></Options>
    </Action>
  <Action><Name>Cool</Name><Options><Option><Name>Fan</Name><Values><Value>True</Value></Values>
    </Option></Options></Action>
</Actions></ActionGroupData></ActionGroupDatas>
</MeasurementDefinition>)";

bool has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class WorkspaceDumpTest : public ::testing::Test {
 protected:
  WorkspaceDumpTest() : ini_("[devices]\nMotor=ECU\n") {
    g3::log_levels::disableAll();
    tavik::ConfigReader reader;
    const auto file = ini_.dir().write("config.xml", kConfiguration);
    EXPECT_TRUE(reader.loadConfig(file.wstring(), false));
    elements_ = tavik_test::dumpedElements();
  }
  ~WorkspaceDumpTest() override { g3::log_levels::enableAll(); }

  tavik_test::ScopedIni ini_;
  tavik_test::ScopedWorkspace scope_;
  std::vector<tavik_test::DumpedElement> elements_;
};

TEST_F(WorkspaceDumpTest, CoversTheLoadedElementsButNotParametersByName) {
  std::vector<std::string> names;
  for (const auto& element : elements_)
    names.push_back(ws::findSchema(element.class_id)->class_name + " " +
                    std::string(element.name.begin(), element.name.end()));
  EXPECT_FALSE(has(names, "Parameter Speed"));
  EXPECT_FALSE(has(names, "GlobalConfig GlobalConfig"));
  for (const char* name :
       {"PropertyMap Curve", "SharedAction Main_Sequence/Go", "Sequence Main_Sequence",
        "ChannelSelector _prop_Main_Sequence/GoSel", "Testplan Main_Testplan",
        "TestplanColumn Main_Testplan_Result_Column", "Chunk Main_Sequence/Go_lua_chunk"})
    EXPECT_TRUE(has(names, name)) << name;

  const std::vector<std::string> lines = tavik_test::WorkspaceDump::of(elements_).lines();
  for (const char* line :
       {"Sequence \"Main_Sequence\" start action = SharedAction \"Main_Sequence/Go\"",
        "Sequence \"Main_Sequence\" actions[1] = SharedAction \"Main_Sequence/Stop\"",
        "SharedAction \"Main_Sequence/Go\" exit port[0] = \"Default\" hasTarget 1 at -1,-1 "
        "visible 1 successor SharedAction \"Main_Sequence/Stop\" link 0 mode 0",
        "SharedAction \"Main_Sequence/Go\" property slot[0] = ChannelSelector "
        "\"_prop_Main_Sequence/GoSel\"",
        "SharedAction \"Main_Sequence/Go\" TestplanHandle = Testplan \"Main_Testplan\"",
        "ChannelSelector \"_prop_Main_Sequence/GoSel\" parameter[0] = Parameter \"Speed\"",
        "Chunk \"Main_Sequence/Go_lua_chunk\" text = \"Q\\\"\\u{E4}\"",
        "PropertyMap \"Curve\" x axis = [ 0 2.5 ]", "PropertyMap \"Curve\" values = [ 1 -3 ]",
        "Testplan \"Main_Testplan\" column[1] = TestplanColumn "
        "\"Main_Testplan_Speed_Column_Value\"",
        "TestplanColumn \"Main_Testplan_Speed_Column_Value\" row[0] = 7",
        "TestplanColumn \"Main_Testplan_Status_Column\" row[0] = \"-\""})
    EXPECT_TRUE(has(lines, line)) << line;
}

TEST_F(WorkspaceDumpTest, AChangedValueReferenceOrElementIsTheLineThatDiffers) {
  const tavik_test::WorkspaceDump before = tavik_test::WorkspaceDump::of(elements_);
  EXPECT_EQ("", tavik_test::WorkspaceDump::difference(
                    before, tavik_test::WorkspaceDump::of(elements_), "before", "after"));
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  const long long go = workspace->findElement(L"Main_Sequence/Go", ws::memory_area::kActions);
  const long long stop = workspace->findElement(L"Main_Sequence/Stop", ws::memory_area::kActions);
  workspace->setItem(go + ws::shared_action::MaxLoop, 3);
  workspace->setItem(go + ws::shared_action::SequenceHandle, stop);
  EXPECT_EQ(
      "  only in before (2 lines):\n"
      "    SharedAction \"Main_Sequence/Go\" MaxLoop = 0\n"
      "    SharedAction \"Main_Sequence/Go\" SequenceHandle = Sequence \"Main_Sequence\"\n"
      "  only in after (2 lines):\n"
      "    SharedAction \"Main_Sequence/Go\" MaxLoop = 3\n"
      "    SharedAction \"Main_Sequence/Go\" SequenceHandle = SharedAction "
      "\"Main_Sequence/Stop\"\n",
      tavik_test::WorkspaceDump::difference(before, tavik_test::WorkspaceDump::of(elements_),
                                            "before", "after", 2));

  std::vector<tavik_test::DumpedElement> missing{{ws::element_class::kChunk, L"Nowhere"}};
  EXPECT_EQ(std::vector<std::string>{"Chunk \"Nowhere\" element = absent"},
            tavik_test::WorkspaceDump::of(missing).lines());
  // A handle of a remade element's old copy is marked (the copy's name is
  // no longer readable).
  const long long chunk =
      workspace->findElement(L"Main_Sequence/Go_lua_chunk", ws::memory_area::kChunks);
  workspace->replaceElement(chunk, 64, 64);
  workspace->setItem(go + ws::shared_action::SequenceHandle, chunk);
  EXPECT_TRUE(has(tavik_test::WorkspaceDump::of(elements_).lines(),
                  "SharedAction \"Main_Sequence/Go\" SequenceHandle = a replaced Chunk"));
}

// The whole dump of a configuration of every kind, against the checked-in
// text: the dump runs on both sides of every reload comparison, so what it
// leaves out no comparison can see. To accept a deliberate change:
// TAVIK_UPDATE_GOLDEN=1 build/tests/fuzz/reload_difference_test
//   --gtest_filter='WorkspaceDump.*', then review `git diff tests/fuzz/workspace_dump.golden`.
TEST(WorkspaceDump, OfEveryKindOfElementIsTheCheckedInText) {
  tavik_test::ScopedIni ini("[devices]\nMotor=ECU\n");
  tavik_test::ScopedWorkspace scope;
  g3::log_levels::disableAll();
  tavik::ConfigReader reader;
  const bool loaded = reader.loadConfig(ini.dir().write("every.xml", kEveryKind).wstring(), false);
  g3::log_levels::enableAll();
  ASSERT_TRUE(loaded);
  std::string actual;
  for (const std::string& line :
       tavik_test::WorkspaceDump::of(tavik_test::dumpedElements()).lines())
    actual += line + "\n";
  if (const char* update = std::getenv("TAVIK_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream(TAVIK_DUMP_GOLDEN, std::ios::binary) << actual;
    GTEST_SKIP() << "rewrote " << TAVIK_DUMP_GOLDEN;
  }
  std::ifstream in(TAVIK_DUMP_GOLDEN, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << TAVIK_DUMP_GOLDEN;
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            actual);
}

}  // namespace
