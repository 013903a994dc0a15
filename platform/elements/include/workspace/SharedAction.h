// An action of a sequence or of an action group. Items: shared_action::Item.
//
// Building. SharedAction(name, exits) with exits >= 0 is the step that
// builds the action in a load, and every call resets it: it opens the action
// of that name (creating it when absent) and brings back what a fresh action
// holds for everything a load fills one by one or writes only under a
// condition:
//   - the exit-port table: every port cleared; ExitCount := exits;
//   - the property slots: none in use;
//   - items InGroup, IsBottomAction, GroupPrefix, GroupInstanceName,
//     GroupHandle (written for group actions only), UnusedActionFlag
//     (sequence actions only), CommentChunk, ParallelActionFlag,
//     LoopActionFlag, HasMaxLoop and MaxLoop: 0 or empty.
// The reset writes the memory itself: no listener is told. When the port
// table has no room for `exits` ports, the action is first remade
// (Workspace::replaceElement) with room for the larger of `exits` and twice
// its old room, so that files alternating between two counts do not remake
// it each time: the name then leads to the new copy, whose handle the proxy
// holds, and the old handle refuses every access. An action that fits keeps
// its handle and listeners. ExitCount is written only once the room is
// there; nothing is ever written past it. WorkspaceException when the
// segment has no room for the larger copy (the action is then as it was).
// SharedAction(name, -1) and SharedAction(handle) only open: nothing is reset.
//
// Action properties: element handles in slots 0 .. getPropertyCount() - 1.
// The slots live in a list element of the action's own (its handle in item
// PropertyList) that grows as slots are set, so that the action never moves
// for them and has no limit of its own.
//
// Invalid proxies: SharedAction(handle) with a handle below 1, and
// SharedAction(name, -1) for a name the workspace does not hold, give a proxy
// whose handle is that value (0 for the name) without throwing; every item
// access and operation through it throws WorkspaceException without touching
// memory.
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class SharedAction : public ElementClass<SharedAction, element_class::kSharedAction> {
 public:
  // One exit port as the table holds it.
  struct ExitPort {
    std::wstring name;
    int hasTarget = 0;
    int x = 0;
    int y = 0;
    int visible = 0;
    long long successor = 0;  // handle of the next action; 0 when none
    long long link = 0;       // handle of the link path; 0 when none
    int mode = 0;             // the mode given with the successor
  };

  // exits >= 0: builds the action of that name (memory area 0xA00000) for
  // `exits` ports; see Building. exits < 0: opens it only; an invalid proxy
  // when there is none. WorkspaceException when the name does not fit (265
  // characters) or belongs to an element of another class.
  SharedAction(const std::wstring& name, int exits);
  // Opens the element at that handle: an action, or an action group (a link
  // to a group whose start is again a group holds the group's handle; its
  // items are then the group's). A handle below 1 gives an invalid proxy.
  // WorkspaceException for a handle of any other element.
  explicit SharedAction(long long handle);

  // Stores the handle of a property element in slot `index` (a slot already
  // set is replaced); a slot beyond the count brings the count to index + 1,
  // the slots skipped reading as not in use. WorkspaceException for a
  // negative index, or when the segment has no room for the grown list (the
  // slots are then as they were). Writes the slots itself: no listener is
  // told.
  void addActionProperty(int index, long long handle);
  // Slots in use.
  int getPropertyCount() const;
  // The property in slot `index`; -1 when the slot is not in use or was
  // never set.
  long long getActionPropertyAt(int index) const;
  // The first property (by slot) whose item 544, the option's Name, is
  // exactly `name`; -1 when none is.
  long long getActionProperty(const std::wstring& name) const;

  // How the action takes part in parallel execution: the state (item 1056,
  // 1 ticked) of its Checkbox property named "ParallelInteraction", 0 when it
  // has none.
  int get_parallel_interaction() const;

  // Exit ports; `port` counts from 0 and must lie inside the table
  // (WorkspaceException otherwise). A port name must fit 63 characters.
  void addExitPort(int port, const std::wstring& name, int hasTarget, int x, int y);
  void set_port_visible(int port, bool visible);
  // The successor of a port (its handle; 0 for an invalid target), the mode
  // and the link path's handle (-1 or below: none).
  void addNextAction(int port, int mode, const boost::shared_ptr<SharedAction>& target,
                     long long linkHandle);
  // The successor of the first port named `portName`; WorkspaceException
  // when the action has no port of that name.
  void addNextAction(const std::wstring& portName, const boost::shared_ptr<SharedAction>& target);
  ExitPort getExitPort(int port) const;
  int getExitCount() const;
  // Ports the table has room for.
  int getPortRoom() const;

 private:
  long long portOffset(int port, const char* operation) const;
};

}  // namespace workspace
}  // namespace tavik
