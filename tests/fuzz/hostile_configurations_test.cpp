// Thousands of generated hostile configurations, each loaded and checked for
// reload; every hook file they leave must parse in Python with nothing but
// the imports and the class at module level (one python3 run for all).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>

#include "ConfigGenerator.h"
#include "LoadHarness.h"
#include "ScopedWorkspace.h"
#include "SequenceReferences.h"
#include "WorkspaceRooms.h"
#include "workspace/LinkPath.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"

namespace {

TEST(HostileConfigurations, LoadWithoutBrokenPromisesAndEveryHookFileParses) {
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  const int count = std::getenv("TAVIK_HOSTILE_COUNT") ? std::atoi(std::getenv("TAVIK_HOSTILE_COUNT")) : 2500;
  tavik_fuzz::LoadHarness harness;
  tavik_test::ScopedTempDir temporary;
  // TAVIK_HOSTILE_DIR keeps the hook files (and the python report) for a look.
  const char* keep = std::getenv("TAVIK_HOSTILE_DIR");
  const std::filesystem::path dir = keep ? std::filesystem::path(keep) : temporary.path();
  std::string files;
  int loaded = 0, written = 0;
  for (int i = 0; i < count; ++i) {
    tavik_fuzz::Choices choices(static_cast<std::uint32_t>(i));
    const std::string xml = tavik_fuzz::ConfigGenerator(choices).document();
    const tavik_fuzz::Outcome outcome = harness.run(xml);
    ASSERT_EQ("", outcome.fault) << "configuration " << i << ":\n" << xml;
    loaded += outcome.loaded;
    if (outcome.hook.empty()) continue;
    const std::filesystem::path file = dir / ("hook_" + std::to_string(i) + ".py");
    std::ofstream(file, std::ios::binary) << outcome.hook;
    if (keep) std::ofstream(dir / ("config_" + std::to_string(i) + ".xml"), std::ios::binary) << xml;
    files += " " + file.filename().string();
    ++written;
  }
  // Most of them get through the load; some stop at a value the workspace refuses.
  EXPECT_GT(loaded, count / 5);
  EXPECT_GT(written, count / 5);
  const std::string output = (dir / "python.txt").string();
  const int status = std::system(("cd '" + dir.string() + "' && python3 -B -E -s '" +
                                  TAVIK_CHECK_HOOKS + "'" + files + " > '" + output + "' 2>&1")
                                     .c_str());
  std::ifstream in(output);
  const std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(0, status) << report;
  EXPECT_NE(std::string::npos, report.find(std::to_string(written) + " hook files checked, 0 bad"))
      << report;
}

// The two workspace checks of every true load find what they look for: a
// start action and a successor the sequence does not list, and counts
// beyond their rooms.
TEST(HostileConfigurations, TheWorkspaceChecksFindUnlistedActionsAndCountsBeyondTheirRoom) {
  namespace ws = tavik::workspace;
  tavik_test::ScopedWorkspace scope;
  ws::Sequence main(L"Main_Sequence");
  const auto listed = boost::make_shared<ws::SharedAction>(L"Main_Sequence/A", 1);
  const auto stray = boost::make_shared<ws::SharedAction>(L"Main_Sequence/Stray", 0);
  main.addAction(listed->getHandle());
  main.setStartAction(*stray);
  listed->addExitPort(0, L"Default", 1, 0, 0);
  listed->addNextAction(0, 0, stray, -1);
  const std::string stray_handle = std::to_string(stray->getHandle());
  EXPECT_EQ((std::vector<std::string>{
                "Main_Sequence: the start action names " + stray_handle +
                    ", which the sequence does not list",
                "Main_Sequence: port 0 of Main_Sequence/A names " + stray_handle +
                    ", which the sequence does not list"}),
            tavik_fuzz::unlistedReferences(
                "<MeasurementDefinition><Sequences><Sequence><Category>Main</Category></Sequence>"
                "<Sequence><Category>Absent</Category></Sequence></Sequences>"
                "</MeasurementDefinition>"));
  const auto workspace = ws::Workspace::getInstance();
  workspace->setItem(listed->getHandle() + ws::shared_action::ExitCount, 2);
  workspace->setItem(ws::LinkPath(L"Path").getHandle() + ws::link_path::COORDINATES_COUNT, 22);
  EXPECT_EQ((std::vector<std::string>{
                "SharedAction Main_Sequence/A: exit count 2 beyond its room of 1",
                "LinkPath Path: points 22 beyond its room of 21"}),
            tavik_test::countsBeyondRoom());
}

}  // namespace
