// Where an item's listener block lies and what it holds.
//
// Block layout (inside the written element, shared with other processes):
//   +0  int32  listener count
//   +4  int64  listener handles (IPCListener elements), one after another;
//              not 8-byte aligned, so always read with memcpy
// The block has room for kMaxListeners handles.
#pragma once

namespace tavik {
namespace workspace {
namespace notification {

constexpr int kMaxListeners = 100;
constexpr unsigned int kListenerHandlesOffset = 4;
constexpr unsigned int kListenerHandleSize = 8;

// Items of an IPCListener element (all int).
constexpr unsigned int kListenerQueueIdItem = 584;
constexpr unsigned int kListenerNotifiedItem = 600;
constexpr unsigned int kListenerAlwaysNotifyItem = 608;

// Position (relative to the element) of the listener block of `item`, whose
// workspace item type code is `itemType`; 0 when the item has no listeners.
constexpr unsigned int listenerPosition(int itemType, unsigned int item) {
  switch (itemType) {
    case 0: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9:
      return 0;
    case 10: case 13:
      return item + 16;
    case 12: case 19:
      return item + 8;
    case 14: case 18:
      return item + 256;
    case 15:
      return item + 504;
    case 16:
      return item + 1028;
    case 17:
      return item + 4100;
    default:  // 1, 11 and codes outside 0..19: the count is stored at the item
      return item;
  }
}

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
