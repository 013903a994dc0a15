// A list of an element that grows one entry at a time (a sequence's actions,
// an action's property slots, a device's ECUs, ...), kept in an ElementList
// element of its own (ElementItems.h) so that its owner never moves: the
// owner holds the list's handle in one of its long long items (0 until the
// first entry). A full list is remade with twice the room
// (Workspace::replaceElement) and the owner's item follows; the owner's own
// handle, items and listeners stay as they are.
//
// Two kinds: a list of records of a fixed size, and a list of handles kept
// free of repeats (an index finds a handle without walking the list). Every
// read is bounded by the list element's own size, whatever another process
// wrote into its counts. The list writes its memory itself: no listener is
// told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "workspace/Workspace.h"

namespace tavik {
namespace workspace {

class OwnedList {
 public:
  // `tag` names the list in its element's name and, with `what` (called only
  // when a message is composed, e.g. "actions of sequence Main_Sequence"),
  // in messages. recordSize: bytes of one record (8 for a handle list).
  OwnedList(Workspace& workspace, long long owner, unsigned int listItem, const wchar_t* tag,
            unsigned int recordSize, bool handles, std::function<std::string()> what);

  // Entries in use.
  int count() const;
  // Entries the list has room for before it must grow.
  int room() const;

  // Address of record `position`; WorkspaceException outside 0 .. count - 1.
  const char* record(int position) const;
  char* record(int position);
  // Appends a zero-filled record and returns its position; the list grows
  // when full. WorkspaceException when the segment has no room for it (then
  // nothing changed).
  int append();

  // Record lists: removes record `position`; the records after it move up
  // one place, in order (WorkspaceException outside 0 .. count - 1).
  void removeRecord(int position);

  // Handle lists: appends the handle unless the list holds it; returns its
  // position. The handle at a position (WorkspaceException outside).
  int addHandle(long long handle);
  long long handleAt(int position) const;
  // Handle lists: every handle, in list order.
  std::vector<long long> handles() const;

  // Handle lists: puts `to` in the place of `from` (an element remade under
  // its name) unless the list holds `to` already; false when it holds no
  // `from`.
  bool replaceHandle(long long from, long long to);

  // Empties the list; it keeps its room.
  void clear();

 private:
  // The list element's handle (0 when there is none yet), its room and its
  // count, each bounded by the element itself; read together.
  struct State {
    long long list;
    int room;
    int count;
  };
  State state() const;
  long long list() const;  // the list element's handle; 0 when there is none yet
  long long make();        // the list element, made when there is none yet
  long long grow(long long list, int wanted);
  unsigned long long tailBytes(int room) const;

  Workspace& workspace_;
  long long owner_;
  unsigned int listItem_;
  const wchar_t* tag_;
  unsigned int recordSize_;
  bool handles_;
  std::function<std::string()> what_;
  // The list element list() last checked, and its size.
  mutable long long checked_ = 0;
  mutable unsigned int checkedSize_ = 0;
};

}  // namespace workspace
}  // namespace tavik
