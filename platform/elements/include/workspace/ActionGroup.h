// An action group placed in a sequence: one box that stands for the actions
// of its definition, with exit ports leaving from some of those actions.
// Items: action_group::Item.
//
// Its actions, frames, comments and exit ports are lists that grow one entry
// at a time without a limit of their own: each is an ElementList element
// whose handle the group keeps in an item (OwnedList in the element layer).
// A full list is remade with twice the room; the group itself never moves,
// so its handle stays valid for every holder.
//
// Lists and exit ports never repeat: adding an action, frame or comment the
// group holds changes nothing, and an exit port of an inner action and port
// name the group holds is replaced where it stands. The operations write
// their items themselves: no listener is told.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class ActionGroup : public ElementClass<ActionGroup, element_class::kActionGroup> {
 public:
  // One exit port as the list holds it.
  struct NextAction {
    std::wstring innerName;  // the action inside the group the port leaves from
    std::wstring portName;
    long long target = 0;  // the successor's handle; 0 when none
    long long link = 0;    // the link path's handle; 0 when none
    int x = 0;
    int y = 0;
  };

  // By name (memory area 0xA00000, shared with the actions and sequences):
  // opens the group, creating it when absent; nothing is reset.
  explicit ActionGroup(const std::wstring& name) : ElementClass(name) {}
  // count >= 0 (the number of actions the group is built for; no limit of
  // the lists): builds the group of that name, creating it when absent and
  // otherwise making it hold what a freshly made group holds: every list and
  // the exit ports empty (their elements keep their room), every item zero.
  // Silent: no listener is told. count < 0: opens the group only, resetting
  // nothing; a name the workspace does not hold gives an invalid proxy
  // (handle 0) without throwing. WorkspaceException when the name does not
  // fit or belongs to an element of another class.
  ActionGroup(const std::wstring& name, int count);
  // Opens the group at that handle; WorkspaceException when it is none.
  explicit ActionGroup(long long handle) : ElementClass(handle) {}

  // Handle of the group's start action (item StartAction); 0 or below when
  // none is set.
  long long getStartAction() const { return get<long long>(action_group::StartAction); }

  // Appends an action, frame or comment handle unless the list holds it.
  // WorkspaceException when the handle is no element or the workspace has no
  // room for the list to grow (then nothing changed).
  void addAction(long long handle);
  void addFrame(long long handle);
  void addComment(long long handle);

  // Records an exit port of the group: the port `portName` of the inner
  // action `innerName`, its successor (a handle below 1 is stored as none),
  // its link path (below 1: none) and its position. WorkspaceException when
  // a name does not fit its room (inner name 255, port name 63 characters)
  // or the workspace has no room for the list to grow.
  void addNextAction(const std::wstring& innerName, const std::wstring& portName,
                     long long target, long long link, int x, int y);

  int getActionCount() const;
  int getFrameCount() const;
  int getCommentCount() const;
  int getNextActionCount() const;
  // The entry at a list position; WorkspaceException outside the list.
  long long getAction(int position) const;
  long long getFrame(int position) const;
  long long getComment(int position) const;
  NextAction getNextAction(int position) const;
};

}  // namespace workspace
}  // namespace tavik
