// The segment's allocator: the room after the root is handed out from the
// front, one block after another, and never given back (elements are never
// freed; an index array that grows leaves its old copy behind, as does a
// remade element).
//
// Why so simple: a process may be killed at any instruction while it
// allocates. Everything the allocator knows is one number, the offset of the
// first free byte (`used`), and an allocation is published by the one write
// that moves it. A block whose allocation was killed before that write is
// free room; one killed after it is lost room, taken by nobody. Nothing needs
// repair.
//
// Each block starts with a 16-byte header holding the bytes asked for, so
// that the start of an index array tells how many entries it has room for
// (the repair after a killed holder of the segment lock reads it there).
// Blocks are 16-byte aligned. Memory beyond `used` is not kept zero: an
// allocation may hand out bytes a killed or undone allocation wrote.
//
// Callers hold the segment lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>

namespace tavik {
namespace workspace {

// Lives in the segment root.
struct ArenaState {
  std::uint64_t used = 0;  // offset of the first free byte from the mapping's start
  std::uint64_t end = 0;   // the mapping's size
};

constexpr std::uint64_t kArenaAlignment = 16;
constexpr std::uint64_t kBlockHeader = 16;

inline std::uint64_t arenaRoundUp(std::uint64_t bytes) {
  return (bytes + kArenaAlignment - 1) / kArenaAlignment * kArenaAlignment;
}

// The bytes asked for by the allocation that returned `block` (its offset).
inline std::uint64_t blockBytes(const char* base, std::int64_t block) {
  std::uint64_t bytes;
  std::memcpy(&bytes, base + block - kBlockHeader, sizeof bytes);
  return bytes;
}

// The arena interface the index functions of SegmentRoot.h take.
class SegmentArena {
 public:
  SegmentArena(char* base, ArenaState& state) : base_(base), state_(state) {}

  // nullptr when the rest of the segment cannot hold `bytes`.
  void* allocate(std::size_t bytes, const std::nothrow_t&) {
    const std::uint64_t at = state_.used;
    if (at > state_.end || bytes > state_.end ||
        state_.end - at < kBlockHeader + arenaRoundUp(bytes))
      return nullptr;
    const std::uint64_t asked = bytes;
    std::memcpy(base_ + at, &asked, sizeof asked);
    // The header is written before the block is published.
    std::atomic_signal_fence(std::memory_order_release);
    state_.used = at + kBlockHeader + arenaRoundUp(bytes);
    return base_ + at + kBlockHeader;
  }

  // The last block handed out goes back (an allocation undone at once, by
  // one write); any other stays taken.
  void deallocate(void* block) {
    const std::uint64_t at = static_cast<char*>(block) - base_;
    if (at + arenaRoundUp(blockBytes(base_, at)) == state_.used) state_.used = at - kBlockHeader;
  }

 private:
  char* base_;
  ArenaState& state_;
};

}  // namespace workspace
}  // namespace tavik
