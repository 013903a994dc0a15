// The action element classes against a real segment: what their contracts
// promise at the edges (invalid proxies, rooms, reshaping, repeats).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "../config/ElementItemsText.h"
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
using tavik_test::itemsText;
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

// "the <Class> element <name>[<handle>] was replaced ...": what every access
// through the old handle of a remade element gives.
std::string replaced(const std::string& cls, const std::string& name, long long handle) {
  return "the " + cls + " element " + name + "[" + std::to_string(handle) +
         "] was replaced by a larger one: open it again by name";
}

TEST(SharedAction, PropertySlotsGrowPastAnyFixedNumberAndPortsStayInsideTheirRoom) {
  tavik_test::ScopedWorkspace workspace;
  ws::SharedAction action(L"Seq/A", 2);
  ws::Checkbox tick(L"P");
  tick.set(544, std::wstring(L"ParallelInteraction"));
  EXPECT_EQ(0, action.get_parallel_interaction());
  for (int k = 0; k < 100; ++k) action.addActionProperty(k, 1000 + k);
  action.addActionProperty(0, 99);  // not an element: skipped by name lookups
  action.addActionProperty(0, tick.getHandle());  // replaced
  action.addActionProperty(120, tick.getHandle());  // 100 .. 119 never set
  EXPECT_EQ((std::vector<long long>{121, tick.getHandle(), 1001, 1099, -1, -1, tick.getHandle(), -1}),
            (std::vector<long long>{action.getPropertyCount(), action.getActionPropertyAt(0),
                                    action.getActionPropertyAt(1), action.getActionPropertyAt(99),
                                    action.getActionPropertyAt(100), action.getActionPropertyAt(119),
                                    action.getActionPropertyAt(120), action.getActionPropertyAt(121)}));
  EXPECT_EQ("addActionProperty: the property slot -1 of action Seq/A is negative",
            workspaceError([&] { action.addActionProperty(-1, 1); }));
  EXPECT_EQ(tick.getHandle(), action.getActionProperty(L"ParallelInteraction"));
  EXPECT_EQ(-1, action.getActionProperty(L"Other"));
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
}

// Every item a load writes only under a condition, with the value a fresh
// action holds: 0 or empty.
const char kConditionalItems[] = "2568 2576 2584 3088 3592 3608 3616 3712 3784 3896 3912";
const wchar_t kFresh[] = L"0|0|||0|0|0|0|0|0|0";

TEST(SharedAction, BuildingResetsTheActionAndGrowsItsPortTableWithHeadroom) {
  tavik_test::ScopedWorkspace workspace;
  const boost::shared_ptr<ws::Workspace> segment = ws::Workspace::getInstance();
  ws::SharedAction first(L"Seq/A", 2);
  const long long handle = first.getHandle();
  const auto fill = [](ws::SharedAction& a) {
    for (unsigned item : {2568u, 2576u, 3608u, 3712u, 3784u, 3896u, 3912u}) a.set(item, 7);
    for (unsigned item : {3592u, 3616u}) a.set(item, 7LL);
    for (unsigned item : {2584u, 3088u, 552u}) a.set(item, std::wstring(L"old"));
    a.set(3888, 4);
    a.addExitPort(0, L"Default", 1, 1, 1);
    a.addActionProperty(0, 5);
  };
  fill(first);
  const std::wstring filled = L"7|7|old|old|7|7|7|7|7|7|7";
  // Opening only never resets.
  EXPECT_EQ(filled, itemsText(ws::SharedAction(L"Seq/A", -1).getHandle(), kConditionalItems));
  EXPECT_EQ(1, ws::SharedAction(handle).getPropertyCount());
  EXPECT_EQ(L"Default", ws::SharedAction(handle).getExitPort(0).name);

  // Building with a count that fits: the same element, reset; the items a
  // load always writes are left to it.
  ws::SharedAction again(L"Seq/A", 1);
  EXPECT_EQ(handle, again.getHandle());
  EXPECT_EQ(kFresh, itemsText(handle, kConditionalItems));
  EXPECT_EQ(L"old|4|1", itemsText(handle, "552 3888 8008"));
  EXPECT_EQ((std::vector<long long>{0, 2}), (std::vector<long long>{again.getPropertyCount(), again.getPortRoom()}));
  EXPECT_EQ(L"", again.getExitPort(0).name);
  EXPECT_EQ(L"", again.getExitPort(1).name);  // cleared past the count too

  // A count beyond the room remakes the action with twice the room, or the
  // count when that is more; a count that fits keeps the copy.
  fill(again);
  struct Step {
    int exits;
    int room;
    bool remade;
  };
  const Step steps[] = {{3, 4, true}, {4, 4, false}, {9, 9, true}, {2, 9, false}, {10, 18, true}};
  long long current = handle;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.exits);
    ws::SharedAction built(L"Seq/A", step.exits);
    EXPECT_EQ(step.remade, built.getHandle() != current);
    if (step.remade) {
      EXPECT_EQ(replaced("SharedAction", "Seq/A", current),
                workspaceError([&] { ws::SharedAction(current).getExitCount(); }));
      EXPECT_TRUE(segment->isReplaced(current));
    }
    current = built.getHandle();
    EXPECT_EQ(current, segment->findElement(L"Seq/A", ws::memory_area::kActions));
    EXPECT_EQ((std::vector<int>{step.exits, step.room, 0}),
              (std::vector<int>{built.getExitCount(), built.getPortRoom(), built.getPropertyCount()}));
    EXPECT_EQ(kFresh, itemsText(current, kConditionalItems));
    EXPECT_EQ(L"old|4", itemsText(current, "552 3888"));
    fill(built);
  }
}

TEST(ActionElements, NumericValuesReadTheirTextAsANumber) {
  tavik_test::ScopedWorkspace workspace;
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
}

TEST(ActionElements, AChunkIsWrittenAnewAndGrowsWithHeadroom) {
  tavik_test::ScopedWorkspace workspace;
  const boost::shared_ptr<ws::Workspace> segment = ws::Workspace::getInstance();
  struct Step {
    std::wstring text;
    int size;
    std::wstring stored;
    unsigned int tail;  // bytes after the items
    bool remade;
  };
  const Step steps[] = {
      {L"Hello", 3, L"Hel", 8, false},            // created for 3 characters and a terminator
      {L"Hi", 2, L"Hi", 8, false},
      {L"123456789", 9, L"123456789", 24, true},  // 20 bytes needed, more than twice 8
      {L"abc", 11, L"abc", 24, false},            // the rest of the old text is gone
      {std::wstring(12, L'x'), 12, std::wstring(12, L'x'), 48, true},  // twice 24
      // Sizes count 16-bit units; a cut never splits a character above U+FFFF.
      {L"ab\U0001F600\U0001F600", 6, L"ab\U0001F600\U0001F600", 48, false},
      {L"ab\U0001F600\U0001F600", 5, L"ab\U0001F600", 48, false},
      {L"\U0001F600", 1, L"", 48, false},
      {L"", -4, L"", 48, false},
  };
  long long current = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.size);
    const ws::Chunk chunk(L"C", step.text, step.size);
    EXPECT_EQ(step.remade, current != 0 && chunk.getHandle() != current);
    if (step.remade) {
      EXPECT_EQ(replaced("Chunk", "C", current), workspaceError([&] { ws::Chunk(current).getText(); }));
    }
    current = chunk.getHandle();
    EXPECT_EQ(step.stored, chunk.getText());
    EXPECT_EQ(std::max(step.size, 0), chunk.getSize());
    EXPECT_EQ(ws::chunk::kElementSize + step.tail, segment->getElementSize(current));
  }
}

TEST(ActionElements, AChannelSelectorHoldsAnyNumberOfParametersOnceAndIsEmptiedByName) {
  tavik_test::ScopedWorkspace workspace;
  std::vector<long long> parameters;
  for (int k = 0; k < 100; ++k)
    parameters.push_back(ws::Parameter(L"P" + std::to_wstring(k)).getHandle());
  ws::ChannelSelector selector(L"S");
  for (int round = 0; round < 2; ++round)
    for (long long p : parameters)
      selector.addParameter(boost::shared_ptr<ws::Parameter>(new ws::Parameter(p)));
  EXPECT_EQ(parameters, selector.getParameters());
  EXPECT_EQ("addParameter: no parameter for channel selector S",
            workspaceError([&] { selector.addParameter(nullptr); }));
  selector.set(1064, 1);
  selector.set(1056, 3);

  // By handle: nothing reset. By name: the list emptied and 1064 back to 0.
  EXPECT_EQ(100u, ws::ChannelSelector(selector.getHandle()).getParameters().size());
  EXPECT_EQ(L"1|3", itemsText(selector.getHandle(), "1064 1056"));
  const ws::ChannelSelector built(L"S");
  EXPECT_EQ(selector.getHandle(), built.getHandle());
  EXPECT_EQ(std::vector<long long>{}, built.getParameters());
  EXPECT_EQ(L"0|3", itemsText(selector.getHandle(), "1064 1056"));
  selector.addParameter(boost::shared_ptr<ws::Parameter>(new ws::Parameter(parameters[7])));
  EXPECT_EQ(std::vector<long long>{parameters[7]}, selector.getParameters());
}

TEST(ActionElements, APropertyTableIsClearedOnEveryBuildAndGrowsWithHeadroom) {
  tavik_test::ScopedWorkspace workspace;
  const boost::shared_ptr<ws::Workspace> segment = ws::Workspace::getInstance();
  ws::PropertyTable table(L"T", 2, 3);
  const long long handle = table.getHandle();
  const auto fill = [](ws::PropertyTable& t) {
    t.set_colum_name(0, L"Name");
    t.set_parameter(t.getRows() - 1, 42);
    t.set_item(t.getRows() - 1, t.getColumns() - 1, L"x");
    t.set(1056, 2);
    t.set(1064, 1);
  };
  fill(table);
  EXPECT_EQ("set_item: row 2, column 0 is outside property table T of 2 by 3",
            workspaceError([&] { table.set_item(2, 0, L"y"); }));
  EXPECT_EQ("set_item: the text \"" + std::string(128, 'z') + "\" does not fit",
            workspaceError([&] { table.set_item(0, 0, std::wstring(128, L'z')); }));
  EXPECT_EQ(L"x|42|2|1", ws::PropertyTable(handle).getItem(1, 2) + L"|" +
                             std::to_wstring(ws::PropertyTable(handle).getParameter(1)) + L"|" +
                             itemsText(handle, "1056 1064"));

  // Tail bytes of a shape: 128 per column name, 8 per row, 256 per cell.
  const auto bytes = [](int rows, int columns) { return 128u * columns + 8u * rows + 256u * rows * columns; };
  struct Step {
    int rows;
    int columns;
    unsigned int tail;
    bool remade;
  };
  const Step steps[] = {
      {2, 3, bytes(2, 3), false},    // the same shape is cleared as well
      {3, 2, bytes(2, 3), false},    // fits the room of 2 by 3
      {3, 3, 2 * bytes(2, 3), true},
      {8, 4, bytes(8, 4), true},     // more than twice the room
      {1, 1, bytes(8, 4), false},
  };
  long long current = handle;
  for (const Step& step : steps) {
    SCOPED_TRACE(std::to_string(step.rows) + " by " + std::to_string(step.columns));
    ws::PropertyTable built(L"T", step.rows, step.columns);
    EXPECT_EQ(step.remade, built.getHandle() != current);
    if (step.remade) {
      EXPECT_EQ(replaced("PropertyTable", "T", current),
                workspaceError([&] { ws::PropertyTable(current).getRows(); }));
    }
    current = built.getHandle();
    EXPECT_EQ(ws::property_table::kElementSize + step.tail, segment->getElementSize(current));
    EXPECT_EQ(L"0|0", itemsText(current, "1056 1064"));
    EXPECT_EQ(std::vector<std::wstring>(step.columns), built.getColumnNames());
    const int last = step.rows - 1;
    EXPECT_EQ(L"|0", built.getItem(last, step.columns - 1) + L"|" + std::to_wstring(built.getParameter(last)));
    fill(built);
  }
}

}  // namespace
