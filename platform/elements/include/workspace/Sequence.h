// A sequence of the bench: its actions (those of its action groups
// included), its start action, and the frames and comments drawn on its
// canvas. Items: sequence::Item.
//
// The actions, frames and comments are lists of handles that grow one entry
// at a time without a limit of their own: each is an ElementList element
// whose handle the sequence keeps in an item (OwnedList in the element
// layer). A full list is remade with twice the room; the sequence itself
// never moves, so its handle stays valid for every holder. Adding a handle
// the list already holds changes nothing.
//
// A configuration load builds a sequence with reset() the first time the
// load opens its name (a second node of the same name adds to it). The
// operations write their items themselves: no listener is told.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class SharedAction;

class Sequence : public ElementClass<Sequence, element_class::kSequence> {
 public:
  // By name (memory area 0xA00000, shared with the actions and action
  // groups) or by handle; see ElementClass.h.
  using ElementClass::ElementClass;

  // Makes the sequence hold what a freshly made one holds: its three lists
  // empty (their elements keep their room, so loading the same
  // configuration again makes no new list) and every item zero, the start
  // action, run state and run step included. Silent: no listener is told.
  void reset();

  // Appends an action (or action group) handle, a frame or a comment unless
  // the list holds it. WorkspaceException when the handle is no element or
  // the workspace has no room for the list to grow (then nothing changed).
  void addAction(long long handle);
  void addFrame(long long handle);
  void addComment(long long handle);

  // Makes the action the sequence's start action (item StartAction). An
  // invalid action (handle below 1) sets nothing.
  void setStartAction(const SharedElement<SharedAction>& action);
  // Handle of the start action; 0 when none was set.
  long long getStartAction() const;

  int getActionCount() const;
  int getFrameCount() const;
  int getCommentCount() const;
  // The handle at a list position; WorkspaceException outside the list.
  long long getAction(int position) const;
  long long getFrame(int position) const;
  long long getComment(int position) const;
};

}  // namespace workspace
}  // namespace tavik
