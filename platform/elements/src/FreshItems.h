// Puts an element's items back to what a freshly made element of its class
// holds (every value zero, which a number-as-text item reads as "0" and a
// text as empty), for a class whose building step makes the element anew
// under its old handle.
//
// The values are written in place and the listener blocks (with their
// registrations) stay as they are. No listener is told: the classes reset
// this way (sequences, action groups, option elements, link paths) have no
// item that takes listeners; a class with such items empties them through
// the notifying write instead, as a test-plan column empties its cells. The
// items listed in `keep` (the owner's list handles, whose lists the caller
// empties itself) keep their values.
#pragma once

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "workspace/ElementSchema.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace workspace {

inline bool hasListenerBlocks(const ElementSchema& schema) {
  for (const ItemSchema& item : schema.items)
    if (listenerBlockOffset(item) != 0) return true;
  return false;
}

inline void resetToFreshItems(Workspace& workspace, long long handle, int classId,
                              std::initializer_list<unsigned int> keep) {
  const ElementSchema* schema = findSchema(classId);
  if (schema == nullptr) throw WorkspaceException("unknown element class " + std::to_string(classId));
  workspace.checkElement(classId, handle);
  char* element = workspace.getBaseAddress() + handle;
  if (keep.size() == 0 && !hasListenerBlocks(*schema)) {
    // Nothing to step around: the items (and the padding between them) in one go.
    std::memset(element + schema->first_item, 0, schema->size - schema->first_item);
    return;
  }
  for (const ItemSchema& item : schema->items) {
    if (std::find(keep.begin(), keep.end(), item.item) != keep.end()) continue;
    std::memset(element + item.item, 0, valueSize(item));
  }
}

}  // namespace workspace
}  // namespace tavik
