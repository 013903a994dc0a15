// What an item's listener block holds (where it lies: listenerPosition in
// workspace/ElementSchema.h).
//
// Block layout (inside the written element, shared with other processes):
//   +0  int32  listener count
//   +4  int64  listener handles (IPCListener elements), one after another;
//              not 8-byte aligned, so always read with memcpy
// The block has room for kMaxListeners handles.
#pragma once

#include "workspace/ElementSchema.h"

namespace tavik {
namespace workspace {
namespace notification {

constexpr int kMaxListeners = kListenerCapacity;
constexpr unsigned int kListenerHandlesOffset = 4;
constexpr unsigned int kListenerHandleSize = 8;
static_assert(kListenerBlockSize == kListenerHandlesOffset + kListenerHandleSize * kMaxListeners);

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
