// A list of element handles inside an element (the records of a handle
// list in its ElementList element, see OwnedList.h: the actions, frames or
// comments of a sequence or action group, ...), with an index that finds a
// handle without walking the list.
//
// Layout at byte `at` of the element: `capacity` handles (8 bytes each, in
// the order they were added), then the index: indexSlots(capacity) int32
// slots, each 0 (free) or a list position + 1, placed by open addressing on
// the handle. The number of handles in use is an int item of the element
// (`countItem`).
//
// add() keeps a list free of repeats, so that loading a configuration again
// over the same workspace adds nothing. Every read of the memory is bounded
// by the capacity: a count or an index slot that another process wrote out
// of range is never followed outside the table.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "workspace/Workspace.h"

namespace tavik {
namespace workspace {

class HandleTable {
 public:
  // Index slots for a capacity: the power of two at least twice the capacity
  // (none for an empty capacity).
  static constexpr unsigned int indexSlots(int capacity) {
    if (capacity <= 0) return 0;
    unsigned int slots = 1;
    while (slots < 2u * static_cast<unsigned int>(capacity)) slots *= 2;
    return slots;
  }
  // Bytes a table of that capacity takes.
  static constexpr unsigned int bytesFor(int capacity) {
    return 8u * static_cast<unsigned int>(capacity) + 4u * indexSlots(capacity);
  }

  // `what` names the list in messages ("actions of sequence Main_Sequence");
  // it is called only when a message is composed.
  HandleTable(Workspace& workspace, long long element, unsigned int countItem, unsigned int at,
              int capacity, std::function<std::string()> what)
      : workspace_(workspace),
        element_(element),
        countItem_(countItem),
        at_(at),
        capacity_(capacity),
        slots_(indexSlots(capacity)),
        what_(std::move(what)) {}

  // Handles in use, clamped to 0 .. capacity.
  int count() const {
    int count = 0;
    workspace_.getItem(element_ + countItem_, count);
    return count < 0 ? 0 : (count > capacity_ ? capacity_ : count);
  }

  // The handle at a list position; WorkspaceException outside 0 .. count - 1.
  long long at(int position) const {
    if (position < 0 || position >= count()) {
      throw WorkspaceException("position " + std::to_string(position) + " is outside the " +
                               std::to_string(count()) + " " + what_());
    }
    return load<std::int64_t>(handleOffset(position));
  }

  // Appends the handle unless the list holds it already; returns its list
  // position. WorkspaceException when the list is full.
  int add(long long handle) {
    if (capacity_ <= 0) throw WorkspaceException("no room for any of the " + what_());
    const int used = count();
    unsigned int slot = home(handle);
    for (unsigned int probe = 0; probe < slots_; ++probe, slot = (slot + 1) & (slots_ - 1)) {
      const std::int32_t entry = load<std::int32_t>(indexOffset(slot));
      if (entry == 0) {
        if (used >= capacity_) {
          throw WorkspaceException("no room for one more of the " + std::to_string(capacity_) +
                                   " " + what_());
        }
        store<std::int64_t>(handleOffset(used), handle);
        store<std::int32_t>(indexOffset(slot), used + 1);
        workspace_.setItem(element_ + countItem_, used + 1);
        return used;
      }
      if (entry >= 1 && entry <= used && load<std::int64_t>(handleOffset(entry - 1)) == handle)
        return entry - 1;
    }
    // Every slot taken (an index that another writer filled): rebuild it from
    // the list, which then has free slots again.
    rebuildIndex(used);
    return add(handle);
  }

  // The list position of the handle; -1 when the list does not hold it.
  int find(long long handle) const {
    const int used = count();
    unsigned int slot = home(handle);
    for (unsigned int probe = 0; probe < slots_; ++probe, slot = (slot + 1) & (slots_ - 1)) {
      const std::int32_t entry = load<std::int32_t>(indexOffset(slot));
      if (entry == 0) return -1;
      if (entry >= 1 && entry <= used && load<std::int64_t>(handleOffset(entry - 1)) == handle)
        return entry - 1;
    }
    for (int position = 0; position < used; ++position)
      if (load<std::int64_t>(handleOffset(position)) == handle) return position;
    return -1;
  }

  // Makes the index anew from the first `used` handles of the list (after
  // the list was copied into a larger table).
  void rebuildIndex(int used) {
    std::memset(workspace_.getBaseAddress() + indexOffset(0), 0, 4u * slots_);
    for (int position = 0; position < used; ++position) {
      unsigned int slot = home(load<std::int64_t>(handleOffset(position)));
      while (load<std::int32_t>(indexOffset(slot)) != 0) slot = (slot + 1) & (slots_ - 1);
      store<std::int32_t>(indexOffset(slot), position + 1);
    }
  }

  // Empties the list and its index.
  void clear() {
    std::memset(workspace_.getBaseAddress() + element_ + at_, 0, bytesFor(capacity_));
    workspace_.setItem(element_ + countItem_, 0);
  }

 private:
  unsigned int home(long long handle) const {
    std::uint64_t h = static_cast<std::uint64_t>(handle) * 0x9E3779B97F4A7C15ull;
    return static_cast<unsigned int>(h >> 32) & (slots_ - 1);
  }
  long long handleOffset(int position) const {
    return element_ + at_ + 8ll * position;
  }
  long long indexOffset(unsigned int slot) const {
    return element_ + at_ + 8ll * capacity_ + 4ll * slot;
  }
  template <class V>
  V load(long long offset) const {
    V value;
    std::memcpy(&value, workspace_.getBaseAddress() + offset, sizeof value);
    return value;
  }
  template <class V>
  void store(long long offset, V value) {
    std::memcpy(workspace_.getBaseAddress() + offset, &value, sizeof value);
  }

  Workspace& workspace_;
  long long element_;
  unsigned int countItem_;
  unsigned int at_;
  int capacity_;
  unsigned int slots_;
  std::function<std::string()> what_;
};

}  // namespace workspace
}  // namespace tavik
