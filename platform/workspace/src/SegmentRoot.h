// The workspace's own bookkeeping inside the segment, shared by every process
// that maps it: the lock, the allocator and the three element indexes.
//
// Every process maps the segment at an address of its own, so the indexes
// hold offsets from the start of the mapping, never pointers. Each index is
// one array allocated in the segment; growing it allocates a larger array,
// copies the entries and leaves the old one behind. A creation first makes
// room in every index (reserve*), and only then changes them
// (insert*/append*), which cannot fail: an index that cannot grow leaves all
// of them as they were.
//
// The functions take an arena (SegmentArena, or any arena with
// allocate(bytes, std::nothrow) and deallocate(pointer)) and the mapping's
// base address; the caller holds the segment lock.
//
// A process may die at any instruction while it holds the lock; the next one
// to take it repairs what it left (SegmentRepair.h). So every change is
// published by one last write, and what comes before it is invisible:
//  - an allocation: the arena's `used` (SegmentArena.h);
//  - a grown array: its `at`; the array's capacity is also the room of the
//    block `at` points to, from which the repair takes it when the process
//    died between the two writes; the old array stays as it was;
//  - an appended handle: the entry first, then `count`;
//  - a name entry: hash and area first, then the handle, which makes the slot
//    taken; `count` after it only steers growth, and the repair counts again;
//  - a repointed name entry: its handle.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "RobustMutex.h"
#include "SegmentArena.h"
#include "workspace/ElementSchema.h"
#include "workspace/Unaligned.h"
#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

// The version of this layout: a segment made by a program with another
// layout is refused, not misread. The version is the segment's first four
// bytes in every layout.
constexpr std::uint32_t kSegmentLayoutVersion = 4;

// FNV-1a over the bytes of the 16-bit units of a name, low byte first.
constexpr std::uint64_t kNameHashSeed = 14695981039346656037ull;
constexpr std::uint64_t kNameHashPrime = 1099511628211ull;
inline std::uint64_t hashNameUnit(std::uint64_t hash, char16_t unit) {
  // A zero high byte leaves the hash as it is when xored in, so the two
  // steps of such a unit (every unit of an ASCII name) are one multiplication
  // by the prime's square: the same hash at half the chain of multiplications.
  if ((unit >> 8) == 0) return (hash ^ unit) * (kNameHashPrime * kNameHashPrime);
  hash = (hash ^ (unit & 0xFF)) * kNameHashPrime;
  return (hash ^ (unit >> 8)) * kNameHashPrime;
}
inline std::uint64_t hashName(const std::u16string& units) {
  std::uint64_t hash = kNameHashSeed;
  for (char16_t unit : units) hash = hashNameUnit(hash, unit);
  return hash;
}
// The same hash over the units the wide name is stored as, without making them.
inline std::uint64_t hashName(const std::wstring& name) {
  std::uint64_t hash = kNameHashSeed;
  forEachUtf16Unit(name, [&hash](char16_t unit) {
    hash = hashNameUnit(hash, unit);
    return true;
  });
  return hash;
}

// What opening an element by name needs of the name, in one pass: its hash,
// how many 16-bit units it is stored as, and whether it holds a zero
// character (the only character stored as a zero unit).
struct NameKey {
  std::uint64_t hash = kNameHashSeed;
  std::size_t units = 0;
  bool has_zero = false;
};
inline NameKey nameKeyOf(const std::wstring& name) {
  NameKey key;
  forEachUtf16Unit(name, [&key](char16_t unit) {
    key.hash = hashNameUnit(key.hash, unit);
    ++key.units;
    key.has_zero |= unit == 0;
    return true;
  });
  return key;
}

// An array of entries inside the segment.
struct IndexArray {
  std::int64_t at = 0;  // offset of the first entry from the mapping's start; 0: none yet
  std::uint64_t capacity = 0;
  std::uint64_t count = 0;
};

template <class T>
T* entriesOf(char* base, const IndexArray& array) {
  return reinterpret_cast<T*>(base + array.at);
}
template <class T>
const T* entriesOf(const char* base, const IndexArray& array) {
  return reinterpret_cast<const T*>(base + array.at);
}

// Publishes a grown array: everything before the write of `at` is invisible
// (a repair takes the capacity from the block `at` points to).
inline void publishArray(IndexArray& array, const IndexArray& grown) {
  std::atomic_signal_fence(std::memory_order_release);
  array.capacity = grown.capacity;
  array.count = grown.count;
  std::atomic_signal_fence(std::memory_order_release);
  array.at = grown.at;
}

// Capacities of the first arrays: a small workspace stays small.
constexpr std::uint64_t kInitialNameSlots = 256;
constexpr std::uint64_t kInitialHandles = 128;

// Allocates an array of `capacity` entries; false when the arena has no room.
template <class T, class Arena>
bool allocateEntries(Arena& arena, char* base, std::uint64_t capacity, IndexArray& fresh) {
  void* memory = arena.allocate(capacity * sizeof(T), std::nothrow);
  if (memory == nullptr) return false;
  fresh.at = static_cast<char*>(memory) - base;
  fresh.capacity = capacity;
  fresh.count = 0;
  return true;
}

// The 16-bit units of the name stored in the element at `handle`.
inline std::u16string nameUnitsAt(const char* base, long long handle, const ElementSchema& schema) {
  std::u16string units;
  const std::size_t room_units = (schema.first_item - element_header::kName) / 2;
  for (std::size_t i = 0; i < room_units; ++i) {
    const char16_t unit = loadAt<char16_t>(base + handle + element_header::kName + 2 * i);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

// A remade element's old copy keeps its class id negated; an element made
// anew in another class also keeps that class above the first byte, for the
// message that refuses the old handle.
constexpr int kClassIdBits = 8;
inline std::int32_t replacedClassId(int class_id, int by_class = 0) {
  return -(class_id | (by_class << kClassIdBits));
}
inline int classIdOfReplaced(std::int32_t stored_class_id) {
  return -stored_class_id & ((1 << kClassIdBits) - 1);
}

// --- name index: open addressing with linear probing, at most half full ---

// One slot: (area, name hash) -> element handle and the element's position
// in the creation order; handle 0 marks a free slot.
struct NameSlot {
  std::uint64_t hash;
  std::int64_t area;
  std::int64_t handle;
  std::uint64_t order;
};

inline std::uint64_t firstNameSlot(std::uint64_t hash, long long area, std::uint64_t capacity) {
  std::uint64_t mixed = hash ^ (static_cast<std::uint64_t>(area) * 0x9E3779B97F4A7C15ull);
  mixed ^= mixed >> 29;
  return mixed & (capacity - 1);
}

// Handle of the first element registered under (area, hash) for which
// matches(handle) holds; 0 when none.
template <class Matches>
long long findName(const char* base, const IndexArray& names, long long area, std::uint64_t hash,
                   Matches matches) {
  if (names.capacity == 0) return 0;
  const NameSlot* slots = entriesOf<NameSlot>(base, names);
  for (std::uint64_t i = firstNameSlot(hash, area, names.capacity);; i = (i + 1) & (names.capacity - 1)) {
    const NameSlot& slot = slots[i];
    if (slot.handle == 0) return 0;  // the table always keeps free slots
    if (slot.hash == hash && slot.area == area && matches(slot.handle)) return slot.handle;
  }
}

// Puts an entry in its slot. Precondition: room (reserveName).
inline void insertName(char* base, IndexArray& names, const NameSlot& entry) {
  NameSlot* slots = entriesOf<NameSlot>(base, names);
  std::uint64_t i = firstNameSlot(entry.hash, entry.area, names.capacity);
  while (slots[i].handle != 0) i = (i + 1) & (names.capacity - 1);
  slots[i].hash = entry.hash;
  slots[i].area = entry.area;
  slots[i].order = entry.order;
  // The handle takes the slot: it is written last.
  std::atomic_signal_fence(std::memory_order_release);
  slots[i].handle = entry.handle;
  std::atomic_signal_fence(std::memory_order_release);
  ++names.count;
}

// Makes room for one more entry; false (and nothing changed) when the arena
// cannot hold the larger table.
template <class Arena>
bool reserveName(Arena& arena, char* base, IndexArray& names) {
  if ((names.count + 1) * 2 <= names.capacity) return true;
  IndexArray grown;
  const std::uint64_t capacity = names.capacity == 0 ? kInitialNameSlots : 2 * names.capacity;
  if (!allocateEntries<NameSlot>(arena, base, capacity, grown)) return false;
  std::memset(base + grown.at, 0, capacity * sizeof(NameSlot));
  if (names.capacity > 0) {
    const NameSlot* old = entriesOf<NameSlot>(base, names);
    for (std::uint64_t i = 0; i < names.capacity; ++i)
      if (old[i].handle != 0) insertName(base, grown, old[i]);
    arena.deallocate(base + names.at);
  }
  publishArray(names, grown);
  return true;
}

// The entry of the element `handle` under (area, hash); nullptr when none
// holds it. Pointing it at another handle (an element remade under the same
// name) keeps the name's position in the creation order.
inline NameSlot* nameSlotOf(char* base, IndexArray& names, long long area, std::uint64_t hash,
                            long long handle) {
  if (names.capacity == 0) return nullptr;
  NameSlot* slots = entriesOf<NameSlot>(base, names);
  for (std::uint64_t i = firstNameSlot(hash, area, names.capacity);; i = (i + 1) & (names.capacity - 1)) {
    NameSlot& slot = slots[i];
    if (slot.handle == 0) return nullptr;
    if (slot.hash == hash && slot.area == area && slot.handle == handle) return &slot;
  }
}

// --- handle arrays: creation order, and ascending addresses ---

// Makes room for one more handle; false (and nothing changed) when the arena
// cannot hold the larger array.
template <class Arena>
bool reserveHandle(Arena& arena, char* base, IndexArray& handles) {
  if (handles.count < handles.capacity) return true;
  IndexArray grown;
  const std::uint64_t capacity = handles.capacity == 0 ? kInitialHandles : 2 * handles.capacity;
  if (!allocateEntries<std::int64_t>(arena, base, capacity, grown)) return false;
  if (handles.capacity > 0) {
    std::memcpy(base + grown.at, base + handles.at, handles.count * sizeof(std::int64_t));
    arena.deallocate(base + handles.at);
  }
  grown.count = handles.count;
  publishArray(handles, grown);
  return true;
}

// Precondition for both: room (reserveHandle).
inline void appendHandle(char* base, IndexArray& handles, long long handle) {
  entriesOf<std::int64_t>(base, handles)[handles.count] = handle;
  std::atomic_signal_fence(std::memory_order_release);
  ++handles.count;
}
// Keeps the array ascending; a handle above every other is appended. In the
// segment it always is (the arena hands out ascending addresses), so the
// insertion in the middle, which moves entries and is not published by one
// write, never runs there.
inline void insertByAddress(char* base, IndexArray& handles, long long handle) {
  std::int64_t* entries = entriesOf<std::int64_t>(base, handles);
  std::uint64_t i = handles.count;
  if (i > 0 && entries[i - 1] > handle) {
    std::uint64_t low = 0, high = i;  // first entry above handle
    while (low < high) {
      const std::uint64_t mid = low + (high - low) / 2;
      if (entries[mid] > handle) high = mid; else low = mid + 1;
    }
    std::memmove(entries + low + 1, entries + low, (i - low) * sizeof(std::int64_t));
    i = low;
  }
  entries[i] = handle;
  std::atomic_signal_fence(std::memory_order_release);
  ++handles.count;
}

// The greatest handle of an ascending array at or below offset; 0 when none.
inline long long handleAtOrBelow(const char* base, const IndexArray& handles, long long offset) {
  const std::int64_t* entries = entriesOf<std::int64_t>(base, handles);
  std::uint64_t low = 0, high = handles.count;  // first entry above offset
  while (low < high) {
    const std::uint64_t mid = low + (high - low) / 2;
    if (entries[mid] > offset) high = mid; else low = mid + 1;
  }
  return low == 0 ? 0 : entries[low - 1];
}

// Sits at the start of the segment. The process that makes the segment
// builds it and publishes it by writing the layout version last
// (SegmentMapping.h); until then the version reads 0.
struct SegmentRoot {
  std::uint32_t layout_version;  // first in every layout; not initialised here
  // Guards the allocator, creation and the three indexes below, across
  // processes, and survives a holder that dies (RobustMutex.h).
  RobustMutex mutex;
  ArenaState arena;
  // (area, name hash) -> handle, NameSlot entries.
  IndexArray names;
  // Every element handle, ascending: finds the element holding an offset.
  IndexArray by_address;
  // Every element handle in creation order; a remade element's new copy
  // stands in its old copy's place (NameSlot::order).
  IndexArray creation_order;
  // How many elements were ever remade (replaceElement, remakeAsClass). A
  // process's cached view of an element is good only while this is unchanged.
  std::atomic<std::uint64_t> replacements{0};
};

}  // namespace workspace
}  // namespace tavik
