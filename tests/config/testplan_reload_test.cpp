// Test plans loaded over a running workspace through tavik::ConfigReader: XML
// files on disk, a real INI file, a real second process. A file loaded over
// another one must leave its plans as a load into an empty workspace does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <boost/lexical_cast.hpp>

#include "LoaderXml.h"
#include "PeerProcess.h"
#include "QueueTestSupport.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "workspace/ElementItems.h"
#include "workspace/Parameter.h"
#include "workspace/SharedAction.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
namespace col = tavik::workspace::testplan_column;
using Strings = std::vector<std::string>;

// A Parameter of a TestPlan with AdjType "Value".
std::string parameter(const std::string& name, const Strings& values) {
  std::string xml = "<Parameter><Name>" + name + "</Name><AdjType>Value</AdjType><Values>";
  for (const std::string& value : values) xml += "<Value>" + value + "</Value>";
  return xml + "</Values></Parameter>";
}
std::string plan(const std::string& category, const std::string& parameters) {
  return "<TestPlan><Category>" + category + "</Category><Parameters>" + parameters +
         "</Parameters></TestPlan>";
}
// A configuration of those plans whose Main and Initialize sequences hold
// one action A each.
std::string configuration(const std::string& plans) {
  std::string sequences;
  for (const char* category : {"Main", "Initialize"})
    sequences += std::string("<Sequence><Category>") + category +
                 "</Category><Actions><Action><Name>A</Name></Action></Actions></Sequence>";
  return tavik_test::documentXml("<TestPlans>" + plans + "</TestPlans><Sequences>" + sequences +
                                 "</Sequences>");
}

long long current(const std::wstring& name, long long area) {
  return ws::Workspace::getInstance()->findElement(name, area);
}

using Names = std::vector<std::wstring>;

// What the load leaves of the named plans, compared by name: per plan its
// room and per column its name, its parameter, property, cell type, every
// cell, and "STALE" when the plan holds another copy than the one its name
// leads to; then the plan each sequence's action carries (by name, -1, or
// "STALE").
Strings plans(const Names& names) {
  Strings out;
  for (const std::wstring& name : names) {
    const ws::Testplan testplan(name, 0);
    if (testplan.getHandle() <= 0) {
      out.push_back(ws::Testplan::narrow(name) + " missing");
      continue;
    }
    out.push_back(testplan.getName() + " room " + std::to_string(testplan.getColumnRoom()));
    for (int i = 0; i < testplan.getColumnCount(); ++i) {
      const ws::TestplanColumn column = testplan.getColumn(i);
      std::string line = column.getName() + " " +
                         ws::Parameter(column.get<long long>(col::ParameterHandle)).getName() + " " +
                         std::to_string(column.get<unsigned int>(col::Property)) + " t" +
                         std::to_string(column.getCellType()) + ":";
      for (unsigned long long row = 0; row < column.getRowCount(); ++row) {
        const unsigned int cell = column.getPropertyForRow(static_cast<int>(row));
        line += " " + (column.getCellType() == ws::item_type::kWideText504
                           ? column.narrow(column.get<std::wstring>(cell))
                           : boost::lexical_cast<std::string>(column.get<double>(cell)));
      }
      if (column.getHandle() != current(column.wideName(), ws::memory_area::kTestplanColumns))
        line += " STALE";
      out.push_back(line);
    }
  }
  for (const wchar_t* action : {L"Main_Sequence/A", L"Initialize_Sequence/A"}) {
    const long long bound =
        ws::SharedAction(current(action, ws::memory_area::kActions)).get<long long>(ws::shared_action::TestplanHandle);
    std::string name = bound == -1 ? "-1" : "STALE";
    for (const wchar_t* plan : {L"Main_Testplan", L"Initialize_Testplan"})
      if (bound == current(plan, ws::memory_area::kTestplans)) name = ws::Testplan(bound).getName();
    out.push_back(ws::SharedAction::narrow(action) + " -> " + name);
  }
  return out;
}

// Loads the files in turn into a workspace of its own; the named plans
// afterwards and every load's result.
struct Loaded {
  Strings plans;
  std::vector<bool> results;
};
Loaded loadInTurn(const std::vector<std::string>& files, const Names& names) {
  tavik_test::ScopedWorkspace workspace;
  tavik_test::ScopedIni ini("initialize_demand_values_0=0\n");
  tavik::ConfigReader reader;
  Loaded loaded;
  for (const std::string& file : files)
    loaded.results.push_back(reader.loadConfig(ini.dir().write("config.xml", file).wstring(), false));
  loaded.plans = plans(names);
  return loaded;
}

TEST(TestplanReload, AFileLoadedOverAnotherLeavesItsPlansAsAFreshLoadDoes) {
  const std::string p1 = parameter("P1", {"1", "2"}), p2 = parameter("P2", {"3", "4"});
  const Names main{L"Main_Testplan"};
  // The plans compared are those the second file defines; a plan only the
  // first one defined stays, but no action of the second refers to it.
  const struct {
    const char* what;
    std::string before, after;
    Names defined;
  } cases[] = {
      {"a plan with one more parameter", plan("Main", p1), plan("Main", p1 + p2), main},
      {"a column with one more row", plan("Main", p1), plan("Main", parameter("P1", {"1", "2", "3"})),
       main},
      {"P2 replaced by Result", plan("Main", p1 + p2), plan("Main", p1 + parameter("Result", {"5", "6"})),
       main},
      {"swapped columns", plan("Main", p1 + p2), plan("Main", p2 + p1), main},
      {"shorter Values lists",
       plan("Main", parameter("P1", {"1", "2", "3"}) + parameter("P2", {"4", "5", "6"}) +
                        parameter("Result", {"7", "8", "9"})),
       plan("Main", parameter("P1", {"1", "2", "3"}) + parameter("P2", {"9"}) +
                        parameter("Result", {"1"})),
       main},
      {"a plan with fewer parameters", plan("Main", p1 + p2 + parameter("P3", {"0", "0"})),
       plan("Main", p2), main},
      {"a dropped plan", plan("Main", p1) + plan("Initialize", p2), plan("Main", p1), main},
      {"a plan without parameters", plan("Initialize", p1), plan("Initialize", ""), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Loaded fresh = loadInTurn({configuration(c.after)}, c.defined);
    const Loaded over = loadInTurn({configuration(c.before), configuration(c.after)}, c.defined);
    EXPECT_EQ(fresh.plans, over.plans);
    EXPECT_EQ((std::vector<bool>{true, true}), over.results);
    EXPECT_EQ(std::vector<bool>{true}, fresh.results);
  }
  // What two of them give, pinned.
  const Names both{L"Main_Testplan", L"Initialize_Testplan"};
  EXPECT_EQ((Strings{"Main_Testplan room 5", "Main_Testplan_Result_Column Result 968 t2: 1 0 0",
                     "Main_Testplan_P1_Column_Value P1 13464 t19: 1 2 3",
                     "Main_Testplan_P2_Column_Value P2 13464 t19: 9",
                     "Main_Testplan_Status_Column Message 3544 t7: - - -",
                     "Main_Sequence/A -> Main_Testplan", "Initialize_Sequence/A -> -1"}),
            loadInTurn({configuration(cases[4].before), configuration(cases[4].after)}, main).plans);
  // The plan of the earlier file stays as it was, bound by nothing.
  EXPECT_EQ((Strings{"Main_Testplan room 3", "Main_Testplan_Result_Column Result 968 t2: 0 0",
                     "Main_Testplan_P1_Column_Value P1 13464 t19: 1 2",
                     "Main_Testplan_Status_Column Message 3544 t7: - -",
                     "Initialize_Testplan room 3",
                     "Initialize_Testplan_Result_Column Result 968 t2: 0 0",
                     "Initialize_Testplan_P2_Column_Value P2 13464 t19: 3 4",
                     "Initialize_Testplan_Status_Column Message 3544 t7: - -",
                     "Main_Sequence/A -> Main_Testplan", "Initialize_Sequence/A -> -1"}),
            loadInTurn({configuration(cases[6].before), configuration(cases[6].after)}, both).plans);
}

TEST(TestplanReload, FilesInTurnRemakeAPlanOnceAndTheSameFileKeepsHandlesAndTellsNoListener) {
  tavik_test::ScopedWorkspace workspace;
  tavik_test::ScopedIni ini("initialize_demand_values_0=0\n");
  tavik::ConfigReader reader;
  const auto load = [&](const std::string& plans) {
    return reader.loadConfig(ini.dir().write("config.xml", configuration(plans)).wstring(), false);
  };
  const std::string stop = plan("Stop", parameter("P3", {"1"}));
  const std::string small = plan("Main", parameter("P1", {"1", "2"})) + stop;
  const std::string large =
      plan("Main", parameter("P1", {"1", "2", "3"}) + parameter("P2", {"4", "5", "6"})) + stop;
  const auto handles = [] {
    const ws::Testplan main(L"Main_Testplan", 0);
    std::vector<long long> out{main.getHandle()};
    for (int i = 0; i < main.getColumnCount(); ++i) out.push_back(main.getColumn(i).getHandle());
    return out;
  };
  const auto listed = [] {
    std::vector<long long> found;
    ws::Workspace::getInstance()->getAllElementsOfType(ws::element_type::kTestplan, found,
                                                       ws::memory_area::kTestplans);
    Strings names;
    for (const long long plan : found) names.push_back(ws::Testplan(plan).getName());
    return names;
  };
  ASSERT_TRUE(load(small));
  const long long first = handles().front();
  ASSERT_TRUE(load(large));  // remade with headroom, where a fresh load lists it
  const std::vector<long long> grown = handles();
  EXPECT_NE(first, grown.front());
  EXPECT_EQ((Strings{"Main_Testplan", "Stop_Testplan"}), listed());
  ASSERT_TRUE(load(small));
  ASSERT_TRUE(load(large));
  EXPECT_EQ(grown, handles());

  // A listener of a cell hears nothing of a load of the same file.
  const int id = tavik_test::randomQueueId();
  const tavik_test::ScopedQueueObjects objects(id);
  const long long listener = ws::IPCListener(std::wstring(L"Display")).getHandle();
  ws::IPCListener(listener).set(ws::ipc_listener::QueueId, id);
  const ws::TestplanColumn p1 = ws::Testplan(L"Main_Testplan", 0).getColumn(1);
  ws::Workspace::getInstance()->addListener(p1.getHandle() + p1.getPropertyForRow(1), listener);
  ASSERT_TRUE(load(large));
  EXPECT_EQ(grown, handles());
  EXPECT_EQ((std::vector<long long>{1, 0, 0}),
            (std::vector<long long>{p1.getListenerCount(p1.getPropertyForRow(1)),
                                    ws::IPCListener(listener).get<int>(ws::ipc_listener::Notified),
                                    static_cast<long long>(tavik_test::receiveAll(id).size())}));
}

// The peer reads its cell while `load` runs; its report from the line after
// "reads <n>", which must count at least one read made during the load.
std::string duringLoad(tavik_test::PeerProcess& peer, const std::function<bool()>& load) {
  peer.writeLine("loading");
  EXPECT_TRUE(load());
  peer.writeLine("loaded");
  const std::string reads = peer.readLine();
  EXPECT_EQ("reads ", reads.substr(0, 6));
  EXPECT_GE(std::atoll(reads.c_str() + 6), 1) << reads;
  int exitCode = -1;
  const std::string report = peer.finish(exitCode);
  EXPECT_EQ(0, exitCode);
  return report;
}

// A plan of one column of that many rows: a load long enough for the peer's
// reads to fall inside it.
std::string longPlan(int rows) {
  return plan("Initialize", parameter("P2", Strings(static_cast<std::size_t>(rows), "4")));
}

TEST(TestplanReload, APeerHoldingAColumnThatALoadGrowsIsRefusedHearsNothingAndFindsTheNewOneByName) {
  tavik_test::ScopedWorkspace workspace;
  tavik_test::ScopedIni ini("initialize_demand_values_0=0\n");
  tavik::ConfigReader reader;
  const auto load = [&](const std::string& plans) {
    return reader.loadConfig(ini.dir().write("config.xml", configuration(plans)).wstring(), false);
  };
  ASSERT_TRUE(load(plan("Main", parameter("P1", {"1", "2"})) + longPlan(20000)));
  const std::string column = "Main_Testplan_P1_Column_Value";
  const long long old = current(L"Main_Testplan_P1_Column_Value", ws::memory_area::kTestplanColumns);
  const int id = tavik_test::randomQueueId();
  const tavik_test::ScopedQueueObjects objects(id);

  tavik_test::PeerProcess peer({TAVIK_TESTPLAN_PEER, column, "1", std::to_string(id)});
  ASSERT_EQ("ready 2", peer.readLine());
  // The peer reads through its handle while the column grows to three rows
  // and its second cell changes.
  const std::string replaced = "the TestplanColumn element " + column + "[" + std::to_string(old) +
                               "] was replaced by a larger one: open it again by name";
  EXPECT_EQ("garbage 0\nold: " + replaced + "\nrows: " + replaced +
                "\nnotified 0\nrecords 0\nby name: 3 1 2.5 3\n",
            duringLoad(peer, [&] {
              return load(plan("Main", parameter("P1", {"1", "2.5", "3"})) + longPlan(20000));
            }));
  const ws::TestplanColumn now = ws::Testplan(L"Main_Testplan", 0).getColumn(1);
  EXPECT_NE(old, now.getHandle());
  EXPECT_EQ(0, now.getListenerCount(now.getPropertyForRow(1)));
}

// A column that keeps its handle keeps its listeners, whether its rows stay
// or drop: a peer listening on a cell is told exactly when the load changes
// its value, and of nothing else.
TEST(TestplanReload, APeerListeningOnAColumnThatKeepsItsHandleIsToldExactlyOfItsCellsChange) {
  const struct {
    const char* what;
    Strings after;
    std::string report;
  } cases[] = {
      {"rows 3 -> 2, row 1 changed", {"1", "7"},
       "garbage 0\nold: 7\nrows: 2\nnotified 1\nrecords 1: 5 -> 7\nby name: 2 1 7\n"},
      {"rows 3 -> 3, row 1 changed", {"1", "7", "3"},
       "garbage 0\nold: 7\nrows: 3\nnotified 1\nrecords 1: 5 -> 7\nby name: 3 1 7 3\n"},
      {"rows 3 -> 2, nothing changed", {"1", "5"},
       "garbage 0\nold: 5\nrows: 2\nnotified 0\nrecords 0\nby name: 2 1 5\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tavik_test::ScopedWorkspace workspace;
    tavik_test::ScopedIni ini("initialize_demand_values_0=0\n");
    tavik::ConfigReader reader;
    const auto load = [&](const Strings& values) {
      return reader.loadConfig(
          ini.dir()
              .write("config.xml", configuration(plan("Main", parameter("P1", values)) + longPlan(20000)))
              .wstring(),
          false);
    };
    ASSERT_TRUE(load({"1", "5", "3"}));
    const long long held = current(L"Main_Testplan_P1_Column_Value", ws::memory_area::kTestplanColumns);
    const int id = tavik_test::randomQueueId();
    const tavik_test::ScopedQueueObjects objects(id);
    tavik_test::PeerProcess peer(
        {TAVIK_TESTPLAN_PEER, "Main_Testplan_P1_Column_Value", "1", std::to_string(id), c.after[1]});
    ASSERT_EQ("ready 5", peer.readLine());
    EXPECT_EQ(c.report, duringLoad(peer, [&] { return load(c.after); }));
    EXPECT_EQ(held, current(L"Main_Testplan_P1_Column_Value", ws::memory_area::kTestplanColumns));
  }
}

}  // namespace
