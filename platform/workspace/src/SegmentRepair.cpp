#include "SegmentRepair.h"

#include <string>
#include <unordered_set>
#include <vector>

#include "workspace/ElementSchema.h"
#include "workspace/Unaligned.h"
#include "workspace/WorkspaceException.h"

namespace tavik {
namespace workspace {

namespace {

// An array's capacity is the room of the block it points to.
template <class T>
void takeCapacityFromBlock(const char* base, IndexArray& array) {
  const std::uint64_t capacity = array.at == 0 ? 0 : blockBytes(base, array.at) / sizeof(T);
  if (array.capacity != capacity) array.capacity = capacity;
  if (array.count > capacity) {
    throw WorkspaceException("the workspace index at " + std::to_string(array.at) + " holds " +
                             std::to_string(array.count) + " entries in room for " +
                             std::to_string(capacity));
  }
}

// The element its name leads to, for a live element; 0 when its name leads
// nowhere.
long long namedAs(const char* base, const SegmentRoot& root, long long handle,
                  const ElementSchema& schema) {
  const std::u16string units = nameUnitsAt(base, handle, schema);
  return findName(base, root.names, schema.area, hashName(units),
                  [base, &units](long long other) {
                    // The entry's element may be of another class (or an old copy).
                    int class_id = loadAt<std::int32_t>(base + other + element_header::kClassId);
                    const ElementSchema* found =
                        findSchema(class_id < 0 ? classIdOfReplaced(class_id) : class_id);
                    return found != nullptr && nameUnitsAt(base, other, *found) == units;
                  });
}

void append(char* base, SegmentRoot& root, IndexArray& handles, long long handle) {
  SegmentArena arena(base, root.arena);
  if (!reserveHandle(arena, base, handles))
    throw WorkspaceFullException("the workspace is full: no room to repair its indexes");
  appendHandle(base, handles, handle);
}

}  // namespace

void repairSegment(char* base, SegmentRoot& root) {
  takeCapacityFromBlock<NameSlot>(base, root.names);
  takeCapacityFromBlock<std::int64_t>(base, root.by_address);
  takeCapacityFromBlock<std::int64_t>(base, root.creation_order);

  // Name entries: counted again; an element named and not yet in the
  // address index is the newest one (the arena hands out ascending
  // addresses), so it is appended.
  std::uint64_t named = 0;
  const NameSlot* slots = entriesOf<NameSlot>(base, root.names);
  for (std::uint64_t i = 0; i < root.names.capacity; ++i) {
    const long long handle = slots[i].handle;
    if (handle == 0) continue;
    ++named;
    if (handleAtOrBelow(base, root.by_address, handle) == handle) continue;
    const std::int64_t* ascending = entriesOf<std::int64_t>(base, root.by_address);
    if (root.by_address.count > 0 && ascending[root.by_address.count - 1] > handle)
      throw WorkspaceException("the workspace's name index holds an element out of order");
    append(base, root, root.by_address, handle);
  }
  root.names.count = named;

  // Live elements: the one each name leads to; any other is an old copy.
  std::vector<long long> live;
  for (std::uint64_t i = 0; i < root.by_address.count; ++i) {
    const long long handle = entriesOf<std::int64_t>(base, root.by_address)[i];
    const int class_id = loadAt<std::int32_t>(base + handle + element_header::kClassId);
    const ElementSchema* schema = findSchema(class_id);
    if (class_id <= 0 || schema == nullptr) continue;
    const long long named = namedAs(base, root, handle, *schema);
    if (named == handle) {
      live.push_back(handle);
      continue;
    }
    // An old copy whose name leads to an element of another class was made
    // anew in that class, and its message says so.
    const int named_class =
        named > 0 ? loadAt<std::int32_t>(base + named + element_header::kClassId) : 0;
    storeAt<std::int32_t>(base + handle + element_header::kClassId,
                          replacedClassId(class_id, named_class > 0 && named_class != class_id
                                                        ? named_class : 0));
  }

  // Every live element is listed: a remade one in the place its name entry
  // keeps, when that place still holds an old copy; a new one at the end.
  std::int64_t* order = entriesOf<std::int64_t>(base, root.creation_order);
  const std::unordered_set<long long> listed(order, order + root.creation_order.count);
  const std::unordered_set<long long> alive(live.begin(), live.end());
  for (long long handle : live) {
    if (listed.count(handle) != 0) continue;
    const int class_id = loadAt<std::int32_t>(base + handle + element_header::kClassId);
    const ElementSchema& schema = *findSchema(class_id);
    const NameSlot* slot = nameSlotOf(base, root.names, schema.area,
                                      hashName(nameUnitsAt(base, handle, schema)), handle);
    if (slot != nullptr && slot->order < root.creation_order.count &&
        alive.count(order[slot->order]) == 0) {
      order[slot->order] = handle;
    } else {
      append(base, root, root.creation_order, handle);
      order = entriesOf<std::int64_t>(base, root.creation_order);
    }
  }

  // No process may trust what it cached of an element before.
  root.replacements.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace workspace
}  // namespace tavik
