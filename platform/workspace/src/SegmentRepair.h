// The segment lock, and the repair of what a process that died holding it
// left behind.
//
// Every critical section under the lock publishes each of its changes with
// one last write (SegmentRoot.h, SegmentArena.h), so a process killed inside
// one leaves at most:
//  - lost room: a block allocated and never used, or an array that grew
//    where its old copy stays in use (repaired: the capacity is taken from
//    the block the array points to);
//  - a name entry written and its count not raised (repaired: counted again);
//  - an element made and not yet found by its name, or remade and not yet
//    marked as the old copy: an element of a known class that its name does
//    not lead to (repaired: it is marked as a remade element's old copy, so
//    that it is listed nowhere and refuses every access as replaced, naming
//    the class its name now leads to when that is another);
//  - an element its name leads to but that the address index or the
//    creation order does not hold yet (repaired: appended to them).
// The critical sections (Workspace.cpp): a look-up by name or by address, a
// listing in creation order, a reference count (one write), a listener
// registration (the handle, then the count), the creation of an element
// (allocation, index room, header and name, then address index, creation
// order and name entry) and the remaking of one (allocation, index room,
// copy, address index, creation order, the name entry repointed, the old
// copy marked). Items are written without the lock; what a killed load
// left half-written in them is what the next load of a file resets.
//
// The repair runs under the lock, takes time in proportion to the number of
// elements, and may itself be killed: each of its steps is published the same
// way, so the next process repairs again. Afterwards every process's cached
// views of elements are dropped (the segment's replacement count rises).
// When it throws (an index without room in a full segment), the lock becomes
// not recoverable (RobustMutex.h): every later use of the segment throws a
// WorkspaceException saying so.
#pragma once

#include "SegmentRoot.h"

namespace tavik {
namespace workspace {

void repairSegment(char* base, SegmentRoot& root);

// Holds the segment lock for its lifetime (or until unlock()); taking it
// after a holder died runs repairSegment first.
class SegmentLock {
 public:
  // The mapping is writable; the const base of a reading caller serves the
  // repair as well.
  SegmentLock(const char* base, SegmentRoot& root) : root_(root) {
    char* const writable = const_cast<char*>(base);
    root_.mutex.lock([writable, &root] { repairSegment(writable, root); });
  }
  ~SegmentLock() {
    if (held_) root_.mutex.unlock();
  }
  SegmentLock(const SegmentLock&) = delete;
  SegmentLock& operator=(const SegmentLock&) = delete;

  void unlock() {
    if (held_) root_.mutex.unlock();
    held_ = false;
  }

 private:
  SegmentRoot& root_;
  bool held_ = true;
};

}  // namespace workspace
}  // namespace tavik
