// The dump that the reload comparison stands on: which elements it covers,
// that it names references and lists, and that a changed fact, a changed
// reference and a missing element each show as the line that differs.
#include <gtest/gtest.h>

#include <algorithm>
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

}  // namespace
