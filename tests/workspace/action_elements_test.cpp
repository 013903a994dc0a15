// The action element classes against a real segment: what their contracts
// promise at the edges (invalid proxies, rooms, reshaping, repeats).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ScopedWorkspace.h"
#include "workspace/ChannelSelector.h"
#include "workspace/Checkbox.h"
#include "workspace/Chunk.h"
#include "workspace/NumericValue.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyTable.h"
#include "workspace/SharedAction.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::workspaceError;

TEST(SharedAction, InvalidProxiesThrowOnUseWithoutTouchingMemory) {
  tavik_test::ScopedWorkspace workspace;
  for (const ws::SharedAction& action : {ws::SharedAction(0LL), ws::SharedAction(-1LL),
                                         ws::SharedAction(L"Nobody", -1)}) {
    EXPECT_LT(action.getHandle(), 1);
    ws::SharedAction copy = action;
    EXPECT_EQ("invalid element handle in addActionProperty",
              workspaceError([&] { copy.addActionProperty(0, 1); }));
    EXPECT_EQ("invalid element handle in get", workspaceError([&] { copy.getExitCount(); }));
    EXPECT_EQ("invalid element handle in set", workspaceError([&] { copy.set(3888, 1); }));
  }
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Nobody", 0xA00000));
}

TEST(SharedAction, PropertiesAndPortsStayInsideTheirRoom) {
  tavik_test::ScopedWorkspace workspace;
  ws::SharedAction action(L"Seq/A", 2);
  ws::Checkbox tick(L"P");
  tick.set(544, std::wstring(L"ParallelInteraction"));
  EXPECT_EQ(0, action.get_parallel_interaction());
  action.addActionProperty(0, 99);  // not an element: skipped by name lookups
  action.addActionProperty(0, tick.getHandle());  // replaced
  action.addActionProperty(63, tick.getHandle());
  EXPECT_EQ("addActionProperty: index 64 is outside the 64 property slots of action Seq/A",
            workspaceError([&] { action.addActionProperty(64, 1); }));
  EXPECT_EQ(tick.getHandle(), action.getActionProperty(L"ParallelInteraction"));
  EXPECT_EQ(-1, action.getActionProperty(L"Other"));
  EXPECT_EQ(-1, action.getActionPropertyAt(1));  // in the count, never set
  tick.set(1056, 1);
  EXPECT_EQ(1, action.get_parallel_interaction());

  action.addExitPort(1, L"Error", 1, 10, 20);
  action.set_port_visible(1, true);
  const auto next = boost::shared_ptr<ws::SharedAction>(new ws::SharedAction(L"Seq/B", 0));
  action.addNextAction(L"Error", next);
  const ws::SharedAction::ExitPort port = action.getExitPort(1);
  EXPECT_EQ((std::vector<long long>{1, 10, 20, 1, next->getHandle(), 0}),
            (std::vector<long long>{port.hasTarget, port.x, port.y, port.visible, port.successor, port.link}));
  EXPECT_EQ(L"Error", port.name);
  EXPECT_EQ("addExitPort: port 2 is outside the 2 exit ports of action Seq/A",
            workspaceError([&] { action.addExitPort(2, L"X", 0, 0, 0); }));
  EXPECT_EQ("addNextAction: action Seq/A has no exit port \"Warning\"",
            workspaceError([&] { action.addNextAction(L"Warning", next); }));

  // The same count keeps the ports; a smaller one reshapes and clears them;
  // a larger one does not fit.
  EXPECT_EQ(L"Error", ws::SharedAction(L"Seq/A", 2).getExitPort(1).name);
  EXPECT_EQ(L"", ws::SharedAction(L"Seq/A", 1).getExitPort(0).name);
  EXPECT_EQ(1, action.getExitCount());
  EXPECT_EQ("the action \"Seq/A\" has room for 2 exit ports and cannot take 3",
            workspaceError([] { ws::SharedAction(L"Seq/A", 3); }));
}

TEST(ActionElements, ChunksNumbersSelectorsAndTables) {
  tavik_test::ScopedWorkspace workspace;
  EXPECT_EQ(L"Hel", ws::Chunk(L"C", L"Hello", 3).getText());
  EXPECT_EQ(L"Hi", ws::Chunk(L"C", L"Hi", 2).getText());
  EXPECT_EQ("the chunk \"C\" holds 3 characters and cannot take 9",
            workspaceError([] { ws::Chunk(L"C", L"", 9); }));

  ws::NumericValue number(L"N");
  const std::pair<std::wstring, double> numbers[] = {{L" 2.5", 2.5}, {L"-1e3", -1000.0}, {L"0x10", 16.0}};
  for (const auto& [text, value] : numbers) {
    number.set(1056, text);
    EXPECT_EQ(value, number.getValue());
  }
  for (const wchar_t* text : {L"", L"2.5 ", L"abc", L"nan"}) {
    number.set(1056, std::wstring(text));
    EXPECT_TRUE(std::isnan(number.getValue()));
  }

  ws::ChannelSelector selector(L"S");
  const auto speed = boost::shared_ptr<ws::Parameter>(new ws::Parameter(L"Speed"));
  selector.addParameter(speed);
  selector.addParameter(speed);
  EXPECT_EQ(std::vector<long long>{speed->getHandle()}, selector.getParameters());

  ws::PropertyTable table(L"T", 2, 3);
  table.set_item(1, 2, L"x");
  EXPECT_EQ("set_item: row 2, column 0 is outside property table T of 2 by 3",
            workspaceError([&] { table.set_item(2, 0, L"y"); }));
  EXPECT_EQ("set_item: the text \"" + std::string(128, 'z') + "\" does not fit",
            workspaceError([&] { table.set_item(0, 0, std::wstring(128, L'z')); }));
  EXPECT_EQ(L"x", ws::PropertyTable(L"T", 2, 3).getItem(1, 2));
  EXPECT_EQ(L"", ws::PropertyTable(L"T", 3, 2).getItem(1, 1));  // reshaped and cleared
  EXPECT_EQ("the property table \"T\" has no room for 3 rows and 3 columns",
            workspaceError([] { ws::PropertyTable(L"T", 3, 3); }));
}

}  // namespace
