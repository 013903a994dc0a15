// Test helper: what a configuration load left in the workspace, as text that
// two workspaces can be compared by, one line per fact, every element and
// every reference named rather than given by handle.
//
//   const auto elements = tavik_test::dumpedElements();  // in the fresh workspace
//   const auto fresh = tavik_test::WorkspaceDump::of(elements);
//   ... another workspace made current ...
//   const auto other = tavik_test::WorkspaceDump::of(elements);
//   std::string diff = tavik_test::WorkspaceDump::difference(fresh, other, "fresh", "reload");
//
// Per element (by class and name), in the workspace that
// Workspace::getInstance() gives at the call:
//  - the value of every item of the class's schema (texts as text, numbers
//    exactly), except the rooms a class keeps for growth (items whose name
//    ends in "Room"); an item that holds the handle of an element is written
//    as that element's class and name (0, -1 and other numbers stay numbers);
//    a handle of a remade element's old copy is written as "a replaced"
//    and its class (the old copy refuses to give its name);
//  - the element's lists through its class's public operations: a sequence's
//    and a group's actions, frames, comments and start action, a group's exit
//    ports, an action's exit ports and property slots, a map's axes and
//    values, a property table's names, row parameters and cells, a channel
//    selector's parameters, a chunk's text, a test plan's columns, a column's
//    cells by row, a link path's points.
// Reference counts and listener blocks are never part of it.
//
// An item that holds the handle of an ElementList (the storage of a growing
// list, dumped through its owner) in either of two compared dumps is left out
// of their comparison: such a list is made when it first gets an entry, so
// an owner whose list stayed empty may hold 0 there.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace tavik_test {

// An element as a dump knows it: its class and its name.
struct DumpedElement {
  int class_id;
  std::wstring name;
};

// The elements of the current workspace that a reload comparison covers:
// every element of every class, in creation order class by class, except
// parameters, devices, the global configuration and IPC listeners (they keep
// values across a reload by design) and element lists (dumped through their
// owners).
std::vector<DumpedElement> dumpedElements();

class WorkspaceDump {
 public:
  // The facts of `elements` in the current workspace. An element the
  // workspace does not hold (under its name, in its class's area) gives one
  // line saying so. Never throws for what the workspace holds: an access the
  // workspace refuses is written as a fact of its own.
  static WorkspaceDump of(const std::vector<DumpedElement>& elements);

  // Empty when the two dumps hold the same facts (apart from ElementList
  // holder items, see above); otherwise the first `shown` lines of each that
  // the other lacks, under the two labels.
  static std::string difference(const WorkspaceDump& expected, const WorkspaceDump& actual,
                                const std::string& expectedLabel, const std::string& actualLabel,
                                std::size_t shown = 8);

  // What the lines that `difference` shows are about: "<Class> <what>" with
  // list positions left out ("Sequence actions[]", "SharedAction MaxLoop").
  static std::set<std::string> differingFacts(const WorkspaceDump& expected,
                                              const WorkspaceDump& actual);

  // This dump without the facts of the elements that `reference` says are
  // absent.
  WorkspaceDump withoutElementsAbsentIn(const WorkspaceDump& reference) const;

  // Every line, as `difference` compares them.
  std::vector<std::string> lines() const;

 private:
  struct Fact {
    std::string text;     // "<Class> \"<name>\" <what> = <value>"
    std::string itemKey;  // "<Class>.<item>" for a long long schema item; else empty
    std::string about;    // "<Class> <what>" without list positions
  };
  // The facts that two dumps compare, and of those the ones the other lacks.
  static std::vector<const Fact*> compared(const WorkspaceDump& dump,
                                           const std::set<std::string>& left_out);
  static std::vector<const Fact*> lacking(const std::vector<const Fact*>& from,
                                          const std::vector<const Fact*>& in);

  std::vector<Fact> facts_;
  std::set<std::string> list_items_;  // item keys that held an ElementList handle

  friend class DumpWriter;
};

}  // namespace tavik_test
