// The test-plan loader against a real workspace segment and a real INI file.
#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

#include <boost/lexical_cast.hpp>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "QueueTestSupport.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/sequenceloader.h"
#include "TavikEngine/Config/testplanloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ElementItems.h"
#include "workspace/GlobalConfig.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "workspace/Parameter.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
namespace gc = tavik::workspace::global_config;
namespace col = tavik::workspace::testplan_column;
using Strings = std::vector<std::string>;

// A Parameter of a TestPlan; "-" stands for an empty Value.
std::string parameter(const std::string& name, const std::string& adjType, const Strings& texts) {
  std::string xml = "<Parameter><Name>" + name + "</Name><AdjType>" + adjType + "</AdjType><Values>";
  for (const std::string& text : texts) xml += text == "-" ? "<Value/>" : "<Value>" + text + "</Value>";
  return xml + "</Values></Parameter>";
}
std::string plan(const std::string& category, const std::string& parameters) {
  return "<TestPlan><Category>" + category + "</Category><Parameters>" + parameters +
         "</Parameters></TestPlan>";
}

// A cell as text: numbers as lexical_cast writes them, texts as they are.
std::string cell(const ws::TestplanColumn& column, int row) {
  const unsigned int item = column.getPropertyForRow(row);
  switch (column.getItemType(item)) {
    case ws::item_type::kInt: case ws::item_type::kListenedInt:
      return std::to_string(column.get<int>(item));
    case ws::item_type::kLongLong: case ws::item_type::kListenedLongLong:
      return std::to_string(column.get<long long>(item));
    case ws::item_type::kWideText: case ws::item_type::kWideText504:
      return column.narrow(column.get<std::wstring>(item));
    default:
      return boost::lexical_cast<std::string>(column.get<double>(item));
  }
}

// One line per column of the plan: its name, the name of the parameter in
// item 568, the property item 584, the cell type and every cell.
Strings columns(const std::wstring& name) {
  const ws::Testplan testplan(name, 0);
  Strings out{"room " + std::to_string(testplan.getColumnRoom())};
  for (int i = 0; i < testplan.getColumnCount(); ++i) {
    const ws::TestplanColumn column = testplan.getColumn(i);
    std::string line = column.getName() + " " +
                       ws::Parameter(column.get<long long>(col::ParameterHandle)).getName() + " " +
                       std::to_string(column.get<unsigned int>(col::Property)) + " t" +
                       std::to_string(column.getCellType()) + ":";
    for (unsigned long long row = 0; row < column.getRowCount(); ++row)
      line += " " + cell(column, static_cast<int>(row));
    out.push_back(line);
  }
  return out;
}

class TestplanLoaderTest : public ::testing::Test {
 protected:
  void load(const std::string& plans) {
    loader_.load(tavik_test::parseXml(&doc_, tavik_test::documentXml("<TestPlans>" + plans + "</TestPlans>")),
                 false);
  }
  void setVersion(const std::wstring& v) { ws::GlobalConfig().set(gc::ConfigurationFormatVersion, v); }
  // Status text, progress total and current.
  std::string progress() {
    ws::GlobalConfig global;
    return global.narrow(global.get<std::wstring>(gc::StatusText)) + "|" +
           std::to_string(global.get<int>(gc::ProgressTotal)) + "|" +
           std::to_string(global.get<int>(gc::ProgressCurrent));
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedIni ini_{"initialize_demand_values_0=0\n"};
  tavik_test::CapturingSink sink_;
  pugi::xml_document doc_;
  tavik::TestplanLoader loader_;
};

TEST_F(TestplanLoaderTest, APlanHoldsResultParameterAndStatusColumnsWithTheirItems) {
  setVersion(L"1.2");
  load(plan("Main", parameter("Speed", "Value", {"1000", "-", "2e3"}) +
                        parameter("Torque", "Demand_Value", {"5", "x", "-7.25"}) +
                        parameter("Gear", "Set_Type", {"2", "3", "4"}) +
                        parameter("Odd", "NoSuchProperty", {"1.5", "2", "3"})));
  EXPECT_EQ((Strings{"room 6",
                     "Main_Testplan_Result_Column Result 968 t2: 0 0 0",
                     "Main_Testplan_Speed_Column_Value Speed 13464 t19: 1000 nan 2000",
                     "Main_Testplan_Torque_Column_Demand_Value Torque 968 t0: 5 0 -7.25",
                     "Main_Testplan_Gear_Column_Set_Type Gear 696 t2: 2 3 4",
                     "Main_Testplan_Odd_Column_NoSuchProperty Odd 968 t0: 1.5 2 3",
                     "Main_Testplan_Status_Column Message 3544 t7: - - -"}),
            columns(L"Main_Testplan"));
  EXPECT_EQ("Step 3/4: Loading Testplans: Main Test Plan|4|4", progress());
  const ws::Testplan main(L"Main_Testplan", 0);
  std::vector<int> refs;
  for (long long h : {main.getHandle(), main.getColumn(1).getHandle(),
                      ws::Parameter(std::wstring(L"Result")).getHandle(),
                      ws::Parameter(std::wstring(L"Message")).getHandle()})
    refs.push_back(ws::Workspace::getInstance()->getReferenceCount(h));
  EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), refs);
  EXPECT_EQ((Strings{"load: Loading Test Plans", "load: Loading Test Plans ready"}),
            sink_.lines(INFO.value));
  EXPECT_EQ(0u, sink_.lines(TIMING.value).at(0).find("~DurationLogger: Function Loading Test Planstook "));
}

TEST_F(TestplanLoaderTest, ColumnCountDependsOnFormatVersionAndCategoryMain) {
  const struct { const wchar_t* version; const char* category; const char* room; } cases[] = {{L"1.2", "Main", "room 4"},  {L"1.3", "Main", "room 3"},
               {L"1.10", "Main", "room 3"}, {L"1.3", "main", "room 4"},
               {L"1.3", "Initialize", "room 4"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.category);
    setVersion(c.version);
    load(plan(c.category, parameter("Result", "", {"1", "2"}) + parameter("A", "Value", {"3", "4"})));
    const std::string name = std::string(c.category) + "_Testplan";
    EXPECT_EQ((Strings{c.room, name + "_Result_Column Result 968 t2: 1 2",
                       name + "_A_Column_Value A 13464 t19: 3 4",
                       name + "_Status_Column Message 3544 t7: - -"}),
              columns(pugi::as_wide(name)));
  }
  // Without a "Result" parameter a new-format Main plan has no room for its
  // status column: the workspace refuses it, naming the plan.
  setVersion(L"1.3");
  EXPECT_EQ("addColumn: the test plan Main_Testplan has room for 2 columns and cannot take the "
            "column Main_Testplan_Status_Column",
            tavik_test::workspaceError([&] { load(plan("Main", parameter("B", "Value", {"1"}))); }));
}

TEST_F(TestplanLoaderTest, EachColumnHasItsOwnRowsResultValuesBeyondThemAreDroppedAndEmptyOnesDefault) {
  // The result and status columns have the rows of the first parameter; a
  // parameter column those of its own Values. "Result" need not come first;
  // its empty Value reads 0.
  const std::string initialize =
      plan("Initialize", parameter("First", "Value", {"-", "2", "3"}) + parameter("Short", "Value", {"4"}) +
                             parameter("Long", "Value", {"5", "6", "7", "8", "9"}) +
                             parameter("Result", "", {"7.9", "-", "-3", "4", "5"}));
  load(initialize + plan("Main", parameter("First", "Value", {"1", "2", "3"}) + parameter("Result", "", {"7"})));
  EXPECT_EQ((Strings{"room 6", "Initialize_Testplan_Result_Column Result 968 t2: 7 0 -3",
                     "Initialize_Testplan_First_Column_Value First 13464 t19: nan 2 3",
                     "Initialize_Testplan_Short_Column_Value Short 13464 t19: 4",
                     "Initialize_Testplan_Long_Column_Value Long 13464 t19: 5 6 7 8 9",
                     "Initialize_Testplan_Status_Column Message 3544 t7: - - -"}),
            columns(L"Initialize_Testplan"));
  EXPECT_EQ((Strings{"room 4", "Main_Testplan_Result_Column Result 968 t2: 7 0 0",
                     "Main_Testplan_First_Column_Value First 13464 t19: 1 2 3",
                     "Main_Testplan_Status_Column Message 3544 t7: - - -"}),
            columns(L"Main_Testplan"));
  EXPECT_EQ((Strings{"loadColumnValues: Column Initialize_Testplan_Result_Column has 3 rows: 2 "
                     "further values dropped"}),
            sink_.lines(WARNING.value));
  // "initialize_demand_values_0" is read again by every load.
  tavik_test::ScopedIni zeroes("initialize_demand_values_0=1\n");
  load(initialize);
  EXPECT_EQ("Initialize_Testplan_First_Column_Value First 13464 t19: 0 2 3",
            columns(L"Initialize_Testplan").at(2));
}

// An integer cell takes its number truncated toward zero: an empty Value
// (NaN) writes 0, a number beyond the cells' range its nearest bound, with
// one WARNING per column; the load goes on.
TEST_F(TestplanLoaderTest, IntegerCellsTakeZeroForNaNAndTheNearestBoundBeyondTheirRange) {
  setVersion(L"1.2");
  load(plan("Main", parameter("Flag", "Is_Active", {"1", "-", "1e10", "-3e10", "-2.9", "nan"}) +
                        parameter("Request", "Request_Parameter", {"1e19", "-", "12", "x", "-5.5", "inf"}) +
                        parameter("Result", "", {"nan", "5e9", "-1", "2.5", "-", "7"}) +
                        parameter("Speed", "Value", {"-", "1", "2", "3", "4", "5"})));
  EXPECT_EQ((Strings{"room 6",
                     "Main_Testplan_Result_Column Result 968 t2: 0 2147483647 -1 2 0 7",
                     "Main_Testplan_Flag_Column_Is_Active Flag 552 t2: 1 0 2147483647 -2147483648 -2 0",
                     "Main_Testplan_Request_Column_Request_Parameter Request 3272 t4: "
                     "9223372036854775807 0 12 0 -5 9223372036854775807",
                     "Main_Testplan_Speed_Column_Value Speed 13464 t19: nan 1 2 3 4 5",
                     "Main_Testplan_Status_Column Message 3544 t7: - - - - - -"}),
            columns(L"Main_Testplan"));
  EXPECT_EQ((Strings{"loadColumnValues: Column Main_Testplan_Flag_Column_Is_Active: 2 values "
                     "beyond the range of its integer cells were clamped",
                     "loadColumnValues: Column Main_Testplan_Request_Column_Request_Parameter: 2 "
                     "values beyond the range of its integer cells were clamped",
                     "loadColumnValues: Column Main_Testplan_Result_Column: 1 value beyond the "
                     "range of its integer cells was clamped"}),
            sink_.lines(WARNING.value));
}

// A plan that names one parameter column twice holds it once, where it was
// first added, with the later values, also when the later one needs more
// rows and the column is remade for them.
TEST_F(TestplanLoaderTest, AColumnNamedTwiceStandsOnceWithItsLaterValues) {
  setVersion(L"1.2");
  load(plan("Main", parameter("Speed", "Value", {"1"}) + parameter("Gear", "Set_Type", {"2"}) +
                        parameter("Speed", "Value", {"5", "6", "7"})));
  EXPECT_EQ((Strings{"room 5", "Main_Testplan_Result_Column Result 968 t2: 0",
                     "Main_Testplan_Speed_Column_Value Speed 13464 t19: 5 6 7",
                     "Main_Testplan_Gear_Column_Set_Type Gear 696 t2: 2",
                     "Main_Testplan_Status_Column Message 3544 t7: -"}),
            columns(L"Main_Testplan"));
}

TEST_F(TestplanLoaderTest, PlansWithoutParametersWriteProgressOnly) {
  load(plan("Empty", "") + "<TestPlan><Category>Bare</Category></TestPlan>");
  EXPECT_EQ("Step 3/4: Loading Testplans: Bare Test Plan|0|0", progress());
  EXPECT_EQ((std::vector<long long>{-1, -1}),
            (std::vector<long long>{ws::Testplan(L"Empty_Testplan", 0).getHandle(),
                                    ws::Testplan(L"Bare_Testplan", 0).getHandle()}));
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Result", ws::memory_area::kParameters));
}

TEST_F(TestplanLoaderTest, ARefusedParameterIsLoggedThenEndsTheLoad) {
  const std::string longName(300, 'P');
  EXPECT_EQ("Error creating testplan columns", tavik_test::configError([&] {
              load(plan("Main", parameter("A", "Value", {"1"}) + parameter(longName, "Value", {"2"}) +
                                    parameter("B", "Value", {"3"})));
            }));
  EXPECT_EQ(Strings{"addParameterToTestplan: Erro adding Parameter " + longName + " to testplan: " +
                    tavik_test::workspaceError([&] { ws::Parameter p(pugi::as_wide(longName)); })},
            sink_.lines(WARNING.value));
  EXPECT_EQ((Strings{"room 5", "Main_Testplan_Result_Column Result 968 t2: 0",
                     "Main_Testplan_A_Column_Value A 13464 t19: 1"}),
            columns(L"Main_Testplan"));
}

TEST_F(TestplanLoaderTest, AnAbortRequestEndsTheLoadBeforeTheNextColumn) {
  ws::GlobalConfig().set(gc::AbortRequest, 1);
  EXPECT_THROW(load(plan("Main", parameter("A", "Value", {"1"}) + parameter("B", "Value", {"2"})) +
                    plan("Initialize", parameter("C", "Value", {"3"}))),
               tavik::LoadAbortedException);
  EXPECT_EQ("Step 3/4: Loading Testplans: Main Test Plan|2|1", progress());
  EXPECT_EQ((Strings{"room 4", "Main_Testplan_Result_Column Result 968 t2: 0"}),
            columns(L"Main_Testplan"));
  EXPECT_EQ(-1, ws::Testplan(L"Initialize_Testplan", 0).getHandle());
}

TEST_F(TestplanLoaderTest, TheBuiltPlansAreThoseOfTheLastLoadAlsoWhenItEndedEarly) {
  using Names = std::unordered_set<std::wstring>;
  load(plan("Main", parameter("A", "Value", {"1"})) + plan("Initialize", parameter("B", "Value", {"2"})) +
       plan("Empty", ""));
  EXPECT_EQ((Names{L"Main_Testplan", L"Initialize_Testplan"}), loader_.getBuiltTestplans());
  ws::GlobalConfig().set(gc::AbortRequest, 1);
  EXPECT_THROW(load(plan("Initialize", parameter("B", "Value", {"2"})) +
                    plan("Main", parameter("A", "Value", {"1"}))),
               tavik::LoadAbortedException);
  EXPECT_EQ(Names{L"Initialize_Testplan"}, loader_.getBuiltTestplans());
  // A sequence loader that consults it binds no plan the last load left
  // unbuilt, although one of that name is in the workspace.
  tavik::SequenceLoader sequences;
  sequences.setTestplanLoader(&loader_);
  EXPECT_EQ((std::vector<long long>{-1, ws::Testplan(L"Initialize_Testplan", 0).getHandle(), -1}),
            (std::vector<long long>{sequences.testplanForSequence(L"Main_Sequence"),
                                    sequences.testplanForSequence(L"Initialize_Sequence"),
                                    sequences.testplanForSequence(L"Empty_Sequence")}));
  EXPECT_GT(ws::Testplan(L"Main_Testplan", 0).getHandle(), 0);
}

// The example configuration's second load pins that the columns come back the same.
TEST_F(TestplanLoaderTest, LoadingAgainTellsCellListeners) {
  load(plan("Main", parameter("A", "Value", {"1", "2"})));
  // A listener of the second cell of A's column hears the next load's change.
  const int id = tavik_test::randomQueueId();
  const tavik_test::ScopedQueueObjects objects(id);
  const auto workspace = ws::Workspace::getInstance();
  const long long listener = ws::IPCListener(std::wstring(L"Display")).getHandle();
  workspace->setItem(listener + ws::ipc_listener::QueueId, id);
  const ws::TestplanColumn a = ws::Testplan(L"Main_Testplan", 0).getColumn(1);
  workspace->addListener(a.getHandle() + a.getPropertyForRow(1), listener);
  load(plan("Main", parameter("A", "Value", {"1", "2.5"})));
  int exitCode = -1;
  EXPECT_EQ(std::to_string(a.getHandle()) + " " + std::to_string(a.getPropertyForRow(1)) +
                " 0: 2 -> 2.5\n",
            tavik_test::runProgram(TAVIK_QUEUE_LISTENER " " + std::to_string(id) + " 1 2000", exitCode));
  EXPECT_EQ(0, exitCode);
  EXPECT_EQ(1, ws::IPCListener(listener).get<int>(ws::ipc_listener::Notified));
}

}  // namespace
